#include "xml/files.h"

#include <exception>
#include <limits>
#include <string>

#if defined(_WIN32)
#include <stdio.h>
#else
#include <sys/stat.h>
#include <unistd.h>

#include <utf8cpp/utf8.h>

#include "xml/utf.h"
#endif

namespace xml {

FileHandle openFileForReading(const WideChar* fileName) {
#if defined(_WIN32)
    return FileHandle(_wfopen(fileName, L"rb"));
#else
    // POSIX takes file names as bytes: UTF-8, which a name with a lone surrogate cannot be.
    // Unlike Windows it also opens folders, which are refused so that both builds agree.
    std::string name;
    try {
        name = toUtf8(fileName);
    } catch (const utf8::exception&) {  // an allocation failure is no reason to call it unopenable
        return nullptr;
    }
    FileHandle file(std::fopen(name.c_str(), "rb"));
    struct stat status;
    if (file && (fstat(fileno(file.get()), &status) != 0 || S_ISDIR(status.st_mode))) file.reset();
    return file;
#endif
}

}  // namespace xml

FileToMemory::FileToMemory(const WideChar* fileName) {
    xml::FileHandle file = xml::openFileForReading(fileName);
    if (!file) throw InitError(widen("error opening file \"") + fileName + WideChar('"'));
    read(file.get());
}

FileToMemory::FileToMemory(std::FILE* stream) { read(stream); }

[[noreturn]] static void failRead() { throw FileToMemory::InitError(widen("error reading file to memory")); }

void FileToMemory::read(std::FILE* stream) {
#if !defined(_WIN32)
    // A regular file is read in one call from its start, at the length its status gives: half
    // the system calls of seeking through the stream, which a load of many small referenced
    // documents pays for each one.
    struct stat status;
    const int descriptor = fileno(stream);
    if (descriptor >= 0 && fstat(descriptor, &status) == 0 && S_ISREG(status.st_mode)) {
        if (status.st_size < 0 || static_cast<std::uint64_t>(status.st_size) >= std::numeric_limits<std::uint32_t>::max())
            failRead();
        const auto bytes = static_cast<std::size_t>(status.st_size);
        std::unique_ptr<char[]> buffer(new char[bytes + 1]);
        for (std::size_t done = 0; done < bytes;) {
            const ssize_t got = pread(descriptor, buffer.get() + done, bytes - done, static_cast<off_t>(done));
            if (got <= 0) failRead();
            done += static_cast<std::size_t>(got);
        }
        buffer[bytes] = 0;
        data = std::move(buffer);
        size = static_cast<std::uint32_t>(bytes);
        return;
    }
#endif
    // The length comes from the stream position; a stream without one, or longer than the
    // 32-bit size can count, cannot be held whole.
    if (std::fseek(stream, 0, SEEK_END) != 0) failRead();
    const long length = std::ftell(stream);
    if (length < 0 || static_cast<unsigned long>(length) >= std::numeric_limits<std::uint32_t>::max())
        failRead();
    const auto bytes = static_cast<std::size_t>(length);
    data.reset(new char[bytes + 1]);
    std::rewind(stream);
    if (std::fread(data.get(), 1, bytes, stream) != bytes) failRead();
    data[bytes] = 0;
    size = static_cast<std::uint32_t>(bytes);
}
