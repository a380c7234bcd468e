#pragma once
// Text in the system's typeface. Every word the window system and the program write in "the
// system font" (captions, controls, message boxes, the status bar and the tool tips) is drawn
// here, from DejaVu Sans (regular and bold) rendered by FreeType into 8-bit surfaces: the ink is
// the palette index nearest to the text colour, and the soft edges of each glyph are blended
// toward the pixel beneath through the system palette (entries that the realised palette keeps
// for animation are never chosen, so text does not flicker when colours cycle).
//
// Fonts: CreateFontA's height is the character height in pixels when negative (what a point
// size gives: -MulDiv(points, 96, 72)), the cell height (ascent + descent) when positive, and
// the system font's when 0; a weight of 600 or more takes the bold face. A context starts with
// the system font (GetStockObject(SYSTEM_FONT)), black text, an opaque white background and
// TA_LEFT | TA_TOP alignment. Characters are single bytes read as Latin-1.
//
// Without the font files (fonts-dejavu-core) nothing is drawn and every text measures as if
// each character were a fixed cell; the reason is written once on stderr and kept in
// platform::FontError().
#include "platform/gdi.h"
#include "platform/window.h"

#include <cstdint>
#include <string>
#include <string_view>

using HFONT = GdiObjectRecord*;

constexpr int FW_NORMAL = 400;
constexpr int FW_BOLD = 700;
constexpr DWORD ANSI_CHARSET = 0;
constexpr DWORD DEFAULT_CHARSET = 1;

// A palette index given as a colour: drawn with exactly that index.
constexpr COLORREF PALETTEINDEX(WORD index) { return 0x01000000u | index; }

HFONT CreateFontA(int height, int width, int escapement, int orientation, int weight, DWORD italic, DWORD underline,
                  DWORD strikeOut, DWORD charSet, DWORD outputPrecision, DWORD clipPrecision, DWORD quality,
                  DWORD pitchAndFamily, const char* face);
int MulDiv(int number, int numerator, int denominator);

constexpr int SYSTEM_FONT = 13;
constexpr int DEFAULT_GUI_FONT = 17;
constexpr int NULL_BRUSH = 5;
// The null brush, and the system font (SYSTEM_FONT, DEFAULT_GUI_FONT).
HGDIOBJ GetStockObject(int object);

constexpr int TRANSPARENT = 1;
constexpr int OPAQUE = 2;
int SetBkMode(HDC dc, int mode);
COLORREF SetBkColor(HDC dc, COLORREF colour);
COLORREF SetTextColor(HDC dc, COLORREF colour);

constexpr UINT TA_LEFT = 0;
constexpr UINT TA_TOP = 0;
constexpr UINT TA_RIGHT = 2;
constexpr UINT TA_CENTER = 6;
constexpr UINT TA_BASELINE = 24;
UINT SetTextAlign(HDC dc, UINT align);

// The metrics of the selected font. The system font keeps the cell the dialog units are made
// of (13 pixels high, 7 wide on average) whatever the typeface measures.
struct TEXTMETRICA {
    LONG tmHeight;
    LONG tmAscent;
    LONG tmDescent;
    LONG tmInternalLeading;
    LONG tmExternalLeading;
    LONG tmAveCharWidth;
    LONG tmMaxCharWidth;
};
BOOL GetTextMetricsA(HDC dc, TEXTMETRICA* metrics);
BOOL GetTextExtentPoint32A(HDC dc, const char* text, int count, SIZE* size);
BOOL GetTextExtentPointA(HDC dc, const char* text, int count, SIZE* size);

// Writes into the bitmap selected in the context, or into the client pixels of the context's
// window (the screen then shows the change).
BOOL TextOutA(HDC dc, int x, int y, const char* text, int count);
constexpr UINT ETO_OPAQUE = 0x0002;
constexpr UINT ETO_CLIPPED = 0x0004;
BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, const char* text, UINT count, const int* dx);

constexpr UINT DT_TOP = 0x0000;
constexpr UINT DT_LEFT = 0x0000;
constexpr UINT DT_CENTER = 0x0001;
constexpr UINT DT_RIGHT = 0x0002;
constexpr UINT DT_VCENTER = 0x0004;
constexpr UINT DT_BOTTOM = 0x0008;
constexpr UINT DT_WORDBREAK = 0x0010;
constexpr UINT DT_SINGLELINE = 0x0020;
constexpr UINT DT_NOCLIP = 0x0100;
constexpr UINT DT_CALCRECT = 0x0400;
constexpr UINT DT_NOPREFIX = 0x0800;
// Lines break at '\n' and, with DT_WORDBREAK, between words that pass the rectangle's width;
// '&' underlines the next character ("&&" is one '&') unless DT_NOPREFIX. DT_CALCRECT only
// measures: the rectangle's right and bottom are set. Returns the height of the text.
int DrawTextA(HDC dc, const char* text, int count, RECT* rect, UINT format);

namespace platform {

// One run of text drawn straight into 8-bit pixels (rows `stride` bytes apart, bottom row
// first when bottomUp). `top` is the top of the text's cell; `background` -1 leaves the pixels
// under the text as they are (the glyph edges blend into them), 0-255 fills the cell first.
struct Surface8 {
    BYTE* bits = nullptr;
    int width = 0;
    int height = 0;
    int stride = 0;
    bool bottomUp = false;
};
struct TextStyle {
    int pixelHeight = 11;  // the character (em) height in pixels
    bool bold = false;
    BYTE ink = 0;
    int background = -1;
    bool underlineMnemonic = false;  // '&' marks the next character, "&&" writes one '&'
};
// The box actually written (clipped), empty when nothing was.
RECT DrawText8(const Surface8& into, const RECT& clip, int x, int top, std::string_view text, const TextStyle& style);
// Width and cell height (ascent + descent) of one line.
SIZE MeasureText(std::string_view text, int pixelHeight, bool bold, bool mnemonics = false);
int TextAscent(int pixelHeight, bool bold);
// Text of a colour (0x00RRGGBB) blended into RGB pixels (`width` a row); the screen's captions.
void DrawTextRGB(std::uint32_t* pixels, int width, int height, const RECT& clip, int x, int top, std::string_view text,
                 int pixelHeight, bool bold, std::uint32_t colour);

// The palette index of the system palette nearest to a colour (PALETTEINDEX: that index),
// leaving out entries the realised palette keeps for animation.
BYTE NearestShownIndex(COLORREF colour);

// Where the font files are looked for (tests point it elsewhere); empty restores the default.
void SetFontDirectory(const std::string& directory);
// Why the typeface could not be loaded; empty while it is fine.
std::string FontError();

} // namespace platform

namespace platform::detail {
// The caption bar of a window with WS_CAPTION (its title on the active colour when it is the
// active window), written by the screen composer over the window's frame; `window` is the
// window's rectangle and `clip` the part shown, both in the image's coordinates.
void DrawCaption(std::uint32_t* pixels, int width, int height, HWND hwnd, const RECT& window, const RECT& clip);
} // namespace platform::detail
