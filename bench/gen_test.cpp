// SPDX-License-Identifier: MIT
// The benchmark generator: exact counts, ascending distinct and disjoint
// lists inside 2^n, determinism per seed, and lines that qmsop reads back.
#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <sstream>
#include <stdexcept>
#include <vector>

#include "generate.h"
#include "io/function.h"

namespace {

using qmsop::bench::GenerateDense;
using qmsop::bench::GeneratedFunction;
using qmsop::bench::GenerateSparse;

void ExpectWellFormed(const GeneratedFunction& f, std::size_t minterms, std::size_t dontCares)
{
    ASSERT_EQ(f.minterms.size(), minterms);
    ASSERT_EQ(f.dontCares.size(), dontCares);
    for (const auto* list : {&f.minterms, &f.dontCares}) {
        EXPECT_TRUE(std::adjacent_find(list->begin(), list->end(), std::greater_equal<>()) ==
                    list->end())
            << "not strictly ascending";
        if (!list->empty() && f.numVars < 32) {
            EXPECT_LT(list->back(), std::uint64_t{1} << f.numVars);
        }
    }
    std::vector<std::uint32_t> both;
    std::set_intersection(f.minterms.begin(), f.minterms.end(), f.dontCares.begin(),
                          f.dontCares.end(), std::back_inserter(both));
    EXPECT_TRUE(both.empty()) << both.size() << " numbers are minterms and don't-cares";
}

TEST(Generator, DenseAndSparseListsAreExactDistinctAndDisjoint)
{
    struct Case {
        GeneratedFunction f;
        std::size_t minterms, dontCares;
    };
    const Case cases[] = {
        {GenerateDense(14, 0.5, 0.1, 1), 8192, 1638},
        {GenerateDense(3, 0.5, 0.5, 7), 4, 4},  // the whole space
        {GenerateDense(4, 0.0, 0.0, 1), 0, 0},
        {GenerateSparse(32, 5000, 300, 1), 5000, 300},
        {GenerateSparse(24, 2000, 0, 2), 2000, 0},
        {GenerateSparse(4, 10, 6, 3), 10, 6},  // more than half: by shuffle
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.f.numVars);
        ExpectWellFormed(c.f, c.minterms, c.dontCares);
    }
}

TEST(Generator, SameSeedSameFunctionOtherSeedOther)
{
    EXPECT_EQ(InputLine(GenerateDense(12, 0.5, 0.1, 3)), InputLine(GenerateDense(12, 0.5, 0.1, 3)));
    EXPECT_NE(InputLine(GenerateDense(12, 0.5, 0.1, 3)), InputLine(GenerateDense(12, 0.5, 0.1, 4)));
    EXPECT_EQ(InputLine(GenerateSparse(32, 100, 5, 9)), InputLine(GenerateSparse(32, 100, 5, 9)));
    EXPECT_NE(InputLine(GenerateSparse(32, 100, 5, 9)), InputLine(GenerateSparse(32, 100, 5, 8)));
    // A fixed generator, not the standard library's distributions, so that a
    // result table is reproducible on any toolchain: splitmix64's known output.
    qmsop::bench::SplitMix64 random(0);
    EXPECT_EQ(random.Next(), 0xE220A8397B1DCDAFULL);
}

TEST(Generator, SparseUsesTheHighBitsAt32Variables)
{
    const GeneratedFunction f = GenerateSparse(32, 2000, 0, 1);
    EXPECT_GE(f.minterms.back(), 0x80000000u);
}

TEST(Generator, LinesAreReadBackByQmsop)
{
    for (const GeneratedFunction& f : {GenerateDense(10, 0.5, 0.1, 1), GenerateSparse(32, 50, 5, 1),
                                       GenerateSparse(5, 3, 0, 1)}) {
        std::istringstream in(InputLine(f));
        qmsop::BooleanFunction read;
        const qmsop::ReadResult result = qmsop::ReadFunction(in, read);
        ASSERT_TRUE(result.accepted) << qmsop::DescribeRefusal(result);
        EXPECT_EQ(read.names, qmsop::bench::VariableNames(f.numVars));
        EXPECT_EQ(read.minterms, f.minterms);
        EXPECT_EQ(read.dontCares, f.dontCares);
    }
}

TEST(Generator, RefusesWhatDoesNotFit)
{
    EXPECT_THROW(GenerateDense(0, 0.5, 0.1, 1), std::invalid_argument);
    EXPECT_THROW(GenerateDense(27, 0.5, 0.1, 1), std::invalid_argument);
    EXPECT_THROW(GenerateDense(8, 0.6, 0.5, 1), std::invalid_argument);
    EXPECT_THROW(GenerateDense(8, -0.1, 0.0, 1), std::invalid_argument);
    EXPECT_THROW(GenerateSparse(33, 1, 0, 1), std::invalid_argument);
    EXPECT_THROW(GenerateSparse(3, 8, 1, 1), std::invalid_argument);
}

}  // namespace
