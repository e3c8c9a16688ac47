#include "store/MacroFile.h"

#include "platform/Files.h"
#include "platform/Text.h"
#include "settings/Log.h"

#include <cstdio>
#include <cstring>

namespace {

uint8_t RotateRight2(uint8_t b) {
    return uint8_t((b >> 2) | (b << 6));
}

uint8_t RotateLeft2(uint8_t b) {
    return uint8_t((b << 2) | (b >> 6));
}

} // namespace

std::string EncodeMacroFile(const StMacro& macro) {
    std::string bytes(kMacroFileBytes, '\0');
    const auto* src = reinterpret_cast<const uint8_t*>(&macro);
    for (size_t i = 0; i < kMacroFileBytes; ++i)
        bytes[i] = char(RotateRight2(src[i]));
    return bytes;
}

bool DecodeMacroFile(std::string_view bytes, StMacro& out) {
    if (bytes.size() != kMacroFileBytes)
        return false;
    StMacro m;
    auto* dst = reinterpret_cast<uint8_t*>(&m);
    for (size_t i = 0; i < kMacroFileBytes; ++i)
        dst[i] = RotateLeft2(uint8_t(bytes[i]));
    if (m.dwMagicNumber != kMacroMagic)
        return false;
    if (text::FromField(m.szName, kMacroNameChars).size() == kMacroNameChars) {
        settings::WriteLog("macro 0x%x: name not terminated, cut to %d characters",
                           unsigned(m.dwID), kMacroNameChars - 1);
        m.szName[kMacroNameChars - 1] = u'\0';
    }
    out = m;
    return true;
}

bool ReadMacroFile(const std::u16string& path, StMacro& out) {
    platform::FilePtr f = platform::OpenFile(path, "rb");
    if (!f)
        return false;
    // One byte more than a macro tells a longer file from a macro.
    char buf[kMacroFileBytes + 1];
    const size_t n = std::fread(buf, 1, sizeof buf, f.get());
    return DecodeMacroFile(std::string_view(buf, n), out);
}

bool WriteMacroFile(const std::u16string& path, const StMacro& macro) {
    return platform::WriteWholeFile(path, EncodeMacroFile(macro));
}
