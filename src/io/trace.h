// SPDX-License-Identifier: MIT
// The JSON trace: one document per minimised function, holding every step of
// the working, streamed with RapidJSON's SAX writer on one line ended by
// '\n' (several functions give JSON Lines). The shape is documented by the
// JSON Schema in man/qmsop-trace.schema.json (installed as
// share/doc/qmsop/qmsop-trace.schema.json); in short:
//
//   {"qmsop":"1.0.0","input":{"name":"standard input","line":1},
//    "options":{"cover":"greedy","form":"sop"},"accepted":true,"refusal":null,
//    "warnings":[],"function":{"name":"f","echo":"f(a,b,c) = m(1,3,5,7) + d(0)",
//    "variables":[{"name":"a","weight":4},...],"minterms":[1,3,5,7],"dontCares":[0]},
//    "tabulation":{"columns":[{"groups":[{"implicants":[{"minterms":[0],
//    "differences":null,"cube":"000","combined":true,"pi":null,"from":[]}],
//    "count":1},...]},...]},"primeImplicants":[...],"chart":{...},
//    "essential":[2],"chosen":[2],"result":{"text":"f(a,b,c) = c","form":"sop",
//    "constant":null,"cubes":["--1"]},"certificate":null,"truncated":false}
//
// Rows of the chart are named by PI number (from 1); its columns by their
// index from 0 in the minimised function's minterm list. An implicant's
// "from" pairs are the ones the tabulation recorded (TabulationOptions::
// recordPairs), each pair of runs of copies expanded to every pair of copies.
// Memory: the writer holds one output buffer; time is linear in the document.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string>

#include "base/diagnostic.h"
#include "io/function.h"
#include "io/solution.h"
#include "run/run.h"

namespace qmsop {

// What the exact cover proved about its result.
struct TraceCertificate {
    std::uint32_t products = 0;
    std::uint32_t literals = 0;
    std::uint32_t lowerBound = 0;
    bool proven = false;
    bool timeLimitReached = false;
    std::string text;  // "minimum: 2 products, 4 literals (proven)"
};

// The run's facts that the tabulation and the chart do not hold.
struct TraceContext {
    std::string inputName = "standard input";
    std::uint64_t line = 1;  // where the function began
    CoverMode cover = CoverMode::kGreedy;
    bool pos = false;  // --pos was asked for (the solution's form may differ when refused)
    // The refusal of the input (then the solution is the empty function's)
    // and its one-line message, e.g. "input refused at line 1, column 5: ...".
    std::optional<ReadResult> refusal;
    std::string refusalMessage;
    std::span<const Diagnostic> warnings;  // about the input, still minimised
    std::optional<TraceCertificate> certificate;
    // At most this many implicants per column, pairs per implicant, prime
    // implicants, chart rows and chart columns are listed (0: all); the
    // counts stay whole.
    std::uint64_t limit = 0;
};

// Writes the trace of `solution` as one line. Strings are written as valid
// UTF-8 (a byte that is not becomes U+FFFD).
void WriteTrace(std::ostream& out, const Solution& solution, const TraceContext& context);

}  // namespace qmsop
