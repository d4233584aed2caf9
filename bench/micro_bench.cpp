// SPDX-License-Identifier: MIT
// Micro-benchmarks of the stages on fixed functions: dense, density 0.5,
// don't-cares 0.1, seed 1, the same functions as qmsop_gen writes.
//
// Each benchmark builds its function and tabulation before its timed loop.
//
//   Tabulation/n       FindPrimeImplicants (with building and freeing the
//                      tabulation, but not counting it afterwards); counters:
//                      implicants created, the time per implicant, which stays
//                      flat when the time grows in proportion to the
//                      implicants, and the time per minterm entry of them.
//   ChartSolve/n       McCluskey construction and Solve: chart fill, cover
//                      selection and expression, which are private steps.
//   TabulationReport/n and ChartReport/n
//                      the report writers into a stream that copies the bytes
//                      into a scratch area and drops them; bytes_per_second is
//                      the speed of formatting and handing over the text.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>
#include <ostream>
#include <streambuf>
#include <vector>

#include "generate.h"
#include "io/function.h"
#include "tabulation/mccluskey.h"
#include "tabulation/quine.h"

namespace {

// A stream buffer that copies what is written into a scratch area, as a file
// buffer or a pipe would, counts it and drops it.
class NullBuffer : public std::streambuf {
public:
    std::uint64_t bytes = 0;

protected:
    std::streamsize xsputn(const char* text, std::streamsize count) override
    {
        for (std::streamsize done = 0; done < count;) {
            const std::streamsize piece = std::min<std::streamsize>(count - done, kScratch);
            std::memcpy(scratch.data(), text + done, static_cast<std::size_t>(piece));
            benchmark::ClobberMemory();
            done += piece;
        }
        bytes += static_cast<std::uint64_t>(count);
        return count;
    }
    int_type overflow(int_type c) override
    {
        ++bytes;
        return traits_type::not_eof(c);
    }

private:
    static constexpr std::streamsize kScratch = 1 << 16;
    std::vector<char> scratch = std::vector<char>(kScratch);
};

qmsop::BooleanFunction Function(std::uint32_t numVars)
{
    const auto generated = qmsop::bench::GenerateDense(numVars, 0.5, 0.1, 1);
    qmsop::BooleanFunction func;
    func.names = qmsop::bench::VariableNames(numVars);
    func.minterms = generated.minterms;
    func.dontCares = generated.dontCares;
    return func;
}

std::unique_ptr<qmsop::Quine> Tabulated(std::uint32_t numVars)
{
    auto quine = std::make_unique<qmsop::Quine>();
    quine->func = Function(numVars);
    quine->FindPrimeImplicants();
    return quine;
}

struct Created {
    std::uint64_t implicants = 0;
    std::uint64_t mintermEntries = 0;  // the implicants' minterm lists together
};

Created CreatedBy(const qmsop::Quine& quine)
{
    Created created;
    for (const auto& column : quine.Columns()) {
        for (const qmsop::Group& group : column->Groups()) {
            created.implicants += group.numImplicants();
            for (const qmsop::Implicant& implicant : group.Implicants()) {
                created.mintermEntries += implicant.numMinterms();
            }
        }
    }
    return created;
}

// A counter that shows seconds per item: item count divided by the time, inverted.
benchmark::Counter TimePer(std::uint64_t items)
{
    return benchmark::Counter(
        static_cast<double>(items),
        benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void Tabulation(benchmark::State& state)
{
    const auto numVars = static_cast<std::uint32_t>(state.range(0));
    const qmsop::BooleanFunction func = Function(numVars);
    Created created;
    for (auto _ : state) {
        qmsop::Quine quine;
        quine.func = func;
        benchmark::DoNotOptimize(quine.FindPrimeImplicants());
        state.PauseTiming();
        created = CreatedBy(quine);
        state.ResumeTiming();
    }
    state.counters["implicants"] = static_cast<double>(created.implicants);
    state.counters["time_per_implicant"] = TimePer(created.implicants);
    state.counters["time_per_entry"] = TimePer(created.mintermEntries);
}

void ChartSolve(benchmark::State& state)
{
    const auto tabulated = Tabulated(static_cast<std::uint32_t>(state.range(0)));
    const qmsop::Quine& quine = *tabulated;
    for (auto _ : state) {
        qmsop::McCluskey chart(quine);
        chart.Solve();
        benchmark::DoNotOptimize(chart.expression().data());
    }
    state.counters["prime_implicants"] = quine.numPIs();
}

void TabulationReport(benchmark::State& state)
{
    const auto tabulated = Tabulated(static_cast<std::uint32_t>(state.range(0)));
    const qmsop::Quine& quine = *tabulated;
    NullBuffer sink;
    std::ostream out(&sink);
    for (auto _ : state) {
        out << quine;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes));
}

void ChartReport(benchmark::State& state)
{
    const auto tabulated = Tabulated(static_cast<std::uint32_t>(state.range(0)));
    const qmsop::Quine& quine = *tabulated;
    qmsop::McCluskey chart(quine);
    chart.Solve();
    NullBuffer sink;
    std::ostream out(&sink);
    for (auto _ : state) {
        out << chart;
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(sink.bytes));
}

}  // namespace

BENCHMARK(Tabulation)->DenseRange(10, 14)->Unit(benchmark::kMillisecond);
BENCHMARK(ChartSolve)->Arg(12)->Arg(14)->Unit(benchmark::kMillisecond);
BENCHMARK(TabulationReport)->Arg(12)->Arg(14)->Unit(benchmark::kMillisecond);
BENCHMARK(ChartReport)->Arg(12)->Arg(14)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
