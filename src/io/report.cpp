// SPDX-License-Identifier: MIT
#include "io/report.h"

#include <ostream>
#include <sstream>

#include "tabulation/mccluskey.h"

namespace qmsop {

namespace {

CoverForm FormOf(const Solution& solution)
{
    return solution.pos ? CoverForm::kProductOfSums : CoverForm::kSumOfProducts;
}

}  // namespace

std::string ResultLine(const Solution& solution)
{
    std::ostringstream line;
    WriteResult(line, solution);
    std::string text = std::move(line).str();
    text.pop_back();  // the line end
    return text;
}

std::string EchoLine(const BooleanFunction& func, const std::string& name)
{
    std::string text;
    AppendEchoLine(text, func, {name, false});
    return text;
}

void WriteEchoLines(std::ostream& out, const BooleanFunction& func, const std::string& name,
                    const BooleanFunction* complement)
{
    std::string text;
    AppendEchoLine(text, func, {name, false});
    text += '\n';
    if (complement != nullptr) {
        AppendEchoLine(text, *complement, {name, true});
        text += '\n';
    }
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void WriteChartReport(std::ostream& out, const Solution& solution)
{
    WriteChart(out, solution.chart, {solution.name, solution.pos});
    if (solution.pos) {
        WriteResult(out, solution);
    }
}

void WriteResult(std::ostream& out, const Solution& solution)
{
    WriteResultLine(out, solution.chart, {solution.name, false}, FormOf(solution));
}

}  // namespace qmsop
