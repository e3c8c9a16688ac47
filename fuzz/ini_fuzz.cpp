// The profile-string reader on arbitrary bytes: decoding, parsing and lookups.

#include "settings/IniFile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    settings::IniFile ini = settings::IniFile::Parse(bytes);
    for (const char16_t* key : {u"Debug", u"Title", u"DPI", u"K1_1", u""}) {
        for (const char16_t* section : {u"OPT", u"SENSOR_1", u""}) {
            ini.GetString(section, key, u"fallback", 40);
            ini.GetString(section, key, u"", 1);
            ini.GetInt(section, key, 7);
        }
    }
    return 0;
}
