// SPDX-License-Identifier: MIT
#include "tabulation/pos.h"

#include <algorithm>
#include <array>
#include <bit>

#include "base/check.h"

namespace qmsop {

namespace {

// The points that the numbers name, ascending and without repeats; a number
// at or above `limit` (a power of two) names the point of its lowest bits,
// as the tabulation groups and writes it.
std::vector<std::uint32_t> SortedBelow(const std::vector<std::uint32_t>& numbers,
                                       std::uint64_t limit)
{
    std::vector<std::uint32_t> sorted;
    sorted.reserve(numbers.size());
    for (const std::uint32_t v : numbers) {
        sorted.push_back(static_cast<std::uint32_t>(v & (limit - 1)));
    }
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    return sorted;
}

using Word = std::uint64_t;

// The points of `word`'s bits whose bit v (v < 6) is 0.
constexpr std::array<Word, 6> kLowHalf = {0x5555555555555555ULL, 0x3333333333333333ULL,
                                          0x0F0F0F0F0F0F0F0FULL, 0x00FF00FF00FF00FFULL,
                                          0x0000FFFF0000FFFFULL, 0x00000000FFFFFFFFULL};

// The cubes of `parent`'s free set plus variable bit v (every variable of the
// parent's set below v), as bits at their base points (bit v 0).
void AddFree(const std::vector<Word>& parent, std::uint32_t v, std::vector<Word>& child)
{
    if (v >= 6) {
        const std::size_t stride = std::size_t{1} << (v - 6);
        for (std::size_t w = 0; w < parent.size(); ++w) {
            child[w] = (w & stride) == 0 ? parent[w] & parent[w | stride] : 0;
        }
        return;
    }
    for (std::size_t w = 0; w < parent.size(); ++w) {
        child[w] = parent[w] & (parent[w] >> (1u << v)) & kLowHalf[v];
    }
}

// Counts the implicants below `level` whose new free variables are `from` or
// higher into `count`, up to `cap`.
void CountFrom(std::vector<std::vector<Word>>& levels, std::size_t level, std::uint32_t from,
               std::uint32_t numVars, std::uint64_t cap, std::uint64_t& count)
{
    for (std::uint32_t v = from; v < numVars && count < cap; ++v) {
        std::vector<Word>& child = levels[level + 1];
        AddFree(levels[level], v, child);
        std::uint64_t found = 0;
        for (const Word w : child) {
            found += static_cast<std::uint64_t>(std::popcount(w));
        }
        if (found != 0) {
            count += found;
            CountFrom(levels, level + 1, v + 1, numVars, cap, count);
        }
    }
}

}  // namespace

std::uint64_t ComplementImplicants(const BooleanFunction& func, std::uint64_t cap)
{
    QMSOP_ASSERT(func.numVars() <= kMaxPosVars);
    const std::uint32_t n = func.numVars();
    const std::uint64_t points = std::uint64_t{1} << n;
    const std::size_t words = static_cast<std::size_t>((points + 63) / 64);
    std::vector<std::vector<Word>> levels(n + 1, std::vector<Word>(words, 0));
    for (std::uint64_t p = 0; p < points; ++p) {
        levels[0][p / 64] |= Word{1} << (p % 64);
    }
    for (const std::uint32_t m : func.minterms) {
        if (m < points) {
            levels[0][m / 64] &= ~(Word{1} << (m % 64));
        }
    }
    std::uint64_t count = 0;
    for (const Word w : levels[0]) {
        count += static_cast<std::uint64_t>(std::popcount(w));
    }
    CountFrom(levels, 0, 0, n, cap, count);
    return std::min(count, cap);
}

std::optional<std::string> PosRefusal(const BooleanFunction& func)
{
    if (func.numVars() > kMaxPosVars) {
        return "--pos takes at most " + std::to_string(kMaxPosVars) +
               " variables, the function has " + std::to_string(func.numVars());
    }
    if (ComplementImplicants(func, kMaxPosImplicants + 1) > kMaxPosImplicants) {
        return "--pos takes a complement of at most " + std::to_string(kMaxPosImplicants) +
               " implicants, this one has more (too few minterms for its " +
               std::to_string(func.numVars()) + " variables)";
    }
    return std::nullopt;
}

BooleanFunction Complement(const BooleanFunction& func)
{
    QMSOP_ASSERT(func.numVars() <= kMaxPosVars);
    const std::uint64_t points = std::uint64_t{1} << func.numVars();
    const std::vector<std::uint32_t> ones = SortedBelow(func.minterms, points);
    const std::vector<std::uint32_t> free = SortedBelow(func.dontCares, points);

    BooleanFunction complement;
    complement.names = func.names;
    std::set_difference(free.begin(), free.end(), ones.begin(), ones.end(),
                        std::back_inserter(complement.dontCares));
    complement.minterms.reserve(points - ones.size() - complement.dontCares.size());
    auto one = ones.begin();
    auto dc = complement.dontCares.begin();
    for (std::uint64_t p = 0; p < points; ++p) {
        const auto value = static_cast<std::uint32_t>(p);
        if (one != ones.end() && *one == value) {
            ++one;
        } else if (dc != complement.dontCares.end() && *dc == value) {
            ++dc;
        } else {
            complement.minterms.push_back(value);
        }
    }
    return complement;
}

}  // namespace qmsop
