// SPDX-License-Identifier: MIT
// Primal heuristics of the exact cover: covers that raise the incumbent, and
// the one Irredundant that every cover passes through.
//
//   rows {0,1} {1,2} {0,2} {2}, columns 0 1 2, all costing 1:
//   Complete from {3}: {3} + {0,1} (most new columns);  Irredundant keeps it;
//   from {0,1} {1,2} {0,2}: Irredundant drops {0,2} (tried first of the
//   costliest when higher rows go first), leaving {0,1} {1,2}.
//
// Algorithm: Complete is the classical greedy (most new columns, then fewest
// literals); the Lagrangian greedy takes the rows the relaxation sets to 1
// and completes by the least cost per new column (reduced cost breaking
// ties); the dive is a reductive greedy in the manner of Espresso's heuristic
// cover, guided by the relaxation's values. Cost: O(rows * columns / 64) per
// greedy step; O(nnz) for Irredundant. Invariants: every cover returned
// covers the columns asked for; Irredundant's result is irredundant over
// them, ascending, and keeps a row only if its cover needs it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "cover/bound.h"
#include "cover/deadline.h"
#include "cover/matrix.h"

namespace qmsop::cover {

// Which of two rows of equal cost Irredundant tries to drop first.
enum class Ties : std::uint8_t { kHigherRowFirst, kLowerRowFirst };

// Drops rows whose columns within `columns` the other rows cover, trying the
// costliest first (`cost.Row`), equal ones in the order `ties` says; returns
// the kept rows ascending.
std::vector<std::uint32_t> Irredundant(const StageCost& cost, std::vector<std::uint32_t> rows,
                                       const std::vector<Word>& columns, Ties ties);

// A cover of every `coverable` column that keeps the rows of `start` (rows
// past the matrix are left out) and completes them greedily.
std::vector<std::uint32_t> Complete(const Matrix& m, std::span<const std::uint32_t> start,
                                    const std::vector<Word>& coverable);

// The Lagrangian greedy of a node: rows to add to node.chosen for a cover of
// its columns, irredundant; nullopt when the subproblem has no cover.
std::optional<std::vector<std::uint32_t>> LagrangianGreedy(const StageCost& cost, const Node& node,
                                                           const SubProblem& sub,
                                                           const Bound& bound);

// A reductive greedy from `node`: reduce, choose the best free row of the
// column with the fewest free rows by `weight` (per matrix row) and new
// columns per cost, until covered; no backtracking. The cover (all chosen
// rows) or nullopt when it fails or the budget ends.
std::optional<std::vector<std::uint32_t>> Dive(const StageCost& cost, Node node,
                                               const std::vector<double>& weight,
                                               Deadline& deadline);

}  // namespace qmsop::cover
