// SPDX-License-Identifier: MIT
// The --multi-output run of a PLA: the file read as cubes (never expanded to
// minterms), every output minimised together with shared products, the
// result checked against the care set and written once.
//
//   ParsePla ──cubes──> PlaRows ──ON, DC──> Minimize ──cover──> writer
//
//   -f pla        one type-f PLA: .i .o .ilb .ob .type f .p, one row per
//                 product, its output part naming every output it serves
//   text, -r      one line per output, name(inputs) = products, a product's
//                 literals in input order ("a'" the complement, "1" the
//                 product of none, "0" an output with no product)
//
// Cost: reading is linear in the file; Minimize's cost (cube/minimize.h), in
// memory O(cubes · (2n + m) bits), never 2^n; writing linear in the cover.
// Invariants: a cover is written only after Minimize has verified it by
// tautology against ON and ON ∪ DC; a refused file writes nothing to `out`
// and one message line; the input and output names and their order are the
// file's (x0, x1, ... and f, or f0, f1, ..., when the file has none).
#pragma once

#include <iosfwd>

#include "run/run.h"

namespace qmsop {

// Reads one PLA file from `in` and writes its multi-output cover to `out` in
// options.format (text or PLA; the command line refuses the others).
RunStatus RunMultiOutput(std::istream& in, std::ostream& out, const RunOptions& options,
                         RunStats& stats);

}  // namespace qmsop
