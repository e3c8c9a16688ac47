#include "settings/IniFile.h"

#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/Text.h"

namespace settings {
namespace {

// Blanks as the profile functions see them (Ctrl-Z counts: old DOS files end with it).
bool IsBlank(char16_t c) {
    return c == u' ' || (c >= u'\t' && c <= u'\r') || c == 0x1A;
}

std::u16string_view Trim(std::u16string_view s) {
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

// A value in matching quotes loses them.
std::u16string StripQuotes(std::u16string_view v) {
    if (v.size() >= 2 && (v.front() == u'"' || v.front() == u'\'') && v.back() == v.front())
        return std::u16string(v.substr(1, v.size() - 2));
    return std::u16string(v);
}

bool IsValidUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned char b = static_cast<unsigned char>(bytes[i]);
        int extra = text::Utf8TrailBytes(b);
        if (extra < 0 || i + size_t(extra) >= bytes.size())
            return false;
        for (int k = 1; k <= extra; ++k)
            if ((static_cast<unsigned char>(bytes[i + k]) & 0xC0) != 0x80)
                return false;
        i += size_t(extra) + 1;
    }
    return true;
}

std::u16string Decode(std::string_view bytes) {
    auto starts = [&](std::string_view bom) { return bytes.substr(0, bom.size()) == bom; };
    if (starts("\xEF\xBB\xBF"))
        return text::FromUtf8(bytes.substr(3));
    if (starts("\xFF\xFE") || starts("\xFE\xFF")) {
        bool big = bytes[0] == '\xFE';
        std::u16string out;
        for (size_t i = 2; i + 1 < bytes.size(); i += 2) {
            auto lo = static_cast<unsigned char>(bytes[i + (big ? 1 : 0)]);
            auto hi = static_cast<unsigned char>(bytes[i + (big ? 0 : 1)]);
            out += char16_t(lo | hi << 8);
        }
        return out;
    }
    if (IsValidUtf8(bytes))
        return text::FromUtf8(bytes);
    std::u16string out;
    if (!platform::CodePageToUtf16(platform::AnsiCodePage(), bytes, out))
        out = text::Widen(bytes);
    return out;
}

} // namespace

IniFile IniFile::Load(const std::u16string& path) {
    auto bytes = platform::ReadWholeFile(path);
    return bytes ? Parse(*bytes) : IniFile{};
}

IniFile IniFile::Parse(std::string_view bytes) {
    return ParseText(Decode(bytes));
}

IniFile IniFile::ParseText(std::u16string_view text) {
    IniFile ini;
    // Keys before the first section belong to a section without a name.
    ini.m_sections.push_back({});
    size_t pos = 0;
    while (pos < text.size()) {
        size_t end = text.find_first_of(u"\r\n", pos);
        if (end == std::u16string_view::npos)
            end = text.size();
        std::u16string_view line = Trim(text.substr(pos, end - pos));
        pos = end + 1;
        if (line.empty() || line.front() == u';')
            continue;
        if (line.front() == u'[') {
            size_t close = line.rfind(u']');
            if (close != std::u16string_view::npos) {
                ini.m_sections.push_back({std::u16string(Trim(line.substr(1, close - 1))), {}});
                continue;
            }
            // A header without ']' reads as a key line, like Windows does.
        }
        Entry entry;
        size_t eq = line.find(u'=');
        if (eq == std::u16string_view::npos) {
            entry.key = std::u16string(line);
        } else {
            entry.key = std::u16string(Trim(line.substr(0, eq)));
            entry.value = StripQuotes(Trim(line.substr(eq + 1)));
        }
        ini.m_sections.back().entries.push_back(std::move(entry));
    }
    return ini;
}

const IniFile::Entry* IniFile::FindEntry(std::u16string_view section,
                                         std::u16string_view key) const {
    section = Trim(section);
    key = Trim(key);
    // Only the first section of a name is searched, and in it the first key.
    for (const Section& s : m_sections) {
        if (!text::EqualsIgnoreAsciiCase(s.name, section))
            continue;
        for (const Entry& e : s.entries)
            if (text::EqualsIgnoreAsciiCase(e.key, key))
                return &e;
        return nullptr;
    }
    return nullptr;
}

std::optional<std::u16string> IniFile::Find(std::u16string_view section,
                                            std::u16string_view key) const {
    const Entry* e = FindEntry(section, key);
    if (!e)
        return std::nullopt;
    return e->value;
}

std::u16string IniFile::GetString(std::u16string_view section, std::u16string_view key,
                                  std::u16string_view fallback, size_t capacity) const {
    if (capacity == 0)
        return {};
    std::optional<std::u16string> value = Find(section, key);
    std::u16string out = value ? *value : std::u16string(Trim(fallback));
    if (out.size() > capacity - 1)
        out.resize(capacity - 1);
    return out;
}

uint32_t ParseProfileInt(std::u16string_view v) {
    size_t i = 0;
    while (i < v.size() && v[i] <= u' ')
        ++i;
    bool minus = false;
    if (i < v.size() && (v[i] == u'+' || v[i] == u'-'))
        minus = v[i++] == u'-';
    uint32_t base = 10;
    if (i + 1 < v.size() && v[i] == u'0' && v[i + 1] == u'x') {
        base = 16;
        i += 2;
    }
    uint32_t total = 0;
    for (; i < v.size(); ++i) {
        char16_t c = v[i];
        uint32_t digit = c >= u'0' && c <= u'9'   ? c - u'0'
                         : c >= u'a' && c <= u'z' ? c - u'a' + 10
                         : c >= u'A' && c <= u'Z' ? c - u'A' + 10
                                                  : 99;
        if (digit >= base)
            break;
        total = total * base + digit;
    }
    return minus ? 0u - total : total;
}

uint32_t IniFile::GetInt(std::u16string_view section, std::u16string_view key,
                         uint32_t fallback) const {
    // Windows reads the value into a 30-character buffer before converting it.
    std::u16string value = GetString(section, key, u"", 30);
    return value.empty() ? fallback : ParseProfileInt(value);
}

} // namespace settings
