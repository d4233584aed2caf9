// SPDX-License-Identifier: MIT
// Hostile uses of the output side: --all with PLA and Verilog, clashing
// names, the constant 1 of no variables, numbers past 2^n, read errors in the
// machine-readable formats, M(...) for minterms, option values and option
// combinations, and a full standard output. Each row runs the built program
// (files, pipes, /dev/full) or qmsop::Run; the PLA documents of --all are read
// back with the program's own reader and compared with the input point by
// point.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "io/function.h"
#include "io/pla.h"
#include "run/run.h"
#include "support/test_support.h"

namespace {

using qmsop::test::Outcome;

// Runs `shell` (where $Q is the program) in a scratch directory holding the
// files one.txt and two.txt (each `f(a,b) = m(1)`) and fun.pla (a function
// line), with `input` as standard input.
Outcome RunShell(const std::string& shell, const std::string& input)
{
    const qmsop::test::Scratch scratch;
    qmsop::test::WriteFile(scratch.path() / "one.txt", "f(a,b) = m(1)\n");
    qmsop::test::WriteFile(scratch.path() / "two.txt", "f(a,b) = m(1)\n");
    qmsop::test::WriteFile(scratch.path() / "fun.pla", "f(a,b) = m(1,2)\n");
    return scratch.Run(shell, input);
}

struct Row {
    const char* item;  // the fault, as the row's name
    std::string shell;
    std::string input;
    int status;
    std::vector<std::string> outHas;
    std::vector<std::string> outLacks;
    std::vector<std::string> errHas;
};

void Check(const Row& row)
{
    SCOPED_TRACE(std::string(row.item) + ": " + row.shell);
    const Outcome o = RunShell(row.shell, row.input);
    EXPECT_EQ(o.status, row.status) << o.err;
    for (const std::string& text : row.outHas) {
        EXPECT_NE(o.out.find(text), std::string::npos) << "missing: " << text << "\n" << o.out;
    }
    for (const std::string& text : row.outLacks) {
        EXPECT_EQ(o.out.find(text), std::string::npos) << "present: " << text << "\n" << o.out;
    }
    for (const std::string& text : row.errHas) {
        EXPECT_NE(o.err.find(text), std::string::npos) << "missing: " << text << "\n" << o.err;
    }
}

TEST(HostileOutput, AllWithPlaAndVerilogGivesEachFunctionItsOwnDocument)
{
    const Row rows[] = {
        {"names of the last line for every line",
         "$Q --all -f verilog",
         "f(a,b,c) = m(1)\nf(x,y) = m(1)\n",
         0,
         {"module f(input wire a, input wire b, input wire c, output wire f);\n"
          "  assign f = ~a & ~b & c;\nendmodule\n",
          "module f_2(input wire x, input wire y, output wire f);\n  assign f = ~x & y;\n"},
         {"& f;"},
         {}},
        {"ports read past their end",
         "$Q --all -f verilog",
         "f(a,b,c,d,e,f,g,h,i,j) = m(1023)\nf(a) = m(1)\n",
         0,
         {"output wire f_2);\n  assign f_2 = a & b & c & d & e & f & g & h & i & j;\n",
          "module f_2(input wire a, output wire f);\n  assign f = a;\nendmodule\n"},
         {},
         {}},
        {"one .i over cubes of two widths",
         "$Q --all -f pla",
         "f(a,b) = m(1)\nf(a,b,c) = m(7)\n",
         0,
         {".i 2\n.o 1\n.ilb a b\n.ob f\n.type f\n.p 1\n01 1\n.e\n",
          ".i 3\n.o 1\n.ilb a b c\n.ob f\n.type f\n.p 1\n111 1\n.e\n"},
         {},
         {}},
        {"lines sharing their inputs share a document",
         "$Q --all -f pla",
         "f(p,q) = m(1)\n\nf(p,q) = m(2)\n",
         0,
         {".i 2\n.o 2\n.ilb p q\n.ob f f_2\n.type f\n.p 2\n01 10\n10 01\n.e\n"},
         {".ob f f\n"},
         {}},
        {"a refused line leaves the others whole",
         "$Q --all -f verilog",
         "f(a) = m(1)\nf(a) = m(1 )\nf(a) = m(0)\n",
         1,
         {"module f(input wire a, output wire f, output wire f_2);\n  assign f = a;\n"
          "  assign f_2 = ~a;\n"},
         {"1'b0"},
         {"input refused at line 2"}},
    };
    for (const Row& row : rows) {
        Check(row);
    }
}

TEST(HostileOutput, NamesAreUniqueInEveryFormat)
{
    const Row rows[] = {
        {"an output named like an input (PLA)",
         "$Q -f pla",
         "f(a,f) = m(1,2)\n",
         0,
         {".ilb a f\n.ob f_2\n"},
         {".ob f\n"},
         {}},
        {"two FILEs each writing module f",
         "$Q -f verilog one.txt two.txt",
         "",
         0,
         {"module f(input wire a", "module f_2(input wire a"},
         {},
         {}},
        {"two FILEs of --all",
         "$Q --all -f verilog one.txt - two.txt",
         "f(x) = m(0)\n",
         0,
         {"module f(input wire a", "module f_2(input wire x", "module f_3(input wire a"},
         {},
         {}},
        {"--name in text",
         "$Q --name=g",
         "f(a,b) = m(1,2)\n",
         0,
         {"g(a,b) = m(1,2) + d()\n", "g(a,b) = a'b + ab'\n"},
         {"f(a,b)"},
         {}},
        {"--name in Verilog",
         "$Q --name=carry -f verilog",
         "f(a,b) = m(3)\n",
         0,
         {"module carry(input wire a, input wire b, output wire carry);\n"},
         {},
         {}},
        {"--name in PLA and JSON",
         "$Q --name=g -f pla stdin && $Q --name=g -f json stdin",
         "f(a,b) = m(3)\n",
         0,
         {".ob g\n", "\"function\":{\"name\":\"g\""},
         {},
         {}},
        {"--name with a blank",
         "$Q --name='a b'",
         "",
         2,
         {},
         {},
         {"invalid argument 'a b' for '--name'"}},
        {"--name empty", "$Q --name=", "", 2, {}, {}, {"invalid argument '' for '--name'"}},
    };
    for (const Row& row : rows) {
        Check(row);
    }
}

TEST(HostileOutput, TheConstantOneOfNoVariablesIsOne)
{
    const std::string one = "f() = m(0)\n";
    const std::string pla = ".i 0\n.o 1\n1\n.e\n";
    const Row rows[] = {
        {"Verilog", "$Q -f verilog", one, 0, {"assign f = 1'b1;"}, {"1'b0"}, {}},
        {"JSON", "$Q -f json", one, 0, {"\"constant\":1,\"cubes\":[\"\"]"}, {"\"constant\":0"}, {}},
        {"PLA", "$Q -f pla", one, 0, {".p 1\n 1\n.e\n"}, {".p 0"}, {}},
        {"certificate",
         "$Q -x -r",
         one,
         0,
         {"minimum: 1 product, 0 literals (proven)\n"},
         {"0 products"},
         {}},
        {"PLA input to Verilog", "$Q --input=pla -f verilog", pla, 0, {"assign f = 1'b1;"}, {}, {}},
        {"PLA input to PLA", "$Q --input=pla -f pla", pla, 0, {".p 1\n 1\n"}, {}, {}},
        {"PLA input, certificate",
         "$Q --input=pla -x -r",
         pla,
         0,
         {"minimum: 1 product, 0 literals (proven)\n"},
         {},
         {}},
        {"a number past 2^0", "$Q -f verilog", "f() = m(5)\n", 0, {"1'b1"}, {}, {"minterm 5"}},
        {"the complement stays right", "$Q --pos -f verilog", one, 0, {"1'b1"}, {}, {}},
        {"zero stays zero", "$Q -f verilog", "f() = m()\n", 0, {"1'b0"}, {}, {}},
    };
    for (const Row& row : rows) {
        Check(row);
    }
}

TEST(HostileOutput, ANumberPast2ToTheNIsItsLowestBitsInEveryOption)
{
    // With two variables, 7 is the point 3 (ab) and 4 the point 0, as the
    // default result line writes them.
    const Row rows[] = {
        {"default", "$Q -r", "f(a,b) = m(1,7)\n", 0, {"f(a,b) = a'b + ab\n"}, {}, {"minterm 7"}},
        {"--pos", "$Q -r --pos", "f(a,b) = m(1,7)\n", 0, {"f(a,b) = (b)\n"}, {"(a')"}, {}},
        {"--pos, a don't-care past 2^n",
         "$Q -r --pos",
         "f(a,b) = m(1) + d(7)\n",
         0,
         {"f(a,b) = (b)\n"},
         {},
         {}},
        {"--exact",
         "$Q -r -x",
         "f(a,b) = m(1,7)\n",
         0,
         {"f(a,b) = b\n", "1 product, 1 literal"},
         {},
         {}},
        {"--exact, a constant 1",
         "$Q -r -x",
         "f(a,b) = m(0,1,2,3,4)\n",
         0,
         {"f(a,b) = \nminimum: 1 product, 0 literals (proven)\n"},
         {"a'b'", "2 products"},
         {}},
        {"--exact agrees with Verilog",
         "$Q -x -f verilog",
         "f(a,b) = m(0,1,2,3,4)\n",
         0,
         {"assign f = 1'b1;"},
         {},
         {}},
    };
    for (const Row& row : rows) {
        Check(row);
    }
}

TEST(HostileOutput, AnUnreadInputNeverLooksAccepted)
{
    // Standard input is the scratch directory itself: reading it fails.
    const Row rows[] = {
        {"JSON",
         "$Q -f json < .",
         "",
         1,
         {"\"accepted\":false,\"refusal\":{\"line\":1,\"column\":1,\"atEnd\":true,",
          "\"message\":\"error reading standard input: Is a directory\"}"},
         {"\"accepted\":true", "\"refusal\":null"},
         {"error reading standard input"}},
        {"JSON of a PLA input",
         "$Q --input=pla -f json < .",
         "",
         1,
         {"\"accepted\":false"},
         {"\"accepted\":true"},
         {}},
        {"PLA", "$Q -f pla < .", "", 1, {}, {".i", ".p"}, {"error reading standard input"}},
        {"Verilog", "$Q -f verilog < .", "", 1, {}, {"module"}, {"error reading"}},
        {"PLA of a PLA input", "$Q --input=pla -f pla < .", "", 1, {}, {".i"}, {}},
        {"a refused input in PLA", "$Q -f pla", "f(a) = m(1 )\n", 1, {}, {".i"}, {"input refused"}},
        {"a refused input in JSON",
         "$Q -f json",
         "f(a) = m(1 )\n",
         1,
         {"\"accepted\":false,\"refusal\":{\"line\":1,\"column\":11,"},
         {},
         {}},
    };
    for (const Row& row : rows) {
        Check(row);
    }
}

TEST(HostileOutput, CapitalMIsWarnedAndRefusedUnderStrict)
{
    const std::string warning =
        "M(...) is read as a list of minterms, as m(...) is, not of maxterms";
    const Outcome lower = RunShell("$Q", "f(a,b,c) = m(0,3)\n");
    const Outcome upper = RunShell("$Q", "f(a,b,c) = M(0,3)\n");
    EXPECT_EQ(upper.out, lower.out);
    EXPECT_EQ(upper.status, 0);
    EXPECT_EQ(upper.err, "qmsop: warning: line 1, column 12: " + warning + "\n");
    Check({"--strict",
           "$Q -r --strict",
           "f(a,b,c) = M(0,3)\n",
           1,
           {"f() = \n"},
           {},
           {"input refused at line 1, column 12: " + warning + " (refused by --strict)"}});
    Check({"lower case", "$Q -r --strict", "f(a,b,c) = m(0,3)\n", 0, {}, {}, {}});
}

TEST(HostileOutput, OptionValuesAndCombinations)
{
    const Row rows[] = {
        {"--all ignored with --input=pla",
         "$Q --input=pla --all -r",
         ".i 1\n.o 1\n1 1\n.e\n",
         0,
         {"f(x0) = x0\n"},
         {},
         {"qmsop: warning: --all has no effect with --input=pla"}},
        {"--all ignored on a *.pla FILE",
         "printf '.i 1\\n.o 1\\n0 1\\n.e\\n' > x.pla && $Q --all -r x.pla",
         "",
         0,
         {"f(x0) = x0'\n"},
         {},
         {"qmsop: warning: x.pla: --all has no effect on a PLA file"}},
        {"--time-limit without --exact",
         "$Q -r --time-limit=3",
         "f(a) = m(1)\n",
         0,
         {"f(a) = a\n"},
         {},
         {"qmsop: warning: --time-limit has no effect without --exact"}},
        {"--trace-limit without JSON",
         "$Q -r --trace-limit=3",
         "f(a) = m(1)\n",
         0,
         {"f(a) = a\n"},
         {},
         {"qmsop: warning: --trace-limit has no effect without --format=json"}},
        {"hexadecimal seconds",
         "$Q -x --time-limit=0x10",
         "",
         2,
         {},
         {"f("},
         {"invalid argument '0x10' for '--time-limit'"}},
        {"infinite seconds", "$Q -x --time-limit=inf", "", 2, {}, {}, {"'inf'"}},
        {"seconds past the largest double", "$Q -x --time-limit=1e999", "", 2, {}, {}, {"'1e999'"}},
        {"a blank and a sign",
         "$Q -f json --trace-limit=' -3'",
         "",
         2,
         {},
         {},
         {"invalid argument ' -3' for '--trace-limit'"}},
        {"a count past 2^64",
         "$Q -f json --trace-limit=18446744073709551616",
         "",
         2,
         {},
         {},
         {"'18446744073709551616'"}},
        {"a fraction of a count", "$Q -f json --trace-limit=1.5", "", 2, {}, {}, {"'1.5'"}},
        // The accepted forms.
        {"--input=function overrides the *.pla rule",
         "$Q -r --input=function fun.pla",
         "",
         0,
         {"f(a,b) = a'b + ab'\n"},
         {},
         {}},
        {"--time-limit=0 is no limit",
         "$Q -x -r --time-limit=0",
         "f(a,b) = m(1,2,3)\n",
         0,
         {"f(a,b) = b + a\nminimum: 2 products, 2 literals (proven)\n"},
         {},
         {}},
        {"decimal seconds", "$Q -x -r --time-limit=.5", "f(a) = m(1)\n", 0, {"minimum:"}, {}, {}},
        {"seconds with an exponent",
         "$Q -x -r --time-limit=1e3",
         "f(a) = m(1)\n",
         0,
         {"minimum:"},
         {},
         {}},
        {"the largest count",
         "$Q -f json --trace-limit=18446744073709551615",
         "f(a) = m(1)\n",
         0,
         {"\"truncated\":false"},
         {},
         {}},
        {"--help says what --trace-limit cuts",
         "$Q --help",
         "",
         0,
         {"--name=NAME", "implicants per column, prime\n"},
         {"each part"},
         {}},
    };
    for (const Row& row : rows) {
        Check(row);
    }
}

TEST(HostileOutput, HelpAndVersionToAFullDeviceFailWithAMessage)
{
    for (const char* option : {"--help", "--version"}) {
        Check({option,
               std::string("$Q ") + option + " > /dev/full",
               "",
               1,
               {},
               {},
               {"qmsop: error writing standard output"}});
    }
}

// The point `p` of a function as the result lines describe it: 1 when a
// minterm's lowest n bits are p, else a don't-care when a don't-care's are,
// else 0. Returns 1, 0, or -1 for a don't-care.
int ValueAt(const qmsop::BooleanFunction& func, std::uint32_t p)
{
    const std::uint32_t mask = (std::uint32_t{1} << func.numVars()) - 1;
    for (const std::uint32_t m : func.minterms) {
        if ((m & mask) == p) {
            return 1;
        }
    }
    for (const std::uint32_t d : func.dontCares) {
        if ((d & mask) == p) {
            return -1;
        }
    }
    return 0;
}

// The documents of a PLA output, each ended by ".e\n".
std::vector<std::string> Documents(const std::string& text)
{
    std::vector<std::string> documents;
    std::size_t start = 0;
    for (std::size_t end = text.find(".e\n"); end != std::string::npos;
         end = text.find(".e\n", start)) {
        documents.push_back(text.substr(start, end + 3 - start));
        start = end + 3;
    }
    EXPECT_EQ(start, text.size()) << "text after the last .e";
    return documents;
}

TEST(HostileOutput, EveryPlaDocumentOfAllReadsBackAsItsFunctions)
{
    const std::vector<std::string> lines = {
        "f(a,b,c) = m(1,3,5) + d(7)",
        "f(a,b,c) = m(0,6)",
        "f(x,y) = m(1,7)",  // 7: point 3
        "f() = m(0)",
        "f(a,f) = m(1,2)",
        "f(a,f) = m()",
        "f(p,q,r,s) = m(0,2,8,10,15) + d(5)",
    };
    for (const bool pos : {false, true}) {
        for (const bool exact : {false, true}) {
            SCOPED_TRACE(std::string(pos ? "--pos " : "") + (exact ? "--exact" : "greedy"));
            std::string input;
            for (const std::string& line : lines) {
                input += line + '\n';
            }
            std::istringstream in(input);
            std::ostringstream out;
            qmsop::RunOptions options;
            options.all = true;
            options.pos = pos;
            options.format = qmsop::OutputFormat::kPla;
            options.cover = exact ? qmsop::CoverMode::kExact : qmsop::CoverMode::kGreedy;
            qmsop::RunStats stats;
            ASSERT_EQ(qmsop::Run(in, out, options, &stats), qmsop::RunStatus::kAccepted);
            const std::vector<std::string> documents = Documents(out.str());
            EXPECT_EQ(documents.size(), stats.modules);
            std::size_t next = 0;  // the line whose output comes next
            for (const std::string& document : documents) {
                std::istringstream text(document);
                qmsop::PlaFile pla;
                ASSERT_TRUE(qmsop::ReadPla(text, pla).accepted) << document;
                std::set<std::string> names(pla.inputs.begin(), pla.inputs.end());
                for (std::size_t o = 0; o < pla.outputs.size(); ++o, ++next) {
                    EXPECT_TRUE(names.insert(pla.outputs[o].name).second) << document;
                    ASSERT_LT(next, lines.size()) << document;
                    std::istringstream line(lines[next] + '\n');
                    qmsop::BooleanFunction want;
                    qmsop::ReadFunction(line, want);
                    ASSERT_EQ(pla.inputs, want.names) << document;
                    const qmsop::BooleanFunction got = qmsop::FunctionOf(pla, o);
                    const std::set<std::uint32_t> on(got.minterms.begin(), got.minterms.end());
                    for (std::uint32_t p = 0; p < (std::uint32_t{1} << want.numVars()); ++p) {
                        const int value = ValueAt(want, p);
                        if (value >= 0) {
                            EXPECT_EQ(on.count(p), static_cast<std::size_t>(value))
                                << lines[next] << " at " << p << "\n"
                                << document;
                        }
                    }
                }
            }
            EXPECT_EQ(next, lines.size());
        }
    }
}

}  // namespace
