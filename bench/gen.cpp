// SPDX-License-Identifier: MIT
// qmsop_gen: writes one deterministic random function as a qmsop input line.
//
//   qmsop_gen --vars 14 --density 0.5 --dc 0.1 --seed 1      (dense)
//   qmsop_gen --vars 32 --count 5000 [--dc-count 0] --seed 1 (sparse)
#include <charconv>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>

#include "generate.h"

namespace {

constexpr std::string_view kUsage =
    "usage: qmsop_gen --vars N [--density P] [--dc Q] [--seed S]\n"
    "       qmsop_gen --vars N --count K [--dc-count D] [--seed S]\n"
    "Writes f(...) = m(...) + d(...) with distinct ascending minterms and disjoint\n"
    "don't-cares. Dense: round(P*2^N) minterms (default P 0.5) and round(Q*2^N)\n"
    "don't-cares (default Q 0), N <= 26. Sparse: K minterms and D don't-cares,\n"
    "N <= 32. The same arguments always give the same line (default seed 1).\n";

struct Options {
    std::uint32_t numVars = 0;
    double density = 0.5;
    double dcDensity = 0.0;
    std::optional<std::uint64_t> count;
    std::uint64_t dcCount = 0;
    std::uint64_t seed = 1;
};

std::uint64_t ParseUnsigned(std::string_view text, std::string_view option)
{
    std::uint64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc{} || end != text.data() + text.size()) {
        throw std::invalid_argument(std::string(option) + " needs a whole number, not '" +
                                    std::string(text) + "'");
    }
    return value;
}

double ParseFraction(const std::string& text, std::string_view option)
{
    std::size_t used = 0;
    double value = 0;
    try {
        value = std::stod(text, &used);
    } catch (const std::exception&) {
        used = 0;
    }
    if (used != text.size() || text.empty()) {
        throw std::invalid_argument(std::string(option) + " needs a number, not '" + text + "'");
    }
    return value;
}

Options ParseOptions(int argc, char** argv)
{
    Options options;
    bool haveVars = false;
    bool dense = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--help" || option == "-h") {
            std::cout << kUsage;
            std::exit(0);
        }
        if (i + 1 >= argc) {
            throw std::invalid_argument(std::string(option) + " needs a value");
        }
        const std::string value = argv[++i];
        if (option == "--vars") {
            const std::uint64_t n = ParseUnsigned(value, option);
            if (n > 32) {
                throw std::invalid_argument("--vars takes at most 32");
            }
            options.numVars = static_cast<std::uint32_t>(n);
            haveVars = true;
        } else if (option == "--density") {
            options.density = ParseFraction(value, option);
            dense = true;
        } else if (option == "--dc") {
            options.dcDensity = ParseFraction(value, option);
            dense = true;
        } else if (option == "--count") {
            options.count = ParseUnsigned(value, option);
        } else if (option == "--dc-count") {
            options.dcCount = ParseUnsigned(value, option);
        } else if (option == "--seed") {
            options.seed = ParseUnsigned(value, option);
        } else {
            throw std::invalid_argument("unknown option " + std::string(option));
        }
    }
    if (!haveVars) {
        throw std::invalid_argument("--vars is required");
    }
    if (dense && options.count) {
        throw std::invalid_argument("--density/--dc and --count exclude each other");
    }
    if (options.dcCount != 0 && !options.count) {
        throw std::invalid_argument("--dc-count needs --count");
    }
    return options;
}

}  // namespace

int main(int argc, char** argv)
{
    try {
        const Options options = ParseOptions(argc, argv);
        const qmsop::bench::GeneratedFunction function =
            options.count ? qmsop::bench::GenerateSparse(options.numVars, *options.count,
                                                         options.dcCount, options.seed)
                          : qmsop::bench::GenerateDense(options.numVars, options.density,
                                                        options.dcDensity, options.seed);
        const std::string line = qmsop::bench::InputLine(function);
        if (std::fwrite(line.data(), 1, line.size(), stdout) != line.size() ||
            std::fflush(stdout) != 0) {
            std::cerr << "qmsop_gen: error writing standard output\n";
            return 1;
        }
        return 0;
    } catch (const std::exception& error) {
        std::cerr << "qmsop_gen: " << error.what() << '\n' << kUsage;
        return 2;
    }
}
