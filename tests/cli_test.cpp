// SPDX-License-Identifier: MIT
// The command line of the built program: options, FILE arguments, --all,
// --result-only, warnings, --strict, usage errors and read errors, each run
// through the binary with its standard output, standard error and status.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "support/test_support.h"

namespace {

namespace fs = std::filesystem;

using qmsop::test::Outcome;
using qmsop::test::ReadFile;
using qmsop::test::Scratch;
using qmsop::test::WriteFile;

const std::string kExample = "f(a,b,c) = m(1,3,5,7) + d(0)\n";
const std::string kTry = "Try 'qmsop --help' for more information.\n";

// The whole default output of a function line, and of a refused input.
std::string FullOutput(const std::string& line)
{
    return Scratch().Run("$Q", line).out;
}
const std::string kRefusedOutput = "f() = m() + d()\n\n[PI]\n\n           \n\nf() = \n\n";

TEST(CommandLine, HelpAndVersion)
{
    const Scratch scratch;
    for (const char* option : {"-h", "--help", "--he"}) {
        const Outcome o = scratch.Run(std::string("$Q ") + option);
        EXPECT_EQ(o.out.rfind("Usage: qmsop [OPTION]... [FILE]...\n", 0), 0u) << option;
        EXPECT_NE(o.out.find("--result-only"), std::string::npos);
        EXPECT_EQ(o.err, "");
        EXPECT_EQ(o.status, 0);
    }
    for (const char* option : {"-V", "--version"}) {
        const Outcome o = scratch.Run(std::string("$Q ") + option);
        EXPECT_EQ(o.out, "qmsop " QMSOP_VERSION "\n") << option;
        EXPECT_EQ(o.status, 0);
    }
}

TEST(CommandLine, UsageErrorsWriteNothingToStandardOutput)
{
    const struct {
        const char* args;
        std::string message;
    } cases[] = {
        {"--x", "unrecognized option '--x'"},
        {"--all=3", "option '--all' doesn't allow an argument"},
        {"-z", "invalid option -- 'z'"},
        {"-az", "invalid option -- 'z'"},
        {"--format", "option '--format' requires an argument"},
        {"-f", "option requires an argument -- 'f'"},
        {"--format=xml", "invalid argument 'xml' for '--format' (text, json, pla or verilog)"},
        {"--input=csv",
         "invalid argument 'csv' for '--input' (function, pla, expr, table or auto)"},
        {"--time-limit=soon",
         "invalid argument 'soon' for '--time-limit' (a decimal number of seconds, 0 for none)"},
        {"--time-limit=-1",
         "invalid argument '-1' for '--time-limit' (a decimal number of seconds, 0 for none)"},
        {"--trace-limit=-5",
         "invalid argument '-5' for '--trace-limit' (a decimal count, 0 for all)"},
    };
    const Scratch scratch;
    for (const auto& c : cases) {
        const Outcome o = scratch.Run(std::string("$Q ") + c.args, kExample);
        EXPECT_EQ(o.out, "") << c.args;
        EXPECT_EQ(o.err, "qmsop: " + c.message + "\n" + kTry) << c.args;
        EXPECT_EQ(o.status, 2) << c.args;
    }
}

TEST(CommandLine, FilesRunInOrderAndAnUnreadableOneDoesNotStopTheOthers)
{
    const Scratch scratch;
    WriteFile(scratch.path() / "one", "f(a,b) = m(1,2)\n");
    WriteFile(scratch.path() / "two", kExample);
    fs::create_directories(scratch.path() / "dir");
    const std::string one = FullOutput("f(a,b) = m(1,2)\n");
    const std::string two = FullOutput(kExample);

    Outcome o = scratch.Run("$Q one two");
    EXPECT_EQ(o.out, one + two);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.status, 0);

    // "-" is standard input, read where it stands.
    o = scratch.Run("$Q two - one", "f(a,b) = m(1,2)\n");
    EXPECT_EQ(o.out, two + one + one);
    EXPECT_EQ(o.status, 0);

    o = scratch.Run("$Q one missing dir two");
    EXPECT_EQ(o.out, one + two);
    EXPECT_EQ(o.err, "qmsop: missing: No such file or directory\nqmsop: dir: Is a directory\n");
    EXPECT_EQ(o.status, 2);

    // A refusal in a file names the file.
    WriteFile(scratch.path() / "bad", "f(a) = m(1 )\n");
    o = scratch.Run("$Q bad one");
    EXPECT_EQ(o.out, kRefusedOutput + one);
    EXPECT_EQ(o.err, "qmsop: bad: input refused at line 1, column 11: blank inside a list\n");
    EXPECT_EQ(o.status, 1);
}

TEST(CommandLine, AllRunsEveryLineAndGoesOnAfterARefusal)
{
    const std::string input =
        "# truth tables of the week\n"
        "f(a,b) = m(1,2)\n"
        "\n"
        "   \t\n"
        "f(a) = m(1 )\n"
        "  # indented comment\n" +
        kExample + "f(a) = m(1)";
    const Scratch scratch;
    Outcome o = scratch.Run("$Q --all", input);
    EXPECT_EQ(o.out, FullOutput("f(a,b) = m(1,2)\n") + kRefusedOutput + FullOutput(kExample) +
                         kRefusedOutput);
    EXPECT_EQ(o.err,
              "qmsop: input refused at line 5, column 11: blank inside a list\n"
              "qmsop: input refused at the end of line 8: expected a newline or '+' after the "
              "minterm list\n");
    EXPECT_EQ(o.status, 1);

    o = scratch.Run("$Q -a -r", input);
    EXPECT_EQ(o.out, "f(a,b) = a'b + ab'\nf() = \nf(a,b,c) = c\nf() = \n");
    EXPECT_EQ(o.status, 1);

    o = scratch.Run("$Q -ar", "f(a) = m(0)\r\nf(a) = m(1) + d()\r\n");
    EXPECT_EQ(o.out, "f() = \nf(a) = a\n");
    EXPECT_EQ(o.err,
              "qmsop: input refused at line 1, column 12: expected a newline or '+' after the "
              "minterm list, found a carriage return (Windows line end?)\n");
}

TEST(CommandLine, ResultOnlyWritesTheLastLineOfTheFullRun)
{
    const Scratch scratch;
    for (const std::string& line :
         {kExample, std::string("f(a,b,c,d) = m(0,1,2,5,6,7,8,9,10,14)\n"),
          std::string("f(a) = m()\n"), std::string("f(a b) = m(1)\n")}) {
        const std::string full = FullOutput(line);
        const std::string last = full.substr(full.rfind('\n', full.size() - 3) + 1);
        const Outcome o = scratch.Run("$Q --result-only", line);
        EXPECT_EQ(o.out + "\n", last) << line;
    }
}

TEST(CommandLine, WarningsGoToStandardErrorAndChangeNothingElse)
{
    const struct {
        std::string input;
        std::string warning;
    } cases[] = {
        {"f(a,b) = m(5,1)\n", "line 1, column 12: minterm 5 is 2^2 or more (2 variables)"},
        {"f(a,b) = m(l,3)\n", "line 1, column 12: 'l' is not a number; read as 0"},
        {"f(a,b) = m(3x)\n", "line 1, column 12: '3x' has trailing letters; read as 3"},
        {"f(a,a) = m(1)\n", "line 1, column 5: variable 'a' is named twice"},
        {"f(a,b) = m(1,3) + d(3)\n", "line 1, column 21: 3 is both a minterm and a don't-care"},
        {"f(a,b) = m(1) + d(2) + d(3)\n", "line 1, column 22: text after the function is ignored"},
        {"f(a,b) = m(1,4294967297)\n",
         "line 1, column 14: number 4294967297 is 2^32 or more; read modulo 2^32 as 1"},
    };
    const Scratch scratch;
    for (const auto& c : cases) {
        const Outcome plain = scratch.Run("$Q", c.input);
        EXPECT_EQ(plain.err, "qmsop: warning: " + c.warning + "\n") << c.input;
        EXPECT_EQ(plain.status, 0) << c.input;

        const Outcome strict = scratch.Run("$Q --strict", c.input);
        EXPECT_EQ(strict.out, kRefusedOutput) << c.input;
        EXPECT_EQ(strict.err, "qmsop: input refused at " + c.warning + " (refused by --strict)\n")
            << c.input;
        EXPECT_EQ(strict.status, 1) << c.input;
    }
    // In --all mode each warning names its own line.
    const Outcome all = scratch.Run("$Q -ar", "f(a) = m(1)\nf(a) = m(2)\n");
    EXPECT_EQ(all.err,
              "qmsop: warning: line 2, column 10: minterm 2 is 2^1 or more (1 variable)\n");
    EXPECT_EQ(all.status, 0);
}

TEST(CommandLine, StandardInputThatCannotBeReadIsARefusal)
{
    const Scratch scratch;
    const struct {
        const char* shell;
        const char* reason;
    } cases[] = {
        {"$Q < .", "Is a directory"},
        {"$Q <&-", "Bad file descriptor"},
        {"$Q --all < .", "Is a directory"},
    };
    for (const auto& c : cases) {
        const Outcome o = scratch.Run(c.shell);
        EXPECT_EQ(o.out,
                  std::string(c.shell).find("--all") == std::string::npos ? kRefusedOutput : "")
            << c.shell;
        EXPECT_EQ(o.err, std::string("qmsop: error reading standard input: ") + c.reason + "\n")
            << c.shell;
        EXPECT_EQ(o.status, 1) << c.shell;
    }
}

}  // namespace
