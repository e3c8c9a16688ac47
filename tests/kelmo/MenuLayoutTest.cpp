// The menu logic without windows: entry tree, item geometry, sub-menu
// placement, the cut of skin images and the highlight after mouse and keys.

#include "MenuLayout.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace kelmo;

namespace {

constexpr uint32_t M = kMainListParent;

TEST(MenuTreeTest, HangsEntriesUnderTheirParentsAndDropsBrokenOnes) {
    struct Case {
        std::string name;
        std::vector<uint32_t> parents;
        std::vector<int> main;
        int parent; // whose children are checked
        std::vector<int> children;
    };
    const std::vector<Case> cases = {
        {"main list only", {M, M, M}, {0, 1, 2}, 0, {}},
        {"sub-menu after its parent", {M, M, 1, 1, M}, {0, 1, 4}, 1, {2, 3}},
        {"sub-menu before its parent", {2, 2, M}, {2}, 2, {0, 1}},
        {"sub-menu of a sub-menu", {M, 0, 1, 1}, {0}, 1, {2, 3}},
        {"parent out of range is dropped", {M, 7, 254, M}, {0, 3}, 0, {}},
        {"own parent is dropped", {M, 1}, {0}, 1, {}},
        {"loop of parents is unreachable", {M, 2, 1}, {0}, 0, {}},
        {"no main list", {1, 0}, {}, 0, {1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const MenuTree tree(c.parents);
        EXPECT_EQ(tree.Children(-1), c.main);
        EXPECT_EQ(tree.Children(c.parent), c.children);
    }
    EXPECT_TRUE(MenuTree({M}).Children(5).empty());
}

TEST(MenuGeometryTest, ItemsStackInsideAOnePixelOutline) {
    const MenuMetrics metrics{150, 25};
    EXPECT_EQ(LevelSize(3, metrics), (Size{150, 77}));
    EXPECT_EQ(ItemRect(0, metrics), (Rect{0, 1, 150, 26}));
    EXPECT_EQ(ItemRect(2, metrics), (Rect{0, 51, 150, 76}));

    struct Case {
        Point pt;
        int item;
    };
    const Case cases[] = {
        {{5, 0}, -1}, // top outline
        {{5, 1}, 0},     {{5, 25}, 0},   {{5, 26}, 1},
        {{149, 75}, 2},  {{5, 76}, -1}, // bottom outline
        {{150, 10}, -1}, {{-1, 10}, -1}, {{5, 500}, -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.pt.x << "," << c.pt.y);
        EXPECT_EQ(HitTestItem(c.pt, 3, metrics), c.item);
    }
}

TEST(MenuGeometryTest, SubMenuOpensRightThenLeftAndStaysOnTheWorkArea) {
    struct Case {
        std::string name;
        Rect level, item;
        Size size;
        Rect work;
        Point expected;
    };
    const Rect screen{0, 0, 1280, 1024};
    const std::vector<Case> cases = {
        {"right of its parent, level with the item",
         {100, 100, 250, 177},
         {100, 126, 250, 151},
         {150, 52},
         screen,
         {250, 125}},
        {"left near the right edge",
         {1100, 100, 1250, 177},
         {1100, 101, 1250, 126},
         {150, 52},
         screen,
         {950, 100}},
        {"lifted near the bottom",
         {100, 900, 250, 1002},
         {100, 976, 250, 1001},
         {150, 102},
         screen,
         {250, 922}},
        {"neither side: more room on the right",
         {100, 0, 260, 77},
         {100, 1, 260, 26},
         {150, 52},
         {0, 0, 400, 600},
         {250, 0}},
        {"neither side: more room on the left",
         {150, 0, 310, 77},
         {150, 1, 310, 26},
         {150, 52},
         {0, 0, 400, 600},
         {0, 0}},
        {"work area not at the origin",
         {1300, 50, 1450, 127},
         {1300, 51, 1450, 76},
         {150, 52},
         {1280, 40, 1600, 1024},
         {1450, 50}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(PlaceSubMenu(c.level, c.item, c.size, c.work), c.expected);
    }
}

TEST(SkinPiecesTest, CapsKeepTheirWidthAndShortItemsShowTheMiddleRows) {
    struct Case {
        std::string name;
        Size image, item;
        std::vector<SkinPiece> pieces;
    };
    const std::vector<Case> cases = {
        {"same size",
         {150, 25},
         {150, 25},
         {{{0, 0, 8, 25}, {0, 0, 8, 25}},
          {{8, 0, 134, 25}, {8, 0, 134, 25}},
          {{134, 0, 150, 25}, {134, 0, 150, 25}}}},
        {"narrower and shorter",
         {150, 25},
         {100, 20},
         {{{0, 2, 8, 22}, {0, 0, 8, 20}},
          {{8, 2, 134, 22}, {8, 0, 84, 20}},
          {{134, 2, 150, 22}, {84, 0, 100, 20}}}},
        {"taller: edge rows repeated",
         {150, 25},
         {150, 31},
         {{{0, 0, 8, 1}, {0, 0, 8, 3}},
          {{8, 0, 134, 1}, {8, 0, 134, 3}},
          {{134, 0, 150, 1}, {134, 0, 150, 3}},
          {{0, 0, 8, 25}, {0, 3, 8, 28}},
          {{8, 0, 134, 25}, {8, 3, 134, 28}},
          {{134, 0, 150, 25}, {134, 3, 150, 28}},
          {{0, 24, 8, 25}, {0, 28, 8, 31}},
          {{8, 24, 134, 25}, {8, 28, 134, 31}},
          {{134, 24, 150, 25}, {134, 28, 150, 31}}}},
        {"too narrow for the caps", {150, 25}, {20, 25}, {{{0, 0, 150, 25}, {0, 0, 20, 25}}}},
        {"no image", {0, 0}, {150, 25}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(SkinPieces(c.image, c.item), c.pieces);
    }
}

// Main list: 0 Export, 1 DPI (3, 4), 2 Media (5 Volume (8), 6, 7).
// Entry positions: 0 1 2 | 3 4 under 1 | 5 6 7 under 2 | 8 under 5.
MenuTree SampleTree() {
    return MenuTree({M, M, M, 1, 1, 2, 2, 2, 5});
}

struct Step {
    enum Op { Hover, Leave, Press, Release, Key } op;
    int level = 0;
    int item = 0;
    MenuKey key = MenuKey::Escape;
};
Step HoverAt(int level, int item) {
    return {Step::Hover, level, item};
}
Step LeaveLevel(int level) {
    return {Step::Leave, level, 0};
}
Step PressAt(int level, int item) {
    return {Step::Press, level, item};
}
Step ReleaseAt(int level, int item) {
    return {Step::Release, level, item};
}
Step KeyDown(MenuKey key) {
    return {Step::Key, 0, 0, key};
}

MenuOutcome RunStep(MenuState& state, const Step& step) {
    switch (step.op) {
    case Step::Hover:
        return state.Hover(step.level, step.item);
    case Step::Leave:
        return state.Leave(step.level);
    case Step::Press:
        return state.Press(step.level, step.item);
    case Step::Release:
        return state.Release(step.level, step.item);
    case Step::Key:
        return state.Key(step.key);
    }
    return {};
}

TEST(MenuStateTest, MouseAndKeysMoveTheHighlightAndOpenSubMenus) {
    using K = MenuKey;
    constexpr auto None = MenuOutcome::None;
    constexpr auto Changed = MenuOutcome::Changed;
    struct Case {
        std::string name;
        std::vector<Step> steps;
        MenuOutcome last;         // outcome of the last step
        std::vector<int> parents; // open levels by parent entry
        std::vector<int> hot;     // highlight per level
    };
    const std::vector<Case> cases = {
        {"down selects the first", {KeyDown(K::Down)}, {Changed}, {-1}, {0}},
        {"up selects the last", {KeyDown(K::Up)}, {Changed}, {-1}, {2}},
        {"down wraps", {KeyDown(K::Up), KeyDown(K::Down)}, {Changed}, {-1}, {0}},
        {"up wraps", {KeyDown(K::Down), KeyDown(K::Up)}, {Changed}, {-1}, {2}},
        {"enter with no highlight does nothing", {KeyDown(K::Enter)}, {None}, {-1}, {-1}},
        {"enter on an entry chooses it",
         {KeyDown(K::Down), KeyDown(K::Enter)},
         {MenuOutcome::Choose, 0},
         {-1},
         {0}},
        {"right opens the sub-menu on its first entry",
         {KeyDown(K::Down), KeyDown(K::Down), KeyDown(K::Right)},
         {Changed},
         {-1, 1},
         {1, 0}},
        {"right on an entry without sub-menu does nothing",
         {KeyDown(K::Down), KeyDown(K::Right)},
         {None},
         {-1},
         {0}},
        {"keys act in the open sub-menu",
         {KeyDown(K::Down), KeyDown(K::Down), KeyDown(K::Enter), KeyDown(K::Down),
          KeyDown(K::Enter)},
         {MenuOutcome::Choose, 4},
         {-1, 1},
         {1, 1}},
        {"left closes the sub-menu, its parent stays highlighted",
         {KeyDown(K::Down), KeyDown(K::Down), KeyDown(K::Right), KeyDown(K::Left)},
         {Changed},
         {-1},
         {1}},
        {"left in the main list does nothing",
         {KeyDown(K::Down), KeyDown(K::Left)},
         {None},
         {-1},
         {0}},
        {"escape cancels",
         {HoverAt(0, 1), KeyDown(K::Escape)},
         {MenuOutcome::Cancel},
         {-1, 1},
         {1, -1}},
        {"hover opens a sub-menu without highlighting in it",
         {HoverAt(0, 1)},
         {Changed},
         {-1, 1},
         {1, -1}},
        {"hovering the same entry again changes nothing",
         {HoverAt(0, 0), HoverAt(0, 0)},
         {None},
         {-1},
         {0}},
        {"hovering another entry closes the sub-menu",
         {HoverAt(0, 1), HoverAt(0, 0)},
         {Changed},
         {-1},
         {0}},
        {"hovering another parent swaps sub-menus",
         {HoverAt(0, 1), HoverAt(0, 2)},
         {Changed},
         {-1, 2},
         {2, -1}},
        {"sub-menu of a sub-menu",
         {HoverAt(0, 2), HoverAt(1, 0), HoverAt(2, 0)},
         {Changed},
         {-1, 2, 5},
         {2, 0, 0}},
        {"hovering back up closes the deeper levels",
         {HoverAt(0, 2), HoverAt(1, 0), HoverAt(2, 0), HoverAt(1, 1)},
         {Changed},
         {-1, 2},
         {2, 1}},
        {"the outline keeps what is open",
         {HoverAt(0, 1), HoverAt(0, -1)},
         {None},
         {-1, 1},
         {1, -1}},
        {"after leaving a sub-menu the keys move in its parent",
         {HoverAt(0, 1), HoverAt(1, 0), LeaveLevel(1), LeaveLevel(0), KeyDown(K::Down)},
         {Changed},
         {-1},
         {2}},
        {"leaving drops a plain highlight", {HoverAt(0, 0), LeaveLevel(0)}, {Changed}, {-1}, {-1}},
        {"release on an entry chooses it",
         {HoverAt(0, 0), PressAt(0, 0), ReleaseAt(0, 0)},
         {MenuOutcome::Choose, 0},
         {-1},
         {0}},
        {"release in a sub-menu chooses there",
         {HoverAt(0, 2), HoverAt(1, 2), ReleaseAt(1, 2)},
         {MenuOutcome::Choose, 7},
         {-1, 2},
         {2, 2}},
        {"release on a parent opens it without a choice",
         {ReleaseAt(0, 1)},
         {Changed},
         {-1, 1},
         {1, -1}},
        {"release on the outline does nothing", {ReleaseAt(0, -1)}, {None}, {-1}, {-1}},
        {"events for a level that is not open are ignored",
         {HoverAt(2, 0), PressAt(1, 0), LeaveLevel(4)},
         {None},
         {-1},
         {-1}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        MenuState state(SampleTree());
        MenuOutcome last;
        for (const Step& step : c.steps)
            last = RunStep(state, step);
        EXPECT_EQ(last, c.last);
        std::vector<int> parents, hot;
        for (const MenuLevel& level : state.Levels()) {
            parents.push_back(level.nParentEntry);
            hot.push_back(level.nHot);
        }
        EXPECT_EQ(parents, c.parents);
        EXPECT_EQ(hot, c.hot);
    }
}

TEST(MenuStateTest, LookFollowsHoverPressAndTheOpenParent) {
    MenuState state(SampleTree());
    state.Press(0, 0);
    EXPECT_EQ(state.Look(0, 0), ItemLook::Pressed);
    EXPECT_EQ(state.Look(0, 1), ItemLook::Normal);

    // Moving off a pressed entry takes the pressed look away.
    state.Hover(0, 1);
    EXPECT_EQ(state.Look(0, 0), ItemLook::Normal);
    EXPECT_EQ(state.Look(0, 1), ItemLook::Hover);
    EXPECT_TRUE(state.HasSubMenu(0, 1));
    EXPECT_FALSE(state.HasSubMenu(1, 0));

    // The parent of the open sub-menu keeps the hover look while the pointer
    // is in the sub-menu or away from the menu.
    state.Hover(1, 0);
    state.Leave(1);
    state.Leave(0);
    EXPECT_EQ(state.Look(0, 1), ItemLook::Hover);
    EXPECT_EQ(state.Look(1, 0), ItemLook::Normal);

    // Pressing a parent entry opens it; it is not shown pressed.
    state.Press(0, 2);
    EXPECT_EQ(state.Look(0, 2), ItemLook::Hover);
    EXPECT_EQ(state.Levels().back().nParentEntry, 2);
}

} // namespace
