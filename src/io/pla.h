// SPDX-License-Identifier: MIT
// PLA files (Berkeley/Espresso conventions): the set builder, which reads
// a file through the line parser (io/pla_parser.h, where the syntax is) and
// expands each output into the minterms and don't-cares of a function, and
// the writer of a type-f cover.
//
// Output values, as Espresso reads them: '1' puts the cube in the on-set
// when the type has f, '0' in the off-set when the type has r, '-' or '2' in
// the don't-care set when the type has d, and '~' nowhere; a value whose set
// the type lacks means nothing. Points in no set are 0 for f and fd,
// don't-cares for fr and fdr, and 1 for r and dr. A don't-care wins over 0
// and 1; a point given both 1 and 0 refuses the file.
//
// Limits, each refusing the file with its line: with more than 32 inputs,
// the first ones have no bit of a minterm number and must be 0 in every
// cube; the cubes together stand for at most kMaxPlaPoints points, a cube
// counted once per output it gives a value (the cube that goes past is
// refused); a type whose unlisted points are not 0 (fr, fdr, r, dr) takes at
// most kMaxPlaEnumeratedInputs inputs, as its unlisted points are
// enumerated. As the minterm working of an output holds every implicant of
// its on-set and don't-cares, an output whose implicants are estimated past
// kMaxPlaImplicants is refused: the estimate is a lower bound, the larger of
// its points and 3^k for a cube of k free inputs inside them (a cube of the
// file, or for the enumerated types one that misses the off-set).
//
// Cost: linear in the file and in the points its cubes stand for, plus a
// sort of each output's points.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

#include "io/function.h"
#include "io/pla_parser.h"
#include "io/solution.h"

namespace qmsop {

inline constexpr std::uint64_t kMaxPlaPoints = std::uint64_t{1} << 24;
inline constexpr std::uint32_t kMaxPlaEnumeratedInputs = 16;
inline constexpr std::uint64_t kMaxPlaImplicants = std::uint64_t{1} << 21;

// One output's sets: ascending, without repeats, pairwise disjoint.
struct PlaOutput {
    std::string name;
    std::vector<std::uint32_t> on;
    std::vector<std::uint32_t> dontCare;
    std::vector<std::uint32_t> off;
};

// A PLA file as read.
struct PlaFile {
    std::vector<std::string> inputs;
    std::vector<PlaOutput> outputs;
    bool unlistedAreDontCares = false;  // type fr, fdr
    bool unlistedAreOnes = false;       // type r, dr
};

// Reads a whole PLA file into `pla`. On refusal `pla` is left unspecified and
// the result says where and why (line and column from 1, or the end); an
// accepted file's warnings are in the result.
ReadResult ReadPla(std::istream& in, PlaFile& pla);

// Output `index` of `pla` as a function: the inputs' names, the minterms and
// the don't-cares, ascending. O(2^n) when unlisted points are enumerated,
// otherwise linear in the output's sets.
BooleanFunction FunctionOf(const PlaFile& pla, std::size_t index);

// Writes the result as one PLA over its inputs: .i, .o, .ilb (unless there
// are no inputs), .ob, .type, .p, one line per distinct cube of the result
// with a value per output, .e. A sum of products
// is a type-f cover ('1': the cube is in the output, '0': it is not); a
// product of sums is a type-r cover of the complement ('0': the cube is in
// the output's off-set, '1': it is not). All covers must have the same form.
// A name already taken by an earlier one (inputs first, then outputs) gets
// _2, _3, ... appended, the first that is free.
//
//   .i 3
//   .o 1
//   .ilb a b c
//   .ob f
//   .type f
//   .p 1
//   --1 1
//   .e
void WritePla(std::ostream& out, const Result& result);

}  // namespace qmsop
