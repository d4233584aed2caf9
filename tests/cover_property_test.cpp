// SPDX-License-Identifier: MIT
// Property test of the whole minimisation on seeded random functions of up to
// ten variables. It checks the result against the function itself, not
// against the program's own steps: the result text, read back as a sum of
// products, must be 1 on every minterm and 0 off the minterms and
// don't-cares; the chart must mark exactly the minterms each prime implicant
// contains; and the starred rows must be exactly the products of the result
// line, in selection order.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <memory>
#include <random>
#include <set>
#include <span>
#include <sstream>
#include <string>
#include <vector>

#include "io/function.h"
#include "tabulation/mccluskey.h"
#include "tabulation/quine.h"

namespace {

using qmsop::McCluskey;
using qmsop::Quine;

// One product: for each variable, 1 (plain), 0 (complemented) or -1 (absent).
using Product = std::vector<int>;

// Reads an expression over the one-letter names a, b, c, ...: products
// joined by " + ", each a run of names optionally followed by "'". The text
// cannot tell "no products" from "one empty product" (both are ""); the
// caller says how many products there are.
std::vector<Product> ParseExpression(const std::string& text, std::uint32_t numVars,
                                     std::size_t numProducts)
{
    std::vector<Product> products;
    if (numProducts == 0) {
        EXPECT_EQ(text, "");
        return products;
    }
    std::size_t pos = 0;
    while (true) {
        const std::size_t end = std::min(text.find(" + ", pos), text.size());
        Product product(numVars, -1);
        for (std::size_t i = pos; i < end; ++i) {
            const int v = text[i] - 'a';
            EXPECT_TRUE(v >= 0 && static_cast<std::uint32_t>(v) < numVars)
                << "unexpected character in " << text;
            if (v < 0 || static_cast<std::uint32_t>(v) >= numVars) {
                return products;
            }
            EXPECT_EQ(product[v], -1) << "variable repeated in a product of " << text;
            const bool complemented = i + 1 < end && text[i + 1] == '\'';
            product[v] = complemented ? 0 : 1;
            if (complemented) {
                ++i;
            }
        }
        products.push_back(product);
        if (end == text.size()) {
            break;
        }
        pos = end + 3;
    }
    return products;
}

bool Covers(const Product& product, std::uint32_t point)
{
    const auto numVars = static_cast<std::uint32_t>(product.size());
    for (std::uint32_t v = 0; v < numVars; ++v) {
        const int bit = static_cast<int>((point >> (numVars - 1 - v)) & 1u);
        if (product[v] != -1 && product[v] != bit) {
            return false;
        }
    }
    return true;
}

// The product of a set of points: the variables on which all of them agree.
Product ProductOf(std::span<const std::uint32_t> points, std::uint32_t numVars)
{
    Product product(numVars, -1);
    for (std::uint32_t v = 0; v < numVars; ++v) {
        const std::uint32_t weight = 1u << (numVars - 1 - v);
        const bool first = (points.front() & weight) != 0;
        const bool agree = std::all_of(points.begin(), points.end(), [&](std::uint32_t p) {
            return ((p & weight) != 0) == first;
        });
        if (agree) {
            product[v] = first ? 1 : 0;
        }
    }
    return product;
}

struct RandomFunction {
    std::uint32_t numVars = 0;
    std::vector<std::uint32_t> minterms;  // in the order given to the program
    std::vector<std::uint32_t> dontCares;

    std::string Text() const
    {
        std::string text = "f(";
        for (std::uint32_t v = 0; v < numVars; ++v) {
            if (v != 0) {
                text += ',';
            }
            text += static_cast<char>('a' + v);
        }
        text += ") = m(";
        for (std::size_t i = 0; i < minterms.size(); ++i) {
            if (i != 0) {
                text += ',';
            }
            text += std::to_string(minterms[i]);
        }
        text += ") + d(";
        for (std::size_t i = 0; i < dontCares.size(); ++i) {
            if (i != 0) {
                text += ',';
            }
            text += std::to_string(dontCares[i]);
        }
        text += ')';
        return text;
    }
};

RandomFunction MakeFunction(std::mt19937& rng)
{
    RandomFunction f;
    f.numVars = std::uniform_int_distribution<std::uint32_t>(1, 10)(rng);
    // Densities from empty to full, so constant functions come up too.
    const double onDensity = std::uniform_real_distribution<double>(0.0, 1.0)(rng);
    const double dcDensity = std::uniform_real_distribution<double>(0.0, 0.4)(rng);
    std::uniform_real_distribution<double> coin(0.0, 1.0);
    for (std::uint32_t point = 0; point < (1u << f.numVars); ++point) {
        const double r = coin(rng);
        if (r < onDensity) {
            f.minterms.push_back(point);
        } else if (r < onDensity + dcDensity * (1.0 - onDensity)) {
            f.dontCares.push_back(point);
        }
    }
    std::shuffle(f.minterms.begin(), f.minterms.end(), rng);
    std::shuffle(f.dontCares.begin(), f.dontCares.end(), rng);
    return f;
}

// The chart rows of the report, in order: the lines after the header up to
// the empty line before the result line.
std::vector<std::string> ChartRows(const std::string& report)
{
    std::istringstream in(report);
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        lines.push_back(line);
    }
    std::vector<std::string> rows;
    std::size_t i = 0;
    while (i < lines.size() && !lines[i].empty()) {
        ++i;  // "[PI]" and the prime implicant list
    }
    i += 2;  // the empty line and the header
    for (; i < lines.size() && !lines[i].empty(); ++i) {
        rows.push_back(lines[i]);
    }
    return rows;
}

void CheckFunction(const RandomFunction& f)
{
    SCOPED_TRACE(f.Text());
    Quine quine;
    std::istringstream in(f.Text());
    ASSERT_TRUE(qmsop::ReadFunction(in, quine.func).accepted);
    quine.FindPrimeImplicants();
    McCluskey chart(quine);
    chart.Solve();

    const std::uint32_t n = f.numVars;
    const std::set<std::uint32_t> on(f.minterms.begin(), f.minterms.end());
    const std::set<std::uint32_t> dc(f.dontCares.begin(), f.dontCares.end());

    // The chart marks exactly the minterms each prime implicant contains.
    for (std::uint32_t i = 0; i < chart.numPIs(); ++i) {
        const auto& pi = chart.primeImplicants()[i]->Minterms();
        for (std::uint32_t j = 0; j < f.minterms.size(); ++j) {
            const bool contains = std::find(pi.begin(), pi.end(), f.minterms[j]) != pi.end();
            ASSERT_EQ(chart.piTable()[i][j], contains) << "row " << i << " column " << j;
        }
    }

    // The result line is the chosen products in selection order, each one
    // the product of its implicant's minterms; every selection covers a
    // minterm that the earlier ones left uncovered.
    std::vector<Product> expected;
    std::set<std::uint32_t> coveredSoFar;
    std::set<std::uint32_t> chosenRows;
    for (std::uint32_t p = static_cast<std::uint32_t>(chart.chosen().size()); p > 0; --p) {
        const std::uint32_t row = chart.chosen()[p - 1];
        ASSERT_LT(row, chart.numPIs());
        ASSERT_TRUE(chosenRows.insert(row).second) << "row " << row << " chosen twice";
        const auto& pi = chart.primeImplicants()[row]->Minterms();
        expected.push_back(ProductOf(pi, n));
        bool coversNew = false;
        for (const std::uint32_t m : pi) {
            if (on.count(m) != 0 && coveredSoFar.insert(m).second) {
                coversNew = true;
            }
        }
        EXPECT_TRUE(coversNew) << "row " << row << " adds no minterm";
    }
    const std::vector<Product> products =
        ParseExpression(chart.expression(), n, static_cast<std::uint32_t>(chart.chosen().size()));
    EXPECT_EQ(products, expected) << "expression: " << chart.expression();

    // Read back, the result is a cover: on at every minterm, off everywhere
    // that is neither a minterm nor a don't-care.
    for (std::uint32_t point = 0; point < (1u << n); ++point) {
        const bool value = std::any_of(products.begin(), products.end(),
                                       [&](const Product& pr) { return Covers(pr, point); });
        if (on.count(point) != 0) {
            ASSERT_TRUE(value) << "minterm " << point << " not covered by " << chart.expression();
        } else if (dc.count(point) == 0) {
            ASSERT_FALSE(value) << "point " << point << " wrongly covered by "
                                << chart.expression();
        }
    }

    // The report stars exactly the chosen rows.
    std::ostringstream out;
    out << chart;
    const std::vector<std::string> rows = ChartRows(out.str());
    ASSERT_EQ(rows.size(), chart.numPIs());
    for (std::uint32_t i = 0; i < chart.numPIs(); ++i) {
        EXPECT_EQ(rows[i].substr(0, 1), chosenRows.count(i) != 0 ? "*" : " ") << "row " << i;
    }
}

TEST(CoverProperty, RandomFunctionsAreCoveredByTheirStarredProducts)
{
    for (std::uint32_t seed = 1; seed <= 400; ++seed) {
        std::mt19937 rng(seed);
        const RandomFunction f = MakeFunction(rng);
        CheckFunction(f);
        if (HasFatalFailure() || HasNonfatalFailure()) {
            FAIL() << "first failing seed: " << seed;
        }
    }
}

}  // namespace
