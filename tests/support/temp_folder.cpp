#include "support/temp_folder.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>

#include "xml/utf.h"

WideString widePath(const std::filesystem::path& path) {
#if defined(_WIN32)
    return path.wstring();
#else
    return xml::fromUtf8(path.string());
#endif
}

std::string readFile(const std::filesystem::path& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), {});
}

TempFolder::TempFolder() {
    static std::atomic<unsigned> serial{0};
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        folder = std::filesystem::temp_directory_path() /
                 ("gamehost-test-" + std::to_string(random()) + "-" + std::to_string(serial++));
        if (std::filesystem::create_directory(folder)) return;
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
}

WideString TempFolder::path(const std::string& relative) const {
    return widePath(relative.empty() ? folder : folder / std::filesystem::u8path(relative));
}

WideString TempFolder::write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path file = folder / std::filesystem::u8path(relative);
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
    return widePath(file);
}
