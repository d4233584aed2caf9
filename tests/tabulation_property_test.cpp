// SPDX-License-Identifier: MIT
// The tabulation against a brute-force search: for random functions, the
// prime implicants found must be exactly the maximal cubes inside the set of
// minterms and don't-cares, each written as a product term and numbered in
// order.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <random>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "tabulation/quine.h"

namespace {

using Numbers = std::vector<std::uint32_t>;
// A cube: the fixed bits (zero where the mask is set) and the mask of the
// free variables.
using Cube = std::pair<std::uint32_t, std::uint32_t>;

struct RandomFunction {
    std::uint32_t numVars = 0;
    Numbers minterms;
    Numbers dontCares;
};

std::string Describe(const RandomFunction& f)
{
    std::string text = std::to_string(f.numVars) + " variables, m(";
    for (std::size_t i = 0; i < f.minterms.size(); ++i) {
        text += i == 0 ? "" : ",";
        text += std::to_string(f.minterms[i]);
    }
    text += ") + d(";
    for (std::size_t i = 0; i < f.dontCares.size(); ++i) {
        text += i == 0 ? "" : ",";
        text += std::to_string(f.dontCares[i]);
    }
    text += ")";
    return text;
}

// Every point goes to the minterms, the don't-cares or neither; both lists
// come out in random order. At least one minterm.
RandomFunction MakeFunction(std::uint32_t numVars, std::mt19937& random)
{
    static constexpr double kOn[] = {0.05, 0.3, 0.5, 0.7, 0.9, 1.0};
    static constexpr double kDontCare[] = {0.0, 0.1, 0.3};
    const double pOn = kOn[random() % std::size(kOn)];
    const double pDontCare = kDontCare[random() % std::size(kDontCare)];
    std::uniform_real_distribution<double> uniform(0.0, 1.0);

    RandomFunction f;
    f.numVars = numVars;
    const std::uint32_t size = std::uint32_t{1} << numVars;
    for (std::uint32_t point = 0; point < size; ++point) {
        const double u = uniform(random);
        if (u < pOn) {
            f.minterms.push_back(point);
        } else if (u < pOn + pDontCare) {
            f.dontCares.push_back(point);
        }
    }
    if (f.minterms.empty()) {
        const std::uint32_t point = random() % size;
        std::erase(f.dontCares, point);
        f.minterms.push_back(point);
    }
    std::shuffle(f.minterms.begin(), f.minterms.end(), random);
    std::shuffle(f.dontCares.begin(), f.dontCares.end(), random);
    return f;
}

// The prime implicants of `set` (one flag per point) by exhaustion over all
// 3^n cubes. A cube is an implicant when both halves along its lowest free
// variable are; it is prime when no cube with one more free variable is an
// implicant.
std::set<Cube> BruteForcePrimes(std::uint32_t numVars, const std::vector<bool>& set)
{
    const std::uint32_t size = std::uint32_t{1} << numVars;
    const std::uint32_t all = size - 1;
    std::vector<bool> implicant(std::size_t{size} * size);
    const auto at = [size](std::uint32_t value, std::uint32_t mask) {
        return std::size_t{mask} * size + value;
    };
    // Every cube (value, mask) with value a submask of the complement of mask.
    const auto forEachCube = [all](auto&& visit) {
        for (std::uint32_t mask = 0; mask <= all; ++mask) {
            const std::uint32_t fixed = all & ~mask;
            for (std::uint32_t value = fixed;; value = (value - 1) & fixed) {
                visit(value, mask);
                if (value == 0) {
                    break;
                }
            }
        }
    };
    forEachCube([&](std::uint32_t value, std::uint32_t mask) {
        if (mask == 0) {
            implicant[at(value, mask)] = set[value];
        } else {
            const std::uint32_t low = mask & (~mask + 1);
            implicant[at(value, mask)] =
                implicant[at(value, mask ^ low)] && implicant[at(value | low, mask ^ low)];
        }
    });
    std::set<Cube> primes;
    forEachCube([&](std::uint32_t value, std::uint32_t mask) {
        if (!implicant[at(value, mask)]) {
            return;
        }
        for (std::uint32_t bit = 1; bit <= all; bit <<= 1) {
            if ((mask & bit) == 0 && implicant[at(value & ~bit, mask | bit)]) {
                return;
            }
        }
        primes.insert({value, mask});
    });
    return primes;
}

// The points of a cube, ascending.
Numbers PointsOf(const Cube& cube)
{
    Numbers points;
    for (std::uint32_t sub = cube.second;; sub = (sub - 1) & cube.second) {
        points.push_back(cube.first | sub);
        if (sub == 0) {
            break;
        }
    }
    std::sort(points.begin(), points.end());
    return points;
}

void CheckTabulation(const RandomFunction& f)
{
    SCOPED_TRACE(Describe(f));
    qmsop::Quine quine;
    for (std::uint32_t v = 0; v < f.numVars; ++v) {
        quine.func.names.push_back(std::string(1, static_cast<char>('a' + v)));
    }
    quine.func.minterms = f.minterms;
    quine.func.dontCares = f.dontCares;

    ASSERT_TRUE(quine.FindPrimeImplicants());
    ASSERT_TRUE(quine.primeImplicants().has_value());
    const auto& primes = *quine.primeImplicants();
    ASSERT_EQ(primes.size(), quine.numPIs());

    const std::uint32_t size = std::uint32_t{1} << f.numVars;
    std::set<Cube> found;
    for (std::uint32_t i = 0; i < primes.size(); ++i) {
        const qmsop::Implicant& pi = *primes[i];
        SCOPED_TRACE("prime implicant " + std::to_string(i + 1));
        EXPECT_EQ(pi.piNumber, i + 1);
        EXPECT_FALSE(pi.used);

        // The differences: distinct in-range weights, ascending, one per
        // eliminated variable; none at all for a single minterm.
        Numbers diffs;
        if (pi.numMinterms() == 1) {
            EXPECT_FALSE(pi.Diffs().has_value());
        } else {
            ASSERT_TRUE(pi.Diffs().has_value());
            diffs.assign(pi.Diffs()->begin(), pi.Diffs()->end());
        }
        std::uint32_t mask = 0;
        for (std::size_t j = 0; j < diffs.size(); ++j) {
            EXPECT_TRUE(std::has_single_bit(diffs[j]) && diffs[j] < size) << diffs[j];
            if (j > 0) {
                EXPECT_LT(diffs[j - 1], diffs[j]);
            }
            mask |= diffs[j];
        }
        const Cube cube{pi.Minterm(0), mask};
        EXPECT_EQ(cube.first & mask, 0u);
        EXPECT_LT(cube.first, size);
        EXPECT_EQ(Numbers(pi.Minterms().begin(), pi.Minterms().end()), PointsOf(cube));
        EXPECT_TRUE(found.insert(cube).second) << "found twice";
        if (::testing::Test::HasFailure()) {
            return;
        }
    }

    std::vector<bool> set(size);
    for (const std::uint32_t m : f.minterms) {
        set[m] = true;
    }
    for (const std::uint32_t d : f.dontCares) {
        set[d] = true;
    }
    EXPECT_EQ(found, BruteForcePrimes(f.numVars, set));
}

TEST(TabulationPropertyTest, PrimeImplicantsOfOneToEightVariablesMatchBruteForce)
{
    std::mt19937 random(20240601);
    for (int round = 0; round < 400 && !HasFailure(); ++round) {
        const std::uint32_t numVars = 1 + static_cast<std::uint32_t>(round % 8);
        CheckTabulation(MakeFunction(numVars, random));
    }
}

TEST(TabulationPropertyTest, PrimeImplicantsOfNineToTwelveVariablesMatchBruteForce)
{
    std::mt19937 random(977);
    for (const std::uint32_t numVars : {9u, 10u, 11u, 12u, 12u}) {
        if (HasFailure()) {
            break;
        }
        CheckTabulation(MakeFunction(numVars, random));
    }
}

// The brute force itself, on a function whose prime implicants are known:
// m(0,1,2,5,6,7,8,9,10,14) of four variables.
TEST(TabulationPropertyTest, BruteForceFindsTheKnownPrimeImplicants)
{
    std::vector<bool> set(16);
    for (const std::uint32_t m : {0u, 1u, 2u, 5u, 6u, 7u, 8u, 9u, 10u, 14u}) {
        set[m] = true;
    }
    const std::set<Cube> expected{{1, 4}, {5, 2}, {6, 1}, {0, 10}, {0, 9}, {2, 12}};
    EXPECT_EQ(BruteForcePrimes(4, set), expected);
    EXPECT_EQ(PointsOf({2, 12}), (Numbers{2, 6, 10, 14}));
}

}  // namespace
