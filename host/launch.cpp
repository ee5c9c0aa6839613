#include "host/launch_system.h"

#include <exception>
#include <memory>
#include <type_traits>

#include "boundary/csafe_string.h"
#include "host/state.h"
#include "win/registry_path.h"
#include "xml/paths.h"
#include "xml/utf.h"

namespace host {
namespace {

struct Release {
    void operator()(IGeneric* object) const { object->release(); }
};
struct DestroyDocument {
    void operator()(IXmlReader* document) const { document->destroy(kDestroyFree); }
};

// A failure with a message for the player; an empty message ends the launch quietly.
struct LaunchFailure {
    std::wstring text;
};

// One launch. Its resources are members declared in the reverse order of their release, so
// that every way out tears down alike: the document, the application information, the factory,
// the game module, then the library.
class Launch {
public:
    explicit Launch(LaunchSystem& system) : system(system), library(nullptr, LibraryRelease{&system}) {}

    int run() {
        firstStage();
        return secondStage();
    }

private:
    struct LibraryRelease {
        LaunchSystem* system;
        void operator()(HMODULE library) const { system->freeModuleLibrary(library); }
    };

    // The full path of the data folder, "../../data" from the executable's folder.
    std::wstring fullDataFolder() const { return system.fullPath(xml::combinePath(moduleFolder, L"../../data")); }

    void firstStage() {
        moduleFolder = system.moduleFolder();
        library.reset(system.loadModuleLibrary());
        configPath = xml::combinePath(moduleFolder, L"../../data/config.xml");
        dataFolder = fullDataFolder();

        factory.reset(library ? system.createFactory(library.get()) : nullptr);
        if (!factory) throw LaunchFailure{L"Can't create game module factory"};
        info.reset(factory->createApplicationInfo(xml::combinePath(dataFolder, L"info.xml").c_str(), 0));
        if (!info) throw LaunchFailure{L"Error reading application information"};
        CSafeStringW out(company);
        info->getCompanyName(&out);
        out.retarget(state.applicationTitle);
        info->getTitle(&out);
        out.retarget(product);
        info->getProductName(&out);

        settleFirstRun(win::registryBasePath(company, product));

        const auto commonData = system.commonAppDataFolder();
        if (!commonData) throw LaunchFailure{L"Cannot get path to application data folder"};
        sharedDataFolder = xml::combinePath(*commonData, company + L"/" + product);
        const auto documents = system.documentsFolder();
        if (!documents) throw LaunchFailure{L"Cannot get path to 'My Documents' folder"};
        state.userFolder = xml::combinePath(*documents, L"My Games/" + product);
        system.setCrashReportPaths(xml::combinePath(state.userFolder, L"exception.txt"),
                                   xml::combinePath(state.userFolder, L"exception.dmp"));
    }

    // The configuration utility runs once, detecting the settings itself; the game goes on only
    // when it marked the game configured.
    void settleFirstRun(const std::wstring& registryPath) {
        if (!system.isFirstRun(registryPath)) return;
        win::ScopedKernelHandle process = system.startConfigUtil(moduleFolder);
        if (!process) throw LaunchFailure{L"Can't start configuration utility"};
        const bool ended = system.waitForProcess(process.get());
        process.reset();
        if (!ended) throw LaunchFailure{};
        if (system.isFirstRun(registryPath)) throw LaunchFailure{};
    }

    int secondStage() {
        try {
            document.reset(system.loadDocument(configPath, dataFolder, sharedDataFolder, L"config.xml"));
        } catch (const std::exception& error) {
            throw LaunchFailure{L"Error parsing config.xml: " + xml::readableText(error.what())};
        }
        IXmlReaderNode* root = document->getRoot();
        const std::wstring script = initialScriptName(*root);
        const bool fullScreen = root->findChildIndex(L"FullScreen", -1, false) != -1;
        if (!system.createGameWindow(fullScreen)) throw LaunchFailure{};
        system.setWindowText(state.applicationTitle);

        std::wstring moduleError;
        CSafeStringW out(moduleError);
        module.reset(factory->createGameModule(document.get(), moduleFolder.c_str(), 0, system.mainWindow(),
                                               fullScreen, info.get(), &out));
        if (!module) throw LaunchFailure{L"Can't create game module: " + moduleError};
        IGameLog* log = module->getLog();
        if (state.gameRunningFlag != GameRunning::checked && log) log->logMessage("Game running", 1);
        // The module may use these only while it is being created.
        document.reset();
        info.reset();
        factory.reset();

        const std::wstring gamePath = xml::combinePath(moduleFolder, L"../../data/game.xml");
        dataFolder = fullDataFolder();
        try {
            document.reset(system.loadDocument(gamePath, dataFolder, std::wstring(), L"game.xml"));
        } catch (const std::exception& error) {
            throw LaunchFailure{L"Error parsing game.xml: " + xml::readableText(error.what())};
        }
        system.confineCursor();

        moduleError.clear();
        std::unique_ptr<IGameRun, Release> result(module->run(script.c_str(), document->getRoot(), &out));
        if (!result) throw LaunchFailure{moduleError};
        document.reset();
        const int exitCode = result->getExitCode();
        result.reset();
        module.reset();
        library.reset();
        return exitCode;
    }

    // Script/Init@name of the configuration; empty when any piece is missing.
    static std::wstring initialScriptName(IXmlReaderNode& root) {
        std::wstring name;
        IXmlReaderNode* script = root.findChild(L"Script", false);
        IXmlReaderNode* init = script ? script->findChild(L"Init", false) : nullptr;
        if (init) {
            CSafeStringW out(name);
            init->getAttributeString(init->findAttribute(L"name", false), &out);
        }
        return name;
    }

    LaunchSystem& system;
    std::unique_ptr<std::remove_pointer_t<HMODULE>, LibraryRelease> library;
    std::unique_ptr<IGameModule, Release> module;
    std::unique_ptr<IGameModuleFactory, Release> factory;
    std::unique_ptr<IApplicationInfo, Release> info;
    std::unique_ptr<IXmlReader, DestroyDocument> document;
    std::wstring moduleFolder, configPath, dataFolder, company, product, sharedDataFolder;
};

}  // namespace

int runLaunch(LaunchSystem& system, std::wstring& errorText) {
    try {
        return Launch(system).run();
    } catch (const LaunchFailure& failure) {
        errorText = failure.text;
    } catch (const std::exception& error) {  // "path is too long", or no memory
        errorText = xml::readableText(error.what());
    }
    return 0;
}

}  // namespace host
