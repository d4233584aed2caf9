// SPDX-License-Identifier: MIT
// The library entry of the run: what it reads, what it counts, and that the
// default options give the program's default output.
#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "run/run.h"

namespace {

// Serves `text`, then behaves as a terminal where nobody types: any read
// past the text fails the test instead of waiting.
class TerminalBuffer : public std::streambuf {
public:
    explicit TerminalBuffer(std::string text) : text(std::move(text))
    {
        setg(this->text.data(), this->text.data(), this->text.data() + this->text.size());
    }
    bool waited = false;

protected:
    int_type underflow() override
    {
        waited = true;
        return traits_type::eof();
    }

private:
    std::string text;
};

TEST(Run, AnswersAsSoonAsTheFunctionsLineIsComplete)
{
    const struct {
        std::string line;
        std::string result;
    } cases[] = {
        {"f(a) = m(1)\n", "f(a) = a\n"},
        {"f(a,b) = m(3) + d(2)\n", "f(a,b) = a\n"},
        {"f(a,b) = m(3) + d(2) and some words\n", "f(a,b) = a\n"},
    };
    for (const auto& c : cases) {
        TerminalBuffer terminal(c.line);
        std::istream in(&terminal);
        std::ostringstream out;
        qmsop::RunOptions options;
        options.resultOnly = true;
        qmsop::Run(in, out, options);
        EXPECT_EQ(out.str(), c.result) << c.line;
        EXPECT_FALSE(terminal.waited) << c.line;
    }
}

TEST(Run, CountsFunctionsRefusalsAndWarnings)
{
    std::istringstream in("f(a,b) = m(1,2)\n# note\nf(a) = m(3)\nf(a) = x\n");
    std::ostringstream out;
    std::ostringstream messages;
    qmsop::RunOptions options;
    options.all = true;
    options.messages = &messages;
    qmsop::RunStats stats;
    EXPECT_EQ(qmsop::Run(in, out, options, &stats), qmsop::RunStatus::kRefused);
    EXPECT_EQ(stats.functions, 3u);
    EXPECT_EQ(stats.refused, 1u);
    EXPECT_EQ(stats.warnings, 1u);
    EXPECT_EQ(messages.str(),
              "qmsop: warning: line 3, column 10: minterm 3 is 2^1 or more (1 variable)\n"
              "qmsop: input refused at line 4, column 8: expected 'm', found 'x'\n");
}

TEST(Run, DropsMessagesWithoutASink)
{
    // The refusal's message has no sink: it must reach neither the output nor
    // the process's own streams, and the run still counts it.
    std::ostringstream cerrSeen;
    std::ostringstream clogSeen;
    std::streambuf* const cerrBuffer = std::cerr.rdbuf(cerrSeen.rdbuf());
    std::streambuf* const clogBuffer = std::clog.rdbuf(clogSeen.rdbuf());
    std::istringstream in("f(a) = m(1 )\n");
    std::ostringstream out;
    qmsop::RunStats stats;
    const qmsop::RunStatus status = qmsop::Run(in, out, {}, &stats);
    std::cerr.rdbuf(cerrBuffer);
    std::clog.rdbuf(clogBuffer);
    EXPECT_EQ(status, qmsop::RunStatus::kRefused);
    EXPECT_EQ(stats.refused, 1U);
    EXPECT_EQ(out.str(), "f() = m() + d()\n\n[PI]\n\n           \n\nf() = \n\n");
    EXPECT_EQ(cerrSeen.str(), "");
    EXPECT_EQ(clogSeen.str(), "");
}

TEST(Run, AFailedWriteIsReported)
{
    std::istringstream in("f(a,b,c) = m(1,3,5,7)\n");
    std::ostringstream out;
    out.setstate(std::ios::badbit);
    EXPECT_EQ(qmsop::Run(in, out), qmsop::RunStatus::kWriteError);
}

}  // namespace
