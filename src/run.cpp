// SPDX-License-Identifier: MIT
#include "run.h"

#include <chrono>
#include <istream>
#include <ostream>
#include <sstream>
#include <streambuf>
#include <string>
#include <utility>

#include "function.h"
#include "mccluskey.h"
#include "quine.h"

namespace qmsop {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

RunStatus Worse(RunStatus a, RunStatus b)
{
    return static_cast<std::uint8_t>(a) >= static_cast<std::uint8_t>(b) ? a : b;
}

// One line of the input, read through the stream's buffer so that a failing
// buffer (it throws on a read error) is caught and its reason kept.
struct Line {
    std::string text;
    bool ended = false;  // a newline closed it (and is not in `text`)
};

// Reads the next line into `line`; false at the end of the input or on a
// read error, which is then left in `error`.
bool ReadLine(std::istream& in, Line& line, std::string& error)
{
    line.text.clear();
    line.ended = false;
    std::streambuf* buf = in.rdbuf();
    if (buf == nullptr) {
        return false;
    }
    using Traits = std::char_traits<char>;
    try {
        for (;;) {
            const int c = buf->sbumpc();
            if (c == Traits::eof()) {
                in.setstate(std::ios::eofbit);
                return !line.text.empty();
            }
            if (c == '\n') {
                line.ended = true;
                return true;
            }
            line.text.push_back(static_cast<char>(c));
        }
    } catch (const std::ios_base::failure& failure) {
        in.setstate(std::ios::badbit);
        error = failure.code().message();
        return false;
    }
}

// Blank lines and comment lines (a '#' after optional blanks) of --all.
bool IsSkipped(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    return first == std::string::npos || text[first] == '#';
}

// Runs one function after another on one output, and keeps the figures.
class Runner {
public:
    Runner(std::ostream& out, const RunOptions& options, RunStats* stats)
        : out(out), options(options), stats(stats != nullptr ? *stats : ownStats)
    {
    }

    // One function read from `in`, whose first line is numbered `firstLine`.
    RunStatus One(std::istream& in, std::uint64_t firstLine)
    {
        ++stats.functions;
        const Clock::time_point start = Clock::now();
        Quine quine;
        ReadResult read = ReadFunction(in, quine.func, firstLine);
        stats.readSeconds = SecondsSince(start);
        RunStatus status = Judge(read);
        if (status != RunStatus::kAccepted) {
            quine.func = BooleanFunction{};
        }
        Minimise(quine);
        // A refusal is told after its output, where a reader looks for it.
        if (status == RunStatus::kReadError) {
            Message("error reading " + options.inputName + ": " + read.readError);
        } else if (status == RunStatus::kRefused) {
            Message(Where() + Describe(read));
        }
        if (!out) {
            status = RunStatus::kWriteError;
        }
        return status;
    }

    // Every function of `in`, one per line; blank and comment lines skipped.
    RunStatus All(std::istream& in)
    {
        RunStatus status = RunStatus::kAccepted;
        Line line;
        std::string error;
        std::uint64_t number = 0;
        while (ReadLine(in, line, error)) {
            ++number;
            if (IsSkipped(line.text)) {
                continue;
            }
            if (line.ended) {
                line.text.push_back('\n');
            }
            std::istringstream one(std::move(line.text));
            status = Worse(status, One(one, number));
            if (status == RunStatus::kWriteError) {
                return status;
            }
        }
        if (!error.empty()) {
            Message("error reading " + options.inputName + ": " + error);
            return Worse(status, RunStatus::kReadError);
        }
        return status;
    }

private:
    // Reports the read's warnings and counts a refusal; a warning refuses the
    // input under `strict`.
    RunStatus Judge(ReadResult& read)
    {
        if (!read.readError.empty()) {
            ++stats.refused;
            return RunStatus::kReadError;
        }
        if (read.accepted && options.strict && !read.warnings.empty()) {
            const Diagnostic& first = read.warnings.front();
            read.accepted = false;
            read.atEnd = false;
            read.line = first.line;
            read.column = first.column;
            read.reason = first.message + " (refused by --strict)";
        } else if (read.accepted) {
            stats.warnings += read.warnings.size() + read.moreWarnings;
            for (const Diagnostic& warning : read.warnings) {
                Message("warning: " + Where() + DescribeDiagnostic(warning));
            }
            if (read.moreWarnings != 0) {
                Message("warning: " + Where() + std::to_string(read.moreWarnings) +
                        " more warnings not shown");
            }
        }
        if (!read.accepted) {
            ++stats.refused;
            return RunStatus::kRefused;
        }
        return RunStatus::kAccepted;
    }

    // Tabulates, solves the chart and writes the output the options ask for.
    void Minimise(Quine& quine)
    {
        Clock::time_point start = Clock::now();
        if (!options.resultOnly) {
            out << quine.func << '\n' << std::flush;
        }
        quine.FindPrimeImplicants();
        stats.tabulateSeconds = SecondsSince(start);
        if (!options.resultOnly) {
            start = Clock::now();
            out << quine << '\n' << std::flush;
            stats.writeSeconds = SecondsSince(start);
        }
        start = Clock::now();
        McCluskey chart(quine);
        chart.Solve();
        stats.coverSeconds = SecondsSince(start);
        stats.primeImplicants = chart.numPIs();
        stats.chosenRows = static_cast<std::uint32_t>(chart.chosen().size());
        start = Clock::now();
        if (options.resultOnly) {
            std::string line;
            AppendSignature(line, chart.func().names);
            line += " = ";
            line += chart.expression();
            line += '\n';
            out.write(line.data(), static_cast<std::streamsize>(line.size()));
            out.flush();
        } else {
            out << chart << '\n' << std::flush;
        }
        stats.writeSeconds += SecondsSince(start);
    }

    // The refusal; with --all, an end of input is the end of a numbered line.
    std::string Describe(const ReadResult& read) const
    {
        if (options.all && read.atEnd) {
            return "input refused at the end of line " + std::to_string(read.line) + ": " +
                   read.reason;
        }
        return DescribeRefusal(read);
    }

    // "FILE: " for a named input, nothing for standard input.
    std::string Where() const
    {
        return options.inputName == "standard input" ? std::string() : options.inputName + ": ";
    }

    void Message(const std::string& text) const
    {
        if (options.messages != nullptr) {
            *options.messages << "qmsop: " << text << '\n';
        }
    }

    std::ostream& out;
    const RunOptions& options;
    RunStats ownStats;
    RunStats& stats;
};

}  // namespace

RunStatus Run(std::istream& in, std::ostream& out, const RunOptions& options, RunStats* stats)
{
    Runner runner(out, options, stats);
    return options.all ? runner.All(in) : runner.One(in, 1);
}

}  // namespace qmsop
