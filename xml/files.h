#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>

#include "boundary/wide_string.h"
#include "xml/errors.h"

namespace xml {

struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

// Opens a file to read its bytes (binary mode, shared with other readers and writers). Null when
// it cannot be opened or names a folder.
FileHandle openFileForReading(const WideChar* fileName);

}  // namespace xml

// A whole file in one heap buffer with a zero byte after it, ready for the document parser.
// The bytes are the file's own, unchanged; a zero byte inside the file is kept and counted.
class FileToMemory {
public:
    class InitError : public gen_exception {
    public:
        using gen_exception::gen_exception;
    };

    // Opens the file read-only, reads it whole and closes it. A folder, or a file that cannot
    // be opened, gives InitError "error opening file \"NAME\"".
    explicit FileToMemory(const WideChar* fileName);
    // Reads the whole of an open stream; the caller keeps and closes it.
    explicit FileToMemory(std::FILE* stream);
    FileToMemory(const FileToMemory&) = delete;
    FileToMemory& operator=(const FileToMemory&) = delete;

    // Replaces the buffer with the whole content of `stream`, from its start. Throws InitError
    // "error reading file to memory" when the stream has no length or yields fewer bytes.
    void read(std::FILE* stream);

    const char* getData() const { return data.get(); }  // null until a read succeeded
    std::uint32_t getSize() const { return size; }      // bytes before the terminating zero

private:
    std::unique_ptr<char[]> data;
    std::uint32_t size = 0;
};
