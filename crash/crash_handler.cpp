#include "crash/crash_handler.h"

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <exception>

#include "crash/crash_state.h"
#include "crash/machine.h"
#include "crash/report_files.h"
#include "crash/report_watch.h"
#include "win/module_paths.h"
#include "win/scoped_handle.h"
#include "xml/paths.h"

namespace {

using crash::state;

constexpr DWORD kFatalAppExit = 0x40000015;  // STATUS_FATAL_APP_EXIT
constexpr SIZE_T kReporterStack = 1 << 20;
// What writing a report on the failing thread may take of its stack, with room to spare: a whole
// report under Wine, DbgHelp's symbol and type lookups and the minidump included, reaches about
// 26 KB deep. A thread with less left hands the report to the reporter thread.
constexpr DWORD_PTR kReportStack = 128 * 1024;
// Below the stack's last guard page the system keeps pages that are never handed out.
constexpr DWORD_PTR kUnusableStackTail = 3 * 4096;
// How long the system's own handling (Windows Error Reporting, a debugger Wine starts) may take to
// end the process once the report is finished, before the handler ends it itself.
constexpr DWORD kSystemEndMs = 30000;

// One report per process. The failing thread claims it; a thread that fails later waits for it.
enum : LONG { kIdle, kReporting, kClosing };
struct Crash {
    volatile LONG phase = kIdle;
    volatile DWORD threadId = 0;     // the thread whose failure is (being) reported
    volatile DWORD exceptionCode = 0;
    HANDLE finished = nullptr;       // set once the report (and the dump) are written
};
Crash current;

// A thread made at installation, idle until a crash. It writes the report when the failing
// thread has too little stack left (a stack overflow leaves about 2 KB), and otherwise watches
// the failing thread write it. It does not write in the common case: the report's work takes the
// loader lock and the heap's lock, which the failing thread may hold and only it can take again.
enum class Task { none, write, watch, stop };
struct Reporter {
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    HANDLE request = nullptr;
    volatile Task task = Task::none;
    crash::CrashJob job;
};
Reporter reporter;

std::terminate_handler previousTerminate = nullptr;
void (*previousAbort)(int) = SIG_DFL;

DWORD WINAPI reporterMain(void* started) {
    // The runtime's formatting keeps data per thread, made from the heap on first use: made now.
    char warmUp[16];
    std::snprintf(warmUp, sizeof warmUp, "%d", 0);
    _snprintf(warmUp, sizeof warmUp, "%d", 0);
    SetEvent(started);
    for (;;) {
        WaitForSingleObject(reporter.request, INFINITE);
        switch (reporter.task) {
        case Task::stop: return 0;
        case Task::none: continue;
        case Task::write:
            crash::reportCrash(reporter.job);
            SetEvent(current.finished);
            break;
        case Task::watch: crash::watchReport(current.finished, current.exceptionCode); break;
        }
        // The report is finished and the failing thread has gone on to the system's handling,
        // which ends the process; should that itself get stuck, the process still ends.
        Sleep(kSystemEndMs);
        crash::endProcess(current.exceptionCode);
    }
}

bool askReporter(Task task) {
    if (!reporter.thread) return false;
    reporter.task = task;
    return SetEvent(reporter.request) != FALSE;
}

// Returns once the thread runs: a new thread first goes through the loader (the loader lock, the
// heap), and one that did so only when a crash wakes it would wait on the locks of the failing
// thread.
void startReporter() {
    current.finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    reporter.request = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    win::ScopedKernelHandle started(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    if (current.finished && reporter.request && started)
        reporter.thread = CreateThread(nullptr, kReporterStack, reporterMain, started.get(),
                                       STACK_SIZE_PARAM_IS_A_RESERVATION, &reporter.threadId);
    // Left open for good should the thread still be on its way: it sets the event when it gets there.
    if (reporter.thread && WaitForSingleObject(started.get(), crash::kStallLimitMs) != WAIT_OBJECT_0) started.release();
}

void stopReporter() {
    // Idle by now, so it ends at once; were it still busy, it keeps its events to the end of the
    // process rather than wait on closed ones.
    if (askReporter(Task::stop) && WaitForSingleObject(reporter.thread, crash::kStallLimitMs) != WAIT_OBJECT_0) return;
    for (HANDLE handle : {reporter.thread, reporter.request, current.finished})
        if (handle) CloseHandle(handle);
    reporter = Reporter{};
    current.finished = nullptr;
}

// mingw's NtCurrentTeb reads the segment register through what GCC takes for an empty array.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Warray-bounds"
const NT_TIB& threadInformation() { return *reinterpret_cast<const NT_TIB*>(NtCurrentTeb()); }
#pragma GCC diagnostic pop

// The stack this thread can still use: down to its committed end when no guard page lies below
// that end (a stack overflow took it), else down to the end of its reservation. None when it runs
// on a stack the system does not know (a fiber's or a coroutine's of its own making).
DWORD_PTR stackLeft() {
    const volatile char here = 0;
    const auto position = reinterpret_cast<DWORD_PTR>(&here);
    const NT_TIB& thread = threadInformation();
    if (position > reinterpret_cast<DWORD_PTR>(thread.StackBase)) return 0;
    DWORD_PTR bottom = reinterpret_cast<DWORD_PTR>(thread.StackLimit);
    MEMORY_BASIC_INFORMATION below;
    if (VirtualQuery(reinterpret_cast<void*>(bottom - 1), &below, sizeof below) && (below.Protect & PAGE_GUARD))
        bottom = reinterpret_cast<DWORD_PTR>(below.AllocationBase) + kUnusableStackTail;
    return position > bottom ? position - bottom : 0;
}

// A report has been claimed by another thread: let it finish (or be ended for lack of progress),
// give the system its time to end the process, then end it.
[[noreturn]] void awaitEndOfCrash() {
    crash::watchReport(current.finished, current.exceptionCode);
    Sleep(kSystemEndMs);
    crash::endProcess(current.exceptionCode);
}

bool reportFinished() { return !current.finished || WaitForSingleObject(current.finished, 0) != WAIT_TIMEOUT; }

// The C++ runtime ends the process on an uncaught exception, a pure virtual call or abort()
// without ever raising a structured exception: report those as a fatal application exit at
// the place where they happened.
__attribute__((noinline)) void reportFatalExit() {
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = kFatalAppExit;
    record.ExceptionAddress = reinterpret_cast<void*>(static_cast<DWORD_PTR>(crash::instructionPointer(context)));
    EXCEPTION_POINTERS pointers{&record, &context};
    CrashHandler::crashFilter(&pointers);
}

void onTerminate() {
    reportFatalExit();
    TerminateProcess(GetCurrentProcess(), 3);  // the runtime's own exit code for this end
}

// Ended here rather than through abort()'s own exit, which takes the loader lock on its way out.
void onAbort(int) {
    reportFatalExit();
    TerminateProcess(GetCurrentProcess(), 3);
}

}  // namespace

CrashHandler::CrashHandler() {
    state.previousFilter = SetUnhandledExceptionFilter(crashFilter);
    try {
        const std::wstring folder = win::getModuleFolder();
        setReportPath(xml::combinePath(folder, L"exception.txt").c_str());
        setDumpPath(xml::combinePath(folder, L"exception.dmp").c_str());
        crash::prepareFallbackPlaces(folder);
        const std::string narrowFolder = win::getModuleFolderA();
        narrowFolder.copy(state.moduleFolder, MAX_PATH);
        state.moduleFolder[std::min<std::size_t>(narrowFolder.size(), MAX_PATH)] = 0;
    } catch (...) {
        // No destructor runs for a constructor that throws: give the filter back here.
        SetUnhandledExceptionFilter(state.previousFilter);
        throw;
    }
    state.process = GetCurrentProcess();
    state.ntdll = GetModuleHandleW(L"ntdll.dll");
    state.dbghelpLoaded = state.dbghelp.load();
    crash::prepareWatch();
    startReporter();
    previousTerminate = std::set_terminate(onTerminate);
    previousAbort = std::signal(SIGABRT, onAbort);
}

CrashHandler::~CrashHandler() {
    SetUnhandledExceptionFilter(state.previousFilter);
    std::set_terminate(previousTerminate);
    std::signal(SIGABRT, previousAbort);
    // A thread that fails from here on finds the handler closing and goes on to the system's
    // own end of the process; one that failed before is reported, and the process ends with it.
    if (InterlockedCompareExchange(&current.phase, kClosing, kIdle) == kReporting) awaitEndOfCrash();
    stopReporter();
}

void CrashHandler::setReportPath(const wchar_t* path) { crash::setReportPlace(path, nullptr); }
void CrashHandler::setDumpPath(const wchar_t* path) { crash::setReportPlace(nullptr, path); }

LONG WINAPI CrashHandler::crashFilter(EXCEPTION_POINTERS* info) {
    const DWORD self = GetCurrentThreadId();
    // The thread writing the report failed inside it (DbgHelp reading a stack that is not one):
    // the process ends with the exception that is being reported.
    const bool delegated = reporter.task == Task::write;
    const bool writing = self == reporter.threadId ? delegated : self == current.threadId && !delegated;
    if (current.phase == kReporting && writing && !reportFinished()) crash::endProcess(current.exceptionCode);
    if (self == reporter.threadId) return EXCEPTION_CONTINUE_SEARCH;
    switch (InterlockedCompareExchange(&current.phase, kReporting, kIdle)) {
    case kClosing: return EXCEPTION_CONTINUE_SEARCH;
    case kReporting:
        // The reported thread passes through the filter again on its way out (Wine does so): it
        // goes on to its end. Any other thread waits.
        if (self == current.threadId) return EXCEPTION_CONTINUE_SEARCH;
        awaitEndOfCrash();
    }
    current.threadId = self;
    current.exceptionCode = info->ExceptionRecord->ExceptionCode;
    win::ScopedKernelHandle thread;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), thread.receive(), 0, FALSE,
                    DUPLICATE_SAME_ACCESS);
    const crash::CrashJob job{info, thread ? thread.get() : GetCurrentThread(), self};

    // Decided before any thread is woken: this thread writes whenever its stack allows, since it
    // may hold the locks the report needs and can take them again; the reporter watches.
    const bool overflow = current.exceptionCode == EXCEPTION_STACK_OVERFLOW || stackLeft() < kReportStack;
    reporter.job = job;
    if (overflow && askReporter(Task::write)) {
        crash::watchReport(current.finished, current.exceptionCode);
    } else {
        askReporter(Task::watch);
        crash::reportCrash(job);
        SetEvent(current.finished);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}
