#pragma once

#include <stdint.h>

#include "boundary/base.h"
#include "boundary/safe_string.h"
#include "boundary/wide_char.h"
#include "boundary/xml_reader.h"

// The protocol between the host and the game module, "GameModule.dll". The host loads the
// library, calls its export kCreateFactoryExport and drives the game through these slots:
//
//   factory = createFactory(); info = factory->createApplicationInfo(...);
//   info->getCompanyName / getTitle / getProductName
//   module = factory->createGameModule(config, ...)    config nodes valid only during this call
//   info->release(); factory->release();
//   result = module->run(script, gameRoot, ...)         game nodes valid until run returns
//   result->getExitCode(); result->release(); module->release(); FreeLibrary
//
// Every object the module returns belongs to the host, which ends it once with release(),
// except the log, which is only borrowed. Strings cross only through safe-string objects.

struct HWND__;
using WindowHandle = HWND__*;  // the same type as <windows.h>'s HWND

class IApplicationInfo : public IGeneric {
public:
    // Each writes one name into `out`; the host ignores the result.
    virtual bool getCompanyName(ISafeStringW* out) = 0;  // 3
    virtual bool getTitle(ISafeStringW* out) = 0;        // 4
    virtual bool getProductName(ISafeStringW* out) = 0;  // 5

protected:
    ~IApplicationInfo() = default;
};

class IGameLog : public IGeneric {
public:
    virtual void logMessage(const char* text, int level) = 0;  // 3

protected:
    ~IGameLog() = default;
};

class IGameRun : public IGeneric {
public:
    // Becomes the process's exit code.
    virtual int getExitCode() = 0;  // 3

protected:
    ~IGameRun() = default;
};

class IGameModule : public IGeneric {
public:
    // Slots 3 to 6 and 8 to 13 are the module's own; the host never calls them.
    virtual void reserved3() {}
    virtual void reserved4() {}
    virtual void reserved5() {}
    virtual void reserved6() {}
    // Borrowed: the host uses it at once and never releases it.
    virtual IGameLog* getLog() = 0;  // 7
    virtual void reserved8() {}
    virtual void reserved9() {}
    virtual void reserved10() {}
    virtual void reserved11() {}
    virtual void reserved12() {}
    virtual void reserved13() {}
    // Runs the whole game, message loop included. Null on failure, with the reason in `error`.
    virtual IGameRun* run(const WideChar* initialScript, IXmlReaderNode* gameRoot, ISafeStringW* error) = 0;  // 14

protected:
    ~IGameModule() = default;
};

class IGameModuleFactory : public IGeneric {
public:
    // `infoPath`: the full path of the data folder's "info.xml"; `reserved` is always 0.
    virtual IApplicationInfo* createApplicationInfo(const WideChar* infoPath, int reserved) = 0;  // 3
    // `config` and its nodes may be used only during this call. `reserved` is always 0. Null on
    // failure, with the reason in `error`.
    virtual IGameModule* createGameModule(IXmlReader* config, const WideChar* moduleFolder, int reserved,
                                          WindowHandle window, bool fullScreen, IApplicationInfo* info,
                                          ISafeStringW* error) = 0;  // 4

protected:
    ~IGameModuleFactory() = default;
};

// The module's one export: `extern "C" IGameModuleFactory* __stdcall createFactory()`, which
// MSVC exports under this decorated name (see sdk/README.md for mingw). x64 decorates nothing:
// there the plain name comes first, and the x86 spelling is still taken after it.
#if defined(_WIN64)
inline constexpr const char* kCreateFactoryExport = "createFactory";
inline constexpr const char* kCreateFactoryExportFallback = "_createFactory@0";
#else
inline constexpr const char* kCreateFactoryExport = "_createFactory@0";
inline constexpr const char* kCreateFactoryExportFallback = nullptr;
#endif

#if defined(_WIN32)
using CreateFactoryFunction = IGameModuleFactory* (__stdcall*)();
#endif

// What crosses by value: a one-byte bool, a 32-bit int, pointers. (The slot positions are
// proven by the protocol tests against a module built with MSVC's ABI.)
static_assert(sizeof(bool) == 1 && sizeof(int) == 4, "bool and int as MSVC lays them out");
