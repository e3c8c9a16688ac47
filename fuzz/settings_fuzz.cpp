// A whole start-up's settings from an arbitrary cfg.ini: every OPT key, the
// sensor sections and the derived layout.

#include "FuzzTempDir.h"
#include "model/InitData.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path dir = [] {
        platform::SetMessageBoxSink([](const std::u16string&, const std::u16string&) {});
        auto d = FuzzTempDir() / ("tarvel-settings-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(d);
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(
                FuzzTempDir() / ("tarvel-settings-fuzz-" + std::to_string(getpid())), ec);
        });
        return d;
    }();
    std::ofstream(dir / "cfg.ini", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    settings::InitData(text::FromUtf8(dir.string() + "/"));
    return 0;
}
