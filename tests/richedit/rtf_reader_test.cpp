// The rich-text reader: formats and escapes turned into runs, destinations we do not show
// skipped, and damaged input refused whole with a reason, within its bounds.
#include "platform/richedit_rtf.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using platform::ReadRtf;
using platform::RichEditFormat;
using platform::RichEditRun;

std::vector<RichEditRun> Read(const std::string& rtf) {
    std::vector<RichEditRun> runs;
    std::string error;
    EXPECT_TRUE(ReadRtf(rtf, RichEditFormat(), runs, error)) << error << " in " << rtf;
    return runs;
}

std::string TextOf(const std::vector<RichEditRun>& runs) {
    std::string s;
    for (const RichEditRun& r : runs) s += r.text;
    return s;
}

struct TextCase {
    const char* rtf;
    const char* shown;
};

TEST(RtfReader, ShowsTheTextWithItsEscapesAndSkipsWhatIsNotText) {
    const TextCase cases[] = {
        {"{\\rtf1 Hello}", "Hello"},
        {"{\\rtf1 One\\par Two\\line Three}", "One\r\nTwo\r\nThree"},
        {"{\\rtf1 a\\tab b}", "a\tb"},
        {"{\\rtf1 \\\\ \\{ \\} }", "\\ { } "},
        {"{\\rtf1 caf\\'e9!}", "caf\xe9!"},
        {"{\\rtf1 a\\~b\\_c\\-d}", "a b-cd"},
        {"{\\rtf1 x\\u8364?y\\u65 Az}", "x?yAz"},
        {"{\\rtf1 raw\r\nlines\n}", "rawlines"},
        {"{\\rtf1 one\\\ntwo}", "one\r\ntwo"},
        {"{\\rtf1{\\info{\\title Secret}}shown}", "shown"},
        {"{\\rtf1{\\*\\unknowndest hidden {nested}}shown}", "shown"},
        {"{\\rtf1{\\stylesheet{\\s0 Normal;}}\\pard\\plain\\qc\\sl240 kept\\frobnicate42  too}", "kept too"},
        {"{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss Arial;}}{\\colortbl;\\red0\\green0\\blue255;}Body}", "Body"},
        {"{\\rtf1 Done} trailing ignored", "Done"},
        {"{\\rtf1 a{\\pict\\bin4 }{x}b}c}", "ac"},
        {"{\\rtf1 a\\bin2 {}}", "a"},
    };
    for (const TextCase& c : cases) EXPECT_EQ(TextOf(Read(c.rtf)), c.shown) << c.rtf;
}

TEST(RtfReader, TurnsFormatWordsIntoRuns) {
    const auto runs = Read("{\\rtf1{\\fonttbl{\\f0 Arial;}{\\f1\\froman Times New Roman;}}"
                           "{\\colortbl;\\red255\\green0\\blue0;\\red0\\green128\\blue0;}"
                           "plain \\b bold\\b0  \\i\\fs28 big italic\\i0\\fs24  \\cf1 red\\cf0  \\f1 times "
                           "{\\ul\\cf2 green under} after\\plain  reset}");
    ASSERT_EQ(runs.size(), 11u);
    EXPECT_EQ(runs[0].text, "plain ");
    EXPECT_EQ(runs[0].format, RichEditFormat());
    EXPECT_EQ(runs[1].text, "bold");
    EXPECT_TRUE(runs[1].format.bold);
    EXPECT_EQ(runs[2].text, " ");
    EXPECT_FALSE(runs[2].format.bold);
    EXPECT_EQ(runs[3].text, "big italic");
    EXPECT_TRUE(runs[3].format.italic);
    EXPECT_EQ(runs[3].format.height, 280);
    EXPECT_EQ(runs[4].text, " ");
    EXPECT_EQ(runs[4].format.height, 240);
    EXPECT_EQ(runs[5].text, "red");
    EXPECT_FALSE(runs[5].format.autoColour);
    EXPECT_EQ(runs[5].format.colour, RGB(255, 0, 0));
    EXPECT_EQ(runs[6].text, " ");
    EXPECT_TRUE(runs[6].format.autoColour);  // entry 0 of the table is the automatic colour
    EXPECT_EQ(runs[7].text, "times ");
    EXPECT_EQ(runs[7].format.face, "Times New Roman");
    // The group's underline and colour end with the group; the face stays.
    EXPECT_EQ(runs[8].text, "green under");
    EXPECT_TRUE(runs[8].format.underline);
    EXPECT_EQ(runs[8].format.colour, RGB(0, 128, 0));
    EXPECT_EQ(runs[9].text, " after");
    EXPECT_FALSE(runs[9].format.underline);
    EXPECT_TRUE(runs[9].format.autoColour);
    EXPECT_EQ(runs[9].format.face, "Times New Roman");
    EXPECT_EQ(runs[10].text, " reset");
    EXPECT_EQ(runs[10].format, RichEditFormat());
}

TEST(RtfReader, UnknownFontsAndColoursLeaveTheFormatAsItWas) {
    const auto runs = Read("{\\rtf1{\\colortbl;\\red1\\green2\\blue3;}\\f9 a\\cf7 b\\fs0 c\\fs-4 d}");
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_EQ(runs[0].text, "abcd");
    EXPECT_EQ(runs[0].format, RichEditFormat());
}

struct RefusedCase {
    std::string rtf;
    const char* why;
};

TEST(RtfReader, RefusesDamagedInputWhole) {
    const RefusedCase cases[] = {
        {"", "no {\\rtf"},
        {"Hello", "no {\\rtf"},
        {"{\\rt", "no {\\rtf"},
        {"{\\rtf1 never closed", "ends inside a group"},
        {"{\\rtf1 {inner} still open", "ends inside a group"},
        {"{\\rtf1 a}}", ""},  // closed at the first brace: the rest is not read
        {"{\\rtf1 trailing backslash\\", "ends inside a control word"},
        {"{\\rtf1 bad \\'g1 hex}", "two hex digits"},
        {"{\\rtf1 short \\'4", "two hex digits"},
        {"{\\rtf1 \\" + std::string(40, 'x') + " }", "control word longer"},
        {"{\\rtf1 \\fs123456789012 }", "number is too long"},
        {"{\\rtf1 \\bin99 short}", "\\bin block"},
        {"{\\rtf1 \\bin-2 x}", "\\bin block"},
        {"{\\rtf1 " + std::string(100, '{') + std::string(100, '}') + "}", "nested too deep"},
        {"{\\rtf1 " + std::string(platform::kRichEditStreamBound, 'a') + "}", "too long"},
    };
    for (const RefusedCase& c : cases) {
        std::vector<RichEditRun> runs{RichEditRun{"kept", RichEditFormat()}};
        std::string error;
        const bool ok = ReadRtf(c.rtf, RichEditFormat(), runs, error);
        const std::string shown = c.rtf.substr(0, 40);
        if (*c.why == 0) {
            EXPECT_TRUE(ok) << shown;
            continue;
        }
        EXPECT_FALSE(ok) << shown;
        EXPECT_NE(error.find(c.why), std::string::npos) << shown << ": " << error;
        ASSERT_EQ(runs.size(), 1u) << shown;
        EXPECT_EQ(runs[0].text, "kept") << shown;
    }
}

TEST(RtfReader, NestingUpToTheBoundIsRead) {
    const int depth = platform::kRtfMaxDepth - 1;
    const std::string rtf = "{\\rtf1 " + std::string(static_cast<std::size_t>(depth), '{') + "deep" +
                            std::string(static_cast<std::size_t>(depth), '}') + "}";
    EXPECT_EQ(TextOf(Read(rtf)), "deep");
}

} // namespace
