// SPDX-License-Identifier: MIT
#include "mccluskey.h"

#include <algorithm>
#include <bit>
#include <ostream>

namespace qmsop {

// -------------------------------------------------------------------- Chart

Chart::Chart(std::uint32_t numRows, std::uint32_t numColumns)
    : numRows_(numRows),
      numColumns_(numColumns),
      wordsPerRow((std::size_t{numColumns} + 63) / 64),
      bits(std::size_t{numRows} * wordsPerRow, 0)
{
}

ChartRow Chart::operator[](std::uint32_t row) const
{
    const bool present = row < numRows_;
    return {present ? bits.data() + std::size_t{row} * wordsPerRow : nullptr,
            present ? wordsPerRow : 0, present};
}

void Chart::Set(std::uint32_t row, std::uint32_t column)
{
    bits[std::size_t{row} * wordsPerRow + column / 64] |= std::uint64_t{1} << (column % 64);
}

// ---------------------------------------------------------------- McCluskey

namespace {

std::span<const Implicant* const> PrimeImplicantsOf(const Quine& quine)
{
    if (quine.primeImplicants()) {
        return *quine.primeImplicants();
    }
    return {};
}

}  // namespace

McCluskey::McCluskey(const Quine& quine)
    : func_(quine.func),
      primeImplicants_(PrimeImplicantsOf(quine)),
      numPIs_(static_cast<std::uint32_t>(primeImplicants_.size())),
      piTable_(numPIs_, func_.numMinterms())
{
    for (std::uint32_t i = 0; i < numPIs_; ++i) {
        QMSOP_ASSERT(piTable_[i]);
    }
}

void McCluskey::Solve()
{
    Solve(nullptr);
}

void McCluskey::Solve(const CoverSelector& select)
{
    QMSOP_ASSERT(!solved_);
    solved_ = true;
    FillChart();
    SelectCover();
    const std::uint32_t numSelected = selected_.numItems();
    chosen_.assign(numSelected, 0);
    for (std::uint32_t x = 0; x < numSelected; ++x) {
        chosen_[x] = selected_.Pop();
    }
    if (select) {
        std::vector<std::uint32_t> rows = select(*this, {chosen_.rbegin(), chosen_.rend()});
        chosen_.assign(rows.rbegin(), rows.rend());
    }
    BuildExpression();
}

void McCluskey::FillChart()
{
    // Minterm value -> its columns (a value listed twice has two), by sorting.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> columnsByValue;
    columnsByValue.reserve(func_.minterms.size());
    for (std::uint32_t j = 0; j < func_.minterms.size(); ++j) {
        columnsByValue.emplace_back(func_.minterms[j], j);
    }
    std::sort(columnsByValue.begin(), columnsByValue.end());
    for (std::uint32_t i = 0; i < numPIs_; ++i) {
        for (const std::uint32_t value : primeImplicants_[i]->Minterms()) {
            auto it = std::lower_bound(columnsByValue.begin(), columnsByValue.end(),
                                       std::pair<std::uint32_t, std::uint32_t>{value, 0});
            for (; it != columnsByValue.end() && it->first == value; ++it) {
                piTable_.Set(i, it->second);
            }
        }
    }
}

void McCluskey::SelectCover()
{
    const std::uint32_t n = func_.numMinterms();
    if (n == 0) {
        return;
    }
    const std::size_t words = piTable_.WordsPerRow();

    // Candidate rows of each column, ascending (the chart never changes).
    std::vector<std::uint32_t> start(std::size_t{n} + 1, 0);
    for (std::uint32_t i = 0; i < numPIs_; ++i) {
        piTable_[i].ForEachColumn([&](std::uint32_t j) { ++start[j + 1]; });
    }
    for (std::uint32_t j = 0; j < n; ++j) {
        start[j + 1] += start[j];
    }
    std::vector<std::uint32_t> rows(start[n]);
    std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
    for (std::uint32_t i = 0; i < numPIs_; ++i) {
        piTable_[i].ForEachColumn([&](std::uint32_t j) { rows[fill[j]++] = i; });
    }

    // Columns by candidate count, each list in column order; a column whose
    // count is 0 can never be covered and is never visited.
    std::vector<std::pair<std::uint32_t, std::uint32_t>> byCount;  // (count, column)
    for (std::uint32_t j = 0; j < n; ++j) {
        if (start[j + 1] > start[j]) {
            byCount.emplace_back(start[j + 1] - start[j], j);
        }
    }
    std::sort(byCount.begin(), byCount.end());

    std::vector<std::uint64_t> uncovered(words, ~std::uint64_t{0});
    if (n % 64 != 0) {
        uncovered.back() = (std::uint64_t{1} << (n % 64)) - 1;
    }
    const auto isUncovered = [&](std::uint32_t j) {
        return ((uncovered[j / 64] >> (j % 64)) & 1u) != 0;
    };
    const auto gain = [&](std::uint32_t row) {
        const std::uint64_t* bits = piTable_[row].Words();
        std::uint32_t count = 0;
        for (std::size_t w = 0; w < words; ++w) {
            count += static_cast<std::uint32_t>(std::popcount(bits[w] & uncovered[w]));
        }
        return count;
    };

    std::uint32_t coveredCount = 0;
    UNumStack candidates;
    // Levels are the distinct candidate counts, ascending; a level with no
    // column of its count would select nothing. Levels end after numPIs_.
    for (std::size_t next = 0; next < byCount.size() && coveredCount != n;) {
        const std::uint32_t k = byCount[next].first;
        if (k > numPIs_) {
            break;
        }
        for (; next < byCount.size() && byCount[next].first == k; ++next) {
            const std::uint32_t j = byCount[next].second;
            if (!isUncovered(j)) {
                continue;
            }
            candidates.Clear();
            for (std::uint32_t c = start[j]; c < start[j + 1]; ++c) {
                candidates.Push(rows[c]);
            }
            std::uint32_t winner = candidates.Top();
            if (k >= 2) {
                std::uint32_t best = 0;
                while (candidates.numItems() != 0) {
                    const std::uint32_t row = candidates.Pop();
                    const std::uint32_t g = gain(row);
                    if (g > best) {
                        best = g;
                        winner = row;
                    }
                }
            }
            selected_.Push(winner);
            const std::uint64_t* bits = piTable_[winner].Words();
            for (std::size_t w = 0; w < words; ++w) {
                coveredCount += static_cast<std::uint32_t>(std::popcount(bits[w] & uncovered[w]));
                uncovered[w] &= ~bits[w];
            }
        }
    }
}

void McCluskey::BuildExpression()
{
    products_.clear();
    for (auto row = chosen_.rbegin(); row != chosen_.rend(); ++row) {
        products_.push_back(CubeOf(*primeImplicants_[*row], func_.numVars()));
    }
    AppendSumOfProducts(expression_, products_, func_.names);
}

// ------------------------------------------------------------------- Report

namespace {

// Appends `value` right-aligned in a field of `width` blanks; never cuts.
void AppendPadded(std::string& text, std::uint64_t value, std::size_t width)
{
    const std::size_t before = text.size();
    AppendNumber(text, value);
    const std::size_t length = text.size() - before;
    if (length < width) {
        text.insert(before, width - length, ' ');
    }
}

void Write(std::ostream& out, const std::string& text)
{
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const McCluskey& chart)
{
    const BooleanFunction& func = chart.func();
    std::string text = "[PI]\n";
    for (const Implicant* implicant : chart.primeImplicants()) {
        AppendImplicantText(text, *implicant);
        text += '\n';
        if (text.size() >= (1u << 16)) {
            Write(out, text);
            text.clear();
        }
    }
    text += '\n';
    text.append(11, ' ');
    for (const std::uint32_t m : func.minterms) {
        AppendPadded(text, m, 4);
        text += ' ';
    }
    text += '\n';
    Write(out, text);

    // Rows: a mark, the row number in 6, a gap of 4, then 5 characters per
    // column ("   X " or five blanks). The cells are one reusable buffer in
    // which only the X's of the row are set and reset.
    std::vector<bool> isChosen(chart.numPIs(), false);
    for (const std::uint32_t row : chart.chosen()) {
        if (row < chart.numPIs()) {
            isChosen[row] = true;
        }
    }
    std::string cells(std::size_t{func.numMinterms()} * 5 + 1, ' ');
    cells.back() = '\n';
    std::string prefix;
    for (std::uint32_t i = 0; i < chart.numPIs(); ++i) {
        prefix.assign(1, isChosen[i] ? '*' : ' ');
        AppendPadded(prefix, std::uint64_t{i} + 1, 6);
        prefix.append(4, ' ');
        const ChartRow row = chart.piTable()[i];
        row.ForEachColumn([&](std::uint32_t j) { cells[std::size_t{j} * 5 + 3] = 'X'; });
        Write(out, prefix);
        Write(out, cells);
        row.ForEachColumn([&](std::uint32_t j) { cells[std::size_t{j} * 5 + 3] = ' '; });
    }

    text.assign("\nf(");
    for (std::size_t v = 0; v < func.names.size(); ++v) {
        if (v != 0) {
            text += ',';
        }
        text += func.names[v];
    }
    text += ") = ";
    text += chart.expression();
    text += '\n';
    Write(out, text);
    return out;
}

}  // namespace qmsop
