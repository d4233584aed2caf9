// SPDX-License-Identifier: MIT
// The reader of --input=expr: one function per line, written as an
// expression or as lists of minterms or maxterms, turned into the minterms
// and don't-cares of a BooleanFunction.
//
//   f(a,b,c) = a'b + c + d(0)       an expression over the head's names
//   Y = !a & (b | c) ^ 1            named Y, variables in natural order
//   a·b' + ¬c                       no head: named f
//   F(A,B,C) = ΠM(0, 3)             maxterms: the function is 0 on them
//   f(a,b,c) = Σm(1, 2) + d(5)      also ∑m, sum m, m(...); ∏, prod M
//
// Operators, loosest first: or (+ | ∨), xor (^ ⊕), and (& * · ∧ or two
// factors side by side), prefix not (! ~ ¬), postfix prime (' ’); then
// parentheses, the constants 0 and 1 and names (a letter, then letters,
// digits or '_'). When the head lists only one-letter names (a digit suffix
// allowed: x1, y12), or there is no head, a word is split into such
// variables: "ab'c" is a·b'·c and "x1x2" is x1·x2. A head with a longer
// name reads words whole: "f(sel,a,b) = sel a + sel' b". Without a head's
// names the variables are taken in natural order (x2 before x10).
// A trailing "+ d(numbers)" lists don't-cares by number (the first variable
// is the most significant bit); "d(" followed by a number or ")" always
// starts that list. Blanks may stand between any two tokens.
//
// Cost: an expression of k nodes over n variables is evaluated 64 points at
// a time, O(k 2^n / 64) word operations, so n is at most kMaxExprVars and
// k 2^n at most kMaxExprWork; a list is O(m log m) for m numbers, a maxterm
// list O(2^n). Invariants: minterms and don't-cares come out ascending,
// without repeats and disjoint; a refusal leaves `func` untouched.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>

#include "io/function.h"

namespace qmsop {

// Most variables of an expression or of a maxterm list, whose points are
// enumerated.
inline constexpr std::uint32_t kMaxExprVars = 20;
// Most nodes times points that one expression may cost.
inline constexpr std::uint64_t kMaxExprWork = std::uint64_t{1} << 32;
// Deepest nesting of parentheses and negations.
inline constexpr std::uint32_t kMaxExprDepth = 1000;

// Reads one line of `text` (its number is `line`) into `func` and the
// function's name (the head's, or "f"). The column of a refusal counts bytes
// from 1.
ReadResult ParseExpressionLine(std::string_view text, std::uint64_t line, BooleanFunction& func,
                               std::string& name);

// Reads the next line of `in` and parses it as ParseExpressionLine does.
ReadResult ReadExpression(std::istream& in, BooleanFunction& func, std::string& name,
                          std::uint64_t firstLine = 1);

// True when the line's body is a list of minterms or maxterms (Σm, m(...),
// ΠM, ...) rather than an expression.
bool IsTermList(std::string_view text);

}  // namespace qmsop
