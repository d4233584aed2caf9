// SPDX-License-Identifier: MIT
#include "cover/heuristic.h"

#include <algorithm>
#include <utility>

#include "cover/reduce.h"

namespace qmsop::cover {

std::vector<std::uint32_t> Irredundant(const StageCost& cost, std::vector<std::uint32_t> rows,
                                       const std::vector<Word>& columns, Ties ties)
{
    const Matrix& m = cost.m;
    std::vector<std::uint32_t> coverCount(m.numColumns, 0);
    for (const std::uint32_t r : rows) {
        for (const std::uint32_t c : m.rowColumns[r]) {
            ++coverCount[c];
        }
    }
    const bool higherFirst = ties == Ties::kHigherRowFirst;
    std::sort(rows.begin(), rows.end(), [&](std::uint32_t a, std::uint32_t b) {
        const std::uint64_t costA = cost.Row(a);
        const std::uint64_t costB = cost.Row(b);
        if (costA != costB) {
            return costA > costB;
        }
        return higherFirst ? a > b : a < b;
    });
    std::vector<std::uint32_t> kept;
    for (const std::uint32_t r : rows) {
        const bool redundant = std::all_of(
            m.rowColumns[r].begin(), m.rowColumns[r].end(),
            [&](std::uint32_t c) { return !Test(columns.data(), c) || coverCount[c] >= 2; });
        if (redundant) {
            for (const std::uint32_t c : m.rowColumns[r]) {
                --coverCount[c];
            }
        } else {
            kept.push_back(r);
        }
    }
    std::sort(kept.begin(), kept.end());
    return kept;
}

std::vector<std::uint32_t> Complete(const Matrix& m, std::span<const std::uint32_t> start,
                                    const std::vector<Word>& coverable)
{
    std::vector<Word> uncovered = coverable;
    std::vector<std::uint32_t> rows;
    std::vector<bool> taken(m.numRows, false);
    const auto take = [&](std::uint32_t r) {
        taken[r] = true;
        rows.push_back(r);
        for (std::size_t w = 0; w < m.columnWords; ++w) {
            uncovered[w] &= ~m.RowBits(r)[w];
        }
    };
    for (const std::uint32_t r : start) {
        if (r < m.numRows && !taken[r]) {
            take(r);
        }
    }
    while (!Empty(uncovered)) {
        std::uint32_t pick = 0;
        std::pair<std::uint32_t, std::int64_t> pickScore{0, 0};
        for (std::uint32_t r = 0; r < m.numRows; ++r) {
            const std::uint32_t gain = CountAnd(m.RowBits(r), uncovered.data(), m.columnWords);
            const std::pair<std::uint32_t, std::int64_t> score{gain, -std::int64_t{m.literals[r]}};
            if (gain > 0 && score > pickScore) {
                pickScore = score;
                pick = r;
            }
        }
        take(pick);
    }
    return rows;
}

namespace {

// The rows a greedy takes over a subproblem, with its columns' coverage.
class SubCover {
public:
    explicit SubCover(const SubProblem& sub)
        : sub(sub),
          coverCount(sub.columnIds.size(), 0),
          fresh(sub.rowIds.size(), 0),
          taken(sub.rowIds.size(), false),
          rowsOf(sub.columnIds.size()),
          uncovered(sub.columnIds.size())
    {
        for (std::size_t k = 0; k < sub.rowIds.size(); ++k) {
            fresh[k] = sub.start[k + 1] - sub.start[k];
            for (std::uint32_t e = sub.start[k]; e < sub.start[k + 1]; ++e) {
                rowsOf[sub.columns[e]].push_back(static_cast<std::uint32_t>(k));
            }
        }
    }

    void Take(std::size_t k)
    {
        taken[k] = true;
        for (std::uint32_t e = sub.start[k]; e < sub.start[k + 1]; ++e) {
            const std::uint32_t j = sub.columns[e];
            if (coverCount[j]++ == 0) {
                --uncovered;
                for (const std::uint32_t other : rowsOf[j]) {
                    --fresh[other];
                }
            }
        }
    }

    // The row of least score(k) / new columns among those that add some;
    // nullopt when none does.
    template <typename Score>
    std::optional<std::size_t> Cheapest(Score score) const
    {
        std::optional<std::size_t> pick;
        double pickScore = kInfinity;
        for (std::size_t k = 0; k < taken.size(); ++k) {
            if (taken[k] || fresh[k] == 0) {
                continue;
            }
            const double value = score(k) / fresh[k];
            if (value < pickScore) {
                pickScore = value;
                pick = k;
            }
        }
        return pick;
    }

    bool Covered() const { return uncovered == 0; }

    // The taken rows, as matrix rows.
    std::vector<std::uint32_t> Rows() const
    {
        std::vector<std::uint32_t> rows;
        for (std::size_t k = 0; k < taken.size(); ++k) {
            if (taken[k]) {
                rows.push_back(sub.rowIds[k]);
            }
        }
        return rows;
    }

private:
    const SubProblem& sub;
    std::vector<std::uint32_t> coverCount;
    std::vector<std::uint32_t> fresh;  // per row: the uncovered columns it would cover
    std::vector<bool> taken;
    std::vector<std::vector<std::uint32_t>> rowsOf;
    std::size_t uncovered;
};

}  // namespace

std::optional<std::vector<std::uint32_t>> LagrangianGreedy(const StageCost& cost, const Node& node,
                                                           const SubProblem& sub,
                                                           const Bound& bound)
{
    SubCover cover(sub);
    for (std::size_t k = 0; k < sub.rowIds.size(); ++k) {
        if (bound.primal[k] > 1 - 1e-6) {
            cover.Take(k);
        }
    }
    while (!cover.Covered()) {
        const std::optional<std::size_t> pick = cover.Cheapest([&](std::size_t k) {
            return sub.cost[k] + 1e-3 * std::max(0.0, bound.reducedCost[k]);
        });
        if (!pick) {
            return std::nullopt;
        }
        cover.Take(*pick);
    }
    return Irredundant(cost, cover.Rows(), node.uncovered, Ties::kLowerRowFirst);
}

std::optional<std::vector<std::uint32_t>> Dive(const StageCost& cost, Node node,
                                               const std::vector<double>& weight,
                                               Deadline& deadline)
{
    const Matrix& m = cost.m;
    while (Reduce(cost, node, deadline) == Reduced::kDone) {
        if (Empty(node.uncovered)) {
            return std::move(node.chosen);
        }
        if (deadline.Expired()) {
            return std::nullopt;
        }
        std::uint32_t column = 0;
        std::uint32_t fewest = std::numeric_limits<std::uint32_t>::max();
        ForEachBit(node.uncovered.data(), m.columnWords, [&](std::uint32_t c) {
            const std::uint32_t count = CountAnd(m.ColumnBits(c), node.active.data(), m.rowWords);
            if (count < fewest) {
                fewest = count;
                column = c;
            }
        });
        std::uint32_t pick = 0;
        double pickScore = -kInfinity;
        ForEachBit(m.ColumnBits(column), m.rowWords, [&](std::uint32_t r) {
            if (!Test(node.active.data(), r)) {
                return;
            }
            const double fresh = CountAnd(m.RowBits(r), node.uncovered.data(), m.columnWords);
            const double score = weight[r] + fresh / static_cast<double>(cost.Row(r)) / 64.0;
            if (score > pickScore) {
                pickScore = score;
                pick = r;
            }
        });
        Choose(cost, node, pick);
    }
    return std::nullopt;
}

}  // namespace qmsop::cover
