#include "run.h"

#include <chrono>
#include <istream>
#include <optional>
#include <ostream>

#include "function.h"
#include "mccluskey.h"
#include "pla.h"
#include "pos.h"
#include "quine.h"
#include "report.h"
#include "solution.h"
#include "trace.h"
#include "verilog.h"

namespace qmsop {

namespace {

// One function to minimise, as read, with what the formats say about it.
struct Job {
    BooleanFunction func;  // empty when the input was refused
    std::string name = "f";
    std::optional<ReadResult> refusal;
    std::string refusalMessage;  // without "qmsop: "
    std::vector<TraceWarning> warnings;
};

// The covers that a PLA or Verilog output collects from several functions.
struct Covers {
    std::vector<std::string> inputs;
    std::vector<OutputCover> outputs;
};

// Minimises one job and writes it in the chosen format; PLA and Verilog
// covers are collected into `covers` instead (refused jobs add none).
void Minimise(const Job& job, std::ostream& out, const RunOptions& options, RunStats* stats,
              Covers& covers)
{
    const bool pos = options.pos && !job.refusal;
    Quine quine;
    quine.func = pos ? Complement(job.func) : job.func;
    const bool text = options.format == OutputFormat::kText;
    if (text) {
        WriteEchoLines(out, job.func, job.name, pos ? &quine.func : nullptr);
        out << std::flush;
    }
    using Clock = std::chrono::steady_clock;
    const auto seconds = [](Clock::time_point from) {
        return std::chrono::duration<double>(Clock::now() - from).count();
    };
    auto started = Clock::now();
    quine.FindPrimeImplicants();
    const double tabulate = seconds(started);
    if (text) {
        out << quine << '\n' << std::flush;
    }
    started = Clock::now();
    McCluskey chart(quine);
    chart.Solve();
    const double cover = seconds(started);
    const Solution solution{job.func, quine, chart, job.name, pos};
    started = Clock::now();
    switch (options.format) {
        case OutputFormat::kText:
            WriteChartReport(out, solution);
            out << '\n' << std::flush;
            break;
        case OutputFormat::kJson: {
            TraceContext context;
            context.inputName = options.inputName;
            context.cover = options.cover;
            context.pos = options.pos;
            context.refusal = job.refusal;
            context.refusalMessage = job.refusalMessage;
            context.warnings = job.warnings;
            context.limit = options.traceLimit;
            WriteTrace(out, solution, context);
            break;
        }
        case OutputFormat::kPla:
        case OutputFormat::kVerilog:
            if (!job.refusal) {
                covers.inputs = job.func.names;
                covers.outputs.push_back({job.name, chart.products(), pos});
            }
            break;
    }
    if (stats != nullptr) {
        ++stats->functions;
        stats->primeImplicants = chart.numPIs();
        stats->chosenRows = static_cast<std::uint32_t>(chart.chosen().size());
        stats->tabulateSeconds = tabulate;
        stats->coverSeconds = cover;
        stats->writeSeconds = seconds(started);
    }
}

void WriteCovers(std::ostream& out, const RunOptions& options, const Covers& covers)
{
    if (covers.outputs.empty()) {
        return;
    }
    if (options.format == OutputFormat::kPla) {
        WritePla(out, covers.inputs, covers.outputs);
    } else if (options.format == OutputFormat::kVerilog) {
        WriteVerilog(out, "f", covers.inputs, covers.outputs);
    }
}

// Refuses `job` for a reason found after reading: it runs as the empty
// function, as a refused input does.
void Refuse(Job& job, ReadResult where, const std::string& prefix)
{
    where.accepted = false;
    job.refusalMessage = prefix + DescribeRefusal(where);
    job.refusal = std::move(where);
    job.func = {};
}

// --pos enumerates the complement: refuses a function with too many variables.
void CheckPos(Job& job, const RunOptions& options, const std::string& prefix)
{
    if (options.pos && !job.refusal && job.func.numVars() > kMaxPosVars) {
        ReadResult where;
        where.line = 1;
        where.column = 1;
        where.expected = "--pos takes at most " + std::to_string(kMaxPosVars) +
                         " variables, the function has " + std::to_string(job.func.numVars());
        Refuse(job, where, prefix);
    }
}

RunStatus Finish(std::ostream& out, const RunOptions& options, RunStats* stats, const Job& job)
{
    if (!out) {
        return RunStatus::kWriteError;
    }
    if (job.refusal) {
        if (options.messages != nullptr) {
            *options.messages << "qmsop: " << job.refusalMessage << '\n';
        }
        if (stats != nullptr) {
            ++stats->refused;
        }
        return RunStatus::kRefused;
    }
    return RunStatus::kAccepted;
}

// A PLA file: every output minimised in turn.
RunStatus RunPla(std::istream& in, std::ostream& out, const RunOptions& options, RunStats* stats)
{
    const auto started = std::chrono::steady_clock::now();
    PlaFile pla;
    const ReadResult read = ReadPla(in, pla);
    if (stats != nullptr) {
        stats->readSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    }
    const std::string prefix = options.inputName + ": ";
    Covers covers;
    Job refused;
    if (!read.accepted) {
        Refuse(refused, read, prefix);
    } else if (options.pos && pla.inputs.size() > kMaxPosVars) {
        refused.func.names = pla.inputs;
        CheckPos(refused, options, prefix);
    }
    if (refused.refusal) {
        Minimise(refused, out, options, stats, covers);
        return Finish(out, options, stats, refused);
    }
    std::vector<TraceWarning> warnings;
    for (const PlaWarning& warning : pla.warnings) {
        warnings.push_back({warning.line, warning.column, warning.message});
        if (options.messages != nullptr) {
            *options.messages << "qmsop: warning: " << prefix << "line " << warning.line << ": "
                              << warning.message << '\n';
        }
        if (stats != nullptr) {
            ++stats->warnings;
        }
    }
    for (std::size_t o = 0; o < pla.outputs.size(); ++o) {
        Job job;
        job.func = FunctionOf(pla, o);
        job.name = pla.outputs[o].name;
        job.warnings = warnings;
        Minimise(job, out, options, stats, covers);
        if (!out) {
            return RunStatus::kWriteError;
        }
    }
    WriteCovers(out, options, covers);
    return out ? RunStatus::kAccepted : RunStatus::kWriteError;
}

}  // namespace

RunStatus Run(std::istream& in, std::ostream& out, const RunOptions& options, RunStats* stats)
{
    if (options.input == InputFormat::kPla) {
        return RunPla(in, out, options, stats);
    }
    if (options.format != OutputFormat::kText || options.pos) {
        Job job;
        const ReadResult read = ReadFunction(in, job.func);
        if (!read.accepted) {
            Refuse(job, read, "");
        }
        CheckPos(job, options, "");
        Covers covers;
        Minimise(job, out, options, stats, covers);
        WriteCovers(out, options, covers);
        return Finish(out, options, stats, job);
    }
    Quine quine;
    const ReadResult read = ReadFunction(in, quine.func);
    out << quine.func << '\n' << std::flush;
    quine.FindPrimeImplicants();
    out << quine << '\n' << std::flush;
    {
        McCluskey chart(quine);
        chart.Solve();
        out << chart << '\n' << std::flush;
        if (stats != nullptr) {
            ++stats->functions;
            stats->primeImplicants = chart.numPIs();
            stats->chosenRows = static_cast<std::uint32_t>(chart.chosen().size());
        }
    }
    if (!out) {
        return RunStatus::kWriteError;
    }
    if (!read.accepted) {
        if (options.messages != nullptr) {
            *options.messages << "qmsop: " << DescribeRefusal(read) << '\n';
        }
        if (stats != nullptr) {
            ++stats->refused;
        }
        return RunStatus::kRefused;
    }
    return RunStatus::kAccepted;
}

}  // namespace qmsop
