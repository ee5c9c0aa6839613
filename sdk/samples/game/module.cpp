// The sample game module "Orbit": what the host creates and drives through the game module
// protocol. Every object here belongs to the host once returned and ends with release(); the
// log is only lent. Nothing is kept from "config.xml": its nodes die after createGameModule.

#include <cstdint>
#include <exception>
#include <string>

#include <windows.h>
#include <shlobj.h>

#include "boundary/csafe_string.h"
#include "boundary/game_module.h"
#include "live_counts.h"
#include "scene.h"
#include "win/scoped_handle.h"
#include "xml/files.h"
#include "xml/parser.h"

namespace {

// Appends lines to a file; a log that cannot be opened drops what it is given.
class FileLog final : public IGameLog, LiveObject {
public:
    explicit FileLog(const std::wstring& path)
        : file(CreateFileW(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)) {}

    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override {}  // lent, never owned by the host
    void logMessage(const char* text, int level) override {
        const std::string line = "[" + std::to_string(level) + "] " + text + "\r\n";
        DWORD written;
        if (file) WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr);
    }

private:
    win::ScopedFileHandle file;
};

class OrbitRun final : public IGameRun, LiveObject {
public:
    explicit OrbitRun(int exitCode) : exitCode(exitCode) {}
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override { destroy(kDestroyFree); }
    int getExitCode() override { return exitCode; }

private:
    int exitCode;
};

struct Settings {
    std::int32_t width = 800;
    std::int32_t height = 600;
    float demoSeconds = 0;  // 0: runs until the player quits
    std::int32_t demoExitCode = 0;
    bool demoCrash = false;  // crash on purpose when the demo time is over, to show a crash report
};

// Writes through a null pointer, with a few locals around, so that the host's crash report has
// something to show.
volatile std::uintptr_t nowhere = 0;  // read at run time: a constant null store would be optimised away

__attribute__((noinline)) void crashOnPurpose(const Scene& scene, float time) {
    const int shapes = static_cast<int>(scene.shapes.size());
    const char* reason = "the demo asked for a crash";
    *reinterpret_cast<volatile int*>(nowhere) = shapes + static_cast<int>(time) + (reason != nullptr);
}

class OrbitModule final : public IGameModule, LiveObject {
public:
    OrbitModule(const Settings& settings, HWND window, bool fullScreen, const std::wstring& logPath)
        : settings(settings), window(window), fullScreen(fullScreen), log(logPath) {}

    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override { destroy(kDestroyFree); }
    IGameLog* getLog() override { return &log; }

    IGameRun* run(const WideChar* initialScript, IXmlReaderNode* gameRoot, ISafeStringW* error) override {
        Scene scene;
        if (!gameRoot || !loadScene(*gameRoot, initialScript, scene)) {
            error->assignString((L"There is no scene named '" + std::wstring(initialScript) + L"' in game.xml").c_str());
            return nullptr;
        }
        log.logMessage("scene started", 1);
        placeWindow();
        const int exitCode = loop(scene);
        log.logMessage("game ended", 1);
        return new OrbitRun(exitCode);
    }

private:
    void placeWindow() {
        if (fullScreen) {
            SetWindowPos(window, HWND_TOPMOST, 0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), SWP_SHOWWINDOW);
            return;
        }
        RECT frame{0, 0, settings.width, settings.height};
        AdjustWindowRectEx(&frame, static_cast<DWORD>(GetWindowLongW(window, GWL_STYLE)), FALSE,
                           static_cast<DWORD>(GetWindowLongW(window, GWL_EXSTYLE)));
        SetWindowPos(window, nullptr, 40, 40, frame.right - frame.left, frame.bottom - frame.top, SWP_NOZORDER | SWP_SHOWWINDOW);
    }

    // Pumps the window's messages and draws about 60 frames a second until the window is
    // closed (the host's window procedure posts the quit message), Escape is pressed, or the
    // demo time is over.
    int loop(Scene& scene) {
        LARGE_INTEGER frequency, start, previous;
        QueryPerformanceFrequency(&frequency);
        QueryPerformanceCounter(&start);
        previous = start;
        for (;;) {
            MSG message;
            while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) {
                if (message.message == WM_QUIT) return 0;
                if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) DestroyWindow(window);
                TranslateMessage(&message);
                DispatchMessageW(&message);
            }
            LARGE_INTEGER now;
            QueryPerformanceCounter(&now);
            const float time = static_cast<float>(now.QuadPart - start.QuadPart) / frequency.QuadPart;
            if (settings.demoSeconds > 0 && time >= settings.demoSeconds) {
                if (settings.demoCrash) crashOnPurpose(scene, time);
                return settings.demoExitCode;
            }
            RECT client;
            GetClientRect(window, &client);
            advance(scene, static_cast<float>(now.QuadPart - previous.QuadPart) / frequency.QuadPart, client.right, client.bottom);
            previous = now;
            present(scene, client.right, client.bottom, time);
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 15, QS_ALLINPUT);
        }
    }

    // Draws off screen, then copies the frame in one go so that nothing flickers.
    void present(const Scene& scene, int width, int height, float time) {
        if (width <= 0 || height <= 0) return;
        const HDC screen = GetDC(window);
        const HDC memory = CreateCompatibleDC(screen);
        const HBITMAP frame = CreateCompatibleBitmap(screen, width, height);
        const HGDIOBJ old = SelectObject(memory, frame);
        draw(scene, memory, width, height, time);
        BitBlt(screen, 0, 0, width, height, memory, 0, 0, SRCCOPY);
        SelectObject(memory, old);
        DeleteObject(frame);
        DeleteDC(memory);
        ReleaseDC(window, screen);
    }

    Settings settings;
    HWND window;
    bool fullScreen;
    FileLog log;
};

class OrbitInfo final : public IApplicationInfo, LiveObject {
public:
    OrbitInfo(std::wstring company, std::wstring title, std::wstring product)
        : company(std::move(company)), title(std::move(title)), product(std::move(product)) {}
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override { destroy(kDestroyFree); }
    bool getCompanyName(ISafeStringW* out) override { return give(company, out); }
    bool getTitle(ISafeStringW* out) override { return give(title, out); }
    bool getProductName(ISafeStringW* out) override { return give(product, out); }

private:
    static bool give(const std::wstring& text, ISafeStringW* out) {
        out->assignString(text.c_str());
        return true;
    }
    std::wstring company, title, product;
};

std::wstring childText(IXmlReaderNode& node, const wchar_t* name) {
    const wchar_t* text = node.getChildText(name);
    return text ? text : L"";
}

// The log goes to "My Games\<product>" under the user's documents, or beside the module.
std::wstring logPath(IApplicationInfo* info, const wchar_t* moduleFolder) {
    std::wstring product;
    CSafeStringW out(product);
    if (info) info->getProductName(&out);
    wchar_t documents[MAX_PATH];
    if (!product.empty() && SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_PERSONAL, nullptr, 0, documents))) {
        std::wstring folder = std::wstring(documents) + L"\\My Games";
        CreateDirectoryW(folder.c_str(), nullptr);
        folder += L"\\" + product;
        if (CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS) return folder + L"\\game.log";
    }
    return std::wstring(moduleFolder ? moduleFolder : L".") + L"\\game.log";
}

template <class T>
void readSetting(IXmlReaderNode& root, const wchar_t* element, const wchar_t* attribute,
                 bool (IXmlReaderNode::*get)(std::int32_t, T*), T& value) {
    if (IXmlReaderNode* node = root.findChild(element, false)) (node->*get)(node->findAttribute(attribute, false), &value);
}

class OrbitFactory final : public IGameModuleFactory, LiveObject {
public:
    void* queryInterface(std::uint32_t) override { return nullptr; }
    void* destroy(unsigned int flags) override { return destroyObject(this, flags); }
    void release() override { destroy(kDestroyFree); }

    IApplicationInfo* createApplicationInfo(const WideChar* infoPath, int) override {
        try {
            const FileToMemory file(infoPath);
            CXmlParser document(file.getData(), nullptr, L"info.xml");
            IXmlReaderNode& root = *document.getRoot();
            return new OrbitInfo(childText(root, L"Company"), childText(root, L"Title"), childText(root, L"Product"));
        } catch (const std::exception&) {
            return nullptr;
        }
    }

    IGameModule* createGameModule(IXmlReader* config, const WideChar* moduleFolder, int, WindowHandle window,
                                  bool fullScreen, IApplicationInfo* info, ISafeStringW* error) override {
        if (!config || !window) {
            error->assignString(L"The game needs its configuration and a window");
            return nullptr;
        }
        Settings settings;
        IXmlReaderNode& root = *config->getRoot();
        readSetting(root, L"Window", L"width", &IXmlReaderNode::getAttributeLong, settings.width);
        readSetting(root, L"Window", L"height", &IXmlReaderNode::getAttributeLong, settings.height);
        readSetting(root, L"Demo", L"seconds", &IXmlReaderNode::getAttributeFloat, settings.demoSeconds);
        readSetting(root, L"Demo", L"exitCode", &IXmlReaderNode::getAttributeLong, settings.demoExitCode);
        readSetting(root, L"Demo", L"crash", &IXmlReaderNode::getAttributeBool, settings.demoCrash);
        try {
            return new OrbitModule(settings, window, fullScreen, logPath(info, moduleFolder));
        } catch (const std::exception&) {
            error->assignString(L"Out of memory");
            return nullptr;
        }
    }
};

}  // namespace

extern "C" IGameModuleFactory* __stdcall createFactory() {
    try {
        return new OrbitFactory;
    } catch (const std::exception&) {
        return nullptr;
    }
}
