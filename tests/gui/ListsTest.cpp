#include "Exceptions.h"
#include "GuiTestSupport.h"
#include "Lists.h"

#include <gtest/gtest.h>

namespace {

int values[] = {0, 1, 2, 3, 4};

std::vector<int> Contents(const TList& list)
{
    std::vector<int> result;
    for (int i = 0; i < list.GetCount(); ++i) result.push_back(*static_cast<int*>(list[i]));
    return result;
}

TEST(List, KeepsPointersInOrder)
{
    TList list;
    EXPECT_EQ(list.Add(&values[1]), 0);
    EXPECT_EQ(list.Add(&values[3]), 1);
    list.Insert(0, &values[0]);
    list.Insert(3, &values[4]);
    list.Insert(2, &values[2]);
    EXPECT_EQ(Contents(list), (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_EQ(list.IndexOf(&values[3]), 3);
    EXPECT_EQ(list.First(), &values[0]);
    EXPECT_EQ(list.Last(), &values[4]);

    list.Move(0, 4);
    EXPECT_EQ(Contents(list), (std::vector<int>{1, 2, 3, 4, 0}));
    list.Exchange(0, 4);
    EXPECT_EQ(Contents(list), (std::vector<int>{0, 2, 3, 4, 1}));
    EXPECT_EQ(list.Remove(&values[3]), 2);
    EXPECT_EQ(list.Remove(&values[3]), -1);
    list.Delete(0);
    list.Put(0, &values[0]);
    EXPECT_EQ(Contents(list), (std::vector<int>{0, 4, 1}));

    list.Sort([](void* a, void* b) { return *static_cast<int*>(a) - *static_cast<int*>(b); });
    EXPECT_EQ(Contents(list), (std::vector<int>{0, 1, 4}));
    list.Clear();
    EXPECT_EQ(list.GetCount(), 0);
    EXPECT_EQ(list.IndexOf(&values[0]), -1);
}

TEST(List, IndexErrorsNameTheIndex)
{
    TList list;
    list.Add(&values[0]);
    auto message = [](auto call) { return tvmtest::MessageOf<EListError>(call); };
    EXPECT_EQ(message([&] { list.Get(1); }), "List index out of bounds (1)");
    EXPECT_EQ(message([&] { list.Get(-1); }), "List index out of bounds (-1)");
    EXPECT_EQ(message([&] { list.Put(2, nullptr); }), "List index out of bounds (2)");
    EXPECT_EQ(message([&] { list.Insert(2, nullptr); }), "List index out of bounds (2)");
    EXPECT_EQ(message([&] { list.Delete(1); }), "List index out of bounds (1)");
    EXPECT_EQ(message([&] { list.Exchange(0, 3); }), "List index out of bounds (3)");
    EXPECT_EQ(message([&] { list.Move(0, 1); }), "List index out of bounds (1)");
    EXPECT_EQ(list.GetCount(), 1);
}

}

TEST(Bits, GrowWhenSetAndFindTheFirstClearBit)
{
    TBits bits;
    EXPECT_EQ(bits.OpenBit(), 0);
    bits.SetBits(2, true);
    EXPECT_EQ(bits.Size(), 3);
    EXPECT_FALSE(bits.Bits(0));
    EXPECT_EQ(bits.OpenBit(), 0);
    bits.SetBits(0, true);
    bits.SetBits(1, true);
    EXPECT_EQ(bits.OpenBit(), 3) << "all set: the size";
    bits.SetBits(1, false);
    EXPECT_EQ(bits.OpenBit(), 1);
    EXPECT_THROW(bits.Bits(3), EBitsError);
    EXPECT_THROW(bits.SetBits(-1, true), EBitsError);
    bits.SetSize(1);
    EXPECT_EQ(bits.Size(), 1);
    EXPECT_TRUE(bits.Bits(0));
}
