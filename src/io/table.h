// SPDX-License-Identifier: MIT
// The reader of --input=table: a truth table as text, read into the sets of
// a PlaFile so that each output column is minimised alone, as a PLA's are.
//
//   # a comment
//   a b c | f g
//   0 0 0 | 1 0
//   0 1 1 | - 1
//   111 | x 1
//
// The header names the inputs (most significant first), then the outputs;
// '|' stands between them, and without it the last name is the only output.
// Names are a letter, then letters, digits or '_', split by blanks, commas
// or '|'. A row gives one 0 or 1 per input and one 0, 1, '-' or 'x' (a
// don't-care) per output; blanks, commas and '|' between the values are
// optional. Rows come in any order, each point at most once; a point with
// no row is 0 in every output, or a don't-care with `missingAreDontCares`.
// Blank lines and lines starting with '#' are skipped.
//
// Cost: O(r log r) for r rows, O(2^n) for the missing rows when they are
// don't-cares. Invariants: at most 32 inputs (kMaxExprVars with
// `missingAreDontCares`); every output's sets come out ascending, without
// repeats and pairwise disjoint.
#pragma once

#include <iosfwd>

#include "io/function.h"
#include "io/pla.h"

namespace qmsop {

// Reads a whole table into `pla`; on refusal `pla` is unspecified and the
// result says where and why.
ReadResult ReadTable(std::istream& in, PlaFile& pla, bool missingAreDontCares = false);

}  // namespace qmsop
