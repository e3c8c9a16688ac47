#pragma once
// A small XML reader: one whole document in memory as UTF-16 text with an
// index of its elements. It answers two questions, which is the next child
// element with a given name and what the text of that element is; it does not
// write, edit or read attributes. text.xml is its one user.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace settings {

class XmlDocument {
public:
    // The byte-order mark the document was found with.
    enum : unsigned {
        kUtf16LE = 0x1,
        kUtf16BE = 0x2,
        kUtf8Bom = 0x4,
    };

    // Reads the file, converts it to UTF-16 and indexes it. False only when
    // the file cannot be opened or read; the document is then empty.
    bool LoadDocument(const std::u16string& path);
    // The same for bytes already in memory.
    void LoadBytes(std::string_view bytes);

    // No parent, no current element, no current child.
    void ResetLookup();
    // Without a current element: the root element becomes current.
    void FindRoot();
    // The next child of the current element (after the current child) named
    // exactly `name` becomes the current child. Without a current element the
    // search starts from the root. False, and no move, when there is none.
    bool FindChild(std::u16string_view name);
    // The current element becomes the parent and the current child the
    // current element.
    void EnterChild();
    // The text of the current child; empty without one.
    std::u16string ChildText() const;

    // What loading did: the encoding, the length and every well-formedness
    // problem, one per line.
    const std::u16string& Result() const { return m_result; }
    // kUtf16LE, kUtf16BE or kUtf8Bom when the file started with that mark.
    unsigned Flags() const { return m_dwFlags; }
    // The code page the bytes were decoded with (1200 and 1201 for UTF-16).
    unsigned CodePage() const { return m_nCodePage; }
    // The whole document as UTF-16.
    const std::u16string& Text() const { return m_text; }

private:
    static constexpr size_t kNone = static_cast<size_t>(-1);

    struct Element {
        size_t nNameStart = 0;
        size_t nNameLength = 0;
        size_t nContentStart = 0; // after the start tag
        size_t nContentEnd = 0;   // at the end tag, or where the element was cut off
        size_t nEnd = 0;          // after the end tag
        size_t nParent = kNone;
        size_t nFirstChild = kNone;
        size_t nLastChild = kNone;
        size_t nNextSibling = kNone;
        bool bEmptyTag = false;
    };

    void Clear();
    void Convert(std::string_view bytes);
    void Index();
    void CloseElement(std::u16string_view name, size_t nTagStart, size_t nTagEnd,
                      std::vector<size_t>& open);
    void AddProblem(std::u16string_view what, size_t nOffset);
    void AddResultLine(std::u16string_view line);
    std::u16string_view NameOf(const Element& element) const;

    std::u16string m_text;
    std::vector<Element> m_elements;
    size_t m_nRoot = kNone;
    size_t m_nParent = kNone;
    size_t m_nPos = kNone;
    size_t m_nChild = kNone;
    unsigned m_dwFlags = 0;
    unsigned m_nCodePage = 0;
    size_t m_nProblems = 0;
    std::u16string m_result;
};

// Replaces the character references in `text`: "&name;" with a name of at
// most nine characters, compared in lower case, either a decimal ("#65") or
// hexadecimal ("#x41") character number or a named reference. Anything that
// is not a reference to a character keeps its "&".
std::u16string XmlDecodeText(std::u16string_view text);

// Whether 8-bit text without a declared encoding is taken as UTF-8: every
// byte of 0x80 or above must be followed by as many bytes of 0x80 or above as
// it announces. Checked up to the end or the first zero byte.
bool XmlLooksLikeUtf8(std::string_view bytes);

// The charset a document names in its first bytes: the encoding of an XML
// declaration at the very start, or else, for an html document, the charset
// of its Content-Type meta element within head. Empty when none is named.
std::string XmlDeclaredCharset(std::string_view head);

} // namespace settings
