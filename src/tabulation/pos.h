// SPDX-License-Identifier: MIT
// Product of sums: the complement that --pos minimises (the result line
// writes its cover with CoverForm::kProductOfSums, cube/cube.h).
//
//   f(a,b,c) = m(0,1,2,5) + d(6,7)   the function as read
//   f'(a,b,c) = m(3,4) + d(6,7)      its complement, minimised: f' = bc + ac'
//   f(a,b,c) = (b' + c')(a' + c)     each product of f' complemented into a sum
//
// Bit order: the first name is the most significant bit. The complement is
// enumerated point by point, so it is taken only up to kMaxPosVars variables;
// its tabulation holds every cube within its points, which for a function of
// few minterms is nearly 3^n, so it is taken only up to kMaxPosImplicants,
// counted before the tabulation starts.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cube/cube.h"
#include "io/function.h"

namespace qmsop {

// The most variables whose complement --pos enumerates (2^16 points). The
// tabulation of a dense complement grows much faster than the enumeration:
// a function with almost no minterms has an almost full complement.
inline constexpr std::uint32_t kMaxPosVars = 16;

// The most implicants the tabulation of a --pos complement may hold (about
// 150 bytes each): one minterm of 16 variables would give 3^16 - 2^16.
inline constexpr std::uint64_t kMaxPosImplicants = std::uint64_t{1} << 21;

// The implicants of the complement of `func` (the cubes that hold none of
// func's minterms), counted up to `cap`: the count, or `cap` when there are
// at least that many. Requires numVars <= kMaxPosVars. Algorithm: a depth-
// first walk over the sets of free variables, each set's implicants a bitset
// of 2^n base points (the AND of its parent's bitset with itself shifted by
// the new variable), a set with none cutting off its supersets. Cost: O(2^n /
// 64) words per set with some implicant, at most O(cap * 2^n / 64); memory
// O(n * 2^n / 64) words.
std::uint64_t ComplementImplicants(const BooleanFunction& func, std::uint64_t cap);

// Why --pos refuses `func` (too many variables, or a complement whose
// tabulation would pass kMaxPosImplicants); nullopt when it takes it.
std::optional<std::string> PosRefusal(const BooleanFunction& func);

// The complement of `func` over its 2^n points: minterms are the points that
// are neither minterms nor don't-cares of func, don't-cares are func's
// don't-cares that are not also minterms; both ascending, without repeats;
// a number of func at or past 2^n stands for the point of its lowest n bits
// (the point the tabulation groups and writes it by). The names
// stay. Requires numVars <= kMaxPosVars. O(2^n + k log k) for k numbers.
BooleanFunction Complement(const BooleanFunction& func);

}  // namespace qmsop
