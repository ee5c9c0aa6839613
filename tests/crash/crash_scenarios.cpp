// Fails on purpose under the crash handler, one way per scenario, for the crash tests to read
// what the handler leaves behind:
//
//   crash_scenarios SCENARIO [REPORT DUMP]
//
// Without the two paths the handler keeps its defaults beside the executable. Every thread that
// is about to fail first prints "thread <id>", so that the minidump's exception thread can be
// checked. Built without optimisation: the locals must stay on the stack where the report looks.

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include <windows.h>
#include <shellapi.h>

#include "crash/crash_handler.h"
#include "lock_loader.h"

namespace {

// Globals of the failing module, which the report lists after the call stack.
const char* currentScenario = "";
char fortyCharacters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789abcd";
int* volatile nowhere = nullptr;  // volatile: the compiler may not turn the write into a trap
HANDLE together = nullptr;
constexpr int kAnswer = 0x2A;  // a constant: its value comes from the debug information, not memory

struct Position {
    int x;
    int y;
    double weight;
};

void announce() {
    std::printf("thread %lu\n", GetCurrentThreadId());
    std::fflush(stdout);
}

void crashWithLocals(int attempt) {
    int count = kAnswer;
    float ratio = 2.5f;
    double weight = 1.25;
    Position where{3, 4, 0.5};
    char* text = fortyCharacters;
    char* unreadable = reinterpret_cast<char*>(0x10);
    *nowhere = attempt + count + static_cast<int>(ratio + weight + where.weight) + text[0] + (unreadable ? 1 : 0);
}

#if defined(_WIN64)
// Optimised, without a frame pointer: the x64 walk goes on through it by the unwind tables, and
// its local lies relative to RSP. (An x86 walk follows frame pointers, so x86 calls directly.)
__attribute__((optimize("O2", "omit-frame-pointer"), noinline)) void withoutFramePointer(int attempt) {
    volatile int padding[2] = {0x51, 0x52};
    crashWithLocals(attempt + padding[0] - 0x51);
    padding[1] = 0;  // keeps the call a call, not a jump
}
#else
void withoutFramePointer(int attempt) { crashWithLocals(attempt); }
#endif

void callUnmappedCode() {
    void* page = VirtualAlloc(nullptr, 4096, MEM_COMMIT | MEM_RESERVE, PAGE_EXECUTE_READWRITE);
    VirtualFree(page, 0, MEM_RELEASE);
    reinterpret_cast<void (*)()>(page)();
}

DWORD WINAPI crashOnWorker(void*) {
    announce();
    *nowhere = 1;
    return 0;
}

DWORD WINAPI crashTogether(void*) {
    announce();
    WaitForSingleObject(together, INFINITE);
    *nowhere = 2;
    return 0;
}

// Large frames keep the number of frames, and so the report, small.
int recurse(int depth) {
    char ballast[4096];
    std::memset(ballast, depth, sizeof ballast);
    if (depth < 0) return ballast[0];
    return recurse(depth + 1) + ballast[depth % sizeof ballast];
}

// Faults while this thread holds a lock that the report's work takes as well.
void crashHoldingLoaderLock() {
    lockLoader();
    withoutFramePointer(1);
}

DWORD WINAPI sleepForGood(void*) {
    SetEvent(together);
    Sleep(INFINITE);
    return 0;
}

DWORD WINAPI holdHeapLockForGood(void*) {
    HeapLock(GetProcessHeap());
    return sleepForGood(nullptr);
}

// Returns once the thread is running `body`.
void startThread(LPTHREAD_START_ROUTINE body) {
    together = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    CloseHandle(CreateThread(nullptr, 0, body, nullptr, 0, nullptr));
    WaitForSingleObject(together, INFINITE);
}

// Another thread exists, as in any game, while the failing one holds the heap's lock.
void crashHoldingHeapLock() {
    startThread(sleepForGood);
    HeapLock(GetProcessHeap());
    withoutFramePointer(1);
}

void crashWhileHeapLockedElsewhere() {
    startThread(holdHeapLockForGood);
    withoutFramePointer(1);
}

void throwUncaught() { throw std::runtime_error("nobody catches this"); }

// Called through a pointer: after a call to a function known never to return, the return address
// would lie in the next function.
void (*volatile abortFunction)() = std::abort;
void abortNow() { abortFunction(); }

void breakNow() { DebugBreak(); }

}  // namespace

// Outside the unnamed namespace: for a class of internal linkage GCC leaves the pure function's
// slot empty, and the call would fault instead of reaching the runtime.
class Shape {
public:
    Shape() { describe(); }  // the object is still a Shape here: area() is pure
    virtual ~Shape() = default;
    virtual int area() const = 0;
    int describe() const { return area(); }
};

class Square : public Shape {
public:
    int area() const override { return 1; }
};

void callPureVirtual() { Square square; }

int main(int argc, char** argv) {
    if (argc != 2 && argc != 4) {
        std::fprintf(stderr, "usage: crash_scenarios SCENARIO [REPORT DUMP]\n");
        return 2;
    }
    CrashHandler handler;
    if (argc == 4) {
        int count = 0;
        wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);  // paths beyond the code page
        CrashHandler::setReportPath(wide[2]);
        CrashHandler::setDumpPath(wide[3]);
    }
    currentScenario = argv[1];
    const std::string scenario = argv[1];
    if (scenario != "second_thread" && scenario != "two_threads") announce();

    if (scenario == "access_violation") withoutFramePointer(1);
    else if (scenario == "outside_module") callUnmappedCode();
    else if (scenario == "second_thread")
        WaitForSingleObject(CreateThread(nullptr, 0, crashOnWorker, nullptr, 0, nullptr), INFINITE);
    else if (scenario == "two_threads") {
        together = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        HANDLE threads[2];
        for (HANDLE& thread : threads) thread = CreateThread(nullptr, 0, crashTogether, nullptr, 0, nullptr);
        Sleep(200);  // both wait on the event by now
        SetEvent(together);
        WaitForMultipleObjects(2, threads, TRUE, INFINITE);
    } else if (scenario == "stack_overflow") recurse(0);
    else if (scenario == "cxx_exception") throwUncaught();
    else if (scenario == "abort") abortNow();
    else if (scenario == "pure_virtual") callPureVirtual();
    else if (scenario == "debug_break") breakNow();
    else if (scenario == "loader_lock") crashHoldingLoaderLock();
    else if (scenario == "heap_lock") crashHoldingHeapLock();
    else if (scenario == "heap_lock_elsewhere") crashWhileHeapLockedElsewhere();
    else {
        std::fprintf(stderr, "unknown scenario %s\n", argv[1]);
        return 2;
    }
    return 1;  // the scenario did not end the process
}
