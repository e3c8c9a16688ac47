#include "platform/Files.h"

#include "platform/FilesImpl.h"

namespace platform {

std::optional<std::string> ReadWholeFile(const std::u16string& path, size_t maxBytes) {
    FilePtr f = OpenFile(path, "rb");
    if (!f)
        return std::nullopt;
    std::string bytes;
    char buf[16384];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
        if (n > maxBytes - bytes.size())
            return std::nullopt;
        bytes.append(buf, n);
    }
    if (std::ferror(f.get()))
        return std::nullopt;
    return bytes;
}

bool WriteWholeFile(const std::u16string& path, const std::string& bytes) {
    const std::u16string temp = path + u".tmp";
    {
        FilePtr f = OpenFile(temp, "wb");
        if (!f)
            return false;
        bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f.get()) == bytes.size();
        ok = std::fflush(f.get()) == 0 && ok;
        ok = FlushToDisk(f.get()) && ok;
        if (!ok) {
            f.reset();
            RemoveFile(temp);
            return false;
        }
    }
    if (!MoveFileOver(temp, path)) {
        RemoveFile(temp);
        return false;
    }
    return true;
}

bool FileExists(const std::u16string& path) {
    return OpenFile(path, "rb") != nullptr;
}

} // namespace platform
