#pragma once
// The localised text table: every text the user sees, by fixed key, from text.xml.

#include <string>
#include <string_view>

namespace settings {

// Loads `path` with the XML reader and fills every text in load order.
void LoadTextTable(const std::u16string& path);

// The text of one key from the loaded document, or empty.
std::u16string GetConfigText(std::u16string_view key);

// The 183 keys in load order.
size_t TextKeyCount();
std::u16string_view TextKeyAt(size_t index);

// The loaded text of a key (empty before loading or when missing). The keys
// this program added beyond the 183 (tc_pending_close, tc_yes, tc_no,
// tc_dpi_leave, tc_dpi_join, tc_macro_delete, tc_macro_delete_step) give their
// English text instead of nothing.
const std::u16string& Text(std::u16string_view key);

// Empties every text (tests).
void ResetTextTable();

} // namespace settings
