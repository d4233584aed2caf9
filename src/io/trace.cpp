// SPDX-License-Identifier: MIT
#include "io/trace.h"

#include <rapidjson/writer.h>

#include <algorithm>
#include <bit>
#include <ostream>
#include <string_view>
#include <utility>
#include <vector>

#include "base/check.h"
#include "base/utf8.h"
#include "io/report.h"
#include "tabulation/pos.h"

#ifndef QMSOP_VERSION
#define QMSOP_VERSION "unknown"
#endif

namespace qmsop {

namespace {

// RapidJSON's output stream over a std::ostream, in pieces of 256 KiB.
class JsonStream {
public:
    using Ch = char;

    explicit JsonStream(std::ostream& out) : out(out), buffer(kSize) {}
    JsonStream(const JsonStream&) = delete;
    JsonStream& operator=(const JsonStream&) = delete;
    ~JsonStream() { Flush(); }

    void Put(char c)
    {
        if (used == kSize) {
            Flush();
        }
        buffer[used++] = c;
    }
    void Flush()
    {
        out.write(buffer.data(), static_cast<std::streamsize>(used));
        used = 0;
    }

private:
    static constexpr std::size_t kSize = std::size_t{1} << 18;

    std::ostream& out;
    std::vector<char> buffer;
    std::size_t used = 0;
};

using Writer = rapidjson::Writer<JsonStream>;

void Key(Writer& json, std::string_view key)
{
    json.Key(key.data(), static_cast<rapidjson::SizeType>(key.size()));
}

void String(Writer& json, std::string_view text)
{
    json.String(text.data(), static_cast<rapidjson::SizeType>(text.size()));
}

void Numbers(Writer& json, std::span<const std::uint32_t> numbers)
{
    json.StartArray();
    for (const std::uint32_t v : numbers) {
        json.Uint(v);
    }
    json.EndArray();
}

// The 0/1/- pattern of an implicant: a variable is free when its weight is
// one of the differences, else it takes its bit in the first minterm.
void PatternOf(std::string& text, const Implicant& implicant, std::uint32_t numVars)
{
    text.assign(numVars, '0');
    const std::uint32_t first = implicant.Minterm(0);
    const auto diffs = implicant.Diffs();
    for (std::uint32_t v = 0; v < numVars; ++v) {
        const std::uint32_t shift = numVars - 1 - v;
        if (shift >= 32) {
            continue;
        }
        const std::uint32_t weight = std::uint32_t{1} << shift;
        if (diffs.has_value() && std::find(diffs->begin(), diffs->end(), weight) != diffs->end()) {
            text[v] = '-';
        } else if ((first & weight) != 0) {
            text[v] = '1';
        }
    }
}

std::uint64_t Mix(std::uint64_t h)
{
    h ^= h >> 33;
    h *= 0xff51afd7ed558ccdULL;
    h ^= h >> 33;
    h *= 0xc4ceb9fe1a85ec53ULL;
    h ^= h >> 33;
    return h;
}

std::uint64_t DiffsKey(const Implicant& implicant, std::uint64_t sum)
{
    std::uint64_t h = Mix(sum + 0x9E3779B97F4A7C15ULL);
    if (const auto diffs = implicant.Diffs()) {
        for (const std::uint32_t d : *diffs) {
            h = Mix(h ^ d) + 0x9E3779B97F4A7C15ULL;
        }
    }
    return h;
}

// A pair of implicants of the previous column that combined into the
// implicant at `target` of a group: lower is in group g, upper in g + 1.
struct Pair {
    std::uint32_t target;
    std::uint32_t lower;
    std::uint32_t upper;
};

// The hash of a minterm list, for finding the implicant that holds it.
std::uint64_t MintermsKey(std::span<const std::uint32_t> minterms)
{
    std::uint64_t h = 0x9E3779B97F4A7C15ULL ^ minterms.size();
    for (const std::uint32_t v : minterms) {
        h = Mix(h ^ v) + 0x9E3779B97F4A7C15ULL;
    }
    return h;
}

// A multimap from 64-bit keys to positions, open addressing with linear
// probing in one array: no allocation per entry.
class KeyIndex {
public:
    explicit KeyIndex(std::size_t count)
    {
        std::size_t size = 8;
        while (size < 2 * count) {
            size *= 2;
        }
        slots.assign(size, {0, 0});
        mask = size - 1;
    }
    void Add(std::uint64_t key, std::uint32_t position)
    {
        key |= 1;  // 0 marks an empty slot
        std::size_t s = key & mask;
        while (slots[s].first != 0) {
            s = (s + 1) & mask;
        }
        slots[s] = {key, position};
    }
    // Calls visit(position) for every entry added with `key`.
    template <typename Visit>
    void ForEach(std::uint64_t key, Visit visit) const
    {
        key |= 1;
        for (std::size_t s = key & mask; slots[s].first != 0; s = (s + 1) & mask) {
            if (slots[s].first == key) {
                visit(slots[s].second);
            }
        }
    }

private:
    std::vector<std::pair<std::uint64_t, std::uint32_t>> slots;
    std::size_t mask = 0;
};

// Every pair of `lower` and `upper` that passes the tabulation's pair test
// (same differences, sums apart by one power of two), with the position in
// `destination` of the implicant holding their merged minterms; ordered by
// that position, then as the tabulation forms them.
std::vector<Pair> PairsOf(const Group& lower, const Group& upper, const Group& destination)
{
    std::vector<Pair> pairs;
    if (lower.numImplicants() == 0 || upper.numImplicants() == 0) {
        return pairs;
    }
    const auto& uppers = upper.Implicants();
    const auto& made = destination.Implicants();
    KeyIndex byKey(uppers.size());
    std::uint32_t maxSum = 0;
    for (std::uint32_t j = 0; j < uppers.size(); ++j) {
        byKey.Add(DiffsKey(uppers[j], uppers[j].MintermSum()), j);
        maxSum = std::max(maxSum, uppers[j].MintermSum());
    }
    KeyIndex byMinterms(made.size());
    for (std::uint32_t k = 0; k < made.size(); ++k) {
        byMinterms.Add(MintermsKey(made[k].Minterms()), k);
    }

    std::vector<std::uint32_t> merged;
    std::vector<std::uint32_t> partners;
    for (std::uint32_t i = 0; i < lower.numImplicants(); ++i) {
        const Implicant& a = lower.Implicants()[i];
        partners.clear();
        if (!a.used) {
            continue;  // it formed no pair at all
        }
        for (std::uint32_t t = 0; t < 32; ++t) {
            const std::uint64_t sumB = std::uint64_t{a.MintermSum()} + (std::uint64_t{1} << t);
            if (sumB > maxSum) {
                break;
            }
            byKey.ForEach(DiffsKey(a, sumB), [&](std::uint32_t j) {
                const Implicant& b = uppers[j];
                if (b.MintermSum() == sumB && Implicant::SameDiffs(a, b)) {
                    partners.push_back(j);
                }
            });
        }
        std::sort(partners.begin(), partners.end());
        for (const std::uint32_t j : partners) {
            const Implicant& b = uppers[j];
            merged.resize(a.Minterms().size() + b.Minterms().size());
            std::merge(a.Minterms().begin(), a.Minterms().end(), b.Minterms().begin(),
                       b.Minterms().end(), merged.begin());
            std::uint32_t target = UINT32_MAX;
            byMinterms.ForEach(MintermsKey(merged), [&](std::uint32_t k) {
                if (std::equal(made[k].Minterms().begin(), made[k].Minterms().end(), merged.begin(),
                               merged.end())) {
                    target = k;
                }
            });
            QMSOP_ASSERT(target != UINT32_MAX);
            pairs.push_back({target, i, j});
        }
    }
    std::stable_sort(pairs.begin(), pairs.end(),
                     [](const Pair& x, const Pair& y) { return x.target < y.target; });
    return pairs;
}

// True when every number of `func` is below 2^n and given once (as a
// minterm or as a don't-care): then each implicant is a cube, the tabulation
// holds every smaller cube inside it, and its pairs are its halves.
bool IsPlain(const BooleanFunction& func)
{
    std::vector<std::uint32_t> all(func.minterms);
    all.insert(all.end(), func.dontCares.begin(), func.dontCares.end());
    std::sort(all.begin(), all.end());
    const std::uint32_t n = func.numVars();
    const bool inRange = n >= 32 || all.empty() || all.back() < (std::uint32_t{1} << n);
    return inRange && std::adjacent_find(all.begin(), all.end()) == all.end();
}

// PairsOf for a plain function, without the partner search: an implicant of
// `destination` came from its two halves along each of its free variables
// (its differences), the half where the variable is 0 in `lower`, the other
// in `upper`. The same pairs in the same order.
std::vector<Pair> PairsBySplitting(const Group& lower, const Group& upper, const Group& destination)
{
    const auto index = [](const Group& group) {
        KeyIndex byMinterms(group.numImplicants());
        for (std::uint32_t k = 0; k < group.numImplicants(); ++k) {
            byMinterms.Add(MintermsKey(group.Implicants()[k].Minterms()), k);
        }
        return byMinterms;
    };
    const auto find = [](const Group& group, const KeyIndex& byMinterms,
                         const std::vector<std::uint32_t>& minterms) {
        std::uint32_t position = UINT32_MAX;
        byMinterms.ForEach(MintermsKey(minterms), [&](std::uint32_t k) {
            if (std::equal(group.Implicants()[k].Minterms().begin(),
                           group.Implicants()[k].Minterms().end(), minterms.begin(),
                           minterms.end())) {
                position = k;
            }
        });
        return position;
    };
    std::vector<Pair> pairs;
    if (destination.numImplicants() == 0) {
        return pairs;
    }
    const KeyIndex lowerIndex = index(lower);
    const KeyIndex upperIndex = index(upper);
    std::vector<std::uint32_t> without;
    std::vector<std::uint32_t> with;
    for (std::uint32_t k = 0; k < destination.numImplicants(); ++k) {
        const Implicant& x = destination.Implicants()[k];
        const auto start = static_cast<std::ptrdiff_t>(pairs.size());
        const auto diffs = x.Diffs();
        for (const std::uint32_t weight : *diffs) {
            without.clear();
            with.clear();
            for (const std::uint32_t m : x.Minterms()) {
                ((m & weight) != 0 ? with : without).push_back(m);
            }
            const std::uint32_t lowerAt = find(lower, lowerIndex, without);
            const std::uint32_t upperAt = find(upper, upperIndex, with);
            QMSOP_ASSERT(lowerAt != UINT32_MAX && upperAt != UINT32_MAX);
            pairs.push_back({k, lowerAt, upperAt});
        }
        std::sort(pairs.begin() + start, pairs.end(), [](const Pair& p, const Pair& q) {
            return std::pair(p.lower, p.upper) < std::pair(q.lower, q.upper);
        });
    }
    return pairs;
}

class TraceWriter {
public:
    TraceWriter(std::ostream& out, const Solution& solution, const TraceContext& context)
        : stream(out),
          json(stream),
          solution(solution),
          context(context),
          limit(context.limit == 0 ? UINT64_MAX : context.limit)
    {
    }

    void Write()
    {
        json.StartObject();
        Key(json, "qmsop");
        json.String(QMSOP_VERSION);
        Input();
        Options();
        Key(json, "accepted");
        json.Bool(!context.refusal.has_value());
        Refusal();
        Warnings();
        Function();
        if (solution.pos) {
            Minimised();
        }
        Tabulation();
        PrimeImplicants();
        WriteChart();
        Cover();
        Result();
        Certificate();
        Key(json, "truncated");
        json.Bool(truncated);
        json.EndObject();
        stream.Put('\n');
        stream.Flush();
    }

private:
    // Lists at most `limit` entries; notes when some were left out.
    bool Listed(std::uint64_t index)
    {
        if (index < limit) {
            return true;
        }
        truncated = true;
        return false;
    }

    void Input()
    {
        Key(json, "input");
        json.StartObject();
        Key(json, "name");
        String(json, ValidUtf8(context.inputName));
        Key(json, "line");
        json.Uint64(context.line);
        json.EndObject();
    }

    void Options()
    {
        Key(json, "options");
        json.StartObject();
        Key(json, "cover");
        json.String(context.cover == CoverMode::kExact ? "exact" : "greedy");
        Key(json, "form");
        json.String(context.pos ? "pos" : "sop");
        json.EndObject();
    }

    void Refusal()
    {
        Key(json, "refusal");
        if (!context.refusal) {
            json.Null();
            return;
        }
        const ReadResult& where = *context.refusal;
        json.StartObject();
        Key(json, "line");
        json.Uint64(where.line);
        Key(json, "column");
        json.Uint64(where.column);
        Key(json, "atEnd");
        json.Bool(where.atEnd);
        Key(json, "reason");
        String(json, ValidUtf8(where.reason));
        Key(json, "message");
        String(json, ValidUtf8(context.refusalMessage));
        json.EndObject();
    }

    void Warnings()
    {
        Key(json, "warnings");
        json.StartArray();
        for (const Diagnostic& warning : context.warnings) {
            json.StartObject();
            Key(json, "line");
            json.Uint64(warning.line);
            Key(json, "column");
            json.Uint64(warning.column);
            Key(json, "message");
            String(json, ValidUtf8(warning.message));
            json.EndObject();
        }
        json.EndArray();
    }

    void Function()
    {
        const BooleanFunction& func = solution.func;
        Key(json, "function");
        json.StartObject();
        Key(json, "name");
        String(json, ValidUtf8(solution.name));
        Key(json, "echo");
        String(json, ValidUtf8(EchoLine(func, solution.name)));
        Key(json, "variables");
        json.StartArray();
        const std::uint32_t n = func.numVars();
        for (std::uint32_t v = 0; v < n; ++v) {
            json.StartObject();
            Key(json, "name");
            String(json, ValidUtf8(func.names[v]));
            Key(json, "weight");
            const std::uint32_t shift = n - 1 - v;
            if (shift < 32) {
                json.Uint64(std::uint64_t{1} << shift);
            } else {
                json.Null();
            }
            json.EndObject();
        }
        json.EndArray();
        Key(json, "minterms");
        Numbers(json, func.minterms);
        Key(json, "dontCares");
        Numbers(json, func.dontCares);
        json.EndObject();
    }

    void Minimised()
    {
        Key(json, "minimised");
        json.StartObject();
        Key(json, "of");
        json.String("complement");
        Key(json, "minterms");
        Numbers(json, solution.quine.func.minterms);
        Key(json, "dontCares");
        Numbers(json, solution.quine.func.dontCares);
        json.EndObject();
    }

    void Tabulation()
    {
        const auto& columns = solution.quine.Columns();
        const bool plain = IsPlain(solution.quine.func);
        Key(json, "tabulation");
        json.StartObject();
        Key(json, "columns");
        json.StartArray();
        for (std::size_t c = 0; c < columns.size(); ++c) {
            json.StartObject();
            Key(json, "groups");
            json.StartArray();
            const Column& column = *columns[c];
            std::uint64_t listed = 0;
            for (std::uint32_t g = 0; g < column.numGroups(); ++g) {
                std::vector<Pair> pairs;
                if (c > 0) {
                    const Column& previous = *columns[c - 1];
                    const auto pairsOf = plain ? PairsBySplitting : PairsOf;
                    pairs =
                        pairsOf(*previous.GroupAt(g), *previous.GroupAt(g + 1), *column.GroupAt(g));
                }
                WriteGroup(*column.GroupAt(g), pairs, listed);
            }
            json.EndArray();
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }

    void WriteGroup(const qmsop::Group& group, const std::vector<Pair>& pairs,
                    std::uint64_t& listed)
    {
        json.StartObject();
        Key(json, "implicants");
        json.StartArray();
        auto pair = pairs.begin();
        for (std::uint32_t k = 0; k < group.numImplicants() && Listed(listed); ++k, ++listed) {
            const Implicant& implicant = group.Implicants()[k];
            json.StartObject();
            Key(json, "minterms");
            Numbers(json, implicant.Minterms());
            Key(json, "differences");
            if (const auto diffs = implicant.Diffs()) {
                Numbers(json, *diffs);
            } else {
                json.Null();
            }
            Key(json, "cube");
            PatternOf(pattern, implicant, solution.quine.func.numVars());
            String(json, pattern);
            Key(json, "combined");
            json.Bool(implicant.used);
            Key(json, "pi");
            if (!implicant.used && implicant.piNumber != 0) {
                json.Uint(implicant.piNumber);
            } else {
                json.Null();
            }
            Key(json, "from");
            json.StartArray();
            for (; pair != pairs.end() && pair->target == k; ++pair) {
                json.StartArray();
                json.Uint(pair->lower);
                json.Uint(pair->upper);
                json.EndArray();
            }
            json.EndArray();
            json.EndObject();
        }
        json.EndArray();
        Key(json, "count");
        json.Uint(group.numImplicants());
        json.EndObject();
    }

    void PrimeImplicants()
    {
        const std::uint32_t n = solution.quine.func.numVars();
        const auto primes = solution.chart.primeImplicants();
        Key(json, "primeImplicants");
        json.StartArray();
        std::string text;
        for (std::uint32_t i = 0; i < primes.size() && Listed(i); ++i) {
            const Implicant& implicant = *primes[i];
            json.StartObject();
            Key(json, "pi");
            json.Uint(i + 1);
            Key(json, "minterms");
            Numbers(json, implicant.Minterms());
            Key(json, "cube");
            PatternOf(pattern, implicant, n);
            String(json, pattern);
            Key(json, "product");
            text.clear();
            AppendProduct(text, CubeOf(implicant, n), solution.quine.func.names);
            String(json, ValidUtf8(text));
            Key(json, "text");
            text.clear();
            AppendImplicantText(text, implicant);
            String(json, text);
            json.EndObject();
        }
        json.EndArray();
    }

    void WriteChart()
    {
        const qmsop::Chart& table = solution.chart.piTable();
        const std::uint32_t numRows = solution.chart.numPIs();
        const std::uint32_t numColumns = table.numColumns();
        const std::uint64_t rowsListed = std::min<std::uint64_t>(numRows, limit);
        const std::uint64_t columnsListed = std::min<std::uint64_t>(numColumns, limit);
        truncated = truncated || rowsListed < numRows || columnsListed < numColumns;

        Key(json, "chart");
        json.StartObject();
        Key(json, "columns");
        json.StartArray();
        for (std::uint64_t j = 0; j < columnsListed; ++j) {
            json.Uint(solution.quine.func.minterms[j]);
        }
        json.EndArray();

        // Rows, and the candidates of each column gathered from them.
        std::vector<std::uint32_t> start(columnsListed + 1, 0);
        Key(json, "rows");
        json.StartArray();
        for (std::uint32_t i = 0; i < rowsListed; ++i) {
            json.StartArray();
            table[i].ForEachColumn([&](std::uint32_t j) {
                if (j < columnsListed) {
                    json.Uint(j);
                    ++start[j + 1];
                }
            });
            json.EndArray();
        }
        json.EndArray();
        for (std::uint64_t j = 0; j < columnsListed; ++j) {
            start[j + 1] += start[j];
        }
        std::vector<std::uint32_t> candidates(start.back());
        std::vector<std::uint32_t> fill(start.begin(), start.end() - 1);
        for (std::uint32_t i = 0; i < rowsListed; ++i) {
            table[i].ForEachColumn([&](std::uint32_t j) {
                if (j < columnsListed) {
                    candidates[fill[j]++] = i + 1;
                }
            });
        }
        Key(json, "candidates");
        json.StartArray();
        for (std::uint64_t j = 0; j < columnsListed; ++j) {
            json.StartArray();
            for (std::uint32_t c = start[j]; c < start[j + 1]; ++c) {
                json.Uint(candidates[c]);
            }
            json.EndArray();
        }
        json.EndArray();
        Key(json, "numRows");
        json.Uint(numRows);
        Key(json, "numColumns");
        json.Uint(numColumns);
        json.EndObject();
    }

    void Cover()
    {
        // Essential: the only row on some column (over the whole chart).
        const qmsop::Chart& table = solution.chart.piTable();
        const std::uint32_t numRows = solution.chart.numPIs();
        constexpr std::uint32_t kNone = UINT32_MAX;
        constexpr std::uint32_t kMany = UINT32_MAX - 1;
        std::vector<std::uint32_t> only(table.numColumns(), kNone);
        for (std::uint32_t i = 0; i < numRows; ++i) {
            table[i].ForEachColumn(
                [&](std::uint32_t j) { only[j] = only[j] == kNone ? i : kMany; });
        }
        std::vector<bool> essential(numRows, false);
        for (const std::uint32_t row : only) {
            if (row != kNone && row != kMany) {
                essential[row] = true;
            }
        }
        Key(json, "essential");
        json.StartArray();
        for (std::uint32_t i = 0; i < numRows; ++i) {
            if (essential[i]) {
                json.Uint(i + 1);
            }
        }
        json.EndArray();
        Key(json, "chosen");
        json.StartArray();
        const auto& chosen = solution.chart.chosen();
        for (auto row = chosen.rbegin(); row != chosen.rend(); ++row) {
            json.Uint(*row + 1);
        }
        json.EndArray();
    }

    void Result()
    {
        const OutputCover cover{solution.name, ResultCubes(solution), solution.pos};
        Key(json, "result");
        json.StartObject();
        Key(json, "text");
        String(json, ValidUtf8(ResultLine(solution)));
        Key(json, "form");
        json.String(solution.pos ? "pos" : "sop");
        Key(json, "constant");
        const int constant = ConstantOf(cover);
        if (constant < 0) {
            json.Null();
        } else {
            json.Uint(static_cast<unsigned>(constant));
        }
        Key(json, "cubes");
        json.StartArray();
        for (const Cube& cube : cover.cubes) {
            String(json, cube.Pattern());
        }
        json.EndArray();
        json.EndObject();
    }

    void Certificate()
    {
        Key(json, "certificate");
        if (!context.certificate) {
            json.Null();
            return;
        }
        const TraceCertificate& certificate = *context.certificate;
        json.StartObject();
        Key(json, "products");
        json.Uint(certificate.products);
        Key(json, "literals");
        json.Uint(certificate.literals);
        Key(json, "lowerBound");
        json.Uint(certificate.lowerBound);
        Key(json, "proven");
        json.Bool(certificate.proven);
        Key(json, "timeLimitReached");
        json.Bool(certificate.timeLimitReached);
        Key(json, "text");
        String(json, ValidUtf8(certificate.text));
        json.EndObject();
    }

    JsonStream stream;
    Writer json;
    const Solution& solution;
    const TraceContext& context;
    std::uint64_t limit;
    bool truncated = false;
    std::string pattern;
};

}  // namespace

void WriteTrace(std::ostream& out, const Solution& solution, const TraceContext& context)
{
    TraceWriter(out, solution, context).Write();
}

}  // namespace qmsop
