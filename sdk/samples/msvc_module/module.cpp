// A game module as a studio's MSVC build makes it: compiled for MSVC's ABI against the boundary
// headers alone, with no C or C++ runtime, its objects ended by C++ virtual destructors. Its
// "game" walks game.xml through every node slot and writes what it saw into the file that
// config.xml names, so that the tests can compare it with the same walk built by the host's
// compiler.

#include <stdint.h>

#include "boundary/game_module.h"
#include "file_sink.h"
#include "line_writer.h"
#include "live_count.h"
#include "node_walk.h"
#include "received_string.h"
#include "text_buffer.h"

namespace {

const wchar_t kCompany[] = L"Gamehost Samples";
const wchar_t kTitle[] = L"Node walk \u2013 an MSVC-ABI module";
const wchar_t kProduct[] = L"NodeWalk";

// The host's error string answers as a safe string and as nothing else; one that does not is
// not trusted with a message.
bool isSafeString(ISafeStringW* error) {
    return error && error->queryInterface(kSafeStringWId) == error && !error->queryInterface(kXmlReaderNodeId);
}

// Through the counted slot, so that the count crosses the boundary too.
template <class Result>
Result* fail(ISafeStringW* error, const wchar_t* message) {
    error->assign(message, textLength(message));
    return nullptr;
}

class WalkInfo final : public IApplicationInfo {
public:
    void* queryInterface(uint32_t) override { return nullptr; }
    void release() override { delete this; }
    bool getCompanyName(ISafeStringW* out) override {
        out->assignString(kCompany);
        return true;
    }
    bool getTitle(ISafeStringW* out) override {
        out->assign(kTitle, textLength(kTitle));
        return true;
    }
    bool getProductName(ISafeStringW* out) override {
        out->assignString(kProduct);
        return true;
    }

private:
    LiveCount live;
};

// Keeps what the host logs, to put it at the head of the walk.
class WalkLog final : public IGameLog {
public:
    void* queryInterface(uint32_t) override { return nullptr; }
    void release() override {}  // lent to the host; the module ends it
    void logMessage(const char* text, int level) override {
        LineWriter<WalkLog> line(*this);
        line.text("log ").number(static_cast<int32_t>(level)).text(" ").quotedOrNull(text).endLine();
    }

    void write(const char* bytes, uint32_t count) { lines.append(bytes, count); }
    const char* chars() const { return lines.chars(); }
    uint32_t length() const { return lines.length(); }

private:
    TextBuffer<char> lines;
    LiveCount live;
};

class WalkRun final : public IGameRun {
public:
    explicit WalkRun(int exitCode) : exitCode(exitCode) {}
    void* queryInterface(uint32_t) override { return nullptr; }
    void release() override { delete this; }
    int getExitCode() override { return exitCode; }

private:
    int exitCode;
    LiveCount live;
};

class WalkModule final : public IGameModule {
public:
    WalkModule(const ReceivedW& file, int exitCode) : exitCode(exitCode) { walkFile.assign(file.chars(), file.length()); }
    void* queryInterface(uint32_t) override { return nullptr; }
    void release() override { delete this; }
    IGameLog* getLog() override { return &log; }

    IGameRun* run(const WideChar* initialScript, IXmlReaderNode* gameRoot, ISafeStringW* error) override {
        if (!isSafeString(error)) return nullptr;
        if (!gameRoot) return fail<IGameRun>(error, L"There is no game.xml to walk");
        FileSink sink(walkFile.chars());
        if (!sink.isOpen()) {
            error->assignString(L"The walk file cannot be created");
            return nullptr;
        }
        LineWriter<FileSink> head(sink);
        head.text("script ").quotedOrNull(initialScript).endLine();
        sink.write(log.chars(), log.length());
        walkNodes(gameRoot, sink);
        if (!sink.close()) {
            error->assignString(L"The walk file could not be written");
            return nullptr;
        }
        return new WalkRun(exitCode);
    }

private:
    TextBuffer<wchar_t> walkFile;
    int exitCode;
    WalkLog log;
    LiveCount live;
};

class WalkFactory final : public IGameModuleFactory {
public:
    void* queryInterface(uint32_t) override { return nullptr; }
    void release() override { delete this; }

    IApplicationInfo* createApplicationInfo(const WideChar*, int) override { return new WalkInfo; }

    // Copies what it needs out of config.xml, whose nodes die when this returns.
    IGameModule* createGameModule(IXmlReader* config, const WideChar*, int, WindowHandle, bool, IApplicationInfo*,
                                  ISafeStringW* error) override {
        if (!isSafeString(error)) return nullptr;
        IXmlReaderNode* root = config && config->queryInterface(kXmlReaderId) == config ? config->getRoot() : nullptr;
        if (!root) return fail<IGameModule>(error, L"config.xml is not a readable document");
        IXmlReaderNode* walk = root->findChild(L"Walk", true);
        ReceivedW file;
        if (!walk || !walk->getAttributeString(walk->findAttribute(L"file", true), &file) || !file.length())
            return fail<IGameModule>(error, L"config.xml names no Walk file");
        int32_t exitCode = 0;
        if (IXmlReaderNode* exit = root->findChild(L"ExitCode", true))
            exit->getAttributeLong(exit->findAttribute(L"value", true), &exitCode);
        return new WalkModule(file, exitCode);
    }

private:
    LiveCount live;
};

}  // namespace

extern "C" __declspec(dllexport) IGameModuleFactory* __stdcall createFactory() { return new WalkFactory; }
