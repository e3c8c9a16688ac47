#pragma once
// The macro library as the macro page shows it: a tree of folder items and
// macro items. The macro page implements it with its tree control; the
// headless implementation (HeadlessMacroTree) serves the device read, tests
// and tarvelctl when no page exists. Items are opaque; nullptr is the top
// level (as a parent) or "none" (as a result).

#include <cstdint>
#include <string>

class MacroTree {
public:
    using Item = void*;

    virtual ~MacroTree() = default;

    // Inserts a folder item (with its icon picture path, may be empty) or a
    // macro item (with its macro id) as the last child of `parent`.
    virtual Item InsertItem(Item parent, const std::u16string& text, bool isFolder, uint32_t macroId,
                            const std::u16string& iconPath) = 0;
    // The first top-level item whose text equals `name` without case.
    virtual Item FindTopLevelItem(const std::u16string& name) const = 0;
    virtual Item Parent(Item item) const = 0;
    virtual Item FirstChild(Item parent) const = 0;
    virtual Item NextSibling(Item item) const = 0;
    virtual std::u16string ItemText(Item item) const = 0;
    virtual void SetItemText(Item item, const std::u16string& text) = 0;
    virtual bool IsFolder(Item item) const = 0;
    virtual uint32_t ItemMacroId(Item item) const = 0;
    virtual void DeleteItem(Item item) = 0;

    // The editor shows this macro: a replacement clears its step list first.
    virtual void OnMacroReplaced(uint32_t /*macroId*/) {}
};
