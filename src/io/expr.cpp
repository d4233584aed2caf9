// SPDX-License-Identifier: MIT
#include "io/expr.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <istream>
#include <map>
#include <utility>
#include <vector>

#include "io/lines.h"

namespace qmsop {

namespace {

// The UTF-8 spellings of the symbols that are read.
constexpr std::string_view kSigma = "\xCE\xA3";         // Σ
constexpr std::string_view kNarySum = "\xE2\x88\x91";   // ∑
constexpr std::string_view kPi = "\xCE\xA0";            // Π
constexpr std::string_view kNaryProd = "\xE2\x88\x8F";  // ∏
constexpr std::string_view kNot = "\xC2\xAC";           // ¬
constexpr std::string_view kDot = "\xC2\xB7";           // ·
constexpr std::string_view kWedge = "\xE2\x88\xA7";     // ∧
constexpr std::string_view kVee = "\xE2\x88\xA8";       // ∨
constexpr std::string_view kOplus = "\xE2\x8A\x95";     // ⊕
constexpr std::string_view kQuote = "\xE2\x80\x99";     // ’

// Most nodes of one expression.
constexpr std::size_t kMaxNodes = std::size_t{1} << 24;

// Why and where (a byte offset) the line was refused.
struct ParseError {
    std::size_t pos;
    std::string reason;
};

bool IsLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c)
{
    return c >= '0' && c <= '9';
}
bool IsWordChar(char c)
{
    return IsLetter(c) || IsDigit(c) || c == '_';
}

// A position in the line and the small steps every part of the grammar takes.
class Scanner {
public:
    explicit Scanner(std::string_view text) : text(text) {}

    void SkipBlanks()
    {
        while (pos < text.size() && (text[pos] == ' ' || text[pos] == '\t' || text[pos] == '\r')) {
            ++pos;
        }
    }
    bool AtEnd() const { return pos >= text.size(); }
    char Current() const { return AtEnd() ? '\0' : text[pos]; }
    bool Sees(std::string_view word) const { return text.substr(pos).starts_with(word); }
    bool Take(std::string_view word)
    {
        if (!Sees(word)) {
            return false;
        }
        pos += word.size();
        return true;
    }
    // A letter, then letters, digits and '_'; empty when there is no letter.
    std::string Word()
    {
        const std::size_t start = pos;
        if (IsLetter(Current())) {
            while (IsWordChar(Current())) {
                ++pos;
            }
        }
        return std::string(text.substr(start, pos - start));
    }
    // What stands at the position, for a refusal.
    std::string Found() const
    {
        if (AtEnd()) {
            return "the end of the line";
        }
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte >= 0x80 || byte < 0x20) {
            constexpr std::string_view kHex = "0123456789ABCDEF";
            return std::string("byte 0x") + kHex[byte >> 4U] + kHex[byte & 0xFU];
        }
        return "'" + std::string(1, text[pos]) + "'";
    }
    [[noreturn]] void Fail(const std::string& expected) const
    {
        throw ParseError{pos, "expected " + expected + ", found " + Found()};
    }

    std::string_view text;
    std::size_t pos = 0;
};

// The optional "name(names) =" or "name =" before the body.
struct Head {
    std::string name = "f";
    bool hasNames = false;
    std::vector<std::string> names;
};

Head ParseHead(Scanner& s)
{
    const Scanner start = s;
    s.SkipBlanks();
    Head head;
    head.name = s.Word();
    s.SkipBlanks();
    if (head.name.empty()) {
        s = start;
        return {};
    }
    if (s.Take("(")) {
        bool comma = false;
        for (;;) {
            s.SkipBlanks();
            const std::size_t at = s.pos;
            std::string name = s.Word();
            if (name.empty()) {
                break;
            }
            if (std::find(head.names.begin(), head.names.end(), name) != head.names.end()) {
                throw ParseError{at, "variable '" + name + "' is named twice in the head"};
            }
            head.names.push_back(std::move(name));
            s.SkipBlanks();
            if (!s.Take(",")) {
                break;
            }
            comma = true;
        }
        s.SkipBlanks();
        const bool closed = s.Take(")");
        s.SkipBlanks();
        if (!closed || s.Current() != '=') {
            if (comma) {
                s.Fail(closed ? "'=' after the head" : "a name, ',' or ')' in the head");
            }
            s = start;
            return {};
        }
        head.hasNames = true;
    }
    if (!s.Take("=")) {
        s = start;
        return {};
    }
    return head;
}

// Which list a name or symbol at the position opens, if any: 'm'
// (minterms), 'M' (maxterms), 'd' (don't-cares) or 0. Moves past it.
char TakeListKind(Scanner& s)
{
    if (s.Take(kSigma) || s.Take(kNarySum) || s.Take(kPi) || s.Take(kNaryProd)) {
        const bool max = s.text[s.pos - 1] == kPi.back() || s.text[s.pos - 1] == kNaryProd.back();
        s.SkipBlanks();
        if (s.Current() == 'm' || s.Current() == 'M') {
            ++s.pos;
        }
        return max ? 'M' : 'm';
    }
    const Scanner start = s;
    std::string word = s.Word();
    std::transform(word.begin(), word.end(), word.begin(),
                   [](char c) { return static_cast<char>(c | 0x20); });
    if (word == "sum" || word == "prod") {
        Scanner look = s;
        look.SkipBlanks();
        if (look.Current() == 'm' || look.Current() == 'M') {
            ++look.pos;
        }
        look.SkipBlanks();
        if (look.Current() == '(') {
            s = look;
            return word == "sum" ? 'm' : 'M';
        }
    }
    if (word == "m" || word == "d") {
        Scanner look = s;
        look.SkipBlanks();
        if (look.Take("(")) {
            look.SkipBlanks();
            if (IsDigit(look.Current()) || look.Current() == ')' || look.Current() == ',') {
                return word[0];
            }
        }
    }
    s = start;
    return 0;
}

bool IsListAhead(Scanner s)
{
    s.SkipBlanks();
    return TakeListKind(s) != 0;
}

// A number with the byte offset where it was written.
struct Number {
    std::uint32_t value;
    std::size_t pos;
};

// "(numbers)": blanks anywhere, empty entries dropped.
void ParseNumbers(Scanner& s, std::vector<Number>& numbers)
{
    s.SkipBlanks();
    if (!s.Take("(")) {
        s.Fail("'('");
    }
    for (;;) {
        s.SkipBlanks();
        if (s.Take(")")) {
            return;
        }
        if (s.Take(",")) {
            continue;
        }
        if (!IsDigit(s.Current())) {
            s.Fail("a number, ',' or ')'");
        }
        const std::size_t at = s.pos;
        std::uint64_t value = 0;
        while (IsDigit(s.Current())) {
            value = value * 10 + static_cast<std::uint64_t>(s.Current() - '0');
            if (value > UINT32_MAX) {
                throw ParseError{at, "number larger than 4294967295"};
            }
            ++s.pos;
        }
        numbers.push_back({static_cast<std::uint32_t>(value), at});
        s.SkipBlanks();
        if (!s.Sees(",") && !s.Sees(")")) {
            s.Fail("',' or ')' after a number");
        }
    }
}

std::vector<std::uint32_t> SortedValues(const std::vector<Number>& numbers)
{
    std::vector<std::uint32_t> values;
    values.reserve(numbers.size());
    for (const Number& number : numbers) {
        values.push_back(number.value);
    }
    std::sort(values.begin(), values.end());
    values.erase(std::unique(values.begin(), values.end()), values.end());
    return values;
}

// Refuses a number that does not fit `n` variables.
void CheckRange(const std::vector<Number>& numbers, std::uint32_t n)
{
    for (const Number& number : numbers) {
        if (n < 32 && number.value >= (std::uint64_t{1} << n)) {
            throw ParseError{number.pos, std::to_string(number.value) + " is 2^" +
                                             std::to_string(n) + " or more (" + std::to_string(n) +
                                             (n == 1 ? " variable)" : " variables)")};
        }
    }
}

// `values` without the members of `remove`; both ascending.
std::vector<std::uint32_t> Without(const std::vector<std::uint32_t>& values,
                                   const std::vector<std::uint32_t>& remove)
{
    std::vector<std::uint32_t> kept;
    std::set_difference(values.begin(), values.end(), remove.begin(), remove.end(),
                        std::back_inserter(kept));
    return kept;
}

// The body as lists: "Σm(...) + d(...)", "ΠM(...)", "m(...)".
void ParseLists(Scanner& s, const Head& head, BooleanFunction& func)
{
    std::vector<Number> terms;
    std::vector<Number> dontCares;
    char form = 0;  // 'm' or 'M'
    for (;;) {
        s.SkipBlanks();
        const char kind = TakeListKind(s);
        if (kind == 0) {
            s.Fail("m(, M(, \xCE\xA3m(, \xCE\xA0M(, sum m(, prod M( or d(");
        }
        if (kind != 'd' && form != 0 && kind != form) {
            throw ParseError{s.pos, "a line mixes minterms and maxterms"};
        }
        if (kind != 'd') {
            form = kind;
        }
        ParseNumbers(s, kind == 'd' ? dontCares : terms);
        s.SkipBlanks();
        if (s.AtEnd()) {
            break;
        }
        if (!s.Take("+")) {
            s.Fail("'+' or the end of the line");
        }
    }
    std::uint32_t n = static_cast<std::uint32_t>(head.names.size());
    if (!head.hasNames) {
        std::uint32_t largest = 0;
        for (const auto* list : {&terms, &dontCares}) {
            for (const Number& number : *list) {
                largest = std::max(largest, number.value);
            }
        }
        n = std::max<std::uint32_t>(1, static_cast<std::uint32_t>(std::bit_width(largest)));
        if (n > 26) {
            throw ParseError{0, "a list without a head's names takes numbers below 2^26"};
        }
    }
    CheckRange(terms, n);
    CheckRange(dontCares, n);
    if (form == 'M' && n > kMaxExprVars) {
        throw ParseError{0, "a maxterm list takes at most " + std::to_string(kMaxExprVars) +
                                " variables, the function has " + std::to_string(n)};
    }
    BooleanFunction result;
    result.names = head.names;
    for (std::uint32_t i = 0; i < n && !head.hasNames; ++i) {
        result.names.emplace_back(1, static_cast<char>('a' + i));
    }
    result.dontCares = SortedValues(dontCares);
    std::vector<std::uint32_t> listed = SortedValues(terms);
    if (form == 'M') {
        std::vector<std::uint32_t> all(std::size_t{1} << n);
        for (std::size_t p = 0; p < all.size(); ++p) {
            all[p] = static_cast<std::uint32_t>(p);
        }
        listed = Without(all, listed);
    }
    result.minterms = Without(listed, result.dontCares);
    func = std::move(result);
}

// One node of an expression; children stand before their parents.
struct Node {
    enum class Op : std::uint8_t { kVar, kZero, kOne, kNot, kAnd, kOr, kXor };
    Op op;
    std::uint32_t a = 0;  // variable id, or the first operand
    std::uint32_t b = 0;  // the second operand
};

// Recursive descent over an expression, building its nodes.
class ExprParser {
public:
    ExprParser(Scanner& s, const Head& head) : s(s)
    {
        split = !head.hasNames ||
                std::all_of(head.names.begin(), head.names.end(), [](const std::string& name) {
                    return std::all_of(name.begin() + 1, name.end(), IsDigit);
                });
    }

    void Parse()
    {
        Or(true);
        s.SkipBlanks();
        if (s.Current() == ')') {
            throw ParseError{s.pos, "')' without its '('"};
        }
        if (!s.AtEnd()) {
            s.Fail("an operator or the end of the line");
        }
    }

    std::vector<Node> nodes;
    std::map<std::string, std::size_t> names;  // name, byte offset of its first use
    std::vector<std::string> ids;              // names by variable id
    std::vector<Number> dontCares;
    bool split = true;

private:
    std::uint32_t Add(Node::Op op, std::uint32_t a = 0, std::uint32_t b = 0)
    {
        if (nodes.size() == kMaxNodes) {
            throw ParseError{s.pos, "expression longer than " + std::to_string(kMaxNodes) +
                                        " operators and operands"};
        }
        nodes.push_back({op, a, b});
        return static_cast<std::uint32_t>(nodes.size() - 1);
    }

    std::uint32_t Or(bool top)
    {
        std::uint32_t left = Xor();
        for (;;) {
            s.SkipBlanks();
            if (!(s.Take("+") || s.Take("|") || s.Take(kVee))) {
                return left;
            }
            if (top && IsListAhead(s)) {
                s.SkipBlanks();
                if (TakeListKind(s) != 'd') {
                    s.Fail("an expression or d(");
                }
                ParseNumbers(s, dontCares);
                return left;
            }
            left = Add(Node::Op::kOr, left, Xor());
        }
    }

    std::uint32_t Xor()
    {
        std::uint32_t left = And();
        for (;;) {
            s.SkipBlanks();
            if (!(s.Take("^") || s.Take(kOplus))) {
                return left;
            }
            left = Add(Node::Op::kXor, left, And());
        }
    }

    bool StartsFactor() const
    {
        const char c = s.Current();
        return IsLetter(c) || c == '0' || c == '1' || c == '(' || c == '!' || c == '~' ||
               s.Sees(kNot);
    }

    std::uint32_t And()
    {
        std::uint32_t left = Unary();
        for (;;) {
            s.SkipBlanks();
            const bool explicitAnd = s.Take("&") || s.Take("*") || s.Take(kDot) || s.Take(kWedge);
            if (!explicitAnd && !StartsFactor()) {
                return left;
            }
            left = Add(Node::Op::kAnd, left, Unary());
        }
    }

    void Deeper()
    {
        if (++depth > kMaxExprDepth) {
            throw ParseError{s.pos, "nesting deeper than " + std::to_string(kMaxExprDepth)};
        }
    }

    std::uint32_t Unary()
    {
        s.SkipBlanks();
        if (s.Take("!") || s.Take("~") || s.Take(kNot)) {
            Deeper();
            const std::uint32_t operand = Unary();
            --depth;
            return Add(Node::Op::kNot, operand);
        }
        std::uint32_t node = Primary();
        while (s.Take("'") || s.Take(kQuote)) {
            node = Add(Node::Op::kNot, node);
        }
        return node;
    }

    std::uint32_t Primary()
    {
        s.SkipBlanks();
        if (s.Take("(")) {
            Deeper();
            const std::uint32_t inner = Or(false);
            --depth;
            s.SkipBlanks();
            if (!s.Take(")")) {
                s.Fail("an operator or ')'");
            }
            return inner;
        }
        if (s.Current() == '0' || s.Current() == '1') {
            const char c = s.Current();
            ++s.pos;
            if (IsDigit(s.Current())) {
                throw ParseError{s.pos - 1, "a constant is 0 or 1"};
            }
            return Add(c == '0' ? Node::Op::kZero : Node::Op::kOne);
        }
        if (!IsLetter(s.Current())) {
            s.Fail("a variable, 0, 1, '(' or a negation");
        }
        return Add(Node::Op::kVar, Variable());
    }

    // The id of the variable at the position: one letter and its digits when
    // words are split, else the whole word.
    std::uint32_t Variable()
    {
        const std::size_t at = s.pos;
        std::string name;
        if (split) {
            name.push_back(s.Current());
            ++s.pos;
            while (IsDigit(s.Current())) {
                name.push_back(s.Current());
                ++s.pos;
            }
        } else {
            name = s.Word();
        }
        const auto found = std::find(ids.begin(), ids.end(), name);
        if (found != ids.end()) {
            return static_cast<std::uint32_t>(found - ids.begin());
        }
        names.emplace(name, at);
        ids.push_back(std::move(name));
        return static_cast<std::uint32_t>(ids.size() - 1);
    }

    Scanner& s;
    std::uint32_t depth = 0;
};

// Natural order: digit runs compare by value, so x2 comes before x10.
bool NaturalLess(const std::string& x, const std::string& y)
{
    std::size_t i = 0;
    std::size_t j = 0;
    while (i < x.size() && j < y.size()) {
        if (IsDigit(x[i]) && IsDigit(y[j])) {
            const std::size_t iEnd = x.find_first_not_of("0123456789", i);
            const std::size_t jEnd = y.find_first_not_of("0123456789", j);
            std::string_view a = std::string_view(x).substr(i, iEnd - i);
            std::string_view b = std::string_view(y).substr(j, jEnd - j);
            a.remove_prefix(std::min(a.find_first_not_of('0'), a.size()));
            b.remove_prefix(std::min(b.find_first_not_of('0'), b.size()));
            if (a.size() != b.size() || a != b) {
                return a.size() != b.size() ? a.size() < b.size() : a < b;
            }
            i = iEnd == std::string::npos ? x.size() : iEnd;
            j = jEnd == std::string::npos ? y.size() : jEnd;
            continue;
        }
        if (x[i] != y[j]) {
            return x[i] < y[j];
        }
        ++i;
        ++j;
    }
    return x.size() - i < y.size() - j || (x.size() - i == y.size() - j && x < y);
}

// The value of variable `k` of `n` (0 most significant) on the 64 points of block `block`.
std::uint64_t VariableWord(std::uint32_t n, std::uint32_t k, std::uint64_t block)
{
    constexpr std::array<std::uint64_t, 6> kPatterns = {
        0xAAAAAAAAAAAAAAAAULL, 0xCCCCCCCCCCCCCCCCULL, 0xF0F0F0F0F0F0F0F0ULL,
        0xFF00FF00FF00FF00ULL, 0xFFFF0000FFFF0000ULL, 0xFFFFFFFF00000000ULL};
    const std::uint32_t bit = n - 1 - k;
    if (bit < 6) {
        return kPatterns[bit];
    }
    return ((block >> (bit - 6)) & 1U) != 0 ? ~std::uint64_t{0} : 0;
}

// The points where the expression is 1, ascending; `order[id]` is the
// variable's place.
std::vector<std::uint32_t> Evaluate(const std::vector<Node>& nodes,
                                    const std::vector<std::uint32_t>& order, std::uint32_t n)
{
    const std::uint64_t points = std::uint64_t{1} << n;
    const std::uint64_t blocks = std::max<std::uint64_t>(1, points / 64);
    const std::uint64_t valid = points >= 64 ? ~std::uint64_t{0} : (std::uint64_t{1} << points) - 1;
    std::vector<std::uint64_t> value(nodes.size());
    std::vector<std::uint32_t> ones;
    for (std::uint64_t block = 0; block < blocks; ++block) {
        for (std::size_t i = 0; i < nodes.size(); ++i) {
            const Node& node = nodes[i];
            switch (node.op) {
                case Node::Op::kVar:
                    value[i] = VariableWord(n, order[node.a], block);
                    break;
                case Node::Op::kZero:
                    value[i] = 0;
                    break;
                case Node::Op::kOne:
                    value[i] = ~std::uint64_t{0};
                    break;
                case Node::Op::kNot:
                    value[i] = ~value[node.a];
                    break;
                case Node::Op::kAnd:
                    value[i] = value[node.a] & value[node.b];
                    break;
                case Node::Op::kOr:
                    value[i] = value[node.a] | value[node.b];
                    break;
                case Node::Op::kXor:
                    value[i] = value[node.a] ^ value[node.b];
                    break;
            }
        }
        std::uint64_t word = value.back() & valid;
        while (word != 0) {
            ones.push_back(static_cast<std::uint32_t>(block * 64 + std::countr_zero(word)));
            word &= word - 1;
        }
    }
    return ones;
}

// The body as an expression.
void ParseExpr(Scanner& s, const Head& head, BooleanFunction& func)
{
    ExprParser parser(s, head);
    parser.Parse();
    std::vector<std::string> names = head.names;
    if (head.hasNames) {
        for (const auto& [name, at] : parser.names) {
            if (std::find(names.begin(), names.end(), name) == names.end()) {
                throw ParseError{at, "variable '" + name + "' is not in the head"};
            }
        }
    } else {
        names = parser.ids;
        std::sort(names.begin(), names.end(), NaturalLess);
    }
    const auto n = static_cast<std::uint32_t>(names.size());
    if (n > kMaxExprVars) {
        throw ParseError{0, "an expression takes at most " + std::to_string(kMaxExprVars) +
                                " variables, this one has " + std::to_string(n)};
    }
    if (parser.nodes.size() * (std::uint64_t{1} << n) > kMaxExprWork) {
        throw ParseError{
            0, "expression too large to evaluate: " + std::to_string(parser.nodes.size()) +
                   " operators and operands over " + std::to_string(n) + " variables"};
    }
    CheckRange(parser.dontCares, n);
    std::vector<std::uint32_t> order(parser.ids.size());
    for (std::size_t id = 0; id < order.size(); ++id) {
        order[id] = static_cast<std::uint32_t>(
            std::find(names.begin(), names.end(), parser.ids[id]) - names.begin());
    }
    BooleanFunction result;
    result.dontCares = SortedValues(parser.dontCares);
    result.minterms = Without(Evaluate(parser.nodes, order, n), result.dontCares);
    result.names = std::move(names);
    func = std::move(result);
}

}  // namespace

bool IsTermList(std::string_view text)
{
    Scanner s(text);
    try {
        ParseHead(s);
    } catch (const ParseError&) {
        return false;
    }
    return IsListAhead(s);
}

ReadResult ParseExpressionLine(std::string_view text, std::uint64_t line, BooleanFunction& func,
                               std::string& name)
{
    ReadResult result;
    result.line = line;
    Scanner s(text);
    try {
        const Head head = ParseHead(s);
        s.SkipBlanks();
        if (s.AtEnd()) {
            s.Fail("an expression or a list of minterms");
        }
        BooleanFunction read;
        if (IsListAhead(s)) {
            ParseLists(s, head, read);
        } else {
            ParseExpr(s, head, read);
        }
        func = std::move(read);
        name = head.name;
        result.accepted = true;
    } catch (const ParseError& error) {
        result.column = error.pos + 1;
        result.reason = error.reason;
    }
    return result;
}

ReadResult ReadExpression(std::istream& in, BooleanFunction& func, std::string& name,
                          std::uint64_t firstLine)
{
    LineReader lines(in);
    Line line;
    const LineReader::Status status = lines.Next(line);
    ReadResult result;
    result.line = firstLine;
    switch (status) {
        case LineReader::Status::kReadError:
            result.readError = lines.error();
            return result;
        case LineReader::Status::kEnd:
            result.atEnd = true;
            result.reason = "expected a function, found the end of the input";
            return result;
        case LineReader::Status::kTooLong:
            result.column = kMaxLineLength + 1;
            result.reason = "line longer than " + std::to_string(kMaxLineLength) + " bytes";
            return result;
        case LineReader::Status::kLine:
            break;
    }
    return ParseExpressionLine(line.text, firstLine, func, name);
}

}  // namespace qmsop
