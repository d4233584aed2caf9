// SPDX-License-Identifier: MIT
// libFuzzer target: the whole run of qmsop (read, echo, tabulation, report,
// chart, cover, expression, chart report) on arbitrary bytes, with the output
// thrown away. Besides crashes, leaks and undefined behaviour it stops on two
// broken promises of the reader:
//   - a refused input leaves the function empty and names a position that
//     exists in the input;
//   - an accepted input echoes as a line that reads back to the same function.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "function.h"
#include "mccluskey.h"
#include "quine.h"

namespace {

// Functions wider or longer than this skip the tabulation, so that every
// input stays quick; the reader and the echo still run on them.
constexpr std::uint32_t kMaxVars = 12;
constexpr std::uint64_t kMaxNumbers = 200;

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
    return func.numVars() == 0 && func.numMinterms() == 0 && func.numDontCares() == 0 &&
           func.names.empty() && func.minterms.empty() && func.dontCares.empty();
}

bool SameFunction(const qmsop::BooleanFunction& a, const qmsop::BooleanFunction& b)
{
    return a.numVars() == b.numVars() && a.numMinterms() == b.numMinterms() &&
           a.numDontCares() == b.numDontCares() && a.names == b.names && a.minterms == b.minterms &&
           a.dontCares == b.dontCares;
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

void CheckRead(const std::string& text, const qmsop::ReadResult& read,
               const qmsop::BooleanFunction& func)
{
    if (!read.accepted) {
        Require(IsEmpty(func));
        Require(read.atEnd || HasPosition(text, read.line, read.column));
        Require(!qmsop::DescribeRefusal(read).empty());
        return;
    }
    Require(func.names.size() == func.numVars() && func.minterms.size() == func.numMinterms() &&
            func.dontCares.size() == func.numDontCares());
    std::ostringstream echo;
    echo << func << '\n';
    std::istringstream again(echo.str());
    qmsop::BooleanFunction reread;
    Require(qmsop::ReadFunction(again, reread).accepted);
    Require(SameFunction(func, reread));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::istringstream in(text);
    DiscardBuffer discard;
    std::ostream out(&discard);

    qmsop::Quine quine;
    const qmsop::ReadResult read = qmsop::ReadFunction(in, quine.func);
    CheckRead(text, read, quine.func);
    out << quine.func << '\n';
    if (quine.func.numVars() > kMaxVars ||
        std::uint64_t{quine.func.numMinterms()} + quine.func.numDontCares() > kMaxNumbers) {
        return 0;
    }
    quine.FindPrimeImplicants();
    out << quine << '\n';
    qmsop::McCluskey chart(quine);
    chart.Solve();
    out << chart << '\n';
    return 0;
}
