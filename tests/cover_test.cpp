// SPDX-License-Identifier: MIT
// Tests of the exact cover against an independent exhaustive search, on
// hand-made charts and on seeded random functions of up to six variables;
// of its invariants under a node budget (a valid, irredundant cover no worse
// than the greedy one, and an honest bound); and of the certificate line.
#include "cover/cover.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "io/function.h"
#include "tabulation/mccluskey.h"
#include "tabulation/quine.h"

namespace {

using qmsop::CoverProblem;
using qmsop::Deadline;
using qmsop::ExactCoverResult;

struct Cost {
    std::uint64_t products = 0;
    std::uint64_t literals = 0;
    auto operator<=>(const Cost&) const = default;
};

Cost CostOf(const CoverProblem& problem, const std::vector<std::uint32_t>& rows)
{
    Cost cost{rows.size(), 0};
    for (const std::uint32_t r : rows) {
        cost.literals += problem.literals[r];
    }
    return cost;
}

std::vector<bool> Coverable(const CoverProblem& problem)
{
    std::vector<bool> coverable(problem.numColumns, false);
    for (const auto& row : problem.rows) {
        for (const std::uint32_t c : row) {
            coverable[c] = true;
        }
    }
    return coverable;
}

// The least (products, literals) of a cover, by trying every row of the
// uncovered column with the fewest rows (every cover has one of them); a
// branch stops only when it already costs as much as the best cover found.
class Exhaustive {
public:
    explicit Exhaustive(const CoverProblem& problem)
        : problem(problem), rowsOf(problem.numColumns), covered(problem.numColumns, 0)
    {
        for (std::uint32_t r = 0; r < problem.rows.size(); ++r) {
            for (const std::uint32_t c : problem.rows[r]) {
                rowsOf[c].push_back(r);
            }
        }
    }

    Cost Minimum()
    {
        Search({});
        return best;
    }

private:
    void Search(Cost cost)
    {
        if (cost >= best) {
            return;
        }
        std::uint32_t column = problem.numColumns;
        for (std::uint32_t c = 0; c < problem.numColumns; ++c) {
            if (covered[c] == 0 && !rowsOf[c].empty() &&
                (column == problem.numColumns || rowsOf[c].size() < rowsOf[column].size())) {
                column = c;
            }
        }
        if (column == problem.numColumns) {
            best = cost;
            return;
        }
        for (const std::uint32_t r : rowsOf[column]) {
            for (const std::uint32_t c : problem.rows[r]) {
                ++covered[c];
            }
            Search({cost.products + 1, cost.literals + problem.literals[r]});
            for (const std::uint32_t c : problem.rows[r]) {
                --covered[c];
            }
        }
    }

    const CoverProblem& problem;
    std::vector<std::vector<std::uint32_t>> rowsOf;
    std::vector<std::uint32_t> covered;  // count of chosen rows per column
    Cost best{~std::uint64_t{0}, 0};
};

// Checks what every result must satisfy, whatever the budget: ascending rows
// covering every coverable column, none of them redundant, counts that match,
// no worse than `start`, and bounds no greater than `minimum`.
void CheckInvariants(const CoverProblem& problem, const ExactCoverResult& result,
                     const std::vector<std::uint32_t>& start, Cost minimum)
{
    ASSERT_TRUE(std::is_sorted(result.rows.begin(), result.rows.end()));
    ASSERT_TRUE(std::adjacent_find(result.rows.begin(), result.rows.end()) == result.rows.end());
    std::vector<std::uint32_t> count(problem.numColumns, 0);
    for (const std::uint32_t r : result.rows) {
        ASSERT_LT(r, problem.rows.size());
        for (const std::uint32_t c : problem.rows[r]) {
            ++count[c];
        }
    }
    const std::vector<bool> coverable = Coverable(problem);
    for (std::uint32_t c = 0; c < problem.numColumns; ++c) {
        EXPECT_TRUE(!coverable[c] || count[c] > 0) << "column " << c << " left uncovered";
    }
    for (const std::uint32_t r : result.rows) {
        const auto& row = problem.rows[r];
        EXPECT_TRUE(
            std::any_of(row.begin(), row.end(), [&](std::uint32_t c) { return count[c] == 1; }))
            << "row " << r << " is redundant";
    }
    const Cost cost = CostOf(problem, result.rows);
    EXPECT_EQ(result.products, cost.products);
    EXPECT_EQ(result.literals, cost.literals);
    if (!start.empty()) {
        EXPECT_LE(cost, CostOf(problem, start)) << "worse than the cover it started from";
    }
    EXPECT_LE(result.productBound, minimum.products) << "dishonest product bound";
    EXPECT_EQ(result.productsProven, result.productBound == result.products);
    if (result.productsProven) {
        EXPECT_LE(result.literalBound, minimum.literals) << "dishonest literal bound";
    }
    EXPECT_EQ(result.proven, result.productsProven && result.literalBound == result.literals);
    EXPECT_EQ(result.timeLimitReached, !result.proven);
}

// Solves to the end and compares with the exhaustive minimum.
void CheckExact(const CoverProblem& problem, const std::vector<std::uint32_t>& start,
                bool useLinearProgram)
{
    const Cost minimum = Exhaustive(problem).Minimum();
    Deadline unlimited;
    const ExactCoverResult result =
        qmsop::SolveExactCover(problem, start, unlimited, useLinearProgram);
    CheckInvariants(problem, result, start, minimum);
    EXPECT_TRUE(result.proven);
    EXPECT_EQ(CostOf(problem, result.rows), minimum);
}

// Hand-made charts: columns that no row covers, an odd cycle, ties in
// products broken by literals, fewest products before fewest literals.
TEST(ExactCover, HandMadeChartsAgreeWithExhaustiveSearch)
{
    const std::vector<CoverProblem> charts = {
        {0, {}, {}},
        {3, {}, {}},  // no rows: nothing can be covered
        {2, {{0, 1}}, {0}},
        {4, {{0, 1}, {1, 2}, {2, 3}, {0, 3}, {1, 3}}, {2, 2, 2, 2, 1}},
        {5, {{0, 1}, {1, 2}, {2, 3}, {3, 4}, {4, 0}}, {1, 1, 1, 1, 1}},  // an odd cycle
        {4, {{0, 1, 2}, {0, 3}, {1, 3}, {2}}, {3, 2, 2, 1}},
        {6, {{0, 1, 2}, {3, 4, 5}, {0, 3}, {1, 4}, {2, 5}}, {5, 5, 1, 1, 1}},
        {4, {{0, 2}, {1, 3}, {0, 1, 2, 3}}, {1, 1, 3}},  // fewest products beats literals
        {3, {{0}, {2}}, {1, 1}},                         // column 1 has no row
    };
    for (const bool lp : {true, false}) {
        for (std::size_t i = 0; i < charts.size(); ++i) {
            SCOPED_TRACE("chart " + std::to_string(i) + (lp ? " with LP" : " by subgradient"));
            CheckExact(charts[i], {}, lp);
        }
    }
}

// The points of the affine plane of order 3 against its 12 lines: every
// line must get a point. The LP bound is 3 and the minimum 5, so the search
// has to branch. Then small random charts with literal costs of 1 to 3,
// where the LP bound is often fractional and ties in products are common.
TEST(ExactCover, ChartsWithAnLpGapAgreeWithExhaustiveSearch)
{
    CoverProblem plane;
    plane.numColumns = 12;
    plane.rows.resize(9);
    plane.literals.assign(9, 1);
    std::uint32_t line = 0;
    const auto addLine = [&](auto point) {
        for (std::uint32_t t = 0; t < 3; ++t) {
            plane.rows[point(t)].push_back(line);
        }
        ++line;
    };
    for (std::uint32_t k = 0; k < 3; ++k) {
        addLine([&](std::uint32_t t) { return 3 * k + t; });                // y = k
        addLine([&](std::uint32_t t) { return 3 * t + k; });                // x = k
        addLine([&](std::uint32_t t) { return 3 * t + (t + k) % 3; });      // y = x + k
        addLine([&](std::uint32_t t) { return 3 * t + (2 * t + k) % 3; });  // y = 2x + k
    }
    std::mt19937 rng(99);
    std::vector<CoverProblem> charts = {plane};
    for (std::uint32_t i = 0; i < 150; ++i) {
        CoverProblem chart;
        chart.numColumns = 8 + i % 8;
        const std::uint32_t numRows = chart.numColumns + 2 + i % 7;
        for (std::uint32_t r = 0; r < numRows; ++r) {
            std::vector<std::uint32_t> row;
            for (std::uint32_t c = 0; c < chart.numColumns; ++c) {
                if (rng() % 4 == 0) {
                    row.push_back(c);
                }
            }
            chart.rows.push_back(row);
            chart.literals.push_back(1 + rng() % 3);
        }
        charts.push_back(chart);
    }
    std::uint32_t branched = 0;
    for (const bool lp : {true, false}) {
        for (std::size_t i = 0; i < charts.size(); ++i) {
            SCOPED_TRACE("chart " + std::to_string(i) + (lp ? " with LP" : " by subgradient"));
            const Cost minimum = Exhaustive(charts[i]).Minimum();
            Deadline unlimited;
            const ExactCoverResult result = qmsop::SolveExactCover(charts[i], {}, unlimited, lp);
            CheckInvariants(charts[i], result, {}, minimum);
            EXPECT_EQ(CostOf(charts[i], result.rows), minimum);
            branched += result.nodes > 2 ? 1 : 0;
        }
    }
    EXPECT_EQ(Exhaustive(plane).Minimum().products, 5u);
    EXPECT_GT(branched, 10u);
}

struct Solved {
    ExactCoverResult exact;
    std::vector<std::uint32_t> greedy;
    CoverProblem problem;
    std::string expression;
    std::vector<qmsop::Cube> products;
};

Solved SolveText(const std::string& text, const qmsop::ExactCoverOptions& options)
{
    qmsop::Quine quine;
    std::istringstream in(text + "\n");
    EXPECT_TRUE(qmsop::ReadFunction(in, quine.func).accepted) << text;
    quine.FindPrimeImplicants();
    qmsop::McCluskey chart(quine);
    Solved solved;
    const qmsop::CoverSelector exact = qmsop::ExactCoverSelector(options, &solved.exact);
    chart.Solve([&](const qmsop::McCluskey& c, std::vector<std::uint32_t> greedy) {
        solved.greedy = greedy;
        solved.problem = qmsop::CoverProblemOf(c);
        return exact(c, std::move(greedy));
    });
    solved.expression = chart.expression();
    solved.products = chart.products();
    return solved;
}

TEST(ExactCover, TwoProductsWhereTheGreedyCoverTakesThree)
{
    const Solved solved = SolveText("f(a,b,c) = m(0,1,2,5) + d(6,7)", {});
    EXPECT_EQ(solved.greedy.size(), 3u);
    EXPECT_EQ(solved.expression, "a'c' + b'c");
    EXPECT_EQ(qmsop::CertificateLine(solved.exact), "minimum: 2 products, 4 literals (proven)");
}

// Odd inputs: no minterms, no variables (no row at all), the whole space,
// a number past 2^n, a minterm listed twice.
TEST(ExactCover, OddInputs)
{
    const struct {
        const char* text;
        const char* expression;
        const char* certificate;
    } cases[] = {
        {"f(a,b) = m()", "", "minimum: 0 products, 0 literals (proven)"},
        {"f() = m(0,1)", "", "minimum: 0 products, 0 literals (proven)"},
        {"f(a,b) = m(0,1,2,3)", "", "minimum: 1 product, 0 literals (proven)"},
        {"f(a,b) = m(3)", "ab", "minimum: 1 product, 2 literals (proven)"},
        {"f(a,b) = m(1,7,3)", "ab + b", "minimum: 2 products, 3 literals (proven)"},
        {"f(a,b,c) = m(1,1,3,4)", "ab'c' + a'c", "minimum: 2 products, 5 literals (proven)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const Solved solved = SolveText(c.text, {});
        EXPECT_EQ(solved.expression, c.expression);
        EXPECT_EQ(qmsop::CertificateLine(solved.exact), c.certificate);
    }
}

// On-set density in [onLow, onHigh), don't-care density up to 0.3.
std::string RandomFunction(std::mt19937& rng, std::uint32_t numVars, double onLow = 0,
                           double onHigh = 1)
{
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    const double on = onLow + (onHigh - onLow) * coin(rng);
    const double dc = 0.3 * coin(rng);
    std::string minterms;
    std::string dontCares;
    for (std::uint32_t point = 0; point < (1u << numVars); ++point) {
        const double r = coin(rng);
        if (r < on + dc) {
            std::string& list = r < on ? minterms : dontCares;
            if (!list.empty()) {
                list += ',';
            }
            list += std::to_string(point);
        }
    }
    std::string text = "f(";
    for (std::uint32_t v = 0; v < numVars; ++v) {
        if (v != 0) {
            text += ',';
        }
        text += static_cast<char>('a' + v);
    }
    return text + ") = m(" + minterms + ") + d(" + dontCares + ")";
}

// Random functions of 1 to 6 variables: the exact cost is the exhaustive
// minimum, with either bound; the products are written in ascending PI order.
// Some of the cases must beat the greedy cover and some must branch.
TEST(ExactCover, RandomFunctionsAgreeWithExhaustiveSearch)
{
    std::mt19937 rng(20261210);
    std::uint32_t beatGreedy = 0;
    std::uint32_t branched = 0;
    for (std::uint32_t trial = 0; trial < 200; ++trial) {
        // Every size with any density, then dense six-variable functions,
        // whose charts have cyclic cores.
        const std::string text =
            trial < 60 ? RandomFunction(rng, 1 + trial % 6) : RandomFunction(rng, 6, 0.35, 0.65);
        SCOPED_TRACE(text);
        for (const bool lp : {true, false}) {
            qmsop::ExactCoverOptions options;
            options.timeLimitSeconds = 0;
            options.linearProgram = lp;
            const Solved solved = SolveText(text, options);
            const Cost minimum = Exhaustive(solved.problem).Minimum();
            CheckInvariants(solved.problem, solved.exact, solved.greedy, minimum);
            EXPECT_TRUE(solved.exact.proven);
            EXPECT_EQ(CostOf(solved.problem, solved.exact.rows), minimum);
            beatGreedy += minimum.products < solved.greedy.size() ? 1 : 0;
            branched += solved.exact.nodes > 2 ? 1 : 0;  // more than the two roots
            ASSERT_EQ(solved.products.size(), solved.exact.rows.size());
            for (std::size_t i = 0; i < solved.products.size(); ++i) {
                EXPECT_EQ(solved.products[i].NumLiterals(),
                          solved.problem.literals[solved.exact.rows[i]]);
            }
        }
    }
    EXPECT_GT(beatGreedy, 0u);
    EXPECT_GT(branched, 0u);
}

// A node budget in place of time: whatever the budget, the cover is valid,
// irredundant and no worse than the greedy one, and the bounds are honest;
// the smallest budgets stop the search and say so.
TEST(ExactCover, NodeBudgetGivesAValidCoverAndAnHonestBound)
{
    std::mt19937 rng(7);
    const std::string text = RandomFunction(rng, 9);
    qmsop::ExactCoverOptions unlimited;
    unlimited.timeLimitSeconds = 0;
    const Solved full = SolveText(text, unlimited);
    ASSERT_TRUE(full.exact.proven);
    const Cost minimum{full.exact.products, full.exact.literals};
    bool stopped = false;
    for (const std::uint64_t nodes : {1, 2, 3, 5, 8, 20}) {
        SCOPED_TRACE("node budget " + std::to_string(nodes));
        qmsop::ExactCoverOptions options;
        options.nodeLimit = nodes;
        const Solved solved = SolveText(text, options);
        CheckInvariants(solved.problem, solved.exact, solved.greedy, minimum);
        EXPECT_LE(solved.exact.nodes, nodes);
        const std::string line = qmsop::CertificateLine(solved.exact);
        EXPECT_EQ(solved.exact.timeLimitReached, line.ends_with(" (time limit reached)")) << line;
        stopped = stopped || solved.exact.timeLimitReached;
    }
    EXPECT_TRUE(stopped);
}

TEST(ExactCover, CertificateLineStatesWhatIsProven)
{
    ExactCoverResult result;
    result.products = 137;
    result.literals = 951;
    result.productBound = 131;
    result.timeLimitReached = true;
    EXPECT_EQ(qmsop::CertificateLine(result),
              "best found: 137 products, 951 literals; no cover has fewer than 131 products "
              "(time limit reached)");
    result.productBound = 137;
    result.productsProven = true;
    result.literalBound = 940;
    EXPECT_EQ(qmsop::CertificateLine(result),
              "best found: 137 products, 951 literals; no cover has fewer products, and none "
              "of 137 products has fewer than 940 literals (time limit reached)");
    result.literalBound = 951;
    result.proven = true;
    result.timeLimitReached = false;
    EXPECT_EQ(qmsop::CertificateLine(result), "minimum: 137 products, 951 literals (proven)");
}

TEST(Deadline, CountsNodesAndHonoursTheClock)
{
    Deadline nodes = Deadline::AfterNodes(2);
    EXPECT_FALSE(nodes.Tick());
    EXPECT_TRUE(nodes.Tick());
    EXPECT_TRUE(nodes.Expired());
    EXPECT_EQ(nodes.nodes(), 2u);
    Deadline now = Deadline::AfterSeconds(0);
    EXPECT_TRUE(now.Expired());
    EXPECT_EQ(now.SecondsLeft(), 0.0);
    Deadline never;
    EXPECT_FALSE(never.Tick());
    EXPECT_FALSE(never.SecondsLeft().has_value());
}

}  // namespace
