// SPDX-License-Identifier: Apache-2.0
// CObList against a std::list doing the same: random insertions and removals at both ends and
// around found positions, across node blocks (block size 3) and through emptying, which gives
// the blocks back.
#include <Platform/CObList.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <list>
#include <random>

namespace {

struct Item : CObject {};

TEST(CObList, BehavesAsALinkedListOfPointers) {
    Item items[8];
    CObList list(3);
    std::list<CObject*> model;
    std::mt19937 random(7);
    for (int step = 0; step < 4000; ++step) {
        CObject* item = &items[random() % 8];
        // Index -1 and the count name no node: inserting at a null position is at an end.
        auto index = static_cast<std::intptr_t>(random() % (model.size() + 2)) - 1;
        POSITION pos = list.FindIndex(index);
        ASSERT_EQ(pos == nullptr, index < 0 || index == static_cast<std::intptr_t>(model.size()));
        auto at = index < 0 ? model.end() : std::next(model.begin(), index);
        switch (random() % 9) {
            case 0:
                list.AddHead(item), model.push_front(item);
                break;
            case 1:
                list.AddTail(item), model.push_back(item);
                break;
            case 2:
                list.InsertBefore(pos, item), model.insert(pos ? at : model.begin(), item);
                break;
            case 3:
                list.InsertAfter(pos, item), model.insert(pos ? std::next(at) : at, item);
                break;
            case 4:
                if (pos != nullptr) list.RemoveAt(pos), model.erase(at);
                break;
            case 5:
                EXPECT_EQ(list.RemoveHead(), model.empty() ? nullptr : model.front());
                if (!model.empty()) model.pop_front();
                break;
            case 6:
                EXPECT_EQ(list.RemoveTail(), model.empty() ? nullptr : model.back());
                if (!model.empty()) model.pop_back();
                break;
            case 7:
                if (pos != nullptr) list.SetAt(pos, item), *at = item;
                break;
            default: {
                POSITION found = list.Find(item);
                auto expected = std::find(model.begin(), model.end(), item);
                EXPECT_EQ(found == nullptr, expected == model.end());
                EXPECT_EQ(list.GetAt(found), found != nullptr ? item : nullptr);
                if (found != nullptr) {
                    auto next = std::find(std::next(expected), model.end(), item);
                    EXPECT_EQ(list.Find(item, found) == nullptr, next == model.end());
                }
            }
        }
        ASSERT_EQ(list.GetCount(), static_cast<std::intptr_t>(model.size()));
        POSITION forward = list.GetHeadPosition();
        for (CObject* expected : model) ASSERT_EQ(list.GetNext(forward), expected);
        EXPECT_EQ(forward, nullptr);
        POSITION backward = list.GetTailPosition();
        for (auto it = model.rbegin(); it != model.rend(); ++it)
            ASSERT_EQ(list.GetPrev(backward), *it);
    }
    list.RemoveAll();
    EXPECT_TRUE(list.IsEmpty());
    list.GetHead() = &items[0];  // through the reference an empty list hands out
    EXPECT_EQ(list.GetTail(), nullptr);
    EXPECT_EQ(list.FindIndex(0), nullptr);
    POSITION none = nullptr;
    EXPECT_EQ(list.GetNext(none), nullptr);
}

}  // namespace
