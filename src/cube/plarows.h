// SPDX-License-Identifier: MIT
// The covers of a PLA built row by row from its cube text, never expanded to
// minterms.
//
//   .type fd   row "1-0 10-~"   ON-set: 1-0 for output 0
//                               DC-set: 1-0 for output 2; nothing for output 3
//
// Input characters: '0', '1', '-' (or '2') for either value. Output
// characters: '1' (or '4') the ON-set, '0' (or '3') the OFF-set, '-' (or '2')
// the don't-care set, '~' none; a set the type does not name ignores its
// character (type f: only '1' counts). Each row costs O(n + m); Finish costs
// one complement for fr and fdr, where every point in none of the three sets
// is a don't-care, and for r and dr, whose ON-set is every point in neither
// the DC- nor the OFF-set.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

#include "cube/pcube.h"
#include "cube/platype.h"

namespace qmsop {

// The three covers of a PLA; `off` is empty unless the type names the OFF-set.
struct PlaCovers {
    Cover on;
    Cover dc;
    Cover off;
};

class PlaRows {
public:
    PlaRows(std::uint32_t numInputs, std::uint32_t numOutputs, PlaType type);

    // Adds one row. Returns nullopt, or the offset of the first character
    // that is not allowed in the input text followed by the output text (an
    // offset at the end of one part when it is too short; the length of a
    // part where it is too long).
    std::optional<std::size_t> Add(std::string_view inputs, std::string_view outputs);

    // The ON-, DC- and OFF-set covers. For fr and fdr the DC-set also holds
    // every point outside the three sets; for r and dr the ON-set is the
    // complement of DC ∪ OFF.
    PlaCovers Finish() const;

private:
    CubeShape shape_;
    PlaType type_;
    PlaCovers covers_;
};

}  // namespace qmsop
