// SPDX-License-Identifier: MIT
// The --multi-output run: PLA files through Run, their covers read back and
// checked per output (ON ⊆ result ⊆ ON ∪ DC) point by point with the PLA
// reader where the inputs are few, and by tautology with the cube engine at
// any width; products never more than the per-output run's.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cube/minimize.h"
#include "cube/plarows.h"
#include "io/pla.h"
#include "io/pla_parser.h"
#include "run/cli.h"
#include "run/run.h"

namespace qmsop {
namespace {

// The covers of a PLA text, read by the line parser into PlaRows.
class RowReader : public PlaCallbacks {
public:
    Answer OnInputs(std::uint64_t count, PlaPlace /*place*/) override
    {
        n = static_cast<std::uint32_t>(count);
        return {};
    }
    Answer OnOutputs(std::uint64_t count, PlaPlace /*place*/) override
    {
        m = static_cast<std::uint32_t>(count);
        return {};
    }
    Answer OnType(PlaType read, PlaPlace /*place*/) override
    {
        type = read;
        return {};
    }
    Answer OnCube(const PlaCube& cube) override
    {
        Start();
        EXPECT_FALSE(rows->Add(cube.inputs, cube.outputs));
        return {};
    }
    Answer OnEnd(PlaPlace /*place*/, bool /*marked*/) override
    {
        Start();
        return {};
    }
    void Start()
    {
        if (!rows) {
            rows.emplace(n, m, type);
        }
    }

    std::uint32_t n = 0;
    std::uint32_t m = 0;
    PlaType type;
    std::optional<PlaRows> rows;
};

PlaCovers CoversOf(const std::string& text)
{
    std::istringstream in(text);
    RowReader rows;
    EXPECT_TRUE(ParsePla(in, rows).accepted) << text;
    return rows.rows ? rows.rows->Finish() : PlaCovers{Cover({}), Cover({}), Cover({})};
}

std::string RunText(const std::string& pla, RunOptions options, RunStatus* status = nullptr)
{
    options.input = InputFormat::kPla;
    std::istringstream in(pla);
    std::ostringstream out;
    const RunStatus got = Run(in, out, options);
    if (status != nullptr) {
        *status = got;
    }
    return out.str();
}

RunOptions MultiPla()
{
    RunOptions options;
    options.multiOutput = true;
    options.format = OutputFormat::kPla;
    return options;
}

std::size_t ProductRows(const std::string& pla)
{
    std::istringstream in(pla);
    std::string line;
    std::size_t rows = 0;
    while (std::getline(in, line)) {
        rows += !line.empty() && line[0] != '.';
    }
    return rows;
}

// Every output's points: ON ⊆ result ⊆ ON ∪ DC, by the minterm reader.
void ExpectPointByPoint(const std::string& original, const std::string& result)
{
    std::istringstream a(original);
    std::istringstream b(result);
    PlaFile given;
    PlaFile got;
    ASSERT_TRUE(ReadPla(a, given).accepted);
    ASSERT_TRUE(ReadPla(b, got).accepted) << result;
    ASSERT_EQ(given.outputs.size(), got.outputs.size());
    for (std::size_t o = 0; o < given.outputs.size(); ++o) {
        const BooleanFunction want = FunctionOf(given, o);
        const BooleanFunction have = FunctionOf(got, o);
        EXPECT_EQ(given.outputs[o].name, got.outputs[o].name);
        for (const std::uint32_t x : want.minterms) {
            EXPECT_TRUE(std::binary_search(have.minterms.begin(), have.minterms.end(), x))
                << "output " << o << " lost " << x;
        }
        for (const std::uint32_t x : have.minterms) {
            EXPECT_TRUE(std::binary_search(want.minterms.begin(), want.minterms.end(), x) ||
                        std::binary_search(want.dontCares.begin(), want.dontCares.end(), x))
                << "output " << o << " took " << x;
        }
    }
}

// Random rows over n inputs, each with a few literals, for outputs "1-~".
std::string RandomPla(std::uint32_t n, std::uint32_t m, std::size_t rows, const char* type,
                      unsigned seed)
{
    std::mt19937 rng(seed);
    std::string text =
        ".i " + std::to_string(n) + "\n.o " + std::to_string(m) + "\n.type " + type + "\n";
    for (std::size_t r = 0; r < rows; ++r) {
        std::string inputs(n, '-');
        for (int k = 0; k < 6; ++k) {
            inputs[rng() % n] = "01"[rng() % 2];
        }
        std::string outputs(m, '~');
        outputs[rng() % m] = '1';
        for (char& c : outputs) {
            c = c == '~' ? "1-~~"[rng() % 4] : c;
        }
        text.append(inputs).append(1, ' ').append(outputs).append(1, '\n');
    }
    return text + ".e\n";
}

struct Case {
    const char* name;
    std::string pla;
};

std::vector<Case> Cases()
{
    return {
        {"f_shared", ".i 3\n.o 2\n.ilb a b c\n.ob f g\n.type f\n11- 11\n--1 10\n0-0 01\n.e\n"},
        {"fd", ".i 4\n.o 2\n.type fd\n1-0- 1-\n-11- 10\n0000 -1\n11-1 01\n.e\n"},
        {"fr", ".i 4\n.o 2\n.type fr\n11-- 10\n0--0 01\n00-1 00\n101- 01\n.e\n"},
        {"fdr", ".i 4\n.o 3\n.type fdr\n1--- 1-0\n01-- 011\n0011 -00\n000- 101\n.e\n"},
        {"r", ".i 3\n.o 1\n.type r\n1-0 0\n011 0\n.e\n"},
        {"bits", ".i 5\n.o 3\n.type fd\n00000 111\n11111 1-1\n1-1-1 01-\n0-0-0 110\n.e\n"},
        {"wide40", RandomPla(40, 3, 12, "fd", 1)},
        {"wide200", RandomPla(200, 4, 10, "f", 2)},
    };
}

TEST(MultiOutputRun, CoversEveryOutputWithinItsCareSet)
{
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        RunStatus status = RunStatus::kRefused;
        const std::string result = RunText(c.pla, MultiPla(), &status);
        ASSERT_EQ(status, RunStatus::kAccepted);
        const PlaCovers given = CoversOf(c.pla);
        const PlaCovers got = CoversOf(result);
        ASSERT_EQ(got.on.Shape(), given.on.Shape());
        EXPECT_TRUE(IsCoverWithin(got.on, given.on, given.dc));
        EXPECT_NE(result.find(".type f\n"), std::string::npos);
        if (given.on.Shape().NumInputs() <= 8) {
            ExpectPointByPoint(c.pla, result);
        }
    }
}

TEST(MultiOutputRun, NeverMoreProductsThanEachOutputAlone)
{
    for (const Case& c : Cases()) {
        if (CoversOf(c.pla).on.Shape().NumInputs() > 8) {
            continue;  // the per-output run expands to minterms
        }
        SCOPED_TRACE(c.name);
        RunOptions alone;
        alone.format = OutputFormat::kPla;
        EXPECT_LE(ProductRows(RunText(c.pla, MultiPla())), ProductRows(RunText(c.pla, alone)));
    }
    // f = ab + c and g = ab + c': ab is written once, serving both.
    const std::string shared = ".i 3\n.o 2\n.ilb a b c\n.ob f g\n11- 11\n--1 10\n--0 01\n.e\n";
    const std::string result = RunText(shared, MultiPla());
    EXPECT_EQ(ProductRows(result), 3u) << result;
    EXPECT_NE(result.find("11- 11\n"), std::string::npos) << result;
}

TEST(MultiOutputRun, TextWritesOneLinePerOutputAtAnyWidth)
{
    RunOptions text;
    text.multiOutput = true;
    EXPECT_EQ(RunText(".i 3\n.o 2\n.ilb a b c\n.ob f g\n11- 11\n--1 10\n--0 01\n.e\n", text),
              "f(a,b,c) = ab + c\ng(a,b,c) = ab + c'\n");
    EXPECT_EQ(RunText(".i 2\n.o 2\n-- 10\n.e\n", text), "f0(x0,x1) = 1\nf1(x0,x1) = 0\n");
    std::string wide(130, '-');
    wide[129] = '0';
    wide[0] = '1';
    const std::string line = RunText(".i 130\n.o 1\n" + wide + " 1\n.e\n", text);
    EXPECT_EQ(line.substr(0, 13), "f(x0,x1,x2,x3");
    EXPECT_NE(line.find(") = x0x129'\n"), std::string::npos) << line.substr(line.size() - 40);
}

TEST(MultiOutputRun, RefusesABadFileAndWritesNothing)
{
    const std::vector<std::pair<std::string, std::string>> files = {
        {".i 2\n.o 1\n1x 1\n.e\n", "line 3, column 2"},
        {".i 2\n.o 2\n.ob s t\n.type fr\n1- 11\n-1 10\n11 00\n.e\n", "output t"},
    };
    for (const auto& [pla, reason] : files) {
        std::ostringstream messages;
        RunOptions options = MultiPla();
        options.messages = &messages;
        RunStatus status = RunStatus::kAccepted;
        EXPECT_EQ(RunText(pla, options, &status), "");
        EXPECT_EQ(status, RunStatus::kRefused);
        EXPECT_EQ(messages.str().rfind("qmsop: ", 0), 0u) << messages.str();
        EXPECT_NE(messages.str().find(reason), std::string::npos) << messages.str();
    }
}

TEST(MultiOutputRun, OptionsItCannotGoWithAreUsageErrors)
{
    const std::vector<std::vector<const char*>> lines = {
        {"qmsop", "--multi-output", "--pos"},
        {"qmsop", "--multi-output", "--exact"},
        {"qmsop", "--multi-output", "-f", "json"},
        {"qmsop", "--format=verilog", "--multi-output"},
    };
    for (const auto& words : lines) {
        const ParsedCommandLine parsed =
            ParseCommandLine(static_cast<int>(words.size()), words.data());
        EXPECT_NE(parsed.error.find("--multi-output"), std::string::npos) << words.back();
    }
    const std::vector<const char*> fine = {"qmsop", "--multi-output", "-r", "-f", "pla"};
    const ParsedCommandLine parsed = ParseCommandLine(static_cast<int>(fine.size()), fine.data());
    EXPECT_EQ(parsed.error, "");
    EXPECT_TRUE(parsed.line.options.multiOutput);
    const std::vector<const char*> table = {"qmsop", "--multi-output", "--input=table"};
    const ParsedCommandLine unused = ParseCommandLine(static_cast<int>(table.size()), table.data());
    ASSERT_EQ(unused.warnings.size(), 1u);
    EXPECT_NE(unused.warnings[0].find("--multi-output has no effect"), std::string::npos);
}

// The peer's own check, where it is installed.
TEST(MultiOutputRun, EspressoVerifiesTheCovers)
{
    if (std::system("command -v espresso >/dev/null 2>&1") != 0) {
        if (const char* ci = std::getenv("CI"); ci != nullptr && std::string(ci) == "true") {
            FAIL() << "espresso is not on PATH";
        }
        GTEST_SKIP() << "espresso is not on PATH: the peer's -Dverify check is skipped";
    }
    const std::filesystem::path dir =
        std::filesystem::temp_directory_path() /
        ("qmsop_multi_output_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
    std::filesystem::create_directories(dir);
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.name);
        const std::filesystem::path original = dir / (std::string(c.name) + ".pla");
        const std::filesystem::path result = dir / (std::string(c.name) + ".out.pla");
        std::ofstream(original) << c.pla;
        std::ofstream(result) << RunText(c.pla, MultiPla());
        const std::string command = "espresso -Dverify '" + original.string() + "' '" +
                                    result.string() + "' >/dev/null 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << command;
    }
    std::filesystem::remove_all(dir);
}

}  // namespace
}  // namespace qmsop
