// SPDX-License-Identifier: MIT
// The input forms beside the function line: expressions and lenient lists
// (--input=expr), truth tables (--input=table) and the choice by content
// (--input=auto), each against a table of cases, the expressions against
// brute-force evaluation, and one function through every input.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "io/expr.h"
#include "io/table.h"
#include "run/auto_input.h"
#include "run/run.h"

namespace qmsop {
namespace {

struct ExprCase {
    const char* line;
    const char* names;  // joined by ','
    std::vector<std::uint32_t> minterms;
    std::vector<std::uint32_t> dontCares;
    const char* name = "f";
};

std::string Joined(const std::vector<std::string>& names)
{
    std::string text;
    for (const std::string& name : names) {
        text += (text.empty() ? "" : ",") + name;
    }
    return text;
}

TEST(ExpressionInput, EveryNotationGivesItsMinterms)
{
    const std::vector<ExprCase> cases = {
        {"a'b + c", "a,b,c", {1, 2, 3, 5, 7}, {}},
        {"f(a,b,c) = a'b + c", "a,b,c", {1, 2, 3, 5, 7}, {}},
        {"f(c,b,a) = a'b + c", "c,b,a", {2, 4, 5, 6, 7}, {}},
        {"Y = !a | ~b", "a,b", {0, 1, 2}, {}, "Y"},
        {"\xC2\xAC"
         "a \xC2\xB7 b",
         "a,b",
         {1},
         {}},
        {"a&b", "a,b", {3}, {}},
        {"a*b", "a,b", {3}, {}},
        {"a \xE2\x88\xA7 b \xE2\x88\xA8 a \xE2\x8A\x95 b", "a,b", {1, 2, 3}, {}},
        {"ab", "a,b", {3}, {}},
        {"a b", "a,b", {3}, {}},
        {"a(b + c)", "a,b,c", {5, 6, 7}, {}},
        {"(a + b)(a + c)", "a,b,c", {3, 4, 5, 6, 7}, {}},
        {"a ^ b", "a,b", {1, 2}, {}},
        {"a + b ^ c", "a,b,c", {1, 2, 4, 5, 6, 7}, {}},  // ^ binds tighter than +
        {"a ^ b c", "a,b,c", {3, 4, 5, 6}, {}},          // and tighter than ^
        {"(a b)'", "a,b", {0, 1, 2}, {}},
        {"a''", "a", {1}, {}},
        {"!a'", "a", {1}, {}},
        {"a \xE2\x80\x99", "a", {1}, {}},  // a blank, then ’: not a prime but an error
        {"0", "", {}, {}},
        {"1", "", {0}, {}},
        {"a + 1", "a", {0, 1}, {}},
        {"a0'", "a0", {0}, {}},
        {"x1x2 + x10", "x1,x2,x10", {1, 3, 5, 6, 7}, {}},
        {"f(sel,a,b) = sel a + sel' b", "sel,a,b", {1, 3, 6, 7}, {}},
        {"f(a,b) = a + d(0)", "a,b", {2, 3}, {0}},
        {"f(a,b) = a + d(2, 1)", "a,b", {3}, {1, 2}},
        {"d(a + b)", "a,b,d", {3, 5, 7}, {}},
        {"f() = 1", "", {0}, {}},
    };
    for (const ExprCase& c : cases) {
        BooleanFunction func;
        std::string name;
        const ReadResult read = ParseExpressionLine(c.line, 1, func, name);
        if (std::string(c.line) == "a \xE2\x80\x99") {
            EXPECT_FALSE(read.accepted) << c.line;
            continue;
        }
        ASSERT_TRUE(read.accepted) << c.line << ": " << read.reason;
        EXPECT_EQ(Joined(func.names), c.names) << c.line;
        EXPECT_EQ(func.minterms, c.minterms) << c.line;
        EXPECT_EQ(func.dontCares, c.dontCares) << c.line;
        EXPECT_EQ(name, c.name) << c.line;
    }
}

TEST(ExpressionInput, LenientListsReadMintermsAndMaxterms)
{
    const std::vector<ExprCase> cases = {
        {"f(a,b,c) = \xCE\xA3m(1, 2, 3)", "a,b,c", {1, 2, 3}, {}},
        {"f(a,b,c) = \xE2\x88\x91m(1,2) + d(3)", "a,b,c", {1, 2}, {3}},
        {"f(a, b, c) = sum m(3, 1)", "a,b,c", {1, 3}, {}},
        {"F(A,B,C) = \xCE\xA0M(0, 3)", "A,B,C", {1, 2, 4, 5, 6, 7}, {}, "F"},
        {"F(A,B) = prod M(0) + d(3)", "A,B", {1, 2}, {3}, "F"},
        {"F(A,B) = \xE2\x88\x8F(0)", "A,B", {1, 2, 3}, {}, "F"},
        {"Y(a,b) = m(1, 2)", "a,b", {1, 2}, {}, "Y"},
        {"g(a,b) = M(1)",
         "a,b",
         {1},
         {},
         "g"},  // a bare M is minterms, as the function reader has it
        {"\xCE\xA3m(1,5)", "a,b,c", {1, 5}, {}},
        {"f(a,b) = m(1,2) + d(2)", "a,b", {1}, {2}},
    };
    for (const ExprCase& c : cases) {
        BooleanFunction func;
        std::string name;
        const ReadResult read = ParseExpressionLine(c.line, 1, func, name);
        ASSERT_TRUE(read.accepted) << c.line << ": " << read.reason;
        EXPECT_EQ(Joined(func.names), c.names) << c.line;
        EXPECT_EQ(func.minterms, c.minterms) << c.line;
        EXPECT_EQ(func.dontCares, c.dontCares) << c.line;
        EXPECT_EQ(name, c.name) << c.line;
        EXPECT_TRUE(IsTermList(c.line)) << c.line;
    }
    EXPECT_FALSE(IsTermList("f = m + d"));
    EXPECT_FALSE(IsTermList("sum + m"));
}

TEST(ExpressionInput, RefusalsNameTheColumnAndWhatWasExpected)
{
    const struct {
        const char* line;
        std::uint64_t column;
        const char* reason;
    } cases[] = {
        {"a + ", 5, "expected a variable, 0, 1, '(' or a negation, found the end of the line"},
        {"(a + b", 7, "expected an operator or ')', found the end of the line"},
        {"a + b)", 6, "')' without its '('"},
        {"a + 2", 5, "expected a variable, 0, 1, '(' or a negation, found '2'"},
        {"a + 10", 5, "a constant is 0 or 1"},
        {"f(a,b) = a + c", 14, "variable 'c' is not in the head"},
        {"f(a,a) = a", 5, "variable 'a' is named twice in the head"},
        {"f(a,b) a + b", 8, "expected '=' after the head, found 'a'"},
        {"f(a,b) =", 9, "expected an expression or a list of minterms, found the end of the line"},
        {"f(a,b) = m(1, 4)", 15, "4 is 2^2 or more (2 variables)"},
        {"f(a,b) = m(1 2)", 14, "expected ',' or ')' after a number, found '2'"},
        {"f(a,b) = \xCE\xA3m(1) b", 17, "expected '+' or the end of the line, found 'b'"},
        {"f(a,b) = a + d(5)", 16, "5 is 2^2 or more (2 variables)"},
        {"a \xE2\x82\xAC", 3, "found byte 0xE2"},
        {"f(a,b) = \xCE\xA3m(1) + \xCE\xA0M(2)", 1, "a line mixes minterms and maxterms"},
    };
    for (const auto& c : cases) {
        BooleanFunction func;
        func.names = {"untouched"};
        std::string name;
        const ReadResult read = ParseExpressionLine(c.line, 4, func, name);
        ASSERT_FALSE(read.accepted) << c.line;
        EXPECT_EQ(read.line, 4U) << c.line;
        EXPECT_NE(read.reason.find(c.reason), std::string::npos) << c.line << ": " << read.reason;
        if (std::string(c.reason) != "a line mixes minterms and maxterms") {
            EXPECT_EQ(read.column, c.column) << c.line << ": " << read.reason;
        }
        EXPECT_EQ(Joined(func.names), "untouched") << c.line;
    }
}

TEST(ExpressionInput, RefusesWhatWouldNotFitTheTruthTable)
{
    std::string wide;
    for (int i = 0; i <= static_cast<int>(kMaxExprVars); ++i) {
        wide += (i == 0 ? "x" : " + x") + std::to_string(i);
    }
    BooleanFunction func;
    std::string name;
    ReadResult read = ParseExpressionLine(wide, 1, func, name);
    EXPECT_FALSE(read.accepted);
    EXPECT_NE(read.reason.find("at most 20 variables, this one has 21"), std::string::npos)
        << read.reason;
    read = ParseExpressionLine(std::string(kMaxExprDepth + 1, '(') + "a", 1, func, name);
    EXPECT_FALSE(read.accepted);
    EXPECT_NE(read.reason.find("nesting deeper"), std::string::npos) << read.reason;
}

// A random expression over up to 8 one-letter variables, written with a
// random choice among the notations of each operator, and its value.
class RandomExpression {
public:
    explicit RandomExpression(std::uint32_t seed) : random(seed) {}

    // Text and evaluator of an expression with `ops` operators.
    std::pair<std::string, std::function<bool(std::uint32_t)>> Make(int ops, std::uint32_t vars)
    {
        if (ops == 0) {
            const std::uint32_t pick = Pick(vars + 2);
            if (pick >= vars) {
                const bool one = pick == vars + 1;
                return {one ? "1" : "0", [one](std::uint32_t) { return one; }};
            }
            const std::uint32_t bit = 7 - pick;  // a is the most significant of 8
            return {std::string(1, static_cast<char>('a' + pick)),
                    [bit](std::uint32_t p) { return ((p >> bit) & 1U) != 0; }};
        }
        const std::uint32_t kind = Pick(4);
        if (kind == 0) {
            const auto inner = Make(ops - 1, vars);
            const std::string& text = inner.first;
            const auto eval = inner.second;
            const char* const prefixes[] = {"!", "~", "\xC2\xAC"};
            const std::string written = Pick(2) == 0
                                            ? prefixes[Pick(3)] + Wrap(text)
                                            : Wrap(text) + (Pick(2) == 0 ? "'" : "\xE2\x80\x99");
            return {written, [eval](std::uint32_t p) { return !eval(p); }};
        }
        const int left = static_cast<int>(Pick(static_cast<std::uint32_t>(ops)));
        const auto leftPart = Make(left, vars);
        const auto rightPart = Make(ops - 1 - left, vars);
        const std::string& lt = leftPart.first;
        const std::string& rt = rightPart.first;
        const auto le = leftPart.second;
        const auto re = rightPart.second;
        const char* const ands[] = {"&", "*", "\xC2\xB7", " ", "\xE2\x88\xA7"};
        const char* const ors[] = {"+", "|", " + ", "\xE2\x88\xA8"};
        const char* const xors[] = {"^", " ^ ", "\xE2\x8A\x95"};
        if (kind == 1) {
            return {Wrap(lt) + ands[Pick(5)] + Wrap(rt),
                    [le, re](std::uint32_t p) { return le(p) && re(p); }};
        }
        if (kind == 2) {
            return {Wrap(lt) + ors[Pick(4)] + Wrap(rt),
                    [le, re](std::uint32_t p) { return le(p) || re(p); }};
        }
        return {Wrap(lt) + xors[Pick(3)] + Wrap(rt),
                [le, re](std::uint32_t p) { return le(p) != re(p); }};
    }

private:
    std::uint32_t Pick(std::uint32_t n)
    {
        return std::uniform_int_distribution<std::uint32_t>(0, n - 1)(random);
    }
    static std::string Wrap(const std::string& text) { return "(" + text + ")"; }
    std::mt19937 random;
};

TEST(ExpressionInput, RandomExpressionsMatchBruteForce)
{
    RandomExpression maker(20261211);
    for (int round = 0; round < 400; ++round) {
        const std::uint32_t vars = 1 + static_cast<std::uint32_t>(round % 8);
        const int ops = round % 13;
        const auto [text, eval] = maker.Make(ops, vars);
        const std::string line = "f(a,b,c,d,e,f,g,h) = " + text;
        BooleanFunction func;
        std::string name;
        const ReadResult read = ParseExpressionLine(line, 1, func, name);
        ASSERT_TRUE(read.accepted) << line << ": column " << read.column << ": " << read.reason;
        std::vector<std::uint32_t> expected;
        for (std::uint32_t p = 0; p < 256; ++p) {
            if (eval(p)) {
                expected.push_back(p);
            }
        }
        ASSERT_EQ(func.minterms, expected) << line;
    }
}

struct TableCase {
    const char* text;
    bool missingDontCare;
    const char* inputs;
    std::vector<std::vector<std::uint32_t>> on;  // per output
    std::vector<std::vector<std::uint32_t>> dontCare;
};

TEST(TableInput, RowsBecomeEachOutputsSets)
{
    const std::vector<TableCase> cases = {
        {"a b f\n0 1 1\n1 1 1\n", false, "a,b", {{1, 3}}, {{}}},
        {"a b | f g\n11 | 1 0\n00|-1\n# note\n\n0 1 | x X\n",
         false,
         "a,b",
         {{3}, {0}},
         {{0, 1}, {1}}},
        {"a,b,f\n1,0,1\n", true, "a,b", {{2}}, {{0, 1, 3}}},
        {"x1 x2 x3 | y\r\n1 1 1 | 1\r\n", false, "x1,x2,x3", {{7}}, {{}}},
    };
    for (const TableCase& c : cases) {
        std::istringstream in(c.text);
        PlaFile pla;
        const ReadResult read = ReadTable(in, pla, c.missingDontCare);
        ASSERT_TRUE(read.accepted) << c.text << read.reason;
        EXPECT_EQ(Joined(pla.inputs), c.inputs);
        ASSERT_EQ(pla.outputs.size(), c.on.size()) << c.text;
        for (std::size_t o = 0; o < c.on.size(); ++o) {
            EXPECT_EQ(pla.outputs[o].on, c.on[o]) << c.text;
            EXPECT_EQ(pla.outputs[o].dontCare, c.dontCare[o]) << c.text;
        }
    }
}

TEST(TableInput, RefusalsNameLineAndColumn)
{
    const struct {
        const char* text;
        std::uint64_t line;
        std::uint64_t column;
        const char* reason;
    } cases[] = {
        {"a b f\n0 2 1\n", 2, 3, "expected 0 or 1 for input 'b', found '2'"},
        {"a b f\n0 1 y\n", 2, 5, "expected 0, 1, '-' or 'x' for output 'f', found 'y'"},
        {"a b f\n0 1\n", 2, 4, "expected 3 values in the row, found 2"},
        {"a b f\n0 1 1 1\n", 2, 7, "expected the end of the row (3 values), found '1'"},
        {"a b f\n0 1 1\n\n0 1 0\n", 4, 1, "row 1 is given again (first at line 2)"},
        {"a b |\n", 1, 6, "expected an output name after the inputs"},
        {"a $b f\n", 1, 3, "expected a name in the header, found '$'"},
        {"\n# only a comment\n", 3, 1,
         "expected a header with the names of the inputs and outputs"},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.text);
        PlaFile pla;
        const ReadResult read = ReadTable(in, pla);
        ASSERT_FALSE(read.accepted) << c.text;
        EXPECT_EQ(read.reason, std::string(c.reason)) << c.text;
        if (!read.atEnd) {
            EXPECT_EQ(read.line, c.line) << c.text;
            EXPECT_EQ(read.column, c.column) << c.text;
        }
    }
}

TEST(AutoInput, PicksTheReaderByContent)
{
    EXPECT_EQ(DetectInput(".i 2", ".o 1"), InputFormat::kPla);
    EXPECT_EQ(DetectInput("01 1", "1- 1"), InputFormat::kPla);
    EXPECT_EQ(DetectInput("a b | f", "0 1 | 1"), InputFormat::kTable);
    EXPECT_EQ(DetectInput("f(a,b) = m(1,2)", ""), InputFormat::kFunction);
    EXPECT_EQ(DetectInput("f(a, b) = m(1,2)", ""), InputFormat::kExpr);
    EXPECT_EQ(DetectInput("a b", ""), InputFormat::kExpr);
    EXPECT_EQ(DetectInput("a b", "c"), InputFormat::kExpr);
    EXPECT_EQ(DetectInput("f = a'b + c", ""), InputFormat::kExpr);
}

// The result-only output of `text` read as `input`, and the messages.
std::pair<std::string, std::string> ResultOf(const std::string& text, InputFormat input,
                                             bool all = false)
{
    std::istringstream in(text);
    std::ostringstream out;
    std::ostringstream messages;
    RunOptions options;
    options.input = input;
    options.resultOnly = true;
    options.all = all;
    options.messages = &messages;
    EXPECT_EQ(Run(in, out, options), RunStatus::kAccepted) << text << messages.str();
    return {out.str(), messages.str()};
}

TEST(InputForms, OneFunctionThroughEveryInputGivesOneResult)
{
    const std::string expected = "f(a,b,c) = c + a'b\n";
    const std::string function = "f(a,b,c) = m(1,2,3,5,7)\n";
    const std::string expr = "f(a,b,c) = a'b + c\n";
    const std::string lists = "f(a, b, c) = \xCE\xA0M(0, 4, 6)\n";
    const std::string table =
        "a b c | f\n0 0 0 | 0\n0 0 1 | 1\n0 1 0 | 1\n0 1 1 | 1\n1 0 1 | 1\n1 1 1 | 1\n";
    const std::string pla = ".i 3\n.o 1\n.ilb a b c\n.ob f\n--1 1\n01- 1\n.e\n";
    EXPECT_EQ(ResultOf(function, InputFormat::kFunction).first, expected);
    EXPECT_EQ(ResultOf(expr, InputFormat::kExpr).first, expected);
    EXPECT_EQ(ResultOf(lists, InputFormat::kExpr).first, expected);
    EXPECT_EQ(ResultOf(table, InputFormat::kTable).first, expected);
    EXPECT_EQ(ResultOf(pla, InputFormat::kPla).first, expected);
    const struct {
        const std::string* text;
        const char* note;
    } autos[] = {{&function, "functions"},
                 {&expr, "expressions"},
                 {&lists, "expressions"},
                 {&table, "a truth table"},
                 {&pla, "a PLA file"}};
    for (const auto& a : autos) {
        const auto [out, messages] = ResultOf(*a.text, InputFormat::kAuto);
        EXPECT_EQ(out, expected) << *a.text;
        EXPECT_EQ(messages, "qmsop: note: standard input is read as " + std::string(a.note) +
                                " (--input=auto)\n");
    }
}

TEST(InputForms, TableOutputsAndExpressionLinesRunOneByOne)
{
    const std::string table = "# two outputs\na b | s c\n00|00\n01|10\n10|10\n11|01\n";
    EXPECT_EQ(ResultOf(table, InputFormat::kTable).first, "s(a,b) = a'b + ab'\nc(a,b) = ab\n");
    EXPECT_EQ(ResultOf(table, InputFormat::kAuto).first, "s(a,b) = a'b + ab'\nc(a,b) = ab\n");
    const std::string lines = "# a comment\nY = a ^ b\n\nf(a,b) = sum m(3)\n";
    EXPECT_EQ(ResultOf(lines, InputFormat::kExpr, true).first, "Y(a,b) = a'b + ab'\nf(a,b) = ab\n");
    EXPECT_EQ(ResultOf(lines, InputFormat::kAuto, true).first, "Y(a,b) = a'b + ab'\nf(a,b) = ab\n");
}

TEST(InputForms, RefusedExpressionKeepsTheOutputOfARefusedFunction)
{
    RunOptions options;
    options.input = InputFormat::kExpr;
    std::ostringstream messages;
    options.messages = &messages;
    std::istringstream in("f = a +\n");
    std::ostringstream out;
    EXPECT_EQ(qmsop::Run(in, out, options), RunStatus::kRefused);
    std::istringstream strictIn("f(a) = m(\n");
    std::ostringstream strictOut;
    RunOptions strict;
    EXPECT_EQ(qmsop::Run(strictIn, strictOut, strict), RunStatus::kRefused);
    EXPECT_EQ(out.str(), strictOut.str());
    EXPECT_EQ(messages.str(),
              "qmsop: input refused at line 1, column 8: expected a variable, 0, 1, '(' or a "
              "negation, found the end of the line\n");
}

}  // namespace
}  // namespace qmsop
