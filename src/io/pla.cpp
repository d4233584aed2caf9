// SPDX-License-Identifier: MIT
#include "io/pla.h"

#include <algorithm>
#include <bit>
#include <istream>
#include <iterator>
#include <optional>
#include <ostream>
#include <string_view>
#include <unordered_set>

#include "base/check.h"
#include "base/textwriter.h"
#include "io/pla_parser.h"

namespace qmsop {

namespace {

// 3^k, the number of subcubes of a cube with k free inputs (k <= 40).
std::uint64_t PowerOfThree(std::uint64_t k)
{
    std::uint64_t power = 1;
    for (std::uint64_t i = 0; i < k; ++i) {
        power *= 3;
    }
    return power;
}

// The set builder: turns the parser's calls into the points of each output,
// collected cube by cube (sorted at the end), refusing by an estimate what
// the minterm working could not hold.
class SetBuilder : public PlaCallbacks {
public:
    explicit SetBuilder(PlaFile& pla) : pla(pla) {}

    Answer OnInputs(std::uint64_t count, PlaPlace /*place*/) override
    {
        numInputs = count;
        return {};
    }
    Answer OnOutputs(std::uint64_t count, PlaPlace /*place*/) override
    {
        numOutputs = count;
        return {};
    }
    Answer OnInputNames(std::span<const PlaName> names) override
    {
        inputNames.assign(names.size(), {});
        std::transform(names.begin(), names.end(), inputNames.begin(),
                       [](const PlaName& name) { return std::string(name.text); });
        return {};
    }
    Answer OnOutputNames(std::span<const PlaName> names) override
    {
        outputNames.assign(names.size(), {});
        std::transform(names.begin(), names.end(), outputNames.begin(),
                       [](const PlaName& name) { return std::string(name.text); });
        return {};
    }
    Answer OnType(PlaType read, PlaPlace /*place*/) override
    {
        type = read;
        return {};
    }
    Answer OnCube(const PlaCube& cube) override;
    Answer OnEnd(PlaPlace place, bool marked) override;

private:
    struct Sets {
        std::vector<std::uint32_t> on;
        std::vector<std::uint32_t> dontCare;
        std::vector<std::uint32_t> off;
    };
    // Where a cube stands, to name the cube of a conflict.
    struct CubeLine {
        std::uint64_t line;
        std::uint32_t base;
        std::uint32_t freeMask;
        PlaPlace output;  // of its first output value
    };

    bool Enumerated() const { return !type.on || type.off; }
    Answer Start(PlaPlace place);
    Answer Expand(const PlaCube& cube, std::uint32_t base, std::uint32_t freeMask,
                  std::uint32_t numFree);
    Answer CheckEnumerated(PlaPlace place, std::uint64_t output) const;
    Answer Conflict(std::uint64_t output, std::uint32_t point) const;
    std::string OutputName(std::uint64_t output) const;

    std::vector<std::uint32_t> Sets::*SetOf(char value) const
    {
        if (value == '1' && type.on) {
            return &Sets::on;
        }
        if (value == '0' && type.off) {
            return &Sets::off;
        }
        if ((value == '-' || value == '2') && type.dontCare) {
            return &Sets::dontCare;
        }
        return nullptr;
    }

    PlaFile& pla;
    std::uint64_t numInputs = 0;
    std::uint64_t numOutputs = 0;
    std::vector<std::string> inputNames;
    std::vector<std::string> outputNames;
    PlaType type;
    bool started = false;
    std::vector<Sets> points;
    std::uint64_t spent = 0;
    std::vector<CubeLine> cubeLines;
};

std::string SetBuilder::OutputName(std::uint64_t output) const
{
    if (!outputNames.empty()) {
        return outputNames[output];
    }
    std::string name = "f";
    if (numOutputs > 1) {
        name.append(std::to_string(output));
    }
    return name;
}

PlaCallbacks::Answer SetBuilder::Start(PlaPlace place)
{
    if (Enumerated() && numInputs > kMaxPlaEnumeratedInputs) {
        return Diagnostic{place.line, place.column,
                          "this .type lists points by what they are not: at most " +
                              std::to_string(kMaxPlaEnumeratedInputs) + " inputs, not " +
                              std::to_string(numInputs)};
    }
    points.assign(numOutputs, {});
    started = true;
    return {};
}

PlaCallbacks::Answer SetBuilder::OnCube(const PlaCube& cube)
{
    if (!started) {
        if (Answer refused = Start(cube.places.front())) {
            return refused;
        }
    }
    // The input part: a base value and the mask of the free inputs.
    std::uint32_t base = 0;
    std::uint32_t freeMask = 0;
    std::uint32_t numFree = 0;
    for (std::uint64_t v = 0; v < numInputs; ++v) {
        const char c = cube.inputs[v];
        const std::uint64_t shift = numInputs - 1 - v;
        if (shift >= 32) {
            if (c != '0') {
                return Diagnostic{cube.places[v].line, cube.places[v].column,
                                  "input " + std::to_string(v + 1) +
                                      " has no bit of its own (only the last 32 inputs have): "
                                      "it must be 0"};
            }
            continue;
        }
        const std::uint32_t bit = std::uint32_t{1} << shift;
        if (c == '-' || c == '2') {
            freeMask |= bit;
            ++numFree;
        } else if (c == '1') {
            base |= bit;
        }
    }
    return Expand(cube, base, freeMask, numFree);
}

// Adds the cube's points to the sets its output values name.
PlaCallbacks::Answer SetBuilder::Expand(const PlaCube& cube, std::uint32_t base,
                                        std::uint32_t freeMask, std::uint32_t numFree)
{
    const PlaPlace first = cube.places.front();
    std::uint64_t given = 0;
    for (std::uint64_t o = 0; o < numOutputs; ++o) {
        std::vector<std::uint32_t> Sets::*set = SetOf(cube.outputs[o]);
        given += set != nullptr ? 1 : 0;
        const std::uint64_t implicants = PowerOfThree(numFree);
        if (set != &Sets::off && set != nullptr && implicants > kMaxPlaImplicants) {
            return Diagnostic{first.line, first.column,
                              "output " + OutputName(o) + " needs at least " +
                                  std::to_string(implicants) + " implicants (3^" +
                                  std::to_string(numFree) + ", the subcubes of this cube of " +
                                  std::to_string(numFree) + " free inputs), past the limit of " +
                                  std::to_string(kMaxPlaImplicants)};
        }
    }
    const std::uint64_t cubePoints = std::uint64_t{1} << numFree;
    if (given != 0 && cubePoints > (kMaxPlaPoints - spent) / given) {
        return Diagnostic{first.line, first.column,
                          "the cubes stand for more than " + std::to_string(kMaxPlaPoints) +
                              " points (2^24, a cube counted once per output); "
                              "this cube stands for 2^" +
                              std::to_string(numFree)};
    }
    spent += cubePoints * given;
    for (std::uint64_t o = 0; o < numOutputs; ++o) {
        std::vector<std::uint32_t> Sets::*set = SetOf(cube.outputs[o]);
        if (set == nullptr) {
            continue;
        }
        std::vector<std::uint32_t>& list = points[o].*set;
        // Every subset of the free mask, in ascending order.
        std::uint32_t sub = 0;
        do {
            list.push_back(base | sub);
            sub = (sub - freeMask) & freeMask;
        } while (sub != 0);
    }
    cubeLines.push_back({first.line, base, freeMask, cube.places[numInputs]});
    return {};
}

// The estimate for an output whose unlisted points are ones or don't-cares:
// its points outside the off-set, and 3^d for the d free inputs of a cube
// that misses the off-set (halving the space towards the half with fewer
// off points, one such cube has d >= n - floor(log2 |off|) - 1).
PlaCallbacks::Answer SetBuilder::CheckEnumerated(PlaPlace place, std::uint64_t output) const
{
    const PlaOutput& sets = pla.outputs[output];
    const std::uint64_t off = sets.off.size();
    const std::uint64_t width = off == 0 ? 0 : std::bit_width(off);
    const std::uint64_t free = numInputs > width ? numInputs - width : 0;
    const std::uint64_t estimate =
        std::max(PowerOfThree(free), (std::uint64_t{1} << numInputs) - off);
    if (estimate <= kMaxPlaImplicants) {
        return {};
    }
    return Diagnostic{place.line, place.column,
                      "output " + OutputName(output) + " needs at least " +
                          std::to_string(estimate) + " implicants (3^" + std::to_string(free) +
                          ", the subcubes of " + std::to_string(free) +
                          " free inputs that miss its off-set), past the limit of " +
                          std::to_string(kMaxPlaImplicants)};
}

PlaCallbacks::Answer SetBuilder::OnEnd(PlaPlace place, bool /*marked*/)
{
    if (!started) {
        if (Answer refused = Start({place.line, 1})) {
            return refused;
        }
    }
    pla.inputs = inputNames;
    if (pla.inputs.empty()) {
        for (std::uint64_t v = 0; v < numInputs; ++v) {
            pla.inputs.push_back(std::string(1, 'x').append(std::to_string(v)));
        }
    }
    pla.unlistedAreDontCares = type.on && type.off;
    pla.unlistedAreOnes = !type.on;
    pla.outputs.assign(numOutputs, {});
    for (std::uint64_t o = 0; o < numOutputs; ++o) {
        PlaOutput& output = pla.outputs[o];
        output.name = OutputName(o);
        Sets& sets = points[o];
        for (auto* list : {&sets.on, &sets.dontCare, &sets.off}) {
            std::sort(list->begin(), list->end());
            list->erase(std::unique(list->begin(), list->end()), list->end());
        }
        const auto withoutDontCares = [&](const std::vector<std::uint32_t>& list) {
            std::vector<std::uint32_t> kept;
            std::set_difference(list.begin(), list.end(), sets.dontCare.begin(),
                                sets.dontCare.end(), std::back_inserter(kept));
            return kept;
        };
        output.on = withoutDontCares(sets.on);
        output.off = withoutDontCares(sets.off);
        output.dontCare = std::move(sets.dontCare);
        sets = {};
        std::vector<std::uint32_t> both;
        std::set_intersection(output.on.begin(), output.on.end(), output.off.begin(),
                              output.off.end(), std::back_inserter(both));
        if (!both.empty()) {
            return Conflict(o, both.front());
        }
        const std::uint64_t listed = output.on.size() + output.dontCare.size();
        if (!Enumerated() && listed > kMaxPlaImplicants) {
            return Diagnostic{place.line, place.column,
                              "output " + output.name + " needs at least " +
                                  std::to_string(listed) + " implicants (one per point), " +
                                  "past the limit of " + std::to_string(kMaxPlaImplicants)};
        }
        if (Enumerated()) {
            if (Answer refused = CheckEnumerated(place, o)) {
                return refused;
            }
        }
    }
    return {};
}

// Refuses at the later of the first cubes giving `point` 1 and 0.
PlaCallbacks::Answer SetBuilder::Conflict(std::uint64_t output, std::uint32_t point) const
{
    std::uint64_t line = 0;
    std::uint64_t column = 1;
    for (const CubeLine& cube : cubeLines) {
        if ((point & ~cube.freeMask) == cube.base && cube.line > line) {
            line = cube.line;
            column = cube.output.column + output;
        }
    }
    return Diagnostic{line, column,
                      "point " + std::to_string(point) + " of output " + OutputName(output) +
                          " is given both 1 and 0"};
}

}  // namespace

ReadResult ReadPla(std::istream& in, PlaFile& pla)
{
    SetBuilder builder(pla);
    return ParsePla(in, builder);
}

BooleanFunction FunctionOf(const PlaFile& pla, std::size_t index)
{
    const PlaOutput& output = pla.outputs[index];
    BooleanFunction func;
    func.names = pla.inputs;
    func.dontCares = output.dontCare;
    if (!pla.unlistedAreOnes && !pla.unlistedAreDontCares) {
        func.minterms = output.on;
        return func;
    }
    QMSOP_ASSERT(pla.inputs.size() <= kMaxPlaEnumeratedInputs);
    // Walk every point: listed ones keep their set, unlisted ones take the
    // type's default.
    const std::uint64_t points = std::uint64_t{1} << pla.inputs.size();
    std::vector<std::uint32_t> dontCares;
    auto on = output.on.begin();
    auto dc = output.dontCare.begin();
    auto off = output.off.begin();
    for (std::uint64_t p = 0; p < points; ++p) {
        const auto value = static_cast<std::uint32_t>(p);
        const auto take = [value](auto& it, const std::vector<std::uint32_t>& list) {
            if (it != list.end() && *it == value) {
                ++it;
                return true;
            }
            return false;
        };
        bool one = take(on, output.on);
        bool free = !one && take(dc, output.dontCare);
        if (!one && !free && !take(off, output.off)) {
            one = pla.unlistedAreOnes;
            free = !one;
        }
        if (one) {
            func.minterms.push_back(value);
        } else if (free) {
            dontCares.push_back(value);
        }
    }
    func.dontCares = std::move(dontCares);
    return func;
}

namespace {

// The names with every repeat made unique: a name already taken by an
// earlier one gets _2, _3, ... appended, the first that is free.
std::vector<std::string> UniquePlaNames(std::vector<std::string> names)
{
    std::unordered_set<std::string> taken;
    for (std::string& name : names) {
        const std::string base = name;
        for (std::uint64_t k = 2; !taken.insert(name).second; ++k) {
            name = base + "_" + std::to_string(k);
        }
    }
    return names;
}

}  // namespace

void WritePla(std::ostream& out, const Result& result)
{
    const std::vector<std::string>& inputs = result.inputs;
    const std::vector<ResultOutput>& outputs = result.outputs();
    const bool pos = !outputs.empty() && outputs.front().pos;
    // The result's distinct cubes in order of first use, with the outputs
    // they belong to.
    const char member = pos ? '0' : '1';
    const char other = pos ? '1' : '0';
    std::vector<std::string> lines;
    lines.reserve(result.cubes().size());
    for (const Cube& cube : result.cubes()) {
        lines.push_back(cube.Pattern() + ' ' + std::string(outputs.size(), other));
    }
    for (std::size_t o = 0; o < outputs.size(); ++o) {
        QMSOP_ASSERT(outputs[o].pos == pos);
        for (const std::uint32_t c : outputs[o].cubes) {
            lines[c][result.cubes()[c].numVars() + 1 + o] = member;
        }
    }
    std::vector<std::string> names = inputs;
    for (const ResultOutput& output : outputs) {
        names.push_back(output.name);
    }
    names = UniquePlaNames(std::move(names));
    TextWriter writer(out);
    std::string& text = writer.Text();
    text += ".i " + std::to_string(inputs.size()) + "\n.o " + std::to_string(outputs.size()) + '\n';
    for (std::size_t k = 0; k < names.size(); ++k) {
        if (k == 0 && !inputs.empty()) {
            text += ".ilb";
        }
        if (k == inputs.size()) {
            text += k == 0 ? ".ob" : "\n.ob";
        }
        text += ' ';
        text += names[k];
    }
    text += pos ? "\n.type r\n.p " : "\n.type f\n.p ";
    text += std::to_string(lines.size());
    text += '\n';
    for (const std::string& line : lines) {
        text += line;
        writer.EndLine();
    }
    text += ".e";
    writer.EndLine();
}

}  // namespace qmsop
