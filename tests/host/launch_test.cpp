// The launch's decisions against a recording fake of the system and of the game module: which
// text the player sees, and that every way out releases in the same order.

#include <stdexcept>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "host/first_run.h"
#include "host/launch_system.h"
#include "host/state.h"
#include "xml/parser.h"

namespace {

struct Fake;

// What the fake system and module do; each test changes one thing.
struct Script {
    bool library = true, factory = true, info = true, firstRun = false, configStarts = true, waitWorks = true;
    bool configuredAfterUtility = true, commonData = true, documents = true, window = true, module = true;
    bool runResult = true, log = true;
    int runningFlag = 0;  // the game running flag as the entry left it
    const char* config = "<Config><Script><Init name='intro'/></Script></Config>";
    const char* game = "<Game/>";
    bool pathTooLong = false;
    std::wstring moduleError, runError;
    int exitCode = 7;
};

struct Fake final : host::LaunchSystem {
    explicit Fake(Script script) : script(std::move(script)) {}

    void record(const std::string& event) { events.push_back(event); }

    template <class Interface>
    struct Object : Interface {
        Object(Fake& fake, std::string name) : fake(fake), name(std::move(name)) {}
        void* queryInterface(uint32_t) override { return nullptr; }
        void* destroy(unsigned) override { return this; }
        void release() override { fake.record("release " + name); }
        Fake& fake;
        std::string name;
    };
    struct Run : Object<IGameRun> {
        using Object::Object;
        int getExitCode() override { return fake.script.exitCode; }
    };
    struct Log : Object<IGameLog> {
        using Object::Object;
        void logMessage(const char* text, int level) override { fake.record("log " + std::string(text) + " " + std::to_string(level)); }
    };
    struct Module : Object<IGameModule> {
        using Object::Object;
        Log log{fake, "log"};
        IGameLog* getLog() override { return fake.script.log ? &log : nullptr; }
        IGameRun* run(const WideChar* script, IXmlReaderNode*, ISafeStringW* error) override {
            fake.record("run " + std::string(script, script + std::char_traits<wchar_t>::length(script)));
            error->assignString(fake.script.runError.c_str());
            return fake.script.runResult ? &fake.run : nullptr;
        }
    };
    struct Info : Object<IApplicationInfo> {
        using Object::Object;
        bool getCompanyName(ISafeStringW* out) override { out->assignString(L"Co"); return true; }
        bool getTitle(ISafeStringW* out) override { out->assignString(L"Title"); return true; }
        bool getProductName(ISafeStringW* out) override { out->assignString(L"Prod"); return true; }
    };
    struct Factory : Object<IGameModuleFactory> {
        using Object::Object;
        IApplicationInfo* createApplicationInfo(const WideChar*, int) override {
            return fake.script.info ? &fake.info : nullptr;
        }
        IGameModule* createGameModule(IXmlReader*, const WideChar*, int, WindowHandle, bool fullScreen, IApplicationInfo*,
                                      ISafeStringW* error) override {
            fake.record(fullScreen ? "create module full screen" : "create module windowed");
            error->assignString(fake.script.moduleError.c_str());
            return fake.script.module ? &fake.module : nullptr;
        }
    };
    // A real parsed document that records its destruction.
    struct Document final : IXmlReader {
        Document(Fake& fake, const char* text, std::string name) : fake(fake), parser(text, nullptr, nullptr), name(std::move(name)) {}
        void* queryInterface(uint32_t) override { return nullptr; }
        void* destroy(unsigned) override {
            fake.record("destroy " + name);
            delete this;
            return nullptr;
        }
        IXmlReaderNode* getRoot() override { return parser.getRoot(); }
        Fake& fake;
        CXmlParser parser;
        std::string name;
    };

    std::wstring moduleFolder() override {
        if (script.pathTooLong) throw std::runtime_error("path is too long");
        return L"C:\\game\\bin";
    }
    std::wstring fullPath(const std::wstring& path) override { return path; }
    void* loadModuleLibrary() override { return script.library ? this : nullptr; }
    IGameModuleFactory* createFactory(void*) override { return script.factory ? &factory : nullptr; }
    void freeModuleLibrary(void*) override { record("free library"); }
    bool isFirstRun(const std::wstring&) override { return script.firstRun && !(utilityRan && script.configuredAfterUtility); }
    bool startConfigUtil(const std::wstring&, void*&) override {
        record("start utility");
        utilityRan = true;
        return script.configStarts;
    }
    bool waitForProcess(void*) override { return script.waitWorks; }
    std::optional<std::wstring> commonAppDataFolder() override { return script.commonData ? std::optional(std::wstring(L"C:\\all")) : std::nullopt; }
    std::optional<std::wstring> documentsFolder() override { return script.documents ? std::optional(std::wstring(L"C:\\docs")) : std::nullopt; }
    void setCrashReportPaths(const std::wstring&, const std::wstring&) override { record("crash paths"); }
    IXmlReader* loadDocument(const std::wstring&, const std::wstring&, const std::wstring&, const wchar_t* name) override {
        const bool config = std::wstring(name) == L"config.xml";
        return new Document(*this, config ? script.config : script.game, config ? "config" : "game");
    }
    int createGameWindow(bool) override { return script.window; }
    WindowHandle mainWindow() override { return nullptr; }
    void setWindowText(const std::wstring&) override { record("title"); }
    void confineCursor() override { record("confine"); }

    Script script;
    std::vector<std::string> events;
    bool utilityRan = false;
    Factory factory{*this, "factory"};
    Info info{*this, "info"};
    Module module{*this, "module"};
    Run run{*this, "run"};
};

struct Outcome {
    int exitCode;
    std::wstring text;
    std::string events;
};

Outcome launch(Script script) {
    host::applicationTitle = L"Game";
    host::gameRunningFlag = script.runningFlag;
    Fake fake(std::move(script));
    std::wstring text;
    const int exitCode = host::runLaunch(fake, text);
    std::string events;
    for (const std::string& event : fake.events) events += (events.empty() ? "" : ", ") + event;
    return {exitCode, text, events};
}

const char* const kPrepared = "crash paths, title, create module windowed, destroy config, release info, release factory";

// The rows that a real run under Wine cannot produce (shell folders missing, a failed wait, a
// failed window, a path too long), and the whole release order of a complete run; the others are
// run for real with game.exe.
TEST(Launch, FailuresWineCannotProduceEndAndReleaseInOrder) {
    const char* const released = "release info, release factory, free library";
    const struct { Script script; int exitCode; const wchar_t* text; std::string events; } cases[] = {
        {{}, 7, L"", std::string(kPrepared) + ", confine, run intro, destroy game, release run, release module, free library"},
        {[] { Script s; s.firstRun = true; s.waitWorks = false; return s; }(), 0, L"", std::string("start utility, ") + released},
        {[] { Script s; s.commonData = false; return s; }(), 0, L"Cannot get path to application data folder", released},
        {[] { Script s; s.documents = false; return s; }(), 0, L"Cannot get path to 'My Documents' folder", released},
        {[] { Script s; s.window = false; return s; }(), 0, L"", std::string("crash paths, destroy config, ") + released},
        {[] { Script s; s.pathTooLong = true; return s; }(), 0, L"path is too long", ""},
        // "Game running" goes to the module's log, when it has one.
        {[] { Script s; s.runningFlag = 1; return s; }(), 7, L"",
         "crash paths, title, create module windowed, log Game running 1, destroy config, release info, release factory, "
         "confine, run intro, destroy game, release run, release module, free library"},
        {[] { Script s; s.runningFlag = 1; s.log = false; return s; }(), 7, L"",
         std::string(kPrepared) + ", confine, run intro, destroy game, release run, release module, free library"},
    };
    for (const auto& c : cases) {
        const Outcome outcome = launch(c.script);
        EXPECT_EQ(outcome.exitCode, c.exitCode) << c.events;
        EXPECT_EQ(outcome.text, c.text) << c.events;
        EXPECT_EQ(outcome.events, c.events);
    }
    // The title is replaced before the shell folders are asked for: a later failure's box carries it.
    launch([] { Script s; s.documents = false; return s; }());
    EXPECT_EQ(host::applicationTitle, L"Title");
}

TEST(FirstRun, CommandLineOfTheUtility) {
    EXPECT_EQ(host::configUtilCommandLine(L"C:\\g\\bin", true), L"\"C:\\g\\bin\\config.exe\" /autodetect");
    EXPECT_EQ(host::configUtilCommandLine(L"C:\\g\\bin", false), L"\"C:\\g\\bin\\config.exe\"");
    EXPECT_EQ(host::configUtilCommandLine(L"C:\\g\\bin", true).size() - host::configUtilCommandLine(L"C:\\g\\bin", false).size(), 12u);
}

}  // namespace
