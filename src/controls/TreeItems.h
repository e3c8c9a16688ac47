#pragma once
// The items of a skinned tree control apart from its window: the item
// records in their hierarchy, which of them are expanded, the rows that
// shows, and where on a row the parts sit. CTreeCtrlEx draws and routes by
// these.

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// One item of the tree.
struct TreeRecord {
    std::wstring text;
    int icon = -1;      // the control's icon index; -1 none (a folder: by expansion)
    uint32_t value = 0; // macro tree: the macro id; step list: key code or milliseconds
    int kind = 0;       // step list: 0 key release, 1 key press, 2 delay
    int cls = 0;        // macro tree: 1 macro, 2 folder
    bool muted = false; // drawn in the muted text colour
    bool expanded = false;
};
constexpr int kTreeMacro = 1;
constexpr int kTreeFolder = 2;

class TreeItems {
public:
    struct Node;
    using Item = Node*;
    struct Node {
        TreeRecord data;
        Node* parent = nullptr;
        std::vector<std::unique_ptr<Node>> children;
    };
    struct Row {
        Item item;
        int level;
    };

    TreeItems();

    // Inserts a child of `parent` (nullptr: the top level) directly before
    // `before` (one of its children), or as its last child without one.
    Item Insert(Item parent, const TreeRecord& data, Item before = nullptr);
    // Removes the item and everything below it.
    void Delete(Item item);
    void Clear();

    // nullptr for the top level's parent, for no child, for no sibling.
    Item Parent(Item item) const;
    Item FirstChild(Item parent) const;
    Item NextSibling(Item item) const;
    Item PrevSibling(Item item) const;
    // Whether `item` is an item of this tree now.
    bool Contains(Item item) const;
    int Count() const;

    // The rows shown: every top-level item and the children of expanded
    // items, depth first, with their depth.
    std::vector<Row> Rows() const;

private:
    std::vector<std::unique_ptr<Node>>& SiblingsOf(Item item);
    std::unique_ptr<Node> m_root;
};

// Where a row's parts sit, in pixels from the control's left edge.
struct TreeGeometry {
    int rowHeight = 24;
    int indent = 16; // per level
    int margin = 8;  // left of the first level's icon
    int icon = 16;
    int gap = 6; // between icon and text

    int IconLeft(int level) const { return margin + level * indent; }
    int TextLeft(int level) const { return IconLeft(level) + icon + gap; }
    // A press left of the text (the indent and the icon) toggles a folder.
    bool OnExpander(int x, int level) const { return x < TextLeft(level) - gap / 2; }
};

// Scrolling by whole rows.
struct TreeScroll {
    // The first row shown, kept so no empty rows follow the last one.
    static int ClampTop(int top, int rows, int visibleRows);
    // The first row to show so that `row` is in view.
    static int TopToShow(int row, int top, int visibleRows);
    // The thumb of a track `trackHeight` high: its top and height, or
    // height 0 when every row fits.
    struct Thumb {
        int top = 0;
        int height = 0;
    };
    static Thumb ThumbOf(int trackHeight, int rows, int visibleRows, int top);
    // The first row for a thumb dragged to `thumbTop`.
    static int TopForThumb(int thumbTop, int trackHeight, int rows, int visibleRows);
};
