// SPDX-License-Identifier: MIT
// Product of sums: the complement that --pos minimises (the result line
// writes its cover with CoverForm::kProductOfSums, cube/cube.h).
//
//   f(a,b,c) = m(0,1,2,5) + d(6,7)   the function as read
//   f'(a,b,c) = m(3,4) + d(6,7)      its complement, minimised: f' = bc + ac'
//   f(a,b,c) = (b' + c')(a' + c)     each product of f' complemented into a sum
//
// Bit order: the first name is the most significant bit. The complement is
// enumerated point by point, so it is taken only up to kMaxPosVars variables.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cube/cube.h"
#include "io/function.h"

namespace qmsop {

// The most variables whose complement --pos enumerates (2^16 points). The
// tabulation of a dense complement grows much faster than the enumeration:
// a function with almost no minterms has an almost full complement.
inline constexpr std::uint32_t kMaxPosVars = 16;

// The complement of `func` over its 2^n points: minterms are the points that
// are neither minterms nor don't-cares of func, don't-cares are func's
// don't-cares that are not also minterms; both ascending, without repeats;
// numbers of func at or past 2^n lie outside and are left out. The names
// stay. Requires numVars <= kMaxPosVars. O(2^n + k log k) for k numbers.
BooleanFunction Complement(const BooleanFunction& func);

}  // namespace qmsop
