#include "core/list.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <list>
#include <random>
#include <string>
#include <vector>

namespace {

template <class T>
std::vector<T> Values(const List<T>& list) {
    std::vector<T> out;
    for (Item<T>* i = list.Head(); i; i = i->next) out.push_back(i->value);
    return out;
}

List<short> Make(std::initializer_list<short> values) {
    List<short> l;
    for (short v : values) l.AddTail(v);
    return l;
}

// Random mixes of every changing operation against std::list, checking the invariants each step.
class ListRandomMix : public ::testing::TestWithParam<int> {};

TEST_P(ListRandomMix, AgreesWithAModelAndKeepsItsInvariants) {
    List<std::string> list(GetParam()); // shared pool, then private pool
    std::list<std::string> model;
    std::mt19937 rng(1234 + GetParam());
    for (int step = 0; step < 4000; ++step) {
        std::string v = std::to_string(rng() % 20);
        std::string out = "untouched";
        switch (rng() % 9) {
        case 0: list.AddTail(v); model.push_back(v); break;
        case 1: list.AddHead(v); model.push_front(v); break;
        case 2: {
            bool had = !model.empty();
            ASSERT_EQ(list.RemoveHead(out), had);
            if (had) {
                ASSERT_EQ(out, model.front());
                model.pop_front();
            } else {
                ASSERT_EQ(out, "untouched");
            }
            break;
        }
        case 3: {
            bool had = !model.empty();
            ASSERT_EQ(list.RemoveTail(out), had);
            if (had) {
                ASSERT_EQ(out, model.back());
                model.pop_back();
            }
            break;
        }
        case 4: {
            auto it = std::find(model.begin(), model.end(), v);
            ASSERT_EQ(list.Remove(v), it != model.end());
            if (it != model.end()) model.erase(it);
            break;
        }
        case 5: {
            int n = static_cast<int>(std::count(model.begin(), model.end(), v));
            ASSERT_EQ(list.RemoveAll(v), n);
            model.remove(v);
            break;
        }
        case 6: ASSERT_EQ(list.Contains(v), std::find(model.begin(), model.end(), v) != model.end()); break;
        case 7:
            if (rng() % 40 == 0) {
                list.Clear();
                model.clear();
            }
            break;
        case 8: {
            ListIterator<std::string> it(&list, static_cast<int>(rng() % 2));
            std::string x;
            int skip = static_cast<int>(rng() % 5);
            for (int k = 0; k < skip; ++k) it.Next(x);
            // The iterator chooses the place: check it against the model, then take the list.
            int expected = static_cast<int>(model.size());
            if (rng() % 2) expected -= it.RemoveLast() ? 1 : 0;
            else expected += it.Insert(v) ? 1 : 0;
            auto after = Values(list);
            ASSERT_EQ(static_cast<int>(after.size()), expected);
            model.assign(after.begin(), after.end());
            break;
        }
        }
        ASSERT_TRUE(list.Check());
        ASSERT_EQ(list.Count(), static_cast<int>(model.size()));
    }
    EXPECT_EQ(Values(list), std::vector<std::string>(model.begin(), model.end()));
}

INSTANTIATE_TEST_SUITE_P(SharedAndPrivatePools, ListRandomMix, ::testing::Values(0, 1));

TEST(ListTest, EmptyListOperationsFailAndLeaveTheOutArgument) {
    List<short> l;
    Queue<short> q;
    short out = 42;
    Item<short>* item = reinterpret_cast<Item<short>*>(&out);
    EXPECT_FALSE(l.PeekHead(out));
    EXPECT_FALSE(l.PeekTail(out));
    EXPECT_FALSE(l.HeadItem(item));
    EXPECT_FALSE(l.TailItem(item));
    EXPECT_FALSE(l.RemoveHead(out));
    EXPECT_FALSE(l.RemoveTail(out));
    EXPECT_FALSE(q.Dequeue(out));
    l.PopTail(out);
    EXPECT_EQ(out, 42);
    EXPECT_EQ(item, reinterpret_cast<Item<short>*>(&out));
}

TEST(ListTest, RemoveTakesTheFirstOfTwoEqualValues) {
    List<short> l = Make({1, 7, 2, 7, 3});
    EXPECT_TRUE(l.Remove(7));
    EXPECT_EQ(Values(l), (std::vector<short>{1, 2, 7, 3}));
    l = Make({7, 1, 7});
    EXPECT_EQ(l.RemoveAll(7), 2);
    EXPECT_EQ(Values(l), (std::vector<short>{1}));
}

TEST(ListTest, RemoveItemOfAnotherListIsRefused) {
    List<short> a = Make({1, 2});
    List<short> b = Make({1, 2});
    EXPECT_FALSE(a.RemoveItem(b.Head()));
    EXPECT_EQ(b.Count(), 2);
    EXPECT_TRUE(b.RemoveItem(b.Tail()));
    EXPECT_EQ(Values(b), (std::vector<short>{1}));
}

TEST(ListTest, IntersectionKeepsTheOtherOrderAndDuplicatesUnionAddsEachValueOnce) {
    List<short> a = Make({1, 2, 3});
    List<short> b = Make({3, 9, 1, 3});
    EXPECT_EQ(Values(a & b), (std::vector<short>{3, 1, 3}));
    EXPECT_EQ(Values(a | b), (std::vector<short>{1, 2, 3, 9}));
    EXPECT_EQ(Values(a | Make({5, 5})), (std::vector<short>{1, 2, 3, 5}));
}

TEST(ListTest, EqualityNeedsTheSameOrder) {
    EXPECT_FALSE(Make({1, 2}) == Make({2, 1}));
    EXPECT_TRUE(Make({}) == Make({}));
    EXPECT_TRUE(Make({4, 5}) == Make({4, 5}));
}

TEST(ListTest, CopiesAreDeepAndKeepThePoolKind) {
    List<std::string> privateList(1);
    privateList << "a" << "b";
    List<std::string> copy(privateList);
    EXPECT_TRUE(copy.HasPrivatePool());
    copy.AddTail("c");
    EXPECT_EQ(privateList.Count(), 2);
    List<std::string> assigned;
    assigned = copy;
    EXPECT_EQ(Values(assigned), (std::vector<std::string>{"a", "b", "c"}));
    assigned -= "b";
    std::string first;
    EXPECT_TRUE(assigned.GetFirst(first));
    EXPECT_EQ(first, "a");
}

TEST(ListTest, ClearingAPrivatePoolListLeavesItUsableAndSharedPoolStays) {
    List<Counted> mine(1);
    int before = Counted::live;
    for (int i = 0; i < 25; ++i) mine.AddTail(Counted(i));
    mine.Clear();
    // The private pool goes at once, but the values held are destroyed first.
    EXPECT_EQ(Counted::live, before);
    mine.AddTail(Counted(3));
    EXPECT_EQ(mine.Count(), 1);

    ItemPool shared = List<short>::SharedPool();
    List<short> a = Make({1, 2});
    List<short> b = Make({3});
    a.Clear();
    EXPECT_EQ(List<short>::SharedPool(), shared);
    EXPECT_EQ(Values(b), (std::vector<short>{3}));
}

TEST(ListTest, DestroyingAListDestroysItsValues) {
    int before = Counted::live;
    {
        List<Counted> shared;
        List<Counted> own(1);
        for (int i = 0; i < 30; ++i) {
            shared.AddTail(Counted(i));
            own.AddHead(Counted(i));
        }
    }
    EXPECT_EQ(Counted::live, before);
}

TEST(ListIteratorTest, AWalkEndsWithOneFalseThenStartsAgain) {
    List<short> l = Make({1, 2, 3});
    ListIterator<short> it(&l, 0);
    short v = 0;
    std::vector<short> seen;
    while (it.Next(v)) seen.push_back(v);
    EXPECT_EQ(seen, (std::vector<short>{1, 2, 3}));
    EXPECT_TRUE(it.Next(v));
    EXPECT_EQ(v, 1);

    ListIterator<short> back(&l, 1);
    seen.clear();
    while (back.Next(v)) seen.push_back(v);
    EXPECT_EQ(seen, (std::vector<short>{3, 2, 1}));
}

TEST(ListIteratorTest, ReverseContinuesFromTheItemReturnedLast) {
    List<short> l = Make({1, 2, 3, 4});
    ListIterator<short> it(&l);
    short v;
    it.Next(v);
    it.Next(v);
    it.Reverse();
    ASSERT_TRUE(it.Next(v));
    EXPECT_EQ(v, 1);
    ListIterator<short> fresh(&l);
    fresh.Reverse();
    ASSERT_TRUE(fresh.Next(v));
    EXPECT_EQ(v, 4);
}

TEST(ListIteratorTest, RemoveLastFollowsTheWalk) {
    List<short> l = Make({1, 2, 3});
    ListIterator<short> it(&l);
    short v;
    EXPECT_FALSE(it.RemoveLast()); // nothing returned yet
    it.Next(v);
    it.Next(v);
    EXPECT_TRUE(it.RemoveLast()); // removes 2, the walk goes on with 3
    ASSERT_TRUE(it.Next(v));
    EXPECT_EQ(v, 3);
    EXPECT_TRUE(it.RemoveLast()); // cursor null: removes the tail
    EXPECT_EQ(Values(l), (std::vector<short>{1}));
    EXPECT_FALSE(it.Next(v)); // ends the pass
    EXPECT_FALSE(it.RemoveLast());
}

TEST(ListIteratorTest, InsertGoesBetweenLastReturnedAndCursor) {
    List<short> empty;
    ListIterator<short> none(&empty);
    EXPECT_FALSE(none.Insert(5));

    List<short> l = Make({1, 3});
    ListIterator<short> it(&l);
    short v;
    it.Next(v);
    EXPECT_TRUE(it.Insert(2));
    ASSERT_TRUE(it.Next(v));
    EXPECT_EQ(v, 3); // the inserted value is not returned by this walk
    EXPECT_TRUE(it.Insert(4)); // cursor null: a new tail
    EXPECT_EQ(Values(l), (std::vector<short>{1, 2, 3, 4}));

    ListIterator<short> back(&l, 1);
    back.Next(v); // 4
    EXPECT_TRUE(back.Insert(9));
    EXPECT_EQ(Values(l), (std::vector<short>{1, 2, 3, 9, 4}));
}

TEST(ListIteratorTest, DetachedIteratorFailsEverything) {
    ListIterator<short> it;
    short v = 7;
    Item<short>* item = nullptr;
    EXPECT_TRUE(it.IsDetached());
    EXPECT_FALSE(it.Next(v));
    EXPECT_FALSE(it.Peek(v));
    EXPECT_FALSE(it.PeekItem(item));
    EXPECT_FALSE(it.Advance());
    EXPECT_FALSE(it.RemoveLast());
    EXPECT_FALSE(it.Insert(1));
    EXPECT_EQ(v, 7);
}

TEST(ListIteratorTest, PeekShowsTheCursorOrTheLastItemAtTheEnd) {
    List<short> l = Make({1, 2});
    ListIterator<short> it(&l);
    short v;
    ASSERT_TRUE(it.Peek(v));
    EXPECT_EQ(v, 1);
    it.Next(v);
    it.Next(v);
    ASSERT_TRUE(it.Peek(v));
    EXPECT_EQ(v, 2);
    EXPECT_TRUE(it.Advance()); // restarts at the head
}

TEST(QueueTest, FirstInFirstOut) {
    Queue<short> q;
    q.Enqueue(1);
    q.Enqueue(2);
    short v = 0;
    EXPECT_TRUE(q.Peek(v));
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(q.Dequeue(v));
    EXPECT_EQ(v, 1);
    EXPECT_TRUE(q.Dequeue());
    EXPECT_TRUE(q.IsEmpty());
}

} // namespace
