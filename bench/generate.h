// SPDX-License-Identifier: MIT
// Deterministic random Boolean functions for the benchmarks: dense ones (a
// fraction of all 2^n numbers) and sparse ones (a count of numbers out of up
// to 2^32), written as one qmsop input line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmsop::bench {

// A function to minimise: minterms and don't-cares ascending, distinct and
// disjoint, every number below 2^numVars.
struct GeneratedFunction {
    std::uint32_t numVars = 0;
    std::vector<std::uint32_t> minterms;
    std::vector<std::uint32_t> dontCares;
};

// splitmix64: a small, fully specified generator, so that a seed gives the
// same function on every compiler and standard library.
class SplitMix64 {
public:
    explicit SplitMix64(std::uint64_t seed) : state(seed) {}
    std::uint64_t Next();
    // Uniform in [0, bound) by rejection, without modulo bias; bound > 0.
    std::uint64_t Below(std::uint64_t bound);

private:
    std::uint64_t state;
};

// round(density * 2^numVars) minterms and round(dcDensity * 2^numVars)
// don't-cares, drawn without replacement (a partial Fisher–Yates shuffle of
// all 2^numVars numbers). Needs 1 <= numVars <= kMaxDenseVars and
// density + dcDensity <= 1; throws std::invalid_argument otherwise.
// Time and memory O(2^numVars).
GeneratedFunction GenerateDense(std::uint32_t numVars, double density, double dcDensity,
                                std::uint64_t seed);

// `count` minterms and `dcCount` don't-cares drawn without replacement from
// the 2^numVars numbers, 1 <= numVars <= 32. Throws std::invalid_argument when
// they do not fit. Time O((count + dcCount) log(count + dcCount)).
GeneratedFunction GenerateSparse(std::uint32_t numVars, std::uint64_t count, std::uint64_t dcCount,
                                 std::uint64_t seed);

inline constexpr std::uint32_t kMaxDenseVars = 26;

// Variable names: a, b, ... for up to 26 variables, else x0, x1, ...
std::vector<std::string> VariableNames(std::uint32_t numVars);

// The input line, newline included: "f(a,b,c) = m(1,3,5,7) + d(0)\n"; the
// don't-care part is left out when there are none.
std::string InputLine(const GeneratedFunction& function);

}  // namespace qmsop::bench
