// SPDX-License-Identifier: MIT
#include "tabulation/mccluskey.h"

#include <algorithm>
#include <ostream>
#include <string_view>

#include "base/check.h"
#include "base/textwriter.h"

namespace qmsop {

namespace {

constexpr std::uint32_t kNone = 0xFFFFFFFFu;

// Maps a minterm number to its column class: a table indexed by the number
// when the numbers are small against the columns, else a binary search in
// the ascending class numbers.
class ClassLookup {
public:
    explicit ClassLookup(std::vector<std::uint32_t> numbers) : numbers(std::move(numbers))
    {
        if (this->numbers.empty()) {
            return;
        }
        const std::uint64_t largest = this->numbers.back();
        if (largest < (std::uint64_t{1} << 26) && largest < 8 * this->numbers.size() + 65536) {
            table.assign(largest + 1, kNone);
            for (std::uint32_t cls = 0; cls < this->numbers.size(); ++cls) {
                table[this->numbers[cls]] = cls;
            }
        }
    }

    // The class of `number`, or kNone when no column carries it.
    std::uint32_t operator()(std::uint32_t number) const
    {
        if (!table.empty()) {
            return number < table.size() ? table[number] : kNone;
        }
        const auto it = std::lower_bound(numbers.begin(), numbers.end(), number);
        return it != numbers.end() && *it == number
                   ? static_cast<std::uint32_t>(it - numbers.begin())
                   : kNone;
    }

private:
    std::vector<std::uint32_t> numbers;  // of the classes, ascending
    std::vector<std::uint32_t> table;
};

}  // namespace

// -------------------------------------------------------------------- Chart

bool ChartRow::operator[](std::uint32_t column) const
{
    const auto classes = chart->ClassesOfRow(row);
    return std::binary_search(classes.begin(), classes.end(), chart->ClassOf(column));
}

Chart::Chart(std::span<const std::uint32_t> minterms, std::span<const Implicant* const> rows)
    : numRows_(static_cast<std::uint32_t>(rows.size())), classOfColumn(minterms.size())
{
    // Columns sorted by number, then by position: one class per number.
    std::vector<std::uint64_t> byNumber(minterms.size());
    for (std::size_t j = 0; j < minterms.size(); ++j) {
        byNumber[j] = (std::uint64_t{minterms[j]} << 32) | j;
    }
    std::sort(byNumber.begin(), byNumber.end());
    std::vector<std::uint32_t> numbers;
    classColumns.reserve(minterms.size());
    for (std::size_t k = 0; k < byNumber.size(); ++k) {
        const auto number = static_cast<std::uint32_t>(byNumber[k] >> 32);
        const auto column = static_cast<std::uint32_t>(byNumber[k]);
        if (numbers.empty() || numbers.back() != number) {
            if (!numbers.empty()) {
                classStart.push_back(static_cast<std::uint32_t>(k));
            }
            numbers.push_back(number);
        }
        classOfColumn[column] = static_cast<std::uint32_t>(numbers.size() - 1);
        classColumns.push_back(column);
    }
    if (!numbers.empty()) {
        classStart.push_back(static_cast<std::uint32_t>(byNumber.size()));
    }
    byNumber = {};

    // Rows: an implicant's minterms are ascending, and so are their classes.
    const ClassLookup classOf(std::move(numbers));
    rowStart.reserve(rows.size() + 1);
    for (const Implicant* implicant : rows) {
        const std::size_t from = rowClasses.size();
        for (const std::uint32_t m : implicant->Minterms()) {
            const std::uint32_t cls = classOf(m);
            if (cls != kNone && (rowClasses.size() == from || rowClasses.back() != cls)) {
                rowClasses.push_back(cls);
            }
        }
        rowStart.push_back(rowClasses.size());
    }
    rowClasses.shrink_to_fit();

    // The transpose: the candidate rows of each class, ascending.
    candidateStart.assign(std::size_t{numClasses()} + 1, 0);
    for (const std::uint32_t cls : rowClasses) {
        ++candidateStart[cls + 1];
    }
    for (std::uint32_t cls = 0; cls < numClasses(); ++cls) {
        candidateStart[cls + 1] += candidateStart[cls];
    }
    candidates.resize(rowClasses.size());
    std::vector<std::size_t> fill(candidateStart.begin(), candidateStart.end() - 1);
    for (std::uint32_t i = 0; i < numRows_; ++i) {
        for (const std::uint32_t cls : ClassesOfRow(i)) {
            candidates[fill[cls]++] = i;
        }
    }
}

bool Chart::Contains(std::uint32_t row, std::uint32_t column) const
{
    return row < numRows_ && column < numColumns() && (*this)[row][column];
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

// A column class on the level loop's list: visited at level `count`, in the
// order of its first column.
struct LevelEntry {
    std::uint32_t count;
    std::uint32_t firstColumn;
    std::uint32_t cls;

    bool operator<(const LevelEntry& other) const
    {
        return count != other.count ? count < other.count : firstColumn < other.firstColumn;
    }
};

// The column classes that have candidates, ordered by candidate count, then
// by first column. The columns of a class share their candidates and are
// covered together: the first one visited stands for all of them.
std::vector<LevelEntry> ClassesByCandidateCount(const Chart& chart)
{
    std::vector<LevelEntry> entries;
    for (std::uint32_t cls = 0; cls < chart.numClasses(); ++cls) {
        const auto count = static_cast<std::uint32_t>(chart.CandidatesOfClass(cls).size());
        if (count != 0) {
            entries.push_back({count, chart.ColumnsOfClass(cls).front(), cls});
        }
    }
    std::sort(entries.begin(), entries.end());
    return entries;
}

// The columns not covered yet, one flag per column class; duplicate columns
// count in full.
class UncoveredSet {
public:
    explicit UncoveredSet(const Chart& chart)
        : chart(chart), uncovered(chart.numClasses(), true), numUncovered_(chart.numColumns())
    {
    }

    bool IsUncovered(std::uint32_t cls) const { return uncovered[cls]; }
    // The number of uncovered columns that `row` covers. O(row length).
    std::uint64_t Gain(std::uint32_t row) const
    {
        std::uint64_t gain = 0;
        for (const std::uint32_t cls : chart.ClassesOfRow(row)) {
            gain += uncovered[cls] ? chart.ColumnsOfClass(cls).size() : 0;
        }
        return gain;
    }
    // Marks the columns of `row` covered.
    void Cover(std::uint32_t row)
    {
        for (const std::uint32_t cls : chart.ClassesOfRow(row)) {
            if (uncovered[cls]) {
                uncovered[cls] = false;
                numUncovered_ -= chart.ColumnsOfClass(cls).size();
            }
        }
    }
    std::uint64_t numUncovered() const { return numUncovered_; }

private:
    const Chart& chart;
    std::vector<bool> uncovered;
    std::uint64_t numUncovered_;
};

// The candidate of `candidates` (ascending) with the greatest gain, the
// highest among equals.
std::uint32_t BestCandidate(std::span<const std::uint32_t> candidates,
                            const UncoveredSet& uncovered)
{
    std::uint32_t winner = candidates.back();
    std::uint64_t best = 0;
    for (auto it = candidates.rbegin(); it != candidates.rend(); ++it) {
        const std::uint64_t gain = uncovered.Gain(*it);
        if (gain > best) {
            best = gain;
            winner = *it;
        }
    }
    return winner;
}

}  // namespace

McCluskey::McCluskey(const Quine& quine)
    : func_(quine.func),
      primeImplicants_(PrimeImplicantsOf(quine)),
      numPIs_(static_cast<std::uint32_t>(primeImplicants_.size())),
      piTable_(func_.minterms, primeImplicants_)
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
    BuildProducts();
}

void McCluskey::SelectCover()
{
    UncoveredSet uncovered(piTable_);
    const std::vector<LevelEntry> levels = ClassesByCandidateCount(piTable_);
    // Levels are the distinct candidate counts, ascending; a level with no
    // column of its count would select nothing. Levels end after numPIs_.
    for (std::size_t next = 0; next < levels.size() && uncovered.numUncovered() != 0;) {
        const std::uint32_t k = levels[next].count;
        if (k > numPIs_) {
            break;
        }
        for (; next < levels.size() && levels[next].count == k; ++next) {
            const std::uint32_t cls = levels[next].cls;
            if (!uncovered.IsUncovered(cls)) {
                continue;
            }
            const auto candidates = piTable_.CandidatesOfClass(cls);
            const std::uint32_t winner =
                k == 1 ? candidates.front() : BestCandidate(candidates, uncovered);
            selected_.Push(winner);
            uncovered.Cover(winner);
        }
    }
}

void McCluskey::BuildProducts()
{
    products_.clear();
    for (auto row = chosen_.rbegin(); row != chosen_.rend(); ++row) {
        products_.push_back(CubeOf(*primeImplicants_[*row], func_.numVars()));
    }
}

const std::string& McCluskey::expression() const
{
    if (!expression_) {
        expression_.emplace();
        AppendSumOfProducts(*expression_, products_, func_.names);
    }
    return *expression_;
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

// "f(a,b,c) = c" and its line end, one term at a time.
void AppendResultLine(TextWriter& writer, const McCluskey& chart, const FunctionHead& head,
                      CoverForm form)
{
    const std::vector<std::string>& names = chart.func().names;
    AppendFunctionHead(writer.Text(), head, names);
    writer.Text() += " = ";
    AppendExpression(writer.Text(), chart.products(), names, form, [&writer] { writer.Spill(); });
    writer.EndLine();
}

// Rows: a mark, the row number in 6, a gap of 4, then 5 characters per
// column ("   X " or five blanks). The cells are one reusable line in which
// only the X's that change from one row to the next are set or cleared.
void WriteChartRows(TextWriter& writer, const McCluskey& chart)
{
    const Chart& table = chart.piTable();
    std::vector<bool> isChosen(chart.numPIs(), false);
    for (const std::uint32_t row : chart.chosen()) {
        if (row < chart.numPIs()) {
            isChosen[row] = true;
        }
    }
    std::string cells(std::size_t{table.numColumns()} * 5 + 1, ' ');
    cells.back() = '\n';
    const auto mark = [&](std::span<const std::uint32_t> classes, char c) {
        for (const std::uint32_t cls : classes) {
            for (const std::uint32_t j : table.ColumnsOfClass(cls)) {
                cells[std::size_t{j} * 5 + 3] = c;
            }
        }
    };
    std::span<const std::uint32_t> shown;
    for (std::uint32_t i = 0; i < chart.numPIs(); ++i) {
        std::string& text = writer.Text();
        text += isChosen[i] ? '*' : ' ';
        AppendPadded(text, std::uint64_t{i} + 1, 6);
        text.append(4, ' ');
        const auto classes = table.ClassesOfRow(i);
        if (!std::equal(classes.begin(), classes.end(), shown.begin(), shown.end())) {
            mark(shown, ' ');
            mark(classes, 'X');
            shown = classes;
        }
        writer.Write(cells);
    }
}

}  // namespace

void WriteResultLine(std::ostream& out, const McCluskey& chart, const FunctionHead& head,
                     CoverForm form)
{
    TextWriter writer(out);
    AppendResultLine(writer, chart, head, form);
}

void WriteChart(std::ostream& out, const McCluskey& chart, const FunctionHead& head)
{
    TextWriter writer(out);
    writer.Text() += "[PI]";
    writer.EndLine();
    for (const Implicant* implicant : chart.primeImplicants()) {
        AppendImplicantText(writer.Text(), *implicant);
        writer.EndLine();
    }
    writer.EndLine();
    writer.Text().append(11, ' ');
    for (const std::uint32_t m : chart.func().minterms) {
        AppendPadded(writer.Text(), m, 4);
        writer.Text() += ' ';
        writer.Spill();
    }
    writer.EndLine();
    WriteChartRows(writer, chart);
    writer.EndLine();
    AppendResultLine(writer, chart, head, CoverForm::kSumOfProducts);
}

std::ostream& operator<<(std::ostream& out, const McCluskey& chart)
{
    WriteChart(out, chart, {});
    return out;
}

}  // namespace qmsop
