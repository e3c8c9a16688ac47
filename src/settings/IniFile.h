#pragma once
// Reader for Windows initialisation files with the profile-string rules:
// section and key names compare without case, blanks around names and values
// are ignored, a value in matching quotes loses them, the first occurrence of
// a section and of a key in it counts, and lines starting with ';' are
// comments. The file is decoded from UTF-8 or UTF-16 (by byte-order mark), or
// UTF-8 when it is valid as such, else the system's ANSI code page.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

class IniFile {
public:
    // A missing or unreadable file reads as an empty one.
    static IniFile Load(const std::u16string& path);
    static IniFile Parse(std::string_view bytes);
    static IniFile ParseText(std::u16string_view text);

    // The value as GetPrivateProfileStringW gives it into a buffer of
    // `capacity` characters: quotes stripped, cut to capacity - 1 characters.
    // `fallback` when the key is absent or has no '='.
    std::u16string GetString(std::u16string_view section, std::u16string_view key,
                             std::u16string_view fallback, size_t capacity) const;

    // The raw value (quotes stripped, not cut); nothing when absent.
    std::optional<std::u16string> Find(std::u16string_view section, std::u16string_view key) const;

    // As GetPrivateProfileIntW: `fallback` when absent or empty; otherwise an
    // optional sign, then decimal digits or hexadecimal ones after "0x", up to
    // the first other character; wraps around in 32 bits.
    uint32_t GetInt(std::u16string_view section, std::u16string_view key, uint32_t fallback) const;

private:
    struct Entry {
        std::u16string key;
        std::optional<std::u16string> value; // none: a line without '='
    };
    struct Section {
        std::u16string name;
        std::vector<Entry> entries;
    };
    const Entry* FindEntry(std::u16string_view section, std::u16string_view key) const;

    std::vector<Section> m_sections;
};

// The integer reading of a profile value, on its own (see GetInt).
uint32_t ParseProfileInt(std::u16string_view value);

} // namespace settings
