#include "crash/crash_handler.h"

#include <exception>

#include "host/paths.h"
#include "xml/paths.h"

namespace {

struct CrashState {
    LPTOP_LEVEL_EXCEPTION_FILTER previousFilter = nullptr;
    std::wstring reportPath;
    std::wstring dumpPath;
    HANDLE process = nullptr;
};
CrashState state;

}  // namespace

CrashHandler::CrashHandler() {
    state.previousFilter = SetUnhandledExceptionFilter(crashFilter);
    try {
        const std::wstring folder = host::getModuleFolder();
        setReportPath(xml::combinePath(folder, L"exception.txt").c_str());
        setDumpPath(xml::combinePath(folder, L"exception.dmp").c_str());
    } catch (...) {
        // No destructor runs for a constructor that throws: give the filter back here.
        SetUnhandledExceptionFilter(state.previousFilter);
        throw;
    }
    state.process = GetCurrentProcess();
}

CrashHandler::~CrashHandler() { SetUnhandledExceptionFilter(state.previousFilter); }

void CrashHandler::setReportPath(const wchar_t* path) { state.reportPath = path; }
void CrashHandler::setDumpPath(const wchar_t* path) { state.dumpPath = path; }
std::wstring CrashHandler::reportPath() { return state.reportPath; }
std::wstring CrashHandler::dumpPath() { return state.dumpPath; }

LONG WINAPI CrashHandler::crashFilter(EXCEPTION_POINTERS*) { return EXCEPTION_CONTINUE_SEARCH; }
