// SPDX-License-Identifier: MIT
#include "run/run.h"

#include <algorithm>
#include <chrono>
#include <istream>
#include <optional>
#include <ostream>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "cover/cover.h"
#include "io/expr.h"
#include "io/function.h"
#include "io/lines.h"
#include "io/pla.h"
#include "io/report.h"
#include "io/solution.h"
#include "io/table.h"
#include "io/trace.h"
#include "io/verilog.h"
#include "run/auto_input.h"
#include "run/multi_output.h"
#include "tabulation/mccluskey.h"
#include "tabulation/pos.h"
#include "tabulation/quine.h"

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

// Blank lines and comment lines (a '#' after optional blanks) of --all.
bool IsSkipped(const std::string& text)
{
    const auto first = text.find_first_not_of(" \t\r");
    return first == std::string::npos || text[first] == '#';
}

// The function with every number at or above 2^n replaced by its lowest n
// bits, the point it names in the result (the tabulation of the default run
// groups and writes each number by those bits); the function itself when
// every number is below 2^n.
BooleanFunction WithinRange(const BooleanFunction& func)
{
    if (func.numVars() >= 32) {
        return func;
    }
    const std::uint32_t mask = (std::uint32_t{1} << func.numVars()) - 1;
    const auto outside = [mask](std::uint32_t v) { return (v & ~mask) != 0; };
    if (std::none_of(func.minterms.begin(), func.minterms.end(), outside) &&
        std::none_of(func.dontCares.begin(), func.dontCares.end(), outside)) {
        return func;
    }
    BooleanFunction within = func;
    for (std::uint32_t& v : within.minterms) {
        v &= mask;
    }
    for (std::uint32_t& v : within.dontCares) {
        v &= mask;
    }
    return within;
}

// One function to minimise, as read, with what the formats say about it.
struct Job {
    BooleanFunction func;  // empty when the input was refused
    std::string name;
    std::uint64_t line = 1;  // where the function began
    std::optional<ReadResult> refusal;
    std::string refusalMessage;  // without "qmsop: "
    std::vector<Diagnostic> warnings;
};

// The refusal of an input that could not be read (`error`, the system's
// reason), as the machine-readable formats give it.
ReadResult ReadErrorAt(std::uint64_t line, const std::string& error)
{
    ReadResult where;
    where.accepted = false;
    where.atEnd = true;
    where.line = line;
    where.column = 1;
    where.reason = error;
    return where;
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
        const Clock::time_point start = Clock::now();
        Job job;
        job.name = options.name;
        job.line = firstLine;
        ReadResult read = options.input == InputFormat::kExpr
                              ? ReadExpression(in, job.func, job.name, firstLine)
                              : ReadFunction(in, job.func, firstLine);
        stats.readSeconds = SecondsSince(start);
        if (!read.readError.empty()) {
            return Unread(job, read.readError);
        }
        Judge(read, job);
        CheckPos(job);
        Minimise(job);
        return Finish(job);
    }

    // Every function of `in`, one per line; blank and comment lines skipped.
    RunStatus All(std::istream& in)
    {
        RunStatus status = RunStatus::kAccepted;
        LineReader lines(in);
        Line line;
        while (!Stopped()) {
            const LineReader::Status read = lines.Next(line);
            if (read == LineReader::Status::kReadError) {
                Message("error reading " + options.inputName + ": " + lines.error());
                return Worse(status, RunStatus::kReadError);
            }
            if (read == LineReader::Status::kTooLong) {
                Job job;
                job.line = lines.number();
                ReadResult where;
                where.line = lines.number();
                where.column = kMaxLineLength + 1;
                where.reason = "line longer than " + std::to_string(kMaxLineLength) + " bytes";
                Refuse(job, where);
                Minimise(job);
                return Worse(status, Finish(job));
            }
            if (read == LineReader::Status::kEnd) {
                return status;
            }
            if (IsSkipped(line.text)) {
                continue;
            }
            if (line.ended) {
                line.text.push_back('\n');
            }
            std::istringstream one(std::move(line.text));
            status = Worse(status, One(one, lines.number()));
            if (status == RunStatus::kWriteError) {
                return status;
            }
        }
        return status;
    }

    // A PLA file: every output minimised in turn.
    RunStatus Pla(std::istream& in)
    {
        const Clock::time_point start = Clock::now();
        PlaFile pla;
        ReadResult read = options.input == InputFormat::kTable
                              ? ReadTable(in, pla, options.missingDontCare)
                              : ReadPla(in, pla);
        stats.readSeconds = SecondsSince(start);
        Job refused;
        refused.name = options.name;
        if (!read.readError.empty()) {
            return Unread(refused, read.readError);
        }
        Judge(read, refused);
        if (!refused.refusal && options.pos && pla.inputs.size() > kMaxPosVars) {
            refused.func.names = pla.inputs;
            CheckPos(refused);
        }
        if (refused.refusal) {
            Minimise(refused);
            return Finish(refused);
        }
        for (std::size_t o = 0; o < pla.outputs.size() && !Stopped(); ++o) {
            Job job;
            job.func = FunctionOf(pla, o);
            job.name = pla.outputs[o].name;
            job.line = 1;
            job.warnings = refused.warnings;
            Minimise(job);
            if (!out) {
                return RunStatus::kWriteError;
            }
        }
        WriteCovers();
        return out ? RunStatus::kAccepted : RunStatus::kWriteError;
    }

    // Writes what the PLA and Verilog formats collected: one document, or
    // one module named after the run's first function (with _2, _3, ...
    // after the modules written before).
    void WriteCovers()
    {
        if (covers.outputs().empty()) {
            return;
        }
        if (options.format == OutputFormat::kPla) {
            WritePla(out, covers);
        } else if (options.format == OutputFormat::kVerilog) {
            const std::uint64_t index = options.firstModule + stats.modules;
            WriteVerilog(out, VerilogModuleName(options.name, index), covers);
        }
        ++stats.modules;
        covers = {};
        out.flush();
    }

private:
    // An input that could not be read: refused with the system's reason (in
    // JSON; PLA and Verilog write nothing, text the empty function's output).
    RunStatus Unread(Job& job, const std::string& error)
    {
        job.func = {};
        job.refusalMessage = "error reading " + options.inputName + ": " + error;
        job.refusal = ReadErrorAt(job.line, error);
        Minimise(job);
        ++stats.refused;
        Message(job.refusalMessage);
        return out ? RunStatus::kReadError : RunStatus::kWriteError;
    }

    // Adds a cover to the document being collected; a function over other
    // inputs than the document's first closes it and starts the next.
    void Collect(const std::vector<std::string>& inputs, std::string name,
                 const std::vector<Cube>& cubes, bool pos)
    {
        if (!covers.outputs().empty() && covers.inputs != inputs) {
            WriteCovers();
        }
        if (covers.outputs().empty()) {
            covers.inputs = inputs;
        }
        covers.AddOutput(std::move(name), cubes, pos);
    }

    // The one warning and --strict path of every reader: reports the read's
    // warnings, or turns the first into a refusal under --strict (then none
    // is printed), and records a refusal in `job`.
    void Judge(ReadResult& read, Job& job)
    {
        // A read that --strict refuses prints none of its warnings.
        const bool refusedByStrict = options.strict && RefuseFirstWarning(read);
        if (!refusedByStrict && read.accepted) {
            stats.warnings += read.warnings.size() + read.moreWarnings;
            for (const Diagnostic& warning : read.warnings) {
                Message("warning: " + Where() + DescribeDiagnostic(warning));
                job.warnings.push_back(warning);
            }
            if (read.moreWarnings != 0) {
                Message("warning: " + Where() + std::to_string(read.moreWarnings) +
                        " more warnings not shown");
            }
        }
        if (!read.accepted) {
            Refuse(job, read);
        }
    }

    // Refuses `job`: it runs as the empty function, as a refused input does.
    void Refuse(Job& job, ReadResult where) const
    {
        where.accepted = false;
        job.refusalMessage = Where() + Describe(where);
        job.refusal = std::move(where);
        job.func = {};
    }

    // --pos enumerates and tabulates the complement: refuses a function with
    // too many variables or too dense a complement.
    void CheckPos(Job& job) const
    {
        if (!options.pos || job.refusal) {
            return;
        }
        if (std::optional<std::string> reason = PosRefusal(job.func)) {
            ReadResult where;
            where.line = job.line;
            where.column = 1;
            where.reason = std::move(*reason);
            Refuse(job, where);
        }
    }

    // Minimises one job and writes it in the chosen format; PLA and Verilog
    // covers are collected instead (refused jobs add none).
    void Minimise(const Job& job)
    {
        ++stats.functions;
        const bool pos = options.pos && !job.refusal;
        const bool text = options.format == OutputFormat::kText;
        const bool report = text && !options.resultOnly;
        const bool exact = options.cover == CoverMode::kExact;
        Quine quine;
        quine.func = pos ? Complement(job.func) : exact ? WithinRange(job.func) : job.func;
        if (report) {
            WriteEchoLines(out, job.func, job.name, pos ? &quine.func : nullptr);
            out.flush();
        }
        Clock::time_point start = Clock::now();
        // Without a tabulation report or trace, a column is freed once the
        // next one is built.
        TabulationOptions tabulation;
        tabulation.releaseColumns = !report && options.format != OutputFormat::kJson;
        tabulation.recordPairs = options.format == OutputFormat::kJson;
        quine.FindPrimeImplicants(tabulation);
        stats.tabulateSeconds = SecondsSince(start);
        if (report) {
            start = Clock::now();
            out << quine << '\n' << std::flush;
            stats.writeSeconds = SecondsSince(start);
        }
        start = Clock::now();
        McCluskey chart(quine);
        std::optional<TraceCertificate> certificate;
        if (exact) {
            ExactCoverOptions exact;
            exact.timeLimitSeconds = options.timeLimitSeconds;
            exact.stop = options.stop;
            ExactCoverResult result;
            chart.Solve(ExactCoverSelector(exact, &result));
            certificate = TraceCertificate{
                result.products,
                static_cast<std::uint32_t>(result.literals),
                result.productBound,
                result.proven,
                result.timeLimitReached,
                CertificateLine(result, pos ? CoverTerm::kSum : CoverTerm::kProduct)};
        } else {
            chart.Solve();
        }
        stats.coverSeconds = SecondsSince(start);
        stats.primeImplicants = chart.numPIs();
        stats.chosenRows = static_cast<std::uint32_t>(chart.chosen().size());
        const Solution solution{job.func, quine, chart, job.name, pos};
        std::vector<Cube> cubes = ResultCubes(solution);
        if (certificate && cubes.size() > chart.products().size()) {
            certificate = ConstantOneCertificate();  // no variables, one point
        }
        start = Clock::now();
        switch (options.format) {
            case OutputFormat::kText:
                if (options.resultOnly) {
                    WriteResult(out, solution);  // streamed, never held whole
                } else {
                    WriteChartReport(out, solution);
                }
                if (certificate) {
                    out << certificate->text << '\n';
                }
                if (!options.resultOnly) {
                    out << '\n';
                }
                out.flush();
                break;
            case OutputFormat::kJson: {
                TraceContext context = TraceOf(job);
                context.certificate = certificate;
                WriteTrace(out, solution, context);
                out.flush();
                break;
            }
            case OutputFormat::kPla:
            case OutputFormat::kVerilog:
                if (!job.refusal) {
                    Collect(job.func.names, job.name, cubes, pos);
                }
                break;
        }
        stats.writeSeconds += SecondsSince(start);
    }

    // The exact cover of the function of no variables that is 1: one
    // product without literals, proven.
    static TraceCertificate ConstantOneCertificate()
    {
        ExactCoverResult result;
        result.products = 1;
        result.productBound = 1;
        result.productsProven = true;
        result.proven = true;
        return {1, 0, 1, true, false, CertificateLine(result)};
    }

    TraceContext TraceOf(const Job& job) const
    {
        TraceContext context;
        context.inputName = options.inputName;
        context.line = job.line;
        context.cover = options.cover;
        context.pos = options.pos;
        context.refusal = job.refusal;
        context.refusalMessage = job.refusalMessage;
        context.warnings = job.warnings;
        context.limit = options.traceLimit;
        return context;
    }

    // Tells a refusal after its output, where a reader looks for it.
    RunStatus Finish(const Job& job)
    {
        if (!out) {
            return RunStatus::kWriteError;
        }
        if (job.refusal) {
            ++stats.refused;
            Message(job.refusalMessage);
            return RunStatus::kRefused;
        }
        return RunStatus::kAccepted;
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

    // True once the stop flag is raised: no further function is started.
    bool Stopped() const { return options.stop != nullptr && options.stop->load() != 0; }

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
    Result covers;  // what the PLA and Verilog formats collect over the functions
};

}  // namespace

RunStatus Run(std::istream& in, std::ostream& out, const RunOptions& options, RunStats* stats)
{
    if (options.input == InputFormat::kAuto) {
        return RunAuto(in, out, options, stats);
    }
    if (options.multiOutput && options.input == InputFormat::kPla) {
        RunStats own;
        return RunMultiOutput(in, out, options, stats != nullptr ? *stats : own);
    }
    Runner runner(out, options, stats);
    if (options.input == InputFormat::kPla || options.input == InputFormat::kTable) {
        return runner.Pla(in);
    }
    const RunStatus status = options.all ? runner.All(in) : runner.One(in, 1);
    runner.WriteCovers();
    return out || status == RunStatus::kWriteError ? status : RunStatus::kWriteError;
}

}  // namespace qmsop
