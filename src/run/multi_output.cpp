// SPDX-License-Identifier: MIT
#include "run/multi_output.h"

#include <chrono>
#include <cstdint>
#include <istream>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "base/diagnostic.h"
#include "cube/minimize.h"
#include "cube/pcube.h"
#include "cube/plarows.h"
#include "io/function.h"
#include "io/pla_parser.h"

namespace qmsop {

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::vector<std::string> NamesOf(std::span<const PlaName> names)
{
    std::vector<std::string> texts;
    texts.reserve(names.size());
    for (const PlaName& name : names) {
        texts.emplace_back(name.text);
    }
    return texts;
}

// The cover builder: the parser's calls into the rows of a PlaRows, with the
// names and the type kept for the writer.
class CoverBuilder : public PlaCallbacks {
public:
    Answer OnInputs(std::uint64_t count, PlaPlace /*place*/) override
    {
        numInputs = static_cast<std::uint32_t>(count);
        return {};
    }
    Answer OnOutputs(std::uint64_t count, PlaPlace /*place*/) override
    {
        numOutputs = static_cast<std::uint32_t>(count);
        return {};
    }
    Answer OnInputNames(std::span<const PlaName> names) override
    {
        inputs = NamesOf(names);
        return {};
    }
    Answer OnOutputNames(std::span<const PlaName> names) override
    {
        outputs = NamesOf(names);
        return {};
    }
    Answer OnType(PlaType read, PlaPlace /*place*/) override
    {
        type = read;
        return {};
    }
    Answer OnCube(const PlaCube& cube) override
    {
        if (!rows) {
            rows.emplace(numInputs, numOutputs, type);
        }
        if (const std::optional<std::size_t> bad = rows->Add(cube.inputs, cube.outputs)) {
            const PlaPlace place = *bad < cube.places.size() ? cube.places[*bad]
                                   : cube.places.empty()     ? PlaPlace{}
                                                             : cube.places.back();
            return Diagnostic{place.line, place.column, "a value this PLA type cannot hold"};
        }
        return {};
    }
    Answer OnEnd(PlaPlace place, bool /*marked*/) override
    {
        if (!rows) {
            rows.emplace(numInputs, numOutputs, type);
        }
        covers.emplace(rows->Finish());
        if (inputs.empty()) {
            for (std::uint32_t v = 0; v < numInputs; ++v) {
                inputs.push_back(std::string(1, 'x').append(std::to_string(v)));
            }
        }
        if (outputs.empty()) {
            for (std::uint32_t o = 0; o < numOutputs; ++o) {
                std::string name(1, 'f');
                if (numOutputs > 1) {
                    name.append(std::to_string(o));
                }
                outputs.push_back(std::move(name));
            }
        }
        return Conflict(place);
    }

    // A point given 1 and 0 in one output (types fr and fdr) refuses the
    // file, as the minterm reader does: O(|ON| · |OFF| · W).
    Answer Conflict(PlaPlace place) const
    {
        if (!type.on || !type.off) {
            return {};
        }
        const Cover& on = covers->on;
        const Cover& off = covers->off;
        const CubeShape& shape = on.Shape();
        for (std::size_t i = 0; i < on.Size(); ++i) {
            for (std::size_t j = 0; j < off.Size(); ++j) {
                if (!Intersects(shape, on[i], off[j])) {
                    continue;
                }
                std::uint32_t o = 0;
                while (!HasOutput(shape, on[i], o) || !HasOutput(shape, off[j], o)) {
                    ++o;
                }
                return Diagnostic{place.line, place.column,
                                  "output " + outputs[o] + " is given both 1 and 0 at a point"};
            }
        }
        return {};
    }

    std::uint32_t numInputs = 0;
    std::uint32_t numOutputs = 0;
    std::vector<std::string> inputs;
    std::vector<std::string> outputs;
    PlaType type;
    std::optional<PlaRows> rows;
    std::optional<PlaCovers> covers;  // once the end is read
};

void WriteNames(std::ostream& out, const char* key, const std::vector<std::string>& names)
{
    out << key;
    for (const std::string& name : names) {
        out << ' ' << name;
    }
    out << '\n';
}

// One type-f PLA: a row per product, its output part naming what it serves.
void WriteCoverPla(std::ostream& out, const CoverBuilder& pla, const Cover& cover)
{
    const CubeShape& shape = cover.Shape();
    out << ".i " << shape.NumInputs() << "\n.o " << shape.NumOutputs() << '\n';
    if (shape.NumInputs() != 0) {
        WriteNames(out, ".ilb", pla.inputs);
    }
    WriteNames(out, ".ob", pla.outputs);
    out << ".type f\n.p " << cover.Size() << '\n';
    std::string row;
    for (std::size_t c = 0; c < cover.Size(); ++c) {
        row.clear();
        for (std::uint32_t i = 0; i < shape.NumInputs(); ++i) {
            const unsigned part = InputPart(cover[c], i);
            row += part == 1 ? '0' : part == 2 ? '1' : '-';
        }
        row += ' ';
        for (std::uint32_t o = 0; o < shape.NumOutputs(); ++o) {
            row += HasOutput(shape, cover[c], o) ? '1' : '0';
        }
        out << row << '\n';
    }
    out << ".e\n";
}

// The product's literals in input order: "a'" for 0, "a" for 1; "1" for none.
void AppendProduct(std::string& text, const CoverBuilder& pla, CubeView cube, std::uint32_t n)
{
    const std::size_t start = text.size();
    for (std::uint32_t i = 0; i < n; ++i) {
        const unsigned part = InputPart(cube, i);
        if (part == 1 || part == 2) {
            text += pla.inputs[i];
            if (part == 1) {
                text += '\'';
            }
        }
    }
    if (text.size() == start) {
        text += '1';
    }
}

// One line per output: name(inputs) = the products that serve it.
void WriteCoverText(std::ostream& out, const CoverBuilder& pla, const Cover& cover)
{
    const CubeShape& shape = cover.Shape();
    std::string head = "(";
    for (std::size_t i = 0; i < pla.inputs.size(); ++i) {
        if (i != 0) {
            head += ',';
        }
        head += pla.inputs[i];
    }
    head += ") = ";
    std::string line;
    for (std::uint32_t o = 0; o < shape.NumOutputs(); ++o) {
        line = pla.outputs[o] + head;
        bool any = false;
        for (std::size_t c = 0; c < cover.Size(); ++c) {
            if (HasOutput(shape, cover[c], o)) {
                if (any) {
                    line += " + ";
                }
                AppendProduct(line, pla, cover[c], shape.NumInputs());
                any = true;
            }
        }
        if (!any) {
            line += '0';
        }
        out << line << '\n';
    }
}

void Message(const RunOptions& options, const std::string& text)
{
    if (options.messages != nullptr) {
        *options.messages << "qmsop: " << text << '\n';
    }
}

// "FILE: " for a named input, nothing for standard input.
std::string Where(const RunOptions& options)
{
    return options.inputName == "standard input" ? std::string() : options.inputName + ": ";
}

// Reports the warnings, or under --strict turns the first into the refusal.
void Judge(ReadResult& read, const RunOptions& options, RunStats& stats)
{
    if (options.strict && RefuseFirstWarning(read)) {
        return;
    }
    if (!read.accepted) {
        return;
    }
    stats.warnings += read.warnings.size() + read.moreWarnings;
    for (const Diagnostic& warning : read.warnings) {
        Message(options, "warning: " + Where(options) + DescribeDiagnostic(warning));
    }
    if (read.moreWarnings != 0) {
        Message(options, "warning: " + Where(options) + std::to_string(read.moreWarnings) +
                             " more warnings not shown");
    }
}

}  // namespace

RunStatus RunMultiOutput(std::istream& in, std::ostream& out, const RunOptions& options,
                         RunStats& stats)
{
    Clock::time_point start = Clock::now();
    CoverBuilder pla;
    ReadResult read = ParsePla(in, pla);
    stats.readSeconds = SecondsSince(start);
    if (!read.readError.empty()) {
        ++stats.refused;
        Message(options, "error reading " + options.inputName + ": " + read.readError);
        return RunStatus::kReadError;
    }
    Judge(read, options, stats);
    if (!read.accepted || !pla.covers) {
        ++stats.functions;
        ++stats.refused;
        Message(options, Where(options) + DescribeRefusal(read));
        return RunStatus::kRefused;
    }
    start = Clock::now();
    const PlaCovers& covers = *pla.covers;
    MinimizeStats figures;
    const std::optional<Cover> cover = Minimize(covers.on, covers.dc, {}, &figures);
    stats.coverSeconds = SecondsSince(start);
    stats.functions += pla.numOutputs;
    if (!cover || !figures.verified) {
        ++stats.refused;
        Message(options, Where(options) + "the multi-output cover failed its check; not written");
        return RunStatus::kRefused;
    }
    stats.chosenRows = static_cast<std::uint32_t>(cover->Size());
    start = Clock::now();
    if (options.format == OutputFormat::kPla) {
        WriteCoverPla(out, pla, *cover);
        ++stats.modules;
    } else {
        WriteCoverText(out, pla, *cover);
    }
    out.flush();
    stats.writeSeconds = SecondsSince(start);
    return out ? RunStatus::kAccepted : RunStatus::kWriteError;
}

}  // namespace qmsop
