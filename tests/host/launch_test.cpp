// The launch's decisions against a recording fake of the system and of the game module: which
// text the player sees, and that every way out releases in the same order.

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/launch_system.h"
#include "host/state.h"
#include "support/recorded.h"
#include "xml/parser.h"

namespace {

// What the fake system and module do; each row changes one thing. The utility, when it runs,
// configures the game; the run's exit code is 7.
struct Script {
    bool firstRun = false, waitWorks = true, commonData = true, documents = true, window = true, log = true;
    bool pathTooLong = false;
    host::GameRunning runningFlag = host::GameRunning::checked;  // as the entry left it
};

Script script;
std::string events;

void note(const std::string& event) { events += (events.empty() ? "" : ", ") + event; }

template <class Interface, class Self>
using Object = Recorded<Interface, Self, note>;

struct Run final : Object<IGameRun, Run> {
    Run() : Recorded("run") {}
    int getExitCode() override { return 7; }
};
// Lent by the module, never released.
struct Log final : IGameLog {
    void* queryInterface(uint32_t) override { return nullptr; }
    void* destroy(unsigned) override { return this; }
    void release() override { note("log-released"); }
    void logMessage(const char* text, int level) override { note("log " + std::string(text) + " " + std::to_string(level)); }
};
struct Module final : Object<IGameModule, Module> {
    Module() : Recorded("module") {}
    IGameLog* getLog() override { return script.log ? &log : nullptr; }
    IGameRun* run(const WideChar* name, IXmlReaderNode*, ISafeStringW*) override {
        note("run " + std::string(name, name + std::char_traits<wchar_t>::length(name)));
        return new Run;
    }
    Log log;
};
struct Info final : Object<IApplicationInfo, Info> {
    Info() : Recorded("info") {}
    bool getCompanyName(ISafeStringW* out) override { out->assignString(L"Co"); return true; }
    bool getTitle(ISafeStringW* out) override { out->assignString(L"Title"); return true; }
    bool getProductName(ISafeStringW* out) override { out->assignString(L"Prod"); return true; }
};
struct Factory final : Object<IGameModuleFactory, Factory> {
    Factory() : Recorded("factory") {}
    IApplicationInfo* createApplicationInfo(const WideChar*, int) override { return new Info; }
    IGameModule* createGameModule(IXmlReader*, const WideChar*, int, WindowHandle, bool fullScreen, IApplicationInfo*,
                                  ISafeStringW*) override {
        note(fullScreen ? "create module full screen" : "create module windowed");
        return new Module;
    }
};
// A real parsed document that notes its destruction.
struct Document final : IXmlReader {
    Document(const char* text, std::string name) : parser(text, nullptr, nullptr), name(std::move(name)) {}
    void* queryInterface(uint32_t) override { return nullptr; }
    void* destroy(unsigned) override {
        note("destroy " + name);
        delete this;
        return nullptr;
    }
    IXmlReaderNode* getRoot() override { return parser.getRoot(); }
    CXmlParser parser;
    std::string name;
};

struct Fake final : host::LaunchSystem {
    std::wstring moduleFolder() override {
        if (script.pathTooLong) throw std::runtime_error("path is too long");
        return L"C:\\game\\bin";
    }
    std::wstring fullPath(const std::wstring& path) override { return path; }
    HMODULE loadModuleLibrary() override { return reinterpret_cast<HMODULE>(this); }
    IGameModuleFactory* createFactory(HMODULE) override { return new Factory; }
    void freeModuleLibrary(HMODULE) override { note("free library"); }
    bool isFirstRun(const std::wstring&) override { return script.firstRun && !utilityRan; }
    win::ScopedKernelHandle startConfigUtil(const std::wstring&) override {
        note("start utility");
        utilityRan = true;
        return win::ScopedKernelHandle(CreateEventW(nullptr, TRUE, TRUE, nullptr));
    }
    bool waitForProcess(HANDLE) override { return script.waitWorks; }
    std::optional<std::wstring> commonAppDataFolder() override { return script.commonData ? std::optional(std::wstring(L"C:\\all")) : std::nullopt; }
    std::optional<std::wstring> documentsFolder() override { return script.documents ? std::optional(std::wstring(L"C:\\docs")) : std::nullopt; }
    void setCrashReportPaths(const std::wstring&, const std::wstring&) override { note("crash paths"); }
    IXmlReader* loadDocument(const std::wstring&, const std::wstring&, const std::wstring&, const wchar_t* name) override {
        const bool config = std::wstring(name) == L"config.xml";
        return new Document(config ? "<Config><Script><Init name='intro'/></Script></Config>" : "<Game/>",
                            config ? "config" : "game");
    }
    int createGameWindow(bool) override { return script.window; }
    WindowHandle mainWindow() override { return nullptr; }
    void setWindowText(const std::wstring&) override { note("title"); }
    void confineCursor() override { note("confine"); }

    bool utilityRan = false;
};

struct Outcome {
    int exitCode;
    std::wstring text;
    std::string events;
};

Outcome launch(Script row) {
    host::state = host::State{};
    host::state.gameRunningFlag = row.runningFlag;
    script = std::move(row);
    events.clear();
    Fake fake;
    std::wstring text;
    const int exitCode = host::runLaunch(fake, text);
    return {exitCode, text, events};
}

const std::string kPrepared = "factory, info, crash paths, title, create module windowed, module";
const std::string kRun = "confine, run intro, run, destroy game, run-released, module-released, free library";
const std::string kReleased = "info-released, factory-released";

// The rows that a real run under Wine cannot produce (shell folders missing, a failed wait, a
// failed window, a path too long), and the whole release order of a complete run; the others are
// run for real with game.exe.
TEST(Launch, FailuresWineCannotProduceEndAndReleaseInOrder) {
    const struct { Script script; int exitCode; const wchar_t* text; std::string events; } cases[] = {
        {{}, 7, L"", kPrepared + ", destroy config, " + kReleased + ", " + kRun},
        {[] { Script s; s.firstRun = true; s.waitWorks = false; return s; }(), 0, L"",
         "factory, info, start utility, " + kReleased + ", free library"},
        {[] { Script s; s.commonData = false; return s; }(), 0, L"Cannot get path to application data folder",
         "factory, info, " + kReleased + ", free library"},
        {[] { Script s; s.documents = false; return s; }(), 0, L"Cannot get path to 'My Documents' folder",
         "factory, info, " + kReleased + ", free library"},
        {[] { Script s; s.window = false; return s; }(), 0, L"",
         "factory, info, crash paths, destroy config, " + kReleased + ", free library"},
        {[] { Script s; s.pathTooLong = true; return s; }(), 0, L"path is too long", ""},
        // "Game running" goes to the module's log, when it has one.
        {[] { Script s; s.runningFlag = host::GameRunning::classRegistered; return s; }(), 7, L"",
         kPrepared + ", log Game running 1, destroy config, " + kReleased + ", " + kRun},
        {[] { Script s; s.runningFlag = host::GameRunning::classRegistered; s.log = false; return s; }(), 7, L"",
         kPrepared + ", destroy config, " + kReleased + ", " + kRun},
    };
    for (const auto& c : cases) {
        const Outcome outcome = launch(c.script);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.events;
        EXPECT_EQ(outcome.text, c.text) << c.events;
        EXPECT_EQ(outcome.events, c.events);
    }
    // The title is replaced before the shell folders are asked for: a later failure's box carries it.
    launch([] { Script s; s.documents = false; return s; }());
    EXPECT_EQ(host::state.applicationTitle, L"Title");
}

}  // namespace
