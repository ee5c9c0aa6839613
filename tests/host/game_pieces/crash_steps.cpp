#include "crash_steps.h"

#include <windows.h>

#include "crash/lock_loader.h"

std::wstring crashStep;

namespace {

int* volatile nowhere = nullptr;  // volatile: the compiler may not turn the write into a trap

}  // namespace

void crashInDllMain() {
    if (crashStep == L"dll_main") *nowhere = 6;
}

void crashInApplicationInfo(const WideChar* infoPath) {
    const std::wstring step = crashStep;
    if (step == L"info" && infoPath) *nowhere = 4;
    if (step == L"loader_lock") {  // as code that the loader runs holds it
        lockLoader();
        *nowhere = 5;
    }
    if (step == L"heap_lock" && HeapLock(GetProcessHeap())) *nowhere = 7;
}

void crashInRun() {
    if (crashStep == L"run") *nowhere = 3;
}
