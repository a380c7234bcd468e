#include "core/sparse_array.h"

#include <gtest/gtest.h>

#include <map>
#include <random>
#include <vector>

namespace {

std::vector<short> Read(SparseArray<short>& a) {
    std::vector<short> out;
    List<short*> values = a.Values();
    for (Item<short*>* i = values.Head(); i; i = i->next) out.push_back(*i->value);
    return out;
}

TEST(SparseArrayTest, AFreshArrayHoldsElementZeroWithTheDefault) {
    SparseArray<short> a(-1);
    EXPECT_EQ(Read(a), (std::vector<short>{-1}));
    short out = 5;
    EXPECT_TRUE(a.Find(0, out));
    EXPECT_EQ(out, -1);
}

TEST(SparseArrayTest, FindCreatesNothingIndexingCreatesTheDefault) {
    SparseArray<short> a(7);
    short out = 0;
    EXPECT_FALSE(a.Find(40, out));
    EXPECT_EQ(a.Values().Count(), 1);
    EXPECT_EQ(a[40], 7);
    EXPECT_EQ(a.Values().Count(), 2);
    a[-5] = 3;
    EXPECT_EQ(Read(a), (std::vector<short>{3, 7, 7})); // -5, 0, 40 in index order
}

TEST(SparseArrayTest, ClearKeepsElementZeroAndItsValue) {
    SparseArray<short> a(1);
    a[0] = 9;
    a[3] = 4;
    a.Clear();
    EXPECT_EQ(Read(a), (std::vector<short>{9}));
    EXPECT_EQ(a[3], 1);
}

TEST(BSTreeTest, RootIsNeverRemovedAndSetOverwrites) {
    BSTree<short> root(0, 0);
    EXPECT_FALSE(root.Remove(0));
    EXPECT_TRUE(root.Insert(5, 1));
    EXPECT_FALSE(root.Insert(5, 2));
    EXPECT_TRUE(root.Set(5, 3));
    short out = 0;
    EXPECT_TRUE(root.Find(5, out));
    EXPECT_EQ(out, 3);
    List<short*> values;
    root.AppendValues(values);
    EXPECT_EQ(values.Count(), 2);
    EXPECT_FALSE(root.AttachSubtree(nullptr));
}

TEST(BSTreeTest, RemovingANodeWithTwoSubtreesKeepsEveryOtherKey) {
    BSTree<short> root(0, 0);
    for (int k : {50, 30, 70, 20, 40, 60, 80, 35, 45}) root.Insert(k, static_cast<short>(k));
    EXPECT_TRUE(root.Remove(30));
    EXPECT_TRUE(root.Check(INT64_MIN, INT64_MAX));
    for (int k : {50, 70, 20, 40, 60, 80, 35, 45}) EXPECT_NE(root.FindValue(k), nullptr) << k;
    EXPECT_EQ(root.FindValue(30), nullptr);
    EXPECT_FALSE(root.Remove(30));
}

// Random mixes against std::map with the tree's check after every step.
TEST(SparseArrayTest, RandomMixAgreesWithAMap) {
    SparseArray<short> a(0);
    std::map<int, short> model{{0, 0}};
    std::mt19937 rng(99);
    for (int step = 0; step < 5000; ++step) {
        int key = static_cast<int>(rng() % 200) - 100;
        short value = static_cast<short>(rng() % 1000);
        switch (rng() % 5) {
        case 0:
            a[key] = value;
            model[key] = value;
            break;
        case 1: {
            short out = -1;
            bool found = a.Find(key, out);
            ASSERT_EQ(found, model.count(key) == 1);
            if (found) {
                ASSERT_EQ(out, model[key]);
            }
            break;
        }
        case 2:
            ASSERT_EQ(a.Remove(key), key != 0 && model.erase(key) == 1);
            break;
        case 3:
            ASSERT_EQ(a.Tree().Set(key, value), true);
            model[key] = value;
            break;
        case 4:
            if (rng() % 100 == 0) {
                a.Clear();
                short zero = model[0];
                model = {{0, zero}};
            }
            break;
        }
        ASSERT_TRUE(a.Check());
    }
    std::vector<short> expected;
    for (auto& [k, v] : model) expected.push_back(v);
    EXPECT_EQ(Read(a), expected);
}

TEST(SparseArrayTest, AscendingKeysMakeALongChainThatStillClears) {
    SparseArray<int> a(0);
    for (int k = 1; k <= 5000; ++k) a[k] = k;
    EXPECT_EQ(a[4321], 4321);
    a.Clear();
    EXPECT_EQ(a.Values().Count(), 1);
}

} // namespace
