// SPDX-License-Identifier: MIT
#include "cover/cover.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <numeric>
#include <tuple>
#include <utility>

#include "cube/cube.h"

#ifdef QMSOP_HAVE_CLP
#include "ClpSimplex.hpp"
#endif

namespace qmsop {

// ----------------------------------------------------------------- Deadline

Deadline Deadline::AfterSeconds(double seconds)
{
    Deadline deadline;
    deadline.end_ = std::chrono::steady_clock::now() +
                    std::chrono::duration_cast<std::chrono::steady_clock::duration>(
                        std::chrono::duration<double>(seconds));
    return deadline;
}

Deadline Deadline::AfterNodes(std::uint64_t nodes)
{
    Deadline deadline;
    deadline.nodeLimit_ = nodes;
    return deadline;
}

bool Deadline::Tick()
{
    if (!Expired()) {
        ++nodes_;
    }
    return Expired();
}

std::optional<double> Deadline::SecondsLeft() const
{
    if (!end_) {
        return std::nullopt;
    }
    const std::chrono::duration<double> left = *end_ - std::chrono::steady_clock::now();
    return std::max(0.0, left.count());
}

bool Deadline::Expired()
{
    if (!expired_ &&
        (nodes_ >= nodeLimit_ || (end_ && std::chrono::steady_clock::now() >= *end_))) {
        expired_ = true;
    }
    return expired_;
}

namespace {

// ------------------------------------------------------------------- Bitsets

using Word = std::uint64_t;

constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Slack for floating-point bounds: a bound b proves "cost >= ceil(b - kEps)".
constexpr double kEps = 1e-6;

std::size_t WordsFor(std::uint32_t bits)
{
    return (std::size_t{bits} + 63) / 64;
}

bool Test(const Word* words, std::uint32_t i)
{
    return ((words[i / 64] >> (i % 64)) & 1u) != 0;
}

void SetBit(Word* words, std::uint32_t i)
{
    words[i / 64] |= Word{1} << (i % 64);
}

void ResetBit(Word* words, std::uint32_t i)
{
    words[i / 64] &= ~(Word{1} << (i % 64));
}

// Calls visit(i) for every set bit of words[0..n), ascending.
template <typename Visit>
void ForEachBit(const Word* words, std::size_t n, Visit visit)
{
    for (std::size_t w = 0; w < n; ++w) {
        for (Word left = words[w]; left != 0; left &= left - 1) {
            visit(static_cast<std::uint32_t>(w * 64 + std::countr_zero(left)));
        }
    }
}

std::uint32_t CountAnd(const Word* a, const Word* b, std::size_t n)
{
    std::uint32_t count = 0;
    for (std::size_t w = 0; w < n; ++w) {
        count += static_cast<std::uint32_t>(std::popcount(a[w] & b[w]));
    }
    return count;
}

bool Empty(const std::vector<Word>& words)
{
    return std::all_of(words.begin(), words.end(), [](Word w) { return w == 0; });
}

// -------------------------------------------------------------------- Matrix

// The fixed covering matrix: rows as column lists and bitsets, columns as
// row lists and bitsets.
struct Matrix {
    explicit Matrix(const CoverProblem& problem);

    const Word* RowBits(std::uint32_t row) const { return rowBits.data() + row * columnWords; }
    const Word* ColumnBits(std::uint32_t column) const
    {
        return columnBits.data() + column * rowWords;
    }

    std::uint32_t numRows;
    std::uint32_t numColumns;
    std::size_t rowWords;     // words of a set of rows
    std::size_t columnWords;  // words of a set of columns
    std::vector<std::vector<std::uint32_t>> rowColumns;
    std::vector<std::vector<std::uint32_t>> columnRows;
    std::vector<Word> rowBits;
    std::vector<Word> columnBits;
    std::vector<std::uint32_t> literals;
};

Matrix::Matrix(const CoverProblem& problem)
    : numRows(static_cast<std::uint32_t>(problem.rows.size())),
      numColumns(problem.numColumns),
      rowWords(WordsFor(numRows)),
      columnWords(WordsFor(numColumns)),
      rowColumns(numRows),
      columnRows(numColumns),
      rowBits(std::size_t{numRows} * columnWords, 0),
      columnBits(std::size_t{numColumns} * rowWords, 0),
      literals(numRows, 0)
{
    for (std::uint32_t r = 0; r < numRows; ++r) {
        for (const std::uint32_t c : problem.rows[r]) {
            if (c < numColumns && !Test(RowBits(r), c)) {
                SetBit(rowBits.data() + r * columnWords, c);
                SetBit(columnBits.data() + c * rowWords, r);
            }
        }
        ForEachBit(RowBits(r), columnWords, [&](std::uint32_t c) {
            rowColumns[r].push_back(c);
            columnRows[c].push_back(r);
        });
        if (r < problem.literals.size()) {
            literals[r] = problem.literals[r];
        }
    }
}

// Rows as a cover: (products, literals), compared lexicographically.
struct Cost {
    std::uint64_t products = 0;
    std::uint64_t literals = 0;
    auto operator<=>(const Cost&) const = default;
};

Cost CostOf(const Matrix& m, const std::vector<std::uint32_t>& rows)
{
    Cost cost{rows.size(), 0};
    for (const std::uint32_t r : rows) {
        cost.literals += m.literals[r];
    }
    return cost;
}

// Drops rows whose columns (within `columns`) the other rows cover, most
// literals first (then the highest row): the result is irredundant.
std::vector<std::uint32_t> Irredundant(const Matrix& m, std::vector<std::uint32_t> rows,
                                       const std::vector<Word>& columns)
{
    std::vector<std::uint32_t> coverCount(m.numColumns, 0);
    for (const std::uint32_t r : rows) {
        for (const std::uint32_t c : m.rowColumns[r]) {
            ++coverCount[c];
        }
    }
    std::sort(rows.begin(), rows.end(), [&](std::uint32_t a, std::uint32_t b) {
        return std::pair(m.literals[a], a) > std::pair(m.literals[b], b);
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

// --------------------------------------------------------------------- Search

enum class Stage : std::uint8_t {
    kProducts,  // every row costs 1
    kLiterals,  // a row costs its literals; exactly maxProducts rows (the minimum)
};

// A node of the search: the rows still free, the columns still to cover,
// the rows chosen on the way and the Lagrange multipliers to start from.
struct Node {
    std::vector<Word> active;     // free rows
    std::vector<Word> uncovered;  // columns to cover
    // Rows and columns that changed since the last reduction.
    std::vector<Word> dirtyRows;
    std::vector<Word> dirtyColumns;
    std::vector<std::uint32_t> chosen;
    std::uint64_t cost = 0;          // of `chosen`, in the stage's objective
    std::vector<double> multiplier;  // per column
    double cardinalityMultiplier = 0;
};

// The reduced problem of a node in compact form, for the bound.
struct SubProblem {
    std::vector<std::uint32_t> rowIds;
    std::vector<std::uint32_t> start;    // row k's columns: columns[start[k]..start[k+1])
    std::vector<std::uint32_t> columns;  // local column numbers
    std::vector<double> cost;
    std::vector<std::uint32_t> columnIds;
};

// The connected blocks of a subproblem: columns joined by a common row.
std::uint32_t CountBlocks(const SubProblem& sub)
{
    std::vector<std::uint32_t> parent(sub.columnIds.size());
    std::iota(parent.begin(), parent.end(), 0);
    const auto find = [&](std::uint32_t j) {
        while (parent[j] != j) {
            j = parent[j] = parent[parent[j]];
        }
        return j;
    };
    std::uint32_t blocks = static_cast<std::uint32_t>(parent.size());
    for (std::size_t k = 0; k + 1 < sub.start.size(); ++k) {
        for (std::uint32_t e = sub.start[k] + 1; e < sub.start[k + 1]; ++e) {
            const std::uint32_t a = find(sub.columns[sub.start[k]]);
            const std::uint32_t b = find(sub.columns[e]);
            if (a != b) {
                parent[b] = a;
                --blocks;
            }
        }
    }
    return blocks;
}

// The outcome of the Lagrangian bound of a node.
struct Bound {
    double value = -kInfinity;        // of the node's remaining cost
    std::vector<double> reducedCost;  // per row of the subproblem
    std::vector<double> primal;       // per row: its value in the relaxation, 0..1
    std::vector<double> multiplier;   // per local column
    double cardinalityMultiplier = 0;
};

#ifdef QMSOP_HAVE_CLP
// The LP relaxation of the reduced root, solved by COIN-OR CLP's dual
// simplex. Its variables are the root's free rows, its constraints the
// root's uncovered columns (and, for the literals, "exactly `products` rows").
// A node changes only variable bounds (rows chosen since the root 1..1, free
// rows 0..1, others 0..0), so the last basis stays dual feasible and each
// solve is a warm dual simplex.
class LinearProgram {
public:
    LinearProgram(const Matrix& m, const Node& root, const std::vector<double>& cost,
                  std::optional<double> rows);
    // Solves the node's relaxation and turns its duals into a bound; nullopt
    // when the relaxation is infeasible or CLP gives up (then `infeasible`
    // tells which).
    std::optional<Bound> Solve(const Node& node, const SubProblem& sub, const Deadline& deadline);

    bool infeasible = false;

private:
    const Matrix& m;
    ClpSimplex lp;
    std::vector<int> variableOf;    // matrix row -> LP column, -1 for none
    std::vector<int> constraintOf;  // matrix column -> LP row, -1 for none
    std::vector<std::uint32_t> variables;
    std::vector<std::uint32_t> constraints;
    std::vector<double> cost;
    std::optional<double> cardinality;  // right-hand side of the cardinality row
    std::size_t rootChosen;
    double rootCost;
    std::vector<std::int8_t> state;  // per variable: 0 fixed 0, 1 free, 2 fixed 1
    bool solved = false;             // keeps its factorization between solves
};

LinearProgram::LinearProgram(const Matrix& m, const Node& root, const std::vector<double>& cost,
                             std::optional<double> rows)
    : m(m),
      variableOf(m.numRows, -1),
      constraintOf(m.numColumns, -1),
      cost(cost),
      rootChosen(root.chosen.size()),
      rootCost(static_cast<double>(root.cost))
{
    ForEachBit(root.active.data(), m.rowWords, [&](std::uint32_t r) {
        variableOf[r] = static_cast<int>(variables.size());
        variables.push_back(r);
    });
    ForEachBit(root.uncovered.data(), m.columnWords, [&](std::uint32_t c) {
        constraintOf[c] = static_cast<int>(constraints.size());
        constraints.push_back(c);
    });
    int numConstraints = static_cast<int>(constraints.size());
    const int cardinalityRow = numConstraints;
    if (rows) {
        cardinality = *rows - static_cast<double>(rootChosen);
        ++numConstraints;
    }
    std::vector<CoinBigIndex> start{0};
    std::vector<int> index;
    std::vector<double> objective;
    for (const std::uint32_t r : variables) {
        for (const std::uint32_t c : m.rowColumns[r]) {
            if (constraintOf[c] >= 0) {
                index.push_back(constraintOf[c]);
            }
        }
        if (cardinality) {
            index.push_back(cardinalityRow);
        }
        start.push_back(static_cast<CoinBigIndex>(index.size()));
        objective.push_back(cost[r]);
    }
    const std::vector<double> value(index.size(), 1.0);
    const std::vector<double> lower(variables.size(), 0.0);
    const std::vector<double> upper(variables.size(), 1.0);
    std::vector<double> rowLower(static_cast<std::size_t>(numConstraints), 1.0);
    std::vector<double> rowUpper(static_cast<std::size_t>(numConstraints), COIN_DBL_MAX);
    if (cardinality) {
        rowLower.back() = rowUpper.back() = *cardinality;
    }
    state.assign(variables.size(), 1);
    lp.setLogLevel(0);
    lp.loadProblem(static_cast<int>(variables.size()), numConstraints, start.data(), index.data(),
                   value.data(), lower.data(), upper.data(), objective.data(), rowLower.data(),
                   rowUpper.data());
}

std::optional<Bound> LinearProgram::Solve(const Node& node, const SubProblem& sub,
                                          const Deadline& deadline)
{
    if (const std::optional<double> left = deadline.SecondsLeft()) {
        lp.setMaximumWallSeconds(*left);
    }
    std::vector<std::int8_t> want(variables.size(), 0);
    for (std::size_t i = rootChosen; i < node.chosen.size(); ++i) {
        want[static_cast<std::size_t>(variableOf[node.chosen[i]])] = 2;
    }
    for (std::size_t v = 0; v < variables.size(); ++v) {
        if (want[v] == 0 && Test(node.active.data(), variables[v])) {
            want[v] = 1;
        }
        if (want[v] != state[v]) {
            lp.setColumnBounds(static_cast<int>(v), want[v] == 2 ? 1.0 : 0.0,
                               want[v] == 0 ? 0.0 : 1.0);
            state[v] = want[v];
        }
    }
    lp.dual(0, solved ? 7 : 1);
    solved = true;
    infeasible = lp.isProvenPrimalInfeasible();
    if (lp.status() != 0) {
        return std::nullopt;
    }
    // Any multipliers give a valid bound: evaluate the duals exactly rather
    // than trusting the objective value.
    const double* dual = lp.dualRowSolution();
    std::vector<double> y(constraints.size());
    double total = rootCost;
    for (std::size_t i = 0; i < constraints.size(); ++i) {
        y[i] = std::max(0.0, dual[i]);
        total += y[i];
    }
    const double mu = cardinality ? -dual[constraints.size()] : 0.0;
    if (cardinality) {
        total -= *cardinality * mu;
    }
    std::vector<double> reduced(variables.size());
    for (std::size_t v = 0; v < variables.size(); ++v) {
        double d = cost[variables[v]] + mu;
        for (const std::uint32_t c : m.rowColumns[variables[v]]) {
            if (constraintOf[c] >= 0) {
                d -= y[static_cast<std::size_t>(constraintOf[c])];
            }
        }
        reduced[v] = d;
        total += state[v] == 2 ? d : state[v] == 1 ? std::min(0.0, d) : 0.0;
    }
    Bound bound;
    bound.value = total - static_cast<double>(node.cost);
    const double* x = lp.primalColumnSolution();
    bound.reducedCost.resize(sub.rowIds.size());
    bound.primal.resize(sub.rowIds.size());
    for (std::size_t k = 0; k < sub.rowIds.size(); ++k) {
        const auto v = static_cast<std::size_t>(variableOf[sub.rowIds[k]]);
        bound.reducedCost[k] = reduced[v];
        bound.primal[k] = x[v];
    }
    bound.multiplier.resize(sub.columnIds.size());
    for (std::size_t j = 0; j < sub.columnIds.size(); ++j) {
        bound.multiplier[j] = y[static_cast<std::size_t>(constraintOf[sub.columnIds[j]])];
    }
    bound.cardinalityMultiplier = mu;
    return bound;
}
#endif

class Search {
public:
    Search(const Matrix& m, Stage stage, std::uint64_t maxProducts, Deadline& deadline,
           bool useLinearProgram)
        : m(m),
          stage(stage),
          maxProducts(maxProducts),
          deadline(deadline),
          useLinearProgram(useLinearProgram),
          localColumn(m.numColumns, 0)
    {
    }

    void SetIncumbent(std::vector<std::uint32_t> rows)
    {
        best = std::move(rows);
        bestCost = Objective(best);
    }
    const std::vector<std::uint32_t>& incumbent() const { return best; }
    // Rows, columns and blocks of the root after its first reduction.
    const std::array<std::uint32_t, 3>& coreSize() const { return core; }
    std::uint64_t incumbentCost() const { return bestCost; }

    // Searches from `root`; returns the least bound over the parts of the
    // tree left unexplored when the deadline struck (infinity when none).
    double Run(Node root, double rootBound)
    {
        // Start: each column's multiplier is its cheapest cost per column.
        for (std::uint32_t c = 0; c < m.numColumns; ++c) {
            double least = m.columnRows[c].empty() ? 0 : kInfinity;
            for (const std::uint32_t r : m.columnRows[c]) {
                least = std::min(least, static_cast<double>(RowCost(r)) /
                                            static_cast<double>(m.rowColumns[r].size()));
            }
            root.multiplier[c] = least;
        }
        return Visit(root, rootBound, 0);
    }

private:
    std::uint64_t RowCost(std::uint32_t r) const
    {
        return stage == Stage::kProducts ? 1 : m.literals[r];
    }
    std::uint64_t Objective(const std::vector<std::uint32_t>& rows) const
    {
        std::uint64_t total = 0;
        for (const std::uint32_t r : rows) {
            total += RowCost(r);
        }
        return total;
    }
    // True when a total cost of at least `bound` cannot beat the incumbent.
    bool Prunes(double bound) const
    {
        return std::ceil(bound - kEps) >= static_cast<double>(bestCost);
    }

    // The three changes of a node. Each marks what it may make reducible:
    // rows that lose uncovered columns, columns that lose free rows.
    void Choose(Node& node, std::uint32_t r) const
    {
        node.chosen.push_back(r);
        node.cost += RowCost(r);
        ResetBit(node.active.data(), r);
        const Word* bits = m.RowBits(r);
        for (std::size_t w = 0; w < m.columnWords; ++w) {
            for (Word left = bits[w] & node.uncovered[w]; left != 0; left &= left - 1) {
                const Word* rows =
                    m.ColumnBits(static_cast<std::uint32_t>(w * 64 + std::countr_zero(left)));
                for (std::size_t v = 0; v < m.rowWords; ++v) {
                    node.dirtyRows[v] |= rows[v];
                }
            }
            node.uncovered[w] &= ~bits[w];
        }
    }
    void Exclude(Node& node, std::uint32_t r) const
    {
        ResetBit(node.active.data(), r);
        const Word* bits = m.RowBits(r);
        for (std::size_t w = 0; w < m.columnWords; ++w) {
            node.dirtyColumns[w] |= bits[w] & node.uncovered[w];
        }
    }
    void DropColumn(Node& node, std::uint32_t c) const
    {
        ResetBit(node.uncovered.data(), c);
        const Word* rows = m.ColumnBits(c);
        for (std::size_t v = 0; v < m.rowWords; ++v) {
            node.dirtyRows[v] |= rows[v];
        }
    }

    double Visit(Node& node, double parentBound, std::uint32_t depth);
    // Essential rows, dominated rows and dominating columns, to a fixed
    // point, testing only what the node's changes marked; false when a
    // column has no free row left (or, for the literals, too many rows).
    bool Reduce(Node& node);
    bool ChooseEssentials(Node& node, const std::vector<Word>& columns);
    void DropDominatedRows(Node& node, const std::vector<Word>& rowsToTest);
    void DropDominatingColumns(Node& node, const std::vector<Word>& columnsToTest);
    SubProblem Compact(const Node& node);
    Bound Lagrange(const SubProblem& sub, const Node& node, std::uint32_t iterations);
    // The bound of the node: from the LP when there is one, else by
    // subgradient steps; nullopt when the node has no cover.
    std::optional<Bound> BoundOf(const SubProblem& sub, const Node& node, std::uint32_t depth);
    double Cardinality(const Node& node) const
    {
        return stage == Stage::kLiterals ? static_cast<double>(maxProducts - node.chosen.size())
                                         : 0;
    }
    bool Fix(Node& node, const SubProblem& sub, const Bound& bound);
    void Heuristic(const Node& node, const SubProblem& sub, const Bound& bound);
    // A reductive greedy from `node`: reduce, choose the best row of the
    // column with the fewest free rows by `weight` (the relaxation's value)
    // and new columns per cost, until covered; no backtracking.
    void Dive(Node node, const std::vector<double>& weight);
    void Offer(const Node& node, const std::vector<std::uint32_t>& more);

    const Matrix& m;
    Stage stage;
    std::uint64_t maxProducts;
    Deadline& deadline;
    bool useLinearProgram;
    std::vector<std::uint32_t> best;
    std::uint64_t bestCost = std::numeric_limits<std::uint64_t>::max();
    std::vector<std::uint32_t> localColumn;  // scratch: global column -> local
    std::array<std::uint32_t, 3> core{0, 0, 0};
#ifdef QMSOP_HAVE_CLP
    std::optional<LinearProgram> lp;
#endif
};

bool Search::ChooseEssentials(Node& node, const std::vector<Word>& columns)
{
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
                Choose(node, only);
            }
        }
    }
    return stage != Stage::kLiterals || node.chosen.size() <= maxProducts;
}

void Search::DropDominatedRows(Node& node, const std::vector<Word>& rowsToTest)
{
    std::vector<std::uint32_t> dropped;
    std::vector<Word> candidates(m.rowWords);
    const auto size = [&](std::uint32_t r) {
        return CountAnd(m.RowBits(r), node.uncovered.data(), m.columnWords);
    };
    ForEachBit(rowsToTest.data(), m.rowWords, [&](std::uint32_t r) {
        if (!Test(node.active.data(), r)) {
            return;
        }
        const std::uint32_t sizeR = size(r);
        if (sizeR == 0) {
            dropped.push_back(r);
            return;
        }
        // The rows whose uncovered columns include r's.
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
        if (!any) {
            return;
        }
        const std::uint64_t cost = RowCost(r);
        bool dominated = false;
        ForEachBit(candidates.data(), m.rowWords, [&](std::uint32_t s) {
            const std::uint64_t other = RowCost(s);
            if (!dominated && other <= cost && (other < cost || s < r || size(s) > sizeR)) {
                dominated = true;
            }
        });
        if (dominated) {
            dropped.push_back(r);
        }
    });
    for (const std::uint32_t r : dropped) {
        Exclude(node, r);
    }
}

void Search::DropDominatingColumns(Node& node, const std::vector<Word>& columnsToTest)
{
    std::vector<Word> dropped(m.columnWords, 0);
    std::vector<Word> candidates(m.columnWords);
    const auto size = [&](std::uint32_t c) {
        return CountAnd(m.ColumnBits(c), node.active.data(), m.rowWords);
    };
    ForEachBit(columnsToTest.data(), m.columnWords, [&](std::uint32_t k) {
        if (!Test(node.uncovered.data(), k)) {
            return;
        }
        // The columns whose free rows include k's.
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
        if (!left) {
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
    ForEachBit(dropped.data(), m.columnWords, [&](std::uint32_t c) { DropColumn(node, c); });
}

bool Search::Reduce(Node& node)
{
    while (true) {
        std::vector<Word> rows = std::exchange(node.dirtyRows, std::vector<Word>(m.rowWords, 0));
        std::vector<Word> columns =
            std::exchange(node.dirtyColumns, std::vector<Word>(m.columnWords, 0));
        if (Empty(rows) && Empty(columns)) {
            return true;
        }
        if (!ChooseEssentials(node, columns)) {
            return false;
        }
        if (Empty(node.uncovered)) {
            return true;
        }
        for (std::size_t v = 0; v < m.rowWords; ++v) {
            rows[v] |= node.dirtyRows[v];  // those the essential rows touched
        }
        DropDominatedRows(node, rows);
        DropDominatingColumns(node, columns);
    }
}

SubProblem Search::Compact(const Node& node)
{
    SubProblem sub;
    ForEachBit(node.uncovered.data(), m.columnWords, [&](std::uint32_t c) {
        localColumn[c] = static_cast<std::uint32_t>(sub.columnIds.size());
        sub.columnIds.push_back(c);
    });
    sub.start.push_back(0);
    ForEachBit(node.active.data(), m.rowWords, [&](std::uint32_t r) {
        for (const std::uint32_t c : m.rowColumns[r]) {
            if (Test(node.uncovered.data(), c)) {
                sub.columns.push_back(localColumn[c]);
            }
        }
        if (sub.columns.size() == sub.start.back()) {
            return;  // covers nothing left
        }
        sub.rowIds.push_back(r);
        sub.start.push_back(static_cast<std::uint32_t>(sub.columns.size()));
        sub.cost.push_back(static_cast<double>(RowCost(r)));
    });
    return sub;
}

// Subgradient ascent on the Lagrangian dual of
//   min sum c_r x_r  s.t.  sum_{r covers j} x_r >= 1,  [sum x_r = K],  x in {0,1}.
// For multipliers u >= 0 (and any mu) the value
//   L = sum_j u_j - K mu + sum_r min(0, c_r + mu - sum_{j in r} u_j)
// is a lower bound; the best one met is kept. (The literal stage may ask for
// exactly K more rows: no cover has fewer rows than the proven minimum.)
Bound Search::Lagrange(const SubProblem& sub, const Node& node, std::uint32_t iterations)
{
    const std::size_t numRows = sub.rowIds.size();
    const std::size_t numColumns = sub.columnIds.size();
    const bool cardinality = stage == Stage::kLiterals;
    const double limit = Cardinality(node);
    const double target = static_cast<double>(bestCost) - static_cast<double>(node.cost);

    std::vector<double> u(numColumns);
    for (std::size_t j = 0; j < numColumns; ++j) {
        u[j] = node.multiplier[sub.columnIds[j]];
    }
    double mu = cardinality ? node.cardinalityMultiplier : 0;
    std::vector<double> rc(numRows);
    std::vector<double> g(numColumns);

    Bound bound;
    double lambda = 1.0;
    std::uint32_t stall = 0;
    for (std::uint32_t it = 0; it < iterations; ++it) {
        double value = std::accumulate(u.begin(), u.end(), 0.0) - limit * mu;
        std::fill(g.begin(), g.end(), 1.0);
        double gMu = -limit;
        for (std::size_t k = 0; k < numRows; ++k) {
            double reduced = sub.cost[k] + mu;
            for (std::uint32_t e = sub.start[k]; e < sub.start[k + 1]; ++e) {
                reduced -= u[sub.columns[e]];
            }
            rc[k] = reduced;
            if (reduced < 0) {
                value += reduced;
                gMu += 1;
                for (std::uint32_t e = sub.start[k]; e < sub.start[k + 1]; ++e) {
                    g[sub.columns[e]] -= 1;
                }
            }
        }
        if (value > bound.value + 1e-9) {
            bound.value = value;
            bound.reducedCost = rc;
            bound.multiplier = u;
            bound.cardinalityMultiplier = mu;
            stall = 0;
        } else if (++stall >= 10) {
            lambda /= 2;
            stall = 0;
            if (lambda < 0.005) {
                break;
            }
        }
        if (std::ceil(bound.value - kEps) >= target || ((it & 63) == 63 && deadline.Expired())) {
            break;
        }
        double norm = 0;
        for (std::size_t j = 0; j < numColumns; ++j) {
            if (u[j] <= 0 && g[j] < 0) {
                g[j] = 0;
            }
            norm += g[j] * g[j];
        }
        if (cardinality) {
            norm += gMu * gMu;
        }
        if (norm == 0) {
            break;  // the Lagrangian solution is optimal
        }
        const double step = lambda * std::max(target - value, 1.0) / norm;
        for (std::size_t j = 0; j < numColumns; ++j) {
            u[j] = std::max(0.0, u[j] + step * g[j]);
        }
        if (cardinality) {
            mu += step * gMu;
        }
    }
    bound.primal.resize(numRows);
    for (std::size_t k = 0; k < numRows; ++k) {
        bound.primal[k] = bound.reducedCost[k] < 0 ? 1.0 : 0.0;
    }
    return bound;
}

std::optional<Bound> Search::BoundOf(const SubProblem& sub, const Node& node, std::uint32_t depth)
{
    if (stage == Stage::kLiterals && (node.chosen.size() >= maxProducts ||
                                      maxProducts - node.chosen.size() > sub.rowIds.size())) {
        return std::nullopt;  // a node with columns left needs a row more
    }
#ifdef QMSOP_HAVE_CLP
    if (useLinearProgram && !lp) {
        std::vector<double> cost(m.numRows);
        for (std::uint32_t r = 0; r < m.numRows; ++r) {
            cost[r] = static_cast<double>(RowCost(r));
        }
        lp.emplace(m, node, cost,
                   stage == Stage::kLiterals ? std::optional(static_cast<double>(maxProducts))
                                             : std::nullopt);
    }
    if (lp) {
        if (std::optional<Bound> bound = lp->Solve(node, sub, deadline)) {
            return bound;
        }
        if (lp->infeasible) {
            return std::nullopt;
        }
    }
#endif
    return Lagrange(sub, node, depth == 0 ? 3000 : 200);
}

// Lagrangian fixing: a row whose choice would lift the bound to the
// incumbent is dropped; a row whose exclusion would is chosen.
bool Search::Fix(Node& node, const SubProblem& sub, const Bound& bound)
{
    const double slack = static_cast<double>(bestCost) - static_cast<double>(node.cost);
    bool changed = false;
    std::vector<std::uint32_t> include;
    for (std::size_t k = 0; k < sub.rowIds.size(); ++k) {
        const double rc = bound.reducedCost[k];
        if (rc > 0 && std::ceil(bound.value + rc - kEps) >= slack) {
            Exclude(node, sub.rowIds[k]);
            changed = true;
        } else if (rc < 0 && std::ceil(bound.value - rc - kEps) >= slack) {
            include.push_back(sub.rowIds[k]);
        }
    }
    for (const std::uint32_t r : include) {
        if (Test(node.active.data(), r)) {
            Choose(node, r);
            changed = true;
        }
    }
    return changed;
}

void Search::Offer(const Node& node, const std::vector<std::uint32_t>& more)
{
    std::vector<std::uint32_t> rows = node.chosen;
    rows.insert(rows.end(), more.begin(), more.end());
    if (stage == Stage::kLiterals && rows.size() > maxProducts) {
        return;
    }
    const std::uint64_t cost = Objective(rows);
    if (cost < bestCost) {
        std::sort(rows.begin(), rows.end());
        best = std::move(rows);
        bestCost = cost;
    }
}

// A Lagrangian greedy: the rows of negative reduced cost, completed by the
// row of least cost per newly covered column (reduced cost breaking ties),
// then made irredundant.
void Search::Heuristic(const Node& node, const SubProblem& sub, const Bound& bound)
{
    const std::size_t numRows = sub.rowIds.size();
    const std::size_t numColumns = sub.columnIds.size();
    std::vector<std::uint32_t> coverCount(numColumns, 0);
    std::vector<std::uint32_t> fresh(numRows, 0);
    std::vector<bool> taken(numRows, false);
    std::vector<std::vector<std::uint32_t>> rowsOf(numColumns);
    for (std::size_t k = 0; k < numRows; ++k) {
        fresh[k] = sub.start[k + 1] - sub.start[k];
        for (std::uint32_t e = sub.start[k]; e < sub.start[k + 1]; ++e) {
            rowsOf[sub.columns[e]].push_back(static_cast<std::uint32_t>(k));
        }
    }
    std::size_t uncovered = numColumns;
    const auto take = [&](std::size_t k) {
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
    };
    for (std::size_t k = 0; k < numRows; ++k) {
        if (bound.primal[k] > 1 - 1e-6) {
            take(k);
        }
    }
    while (uncovered != 0) {
        std::size_t pick = numRows;
        double pickScore = kInfinity;
        for (std::size_t k = 0; k < numRows; ++k) {
            if (taken[k] || fresh[k] == 0) {
                continue;
            }
            const double score =
                (sub.cost[k] + 1e-3 * std::max(0.0, bound.reducedCost[k])) / fresh[k];
            if (score < pickScore) {
                pickScore = score;
                pick = k;
            }
        }
        if (pick == numRows) {
            return;
        }
        take(pick);
    }
    // Irredundant: drop the costliest redundant rows first.
    std::vector<std::uint32_t> order;
    for (std::size_t k = 0; k < numRows; ++k) {
        if (taken[k]) {
            order.push_back(static_cast<std::uint32_t>(k));
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [&](std::uint32_t a, std::uint32_t b) { return sub.cost[a] > sub.cost[b]; });
    std::vector<std::uint32_t> more;
    for (const std::uint32_t k : order) {
        bool redundant = true;
        for (std::uint32_t e = sub.start[k]; e < sub.start[k + 1] && redundant; ++e) {
            redundant = coverCount[sub.columns[e]] >= 2;
        }
        if (redundant) {
            for (std::uint32_t e = sub.start[k]; e < sub.start[k + 1]; ++e) {
                --coverCount[sub.columns[e]];
            }
        } else {
            more.push_back(sub.rowIds[k]);
        }
    }
    Offer(node, more);
}

void Search::Dive(Node node, const std::vector<double>& weight)
{
    while (Reduce(node)) {
        if (Empty(node.uncovered)) {
            Offer(node, {});
            return;
        }
        if (deadline.Expired()) {
            return;
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
            const double score = weight[r] + fresh / static_cast<double>(RowCost(r)) / 64.0;
            if (score > pickScore) {
                pickScore = score;
                pick = r;
            }
        });
        Choose(node, pick);
    }
}

double Search::Visit(Node& node, double parentBound, std::uint32_t depth)
{
    if (deadline.Tick()) {
        return parentBound;
    }
    SubProblem sub;
    Bound bound;
    for (std::uint32_t round = 0;; ++round) {
        if (!Reduce(node)) {
            return kInfinity;
        }
        if (Empty(node.uncovered)) {
            Offer(node, {});
            return kInfinity;
        }
        sub = Compact(node);
        if (depth == 0 && round == 0) {
            core = {static_cast<std::uint32_t>(sub.rowIds.size()),
                    static_cast<std::uint32_t>(sub.columnIds.size()), CountBlocks(sub)};
        }
        if (depth == 0 && round == 0) {
            Dive(node, std::vector<double>(m.numRows, 0.0));  // needs no bound: first
        }
        std::optional<Bound> found = BoundOf(sub, node, depth);
        if (!found) {
            return kInfinity;
        }
        bound = std::move(*found);
        for (std::size_t j = 0; j < sub.columnIds.size(); ++j) {
            node.multiplier[sub.columnIds[j]] = bound.multiplier[j];
        }
        node.cardinalityMultiplier = bound.cardinalityMultiplier;
        if (Prunes(static_cast<double>(node.cost) + bound.value)) {
            return kInfinity;
        }
        Heuristic(node, sub, bound);
        if (depth == 0 && round == 0) {
            std::vector<double> weight(m.numRows, 0.0);
            for (std::size_t k = 0; k < sub.rowIds.size(); ++k) {
                weight[sub.rowIds[k]] = bound.primal[k];
            }
            Dive(node, weight);
        }
        if (round == 3 || !Fix(node, sub, bound)) {
            break;
        }
    }
    const double nodeBound = std::max(parentBound, static_cast<double>(node.cost) + bound.value);

    // Branch on a column that the relaxation covers only fractionally (any
    // column when it covers them all whole), the one with the fewest free
    // rows, the largest multiplier among equals; its rows in order of value
    // in the relaxation, then of reduced cost.
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

    double unresolved = kInfinity;
    for (const std::uint32_t r : children) {
        if (Prunes(nodeBound)) {
            break;
        }
        if (deadline.Expired()) {
            unresolved = std::min(unresolved, nodeBound);
            break;
        }
        Node child = node;
        Choose(child, r);
        unresolved = std::min(unresolved, Visit(child, nodeBound, depth + 1));
        Exclude(node, r);
    }
    return unresolved;
}

// A cover of every coverable column that keeps the rows of `start` and
// completes them greedily (most new columns, then fewest literals).
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

Node RootNode(const Matrix& m, const std::vector<Word>& coverable)
{
    Node root;
    root.active.assign(m.rowWords, 0);
    for (std::uint32_t r = 0; r < m.numRows; ++r) {
        SetBit(root.active.data(), r);
    }
    root.uncovered = coverable;
    root.dirtyRows = root.active;
    root.dirtyColumns = coverable;
    root.multiplier.assign(m.numColumns, 0);
    return root;
}

std::uint64_t BoundOf(double unresolved, std::uint64_t best)
{
    if (unresolved == kInfinity) {
        return best;
    }
    return std::min(best, static_cast<std::uint64_t>(std::max(0.0, std::ceil(unresolved - kEps))));
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

// ------------------------------------------------------------ SolveExactCover

ExactCoverResult SolveExactCover(const CoverProblem& problem, std::span<const std::uint32_t> start,
                                 Deadline& deadline, bool useLinearProgram)
{
    const Matrix m(problem);
    std::vector<Word> coverable(m.columnWords, 0);
    for (std::uint32_t c = 0; c < m.numColumns; ++c) {
        if (!m.columnRows[c].empty()) {
            SetBit(coverable.data(), c);
        }
    }
    std::vector<std::uint32_t> incumbent = Irredundant(m, Complete(m, start, coverable), coverable);

    ExactCoverResult result;
    Search products(m, Stage::kProducts, 0, deadline, useLinearProgram);
    products.SetIncumbent(incumbent);
    const double unresolvedProducts = products.Run(RootNode(m, coverable), 0);
    incumbent = products.incumbent();
    result.coreRows = products.coreSize()[0];
    result.coreColumns = products.coreSize()[1];
    result.coreBlocks = products.coreSize()[2];
    const Cost found = CostOf(m, incumbent);
    result.productBound = static_cast<std::uint32_t>(BoundOf(unresolvedProducts, found.products));
    result.productsProven = result.productBound == found.products;

    if (result.productsProven) {
        Search literals(m, Stage::kLiterals, found.products, deadline, useLinearProgram);
        literals.SetIncumbent(incumbent);
        std::vector<std::uint32_t> cheapest = m.literals;
        std::sort(cheapest.begin(), cheapest.end());
        const double floor =
            std::accumulate(cheapest.begin(),
                            cheapest.begin() + static_cast<std::ptrdiff_t>(std::min<std::uint64_t>(
                                                   found.products, cheapest.size())),
                            0.0);
        const double unresolvedLiterals = literals.Run(RootNode(m, coverable), floor);
        incumbent = literals.incumbent();
        result.literalBound = BoundOf(unresolvedLiterals, literals.incumbentCost());
    }
    result.rows = Irredundant(m, incumbent, coverable);
    const Cost cost = CostOf(m, result.rows);
    result.products = static_cast<std::uint32_t>(cost.products);
    result.literals = cost.literals;
    result.proven = result.productsProven && result.literalBound == result.literals;
    result.timeLimitReached = deadline.Expired() && !result.proven;
    result.nodes = deadline.nodes();
    return result;
}

CoverProblem CoverProblemOf(const McCluskey& chart)
{
    CoverProblem problem;
    problem.numColumns = chart.piTable().numColumns();
    problem.rows.resize(chart.numPIs());
    problem.literals.resize(chart.numPIs());
    const std::uint32_t numVars = chart.func().numVars();
    for (std::uint32_t i = 0; i < chart.numPIs(); ++i) {
        chart.piTable()[i].ForEachColumn([&](std::uint32_t c) { problem.rows[i].push_back(c); });
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
        *result = SolveExactCover(CoverProblemOf(chart), greedy, deadline, options.linearProgram);
        return result->rows;
    };
}

std::string CertificateLine(const ExactCoverResult& result)
{
    std::string text = result.proven ? "minimum: " : "best found: ";
    AppendCount(text, result.products, "product");
    text += ", ";
    AppendCount(text, result.literals, "literal");
    if (result.proven) {
        text += " (proven)";
        return text;
    }
    if (result.productsProven) {
        text += "; no cover has fewer products, and none of ";
        AppendCount(text, result.products, "product");
        text += " has fewer than ";
        AppendCount(text, result.literalBound, "literal");
    } else {
        text += "; no cover has fewer than ";
        AppendCount(text, result.productBound, "product");
    }
    text += " (time limit reached)";
    return text;
}

}  // namespace qmsop
