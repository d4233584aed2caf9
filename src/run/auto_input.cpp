// SPDX-License-Identifier: MIT
#include "run/auto_input.h"

#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <utility>
#include <vector>

#include "io/function.h"
#include "io/lines.h"

namespace qmsop {

namespace {

// A stream buffer that gives `prefix`, then whatever `rest` still holds.
class PrefixedBuf : public std::streambuf {
public:
    PrefixedBuf(std::string prefix, std::streambuf* rest) : prefix(std::move(prefix)), rest(rest)
    {
        char* begin = this->prefix.data();
        setg(begin, begin, begin + this->prefix.size());
    }

protected:
    int_type underflow() override { return rest != nullptr ? rest->sgetc() : traits_type::eof(); }
    int_type uflow() override { return rest != nullptr ? rest->sbumpc() : traits_type::eof(); }

private:
    std::string prefix;
    std::streambuf* rest;
};

bool OnlyOf(const std::string& text, std::string_view allowed)
{
    return text.find_first_not_of(allowed) == std::string::npos;
}

// A line of names split by blanks, commas or '|', at least two of them.
bool IsHeader(const std::string& text)
{
    std::size_t names = 0;
    bool inName = false;
    for (const char c : text) {
        const bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
        const bool digit = (c >= '0' && c <= '9') || c == '_';
        if (letter && !inName) {
            ++names;
            inName = true;
        } else if (c == ' ' || c == '\t' || c == '\r' || c == ',' || c == '|') {
            inName = false;
        } else if (!(digit && inName) && !letter) {
            return false;
        }
    }
    return names >= 2;
}

std::string_view Describe(InputFormat format)
{
    switch (format) {
        case InputFormat::kPla:
            return "a PLA file";
        case InputFormat::kTable:
            return "a truth table";
        case InputFormat::kExpr:
            return "expressions";
        default:
            return "functions";
    }
}

}  // namespace

InputFormat DetectInput(const std::string& first, const std::string& second)
{
    const std::size_t start = first.find_first_not_of(" \t");
    if (start != std::string::npos && first[start] == '.') {
        return InputFormat::kPla;
    }
    if (OnlyOf(first, "01-~24 \t\r|")) {
        return InputFormat::kPla;
    }
    if (IsHeader(first) && !second.empty() && OnlyOf(second, "01-xX \t\r,|")) {
        return InputFormat::kTable;
    }
    std::istringstream line(first + "\n");
    BooleanFunction func;
    const ReadResult read = ReadFunction(line, func);
    return read.accepted && read.warnings.empty() ? InputFormat::kFunction : InputFormat::kExpr;
}

RunStatus RunAuto(std::istream& in, std::ostream& out, const RunOptions& options, RunStats* stats)
{
    LineReader lines(in);
    Line line;
    std::string held;
    std::vector<std::string> meaningful;
    while (meaningful.size() < 2) {
        const LineReader::Status status = lines.Next(line);
        if (status != LineReader::Status::kLine) {
            break;  // the chosen reader meets the end, error or long line itself
        }
        held += line.comment ? "#" : line.text;
        if (line.ended) {
            held += '\n';
        }
        if (!line.comment && line.text.find_first_not_of(" \t\r") != std::string::npos) {
            meaningful.push_back(line.text);
        }
    }
    meaningful.resize(2);
    RunOptions chosen = options;
    chosen.input = DetectInput(meaningful[0], meaningful[1]);
    if (options.messages != nullptr) {
        *options.messages << "qmsop: note: " << options.inputName << " is read as "
                          << Describe(chosen.input) << " (--input=auto)\n";
    }
    PrefixedBuf buffer(std::move(held), in.rdbuf());
    std::istream replay(&buffer);
    replay.exceptions(in.exceptions());
    return Run(replay, out, chosen, stats);
}

}  // namespace qmsop
