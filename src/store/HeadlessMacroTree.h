#pragma once
// An in-memory MacroTree for code that runs without the macro page: the device
// read when no page exists, tests and tarvelctl. Items keep insertion order.

#include "store/MacroTree.h"

#include <memory>
#include <vector>

class HeadlessMacroTree : public MacroTree {
public:
    HeadlessMacroTree();
    ~HeadlessMacroTree() override;
    HeadlessMacroTree(const HeadlessMacroTree&) = delete;
    HeadlessMacroTree& operator=(const HeadlessMacroTree&) = delete;

    Item InsertItem(Item parent, const std::u16string& text, bool isFolder, uint32_t macroId,
                    const std::u16string& iconPath) override;
    Item FindTopLevelItem(const std::u16string& name) const override;
    Item Parent(Item item) const override;
    Item FirstChild(Item parent) const override;
    Item NextSibling(Item item) const override;
    std::u16string ItemText(Item item) const override;
    void SetItemText(Item item, const std::u16string& text) override;
    bool IsFolder(Item item) const override;
    uint32_t ItemMacroId(Item item) const override;
    void DeleteItem(Item item) override;
    void OnMacroReplaced(uint32_t macroId) override;

    // The icon picture path given when the item was inserted.
    std::u16string ItemIcon(Item item) const;
    // Every item is removed.
    void Clear();
    // The ids passed to OnMacroReplaced, oldest first.
    const std::vector<uint32_t>& ReplacedIds() const { return m_replaced; }

private:
    struct Node;
    Node* NodeOf(Item item) const;

    std::unique_ptr<Node> m_root;
    std::vector<uint32_t> m_replaced;
};
