// SPDX-License-Identifier: MIT
// libFuzzer target: the whole run through qmsop::Run on the input text, with
// options taken from its last byte (XOR a newline, so that a plain function
// line runs with the default options); an input whose first non-blank byte
// is '.' or '#' is a PLA file (run with --input=pla). Besides crashes, leaks,
// undefined behaviour and exceptions it stops on broken promises:
//   - a refused input leaves the function empty and names a position that
//     exists in the input;
//   - an accepted input echoes as a line that reads back to the same function;
//   - a run of one accepted function (no --strict) reports success;
//   - for a small accepted input, every output format (text, JSON, PLA,
//     Verilog), greedy and exact, sum and product, one function and --all,
//     reads back to a cover that is 1 on every minterm and 0 off the
//     function (support/readback.h).
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>

#include "io/function.h"
#include "io/pla.h"
#include "run/run.h"
#include "support/readback.h"

namespace {

// Functions wider or longer than this are only read, not run, so that every
// input stays quick.
constexpr std::uint32_t kMaxVars = 70;
// --pos minimises the complement, all 2^n points of it.
constexpr std::uint32_t kMaxPosVars = 8;
constexpr std::uint64_t kMaxNumbers = 300;
// PLA files with more inputs or outputs are not read (the reader expands
// every cube into its points).
constexpr std::uint64_t kMaxRunPlaInputs = 8;
constexpr std::uint64_t kMaxRunPlaOutputs = 8;
// Inputs this small are run in every format and read back.
constexpr std::uint32_t kMaxReadBackVars = 8;
constexpr std::uint64_t kMaxReadBackNumbers = 64;
constexpr std::size_t kMaxPlaReadBackInputs = 6;

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

// True when the first byte that is not blank is '.' or '#': a PLA file.
bool LooksLikePla(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(" \t\r\n");
    return first != std::string::npos && (text[first] == '.' || text[first] == '#');
}

// The largest number after a ".i" or ".o" keyword, as the words of a line;
// 0 when there is none.
std::uint64_t KeywordValue(const std::string& text, const std::string& keyword)
{
    std::uint64_t largest = 0;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::istringstream words(line);
        std::string word;
        std::string value;
        if (words >> word >> value && word == keyword) {
            const bool digits =
                value.size() < 10 && value.find_first_not_of("0123456789") == std::string::npos;
            largest = std::max<std::uint64_t>(largest, digits ? std::stoull(value) : ~0ULL);
        }
    }
    return largest;
}

// Reads a PLA file; true when it is small enough to run; `readBack` when it
// is small enough to read back in every format.
bool CheckPla(const std::string& text, bool& readBack)
{
    if (KeywordValue(text, ".i") > kMaxRunPlaInputs ||
        KeywordValue(text, ".o") > kMaxRunPlaOutputs) {
        return false;
    }
    std::istringstream in(text);
    qmsop::PlaFile pla;
    const qmsop::ReadResult read = qmsop::ReadPla(in, pla);
    Require(read.accepted || !qmsop::DescribeRefusal(read).empty());
    readBack = read.accepted && pla.inputs.size() <= kMaxPlaReadBackInputs;
    return true;
}

// True when the function read from `in` is refused, or small enough to run
// in every format.
bool SmallOrRefused(std::istream& in)
{
    qmsop::BooleanFunction func;
    return !qmsop::ReadFunction(in, func).accepted ||
           (func.numVars() <= kMaxReadBackVars &&
            std::uint64_t{func.numMinterms()} + func.numDontCares() <= kMaxReadBackNumbers);
}

// True when the lines of `text` are two to four functions (blank and comment
// lines aside), each refused or small enough to run in every format.
bool LinesForReadBack(const std::string& text)
{
    std::istringstream lines(text);
    std::uint32_t functions = 0;
    for (std::string line; std::getline(lines, line);) {
        const std::size_t first = line.find_first_not_of(" \t\r");
        if (first == std::string::npos || line[first] == '#') {
            continue;
        }
        std::istringstream in(line + "\n");
        if (++functions > 4 || !SmallOrRefused(in)) {
            return false;
        }
    }
    return functions >= 2;
}

// Runs `text` in every format, greedy and exact, sum and product, and reads
// each output back; a disagreement stops the run.
void CheckReadBack(const std::string& text, bool pla, bool all)
{
    for (std::uint8_t k = 0; k < 16; ++k) {
        qmsop::RunOptions options;
        options.input = pla ? qmsop::InputFormat::kPla : qmsop::InputFormat::kFunction;
        options.all = all;
        options.format = static_cast<qmsop::OutputFormat>(k & 0x03);
        options.cover = (k & 0x04) != 0 ? qmsop::CoverMode::kExact : qmsop::CoverMode::kGreedy;
        options.timeLimitSeconds = 0.01;
        options.pos = (k & 0x08) != 0;
        const std::string fault = qmsop::readback::CheckRun(text, options);
        if (!fault.empty()) {
            std::fprintf(stderr, "read-back: format %d, %s, %s%s: %s\n", k & 0x03,
                         (k & 0x04) != 0 ? "exact" : "greedy", (k & 0x08) != 0 ? "pos" : "sop",
                         all ? ", --all" : "", fault.c_str());
            std::abort();
        }
    }
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

// Runs `text` with `options`, the output thrown away.
qmsop::RunStatus RunDiscarding(const std::string& text, const qmsop::RunOptions& options)
{
    std::istringstream in(text);
    DiscardBuffer discard;
    std::ostream out(&discard);
    std::ostringstream messages;
    qmsop::RunOptions run = options;
    run.messages = &messages;
    return qmsop::Run(in, out, run);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0) {
        return 0;
    }
    qmsop::RunOptions options = OptionsFrom(data[size - 1] ^ '\n');
    const std::string text(reinterpret_cast<const char*>(data), size);
    if (LooksLikePla(text)) {
        options.input = qmsop::InputFormat::kPla;
        bool readBack = false;
        if (!CheckPla(text, readBack)) {
            return 0;
        }
        RunDiscarding(text, options);
        if (readBack) {
            CheckReadBack(text, true, false);
        }
        return 0;
    }
    bool accepted = false;
    const std::uint32_t maxVars = options.pos ? kMaxPosVars : kMaxVars;
    if (!CheckRead(text, maxVars, accepted) || (options.all && !LinesSmallEnough(text, maxVars))) {
        return 0;
    }

    const qmsop::RunStatus status = RunDiscarding(text, options);
    if (!options.all && !options.strict && !options.pos && accepted) {
        Require(status == qmsop::RunStatus::kAccepted);
    }
    std::istringstream first(text);
    if (accepted && SmallOrRefused(first)) {
        CheckReadBack(text, false, false);
    }
    if (LinesForReadBack(text)) {
        CheckReadBack(text, false, true);
    }
    return 0;
}
