// SPDX-License-Identifier: MIT
// The prime-implicant chart, the choice of a cover and the chart report with
// the result line.
//
//   [PI]
//   0,1 (1) PI#1
//   1,3,5,7 (2,4) PI#2
//
//                 1    3    5    7
//         1       X
//   *     2       X    X    X    X
//
//   f(a,b,c) = c
//
// (Every chart line ends with a blank; the listing above drops them.)
#pragma once

#include <bit>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include "cube.h"
#include "function.h"
#include "quine.h"
#include "unumstack.h"

namespace qmsop {

class McCluskey;

// One row of the chart, read-only: bit j tells whether the row's prime
// implicant contains minterm column j.
class ChartRow {
public:
    ChartRow(const std::uint64_t* words, std::size_t numWords, bool present)
        : words(words), numWords(numWords), present(present)
    {
    }
    bool operator[](std::uint32_t column) const
    {
        return ((words[column / 64] >> (column % 64)) & 1u) != 0;
    }
    const std::uint64_t* Words() const { return words; }
    // Calls visit(column) for every column whose bit is set, ascending.
    template <typename Visit>
    void ForEachColumn(Visit visit) const
    {
        for (std::size_t w = 0; w < numWords; ++w) {
            for (std::uint64_t left = words[w]; left != 0; left &= left - 1) {
                visit(static_cast<std::uint32_t>(w * 64 + std::countr_zero(left)));
            }
        }
    }
    // False for a row past the end of the chart.
    explicit operator bool() const { return present; }

private:
    const std::uint64_t* words;
    std::size_t numWords;
    bool present;
};

// The chart: numRows rows of numColumns bits, each row a run of 64-bit words.
class Chart {
public:
    Chart(std::uint32_t numRows, std::uint32_t numColumns);
    ChartRow operator[](std::uint32_t row) const;
    void Set(std::uint32_t row, std::uint32_t column);
    std::uint32_t numRows() const { return numRows_; }
    std::uint32_t numColumns() const { return numColumns_; }
    std::size_t WordsPerRow() const { return wordsPerRow; }

private:
    std::uint32_t numRows_;
    std::uint32_t numColumns_;
    std::size_t wordsPerRow;
    std::vector<std::uint64_t> bits;
};

// Chooses a cover of a filled chart: given the chart and the greedy cover
// (rows in selection order), returns the rows of the cover to use, in the
// order they are to be written.
using CoverSelector =
    std::function<std::vector<std::uint32_t>(const McCluskey&, std::vector<std::uint32_t>)>;

// The second stage: borrows the function and the prime implicants of a
// tabulated Quine (which must outlive it), fills the chart, selects a cover
// and builds the sum of products. The steps run once, in order, in Solve.
class McCluskey {
public:
    explicit McCluskey(const Quine& quine);

    // Fills the chart, selects the greedy cover and builds the products.
    // A second call is a fatal assertion.
    void Solve();
    // As Solve(), but the cover is the one `select` returns.
    void Solve(const CoverSelector& select);

    const BooleanFunction& func() const { return func_; }
    // Entry i is PI#(i+1), row i of the chart.
    std::span<const Implicant* const> primeImplicants() const { return primeImplicants_; }
    std::uint32_t numPIs() const { return numPIs_; }
    const Chart& piTable() const { return piTable_; }
    // The chosen rows, last selected first.
    const std::vector<std::uint32_t>& chosen() const { return chosen_; }
    // The chosen products, in selection order.
    const std::vector<Cube>& products() const { return products_; }
    // The sum of products of the result line, "a'b + c".
    const std::string& expression() const { return expression_; }

private:
    void FillChart();
    // Level by level: at level k the uncovered columns with exactly k
    // candidate rows, in column order, each select the candidate covering the
    // most uncovered columns (the highest row index among equals). Ends when
    // every column is covered or after level numPIs.
    void SelectCover();
    // Builds the products and the expression from `chosen_`.
    void BuildExpression();

    const BooleanFunction& func_;
    std::span<const Implicant* const> primeImplicants_;
    std::uint32_t numPIs_;
    Chart piTable_;
    UNumStack selected_;
    std::vector<std::uint32_t> chosen_;
    std::vector<Cube> products_;
    std::string expression_;
    bool solved_ = false;
};

// The chart report: "[PI]", the prime implicants, the chart with the chosen
// rows starred, and the result line; every line ended.
std::ostream& operator<<(std::ostream& out, const McCluskey& chart);

}  // namespace qmsop
