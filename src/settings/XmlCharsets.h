#pragma once
// Charset names as documents declare them (XML declaration, HTML meta
// charset), mapped to Windows code pages.

#include <string_view>

namespace settings {

// The Windows code page a charset name or alias denotes, compared without
// case and ignoring surrounding blanks; 0 when the name is not known.
unsigned XmlCharsetCodePage(std::string_view name);

} // namespace settings
