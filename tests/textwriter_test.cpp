// SPDX-License-Identifier: MIT
// Tests of the chunked writer: the stream sees every byte once, in the order
// given, whether it went through the buffer or past it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "base/textwriter.h"

namespace {

using qmsop::TextWriter;

TEST(TextWriterTest, BufferedAndDirectPiecesKeepTheirOrder)
{
    const std::string big(TextWriter::kDirect, 'x');
    const std::string small(TextWriter::kDirect - 1, 'y');
    std::ostringstream out;
    {
        TextWriter writer(out);
        writer.Text() += "head";
        writer.EndLine();
        writer.Write(big);  // past the buffer, after "head\n"
        EXPECT_EQ(out.str(), "head\n" + big);
        for (int i = 0; i < 4; ++i) {
            writer.Write(small);  // four fit the buffer
        }
        EXPECT_EQ(out.str(), "head\n" + big);
        writer.Write("bcdef");  // four bytes of room left: the buffer goes first
        EXPECT_EQ(out.str(), "head\n" + big + small + small + small + small + "bcdef");
        writer.Text() += "tail";
        writer.Spill();  // short of a chunk: kept
        EXPECT_EQ(out.str(), "head\n" + big + small + small + small + small + "bcdef");
    }
    EXPECT_EQ(out.str(), "head\n" + big + small + small + small + small + "bcdeftail");
}

TEST(TextWriterTest, EndLineHandsOverAFullChunk)
{
    std::ostringstream out;
    TextWriter writer(out);
    writer.Text().assign(TextWriter::kChunk - 1, 'z');
    EXPECT_EQ(out.str(), "");
    writer.EndLine();
    EXPECT_EQ(out.str().size(), TextWriter::kChunk);
    EXPECT_TRUE(writer.Text().empty());
}

}  // namespace
