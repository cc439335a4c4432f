#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include "app/CheckListBox.h"
#include "extract/ListOrder.h"
#include "tests/fakes/FakeSeams.h"

namespace pixquarry {
namespace {

using testing::ListItems;

// Links with many near-copies: letter case and exact repeats, a shared domain.
std::vector<std::string> RandomLinks(std::mt19937& random, int count) {
    const char* const stems[] = {"a.png",     "A.png", "b.gif", "B.GIF", "a.PNG",  "img/x.png",
                                 "img/X.png", "",      "z",     "\x01",  "中.png", "a.png "};
    std::uniform_int_distribution<int> pick(0, std::size(stems) - 1);
    std::vector<std::string> links;
    for (int i = 0; i < count; ++i)
        links.push_back("http://h/" + std::string(stems[pick(random)]));
    return links;
}

TEST(CheckListBox, KeepsItemsInCaseFoldedOrder) {
    CheckListBox list("GetPic", {}, nullptr);
    // a.png equals A.png when folded: it goes after it. "_" (0x5F) sorts before
    // the folded letters, and "Z" folds as well: after b, not before "_".
    for (const char* item : {"b.png", "A.png", "a.png", "_x", "Zebra.png"})
        list.AddItem(item);
    EXPECT_EQ(ListItems(list),
              (std::vector<std::string>{"_x", "A.png", "a.png", "b.png", "Zebra.png"}));
}

TEST(CheckListBox, BulkAddEqualsAddingOneByOne) {
    std::mt19937 random(7);
    for (int round = 0; round < 200; ++round) {
        CheckListBox single("one", {}, nullptr);
        CheckListBox bulk("many", {}, nullptr);
        const auto before = RandomLinks(random, round % 7);
        for (const auto& t : before) {
            single.AddItem(t);
            bulk.AddItem(t);
        }
        const auto added = RandomLinks(random, round);
        for (const auto& t : added)
            single.AddItem(t);
        bulk.AddItems(added);
        ASSERT_EQ(ListItems(bulk), ListItems(single)) << "round " << round;
    }
}

TEST(ListOrder, DuplicateFilterKeepsFirstCopiesInPlace) {
    std::mt19937 random(11);
    // Sixteen spellings of one name that compare equal in list order: runs
    // longer than eight take the filter's hashed path.
    std::vector<std::string> variants;
    for (int bits = 0; bits < 16; ++bits) {
        std::string& name = variants.emplace_back("http://h/gifs");
        for (int i = 0; i < 4; ++i)
            name[9 + i] = (bits >> i) & 1 ? static_cast<char>(name[9 + i] - 32) : name[9 + i];
    }
    std::uniform_int_distribution<std::size_t> pickVariant(0, variants.size() - 1);
    for (int round = 0; round < 200; ++round) {
        std::vector<std::string> texts = RandomLinks(random, round * 3);
        for (int i = 0; i < round % 40; ++i)
            texts.push_back(variants[pickVariant(random)]);
        SortInListOrder(texts);
        // The plain quadratic filter, as a reference: each text where it first appears.
        std::vector<std::string> expected;
        for (const std::string& text : texts) {
            if (std::find(expected.begin(), expected.end(), text) == expected.end())
                expected.push_back(text);
        }
        RemoveLaterCopies(texts);
        ASSERT_EQ(texts, expected) << "round " << round;
    }
}

TEST(CheckListBox, TicksAndCurrentItemFollowTheirItems) {
    CheckListBox list("GetPic", {}, nullptr);
    list.AddItems({"c", "a", "c", "b"});
    ASSERT_EQ(ListItems(list), (std::vector<std::string>{"a", "b", "c", "c"}));
    list.SetSelected(1, true);
    list.SetListIndex(2);
    list.AddItem("0");  // goes first and shifts everything
    EXPECT_TRUE(list.Selected(2));
    EXPECT_EQ(list.ListIndex(), 3);
    list.Clear();
    EXPECT_EQ(list.ListIndex(), -1);
    EXPECT_EQ(list.ListCount(), 0);
    EXPECT_THROW((void)list.List(0), std::out_of_range);
}

}  // namespace
}  // namespace pixquarry
