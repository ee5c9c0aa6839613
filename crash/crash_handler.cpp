#include "crash/crash_handler.h"

#include <algorithm>
#include <csignal>
#include <cwchar>
#include <exception>

#include "crash/crash_state.h"
#include "host/paths.h"
#include "xml/paths.h"

namespace {

using crash::state;

constexpr DWORD kFatalAppExit = 0x40000015;  // STATUS_FATAL_APP_EXIT
constexpr SIZE_T kReporterStack = 1 << 20;

// The report is written on a thread made at installation: the failing thread may have next to
// no stack left (a stack overflow leaves about 2 KB), and DbgHelp wants one caller at a time.
struct Reporter {
    HANDLE thread = nullptr;
    DWORD threadId = 0;
    HANDLE request = nullptr;  // the filter asks for a report (or the destructor for the end)
    HANDLE done = nullptr;
    EXCEPTION_POINTERS* info = nullptr;
    HANDLE failingThread = nullptr;
    DWORD failingThreadId = 0;
    volatile LONG stopping = 0;
};
Reporter reporter;
volatile LONG reportStarted = 0;
volatile DWORD reportedThread = 0;  // the thread whose failure is (being) reported

std::terminate_handler previousTerminate = nullptr;
void (*previousAbort)(int) = SIG_DFL;

void copyPath(wchar_t (&target)[MAX_PATH + 1], const wchar_t* path) {
    std::wcsncpy(target, path ? path : L"", MAX_PATH);  // a longer path is cut
    target[MAX_PATH] = 0;
}

// Report file first; without it there is neither report nor minidump.
void report(EXCEPTION_POINTERS* info, HANDLE failingThread, DWORD failingThreadId) {
    state.reportFile = CreateFileW(state.reportPath, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_FLAG_WRITE_THROUGH, nullptr);
    if (state.reportFile == INVALID_HANDLE_VALUE) {
        state.reportFile = nullptr;
        return;
    }
    crash::writeReport(info, failingThread, failingThreadId);
    CloseHandle(state.reportFile);
    state.reportFile = nullptr;
}

DWORD WINAPI reporterMain(void*) {
    for (;;) {
        WaitForSingleObject(reporter.request, INFINITE);
        if (reporter.stopping) return 0;
        report(reporter.info, reporter.failingThread, reporter.failingThreadId);
        SetEvent(reporter.done);
    }
}

void startReporter() {
    reporter.request = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    reporter.done = CreateEventW(nullptr, FALSE, FALSE, nullptr);
    if (reporter.request && reporter.done)
        reporter.thread = CreateThread(nullptr, kReporterStack, reporterMain, nullptr, STACK_SIZE_PARAM_IS_A_RESERVATION,
                                       &reporter.threadId);
}

void stopReporter() {
    if (reporter.thread) {
        InterlockedExchange(&reporter.stopping, 1);
        SetEvent(reporter.request);
        WaitForSingleObject(reporter.thread, INFINITE);
        CloseHandle(reporter.thread);
    }
    if (reporter.request) CloseHandle(reporter.request);
    if (reporter.done) CloseHandle(reporter.done);
    reporter = Reporter{};
}

// The C++ runtime ends the process on an uncaught exception, a pure virtual call or abort()
// without ever raising a structured exception: report those as a fatal application exit at
// the place where they happened.
__attribute__((noinline)) void reportFatalExit() {
    CONTEXT context{};
    RtlCaptureContext(&context);
    EXCEPTION_RECORD record{};
    record.ExceptionCode = kFatalAppExit;
    record.ExceptionAddress = reinterpret_cast<void*>(static_cast<DWORD_PTR>(context.Eip));
    EXCEPTION_POINTERS pointers{&record, &context};
    CrashHandler::crashFilter(&pointers);
}

void onTerminate() {
    reportFatalExit();
    TerminateProcess(GetCurrentProcess(), 3);  // the runtime's own exit code for this end
}

void onAbort(int) { reportFatalExit(); }

}  // namespace

CrashHandler::CrashHandler() {
    state.previousFilter = SetUnhandledExceptionFilter(crashFilter);
    try {
        const std::wstring folder = host::getModuleFolder();
        setReportPath(xml::combinePath(folder, L"exception.txt").c_str());
        setDumpPath(xml::combinePath(folder, L"exception.dmp").c_str());
        const std::string narrowFolder = host::getModuleFolderA();
        narrowFolder.copy(state.moduleFolder, MAX_PATH);
        state.moduleFolder[std::min<std::size_t>(narrowFolder.size(), MAX_PATH)] = 0;
    } catch (...) {
        // No destructor runs for a constructor that throws: give the filter back here.
        SetUnhandledExceptionFilter(state.previousFilter);
        throw;
    }
    state.process = GetCurrentProcess();
    state.dbghelpLoaded = state.dbghelp.load();
    startReporter();
    previousTerminate = std::set_terminate(onTerminate);
    previousAbort = std::signal(SIGABRT, onAbort);
}

CrashHandler::~CrashHandler() {
    SetUnhandledExceptionFilter(state.previousFilter);
    std::set_terminate(previousTerminate);
    std::signal(SIGABRT, previousAbort);
    stopReporter();
}

void CrashHandler::setReportPath(const wchar_t* path) { copyPath(state.reportPath, path); }
void CrashHandler::setDumpPath(const wchar_t* path) { copyPath(state.dumpPath, path); }
std::wstring CrashHandler::reportPath() { return state.reportPath; }
std::wstring CrashHandler::dumpPath() { return state.dumpPath; }

LONG WINAPI CrashHandler::crashFilter(EXCEPTION_POINTERS* info) {
    const DWORD self = GetCurrentThreadId();
    if (self == reporter.threadId) return EXCEPTION_CONTINUE_SEARCH;  // the reporter itself failed
    // One report per process, written whole: a thread that fails while another is reported
    // waits until the process ends. The reported thread itself may pass through the filter
    // again on its way out (Wine does so); it goes on to its end.
    if (InterlockedExchange(&reportStarted, 1) != 0) {
        if (self == reportedThread) return EXCEPTION_CONTINUE_SEARCH;
        for (;;) Sleep(INFINITE);
    }
    reportedThread = self;
    HANDLE thread = nullptr;
    DuplicateHandle(GetCurrentProcess(), GetCurrentThread(), GetCurrentProcess(), &thread, 0, FALSE, DUPLICATE_SAME_ACCESS);
    if (reporter.thread) {
        reporter.info = info;
        reporter.failingThread = thread;
        reporter.failingThreadId = self;
        SetEvent(reporter.request);
        WaitForSingleObject(reporter.done, INFINITE);
    } else {
        report(info, thread ? thread : GetCurrentThread(), self);
    }
    return EXCEPTION_CONTINUE_SEARCH;
}
