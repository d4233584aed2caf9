// SPDX-License-Identifier: MIT
// Tests of the tabulation unit: implicants, groups, columns, the column list,
// the search for prime implicants and the tabulation report.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <random>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "io/function.h"
#include "tabulation/quine.h"

namespace {

using qmsop::Column;
using qmsop::Group;
using qmsop::Implicant;
using qmsop::Quine;
using Numbers = std::vector<std::uint32_t>;

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

std::string Joined(std::span<const std::uint32_t> numbers)
{
    std::string text;
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        text += i == 0 ? "" : ",";
        text += std::to_string(numbers[i]);
    }
    return text;
}

// An implicant filled through AddMinterm in the given order.
Implicant MakeImplicant(const Numbers& minterms, bool withDiffs = false)
{
    Implicant implicant(4);
    for (const std::uint32_t m : minterms) {
        implicant.AddMinterm(m);
    }
    if (withDiffs) {
        implicant.ComputeDiffs();
    }
    return implicant;
}

// The difference array as numbers, or nothing while it is absent.
std::optional<Numbers> DiffsOf(const Implicant& implicant)
{
    const auto diffs = implicant.Diffs();
    return diffs ? std::optional<Numbers>(Numbers(diffs->begin(), diffs->end())) : std::nullopt;
}

// Every position of the implicant through Minterm(), so the accessor itself
// is what the tests look at.
Numbers MintermsOf(const Implicant& implicant)
{
    Numbers values;
    for (std::uint32_t i = 0; i < implicant.numMinterms(); ++i) {
        values.push_back(implicant.Minterm(i));
    }
    return values;
}

void SetFunction(Quine& quine, std::uint32_t numVars, const Numbers& minterms,
                 const Numbers& dontCares = {})
{
    qmsop::BooleanFunction& func = quine.func;
    func.names.clear();
    for (std::uint32_t v = 0; v < numVars; ++v) {
        func.names.push_back(std::string(1, static_cast<char>('a' + v % 26)) + std::to_string(v));
    }
    func.minterms = minterms;
    func.dontCares = dontCares;
}

// The state of one implicant, independent of the report's own rendering:
// minterms, differences when the array exists, " U" when used and " #n" for
// any non-zero piNumber (also on a used implicant).
std::string State(const Implicant& implicant)
{
    std::string text = Joined(MintermsOf(implicant));
    if (const auto diffs = implicant.Diffs()) {
        text += " (" + Joined(*diffs) + ")";
    }
    if (implicant.used) {
        text += " U";
    }
    if (implicant.piNumber != 0) {
        text += " #";
        text += std::to_string(implicant.piNumber);
    }
    return text;
}

// Columns, each a list of its groups, each group its implicants' states
// joined by " | " (an empty group is "").
using Dump = std::vector<std::vector<std::string>>;

Dump DumpOf(const Quine& quine)
{
    Dump dump;
    for (std::uint32_t c = 0; c < quine.numColumns(); ++c) {
        const Column& column = *quine.Columns()[c];
        std::vector<std::string> groups;
        for (std::uint32_t g = 0; g < column.numGroups(); ++g) {
            const Group& group = *column.GroupAt(g);
            std::string text;
            for (std::uint32_t i = 0; i < group.numImplicants(); ++i) {
                text += i == 0 ? "" : " | ";
                text += State(*group.ImplicantAt(i));
            }
            groups.push_back(text);
        }
        dump.push_back(groups);
    }
    return dump;
}

// Implicants per group, per column.
std::vector<Numbers> ShapeOf(const Quine& quine)
{
    std::vector<Numbers> shape;
    for (const auto& column : quine.Columns()) {
        Numbers counts;
        for (const Group& group : column->Groups()) {
            counts.push_back(group.numImplicants());
        }
        shape.push_back(counts);
    }
    return shape;
}

std::vector<std::string> PrimeTexts(const Quine& quine)
{
    std::vector<std::string> texts;
    if (quine.primeImplicants()) {
        for (const Implicant* pi : *quine.primeImplicants()) {
            std::ostringstream out;
            out << *pi;
            texts.push_back(out.str());
        }
    }
    return texts;
}

template <typename T>
std::string Text(const T& object)
{
    std::ostringstream out;
    out << object;
    return out.str();
}

// ------------------------------------------------------------------ Implicant

TEST(ImplicantTest, AddMintermKeepsAscendingOrderAndMintermPastTheEndIsAllOnes)
{
    const Implicant implicant = MakeImplicant({5, 3, 5, 1});
    EXPECT_EQ(implicant.numMinterms(), 4u);
    EXPECT_EQ(MintermsOf(implicant), (Numbers{1, 3, 5, 5}));
    EXPECT_EQ(implicant.Minterm(3), 5u);
    EXPECT_EQ(implicant.Minterm(4), kNone);
    EXPECT_EQ(implicant.Minterm(100), kNone);
    EXPECT_EQ(DiffsOf(implicant), std::nullopt);

    const Implicant empty(3);
    EXPECT_EQ(empty.Minterm(0), kNone);
    EXPECT_EQ(empty.numVars(), 3u);

    // Unsigned comparison: the largest number sorts last.
    EXPECT_EQ(MintermsOf(MakeImplicant({kNone, 0, 7})), (Numbers{0, 7, kNone}));
}

TEST(ImplicantTest, ComputeDiffs)
{
    const struct {
        Numbers minterms;
        Numbers diffs;
    } cases[] = {
        {{0, 1, 8, 9}, {1, 8}},
        {{0, 2, 8, 10}, {2, 8}},
        {{0, 1, 2, 3, 4, 5, 6, 7}, {1, 2, 4}},
        {{5, 1}, {4}},
        {{1, 3, 7}, {2, 6}},           // three minterms: k = 2
        {{4, 3, 2, 1, 0}, {1, 2, 4}},  // five minterms: k = 3
        {{9}, {}},                     // present but empty
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(Joined(c.minterms));
        Implicant implicant = MakeImplicant(c.minterms);
        EXPECT_TRUE(implicant.ComputeDiffs());
        EXPECT_EQ(DiffsOf(implicant), c.diffs);
        EXPECT_EQ(implicant.numDiffs(), c.diffs.size());
    }

    Implicant empty(2);
    EXPECT_FALSE(empty.ComputeDiffs());
    EXPECT_EQ(DiffsOf(empty), std::nullopt);
    EXPECT_EQ(empty.numDiffs(), 0u);
}

TEST(ImplicantTest, MintermSumWrapsModulo2To32)
{
    EXPECT_EQ(MakeImplicant({1, 3, 5, 7}).MintermSum(), 16u);
    EXPECT_EQ(MakeImplicant({4294967295u, 2}).MintermSum(), 1u);
    EXPECT_EQ(Implicant(2).MintermSum(), 0u);
    // The constructor that takes a whole list keeps the same sum.
    EXPECT_EQ(Implicant(2, Numbers{2, 4294967295u}).MintermSum(), 1u);
    EXPECT_EQ(MintermsOf(Implicant(2, Numbers{2, 4294967295u})), (Numbers{2, 4294967295u}));
}

TEST(ImplicantTest, SameDiffsComparesOnlyTheFirstArgumentsEntries)
{
    const auto none = MakeImplicant({3});                  // no array
    const auto emptyArray = MakeImplicant({3}, true);      // present, empty
    const auto d28 = MakeImplicant({0, 2, 8, 10}, true);   // (2,8)
    const auto d28b = MakeImplicant({1, 3, 9, 11}, true);  // (2,8)
    const auto d48 = MakeImplicant({0, 4, 8, 12}, true);   // (4,8)
    const auto d1 = MakeImplicant({0, 1}, true);           // (1)
    const auto d14 = MakeImplicant({0, 1, 4, 5}, true);    // (1,4)
    const auto d2 = MakeImplicant({0, 2}, true);           // (2)

    EXPECT_TRUE(Implicant::SameDiffs(none, d28));
    EXPECT_TRUE(Implicant::SameDiffs(emptyArray, d28));
    EXPECT_TRUE(Implicant::SameDiffs(d28, d28b));
    EXPECT_FALSE(Implicant::SameDiffs(d28, d48));
    EXPECT_FALSE(Implicant::SameDiffs(d1, d2));
    EXPECT_TRUE(Implicant::SameDiffs(d1, d14));
    // The other way round b is too short to hold a's entries.
    EXPECT_FALSE(Implicant::SameDiffs(d14, d1));
}

TEST(ImplicantTest, ClearEmptiesEverythingButNumVarsAndAllowsRefilling)
{
    Implicant implicant(5);
    for (const std::uint32_t m : {2u, 6u}) {
        implicant.AddMinterm(m);
    }
    implicant.ComputeDiffs();
    implicant.used = true;
    implicant.piNumber = 3;

    implicant.Clear();
    EXPECT_EQ(implicant.numMinterms(), 0u);
    EXPECT_EQ(implicant.Minterm(0), kNone);
    EXPECT_EQ(DiffsOf(implicant), std::nullopt);
    EXPECT_EQ(implicant.numDiffs(), 0u);
    EXPECT_EQ(implicant.MintermSum(), 0u);
    EXPECT_FALSE(implicant.used);
    EXPECT_EQ(implicant.piNumber, 0u);
    EXPECT_EQ(implicant.numVars(), 5u);
    EXPECT_EQ(Text(implicant), "");

    implicant.AddMinterm(9);
    implicant.AddMinterm(1);
    EXPECT_EQ(MintermsOf(implicant), (Numbers{1, 9}));
    EXPECT_EQ(implicant.MintermSum(), 10u);
    EXPECT_TRUE(implicant.ComputeDiffs());
    EXPECT_EQ(DiffsOf(implicant), (Numbers{8}));
}

// ---------------------------------------------------------- Group and Column

// Implicants told apart by a second minterm: {key, key + tag}.
TEST(GroupTest, AddImplicantOrdersBySmallestMintermNewestFirst)
{
    Group group;
    group.AddImplicant(MakeImplicant({5, 6}));
    group.AddImplicant(MakeImplicant({1}));
    group.AddImplicant(MakeImplicant({5, 7}));
    group.AddImplicant(MakeImplicant({3}));
    ASSERT_EQ(group.numImplicants(), 4u);
    std::vector<Numbers> order;
    for (std::uint32_t i = 0; i < group.numImplicants(); ++i) {
        order.push_back(MintermsOf(*group.ImplicantAt(i)));
    }
    EXPECT_EQ(order, (std::vector<Numbers>{{1}, {3}, {5, 7}, {5, 6}}));
    EXPECT_EQ(group.ImplicantAt(0), &group.Implicants().front());
    EXPECT_EQ(group.ImplicantAt(4), nullptr);
    EXPECT_EQ(group.ImplicantAt(kNone), nullptr);

    // A key larger than all goes last, a smaller one first.
    group.AddImplicant(MakeImplicant({9}));
    group.AddImplicant(MakeImplicant({0}));
    EXPECT_EQ(group.ImplicantAt(0)->Minterm(0), 0u);
    EXPECT_EQ(group.ImplicantAt(5)->Minterm(0), 9u);

    group.Clear();
    EXPECT_EQ(group.numImplicants(), 0u);
    EXPECT_EQ(group.ImplicantAt(0), nullptr);
    EXPECT_EQ(group.FindMinterms(Numbers{9}), nullptr);
}

TEST(GroupTest, AppendThenSortGivesTheOrderOfAddImplicant)
{
    std::mt19937 random(7);
    for (int round = 0; round < 20; ++round) {
        SCOPED_TRACE(round);
        Group added;
        Group bulk;
        const int count = 1 + static_cast<int>(random() % 40);
        for (int i = 0; i < count; ++i) {
            // Few distinct keys, so equal keys are common; the tag i tells
            // the implicants apart.
            const std::uint32_t key = random() % 6;
            const Numbers minterms{key, 100u + static_cast<std::uint32_t>(i)};
            added.AddImplicant(MakeImplicant(minterms));
            bulk.Append(MakeImplicant(minterms));
        }
        bulk.SortImplicants();
        ASSERT_EQ(bulk.numImplicants(), added.numImplicants());
        for (std::uint32_t i = 0; i < added.numImplicants(); ++i) {
            EXPECT_EQ(MintermsOf(*bulk.ImplicantAt(i)), MintermsOf(*added.ImplicantAt(i)));
        }
    }
}

TEST(GroupTest, FindMintermsMatchesTheWholeListOnly)
{
    Group group;
    EXPECT_EQ(group.FindMinterms(Numbers{0, 1}), nullptr);
    group.AddImplicant(MakeImplicant({0, 1, 8, 9}));
    group.Append(MakeImplicant({0, 2, 8, 10}));
    const Implicant* first = group.ImplicantAt(0);

    EXPECT_EQ(group.FindMinterms(Numbers{0, 1, 8, 9}), first);
    EXPECT_EQ(group.FindMinterms(Numbers{0, 2, 8, 10}), group.ImplicantAt(1));
    EXPECT_EQ(group.FindMinterms(Numbers{0, 1, 8}), nullptr);
    EXPECT_EQ(group.FindMinterms(Numbers{0, 1, 8, 9, 16}), nullptr);
    EXPECT_EQ(group.FindMinterms(Numbers{0, 1, 9, 8}), nullptr);
    EXPECT_EQ(group.FindMinterms(Numbers{}), nullptr);

    // The duplicate search of the tabulation: a and b together.
    const Quine quine;
    EXPECT_EQ(quine.FindDuplicate(MakeImplicant({0, 1}), MakeImplicant({8, 9}), group), first);
    EXPECT_EQ(quine.FindDuplicate(MakeImplicant({0, 8}), MakeImplicant({1, 9}), group), first);
    EXPECT_EQ(quine.FindDuplicate(MakeImplicant({0, 4}), MakeImplicant({8, 12}), group), nullptr);
}

TEST(ColumnTest, GroupAtWalksPositionsAndGivesNoneAtTheEnd)
{
    Column column;
    EXPECT_EQ(column.GroupAt(0), nullptr);
    column.AddGroup();
    column.AddGroups(1);
    column.GroupAt(1)->AddImplicant(MakeImplicant({4}));
    EXPECT_EQ(column.numGroups(), 2u);
    EXPECT_EQ(column.GroupAt(0), &column.Groups()[0]);
    EXPECT_EQ(column.GroupAt(0)->numImplicants(), 0u);
    EXPECT_EQ(column.GroupAt(1)->numImplicants(), 1u);
    EXPECT_EQ(column.GroupAt(2), nullptr);
    column.Clear();
    EXPECT_EQ(column.numGroups(), 0u);
    EXPECT_EQ(column.GroupAt(0), nullptr);
}

TEST(QuineInsertTest, AppendsColumnsAndKeepsTheHead)
{
    Quine quine;
    EXPECT_EQ(quine.head(), nullptr);
    quine.Insert(std::make_unique<Column>());
    Column* first = quine.head();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(quine.tail(), first);
    EXPECT_EQ(quine.numColumns(), 1u);
    quine.Insert(std::make_unique<Column>());
    EXPECT_EQ(quine.head(), first);
    EXPECT_NE(quine.tail(), first);
    EXPECT_EQ(quine.numColumns(), 2u);
}

TEST(QuineInsertDeathTest, NullColumnIntoAnEmptyListIsAFatalAssertion)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    Quine quine;
    EXPECT_DEATH(quine.Insert(nullptr), "quine.*Insert.*Assertion `head' failed");
}

// ----------------------------------------------------------------- Tabulation

TEST(TabulationTest, WorkedExampleWithADontCare)
{
    Quine quine;
    std::istringstream in("f(a,b,c) = m(1,3,5,7) + d(0)");
    ASSERT_TRUE(qmsop::ReadFunction(in, quine.func).accepted);
    ASSERT_TRUE(quine.FindPrimeImplicants());
    EXPECT_TRUE(quine.done());
    EXPECT_EQ(quine.numVars(), 3u);
    EXPECT_EQ(DumpOf(quine), (Dump{
                                 {"0 U", "1 U", "3 U | 5 U", "7 U"},
                                 {"0,1 (1) #1", "1,5 (4) U | 1,3 (2) U", "3,7 (4) U | 5,7 (2) U"},
                                 {"", "1,3,5,7 (2,4) #2"},
                                 {""},
                             }));
    EXPECT_EQ(quine.numColumns(), 4u);
    EXPECT_EQ(quine.numPIs(), 2u);
    EXPECT_EQ(PrimeTexts(quine), (std::vector<std::string>{"0,1 (1) PI#1", "1,3,5,7 (2,4) PI#2"}));
}

// Used implicants keep the provisional number they got at their own turn
// when they had already been combined as a partner.
TEST(TabulationTest, WorkedExampleWithFourVariables)
{
    Quine quine;
    SetFunction(quine, 4, {0, 1, 2, 5, 6, 7, 8, 9, 10, 14});
    ASSERT_TRUE(quine.FindPrimeImplicants());
    EXPECT_EQ(DumpOf(quine),
              (Dump{
                  {"0 U", "1 U | 2 U | 8 U", "5 U | 6 U | 9 U #1 | 10 U", "7 U #1 | 14 U #1", ""},
                  {"0,8 (8) U | 0,2 (2) U | 0,1 (1) U",
                   "1,9 (8) U #1 | 1,5 (4) #1 | 2,10 (8) U | 2,6 (4) U | 8,10 (2) U #2 | "
                   "8,9 (1) U #2",
                   "5,7 (2) #2 | 6,14 (8) U #3 | 6,7 (1) #3 | 10,14 (4) U #4", ""},
                  {"0,2,8,10 (2,8) #4 | 0,1,8,9 (1,8) #5", "2,6,10,14 (4,8) #6", ""},
                  {"", ""},
              }));
    EXPECT_EQ(quine.numColumns(), 4u);
    EXPECT_EQ(quine.numPIs(), 6u);
    EXPECT_EQ(PrimeTexts(quine),
              (std::vector<std::string>{"1,5 (4) PI#1", "5,7 (2) PI#2", "6,7 (1) PI#3",
                                        "0,2,8,10 (2,8) PI#4", "0,1,8,9 (1,8) PI#5",
                                        "2,6,10,14 (4,8) PI#6"}));
    // The array refers to the implicants in the columns, not to copies.
    EXPECT_EQ((*quine.primeImplicants())[0], quine.Columns()[1]->GroupAt(1)->ImplicantAt(1));
}

TEST(TabulationTest, SmallFunctions)
{
    const struct {
        const char* name;
        std::uint32_t numVars;
        Numbers minterms;
        Numbers dontCares;
        std::vector<Numbers> shape;
        std::vector<std::string> primes;
    } cases[] = {
        {"m(1,2): nothing combines", 2, {1, 2}, {}, {{0, 2, 0}, {0, 0}}, {"1 PI#1", "2 PI#2"}},
        {"one variable, m(0,1): last column has no groups",
         1,
         {0, 1},
         {},
         {{1, 1}, {1}, {}},
         {"0,1 (1) PI#1"}},
        {"m(0..7): duplicates add nothing",
         3,
         {0, 1, 2, 3, 4, 5, 6, 7},
         {},
         {{1, 3, 3, 1}, {3, 6, 3}, {3, 3}, {1}, {}},
         {"0,1,2,3,4,5,6,7 (1,2,4) PI#1"}},
        {"m(3,3): twice the same number", 2, {3, 3}, {}, {{0, 0, 2}, {0, 0}}, {"3 PI#1", "3 PI#2"}},
        {"m(1) + d(1)", 2, {1}, {1}, {{0, 2, 0}, {0, 0}}, {"1 PI#1", "1 PI#2"}},
        {"m(5) in two variables: group of the low bits",
         2,
         {5},
         {},
         {{0, 1, 0}, {0, 0}},
         {"5 PI#1"}},
        {"m(2,3) in one variable: numbers are not range-checked",
         1,
         {3, 2},
         {},
         {{1, 1}, {1}, {}},
         {"2,3 (1) PI#1"}},
        {"numbers near 2^32 take part whole",
         1,
         {4294967295u, 4294967294u},
         {},
         {{1, 1}, {1}, {}},
         {"4294967294,4294967295 (1) PI#1"}},
        {"m(3,4): a sum that falls is never paired",
         3,
         {3, 4},
         {},
         {{0, 1, 1, 0}, {0, 0, 0}},
         {"4 PI#1", "3 PI#2"}},
        {"a don't-care only widens a prime implicant",
         3,
         {1, 3},
         {5, 7},
         {{0, 1, 2, 1}, {0, 2, 2}, {0, 1}, {0}},
         {"1,3,5,7 (2,4) PI#1"}},
        {"all 32 bits of the sum difference are tested",
         5,
         {4, 5, 6, 7, 24, 25, 26, 27},
         {},
         {{0, 1, 3, 3, 1, 0}, {0, 2, 4, 2, 0}, {0, 1, 1, 0}, {0, 0, 0}},
         {"4,5,6,7 (1,2) PI#1", "24,25,26,27 (1,2) PI#2"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Quine quine;
        SetFunction(quine, c.numVars, c.minterms, c.dontCares);
        ASSERT_TRUE(quine.FindPrimeImplicants());
        EXPECT_EQ(ShapeOf(quine), c.shape);
        EXPECT_EQ(quine.numColumns(), c.shape.size());
        EXPECT_EQ(quine.numPIs(), c.primes.size());
        EXPECT_EQ(PrimeTexts(quine), c.primes);
    }
}

TEST(TabulationTest, TwoVariablesZeroAndOneLeaveANumberOnAUsedImplicant)
{
    Quine quine;
    SetFunction(quine, 2, {0, 1});
    ASSERT_TRUE(quine.FindPrimeImplicants());
    EXPECT_EQ(DumpOf(quine), (Dump{{"0 U", "1 U #1", ""}, {"0,1 (1) #1", ""}, {""}}));
    EXPECT_EQ(PrimeTexts(quine), (std::vector<std::string>{"0,1 (1) PI#1"}));
}

TEST(TabulationTest, NoVariablesOrNoMintermsGiveOneColumnWithoutGroups)
{
    const struct {
        const char* name;
        std::uint32_t numVars;
        Numbers minterms;
        Numbers dontCares;
    } cases[] = {
        {"empty function", 0, {}, {}},
        {"minterms but no variables", 0, {1, 2}, {}},
        {"variables but no minterms", 2, {}, {}},
        {"don't-cares only", 2, {}, {1, 3}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Quine quine;
        SetFunction(quine, c.numVars, c.minterms, c.dontCares);
        EXPECT_FALSE(quine.FindPrimeImplicants());
        EXPECT_FALSE(quine.done());
        EXPECT_EQ(quine.numColumns(), 1u);
        EXPECT_EQ(quine.head()->numGroups(), 0u);
        EXPECT_EQ(quine.numPIs(), 0u);
        EXPECT_FALSE(quine.primeImplicants().has_value());
        EXPECT_EQ(Text(quine), "");

        EXPECT_FALSE(quine.FindPrimeImplicants());
        EXPECT_EQ(quine.numColumns(), 2u);
        EXPECT_EQ(quine.tail()->numGroups(), 0u);
        EXPECT_FALSE(quine.primeImplicants().has_value());
    }
}

// With 31 variables the group of a first-column number is the count of one
// bits among its lowest 31 bits: 2^31 goes to group 0 and 2^31 + 1 to group
// 1, where they combine; 3 stands in group 2 and combines with neither.
// (Counting all 32 bits would put 3 in front of 2^31 + 1 in group 2 and
// number it first.)
TEST(TabulationTest, ThirtyOneVariablesCountOnlyTheLowestThirtyOneBits)
{
    Quine quine;
    SetFunction(quine, 31, {0x80000001u, 3, 0x80000000u});
    ASSERT_TRUE(quine.FindPrimeImplicants());
    const Column& first = *quine.head();
    ASSERT_EQ(first.numGroups(), 32u);
    EXPECT_EQ(DumpOf(quine)[0][0], "2147483648 U");
    EXPECT_EQ(DumpOf(quine)[0][1], "2147483649 U #1");
    EXPECT_EQ(DumpOf(quine)[0][2], "3 #1");
    EXPECT_EQ(PrimeTexts(quine),
              (std::vector<std::string>{"3 PI#1", "2147483648,2147483649 (1) PI#2"}));
}

// 31 variables, the cubes {0..3} and {2^30..2^30+3}: their sums, 6 and
// 2^32 + 6, are equal modulo 2^32, so the two never pair, and both stay
// prime implicants beside the cube of all eight that other pairs make.
TEST(TabulationTest, SumsThatWrapPastTwoToThe32NeverPair)
{
    Quine quine;
    const std::uint32_t top = 1u << 30;
    SetFunction(quine, 31, {0, 1, 2, 3, top, top + 1, top + 2, top + 3});
    ASSERT_TRUE(quine.FindPrimeImplicants());
    EXPECT_EQ(PrimeTexts(quine),
              (std::vector<std::string>{
                  "0,1,2,3 (1,2) PI#1", "1073741824,1073741825,1073741826,1073741827 (1,2) PI#2",
                  "0,1,2,3,1073741824,1073741825,1073741826,1073741827 (1,2,1073741824) PI#3"}));
}

// Released columns: the same prime implicants, numbered alike, owned by the
// Quine, and no column keeps a group. The functions mix repeats, numbers
// beyond 2^numVars and near 2^32, and wide functions whose sums wrap in the
// later columns.
TEST(TabulationTest, ReleasedColumnsKeepThePrimeImplicants)
{
    std::mt19937 random(11);
    for (int trial = 0; trial < 300; ++trial) {
        SCOPED_TRACE(trial);
        const bool wide = trial % 3 == 0;
        const std::uint32_t numVars = wide ? 28 + random() % 6 : 1 + random() % 8;
        const std::uint32_t base = wide ? static_cast<std::uint32_t>(random()) & ~0x3Fu : 0;
        const std::uint32_t range = wide ? 64 : 1u << numVars;
        Numbers minterms;
        Numbers dontCares;
        const std::uint32_t count = random() % (wide ? 64 : 40);
        for (std::uint32_t i = 0; i < count; ++i) {
            const std::uint32_t roll = random() % 10;
            const std::uint32_t value = roll == 0 && !minterms.empty()
                                            ? minterms[random() % minterms.size()]
                                        : roll == 1 ? 0xFFFFFFFFu - random() % 4
                                        : roll == 2 ? base + random() % (4 * range)
                                                    : base + random() % range;
            (random() % 5 == 0 ? dontCares : minterms).push_back(value);
        }
        Quine kept;
        SetFunction(kept, numVars, minterms, dontCares);
        Quine released;
        SetFunction(released, numVars, minterms, dontCares);
        const bool tabulated = kept.FindPrimeImplicants();
        ASSERT_EQ(released.FindPrimeImplicants({.releaseColumns = true}), tabulated);
        EXPECT_EQ(PrimeTexts(released), PrimeTexts(kept));
        EXPECT_EQ(released.numPIs(), kept.numPIs());
        EXPECT_EQ(released.numColumns(), kept.numColumns());
        for (const auto& column : released.Columns()) {
            EXPECT_EQ(column->numGroups(), 0u);
        }
    }
}

TEST(TabulationTest, ASecondCallAfterSuccessChangesNothing)
{
    Quine quine;
    SetFunction(quine, 3, {1, 3, 5, 7}, {0});
    ASSERT_TRUE(quine.FindPrimeImplicants());
    const Dump before = DumpOf(quine);
    EXPECT_FALSE(quine.FindPrimeImplicants());
    EXPECT_EQ(DumpOf(quine), before);
    EXPECT_EQ(quine.numColumns(), 4u);
    EXPECT_EQ(quine.numPIs(), 2u);
    EXPECT_EQ(quine.primeImplicants()->size(), 2u);
}

// --------------------------------------------------------------------- Report

TEST(ReportTest, ImplicantText)
{
    const Implicant plain = MakeImplicant({3});
    Implicant numbered = MakeImplicant({3});
    numbered.piNumber = 12;
    Implicant usedAndNumbered = MakeImplicant({3});
    usedAndNumbered.used = true;
    usedAndNumbered.piNumber = 2;
    const Implicant emptyArray = MakeImplicant({3}, true);
    Implicant term = MakeImplicant({7, 5, 3, 1}, true);
    term.piNumber = 2;
    Implicant combined = MakeImplicant({0, 8}, true);
    combined.used = true;
    Implicant large = MakeImplicant({4294967294u, 4294967295u}, true);
    large.piNumber = 4294967295u;

    const struct {
        const Implicant& implicant;
        const char* text;
    } cases[] = {
        {plain, "3"},
        {numbered, "3 PI#12"},
        {usedAndNumbered, "3 *"},
        {emptyArray, "3 ()"},
        {term, "1,3,5,7 (2,4) PI#2"},
        {combined, "0,8 (8) *"},
        {large, "4294967294,4294967295 (1) PI#4294967295"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Text(c.implicant), c.text);
    }

    // The text carries no line end of its own.
    std::ostringstream out;
    out << term << '|' << plain;
    EXPECT_EQ(out.str(), "1,3,5,7 (2,4) PI#2|3");
}

TEST(ReportTest, GroupsAndColumnsSeparateWithDashesEvenAroundEmptyGroups)
{
    Group group;
    EXPECT_EQ(Text(group), "");
    group.AddImplicant(MakeImplicant({8}));
    group.AddImplicant(MakeImplicant({1}));
    group.ImplicantAt(0)->used = true;
    EXPECT_EQ(Text(group), "1 *\n8\n");

    Column column;
    EXPECT_EQ(Text(column), "");
    column.AddGroup();
    EXPECT_EQ(Text(column), "");
    column.AddGroup();
    column.GroupAt(1)->AddImplicant(MakeImplicant({2}));
    column.AddGroups(2);
    EXPECT_EQ(Text(column), "----\n2\n----\n----\n");
}

TEST(ReportTest, WholeReports)
{
    const struct {
        const char* name;
        std::uint32_t numVars;
        Numbers minterms;
        const char* report;
    } cases[] = {
        {"two variables, m(0,1)", 2, {0, 1}, "0 *\n----\n1 *\n----\n.\n0,1 (1) PI#1\n----\n.\n"},
        {"one variable: the report ends with a dot line",
         1,
         {0, 1},
         "0 *\n----\n1 *\n.\n0,1 (1) PI#1\n.\n"},
        {"failed tabulation: empty report", 0, {4}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Quine quine;
        SetFunction(quine, c.numVars, c.minterms);
        quine.FindPrimeImplicants();
        EXPECT_EQ(Text(quine), c.report);
    }
    EXPECT_EQ(Text(Quine()), "");
}

}  // namespace
