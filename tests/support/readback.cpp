// SPDX-License-Identifier: MIT
#include "support/readback.h"

#include <rapidjson/document.h>

#include <algorithm>
#include <cctype>
#include <iterator>
#include <optional>
#include <sstream>
#include <string_view>

#include "tabulation/pos.h"

namespace qmsop::readback {

namespace {

// A cover as patterns over n inputs ('0', '1', '-'); with `sums` each
// pattern is a sum ('1': the input, '0': its complement, '-': absent).
using Patterns = std::vector<std::string>;

bool Bit(std::uint64_t point, std::size_t numInputs, std::size_t v)
{
    return ((point >> (numInputs - 1 - v)) & 1U) != 0;
}

// True when the point lies in the cube `pattern`.
bool InCube(const std::string& pattern, std::uint64_t point)
{
    for (std::size_t v = 0; v < pattern.size(); ++v) {
        if (pattern[v] != '-' && (pattern[v] == '1') != Bit(point, pattern.size(), v)) {
            return false;
        }
    }
    return true;
}

// The truth table of a sum of the products `cubes` (or, with `complement`,
// of its complement).
std::vector<bool> TableOf(const Patterns& cubes, std::size_t numInputs, bool complement)
{
    std::vector<bool> values(std::size_t{1} << numInputs);
    for (std::uint64_t p = 0; p < values.size(); ++p) {
        const bool in = std::any_of(cubes.begin(), cubes.end(),
                                    [&](const std::string& cube) { return InCube(cube, p); });
        values[p] = in != complement;
    }
    return values;
}

std::vector<std::string> Split(std::string_view text, std::string_view separator)
{
    std::vector<std::string> parts;
    std::size_t start = 0;
    for (std::size_t at = text.find(separator); at != std::string_view::npos;
         at = text.find(separator, start)) {
        parts.emplace_back(text.substr(start, at - start));
        start = at + separator.size();
    }
    parts.emplace_back(text.substr(start));
    return parts;
}

// ------------------------------------------------------------------- Text

// The spellings of one product "ab'c" (or one sum's literals) over the names,
// variables taken in order; at most two distinct patterns are collected, and
// the search gives up (as if ambiguous) after a bounded number of steps.
class Speller {
public:
    explicit Speller(const std::vector<std::string>& names) : names(names) {}

    // Every cube that the concatenated literals of `text` can stand for.
    Patterns Product(const std::string& text)
    {
        found.clear();
        steps = 0;
        std::string cube(names.size(), '-');
        SpellProduct(text, 0, 0, cube);
        return found;
    }

    // Every pattern that the literals `tokens` ("a", "b'") of a sum can stand for.
    Patterns Sum(const std::vector<std::string>& tokens)
    {
        found.clear();
        steps = 0;
        std::string pattern(names.size(), '-');
        SpellSum(tokens, 0, 0, pattern);
        return found;
    }

    bool gaveUp() const { return steps > kMaxSteps; }

private:
    static constexpr std::uint64_t kMaxSteps = 100000;

    void Found(const std::string& pattern)
    {
        if (std::find(found.begin(), found.end(), pattern) == found.end()) {
            found.push_back(pattern);
        }
    }

    bool Done() { return found.size() >= 2 || ++steps > kMaxSteps; }

    void SpellProduct(const std::string& text, std::size_t at, std::size_t next, std::string& cube)
    {
        if (at == text.size()) {
            Found(cube);
            return;
        }
        for (std::size_t v = next; v < names.size() && !Done(); ++v) {
            const std::string& name = names[v];
            if (name.empty() || text.compare(at, name.size(), name) != 0) {
                continue;
            }
            const std::size_t after = at + name.size();
            if (after < text.size() && text[after] == '\'') {
                cube[v] = '0';
                SpellProduct(text, after + 1, v + 1, cube);
            }
            cube[v] = '1';
            SpellProduct(text, after, v + 1, cube);
            cube[v] = '-';
        }
    }

    void SpellSum(const std::vector<std::string>& tokens, std::size_t k, std::size_t next,
                  std::string& pattern)
    {
        if (k == tokens.size()) {
            Found(pattern);
            return;
        }
        for (std::size_t v = next; v < names.size() && !Done(); ++v) {
            if (tokens[k] == names[v] || tokens[k] == names[v] + "'") {
                pattern[v] = tokens[k] == names[v] ? '1' : '0';
                SpellSum(tokens, k + 1, v + 1, pattern);
                pattern[v] = '-';
            }
        }
    }

    const std::vector<std::string>& names;
    Patterns found;
    std::uint64_t steps = 0;
};

// "name(a,b) = rest", split; false when the line has no such head.
struct Head {
    std::string name;
    std::vector<std::string> inputs;
    std::string rest;
};

bool SplitHead(const std::string& line, Head& head)
{
    const std::size_t open = line.find('(');
    if (open == std::string::npos || open == 0 || line.find(' ') < open) {
        return false;
    }
    const std::size_t close = line.find(") = ", open);
    if (close == std::string::npos) {
        return false;
    }
    head.name = line.substr(0, open);
    const std::string list = line.substr(open + 1, close - open - 1);
    head.inputs = list.empty() ? std::vector<std::string>{} : Split(list, ",");
    head.rest = line.substr(close + 4);
    return true;
}

// The echo line's right side: m(1,3) + d(0).
bool IsEcho(const std::string& rest)
{
    const auto numbers = [](const std::string& list) {
        return std::all_of(list.begin(), list.end(), [](char c) {
            return std::isdigit(static_cast<unsigned char>(c)) || c == ',';
        });
    };
    const std::size_t mid = rest.find(") + d(");
    return rest.rfind("m(", 0) == 0 && mid != std::string::npos && rest.back() == ')' &&
           numbers(rest.substr(2, mid - 2)) && numbers(rest.substr(mid + 6, rest.size() - mid - 7));
}

// The right side of one result line as an output; sets `ambiguous` when the
// names cannot tell the products apart.
std::string ReadRightSide(const Head& head, bool pos, Output& output, bool& ambiguous)
{
    const std::size_t n = head.inputs.size();
    if (n > kMaxReadBackInputs) {
        return "result line with " + std::to_string(n) + " inputs, too wide to read back";
    }
    output.name = head.name;
    output.inputs = head.inputs;
    if (head.rest.empty()) {
        output.eitherConstant = true;
        output.values.assign(std::size_t{1} << n, false);
        return "";
    }
    Speller speller(head.inputs);
    Patterns cover;
    const auto take = [&](const Patterns& spelt, const std::string& what) -> std::string {
        if (spelt.size() > 1 || speller.gaveUp()) {
            ambiguous = true;
        } else if (spelt.empty()) {
            return "cannot read \"" + what + "\" in: " + head.rest;
        } else {
            cover.push_back(spelt.front());
        }
        return "";
    };
    if (!pos) {
        for (const std::string& product : Split(head.rest, " + ")) {
            std::string error = take(speller.Product(product), product);
            if (!error.empty()) {
                return error;
            }
        }
        output.values = TableOf(cover, n, false);
        return "";
    }
    if (head.rest.front() != '(' || head.rest.back() != ')') {
        return "a product of sums must be in parentheses: " + head.rest;
    }
    for (const std::string& sum : Split(head.rest.substr(1, head.rest.size() - 2), ")(")) {
        std::string error = take(speller.Sum(Split(sum, " + ")), sum);
        if (!error.empty()) {
            return error;
        }
    }
    // A sum is 0 exactly on the cube whose inputs all make its literals 0.
    for (std::string& sum : cover) {
        for (char& c : sum) {
            c = c == '-' ? '-' : (c == '1' ? '0' : '1');
        }
    }
    output.values = TableOf(cover, n, true);
    return "";
}

// ------------------------------------------------------------------- PLA

// The outputs of one PLA document.
std::string ReadOnePla(const std::string& document, Outputs& back)
{
    std::istringstream in(document);
    PlaFile pla;
    const ReadResult read = ReadPla(in, pla);
    if (!read.accepted) {
        return "PLA does not read back: " + DescribeRefusal(read);
    }
    if (pla.inputs.size() > kMaxReadBackInputs) {
        return "PLA with " + std::to_string(pla.inputs.size()) + " inputs, too wide to read back";
    }
    for (std::size_t o = 0; o < pla.outputs.size(); ++o) {
        const BooleanFunction func = FunctionOf(pla, o);
        if (!func.dontCares.empty()) {
            return "PLA output " + pla.outputs[o].name + " has don't-cares";
        }
        Output output;
        output.name = pla.outputs[o].name;
        output.inputs = pla.inputs;
        output.values.assign(std::size_t{1} << pla.inputs.size(), false);
        for (const std::uint32_t m : func.minterms) {
            output.values[m] = true;
        }
        back.outputs.push_back(std::move(output));
    }
    return "";
}

// ---------------------------------------------------------------- Verilog

struct Token {
    enum class Kind : std::uint8_t { kName, kPunct, kConstant, kEnd } kind = Kind::kEnd;
    std::string text;  // a name's (an escaped one without '\' and blank)
    bool escaped = false;
    char punct = 0;
    bool value = false;  // 1'b1
};

// Splits the module text into tokens; "" or the first character it cannot read.
std::string Tokenize(const std::string& text, std::vector<Token>& tokens)
{
    const auto simple = [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) != 0 || c == '_' || c == '$';
    };
    std::size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        Token token;
        if (std::isspace(static_cast<unsigned char>(c)) != 0) {
            ++i;
            continue;
        }
        if (c == '\\') {
            const std::size_t end = text.find_first_of(" \t\n", i);
            if (end == std::string::npos || end == i + 1) {
                return "escaped name without its closing blank at byte " + std::to_string(i);
            }
            token = {Token::Kind::kName, text.substr(i + 1, end - i - 1), true};
            i = end + 1;
        } else if (text.compare(i, 4, "1'b0") == 0 || text.compare(i, 4, "1'b1") == 0) {
            token.kind = Token::Kind::kConstant;
            token.value = text[i + 3] == '1';
            i += 4;
        } else if (std::isalpha(static_cast<unsigned char>(c)) != 0 || c == '_') {
            const std::size_t start = i;
            while (i < text.size() && simple(text[i])) {
                ++i;
            }
            token = {Token::Kind::kName, text.substr(start, i - start)};
        } else if (std::string_view("(),;=~&|").find(c) != std::string_view::npos) {
            token.kind = Token::Kind::kPunct;
            token.punct = c;
            ++i;
        } else {
            return "unexpected character '" + std::string(1, c) + "' at byte " + std::to_string(i);
        }
        tokens.push_back(std::move(token));
    }
    return "";
}

// A recursive-descent reader of the modules the writer emits:
//   module NAME ( {input|output} wire NAME , ... ) ;  { assign NAME = expr ; }  endmodule
//   expr := term { | term }   term := factor { & factor }
//   factor := ~ factor | ( expr ) | NAME | 1'b0 | 1'b1
class VerilogReader {
public:
    explicit VerilogReader(std::vector<Token> tokens) : tokens(std::move(tokens)) {}

    std::string ReadAll(Outputs& back)
    {
        std::vector<std::string> modules;
        while (at < tokens.size()) {
            const std::string name = Module(back);
            if (!error.empty()) {
                return error;
            }
            if (std::find(modules.begin(), modules.end(), name) != modules.end()) {
                return "module " + name + " declared twice";
            }
            modules.push_back(name);
        }
        return "";
    }

private:
    const Token& Peek() const { return at < tokens.size() ? tokens[at] : end; }

    bool IsWord(const char* word) const
    {
        return Peek().kind == Token::Kind::kName && !Peek().escaped && Peek().text == word;
    }

    bool IsPunct(char c) const { return Peek().kind == Token::Kind::kPunct && Peek().punct == c; }

    void Fail(const std::string& what)
    {
        if (error.empty()) {
            error = "Verilog: expected " + what + " at token " + std::to_string(at);
        }
    }

    void Expect(char c)
    {
        if (IsPunct(c)) {
            ++at;
        } else {
            Fail(std::string("'") + c + "'");
        }
    }

    void ExpectWord(const char* word)
    {
        if (IsWord(word)) {
            ++at;
        } else {
            Fail(word);
        }
    }

    std::string Name()
    {
        if (Peek().kind != Token::Kind::kName) {
            Fail("a name");
            return "";
        }
        return tokens[at++].text;
    }

    // One module; its outputs are appended to `back`.
    std::string Module(Outputs& back)
    {
        ExpectWord("module");
        std::string module = Name();
        Expect('(');
        std::vector<std::string> inputs;
        std::vector<std::string> outputs;
        while (error.empty() && !IsPunct(')')) {
            const bool input = IsWord("input");
            if (!input && !IsWord("output")) {
                Fail("input or output");
                break;
            }
            ++at;
            ExpectWord("wire");
            const std::string port = Name();
            if (std::count(inputs.begin(), inputs.end(), port) != 0 ||
                std::count(outputs.begin(), outputs.end(), port) != 0) {
                error = "Verilog: port " + port;
                error += " declared twice in module " + module;
            }
            (input ? inputs : outputs).push_back(port);
            if (!IsPunct(')')) {
                Expect(',');
            }
        }
        Expect(')');
        Expect(';');
        if (!error.empty()) {
            return module;
        }
        if (inputs.size() > kMaxReadBackInputs) {
            error = "Verilog module with " + std::to_string(inputs.size()) + " inputs, too wide";
            return module;
        }
        Assigns(module, inputs, outputs, back);
        ExpectWord("endmodule");
        return module;
    }

    void Assigns(const std::string& module, const std::vector<std::string>& inputs,
                 const std::vector<std::string>& outputs, Outputs& back)
    {
        std::vector<std::optional<std::vector<bool>>> values(outputs.size());
        ports = &inputs;
        while (error.empty() && IsWord("assign")) {
            ++at;
            const std::string target = Name();
            const auto o = std::find(outputs.begin(), outputs.end(), target) - outputs.begin();
            if (static_cast<std::size_t>(o) == outputs.size()) {
                error = "Verilog: assign to " + target;
                error += ", which is no output of " + module;
                return;
            }
            if (values[o]) {
                error = "Verilog: output " + target + " assigned twice";
                return;
            }
            Expect('=');
            values[o] = Expression();
            Expect(';');
        }
        for (std::size_t o = 0; o < outputs.size() && error.empty(); ++o) {
            if (!values[o]) {
                error = "Verilog: output " + outputs[o] + " of " + module + " never assigned";
                return;
            }
            back.outputs.push_back({outputs[o], inputs, std::move(*values[o])});
        }
    }

    std::size_t Points() const { return std::size_t{1} << ports->size(); }

    std::vector<bool> Expression()
    {
        std::vector<bool> value = Term();
        while (error.empty() && IsPunct('|')) {
            ++at;
            const std::vector<bool> other = Term();
            for (std::size_t p = 0; p < value.size() && p < other.size(); ++p) {
                value[p] = value[p] || other[p];
            }
        }
        return value;
    }

    std::vector<bool> Term()
    {
        std::vector<bool> value = Factor();
        while (error.empty() && IsPunct('&')) {
            ++at;
            const std::vector<bool> other = Factor();
            for (std::size_t p = 0; p < value.size() && p < other.size(); ++p) {
                value[p] = value[p] && other[p];
            }
        }
        return value;
    }

    std::vector<bool> Factor()
    {
        if (IsPunct('~')) {
            ++at;
            std::vector<bool> value = Factor();
            value.flip();
            return value;
        }
        if (IsPunct('(')) {
            ++at;
            std::vector<bool> value = Expression();
            Expect(')');
            return value;
        }
        if (Peek().kind == Token::Kind::kConstant) {
            return std::vector<bool>(Points(), tokens[at++].value);
        }
        const std::string name = Name();
        const auto v = std::find(ports->begin(), ports->end(), name) - ports->begin();
        std::vector<bool> value(Points(), false);
        if (error.empty() && static_cast<std::size_t>(v) == ports->size()) {
            error = "Verilog: expression reads " + name + ", which is no input";
        }
        for (std::uint64_t p = 0; p < value.size() && error.empty(); ++p) {
            value[p] = Bit(p, ports->size(), static_cast<std::size_t>(v));
        }
        return value;
    }

    std::vector<Token> tokens;
    std::size_t at = 0;
    Token end;
    std::string error;
    const std::vector<std::string>* ports = nullptr;
};

// ------------------------------------------------------------------- JSON

std::string ReadOneTrace(const std::string& line, Outputs& back)
{
    rapidjson::Document doc;
    doc.Parse(line.c_str(), line.size());
    if (doc.HasParseError() || !doc.IsObject() || !doc.HasMember("accepted") ||
        !doc["accepted"].IsBool()) {
        return "JSON trace line does not parse";
    }
    Output output;
    if (!doc["accepted"].GetBool()) {
        output.refused = true;
        back.outputs.push_back(std::move(output));
        return "";
    }
    const rapidjson::Value& function = doc["function"];
    const rapidjson::Value& result = doc["result"];
    output.name = function["name"].GetString();
    for (const rapidjson::Value& variable : function["variables"].GetArray()) {
        output.inputs.emplace_back(variable["name"].GetString());
    }
    const std::size_t n = output.inputs.size();
    if (n > kMaxReadBackInputs) {
        return "JSON result with " + std::to_string(n) + " inputs, too wide to read back";
    }
    Patterns cubes;
    for (const rapidjson::Value& cube : result["cubes"].GetArray()) {
        cubes.emplace_back(cube.GetString());
        if (cubes.back().size() != n ||
            cubes.back().find_first_not_of("01-") != std::string::npos) {
            return "JSON result cube \"" + cubes.back() + "\" over " + std::to_string(n) +
                   " inputs";
        }
    }
    const bool pos = std::string_view(result["form"].GetString()) == "pos";
    output.values = TableOf(cubes, n, pos);
    if (result["constant"].IsInt()) {
        const bool constant = result["constant"].GetInt() == 1;
        if (std::any_of(output.values.begin(), output.values.end(),
                        [&](bool v) { return v != constant; })) {
            return "JSON result of " + output.name + ": \"constant\" is " +
                   std::to_string(result["constant"].GetInt()) + " but its cubes say otherwise";
        }
    }
    back.outputs.push_back(std::move(output));
    return "";
}

// Run's rule for --all: blank lines and lines whose first non-blank is '#'.
bool IsSkipped(const std::string& line)
{
    const std::size_t first = line.find_first_not_of(" \t\r");
    return first == std::string::npos || line[first] == '#';
}

Expected Refused()
{
    Expected refused;
    refused.refused = true;
    return refused;
}

// The expected output of one function read from `in`.
Expected ExpectedOfRead(std::istream& in, const RunOptions& options)
{
    BooleanFunction func;
    const ReadResult read = ReadFunction(in, func);
    if (!read.accepted || (options.strict && !read.warnings.empty()) ||
        (options.pos && func.numVars() > kMaxPosVars)) {
        return Refused();
    }
    return ExpectedOf(func);
}

std::vector<Expected> ExpectedOfPla(const std::string& input, const RunOptions& options)
{
    std::istringstream in(input);
    PlaFile pla;
    const ReadResult read = ReadPla(in, pla);
    if (!read.accepted || (options.strict && !read.warnings.empty()) ||
        (options.pos && pla.inputs.size() > kMaxPosVars)) {
        return {Refused()};
    }
    std::vector<Expected> outputs;
    for (std::size_t o = 0; o < pla.outputs.size(); ++o) {
        outputs.push_back(ExpectedOf(FunctionOf(pla, o)));
        outputs.back().name = pla.outputs[o].name;
    }
    return outputs;
}

// True when the text form can name these: no blank or character of its syntax.
bool PlainName(const std::string& name)
{
    return !name.empty() && name.find_first_of(",()'+= \t") == std::string::npos;
}

}  // namespace

Outputs ReadText(const std::string& text, bool pos)
{
    Outputs back;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        Head head;
        if (!SplitHead(line, head) || IsEcho(head.rest) || (pos && head.name.back() == '\'')) {
            continue;
        }
        Output output;
        back.error = ReadRightSide(head, pos, output, back.ambiguous);
        if (!back.error.empty()) {
            return back;
        }
        back.outputs.push_back(std::move(output));
    }
    return back;
}

Outputs ReadPlaDocuments(const std::string& text)
{
    Outputs back;
    std::istringstream lines(text);
    std::string document;
    bool content = false;
    for (std::string line; std::getline(lines, line);) {
        document += line + '\n';
        std::istringstream words(line);
        std::string first;
        words >> first;
        content = content || !first.empty();
        if (first == ".e" || first == ".end") {
            back.error = ReadOnePla(document, back);
            if (!back.error.empty()) {
                return back;
            }
            document.clear();
            content = false;
        }
    }
    if (content) {
        back.error = "PLA document without its .e";
    }
    return back;
}

Outputs ReadVerilog(const std::string& text)
{
    Outputs back;
    std::vector<Token> tokens;
    back.error = Tokenize(text, tokens);
    if (back.error.empty()) {
        back.error = VerilogReader(std::move(tokens)).ReadAll(back);
    }
    return back;
}

Outputs ReadTrace(const std::string& text)
{
    Outputs back;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        if (line.empty()) {
            continue;
        }
        back.error = ReadOneTrace(line, back);
        if (!back.error.empty()) {
            return back;
        }
    }
    return back;
}

Outputs Read(OutputFormat format, const std::string& text, bool pos)
{
    switch (format) {
        case OutputFormat::kText:
            return ReadText(text, pos);
        case OutputFormat::kPla:
            return ReadPlaDocuments(text);
        case OutputFormat::kVerilog:
            return ReadVerilog(text);
        case OutputFormat::kJson:
            return ReadTrace(text);
    }
    return {};
}

Expected ExpectedOf(const BooleanFunction& func)
{
    Expected want;
    want.inputs = func.names;
    // A number past 2^n stands for the point of its lowest n bits, as in
    // the tabulation of the default run and in every format.
    const std::uint32_t mask =
        func.numVars() >= 32 ? ~std::uint32_t{0}
                             : static_cast<std::uint32_t>((std::uint64_t{1} << func.numVars()) - 1);
    const auto point = [&](std::uint32_t m) {
        want.outOfRange = want.outOfRange || (m & ~mask) != 0;
        return m & mask;
    };
    std::transform(func.minterms.begin(), func.minterms.end(), std::back_inserter(want.on), point);
    std::sort(want.on.begin(), want.on.end());
    want.on.erase(std::unique(want.on.begin(), want.on.end()), want.on.end());
    for (const std::uint32_t d : func.dontCares) {
        const std::uint32_t p = point(d);
        if (!std::binary_search(want.on.begin(), want.on.end(), p)) {
            want.dontCare.push_back(p);
        }
    }
    std::sort(want.dontCare.begin(), want.dontCare.end());
    want.dontCare.erase(std::unique(want.dontCare.begin(), want.dontCare.end()),
                        want.dontCare.end());
    return want;
}

std::vector<Expected> ExpectedOf(const std::string& input, const RunOptions& options)
{
    if (options.input == InputFormat::kPla) {
        return ExpectedOfPla(input, options);
    }
    if (!options.all) {
        std::istringstream in(input);
        return {ExpectedOfRead(in, options)};
    }
    std::vector<Expected> outputs;
    std::size_t start = 0;
    while (start < input.size()) {
        const std::size_t end = input.find('\n', start);
        const bool ended = end != std::string::npos;
        const std::string line = input.substr(start, ended ? end - start : std::string::npos);
        start = ended ? end + 1 : input.size();
        if (!IsSkipped(line)) {
            std::istringstream in(ended ? line + '\n' : line);
            outputs.push_back(ExpectedOfRead(in, options));
        }
    }
    return outputs;
}

std::string Compare(const Expected& want, const Output& got)
{
    const std::size_t n = want.inputs.size();
    if (got.inputs.size() != n) {
        return "has " + std::to_string(got.inputs.size()) + " inputs, the function " +
               std::to_string(n);
    }
    if (n > kMaxReadBackInputs || got.values.size() != (std::size_t{1} << n)) {
        return "is too wide to compare";
    }
    std::vector<char> care(got.values.size(), '0');
    for (const std::uint32_t m : want.on) {
        care[m] = '1';
    }
    for (const std::uint32_t d : want.dontCare) {
        care[d] = '-';
    }
    if (got.eitherConstant) {
        const bool zero = want.on.empty();
        const bool one = std::find(care.begin(), care.end(), '0') == care.end();
        return zero || one ? "" : "is written as a constant, but the function is not constant";
    }
    for (std::size_t p = 0; p < care.size(); ++p) {
        if (care[p] == '1' && !got.values[p]) {
            return "is 0 at point " + std::to_string(p) + ", a minterm";
        }
        if (care[p] == '0' && got.values[p]) {
            return "is 1 at point " + std::to_string(p) + ", off the function";
        }
    }
    return "";
}

std::string CompareAll(const std::vector<Expected>& want, const Outputs& got, OutputFormat format)
{
    if (!got.error.empty()) {
        return "the output does not read back: " + got.error;
    }
    const bool refusalsWrite = format == OutputFormat::kText || format == OutputFormat::kJson;
    std::vector<const Expected*> written;
    for (const Expected& expected : want) {
        if (!expected.refused || refusalsWrite) {
            written.push_back(&expected);
        }
    }
    if (written.size() != got.outputs.size()) {
        return std::to_string(got.outputs.size()) + " outputs written, " +
               std::to_string(written.size()) + " expected";
    }
    for (std::size_t k = 0; k < written.size(); ++k) {
        const Output& output = got.outputs[k];
        const std::string which = "output " + std::to_string(k + 1) + " (" + output.name + ") ";
        if (written[k]->refused) {
            const bool empty = output.refused || (output.inputs.empty() && output.eitherConstant);
            if (!empty) {
                return which + "stands for a refused input but is not the empty function";
            }
            continue;
        }
        if (output.refused) {
            return which + "says refused, but the input was accepted";
        }
        const std::string fault = Compare(*written[k], output);
        if (!fault.empty()) {
            return which + fault;
        }
    }
    return "";
}

std::string CheckRun(const std::string& input, const RunOptions& options)
{
    std::istringstream in(input);
    std::ostringstream out;
    std::ostringstream messages;
    RunOptions run = options;
    run.messages = &messages;
    Run(in, out, run);
    const std::vector<Expected> want = ExpectedOf(input, options);
    if (options.format == OutputFormat::kText) {
        for (const Expected& expected : want) {
            if (!PlainName(expected.name.empty() ? "f" : expected.name) ||
                !std::all_of(expected.inputs.begin(), expected.inputs.end(), PlainName)) {
                return "";  // names that the text's syntax cannot tell apart
            }
        }
    }
    const Outputs got = Read(options.format, out.str(), options.pos);
    if (got.ambiguous && got.error.empty()) {
        return "";
    }
    return CompareAll(want, got, options.format);
}

}  // namespace qmsop::readback
