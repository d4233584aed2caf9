// SPDX-License-Identifier: MIT
// Heuristic two-level minimisation of many outputs with shared products, by
// the expand / irredundant / reduce iteration of Brayton et al., Logic
// Minimization Algorithms for VLSI Synthesis (1984), on positional covers.
//
//   OFF = complement(ON ∪ DC)
//   F = irredundant(expand(ON)); E = essential primes; F -= E; DC += E
//   repeat F = irredundant(expand(reduce(F))) while the cost falls
//   last gasp: reduce each cube alone, expand, keep what lowers the cost
//   F += E; make sparse: drop outputs a cube needs not serve, raise inputs
//   verify: F ⊆ ON ∪ DC and ON ⊆ F ∪ DC, by tautology
//
// A product serves every output whose bit its output part sets. The cost is
// the number of products, then the input literals, then the output bits;
// every pass keeps the result a cover of ON within ON ∪ DC, and no pass raises
// the cost. Each expand costs O(|F| · |OFF| · W) per raised part, each
// irredundant and reduce one tautology or complement-supercube per cube
// (exponential in n at worst); memory is O((|F| + |DC| + |OFF|) · W), never
// 2^n. Where the OFF-set would pass a budget (k disjoint two-literal cubes
// have 2^k complement cubes), expand raises one part at a time and keeps it
// when ON ∪ DC still covers the cube: one tautology per part.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

#include "cube/pcube.h"

namespace qmsop {

struct MinimizeParams {
    // Moves the essential primes out of the iteration (faster, same cover).
    bool essentials = true;
    // Tries the last-gasp step when the iteration stops improving.
    bool lastGasp = true;
    // Drops output bits and literals that the cover does not need.
    bool makeSparse = true;
    // The most rounds of reduce, expand and irredundant (0: no limit).
    std::uint32_t maxRounds = 0;
    // Whole runs, alternating two ways of making a cube prime (raising the
    // parts that block fewest OFF cubes; keeping lowered those that block
    // most), the cheapest result kept.
    std::uint32_t passes = 2;
    // The largest OFF-set computed; past it, cubes are raised by tautology
    // checks against ON ∪ DC instead (slower per part, no complement).
    std::size_t maxOffCubes = 100000;
};

struct MinimizeStats {
    std::size_t offCubes = 0;        // cubes of the computed OFF-set
    bool withoutOff = false;         // the OFF-set passed maxOffCubes
    std::size_t essentialCubes = 0;  // essential primes set aside
    std::uint32_t rounds = 0;        // rounds of reduce, expand and irredundant
    std::uint32_t lastGasps = 0;     // last-gasp steps that lowered the cost
    std::size_t products = 0;
    std::size_t literals = 0;  // input literals over all products
    bool verified = false;     // the result was checked against ON and DC
};

// A cover of the ON-set within ON ∪ DC with few products, each serving as
// many outputs as it can; both covers have the same shape. nullopt when a
// pass's final check fails (never expected: it guards the steps above).
std::optional<Cover> Minimize(const Cover& on, const Cover& dc, const MinimizeParams& params = {},
                              MinimizeStats* stats = nullptr);

// True when `result` covers every point of `on` outside `dc` and lies inside
// on ∪ dc: one tautology per cube of each.
bool IsCoverWithin(const Cover& result, const Cover& on, const Cover& dc);

}  // namespace qmsop
