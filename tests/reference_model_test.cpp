// SPDX-License-Identifier: MIT
// Differential test against a slow reference model of the whole run.
//
// The model does everything the plain way: sorted insertion by walking a
// list, every implicant of one group tried against every implicant of the
// next, duplicates found by walking the destination group, a chart of bytes,
// and the chart report written with stream field widths. The program replaces
// these with lookups, merges, bitsets and line buffers. On any function,
// including ones with repeated numbers, numbers shared by both lists, numbers
// beyond 2^numVars and numbers near 2^32, both must print the same bytes.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <iomanip>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "io/function.h"
#include "tabulation/mccluskey.h"
#include "tabulation/quine.h"

namespace {

using Numbers = std::vector<std::uint32_t>;

struct ModelImplicant {
    Numbers minterms;
    std::optional<Numbers> diffs;
    bool used = false;
    std::uint32_t piNumber = 0;
};
using ModelGroup = std::vector<ModelImplicant>;
using ModelColumn = std::vector<ModelGroup>;

void AddMinterm(ModelImplicant& x, std::uint32_t value)
{
    auto it = x.minterms.begin();
    while (it != x.minterms.end() && *it < value) {
        ++it;
    }
    x.minterms.insert(it, value);
}

std::uint32_t Sum(const ModelImplicant& x)
{
    std::uint32_t sum = 0;
    for (const std::uint32_t m : x.minterms) {
        sum += m;
    }
    return sum;
}

bool SameDiffs(const ModelImplicant& a, const ModelImplicant& b)
{
    const std::size_t n = a.diffs ? a.diffs->size() : 0;
    for (std::size_t i = 0; i < n; ++i) {
        if ((*a.diffs)[i] != (*b.diffs)[i]) {
            return false;
        }
    }
    return true;
}

void ComputeDiffs(ModelImplicant& x)
{
    std::size_t k = 0;
    for (std::uint64_t counter = 1; counter < x.minterms.size(); counter *= 2) {
        ++k;
    }
    x.diffs = Numbers(k);
    for (std::size_t i = 0; i < k; ++i) {
        (*x.diffs)[i] = x.minterms[std::size_t{1} << i] - x.minterms[0];
    }
}

void AddImplicant(ModelGroup& group, ModelImplicant x)
{
    auto it = group.begin();
    while (it != group.end() && it->minterms[0] < x.minterms[0]) {
        ++it;
    }
    group.insert(it, std::move(x));
}

bool HoldsSameMinterms(const ModelImplicant& c, const ModelImplicant& temp)
{
    for (std::size_t p = 0; p < c.minterms.size(); ++p) {
        const std::uint32_t t = p < temp.minterms.size() ? temp.minterms[p] : 0xFFFFFFFFu;
        if (c.minterms[p] != t) {
            return false;
        }
    }
    return true;
}

std::string ImplicantText(const ModelImplicant& x)
{
    std::ostringstream out;
    for (std::size_t i = 0; i < x.minterms.size(); ++i) {
        out << (i == 0 ? "" : ",") << x.minterms[i];
    }
    if (x.diffs) {
        out << " (";
        for (std::size_t i = 0; i < x.diffs->size(); ++i) {
            out << (i == 0 ? "" : ",") << (*x.diffs)[i];
        }
        out << ")";
    }
    if (x.used) {
        out << " *";
    } else if (x.piNumber != 0) {
        out << " PI#" << x.piNumber;
    }
    return out.str();
}

// The whole output of one run on `f`, the slow way.
std::string ModelRun(const qmsop::BooleanFunction& f)
{
    std::ostringstream out;
    out << "f(";
    for (std::size_t i = 0; i < f.names.size(); ++i) {
        out << (i == 0 ? "" : ",") << f.names[i];
    }
    out << ") = m(";
    for (std::size_t i = 0; i < f.minterms.size(); ++i) {
        out << (i == 0 ? "" : ",") << f.minterms[i];
    }
    out << ") + d(";
    for (std::size_t i = 0; i < f.dontCares.size(); ++i) {
        out << (i == 0 ? "" : ",") << f.dontCares[i];
    }
    out << ")\n";

    // Tabulation.
    std::vector<ModelColumn> columns(1);
    std::vector<const ModelImplicant*> primes;
    std::uint32_t numPIs = 0;
    const std::uint32_t numVars = f.numVars();
    if (numVars != 0 && !f.minterms.empty()) {
        columns[0].resize(std::size_t{numVars} + 1);
        const std::uint32_t mask = numVars >= 32 ? 0xFFFFFFFFu : (1u << numVars) - 1u;
        Numbers all = f.minterms;
        all.insert(all.end(), f.dontCares.begin(), f.dontCares.end());
        for (const std::uint32_t v : all) {
            ModelImplicant x;
            AddMinterm(x, v);
            AddImplicant(columns[0][std::popcount(v & mask)], x);
        }
        std::size_t current = 0;
        for (;;) {
            columns.emplace_back();
            const std::size_t next = columns.size() - 1;
            const std::size_t n = columns[current].size();
            if (n >= 2) {
                columns[next].resize(n - 1);
            }
            bool combined = false;
            for (std::size_t g = 0; g + 1 < n; ++g) {
                for (ModelImplicant& a : columns[current][g]) {
                    a.piNumber = numPIs + 1;
                    for (ModelImplicant& b : columns[current][g + 1]) {
                        const std::uint32_t d = Sum(b) - Sum(a);
                        if (!(Sum(b) > Sum(a)) || !SameDiffs(a, b) || std::popcount(d) > 1) {
                            continue;
                        }
                        a.used = true;
                        b.used = true;
                        a.piNumber = 0;
                        combined = true;
                        ModelImplicant temp;
                        for (std::size_t i = 0; i < a.minterms.size(); ++i) {
                            AddMinterm(temp, a.minterms[i]);
                            AddMinterm(temp, b.minterms[i]);
                        }
                        ModelGroup& destination = columns[next][g];
                        const bool duplicate = std::any_of(
                            destination.begin(), destination.end(), [&](const ModelImplicant& c) {
                                return !c.minterms.empty() && HoldsSameMinterms(c, temp);
                            });
                        if (!duplicate) {
                            ComputeDiffs(temp);
                            AddImplicant(destination, temp);
                        }
                    }
                    if (!a.used) {
                        ++numPIs;
                    }
                }
            }
            for (ModelImplicant& t : columns[current][n - 1]) {
                if (!t.used) {
                    t.piNumber = ++numPIs;
                }
            }
            current = next;
            if (!combined) {
                break;
            }
        }
        for (const ModelColumn& column : columns) {
            for (const ModelGroup& group : column) {
                for (const ModelImplicant& x : group) {
                    if (!x.used && x.piNumber != 0) {
                        primes.push_back(&x);
                    }
                }
            }
        }
    }

    // Tabulation report.
    for (std::size_t c = 0; c < columns.size(); ++c) {
        for (std::size_t g = 0; g < columns[c].size(); ++g) {
            for (const ModelImplicant& x : columns[c][g]) {
                out << ImplicantText(x) << "\n";
            }
            if (g + 1 < columns[c].size()) {
                out << "----\n";
            }
        }
        if (c + 1 < columns.size()) {
            out << ".\n";
        }
    }
    out << "\n";

    // Chart and cover.
    const std::size_t n = f.minterms.size();
    std::vector<std::vector<unsigned char>> chart(primes.size(), std::vector<unsigned char>(n, 0));
    for (std::size_t j = 0; j < n; ++j) {
        for (std::size_t i = 0; i < primes.size(); ++i) {
            for (const std::uint32_t m : primes[i]->minterms) {
                if (m == f.minterms[j]) {
                    chart[i][j] = 1;
                }
            }
        }
    }
    Numbers selected;
    if (n != 0) {
        std::vector<unsigned char> covered(n, 0);
        std::size_t coveredCount = 0;
        for (std::uint32_t k = 1;; ++k) {
            for (std::size_t j = 0; j < n; ++j) {
                Numbers candidates;  // a stack: the last pushed is on top
                if (covered[j] == 0) {
                    for (std::uint32_t i = 0; i < primes.size(); ++i) {
                        if (chart[i][j] != 0) {
                            candidates.push_back(i);
                        }
                    }
                }
                if (candidates.size() != k) {
                    continue;
                }
                std::uint32_t winner = candidates.back();
                std::size_t best = 0;
                while (k >= 2 && !candidates.empty()) {
                    const std::uint32_t row = candidates.back();
                    candidates.pop_back();
                    std::size_t gain = 0;
                    for (std::size_t m = 0; m < n; ++m) {
                        gain += chart[row][m] != 0 && covered[m] == 0 ? 1 : 0;
                    }
                    if (gain > best) {
                        best = gain;
                        winner = row;
                    }
                }
                selected.push_back(winner);
                for (std::size_t m = 0; m < n; ++m) {
                    if (chart[winner][m] != 0 && covered[m] == 0) {
                        covered[m] = 1;
                        ++coveredCount;
                    }
                }
            }
            if (coveredCount == n || k >= primes.size()) {
                break;
            }
        }
    }

    // Expression, in selection order.
    std::string expression;
    for (std::size_t p = 0; p < selected.size(); ++p) {
        const ModelImplicant& x = *primes[selected[p]];
        for (std::uint32_t v = 0; v < numVars; ++v) {
            const std::uint64_t weight = std::uint64_t{1}
                                         << std::min<std::uint32_t>(numVars - 1 - v, 63);
            const bool eliminated =
                weight <= 0xFFFFFFFFu && x.diffs &&
                std::find(x.diffs->begin(), x.diffs->end(), weight) != x.diffs->end();
            if (!eliminated) {
                const bool set = weight <= 0xFFFFFFFFu && (x.minterms[0] & weight) != 0;
                expression += f.names[v] + (set ? "" : "'");
            }
        }
        if (p + 1 < selected.size()) {
            expression += " + ";
        }
    }

    // Chart report.
    out << "[PI]\n";
    for (const ModelImplicant* x : primes) {
        out << ImplicantText(*x) << "\n";
    }
    out << "\n" << ' ' << std::setw(6) << ' ' << std::setw(4) << ' ';
    for (const std::uint32_t m : f.minterms) {
        out << std::setw(4) << m << ' ';
    }
    out << "\n";
    for (std::size_t i = 0; i < primes.size(); ++i) {
        const bool chosen = std::find(selected.begin(), selected.end(), i) != selected.end();
        out << (chosen ? '*' : ' ') << std::setw(6) << i + 1 << std::setw(4) << ' ';
        for (std::size_t j = 0; j < n; ++j) {
            out << std::setw(4) << (chart[i][j] != 0 ? "X" : " ") << ' ';
        }
        out << "\n";
    }
    out << "\nf(";
    for (std::size_t i = 0; i < f.names.size(); ++i) {
        out << (i == 0 ? "" : ",") << f.names[i];
    }
    out << ") = " << expression << "\n\n";
    return out.str();
}

// The whole output of one run on `f`, by the program's own stages.
std::string ProgramRun(const qmsop::BooleanFunction& f)
{
    std::ostringstream out;
    qmsop::Quine quine;
    quine.func = f;
    out << quine.func << '\n';
    quine.FindPrimeImplicants();
    out << quine << '\n';
    qmsop::McCluskey chart(quine);
    chart.Solve();
    out << chart << '\n';
    return out.str();
}

// A random function whose numbers mix in-range values, repeats, values shared
// by both lists, values beyond 2^numVars and values near 2^32.
qmsop::BooleanFunction RandomAwkwardFunction(std::mt19937& random)
{
    qmsop::BooleanFunction f;
    const std::uint32_t numVars = std::uniform_int_distribution<std::uint32_t>(0, 7)(random);
    for (std::uint32_t v = 0; v < numVars; ++v) {
        f.names.push_back(std::string(1, static_cast<char>('a' + v)));
    }
    const std::uint64_t range = std::uint64_t{1} << numVars;
    Numbers pool;
    const auto pick = [&]() -> std::uint32_t {
        switch (std::uniform_int_distribution<int>(0, 9)(random)) {
            case 0:
                return pool.empty() ? 0 : pool[random() % pool.size()];  // a repeat
            case 1:
                return static_cast<std::uint32_t>(random() % (range * 4));  // beyond 2^numVars
            case 2:
                return 0xFFFFFFFFu - static_cast<std::uint32_t>(random() % 8);  // near 2^32
            default:
                return static_cast<std::uint32_t>(random() % range);
        }
    };
    const std::size_t numMinterms = std::uniform_int_distribution<std::size_t>(0, 24)(random);
    for (std::size_t i = 0; i < numMinterms; ++i) {
        f.minterms.push_back(pick());
        pool.push_back(f.minterms.back());
    }
    const std::size_t numDontCares = std::uniform_int_distribution<std::size_t>(0, 8)(random);
    for (std::size_t i = 0; i < numDontCares; ++i) {
        f.dontCares.push_back(pick());
        pool.push_back(f.dontCares.back());
    }
    return f;
}

TEST(ReferenceModel, ProgramPrintsWhatTheSlowModelPrintsOnAwkwardFunctions)
{
    std::mt19937 random(20261210);
    for (int trial = 0; trial < 20000; ++trial) {
        const qmsop::BooleanFunction f = RandomAwkwardFunction(random);
        const std::string expected = ModelRun(f);
        const std::string actual = ProgramRun(f);
        ASSERT_EQ(actual, expected) << "trial " << trial;
    }
}

TEST(ReferenceModel, ProgramPrintsWhatTheSlowModelPrintsOnDenseFunctions)
{
    std::mt19937 random(7);
    for (int trial = 0; trial < 60; ++trial) {
        qmsop::BooleanFunction f;
        const std::uint32_t numVars = 3 + static_cast<std::uint32_t>(trial % 6);
        for (std::uint32_t v = 0; v < numVars; ++v) {
            f.names.push_back(std::string("x").append(std::to_string(v)));
        }
        for (std::uint32_t value = 0; value < (1u << numVars); ++value) {
            const auto roll = random() % 10;
            if (roll < 5) {
                f.minterms.push_back(value);
            } else if (roll < 6) {
                f.dontCares.push_back(value);
            }
        }
        std::shuffle(f.minterms.begin(), f.minterms.end(), random);
        ASSERT_EQ(ProgramRun(f), ModelRun(f)) << "trial " << trial;
    }
}

// Wide functions on a dense patch of 64 numbers: with 27 to 33 variables the
// minterm sums of the later columns pass 2^32, where the pairing by sums
// must still be the one the model makes. The patch lies below 2^numVars in
// every other trial, and anywhere in the other ones.
TEST(ReferenceModel, ProgramPrintsWhatTheSlowModelPrintsOnWideDenseFunctions)
{
    std::mt19937 random(31);
    for (int trial = 0; trial < 200; ++trial) {
        qmsop::BooleanFunction f;
        const std::uint32_t numVars = 27 + static_cast<std::uint32_t>(trial % 7);
        for (std::uint32_t v = 0; v < numVars; ++v) {
            f.names.push_back(std::string("x").append(std::to_string(v)));
        }
        const std::uint32_t range = numVars >= 32 ? 0xFFFFFFFFu : (1u << numVars) - 1;
        const std::uint32_t base = static_cast<std::uint32_t>(random()) &
                                   (trial % 2 == 0 ? range : 0xFFFFFFFFu) & ~std::uint32_t{63};
        for (std::uint32_t low = 0; low < 64; ++low) {
            const auto roll = random() % 10;
            if (roll < 6) {
                f.minterms.push_back(base + low);
            } else if (roll < 7) {
                f.dontCares.push_back(base + low);
            }
        }
        std::shuffle(f.minterms.begin(), f.minterms.end(), random);
        ASSERT_EQ(ProgramRun(f), ModelRun(f)) << "trial " << trial;
    }
}

}  // namespace
