// SPDX-License-Identifier: MIT
// The covering matrix of the exact cover as word-parallel bitsets, a search
// node over it and the node's three changes (choose, exclude, drop column).
//
//   rows  columns       row bits   column bits (over rows)
//   0     {0,1}         0b011      c0: 0b011   c1: 0b101
//   1     {0,2}         0b101      c2: 0b010
//   2     {1}           0b010
//
// Algorithm: each row is kept as a column list and a bitset of columns, each
// column as a row list and a bitset of rows, so a dominance test is a few
// word operations. Cost: O(rows * columns / 64) words for the bitsets plus
// O(nnz) for the lists. Invariants: row and column lists are ascending and
// agree with the bitsets; a node's `chosen` rows are never active, and
// `cost` is their cost in the stage's objective.
#pragma once

#include <algorithm>
#include <bit>
#include <cstdint>
#include <limits>
#include <vector>

namespace qmsop {

struct CoverProblem;

namespace cover {

using Word = std::uint64_t;

inline constexpr double kInfinity = std::numeric_limits<double>::infinity();
// Slack for floating-point bounds: a bound b proves "cost >= ceil(b - kEps)".
inline constexpr double kEps = 1e-6;

inline std::size_t WordsFor(std::uint32_t bits)
{
    return (std::size_t{bits} + 63) / 64;
}

inline bool Test(const Word* words, std::uint32_t i)
{
    return ((words[i / 64] >> (i % 64)) & 1u) != 0;
}

inline void SetBit(Word* words, std::uint32_t i)
{
    words[i / 64] |= Word{1} << (i % 64);
}

inline void ResetBit(Word* words, std::uint32_t i)
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

// The bits set in both a and b.
inline std::uint32_t CountAnd(const Word* a, const Word* b, std::size_t n)
{
    std::uint32_t count = 0;
    for (std::size_t w = 0; w < n; ++w) {
        count += static_cast<std::uint32_t>(std::popcount(a[w] & b[w]));
    }
    return count;
}

inline bool Empty(const std::vector<Word>& words)
{
    return std::all_of(words.begin(), words.end(), [](Word w) { return w == 0; });
}

// The fixed covering matrix: rows as column lists and bitsets, columns as
// row lists and bitsets. Columns past numColumns and repeats are ignored.
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

// The two stages of the search.
enum class Stage : std::uint8_t {
    kProducts,  // every row costs 1
    kLiterals,  // a row costs its literals; exactly maxProducts rows (the minimum)
};

// The objective of a stage over a matrix.
struct StageCost {
    const Matrix& m;
    Stage stage;
    std::uint64_t maxProducts;  // kLiterals: the rows a cover has

    std::uint64_t Row(std::uint32_t r) const
    {
        return stage == Stage::kProducts ? 1 : m.literals[r];
    }
    std::uint64_t Of(const std::vector<std::uint32_t>& rows) const
    {
        std::uint64_t total = 0;
        for (const std::uint32_t r : rows) {
            total += Row(r);
        }
        return total;
    }
    bool Counted() const { return stage == Stage::kLiterals; }
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

// The root: every row free, the `coverable` columns to cover, all dirty.
Node RootNode(const Matrix& m, const std::vector<Word>& coverable);

// The three changes of a node. Each marks what it may make reducible: rows
// that lose uncovered columns, columns that lose free rows.
// Chooses free row r: its columns are covered. O(columns of r * rowWords).
void Choose(const StageCost& cost, Node& node, std::uint32_t r);
// Excludes free row r from the node. O(columnWords).
void Exclude(const Matrix& m, Node& node, std::uint32_t r);
// Drops uncovered column c (another column's cover covers it). O(rowWords).
void DropColumn(const Matrix& m, Node& node, std::uint32_t c);

// The reduced problem of a node in compact form, for the bounds and the
// heuristics: its free rows that cover an uncovered column, ascending, and
// its uncovered columns, ascending, numbered locally.
struct SubProblem {
    std::vector<std::uint32_t> rowIds;
    std::vector<std::uint32_t> start;    // row k's columns: columns[start[k]..start[k+1])
    std::vector<std::uint32_t> columns;  // local column numbers
    std::vector<double> cost;
    std::vector<std::uint32_t> columnIds;
};

// The subproblem of `node`; `localColumn` is scratch of numColumns entries.
// O(nnz of the free rows).
SubProblem Compact(const StageCost& cost, const Node& node,
                   std::vector<std::uint32_t>& localColumn);

// The connected blocks of a subproblem: columns joined by a common row.
// O(nnz * inverse Ackermann).
std::uint32_t CountBlocks(const SubProblem& sub);

}  // namespace cover
}  // namespace qmsop
