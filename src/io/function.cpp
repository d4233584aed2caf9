// SPDX-License-Identifier: MIT
#include "io/function.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <istream>
#include <iterator>
#include <ostream>
#include <streambuf>
#include <string_view>

#include "base/unumstack.h"

namespace qmsop {

void NameStack::Push(const std::string& name)
{
    starts.push_back(chars.size());
    chars += name;
}

std::string NameStack::Pop()
{
    if (starts.empty()) {
        return {};
    }
    std::string name = chars.substr(starts.back());
    chars.resize(starts.back());
    starts.pop_back();
    return name;
}

std::uint32_t TokenValue(const std::string& token)
{
    std::uint32_t value = 0;
    for (const char c : token) {
        if (c < '0' || c > '9') {
            break;
        }
        value = value * 10u + static_cast<std::uint32_t>(c - '0');  // wraps modulo 2^32
    }
    return value;
}

namespace {

bool IsBlank(int c)
{
    return c == ' ' || c == '\t';
}

bool IsDigit(int c)
{
    return c >= '0' && c <= '9';
}

bool IsTokenChar(int c)
{
    return IsDigit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr int kEnd = std::char_traits<char>::eof();

std::string HexByte(int c)
{
    constexpr char kDigits[] = "0123456789ABCDEF";
    std::string text = "byte 0x";
    text += kDigits[(c >> 4) & 0xF];
    text += kDigits[c & 0xF];
    return text;
}

// Names a character that the grammar refused, as a user would see it.
// `next` is the byte after it (kEnd when unknown); `atLineStart` tells that
// it stands in column 1.
std::string DescribeFound(int c, int next, bool atLineStart)
{
    switch (c) {
        case '\r':
            return "a carriage return (Windows line end?)";
        case '\n':
            return atLineStart ? "an empty line" : "the end of the line";
        case '\v':
            return "a vertical tab";
        case '\f':
            return "a form feed";
        case '\0':
            return "a NUL byte";
        case 0xEF:
            return HexByte(c) + " (a UTF-8 byte order mark?)";
        case 0xC2:
            if (next == 0xA0) {
                return "a non-breaking space";
            }
            break;
        default:
            if (c >= 0x21 && c < 0x7F) {
                return std::string("'") + static_cast<char>(c) + "'";
            }
            break;
    }
    return HexByte(c);
}

std::string Quoted(const std::string& token)
{
    return "'" + token + "'";
}

// The warning for a number token that is not plainly a number of 32 bits,
// or an empty string.
std::string NumberTokenWarning(const std::string& token)
{
    if (!IsDigit(static_cast<unsigned char>(token.front()))) {
        return Quoted(token) + " is not a number; read as 0";
    }
    const auto digits = static_cast<std::size_t>(
        std::find_if(token.begin(), token.end(), [](char c) { return !IsDigit(c); }) -
        token.begin());
    std::string text;
    if (digits < token.size()) {
        text = Quoted(token) + " has trailing letters; read as ";
        AppendNumber(text, TokenValue(token));
        return text;
    }
    const auto first = token.find_first_not_of('0');
    const bool wide = first != std::string::npos &&
                      (digits - first > 10 ||
                       (digits - first == 10 && token.compare(first, 10, "4294967295") > 0));
    if (wide) {
        text = "number " + token.substr(first) + " is 2^32 or more; read modulo 2^32 as ";
        AppendNumber(text, TokenValue(token));
    }
    return text;
}

// The grammar, one step after another, over the stream's buffer. Every step
// returns false at the first refusal, after recording where and why. A
// failing stream buffer (it throws on a read error) ends the read as a
// refusal at the end of the input, with the system's reason.
class Reader {
public:
    Reader(std::istream& in, std::uint64_t firstLine)
        : in(in), buf(in.rdbuf()), line(firstLine), charLine(firstLine)
    {
        result.line = firstLine;
    }

    // Reads the whole function; false at the first refusal.
    bool Function(NameStack& names, UNumStack& minterms, UNumStack& dontCares)
    {
        const bool read =
            Keyword('f', "expected 'f'") && Char('(', "expected '(' after 'f'") &&
            List("name list", [&](const std::string& t) { names.Push(t); }) &&
            Char('=', "expected '='") && MintermKeyword() && Char('(', "expected '(' after 'm'") &&
            List("minterm list",
                 [&](const std::string& t) { minterms.Push(Number(t, "minterm")); }) &&
            DontCarePart(dontCares);
        return read;
    }

    ReadResult result;

private:
    bool DontCarePart(UNumStack& dontCares)
    {
        Skip();
        const int c = Next();
        if (c == '\n') {
            return true;
        }
        if (c != '+') {
            return Refuse(c, "expected a newline or '+' after the minterm list");
        }
        mintermValues = std::move(seenMinterms);
        std::sort(mintermValues.begin(), mintermValues.end());
        return Keyword('d', "expected 'd'") && Char('(', "expected '(' after 'd'") &&
               List("don't-care list",
                    [&](const std::string& t) { dontCares.Push(Number(t, "don't-care")); }) &&
               RestOfLine();
    }

    // Reads up to and including the end of the line that holds the closing
    // parenthesis; text there is ignored with a warning.
    bool RestOfLine()
    {
        bool warned = false;
        for (;;) {
            const int c = Peek();
            if (c == kEnd) {
                return !failed;
            }
            Next();
            if (c == '\n') {
                return true;
            }
            if (!warned && !IsBlank(c) && !(c == '\r' && Peek() == '\n')) {
                Warn("text after the function is ignored");
                warned = true;
            }
        }
    }

    // The value of a number token, with its warnings; the token's position
    // is that of its first character.
    std::uint32_t Number(const std::string& token, const char* kind)
    {
        const std::uint32_t value = TokenValue(token);
        std::string warning = NumberTokenWarning(token);
        if (warning.empty() && numVarsKnown < 32 && value >= (std::uint64_t{1} << numVarsKnown)) {
            warning = std::string(kind) + " ";
            AppendNumber(warning, value);
            warning += " is 2^";
            AppendNumber(warning, numVarsKnown);
            warning += numVarsKnown == 1 ? " or more (1 variable)" : " or more (";
            if (numVarsKnown != 1) {
                AppendNumber(warning, numVarsKnown);
                warning += " variables)";
            }
        }
        if (warning.empty() && !mintermValues.empty() &&
            std::binary_search(mintermValues.begin(), mintermValues.end(), value)) {
            warning = std::to_string(value) + " is both a minterm and a don't-care";
        }
        if (!warning.empty()) {
            WarnAt(tokenColumn, std::move(warning));
        }
        if (inMinterms) {
            seenMinterms.push_back(value);
        }
        return value;
    }

public:
    // Warns at the second and later uses of a variable name. O(n log n).
    void FindRepeatedNames(const std::vector<std::string>& nameTexts)
    {
        std::vector<std::uint32_t> order(nameTexts.size());
        for (std::uint32_t i = 0; i < order.size(); ++i) {
            order[i] = i;
        }
        std::stable_sort(order.begin(), order.end(), [&](std::uint32_t a, std::uint32_t b) {
            return nameTexts[a] < nameTexts[b];
        });
        std::vector<std::uint32_t> repeated;  // positions in the name list
        for (std::size_t k = 1; k < order.size(); ++k) {
            if (nameTexts[order[k]] == nameTexts[order[k - 1]]) {
                repeated.push_back(order[k]);
            }
        }
        std::sort(repeated.begin(), repeated.end());
        // The names come first in the line, so their warnings come first.
        std::vector<Diagnostic> warnings;
        for (const std::uint32_t i : repeated) {
            if (warnings.size() == kMaxWarnings) {
                ++result.moreWarnings;
                continue;
            }
            warnings.push_back(
                {nameLine, nameColumns[i], "variable " + Quoted(nameTexts[i]) + " is named twice"});
        }
        for (auto& warning : result.warnings) {
            if (warnings.size() == kMaxWarnings) {
                ++result.moreWarnings;
                continue;
            }
            warnings.push_back(std::move(warning));
        }
        result.warnings = std::move(warnings);
    }

private:
    int Peek()
    {
        if (buf == nullptr || failed) {
            return kEnd;
        }
        try {
            return buf->sgetc();
        } catch (const std::ios_base::failure& error) {
            Fail(error);
            return kEnd;
        }
    }

    // Reads one character, remembering its position for a refusal.
    int Next()
    {
        int c = kEnd;
        if (buf != nullptr && !failed) {
            try {
                c = buf->sbumpc();
            } catch (const std::ios_base::failure& error) {
                Fail(error);
            }
        }
        if (c == kEnd) {
            in.setstate(std::ios::eofbit);
            return kEnd;
        }
        charLine = line;
        charColumn = column;
        if (c == '\n') {
            ++line;
            column = 1;
        } else {
            ++column;
        }
        return c;
    }

    void Fail(const std::ios_base::failure& error)
    {
        failed = true;
        in.setstate(std::ios::badbit);
        const std::string reason = error.code().message();
        result.readError = reason.empty() ? "read error" : reason;
    }

    // Consumes spaces and tabs; the first other character stays unread.
    void Skip()
    {
        while (IsBlank(Peek())) {
            Next();
        }
    }

    bool Keyword(char letter, const char* expected)
    {
        Skip();
        const int c = Next();
        if (c == kEnd || std::tolower(c) != letter) {
            return Refuse(c, expected);
        }
        keyword = c;
        return true;
    }

    // The m of the minterm list; a capital M, which textbooks write for a
    // product of maxterms, is read as m with a warning.
    bool MintermKeyword()
    {
        if (!Keyword('m', "expected 'm'")) {
            return false;
        }
        if (keyword == 'M') {
            Warn("M(...) is read as a list of minterms, as m(...) is, not of maxterms");
        }
        return true;
    }

    bool Char(char wanted, const char* expected)
    {
        Skip();
        const int c = Next();
        return c == wanted ? true : Refuse(c, expected);
    }

    template <typename Store>
    bool List(const char* listName, Store store)
    {
        const bool names = std::string_view(listName) == "name list";
        inMinterms = std::string_view(listName) == "minterm list";
        Skip();
        std::string token;
        for (;;) {
            const int c = Next();
            if (IsTokenChar(c)) {
                if (token.size() == kMaxTokenLength) {
                    return Refuse(
                        c, "token longer than " + std::to_string(kMaxTokenLength) + " characters");
                }
                if (token.empty()) {
                    tokenColumn = charColumn;
                }
                token.push_back(static_cast<char>(c));
            } else if (c == ',' || c == ')') {
                if (!token.empty()) {
                    if (names) {
                        nameColumns.push_back(tokenColumn);
                        nameLine = charLine;
                        numVarsKnown = static_cast<std::uint64_t>(nameColumns.size());
                    }
                    store(token);
                    token.clear();
                }
                if (c == ')') {
                    inMinterms = false;
                    return true;
                }
            } else if (IsBlank(c)) {
                return Refuse(c, "blank inside a list");
            } else {
                return Refuse(
                    c, std::string("expected a letter, a digit, ',' or ')' in the ") + listName);
            }
        }
    }

    void Warn(std::string message) { WarnAt(charColumn, std::move(message)); }
    void WarnAt(std::uint64_t at, std::string message)
    {
        if (result.warnings.size() < kMaxWarnings) {
            result.warnings.push_back({charLine, at, std::move(message)});
        } else {
            ++result.moreWarnings;
        }
    }

    bool Refuse(int c, std::string reason)
    {
        result.accepted = false;
        result.atEnd = c == kEnd;
        result.line = charLine;
        result.column = charColumn;
        if (c != kEnd && reason.rfind("expected", 0) == 0) {
            reason += ", found " + DescribeFound(c, c == 0xC2 ? Peek() : kEnd, charColumn == 1);
        }
        result.reason = std::move(reason);
        return false;
    }

    std::istream& in;
    std::streambuf* buf;
    bool failed = false;
    std::uint64_t line;
    std::uint64_t column = 1;
    std::uint64_t charLine;
    std::uint64_t charColumn = 1;
    // For the warnings.
    std::uint64_t tokenColumn = 1;
    std::uint64_t numVarsKnown = 0;
    std::vector<std::uint64_t> nameColumns;
    std::uint64_t nameLine = 1;
    bool inMinterms = false;
    int keyword = 0;  // the last keyword letter read, as typed
    std::vector<std::uint32_t> seenMinterms;
    std::vector<std::uint32_t> mintermValues;
};

std::vector<std::uint32_t> Drain(UNumStack& stack)
{
    std::vector<std::uint32_t> values(stack.numItems());
    for (std::size_t i = values.size(); i > 0; --i) {
        values[i - 1] = stack.Pop();
    }
    return values;
}

}  // namespace

ReadResult ReadFunction(std::istream& in, BooleanFunction& func, std::uint64_t firstLine)
{
    NameStack names;
    UNumStack minterms;
    UNumStack dontCares;
    Reader reader(in, firstLine);
    if (!reader.Function(names, minterms, dontCares)) {
        reader.result.warnings.clear();
        reader.result.moreWarnings = 0;
        return reader.result;
    }
    func.names.assign(names.count(), std::string());
    for (std::size_t i = func.names.size(); i > 0; --i) {
        func.names[i - 1] = names.Pop();
    }
    func.minterms = Drain(minterms);
    func.dontCares = Drain(dontCares);
    reader.FindRepeatedNames(func.names);
    reader.result.accepted = true;
    return reader.result;
}

bool RefuseFirstWarning(ReadResult& read)
{
    if (!read.accepted || read.warnings.empty()) {
        return false;
    }
    const Diagnostic& first = read.warnings.front();
    read.accepted = false;
    read.atEnd = false;
    read.line = first.line;
    read.column = first.column;
    read.reason = first.message + " (refused by --strict)";
    return true;
}

std::string DescribeRefusal(const ReadResult& result)
{
    std::string text = "input refused at ";
    if (result.atEnd) {
        text += "end of input";
    } else {
        text += "line " + std::to_string(result.line) + ", column " + std::to_string(result.column);
    }
    return text + ": " + result.reason;
}

std::istream& operator>>(std::istream& in, BooleanFunction& func)
{
    if (!ReadFunction(in, func).accepted) {
        in.setstate(std::ios::failbit);
    }
    return in;
}

void AppendNumber(std::string& text, std::uint64_t value)
{
    char digits[24];
    const auto result = std::to_chars(std::begin(digits), std::end(digits), value);
    text.append(digits, result.ptr);
}

void AppendNumberList(std::string& text, std::span<const std::uint32_t> numbers)
{
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        if (i != 0) {
            text += ',';
        }
        AppendNumber(text, numbers[i]);
    }
}

void AppendFunctionHead(std::string& text, const FunctionHead& head,
                        const std::vector<std::string>& names)
{
    text += head.name;
    if (head.complement) {
        text += '\'';
    }
    text += '(';
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i != 0) {
            text += ',';
        }
        text += names[i];
    }
    text += ')';
}

void AppendEchoLine(std::string& text, const BooleanFunction& func, const FunctionHead& head)
{
    AppendFunctionHead(text, head, func.names);
    text += " = m(";
    AppendNumberList(text, func.minterms);
    text += ") + d(";
    AppendNumberList(text, func.dontCares);
    text += ')';
}

std::ostream& operator<<(std::ostream& out, const BooleanFunction& func)
{
    std::string text;
    AppendEchoLine(text, func, {});
    return out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

}  // namespace qmsop
