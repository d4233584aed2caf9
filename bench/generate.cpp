// SPDX-License-Identifier: MIT
#include "generate.h"

#include <algorithm>
#include <cmath>
#include <numeric>
#include <stdexcept>
#include <unordered_set>
#include <utility>

namespace qmsop::bench {

std::uint64_t SplitMix64::Next()
{
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::uint64_t SplitMix64::Below(std::uint64_t bound)
{
    // Largest multiple of bound that fits, so every residue is equally likely.
    const std::uint64_t limit = ~std::uint64_t{0} - (~std::uint64_t{0} % bound);
    for (;;) {
        const std::uint64_t x = Next();
        if (x < limit) {
            return x % bound;
        }
    }
}

namespace {

std::uint64_t CountOf(double fraction, std::uint64_t space)
{
    if (!(fraction >= 0.0 && fraction <= 1.0)) {
        throw std::invalid_argument("a density must lie between 0 and 1");
    }
    return static_cast<std::uint64_t>(std::llround(fraction * static_cast<double>(space)));
}

}  // namespace

GeneratedFunction GenerateDense(std::uint32_t numVars, double density, double dcDensity,
                                std::uint64_t seed)
{
    if (numVars < 1 || numVars > kMaxDenseVars) {
        throw std::invalid_argument("dense functions take 1 to " + std::to_string(kMaxDenseVars) +
                                    " variables");
    }
    const std::uint64_t space = std::uint64_t{1} << numVars;
    const std::uint64_t numMinterms = CountOf(density, space);
    const std::uint64_t numDontCares = CountOf(dcDensity, space);
    if (numMinterms + numDontCares > space) {
        throw std::invalid_argument("minterms and don't-cares together exceed 2^vars");
    }
    std::vector<std::uint32_t> all(space);
    std::iota(all.begin(), all.end(), 0u);
    SplitMix64 random(seed);
    const std::uint64_t drawn = numMinterms + numDontCares;
    for (std::uint64_t i = 0; i < drawn; ++i) {
        std::swap(all[i], all[i + random.Below(space - i)]);
    }
    GeneratedFunction function;
    function.numVars = numVars;
    function.minterms.assign(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(numMinterms));
    function.dontCares.assign(all.begin() + static_cast<std::ptrdiff_t>(numMinterms),
                              all.begin() + static_cast<std::ptrdiff_t>(drawn));
    std::sort(function.minterms.begin(), function.minterms.end());
    std::sort(function.dontCares.begin(), function.dontCares.end());
    return function;
}

GeneratedFunction GenerateSparse(std::uint32_t numVars, std::uint64_t count, std::uint64_t dcCount,
                                 std::uint64_t seed)
{
    if (numVars < 1 || numVars > 32) {
        throw std::invalid_argument("sparse functions take 1 to 32 variables");
    }
    const std::uint64_t space = std::uint64_t{1} << numVars;
    if (count > space || dcCount > space - count) {
        throw std::invalid_argument("minterms and don't-cares together exceed 2^vars");
    }
    // Rejection slows down as the space fills up, so a request for more than
    // half of it is served by the shuffle instead (the counts are exact: the
    // space is small enough for a double to hold count / space exactly).
    if ((count + dcCount) * 2 > space) {
        return GenerateDense(numVars, static_cast<double>(count) / static_cast<double>(space),
                             static_cast<double>(dcCount) / static_cast<double>(space), seed);
    }
    SplitMix64 random(seed);
    std::unordered_set<std::uint32_t> taken;
    taken.reserve(count + dcCount);
    const auto draw = [&](std::uint64_t n) {
        std::vector<std::uint32_t> values;
        values.reserve(n);
        while (values.size() < n) {
            const auto value = static_cast<std::uint32_t>(random.Below(space));
            if (taken.insert(value).second) {
                values.push_back(value);
            }
        }
        std::sort(values.begin(), values.end());
        return values;
    };
    GeneratedFunction function;
    function.numVars = numVars;
    function.minterms = draw(count);
    function.dontCares = draw(dcCount);
    return function;
}

std::vector<std::string> VariableNames(std::uint32_t numVars)
{
    std::vector<std::string> names;
    names.reserve(numVars);
    for (std::uint32_t v = 0; v < numVars; ++v) {
        std::string name(1, numVars <= 26 ? static_cast<char>('a' + v) : 'x');
        if (numVars > 26) {
            name += std::to_string(v);
        }
        names.push_back(std::move(name));
    }
    return names;
}

namespace {

void AppendList(std::string& line, const std::vector<std::uint32_t>& values)
{
    for (std::size_t i = 0; i < values.size(); ++i) {
        if (i != 0) {
            line += ',';
        }
        line += std::to_string(values[i]);
    }
}

}  // namespace

std::string InputLine(const GeneratedFunction& function)
{
    std::string line = "f(";
    const std::vector<std::string> names = VariableNames(function.numVars);
    for (std::size_t v = 0; v < names.size(); ++v) {
        if (v != 0) {
            line += ',';
        }
        line += names[v];
    }
    line += ") = m(";
    AppendList(line, function.minterms);
    line += ')';
    if (!function.dontCares.empty()) {
        line += " + d(";
        AppendList(line, function.dontCares);
        line += ')';
    }
    line += '\n';
    return line;
}

}  // namespace qmsop::bench
