// SPDX-License-Identifier: MIT
// The unate recursive paradigm on positional covers: tautology, complement and
// the supercube of the complement (Brayton et al., Logic Minimization
// Algorithms for VLSI Synthesis, 1984, ch. 3; Rudell's 1986 thesis).
//
//   F = x·F_x + x'·F_x'    split on the most binate input x
//   F unate in x (x' nowhere) => F is a tautology iff F_x' is: the cubes free in x
//
// A cover over several outputs is first split on the output part: it is a
// tautology when each output's cofactor is, and its complement is the union of
// each output's complement, cubes with equal input parts merged into one
// serving all their outputs; outputs served by the same cubes share one
// recursion. Below that the recursion is on inputs only:
// depth at most n, each level O(size * W) for the cofactors and the choice of
// the splitting variable. The worst case is exponential in n (the complement
// of a cover can need 2^n/2 cubes); unate leaves, single cubes and
// containment merging keep common covers small.
// Invariant: a complement is disjoint from its cover and their union is a
// tautology; no operation changes the cover it is given.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "cube/pcube.h"

namespace qmsop {

// True when the cover contains every point (every input value, every output).
bool Tautology(const Cover& cover);

// True when every point of cube c lies in the cover: the tautology of the
// cofactor against c.
bool CoversCube(const Cover& cover, CubeView c);

// A cover of the points that `cover` leaves out, disjoint from it; halves are
// merged where a cube of one lies in a cube of the other.
Cover Complement(const Cover& cover);

// The complement, or nullopt once a partial complement passes `maxCubes`
// cubes (the complement of k disjoint two-literal cubes has 2^k): the work
// and memory stay bounded by the budget.
std::optional<Cover> ComplementWithin(const Cover& cover, std::size_t maxCubes);

// The smallest cube containing every point outside the cover; nullopt when
// the cover is a tautology. Cheaper than the complement: it never lists it.
std::optional<std::vector<std::uint64_t>> SupercubeOfComplement(const Cover& cover);

}  // namespace qmsop
