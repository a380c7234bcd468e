// Fonts drawn from glyph images: measuring, drawing with the mnemonic underline, capitals, word
// wrapping across one area and a chain of areas, and glyph data that cannot be trusted.
#include "tests/ui/dialog_art.h"
#include "ui/display.h"
#include "ui/font.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;
using datagen::GlyphWidth;

// A display of its own to draw into, as a text face is given.
class Surface : public Display {
public:
    explicit Surface(const Dim& size) : Display(size, "Surface") {}
    Point GetMousePosition() override { return Point(0, 0); }
    void Show() override {}
    Menu* MakeMenu(const char*) override { return nullptr; }
};

// A background no underline colour is near.
constexpr std::uint8_t kPaper = 128;

int WidthOf(const std::string& text) {
    int w = 0;
    for (unsigned char c : text) w += c == '&' ? 0 : c <= ' ' ? 3 : GlyphWidth(c);
    return w;
}

class Fonts : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        InstallDialogArt(data);
        MakeApp();
        canvas = std::make_unique<Bitmap>(Dim(80, 40), 1);
        canvas->Fill(kPaper);
    }
    void TearDown() override {
        canvas.reset();
        WinAppTest::TearDown();
    }
    std::unique_ptr<Bitmap> canvas;
};

TEST_F(Fonts, DialogFontMeasuresGlyphsSpacesAndIgnoresTheMnemonicMark) {
    DialogFont font("MS Sans Serif 2");
    EXPECT_EQ(font.GetHeight(), datagen::kGlyphAscent);
    EXPECT_EQ(font.GetDescent(), datagen::kGlyphDescent);
    struct Case {
        const char* text;
    } cases[] = {{""}, {"A"}, {"E&xit"}, {"a b"}, {"  "}, {"Wig\tgle"}};
    for (const Case& c : cases) {
        const Box r = font.GetTextRect(c.text);
        EXPECT_EQ(r.x, 0) << c.text;
        EXPECT_EQ(r.y, 0) << c.text;
        EXPECT_EQ(r.width, WidthOf(c.text)) << c.text;
        EXPECT_EQ(r.height, datagen::kGlyphAscent + datagen::kGlyphDescent) << c.text;
        EXPECT_EQ(font.GetTextWidth(c.text), WidthOf(c.text)) << c.text;
    }
}

TEST_F(Fonts, MnemonicIsUnderlinedDarkForNormalTextAndGreyForDisabledText) {
    DialogFont font("MS Sans Serif 2");
    struct Case {
        std::int16_t count;
        std::uint8_t colour;
    } cases[] = {{3, Nearest(10, 10, 10)}, {1, Nearest(150, 150, 150)}};
    ASSERT_NE(cases[0].colour, cases[1].colour);
    ASSERT_NE(cases[0].colour, kPaper);
    ASSERT_NE(cases[1].colour, kPaper);
    for (const Case& c : cases) {
        canvas->Fill(kPaper);
        const Point pen(2, 12);
        font.DrawText(*canvas, pen, "E&xit", c.count);
        // Four glyphs side by side from the pen, standing on the baseline.
        const int w = WidthOf("Exit");
        EXPECT_EQ(RowOf(*canvas, pen.y - 1, kInk, 0, 2 + w + 2), ".." + std::string(w, '#') + "..");
        EXPECT_EQ(RowOf(*canvas, pen.y - datagen::kGlyphAscent, kInk, 2, 2 + w), std::string(w, '#'));
        EXPECT_EQ(PixelAt(*canvas, 2, pen.y), kPaper);
        // The underline: from one pixel right of the pen at the '&' to the pen after 'x',
        // two pixels below the baseline, one pixel high.
        const int start = 2 + GlyphWidth('E') + 1;
        const int end = 2 + GlyphWidth('E') + GlyphWidth('x');
        std::string expected(static_cast<std::size_t>(80), '.');
        for (int x = start; x <= end; ++x) expected[x] = '#';
        EXPECT_EQ(RowOf(*canvas, pen.y + 2, c.colour), expected) << c.count;
        EXPECT_EQ(RowOf(*canvas, pen.y + 1, c.colour), std::string(80, '.'));
        EXPECT_EQ(RowOf(*canvas, pen.y + 3, c.colour), std::string(80, '.'));
    }
}

TEST_F(Fonts, TextWithoutMnemonicHasNoUnderline) {
    DialogFont font("MS Sans Serif 2");
    font.DrawText(*canvas, Point(2, 12), "Exit", 3);
    EXPECT_EQ(RowOf(*canvas, 14, Nearest(10, 10, 10)), std::string(80, '.'));
}

TEST_F(Fonts, SpaceMovesThePenThreePixelsWithEveryFont) {
    Font plain("Plain");
    AllCapsFont caps("Plain");
    DialogFont dialog("MS Sans Serif 2");
    Font* fonts[] = {&plain, &caps, &dialog};
    for (Font* f : fonts) {
        canvas->Fill(kPaper);
        EXPECT_EQ(f->GetTextWidth(" "), 3);
        f->DrawText(*canvas, Point(0, 10), "A A", 3);
        const int a = GlyphWidth('A');
        EXPECT_EQ(RowOf(*canvas, 9, kInk, 0, 2 * a + 3), std::string(a, '#') + "..." + std::string(a, '#'));
    }
}

TEST_F(Fonts, AllCapsDrawsCapitalsAndHasNoDescent) {
    AllCapsFont caps("Plain");
    Font plain("Plain");
    EXPECT_EQ(caps.GetDescent(), 0);
    EXPECT_EQ(plain.GetDescent(), datagen::kGlyphDescent);
    EXPECT_EQ(plain.GetHeight(), datagen::kGlyphAscent);
    Bitmap reference(Dim(80, 40), 1);
    reference.Fill(0);
    plain.DrawText(reference, Point(1, 10), "AB1", 3);
    caps.DrawText(*canvas, Point(1, 10), "ab1", 3);
    for (int y = 0; y < 40; ++y) ASSERT_EQ(RowOf(*canvas, y, kInk), RowOf(reference, y, kInk)) << y;
    EXPECT_EQ(RowOf(*canvas, 9, kInk, 1, 1 + WidthOf("AB1")), std::string(WidthOf("AB1"), '#'));
    // Font draws lower-case letters with their own glyphs but measures them as capitals.
    EXPECT_EQ(plain.GetTextWidth("ab1"), WidthOf("AB1"));
}

TEST_F(Fonts, WrappingBreaksLinesAtTheAreaEdge) {
    DialogFont font("MS Sans Serif 2");
    const int line = datagen::kGlyphAscent + datagen::kGlyphDescent + 2;
    const int ab = WidthOf("AB"), cd = WidthOf("CD");
    struct Case {
        const char* what;
        Box area;
        const char* text;
        int lines;  // lines the text takes
        bool cdOnFirstLine;
    } cases[] = {
        {"both words fit", Box(0, 9, 40, 30), "AB CD", 1, true},
        {"narrower than both", Box(0, 9, static_cast<std::int16_t>(ab + 3 + cd - 1), 30), "AB CD", 2, false},
        {"line feed", Box(0, 9, 40, 30), "AB\nCD", 2, false},
    };
    for (const Case& c : cases) {
        canvas->Fill(kPaper);
        const std::int16_t bottom = font.DrawWrapped(*canvas, c.area, c.text, 3);
        EXPECT_EQ(bottom, 9 + (c.lines - 1) * line + datagen::kGlyphDescent) << c.what;
        EXPECT_EQ(RowOf(*canvas, 8, kInk, 0, ab), std::string(ab, '#')) << c.what;
        if (c.cdOnFirstLine) {
            EXPECT_EQ(RowOf(*canvas, 8, kInk, ab + 3, ab + 3 + cd), std::string(cd, '#')) << c.what;
        } else {
            EXPECT_EQ(RowOf(*canvas, 8, kInk, ab, 40), std::string(40 - ab, '.')) << c.what;
            EXPECT_EQ(RowOf(*canvas, 8 + line, kInk, 0, cd), std::string(cd, '#')) << c.what;
        }
    }
}

TEST_F(Fonts, WordsBelowTheAreaAreNotDrawnAndMoveIntoTheNextArea) {
    DialogFont font("MS Sans Serif 2");
    const int line = datagen::kGlyphAscent + datagen::kGlyphDescent + 2;
    const int w = WidthOf("AB");
    // One line of room: the second word would start below the area.
    const std::int16_t bottom = font.DrawWrapped(*canvas, Box(0, 9, static_cast<std::int16_t>(w), 5), "AB AB", 3);
    EXPECT_EQ(bottom, 9 + line + datagen::kGlyphDescent);
    EXPECT_EQ(RowOf(*canvas, 8 + line, kInk), std::string(80, '.'));

    canvas->Fill(kPaper);
    List<Box> areas;
    areas.AddTail(Box(0, 9, static_cast<std::int16_t>(w), 5));
    areas.AddTail(Box(40, 30, 30, 8));
    const std::int16_t end = font.DrawWrappedInBoxes(*canvas, areas, "AB AB", 3);
    EXPECT_EQ(end, 30 + datagen::kGlyphDescent);
    EXPECT_EQ(RowOf(*canvas, 29, kInk, 40, 40 + w), std::string(w, '#'));
    EXPECT_EQ(RowOf(*canvas, 8 + line, kInk), std::string(80, '.'));
}

TEST_F(Fonts, CharactersWithoutGlyphsMoveThePenLikeASpace) {
    DialogFont font("MS Sans Serif 2");
    // 127 is one past the last glyph; 0xE9 is far beyond it; neither reaches another table.
    const char text[] = {'A', '\x7f', '\xe9', 'A', 0};
    EXPECT_EQ(font.GetTextWidth(text), 2 * GlyphWidth('A') + 6);
    font.DrawText(*canvas, Point(0, 10), text, 3);
    const int a = GlyphWidth('A');
    EXPECT_EQ(RowOf(*canvas, 9, kInk, 0, 2 * a + 6 + 2),
              std::string(a, '#') + "......" + std::string(a, '#') + "..");

    // A library that does not exist (the art index says so once per library) measures and
    // draws every character as a space.
    platform::QueueMessageBoxAnswer(IDNO);
    platform::QueueMessageBoxAnswer(IDNO);
    DialogFont none("No such font");
    EXPECT_EQ(none.GetHeight(), 0);
    EXPECT_EQ(none.GetTextRect("Ab").width, 6);
    canvas->Fill(kPaper);
    none.DrawText(*canvas, Point(0, 10), "Ab", 3);
    Font plainNone("No such font");
    plainNone.DrawText(*canvas, Point(0, 10), "Ab", 3);
    EXPECT_EQ(plainNone.GetTextWidth("Ab1"), 9);
    EXPECT_EQ(RowOf(*canvas, 9, kInk), std::string(80, '.'));
}

// A glyph library whose data was made by hand: a zero-width 'A', a 'B' whose hot spot lies
// below its picture, and an 'M' that is the font's ascent.
class OddGlyphs : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        datagen::LibrarySpec lib = datagen::DialogFontLibrary(kInk);
        auto& glyphs = lib.sections[0].images;
        glyphs['A' - 33] = Image("A", 0, 8, 4, {}, 0, 8);
        glyphs['j' - 33] = Image("j", 2, 4, 4, std::vector<std::uint8_t>(8, kInk), 0, 9);
        data.WriteLibrary("odd.qif", lib);
        data.WriteIndex({{"odd.qif", "Odd"}});
        MakeApp();
    }
};

TEST_F(OddGlyphs, ZeroWidthGlyphDrawsNothingAndHeightsStayNonNegative) {
    DialogFont font("Odd");
    Bitmap canvas(Dim(40, 20), 1);
    canvas.Fill(0);
    EXPECT_EQ(font.GetTextWidth("ABA"), GlyphWidth('B'));
    font.DrawText(canvas, Point(0, 10), "A&AB", 3);
    EXPECT_EQ(RowOf(canvas, 9, kInk, 0, GlyphWidth('B') + 1), std::string(GlyphWidth('B'), '#') + ".");
    // The hot spot below the picture counts as the picture's height: no negative descent.
    EXPECT_EQ(font.GetDescent(), 0);
    EXPECT_GE(font.GetTextRect("").height, 0);
}


TEST_F(Fonts, TheTextFaceOfTheDialogFontDrawsAsTheFontDoes) {
    // Text tiles and spinners draw through a text face; the dialog font's must give the same
    // glyphs, heights and touched box as the font itself.
    std::unique_ptr<TextFace> face = MakeDialogFontFace(nullptr);
    ASSERT_NE(face, nullptr);
    EXPECT_EQ(face->LineHeight(), datagen::kGlyphAscent);
    EXPECT_EQ(face->TextSize("Exit"), Dim(static_cast<std::int16_t>(WidthOf("Exit")),
                                         static_cast<std::int16_t>(datagen::kGlyphAscent + datagen::kGlyphDescent)));
    Surface through(Dim(80, 40));
    through.Fill(kPaper);
    const Point pen(2, 12);
    const Box touched = face->DrawText(through, pen, "Exit", 3);
    EXPECT_EQ(touched, Box(2, static_cast<std::int16_t>(12 - datagen::kGlyphAscent), static_cast<std::int16_t>(WidthOf("Exit")),
                           static_cast<std::int16_t>(datagen::kGlyphAscent + datagen::kGlyphDescent)));
    DialogFont font("MS Sans Serif 2");
    font.DrawText(*canvas, pen, "Exit", 3);
    for (int y = 0; y < 40; ++y) EXPECT_EQ(RowOf(through, y, kInk), RowOf(*canvas, y, kInk)) << y;
    // The factory is installed once and does not replace another.
    const TextFaceFactory before = SetTextFaceFactory(nullptr);
    InstallDialogFontFaces();
    EXPECT_NE(MakeTextFace("MS Sans Serif 2"), nullptr);
    SetTextFaceFactory(before);
}

} // namespace
