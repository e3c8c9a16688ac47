#pragma once
// Whole-file reading and writing by UTF-16 path.

#include <cstdint>
#include <cstdio>
#include <memory>
#include <optional>
#include <string>

namespace platform {

struct FileCloser {
    void operator()(FILE* f) const {
        if (f)
            std::fclose(f);
    }
};
using FilePtr = std::unique_ptr<FILE, FileCloser>;

// fopen with a UTF-16 path; `mode` as for fopen ("rb", "ab", ...).
FilePtr OpenFile(const std::u16string& path, const char* mode);

// The file's bytes, or nothing when it cannot be opened or read, or holds
// more than `maxBytes`.
std::optional<std::string> ReadWholeFile(const std::u16string& path, size_t maxBytes = SIZE_MAX);

// Writes `bytes` to a temporary file beside `path`, flushes it and moves it
// over `path`, so a crash never leaves a half-written file.
bool WriteWholeFile(const std::u16string& path, const std::string& bytes);

bool FileExists(const std::u16string& path);
bool RemoveFile(const std::u16string& path);

} // namespace platform
