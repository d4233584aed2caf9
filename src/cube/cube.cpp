// SPDX-License-Identifier: MIT
#include "cube/cube.h"

#include <algorithm>

#include "tabulation/quine.h"

namespace qmsop {

std::uint32_t Cube::NumLiterals() const
{
    return static_cast<std::uint32_t>(
        std::count_if(literals_.begin(), literals_.end(),
                      [](const Literal literal) { return literal != Literal::kFree; }));
}

bool Cube::Contains(std::uint64_t point) const
{
    const std::uint32_t n = numVars();
    for (std::uint32_t v = 0; v < n; ++v) {
        const std::uint32_t shift = n - 1 - v;
        const bool bit = shift < 64 && ((point >> shift) & 1u) != 0;
        if ((literals_[v] == Literal::kOne && !bit) || (literals_[v] == Literal::kZero && bit)) {
            return false;
        }
    }
    return true;
}

std::string Cube::Pattern() const
{
    std::string text;
    text.reserve(literals_.size());
    for (const Literal literal : literals_) {
        text += literal == Literal::kZero ? '0' : literal == Literal::kOne ? '1' : '-';
    }
    return text;
}

Cube CubeOf(const Implicant& implicant, std::uint32_t numVars)
{
    std::vector<Literal> literals(numVars, Literal::kZero);
    const std::uint32_t first = implicant.Minterm(0);
    const auto diffs = implicant.Diffs();
    for (std::uint32_t v = 0; v < numVars; ++v) {
        const std::uint32_t shift = numVars - 1 - v;
        if (shift >= 32) {
            continue;  // the weight does not fit: never eliminated, bit 0
        }
        const std::uint32_t weight = std::uint32_t{1} << shift;
        if (diffs && std::find(diffs->begin(), diffs->end(), weight) != diffs->end()) {
            literals[v] = Literal::kFree;
        } else if ((first & weight) != 0) {
            literals[v] = Literal::kOne;
        }
    }
    return Cube(std::move(literals));
}

namespace {

// Appends the literals of `cube` over `names`, "'" after a complemented one.
void AppendNamedLiterals(std::string& text, const Cube& cube, CoverForm form,
                         std::string_view between, const std::vector<std::string>& names)
{
    AppendLiterals(text, cube, form, between, [&](std::uint32_t v, bool complemented) {
        text += names[v];
        if (complemented) {
            text += '\'';
        }
    });
}

}  // namespace

void AppendProduct(std::string& text, const Cube& cube, const std::vector<std::string>& names)
{
    AppendNamedLiterals(text, cube, CoverForm::kSumOfProducts, "", names);
}

void AppendSum(std::string& text, const Cube& cube, const std::vector<std::string>& names)
{
    text += '(';
    AppendNamedLiterals(text, cube, CoverForm::kProductOfSums, " + ", names);
    text += ')';
}

}  // namespace qmsop
