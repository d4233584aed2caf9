// SPDX-License-Identifier: MIT
#include "cover/cover.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numeric>
#include <unordered_map>
#include <utility>

#include "base/check.h"
#include "cover/heuristic.h"
#include "cover/matrix.h"
#include "cover/search.h"
#include "cube/cube.h"

namespace qmsop {

namespace {

using cover::Matrix;
using cover::Stage;
using cover::StageCost;
using cover::Word;

// A list's hash, for finding identical columns and rows.
struct ListHash {
    std::size_t operator()(const std::vector<std::uint32_t>& list) const
    {
        std::uint64_t h = 0x9e3779b97f4a7c15ULL ^ list.size();
        for (const std::uint32_t r : list) {
            h = (h ^ r) * 0x100000001b3ULL;
            h ^= h >> 29;
        }
        return static_cast<std::size_t>(h);
    }
};

// `problem` with each set of identical columns kept once, at its first
// column, in the same order; columns that no row covers are left out. The
// search would only drop the repeats again, node after node, and the result
// is the same. O(nnz) expected.
CoverProblem WithoutRepeatedColumns(const CoverProblem& problem)
{
    std::vector<std::vector<std::uint32_t>> rowsOf(problem.numColumns);
    for (std::uint32_t r = 0; r < problem.rows.size(); ++r) {
        for (const std::uint32_t c : problem.rows[r]) {
            if (c < problem.numColumns && (rowsOf[c].empty() || rowsOf[c].back() != r)) {
                rowsOf[c].push_back(r);
            }
        }
    }
    constexpr std::uint32_t kNone = std::numeric_limits<std::uint32_t>::max();
    std::vector<std::uint32_t> newColumn(problem.numColumns, kNone);
    std::unordered_map<std::vector<std::uint32_t>, std::uint32_t, ListHash> first;
    CoverProblem kept;
    for (std::uint32_t c = 0; c < problem.numColumns; ++c) {
        if (!rowsOf[c].empty() && first.emplace(std::move(rowsOf[c]), c).second) {
            newColumn[c] = kept.numColumns++;
        }
    }
    kept.rows.resize(problem.rows.size());
    for (std::size_t r = 0; r < problem.rows.size(); ++r) {
        for (const std::uint32_t c : problem.rows[r]) {
            if (c < problem.numColumns && newColumn[c] != kNone &&
                (kept.rows[r].empty() || kept.rows[r].back() != newColumn[c])) {
                kept.rows[r].push_back(newColumn[c]);
            }
        }
    }
    kept.literals = problem.literals;
    kept.literals.resize(problem.rows.size(), 0);
    return kept;
}

// Per prime implicant of `chart`, the one row that stands for its product
// (repeated minterms that combine with nothing give repeated products): the
// first of `preferred` with that product, else the first prime implicant.
std::vector<std::uint32_t> RowOfSameProduct(const McCluskey& chart,
                                            const std::vector<std::uint32_t>& preferred)
{
    std::unordered_map<std::string, std::uint32_t> first;
    const std::uint32_t numVars = chart.func().numVars();
    const auto pattern = [&](std::uint32_t i) {
        return CubeOf(*chart.primeImplicants()[i], numVars).Pattern();
    };
    for (const std::uint32_t i : preferred) {
        if (i < chart.numPIs()) {
            first.try_emplace(pattern(i), i);
        }
    }
    std::vector<std::uint32_t> rowOf(chart.numPIs());
    for (std::uint32_t i = 0; i < chart.numPIs(); ++i) {
        rowOf[i] = first.try_emplace(pattern(i), i).first->second;
    }
    return rowOf;
}

// True when `rows` cover every column of `problem` that some row covers.
bool CoversEveryCoverableColumn(const CoverProblem& problem, const std::vector<std::uint32_t>& rows)
{
    std::vector<bool> coverable(problem.numColumns, false);
    std::vector<bool> covered(problem.numColumns, false);
    for (std::size_t r = 0; r < problem.rows.size(); ++r) {
        const bool chosen = std::binary_search(rows.begin(), rows.end(), r);
        for (const std::uint32_t c : problem.rows[r]) {
            if (c < problem.numColumns) {
                coverable[c] = true;
                covered[c] = covered[c] || chosen;
            }
        }
    }
    return coverable == covered;
}

// The proven bound: the least one left open, or the cover's cost when none.
std::uint64_t BoundOf(double unresolved, std::uint64_t best)
{
    if (unresolved == cover::kInfinity) {
        return best;
    }
    return std::min(best,
                    static_cast<std::uint64_t>(std::max(0.0, std::ceil(unresolved - cover::kEps))));
}

// The least literals of `products` rows: a bound no cover of that many rows
// goes below.
double CheapestRows(const Matrix& m, std::uint64_t products)
{
    std::vector<std::uint32_t> cheapest = m.literals;
    std::sort(cheapest.begin(), cheapest.end());
    const auto count =
        static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(products, cheapest.size()));
    return std::accumulate(cheapest.begin(), cheapest.begin() + count, 0.0);
}

void AppendCount(std::string& text, std::uint64_t count, const char* noun)
{
    text += std::to_string(count);
    text += ' ';
    text += noun;
    if (count != 1) {
        text += 's';
    }
}

}  // namespace

ExactCoverResult SolveExactCover(const CoverProblem& problem, std::span<const std::uint32_t> start,
                                 Deadline& deadline, bool useLinearProgram)
{
    const Matrix m(WithoutRepeatedColumns(problem));
    std::vector<Word> coverable(m.columnWords, 0);
    for (std::uint32_t c = 0; c < m.numColumns; ++c) {
        if (!m.columnRows[c].empty()) {
            cover::SetBit(coverable.data(), c);
        }
    }
    const StageCost byLiterals{m, Stage::kLiterals, 0};
    std::vector<std::uint32_t> incumbent = cover::Irredundant(
        byLiterals, cover::Complete(m, start, coverable), coverable, cover::Ties::kHigherRowFirst);

    ExactCoverResult result;
    const StageCost byProducts{m, Stage::kProducts, 0};
    cover::Search products(byProducts, deadline, useLinearProgram);
    products.SetIncumbent(incumbent);
    const double unresolvedProducts = products.Run(cover::RootNode(m, coverable), 0);
    incumbent = products.incumbent();
    result.coreRows = products.coreSize()[0];
    result.coreColumns = products.coreSize()[1];
    result.coreBlocks = products.coreSize()[2];
    const std::uint64_t found = incumbent.size();
    result.productBound = static_cast<std::uint32_t>(BoundOf(unresolvedProducts, found));
    result.productsProven = result.productBound == found;

    if (result.productsProven) {
        const StageCost exactly{m, Stage::kLiterals, found};
        cover::Search literals(exactly, deadline, useLinearProgram);
        literals.SetIncumbent(incumbent);
        const double unresolvedLiterals =
            literals.Run(cover::RootNode(m, coverable), CheapestRows(m, found));
        incumbent = literals.incumbent();
        result.literalBound = BoundOf(unresolvedLiterals, literals.incumbentCost());
    }
    result.rows =
        cover::Irredundant(byLiterals, incumbent, coverable, cover::Ties::kHigherRowFirst);
    result.products = static_cast<std::uint32_t>(result.rows.size());
    result.literals = byLiterals.Of(result.rows);
    result.proven = result.productsProven && result.literalBound == result.literals;
    result.timeLimitReached = deadline.Expired() && !result.proven;
    result.stopped = deadline.Stopped() && !result.proven;
    result.nodes = deadline.nodes();
    QMSOP_ASSERT(CoversEveryCoverableColumn(problem, result.rows));
    return result;
}

CoverProblem CoverProblemOf(const McCluskey& chart)
{
    // Classes in order of their first column: the order of the chart's
    // columns with the repeats left out.
    const Chart& table = chart.piTable();
    std::vector<std::uint32_t> order(table.numClasses());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
        return table.ColumnsOfClass(a).front() < table.ColumnsOfClass(b).front();
    });
    std::vector<std::uint32_t> rank(order.size());
    for (std::uint32_t k = 0; k < order.size(); ++k) {
        rank[order[k]] = k;
    }
    CoverProblem problem;
    problem.numColumns = table.numClasses();
    problem.rows.resize(chart.numPIs());
    problem.literals.resize(chart.numPIs());
    const std::uint32_t numVars = chart.func().numVars();
    for (std::uint32_t i = 0; i < chart.numPIs(); ++i) {
        for (const std::uint32_t cls : table.ClassesOfRow(i)) {
            problem.rows[i].push_back(rank[cls]);
        }
        std::sort(problem.rows[i].begin(), problem.rows[i].end());
        problem.literals[i] = CubeOf(*chart.primeImplicants()[i], numVars).NumLiterals();
    }
    return problem;
}

CoverSelector ExactCoverSelector(const ExactCoverOptions& options, ExactCoverResult* result)
{
    return [options, result](const McCluskey& chart, std::vector<std::uint32_t> greedy) {
        Deadline deadline = options.nodeLimit != 0 ? Deadline::AfterNodes(options.nodeLimit)
                            : options.timeLimitSeconds > 0
                                ? Deadline::AfterSeconds(options.timeLimitSeconds)
                                : Deadline();
        deadline.SetStop(options.stop);
        // A repeated product is one row (the greedy's, if it has one): the
        // others cover nothing.
        CoverProblem problem = CoverProblemOf(chart);
        const std::vector<std::uint32_t> rowOf = RowOfSameProduct(chart, greedy);
        for (std::uint32_t i = 0; i < rowOf.size(); ++i) {
            if (rowOf[i] != i) {
                problem.rows[i].clear();
            }
        }
        for (std::uint32_t& row : greedy) {
            row = row < rowOf.size() ? rowOf[row] : row;
        }
        *result = SolveExactCover(problem, greedy, deadline, options.linearProgram);
        return result->rows;
    };
}

std::string CertificateLine(const ExactCoverResult& result, CoverTerm term)
{
    const char* const noun = term == CoverTerm::kSum ? "sum" : "product";
    const char* const nouns = term == CoverTerm::kSum ? "sums" : "products";
    std::string text = result.proven ? "minimum: " : "best found: ";
    AppendCount(text, result.products, noun);
    text += ", ";
    AppendCount(text, result.literals, "literal");
    if (result.proven) {
        text += " (proven)";
        return text;
    }
    if (result.productsProven) {
        text += "; no cover has fewer ";
        text += nouns;
        text += ", and none of ";
        AppendCount(text, result.products, noun);
        text += " has fewer than ";
        AppendCount(text, result.literalBound, "literal");
    } else if (result.productBound == 0) {
        text += "; no lower bound was reached";
    } else {
        text += "; no cover has fewer than ";
        AppendCount(text, result.productBound, noun);
    }
    text += result.stopped ? " (interrupted)" : " (time limit reached)";
    return text;
}

}  // namespace qmsop
