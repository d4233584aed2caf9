// SPDX-License-Identifier: MIT
#include "tabulation/pos.h"

#include <algorithm>

#include "base/check.h"

namespace qmsop {

namespace {

// The numbers below `limit`, ascending and without repeats.
std::vector<std::uint32_t> SortedBelow(const std::vector<std::uint32_t>& numbers,
                                       std::uint64_t limit)
{
    std::vector<std::uint32_t> sorted;
    sorted.reserve(numbers.size());
    for (const std::uint32_t v : numbers) {
        if (v < limit) {
            sorted.push_back(v);
        }
    }
    std::sort(sorted.begin(), sorted.end());
    sorted.erase(std::unique(sorted.begin(), sorted.end()), sorted.end());
    return sorted;
}

}  // namespace

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
