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
        const Quine& quine = solution.quine;
        const auto& columns = quine.Columns();
        Key(json, "tabulation");
        json.StartObject();
        Key(json, "columns");
        json.StartArray();
        for (std::uint32_t c = 0; c < columns.size(); ++c) {
            json.StartObject();
            Key(json, "groups");
            json.StartArray();
            const Column& column = *columns[c];
            std::uint64_t listed = 0;
            for (std::uint32_t g = 0; g < column.numGroups(); ++g) {
                const Column* previous = c > 0 ? columns[c - 1].get() : nullptr;
                const Sources sources{quine.PairsOf(c, g),
                                      previous != nullptr ? previous->GroupAt(g) : nullptr,
                                      previous != nullptr ? previous->GroupAt(g + 1) : nullptr};
                WriteGroup(*column.GroupAt(g), sources, listed);
            }
            json.EndArray();
            json.EndObject();
        }
        json.EndArray();
        json.EndObject();
    }

    // The pairs that formed the implicants of a group, as the tabulation
    // recorded them, and the two groups of the previous column they name.
    struct Sources {
        std::span<const ImplicantPair> pairs;
        const qmsop::Group* lower;
        const qmsop::Group* upper;
    };

    void WriteGroup(const qmsop::Group& group, const Sources& sources, std::uint64_t& listed)
    {
        json.StartObject();
        Key(json, "implicants");
        json.StartArray();
        const auto pairs = sources.pairs;
        std::size_t next = 0;
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
            String(json, CubeOf(implicant, solution.quine.func.numVars()).Pattern());
            Key(json, "combined");
            json.Bool(implicant.used);
            Key(json, "pi");
            if (!implicant.used && implicant.piNumber != 0) {
                json.Uint(implicant.piNumber);
            } else {
                json.Null();
            }
            const std::size_t first = next;
            while (next < pairs.size() && pairs[next].target == k) {
                ++next;
            }
            Key(json, "from");
            WriteFrom(pairs.subspan(first, next - first), sources);
            json.EndObject();
        }
        json.EndArray();
        Key(json, "count");
        json.Uint(group.numImplicants());
        json.EndObject();
    }

    // The "from" list of one implicant: every pair of copies of each
    // recorded pair of runs, in ascending (lower, upper) order, at most
    // `limit` of them.
    void WriteFrom(std::span<const ImplicantPair> pairs, const Sources& sources)
    {
        json.StartArray();
        std::uint64_t written = 0;
        for (const ImplicantPair& pair : pairs) {
            const std::uint32_t lowerEnd = sources.lower->RunEnd(pair.lower);
            const std::uint32_t upperEnd = sources.upper->RunEnd(pair.upper);
            for (std::uint32_t i = pair.lower; i < lowerEnd; ++i) {
                for (std::uint32_t j = pair.upper; j < upperEnd; ++j) {
                    if (!Listed(written)) {
                        json.EndArray();
                        return;
                    }
                    ++written;
                    json.StartArray();
                    json.Uint(i);
                    json.Uint(j);
                    json.EndArray();
                }
            }
        }
        json.EndArray();
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
            String(json, CubeOf(implicant, n).Pattern());
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
        qmsop::Result cover;
        cover.AddOutput(solution.name, ResultCubes(solution), solution.pos);
        Key(json, "result");
        json.StartObject();
        Key(json, "text");
        String(json, ValidUtf8(ResultLine(solution)));
        Key(json, "form");
        json.String(solution.pos ? "pos" : "sop");
        Key(json, "constant");
        const int constant = cover.ConstantOf(0);
        if (constant < 0) {
            json.Null();
        } else {
            json.Uint(static_cast<unsigned>(constant));
        }
        Key(json, "cubes");
        json.StartArray();
        for (const Cube& cube : cover.cubes()) {
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
};

}  // namespace

void WriteTrace(std::ostream& out, const Solution& solution, const TraceContext& context)
{
    TraceWriter(out, solution, context).Write();
}

}  // namespace qmsop
