#pragma once

#include <stdint.h>

#include "kernel32.h"

// A new file, written through a small buffer: the sink of the module's walk.
class FileSink {
public:
    explicit FileSink(const wchar_t* path)
        : file(CreateFileW(path, kGenericWrite, 0, nullptr, kCreateAlways, kFileAttributeNormal, nullptr)),
          failed(!isOpen()) {}
    ~FileSink() { close(); }
    FileSink(const FileSink&) = delete;
    FileSink& operator=(const FileSink&) = delete;

    bool isOpen() const { return file != invalidHandle(); }

    void write(const char* bytes, uint32_t count) {
        for (uint32_t i = 0; i < count; ++i) {
            if (used == sizeof buffer) flush();
            buffer[used++] = bytes[i];
        }
    }

    // Whether the file was made and every byte reached it.
    bool close() {
        if (isOpen()) {
            flush();
            CloseHandle(file);
            file = invalidHandle();
        }
        return !failed;
    }

private:
    void flush() {
        unsigned long written = 0;
        if (!WriteFile(file, buffer, used, &written, nullptr) || written != used) failed = true;
        used = 0;
    }

    void* file;
    char buffer[1024];
    uint32_t used = 0;
    bool failed;
};
