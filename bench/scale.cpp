// SPDX-License-Identifier: MIT
// qmsop_scale: the result-only run through the library's door, for the scale
// benchmark (bench/run-scale): reads one function from standard input, runs
// it with --result-only (the greedy cover, the tabulation's columns released
// as it goes) and writes the result line; on standard error one line of
// counts, "qmsop_scale: P prime implicants, C products". Exit status 0, or 1
// when the input is refused or the output cannot be written.
//
//   bench/gen --vars 16 --density 0.5 --dc 0.1 --seed 1 | qmsop_scale
#include <iostream>

#include "run/run.h"

int main()
{
    std::ios::sync_with_stdio(false);
    qmsop::RunOptions options;
    options.resultOnly = true;
    options.messages = &std::cerr;
    qmsop::RunStats stats;
    const qmsop::RunStatus status = qmsop::Run(std::cin, std::cout, options, &stats);
    std::cout.flush();
    if (status == qmsop::RunStatus::kRefused || status == qmsop::RunStatus::kReadError) {
        std::cerr << "qmsop_scale: input refused\n";
        return 1;
    }
    std::cerr << "qmsop_scale: " << stats.primeImplicants << " prime implicants, "
              << stats.chosenRows << " products\n";
    return status == qmsop::RunStatus::kAccepted && std::cout ? 0 : 1;
}
