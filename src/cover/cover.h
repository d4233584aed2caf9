// SPDX-License-Identifier: MIT
// Exact unate covering: a cover of a prime-implicant chart with the fewest
// rows, ties broken by the fewest literals, with a certificate, or within a
// time budget the best cover found and a proven lower bound.
//
//   chart rows (column lists, literals)    result
//   PI#1  {0,1}      2                     rows 1 and 2 (PI#2, PI#3)
//   PI#2  {0,2}      2                     certificate:
//   PI#3  {1,3}      2                       minimum: 2 products, 4 literals (proven)
//
// Algorithm: branch and bound, run twice over the same chart: first for the
// fewest rows (every row costs 1), then for the fewest literals among covers
// of exactly that many rows (a row costs its literals; a cardinality
// constraint holds the row count). Each node reduces its matrix to a fixed
// point: essential rows are chosen; a row whose uncovered columns lie within
// another's of no higher cost is dropped (of equal ones the lower row stays);
// a column whose rows include another column's rows is dropped. The lower
// bound is the LP relaxation, solved by COIN-OR CLP's dual simplex warm-
// started from the last node (built without CLP, or if CLP fails: the
// Lagrangian relaxation raised by subgradient steps from the parent's
// multipliers). The bound is recomputed from the duals as a Lagrangian value,
// so it is valid whatever the LP's tolerances. Its reduced costs fix rows: a
// row whose choice would lift the bound to the incumbent is dropped, one whose
// exclusion would is chosen. The search branches on an uncovered column that
// the relaxation covers only fractionally, the one with the fewest free rows;
// children in order of LP value, each excluding the rows of the earlier ones.
// The upper bound starts at the given cover (the greedy one) made
// irredundant; an LP-rounding greedy at every node and two reductive dives at
// the root (Espresso's heuristic cover, guided by the LP) improve it. Rows and
// columns are bitsets, so reductions are word-parallel. Independent blocks
// are not split: the LP bound of a block-diagonal core is already the sum of
// its blocks' bounds, and the cores of dense functions are one block
// (ExactCoverResult::coreBlocks counts them).
//
// Cost: exponential in the worst case (unate covering is NP-hard). A node
// costs a warm dual simplex, O(nnz * words) for the dominance tests and
// O(rows * chosen) for the rounding; a subgradient step costs O(nnz). The
// Deadline stops the search at a wall-clock time (also inside CLP) or a node
// count, and the search then reports the least bound over what it left open.
//
// Invariants of every result: the rows cover every column that some row
// covers (columns without rows stay uncovered); the cover is irredundant; it
// is never worse than the given cover in (products, literals); the bounds are
// honest: no cover has fewer than `productBound` rows, and when the products
// are proven, no cover of `products` rows has fewer than `literalBound`
// literals. Ties between covers of equal products and literals go to the
// first one the search meets; the search is deterministic, so a proven result
// does not depend on the time limit or the machine.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "tabulation/mccluskey.h"

namespace qmsop {

// A covering problem: rows over the columns 0..numColumns-1, each row an
// ascending list of distinct columns with its cost in literals.
struct CoverProblem {
    std::uint32_t numColumns = 0;
    std::vector<std::vector<std::uint32_t>> rows;
    std::vector<std::uint32_t> literals;  // one per row
};

// The budget of a search: a wall-clock end, a count of nodes, or none.
class Deadline {
public:
    // Never expires.
    Deadline() = default;
    static Deadline AfterSeconds(double seconds);
    // Expires when the search has visited `nodes` nodes (for tests: no clock).
    static Deadline AfterNodes(std::uint64_t nodes);

    // Counts one node; true once the budget is spent, and from then on.
    bool Tick();
    // True once the budget is spent; does not count a node.
    bool Expired();
    std::uint64_t nodes() const { return nodes_; }
    // Seconds until the wall-clock end (0 once past it); nullopt without one.
    std::optional<double> SecondsLeft() const;

private:
    std::optional<std::chrono::steady_clock::time_point> end_;
    std::uint64_t nodeLimit_ = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t nodes_ = 0;
    bool expired_ = false;
};

// The outcome of an exact search.
struct ExactCoverResult {
    std::vector<std::uint32_t> rows;  // the chosen rows, ascending
    std::uint32_t products = 0;       // rows.size()
    std::uint64_t literals = 0;       // their literals
    std::uint32_t productBound = 0;   // no cover has fewer rows
    // When productsProven: no cover of `products` rows has fewer literals.
    std::uint64_t literalBound = 0;
    bool productsProven = false;  // productBound == products
    bool proven = false;          // and literalBound == literals
    bool timeLimitReached = false;
    std::uint64_t nodes = 0;  // search nodes visited
    // The cyclic core of the products stage: rows and columns left after the
    // root's reductions.
    std::uint32_t coreRows = 0;
    std::uint32_t coreColumns = 0;
    std::uint32_t coreBlocks = 0;  // its connected blocks
};

// Solves `problem` exactly within `deadline`, starting from `start` (a cover,
// e.g. the greedy one, in any order; empty for none). Columns that no row
// covers are left out. With useLinearProgram false the bound is the built-in
// subgradient one even when the library has CLP (a build without CLP always
// uses it).
ExactCoverResult SolveExactCover(const CoverProblem& problem, std::span<const std::uint32_t> start,
                                 Deadline& deadline, bool useLinearProgram = true);

// The filled chart of a McCluskey (in a CoverSelector or after Solve) as a
// covering problem: row i is PI#(i+1) with its chart columns and the literals
// of its product. O(chart bits + PIs * variables).
CoverProblem CoverProblemOf(const McCluskey& chart);

// The knobs of the exact cover.
struct ExactCoverOptions {
    double timeLimitSeconds = 10.0;  // <= 0: no limit
    std::uint64_t nodeLimit = 0;     // 0: none; else it replaces the time limit (tests)
    bool linearProgram = true;       // false: the subgradient bound, not CLP's LP
};

// A CoverSelector for McCluskey::Solve that runs SolveExactCover on the chart,
// from the greedy cover, and returns the chosen rows in ascending order. The
// outcome is written to `*result`, which must outlive the Solve call.
CoverSelector ExactCoverSelector(const ExactCoverOptions& options, ExactCoverResult* result);

// The certificate line, without a line end:
//   minimum: 2 products, 4 literals (proven)
//   best found: 137 products, 951 literals; no cover has fewer products, and none of 137
//     products has fewer than 940 literals (time limit reached)
//   best found: 152 products, 1040 literals; no cover has fewer than 131 products (time
//     limit reached)
// (each on one line).
std::string CertificateLine(const ExactCoverResult& result);

}  // namespace qmsop
