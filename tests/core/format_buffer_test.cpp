#include "core/format_buffer.h"
#include "platform/clipboard.h"
#include "platform/global_memory.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

namespace {

TEST(FormatBufferTest, WritingSplitsLinesAtCROrWidth) {
    FormatBuffer b(10, 6); // five characters a line, plus a CR
    b.WriteText("abc\r\ndefghij");
    EXPECT_EQ(b.LineCount(), 3);
    EXPECT_STREQ(b.Line(0), "abc\r");
    EXPECT_STREQ(b.Line(1), "defgh");
    EXPECT_STREQ(b.Line(2), "ij");
    EXPECT_EQ(b.Line(3), nullptr);
    EXPECT_STREQ(b.LastLine(), "ij");
    EXPECT_TRUE(b.Check());
}

TEST(FormatBufferTest, OldLinesMakeRoomAndAreCounted) {
    FormatBuffer b(3, 81);
    b.WriteText("1\r2\r3\r4\r5");
    EXPECT_EQ(b.LineCount(), 3);
    EXPECT_EQ(b.DroppedLines(), 2);
    EXPECT_EQ(b.TotalLines(), 5);
    EXPECT_STREQ(b.Line(0), "3\r");
    EXPECT_EQ(b.SeekLine(0), 2); // absolute number
    EXPECT_STREQ(b.CurrentLine(), "3\r");
    EXPECT_EQ(b.MoveCursor(5), 2);
    EXPECT_EQ(b.MoveCursor(-9), 0);
    EXPECT_TRUE(b.Check());
    b.Clear();
    EXPECT_EQ(b.LineCount(), 1);
    EXPECT_EQ(b.DroppedLines(), 2);
    EXPECT_STREQ(b.CurrentLine(), "");
}

TEST(FormatBufferTest, CopyOutJoinsLinesWithCRAndRawWithNothing) {
    FormatBuffer b(10, 5);
    b.WriteText("abcdefg\rxy");
    char out[32];
    b.CopyOut(out, 0, sizeof out);
    EXPECT_STREQ(out, "abcd\refg\rxy\r");
    b.CopyOutRaw(out, 0, sizeof out);
    EXPECT_STREQ(out, "abcdefg\rxy");
    b.CopyOut(out, 2, 4);
    EXPECT_STREQ(out, "cd\r");
}

TEST(FormatBufferTest, ExtractThroughTakesWholeLinesUpToTheDelimiter) {
    FormatBuffer b(10, 81);
    b.WriteText("one\rtwo;rest\rthree");
    std::string out;
    EXPECT_EQ(b.ExtractThrough(out, '#'), -1);
    EXPECT_EQ(b.ExtractThrough(out, ';'), 13);
    EXPECT_EQ(out, "one\rtwo;rest\r");
    EXPECT_STREQ(b.Line(0), "rest\r");
    EXPECT_EQ(b.LineCount(), 2);
    EXPECT_TRUE(b.Check());
}

TEST(FormatBufferTest, BackspaceAndWalkingTheLines) {
    FormatBuffer b(10, 81);
    b.WriteText("ab\rcd");
    b.Backspace();
    EXPECT_STREQ(b.LastLine(), "c");
    b.Backspace();
    b.Backspace();
    EXPECT_STREQ(b.LastLine(), "");
    std::string walked;
    while (const char* line = b.NextLine()) walked += std::string("[") + line + "]";
    EXPECT_EQ(walked, "[ab\r][]");
    EXPECT_TRUE(b.Check());
}

TEST(FormatBufferTest, RandomTextKeepsTheInvariants) {
    FormatBuffer b(20, 8);
    std::mt19937 rng(3);
    const char alphabet[] = "abc\r\n";
    for (int step = 0; step < 2000; ++step) {
        std::string text(rng() % 12, 'a');
        for (auto& c : text) c = alphabet[rng() % 5];
        b.Write(text.data(), static_cast<std::int32_t>(text.size()));
        if (rng() % 10 == 0) b.Backspace();
        if (rng() % 50 == 0) {
            std::string out;
            b.ExtractThrough(out, 'c');
        }
        ASSERT_TRUE(b.Check());
    }
}

class ClipboardCopy : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearShownMessageBoxes();
        platform::SetClipboardAvailable(true);
        platform::SetGlobalAllocFailure(false);
    }
    void TearDown() override {
        platform::SetClipboardAvailable(true);
        platform::SetGlobalAllocFailure(false);
    }
};

TEST_F(ClipboardCopy, CopiesTheChosenRangeWithCRLF) {
    FormatBuffer b(10, 81);
    b.WriteText("first line\rsecond\rthird line");
    ASSERT_EQ(b.CopyToClipboard(nullptr, 0, 6, 2, 5), 1);
    EXPECT_EQ(platform::ClipboardText(), "line\r\nsecond\r\nthird");
}

TEST_F(ClipboardCopy, FailuresAreReportedWithTheirOwnTexts) {
    FormatBuffer b(10, 81);
    b.WriteText("x");
    platform::SetGlobalAllocFailure(true);
    EXPECT_EQ(b.CopyToClipboard(nullptr, 0, 0, 0, 1), 0);
    platform::SetGlobalAllocFailure(false);
    platform::SetClipboardAvailable(false);
    EXPECT_EQ(b.CopyToClipboard(nullptr, 0, 0, 0, 1), 0);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 2u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "KVARDU Error");
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Out of memory--unable to transfer to clipboard");
    EXPECT_EQ(platform::ShownMessageBox(1).text, "Clipboard error--unable to transfer text");
    EXPECT_EQ(platform::ShownMessageBox(1).type, MB_OK | MB_ICONEXCLAMATION);
}

} // namespace
