// SPDX-License-Identifier: MIT
// Tests of the chunked writer: the stream sees every byte once, in the order
// given, whether it went through the buffer or past it.
#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "textwriter.h"

namespace {

using qmsop::TextWriter;

TEST(TextWriterTest, BufferedAndDirectPiecesKeepTheirOrder)
{
    const std::string big(TextWriter::kChunk + 10, 'x');
    const std::string fits(TextWriter::kChunk - 1, 'y');
    std::ostringstream out;
    {
        TextWriter writer(out);
        writer.Text() += "head";
        writer.EndLine();
        writer.Write(big);  // past the buffer, after "head\n"
        EXPECT_EQ(out.str(), "head\n" + big);
        writer.Write("a");
        writer.Write(fits);  // joins "a" in the buffer: a chunk exactly
        EXPECT_EQ(out.str(), "head\n" + big);
        writer.Write("b");  // no room: the chunk goes first, then "b"
        EXPECT_EQ(out.str(), "head\n" + big + "a" + fits + "b");
        writer.Text() += "tail";
        writer.Spill();  // short of a chunk: kept
        EXPECT_EQ(out.str(), "head\n" + big + "a" + fits + "b");
    }
    EXPECT_EQ(out.str(), "head\n" + big + "a" + fits + "btail");
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
