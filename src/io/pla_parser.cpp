// SPDX-License-Identifier: MIT
#include "io/pla_parser.h"

#include <algorithm>
#include <charconv>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "base/utf8.h"
#include "io/lines.h"

namespace qmsop {

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\v' || c == '\f';
}

std::string HexByte(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    static constexpr char kHex[] = "0123456789ABCDEF";
    return std::string("byte 0x") + kHex[byte >> 4] + kHex[byte & 15];
}

// A character as a message shows it: 'x', or its code when not printable.
std::string Shown(char c)
{
    const auto byte = static_cast<unsigned char>(c);
    if (byte > 32 && byte < 127) {
        return std::string("'") + c + "'";
    }
    return HexByte(c);
}

// One word of a line, with its column from 1.
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

// The reason a keyword of Espresso's other forms is refused; empty for a
// keyword nobody defines.
std::string_view OtherForm(std::string_view key)
{
    static const std::pair<std::string_view, std::string_view> kForms[] = {
        {".mv", "multi-valued variables"},
        {".label", "multi-valued variables"},
        {".kiss", "a state machine"},
        {".symbolic", "symbolic variables"},
        {".symbolic-output", "symbolic outputs"},
        {".phase", "output phases"},
        {".pair", "paired inputs"},
    };
    for (const auto& [name, form] : kForms) {
        if (key == name) {
            return form;
        }
    }
    return {};
}

// The names of a .ilb or .ob as far as read, which may go on over lines.
struct NameList {
    bool open = false;
    bool inputs = true;
    std::string key;  // ".ilb" or ".ob"
    PlaPlace place;   // of the keyword
    std::uint64_t count = 0;
    std::vector<std::string> texts;
    std::vector<PlaPlace> places;
};

// The cube as far as read, which may go on over lines.
struct OpenCube {
    bool open = false;
    std::string values;
    std::vector<PlaPlace> places;
    PlaPlace end;  // just after the last value read
};

// The parser's state; every step returns false at the first refusal, after
// recording where and why.
class Parser {
public:
    Parser(std::istream& in, PlaCallbacks& callbacks) : lines(in), callbacks(callbacks) {}

    ReadResult Parse()
    {
        Line line;
        for (;;) {
            const LineReader::Status status = lines.Next(line);
            if (status == LineReader::Status::kReadError) {
                result = {};
                result.atEnd = true;
                result.readError = lines.error();
                return result;
            }
            if (status == LineReader::Status::kTooLong) {
                Refuse({lines.number(), kMaxLineLength + 1},
                       "line longer than " + std::to_string(kMaxLineLength) + " bytes");
                return result;
            }
            if (status == LineReader::Status::kEnd) {
                Finish({lines.number(), 1}, false);
                return result;
            }
            if (!line.comment && !Step(line.text)) {
                return result;
            }
            if (ended) {
                return result;
            }
        }
    }

private:
    // One line that is not a comment.
    bool Step(std::string& text)
    {
        if (!text.empty() && text.back() == '\r') {
            text.pop_back();
        }
        if (lines.number() == 1 && text.rfind("\xEF\xBB\xBF", 0) == 0) {
            return Refuse({1, 1}, "a UTF-8 byte order mark (byte 0xEF): save the file without it");
        }
        std::size_t first = 0;
        while (first < text.size() && IsBlank(text[first])) {
            ++first;
        }
        if (first == text.size()) {
            return true;
        }
        const bool keyword = text[first] == '.';
        const bool title = !seenLine && !keyword;
        seenLine = true;
        if (title) {
            return true;
        }
        if (keyword) {
            if (!CloseNames() || !CloseCube()) {
                return false;
            }
            return Keyword(Words(text));
        }
        if (names.open) {
            return AddNames(Words(text));
        }
        return CubeLine(text, first);
    }

    bool Refuse(PlaPlace place, std::string reason)
    {
        result.accepted = false;
        result.atEnd = false;
        result.line = place.line;
        result.column = place.column;
        result.reason = std::move(reason);
        return false;
    }

    bool RefuseAtEnd(std::string reason)
    {
        Refuse({lines.number(), 1}, std::move(reason));
        result.atEnd = true;
        return false;
    }

    // Takes a callback's answer: false when it refuses.
    bool Take(const PlaCallbacks::Answer& answer)
    {
        return answer ? Refuse({answer->line, answer->column}, answer->message) : true;
    }

    void Warn(PlaPlace place, std::string message)
    {
        if (result.warnings.size() < kMaxWarnings) {
            result.warnings.push_back({place.line, place.column, std::move(message)});
        } else {
            ++result.moreWarnings;
        }
    }

    PlaPlace At(std::uint64_t column) const { return {lines.number(), column}; }

    // Reads a number word of a keyword; refuses the line when it is not one.
    bool Count(const std::vector<Word>& words, std::uint64_t limit, std::uint64_t& value)
    {
        const std::string key(words[0].text);
        if (words.size() != 2) {
            return Refuse(At(words[0].column), key + " needs one number");
        }
        const std::string_view word = words[1].text;
        const auto [end, error] = std::from_chars(word.data(), word.data() + word.size(), value);
        if (error != std::errc{} || end != word.data() + word.size()) {
            return Refuse(At(words[1].column),
                          key + " needs a whole number, not '" + std::string(word) + "'");
        }
        if (value > limit) {
            return Refuse(
                At(words[1].column),
                key + " " + std::string(word) + " is past the limit of " + std::to_string(limit));
        }
        return true;
    }

    // A line starting with '.'.
    bool Keyword(const std::vector<Word>& words)
    {
        const std::string_view key = words[0].text;
        const PlaPlace place = At(words[0].column);
        if (key == ".e" || key == ".end") {
            return Finish(place, true);
        }
        if ((key == ".i" && numInputs) || (key == ".o" && numOutputs)) {
            return Refuse(place, "second " + std::string(key));
        }
        if ((key == ".i" || key == ".o" || key == ".type") && cubes != 0) {
            return Refuse(place, std::string(key) + " after the first cube");
        }
        std::uint64_t value = 0;
        if (key == ".i") {
            if (!Count(words, kMaxPlaInputs, value)) {
                return false;
            }
            numInputs = value;
            return Take(callbacks.OnInputs(value, place));
        }
        if (key == ".o") {
            if (!Count(words, kMaxPlaOutputs, value)) {
                return false;
            }
            if (value == 0) {
                return Refuse(At(words[1].column), ".o needs at least one output");
            }
            numOutputs = value;
            return Take(callbacks.OnOutputs(value, place));
        }
        if (key == ".ilb" || key == ".ob") {
            return OpenNames(words);
        }
        if (key == ".p") {
            if (!Count(words, UINT64_MAX, value)) {
                return false;
            }
            declaredCubes = value;
            declaredAt = place;
            return Take(callbacks.OnCubeCount(value, place));
        }
        if (key == ".type") {
            PlaType type;
            if (words.size() != 2 || !ParseType(words[1].text, type)) {
                return Refuse(At(words.size() > 1 ? words[1].column : words[0].column),
                              ".type needs f, fd, fr, fdr, r or dr");
            }
            return Take(callbacks.OnType(type, place));
        }
        const std::string_view form = OtherForm(key);
        if (!form.empty()) {
            return Refuse(place, "keyword " + std::string(key) + " (" + std::string(form) +
                                     ") is not supported: only binary-valued PLAs are read");
        }
        return Refuse(place, "unknown keyword " + std::string(key));
    }

    bool OpenNames(const std::vector<Word>& words)
    {
        const bool inputs = words[0].text == ".ilb";
        const std::optional<std::uint64_t>& count = inputs ? numInputs : numOutputs;
        if (!count) {
            return Refuse(At(words[0].column),
                          std::string(words[0].text) + " before " + (inputs ? ".i" : ".o"));
        }
        names = {};
        names.open = true;
        names.inputs = inputs;
        names.key = std::string(words[0].text);
        names.place = At(words[0].column);
        names.count = *count;
        return AddNames(std::span(words).subspan(1));
    }

    bool NamesCountRefusal(std::uint64_t given)
    {
        return Refuse(names.place, names.key + " gives " + std::to_string(given) + " names for " +
                                       std::to_string(names.count) +
                                       (names.inputs ? " inputs" : " outputs"));
    }

    // Names of the open list; the list closes when it has them all.
    bool AddNames(std::span<const Word> words)
    {
        if (names.texts.size() + words.size() > names.count) {
            return NamesCountRefusal(names.texts.size() + words.size());
        }
        for (const Word& word : words) {
            const PlaPlace place = At(word.column);
            const auto control = std::find_if(word.text.begin(), word.text.end(), [](char c) {
                return static_cast<unsigned char>(c) < 0x20 || c == 0x7F;
            });
            if (control != word.text.end()) {
                const auto offset = static_cast<std::uint64_t>(control - word.text.begin());
                return Refuse(At(word.column + offset),
                              "control character " + HexByte(*control) + " in a name");
            }
            if (!IsUtf8(word.text)) {
                return Refuse(place, "name is not valid UTF-8");
            }
            if (word.text.find('\'') != std::string_view::npos) {
                Warn(place, "name '" + std::string(word.text) +
                                "' has a \"'\", which the text output writes for a complement");
            }
            names.texts.emplace_back(word.text);
            names.places.push_back(place);
        }
        return names.texts.size() == names.count ? DeliverNames() : true;
    }

    // Refuses a list that ends short of its count.
    bool CloseNames() { return !names.open || NamesCountRefusal(names.texts.size()); }

    // Warns of repeated names, then hands the list over. O(n log n).
    bool DeliverNames()
    {
        names.open = false;
        std::vector<std::size_t> order(names.texts.size());
        std::iota(order.begin(), order.end(), std::size_t{0});
        std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
            return names.texts[a] < names.texts[b];
        });
        std::vector<std::size_t> repeated;
        for (std::size_t k = 1; k < order.size(); ++k) {
            if (names.texts[order[k]] == names.texts[order[k - 1]]) {
                repeated.push_back(order[k]);
            }
        }
        std::sort(repeated.begin(), repeated.end());
        for (const std::size_t i : repeated) {
            Warn(names.places[i], std::string(names.inputs ? "input" : "output") + " name '" +
                                      names.texts[i] + "' is given twice");
        }
        std::vector<PlaName> list;
        list.reserve(names.texts.size());
        for (std::size_t i = 0; i < names.texts.size(); ++i) {
            list.push_back({names.texts[i], names.places[i]});
        }
        return Take(names.inputs ? callbacks.OnInputNames(list) : callbacks.OnOutputNames(list));
    }

    // The values of a cube line, which may begin or go on a cube.
    bool CubeLine(const std::string& text, std::size_t first)
    {
        if (!numInputs) {
            return Refuse(At(first + 1), "missing .i before the first cube");
        }
        if (!numOutputs) {
            return Refuse(At(first + 1), "missing .o before the first cube");
        }
        const std::uint64_t n = *numInputs;
        const std::uint64_t width = n + *numOutputs;
        if (!cube.open) {
            cube.open = true;
            cube.values.clear();
            cube.places.clear();
        }
        for (std::size_t i = first; i < text.size(); ++i) {
            const char c = text[i];
            if (c == '#') {
                break;
            }
            if (IsBlank(c) || c == '|') {
                continue;
            }
            if (!cube.open) {
                return Refuse(At(i + 1), "cube has more than " + std::to_string(width) +
                                             " values (" + Sizes() + ")");
            }
            if (!Value(c, cube.values.size() < n, At(i + 1))) {
                return false;
            }
            cube.values.push_back(c);
            cube.places.push_back(At(i + 1));
            if (cube.values.size() == width && !Deliver()) {
                return false;
            }
        }
        cube.end = At(text.size() + 1);
        return true;
    }

    std::string Sizes() const
    {
        return std::to_string(*numInputs) + " inputs and " + std::to_string(*numOutputs) +
               " outputs";
    }

    // Checks one value of a cube.
    bool Value(char c, bool input, PlaPlace place)
    {
        const std::string_view allowed = input ? "01-2" : "01-2~";
        if (allowed.find(c) != std::string_view::npos) {
            return true;
        }
        const std::string part =
            input ? "input part (0, 1, - or 2)" : "output part (0, 1, -, 2 or ~)";
        if (c == '\0') {
            return Refuse(place, "NUL byte in the " + part);
        }
        return Refuse(place, "bad character " + Shown(c) + " in the " + part);
    }

    bool Deliver()
    {
        cube.open = false;
        ++cubes;
        const std::string_view values = cube.values;
        const auto n = static_cast<std::size_t>(*numInputs);
        return Take(callbacks.OnCube({values.substr(0, n), values.substr(n), cube.places}));
    }

    // Refuses a cube that ends short of its values.
    bool CloseCube()
    {
        if (!cube.open) {
            return true;
        }
        return Refuse(cube.end, "cube has " + std::to_string(cube.values.size()) + " values, not " +
                                    std::to_string(*numInputs + *numOutputs) + " (" + Sizes() +
                                    ")");
    }

    // The end of the file, at .e (`marked`) or at the end of the input.
    bool Finish(PlaPlace place, bool marked)
    {
        ended = true;
        if (!CloseNames() || !CloseCube()) {
            return false;
        }
        if (!numInputs) {
            return marked ? Refuse({place.line, 1}, "missing .i before .e")
                          : RefuseAtEnd("missing .i");
        }
        if (!numOutputs) {
            return marked ? Refuse({place.line, 1}, "missing .o before .e")
                          : RefuseAtEnd("missing .o");
        }
        if (!Take(callbacks.OnEnd(place, marked))) {
            return false;
        }
        if (declaredCubes && *declaredCubes != cubes) {
            Warn(declaredAt, ".p gives " + std::to_string(*declaredCubes) +
                                 " cubes, the file has " + std::to_string(cubes));
        }
        std::stable_sort(result.warnings.begin(), result.warnings.end(),
                         [](const Diagnostic& a, const Diagnostic& b) {
                             return a.line != b.line ? a.line < b.line : a.column < b.column;
                         });
        result.accepted = true;
        return true;
    }

    LineReader lines;
    PlaCallbacks& callbacks;
    ReadResult result;
    bool ended = false;
    bool seenLine = false;
    std::optional<std::uint64_t> numInputs;
    std::optional<std::uint64_t> numOutputs;
    std::optional<std::uint64_t> declaredCubes;
    PlaPlace declaredAt;
    std::uint64_t cubes = 0;
    NameList names;
    OpenCube cube;
};

}  // namespace

ReadResult ParsePla(std::istream& in, PlaCallbacks& callbacks)
{
    Parser parser(in, callbacks);
    return parser.Parse();
}

}  // namespace qmsop
