// SPDX-License-Identifier: MIT
// The PLA line parser (Berkeley/Espresso syntax): reads a PLA file line by
// line and reports what it finds to callbacks, in the manner of lorina's
// readers. It checks the syntax and the header and never expands a cube, so
// that a consumer may build minterm sets or covers of cubes from the same
// calls.
//
//   Title of the file    the first line, before any keyword, if it has no '.'
//   .i 3                 OnInputs(3)        at most kMaxPlaInputs
//   .o 2                 OnOutputs(2)       1 to kMaxPlaOutputs
//   .ilb a b             OnInputNames       may go on over the next lines
//        c
//   .ob s t              OnOutputNames      likewise
//   .type fd             OnType             f, fd (the default), fr, fdr, r, dr
//   .p 2                 OnCubeCount(2)     checked: a warning when wrong
//   1-0 1-  # a comment  OnCube("1-0", "1-")
//   --1                  OnCube("--1", "01"): a cube may go on over lines
//   01
//   .e                   OnEnd; .end too; nothing after it is read
//
// Input values are 0, 1, '-' and '2'; output values 0, 1, '-', '2' and '~'.
// Blanks and '|' inside a cube are skipped; '#' ends a cube line, and a line
// whose first non-blank is '#' is a comment. Names are words of well-formed
// UTF-8 without control bytes; a name given twice, or with a "'" (the text
// output's sign of a complement), is warned about. The multi-valued and
// symbolic forms (.mv, .kiss, .symbolic, .phase, .pair, .label) are refused
// by name.
//
// Cost: one pass over the bytes; memory: one line, one cube's values with
// their places, and the names. Invariants: the callbacks see .i and .o
// before any names or cube, every cube has exactly .i input and .o output
// values, and OnEnd comes last, once, unless the file was refused.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <optional>
#include <span>
#include <string_view>

#include "base/diagnostic.h"
#include "cube/platype.h"
#include "io/function.h"

namespace qmsop {

inline constexpr std::uint32_t kMaxPlaInputs = 65536;
inline constexpr std::uint32_t kMaxPlaOutputs = 65536;

// A place in the file: line and column from 1, the column in bytes.
struct PlaPlace {
    std::uint64_t line = 1;
    std::uint64_t column = 1;
};

// One name of .ilb or .ob, with its place.
struct PlaName {
    std::string_view text;
    PlaPlace place;
};

// One cube: its values without blanks, and the place of each value (inputs
// first). The views live until the callback returns.
struct PlaCube {
    std::string_view inputs;
    std::string_view outputs;
    std::span<const PlaPlace> places;
};

// The parser's calls. Each returns nothing to go on, or a diagnostic that
// refuses the file there. The defaults accept.
class PlaCallbacks {
public:
    using Answer = std::optional<Diagnostic>;

    PlaCallbacks() = default;
    PlaCallbacks(const PlaCallbacks&) = default;
    PlaCallbacks& operator=(const PlaCallbacks&) = default;
    virtual ~PlaCallbacks() = default;

    virtual Answer OnInputs(std::uint64_t /*count*/, PlaPlace /*place*/) { return {}; }
    virtual Answer OnOutputs(std::uint64_t /*count*/, PlaPlace /*place*/) { return {}; }
    virtual Answer OnInputNames(std::span<const PlaName> /*names*/) { return {}; }
    virtual Answer OnOutputNames(std::span<const PlaName> /*names*/) { return {}; }
    virtual Answer OnType(PlaType /*type*/, PlaPlace /*place*/) { return {}; }
    virtual Answer OnCubeCount(std::uint64_t /*count*/, PlaPlace /*place*/) { return {}; }
    virtual Answer OnCube(const PlaCube& /*cube*/) { return {}; }
    // The end: at .e or .end (`marked`), else at the end of the input.
    virtual Answer OnEnd(PlaPlace /*place*/, bool /*marked*/) { return {}; }
};

// Parses a PLA file from `in`, calling `callbacks` in file order. The result
// holds the refusal (the parser's or a callback's), a read error, or the
// acceptance with the parser's warnings in file order (at most kMaxWarnings,
// the rest counted). A line longer than kMaxLineLength refuses the file.
ReadResult ParsePla(std::istream& in, PlaCallbacks& callbacks);

}  // namespace qmsop
