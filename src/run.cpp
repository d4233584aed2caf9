// SPDX-License-Identifier: MIT
#include "run.h"

#include <istream>
#include <ostream>

#include "function.h"
#include "mccluskey.h"
#include "quine.h"

namespace qmsop {

RunStatus Run(std::istream& in, std::ostream& out, const RunOptions& options, RunStats* stats)
{
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
