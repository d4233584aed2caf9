// SPDX-License-Identifier: MIT
#include "io/lines.h"

#include <bit>
#include <istream>
#include <streambuf>

namespace qmsop {

LineReader::Status LineReader::Next(Line& line)
{
    line.text.clear();
    line.ended = false;
    line.comment = false;
    std::streambuf* buf = in.rdbuf();
    if (done || buf == nullptr) {
        return Status::kEnd;
    }
    using Traits = std::char_traits<char>;
    ++lineNumber;
    std::uint64_t length = 0;
    bool blanksOnly = true;
    try {
        for (;;) {
            const int c = buf->sbumpc();
            if (c == Traits::eof()) {
                in.setstate(std::ios::eofbit);
                done = true;
                if (length == 0) {
                    --lineNumber;
                    return Status::kEnd;
                }
                return Status::kLine;
            }
            if (c == '\n') {
                line.ended = true;
                return Status::kLine;
            }
            if (++length > kMaxLineLength) {
                done = true;
                return Status::kTooLong;
            }
            if (blanksOnly && c == '#') {
                line.comment = true;
                line.text.clear();
            }
            blanksOnly = blanksOnly && (c == ' ' || c == '\t');
            if (!line.comment) {
                // Capacities in powers of two, so that the longest line
                // costs the bound, and at most the bound while it is copied.
                if (line.text.size() == line.text.capacity()) {
                    line.text.reserve(std::bit_ceil(2 * line.text.capacity()));
                }
                line.text.push_back(static_cast<char>(c));
            }
        }
    } catch (const std::ios_base::failure& failure) {
        in.setstate(std::ios::badbit);
        done = true;
        readError = failure.code().message();
        if (readError.empty()) {
            readError = "read error";
        }
        return Status::kReadError;
    }
}

}  // namespace qmsop
