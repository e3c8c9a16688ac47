#pragma once
// The menu without windows: which entries hang where, where each item and
// each sub-menu sits, what the pointer is over, how skin images are cut to an
// item's size, and which item is highlighted after each mouse event or key.
// The window side (MenuSession.cpp) only draws this state and feeds it input.

#include <cstdint>
#include <vector>

namespace kelmo {

struct Point {
    int x = 0;
    int y = 0;
    bool operator==(const Point&) const = default;
};

struct Size {
    int cx = 0;
    int cy = 0;
    bool operator==(const Size&) const = default;
};

struct Rect {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
    int Width() const { return right - left; }
    int Height() const { return bottom - top; }
    bool Contains(Point pt) const {
        return pt.x >= left && pt.x < right && pt.y >= top && pt.y < bottom;
    }
    bool operator==(const Rect&) const = default;
};

constexpr uint32_t kMainListParent = 255;

// Entries by position, each under its parent. Only entries reachable from the
// main list are shown.
class MenuTree {
public:
    explicit MenuTree(const std::vector<uint32_t>& parents);
    // The entries of the main list (parent -1) or under an entry, in order.
    const std::vector<int>& Children(int nParent) const;
    bool HasChildren(int nEntry) const { return !Children(nEntry).empty(); }

private:
    std::vector<int> m_main;
    std::vector<std::vector<int>> m_children;
};

// Every level is one column of items of the same size inside a one-pixel
// outline.
struct MenuMetrics {
    int nWidth = 0;
    int nItemHeight = 0;
};
constexpr int kMenuFrame = 1;

Size LevelSize(int nItems, const MenuMetrics& metrics);
Rect ItemRect(int nItem, const MenuMetrics& metrics); // in the level's client coordinates
// The item under a point of the level's client area, or -1 (outline, outside).
int HitTestItem(Point pt, int nItems, const MenuMetrics& metrics);

// Top-left corner of a sub-menu of `size` opened from the item `rcItem` of the
// level `rcLevel` (both in screen coordinates): to the right of the level, its
// first item level with the parent item; to the left when it does not fit on
// the right; kept inside `rcWork`.
Point PlaceSubMenu(const Rect& rcLevel, const Rect& rcItem, Size size, const Rect& rcWork);

// Skin images are drawn in up to nine pieces. Horizontally the left
// kSkinLeftCap and right kSkinRightCap columns keep their size and the middle
// is stretched or squeezed. Vertically a shorter item shows the middle rows of
// the image; a taller one shows it centred, its top and bottom rows repeated
// to fill the rest.
constexpr int kSkinLeftCap = 8;
constexpr int kSkinRightCap = 16;
struct SkinPiece {
    Rect rcSource;
    Rect rcTarget; // relative to the item's top-left corner
    bool operator==(const SkinPiece&) const = default;
};
std::vector<SkinPiece> SkinPieces(Size image, Size item);

// How an item is drawn.
enum class ItemLook { Normal, Hover, Pressed };

enum class MenuKey { Up, Down, Left, Right, Enter, Escape };

// One open column: the main list or an open sub-menu.
struct MenuLevel {
    int nParentEntry = -1;  // -1 for the main list
    std::vector<int> items; // entry positions
    int nHot = -1;          // highlighted item, or -1
    int nOpen = -1;         // item whose sub-menu is the next level, or -1
    bool operator==(const MenuLevel&) const = default;
};

struct MenuOutcome {
    enum Kind { None, Changed, Choose, Cancel };
    Kind kind = None;
    int nEntry = -1; // for Choose

    bool operator==(const MenuOutcome&) const = default;
};

// The open levels and the highlight. Items are addressed by level and their
// index within it.
class MenuState {
public:
    explicit MenuState(MenuTree tree);

    const std::vector<MenuLevel>& Levels() const { return m_levels; }
    ItemLook Look(int nLevel, int nItem) const;
    bool HasSubMenu(int nLevel, int nItem) const;
    // The level the arrow keys act on: the innermost one with a highlight.
    int ActiveLevel() const;

    MenuOutcome Hover(int nLevel, int nItem); // nItem -1: over the outline
    MenuOutcome Leave(int nLevel);
    MenuOutcome Press(int nLevel, int nItem);
    MenuOutcome Release(int nLevel, int nItem);
    MenuOutcome Key(MenuKey key);

private:
    struct Snapshot {
        std::vector<MenuLevel> levels;
        int nPressedLevel;
        int nPressedItem;
        bool operator==(const Snapshot&) const = default;
    };
    Snapshot Take() const;
    MenuOutcome ChangedSince(const Snapshot& before) const;
    bool Valid(int nLevel, int nItem) const;
    void CloseBelow(int nLevel);
    void OpenSubMenu(int nLevel, int nItem);

    MenuTree m_tree;
    std::vector<MenuLevel> m_levels;
    int m_nPressedLevel = -1;
    int m_nPressedItem = -1;
};

} // namespace kelmo
