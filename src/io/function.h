// SPDX-License-Identifier: MIT
// BooleanFunction: one function as typed (names, minterms, don't-cares), its
// reader for the input line and its echo line.
//
//   input:  F( X1,y)=M(3)
//   echo:   f(X1,y) = m(3) + d()
#pragma once

#include <cstdint>
#include <iosfwd>
#include <span>
#include <string>
#include <vector>

#include "base/diagnostic.h"

namespace qmsop {

// A last-in-first-out stack of names, used while reading the name list.
// The names are kept back to back in one buffer, so that a long list of short
// names costs a few bytes per name.
class NameStack {
public:
    void Push(const std::string& name);
    // Removes and returns the top name; the empty string when the stack is empty.
    std::string Pop();
    std::uint32_t count() const { return static_cast<std::uint32_t>(starts.size()); }

private:
    std::string chars;                // every name, bottom first
    std::vector<std::size_t> starts;  // where each name begins in `chars`
};

// The function as read, every list in input order. Nothing sorts, de-duplicates
// or range-checks it. Entry 0 of `names` is the most significant variable.
struct BooleanFunction {
    std::uint32_t numVars() const { return static_cast<std::uint32_t>(names.size()); }
    std::uint32_t numMinterms() const { return static_cast<std::uint32_t>(minterms.size()); }
    std::uint32_t numDontCares() const { return static_cast<std::uint32_t>(dontCares.size()); }

    std::vector<std::string> names;
    std::vector<std::uint32_t> minterms;
    std::vector<std::uint32_t> dontCares;
};

// Where and why the reader stopped. `accepted` is true on success; otherwise
// `atEnd` tells that the input ended, else `line` and `column` (both from 1,
// the column in bytes) locate the character that was refused. `readError`
// is the system's reason when the stream itself failed (a directory, a closed
// descriptor). `warnings` lists what was read but is likely a mistake, in
// input order, the first kMaxWarnings of them; `moreWarnings` counts the
// rest. An accepted function may have some.
struct ReadResult {
    bool accepted = false;
    bool atEnd = false;
    std::uint64_t line = 1;
    std::uint64_t column = 1;
    std::string reason;
    std::string readError;
    std::vector<Diagnostic> warnings;
    std::uint64_t moreWarnings = 0;
};

// Most warnings kept for one function; the others are only counted, so that
// memory follows the input's size and not the count of its mistakes.
inline constexpr std::size_t kMaxWarnings = 100;

// Longest accepted name or number token.
inline constexpr std::size_t kMaxTokenLength = 62;

// Reads one function (grammar: f(names) = m(numbers) [+ d(numbers)]) into
// `func`. Nothing after the newline that ends the minterm list is consumed;
// after the closing parenthesis of the don't-care list the rest of that line
// is read (and warned about when it is not blank), never further. On refusal
// `func` is left untouched. `firstLine` numbers the first line read. Cost:
// linear in the characters read, O(n log n) in the names and numbers for the
// warnings.
ReadResult ReadFunction(std::istream& in, BooleanFunction& func, std::uint64_t firstLine = 1);

// One line describing a refusal, without the program name or a line end, e.g.
// "input refused at line 1, column 12: blank inside a list".
std::string DescribeRefusal(const ReadResult& result);

// --strict for every reader: turns the first warning of an accepted read
// into its refusal ("... (refused by --strict)", at the warning's place).
// True when it did; a read without warnings, or refused, stays as it is.
bool RefuseFirstWarning(ReadResult& read);

// The value of a number token: its leading digits modulo 2^32; 0 when it
// starts with a letter.
std::uint32_t TokenValue(const std::string& token);

// Appends `value` in decimal.
void AppendNumber(std::string& text, std::uint64_t value);
// Appends the numbers in decimal, separated by ",".
void AppendNumberList(std::string& text, std::span<const std::uint32_t> numbers);

// The reader: ReadFunction without the result; sets failbit on a refusal.
std::istream& operator>>(std::istream& in, BooleanFunction& func);

// The head of a function's lines: the output's name, and whether the line is
// about its complement (then written with "'": f'(a,b)).
struct FunctionHead {
    std::string name = "f";
    bool complement = false;
};

// Appends the head that the echo line and the result line share: the name
// (with "'" for a complement), "(", the names joined by ",", then ")".
void AppendFunctionHead(std::string& text, const FunctionHead& head,
                        const std::vector<std::string>& names);

// Appends the echo line of `func` under `head`, without a line end:
// s(a,b,c) = m(1,3,5,7) + d(0)
void AppendEchoLine(std::string& text, const BooleanFunction& func, const FunctionHead& head);

// The echo line under the name f, without a line end: f(a,b,c) = m(1,3,5,7) + d(0)
std::ostream& operator<<(std::ostream& out, const BooleanFunction& func);

}  // namespace qmsop
