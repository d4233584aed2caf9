#include "function.h"

#include <cctype>
#include <charconv>
#include <istream>
#include <iterator>
#include <ostream>
#include <streambuf>

#include "unumstack.h"

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

bool IsTokenChar(int c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

constexpr int kEnd = std::char_traits<char>::eof();

// The grammar, one step after another, over the stream's buffer. Every step
// returns false at the first refusal, after recording where and why.
class Reader {
public:
    explicit Reader(std::istream& in) : in(in), buf(in.rdbuf()) {}

    bool Function(NameStack& names, UNumStack& minterms, UNumStack& dontCares)
    {
        return Keyword('f', "expected 'f'") && Char('(', "expected '(' after 'f'") &&
               List("name list", [&](const std::string& t) { names.Push(t); }) &&
               Char('=', "expected '='") && Keyword('m', "expected 'm'") &&
               Char('(', "expected '(' after 'm'") &&
               List("minterm list", [&](const std::string& t) { minterms.Push(TokenValue(t)); }) &&
               DontCarePart(dontCares);
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
        return Keyword('d', "expected 'd'") && Char('(', "expected '(' after 'd'") &&
               List("don't-care list",
                    [&](const std::string& t) { dontCares.Push(TokenValue(t)); });
    }

    // Reads one character, remembering its position for a refusal.
    int Next()
    {
        const int c = buf != nullptr ? buf->sbumpc() : kEnd;
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

    // Consumes spaces and tabs; the first other character stays unread.
    void Skip()
    {
        while (buf != nullptr && IsBlank(buf->sgetc())) {
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
        Skip();
        std::string token;
        for (;;) {
            const int c = Next();
            if (IsTokenChar(c)) {
                if (token.size() == kMaxTokenLength) {
                    return Refuse(c, "token longer than 62 characters");
                }
                token.push_back(static_cast<char>(c));
            } else if (c == ',' || c == ')') {
                if (!token.empty()) {
                    store(token);
                    token.clear();
                }
                if (c == ')') {
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

    bool Refuse(int c, std::string expected)
    {
        result.accepted = false;
        result.atEnd = c == kEnd;
        result.line = charLine;
        result.column = charColumn;
        result.expected = std::move(expected);
        return false;
    }

    std::istream& in;
    std::streambuf* buf;
    std::uint64_t line = 1;
    std::uint64_t column = 1;
    std::uint64_t charLine = 1;
    std::uint64_t charColumn = 1;
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

ReadResult ReadFunction(std::istream& in, BooleanFunction& func)
{
    NameStack names;
    UNumStack minterms;
    UNumStack dontCares;
    Reader reader(in);
    if (!reader.Function(names, minterms, dontCares)) {
        return reader.result;
    }
    func.names.assign(names.count(), std::string());
    for (std::size_t i = func.names.size(); i > 0; --i) {
        func.names[i - 1] = names.Pop();
    }
    func.minterms = Drain(minterms);
    func.dontCares = Drain(dontCares);
    reader.result.accepted = true;
    return reader.result;
}

std::string DescribeRefusal(const ReadResult& result)
{
    std::string text = "input refused at ";
    if (result.atEnd) {
        text += "end of input";
    } else {
        text += "line " + std::to_string(result.line) + ", column " + std::to_string(result.column);
    }
    return text + ": " + result.expected;
}

std::istream& operator>>(std::istream& in, BooleanFunction& func)
{
    ReadFunction(in, func);
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

std::ostream& operator<<(std::ostream& out, const BooleanFunction& func)
{
    std::string text;
    AppendFunctionHead(text, func.names);
    text += " = m(";
    AppendNumberList(text, func.minterms);
    text += ") + d(";
    AppendNumberList(text, func.dontCares);
    text += ')';
    return out.write(text.data(), static_cast<std::streamsize>(text.size()));
}

void AppendFunctionHead(std::string& text, const std::vector<std::string>& names)
{
    text += "f(";
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (i != 0) {
            text += ',';
        }
        text += names[i];
    }
    text += ')';
}

}  // namespace qmsop
