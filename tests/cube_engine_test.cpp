// SPDX-License-Identifier: MIT
// The positional cube engine against brute force: every point of every
// output of random covers of up to 10 inputs.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "cube/cube.h"
#include "cube/pcube.h"
#include "cube/plarows.h"
#include "cube/urp.h"

namespace qmsop {
namespace {

using Words = std::vector<std::uint64_t>;

// True when the point (input i is bit i of x) of output j lies in the cube.
bool CubeHas(const CubeShape& shape, CubeView cube, std::uint32_t x, std::uint32_t j)
{
    for (std::uint32_t i = 0; i < shape.NumInputs(); ++i) {
        if ((InputPart(cube, i) & (1u << ((x >> i) & 1u))) == 0) {
            return false;
        }
    }
    return HasOutput(shape, cube, j);
}

bool CoverHas(const Cover& cover, std::uint32_t x, std::uint32_t j)
{
    for (std::size_t i = 0; i < cover.Size(); ++i) {
        if (CubeHas(cover.Shape(), cover[i], x, j)) {
            return true;
        }
    }
    return false;
}

// A random cube: each input free with probability `freeShare`, else 0 or 1.
Words RandomCube(const CubeShape& shape, std::mt19937& rng, double freeShare)
{
    Words cube(shape.Words(), 0);
    std::bernoulli_distribution free(freeShare);
    std::bernoulli_distribution coin(0.5);
    for (std::uint32_t i = 0; i < shape.NumInputs(); ++i) {
        SetInputPart(cube, i, free(rng) ? 3u : coin(rng) ? 2u : 1u);
    }
    std::uniform_int_distribution<std::uint32_t> pick(0, shape.NumOutputs() - 1);
    SetOutput(shape, cube, pick(rng), true);
    for (std::uint32_t j = 0; j < shape.NumOutputs(); ++j) {
        if (coin(rng)) {
            SetOutput(shape, cube, j, true);
        }
    }
    return cube;
}

Cover RandomCover(const CubeShape& shape, std::mt19937& rng, std::size_t cubes, double freeShare)
{
    Cover cover(shape);
    for (std::size_t k = 0; k < cubes; ++k) {
        cover.Add(RandomCube(shape, rng, freeShare));
    }
    return cover;
}

// Random shapes and covers: from a few cubes of many literals to many cubes
// of few, up to 10 inputs and 3 outputs.
class RandomCovers : public ::testing::Test {
protected:
    template <typename Check>
    void ForEach(int count, Check check)
    {
        std::mt19937 rng(20261211);
        for (int t = 0; t < count; ++t) {
            const auto n = std::uniform_int_distribution<std::uint32_t>(0, 10)(rng);
            const auto m = std::uniform_int_distribution<std::uint32_t>(1, 3)(rng);
            const auto cubes = std::uniform_int_distribution<std::size_t>(0, 24)(rng);
            const double freeShare = std::uniform_real_distribution<double>(0.2, 0.8)(rng);
            const CubeShape shape(n, m);
            const Cover cover = RandomCover(shape, rng, cubes, freeShare);
            SCOPED_TRACE("test " + std::to_string(t) + ": " + std::to_string(n) + " inputs, " +
                         std::to_string(m) + " outputs, " + std::to_string(cubes) + " cubes");
            check(cover, rng);
        }
    }
};

TEST_F(RandomCovers, ComplementHoldsExactlyThePointsOutside)
{
    ForEach(300, [](const Cover& cover, std::mt19937&) {
        const Cover complement = Complement(cover);
        const CubeShape& shape = cover.Shape();
        for (std::uint32_t x = 0; x < (1u << shape.NumInputs()); ++x) {
            for (std::uint32_t j = 0; j < shape.NumOutputs(); ++j) {
                ASSERT_NE(CoverHas(cover, x, j), CoverHas(complement, x, j)) << x << " " << j;
            }
        }
    });
}

TEST_F(RandomCovers, TautologyAgreesWithEveryPoint)
{
    int tautologies = 0;
    ForEach(600, [&](const Cover& cover, std::mt19937& rng) {
        const CubeShape& shape = cover.Shape();
        // Half the covers are completed with part of their complement, so that
        // about as many are tautologies as are not.
        Cover tested = cover;
        if (rng() % 2 == 0) {
            const Cover complement = Complement(cover);
            for (std::size_t i = 0; i < complement.Size(); ++i) {
                if (i != 0 || rng() % 2 == 0) {
                    tested.Add(complement[i]);
                }
            }
        }
        bool all = true;
        for (std::uint32_t x = 0; x < (1u << shape.NumInputs()) && all; ++x) {
            for (std::uint32_t j = 0; j < shape.NumOutputs() && all; ++j) {
                all = CoverHas(tested, x, j);
            }
        }
        tautologies += all ? 1 : 0;
        ASSERT_EQ(Tautology(tested), all);
    });
    EXPECT_GT(tautologies, 100);
    EXPECT_LT(tautologies, 500);
}

TEST_F(RandomCovers, SupercubeOfComplementIsTheSmallestAroundThePointsOutside)
{
    ForEach(300, [](const Cover& cover, std::mt19937&) {
        const CubeShape& shape = cover.Shape();
        Words expected(shape.Words(), 0);
        bool any = false;
        for (std::uint32_t x = 0; x < (1u << shape.NumInputs()); ++x) {
            for (std::uint32_t j = 0; j < shape.NumOutputs(); ++j) {
                if (!CoverHas(cover, x, j)) {
                    any = true;
                    for (std::uint32_t i = 0; i < shape.NumInputs(); ++i) {
                        expected[i / 32] |= std::uint64_t{1} << (2 * (i % 32) + ((x >> i) & 1u));
                    }
                    SetOutput(shape, expected, j, true);
                }
            }
        }
        const auto super = SupercubeOfComplement(cover);
        ASSERT_EQ(super.has_value(), any);
        if (any) {
            EXPECT_EQ(*super, expected);
        }
    });
}

TEST_F(RandomCovers, CofactorAgreesInsideTheCubeAndIsFreeOfItsLiterals)
{
    ForEach(300, [](const Cover& cover, std::mt19937& rng) {
        const CubeShape& shape = cover.Shape();
        const Words c = RandomCube(shape, rng, 0.6);
        const Cover cofactor = Cofactor(cover, c);
        for (std::uint32_t x = 0; x < (1u << shape.NumInputs()); ++x) {
            for (std::uint32_t j = 0; j < shape.NumOutputs(); ++j) {
                if (CubeHas(shape, c, x, j)) {
                    ASSERT_EQ(CoverHas(cofactor, x, j), CoverHas(cover, x, j)) << x << " " << j;
                }
            }
        }
        for (std::size_t k = 0; k < cofactor.Size(); ++k) {
            for (std::uint32_t i = 0; i < shape.NumInputs(); ++i) {
                if (InputPart(c, i) != 3) {
                    ASSERT_EQ(InputPart(cofactor[k], i), 3u);
                }
            }
        }
        // c lies in the cover exactly when the cofactor is a tautology.
        bool inside = true;
        for (std::uint32_t x = 0; x < (1u << shape.NumInputs()) && inside; ++x) {
            for (std::uint32_t j = 0; j < shape.NumOutputs() && inside; ++j) {
                inside = !CubeHas(shape, c, x, j) || CoverHas(cover, x, j);
            }
        }
        EXPECT_EQ(CoversCube(cover, c), inside);
    });
}

TEST_F(RandomCovers, PairOperationsAgreeWithThePoints)
{
    ForEach(400, [](const Cover& cover, std::mt19937& rng) {
        const CubeShape& shape = cover.Shape();
        const Words a = RandomCube(shape, rng, 0.5);
        const Words b = RandomCube(shape, rng, 0.5);
        bool bInA = true;
        bool meet = false;
        for (std::uint32_t x = 0; x < (1u << shape.NumInputs()); ++x) {
            for (std::uint32_t j = 0; j < shape.NumOutputs(); ++j) {
                const bool inA = CubeHas(shape, a, x, j);
                const bool inB = CubeHas(shape, b, x, j);
                bInA = bInA && (!inB || inA);
                meet = meet || (inA && inB);
            }
        }
        EXPECT_EQ(Contains(a, b), bInA);
        EXPECT_EQ(Intersects(shape, a, b), meet);
        EXPECT_EQ(Distance(shape, a, b) == 0, meet);
        Words consensus(shape.Words());
        const std::uint32_t distance = Distance(shape, a, b);
        ASSERT_EQ(Consensus(shape, a, b, consensus), distance <= 1);
        if (distance == 1) {
            // The consensus lies in a ∪ b, in neither alone, and meets both.
            bool inUnion = true;
            for (std::uint32_t x = 0; x < (1u << shape.NumInputs()); ++x) {
                for (std::uint32_t j = 0; j < shape.NumOutputs(); ++j) {
                    inUnion = inUnion && (!CubeHas(shape, consensus, x, j) ||
                                          CubeHas(shape, a, x, j) || CubeHas(shape, b, x, j));
                }
            }
            EXPECT_TRUE(inUnion);
            EXPECT_FALSE(IsEmptyCube(shape, consensus));
            EXPECT_FALSE(Contains(a, consensus));
            EXPECT_FALSE(Contains(b, consensus));
            EXPECT_TRUE(Intersects(shape, a, consensus));
            EXPECT_TRUE(Intersects(shape, b, consensus));
        }
    });
}

TEST_F(RandomCovers, RemoveContainedKeepsThePointsAndNoCubeInsideAnother)
{
    ForEach(200, [](const Cover& cover, std::mt19937&) {
        Cover reduced = cover;
        RemoveContained(reduced);
        const CubeShape& shape = cover.Shape();
        for (std::uint32_t x = 0; x < (1u << shape.NumInputs()); ++x) {
            for (std::uint32_t j = 0; j < shape.NumOutputs(); ++j) {
                ASSERT_EQ(CoverHas(reduced, x, j), CoverHas(cover, x, j));
            }
        }
        for (std::size_t a = 0; a < reduced.Size(); ++a) {
            for (std::size_t b = 0; b < reduced.Size(); ++b) {
                ASSERT_TRUE(a == b || !Contains(reduced[a], reduced[b]));
            }
        }
    });
}

// Three hundred inputs and seventy outputs: the parts past the first words.
TEST(CubeEngine, WideShapesKeepEveryInputAndOutput)
{
    const CubeShape shape(300, 70);
    Cover cover(shape);
    std::string pattern(300, '-');
    pattern[0] = '1';
    pattern[299] = '0';
    pattern[150] = '1';
    AddCube(cover, Cube(std::vector<Literal>(300, Literal::kFree)), {69});
    std::vector<Literal> literals(300, Literal::kFree);
    literals[0] = Literal::kOne;
    literals[150] = Literal::kOne;
    literals[299] = Literal::kZero;
    AddCube(cover, Cube(literals), {0, 64, 69});
    EXPECT_EQ(ToCube(shape, cover[1]).Pattern(), pattern);
    EXPECT_EQ(InputLiterals(shape, cover[1]), 3u);
    EXPECT_EQ(OutputCount(shape, cover[1]), 3u);
    EXPECT_FALSE(Tautology(cover));

    // Output 0 is one cube: its complement is one cube per literal.
    const Cover complement = Complement(cover);
    std::size_t forOutput0 = 0;
    for (std::size_t i = 0; i < complement.Size(); ++i) {
        forOutput0 += HasOutput(shape, complement[i], 0) ? 1 : 0;
        EXPECT_FALSE(HasOutput(shape, complement[i], 69));
    }
    EXPECT_EQ(forOutput0, 3u);

    Cover whole = cover;
    whole.Append(complement);
    EXPECT_TRUE(Tautology(whole));
    EXPECT_TRUE(CoversCube(cover, cover[1]));
    const auto super = SupercubeOfComplement(cover);
    ASSERT_TRUE(super.has_value());
    EXPECT_FALSE(HasOutput(shape, *super, 69));
    EXPECT_TRUE(HasOutput(shape, *super, 64));
    EXPECT_EQ(InputLiterals(shape, *super), 0u);
}

// The PLA rows of each type: which set each output character joins.
TEST(PlaRows, EachTypeTakesItsSets)
{
    struct Case {
        PlaType type;
        std::size_t on;
        std::size_t dc;
        std::size_t off;
    };
    // Rows: "10 1-0~", "0- ~~~1".
    const Case cases[] = {
        {PlaType::kF, 2, 0, 0},
        {PlaType::kFd, 2, 1, 0},
        {PlaType::kFr, 2, 0, 1},
        {PlaType::kFdr, 2, 1, 1},
    };
    for (const Case& c : cases) {
        PlaRows rows(2, 4, c.type);
        ASSERT_FALSE(rows.Add("10", "1-0~").has_value());
        ASSERT_FALSE(rows.Add("0-", "~~~1").has_value());
        const PlaCovers covers = rows.Finish();
        EXPECT_EQ(covers.on.Size(), c.on);
        EXPECT_EQ(covers.off.Size(), c.off);
        if (c.type == PlaType::kFd || c.type == PlaType::kF) {
            EXPECT_EQ(covers.dc.Size(), c.dc);
        }
        const CubeShape& shape = covers.on.Shape();
        EXPECT_EQ(ToCube(shape, covers.on[0]).Pattern(), "10");
        EXPECT_TRUE(HasOutput(shape, covers.on[0], 0));
        EXPECT_FALSE(HasOutput(shape, covers.on[0], 1));
        if (c.type == PlaType::kFr || c.type == PlaType::kFdr) {
            // Every point outside ON, DC and OFF is a don't-care: point x=00 of
            // output 2 is none of them, point 10 of output 2 is OFF.
            EXPECT_TRUE(CoverHas(covers.dc, 0b00, 2));
            EXPECT_FALSE(CoverHas(covers.dc, 0b01, 2));
            EXPECT_EQ(CoverHas(covers.dc, 0b01, 1), true);
        }
    }
}

TEST(PlaRows, RefusesCharactersAndLengthsAtTheirOffset)
{
    struct Case {
        const char* inputs;
        const char* outputs;
        std::size_t offset;
    };
    const Case cases[] = {
        {"1x0", "10", 1}, {"10", "10", 2},  {"1000", "10", 3},
        {"100", "1", 4},  {"100", "1a", 4}, {"100", "101", 5},
    };
    for (const Case& c : cases) {
        PlaRows rows(3, 2, PlaType::kFd);
        const auto bad = rows.Add(c.inputs, c.outputs);
        ASSERT_TRUE(bad.has_value()) << c.inputs << " " << c.outputs;
        EXPECT_EQ(*bad, c.offset) << c.inputs << " " << c.outputs;
    }
    PlaRows rows(3, 2, PlaType::kFd);
    EXPECT_FALSE(rows.Add("2-0", "4~").has_value());
}

}  // namespace
}  // namespace qmsop
