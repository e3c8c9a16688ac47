// A whole start-up's settings from an arbitrary cfg.ini: every OPT key, the
// sensor sections and the derived layout.

#include "FuzzTempDir.h"
#include "model/InitData.h"
#include "platform/MessageBox.h"
#include "platform/Text.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::filesystem::path dir = [] {
        platform::SetMessageBoxSink([](const std::u16string&, const std::u16string&) {});
        return OwnFuzzDir("tarvel-settings-fuzz");
    }();
    std::ofstream(dir / "cfg.ini", std::ios::binary | std::ios::trunc)
        .write(reinterpret_cast<const char*>(data), std::streamsize(size));
    settings::InitData(text::FromUtf8(dir.string() + "/"));
    return 0;
}
