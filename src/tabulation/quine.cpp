// SPDX-License-Identifier: MIT
#include "tabulation/quine.h"

#include <algorithm>
#include <bit>
#include <numeric>
#include <ostream>

#include "base/check.h"
#include "base/hash.h"
#include "base/textwriter.h"

namespace qmsop {

namespace {

constexpr std::uint32_t kNone = FlatMultimap::kNoValue;

// The number of one bits a first-column number counts for its group: the
// lowest numVars bits, all 32 when numVars is 32 or more.
std::uint32_t OneBits(std::uint32_t value, std::uint32_t numVars)
{
    const std::uint32_t mask = numVars >= 32 ? 0xFFFFFFFFu : (1u << numVars) - 1u;
    return static_cast<std::uint32_t>(std::popcount(value & mask));
}

// The k with 2^(k-1) < count <= 2^k (0 for a count of 1).
std::uint32_t DiffCount(std::uint64_t count)
{
    std::uint32_t k = 0;
    for (std::uint64_t counter = 1; counter < count; counter *= 2) {
        ++k;
    }
    return k;
}

bool SameMinterms(const Implicant& a, std::span<const std::uint32_t> minterms)
{
    const auto own = a.Minterms();
    return std::equal(own.begin(), own.end(), minterms.begin(), minterms.end());
}

}  // namespace

// ---------------------------------------------------------------- Implicant

Implicant::Implicant(std::uint32_t numVars, std::span<const std::uint32_t> minterms)
    : numVars_(numVars), numMinterms_(static_cast<std::uint32_t>(minterms.size()))
{
    std::copy(minterms.begin(), minterms.end(), Reserve(numMinterms_, 0));
    for (const std::uint32_t v : minterms) {
        sum += v;
    }
}

Implicant::Implicant(const Implicant& other)
    : used(other.used),
      piNumber(other.piNumber),
      numVars_(other.numVars_),
      numMinterms_(other.numMinterms_),
      sum(other.sum),
      numDiffs_(other.numDiffs_),
      hasDiffs(other.hasDiffs)
{
    std::copy(other.Values(), other.Values() + other.numValues(), Reserve(numValues(), 0));
}

Implicant::Implicant(Implicant&& other) noexcept
    : used(other.used),
      piNumber(other.piNumber),
      inlineValues(other.inlineValues),
      heap(std::move(other.heap)),
      numVars_(other.numVars_),
      numMinterms_(other.numMinterms_),
      sum(other.sum),
      numDiffs_(other.numDiffs_),
      hasDiffs(other.hasDiffs)
{
    other.Clear();
}

Implicant& Implicant::operator=(const Implicant& other)
{
    if (this != &other) {
        Implicant copy(other);
        *this = std::move(copy);
    }
    return *this;
}

Implicant& Implicant::operator=(Implicant&& other) noexcept
{
    if (this != &other) {
        used = other.used;
        piNumber = other.piNumber;
        inlineValues = other.inlineValues;
        heap = std::move(other.heap);
        numVars_ = other.numVars_;
        numMinterms_ = other.numMinterms_;
        sum = other.sum;
        numDiffs_ = other.numDiffs_;
        hasDiffs = other.hasDiffs;
        other.Clear();
    }
    return *this;
}

std::uint32_t* Implicant::Reserve(std::uint32_t count, std::uint32_t keep)
{
    if (count <= kInline) {
        if (heap) {
            std::copy(heap.get(), heap.get() + keep, inlineValues.begin());
            heap.reset();
        }
        return inlineValues.data();
    }
    auto room = std::make_unique<std::uint32_t[]>(count);
    std::copy(Values(), Values() + keep, room.get());
    heap = std::move(room);
    return heap.get();
}

Implicant Implicant::Combined(const Implicant& a, const Implicant& b)
{
    Implicant combined(a.numVars_);
    const std::uint64_t n = std::uint64_t{a.numMinterms_} + b.numMinterms_;
    const std::uint32_t k = DiffCount(n);
    std::uint32_t* values = combined.Reserve(static_cast<std::uint32_t>(n + k), 0);
    const auto am = a.Minterms();
    const auto bm = b.Minterms();
    std::merge(am.begin(), am.end(), bm.begin(), bm.end(), values);
    for (std::uint32_t i = 0; i < k; ++i) {
        values[n + i] = values[std::size_t{1} << i] - values[0];
    }
    combined.numMinterms_ = static_cast<std::uint32_t>(n);
    combined.sum = a.sum + b.sum;
    combined.numDiffs_ = static_cast<std::uint8_t>(k);
    combined.hasDiffs = true;
    return combined;
}

void Implicant::AddMinterm(std::uint32_t value)
{
    // The differences, if any, stay as they are, after the minterms.
    std::uint32_t* values = Reserve(numValues() + 1, numValues());
    std::uint32_t* place = std::lower_bound(values, values + numMinterms_, value);
    std::copy_backward(place, values + numValues(), values + numValues() + 1);
    *place = value;
    ++numMinterms_;
    sum += value;
}

std::uint32_t Implicant::Minterm(std::uint32_t index) const
{
    return index < numMinterms_ ? Values()[index] : kNone;
}

bool Implicant::ComputeDiffs()
{
    if (numMinterms_ == 0) {
        return false;
    }
    const std::uint32_t k = DiffCount(numMinterms_);
    std::uint32_t* values = Reserve(numMinterms_ + k, numMinterms_);
    for (std::uint32_t i = 0; i < k; ++i) {
        values[numMinterms_ + i] = values[std::size_t{1} << i] - values[0];
    }
    numDiffs_ = static_cast<std::uint8_t>(k);
    hasDiffs = true;
    return true;
}

std::optional<std::span<const std::uint32_t>> Implicant::Diffs() const
{
    if (!hasDiffs) {
        return std::nullopt;
    }
    return std::span<const std::uint32_t>(Values() + numMinterms_, numDiffs_);
}

bool Implicant::SameDiffs(const Implicant& a, const Implicant& b)
{
    const std::uint32_t n = a.numDiffs_;
    if (n == 0) {
        return true;
    }
    if (b.numDiffs_ < n) {
        return false;
    }
    const std::uint32_t* first = a.Values() + a.numMinterms_;
    return std::equal(first, first + n, b.Values() + b.numMinterms_);
}

void Implicant::Clear()
{
    heap.reset();
    numMinterms_ = 0;
    numDiffs_ = 0;
    hasDiffs = false;
    sum = 0;
    used = false;
    piNumber = 0;
}

// -------------------------------------------------------- Group and Column

void Group::AddImplicant(Implicant implicant)
{
    const std::uint32_t key = implicant.Minterm(0);
    const auto place = std::find_if(implicants.begin(), implicants.end(),
                                    [key](const Implicant& c) { return c.Minterm(0) >= key; });
    implicants.insert(place, std::move(implicant));
}

const Implicant* Group::ImplicantAt(std::uint32_t index) const
{
    return index < implicants.size() ? &implicants[index] : nullptr;
}

Implicant* Group::ImplicantAt(std::uint32_t index)
{
    return index < implicants.size() ? &implicants[index] : nullptr;
}

void Group::Clear()
{
    implicants = {};
}

void Group::SortImplicants(std::vector<std::uint32_t>* order)
{
    if (order != nullptr) {
        // The same order, through the permutation: ascending smallest
        // minterm, and among equal ones the later created first.
        order->resize(implicants.size());
        std::iota(order->begin(), order->end(), 0u);
        std::sort(order->begin(), order->end(), [&](std::uint32_t x, std::uint32_t y) {
            const std::uint32_t kx = implicants[x].Minterm(0);
            const std::uint32_t ky = implicants[y].Minterm(0);
            return kx != ky ? kx < ky : x > y;
        });
        std::vector<Implicant> sorted;
        sorted.reserve(implicants.size());
        for (const std::uint32_t k : *order) {
            sorted.push_back(std::move(implicants[k]));
        }
        implicants = std::move(sorted);
        return;
    }
    // Ascending smallest minterm, newest first among equal ones. When the
    // keys already ascend in creation order, that is each run of equal keys
    // reversed; otherwise reverse creation order, then a stable sort.
    const auto byKey = [](const Implicant& x, const Implicant& y) {
        return x.Minterm(0) < y.Minterm(0);
    };
    if (std::is_sorted(implicants.begin(), implicants.end(), byKey)) {
        for (auto run = implicants.begin(); run != implicants.end();) {
            const auto stop = std::upper_bound(run, implicants.end(), *run, byKey);
            std::reverse(run, stop);
            run = stop;
        }
        return;
    }
    std::reverse(implicants.begin(), implicants.end());
    std::stable_sort(implicants.begin(), implicants.end(), byKey);
}

std::uint32_t Group::RunEnd(std::uint32_t position) const
{
    std::uint32_t end = position + 1;
    while (end < implicants.size() &&
           SameMinterms(implicants[end], implicants[position].Minterms())) {
        ++end;
    }
    return end;
}

const Implicant* Group::FindMinterms(std::span<const std::uint32_t> minterms) const
{
    for (const Implicant& c : implicants) {
        if (c.numMinterms() != 0 && SameMinterms(c, minterms)) {
            return &c;
        }
    }
    return nullptr;
}

const Group* Column::GroupAt(std::uint32_t index) const
{
    return index < groups.size() ? &groups[index] : nullptr;
}

Group* Column::GroupAt(std::uint32_t index)
{
    return index < groups.size() ? &groups[index] : nullptr;
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
    const auto below = [this](std::uint32_t v) { return numVars_ >= 32 || v < (1u << numVars_); };
    cubes = numVars_ <= 32 && std::all_of(func.minterms.begin(), func.minterms.end(), below) &&
            std::all_of(func.dontCares.begin(), func.dontCares.end(), below);
    first.AddGroups(std::uint64_t{numVars_} + 1);
    const auto place = [&](const std::uint32_t& value) {
        first.GroupAt(OneBits(value, numVars_))->Append(Implicant(numVars_, {&value, 1}));
    };
    for (const std::uint32_t& m : func.minterms) {
        place(m);
    }
    for (const std::uint32_t& d : func.dontCares) {
        place(d);
    }
    for (std::uint32_t g = 0; g < first.numGroups(); ++g) {
        first.GroupAt(g)->SortImplicants();
    }
    return true;
}

const Implicant* Quine::FindDuplicate(const Implicant& a, const Implicant& b,
                                      const Group& group) const
{
    return group.FindMinterms(Implicant::Combined(a, b).Minterms());
}

namespace {

// The mask of the variables an implicant has eliminated: its differences
// together (a cube's differences are distinct powers of two).
std::uint32_t EliminatedMask(const Implicant& implicant)
{
    std::uint32_t mask = 0;
    if (const auto diffs = implicant.Diffs()) {
        for (const std::uint32_t d : *diffs) {
            mask |= d;
        }
    }
    return mask;
}

// A cube named by its eliminated mask and its first minterm.
std::uint64_t CubeKey(std::uint32_t mask, std::uint32_t first)
{
    return (std::uint64_t{mask} << 32) | first;
}

// The differences and the sum of an implicant, hashed together.
std::uint64_t SumKey(std::uint64_t diffsHash, std::uint64_t sum)
{
    return Mix(diffsHash ^ (sum * 0x9E3779B97F4A7C15ULL));
}

std::uint64_t DiffsHash(const Implicant& implicant)
{
    const auto diffs = implicant.Diffs();
    return diffs ? HashValues(*diffs) : 0;
}

// A cube of a group, for the partner join: its key and its position.
struct CubeEntry {
    std::uint64_t key;
    std::uint32_t position;
};

// The cubes of a group: each run's key by position, and the runs sorted by
// key.
struct GroupCubes {
    std::vector<std::uint64_t> keyAt;
    std::vector<CubeEntry> sorted;
};

// The first minterms of one bucket of cubes (one mask), for look-up of a
// cube's position by its first minterm; rebuilt for every bucket, so that it
// stays small. Open addressing at a load of at most 1/2.
class BucketTable {
    struct Slot {
        std::uint32_t first = 0;
        std::uint32_t position = kNone;
    };

public:
    // Look-ups into the table as last built, held in locals by the caller.
    class View {
    public:
        View(const Slot* slots, std::size_t capacity)
            : slots(slots),
              mask(capacity - 1),
              shift(64 - static_cast<std::uint32_t>(std::countr_zero(capacity)))
        {
        }
        // The position of the cube with this first minterm, or kNone.
        std::uint32_t Find(std::uint32_t first) const
        {
            for (std::size_t i = Home(first);; i = (i + 1) & mask) {
                if (slots[i].position == kNone || slots[i].first == first) {
                    return slots[i].position;
                }
            }
        }
        std::size_t Home(std::uint32_t first) const
        {
            return static_cast<std::size_t>((first * 0x9E3779B97F4A7C15ULL) >> shift);
        }

    private:
        const Slot* slots;
        std::size_t mask;
        std::uint32_t shift;
    };

    // Fills the table with `cubes` and returns its view.
    View Build(std::span<const CubeEntry> cubes)
    {
        std::size_t capacity = 4;
        while (capacity < 2 * cubes.size()) {
            capacity *= 2;
        }
        slots.assign(capacity, Slot{});
        const View view(slots.data(), capacity);
        for (const CubeEntry& cube : cubes) {
            const auto first = static_cast<std::uint32_t>(cube.key);
            std::size_t i = view.Home(first);
            while (slots[i].position != kNone) {
                i = (i + 1) & (capacity - 1);
            }
            slots[i] = {first, cube.position};
        }
        return view;
    }

private:
    std::vector<Slot> slots;
};

}  // namespace

// One pass: reads the current column and fills the next one, group pair by
// group pair, numbering the implicants that end up unused.
//
// Equal minterm lists stand next to each other in a group: only the first
// column can hold equal lists (a pass never adds a list to a group that holds
// it), and there they are equal numbers, sorted together. Such a run is
// searched and combined once, through its first implicant, and every
// implicant of the run gets the same marks.
class Quine::Pass {
public:
    // `cubes`: every implicant of `current` is a cube whose minterm sums
    // cannot wrap, so partners are found by a join on cube keys and the
    // duplicates of a combination share its first minterm.
    // `record`: where the pairs that form each group of `next` go, or nullptr.
    Pass(Quine& quine, Column& current, Column& next, bool firstColumn, bool cubes,
         std::vector<std::vector<ImplicantPair>>* record)
        : quine(quine),
          current(current),
          next(next),
          firstColumn(firstColumn),
          cubes(cubes),
          record(record)
    {
    }

    // Returns whether any pair combined.
    bool Run()
    {
        const std::uint32_t n = current.numGroups();
        if (n >= 2) {
            next.AddGroups(n - 1);
        }
        if (cubes && n > 0) {
            IndexCubes(*current.GroupAt(0), upperCubes);
        }
        for (std::uint32_t g = 0; g + 1 < n; ++g) {
            if (cubes) {
                std::swap(lowerCubes, upperCubes);
                IndexCubes(*current.GroupAt(g + 1), upperCubes);
            }
            CombineGroups(*current.GroupAt(g), *current.GroupAt(g + 1), *next.GroupAt(g));
            if (record != nullptr) {
                record->push_back(std::move(formed));
                formed.clear();
            }
        }
        if (n > 0) {
            for (Implicant& t : current.GroupAt(n - 1)->Implicants()) {
                if (!t.used) {
                    t.piNumber = ++quine.numPIs_;
                }
            }
        }
        for (std::uint32_t g = 0; g < next.numGroups(); ++g) {
            if (record != nullptr) {
                SortRecorded(*next.GroupAt(g), (*record)[g]);
            } else {
                next.GroupAt(g)->SortImplicants();
            }
        }
        return combined;
    }

private:
    // Sorts `group` and renames the targets of its recorded pairs from
    // creation order to their places; the pairs of one target stay in the
    // order formed, ascending (lower, upper).
    void SortRecorded(Group& group, std::vector<ImplicantPair>& pairs)
    {
        group.SortImplicants(&order);
        place.resize(order.size());
        for (std::uint32_t k = 0; k < order.size(); ++k) {
            place[order[k]] = k;
        }
        for (ImplicantPair& pair : pairs) {
            pair.target = place[pair.target];
        }
        std::stable_sort(
            pairs.begin(), pairs.end(),
            [](const ImplicantPair& x, const ImplicantPair& y) { return x.target < y.target; });
    }

    // Every implicant a of `lower` in list order gets a provisional number,
    // is paired with its partners in `upper` and keeps its number only when
    // it is unused afterwards.
    void CombineGroups(Group& lower, Group& upper, Group& destination)
    {
        std::vector<Implicant>& lowerList = lower.Implicants();
        std::vector<Implicant>& upperList = upper.Implicants();
        const bool search = !lowerList.empty() && !upperList.empty();
        if (search) {
            if (cubes) {
                JoinCubes(lowerList.size());
            } else {
                FindSumPartners(lowerList, upperList);
            }
            dedupFirst = kNone;
            destinationIndex.Reset(cubes ? 0 : lowerList.size());
        }
        bool runCombined = false;
        for (std::size_t i = 0; i < lowerList.size(); ++i) {
            Implicant& a = lowerList[i];
            a.piNumber = quine.numPIs_ + 1;  // provisional
            if (search) {
                if (StartsRun(lowerList, i)) {
                    runCombined = CombineRun(i, lowerList, upperList, destination);
                }
                if (runCombined) {
                    a.used = true;
                    a.piNumber = 0;
                    combined = true;
                }
            }
            if (!a.used) {
                ++quine.numPIs_;
            }
        }
    }

    bool StartsRun(const std::vector<Implicant>& list, std::size_t p) const
    {
        return !firstColumn || p == 0 || list[p - 1].Minterm(0) != list[p].Minterm(0);
    }

    // Combines lower[i] with each of its partners in `upper`, in list order,
    // marking each partner's whole run used. Returns whether there was one.
    bool CombineRun(std::size_t i, const std::vector<Implicant>& lower,
                    std::vector<Implicant>& upper, Group& destination)
    {
        const std::span<const std::uint32_t> found(partners.data() + partnerStart[i],
                                                   partnerStart[i + 1] - partnerStart[i]);
        for (const std::uint32_t p : found) {
            if (!upper[p].used) {
                for (std::size_t q = p; q < upper.size() && (q == p || !StartsRun(upper, q)); ++q) {
                    upper[q].used = true;
                }
            }
            const std::uint32_t target = cubes ? AddCube(lower[i], lowerCubes.keyAt[i], upper[p],
                                                         upperCubes.keyAt[p], destination)
                                               : AddCombination(lower[i], upper[p], destination);
            if (record != nullptr) {
                formed.push_back({target, static_cast<std::uint32_t>(i), p});
            }
        }
        return !found.empty();
    }

    // The cube keys of the first implicants of the runs of `group`, by
    // position and sorted by (mask, first). The group is in ascending order
    // of first minterm, so a stable bucketing by mask sorts it.
    void IndexCubes(const Group& group, GroupCubes& cubeList)
    {
        const std::vector<Implicant>& list = group.Implicants();
        cubeList.keyAt.assign(list.size(), 0);
        cubeList.sorted.clear();
        maskIds.Reset(0);
        masks.clear();
        maskCount.clear();
        idAt.assign(list.size(), kNone);
        for (std::size_t p = 0; p < list.size(); ++p) {
            if (!StartsRun(list, p)) {
                continue;
            }
            const std::uint32_t mask = EliminatedMask(list[p]);
            cubeList.keyAt[p] = CubeKey(mask, list[p].Minterm(0));
            std::uint32_t id = maskIds.Find(mask);
            if (id == kNone) {
                id = static_cast<std::uint32_t>(masks.size());
                maskIds.Insert(mask, id);
                masks.push_back(mask);
                maskCount.push_back(0);
            }
            ++maskCount[id];
            idAt[p] = id;
        }
        // The start of each mask's bucket, the masks in ascending order.
        std::vector<std::uint32_t> byMask(masks.size());
        for (std::uint32_t id = 0; id < byMask.size(); ++id) {
            byMask[id] = id;
        }
        std::sort(byMask.begin(), byMask.end(),
                  [&](std::uint32_t x, std::uint32_t y) { return masks[x] < masks[y]; });
        std::uint32_t start = 0;
        for (const std::uint32_t id : byMask) {
            const std::uint32_t count = maskCount[id];
            maskCount[id] = start;
            start += count;
        }
        cubeList.sorted.resize(start);
        for (std::size_t p = 0; p < list.size(); ++p) {
            if (idAt[p] != kNone) {
                cubeList.sorted[maskCount[idAt[p]]++] = {cubeList.keyAt[p],
                                                         static_cast<std::uint32_t>(p)};
            }
        }
    }

    // The partners of the lower cubes. Both lists are sorted by (mask,
    // first); the cubes of one mask form a bucket in each. For a bucket found
    // in both, the upper bucket's first minterms go into a small hash table,
    // and each lower cube (mask, first) looks up first | 2^t for every
    // variable t clear in mask and first. Leaves each lower position's partner
    // positions, ascending, in `partners` (CSR by `partnerStart`).
    void JoinCubes(std::size_t lowerSize)
    {
        const std::uint32_t variables =
            quine.numVars_ >= 32 ? 0xFFFFFFFFu : (1u << quine.numVars_) - 1u;
        const auto maskOf = [](const CubeEntry& cube) {
            return static_cast<std::uint32_t>(cube.key >> 32);
        };
        pairs.clear();
        std::size_t l = 0;
        std::size_t u = 0;
        const std::span<const CubeEntry> lowerSorted(lowerCubes.sorted);
        const std::span<const CubeEntry> upperSorted(upperCubes.sorted);
        while (l < lowerSorted.size() && u < upperSorted.size()) {
            const std::uint32_t lowerMask = maskOf(lowerSorted[l]);
            const std::uint32_t upperMask = maskOf(upperSorted[u]);
            std::size_t lowerEnd = l;
            while (lowerEnd < lowerSorted.size() && maskOf(lowerSorted[lowerEnd]) == lowerMask) {
                ++lowerEnd;
            }
            std::size_t upperEnd = u;
            while (upperEnd < upperSorted.size() && maskOf(upperSorted[upperEnd]) == upperMask) {
                ++upperEnd;
            }
            if (lowerMask == upperMask) {
                const BucketTable::View table = bucket.Build(upperSorted.subspan(u, upperEnd - u));
                for (std::size_t k = l; k < lowerEnd; ++k) {
                    const auto first = static_cast<std::uint32_t>(lowerSorted[k].key);
                    for (std::uint32_t free = variables & ~(lowerMask | first); free != 0;
                         free &= free - 1) {
                        const std::uint32_t p = table.Find(first | (free & (0u - free)));
                        if (p != kNone) {
                            pairs.emplace_back(lowerSorted[k].position, p);
                        }
                    }
                }
            }
            if (lowerMask <= upperMask) {
                l = lowerEnd;
            }
            if (upperMask <= lowerMask) {
                u = upperEnd;
            }
        }
        // Bucket the pairs by lower position, then sort each bucket.
        partnerStart.assign(lowerSize + 1, 0);
        for (const auto& pair : pairs) {
            ++partnerStart[pair.first + 1];
        }
        for (std::size_t i = 0; i < lowerSize; ++i) {
            partnerStart[i + 1] += partnerStart[i];
        }
        partners.resize(pairs.size());
        scratch.assign(partnerStart.begin(), partnerStart.end() - 1);
        for (const auto& pair : pairs) {
            partners[scratch[pair.first]++] = pair.second;
        }
        for (std::size_t i = 0; i < lowerSize; ++i) {
            if (partnerStart[i + 1] - partnerStart[i] > 1) {
                std::sort(partners.begin() + partnerStart[i],
                          partners.begin() + partnerStart[i + 1]);
            }
        }
    }

    // The partners of every run's first implicant a: the implicants b of the
    // first implicants of the upper runs, with the same differences as a and
    // a sum exceeding a's by a power of two (without wrapping), ascending.
    void FindSumPartners(const std::vector<Implicant>& lower, const std::vector<Implicant>& upper)
    {
        upperIndex.Reset(upper.size());
        std::uint32_t maxSum = 0;
        for (std::size_t p = 0; p < upper.size(); ++p) {
            if (StartsRun(upper, p)) {
                upperIndex.Insert(SumKey(DiffsHash(upper[p]), upper[p].MintermSum()),
                                  static_cast<std::uint32_t>(p));
                maxSum = std::max(maxSum, upper[p].MintermSum());
            }
        }
        partners.clear();
        partnerStart.assign(1, 0);
        for (std::size_t i = 0; i < lower.size(); ++i) {
            const auto from = static_cast<std::uint32_t>(partners.size());
            if (StartsRun(lower, i)) {
                const Implicant& a = lower[i];
                const std::uint64_t diffsHash = DiffsHash(a);
                const std::uint64_t sumA = a.MintermSum();
                for (std::uint32_t t = 0; t < 32; ++t) {
                    const std::uint64_t sumB = sumA + (std::uint64_t{1} << t);
                    if (sumB > maxSum) {
                        break;  // no implicant of the group has so large a sum
                    }
                    upperIndex.ForEach(SumKey(diffsHash, sumB), [&](std::uint32_t p) {
                        if (upper[p].MintermSum() == sumB && Implicant::SameDiffs(a, upper[p])) {
                            partners.push_back(p);
                        }
                    });
                }
                std::sort(partners.begin() + from, partners.end());
            }
            partnerStart.push_back(static_cast<std::uint32_t>(partners.size()));
        }
    }

    // Appends the combination of the cubes a and b to `destination` unless
    // the group holds it already. A duplicate has a's first minterm, and the
    // lower group holds the implicants of one first minterm together: the
    // index covers the masks made for the current first minterm only.
    // Returns the position of the combination in `destination`.
    std::uint32_t AddCube(const Implicant& a, std::uint64_t aKey, const Implicant& b,
                          std::uint64_t bKey, Group& destination)
    {
        const auto first = static_cast<std::uint32_t>(aKey);
        if (first != dedupFirst) {
            dedupFirst = first;
            destinationIndex.Reset(0);
        }
        const std::uint32_t mask =
            static_cast<std::uint32_t>(aKey >> 32) | (static_cast<std::uint32_t>(bKey) - first);
        const std::uint32_t found = destinationIndex.Find(mask);
        if (found != kNone) {
            return found;
        }
        const std::uint32_t position = destination.numImplicants();
        destinationIndex.Insert(mask, position);
        destination.Append(Implicant::Combined(a, b));
        return position;
    }

    // Appends the combination of a and b to `destination` unless the group
    // holds its minterm list already. Returns its position there.
    std::uint32_t AddCombination(const Implicant& a, const Implicant& b, Group& destination)
    {
        std::vector<Implicant>& list = destination.Implicants();
        Implicant merged = Implicant::Combined(a, b);
        const std::uint64_t key = HashValues(merged.Minterms());
        std::uint32_t found = kNone;
        destinationIndex.ForEach(key, [&](std::uint32_t p) {
            if (found == kNone && SameMinterms(list[p], merged.Minterms())) {
                found = p;
            }
        });
        if (found == kNone) {
            found = static_cast<std::uint32_t>(list.size());
            destinationIndex.Insert(key, found);
            destination.Append(std::move(merged));
        }
        return found;
    }

    Quine& quine;
    Column& current;
    Column& next;
    const bool firstColumn;
    const bool cubes;
    bool combined = false;
    GroupCubes lowerCubes;
    GroupCubes upperCubes;
    FlatMultimap maskIds;  // mask -> id, while indexing one group
    std::vector<std::uint32_t> masks;
    std::vector<std::uint32_t> maskCount;
    std::vector<std::uint32_t> idAt;  // mask id by position, while indexing one group
    std::vector<std::pair<std::uint32_t, std::uint32_t>> pairs;  // (lower, upper) positions
    std::vector<std::uint32_t> partnerStart;                     // per lower position
    std::vector<std::uint32_t> partners;
    std::vector<std::uint32_t> scratch;
    BucketTable bucket;
    FlatMultimap upperIndex;
    FlatMultimap destinationIndex;
    std::uint32_t dedupFirst = kNone;
    std::vector<std::vector<ImplicantPair>>* record;
    std::vector<ImplicantPair> formed;  // the pairs of the current destination group
    std::vector<std::uint32_t> order;   // while sorting a recorded group
    std::vector<std::uint32_t> place;
};

bool Quine::FindPrimeImplicants(const TabulationOptions& options)
{
    if (done_ || !GroupMinterms()) {
        return false;
    }
    numPIs_ = 0;
    for (;;) {
        Insert(std::make_unique<Column>());
        Column& current = *columns[columns.size() - 2];
        const std::uint64_t c = columns.size() - 2;  // every implicant holds 2^c minterms
        std::vector<std::vector<ImplicantPair>>* record = nullptr;
        if (options.recordPairs) {
            record = &pairs_.emplace_back();
        }
        Pass pass(*this, current, *columns.back(), c == 0, cubes && numVars_ + c <= 32, record);
        const bool combined = pass.Run();
        if (options.releaseColumns) {
            ReleaseColumn(current);
        }
        if (!combined) {
            break;
        }
    }
    if (options.releaseColumns) {
        ReleaseColumn(*columns.back());
    }
    CollectPrimeImplicants();
    done_ = true;
    return true;
}

void Quine::ReleaseColumn(Column& column)
{
    for (std::uint32_t g = 0; g < column.numGroups(); ++g) {
        for (Implicant& implicant : column.GroupAt(g)->Implicants()) {
            if (!implicant.used && implicant.piNumber != 0) {
                released.push_back(std::move(implicant));
            }
        }
    }
    column.Clear();
}

void Quine::CollectPrimeImplicants()
{
    std::vector<const Implicant*> collected;
    collected.reserve(numPIs_);
    const auto take = [&](const Implicant& implicant) {
        if (!implicant.used && implicant.piNumber != 0 && collected.size() < numPIs_) {
            collected.push_back(&implicant);
        }
    };
    for (const Implicant& implicant : released) {
        take(implicant);
    }
    for (const auto& column : columns) {
        for (const Group& group : column->Groups()) {
            for (const Implicant& implicant : group.Implicants()) {
                take(implicant);
            }
        }
    }
    primeImplicants_ = std::move(collected);
}

// ------------------------------------------------------------------- Report

void AppendImplicantText(std::string& text, const Implicant& implicant)
{
    AppendNumberList(text, implicant.Minterms());
    if (const auto diffs = implicant.Diffs()) {
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

void WriteGroup(TextWriter& writer, const Group& group)
{
    for (const Implicant& implicant : group.Implicants()) {
        AppendImplicantText(writer.Text(), implicant);
        writer.EndLine();
    }
}

void WriteColumn(TextWriter& writer, const Column& column)
{
    const auto& groups = column.Groups();
    for (std::size_t g = 0; g < groups.size(); ++g) {
        WriteGroup(writer, groups[g]);
        if (g + 1 < groups.size()) {
            writer.Text() += "----";
            writer.EndLine();
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
    TextWriter writer(out);
    WriteGroup(writer, group);
    return out;
}

std::ostream& operator<<(std::ostream& out, const Column& column)
{
    TextWriter writer(out);
    WriteColumn(writer, column);
    return out;
}

std::ostream& operator<<(std::ostream& out, const Quine& quine)
{
    TextWriter writer(out);
    const auto& columns = quine.Columns();
    for (std::size_t c = 0; c < columns.size(); ++c) {
        WriteColumn(writer, *columns[c]);
        if (c + 1 < columns.size()) {
            writer.Text() += '.';
            writer.EndLine();
        }
    }
    return out;
}

}  // namespace qmsop
