// SPDX-License-Identifier: MIT
// Tests of the second stage: the prime-implicant chart, the cover selection
// (what ends up in `chosen`), the sum-of-products text and the chart report.
#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <ostream>
#include <sstream>
#include <string>
#include <vector>

#include "io/function.h"
#include "tabulation/mccluskey.h"
#include "tabulation/quine.h"

namespace {

using qmsop::McCluskey;
using qmsop::Quine;

// A tabulated Quine and the solved chart that borrows from it.
struct Solved {
    std::unique_ptr<Quine> quine = std::make_unique<Quine>();
    std::unique_ptr<McCluskey> chart;
};

// Reads `input` (which the reader must accept), tabulates it and solves the chart.
Solved Solve(const std::string& input)
{
    Solved solved;
    std::istringstream in(input);
    const qmsop::ReadResult read = qmsop::ReadFunction(in, solved.quine->func);
    EXPECT_TRUE(read.accepted) << "input refused: " << input;
    solved.quine->FindPrimeImplicants();
    solved.chart = std::make_unique<McCluskey>(*solved.quine);
    solved.chart->Solve();
    return solved;
}

std::string Report(const McCluskey& chart)
{
    std::ostringstream out;
    out << chart;
    return out.str();
}

// "f(x0,x1,...,x<n-1>) = m(<minterms>)\n"
std::string WideFunction(std::uint32_t numVars, const std::string& minterms)
{
    std::string text = "f(";
    for (std::uint32_t v = 0; v < numVars; ++v) {
        text += v == 0 ? "x" : ",x";
        text += std::to_string(v);
    }
    text += ") = m(";
    text += minterms;
    text += ")\n";
    return text;
}

// The literals x<from>..x<to> (inclusive), each followed by `mark`.
std::string Literals(std::uint32_t from, std::uint32_t to, const std::string& mark)
{
    std::string text;
    for (std::uint32_t v = from; v <= to; ++v) {
        text += 'x';
        text += std::to_string(v);
        text += mark;
    }
    return text;
}

// ------------------------------------------------------------------ chart

TEST(McCluskeyChart, FourVariableChartHasOneBitPerContainedMinterm)
{
    const Solved s = Solve("f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14)\n");
    const McCluskey& chart = *s.chart;
    // Rows PI#1..PI#6: 1,5 | 5,7 | 6,7 | 0,2,8,10 | 0,1,8,9 | 2,6,10,14;
    // columns the minterms in input order.
    const std::vector<std::vector<int>> expected = {
        {0, 1, 0, 1, 0, 0, 0, 0, 0, 0}, {0, 0, 0, 1, 0, 1, 0, 0, 0, 0},
        {0, 0, 0, 0, 1, 1, 0, 0, 0, 0}, {1, 0, 1, 0, 0, 0, 1, 0, 1, 0},
        {1, 1, 0, 0, 0, 0, 1, 1, 0, 0}, {0, 0, 1, 0, 1, 0, 0, 0, 1, 1},
    };
    ASSERT_EQ(chart.numPIs(), 6u);
    ASSERT_EQ(chart.piTable().numRows(), 6u);
    ASSERT_EQ(chart.piTable().numColumns(), 10u);
    for (std::uint32_t i = 0; i < 6; ++i) {
        ASSERT_TRUE(chart.piTable()[i]);
        for (std::uint32_t j = 0; j < 10; ++j) {
            EXPECT_EQ(chart.piTable()[i][j], expected[i][j] == 1) << "row " << i << " column " << j;
        }
    }
    EXPECT_FALSE(chart.piTable()[6]);
}

TEST(McCluskeyChart, DontCaresHaveNoColumnButAListedMintermKeepsIts)
{
    // The don't-care 3 has no column; the row {3} holds only a don't-care.
    const Solved dc = Solve("f(a,b) = m(0) + d(3)\n");
    ASSERT_EQ(dc.chart->numPIs(), 2u);
    ASSERT_EQ(dc.chart->piTable().numColumns(), 1u);
    EXPECT_TRUE(dc.chart->piTable()[0][0]);
    EXPECT_FALSE(dc.chart->piTable()[1][0]);

    // 1 is both a minterm and a don't-care: one column, and both rows {1}
    // (the don't-care's and the minterm's) contain it.
    const Solved both = Solve("f(a,b) = m(1) + d(1)\n");
    ASSERT_EQ(both.chart->numPIs(), 2u);
    ASSERT_EQ(both.chart->piTable().numColumns(), 1u);
    EXPECT_TRUE(both.chart->piTable()[0][0]);
    EXPECT_TRUE(both.chart->piTable()[1][0]);
}

TEST(McCluskeyChart, RepeatedMintermGivesIdenticalColumns)
{
    const Solved s = Solve("f(a,b) = m(1,3,1)\n");
    const McCluskey& chart = *s.chart;
    ASSERT_EQ(chart.piTable().numColumns(), 3u);
    for (std::uint32_t i = 0; i < chart.numPIs(); ++i) {
        EXPECT_EQ(chart.piTable()[i][0], chart.piTable()[i][2]) << "row " << i;
    }
}

TEST(McCluskeyChart, ColumnsOfOneNumberShareAClassAndTheirCandidates)
{
    // m(3,1,3,1,2): rows PI#1 {1,3} and PI#2 {2,3}; the columns of 3 (0 and
    // 2) and of 1 (1 and 3) interleave.
    const Solved s = Solve("f(a,b) = m(3,1,3,1,2)\n");
    const qmsop::Chart& chart = s.chart->piTable();
    ASSERT_EQ(chart.numRows(), 2u);
    ASSERT_EQ(chart.numClasses(), 3u);  // 1, 2, 3
    EXPECT_EQ(chart.ClassOf(0), chart.ClassOf(2));
    EXPECT_EQ(chart.ClassOf(1), chart.ClassOf(3));
    const auto columnsOf3 = chart.ColumnsOfClass(chart.ClassOf(0));
    EXPECT_EQ(std::vector<std::uint32_t>(columnsOf3.begin(), columnsOf3.end()),
              (std::vector<std::uint32_t>{0, 2}));
    const auto candidates = [&](std::uint32_t column) {
        const auto rows = chart.Candidates(column);
        return std::vector<std::uint32_t>(rows.begin(), rows.end());
    };
    EXPECT_EQ(candidates(0), (std::vector<std::uint32_t>{0, 1}));
    EXPECT_EQ(candidates(3), (std::vector<std::uint32_t>{0}));
    EXPECT_EQ(candidates(4), (std::vector<std::uint32_t>{1}));
    std::vector<std::uint32_t> columns;
    chart[0].ForEachColumn([&](std::uint32_t j) { columns.push_back(j); });
    EXPECT_EQ(columns, (std::vector<std::uint32_t>{0, 1, 2, 3}));
    EXPECT_TRUE(chart.Contains(1, 4));
    EXPECT_FALSE(chart.Contains(0, 4));
    EXPECT_FALSE(chart.Contains(2, 0));
    EXPECT_FALSE(chart.Contains(0, 5));
}

TEST(McCluskeyChart, ManyCopiesOfOneNumberCountEveryColumn)
{
    // 40,000 copies of 5 as minterms and 80,000 as don't-cares: 120,000 rows
    // {5} (the don't-cares' first, being newer), each covering all 40,000
    // columns: 4.8 * 10^9 cells. Every gain is 40,000; the highest row wins.
    std::string input = "f(a,b,c) = m(5";
    for (int i = 1; i < 40000; ++i) {
        input += ",5";
    }
    input += ") + d(5";
    for (int i = 1; i < 80000; ++i) {
        input += ",5";
    }
    input += ")";
    const Solved s = Solve(input);
    const qmsop::Chart& chart = s.chart->piTable();
    ASSERT_EQ(chart.numRows(), 120000u);
    ASSERT_EQ(chart.numColumns(), 40000u);
    EXPECT_EQ(chart.numClasses(), 1u);
    EXPECT_EQ(chart.Candidates(39999).size(), 120000u);
    EXPECT_EQ(s.chart->chosen(), (std::vector<std::uint32_t>{119999}));
    EXPECT_EQ(s.chart->expression(), "ab'c");
}

TEST(McCluskeyChart, EmptyShapes)
{
    // No minterms: rows without columns. No variables: columns without rows.
    const Solved noMinterms = Solve("f(a,b) = m() + d(1)\n");
    EXPECT_EQ(noMinterms.chart->piTable().numColumns(), 0u);
    const Solved noVars = Solve("f() = m(1,2)\n");
    EXPECT_EQ(noVars.chart->numPIs(), 0u);
    EXPECT_EQ(noVars.chart->piTable().numRows(), 0u);
    EXPECT_EQ(noVars.chart->piTable().numColumns(), 2u);
}

// ------------------------------------------------------- selection and text

struct SelectionCase {
    const char* label;
    std::string input;
    std::vector<std::uint32_t> chosen;  // last selected first
    std::string expression;
};

// Failure messages name the case instead of dumping its bytes.
void PrintTo(const SelectionCase& c, std::ostream* out)
{
    *out << c.label;
}

class McCluskeySelection : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(McCluskeySelection, ChosenRowsAndExpression)
{
    const SelectionCase& c = GetParam();
    const Solved s = Solve(c.input);
    EXPECT_EQ(s.chart->chosen(), c.chosen);
    EXPECT_EQ(s.chart->expression(), c.expression);
}

const SelectionCase kSelectionCases[] = {
    // Essentials at level 1 (rows 4, 5), then the greater gain at level 2 (row 1).
    {"EssentialsThenGreaterGain",
     "f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14)\n",
     {1, 5, 4},
     "b'c' + cd' + a'bd"},
    // Level 2: the lower row 0 wins on a strictly greater gain; level 3: a
    // three-way tie goes to the highest row, 5. Selected 2, 6, 0, 5.
    {"LowerRowWinsOnlyOnGreaterGain",
     "f(a,b,c,d) = m(0,1,2,5,10,12,14) + d(11)\n",
     {5, 0, 6, 2},
     "a'c'd + abd' + a'b'd' + ab'c"},
    // Greedy, not minimal: rows 1, 3, 4 although rows 0 and 2 would do.
    {"GreedyIsNotMinimal", "f(a,b,c) = m(0,1,2,5) + d(6,7)\n", {4, 3, 1}, "a'b' + bc' + ac"},
    {"NoMinterms", "f(a,b) = m()\n", {}, ""},
    {"DontCaresOnly", "f(a,b) = m() + d(1,3)\n", {}, ""},
    // No variables: no prime implicants, columns without candidates.
    {"NoPrimeImplicants", "f() = m(1,2)\n", {}, ""},
    // The row {3} holds only a don't-care and is never selected.
    {"DontCareRowNeverSelected", "f(a,b) = m(0) + d(3)\n", {0}, "a'b'"},
    // Two identical rows and columns: level 2, equal gains, row 1 alone.
    {"IdenticalRowsPickHigher", "f(a,b) = m(3,3)\n", {1}, "ab"},
    // The minterm's own row {1} (row 1) ties with the don't-care's row 0.
    {"MintermAlsoDontCare", "f(a,b) = m(1) + d(1)\n", {1}, "a'b"},
    // Every variable eliminated: a chosen row with an empty product.
    {"WholeCubeEmptyProduct", "f(a) = m(0,1)\n", {0}, ""},
    {"SingleMintermAllOnes", "f(a,b,c) = m(7)\n", {0}, "abc"},
    {"SingleMintermAllZeros", "f(a,b,c) = m(0)\n", {0}, "a'b'c'"},
    {"LongNamesWrittenWhole", "f(x1,x2,y) = m(1,3)\n", {0}, "x1'y"},
    // Level 1 goes in column order, which is input order: m7 (row 1) first.
    {"UnsortedMintermsSelectInColumnOrder", "f(a,b,c) = m(7,0)\n", {0, 1}, "abc + a'b'c'"},
    // {7} is numbered before {0,1} (row 0), but m0 comes first: rows 1, 0.
    {"SelectionOrderIsNotRowOrder", "f(a,b,c) = m(0,1,7)\n", {0, 1}, "a'b' + abc"},
    // A difference of 2^31 eliminates the second of 33 variables; the first,
    // of weight 2^32, is never eliminated and is written complemented.
    {"ThirtyThreeVariables", WideFunction(33, "0,2147483648"), {0}, "x0'" + Literals(2, 32, "'")},
    // Forty variables: x0..x7 have weights of 2^32 and more; 2^32-2 and
    // 2^32-1 differ in the last variable only.
    {"FortyVariables",
     WideFunction(40, "4294967294,4294967295"),
     {0},
     Literals(0, 7, "'") + Literals(8, 38, "")},
};

INSTANTIATE_TEST_SUITE_P(Cases, McCluskeySelection, ::testing::ValuesIn(kSelectionCases),
                         [](const auto& info) { return std::string(info.param.label); });

TEST(McCluskeyChart, DestroyingTheChartLeavesTheTabulationIntact)
{
    Solved s = Solve("f(a,b,c) = m(1,3,5,7) + d(0)\n");
    s.chart.reset();
    const auto& pis = s.quine->primeImplicants();
    ASSERT_TRUE(pis.has_value());
    ASSERT_EQ(pis->size(), 2u);
    const auto minterms = (*pis)[1]->Minterms();
    EXPECT_EQ(std::vector<std::uint32_t>(minterms.begin(), minterms.end()),
              (std::vector<std::uint32_t>{1, 3, 5, 7}));
    EXPECT_EQ(s.quine->func.minterms, (std::vector<std::uint32_t>{1, 3, 5, 7}));
}

// ------------------------------------------------------------------ report

struct ReportCase {
    const char* label;
    std::string input;
    std::string report;
};

void PrintTo(const ReportCase& c, std::ostream* out)
{
    *out << c.label;
}

class McCluskeyReport : public ::testing::TestWithParam<ReportCase> {};

TEST_P(McCluskeyReport, ExactText)
{
    const ReportCase& c = GetParam();
    const Solved s = Solve(c.input);
    EXPECT_EQ(Report(*s.chart), c.report);
    // The result line alone: the report's last line, line end included.
    std::ostringstream line;
    qmsop::WriteResultLine(line, *s.chart);
    const std::size_t start = c.report.rfind('\n', c.report.size() - 2) + 1;
    EXPECT_EQ(line.str(), c.report.substr(start));
}

const ReportCase kReportCases[] = {
    {"FourVariables", "f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14)\n",
     "[PI]\n"
     "1,5 (4) PI#1\n"
     "5,7 (2) PI#2\n"
     "6,7 (1) PI#3\n"
     "0,2,8,10 (2,8) PI#4\n"
     "0,1,8,9 (1,8) PI#5\n"
     "2,6,10,14 (4,8) PI#6\n"
     "\n"
     "              0    1    2    5    6    7    8    9   10   14 \n"
     "      1            X         X                               \n"
     "*     2                      X         X                     \n"
     "      3                           X    X                     \n"
     "      4       X         X                   X         X      \n"
     "*     5       X    X                        X    X           \n"
     "*     6                 X         X                   X    X \n"
     "\n"
     "f(a,b,c,d) = b'c' + cd' + a'bd\n"},
    {"DontCareHasNoColumn", "f(a,b,c) = m(1,3,5,7) + d(0)\n",
     "[PI]\n"
     "0,1 (1) PI#1\n"
     "1,3,5,7 (2,4) PI#2\n"
     "\n"
     "              1    3    5    7 \n"
     "      1       X                \n"
     "*     2       X    X    X    X \n"
     "\n"
     "f(a,b,c) = c\n"},
    {"EmptyFunction", "f() = m()\n",
     "[PI]\n"
     "\n"
     "           \n"
     "\n"
     "f() = \n"},
    {"NamesWithoutMinterms", "f(a) = m()\n",
     "[PI]\n"
     "\n"
     "           \n"
     "\n"
     "f(a) = \n"},
    {"EmptyExpressionKeepsTrailingBlank", "f(a) = m(0,1)\n",
     "[PI]\n"
     "0,1 (1) PI#1\n"
     "\n"
     "              0    1 \n"
     "*     1       X    X \n"
     "\n"
     "f(a) = \n"},
    // A five-digit minterm widens its header field only; rows keep five
    // characters per column.
    {"FiveDigitMintermWidensHeaderOnly", "f(a,b,c,d,e,f,g,h,i,j,k,l,m,n) = m(10000,3)\n",
     "[PI]\n"
     "3 PI#1\n"
     "10000 PI#2\n"
     "\n"
     "           10000    3 \n"
     "*     1            X \n"
     "*     2       X      \n"
     "\n"
     "f(a,b,c,d,e,f,g,h,i,j,k,l,m,n) = ab'c'defg'h'i'jk'l'm'n' + a'b'c'd'e'f'g'h'i'j'k'l'mn\n"},
    // Columns in input order; the row of the don't-care 6 alone is not starred.
    {"UnsortedColumnsAndUnstarredRow", "f(a,b,c,d) = m(15,0) + d(6)\n",
     "[PI]\n"
     "0 PI#1\n"
     "6 PI#2\n"
     "15 PI#3\n"
     "\n"
     "             15    0 \n"
     "*     1            X \n"
     "      2              \n"
     "*     3       X      \n"
     "\n"
     "f(a,b,c,d) = abcd + a'b'c'd'\n"},
    {"NoPrimeImplicants", "f() = m(1,2)\n",
     "[PI]\n"
     "\n"
     "              1    2 \n"
     "\n"
     "f() = \n"},
};

INSTANTIATE_TEST_SUITE_P(Cases, McCluskeyReport, ::testing::ValuesIn(kReportCases),
                         [](const auto& info) { return std::string(info.param.label); });

}  // namespace
