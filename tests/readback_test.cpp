// SPDX-License-Identifier: MIT
// Every output format read back and compared point by point with the input:
// a table of functions and PLA files in each format, greedy and exact, sum
// and product, one function and --all; then random small functions. The
// read-back library itself is checked on hand-written outputs first, so that
// a fault it reports is the program's.
#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "support/readback.h"

namespace {

using qmsop::CoverMode;
using qmsop::InputFormat;
using qmsop::OutputFormat;
using qmsop::RunOptions;
namespace readback = qmsop::readback;

// --------------------------------------------------- the readers themselves

struct ReaderCase {
    const char* label;
    OutputFormat format;
    bool pos;
    const char* text;
    const char* values;  // output 1's value on points 0, 1, ...; "" when refused
};

class Readers : public testing::TestWithParam<ReaderCase> {};

TEST_P(Readers, ReadTheValueOnEveryPoint)
{
    const ReaderCase& c = GetParam();
    const readback::Outputs back = readback::Read(c.format, c.text, c.pos);
    if (std::string(c.values).empty()) {
        EXPECT_FALSE(back.error.empty()) << "read: " << c.text;
        return;
    }
    ASSERT_EQ(back.error, "");
    ASSERT_FALSE(back.ambiguous);
    ASSERT_FALSE(back.outputs.empty());
    std::string values;
    for (const bool v : back.outputs.front().values) {
        values += v ? '1' : '0';
    }
    EXPECT_EQ(values, c.values);
}

INSTANTIATE_TEST_SUITE_P(
    Formats, Readers,
    testing::Values(
        ReaderCase{"sop", OutputFormat::kText, false, "f(a,b,c) = ab' + c\n", "01011101"},
        ReaderCase{"sop_with_echo", OutputFormat::kText, false,
                   "f(a,b) = m(1) + d()\n[PI]\nf(a,b) = a'b\n", "0100"},
        ReaderCase{"empty_product_is_one", OutputFormat::kText, false, "f(a,b) = a'b' + \n",
                   "1111"},
        ReaderCase{"names_made_of_names", OutputFormat::kText, false, "f(a,ab,b) = ab'b\n",
                   "01000100"},
        ReaderCase{"pos", OutputFormat::kText, true, "f(a,b,c) = (a + b')(c)\n", "01000101"},
        ReaderCase{"pos_complement_line_passed_over", OutputFormat::kText, true,
                   "f'(a,b) = a'\nf(a,b) = (a)\n", "0011"},
        ReaderCase{"unknown_name", OutputFormat::kText, false, "f(a,b) = ac\n", ""},
        ReaderCase{"pla_f", OutputFormat::kPla, false,
                   ".i 2\n.o 1\n.ilb a b\n.ob f\n.type f\n.p 1\n1- 1\n.e\n", "0011"},
        ReaderCase{"pla_r", OutputFormat::kPla, false, ".i 2\n.o 1\n.type r\n.p 1\n00 0\n.e\n",
                   "0111"},
        ReaderCase{"pla_without_end", OutputFormat::kPla, false, ".i 1\n.o 1\n1 1\n", ""},
        ReaderCase{"verilog", OutputFormat::kVerilog, false,
                   "module f(input wire a, input wire \\1b , output wire f);\n"
                   "  assign f = (a & ~\\1b ) | ~(a | \\1b );\nendmodule\n",
                   "1010"},
        ReaderCase{"verilog_constant", OutputFormat::kVerilog, false,
                   "module f(input wire a, output wire f);\n  assign f = 1'b1;\nendmodule\n", "11"},
        ReaderCase{"verilog_loop", OutputFormat::kVerilog, false,
                   "module f(input wire a, output wire f);\n  assign f = a & f;\nendmodule\n", ""},
        ReaderCase{"verilog_two_modules_one_name", OutputFormat::kVerilog, false,
                   "module f(output wire f);\n  assign f = 1'b0;\nendmodule\n"
                   "module f(output wire f);\n  assign f = 1'b0;\nendmodule\n",
                   ""},
        ReaderCase{"json_sop", OutputFormat::kJson, false,
                   R"({"accepted":true,"function":{"name":"f","variables":[{"name":"a"},)"
                   R"({"name":"b"}]},"result":{"form":"sop","constant":null,"cubes":["-1"]}})"
                   "\n",
                   "0101"},
        ReaderCase{"json_pos", OutputFormat::kJson, false,
                   R"({"accepted":true,"function":{"name":"f","variables":[{"name":"a"},)"
                   R"({"name":"b"}]},"result":{"form":"pos","constant":null,"cubes":["-1"]}})"
                   "\n",
                   "1010"},
        ReaderCase{"json_constant_against_cubes", OutputFormat::kJson, false,
                   R"({"accepted":true,"function":{"name":"f","variables":[]},)"
                   R"("result":{"form":"sop","constant":0,"cubes":[""]}})"
                   "\n",
                   ""}),
    [](const testing::TestParamInfo<ReaderCase>& info) { return info.param.label; });

TEST(Compare, NamesTheFirstPointOutside)
{
    qmsop::BooleanFunction func;
    func.names = {"a", "b"};
    func.minterms = {1, 9};  // 9 is past 2^2: the point 1, by its lowest bits
    func.dontCares = {2, 1};
    const readback::Expected want = readback::ExpectedOf(func);
    EXPECT_EQ(want.on, (std::vector<std::uint32_t>{1}));
    EXPECT_EQ(want.dontCare, (std::vector<std::uint32_t>{2}));
    EXPECT_TRUE(want.outOfRange);
    readback::Output got{"f", {"a", "b"}, {false, true, true, false}};
    EXPECT_EQ(readback::Compare(want, got), "");
    got.values = {false, false, true, false};
    EXPECT_EQ(readback::Compare(want, got), "is 0 at point 1, a minterm");
    got.values = {false, true, false, true};
    EXPECT_EQ(readback::Compare(want, got), "is 1 at point 3, off the function");
}

// ------------------------------------------------------ the program's runs

struct Input {
    const char* label;
    const char* text;
    bool pla = false;
};

// Runs, reads back and compares; a disagreement fails the test.
void ReadsBack(const std::string& input, const RunOptions& options)
{
    const std::string fault = readback::CheckRun(input, options);
    EXPECT_EQ(fault, "") << "input:\n" << input;
}

const Input kInputs[] = {
    {"worked_example", "f(a,b,c) = m(1,3,5,7) + d(0)\n"},
    {"four_vars", "f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14) + d()\n"},
    {"greedy_not_minimal", "f(a,b,c) = m(0,1,2,5,6,7)\n"},
    {"dont_cares_only", "f(a,b) = m() + d(1,2)\n"},
    {"constant_zero", "f(a,b) = m()\n"},
    {"constant_one", "f(a,b) = m(0,1,2,3)\n"},
    {"constant_one_by_dont_cares", "f(a,b) = m(0) + d(1,2,3)\n"},
    {"one_variable", "f(x) = m(0)\n"},
    {"no_variables_zero", "f() = m()\n"},
    {"no_variables_one", "f() = m(0)\n"},
    {"repeats_and_overlaps", "f(a,b,c) = m(1,3,3,5) + d(3,4,4)\n"},
    {"out_of_range", "f(a,b) = m(1,7)\n"},
    {"names_made_of_names", "f(a,ab,b,ba) = m(1,6,9,12,15)\n"},
    {"same_name_twice", "f(a,a) = m(1)\n"},
    {"verilog_keywords", "f(and,module,wire,f) = m(3,5,6,9)\n"},
    {"digit_names", "f(1,2,3) = m(2,4,7)\n"},
    {"eight_vars", "f(a,b,c,d,e,g,h,i) = m(0,3,17,34,77,128,200,255) + d(1,2,254)\n"},
    {"refused", "f(a,b) = m(1, 2)\n"},
    {"lines_same_names", "f(a,b) = m(1)\n\n# a comment\nf(a,b) = m(0,3) + d(2)\n"},
    {"lines_other_names", "f(a,b,c) = m(1)\nf(x,y) = m(1)\n"},
    {"lines_with_refusal", "f(a,b) = m(1)\nf(a b) = m(1)\nf(a,b) = m(2)\n"},
    {"pla_two_outputs",
     ".i 3\n.o 2\n.ilb a b c\n.ob s t\n.p 4\n1-0 1-\n--1 10\n000 ~1\n11- 01\n.e\n", true},
    {"pla_type_fr", ".i 3\n.o 1\n.type fr\n101 1\n0-1 1\n11- 0\n000 0\n.e\n", true},
    {"pla_type_r", ".i 2\n.o 1\n.type r\n00 0\n.e\n", true},
    {"pla_default_names", ".i 4\n.o 1\n1-0- 1\n0011 1\n--11 -\n.e\n", true},
    {"pla_output_named_like_input", ".i 2\n.o 1\n.ilb a f\n.ob f\n01 1\n10 1\n.e\n", true},
    {"pla_no_inputs", ".i 0\n.o 1\n 1\n.e\n", true},
    {"pla_refused", ".i 2\n.o 1\n012 1\n.e\n", true},
};

constexpr OutputFormat kFormats[] = {OutputFormat::kText, OutputFormat::kJson, OutputFormat::kPla,
                                     OutputFormat::kVerilog};

using RunCase = std::tuple<Input, OutputFormat, CoverMode, bool, bool>;

RunOptions OptionsOf(const RunCase& c)
{
    RunOptions options;
    options.input = std::get<0>(c).pla ? InputFormat::kPla : InputFormat::kFunction;
    options.format = std::get<1>(c);
    options.cover = std::get<2>(c);
    options.timeLimitSeconds = 5;
    options.pos = std::get<3>(c);
    options.all = std::get<4>(c);
    return options;
}

class EveryFormat : public testing::TestWithParam<RunCase> {};

TEST_P(EveryFormat, ReadsBackAsTheInput)
{
    const RunOptions options = OptionsOf(GetParam());
    ReadsBack(std::get<0>(GetParam()).text, options);
    // The report and the result line alone are read the same way.
    if (options.format == OutputFormat::kText) {
        RunOptions resultOnly = options;
        resultOnly.resultOnly = true;
        ReadsBack(std::get<0>(GetParam()).text, resultOnly);
    }
}

std::string RunCaseName(const testing::TestParamInfo<RunCase>& info)
{
    static const char* const kFormatNames[] = {"text", "json", "pla", "verilog"};
    const RunCase& c = info.param;
    return std::string(std::get<0>(c).label) + "_" +
           kFormatNames[static_cast<int>(std::get<1>(c))] +
           (std::get<2>(c) == CoverMode::kExact ? "_exact" : "_greedy") +
           (std::get<3>(c) ? "_pos" : "_sop") + (std::get<4>(c) ? "_all" : "");
}

// Every input in every format, greedy and exact, sum and product; function
// lines also with --all (which does not apply to a PLA file).
std::vector<RunCase> EveryRunCase()
{
    std::vector<RunCase> cases;
    for (const Input& input : kInputs) {
        for (const OutputFormat format : kFormats) {
            for (const CoverMode cover : {CoverMode::kGreedy, CoverMode::kExact}) {
                for (const bool pos : {false, true}) {
                    cases.emplace_back(input, format, cover, pos, false);
                    if (!input.pla) {
                        cases.emplace_back(input, format, cover, pos, true);
                    }
                }
            }
        }
    }
    return cases;
}

INSTANTIATE_TEST_SUITE_P(Table, EveryFormat, testing::ValuesIn(EveryRunCase()), RunCaseName);

// Random functions of 0 to 7 variables, each in every format, both covers
// and both forms; and random --all inputs of lines over the same names.
TEST(RandomFunctions, ReadBackInEveryFormat)
{
    std::mt19937 random(23);
    for (int round = 0; round < 60; ++round) {
        const std::uint32_t n = random() % 8;
        std::string input = "f(";
        for (std::uint32_t v = 0; v < n; ++v) {
            if (v != 0) {
                input += ',';
            }
            input += static_cast<char>('a' + v);
        }
        const std::string head = input + ") = m(";
        input.clear();
        const int lines = 1 + static_cast<int>(random() % 3);
        for (int line = 0; line < lines; ++line) {
            std::string on;
            std::string dc;
            for (std::uint32_t p = 0; p < (1U << n); ++p) {
                const std::uint32_t pick = random() % 4;
                std::string& list = pick == 0 ? dc : on;
                if (pick <= 1) {
                    if (!list.empty()) {
                        list += ',';
                    }
                    list += std::to_string(p);
                }
            }
            input.append(head).append(on).append(") + d(").append(dc).append(")\n");
        }
        for (const OutputFormat format : kFormats) {
            for (const CoverMode cover : {CoverMode::kGreedy, CoverMode::kExact}) {
                for (const bool pos : {false, true}) {
                    RunOptions options;
                    options.format = format;
                    options.cover = cover;
                    options.pos = pos;
                    options.all = lines > 1;
                    SCOPED_TRACE(input);
                    ReadsBack(input, options);
                    if (HasFailure()) {
                        return;
                    }
                }
            }
        }
    }
}

}  // namespace
