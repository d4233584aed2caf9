// SPDX-License-Identifier: MIT
#include "cover/reduce.h"

#include <cmath>
#include <utility>

#include "cover/bound.h"

namespace qmsop::cover {

namespace {

// A pass looks at the budget once per this many tested rows or columns.
constexpr std::uint32_t kLookEvery = 64;

// Chooses the only free row of each marked column; false when a column has
// none left (or, for the literals, too many rows are chosen).
bool ChooseEssentials(const StageCost& cost, Node& node, const std::vector<Word>& columns)
{
    const Matrix& m = cost.m;
    for (std::size_t w = 0; w < m.columnWords; ++w) {
        for (Word left = columns[w]; left != 0; left &= left - 1) {
            const auto c = static_cast<std::uint32_t>(w * 64 + std::countr_zero(left));
            if (!Test(node.uncovered.data(), c)) {
                continue;
            }
            const Word* rows = m.ColumnBits(c);
            std::uint32_t count = 0;
            std::uint32_t only = 0;
            for (std::size_t v = 0; v < m.rowWords && count < 2; ++v) {
                const Word both = rows[v] & node.active[v];
                if (both != 0) {
                    count += static_cast<std::uint32_t>(std::popcount(both));
                    only = static_cast<std::uint32_t>(v * 64 + std::countr_zero(both));
                }
            }
            if (count == 0) {
                return false;
            }
            if (count == 1) {
                Choose(cost, node, only);
            }
        }
    }
    return !cost.Counted() || node.chosen.size() <= cost.maxProducts;
}

// The free rows other than r whose uncovered columns include r's, into
// `candidates`; false when there are none.
bool RowsCovering(const Matrix& m, const Node& node, std::uint32_t r, std::vector<Word>& candidates)
{
    candidates = node.active;
    ResetBit(candidates.data(), r);
    const Word* bits = m.RowBits(r);
    bool any = true;
    for (std::size_t w = 0; w < m.columnWords && any; ++w) {
        for (Word left = bits[w] & node.uncovered[w]; left != 0 && any; left &= left - 1) {
            const Word* rows =
                m.ColumnBits(static_cast<std::uint32_t>(w * 64 + std::countr_zero(left)));
            any = false;
            for (std::size_t v = 0; v < m.rowWords; ++v) {
                candidates[v] &= rows[v];
                any = any || candidates[v] != 0;
            }
        }
    }
    return any;
}

// Excludes the marked rows that cover nothing or that another free row
// dominates.
void DropDominatedRows(const StageCost& cost, Node& node, const std::vector<Word>& rowsToTest,
                       Deadline& deadline)
{
    const Matrix& m = cost.m;
    std::vector<std::uint32_t> dropped;
    std::vector<Word> candidates(m.rowWords);
    const auto size = [&](std::uint32_t r) {
        return CountAnd(m.RowBits(r), node.uncovered.data(), m.columnWords);
    };
    std::uint32_t tested = 0;
    bool expired = false;
    ForEachBit(rowsToTest.data(), m.rowWords, [&](std::uint32_t r) {
        if (expired || !Test(node.active.data(), r)) {
            return;
        }
        if (++tested % kLookEvery == 0 && deadline.Expired()) {
            expired = true;
            return;
        }
        const std::uint32_t sizeR = size(r);
        if (sizeR == 0) {
            dropped.push_back(r);
            return;
        }
        if (!RowsCovering(m, node, r, candidates)) {
            return;
        }
        const std::uint64_t rowCost = cost.Row(r);
        bool dominated = false;
        ForEachBit(candidates.data(), m.rowWords, [&](std::uint32_t s) {
            const std::uint64_t other = cost.Row(s);
            if (!dominated && other <= rowCost && (other < rowCost || s < r || size(s) > sizeR)) {
                dominated = true;
            }
        });
        if (dominated) {
            dropped.push_back(r);
        }
    });
    for (const std::uint32_t r : dropped) {
        Exclude(m, node, r);
    }
}

// The uncovered columns other than k whose free rows include k's, into
// `candidates`; false when there are none.
bool ColumnsCoveredWith(const Matrix& m, const Node& node, std::uint32_t k,
                        std::vector<Word>& candidates)
{
    candidates = node.uncovered;
    ResetBit(candidates.data(), k);
    const Word* rows = m.ColumnBits(k);
    bool left = true;
    for (std::size_t v = 0; v < m.rowWords && left; ++v) {
        for (Word bits = rows[v] & node.active[v]; bits != 0 && left; bits &= bits - 1) {
            const Word* columns =
                m.RowBits(static_cast<std::uint32_t>(v * 64 + std::countr_zero(bits)));
            left = false;
            for (std::size_t w = 0; w < m.columnWords; ++w) {
                candidates[w] &= columns[w];
                left = left || candidates[w] != 0;
            }
        }
    }
    return left;
}

// Drops the uncovered columns that a marked column's cover always covers.
void DropDominatingColumns(const Matrix& m, Node& node, const std::vector<Word>& columnsToTest,
                           Deadline& deadline)
{
    std::vector<Word> dropped(m.columnWords, 0);
    std::vector<Word> candidates(m.columnWords);
    const auto size = [&](std::uint32_t c) {
        return CountAnd(m.ColumnBits(c), node.active.data(), m.rowWords);
    };
    std::uint32_t tested = 0;
    bool expired = false;
    ForEachBit(columnsToTest.data(), m.columnWords, [&](std::uint32_t k) {
        if (expired || !Test(node.uncovered.data(), k)) {
            return;
        }
        if (++tested % kLookEvery == 0 && deadline.Expired()) {
            expired = true;
            return;
        }
        if (!ColumnsCoveredWith(m, node, k, candidates)) {
            return;
        }
        // Covering k covers every column j left; of equal ones the lowest stays.
        const std::uint32_t sizeK = size(k);
        ForEachBit(candidates.data(), m.columnWords, [&](std::uint32_t j) {
            if (j > k || size(j) > sizeK) {
                SetBit(dropped.data(), j);
            }
        });
    });
    ForEachBit(dropped.data(), m.columnWords, [&](std::uint32_t c) { DropColumn(m, node, c); });
}

}  // namespace

Reduced Reduce(const StageCost& cost, Node& node, Deadline& deadline)
{
    const Matrix& m = cost.m;
    while (true) {
        if (deadline.Expired()) {
            return Reduced::kExpired;
        }
        std::vector<Word> rows = std::exchange(node.dirtyRows, std::vector<Word>(m.rowWords, 0));
        std::vector<Word> columns =
            std::exchange(node.dirtyColumns, std::vector<Word>(m.columnWords, 0));
        if (Empty(rows) && Empty(columns)) {
            return Reduced::kDone;
        }
        if (!ChooseEssentials(cost, node, columns)) {
            return Reduced::kInfeasible;
        }
        if (Empty(node.uncovered)) {
            return Reduced::kDone;
        }
        for (std::size_t v = 0; v < m.rowWords; ++v) {
            rows[v] |= node.dirtyRows[v];  // those the essential rows touched
        }
        DropDominatedRows(cost, node, rows, deadline);
        DropDominatingColumns(m, node, columns, deadline);
    }
}

bool FixByReducedCost(const StageCost& cost, Node& node, const SubProblem& sub, const Bound& bound,
                      std::uint64_t incumbent)
{
    const double slack = static_cast<double>(incumbent) - static_cast<double>(node.cost);
    bool changed = false;
    std::vector<std::uint32_t> include;
    for (std::size_t k = 0; k < sub.rowIds.size(); ++k) {
        const double rc = bound.reducedCost[k];
        if (rc > 0 && std::ceil(bound.value + rc - kEps) >= slack) {
            Exclude(cost.m, node, sub.rowIds[k]);
            changed = true;
        } else if (rc < 0 && std::ceil(bound.value - rc - kEps) >= slack) {
            include.push_back(sub.rowIds[k]);
        }
    }
    for (const std::uint32_t r : include) {
        if (Test(node.active.data(), r)) {
            Choose(cost, node, r);
            changed = true;
        }
    }
    return changed;
}

}  // namespace qmsop::cover
