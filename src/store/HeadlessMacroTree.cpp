#include "store/HeadlessMacroTree.h"

#include "platform/Text.h"

#include <algorithm>

struct HeadlessMacroTree::Node {
    Node* parent = nullptr;
    std::u16string text;
    std::u16string icon;
    bool isFolder = false;
    uint32_t macroId = 0;
    std::vector<std::unique_ptr<Node>> children;
};

HeadlessMacroTree::HeadlessMacroTree() : m_root(std::make_unique<Node>()) {}

HeadlessMacroTree::~HeadlessMacroTree() = default;

HeadlessMacroTree::Node* HeadlessMacroTree::NodeOf(Item item) const {
    return item ? static_cast<Node*>(item) : m_root.get();
}

MacroTree::Item HeadlessMacroTree::InsertItem(Item parent, const std::u16string& text,
                                              bool isFolder, uint32_t macroId,
                                              const std::u16string& iconPath) {
    Node* p = NodeOf(parent);
    auto node = std::make_unique<Node>();
    node->parent = p;
    node->text = text;
    node->icon = iconPath;
    node->isFolder = isFolder;
    node->macroId = macroId;
    p->children.push_back(std::move(node));
    return p->children.back().get();
}

MacroTree::Item HeadlessMacroTree::FindTopLevelItem(const std::u16string& name) const {
    for (const auto& child : m_root->children)
        if (text::EqualsIgnoreAsciiCase(child->text, name))
            return child.get();
    return nullptr;
}

MacroTree::Item HeadlessMacroTree::Parent(Item item) const {
    if (!item)
        return nullptr;
    Node* p = NodeOf(item)->parent;
    return p == m_root.get() ? nullptr : p;
}

MacroTree::Item HeadlessMacroTree::FirstChild(Item parent) const {
    Node* p = NodeOf(parent);
    return p->children.empty() ? nullptr : p->children.front().get();
}

MacroTree::Item HeadlessMacroTree::NextSibling(Item item) const {
    if (!item)
        return nullptr;
    Node* n = NodeOf(item);
    auto& siblings = n->parent->children;
    auto it =
        std::find_if(siblings.begin(), siblings.end(), [n](const auto& c) { return c.get() == n; });
    if (it == siblings.end() || ++it == siblings.end())
        return nullptr;
    return it->get();
}

std::u16string HeadlessMacroTree::ItemText(Item item) const {
    return item ? NodeOf(item)->text : std::u16string();
}

void HeadlessMacroTree::SetItemText(Item item, const std::u16string& text) {
    if (item)
        NodeOf(item)->text = text;
}

bool HeadlessMacroTree::IsFolder(Item item) const {
    return item && NodeOf(item)->isFolder;
}

uint32_t HeadlessMacroTree::ItemMacroId(Item item) const {
    return item ? NodeOf(item)->macroId : 0;
}

std::u16string HeadlessMacroTree::ItemIcon(Item item) const {
    return item ? NodeOf(item)->icon : std::u16string();
}

void HeadlessMacroTree::DeleteItem(Item item) {
    if (!item)
        return;
    Node* n = NodeOf(item);
    auto& siblings = n->parent->children;
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [n](const auto& c) { return c.get() == n; }),
                   siblings.end());
}

void HeadlessMacroTree::OnMacroReplaced(uint32_t macroId) {
    m_replaced.push_back(macroId);
}

void HeadlessMacroTree::Clear() {
    m_root->children.clear();
}
