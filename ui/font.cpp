#include "ui/font.h"

#include "ui/bitmap.h"
#include "ui/display.h"

#include <algorithm>
#include <cctype>
#include <string>
#include <vector>

namespace {

bool IsLetter(unsigned char c) { return std::isalpha(c) != 0; }
bool IsDigit(unsigned char c) { return std::isdigit(c) != 0; }

} // namespace

// --- Font ---

Font::Font(const char* name) : library_(name ? name : "") {}

Font::~Font() = default;

Bitmap* Font::Glyph(std::int16_t section, std::int16_t index) const {
    if (index < 0) return nullptr;
    Bitmap* g = library_.ItemAt(library_.ImageIndex(index, section));
    if (!g || g->GetWidth() < 0 || g->GetHeight() < 0) return nullptr;
    return g;
}

std::int16_t Font::Advance(std::int16_t section, std::int16_t index) const {
    const Bitmap* g = Glyph(section, index);
    return g ? g->GetWidth() : kSpaceWidth;
}

std::int16_t Font::Ascent(std::int16_t section, std::int16_t index) const {
    const Bitmap* g = Glyph(section, index);
    if (!g) return 0;
    return static_cast<std::int16_t>(std::clamp<int>(g->GetHotspot().y, 0, g->GetHeight()));
}

std::int16_t Font::Descent(std::int16_t section, std::int16_t index) const {
    const Bitmap* g = Glyph(section, index);
    if (!g) return 0;
    return static_cast<std::int16_t>(g->GetHeight() - Ascent(section, index));
}

bool Font::DrawIndexed(Bitmap& bitmap, Point& pen, std::int16_t index, std::int16_t count) {
    const std::int16_t section = library_.CurrentSection();
    if (!Glyph(section, index)) return false;
    Bitmap* g = library_.GetBitmap(index, section);
    if (!g) return false;
    if (g->GetWidth() > 0 && g->GetHeight() > 0)
        for (int i = 0; i < count; ++i) bitmap.DrawAll(pen, *g, 1);
    pen.x = static_cast<std::int16_t>(pen.x + g->GetWidth());
    library_.ReleaseBitmap(index, section);
    return true;
}

void Font::DrawChar(Bitmap& bitmap, Point& pen, char c, std::int16_t count) {
    const unsigned char u = static_cast<unsigned char>(c);
    std::int16_t index;
    if (IsLetter(u)) {
        library_.SelectSection("Alpha");
        index = static_cast<std::int16_t>(u - 65);
    } else if (IsDigit(u)) {
        library_.SelectSection("Numeric");
        index = static_cast<std::int16_t>(u - 48);
    } else {
        pen.x = static_cast<std::int16_t>(pen.x + kSpaceWidth);
        return;
    }
    if (!DrawIndexed(bitmap, pen, index, count)) pen.x = static_cast<std::int16_t>(pen.x + kSpaceWidth);
}

void Font::DrawText(Bitmap& bitmap, const Point& pen, const char* text, std::int16_t count) {
    if (!text) return;
    Point p = pen;
    for (const char* c = text; *c; ++c) DrawChar(bitmap, p, *c, count);
}

Box Font::GetTextRect(const char* text) {
    const std::int16_t alpha = library_.SectionIndex("Alpha");
    const std::int16_t numeric = library_.SectionIndex("Numeric");
    int width = 0;
    for (const char* c = text ? text : ""; *c; ++c) {
        const unsigned char u = static_cast<unsigned char>(*c);
        if (IsLetter(u))
            width += Advance(alpha, static_cast<std::int16_t>(std::toupper(u) - 65));
        else if (IsDigit(u))
            width += Advance(numeric, static_cast<std::int16_t>(u - 48));
        else
            width += kSpaceWidth;
    }
    return Box(0, 0, static_cast<std::int16_t>(std::min(width, 32767)),
               static_cast<std::int16_t>(GetHeight() + GetDescent()));
}

std::int16_t Font::GetHeight() { return Ascent(library_.SectionIndex("Alpha"), 12); }

std::int16_t Font::GetDescent() { return Descent(library_.SectionIndex("Alpha"), 41); }

// --- AllCapsFont ---

void AllCapsFont::DrawChar(Bitmap& bitmap, Point& pen, char c, std::int16_t count) {
    Font::DrawChar(bitmap, pen, static_cast<char>(std::toupper(static_cast<unsigned char>(c))), count);
}

// --- DialogFont ---

std::int16_t DialogFont::Section() {
    library_.SelectSection("Alphanumeric");
    return library_.CurrentSection();
}

std::int16_t DialogFont::GetHeight() { return Ascent(Section(), 44); }

std::int16_t DialogFont::GetDescent() { return Descent(Section(), 73); }

void DialogFont::DrawGlyph(Bitmap& bitmap, Point& pen, char c, std::int16_t count) {
    const unsigned char u = static_cast<unsigned char>(c);
    if (u < 33 || !DrawIndexed(bitmap, pen, static_cast<std::int16_t>(u - 33), count))
        pen.x = static_cast<std::int16_t>(pen.x + kSpaceWidth);
}

void DialogFont::DrawText(Bitmap& bitmap, const Point& pen, const char* text, std::int16_t count) {
    if (!text) return;
    Point p = pen;
    int start = 0, width = 0;
    bool marked = false;
    for (const char* c = text; *c; ++c) {
        if (*c == '&') {
            start = p.x + 1;
            marked = true;
            continue;
        }
        DrawGlyph(bitmap, p, *c, count);
        if (marked) {
            width = p.x - start + 1;
            marked = false;
        }
    }
    const Box underline(static_cast<std::int16_t>(start), static_cast<std::int16_t>(p.y + 2),
                        static_cast<std::int16_t>(std::max(0, width)), 1);
    if (count >= 2)
        bitmap.FrameRect(underline, 10, 10, 10);
    else
        bitmap.FrameRect(underline, 150, 150, 150);
}

Box DialogFont::GetTextRect(const char* text) {
    const std::int16_t section = library_.CurrentSection();
    int width = 0;
    for (const char* c = text ? text : ""; *c; ++c) {
        const unsigned char u = static_cast<unsigned char>(*c);
        if (u == '&') continue;
        width += u < 33 ? kSpaceWidth : Advance(section, static_cast<std::int16_t>(u - 33));
    }
    const std::int16_t height = static_cast<std::int16_t>(GetHeight() + GetDescent());
    library_.SetCurrentSection(section);
    return Box(0, 0, static_cast<std::int16_t>(std::min(width, 32767)), height);
}

namespace {

// One word of a wrapped text and the separator that ended it (0 at the end).
struct Word {
    std::string text;
    char separator;
};

std::vector<Word> Words(const char* text) {
    std::vector<Word> words;
    std::string current;
    for (const char* c = text ? text : "";; ++c) {
        if (*c == ' ' || *c == '\n' || *c == 0) {
            words.push_back(Word{current, *c});
            current.clear();
            if (*c == 0) break;
        } else {
            current += *c;
        }
    }
    return words;
}

} // namespace

std::int16_t DialogFont::DrawWrapped(Bitmap& bitmap, const Box& area, const char* text, std::int16_t count) {
    List<Box> one;
    one.AddTail(area);
    return DrawWrappedInBoxes(bitmap, one, text, count);
}

std::int16_t DialogFont::DrawWrappedInBoxes(Bitmap& bitmap, const List<Box>& areas, const char* text,
                                            std::int16_t count) {
    const std::int16_t descent = GetDescent();
    const int lineStep = GetHeight() + descent + 2;
    const Item<Box>* box = areas.Head();
    if (!box) return descent;
    int x = box->value.x, y = box->value.y;
    for (const Word& word : Words(text)) {
        const int width = GetTextRect(word.text.c_str()).width;
        if (x + width > box->value.x + box->value.width) {
            x = box->value.x;
            y += lineStep;
        }
        // A word below the current area moves on to the next area, or ends the drawing.
        while (box && y > box->value.y + box->value.height) {
            box = box->next;
            if (box) {
                x = box->value.x;
                y = std::max<int>(y, box->value.y);
            }
        }
        if (!box) break;
        DrawText(bitmap, Point(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y)), word.text.c_str(), count);
        x += width;
        if (word.separator == '\n') {
            x = box->value.x;
            y += lineStep;
        } else if (word.separator == ' ') {
            x += kSpaceWidth;
        }
    }
    return static_cast<std::int16_t>(y + descent);
}

namespace {

class DialogFontFace : public TextFace {
public:
    explicit DialogFontFace(const char* fontName) : font_(fontName) {}
    std::int16_t LineHeight() const override { return font_.GetHeight(); }
    Dim TextSize(const std::string& text) const override {
        const Box r = font_.GetTextRect(text.c_str());
        return Dim(r.width, r.height);
    }
    Box DrawText(Display& into, const Point& at, const std::string& text, int mode) override {
        if (text.empty()) return Box(at.x, at.y, 0, 0);
        const Box r = font_.GetTextRect(text.c_str());
        font_.DrawText(into, at, text.c_str(), static_cast<std::int16_t>(mode));
        const std::int16_t ascent = font_.GetHeight();
        return Box(at.x, static_cast<std::int16_t>(at.y - ascent), r.width, r.height);
    }

private:
    // The glyph library is read on demand, which the font does through non-const calls.
    mutable DialogFont font_;
};

std::unique_ptr<TextFace> MakeFace(const char* fontName) { return MakeDialogFontFace(fontName); }

} // namespace

std::unique_ptr<TextFace> MakeDialogFontFace(const char* fontName) {
    return std::make_unique<DialogFontFace>(fontName && *fontName ? fontName : "MS Sans Serif 2");
}

void InstallDialogFontFaces() {
    TextFaceFactory old = SetTextFaceFactory(&MakeFace);
    if (old) SetTextFaceFactory(old);
}
