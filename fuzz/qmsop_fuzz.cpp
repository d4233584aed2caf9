// SPDX-License-Identifier: MIT
// libFuzzer target: the whole run through qmsop::Run on the input text, with
// options taken from its last byte (XOR a newline, so that a plain function
// line runs with the default options); the output is thrown away. Besides crashes, leaks, undefined
// behaviour and exceptions it stops on broken promises:
//   - a refused input leaves the function empty and names a position that
//     exists in the input;
//   - an accepted input echoes as a line that reads back to the same function;
//   - a run of one accepted function (no --strict) reports success.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "io/function.h"
#include "run/run.h"

namespace {

// Functions wider or longer than this are only read, not run, so that every
// input stays quick.
constexpr std::uint32_t kMaxVars = 70;
// --pos minimises the complement, all 2^n points of it.
constexpr std::uint32_t kMaxPosVars = 8;
constexpr std::uint64_t kMaxNumbers = 300;

// A stream buffer that accepts every character and keeps none.
class DiscardBuffer : public std::streambuf {
protected:
    int_type overflow(int_type c) override { return traits_type::not_eof(c); }
    std::streamsize xsputn(const char*, std::streamsize n) override { return n; }
};

void Require(bool condition)
{
    if (!condition) {
        std::abort();
    }
}

bool IsEmpty(const qmsop::BooleanFunction& func)
{
    return func.names.empty() && func.minterms.empty() && func.dontCares.empty();
}

bool SameFunction(const qmsop::BooleanFunction& a, const qmsop::BooleanFunction& b)
{
    return a.names == b.names && a.minterms == b.minterms && a.dontCares == b.dontCares;
}

// True when the text has a character at this line and column (both from 1,
// the column in bytes).
bool HasPosition(const std::string& text, std::uint64_t line, std::uint64_t column)
{
    std::uint64_t currentLine = 1;
    std::size_t lineStart = 0;
    for (std::size_t i = 0; i < text.size() && currentLine < line; ++i) {
        if (text[i] == '\n') {
            ++currentLine;
            lineStart = i + 1;
        }
    }
    return currentLine == line && column >= 1 && lineStart + (column - 1) < text.size();
}

// Reads the first function of `text` and checks the reader's promises; true
// when the function is small enough to run.
bool CheckRead(const std::string& text, std::uint32_t maxVars, bool& accepted)
{
    std::istringstream in(text);
    qmsop::BooleanFunction func;
    const qmsop::ReadResult read = qmsop::ReadFunction(in, func);
    accepted = read.accepted;
    if (!read.accepted) {
        Require(IsEmpty(func));
        Require(read.atEnd || HasPosition(text, read.line, read.column));
        Require(!qmsop::DescribeRefusal(read).empty());
        return true;
    }
    for (const qmsop::Diagnostic& warning : read.warnings) {
        Require(HasPosition(text, warning.line, warning.column));
    }
    std::ostringstream echo;
    echo << func << '\n';
    std::istringstream again(echo.str());
    qmsop::BooleanFunction reread;
    Require(qmsop::ReadFunction(again, reread).accepted);
    Require(SameFunction(func, reread));
    return func.numVars() <= maxVars &&
           std::uint64_t{func.numMinterms()} + func.numDontCares() <= kMaxNumbers;
}

// Every line of --all input must be small enough to run.
bool LinesSmallEnough(const std::string& text, std::uint32_t maxVars)
{
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream in(line + "\n");
        qmsop::BooleanFunction func;
        qmsop::ReadFunction(in, func);
        if (func.numVars() > maxVars ||
            std::uint64_t{func.numMinterms()} + func.numDontCares() > kMaxNumbers) {
            return false;
        }
    }
    return true;
}

qmsop::RunOptions OptionsFrom(std::uint8_t bits)
{
    qmsop::RunOptions options;
    options.resultOnly = (bits & 0x01) != 0;
    options.all = (bits & 0x02) != 0;
    options.strict = (bits & 0x04) != 0;
    options.cover = (bits & 0x08) != 0 ? qmsop::CoverMode::kExact : qmsop::CoverMode::kGreedy;
    options.timeLimitSeconds = 0.01;
    options.pos = (bits & 0x10) != 0;
    options.format = static_cast<qmsop::OutputFormat>((bits >> 5) & 0x03);
    options.traceLimit = (bits & 0x80) != 0 ? 3 : 0;
    return options;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    const qmsop::RunOptions options = OptionsFrom(data[size - 1] ^ '\n');
    const std::string text(reinterpret_cast<const char*>(data), size);
    bool accepted = false;
    const std::uint32_t maxVars = options.pos ? kMaxPosVars : kMaxVars;
    if (!CheckRead(text, maxVars, accepted) || (options.all && !LinesSmallEnough(text, maxVars))) {
        return 0;
    }

    std::istringstream in(text);
    DiscardBuffer discard;
    std::ostream out(&discard);
    std::ostringstream messages;
    qmsop::RunOptions run = options;
    run.messages = &messages;
    const qmsop::RunStatus status = qmsop::Run(in, out, run);
    if (!options.all && !options.strict && !options.pos && accepted) {
        Require(status == qmsop::RunStatus::kAccepted);
    }
    return 0;
}
