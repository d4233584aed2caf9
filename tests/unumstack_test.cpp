// SPDX-License-Identifier: MIT
// UNumStack and NameStack: last-in-first-out order, the counts, Top and Clear,
// and the empty-stack behaviour of Pop (fatal for numbers, "" for names).
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "base/unumstack.h"
#include "io/function.h"

namespace {

using qmsop::NameStack;
using qmsop::UNumStack;

TEST(UNumStack, PopsInReverseOrderAndCountsEveryStep)
{
    UNumStack stack;
    std::vector<std::uint32_t> counts{stack.numItems()};
    for (const std::uint32_t v : {1u, 2u, 3u}) {
        stack.Push(v);
        counts.push_back(stack.numItems());
        EXPECT_EQ(stack.Top(), v);
    }
    std::vector<std::uint32_t> popped;
    while (stack.numItems() != 0) {
        popped.push_back(stack.Pop());
        counts.push_back(stack.numItems());
    }
    EXPECT_EQ(popped, (std::vector<std::uint32_t>{3, 2, 1}));
    EXPECT_EQ(counts, (std::vector<std::uint32_t>{0, 1, 2, 3, 2, 1, 0}));
}

TEST(UNumStack, TopLeavesTheValueAndGivesAllBitsSetWhenEmpty)
{
    UNumStack stack;
    EXPECT_EQ(stack.Top(), 4294967295u);
    EXPECT_EQ(stack.numItems(), 0u);

    stack.Push(0);
    stack.Push(7);
    EXPECT_EQ(stack.Top(), 7u);
    EXPECT_EQ(stack.Top(), 7u);
    EXPECT_EQ(stack.numItems(), 2u);
}

TEST(UNumStack, AllBitsSetIsAnOrdinaryValueOnlyTheCountTellsApart)
{
    UNumStack stack;
    stack.Push(4294967295u);
    EXPECT_EQ(stack.Top(), UNumStack::kEmptyTop);
    EXPECT_EQ(stack.numItems(), 1u);
    EXPECT_EQ(stack.Pop(), 4294967295u);
    EXPECT_EQ(stack.numItems(), 0u);
}

TEST(UNumStack, ClearEmptiesAndTheStackIsReusable)
{
    UNumStack stack;
    stack.Clear();  // nothing to release
    EXPECT_EQ(stack.numItems(), 0u);

    for (std::uint32_t v = 0; v < 1000; ++v) {
        stack.Push(v);
    }
    stack.Clear();
    EXPECT_EQ(stack.numItems(), 0u);
    EXPECT_EQ(stack.Top(), UNumStack::kEmptyTop);

    stack.Push(42);
    EXPECT_EQ(stack.numItems(), 1u);
    EXPECT_EQ(stack.Pop(), 42u);
}

TEST(UNumStackDeathTest, PopOfAnEmptyStackIsAFatalAssertion)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_DEATH(
        {
            UNumStack stack;
            stack.Pop();
        },
        "numItems != 0");
    EXPECT_DEATH(
        {
            UNumStack stack;
            stack.Push(1);
            stack.Pop();
            stack.Pop();
        },
        "numItems != 0");
}

TEST(NameStack, PopsCopiesInReverseOrderAndCounts)
{
    NameStack stack;
    std::string name = "a";
    stack.Push(name);
    name = "changed after the push";
    stack.Push("B");
    stack.Push("");  // an empty name is still an entry
    stack.Push("a");
    EXPECT_EQ(stack.count(), 4u);

    EXPECT_EQ(stack.Pop(), "a");
    EXPECT_EQ(stack.Pop(), "");
    EXPECT_EQ(stack.count(), 2u);
    EXPECT_EQ(stack.Pop(), "B");
    EXPECT_EQ(stack.Pop(), "a");
    EXPECT_EQ(stack.count(), 0u);
}

TEST(NameStack, PopOfAnEmptyStackGivesEmptyNameAndKeepsCountZero)
{
    NameStack stack;
    EXPECT_EQ(stack.Pop(), "");
    EXPECT_EQ(stack.count(), 0u);

    stack.Push("x");
    EXPECT_EQ(stack.Pop(), "x");
    EXPECT_EQ(stack.Pop(), "");
    EXPECT_EQ(stack.Pop(), "");
    EXPECT_EQ(stack.count(), 0u);

    stack.Push("y");  // still usable after popping past the bottom
    EXPECT_EQ(stack.count(), 1u);
    EXPECT_EQ(stack.Pop(), "y");
}

TEST(NameStack, InterleavedPushAndPopKeepEveryNameWhole)
{
    // Names of very different lengths, pushed after pops, must not run into
    // each other; the stack still holding names at its end is simply destroyed.
    NameStack stack;
    stack.Push(std::string(62, 'z'));
    stack.Push("abc");
    EXPECT_EQ(stack.Pop(), "abc");
    stack.Push("");
    stack.Push("de");
    stack.Push(std::string(40, 'q'));
    EXPECT_EQ(stack.Pop(), std::string(40, 'q'));
    EXPECT_EQ(stack.Pop(), "de");
    stack.Push("f");
    EXPECT_EQ(stack.count(), 3u);
    EXPECT_EQ(stack.Pop(), "f");
    EXPECT_EQ(stack.Pop(), "");
    EXPECT_EQ(stack.Pop(), std::string(62, 'z'));
    EXPECT_EQ(stack.count(), 0u);

    for (int i = 0; i < 100; ++i) {
        stack.Push(std::string(static_cast<std::size_t>(i), 'n'));
    }
    EXPECT_EQ(stack.count(), 100u);
    EXPECT_EQ(stack.Pop(), std::string(99, 'n'));
}

}  // namespace
