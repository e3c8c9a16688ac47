#include "controls/TreeItems.h"

#include <algorithm>

TreeItems::TreeItems() : m_root(std::make_unique<Node>()) {}

std::vector<std::unique_ptr<TreeItems::Node>>& TreeItems::SiblingsOf(Item item) {
    return item->parent->children;
}

TreeItems::Item TreeItems::Insert(Item parent, const TreeRecord& data, Item before) {
    Node* p = parent ? parent : m_root.get();
    auto node = std::make_unique<Node>();
    node->data = data;
    node->parent = p;
    Node* raw = node.get();
    auto at = std::find_if(p->children.begin(), p->children.end(),
                           [before](const auto& c) { return c.get() == before; });
    p->children.insert(before ? at : p->children.end(), std::move(node));
    return raw;
}

void TreeItems::Delete(Item item) {
    if (!Contains(item))
        return;
    auto& siblings = SiblingsOf(item);
    siblings.erase(std::remove_if(siblings.begin(), siblings.end(),
                                  [item](const auto& c) { return c.get() == item; }),
                   siblings.end());
}

void TreeItems::Clear() {
    m_root->children.clear();
}

TreeItems::Item TreeItems::Parent(Item item) const {
    if (!item || item->parent == m_root.get())
        return nullptr;
    return item->parent;
}

TreeItems::Item TreeItems::FirstChild(Item parent) const {
    const Node* p = parent ? parent : m_root.get();
    return p->children.empty() ? nullptr : p->children.front().get();
}

TreeItems::Item TreeItems::NextSibling(Item item) const {
    if (!item)
        return nullptr;
    const auto& siblings = item->parent->children;
    for (size_t i = 0; i + 1 < siblings.size(); ++i)
        if (siblings[i].get() == item)
            return siblings[i + 1].get();
    return nullptr;
}

TreeItems::Item TreeItems::PrevSibling(Item item) const {
    if (!item)
        return nullptr;
    const auto& siblings = item->parent->children;
    for (size_t i = 1; i < siblings.size(); ++i)
        if (siblings[i].get() == item)
            return siblings[i - 1].get();
    return nullptr;
}

bool TreeItems::Contains(Item item) const {
    if (!item)
        return false;
    // Items are never shared between trees; a pointer of a removed item may
    // have been reused, so walk from the root rather than trust its links.
    std::vector<const Node*> stack{m_root.get()};
    while (!stack.empty()) {
        const Node* n = stack.back();
        stack.pop_back();
        for (const auto& c : n->children) {
            if (c.get() == item)
                return true;
            stack.push_back(c.get());
        }
    }
    return false;
}

int TreeItems::Count() const {
    int n = 0;
    std::vector<const Node*> stack{m_root.get()};
    while (!stack.empty()) {
        const Node* node = stack.back();
        stack.pop_back();
        n += int(node->children.size());
        for (const auto& c : node->children)
            stack.push_back(c.get());
    }
    return n;
}

std::vector<TreeItems::Row> TreeItems::Rows() const {
    std::vector<Row> rows;
    struct Frame {
        const Node* node;
        size_t next;
        int level;
    };
    std::vector<Frame> stack{{m_root.get(), 0, 0}};
    while (!stack.empty()) {
        Frame& f = stack.back();
        if (f.next >= f.node->children.size()) {
            stack.pop_back();
            continue;
        }
        Node* child = f.node->children[f.next++].get();
        const int level = f.level;
        rows.push_back({child, level});
        if (child->data.expanded && !child->children.empty())
            stack.push_back({child, 0, level + 1});
    }
    return rows;
}

int TreeScroll::ClampTop(int top, int rows, int visibleRows) {
    return std::clamp(top, 0, std::max(0, rows - std::max(1, visibleRows)));
}

int TreeScroll::TopToShow(int row, int top, int visibleRows) {
    visibleRows = std::max(1, visibleRows);
    if (row < top)
        return row;
    if (row >= top + visibleRows)
        return row - visibleRows + 1;
    return top;
}

TreeScroll::Thumb TreeScroll::ThumbOf(int trackHeight, int rows, int visibleRows, int top) {
    if (rows <= visibleRows || rows <= 0 || trackHeight <= 0)
        return {};
    const int height = std::max(16, trackHeight * visibleRows / rows);
    const int range = rows - visibleRows;
    const int travel = std::max(0, trackHeight - height);
    return {travel * std::clamp(top, 0, range) / range, std::min(height, trackHeight)};
}

int TreeScroll::TopForThumb(int thumbTop, int trackHeight, int rows, int visibleRows) {
    const Thumb thumb = ThumbOf(trackHeight, rows, visibleRows, 0);
    if (thumb.height == 0)
        return 0;
    const int travel = trackHeight - thumb.height;
    const int range = rows - visibleRows;
    if (travel <= 0)
        return 0;
    // To the nearest row.
    return std::clamp((std::clamp(thumbTop, 0, travel) * range + travel / 2) / travel, 0, range);
}
