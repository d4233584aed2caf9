// SPDX-License-Identifier: MIT
// LineReader: the lines of a stream, read through its buffer so that a read
// error (the buffer throws) and an out-of-memory reach the caller instead of
// ending the input quietly, as std::getline would. Cost: one pass over the
// bytes; memory: the longest line kept, at most kMaxLineLength bytes.
// Comment lines (a '#' after optional blanks) are recognised while they are
// read and not kept, so their length costs no memory.
#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

namespace qmsop {

// Longest line that the PLA reader and --all accept, in bytes without the
// newline: 256 MiB. A longer line refuses the input at its line.
inline constexpr std::uint64_t kMaxLineLength = std::uint64_t{1} << 28;

// One line of the input.
struct Line {
    std::string text;      // without its newline; empty for a comment line
    bool ended = false;    // a newline closed it
    bool comment = false;  // a '#' after optional blanks: its text is not kept
};

class LineReader {
public:
    enum class Status {
        kLine,       // `line` holds the next line
        kEnd,        // the input ended
        kReadError,  // the stream failed; error() says why
        kTooLong,    // the line is longer than kMaxLineLength
    };

    explicit LineReader(std::istream& in) : in(in) {}

    // Reads the next line into `line`. After kEnd, kReadError or kTooLong
    // nothing more is read. Throws std::bad_alloc when memory runs out.
    Status Next(Line& line);

    // The number of the line last read, from 1.
    std::uint64_t number() const { return lineNumber; }
    // The system's reason for a read error.
    const std::string& error() const { return readError; }

private:
    std::istream& in;
    std::uint64_t lineNumber = 0;
    bool done = false;
    std::string readError;
};

}  // namespace qmsop
