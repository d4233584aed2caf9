// SPDX-License-Identifier: MIT
#include "cube/urp.h"

#include <algorithm>
#include <bit>
#include <cstdint>
#include <unordered_map>

namespace qmsop {

namespace {

// The most pairs of cubes compared when two halves of a complement merge.
constexpr std::size_t kMergePairs = std::size_t{1} << 22;

// The choice of the splitting input and what the counts say of the cover.
struct Split {
    bool found = false;
    std::uint32_t input = 0;
    bool binate = false;
    bool negativeUnate = false;  // only 01 (the value 0) where the input is not free
};

// How often each input is 01 and 10 in the cover.
struct Counts {
    std::vector<std::uint32_t> zero;
    std::vector<std::uint32_t> one;
};

Counts CountParts(const Cover& cover)
{
    const CubeShape& shape = cover.Shape();
    Counts counts{std::vector<std::uint32_t>(shape.NumInputs(), 0),
                  std::vector<std::uint32_t>(shape.NumInputs(), 0)};
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        const CubeView cube = cover[i];
        for (std::uint32_t w = 0; w < shape.InputWords(); ++w) {
            const std::uint64_t x = cube[w];
            std::uint64_t zero = x & ~(x >> 1) & shape.LowBits(w);
            std::uint64_t one = (x >> 1) & ~x & shape.LowBits(w);
            while (zero != 0) {
                ++counts.zero[w * 32 + static_cast<std::uint32_t>(std::countr_zero(zero)) / 2];
                zero &= zero - 1;
            }
            while (one != 0) {
                ++counts.one[w * 32 + static_cast<std::uint32_t>(std::countr_zero(one)) / 2];
                one &= one - 1;
            }
        }
    }
    return counts;
}

// The most binate input (most cubes not free in it, then most balanced);
// without one, the unate input in most cubes.
Split ChooseSplit(const Counts& counts)
{
    Split best;
    std::uint32_t bestTotal = 0;
    std::uint32_t bestBalance = 0;
    for (std::uint32_t v = 0; v < counts.zero.size(); ++v) {
        const std::uint32_t z = counts.zero[v];
        const std::uint32_t o = counts.one[v];
        if (z + o == 0) {
            continue;
        }
        const bool binate = z != 0 && o != 0;
        const std::uint32_t balance = std::min(z, o);
        const bool better = !best.found || (binate && !best.binate) ||
                            (binate == best.binate &&
                             (z + o > bestTotal || (z + o == bestTotal && balance > bestBalance)));
        if (better) {
            best = Split{true, v, binate, o == 0};
            bestTotal = z + o;
            bestBalance = balance;
        }
    }
    return best;
}

bool HasUniverse(const Cover& cover)
{
    const std::vector<std::uint64_t> universe = Universe(cover.Shape());
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        if (std::equal(universe.begin(), universe.end(), cover[i].begin())) {
            return true;
        }
    }
    return false;
}

bool AllOutputsFull(const Cover& cover)
{
    const CubeShape& shape = cover.Shape();
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
            if (cover[i][w] != shape.FullWord(w)) {
                return false;
            }
        }
    }
    return true;
}

// The cubes that serve `output`, each with every output set.
Cover OutputCofactor(const Cover& cover, std::uint32_t output)
{
    const CubeShape& shape = cover.Shape();
    Cover result(shape);
    std::vector<std::uint64_t> raised(shape.Words());
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        if (!HasOutput(shape, cover[i], output)) {
            continue;
        }
        std::copy(cover[i].begin(), cover[i].end(), raised.begin());
        for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
            raised[w] = shape.FullWord(w);
        }
        result.Add(raised);
    }
    return result;
}

// The cofactor against one value of an input (part 1: the value 0, 2: the value 1).
Cover InputCofactor(const Cover& cover, std::uint32_t input, unsigned part)
{
    const CubeShape& shape = cover.Shape();
    Cover result(shape);
    result.Reserve(cover.Size());
    std::vector<std::uint64_t> raised(shape.Words());
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        if ((InputPart(cover[i], input) & part) == 0) {
            continue;
        }
        std::copy(cover[i].begin(), cover[i].end(), raised.begin());
        SetInputPart(raised, input, 3);
        result.Add(raised);
    }
    return result;
}

// The cubes free in every input the mask marks (two bits per input).
Cover FreeIn(const Cover& cover, const std::vector<std::uint64_t>& mask)
{
    const CubeShape& shape = cover.Shape();
    std::vector<bool> keep(cover.Size());
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        bool free = true;
        for (std::uint32_t w = 0; w < shape.InputWords() && free; ++w) {
            free = (cover[i][w] & mask[w]) == mask[w];
        }
        keep[i] = free;
    }
    Cover result = cover;
    result.Keep(keep);
    return result;
}

// Tautology of a cover whose cubes all have every output set.
bool TautologyOfInputs(Cover cover)
{
    const CubeShape& shape = cover.Shape();
    for (;;) {
        if (cover.Empty()) {
            return false;
        }
        if (HasUniverse(cover)) {
            return true;
        }
        const std::vector<std::uint64_t> super = Supercube(cover);
        for (std::uint32_t w = 0; w < shape.InputWords(); ++w) {
            if (super[w] != shape.FullWord(w)) {
                return false;  // some value of an input lies in no cube
            }
        }
        const Counts counts = CountParts(cover);
        std::vector<std::uint64_t> unate(shape.InputWords(), 0);
        bool anyUnate = false;
        for (std::uint32_t v = 0; v < shape.NumInputs(); ++v) {
            if ((counts.zero[v] == 0) != (counts.one[v] == 0)) {
                unate[v / 32] |= std::uint64_t{3} << (2 * (v % 32));
                anyUnate = true;
            }
        }
        if (anyUnate) {
            cover = FreeIn(cover, unate);
            continue;
        }
        const Split split = ChooseSplit(counts);
        return TautologyOfInputs(InputCofactor(cover, split.input, 1)) &&
               TautologyOfInputs(InputCofactor(cover, split.input, 2));
    }
}

// The complement of a single cube, by De Morgan: one cube per literal.
Cover ComplementOfCube(const CubeShape& shape, CubeView cube)
{
    Cover result(shape);
    std::vector<std::uint64_t> universe = Universe(shape);
    for (std::uint32_t v = 0; v < shape.NumInputs(); ++v) {
        const unsigned part = InputPart(cube, v);
        if (part != 3) {
            std::vector<std::uint64_t> one = universe;
            SetInputPart(one, v, 3u & ~part);
            result.Add(one);
        }
    }
    bool outputsFull = true;
    for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
        outputsFull = outputsFull && cube[w] == shape.FullWord(w);
    }
    if (!outputsFull) {
        for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
            universe[w] = ~cube[w] & shape.FullWord(w);
        }
        result.Add(universe);
    }
    return result;
}

// Joins x'·low + x·high; a cube of one half contained in a cube of the other
// takes x free, where the halves are small enough to compare all pairs.
Cover MergeHalves(const Cover& low, const Cover& high, std::uint32_t input)
{
    const CubeShape& shape = low.Shape();
    const bool compare = low.Size() * high.Size() <= kMergePairs;
    Cover result(shape);
    result.Reserve(low.Size() + high.Size());
    std::vector<std::uint64_t> cube(shape.Words());
    std::vector<bool> highInLow(high.Size(), false);
    for (std::size_t i = 0; i < low.Size(); ++i) {
        bool inHigh = false;
        for (std::size_t j = 0; compare && j < high.Size() && !inHigh; ++j) {
            inHigh = Contains(high[j], low[i]);
            if (inHigh && Contains(low[i], high[j])) {
                highInLow[j] = true;  // equal: one cube free in x stands for both
            }
        }
        std::copy(low[i].begin(), low[i].end(), cube.begin());
        SetInputPart(cube, input, inHigh ? 3u : 1u);
        result.Add(cube);
    }
    for (std::size_t j = 0; j < high.Size(); ++j) {
        if (highInLow[j]) {
            continue;
        }
        bool inLow = false;
        for (std::size_t i = 0; compare && i < low.Size() && !inLow; ++i) {
            inLow = Contains(low[i], high[j]);
        }
        std::copy(high[j].begin(), high[j].end(), cube.begin());
        SetInputPart(cube, input, inLow ? 3u : 2u);
        result.Add(cube);
    }
    return result;
}

// The complement of a cover whose cubes all have every output set; once a
// partial complement has more than `budget` cubes, budget is set to 0 and the
// result is incomplete.
Cover ComplementOfInputs(const Cover& cover, std::size_t& budget)
{
    const CubeShape& shape = cover.Shape();
    if (budget == 0) {
        return Cover(shape);
    }
    if (cover.Empty()) {
        Cover universe(shape);
        universe.AddUniverse();
        return universe;
    }
    if (HasUniverse(cover)) {
        return Cover(shape);
    }
    if (cover.Size() == 1) {
        return ComplementOfCube(shape, cover[0]);
    }
    const Split split = ChooseSplit(CountParts(cover));
    const Cover low = ComplementOfInputs(InputCofactor(cover, split.input, 1), budget);
    const Cover high = ComplementOfInputs(InputCofactor(cover, split.input, 2), budget);
    if (budget == 0 || low.Size() + high.Size() > budget) {
        budget = 0;
        return Cover(shape);
    }
    return MergeHalves(low, high, split.input);
}

// The supercube of the complement of a cover whose cubes all have every
// output set; nullopt for a tautology.
std::optional<std::vector<std::uint64_t>> SupercubeOfInputs(const Cover& cover)
{
    const CubeShape& shape = cover.Shape();
    if (cover.Empty()) {
        return Universe(shape);
    }
    if (HasUniverse(cover)) {
        return std::nullopt;
    }
    if (cover.Size() == 1) {
        return Supercube(ComplementOfCube(shape, cover[0]));
    }
    const Split split = ChooseSplit(CountParts(cover));
    auto low = SupercubeOfInputs(InputCofactor(cover, split.input, 1));
    auto high = SupercubeOfInputs(InputCofactor(cover, split.input, 2));
    if (!low && !high) {
        return std::nullopt;
    }
    if (low) {
        SetInputPart(*low, split.input, 1);
    }
    if (high) {
        SetInputPart(*high, split.input, 2);
    }
    if (!low) {
        return high;
    }
    if (high) {
        for (std::size_t w = 0; w < low->size(); ++w) {
            (*low)[w] |= (*high)[w];
        }
    }
    return low;
}

// Adds the input parts of `part` serving `output`; an input part already
// there gains the output.
void AddForOutput(Cover& result, std::unordered_map<std::size_t, std::vector<std::size_t>>& index,
                  const Cover& part, std::uint32_t output)
{
    const CubeShape& shape = result.Shape();
    std::vector<std::uint64_t> cube(shape.Words());
    for (std::size_t i = 0; i < part.Size(); ++i) {
        std::size_t hash = 0;
        for (std::uint32_t w = 0; w < shape.InputWords(); ++w) {
            hash = hash * 0x9E3779B97F4A7C15ULL + part[i][w];
        }
        auto& bucket = index[hash];
        bool merged = false;
        for (const std::size_t k : bucket) {
            if (std::equal(part[i].begin(), part[i].begin() + shape.InputWords(),
                           result[k].begin())) {
                SetOutput(shape, result[k], output, true);
                merged = true;
                break;
            }
        }
        if (!merged) {
            std::fill(cube.begin(), cube.end(), 0);
            std::copy_n(part[i].begin(), shape.InputWords(), cube.begin());
            SetOutput(shape, cube, output, true);
            bucket.push_back(result.Size());
            result.Add(cube);
        }
    }
}

// The outputs grouped by the set of cubes that serve them: the outputs of a
// group have the same cofactor. O(size * outputs).
std::vector<std::vector<std::uint32_t>> OutputGroups(const Cover& cover)
{
    const CubeShape& shape = cover.Shape();
    std::vector<std::uint64_t> hash(shape.NumOutputs(), 0);
    std::vector<std::size_t> count(shape.NumOutputs(), 0);
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        const std::uint64_t key = (i + 1) * 0x9E3779B97F4A7C15ULL;
        for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
            std::uint64_t bits = cover[i][w];
            while (bits != 0) {
                const auto j = static_cast<std::uint32_t>((w - shape.InputWords()) * 64 +
                                                          std::countr_zero(bits));
                hash[j] = (hash[j] ^ key) * 0xBF58476D1CE4E5B9ULL;
                ++count[j];
                bits &= bits - 1;
            }
        }
    }
    std::vector<std::vector<std::uint32_t>> groups;
    std::unordered_map<std::uint64_t, std::vector<std::size_t>> byKey;
    for (std::uint32_t j = 0; j < shape.NumOutputs(); ++j) {
        auto& candidates = byKey[hash[j] ^ count[j]];
        bool placed = false;
        for (const std::size_t g : candidates) {
            const std::uint32_t first = groups[g].front();
            bool same = count[first] == count[j];
            for (std::size_t i = 0; i < cover.Size() && same; ++i) {
                same = HasOutput(shape, cover[i], first) == HasOutput(shape, cover[i], j);
            }
            if (same) {
                groups[g].push_back(j);
                placed = true;
                break;
            }
        }
        if (!placed) {
            candidates.push_back(groups.size());
            groups.push_back({j});
        }
    }
    return groups;
}

}  // namespace

bool Tautology(const Cover& cover)
{
    if (AllOutputsFull(cover)) {
        return TautologyOfInputs(cover);
    }
    for (const auto& group : OutputGroups(cover)) {
        if (!TautologyOfInputs(OutputCofactor(cover, group.front()))) {
            return false;
        }
    }
    return true;
}

bool CoversCube(const Cover& cover, CubeView c)
{
    return Tautology(Cofactor(cover, c));
}

Cover Complement(const Cover& cover)
{
    return *ComplementWithin(cover, SIZE_MAX);
}

std::optional<Cover> ComplementWithin(const Cover& cover, std::size_t maxCubes)
{
    std::size_t budget = maxCubes;
    if (AllOutputsFull(cover)) {
        Cover result = ComplementOfInputs(cover, budget);
        return budget == 0 ? std::nullopt : std::optional<Cover>(std::move(result));
    }
    Cover result(cover.Shape());
    std::unordered_map<std::size_t, std::vector<std::size_t>> index;
    for (const auto& group : OutputGroups(cover)) {
        const Cover part = ComplementOfInputs(OutputCofactor(cover, group.front()), budget);
        if (budget == 0) {
            return std::nullopt;
        }
        for (const std::uint32_t j : group) {
            AddForOutput(result, index, part, j);
        }
    }
    return result;
}

std::optional<std::vector<std::uint64_t>> SupercubeOfComplement(const Cover& cover)
{
    if (AllOutputsFull(cover)) {
        return SupercubeOfInputs(cover);
    }
    const CubeShape& shape = cover.Shape();
    std::optional<std::vector<std::uint64_t>> result;
    for (const auto& group : OutputGroups(cover)) {
        auto part = SupercubeOfInputs(OutputCofactor(cover, group.front()));
        if (!part) {
            continue;
        }
        for (std::uint32_t w = shape.InputWords(); w < shape.Words(); ++w) {
            (*part)[w] = 0;
        }
        for (const std::uint32_t j : group) {
            SetOutput(shape, *part, j, true);
        }
        if (!result) {
            result = std::move(part);
        } else {
            for (std::size_t w = 0; w < result->size(); ++w) {
                (*result)[w] |= (*part)[w];
            }
        }
    }
    return result;
}

}  // namespace qmsop
