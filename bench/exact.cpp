// SPDX-License-Identifier: MIT
// qmsop_exact: reads one function line, tabulates it, and solves its chart
// with the greedy cover and with the exact cover; writes one line of figures
//
//   primes=735 greedy=152 products=137 literals=951 product_bound=137 literal_bound=951
//     proven=1 products_proven=1 time_limit=0 nodes=812 seconds=0.412
//     core_rows=310 core_columns=254 valid=1
//
// (on one line), then the certificate line.
//
// usage: qmsop_exact [--time-limit SECONDS] [--nodes N] [--bound lp|subgradient]
//                    [--write-lp FILE] < function-line
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <string>
#include <string_view>

#include "cover/cover.h"
#include "io/function.h"
#include "tabulation/mccluskey.h"
#include "tabulation/quine.h"

namespace {

// The chart as a 0-1 program in CPLEX LP form: minimise literals over covers
// of exactly `products` rows (the second stage of the exact cover).
void WriteLp(const std::string& path, const qmsop::CoverProblem& problem, std::uint32_t products)
{
    std::ofstream out(path);
    out << "Minimize\n obj:";
    for (std::size_t r = 0; r < problem.rows.size(); ++r) {
        out << " + " << problem.literals[r] << " x" << r;
    }
    out << "\nSubject To\n";
    std::vector<std::vector<std::size_t>> rowsOf(problem.numColumns);
    for (std::size_t r = 0; r < problem.rows.size(); ++r) {
        for (const std::uint32_t c : problem.rows[r]) {
            rowsOf[c].push_back(r);
        }
    }
    for (std::size_t c = 0; c < rowsOf.size(); ++c) {
        if (rowsOf[c].empty()) {
            continue;
        }
        out << " c" << c << ":";
        for (const std::size_t r : rowsOf[c]) {
            out << " + x" << r;
        }
        out << " >= 1\n";
    }
    out << " card:";
    for (std::size_t r = 0; r < problem.rows.size(); ++r) {
        out << " + x" << r;
    }
    out << " = " << products << "\nBinary\n";
    for (std::size_t r = 0; r < problem.rows.size(); ++r) {
        out << " x" << r << '\n';
    }
    out << "End\n";
}

// True when `rows` cover every column that some row covers and none of them
// is covered by the others.
bool IsIrredundantCover(const qmsop::CoverProblem& problem, const std::vector<std::uint32_t>& rows)
{
    std::vector<std::uint32_t> count(problem.numColumns, 0);
    for (const std::uint32_t r : rows) {
        for (const std::uint32_t c : problem.rows[r]) {
            ++count[c];
        }
    }
    for (const auto& row : problem.rows) {
        for (const std::uint32_t c : row) {
            if (count[c] == 0) {
                return false;
            }
        }
    }
    return std::all_of(rows.begin(), rows.end(), [&](std::uint32_t r) {
        return std::any_of(problem.rows[r].begin(), problem.rows[r].end(),
                           [&](std::uint32_t c) { return count[c] == 1; });
    });
}

}  // namespace

int main(int argc, char** argv)
{
    qmsop::ExactCoverOptions options;
    std::string lpFile;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string_view option = argv[i];
        if (option == "--time-limit") {
            options.timeLimitSeconds = std::strtod(argv[i + 1], nullptr);
        } else if (option == "--write-lp") {
            lpFile = argv[i + 1];
        } else if (option == "--bound") {
            options.linearProgram = std::string_view(argv[i + 1]) == "lp";
        } else if (option == "--nodes") {
            options.nodeLimit = std::strtoull(argv[i + 1], nullptr, 10);
        } else {
            std::fputs(
                "usage: qmsop_exact [--time-limit SECONDS] [--nodes N] [--bound lp|subgradient] < "
                "line\n",
                stderr);
            return 2;
        }
    }
    qmsop::Quine quine;
    if (!qmsop::ReadFunction(std::cin, quine.func).accepted) {
        std::fputs("qmsop_exact: input refused\n", stderr);
        return 1;
    }
    quine.FindPrimeImplicants();
    qmsop::McCluskey chart(quine);
    qmsop::ExactCoverResult exact;
    std::size_t greedy = 0;
    double seconds = 0;
    const qmsop::CoverSelector select = qmsop::ExactCoverSelector(options, &exact);
    chart.Solve([&](const qmsop::McCluskey& solved, std::vector<std::uint32_t> rows) {
        greedy = rows.size();
        const auto start = std::chrono::steady_clock::now();
        std::vector<std::uint32_t> chosen = select(solved, std::move(rows));
        seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        return chosen;
    });
    if (!lpFile.empty()) {
        WriteLp(lpFile, qmsop::CoverProblemOf(chart), exact.products);
    }
    std::cout << "primes=" << chart.numPIs() << " greedy=" << greedy
              << " products=" << exact.products << " literals=" << exact.literals
              << " product_bound=" << exact.productBound << " literal_bound=" << exact.literalBound
              << " proven=" << exact.proven << " products_proven=" << exact.productsProven
              << " time_limit=" << exact.timeLimitReached << " nodes=" << exact.nodes
              << " seconds=" << seconds << " core_rows=" << exact.coreRows
              << " core_columns=" << exact.coreColumns << " core_blocks=" << exact.coreBlocks
              << " valid=" << IsIrredundantCover(qmsop::CoverProblemOf(chart), exact.rows) << '\n'
              << qmsop::CertificateLine(exact) << '\n';
    return 0;
}
