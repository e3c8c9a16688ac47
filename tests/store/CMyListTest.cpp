// The program's linked list: order, removal and the two ownership modes.

#include "store/CMyList.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

struct Item {
    int value;
};

std::vector<int> g_released;
void RecordRelease(Item* item) {
    g_released.push_back(item->value);
}

std::vector<int> Values(const CMyList<Item>& list) {
    std::vector<int> out;
    list.ForEach([&out](const Item& i) { out.push_back(i.value); });
    // The backward links agree with the forward ones.
    std::vector<int> back;
    for (auto* n = list.Tail(); n; n = n->pPrev)
        back.insert(back.begin(), n->pData->value);
    EXPECT_EQ(out, back);
    return out;
}

TEST(CMyListTest, RemovesFromAnyPositionAndReleasesOwnedElements) {
    g_released.clear();
    {
        CMyList<Item> list;
        EXPECT_EQ(list.Ownership(), kListBorrowsElements);
        list.SetOwnership(kListOwnsElements);
        list.SetReleaseCallback(RecordRelease);
        for (int v = 1; v <= 5; ++v)
            ASSERT_EQ(list.AddTail(new Item{v}), 1);
        EXPECT_EQ(list.Count(), 5);
        EXPECT_EQ(list.At(2)->value, 3);
        EXPECT_EQ(list.At(5), nullptr);
        EXPECT_EQ(list.At(-1), nullptr);
        EXPECT_EQ(list.IndexOf(list.At(3)), 3);

        list.Remove(list.FindNode([](const Item& i) { return i.value == 3; })); // middle
        list.Remove(list.Head());
        list.Remove(list.Tail());
        EXPECT_EQ(Values(list), (std::vector<int>{2, 4}));
        EXPECT_EQ(g_released, (std::vector<int>{3, 1, 5}));
        EXPECT_EQ(list.Count(), 2);
    } // the destructor releases the rest
    EXPECT_EQ(g_released, (std::vector<int>{3, 1, 5, 2, 4}));
}

TEST(CMyListTest, BorrowingListLeavesElementsAlone) {
    g_released.clear();
    Item items[3] = {{1}, {2}, {3}};
    {
        CMyList<Item> list;
        list.SetReleaseCallback(RecordRelease);
        for (Item& i : items)
            list.AddTail(&i);
        list.Remove(list.Head());
        EXPECT_EQ(Values(list), (std::vector<int>{2, 3}));
        list.RemoveAll();
        EXPECT_EQ(list.Count(), 0);
        EXPECT_EQ(list.Head(), nullptr);
        EXPECT_EQ(list.Tail(), nullptr);
    }
    EXPECT_TRUE(g_released.empty());
    EXPECT_EQ(items[0].value, 1);
}

} // namespace
