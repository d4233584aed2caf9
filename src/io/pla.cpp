// SPDX-License-Identifier: MIT
#include "io/pla.h"

#include <algorithm>
#include <charconv>
#include <istream>
#include <optional>
#include <ostream>
#include <string_view>

#include "base/check.h"
#include "base/textwriter.h"

namespace qmsop {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

// A character as a message shows it: 'x', or its code when not printable.
std::string Shown(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 32 && byte < 127) {
        return std::string("'") + c + "'";
    }
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 15];
}

// True when `text` is well-formed UTF-8 (names are written into JSON).
bool IsUtf8(std::string_view text)
{
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t extra = 0;
        std::uint32_t code = 0;
        if (c < 0x80) {
            ++i;
            continue;
        }
        if (c >= 0xC2 && c <= 0xDF) {
            extra = 1;
            code = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            extra = 2;
            code = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            extra = 3;
            code = c & 0x07u;
        } else {
            return false;
        }
        if (i + extra >= text.size()) {
            return false;
        }
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto next = static_cast<unsigned char>(text[i + k]);
            if ((next & 0xC0u) != 0x80u) {
                return false;
            }
            code = (code << 6) | (next & 0x3Fu);
        }
        const std::uint32_t least[] = {0, 0x80, 0x800, 0x10000};
        if (code < least[extra] || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) {
            return false;
        }
        i += extra + 1;
    }
    return true;
}

// One line split into blank-separated words, each with its column from 1.
struct Word {
    std::string_view text;
    std::uint64_t column;
};

std::vector<Word> Words(std::string_view line)
{
    std::vector<Word> words;
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && IsBlank(line[i])) {
            ++i;
        }
        const std::size_t start = i;
        while (i < line.size() && !IsBlank(line[i])) {
            ++i;
        }
        if (i > start) {
            words.push_back({line.substr(start, i - start), start + 1});
        }
    }
    return words;
}

// The sets a type reads from the output values.
struct PlaType {
    bool on = false;
    bool dontCare = false;
    bool off = false;
};

bool ParseType(std::string_view word, PlaType& type)
{
    static const std::pair<std::string_view, PlaType> kTypes[] = {
        {"f", {true, false, false}}, {"fd", {true, true, false}}, {"fr", {true, false, true}},
        {"fdr", {true, true, true}}, {"r", {false, false, true}}, {"dr", {false, true, true}},
    };
    for (const auto& [name, sets] : kTypes) {
        if (word == name) {
            type = sets;
            return true;
        }
    }
    return false;
}

// The reader's state: the header as far as read, the points of each output
// collected cube by cube (sorted at the end), and where the cubes stand.
class PlaReader {
public:
    PlaReader(std::istream& in, PlaFile& pla) : in(in), pla(pla) {}

    bool Read()
    {
        std::string text;
        while (std::getline(in, text)) {
            ++lineNumber;
            if (!text.empty() && text.back() == '\r') {
                text.pop_back();
            }
            std::size_t first = 0;
            while (first < text.size() && IsBlank(text[first])) {
                ++first;
            }
            if (first == text.size() || text[first] == '#') {
                continue;
            }
            const bool ok = text[first] == '.' ? Keyword(Words(text)) : Cube(text, first);
            if (!ok) {
                return false;
            }
            if (ended) {
                return Finish();
            }
        }
        atEnd = true;
        return Finish();
    }

    ReadResult result;

private:
    bool Refuse(std::uint64_t column, std::string reason)
    {
        result.accepted = false;
        result.atEnd = false;
        result.line = lineNumber;
        result.column = column;
        result.reason = std::move(reason);
        return false;
    }
    bool RefuseAtEnd(std::string reason)
    {
        Refuse(1, std::move(reason));
        result.atEnd = true;
        return false;
    }

    // Reads a number word of a keyword; refuses the line when it is not one.
    bool Count(const std::vector<Word>& words, std::uint64_t limit, std::uint64_t& value)
    {
        if (words.size() != 2) {
            return Refuse(words[0].column, std::string(words[0].text) + " needs one number");
        }
        const std::string_view word = words[1].text;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc{} || end != word.data() + word.size()) {
            return Refuse(words[1].column, std::string(words[0].text) +
                                               " needs a whole number, not '" + std::string(word) +
                                               "'");
        }
        if (value > limit) {
            return Refuse(words[1].column, std::string(words[0].text) + " " + std::string(word) +
                                               " is past the limit of " + std::to_string(limit));
        }
        return true;
    }

    bool Names(const std::vector<Word>& words, std::uint64_t count, bool given, const char* needs,
               std::vector<std::string>& names)
    {
        if (!given) {
            return Refuse(words[0].column, std::string(words[0].text) + " before " + needs);
        }
        if (words.size() - 1 != count) {
            return Refuse(words[0].column, std::string(words[0].text) + " gives " +
                                               std::to_string(words.size() - 1) + " names for " +
                                               std::to_string(count) + " " +
                                               (needs[1] == 'i' ? "inputs" : "outputs"));
        }
        names.clear();
        for (std::size_t w = 1; w < words.size(); ++w) {
            if (!IsUtf8(words[w].text)) {
                return Refuse(words[w].column, "name is not valid UTF-8");
            }
            names.emplace_back(words[w].text);
        }
        return true;
    }

    // A line starting with '.'; false at a refusal.
    bool Keyword(const std::vector<Word>& words)
    {
        const std::string_view key = words[0].text;
        if (key == ".e" || key == ".end") {
            ended = true;
            return true;
        }
        if ((key == ".i" && numInputs) || (key == ".o" && numOutputs)) {
            return Refuse(words[0].column, "second " + std::string(key));
        }
        if ((key == ".i" || key == ".o" || key == ".type") && cubes != 0) {
            return Refuse(words[0].column, std::string(key) + " after the first cube");
        }
        std::uint64_t value = 0;
        if (key == ".i") {
            if (!Count(words, kMaxPlaInputs, value)) {
                return false;
            }
            numInputs = value;
        } else if (key == ".o") {
            if (!Count(words, kMaxPlaOutputs, value)) {
                return false;
            }
            if (value == 0) {
                return Refuse(words[1].column, ".o needs at least one output");
            }
            numOutputs = value;
        } else if (key == ".ilb") {
            return Names(words, numInputs.value_or(0), numInputs.has_value(), ".i", inputNames);
        } else if (key == ".ob") {
            return Names(words, numOutputs.value_or(0), numOutputs.has_value(), ".o", outputNames);
        } else if (key == ".p") {
            if (!Count(words, UINT64_MAX, value)) {
                return false;
            }
            declaredCubes = value;
            declaredAt = {lineNumber, words[0].column};
        } else if (key == ".type") {
            if (words.size() != 2 || !ParseType(words[1].text, type)) {
                return Refuse(words.size() > 1 ? words[1].column : words[0].column,
                              ".type needs f, fd, fr, fdr, r or dr");
            }
        } else {
            return Refuse(words[0].column, "unknown or unsupported keyword " + std::string(key));
        }
        return true;
    }

    bool Start(std::uint64_t column)
    {
        if (!numInputs) {
            return Refuse(column, "missing .i before the first cube");
        }
        if (!numOutputs) {
            return Refuse(column, "missing .o before the first cube");
        }
        if (!type.on || type.off) {
            if (*numInputs > kMaxPlaEnumeratedInputs) {
                return Refuse(column, "this .type lists points by what they are not: at most " +
                                          std::to_string(kMaxPlaEnumeratedInputs) +
                                          " inputs, not " + std::to_string(*numInputs));
            }
        }
        points.assign(*numOutputs, {});
        started = true;
        return true;
    }

    // A cube line; false at a refusal.
    bool Cube(const std::string& text, std::size_t first)
    {
        if (!started && !Start(first + 1)) {
            return false;
        }
        const std::uint64_t n = *numInputs;
        const std::uint64_t width = n + *numOutputs;
        values.clear();
        columns.clear();
        for (std::size_t i = first; i < text.size(); ++i) {
            if (IsBlank(text[i]) || text[i] == '|') {
                continue;
            }
            if (values.size() == width) {
                return Refuse(i + 1, "cube has more than " + std::to_string(width) + " values (" +
                                         std::to_string(n) + " inputs and " +
                                         std::to_string(*numOutputs) + " outputs)");
            }
            values.push_back(text[i]);
            columns.push_back(i + 1);
        }
        if (values.size() < width) {
            return Refuse(text.size() + 1, "cube has " + std::to_string(values.size()) +
                                               " values, not " + std::to_string(width) + " (" +
                                               std::to_string(n) + " inputs and " +
                                               std::to_string(*numOutputs) + " outputs)");
        }
        // The input part: a base value and the mask of the free inputs.
        std::uint32_t base = 0;
        std::uint32_t freeMask = 0;
        std::uint32_t numFree = 0;
        for (std::uint64_t v = 0; v < n; ++v) {
            const char c = values[v];
            const std::uint64_t shift = n - 1 - v;
            const bool free = c == '-' || c == '2';
            if (c != '0' && c != '1' && !free) {
                return Refuse(columns[v],
                              "bad character " + Shown(c) + " in the input part (0, 1, - or 2)");
            }
            if (shift >= 32) {
                if (c != '0') {
                    return Refuse(columns[v],
                                  "input " + std::to_string(v + 1) +
                                      " has no bit of its own (only the last 32 inputs have): "
                                      "it must be 0");
                }
                continue;
            }
            const std::uint32_t bit = std::uint32_t{1} << shift;
            if (free) {
                freeMask |= bit;
                ++numFree;
            } else if (c == '1') {
                base |= bit;
            }
        }
        // The output part: which set of each output the cube goes to.
        std::uint64_t given = 0;
        for (std::uint64_t o = 0; o < *numOutputs; ++o) {
            const char c = values[n + o];
            if (c != '0' && c != '1' && c != '-' && c != '2' && c != '~') {
                return Refuse(columns[n + o], "bad character " + Shown(c) +
                                                  " in the output part (0, 1, -, 2 or ~)");
            }
            given += SetOf(c) != nullptr ? 1 : 0;
        }
        const std::uint64_t cubePoints = std::uint64_t{1} << numFree;
        if (given != 0 && cubePoints > (kMaxPlaPoints - spent) / given) {
            return Refuse(columns[0], "the cubes stand for more than " +
                                          std::to_string(kMaxPlaPoints) +
                                          " points (2^24, a cube counted once per output); "
                                          "this cube stands for 2^" +
                                          std::to_string(numFree));
        }
        spent += cubePoints * given;
        for (std::uint64_t o = 0; o < *numOutputs; ++o) {
            std::vector<std::uint32_t> Sets::*set = SetOf(values[n + o]);
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
        ++cubes;
        cubeLines.push_back({lineNumber, base, freeMask, columns[n]});
        return true;
    }

    struct Sets {
        std::vector<std::uint32_t> on;
        std::vector<std::uint32_t> dontCare;
        std::vector<std::uint32_t> off;
    };

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

    bool Finish()
    {
        if (!numInputs) {
            return atEnd ? RefuseAtEnd("missing .i") : Refuse(1, "missing .i before .e");
        }
        if (!numOutputs) {
            return atEnd ? RefuseAtEnd("missing .o") : Refuse(1, "missing .o before .e");
        }
        if (!started && !Start(1)) {
            return false;
        }
        pla.inputs = inputNames;
        if (pla.inputs.empty()) {
            for (std::uint64_t v = 0; v < *numInputs; ++v) {
                pla.inputs.push_back(std::string(1, 'x').append(std::to_string(v)));
            }
        }
        pla.unlistedAreDontCares = type.on && type.off;
        pla.unlistedAreOnes = !type.on;
        pla.outputs.assign(*numOutputs, {});
        for (std::uint64_t o = 0; o < *numOutputs; ++o) {
            PlaOutput& output = pla.outputs[o];
            if (!outputNames.empty()) {
                output.name = outputNames[o];
            } else {
                output.name = "f";
                if (*numOutputs > 1) {
                    output.name.append(std::to_string(o));
                }
            }
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
                return Conflict(output.name, o, both.front());
            }
        }
        pla.warnings.clear();
        if (declaredCubes && *declaredCubes != cubes) {
            pla.warnings.push_back({declaredAt.first, declaredAt.second,
                                    ".p gives " + std::to_string(*declaredCubes) +
                                        " cubes, the file has " + std::to_string(cubes)});
        }
        result.accepted = true;
        return true;
    }

    // Refuses at the later of the first cubes giving `point` 1 and 0.
    bool Conflict(const std::string& name, std::uint64_t output, std::uint32_t point)
    {
        std::uint64_t line = 0;
        std::uint64_t column = 1;
        for (const CubeLine& cube : cubeLines) {
            if ((point & ~cube.freeMask) == cube.base && cube.line > line) {
                line = cube.line;
                column = cube.outputColumn + output;
            }
        }
        lineNumber = line;
        return Refuse(column, "point " + std::to_string(point) + " of output " + name +
                                  " is given both 1 and 0");
    }

    struct CubeLine {
        std::uint64_t line;
        std::uint32_t base;
        std::uint32_t freeMask;
        std::uint64_t outputColumn;
    };

    std::istream& in;
    PlaFile& pla;
    std::uint64_t lineNumber = 0;
    bool ended = false;
    bool atEnd = false;
    bool started = false;
    std::optional<std::uint64_t> numInputs;
    std::optional<std::uint64_t> numOutputs;
    std::optional<std::uint64_t> declaredCubes;
    std::pair<std::uint64_t, std::uint64_t> declaredAt{0, 0};
    std::vector<std::string> inputNames;
    std::vector<std::string> outputNames;
    PlaType type{true, true, false};
    std::vector<Sets> points;
    std::uint64_t spent = 0;
    std::uint64_t cubes = 0;
    std::vector<CubeLine> cubeLines;
    std::string values;
    std::vector<std::uint64_t> columns;
};

}  // namespace

ReadResult ReadPla(std::istream& in, PlaFile& pla)
{
    PlaReader reader(in, pla);
    reader.Read();
    return reader.result;
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
    TextWriter writer(out);
    std::string& text = writer.Text();
    text += ".i " + std::to_string(inputs.size()) + "\n.o " + std::to_string(outputs.size()) + '\n';
    if (!inputs.empty()) {
        text += ".ilb";
        for (const std::string& name : inputs) {
            text += ' ';
            text += name;
        }
        text += '\n';
    }
    text += ".ob";
    for (const ResultOutput& output : outputs) {
        text += ' ';
        text += output.name;
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
