// SPDX-License-Identifier: MIT
// The .type of a PLA: which sets its rows' output values name. One value
// type shared by the line parser (io/pla_parser.h) and the cover builder
// (cube/plarows.h).
//
//   f    '1' ON                    fd   '1' ON, '-' DC (the default)
//   fr   '1' ON, '0' OFF           fdr  '1' ON, '-' DC, '0' OFF
//   r    '0' OFF (ON: the rest)    dr   '-' DC, '0' OFF (ON: the rest)
//
// Cost: O(1) everything. Invariant: at least one of the three sets is named.
#pragma once

namespace qmsop {

// The sets that a .type reads from the output values.
struct PlaType {
    bool on = true;        // '1' puts the cube in the on-set
    bool dontCare = true;  // '-' or '2' in the don't-care set
    bool off = false;      // '0' in the off-set

    bool operator==(const PlaType&) const = default;

    static const PlaType kF;
    static const PlaType kFd;
    static const PlaType kFr;
    static const PlaType kFdr;
    static const PlaType kR;
    static const PlaType kDr;
};

inline constexpr PlaType PlaType::kF{true, false, false};
inline constexpr PlaType PlaType::kFd{true, true, false};
inline constexpr PlaType PlaType::kFr{true, false, true};
inline constexpr PlaType PlaType::kFdr{true, true, true};
inline constexpr PlaType PlaType::kR{false, false, true};
inline constexpr PlaType PlaType::kDr{false, true, true};

}  // namespace qmsop
