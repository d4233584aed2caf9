// SPDX-License-Identifier: MIT
#include "cover/search.h"

#include <algorithm>
#include <cmath>
#include <tuple>
#include <utility>

#include "cover/heuristic.h"
#include "cover/reduce.h"

namespace qmsop::cover {

Search::Search(const StageCost& cost, Deadline& deadline, bool useLinearProgram)
    : cost(cost),
      m(cost.m),
      deadline(deadline),
      useLinearProgram(useLinearProgram),
      localColumn(cost.m.numColumns, 0)
{
}

void Search::SetIncumbent(std::vector<std::uint32_t> rows)
{
    best = std::move(rows);
    bestCost = cost.Of(best);
}

double Search::Run(Node root, double rootBound)
{
    // Start: each column's multiplier is its cheapest cost per column.
    for (std::uint32_t c = 0; c < m.numColumns; ++c) {
        double least = m.columnRows[c].empty() ? 0 : kInfinity;
        for (const std::uint32_t r : m.columnRows[c]) {
            least = std::min(least, static_cast<double>(cost.Row(r)) /
                                        static_cast<double>(m.rowColumns[r].size()));
        }
        root.multiplier[c] = least;
    }
    return Visit(root, rootBound, 0);
}

bool Search::Prunes(double bound) const
{
    return std::ceil(bound - kEps) >= static_cast<double>(bestCost);
}

void Search::Offer(const Node& node, const std::vector<std::uint32_t>& more)
{
    std::vector<std::uint32_t> rows = node.chosen;
    rows.insert(rows.end(), more.begin(), more.end());
    Consider(std::move(rows));
}

void Search::Consider(std::vector<std::uint32_t> rows)
{
    if (cost.Counted() && rows.size() > cost.maxProducts) {
        return;
    }
    const std::uint64_t total = cost.Of(rows);
    if (total < bestCost) {
        std::sort(rows.begin(), rows.end());
        best = std::move(rows);
        bestCost = total;
    }
}

std::optional<Bound> Search::BoundOf(const SubProblem& sub, const Node& node, std::uint32_t depth)
{
    if (cost.Counted() && (node.chosen.size() >= cost.maxProducts ||
                           cost.maxProducts - node.chosen.size() > sub.rowIds.size())) {
        return std::nullopt;  // a node with columns left needs a row more
    }
    if (useLinearProgram && !lpTried) {
        lpTried = true;
        std::vector<double> rowCost(m.numRows);
        for (std::uint32_t r = 0; r < m.numRows; ++r) {
            rowCost[r] = static_cast<double>(cost.Row(r));
        }
        lp = MakeLinearProgramBound(
            m, node, rowCost,
            cost.Counted() ? std::optional(static_cast<double>(cost.maxProducts)) : std::nullopt);
    }
    const BoundQuery query{
        node,
        sub,
        static_cast<double>(bestCost) - static_cast<double>(node.cost),
        cost.Counted() ? static_cast<double>(cost.maxProducts - node.chosen.size()) : 0.0,
        cost.Counted(),
        depth == 0 ? 3000u : 200u};
    Bound bound;
    if (lp) {
        const BoundStatus status = lp->Compute(query, deadline, bound);
        if (status == BoundStatus::kFound) {
            return bound;
        }
        if (status == BoundStatus::kInfeasible) {
            return std::nullopt;
        }
    }
    lagrangian.Compute(query, deadline, bound);
    return bound;
}

bool Search::Settle(Node& node, double parentBound, std::uint32_t depth, SubProblem& sub,
                    Bound& bound, double* unresolved)
{
    *unresolved = kInfinity;
    for (std::uint32_t round = 0;; ++round) {
        const Reduced reduced = Reduce(cost, node, deadline);
        if (reduced != Reduced::kDone) {
            if (reduced == Reduced::kExpired) {
                *unresolved = parentBound;
            }
            return false;
        }
        if (Empty(node.uncovered)) {
            Offer(node, {});
            return false;
        }
        sub = Compact(cost, node, localColumn);
        const bool first = depth == 0 && round == 0;
        if (first) {
            core = {static_cast<std::uint32_t>(sub.rowIds.size()),
                    static_cast<std::uint32_t>(sub.columnIds.size()), CountBlocks(sub)};
            // Needs no bound: the first incumbent for the bound's target.
            if (auto rows = Dive(cost, node, std::vector<double>(m.numRows, 0.0), deadline)) {
                Consider(std::move(*rows));
            }
        }
        std::optional<Bound> found = BoundOf(sub, node, depth);
        if (!found) {
            return false;
        }
        bound = std::move(*found);
        for (std::size_t j = 0; j < sub.columnIds.size(); ++j) {
            node.multiplier[sub.columnIds[j]] = bound.multiplier[j];
        }
        node.cardinalityMultiplier = bound.cardinalityMultiplier;
        if (Prunes(static_cast<double>(node.cost) + bound.value)) {
            return false;
        }
        if (const auto more = LagrangianGreedy(cost, node, sub, bound)) {
            Offer(node, *more);
        }
        if (first) {
            std::vector<double> weight(m.numRows, 0.0);
            for (std::size_t k = 0; k < sub.rowIds.size(); ++k) {
                weight[sub.rowIds[k]] = bound.primal[k];
            }
            if (auto rows = Dive(cost, node, weight, deadline)) {
                Consider(std::move(*rows));
            }
        }
        if (round == 3 || !FixByReducedCost(cost, node, sub, bound, bestCost)) {
            return true;
        }
    }
}

std::vector<std::uint32_t> Search::Children(const Node& node, const SubProblem& sub,
                                            const Bound& bound) const
{
    // A column that the relaxation covers only fractionally (any column when
    // it covers them all whole), the one with the fewest free rows, the
    // largest multiplier among equals; its rows in order of value in the
    // relaxation, then of reduced cost.
    std::vector<std::pair<double, double>> order(m.numRows);  // (-primal, reduced cost)
    std::vector<double> largest(sub.columnIds.size(), 0.0);
    for (std::size_t k = 0; k < sub.rowIds.size(); ++k) {
        order[sub.rowIds[k]] = {-bound.primal[k], bound.reducedCost[k]};
        for (std::uint32_t e = sub.start[k]; e < sub.start[k + 1]; ++e) {
            largest[sub.columns[e]] = std::max(largest[sub.columns[e]], bound.primal[k]);
        }
    }
    std::uint32_t column = 0;
    std::tuple<bool, std::uint32_t, double> key{true, std::numeric_limits<std::uint32_t>::max(), 0};
    for (std::size_t j = 0; j < sub.columnIds.size(); ++j) {
        const std::uint32_t c = sub.columnIds[j];
        const std::tuple<bool, std::uint32_t, double> candidate{
            largest[j] > 1 - 1e-6, CountAnd(m.ColumnBits(c), node.active.data(), m.rowWords),
            -bound.multiplier[j]};
        if (candidate < key) {
            key = candidate;
            column = c;
        }
    }
    std::vector<std::uint32_t> children;
    ForEachBit(m.ColumnBits(column), m.rowWords, [&](std::uint32_t r) {
        if (Test(node.active.data(), r)) {
            children.push_back(r);
        }
    });
    std::stable_sort(children.begin(), children.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return order[a] < order[b]; });
    return children;
}

double Search::Visit(Node& node, double parentBound, std::uint32_t depth)
{
    if (deadline.Tick()) {
        return parentBound;
    }
    SubProblem sub;
    Bound bound;
    double unresolved = kInfinity;
    if (!Settle(node, parentBound, depth, sub, bound, &unresolved)) {
        return unresolved;
    }
    const double nodeBound = std::max(parentBound, static_cast<double>(node.cost) + bound.value);
    for (const std::uint32_t r : Children(node, sub, bound)) {
        if (Prunes(nodeBound)) {
            break;
        }
        if (deadline.Expired()) {
            unresolved = std::min(unresolved, nodeBound);
            break;
        }
        Node child = node;
        Choose(cost, child, r);
        unresolved = std::min(unresolved, Visit(child, nodeBound, depth + 1));
        Exclude(m, node, r);
    }
    return unresolved;
}

}  // namespace qmsop::cover
