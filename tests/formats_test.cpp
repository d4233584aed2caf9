// SPDX-License-Identifier: MIT
// The output formats' units: the PLA reader (a table of files it accepts and
// of files it refuses), round trips through the PLA writer and reader, the
// product of sums on every point, the JSON trace checked against the
// tabulation's own rules, and the Verilog names.
#include <gtest/gtest.h>
#include <rapidjson/document.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "io/pla.h"
#include "io/verilog.h"
#include "run/run.h"
#include "tabulation/mccluskey.h"
#include "tabulation/pos.h"
#include "tabulation/quine.h"

namespace {

using Numbers = std::vector<std::uint32_t>;

struct RunOutput {
    std::string out;
    std::string messages;
    qmsop::RunStatus status;
};

RunOutput RunWith(const std::string& input, qmsop::RunOptions options)
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream messages;
    options.messages = &messages;
    const qmsop::RunStatus status = qmsop::Run(in, out, options);
    return {out.str(), messages.str(), status};
}

qmsop::RunOptions PlaInput(qmsop::OutputFormat format = qmsop::OutputFormat::kText)
{
    qmsop::RunOptions options;
    options.input = qmsop::InputFormat::kPla;
    options.inputName = "bad.pla";
    options.format = format;
    return options;
}

std::string FunctionLine(const qmsop::BooleanFunction& f)
{
    std::ostringstream line;
    line << f << '\n';
    return line.str();
}

// A random function of n variables: distinct minterms and don't-cares below
// 2^n, each point taken with the given chances.
qmsop::BooleanFunction RandomFunction(std::mt19937& random, std::uint32_t n)
{
    qmsop::BooleanFunction f;
    for (std::uint32_t v = 0; v < n; ++v) {
        f.names.push_back(std::string(1, static_cast<char>('a' + v)));
    }
    std::uniform_int_distribution<int> pick(0, 9);
    const int onChance = pick(random);
    for (std::uint32_t p = 0; p < (1u << n); ++p) {
        const int draw = pick(random);
        if (draw < onChance) {
            f.minterms.push_back(p);
        } else if (draw == 9) {
            f.dontCares.push_back(p);
        }
    }
    std::shuffle(f.minterms.begin(), f.minterms.end(), random);
    return f;
}

// ------------------------------------------------------------- PLA reading

struct AcceptedPla {
    const char* what;
    const char* text;
    std::vector<std::string> names;  // output names
    std::vector<Numbers> minterms;   // per output
    std::vector<Numbers> dontCares;
};

TEST(PlaReader, ExpandsEachTypeAsEspressoReadsIt)
{
    const AcceptedPla cases[] = {
        {"type f: '0', '-' and '~' mean nothing",
         ".i 2\n.o 1\n.type f\n1- 1\n00 0\n01 -\n.e\n",
         {"f"},
         {{2, 3}},
         {{}}},
        {"fd (the default): a don't-care wins over 1",
         ".i 2\n.o 1\n1- 1\n11 -\n0- ~\n",
         {"f"},
         {{2}},
         {{3}}},
        {"fr: points in neither set are don't-cares",
         ".i 2\n.o 1\n.type fr\n00 1\n11 0\n",
         {"f"},
         {{0}},
         {{1, 2}}},
        {"fdr: all three sets, '2' as '-'",
         ".i 2\n.o 1\n.type fdr\n00 1\n01 2\n1- 0\n.e\n",
         {"f"},
         {{0}},
         {{1}}},
        {"r: points off the off-set are 1",
         ".i 2\n.o 1\n.type r\n0- 0\n11 1\n",
         {"f"},
         {{2, 3}},
         {{}}},
        {"dr: the off-set and the don't-cares given",
         ".i 2\n.o 1\n.type dr\n00 0\n01 -\n",
         {"f"},
         {{2, 3}},
         {{1}}},
        {"several outputs, names, '2' inputs, '|', comments, blank lines, CRLF",
         "# adder bit\r\n.i 2\r\n.o 2\r\n.ilb a b\r\n.ob s c\r\n\r\n01|10\r\n10 | 10\r\n"
         "11 01\r\n.e\r\n",
         {"s", "c"},
         {{1, 2}, {3}},
         {{}, {}}},
        {"nothing after .e is read", ".i 1\n.o 1\n1 1\n.e\n0 1\nanything\n", {"f"}, {{1}}, {{}}},
        {"outputs without .ob are f0, f1; '2' in the input part",
         ".i 2\n.o 2\n2 1 11\n",
         {"f0", "f1"},
         {{1, 3}, {1, 3}},
         {{}, {}}},
        {"no cubes: the constant 0", ".i 3\n.o 1\n.p 0\n.e\n", {"f"}, {{}}, {{}}},
        {"more than 32 inputs: the first ones are 0",
         ".i 34\n.o 1\n000000000000000000000000000000000- 1\n",
         {"f"},
         {{0, 1}},
         {{}}},
    };
    for (const AcceptedPla& c : cases) {
        SCOPED_TRACE(c.what);
        std::istringstream in(c.text);
        qmsop::PlaFile pla;
        const qmsop::ReadResult read = qmsop::ReadPla(in, pla);
        ASSERT_TRUE(read.accepted) << qmsop::DescribeRefusal(read);
        ASSERT_EQ(pla.outputs.size(), c.names.size());
        for (std::size_t o = 0; o < c.names.size(); ++o) {
            const qmsop::BooleanFunction f = qmsop::FunctionOf(pla, o);
            EXPECT_EQ(pla.outputs[o].name, c.names[o]);
            EXPECT_EQ(f.minterms, c.minterms[o]);
            EXPECT_EQ(f.dontCares, c.dontCares[o]);
            EXPECT_EQ(f.names, pla.inputs);
        }
    }
}

TEST(PlaReader, InputNamesDefaultToX0X1AndWarnsOfAWrongCount)
{
    std::istringstream in(".i 3\n.o 1\n.p 3\n1-- 1\n.e\n");
    qmsop::PlaFile pla;
    const qmsop::ReadResult read = qmsop::ReadPla(in, pla);
    ASSERT_TRUE(read.accepted);
    EXPECT_EQ(pla.inputs, (std::vector<std::string>{"x0", "x1", "x2"}));
    ASSERT_EQ(read.warnings.size(), 1u);
    EXPECT_EQ(read.warnings[0].line, 3u);
    EXPECT_EQ(read.warnings[0].column, 1u);
    EXPECT_EQ(read.warnings[0].message, ".p gives 3 cubes, the file has 1");
}

struct RefusedPla {
    const char* what;
    std::string text;
    const char* message;
};

std::string Dashes(std::size_t count)
{
    return std::string(count, '-');
}

// 257 cubes of 13 free inputs, each in 8 outputs: the last goes past 2^24
// points while no output's estimate does.
std::string PointsPastTheLimit()
{
    std::string text = ".i 21\n.o 8\n";
    for (std::uint32_t c = 0; c < 257; ++c) {
        for (int b = 7; b >= 0; --b) {
            text += ((c >> b) & 1u) != 0 ? '1' : '0';
        }
        text += Dashes(13) + " 11111111\n";
    }
    return text;
}

TEST(PlaReader, RefusesMalformedFilesWithFileLineAndReason)
{
    const RefusedPla cases[] = {
        {"missing .i", ".o 1\n01 1\n", "line 2, column 1: missing .i before the first cube"},
        {"missing .i, no cube", ".o 1\n", "end of input: missing .i"},
        {"missing .o", ".i 2\n01 1\n", "line 2, column 1: missing .o before the first cube"},
        {"missing .o before .e", ".i 2\n.e\n", "line 2, column 1: missing .o before .e"},
        {"too few values", ".i 3\n.o 1\n01 1\n",
         "line 3, column 5: cube has 3 values, not 4 (3 inputs and 1 outputs)"},
        {"too many values", ".i 2\n.o 1\n011 1\n",
         "line 3, column 5: cube has more than 3 values (2 inputs and 1 outputs)"},
        {"bad input character", ".i 2\n.o 1\n0x 1\n",
         "line 3, column 2: bad character 'x' in the input part (0, 1, - or 2)"},
        {"bad output character", ".i 2\n.o 1\n01 5\n",
         "line 3, column 4: bad character '5' in the output part (0, 1, -, 2 or ~)"},
        {"unprintable character", ".i 2\n.o 1\n0\x01 1\n",
         "line 3, column 2: bad character byte 0x01 in the input part (0, 1, - or 2)"},
        {"a cube past the estimate", ".i 25\n.o 1\n" + Dashes(25) + " 1\n",
         "line 3, column 1: output f needs at least 847288609443 implicants (3^25, the "
         "subcubes of this cube of 25 free inputs), past the limit of 2097152"},
        {"the points count each output", PointsPastTheLimit(),
         "line 259, column 1: the cubes stand for more than 16777216 points (2^24, a cube "
         "counted once per output); this cube stands for 2^13"},
        {"an input without a bit", ".i 33\n.o 1\n1" + std::string(32, '0') + " 1\n",
         "line 3, column 1: input 1 has no bit of its own (only the last 32 inputs have): it "
         "must be 0"},
        {"too many inputs to enumerate", ".i 17\n.o 1\n.type fr\n" + std::string(17, '0') + " 1\n",
         "line 4, column 1: this .type lists points by what they are not: at most 16 inputs, "
         "not 17"},
        {".i not a number", ".i two\n", "line 1, column 4: .i needs a whole number, not 'two'"},
        {".i past the limit", ".i 65537\n",
         "line 1, column 4: .i 65537 is past the limit of 65536"},
        {".o 0", ".i 1\n.o 0\n", "line 2, column 4: .o needs at least one output"},
        {"second .i", ".i 1\n.i 2\n", "line 2, column 1: second .i"},
        {".i after a cube", ".i 1\n.o 1\n1 1\n.type f\n",
         "line 4, column 1: .type after the first cube"},
        {".ilb before .i", ".ilb a b\n", "line 1, column 1: .ilb before .i"},
        {".ilb count", ".i 2\n.ilb a\n", "line 2, column 1: .ilb gives 1 names for 2 inputs"},
        {".ob count", ".i 2\n.o 2\n.ob s\n", "line 3, column 1: .ob gives 1 names for 2 outputs"},
        {"name not UTF-8", ".i 1\n.ilb \xff\n", "line 2, column 6: name is not valid UTF-8"},
        {"bad type", ".type fx\n", "line 1, column 7: .type needs f, fd, fr, fdr, r or dr"},
        {"unsupported keyword", ".i 1\n.o 1\n.phase 1\n",
         "line 3, column 1: keyword .phase (output phases) is not supported: only "
         "binary-valued PLAs are read"},
        {"a point both 1 and 0", ".i 2\n.o 1\n.type fr\n0- 1\n00 0\n",
         "line 5, column 4: point 0 of output f is given both 1 and 0"},
    };
    for (const RefusedPla& c : cases) {
        SCOPED_TRACE(c.what);
        const RunOutput run = RunWith(c.text, PlaInput());
        EXPECT_EQ(run.status, qmsop::RunStatus::kRefused);
        EXPECT_EQ(run.messages,
                  std::string("qmsop: bad.pla: input refused at ") + c.message + "\n");
        // The output is the empty function's, as for any refused input.
        EXPECT_EQ(run.out, "f() = m() + d()\n\n[PI]\n\n           \n\nf() = \n\n");
    }
}

TEST(PlaReader, ReadsADense16InputFileWhole)
{
    std::string text = ".i 16\n.o 1\n";
    Numbers expected;
    for (std::uint32_t p = 0; p < (1u << 16); p += 3) {
        for (int b = 15; b >= 0; --b) {
            text += ((p >> b) & 1u) != 0 ? '1' : '0';
        }
        text += " 1\n";
        expected.push_back(p);
    }
    std::istringstream in(text);
    qmsop::PlaFile pla;
    ASSERT_TRUE(qmsop::ReadPla(in, pla).accepted);
    EXPECT_EQ(qmsop::FunctionOf(pla, 0).minterms, expected);
}

// ------------------------------------------------- product of sums, round trip

// The value of the chosen cover at `point`: a sum of the products, or with
// pos the product of their complements.
bool CoverValue(const std::vector<qmsop::Cube>& cubes, bool pos, std::uint32_t point)
{
    const bool any = std::any_of(cubes.begin(), cubes.end(),
                                 [&](const qmsop::Cube& c) { return c.Contains(point); });
    return any != pos;
}

std::vector<qmsop::Cube> Minimise(const qmsop::BooleanFunction& f, bool pos)
{
    qmsop::Quine quine;
    quine.func = pos ? qmsop::Complement(f) : f;
    quine.FindPrimeImplicants();
    qmsop::McCluskey chart(quine);
    chart.Solve();
    return chart.products();
}

TEST(ProductOfSums, IsOneOnEveryMintermAndZeroOffTheCareSet)
{
    std::mt19937 random(7);
    for (int trial = 0; trial < 300; ++trial) {
        const std::uint32_t n = 1 + trial % 7;
        const qmsop::BooleanFunction f = RandomFunction(random, n);
        const std::vector<qmsop::Cube> cubes = Minimise(f, true);
        for (std::uint32_t p = 0; p < (1u << n); ++p) {
            const bool on = std::find(f.minterms.begin(), f.minterms.end(), p) != f.minterms.end();
            const bool free =
                std::find(f.dontCares.begin(), f.dontCares.end(), p) != f.dontCares.end();
            if (on || !free) {
                ASSERT_EQ(CoverValue(cubes, true, p), on) << FunctionLine(f) << " point " << p;
            }
        }
    }
}

TEST(ProductOfSums, ComplementLeavesOutRepeatsOutsidersAndMintermsGivenAsDontCares)
{
    qmsop::BooleanFunction f;
    f.names = {"a", "b", "c"};
    f.minterms = {1, 3, 3, 9};
    f.dontCares = {3, 4, 4, 12};
    const qmsop::BooleanFunction complement = qmsop::Complement(f);
    EXPECT_EQ(complement.names, f.names);
    EXPECT_EQ(complement.minterms, (Numbers{0, 2, 5, 6, 7}));
    EXPECT_EQ(complement.dontCares, (Numbers{4}));
}

TEST(ProductOfSums, TextWritesSumsAndKeepsConstantsEmpty)
{
    const std::vector<std::string> names = {"a", "b", "c"};
    using qmsop::Literal;
    const qmsop::Cube ab({Literal::kZero, Literal::kOne, Literal::kFree});
    const qmsop::Cube c({Literal::kFree, Literal::kFree, Literal::kOne});
    const qmsop::Cube all({Literal::kFree, Literal::kFree, Literal::kFree});
    std::string text;
    qmsop::AppendProductOfSums(text, {ab, c}, names);
    EXPECT_EQ(text, "(a + b')(c')");
    text.clear();
    qmsop::AppendProductOfSums(text, {}, names);
    EXPECT_EQ(text, "");
    qmsop::AppendProductOfSums(text, {all}, names);
    EXPECT_EQ(text, "");
}

TEST(ProductOfSums, RefusesMoreVariablesThanItEnumerates)
{
    qmsop::RunOptions options;
    options.pos = true;
    options.format = qmsop::OutputFormat::kPla;
    std::string names = "a0";
    for (int v = 1; v < 17; ++v) {
        names.append(",a").append(std::to_string(v));
    }
    const RunOutput run = RunWith("f(" + names + ") = m(1)\n", options);
    EXPECT_EQ(run.status, qmsop::RunStatus::kRefused);
    EXPECT_EQ(run.messages,
              "qmsop: input refused at line 1, column 1: --pos takes at most 16 variables, the "
              "function has 17\n");
    EXPECT_EQ(run.out, "");
    // 16 variables: every point but 0 is a minterm, so the complement is {0}.
    std::string minterms = "1";
    for (std::uint32_t p = 2; p < (1u << 16); ++p) {
        minterms.append(",").append(std::to_string(p));
    }
    const RunOutput accepted =
        RunWith("f(" + names.substr(0, names.rfind(',')) + ") = m(" + minterms + ")\n", options);
    EXPECT_EQ(accepted.status, qmsop::RunStatus::kAccepted);
    EXPECT_NE(accepted.out.find("\n0000000000000000 0\n"), std::string::npos) << accepted.out;
}

// The PLA that qmsop writes, read back by qmsop, is the chosen cover on
// every point, and that cover is right on the care set; the same for a
// product of sums (written as a type-r cover).
TEST(PlaRoundTrip, WrittenCoverReadsBackAsTheSameFunctionOnEveryPoint)
{
    std::mt19937 random(11);
    for (int trial = 0; trial < 200; ++trial) {
        const std::uint32_t n = 1 + trial % 8;
        const bool pos = trial % 2 == 1;
        const qmsop::BooleanFunction f = RandomFunction(random, n);
        qmsop::RunOptions options;
        options.format = qmsop::OutputFormat::kPla;
        options.pos = pos;
        const RunOutput written = RunWith(FunctionLine(f), options);
        ASSERT_EQ(written.status, qmsop::RunStatus::kAccepted) << written.messages;

        std::istringstream in(written.out);
        qmsop::PlaFile pla;
        const qmsop::ReadResult read = qmsop::ReadPla(in, pla);
        ASSERT_TRUE(read.accepted) << qmsop::DescribeRefusal(read) << "\n" << written.out;
        ASSERT_EQ(pla.inputs, f.names);
        const qmsop::BooleanFunction back = qmsop::FunctionOf(pla, 0);
        EXPECT_TRUE(back.dontCares.empty());

        const std::vector<qmsop::Cube> cubes = Minimise(f, pos);
        for (std::uint32_t p = 0; p < (1u << n); ++p) {
            const bool value = CoverValue(cubes, pos, p);
            const bool readBack = std::binary_search(back.minterms.begin(), back.minterms.end(), p);
            ASSERT_EQ(readBack, value) << FunctionLine(f) << written.out << "point " << p;
            const bool on = std::find(f.minterms.begin(), f.minterms.end(), p) != f.minterms.end();
            const bool free =
                std::find(f.dontCares.begin(), f.dontCares.end(), p) != f.dontCares.end();
            if (on || !free) {
                ASSERT_EQ(value, on) << FunctionLine(f) << " point " << p;
            }
        }
    }
}

TEST(PlaRoundTrip, SeveralOutputsShareOneFileAndKeepTheirNames)
{
    const std::string input = ".i 3\n.o 2\n.ilb a b c\n.ob s t\n1-0 1-\n--1 10\n000 ~1\n11- 01\n";
    for (const bool pos : {false, true}) {
        qmsop::RunOptions options = PlaInput(qmsop::OutputFormat::kPla);
        options.pos = pos;
        const RunOutput written = RunWith(input, options);
        ASSERT_EQ(written.status, qmsop::RunStatus::kAccepted);
        std::istringstream original(input);
        std::istringstream back(written.out);
        qmsop::PlaFile before;
        qmsop::PlaFile after;
        ASSERT_TRUE(qmsop::ReadPla(original, before).accepted);
        ASSERT_TRUE(qmsop::ReadPla(back, after).accepted) << written.out;
        ASSERT_EQ(after.outputs.size(), 2u);
        for (std::size_t o = 0; o < 2; ++o) {
            EXPECT_EQ(after.outputs[o].name, before.outputs[o].name);
            const qmsop::BooleanFunction want = qmsop::FunctionOf(before, o);
            const qmsop::BooleanFunction got = qmsop::FunctionOf(after, o);
            for (std::uint32_t p = 0; p < 8; ++p) {
                const bool on = std::binary_search(want.minterms.begin(), want.minterms.end(), p);
                const bool free =
                    std::binary_search(want.dontCares.begin(), want.dontCares.end(), p);
                if (!free) {
                    EXPECT_EQ(std::binary_search(got.minterms.begin(), got.minterms.end(), p), on)
                        << written.out << "output " << o << " point " << p;
                }
            }
        }
    }
}

// ------------------------------------------------------------- JSON trace

rapidjson::Document Parse(const std::string& line)
{
    rapidjson::Document document;
    document.Parse(line.c_str(), line.size());
    EXPECT_FALSE(document.HasParseError()) << line.substr(0, 200);
    return document;
}

Numbers NumbersOf(const rapidjson::Value& array)
{
    Numbers numbers;
    for (const auto& v : array.GetArray()) {
        numbers.push_back(v.GetUint());
    }
    return numbers;
}

// Every implicant past the first column names pairs of the column before
// that merge into it, and an implicant is "combined" exactly when a pair of
// the next column names it; PI numbers and chart rows agree; candidates are
// the chart's transpose; the essential rows are alone on some column.
TEST(JsonTrace, StepsAgreeWithTheTabulationRulesOnRandomFunctions)
{
    std::mt19937 random(5);
    qmsop::RunOptions options;
    options.format = qmsop::OutputFormat::kJson;
    for (int trial = 0; trial < 150; ++trial) {
        const std::uint32_t n = 1 + trial % 7;
        qmsop::BooleanFunction f = RandomFunction(random, n);
        if (trial % 5 == 0 && !f.minterms.empty()) {
            f.minterms.push_back(f.minterms.front());  // a repeated minterm
            f.dontCares.push_back((1u << n) + 1);      // a number past 2^n
        }
        options.pos = trial % 3 == 0;
        const RunOutput run = RunWith(FunctionLine(f), options);
        ASSERT_EQ(run.status, qmsop::RunStatus::kAccepted);
        ASSERT_EQ(run.out.back(), '\n');
        ASSERT_EQ(run.out.find('\n'), run.out.size() - 1);
        const rapidjson::Document doc = Parse(run.out);
        SCOPED_TRACE(FunctionLine(f));

        const auto& columns = doc["tabulation"]["columns"].GetArray();
        std::vector<std::uint32_t> piSeen;
        for (rapidjson::SizeType c = 0; c < columns.Size(); ++c) {
            const auto& groups = columns[c]["groups"].GetArray();
            for (rapidjson::SizeType g = 0; g < groups.Size(); ++g) {
                const auto& list = groups[g]["implicants"].GetArray();
                // Every (i, j) of the groups g and g + 1 of the column before
                // that passes the pair test (same differences, sums apart by a
                // power of two), by the minterms they merge into, in order.
                std::map<Numbers, std::vector<std::pair<std::uint32_t, std::uint32_t>>>
                    expectedPairs;
                if (c > 0) {
                    const auto& previous = columns[c - 1]["groups"];
                    const auto facts = [](const rapidjson::Value& v) {
                        const Numbers m = NumbersOf(v["minterms"]);
                        std::uint32_t sum = 0;
                        for (const std::uint32_t x : m) {
                            sum += x;
                        }
                        const Numbers d =
                            v["differences"].IsNull() ? Numbers{} : NumbersOf(v["differences"]);
                        return std::tuple(m, sum, d);
                    };
                    const auto& lower = previous[g]["implicants"];
                    const auto& upper = previous[g + 1]["implicants"];
                    for (rapidjson::SizeType i = 0; i < lower.Size(); ++i) {
                        const auto [a, sumA, diffsA] = facts(lower[i]);
                        for (rapidjson::SizeType j = 0; j < upper.Size(); ++j) {
                            const auto [b, sumB, diffsB] = facts(upper[j]);
                            if (sumB > sumA && std::has_single_bit(sumB - sumA) &&
                                diffsA == diffsB) {
                                Numbers merged = a;
                                merged.insert(merged.end(), b.begin(), b.end());
                                std::sort(merged.begin(), merged.end());
                                expectedPairs[merged].emplace_back(i, j);
                            }
                        }
                    }
                }
                EXPECT_EQ(groups[g]["count"].GetUint(), list.Size());
                for (rapidjson::SizeType k = 0; k < list.Size(); ++k) {
                    const auto& x = list[k];
                    const Numbers minterms = NumbersOf(x["minterms"]);
                    if (x["pi"].IsUint()) {
                        piSeen.push_back(x["pi"].GetUint());
                    }
                    const auto found = expectedPairs.find(minterms);
                    const std::vector<std::pair<std::uint32_t, std::uint32_t>> expected =
                        found == expectedPairs.end()
                            ? std::vector<std::pair<std::uint32_t, std::uint32_t>>{}
                            : found->second;
                    std::vector<std::pair<std::uint32_t, std::uint32_t>> from;
                    for (const auto& pair : x["from"].GetArray()) {
                        from.emplace_back(pair[0].GetUint(), pair[1].GetUint());
                    }
                    EXPECT_EQ(from, expected) << "column " << c << " group " << g;
                    if (c > 0) {
                        EXPECT_FALSE(from.empty());
                    }
                    // Combined exactly when named by a pair of the next column.
                    bool named = false;
                    if (c + 1 < columns.Size()) {
                        const auto& next = columns[c + 1]["groups"];
                        for (rapidjson::SizeType h = 0; h < next.Size(); ++h) {
                            if (h != g && h + 1 != g) {
                                continue;
                            }
                            for (const auto& y : next[h]["implicants"].GetArray()) {
                                for (const auto& pair : y["from"].GetArray()) {
                                    named = named || pair[h == g ? 0 : 1].GetUint() == k;
                                }
                            }
                        }
                    }
                    EXPECT_EQ(x["combined"].GetBool(), named) << "column " << c;
                }
            }
        }
        std::sort(piSeen.begin(), piSeen.end());
        const auto& primes = doc["primeImplicants"].GetArray();
        ASSERT_EQ(piSeen.size(), primes.Size());
        for (rapidjson::SizeType i = 0; i < primes.Size(); ++i) {
            EXPECT_EQ(primes[i]["pi"].GetUint(), i + 1);
            EXPECT_EQ(piSeen[i], i + 1);
        }

        const auto& chart = doc["chart"];
        const Numbers columnsOfChart = NumbersOf(chart["columns"]);
        std::vector<int> rowsOn(columnsOfChart.size(), 0);
        std::vector<std::uint32_t> onlyRow(columnsOfChart.size(), 0);
        for (rapidjson::SizeType r = 0; r < chart["rows"].Size(); ++r) {
            const Numbers primeMinterms = NumbersOf(primes[r]["minterms"]);
            for (const auto& j : chart["rows"][r].GetArray()) {
                const std::uint32_t column = j.GetUint();
                EXPECT_TRUE(std::binary_search(primeMinterms.begin(), primeMinterms.end(),
                                               columnsOfChart[column]));
                const Numbers candidates = NumbersOf(chart["candidates"][column]);
                EXPECT_TRUE(std::find(candidates.begin(), candidates.end(), r + 1) !=
                            candidates.end());
                ++rowsOn[column];
                onlyRow[column] = r + 1;
            }
        }
        Numbers essential;
        for (std::size_t j = 0; j < columnsOfChart.size(); ++j) {
            EXPECT_EQ(chart["candidates"][static_cast<rapidjson::SizeType>(j)].Size(),
                      static_cast<rapidjson::SizeType>(rowsOn[j]));
            if (rowsOn[j] == 1) {
                essential.push_back(onlyRow[j]);
            }
        }
        std::sort(essential.begin(), essential.end());
        essential.erase(std::unique(essential.begin(), essential.end()), essential.end());
        EXPECT_EQ(NumbersOf(doc["essential"]), essential);

        // The result cubes are the chosen rows' cubes, in selection order.
        const auto& chosen = doc["chosen"].GetArray();
        const auto& cubes = doc["result"]["cubes"].GetArray();
        ASSERT_EQ(chosen.Size(), cubes.Size());
        for (rapidjson::SizeType k = 0; k < chosen.Size(); ++k) {
            EXPECT_STREQ(cubes[k].GetString(), primes[chosen[k].GetUint() - 1]["cube"].GetString());
        }
        EXPECT_STREQ(doc["result"]["form"].GetString(), options.pos ? "pos" : "sop");
        EXPECT_EQ(doc.HasMember("minimised"), options.pos);
    }
}

TEST(JsonTrace, LimitCutsTheListsAndKeepsTheCounts)
{
    qmsop::RunOptions options;
    options.format = qmsop::OutputFormat::kJson;
    options.traceLimit = 2;
    const RunOutput run = RunWith("f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14)\n", options);
    const rapidjson::Document doc = Parse(run.out);
    EXPECT_TRUE(doc["truncated"].GetBool());
    std::uint32_t counted = 0;
    for (const auto& column : doc["tabulation"]["columns"].GetArray()) {
        rapidjson::SizeType listed = 0;
        for (const auto& group : column["groups"].GetArray()) {
            listed += group["implicants"].Size();
            counted += group["count"].GetUint();
        }
        EXPECT_LE(listed, 2u);
    }
    EXPECT_EQ(counted, 26u);
    EXPECT_EQ(doc["primeImplicants"].Size(), 2u);
    EXPECT_EQ(doc["chart"]["rows"].Size(), 2u);
    EXPECT_EQ(doc["chart"]["columns"].Size(), 2u);
    EXPECT_EQ(doc["chart"]["numColumns"].GetUint(), 10u);
    EXPECT_GT(doc["chart"]["numRows"].GetUint(), 2u);

    options.traceLimit = 1000;
    EXPECT_FALSE(Parse(RunWith("f(a,b) = m(0,1)\n", options).out)["truncated"].GetBool());
}

TEST(JsonTrace, PairsOfCopiesAreListedInOrderAndCutByTheLimit)
{
    // Copies of 4 (group 1) pair with every copy of 5 (group 2): copies^2
    // pairs form {4,5}. They are listed in (lower, upper) order, at most
    // `limit` of them, so that 2000 copies of each give a small document.
    struct Case {
        std::uint32_t copies;
        std::uint64_t limit;
        std::size_t listed;
        bool truncated;
    };
    for (const Case& c : {Case{3, 0, 9, false}, Case{3, 9, 9, false}, Case{3, 4, 4, true},
                          Case{2000, 10, 10, true}}) {
        SCOPED_TRACE(std::to_string(c.copies) + " copies, limit " + std::to_string(c.limit));
        std::string input = "f(a,b,c) = m(";
        for (std::uint32_t k = 0; k < c.copies; ++k) {
            input += k == 0 ? "4,5" : ",4,5";
        }
        qmsop::RunOptions options;
        options.format = qmsop::OutputFormat::kJson;
        options.traceLimit = c.limit;
        const RunOutput run = RunWith(input + ")\n", options);
        EXPECT_LT(run.out.size(), std::size_t{1} << 16);
        const rapidjson::Document doc = Parse(run.out);
        EXPECT_EQ(doc["truncated"].GetBool(), c.truncated);
        const auto& implicant = doc["tabulation"]["columns"][1]["groups"][1]["implicants"][0];
        EXPECT_EQ(NumbersOf(implicant["minterms"]), (Numbers{4, 5}));
        const auto& from = implicant["from"].GetArray();
        ASSERT_EQ(from.Size(), c.listed);
        for (rapidjson::SizeType p = 0; p < from.Size(); ++p) {
            EXPECT_EQ(from[p][0].GetUint(), p / c.copies);
            EXPECT_EQ(from[p][1].GetUint(), p % c.copies);
        }
    }
}

TEST(JsonTrace, ConstantsAreToldApartAndRefusalsCarryTheirPlace)
{
    qmsop::RunOptions options;
    options.format = qmsop::OutputFormat::kJson;
    struct Case {
        const char* input;
        bool pos;
        int constant;  // -1: not constant
    };
    for (const Case& c : {Case{"f(a,b) = m(0,1,2,3)\n", false, 1}, Case{"f(a,b) = m()\n", false, 0},
                          Case{"f(a,b) = m(0,1,2,3)\n", true, 1}, Case{"f(a,b) = m()\n", true, 0},
                          Case{"f(a,b) = m(1)\n", true, -1}}) {
        options.pos = c.pos;
        const rapidjson::Document doc = Parse(RunWith(c.input, options).out);
        const auto& constant = doc["result"]["constant"];
        if (c.constant < 0) {
            EXPECT_TRUE(constant.IsNull()) << c.input;
        } else {
            EXPECT_EQ(constant.GetInt(), c.constant) << c.input << " pos " << c.pos;
        }
    }
    options.pos = false;
    const RunOutput refused = RunWith("f(a, b) = m(1)\n", options);
    EXPECT_EQ(refused.status, qmsop::RunStatus::kRefused);
    const rapidjson::Document doc = Parse(refused.out);
    EXPECT_FALSE(doc["accepted"].GetBool());
    EXPECT_EQ(doc["refusal"]["line"].GetUint(), 1u);
    EXPECT_EQ(doc["refusal"]["column"].GetUint(), 5u);
    EXPECT_STREQ(doc["refusal"]["reason"].GetString(), "blank inside a list");
    EXPECT_STREQ(doc["function"]["echo"].GetString(), "f() = m() + d()");
}

// ----------------------------------------------------------------- Verilog

TEST(Verilog, KeepsLegalNamesAndEscapesOrRenamesTheOthers)
{
    const std::vector<std::string> ports = qmsop::VerilogPortNames(
        {"a", "and", "1x", "x%y", "\xc3\xa9", "a$b", "_q", "f", "f_2"}, {"f", "s", "s"});
    EXPECT_EQ(ports, (std::vector<std::string>{"a", "\\and ", "\\1x ", "\\x%25y ", "\\%C3%A9 ",
                                               "a$b", "_q", "f", "f_2", "f_3", "s", "s_2"}));
}

}  // namespace
