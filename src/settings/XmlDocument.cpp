#include "settings/XmlDocument.h"

#include "platform/Files.h"
#include "platform/Platform.h"
#include "platform/Text.h"
#include "settings/XmlCharsets.h"
#include "settings/XmlEntities.h"

#include <algorithm>
#include <cstdint>
#include <iterator>
#include <optional>
#include <string>

namespace settings {

namespace {

constexpr unsigned kCodePageUtf8 = 65001;
constexpr unsigned kCodePageUtf16LE = 1200;
constexpr unsigned kCodePageUtf16BE = 1201;
constexpr unsigned kCodePageUtf32LE = 12000;
constexpr unsigned kCodePageUtf32BE = 12001;
constexpr unsigned kCodePageEucJp = 51932;
constexpr unsigned kCodePageEucJpWindows = 20932;

// Only this many bytes are looked at for a declared encoding.
constexpr size_t kDeclarationWindow = 1024;

// A malformed file could list a problem per character; the result keeps the
// first ones.
constexpr size_t kMaxProblems = 100;

// ---- 8-bit helpers for the encoding declaration ----

bool IsBlank8(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

char Lower8(char c) {
    return (c >= 'A' && c <= 'Z') ? char(c - 'A' + 'a') : c;
}

bool EqualsNoCase8(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Lower8(a[i]) != Lower8(b[i]))
            return false;
    return true;
}

bool StartsWithNoCase8(std::string_view s, size_t pos, std::string_view prefix) {
    return pos <= s.size() && s.size() - pos >= prefix.size() &&
           EqualsNoCase8(s.substr(pos, prefix.size()), prefix);
}

size_t FindNoCase8(std::string_view s, std::string_view what, size_t from = 0) {
    for (size_t i = from; i + what.size() <= s.size(); ++i)
        if (EqualsNoCase8(s.substr(i, what.size()), what))
            return i;
    return std::string_view::npos;
}

size_t SkipBlanks8(std::string_view s, size_t pos) {
    while (pos < s.size() && IsBlank8(s[pos]))
        ++pos;
    return pos;
}

// One attribute of a tag: name, then an optional "=" and a quoted or bare
// value. `pos` is moved past it. False at the end of the tag.
bool NextAttribute(std::string_view s, size_t& pos, std::string_view& name,
                   std::string_view& value) {
    pos = SkipBlanks8(s, pos);
    if (pos >= s.size() || s[pos] == '>' || s[pos] == '?' || s[pos] == '/')
        return false;
    size_t start = pos;
    while (pos < s.size() && !IsBlank8(s[pos]) && s[pos] != '=' && s[pos] != '>' && s[pos] != '/' &&
           s[pos] != '?')
        ++pos;
    name = s.substr(start, pos - start);
    value = {};
    size_t afterName = SkipBlanks8(s, pos);
    if (afterName >= s.size() || s[afterName] != '=')
        return true;
    pos = SkipBlanks8(s, afterName + 1);
    if (pos < s.size() && (s[pos] == '"' || s[pos] == '\'')) {
        char quote = s[pos];
        size_t end = s.find(quote, pos + 1);
        if (end == std::string_view::npos)
            return false;
        value = s.substr(pos + 1, end - pos - 1);
        pos = end + 1;
    } else {
        start = pos;
        while (pos < s.size() && !IsBlank8(s[pos]) && s[pos] != '>')
            ++pos;
        value = s.substr(start, pos - start);
    }
    return true;
}

// The charset after "charset=" in a Content-Type value such as
// "text/html; charset=gb2312".
std::string_view CharsetOfContentType(std::string_view content) {
    size_t at = FindNoCase8(content, "charset=");
    if (at == std::string_view::npos)
        return {};
    size_t start = SkipBlanks8(content, at + 8);
    size_t end = start;
    while (end < content.size() && !IsBlank8(content[end]) && content[end] != ';' &&
           content[end] != '"' && content[end] != '\'')
        ++end;
    return content.substr(start, end - start);
}

bool IsTagNameEnd8(std::string_view s, size_t pos) {
    return pos >= s.size() || IsBlank8(s[pos]) || s[pos] == '>' || s[pos] == '/';
}

// The charset of an html document's <meta http-equiv="Content-Type"
// content="...; charset=..."> up to the end of its head.
std::string HtmlMetaCharset(std::string_view s) {
    // The first element must be html; declarations, comments and processing
    // instructions before it are passed over.
    size_t pos = 0;
    for (;;) {
        pos = s.find('<', pos);
        if (pos == std::string_view::npos)
            return {};
        if (s.compare(pos, 4, "<!--") == 0) {
            pos = s.find("-->", pos + 4);
            if (pos == std::string_view::npos)
                return {};
            pos += 3;
        } else if (pos + 1 < s.size() && (s[pos + 1] == '!' || s[pos + 1] == '?')) {
            pos = s.find('>', pos);
            if (pos == std::string_view::npos)
                return {};
            ++pos;
        } else {
            break;
        }
    }
    if (!StartsWithNoCase8(s, pos + 1, "html") || !IsTagNameEnd8(s, pos + 5))
        return {};

    for (pos += 5; (pos = s.find('<', pos)) != std::string_view::npos;) {
        if (s.compare(pos, 4, "<!--") == 0) {
            pos = s.find("-->", pos + 4);
            if (pos == std::string_view::npos)
                return {};
            continue;
        }
        if (StartsWithNoCase8(s, pos + 1, "/head") && IsTagNameEnd8(s, pos + 6))
            return {};
        if (!StartsWithNoCase8(s, pos + 1, "meta") || !IsTagNameEnd8(s, pos + 5)) {
            ++pos;
            continue;
        }
        pos += 5;
        std::string_view name, value, httpEquiv, content;
        while (NextAttribute(s, pos, name, value)) {
            if (EqualsNoCase8(name, "http-equiv"))
                httpEquiv = value;
            else if (EqualsNoCase8(name, "content"))
                content = value;
        }
        if (EqualsNoCase8(httpEquiv, "content-type")) {
            std::string_view charset = CharsetOfContentType(content);
            if (!charset.empty())
                return std::string(charset);
        }
    }
    return {};
}

// ---- UTF-16 helpers for indexing ----

bool IsBlank(char16_t c) {
    return c == u' ' || c == u'\t' || c == u'\r' || c == u'\n';
}

bool IsNameStart(char16_t c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || c == u'_' || c == u':' ||
           c >= 0x80;
}

bool StartsAt(std::u16string_view s, size_t pos, std::u16string_view what) {
    return s.size() - pos >= what.size() && s.compare(pos, what.size(), what) == 0;
}

// Whether the "<" at `pos` opens markup (a tag, comment, CDATA section,
// declaration or processing instruction) rather than standing in text.
bool IsMarkupStart(std::u16string_view s, size_t pos) {
    if (pos + 1 >= s.size())
        return false;
    char16_t next = s[pos + 1];
    return next == u'!' || next == u'?' || next == u'/' || IsNameStart(next);
}

// Markup that holds no elements and is passed over up to its closing text:
// comments, CDATA sections and processing instructions.
struct SkippedMarkup {
    std::u16string_view open;
    std::u16string_view close;
    const char16_t* problem; // when nothing closes it
};
constexpr SkippedMarkup kSkippedMarkup[] = {
    {u"<!--", u"-->", u"comment not ended"},
    {u"<![CDATA[", u"]]>", u"CDATA section not ended"},
    {u"<?", u"?>", u"processing instruction not ended"},
};

const SkippedMarkup* SkippedMarkupAt(std::u16string_view s, size_t pos) {
    for (const SkippedMarkup& markup : kSkippedMarkup)
        if (StartsAt(s, pos, markup.open))
            return &markup;
    return nullptr;
}

// The end of a "<!...>" declaration such as DOCTYPE: the ">" outside quotes
// and outside an internal subset in brackets. npos when it is not ended.
size_t DeclarationEnd(std::u16string_view s, size_t pos) {
    char16_t quote = 0;
    int depth = 0;
    for (size_t i = pos + 2; i < s.size(); ++i) {
        char16_t c = s[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'[') {
            ++depth;
        } else if (c == u']') {
            depth = std::max(0, depth - 1);
        } else if (c == u'>' && depth == 0) {
            return i;
        }
    }
    return std::u16string_view::npos;
}

// The ">" that ends a start tag, outside quoted attribute values. When a
// quote is never closed, the first ">" after the name; npos when none.
size_t StartTagEnd(std::u16string_view s, size_t pos, bool& unbalanced) {
    unbalanced = false;
    char16_t quote = 0;
    for (size_t i = pos; i < s.size(); ++i) {
        char16_t c = s[i];
        if (quote != 0) {
            if (c == quote)
                quote = 0;
        } else if (c == u'"' || c == u'\'') {
            quote = c;
        } else if (c == u'>') {
            return i;
        }
    }
    if (quote == 0)
        return std::u16string_view::npos;
    unbalanced = true;
    return s.find(u'>', pos);
}

bool IsAllBlank(std::u16string_view s) {
    return std::all_of(s.begin(), s.end(), IsBlank);
}

void AppendChar(std::u16string& out, char32_t c) {
    if (c > 0xFFFF) {
        c -= 0x10000;
        out += char16_t(0xD800 + (c >> 10));
        out += char16_t(0xDC00 + (c & 0x3FF));
    } else {
        out += char16_t(c);
    }
}

int HexDigit(char16_t c) {
    if (c >= u'0' && c <= u'9')
        return c - u'0';
    if (c >= u'a' && c <= u'f')
        return c - u'a' + 10;
    return -1;
}

// The character a lower-cased reference name stands for; 0 when none.
char32_t ReferenceChar(std::u16string_view name) {
    if (name.empty() || name[0] != u'#')
        return XmlEntityChar(name);
    // At most nine characters, so "#x" and seven hex digits or "#" and eight
    // decimal ones: the number always fits.
    uint32_t value = 0;
    if (name.size() >= 2 && name[1] == u'x') {
        for (size_t i = 2; i < name.size() && HexDigit(name[i]) >= 0; ++i)
            value = value * 16 + uint32_t(HexDigit(name[i]));
    } else {
        for (size_t i = 1; i < name.size() && name[i] >= u'0' && name[i] <= u'9'; ++i)
            value = value * 10 + uint32_t(name[i] - u'0');
    }
    // Beyond the last Unicode character there is nothing to write.
    return value > 0x10FFFF ? 0 : value;
}

std::u16string Number(size_t n) {
    return text::Widen(std::to_string(n));
}

} // namespace

std::u16string XmlDecodeText(std::u16string_view s) {
    constexpr size_t kMaxName = 9;
    std::u16string out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        if (s[i] != u'&') {
            out += s[i++];
            continue;
        }
        // The name runs to ";" within at most nine characters; a character
        // beyond ASCII ends the attempt.
        size_t length = 0;
        bool ended = false;
        while (length <= kMaxName && i + 1 + length < s.size()) {
            char16_t c = s[i + 1 + length];
            if (c == u';') {
                ended = true;
                break;
            }
            if (c >= 128)
                break;
            ++length;
        }
        char32_t value = 0;
        if (ended) {
            std::u16string name(s.substr(i + 1, length));
            for (char16_t& c : name)
                c = text::AsciiLower(c);
            value = ReferenceChar(name);
        }
        if (value == 0) {
            out += u'&';
            ++i;
            continue;
        }
        AppendChar(out, value);
        i += length + 2;
    }
    return out;
}

bool XmlLooksLikeUtf8(std::string_view bytes) {
    size_t i = 0;
    while (i < bytes.size()) {
        unsigned char lead = static_cast<unsigned char>(bytes[i++]);
        if (lead == 0)
            break;
        if (lead < 0x80)
            continue;
        // How many bytes of 0x80 or above a byte announces. Continuation
        // bytes (0x80 to 0xBF) count here by the same bits as lead bytes, so
        // 0x80 to 0x9F announce one, 0xA0 to 0xAF two and 0xB0 to 0xB7 three.
        int follow;
        if (lead <= 0x9F || (lead >= 0xC0 && lead <= 0xDF))
            follow = 1;
        else if (lead <= 0xAF || (lead >= 0xE0 && lead <= 0xEF))
            follow = 2;
        else if (lead <= 0xB7 || (lead >= 0xF0 && lead <= 0xF7))
            follow = 3;
        else
            return false; // 0xB8 to 0xBF and 0xF8 to 0xFF
        for (; follow > 0; --follow, ++i)
            if (i >= bytes.size() || static_cast<unsigned char>(bytes[i]) < 0x80)
                return false;
    }
    return true;
}

std::string XmlDeclaredCharset(std::string_view head) {
    head = head.substr(0, std::min(head.size(), kDeclarationWindow));
    // The XML declaration counts only at the very first character, and only
    // "<?xml" followed by a blank: "<?xml-stylesheet" is another instruction.
    if (StartsWithNoCase8(head, 0, "<?xml") && head.size() > 5 && IsBlank8(head[5])) {
        size_t pos = 5;
        std::string_view name, value;
        while (NextAttribute(head, pos, name, value))
            if (EqualsNoCase8(name, "encoding"))
                return std::string(value);
        // A declaration without an encoding names none; the document is not
        // looked at as html then.
        return {};
    }
    return HtmlMetaCharset(head);
}

void XmlDocument::Clear() {
    m_text.clear();
    m_elements.clear();
    m_nRoot = kNone;
    m_dwFlags = 0;
    m_nCodePage = 0;
    m_nProblems = 0;
    m_result.clear();
    ResetLookup();
}

bool XmlDocument::LoadDocument(const std::u16string& path) {
    std::optional<std::string> bytes = platform::ReadWholeFile(path);
    if (!bytes) {
        Clear();
        m_result = u"cannot read file";
        return false;
    }
    LoadBytes(*bytes);
    return true;
}

void XmlDocument::LoadBytes(std::string_view bytes) {
    Clear();
    if (bytes.empty()) {
        m_result = u"0 length";
        return;
    }
    Convert(bytes);
    Index();
}

void XmlDocument::Convert(std::string_view bytes) {
    std::u16string encoding;
    bool named = false;
    if (bytes.substr(0, 3) == "\xEF\xBB\xBF") {
        m_dwFlags = kUtf8Bom;
        m_nCodePage = kCodePageUtf8;
        bytes.remove_prefix(3);
        encoding = u"UTF-8 with byte-order mark";
    } else if (bytes.substr(0, 2) == "\xFF\xFE") {
        m_dwFlags = kUtf16LE;
        m_nCodePage = kCodePageUtf16LE;
        bytes.remove_prefix(2);
        encoding = u"UTF-16LE with byte-order mark";
    } else if (bytes.substr(0, 2) == "\xFE\xFF") {
        m_dwFlags = kUtf16BE;
        m_nCodePage = kCodePageUtf16BE;
        bytes.remove_prefix(2);
        encoding = u"UTF-16BE with byte-order mark";
    } else {
        std::string charset = XmlDeclaredCharset(bytes);
        if (!charset.empty()) {
            named = true;
            m_nCodePage = XmlCharsetCodePage(charset);
            encoding = u"declared " + text::FromUtf8(charset);
            // A declaration that can be read byte by byte is not in UTF-16
            // or UTF-32, whatever it says; such a name counts as no name.
            if (m_nCodePage == kCodePageUtf16LE || m_nCodePage == kCodePageUtf16BE ||
                m_nCodePage == kCodePageUtf32LE || m_nCodePage == kCodePageUtf32BE) {
                named = false;
                m_nCodePage = 0;
                encoding += u" (ignored)";
            }
        }
        if (!named && bytes.front() == '<') {
            m_nCodePage = kCodePageUtf8;
            encoding = u"UTF-8 (starts with <)";
        }
    }

    if (m_nCodePage == kCodePageUtf16LE || m_nCodePage == kCodePageUtf16BE) {
        // A trailing odd byte is not a unit and is dropped.
        m_text.reserve(bytes.size() / 2);
        const bool bigEndian = m_nCodePage == kCodePageUtf16BE;
        for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
            unsigned char first = static_cast<unsigned char>(bytes[i]);
            unsigned char second = static_cast<unsigned char>(bytes[i + 1]);
            char16_t unit =
                bigEndian ? char16_t(first << 8 | second) : char16_t(second << 8 | first);
            if (unit != 0)
                m_text += unit;
        }
    } else {
        std::string narrow;
        narrow.reserve(bytes.size());
        std::copy_if(bytes.begin(), bytes.end(), std::back_inserter(narrow),
                     [](char c) { return c != '\0'; });
        if (m_nCodePage == 0 && !named) {
            if (XmlLooksLikeUtf8(narrow)) {
                m_nCodePage = kCodePageUtf8;
                encoding += encoding.empty() ? u"UTF-8 (checked)" : u", UTF-8 (checked)";
            }
        }
        if (m_nCodePage == 0) {
            m_nCodePage = platform::AnsiCodePage();
            encoding += encoding.empty() ? u"" : u", ";
            encoding += u"ANSI code page " + Number(m_nCodePage);
        }
        if (m_nCodePage == kCodePageUtf8) {
            m_text = text::FromUtf8(narrow);
        } else if (!platform::CodePageToUtf16(m_nCodePage, narrow, m_text)) {
            // Windows reads EUC-JP under its other number; and a code page
            // this system does not have falls back to the ANSI one.
            if (m_nCodePage == kCodePageEucJp &&
                platform::CodePageToUtf16(kCodePageEucJpWindows, narrow, m_text)) {
                m_nCodePage = kCodePageEucJpWindows;
            } else {
                encoding += u", code page " + Number(m_nCodePage) + u" not available";
                m_nCodePage = platform::AnsiCodePage();
                if (!platform::CodePageToUtf16(m_nCodePage, narrow, m_text))
                    m_text = text::Widen(narrow);
            }
        }
    }
    AddResultLine(u"encoding: " + encoding + u" (code page " + Number(m_nCodePage) + u")");
    AddResultLine(u"length: " + Number(m_text.size()) + u" characters");
}

void XmlDocument::AddResultLine(std::u16string_view line) {
    if (!m_result.empty())
        m_result += u'\n';
    m_result += line;
}

void XmlDocument::AddProblem(std::u16string_view what, size_t nOffset) {
    if (++m_nProblems > kMaxProblems) {
        if (m_nProblems == kMaxProblems + 1)
            AddResultLine(u"more problems not listed");
        return;
    }
    AddResultLine(std::u16string(what) + u" at character " + Number(nOffset));
}

std::u16string_view XmlDocument::NameOf(const Element& element) const {
    return std::u16string_view(m_text).substr(element.nNameStart, element.nNameLength);
}

// One pass over the text. Start tags open elements, end tags close them; an
// end tag for an element further out also closes the unended ones inside it,
// an end tag matching no open element is passed over. Comments, CDATA
// sections, processing instructions and declarations are stepped over and
// never become elements. What is not well formed is noted and indexing goes
// on.
void XmlDocument::Index() {
    const std::u16string_view s = m_text;
    std::vector<size_t> open;
    size_t pos = 0;
    while ((pos = s.find(u'<', pos)) != std::u16string_view::npos) {
        if (const SkippedMarkup* markup = SkippedMarkupAt(s, pos)) {
            size_t end = s.find(markup->close, pos + markup->open.size());
            if (end == std::u16string_view::npos) {
                AddProblem(markup->problem, pos);
                break;
            }
            pos = end + markup->close.size();
        } else if (StartsAt(s, pos, u"<!")) {
            size_t end = DeclarationEnd(s, pos);
            if (end == std::u16string_view::npos) {
                AddProblem(u"declaration not ended", pos);
                break;
            }
            pos = end + 1;
        } else if (StartsAt(s, pos, u"</")) {
            size_t nameEnd = pos + 2;
            while (nameEnd < s.size() && !IsBlank(s[nameEnd]) && s[nameEnd] != u'>' &&
                   s[nameEnd] != u'<')
                ++nameEnd;
            size_t end = s.find(u'>', nameEnd);
            if (end == std::u16string_view::npos) {
                AddProblem(u"end tag not ended", pos);
                break;
            }
            CloseElement(s.substr(pos + 2, nameEnd - pos - 2), pos, end + 1, open);
            pos = end + 1;
        } else if (IsMarkupStart(s, pos)) {
            size_t nameEnd = pos + 1;
            while (nameEnd < s.size() && !IsBlank(s[nameEnd]) && s[nameEnd] != u'>' &&
                   s[nameEnd] != u'/' && s[nameEnd] != u'<')
                ++nameEnd;
            bool unbalanced = false;
            size_t end = StartTagEnd(s, nameEnd, unbalanced);
            if (unbalanced)
                AddProblem(u"quote in tag not closed", pos);
            if (end == std::u16string_view::npos) {
                AddProblem(u"start tag not ended", pos);
                break;
            }
            Element element;
            element.nNameStart = pos + 1;
            element.nNameLength = nameEnd - pos - 1;
            element.nContentStart = end + 1;
            element.bEmptyTag = end > nameEnd && s[end - 1] == u'/';
            if (element.bEmptyTag) {
                element.nContentEnd = end + 1;
                element.nEnd = end + 1;
            }
            const size_t index = m_elements.size();
            if (open.empty()) {
                if (m_nRoot == kNone)
                    m_nRoot = index;
                else
                    AddProblem(u"second root element", pos);
            } else {
                Element& parent = m_elements[open.back()];
                element.nParent = open.back();
                if (parent.nLastChild == kNone)
                    parent.nFirstChild = index;
                else
                    m_elements[parent.nLastChild].nNextSibling = index;
                parent.nLastChild = index;
            }
            m_elements.push_back(element);
            if (!element.bEmptyTag)
                open.push_back(index);
            pos = end + 1;
        } else {
            AddProblem(u"'<' in text", pos);
            ++pos;
        }
    }
    while (!open.empty()) {
        Element& element = m_elements[open.back()];
        AddProblem(u"element <" + std::u16string(NameOf(element)) + u"> not ended",
                   element.nNameStart - 1);
        element.nContentEnd = s.size();
        element.nEnd = s.size();
        open.pop_back();
    }
    if (m_nRoot == kNone)
        AddProblem(u"no root element", s.size());
}

void XmlDocument::CloseElement(std::u16string_view name, size_t nTagStart, size_t nTagEnd,
                               std::vector<size_t>& open) {
    auto match = std::find_if(open.rbegin(), open.rend(),
                              [&](size_t index) { return NameOf(m_elements[index]) == name; });
    if (match == open.rend()) {
        AddProblem(u"end tag </" + std::u16string(name) + u"> matches no start tag", nTagStart);
        return;
    }
    const size_t keep = size_t(open.rend() - match) - 1;
    while (open.size() > keep + 1) {
        Element& inner = m_elements[open.back()];
        AddProblem(u"element <" + std::u16string(NameOf(inner)) + u"> not ended",
                   inner.nNameStart - 1);
        inner.nContentEnd = nTagStart;
        inner.nEnd = nTagStart;
        open.pop_back();
    }
    Element& element = m_elements[open.back()];
    element.nContentEnd = nTagStart;
    element.nEnd = nTagEnd;
    open.pop_back();
}

void XmlDocument::ResetLookup() {
    m_nParent = kNone;
    m_nPos = kNone;
    m_nChild = kNone;
}

void XmlDocument::FindRoot() {
    if (m_nPos != kNone || m_nRoot == kNone)
        return;
    m_nParent = kNone;
    m_nPos = m_nRoot;
    m_nChild = kNone;
}

bool XmlDocument::FindChild(std::u16string_view name) {
    if (m_nPos == kNone)
        FindRoot();
    if (m_nPos == kNone)
        return false;
    size_t index =
        m_nChild == kNone ? m_elements[m_nPos].nFirstChild : m_elements[m_nChild].nNextSibling;
    for (; index != kNone; index = m_elements[index].nNextSibling) {
        if (NameOf(m_elements[index]) == name) {
            m_nChild = index;
            return true;
        }
    }
    return false;
}

void XmlDocument::EnterChild() {
    if (m_nPos == kNone)
        return;
    m_nParent = m_nPos;
    m_nPos = m_nChild;
    m_nChild = kNone;
}

std::u16string XmlDocument::ChildText() const {
    if (m_nChild == kNone)
        return {};
    const Element& element = m_elements[m_nChild];
    if (element.nFirstChild != kNone || element.bEmptyTag)
        return {};
    const std::u16string_view content = std::u16string_view(m_text).substr(
        element.nContentStart, element.nContentEnd - element.nContentStart);
    if (content.find(u'<') == std::u16string_view::npos)
        return XmlDecodeText(content);

    // Node by node: character data decoded, CDATA as it stands; comments,
    // processing instructions, stray tags and blank-only text dropped.
    std::u16string out;
    size_t pos = 0;
    while (pos < content.size()) {
        if (content[pos] == u'<' && IsMarkupStart(content, pos)) {
            size_t end;
            if (StartsAt(content, pos, u"<!--")) {
                end = content.find(u"-->", pos + 4);
                end = end == std::u16string_view::npos ? content.size() : end + 3;
            } else if (StartsAt(content, pos, u"<![CDATA[")) {
                end = content.find(u"]]>", pos + 9);
                size_t dataEnd = end == std::u16string_view::npos ? content.size() : end;
                out += content.substr(pos + 9, dataEnd - pos - 9);
                end = end == std::u16string_view::npos ? content.size() : end + 3;
            } else if (StartsAt(content, pos, u"<?")) {
                end = content.find(u"?>", pos + 2);
                end = end == std::u16string_view::npos ? content.size() : end + 2;
            } else {
                end = content.find(u'>', pos);
                end = end == std::u16string_view::npos ? content.size() : end + 1;
            }
            pos = end;
            continue;
        }
        size_t end = pos + 1;
        while (end < content.size() && !(content[end] == u'<' && IsMarkupStart(content, end)))
            ++end;
        std::u16string_view data = content.substr(pos, end - pos);
        if (!IsAllBlank(data))
            out += XmlDecodeText(data);
        pos = end;
    }
    return out;
}

} // namespace settings
