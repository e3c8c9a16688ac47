#include "MenuLayout.h"

#include <algorithm>
#include <utility>

namespace kelmo {

MenuTree::MenuTree(const std::vector<uint32_t>& parents) : m_children(parents.size()) {
    const auto count = parents.size();
    for (size_t i = 0; i < count; ++i) {
        const uint32_t parent = parents[i];
        if (parent == kMainListParent)
            m_main.push_back(static_cast<int>(i));
        else if (parent < count && parent != i)
            m_children[parent].push_back(static_cast<int>(i));
        // Any other parent names no entry: the entry is not shown.
    }
    // An entry that hangs in a loop of parents is never reached from the main
    // list, because every entry has one parent; walking down from the main list
    // therefore always ends.
}

const std::vector<int>& MenuTree::Children(int nParent) const {
    static const std::vector<int> none;
    if (nParent < 0)
        return m_main;
    if (static_cast<size_t>(nParent) >= m_children.size())
        return none;
    return m_children[nParent];
}

Size LevelSize(int nItems, const MenuMetrics& metrics) {
    return {metrics.nWidth, std::max(nItems, 0) * metrics.nItemHeight + 2 * kMenuFrame};
}

Rect ItemRect(int nItem, const MenuMetrics& metrics) {
    const int top = kMenuFrame + nItem * metrics.nItemHeight;
    return {0, top, metrics.nWidth, top + metrics.nItemHeight};
}

int HitTestItem(Point pt, int nItems, const MenuMetrics& metrics) {
    if (metrics.nItemHeight <= 0 || pt.x < 0 || pt.x >= metrics.nWidth || pt.y < kMenuFrame)
        return -1;
    const int item = (pt.y - kMenuFrame) / metrics.nItemHeight;
    return item < nItems ? item : -1;
}

Point PlaceSubMenu(const Rect& rcLevel, const Rect& rcItem, Size size, const Rect& rcWork) {
    const int rightX = rcLevel.right;
    const int leftX = rcLevel.left - size.cx;
    int x = rightX;
    if (rightX + size.cx > rcWork.right) {
        if (leftX >= rcWork.left)
            x = leftX;
        else // fits on neither side: the side with more room, pushed inside
            x = (rcWork.right - rcLevel.right >= rcLevel.left - rcWork.left) ? rightX : leftX;
    }
    x = std::max(rcWork.left, std::min(x, rcWork.right - size.cx));

    int y = rcItem.top - kMenuFrame;
    y = std::max(rcWork.top, std::min(y, rcWork.bottom - size.cy));
    return {x, y};
}

namespace {

// One axis of the cut: source and target spans [from, to).
struct Span {
    int srcFrom, srcTo, dstFrom, dstTo;
};

std::vector<Span> HorizontalSpans(int image, int item) {
    int left = kSkinLeftCap;
    int right = kSkinRightCap;
    if (image < left + right + 1 || item < left + right + 1) {
        // Too small for fixed caps: one stretched piece.
        return {{0, image, 0, item}};
    }
    return {{0, left, 0, left},
            {left, image - right, left, item - right},
            {image - right, image, item - right, item}};
}

std::vector<Span> VerticalSpans(int image, int item) {
    if (item <= image) {
        const int from = (image - item) / 2;
        return {{from, from + item, 0, item}};
    }
    const int top = (item - image) / 2;
    std::vector<Span> spans;
    if (top > 0)
        spans.push_back({0, 1, 0, top});
    spans.push_back({0, image, top, top + image});
    if (top + image < item)
        spans.push_back({image - 1, image, top + image, item});
    return spans;
}

} // namespace

std::vector<SkinPiece> SkinPieces(Size image, Size item) {
    std::vector<SkinPiece> pieces;
    if (image.cx <= 0 || image.cy <= 0 || item.cx <= 0 || item.cy <= 0)
        return pieces;
    for (const Span& v : VerticalSpans(image.cy, item.cy)) {
        for (const Span& h : HorizontalSpans(image.cx, item.cx)) {
            pieces.push_back({{h.srcFrom, v.srcFrom, h.srcTo, v.srcTo},
                              {h.dstFrom, v.dstFrom, h.dstTo, v.dstTo}});
        }
    }
    return pieces;
}

MenuState::Snapshot MenuState::Take() const {
    return {m_levels, m_nPressedLevel, m_nPressedItem};
}

MenuOutcome MenuState::ChangedSince(const Snapshot& before) const {
    if (before == Take())
        return {};
    return {MenuOutcome::Changed};
}

MenuState::MenuState(MenuTree tree) : m_tree(std::move(tree)) {
    MenuLevel main;
    main.items = m_tree.Children(-1);
    m_levels.push_back(std::move(main));
}

bool MenuState::Valid(int nLevel, int nItem) const {
    return nLevel >= 0 && static_cast<size_t>(nLevel) < m_levels.size() && nItem >= 0 &&
           static_cast<size_t>(nItem) < m_levels[nLevel].items.size();
}

ItemLook MenuState::Look(int nLevel, int nItem) const {
    if (nLevel == m_nPressedLevel && nItem == m_nPressedItem)
        return ItemLook::Pressed;
    if (!Valid(nLevel, nItem))
        return ItemLook::Normal;
    const MenuLevel& level = m_levels[nLevel];
    return (level.nHot == nItem || level.nOpen == nItem) ? ItemLook::Hover : ItemLook::Normal;
}

bool MenuState::HasSubMenu(int nLevel, int nItem) const {
    return Valid(nLevel, nItem) && m_tree.HasChildren(m_levels[nLevel].items[nItem]);
}

int MenuState::ActiveLevel() const {
    for (int i = static_cast<int>(m_levels.size()) - 1; i > 0; --i) {
        if (m_levels[i].nHot >= 0)
            return i;
    }
    return 0;
}

void MenuState::CloseBelow(int nLevel) {
    m_levels.resize(nLevel + 1);
    m_levels[nLevel].nOpen = -1;
    if (m_nPressedLevel > nLevel)
        m_nPressedLevel = m_nPressedItem = -1;
}

void MenuState::OpenSubMenu(int nLevel, int nItem) {
    if (m_levels[nLevel].nOpen == nItem)
        return;
    CloseBelow(nLevel);
    MenuLevel sub;
    sub.nParentEntry = m_levels[nLevel].items[nItem];
    sub.items = m_tree.Children(sub.nParentEntry);
    m_levels[nLevel].nOpen = nItem;
    m_levels.push_back(std::move(sub));
}

MenuOutcome MenuState::Hover(int nLevel, int nItem) {
    if (nLevel < 0 || static_cast<size_t>(nLevel) >= m_levels.size())
        return {};
    const Snapshot before = Take();
    if (!Valid(nLevel, nItem)) {
        // Over the outline: what is open stays open, a plain highlight goes.
        m_levels[nLevel].nHot = m_levels[nLevel].nOpen;
        return ChangedSince(before);
    }
    if (m_nPressedLevel != nLevel || m_nPressedItem != nItem)
        m_nPressedLevel = m_nPressedItem = -1;
    // The levels above stay highlighted on the items that opened them.
    for (int i = 0; i < nLevel; ++i)
        m_levels[i].nHot = m_levels[i].nOpen;
    if (HasSubMenu(nLevel, nItem))
        OpenSubMenu(nLevel, nItem);
    else
        CloseBelow(nLevel);
    m_levels[nLevel].nHot = nItem;
    return ChangedSince(before);
}

MenuOutcome MenuState::Leave(int nLevel) {
    if (nLevel < 0 || static_cast<size_t>(nLevel) >= m_levels.size())
        return {};
    const Snapshot before = Take();
    if (m_nPressedLevel == nLevel)
        m_nPressedLevel = m_nPressedItem = -1;
    m_levels[nLevel].nHot = m_levels[nLevel].nOpen;
    return ChangedSince(before);
}

MenuOutcome MenuState::Press(int nLevel, int nItem) {
    if (!Valid(nLevel, nItem))
        return {};
    const Snapshot before = Take();
    Hover(nLevel, nItem);
    if (!HasSubMenu(nLevel, nItem)) {
        m_nPressedLevel = nLevel;
        m_nPressedItem = nItem;
    }
    return ChangedSince(before);
}

MenuOutcome MenuState::Release(int nLevel, int nItem) {
    const Snapshot before = Take();
    m_nPressedLevel = m_nPressedItem = -1;
    if (Valid(nLevel, nItem)) {
        if (!HasSubMenu(nLevel, nItem))
            return {MenuOutcome::Choose, m_levels[nLevel].items[nItem]};
        Hover(nLevel, nItem);
    }
    return ChangedSince(before);
}

MenuOutcome MenuState::Key(MenuKey key) {
    if (key == MenuKey::Escape)
        return {MenuOutcome::Cancel};
    const int active = ActiveLevel();
    MenuLevel& level = m_levels[active];
    const int count = static_cast<int>(level.items.size());
    if (count == 0)
        return {};
    m_nPressedLevel = m_nPressedItem = -1;

    switch (key) {
    case MenuKey::Down:
    case MenuKey::Up: {
        const int step = key == MenuKey::Down ? 1 : count - 1;
        int hot = level.nHot;
        if (hot < 0)
            hot = key == MenuKey::Down ? 0 : count - 1;
        else
            hot = (hot + step) % count;
        // Moving off the item whose sub-menu is open closes that sub-menu.
        if (hot != level.nOpen)
            CloseBelow(active);
        m_levels[active].nHot = hot;
        return {MenuOutcome::Changed};
    }
    case MenuKey::Right:
    case MenuKey::Enter: {
        const int hot = level.nHot;
        if (hot < 0)
            return {};
        if (!HasSubMenu(active, hot)) {
            if (key == MenuKey::Enter)
                return {MenuOutcome::Choose, level.items[hot]};
            return {};
        }
        OpenSubMenu(active, hot);
        m_levels[active + 1].nHot = 0;
        return {MenuOutcome::Changed};
    }
    case MenuKey::Left: {
        if (active == 0)
            return {};
        // The item that opened the closed sub-menu keeps the highlight.
        const int parentItem = m_levels[active - 1].nOpen;
        CloseBelow(active - 1);
        m_levels[active - 1].nHot = parentItem;
        return {MenuOutcome::Changed};
    }
    case MenuKey::Escape:
        break;
    }
    return {};
}

} // namespace kelmo
