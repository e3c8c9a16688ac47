#include "common/TestUtil.h"

#include "platform/MessageBox.h"
#include "platform/Text.h"

#include <atomic>
#include <chrono>
#include <fstream>
#include <sstream>

namespace testutil {

TempDir::TempDir() {
    static std::atomic<int> counter{0};
    auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
    m_path = std::filesystem::temp_directory_path() /
             ("tarvel-test-" + std::to_string(stamp) + "-" + std::to_string(counter++));
    std::filesystem::create_directories(m_path);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(m_path, ec);
}

std::u16string TempDir::Dir() const {
    std::u16string dir = m_path.u16string();
    dir += char16_t(std::filesystem::path::preferred_separator);
    return dir;
}

std::u16string TempDir::File(const std::string& name) const {
    return (m_path / name).u16string();
}

std::u16string TempDir::Write(const std::string& name, const std::string& bytes) const {
    std::ofstream out(m_path / name, std::ios::binary);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return File(name);
}

std::u16string ProductDir() {
    std::string dir = TARVEL_SOURCE_DIR "/product/";
#ifdef _WIN32
    // Wine maps the Unix root to drive Z:.
    if (!dir.empty() && dir[0] == '/')
        dir = "Z:" + dir;
    for (char& c : dir)
        if (c == '/')
            c = '\\';
#endif
    return text::FromUtf8(dir);
}

MessageRecorder::MessageRecorder() {
    platform::SetMessageBoxSink([this](const std::u16string& t, const std::u16string& c) {
        m_messages.emplace_back(t, c);
    });
}

MessageRecorder::~MessageRecorder() {
    platform::SetMessageBoxSink({});
}

std::vector<std::string> MessageRecorder::Texts() const {
    std::vector<std::string> out;
    for (const auto& [t, c] : m_messages)
        out.push_back(text::ToUtf8(c) + ": " + text::ToUtf8(t));
    return out;
}

std::string ReadFileBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace testutil
