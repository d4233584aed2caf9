// SPDX-License-Identifier: MIT
// Multi-output minimisation with shared products, checked point by point:
// for every output, ON ⊆ result ⊆ ON ∪ DC.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "cube/minimize.h"
#include "cube/pcube.h"
#include "cube/plarows.h"

namespace qmsop {
namespace {

bool CoverHas(const Cover& cover, std::uint32_t x, std::uint32_t j)
{
    const CubeShape& shape = cover.Shape();
    for (std::size_t k = 0; k < cover.Size(); ++k) {
        bool in = HasOutput(shape, cover[k], j);
        for (std::uint32_t i = 0; i < shape.NumInputs() && in; ++i) {
            in = (InputPart(cover[k], i) & (1u << ((x >> i) & 1u))) != 0;
        }
        if (in) {
            return true;
        }
    }
    return false;
}

// Random PLA rows: each row's inputs from "01-", each output from "1-~~".
PlaCovers RandomPla(std::uint32_t n, std::uint32_t m, std::size_t rows, PlaType type,
                    std::mt19937& rng)
{
    PlaRows pla(n, m, type);
    const std::string inputChars = "01--";
    const std::string outputChars = type == PlaType::kFr ? "10~~" : "1-~~~";
    for (std::size_t r = 0; r < rows; ++r) {
        std::string in;
        std::string out;
        for (std::uint32_t i = 0; i < n; ++i) {
            in += inputChars[rng() % inputChars.size()];
        }
        for (std::uint32_t j = 0; j < m; ++j) {
            out += outputChars[rng() % outputChars.size()];
        }
        EXPECT_FALSE(pla.Add(in, out).has_value());
    }
    return pla.Finish();
}

void ExpectWithinCareSet(const Cover& result, const PlaCovers& pla)
{
    const CubeShape& shape = result.Shape();
    for (std::uint32_t x = 0; x < (1u << shape.NumInputs()); ++x) {
        for (std::uint32_t j = 0; j < shape.NumOutputs(); ++j) {
            const bool on = CoverHas(pla.on, x, j);
            const bool dc = CoverHas(pla.dc, x, j);
            const bool got = CoverHas(result, x, j);
            ASSERT_TRUE(!on || dc || got) << "ON point " << x << " of output " << j << " lost";
            ASSERT_TRUE(!got || on || dc) << "OFF point " << x << " of output " << j << " taken";
        }
    }
}

TEST(MultiOutput, RandomPlasStayWithinTheirCareSetsPointByPoint)
{
    std::mt19937 rng(18);
    const PlaType types[] = {PlaType::kF, PlaType::kFd, PlaType::kFr};
    for (int t = 0; t < 150; ++t) {
        const auto n = std::uniform_int_distribution<std::uint32_t>(1, 8)(rng);
        const auto m = std::uniform_int_distribution<std::uint32_t>(1, 5)(rng);
        const auto rows = std::uniform_int_distribution<std::size_t>(1, 40)(rng);
        const PlaType type = types[t % 3];
        SCOPED_TRACE("test " + std::to_string(t) + ": " + std::to_string(n) + " inputs, " +
                     std::to_string(m) + " outputs, " + std::to_string(rows) + " rows");
        const PlaCovers pla = RandomPla(n, m, rows, type, rng);
        MinimizeParams params;
        params.essentials = t % 2 == 0;
        MinimizeStats stats;
        const auto result = Minimize(pla.on, pla.dc, params, &stats);
        ASSERT_TRUE(result.has_value());
        EXPECT_TRUE(stats.verified);
        EXPECT_EQ(stats.products, result->Size());
        ExpectWithinCareSet(*result, pla);
        if (type != PlaType::kFr) {
            // Each ON row is expanded into a prime; none is split.
            EXPECT_LE(result->Size(), pla.on.Size());
        }
    }
}

// One product serves both outputs: f = ab, g = ab + c.
TEST(MultiOutput, SharesAProductBetweenOutputs)
{
    PlaRows pla(3, 2, PlaType::kF);
    ASSERT_FALSE(pla.Add("11-", "11").has_value());
    ASSERT_FALSE(pla.Add("--1", "01").has_value());
    ASSERT_FALSE(pla.Add("111", "01").has_value());
    const PlaCovers covers = pla.Finish();
    const auto result = Minimize(covers.on, covers.dc);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->Size(), 2u);
    ExpectWithinCareSet(*result, covers);
}

// Parity of 6 inputs from its minterms: 32 products, none mergeable.
TEST(MultiOutput, ParityKeepsEveryMinterm)
{
    PlaRows pla(6, 1, PlaType::kF);
    for (std::uint32_t x = 0; x < 64; ++x) {
        if (std::popcount(x) % 2 == 1) {
            std::string in;
            for (std::uint32_t i = 0; i < 6; ++i) {
                in += ((x >> i) & 1u) != 0 ? '1' : '0';
            }
            ASSERT_FALSE(pla.Add(in, "1").has_value());
        }
    }
    const PlaCovers covers = pla.Finish();
    MinimizeStats stats;
    const auto result = Minimize(covers.on, covers.dc, {}, &stats);
    ASSERT_TRUE(result.has_value());
    EXPECT_EQ(result->Size(), 32u);
    EXPECT_EQ(stats.literals, 32u * 6u);
}

// The final check refuses a cover that loses an ON point or takes an OFF one.
TEST(MultiOutput, CoverCheckRefusesWrongCovers)
{
    PlaRows pla(3, 2, PlaType::kFd);
    ASSERT_FALSE(pla.Add("1--", "1~").has_value());
    ASSERT_FALSE(pla.Add("-11", "~1").has_value());
    ASSERT_FALSE(pla.Add("000", "-~").has_value());
    const PlaCovers covers = pla.Finish();
    const auto result = Minimize(covers.on, covers.dc);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(IsCoverWithin(*result, covers.on, covers.dc));

    Cover lost(result->Shape());
    for (std::size_t i = 1; i < result->Size(); ++i) {
        lost.Add((*result)[i]);
    }
    EXPECT_FALSE(IsCoverWithin(lost, covers.on, covers.dc));

    Cover taken = *result;
    PlaRows extra(3, 2, PlaType::kF);
    ASSERT_FALSE(extra.Add("01-", "11").has_value());
    taken.Append(extra.Finish().on);
    EXPECT_FALSE(IsCoverWithin(taken, covers.on, covers.dc));
}

// 256 inputs, the literals on ten of them spread over every word: the cubes
// are never expanded to points.
TEST(MultiOutput, WidePlaIsMinimisedAsCubes)
{
    const std::uint32_t n = 256;
    std::mt19937 rng(256);
    PlaRows pla(n, 3, PlaType::kFd);
    for (int r = 0; r < 30; ++r) {
        std::string in(n, '-');
        const std::uint32_t used[] = {0, 31, 32, 63, 64, 100, 127, 128, 200, 255};
        for (int k = 0; k < 4; ++k) {
            in[used[rng() % 10]] = rng() % 2 == 0 ? '0' : '1';
        }
        std::string out;
        for (int j = 0; j < 3; ++j) {
            out += "1-~"[rng() % 3];
        }
        ASSERT_FALSE(pla.Add(in, out).has_value());
        // Each row again with one more literal: covered by the first.
        std::size_t extra = rng() % 10;
        while (in[used[extra]] != '-') {
            extra = (extra + 1) % 10;
        }
        in[used[extra]] = '1';
        ASSERT_FALSE(pla.Add(in, out).has_value());
    }
    const PlaCovers covers = pla.Finish();
    MinimizeStats stats;
    const auto result = Minimize(covers.on, covers.dc, {}, &stats);
    ASSERT_TRUE(result.has_value());
    EXPECT_TRUE(stats.verified);
    EXPECT_LE(result->Size(), 30u);
}

}  // namespace
}  // namespace qmsop
