#pragma once
// Named character references: the five of XML and the character entity
// references of HTML 4.

#include <cstddef>
#include <string_view>

namespace settings {

struct XmlEntity {
    const char* szName;
    char32_t code;
};

// The character a reference name denotes, compared in lower case; 0 when the
// name is not known.
char32_t XmlEntityChar(std::u16string_view name);

// The whole table (the five XML names and the 252 HTML 4 names, `quot`, `amp`,
// `lt` and `gt` shared), in character order.
const XmlEntity* XmlEntityTable();
size_t XmlEntityCount();

} // namespace settings
