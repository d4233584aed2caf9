// SPDX-License-Identifier: MIT
#include "quine.h"

#include <algorithm>
#include <bit>
#include <istream>
#include <ostream>

#include "unumstack.h"

namespace qmsop {

namespace {

std::uint64_t Mix(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

std::uint64_t HashValues(const std::vector<std::uint32_t>& values)
{
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ values.size();
    for (const std::uint32_t v : values) {
        h = Mix(h ^ v) + 0x9E3779B97F4A7C15ULL;
    }
    return h;
}

// The minterm list that a combination of a and b gets: both lists merged in
// ascending order (the same list as adding a's i-th and b's i-th minterm in turn).
std::vector<std::uint32_t> MergedMinterms(const Implicant& a, const Implicant& b)
{
    std::vector<std::uint32_t> merged(a.Minterms().size() + b.Minterms().size());
    std::merge(a.Minterms().begin(), a.Minterms().end(), b.Minterms().begin(), b.Minterms().end(),
               merged.begin());
    return merged;
}

// The number of one bits a first-column number counts for its group: the
// lowest numVars bits, all 32 when numVars is 32 or more.
std::uint32_t OneBits(std::uint32_t value, std::uint32_t numVars)
{
    const std::uint32_t mask = numVars >= 32 ? 0xFFFFFFFFu : (1u << numVars) - 1u;
    return static_cast<std::uint32_t>(std::popcount(value & mask));
}

}  // namespace

// ---------------------------------------------------------------- Implicant

Implicant::Implicant(std::uint32_t numVars, std::vector<std::uint32_t> sortedMinterms)
    : numVars_(numVars), minterms(std::move(sortedMinterms))
{
    for (const std::uint32_t v : minterms) {
        sum += v;
    }
}

void Implicant::AddMinterm(std::uint32_t value)
{
    if (minterms.empty() || minterms.back() < value) {
        minterms.push_back(value);
    } else {
        minterms.insert(std::lower_bound(minterms.begin(), minterms.end(), value), value);
    }
    sum += value;
}

std::uint32_t Implicant::Minterm(std::uint32_t index) const
{
    return index < minterms.size() ? minterms[index] : 0xFFFFFFFFu;
}

bool Implicant::ComputeDiffs()
{
    if (minterms.empty()) {
        return false;
    }
    std::uint32_t k = 0;
    for (std::uint64_t counter = 1; counter < minterms.size(); counter *= 2) {
        ++k;
    }
    diffs.assign(k, 0);
    for (std::uint32_t i = 0; i < k; ++i) {
        diffs[i] = Minterm(std::uint32_t{1} << i) - minterms[0];
    }
    hasDiffs = true;
    return true;
}

bool Implicant::SameDiffs(const Implicant& a, const Implicant& b)
{
    const std::size_t n = a.diffs.size();
    if (n == 0) {
        return true;
    }
    if (b.diffs.size() < n) {
        return false;
    }
    return std::equal(a.diffs.begin(), a.diffs.end(), b.diffs.begin());
}

void Implicant::Clear()
{
    minterms = {};
    diffs = {};
    hasDiffs = false;
    sum = 0;
    used = false;
    piNumber = 0;
}

// -------------------------------------------------------- Group and Column

void Group::AddImplicant(std::unique_ptr<Implicant> implicant)
{
    const std::uint32_t key = implicant->Minterm(0);
    const auto place = std::find_if(implicants.begin(), implicants.end(),
                                    [key](const auto& c) { return c->Minterm(0) >= key; });
    Index(*implicant);
    implicants.insert(place, std::move(implicant));
}

Implicant* Group::ImplicantAt(std::uint32_t index) const
{
    return index < implicants.size() ? implicants[index].get() : nullptr;
}

void Group::Clear()
{
    implicants.clear();
    byMinterms.reset();
}

void Group::Index(const Implicant& implicant)
{
    if (!byMinterms) {
        byMinterms = std::make_unique<std::unordered_multimap<std::uint64_t, const Implicant*>>();
    }
    byMinterms->emplace(HashValues(implicant.Minterms()), &implicant);
}

void Group::Append(std::unique_ptr<Implicant> implicant)
{
    Index(*implicant);
    implicants.push_back(std::move(implicant));
}

void Group::SortImplicants()
{
    // Newest first among equal keys: reverse creation order, then a stable sort.
    std::reverse(implicants.begin(), implicants.end());
    std::stable_sort(implicants.begin(), implicants.end(),
                     [](const auto& x, const auto& y) { return x->Minterm(0) < y->Minterm(0); });
}

const Implicant* Group::FindMinterms(const std::vector<std::uint32_t>& minterms) const
{
    if (!byMinterms) {
        return nullptr;
    }
    const auto [from, to] = byMinterms->equal_range(HashValues(minterms));
    for (auto it = from; it != to; ++it) {
        if (it->second->Minterms() == minterms) {
            return it->second;
        }
    }
    return nullptr;
}

Group* Column::GroupAt(std::uint32_t index) const
{
    return index < groups.size() ? groups[index].get() : nullptr;
}

// -------------------------------------------------------------------- Quine

void Quine::Insert(std::unique_ptr<Column> column)
{
    const bool wasEmpty = columns.empty();
    columns.push_back(std::move(column));
    if (wasEmpty) {
        const Column* head = this->head();
        QMSOP_ASSERT(head);
    } else {
        const Column* tail = this->tail();
        QMSOP_ASSERT(tail);
    }
}

bool Quine::GroupMinterms()
{
    Insert(std::make_unique<Column>());
    Column& first = *columns.back();
    numVars_ = func.numVars();
    if (numVars_ == 0 || func.minterms.empty()) {
        return false;
    }
    for (std::uint64_t g = 0; g <= numVars_; ++g) {
        first.AddGroup(std::make_unique<Group>());
    }
    const auto place = [&](std::uint32_t value) {
        auto implicant = std::make_unique<Implicant>(numVars_);
        implicant->AddMinterm(value);
        first.GroupAt(OneBits(value, numVars_))->Append(std::move(implicant));
    };
    for (const std::uint32_t m : func.minterms) {
        place(m);
    }
    for (const std::uint32_t d : func.dontCares) {
        place(d);
    }
    for (const auto& group : first.Groups()) {
        group->SortImplicants();
    }
    return true;
}

const Implicant* Quine::FindDuplicate(const Implicant& a, const Implicant& b,
                                      const Group& group) const
{
    return group.FindMinterms(MergedMinterms(a, b));
}

namespace {

// The implicants of a group indexed by (differences, minterm sum), so that
// the partners of an implicant are found by lookup instead of a scan.
class PartnerIndex {
public:
    explicit PartnerIndex(const Group& group) : group(group)
    {
        const auto& list = group.Implicants();
        diffHashes.reserve(list.size());
        positions.reserve(list.size());
        for (std::uint32_t p = 0; p < list.size(); ++p) {
            diffHashes.push_back(DiffsHash(*list[p]));
            positions.emplace(Key(diffHashes.back(), list[p]->MintermSum()), p);
            maxSum = std::max(maxSum, list[p]->MintermSum());
        }
    }

    // The positions, ascending, of the implicants b of the group with the same
    // differences as a whose sum exceeds a's by a single power of two
    // (without wrapping): exactly the b that pass the pair test with a.
    void Partners(const Implicant& a, std::vector<std::uint32_t>& found) const
    {
        found.clear();
        if (positions.empty()) {
            return;
        }
        const std::uint64_t diffsHash = DiffsHash(a);
        const std::uint64_t sumA = a.MintermSum();
        for (std::uint32_t t = 0; t < 32; ++t) {
            const std::uint64_t sumB = sumA + (std::uint64_t{1} << t);
            if (sumB > maxSum) {
                break;  // no implicant of the group has so large a sum
            }
            const auto [from, to] = positions.equal_range(Key(diffsHash, sumB));
            for (auto it = from; it != to; ++it) {
                const Implicant& b = *group.Implicants()[it->second];
                if (b.MintermSum() == sumB && diffHashes[it->second] == diffsHash &&
                    Implicant::SameDiffs(a, b)) {
                    found.push_back(it->second);
                }
            }
        }
        std::sort(found.begin(), found.end());
    }

private:
    static std::uint64_t DiffsHash(const Implicant& implicant)
    {
        const auto* diffs = implicant.Diffs();
        return diffs == nullptr ? 0 : HashValues(*diffs);
    }
    static std::uint64_t Key(std::uint64_t diffsHash, std::uint64_t sum)
    {
        return Mix(diffsHash ^ (sum * 0x9E3779B97F4A7C15ULL));
    }

    const Group& group;
    std::vector<std::uint64_t> diffHashes;
    std::unordered_multimap<std::uint64_t, std::uint32_t> positions;
    std::uint32_t maxSum = 0;
};

}  // namespace

bool Quine::CombineGroups(Group& lower, Group& upper, Group& destination)
{
    bool combined = false;
    const PartnerIndex index(upper);
    std::vector<std::uint32_t> partners;
    for (const auto& a : lower.Implicants()) {
        a->piNumber = numPIs_ + 1;  // provisional
        index.Partners(*a, partners);
        for (const std::uint32_t p : partners) {
            Implicant& b = *upper.Implicants()[p];
            a->used = true;
            b.used = true;
            a->piNumber = 0;
            combined = true;
            std::vector<std::uint32_t> merged = MergedMinterms(*a, b);
            if (destination.FindMinterms(merged) == nullptr) {
                auto implicant = std::make_unique<Implicant>(numVars_, std::move(merged));
                implicant->ComputeDiffs();
                destination.Append(std::move(implicant));
            }
        }
        if (!a->used) {
            ++numPIs_;
        }
    }
    return combined;
}

bool Quine::FindPrimeImplicants()
{
    if (done_ || !GroupMinterms()) {
        return false;
    }
    Column* current = head();
    numPIs_ = 0;
    for (;;) {
        Insert(std::make_unique<Column>());
        Column& next = *columns.back();
        const std::uint32_t n = current->numGroups();
        for (std::uint32_t g = 0; g + 1 < n; ++g) {
            next.AddGroup(std::make_unique<Group>());
        }
        bool combined = false;
        for (std::uint32_t g = 0; g + 1 < n; ++g) {
            combined |=
                CombineGroups(*current->GroupAt(g), *current->GroupAt(g + 1), *next.GroupAt(g));
        }
        if (n > 0) {
            for (const auto& t : current->GroupAt(n - 1)->Implicants()) {
                if (!t->used) {
                    t->piNumber = ++numPIs_;
                }
            }
        }
        for (const auto& group : next.Groups()) {
            group->SortImplicants();
        }
        current = &next;
        if (!combined) {
            break;
        }
    }
    CollectPrimeImplicants();
    done_ = true;
    return true;
}

void Quine::CollectPrimeImplicants()
{
    std::vector<const Implicant*> collected;
    collected.reserve(numPIs_);
    for (const auto& column : columns) {
        for (const auto& group : column->Groups()) {
            for (const auto& implicant : group->Implicants()) {
                if (!implicant->used && implicant->piNumber != 0 && collected.size() < numPIs_) {
                    collected.push_back(implicant.get());
                }
            }
        }
    }
    primeImplicants_ = std::move(collected);
}

// ------------------------------------------------------------------- Report

void AppendImplicantText(std::string& text, const Implicant& implicant)
{
    AppendNumberList(text, implicant.Minterms());
    if (const auto* diffs = implicant.Diffs()) {
        text += " (";
        AppendNumberList(text, *diffs);
        text += ')';
    }
    if (implicant.used) {
        text += " *";
    } else if (implicant.piNumber != 0) {
        text += " PI#";
        AppendNumber(text, implicant.piNumber);
    }
}

namespace {

// Collects report text and hands it to the stream in large pieces.
class TextSink {
public:
    explicit TextSink(std::ostream& out) : out(out) { text.reserve(kChunk + 4096); }
    TextSink(const TextSink&) = delete;
    TextSink& operator=(const TextSink&) = delete;
    ~TextSink() { Flush(); }

    std::string& Text() { return text; }
    void EndLine()
    {
        text += '\n';
        if (text.size() >= kChunk) {
            Flush();
        }
    }

private:
    static constexpr std::size_t kChunk = 1 << 16;

    void Flush()
    {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        text.clear();
    }

    std::ostream& out;
    std::string text;
};

void WriteGroup(TextSink& sink, const Group& group)
{
    for (const auto& implicant : group.Implicants()) {
        AppendImplicantText(sink.Text(), *implicant);
        sink.EndLine();
    }
}

void WriteColumn(TextSink& sink, const Column& column)
{
    const auto& groups = column.Groups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        WriteGroup(sink, *groups[g]);
        if (g + 1 < groups.size()) {
            sink.Text() += "----";
            sink.EndLine();
        }
    }
}

}  // namespace

std::ostream& operator<<(std::ostream& out, const Implicant& implicant)
{
    std::string text;
    AppendImplicantText(text, implicant);
    return out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

std::ostream& operator<<(std::ostream& out, const Group& group)
{
    TextSink sink(out);
    WriteGroup(sink, group);
    return out;
}

std::ostream& operator<<(std::ostream& out, const Column& column)
{
    TextSink sink(out);
    WriteColumn(sink, column);
    return out;
}

std::ostream& operator<<(std::ostream& out, const Quine& quine)
{
    {
        TextSink sink(out);
        const auto& columns = quine.Columns();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            WriteColumn(sink, *columns[c]);
            if (c + 1 < columns.size()) {
                sink.Text() += '.';
                sink.EndLine();
            }
        }
    }
    return out;
}

std::istream& operator>>(std::istream& in, Quine& quine)
{
    return in >> quine.func;
}

}  // namespace qmsop
