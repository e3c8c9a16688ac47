// A whole start-up's settings from an arbitrary cfg.ini: every OPT key, the
// sensor sections and the derived layout.

#include "platform/MessageBox.h"
#include "platform/Text.h"
#include "settings/InitData.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path dir = [] {
        platform::SetMessageBoxSink([](const std::u16string&, const std::u16string&) {});
        auto d = std::filesystem::temp_directory_path() /
                 ("tarvel-settings-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        return d;
    }();
    std::ofstream(dir / "cfg.ini", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    settings::InitData(text::FromUtf8(dir.string() + "/"));
    return 0;
}
