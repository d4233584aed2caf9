// SPDX-License-Identifier: MIT
// Cube: a product term as a value, one literal per variable in name order.
//
//   names a,b,c   cube 1-0   product ac'
//
// Bit order: variable i of n has the weight 2^(n-1-i), so the first name is
// the most significant bit. A variable whose weight does not fit 32 bits is
// never eliminated and its literal is 0.
#pragma once

#include <algorithm>
#include <compare>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace qmsop {

class Implicant;

// The value a product asks of one variable.
enum class Literal : std::uint8_t { kZero, kOne, kFree };

class Cube {
public:
    Cube() = default;
    explicit Cube(std::vector<Literal> literals) : literals_(std::move(literals)) {}

    std::uint32_t numVars() const { return static_cast<std::uint32_t>(literals_.size()); }
    Literal operator[](std::uint32_t variable) const { return literals_[variable]; }
    const std::vector<Literal>& Literals() const { return literals_; }
    // The number of variables that are not free. O(n).
    std::uint32_t NumLiterals() const;
    // True when the point (a value in the bit order above) lies in the cube;
    // variables past the 64th must be 0 in the point. O(n).
    bool Contains(std::uint64_t point) const;
    // One character per variable: '0', '1' or '-' (PLA and JSON form).
    std::string Pattern() const;

    auto operator<=>(const Cube&) const = default;

private:
    std::vector<Literal> literals_;
};

// The cube of a tabulated implicant over `numVars` variables: a variable is
// free when its weight is one of the implicant's differences, otherwise it
// takes its bit in the first minterm. O(numVars * differences).
Cube CubeOf(const Implicant& implicant, std::uint32_t numVars);

// How a cover reads: the sum of its products, or, for a cover of the
// complement (--pos), the product of the sums that complement its products.
enum class CoverForm : std::uint8_t { kSumOfProducts, kProductOfSums };

// Appends the literals of `cube` in name order, `between` between two of
// them, each through write(variable, complemented): `complemented` is true
// for a 0 in a product and for a 1 in a sum (the complement of the cube,
// kProductOfSums). O(variables).
template <typename Write>
void AppendLiterals(std::string& text, const Cube& cube, CoverForm form, std::string_view between,
                    Write write)
{
    const Literal complemented = form == CoverForm::kSumOfProducts ? Literal::kZero : Literal::kOne;
    bool first = true;
    for (std::uint32_t v = 0; v < cube.numVars(); ++v) {
        if (cube[v] == Literal::kFree) {
            continue;
        }
        if (!first) {
            text += between;
        }
        first = false;
        write(v, cube[v] == complemented);
    }
}

// Appends the product of `cube` in the result line's form, "a'bc": each
// non-free variable's name, with "'" when it is 0. Nothing for a cube
// without literals.
void AppendProduct(std::string& text, const Cube& cube, const std::vector<std::string>& names);

// Appends the sum that is the complement of `cube`: "(a + b')" for the
// product a'b. A cube without literals gives "()".
void AppendSum(std::string& text, const Cube& cube, const std::vector<std::string>& names);

// Appends the expression of a cover in its form: the products joined by
// " + " ("a'b + c"), or the sums side by side ("(a + b')(c)"), in the order
// given. Constant results stay empty: an empty cover writes nothing, and a
// product of sums whose cover holds a cube without literals (the function is
// 0) writes nothing either. Calls spill() after each term, so that a caller
// can hand a long expression on piece by piece. O(cubes * variables).
template <typename Spill>
void AppendExpression(std::string& text, std::span<const Cube> cubes,
                      const std::vector<std::string>& names, CoverForm form, Spill spill)
{
    if (form == CoverForm::kSumOfProducts) {
        for (std::size_t p = 0; p < cubes.size(); ++p) {
            if (p != 0) {
                text += " + ";
            }
            AppendProduct(text, cubes[p], names);
            spill();
        }
        return;
    }
    const bool zero = std::any_of(cubes.begin(), cubes.end(),
                                  [](const Cube& cube) { return cube.NumLiterals() == 0; });
    for (std::size_t p = 0; p < cubes.size() && !zero; ++p) {
        AppendSum(text, cubes[p], names);
        spill();
    }
}

// AppendExpression of a sum of products, in one piece.
inline void AppendSumOfProducts(std::string& text, const std::vector<Cube>& cubes,
                                const std::vector<std::string>& names)
{
    AppendExpression(text, cubes, names, CoverForm::kSumOfProducts, [] {});
}

// AppendExpression of a product of sums (`cubes` cover the complement), in
// one piece.
inline void AppendProductOfSums(std::string& text, const std::vector<Cube>& cubes,
                                const std::vector<std::string>& names)
{
    AppendExpression(text, cubes, names, CoverForm::kProductOfSums, [] {});
}

}  // namespace qmsop
