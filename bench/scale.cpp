// SPDX-License-Identifier: MIT
// qmsop_scale: the result-only run through the library, for the scale
// benchmark (bench/run-scale): reads one function from standard input,
// tabulates it with its columns released as it goes, selects the greedy
// cover and writes only the result line, the same bytes as the last line of
// the chart report; on standard error one line of counts,
// "qmsop_scale: P prime implicants, C products". Exit status 0, or 1 when
// the input is refused or the output cannot be written.
//
//   bench/gen --vars 16 --density 0.5 --dc 0.1 --seed 1 | qmsop_scale
#include <iostream>

#include "io/function.h"
#include "tabulation/mccluskey.h"
#include "tabulation/quine.h"

int main()
{
    std::ios::sync_with_stdio(false);
    qmsop::Quine quine;
    if (!qmsop::ReadFunction(std::cin, quine.func).accepted) {
        std::cerr << "qmsop_scale: input refused\n";
        return 1;
    }
    quine.FindPrimeImplicants({.releaseColumns = true});
    qmsop::McCluskey chart(quine);
    chart.Solve();
    qmsop::WriteResultLine(std::cout, chart);
    std::cout.flush();
    std::cerr << "qmsop_scale: " << chart.numPIs() << " prime implicants, "
              << chart.products().size() << " products\n";
    return std::cout ? 0 : 1;
}
