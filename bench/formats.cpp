// SPDX-License-Identifier: MIT
// qmsop_formats: runs qmsop::Run with the options of the output formats, for
// the format benchmarks and tests until the program takes these options.
//
//   qmsop_formats [--format=text|json|pla|verilog] [--input=pla] [--pos]
//                 [--trace-limit=N] [--stats] [FILE]
//   qmsop_formats --read-pla FILE
//
// Reads FILE (standard input without one) and writes to standard output;
// --stats writes the run's read time and counts to standard error. Exit
// status as the program's: 0 accepted, 1 refused or write error, 2 usage.
// --read-pla only reads the PLA file and expands its outputs into functions,
// and writes the time that took (wall seconds) and the minterm count.
#include <chrono>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "io/pla.h"
#include "run/run.h"

namespace {

int ReadPlaOnly(const char* file)
{
    const auto started = std::chrono::steady_clock::now();
    std::ifstream in(file, std::ios::binary);
    qmsop::PlaFile pla;
    const qmsop::ReadResult read = qmsop::ReadPla(in, pla);
    std::uint64_t minterms = 0;
    for (std::size_t o = 0; read.accepted && o < pla.outputs.size(); ++o) {
        minterms += qmsop::FunctionOf(pla, o).numMinterms();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (!read.accepted) {
        std::cerr << "qmsop: " << file << ": " << qmsop::DescribeRefusal(read) << '\n';
        return 1;
    }
    std::cout << seconds << ' ' << minterms << '\n';
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    qmsop::RunOptions options;
    options.messages = &std::cerr;
    if (argc == 3 && std::string_view(argv[1]) == "--read-pla") {
        return ReadPlaOnly(argv[2]);
    }
    bool stats = false;
    std::string file;
    for (int a = 1; a < argc; ++a) {
        const std::string_view arg = argv[a];
        if (arg == "--format=text") {
            options.format = qmsop::OutputFormat::kText;
        } else if (arg == "--format=json") {
            options.format = qmsop::OutputFormat::kJson;
        } else if (arg == "--format=pla") {
            options.format = qmsop::OutputFormat::kPla;
        } else if (arg == "--format=verilog") {
            options.format = qmsop::OutputFormat::kVerilog;
        } else if (arg == "--input=pla") {
            options.input = qmsop::InputFormat::kPla;
        } else if (arg == "--pos") {
            options.pos = true;
        } else if (arg.starts_with("--trace-limit=")) {
            options.traceLimit = std::stoull(std::string(arg.substr(14)));
        } else if (arg == "--stats") {
            stats = true;
        } else if (!arg.starts_with("-") && file.empty()) {
            file = arg;
        } else {
            std::cerr << "usage: qmsop_formats [--format=text|json|pla|verilog] [--input=pla] "
                         "[--pos] [--trace-limit=N] [--stats] [FILE]\n";
            return 2;
        }
    }
    std::ifstream in;
    if (!file.empty()) {
        in.open(file, std::ios::binary);
        if (!in) {
            std::cerr << "qmsop: cannot read " << file << '\n';
            return 2;
        }
        options.inputName = file;
        if (file.ends_with(".pla")) {
            options.input = qmsop::InputFormat::kPla;
        }
    }
    qmsop::RunStats figures;
    const qmsop::RunStatus status =
        qmsop::Run(file.empty() ? std::cin : in, std::cout, options, &figures);
    std::cout.flush();
    if (stats) {
        std::cerr << "read " << figures.readSeconds << " s, tabulate " << figures.tabulateSeconds
                  << " s, cover " << figures.coverSeconds << " s, write " << figures.writeSeconds
                  << " s, functions " << figures.functions << ", prime implicants "
                  << figures.primeImplicants << '\n';
    }
    if (status == qmsop::RunStatus::kWriteError || !std::cout) {
        std::cerr << "qmsop: error writing standard output\n";
        return 1;
    }
    return status == qmsop::RunStatus::kAccepted ? 0 : 1;
}
