#pragma once
// Names that become file names: macro names come from the user, from the
// device, from profile files and from imported file titles. Before any of them
// reaches a path it is made safe, so that no name can point outside the macro
// library or fail on Windows.

#include <string>
#include <string_view>

namespace store {

// `name` as a single file-name component: characters Windows does not allow
// (control characters, < > : " / \ | ? *) become '_', trailing blanks and dots
// (which Windows drops) become '_', and reserved device names (CON, PRN, AUX,
// NUL, COM1-9, LPT1-9, with or without an extension) get a leading '_'.
// Empty when nothing usable is left (empty, or only dots and blanks).
std::u16string SafeFileName(std::u16string_view name);

} // namespace store
