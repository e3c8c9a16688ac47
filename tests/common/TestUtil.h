#pragma once
// Small fixtures shared by the tests: temporary folders, files, recorded
// message boxes.

#include <filesystem>
#include <string>
#include <utility>
#include <vector>

namespace testutil {

// A fresh folder that is removed with everything in it at the end of the scope.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& Path() const { return m_path; }
    // The folder as the core takes it, with a trailing separator.
    std::u16string Dir() const;
    // Writes `bytes` to `name` inside the folder; returns its full path.
    std::u16string Write(const std::string& name, const std::string& bytes) const;
    std::u16string File(const std::string& name) const;

private:
    std::filesystem::path m_path;
};

// The source tree's product/ folder, with a trailing separator.
std::u16string ProductDir();

// Records every message box while alive (text, caption).
class MessageRecorder {
public:
    MessageRecorder();
    ~MessageRecorder();
    const std::vector<std::pair<std::u16string, std::u16string>>& Messages() const {
        return m_messages;
    }
    std::vector<std::string> Texts() const; // "caption: text" in UTF-8
    void Clear() { m_messages.clear(); }

private:
    std::vector<std::pair<std::u16string, std::u16string>> m_messages;
};

std::string ReadFileBytes(const std::filesystem::path& path);

} // namespace testutil
