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
//
// The chart is sparse: columns that carry the same minterm number are
// identical, so it keeps one column class per distinct number, each row as
// the ascending list of its classes and each class's candidate rows. Memory:
// 4 bytes per column and per set cell of a class, never rows × columns.
// The greedy cover visits the classes by candidate count and first column;
// gains count duplicate columns, so the choice is the one over all columns.
// Cost of the cover: the candidates' row lengths summed over the visits.
#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "base/unumstack.h"
#include "cube/cube.h"
#include "io/function.h"
#include "tabulation/quine.h"

namespace qmsop {

class Chart;
class McCluskey;

// One row of the chart, read-only: whether the row's prime implicant contains
// minterm column j.
class ChartRow {
public:
    ChartRow(const Chart* chart, std::uint32_t row) : chart(chart), row(row) {}
    // O(log c) for c classes in the row.
    bool operator[](std::uint32_t column) const;
    // Calls visit(column) for every column the row covers, ascending. O(k log k)
    // for k covered columns.
    template <typename Visit>
    void ForEachColumn(Visit visit) const;
    // False for a row past the end of the chart.
    explicit operator bool() const { return chart != nullptr; }

private:
    const Chart* chart;
    std::uint32_t row;
};

// The chart: one row per prime implicant, one column per minterm in input
// order, cell (i, j) set when prime implicant i contains minterm j.
class Chart {
public:
    Chart() = default;
    // The chart of `rows` over the columns `minterms`. O((m + c) log m) for m
    // columns and c minterm entries of the rows.
    Chart(std::span<const std::uint32_t> minterms, std::span<const Implicant* const> rows);

    std::uint32_t numRows() const { return numRows_; }
    std::uint32_t numColumns() const { return static_cast<std::uint32_t>(classOfColumn.size()); }
    // A view of row `row`; a false one past the end.
    ChartRow operator[](std::uint32_t row) const { return {row < numRows_ ? this : nullptr, row}; }
    bool Contains(std::uint32_t row, std::uint32_t column) const;
    // The rows covering `column`, ascending.
    std::span<const std::uint32_t> Candidates(std::uint32_t column) const
    {
        return CandidatesOfClass(ClassOf(column));
    }

    // Column classes: the columns of one minterm number, numbered in
    // ascending order of that number.
    std::uint32_t numClasses() const { return static_cast<std::uint32_t>(classStart.size() - 1); }
    std::uint32_t ClassOf(std::uint32_t column) const { return classOfColumn[column]; }
    // The columns of a class, ascending.
    std::span<const std::uint32_t> ColumnsOfClass(std::uint32_t cls) const
    {
        return Slice(classColumns, classStart, cls);
    }
    // The rows covering the columns of a class, ascending.
    std::span<const std::uint32_t> CandidatesOfClass(std::uint32_t cls) const
    {
        return Slice(candidates, candidateStart, cls);
    }
    // The classes whose columns a row covers, ascending.
    std::span<const std::uint32_t> ClassesOfRow(std::uint32_t row) const
    {
        return Slice(rowClasses, rowStart, row);
    }

private:
    template <typename Offset>
    static std::span<const std::uint32_t> Slice(const std::vector<std::uint32_t>& items,
                                                const std::vector<Offset>& start, std::size_t i)
    {
        return {items.data() + start[i], static_cast<std::size_t>(start[i + 1] - start[i])};
    }

    std::uint32_t numRows_ = 0;
    std::vector<std::uint32_t> classOfColumn;
    std::vector<std::uint32_t> classStart = {0};  // into classColumns, per class
    std::vector<std::uint32_t> classColumns;
    std::vector<std::size_t> rowStart = {0};  // into rowClasses, per row
    std::vector<std::uint32_t> rowClasses;
    std::vector<std::size_t> candidateStart = {0};  // into candidates, per class
    std::vector<std::uint32_t> candidates;
};

template <typename Visit>
void ChartRow::ForEachColumn(Visit visit) const
{
    if (chart == nullptr) {
        return;  // a row past the end covers nothing
    }
    const auto classes = chart->ClassesOfRow(row);
    if (classes.size() == 1) {
        for (const std::uint32_t j : chart->ColumnsOfClass(classes[0])) {
            visit(j);
        }
        return;
    }
    std::vector<std::uint32_t> columns;
    for (const std::uint32_t cls : classes) {
        const auto of = chart->ColumnsOfClass(cls);
        columns.insert(columns.end(), of.begin(), of.end());
    }
    std::sort(columns.begin(), columns.end());
    for (const std::uint32_t j : columns) {
        visit(j);
    }
}

// Chooses a cover of a filled chart: given the chart and the greedy cover
// (rows in selection order), returns the rows of the cover to use, in the
// order they are to be written.
using CoverSelector =
    std::function<std::vector<std::uint32_t>(const McCluskey&, std::vector<std::uint32_t>)>;

// The second stage: borrows the function and the prime implicants of a
// tabulated Quine (which must outlive it), builds the chart, selects a cover
// and builds the sum of products. The steps run once, in order, in Solve.
class McCluskey {
public:
    // Builds the chart.
    explicit McCluskey(const Quine& quine);

    // Selects the greedy cover and builds the products. A second call is a
    // fatal assertion.
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
    // The sum of products of the result line, "a'b + c"; built on the first
    // call (the result line writers stream the products instead).
    const std::string& expression() const;

private:
    // Level by level: at level k the uncovered columns with exactly k
    // candidate rows, in column order, each select the candidate covering the
    // most uncovered columns (the highest row index among equals). Ends when
    // every column is covered or after level numPIs.
    void SelectCover();
    // Builds the products from `chosen_`.
    void BuildProducts();

    const BooleanFunction& func_;
    std::span<const Implicant* const> primeImplicants_;
    std::uint32_t numPIs_;
    Chart piTable_;
    UNumStack selected_;
    std::vector<std::uint32_t> chosen_;
    std::vector<Cube> products_;
    mutable std::optional<std::string> expression_;
    bool solved_ = false;
};

// Writes the result line of a solved chart and its line end, streamed product
// by product: "f(a,b,c) = c" under `head`. With kProductOfSums the chart is
// that of the complement and the line its product of sums, "f(a,b,c) =
// (a + b')(c)". The defaults give the chart report's last line.
void WriteResultLine(std::ostream& out, const McCluskey& chart, const FunctionHead& head = {},
                     CoverForm form = CoverForm::kSumOfProducts);

// The chart report under `head`: "[PI]", the prime implicants, the chart with
// the chosen rows starred, and the result line (a sum of products); every
// line ended.
void WriteChart(std::ostream& out, const McCluskey& chart, const FunctionHead& head);

// The chart report under the name f.
std::ostream& operator<<(std::ostream& out, const McCluskey& chart);

}  // namespace qmsop
