// SPDX-License-Identifier: MIT
#include "base/textwriter.h"

#include <ostream>

namespace qmsop {

TextWriter::TextWriter(std::ostream& out) : out(out)
{
    text.reserve(kChunk + 4096);
}

TextWriter::~TextWriter()
{
    Flush();
}

void TextWriter::Write(std::string_view piece)
{
    if (piece.size() < kDirect && text.size() + piece.size() <= kChunk) {
        text += piece;
        return;
    }
    Flush();
    out.write(piece.data(), static_cast<std::streamsize>(piece.size()));
}

void TextWriter::Flush()
{
    if (!text.empty()) {
        out.write(text.data(), static_cast<std::streamsize>(text.size()));
        text.clear();
    }
}

}  // namespace qmsop
