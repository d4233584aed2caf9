// SPDX-License-Identifier: MIT
// TextWriter: report text gathered in one buffer and handed to a stream in
// pieces of about 64 KiB, so that a report of any size costs one buffer.
//
//   TextWriter writer(out);
//   AppendNumber(writer.Text(), 42);
//   writer.EndLine();  // "42\n" joins the buffer; the stream gets it later
//
// Cost: every byte is copied once into the buffer, except pieces given to
// Write() of a quarter chunk or more, or that do not fit the room left,
// which go to the stream directly.
// The stream sees the bytes in the order they were given; the destructor
// hands over what is left.
#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace qmsop {

class TextWriter {
public:
    static constexpr std::size_t kChunk = std::size_t{1} << 16;
    static constexpr std::size_t kDirect = kChunk / 4;

    explicit TextWriter(std::ostream& out);
    TextWriter(const TextWriter&) = delete;
    TextWriter& operator=(const TextWriter&) = delete;
    ~TextWriter();

    // The buffer to append to; hand it over with EndLine(), Spill() or Flush().
    std::string& Text() { return text; }
    // Appends a line end, then spills.
    void EndLine()
    {
        text += '\n';
        Spill();
    }
    // Hands the buffer over once it holds a chunk or more.
    void Spill()
    {
        if (text.size() >= kChunk) {
            Flush();
        }
    }
    // Appends `piece`, or, when it is kDirect bytes or more or does not fit
    // the chunk, hands over the buffer and then `piece` itself without
    // copying it.
    void Write(std::string_view piece);
    // Hands the buffer over now.
    void Flush();

private:
    std::ostream& out;
    std::string text;
};

}  // namespace qmsop
