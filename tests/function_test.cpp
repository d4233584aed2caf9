// SPDX-License-Identifier: MIT
// The reader (ReadFunction, operator>>) and the echo line (operator<<) of
// BooleanFunction, driven through string streams.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <ios>
#include <sstream>
#include <streambuf>
#include <string>
#include <system_error>
#include <vector>

#include "io/function.h"

namespace {

using namespace std::string_literals;
using qmsop::BooleanFunction;
using qmsop::ReadResult;

const std::string kEmptyEcho = "f() = m() + d()";

std::string Echo(const BooleanFunction& func)
{
    std::ostringstream out;
    out << func;
    return out.str();
}

// The characters the reader left in the stream.
std::string Rest(std::istringstream& in)
{
    in.clear();
    std::ostringstream rest;
    rest << in.rdbuf();
    return rest.str();
}

void ExpectEmpty(const BooleanFunction& func)
{
    EXPECT_EQ(func.numVars(), 0u);
    EXPECT_EQ(func.numMinterms(), 0u);
    EXPECT_EQ(func.numDontCares(), 0u);
    EXPECT_TRUE(func.names.empty());
    EXPECT_TRUE(func.minterms.empty());
    EXPECT_TRUE(func.dontCares.empty());
}

void ExpectCountsMatchArrays(const BooleanFunction& func)
{
    EXPECT_EQ(func.numVars(), func.names.size());
    EXPECT_EQ(func.numMinterms(), func.minterms.size());
    EXPECT_EQ(func.numDontCares(), func.dontCares.size());
}

// One input line: whether the reader takes it, and the echo line that follows.
struct ReadCase {
    std::string label;  // test name suffix
    std::string input;
    bool accepted;
    std::string echo;  // kEmptyEcho for every refused input
};

void PrintTo(const ReadCase& c, std::ostream* os)
{
    *os << ::testing::PrintToString(c.input);
}

ReadCase Accept(std::string label, std::string input, std::string echo)
{
    return {std::move(label), std::move(input), true, std::move(echo)};
}

ReadCase Refuse(std::string label, std::string input)
{
    return {std::move(label), std::move(input), false, kEmptyEcho};
}

class ReadAndEcho : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ReadAndEcho, AcceptsOrRefusesAndEchoes)
{
    const ReadCase& c = GetParam();
    std::istringstream in(c.input);
    BooleanFunction func;
    const ReadResult result = qmsop::ReadFunction(in, func);
    EXPECT_EQ(result.accepted, c.accepted) << qmsop::DescribeRefusal(result);
    EXPECT_EQ(Echo(func), c.echo);
    if (c.accepted) {
        ExpectCountsMatchArrays(func);
    } else {
        ExpectEmpty(func);
    }

    // The operator form reads the same way and hands back the same stream.
    std::istringstream again(c.input);
    BooleanFunction viaOperator;
    EXPECT_EQ(&(again >> viaOperator), &again);
    EXPECT_EQ(Echo(viaOperator), c.echo);
}

std::string CaseName(const ::testing::TestParamInfo<ReadCase>& info)
{
    return info.param.label;
}

// The echo table of the function record, each input followed by a newline.
INSTANTIATE_TEST_SUITE_P(
    EchoExamples, ReadAndEcho,
    ::testing::Values(
        Accept("Canonical", "f(a,b,c) = m(1,3,5,7) + d(0)\n", "f(a,b,c) = m(1,3,5,7) + d(0)"),
        Accept("UpperKeywordsBlankAfterParen", "F( X1,y)=M(3)\n", "f(X1,y) = m(3) + d()"),
        Accept("NumberTokensWithLetters", "f(a,b)=m(01,2x,x2,,)\n", "f(a,b) = m(1,2,0) + d()"),
        Accept("EmptyTokensDropped", "f(,a,,b,)=m(,)\n", "f(a,b) = m() + d()"),
        Accept("DigitNamesAndDuplicates", "f(1,2)=m(3,3)\n", "f(1,2) = m(3,3) + d()"),
        Accept("BlanksAroundSigns", "f(a)  =  m(5)+D( 7,6)\n", "f(a) = m(5) + d(7,6)"),
        Refuse("BlankInsideList", "f(a,b)=m(1, 2)\n")),
    CaseName);

INSTANTIATE_TEST_SUITE_P(
    Grammar, ReadAndEcho,
    ::testing::Values(
        // Where a skip is made: any run of spaces and tabs, before and after
        // every keyword, sign and opening parenthesis.
        Accept("SpacesAndTabsInEverySkip",
               " \t f \t( \ta)\t = \t m \t (\t \t1) \t + \t d \t ( \t2)", "f(a) = m(1) + d(2)"),
        Accept("BlanksBeforeNewline", "f(a)=m(1) \t \n", "f(a) = m(1) + d()"),
        Accept("AllUpperCase", "F(A,a)=M(1)+D(0)\n", "f(A,a) = m(1) + d(0)"),
        Accept("NamesKeepCaseAndMayRepeat", "f(Ab,aB,Ab)=m()\n", "f(Ab,aB,Ab) = m() + d()"),
        Accept("NumberInBothLists", "f(a)=m(1)+d(1,1)\n", "f(a) = m(1) + d(1,1)"),
        Accept("NoNamesNoMinterms", "f()=m()\n", kEmptyEcho),
        Accept("NoNamesWithMinterms", "f()=m(1)\n", "f() = m(1) + d()"),
        Accept("EmptyDontCareList", "f(a)=m(1)+d()", "f(a) = m(1) + d()"),
        Accept("OnlyCommas", "f(,,,)=m(,,)+d(,)", kEmptyEcho),
        Accept("LargestNumbers", "f(a)=m(4294967295)+d(4294967296)\n",
               "f(a) = m(4294967295) + d(0)"),
        // Blanks where no skip is made.
        Refuse("BlankBeforeCommaInNames", "f(a ,b)=m()\n"),
        Refuse("BlankAfterCommaInNames", "f(a, b)=m()\n"),
        Refuse("BlankBeforeCloseInNames", "f(a )=m()\n"),
        Refuse("BlankBeforeCommaInMinterms", "f(a)=m(1 ,2)\n"),
        Refuse("BlankBeforeCloseInMinterms", "f(a)=m(1 )\n"),
        Refuse("BlankInDontCares", "f(a)=m(1)+d(2, 3)\n"),
        Refuse("TabInsideList", "f(a)=m(1,\t2)\n"),
        Refuse("BlankAfterTokenAmongEmptyTokens", "f(a)=m(,1 ,)\n"),
        // Characters out of place.
        Refuse("WrongFunctionLetter", "g(a)=m(1)\n"), Refuse("BracketForParen", "f[a]=m(1)\n"),
        Refuse("MissingEquals", "f(a)m(1)\n"), Refuse("WrongMintermLetter", "f(a)=n(1)\n"),
        Refuse("WrongDontCareLetter", "f(a)=m(1)+e(2)\n"),
        Refuse("MinusForPlus", "f(a)=m(1)-d(2)\n"), Refuse("TwoPlusSigns", "f(a)=m(1)++d(2)\n"),
        Refuse("KeywordWord", "fn(a)=m(1)\n"), Refuse("Underscore", "f(a_b)=m()\n"),
        Refuse("MinusSign", "f(a)=m(-1)\n"), Refuse("Point", "f(a)=m(1.5)\n"),
        Refuse("Semicolon", "f(a)=m(1;2)\n"), Refuse("NulInsideList", "f(a\0b)=m(1)\n"s),
        Refuse("Latin1ByteInsideList", "f(a)=m(1\xe9)\n"),
        Refuse("ByteFFInsideList", "f(\xff)=m()\n"), Refuse("ByteFFAsKeyword", "\xff(a)=m()\n"),
        // Line ends and other white space are never skipped.
        Refuse("LeadingBlankLine", "\nf(a)=m(1)\n"), Refuse("NewlineBeforeEquals", "f(a)\n=m(1)\n"),
        Refuse("NewlineInsideList", "f(a,\nb)=m()\n"),
        Refuse("CarriageReturnInsideList", "f(a\r)=m(1)\n"),
        Refuse("CarriageReturnBeforeEquals", "f(a)\r=m(1)\n"),
        Refuse("CrLfWithoutDontCares", "f(a)=m(1)\r\n"),
        Accept("CrLfWithDontCares", "f(a)=m(1)+d(2)\r\n", "f(a) = m(1) + d(2)"),
        Refuse("VerticalTabAsSkip", "f(a)=\vm(1)\n"), Refuse("FormFeedAsSkip", "\ff(a)=m(1)\n"),
        // End of input before a success point.
        Refuse("EmptyInput", ""), Refuse("OnlyBlanks", " \t "), Refuse("OnlyNewline", "\n"),
        Refuse("EndInsideNames", "f(a,b"), Refuse("EndAfterNames", "f(a)"),
        Refuse("EndAfterMintermList", "f(a)=m(1)"),
        Refuse("EndInBlanksAfterMintermList", "f(a)=m(1) \t"),
        Refuse("EndAfterPlus", "f(a)=m(1)+ "), Refuse("EndInsideDontCares", "f(a)=m(1)+d(2")),
    CaseName);

// The 62-character limit applies to every token on its own, names and
// numbers alike, and counts leading zeros.
std::vector<ReadCase> TokenLengthCases()
{
    const std::string name62(62, 'n');
    const std::string name63(63, 'n');
    const std::string digits62 =
        "1234567890123456789012345678901234567890123456789012345678901"
        "2";
    const std::string zeros61Then7 = std::string(61, '0') + "7";
    const std::string zeros62Then7 = std::string(62, '0') + "7";
    return {
        Accept("Name62", "f(" + name62 + ")=m()\n", "f(" + name62 + ") = m() + d()"),
        Refuse("Name63", "f(" + name63 + ")=m()\n"),
        Accept("TwoNames62", "f(" + name62 + "," + name62 + ")=m()\n",
               "f(" + name62 + "," + name62 + ") = m() + d()"),
        Accept("Number62WrapsModulo2To32", "f(a)=m(" + digits62 + ")\n",
               "f(a) = m(2426419732) + d()"),
        Accept("Nines62", "f(a)=m(" + std::string(62, '9') + ")\n", "f(a) = m(4294967295) + d()"),
        Refuse("Number63", "f(a)=m(" + digits62 + "3)\n"),
        Accept("LeadingZerosWithin62", "f(a)=m(" + zeros61Then7 + ")\n", "f(a) = m(7) + d()"),
        Refuse("LeadingZerosPast62", "f(a)=m(" + zeros62Then7 + ")\n"),
        Accept("LettersCountTowardTheLimit", "f(a)=m(1" + std::string(61, 'x') + ")\n",
               "f(a) = m(1) + d()"),
        Refuse("DontCare63", "f(a)=m(1)+d(" + std::string(63, '0') + ")"),
    };
}

INSTANTIATE_TEST_SUITE_P(TokenLength, ReadAndEcho, ::testing::ValuesIn(TokenLengthCases()),
                         CaseName);

TEST(TokenValue, LeadingDigitsModulo2To32)
{
    const struct {
        std::string token;
        std::uint32_t value;
    } cases[] = {
        {"0", 0},
        {"007", 7},
        {"2x", 2},
        {"x2", 0},
        {"12a34", 12},
        {"2147483648", 2147483648u},
        {"4294967295", 4294967295u},
        {"4294967296", 0},
        {"4294967297", 1},
        {"8589934597", 5},
        {std::string(62, '9'), 4294967295u},
        {"12345678901234567890123456789012345678901234567890123456789012", 2426419732u},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(qmsop::TokenValue(c.token), c.value) << c.token;
    }
}

TEST(Reader, KeepsEveryListInInputOrder)
{
    std::istringstream in("f(c,b,a,z)=m(9,0,4,4,2)+d(8,1,5)\n");
    BooleanFunction func;
    ASSERT_TRUE(qmsop::ReadFunction(in, func).accepted);
    EXPECT_EQ(func.names, (std::vector<std::string>{"c", "b", "a", "z"}));
    EXPECT_EQ(func.minterms, (std::vector<std::uint32_t>{9, 0, 4, 4, 2}));
    EXPECT_EQ(func.dontCares, (std::vector<std::uint32_t>{8, 1, 5}));
    EXPECT_EQ(func.numVars(), 4u);
    EXPECT_EQ(func.numMinterms(), 5u);
    EXPECT_EQ(func.numDontCares(), 3u);
}

TEST(Reader, NamesOfEveryLengthSurviveTheNameStack)
{
    // Names of different lengths, side by side, come back whole and in order.
    std::vector<std::string> names;
    std::string input = "f(";
    for (std::size_t length = 1; length <= qmsop::kMaxTokenLength; length += 7) {
        names.push_back(std::string(length, static_cast<char>('a' + names.size())));
        input += names.back() + ",";
    }
    input += ")=m(1)\n";
    std::istringstream in(input);
    BooleanFunction func;
    ASSERT_TRUE(qmsop::ReadFunction(in, func).accepted);
    EXPECT_EQ(func.names, names);
}

// After the minterm list's newline nothing is read; after the don't-care
// list, the rest of its line and nothing further.
TEST(Reader, ReadsNothingPastTheFunctionsLine)
{
    const struct {
        std::string input;
        std::string rest;
    } cases[] = {
        {"f(a)=m(1)\nf(b)=m(2)\n", "f(b)=m(2)\n"},
        {"f(a)=m(1)\n\n", "\n"},
        {"f(a)=m(1)+d(2) and more\nnext line\n", "next line\n"},
        {"f(a)=m(1)+d(2)\r\nf(b)=m(1)\n", "f(b)=m(1)\n"},
        {"f(a)=m(1)+d(2))", ""},
    };
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        BooleanFunction func;
        EXPECT_TRUE(qmsop::ReadFunction(in, func).accepted) << c.input;
        EXPECT_EQ(Rest(in), c.rest) << c.input;
    }
}

TEST(Reader, RefusalLeavesAFilledRecordUntouched)
{
    BooleanFunction func;
    func.names = {"keep"};
    func.minterms = {3, 4};
    std::istringstream in("f(a,b,c)=m(1,2,3)+d(4 )\n");
    EXPECT_FALSE(qmsop::ReadFunction(in, func).accepted);
    EXPECT_EQ(func.numVars(), 1u);
    EXPECT_EQ(func.names, (std::vector<std::string>{"keep"}));
    EXPECT_EQ(func.numMinterms(), 2u);
    EXPECT_EQ(func.minterms, (std::vector<std::uint32_t>{3, 4}));
    EXPECT_EQ(func.numDontCares(), 0u);
    EXPECT_TRUE(func.dontCares.empty());
}

TEST(Reader, RefusalReportsWhereAndWhat)
{
    const struct {
        std::string input;
        std::string description;
    } cases[] = {
        {"f(a,b)=m(1, 2)\n", "input refused at line 1, column 12: blank inside a list"},
        {"f(a)=m(1)",
         "input refused at end of input: expected a newline or '+' after the minterm list"},
        {"f(a)=m(1)\r\n",
         "input refused at line 1, column 10: expected a newline or '+' after the minterm list, "
         "found a carriage return (Windows line end?)"},
        {"", "input refused at end of input: expected 'f'"},
        {"\nf(a)=m(1)\n", "input refused at line 1, column 1: expected 'f', found an empty line"},
        {"\tf (a)\t=\tx(1)\n", "input refused at line 1, column 10: expected 'm', found 'x'"},
        {"\xEF\xBB\xBF"
         "f(a)=m(1)\n",
         "input refused at line 1, column 1: expected 'f', found byte 0xEF (a UTF-8 byte order "
         "mark?)"},
        {"f(a)=\xC2\xA0m(1)\n",
         "input refused at line 1, column 6: expected 'm', found a non-breaking space"},
        {"f(a)\v=m(1)\n", "input refused at line 1, column 5: expected '=', found a vertical tab"},
        {"f(a)=m(1)\f\n",
         "input refused at line 1, column 10: expected a newline or '+' after the minterm list, "
         "found a form feed"},
        {std::string("f(a", 3) + '\0' + ")=m(1)\n",
         "input refused at line 1, column 4: expected a letter, a digit, ',' or ')' in the name "
         "list, found a NUL byte"},
        {"f(a)=m(1)+d(0\n",
         "input refused at line 1, column 14: expected a letter, a digit, ',' or ')' in the "
         "don't-care list, found the end of the line"},
        {"f(a)=m(1)+d(2",
         "input refused at end of input: "
         "expected a letter, a digit, ',' or ')' in the don't-care list"},
        {"f(a\r)=m(1)\n",
         "input refused at line 1, column 4: expected a letter, a digit, ',' or ')' in the name "
         "list, found a carriage return (Windows line end?)"},
        {"f(a)=m(1\xe9)\n",
         "input refused at line 1, column 9: "
         "expected a letter, a digit, ',' or ')' in the minterm list, found byte 0xE9"},
        {"f(" + std::string(63, 'a') + ")=m()\n",
         "input refused at line 1, column 65: token longer than 62 characters"},
        {"f(a)=m(1)+d(2)", ""},  // accepted: nothing to describe
    };
    for (const auto& c : cases) {
        std::istringstream in(c.input);
        BooleanFunction func;
        const ReadResult result = qmsop::ReadFunction(in, func);
        if (c.description.empty()) {
            EXPECT_TRUE(result.accepted) << c.input;
            continue;
        }
        EXPECT_FALSE(result.accepted) << c.input;
        EXPECT_EQ(qmsop::DescribeRefusal(result), c.description) << c.input;
    }
}

TEST(Reader, ByteFFIsACharacterNotTheEndOfInput)
{
    // 0xFF read as a signed char equals EOF; the reader must not confuse them.
    std::istringstream in("f(a)=m(1)\xff\n");
    BooleanFunction func;
    const ReadResult result = qmsop::ReadFunction(in, func);
    EXPECT_FALSE(result.accepted);
    EXPECT_FALSE(result.atEnd);
    EXPECT_EQ(result.line, 1u);
    EXPECT_EQ(result.column, 10u);
}

TEST(Echo, WritesTheRecordInFixedFormWithoutLineEnd)
{
    EXPECT_EQ(Echo(BooleanFunction{}), kEmptyEcho);

    BooleanFunction onlyDontCares;
    onlyDontCares.dontCares = {4294967295u, 0};
    EXPECT_EQ(Echo(onlyDontCares), "f() = m() + d(4294967295,0)");

    BooleanFunction full;
    full.names = {"A", "a", "12"};
    full.minterms = {7, 7, 0};
    full.dontCares = {2147483648u};
    EXPECT_EQ(Echo(full), "f(A,a,12) = m(7,7,0) + d(2147483648)");
}

TEST(Echo, AppendsToTheStreamAndReturnsIt)
{
    BooleanFunction func;
    func.names = {"x"};
    std::ostringstream out;
    out << "> ";
    EXPECT_EQ(&(out << func), &out);
    out << '|';
    EXPECT_EQ(out.str(), "> f(x) = m() + d()|");
}

}  // namespace

namespace {

// Every warning of a read, one "line L, column C: message" each.
std::vector<std::string> Warnings(const std::string& input)
{
    std::istringstream in(input);
    BooleanFunction func;
    const ReadResult result = qmsop::ReadFunction(in, func);
    EXPECT_TRUE(result.accepted) << input;
    std::vector<std::string> texts;
    for (const auto& warning : result.warnings) {
        texts.push_back(qmsop::DescribeDiagnostic(warning));
    }
    return texts;
}

TEST(Reader, WarnsAboutLikelyMistakesWhereTheyStand)
{
    using Texts = std::vector<std::string>;
    const struct {
        std::string input;
        Texts warnings;
    } cases[] = {
        {"f(a,b,c) = m(1,3,5,7) + d(0)\n", {}},
        {"f(a,b) = m(5)\n", {"line 1, column 12: minterm 5 is 2^2 or more (2 variables)"}},
        {"f(a) = m(0) + d(2)\n", {"line 1, column 17: don't-care 2 is 2^1 or more (1 variable)"}},
        {"f(a,b) = m(l,3)\n", {"line 1, column 12: 'l' is not a number; read as 0"}},
        {"f(a,b) = m(3x)\n", {"line 1, column 12: '3x' has trailing letters; read as 3"}},
        {"f(a,a,b,a) = m(1)\n",
         {"line 1, column 5: variable 'a' is named twice",
          "line 1, column 9: variable 'a' is named twice"}},
        {"f(a,b) = m(1,3) + d(3)\n", {"line 1, column 21: 3 is both a minterm and a don't-care"}},
        {"f(a) = m(1) + d() + d(0)\n", {"line 1, column 19: text after the function is ignored"}},
        {"f(a) = m(1) + d() \t\r\n", {}},
        {"f(x1,x2,x3,x4,x5,x6,x7,x8,x9,x10,x11,x12,x13,x14,x15,x16,x17,x18,x19,x20,x21,x22,x23,"
         "x24,x25,x26,x27,x28,x29,x30,x31,x32,x33) = m(4294967296,4294967295,0004294967295)\n",
         {"line 1, column 131: number 4294967296 is 2^32 or more; read modulo 2^32 as 0"}},
        // One warning per token: the most telling one.
        {"f(a) = m(99999999999x)\n",
         {"line 1, column 10: '99999999999x' has trailing letters; read as 1215752191"}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Warnings(c.input), c.warnings) << c.input;
    }
}

TEST(Reader, RefusalDropsTheWarningsOfWhatWasRead)
{
    std::istringstream in("f(a,a) = m(9 )\n");
    BooleanFunction func;
    EXPECT_TRUE(qmsop::ReadFunction(in, func).warnings.empty());
}

TEST(Reader, OperatorSetsFailbitOnlyOnRefusal)
{
    std::istringstream good("f(a) = m(1)\n");
    BooleanFunction func;
    EXPECT_FALSE((good >> func).fail());
    std::istringstream bad("f(a) = x(1)\n");
    EXPECT_TRUE((bad >> func).fail());
}

// A stream buffer whose reads fail as a directory's do.
class FailingBuffer : public std::streambuf {
protected:
    int_type underflow() override
    {
        throw std::ios_base::failure("read failed",
                                     std::error_code(EISDIR, std::generic_category()));
    }
};

TEST(Reader, AFailingStreamIsARefusalWithTheSystemsReason)
{
    FailingBuffer buffer;
    std::istream in(&buffer);
    BooleanFunction func;
    const ReadResult result = qmsop::ReadFunction(in, func);
    EXPECT_FALSE(result.accepted);
    EXPECT_TRUE(result.atEnd);
    EXPECT_EQ(result.readError, "Is a directory");
    EXPECT_TRUE(in.bad());
}

}  // namespace
