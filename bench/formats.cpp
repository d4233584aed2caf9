// qmsop_formats: runs qmsop::Run with the options of the output formats, for
// the format benchmarks and tests until the program takes these options.
//
//   qmsop_formats [--format=text|json|pla|verilog] [--input=pla] [--pos]
//                 [--trace-limit=N] [--stats] [FILE]
//
// Reads FILE (standard input without one) and writes to standard output;
// --stats writes the run's read time and counts to standard error. Exit
// status as the program's: 0 accepted, 1 refused or write error, 2 usage.
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "run.h"

int main(int argc, char** argv)
{
    std::ios::sync_with_stdio(false);
    qmsop::RunOptions options;
    options.messages = &std::cerr;
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
        std::cerr << "read " << figures.readSeconds << " s, functions " << figures.functions
                  << ", prime implicants " << figures.primeImplicants << '\n';
    }
    if (status == qmsop::RunStatus::kWriteError || !std::cout) {
        std::cerr << "qmsop: error writing standard output\n";
        return 1;
    }
    return status == qmsop::RunStatus::kAccepted ? 0 : 1;
}
