// Exact unate covering: a cover of a prime-implicant chart with the fewest
// rows, ties broken by the fewest literals, with a certificate, or within a
// time budget the best cover found and a proven lower bound.
//
//   chart rows (column lists, literals)    result
//   PI#1  {0,1}      2                     rows {1,2}: 2 products, 4 literals
//   PI#2  {0,2}      2                     certificate:
//   PI#3  {1,3}      2                       minimum: 2 products, 4 literals (proven)
//
// Algorithm: branch and bound in two stages over the same search, first for
// the fewest rows (every row costs 1), then for the fewest literals among
// covers of that many rows (a row costs its literals; a cardinality
// constraint keeps the row count). Each node reduces its matrix to a fixed
// point: essential rows are chosen, a row whose uncovered columns lie within
// another's of no higher cost is dropped, a column whose rows include
// another column's rows is dropped. The lower bound is the Lagrangian
// relaxation of the covering constraints (and of the cardinality), raised by
// subgradient steps warm-started from the parent node, which approaches the
// LP bound; its reduced costs also fix rows (a row that would lift the bound
// past the incumbent is dropped, one whose removal would is chosen). The
// search branches on the uncovered column with the fewest candidate rows,
// children in order of reduced cost, each excluding the earlier ones.
// Independent blocks of the reduced root are solved apart. The upper bound
// starts at the given cover (the greedy one) made irredundant and is
// improved by a Lagrangian greedy at the root. Rows and columns are bitsets,
// so reductions are word-parallel.
//
// Cost: exponential in the worst case (unate covering is NP-hard); a node
// costs O(nnz) per subgradient step plus O(nnz * words) for the dominance
// tests. The Deadline stops the search at a wall-clock time or a node count.
//
// Invariants of every result: the rows cover every column that some row
// covers (columns without rows stay uncovered); the cover is irredundant; it
// is never worse than the given cover in (products, literals); the bounds are
// honest: no cover has fewer than `productBound` rows, and when the products
// are proven, no cover of `products` rows has fewer than `literalBound`
// literals. Proven results do not depend on time; ties between equal covers
// go to the first one the (deterministic) search meets.
#pragma once

#include <chrono>
#include <cstdint>
#include <limits>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "mccluskey.h"

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
};

// Solves `problem` exactly within `deadline`, starting from `start` (a cover,
// e.g. the greedy one, in any order; empty for none). Columns that no row
// covers are left out.
// With useLinearProgram false the bound is the built-in subgradient one even
// when the library has CLP (a build without CLP always uses it).
ExactCoverResult SolveExactCover(const CoverProblem& problem, std::span<const std::uint32_t> start,
                                 Deadline& deadline, bool useLinearProgram = true);

// True when the library was built with COIN-OR CLP for the LP bound.
bool HaveLinearProgramSolver();

// The chart of a solved or unsolved McCluskey as a covering problem: row i
// is PI#(i+1) with its chart columns and the literals of its product.
CoverProblem CoverProblemOf(const McCluskey& chart);

// The knobs of the exact cover.
struct ExactCoverOptions {
    double timeLimitSeconds = 10.0;  // <= 0: no limit
    std::uint64_t nodeLimit = 0;     // 0: no limit (tests use it in place of time)
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
