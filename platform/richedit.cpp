#include "platform/richedit.h"

#include "platform/dialog_paint.h"
#include "platform/richedit_rtf.h"
#include "platform/window_record.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace {

using platform::RichEditFormat;
using platform::RichEditRun;

struct ParagraphFormat {
    std::vector<LONG> tabs;
    bool operator==(const ParagraphFormat& o) const { return tabs == o.tabs; }
};

struct RichEditState {
    std::string text;
    std::vector<std::uint16_t> formatOf;     // one per character
    std::vector<std::uint16_t> paragraphOf;  // one per character; the paragraph's format
    std::vector<RichEditFormat> formats{RichEditFormat()};
    std::vector<ParagraphFormat> paragraphFormats{ParagraphFormat()};
    std::uint16_t insertion = 0;
    std::uint16_t emptyParagraph = 0;  // the format of a text without characters
    LONG selStart = 0;
    LONG selEnd = 0;
    LONG limit = platform::kRichEditDefaultLimit;
    LONG firstVisibleLine = 0;

    LONG Length() const { return static_cast<LONG>(text.size()); }

    // Format tables only grow; a control's life sees few distinct formats, and past 65535 the
    // last entry is reused rather than overflowing the index.
    std::uint16_t Intern(const RichEditFormat& f) {
        for (std::size_t i = 0; i < formats.size(); ++i)
            if (formats[i] == f) return static_cast<std::uint16_t>(i);
        if (formats.size() >= 0xFFFF) return static_cast<std::uint16_t>(formats.size() - 1);
        formats.push_back(f);
        return static_cast<std::uint16_t>(formats.size() - 1);
    }
    std::uint16_t InternParagraph(const ParagraphFormat& p) {
        for (std::size_t i = 0; i < paragraphFormats.size(); ++i)
            if (paragraphFormats[i] == p) return static_cast<std::uint16_t>(i);
        if (paragraphFormats.size() >= 0xFFFF) return static_cast<std::uint16_t>(paragraphFormats.size() - 1);
        paragraphFormats.push_back(p);
        return static_cast<std::uint16_t>(paragraphFormats.size() - 1);
    }

    void Clamp(LONG& from, LONG& to) const {
        const LONG n = Length();
        if (from < 0) {  // (-1, x) removes the selection: the caret goes to the end of it
            from = to = n;
            return;
        }
        if (to < 0 || to > n) to = n;
        if (from > n) from = n;
        if (from > to) std::swap(from, to);
    }

    std::uint16_t FormatBefore(LONG at) const {
        if (text.empty()) return insertion;
        if (at > 0) return formatOf[static_cast<std::size_t>(at - 1)];
        return formatOf[0];
    }

    bool InsideLineEnd(LONG at) const {
        return at > 0 && at < Length() && text[static_cast<std::size_t>(at - 1)] == '\r' &&
               text[static_cast<std::size_t>(at)] == '\n';
    }

    void SetSelection(LONG from, LONG to) {
        Clamp(from, to);
        // A paragraph end is selected whole or not at all.
        if (from == to && InsideLineEnd(from)) {
            from = to = from + 1;
        } else {
            if (InsideLineEnd(from)) --from;
            if (InsideLineEnd(to)) ++to;
        }
        if (from == selStart && to == selEnd) return;
        selStart = from;
        selEnd = to;
        insertion = FormatBefore(from);
    }

    std::uint16_t ParagraphAt(LONG at) const {
        if (text.empty()) return emptyParagraph;
        if (at >= Length()) at = Length() - 1;
        return paragraphOf[static_cast<std::size_t>(at)];
    }

    // Replaces the selection with pieces of text, each of its own format; line ends become
    // "\r\n"; what passes the limit is dropped. Answers the characters inserted.
    LONG Replace(const std::vector<std::pair<std::string, std::uint16_t>>& pieces) {
        const std::uint16_t paragraph = ParagraphAt(selStart);
        text.erase(static_cast<std::size_t>(selStart), static_cast<std::size_t>(selEnd - selStart));
        formatOf.erase(formatOf.begin() + selStart, formatOf.begin() + selEnd);
        paragraphOf.erase(paragraphOf.begin() + selStart, paragraphOf.begin() + selEnd);
        std::string add;
        std::vector<std::uint16_t> addFormats;
        for (const auto& [piece, format] : pieces) {
            for (std::size_t i = 0; i < piece.size(); ++i) {
                const char c = piece[i];
                if (c == '\r' || c == '\n') {
                    if (c == '\r' && i + 1 < piece.size() && piece[i + 1] == '\n') ++i;
                    add += "\r\n";
                    addFormats.insert(addFormats.end(), 2, format);
                } else {
                    add += c;
                    addFormats.push_back(format);
                }
            }
        }
        std::size_t room = limit > Length() ? static_cast<std::size_t>(limit - Length()) : 0;
        if (add.size() > room) {
            // Never keep half of a paragraph end.
            if (room > 0 && add[room - 1] == '\r') --room;
            add.resize(room);
            addFormats.resize(room);
        }
        text.insert(static_cast<std::size_t>(selStart), add);
        formatOf.insert(formatOf.begin() + selStart, addFormats.begin(), addFormats.end());
        paragraphOf.insert(paragraphOf.begin() + selStart, add.size(), paragraph);
        selStart = selEnd = selStart + static_cast<LONG>(add.size());
        return static_cast<LONG>(add.size());
    }

    LONG ReplaceWith(const std::string& s) { return Replace({{s, insertion}}); }

    LONG LineOf(LONG at) const {
        LONG line = 0;
        for (LONG i = 0; i < at && i < Length(); ++i)
            if (text[static_cast<std::size_t>(i)] == '\n') ++line;
        return line;
    }
    LONG LineCount() const { return LineOf(Length()) + 1; }

    bool Check() const {
        if (formatOf.size() != text.size() || paragraphOf.size() != text.size()) return false;
        for (std::uint16_t f : formatOf)
            if (f >= formats.size()) return false;
        for (std::uint16_t p : paragraphOf)
            if (p >= paragraphFormats.size()) return false;
        if (insertion >= formats.size() || emptyParagraph >= paragraphFormats.size()) return false;
        // No half paragraph ends.
        for (std::size_t i = 0; i < text.size(); ++i) {
            if (text[i] == '\r' && (i + 1 >= text.size() || text[i + 1] != '\n')) return false;
            if (text[i] == '\n' && (i == 0 || text[i - 1] != '\r')) return false;
        }
        return 0 <= selStart && selStart <= selEnd && selEnd <= Length();
    }
};

std::map<HWND, std::unique_ptr<RichEditState>>& States() {
    static std::map<HWND, std::unique_ptr<RichEditState>> states;
    return states;
}

RichEditState* StateOf(HWND hwnd) {
    auto it = States().find(hwnd);
    return it == States().end() ? nullptr : it->second.get();
}

bool ReadOnly(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & ES_READONLY) != 0; }

// The window's own title mirrors the text, so that the plain window calls see it too.
void Changed(HWND hwnd, RichEditState& s) {
    hwnd->title = s.text;
    InvalidateRect(hwnd, nullptr, TRUE);
}

void ApplyCharFormat(RichEditFormat& f, const CHARFORMATA& cf) {
    if (cf.dwMask & CFM_BOLD) f.bold = (cf.dwEffects & CFE_BOLD) != 0;
    if (cf.dwMask & CFM_ITALIC) f.italic = (cf.dwEffects & CFE_ITALIC) != 0;
    if (cf.dwMask & CFM_UNDERLINE) f.underline = (cf.dwEffects & CFE_UNDERLINE) != 0;
    if (cf.dwMask & CFM_SIZE) f.height = cf.yHeight;
    if (cf.dwMask & CFM_FACE) f.face.assign(cf.szFaceName, strnlen(cf.szFaceName, LF_FACESIZE));
    if (cf.dwMask & CFM_COLOR) {
        f.autoColour = (cf.dwEffects & CFE_AUTOCOLOR) != 0;
        f.colour = f.autoColour ? 0 : cf.crTextColor;
    }
}

void FillCharFormat(const RichEditFormat& f, CHARFORMATA& cf) {
    cf.dwMask = CFM_BOLD | CFM_ITALIC | CFM_UNDERLINE | CFM_SIZE | CFM_FACE | CFM_COLOR;
    cf.dwEffects = (f.bold ? CFE_BOLD : 0) | (f.italic ? CFE_ITALIC : 0) | (f.underline ? CFE_UNDERLINE : 0) |
                   (f.autoColour ? CFE_AUTOCOLOR : 0);
    cf.yHeight = f.height;
    cf.yOffset = 0;
    cf.crTextColor = f.colour;
    std::memset(cf.szFaceName, 0, sizeof cf.szFaceName);
    std::memcpy(cf.szFaceName, f.face.data(), std::min<std::size_t>(f.face.size(), LF_FACESIZE - 1));
}

LRESULT SetCharFormat(RichEditState& s, WPARAM which, const CHARFORMATA* cf) {
    if (!cf) return 0;
    if (which & SCF_ALL) {
        for (auto& index : s.formatOf) {
            RichEditFormat f = s.formats[index];
            ApplyCharFormat(f, *cf);
            index = s.Intern(f);
        }
        RichEditFormat f = s.formats[s.insertion];
        ApplyCharFormat(f, *cf);
        s.insertion = s.Intern(f);
        return 1;
    }
    if (which & SCF_SELECTION) {
        if (s.selStart == s.selEnd) {
            RichEditFormat f = s.formats[s.insertion];
            ApplyCharFormat(f, *cf);
            s.insertion = s.Intern(f);
            return 1;
        }
        for (LONG i = s.selStart; i < s.selEnd; ++i) {
            auto& index = s.formatOf[static_cast<std::size_t>(i)];
            RichEditFormat f = s.formats[index];
            ApplyCharFormat(f, *cf);
            index = s.Intern(f);
        }
        return 1;
    }
    // The default format: what an empty control's text takes.
    RichEditFormat f = s.formats[0];
    ApplyCharFormat(f, *cf);
    s.formats[0] = f;
    return 1;
}

LRESULT SetParaFormat(RichEditState& s, const PARAFORMAT* pf) {
    if (!pf || !(pf->dwMask & PFM_TABSTOPS)) return pf ? 1 : 0;
    ParagraphFormat p;
    const int count = std::clamp<int>(pf->cTabCount, 0, MAX_TAB_STOPS);
    p.tabs.assign(pf->rgxTabs, pf->rgxTabs + count);
    const std::uint16_t index = s.InternParagraph(p);
    if (s.text.empty()) {
        s.emptyParagraph = index;
        return 1;
    }
    // Every paragraph the selection touches, whole.
    LONG from = std::min(s.selStart, s.Length() - 1);
    LONG to = std::max(s.selEnd, from + 1);
    while (from > 0 && s.text[static_cast<std::size_t>(from - 1)] != '\n') --from;
    while (to < s.Length() && s.text[static_cast<std::size_t>(to - 1)] != '\n') ++to;
    for (LONG i = from; i < to; ++i) s.paragraphOf[static_cast<std::size_t>(i)] = index;
    return 1;
}

LRESULT StreamIn(HWND hwnd, RichEditState& s, WPARAM kind, EDITSTREAM* stream) {
    if (!stream || !stream->pfnCallback) return 0;
    stream->dwError = 0;
    std::string input;
    BYTE buffer[4096];
    for (;;) {
        LONG got = 0;
        const DWORD answer = stream->pfnCallback(stream->dwCookie, buffer, static_cast<LONG>(sizeof buffer), &got);
        if (answer != 0) {
            stream->dwError = answer;
            break;
        }
        if (got <= 0) break;
        input.append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(std::min<LONG>(got, sizeof buffer)));
        if (input.size() > platform::kRichEditStreamBound) {
            stream->dwError = kStreamErrorTooLong;
            return 0;
        }
    }
    std::vector<std::pair<std::string, std::uint16_t>> pieces;
    if ((kind & 0xFF) == SF_RTF) {
        std::vector<RichEditRun> runs;
        std::string error;
        if (!platform::ReadRtf(input, s.formats[s.insertion], runs, error)) {
            stream->dwError = kStreamErrorDamaged;
            return 0;
        }
        for (const RichEditRun& r : runs) pieces.emplace_back(r.text, s.Intern(r.format));
    } else {
        pieces.emplace_back(input, s.insertion);
    }
    if (!(kind & SFF_SELECTION)) {
        s.selStart = 0;
        s.selEnd = s.Length();
    }
    const LONG start = s.selStart;
    const LONG n = s.Replace(pieces);
    s.selStart = s.selEnd = (kind & SFF_SELECTION) ? start + n : 0;
    s.insertion = s.FormatBefore(s.selStart);
    Changed(hwnd, s);
    return n;
}

LRESULT FindText(const RichEditState& s, const FINDTEXTA* find) {
    if (!find || !find->lpstrText || !*find->lpstrText) return -1;
    LONG from = find->chrg.cpMin, to = find->chrg.cpMax;
    if (from < 0) from = 0;
    if (to < 0 || to > s.Length()) to = s.Length();
    if (from >= to) return -1;
    const std::string_view window(s.text.data() + from, static_cast<std::size_t>(to - from));
    const std::size_t at = window.find(find->lpstrText);
    return at == std::string_view::npos ? -1 : from + static_cast<LRESULT>(at);
}

// --- painting ---
// The text in the system font on white, paragraph by paragraph from the first visible one, words
// wrapped at the right edge, tabs to the paragraph's stops (every half inch past the last one);
// bold is drawn twice a pixel apart, underline as a rule under the word. A vertical scroll bar
// (WS_VSCROLL) scrolls by paragraphs: its arrows by one, its track by a box full.
constexpr int kRichMargin = 2;
constexpr int kRichBarWidth = 16;
constexpr int kTwipsPerPixel = 15;
constexpr int kDefaultTabPixels = 48;

// The nearest of the twenty colours every palette keeps.
BYTE InkOf(const RichEditFormat& f) {
    if (f.autoColour) return platform::detail::kInkBlack;
    static const struct {
        BYTE index, r, g, b;
    } kSystem[] = {{0, 0, 0, 0},         {1, 128, 0, 0},       {2, 0, 128, 0},       {3, 128, 128, 0},
                   {4, 0, 0, 128},       {5, 128, 0, 128},     {6, 0, 128, 128},     {7, 192, 192, 192},
                   {8, 192, 220, 192},   {9, 166, 202, 240},   {246, 255, 251, 240}, {247, 160, 160, 164},
                   {248, 128, 128, 128}, {249, 255, 0, 0},     {250, 0, 255, 0},     {251, 255, 255, 0},
                   {252, 0, 0, 255},     {253, 255, 0, 255},   {254, 0, 255, 255},   {255, 255, 255, 255}};
    const int r = GetRValue(f.colour), g = GetGValue(f.colour), b = GetBValue(f.colour);
    BYTE best = 0;
    int bestDistance = 1 << 30;
    for (const auto& c : kSystem) {
        const int d = (r - c.r) * (r - c.r) + (g - c.g) * (g - c.g) + (b - c.b) * (b - c.b);
        if (d < bestDistance) {
            bestDistance = d;
            best = c.index;
        }
    }
    return best;
}

bool HasBar(HWND hwnd) { return (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_VSCROLL) != 0; }

// Where the characters from `at` on start: the offset of the paragraph `line` (0 from the first).
std::size_t ParagraphStart(const RichEditState& s, LONG line) {
    std::size_t at = 0;
    for (LONG n = 0; n < line; ++n) {
        const std::size_t end = s.text.find('\n', at);
        if (end == std::string::npos) return s.text.size();
        at = end + 1;
    }
    return at;
}

int NextTab(const ParagraphFormat& p, int x) {
    for (LONG stop : p.tabs) {
        const int at = kRichMargin + static_cast<int>(stop / kTwipsPerPixel);
        if (at > x) return at;
    }
    const int last = p.tabs.empty() ? kRichMargin : kRichMargin + static_cast<int>(p.tabs.back() / kTwipsPerPixel);
    return x < last ? last : last + ((x - last) / kDefaultTabPixels + 1) * kDefaultTabPixels;
}

void PaintRichEdit(HWND hwnd, const RichEditState& s) {
    using namespace platform::detail;
    Canvas canvas(hwnd);
    if (!canvas.Ok()) return;
    const int w = canvas.Width(), h = canvas.Height();
    const bool bar = HasBar(hwnd);
    const int right = w - kRichMargin - (bar ? kRichBarWidth : 0);
    const int lineHeight = std::max(1, SystemLineHeight());
    canvas.Fill(RECT{0, 0, w, h}, kInkWhite);
    int y = kRichMargin;
    std::size_t i = ParagraphStart(s, s.firstVisibleLine);
    while (y < h) {
        std::size_t end = s.text.find('\r', i);
        if (end == std::string::npos) end = s.text.size();
        const ParagraphFormat& paragraph =
            s.paragraphFormats[i < s.text.size() ? s.paragraphOf[i] : s.ParagraphAt(static_cast<LONG>(i))];
        int x = kRichMargin;
        while (i < end) {
            const char c = s.text[i];
            if (c == '\t') {
                x = NextTab(paragraph, x);
                ++i;
                continue;
            }
            // A word: characters of one format up to a space or a tab; a space stands alone.
            std::size_t j = i + 1;
            if (c != ' ')
                while (j < end && s.text[j] != ' ' && s.text[j] != '\t' && s.formatOf[j] == s.formatOf[i]) ++j;
            const std::string_view word(s.text.data() + i, j - i);
            const RichEditFormat& f = s.formats[s.formatOf[i]];
            const int width = SystemTextWidth(word) + (f.bold ? 1 : 0);
            if (x + width > right && x > kRichMargin && c != ' ') {
                y += lineHeight;
                x = kRichMargin;
            }
            if (c != ' ' && y < h) {
                const BYTE ink = InkOf(f);
                constexpr UINT kFlags = DT_SINGLELINE | DT_NOPREFIX | DT_NOCLIP;
                canvas.Text(RECT{x, y, x + width + 8, y + lineHeight}, word, kFlags, ink);
                if (f.bold) canvas.Text(RECT{x + 1, y, x + width + 9, y + lineHeight}, word, kFlags, ink);
                if (f.underline) canvas.Fill(RECT{x, y + lineHeight - 2, x + width, y + lineHeight - 1}, ink);
            }
            x += width;
            i = j;
        }
        if (end >= s.text.size()) break;
        i = end + 2;
        y += lineHeight;
    }
    // Text never runs over the margins or under the bar.
    canvas.Fill(RECT{right, 0, w, h}, kInkWhite);
    canvas.Fill(RECT{0, h - kRichMargin, w, h}, kInkWhite);
    if (bar) {
        const RECT track{right, 0, w, h};
        canvas.Fill(track, 247);
        const int button = std::min(kRichBarWidth, h / 2);
        const RECT up{right, 0, w, button}, down{right, h - button, w, h};
        for (const RECT& b : {up, down}) {
            canvas.Fill(b, kInkSilver);
            canvas.Raised(b, false);
        }
        canvas.Arrow(up, true, kInkBlack);
        canvas.Arrow(down, false, kInkBlack);
        const int room = h - 2 * button, lines = static_cast<int>(s.LineCount());
        if (room > 8 && lines > 1) {
            const int thumb = 8;
            const int at = button + (room - thumb) * static_cast<int>(s.firstVisibleLine) / (lines - 1);
            const RECT t{right, at, w, at + thumb};
            canvas.Fill(t, kInkSilver);
            canvas.Raised(t, false);
        }
    }
    canvas.Sunken(RECT{0, 0, w, h});
}

// Scrolls by paragraphs, never past the last; answers whether the view moved.
bool ScrollBy(HWND hwnd, RichEditState& s, LONG lines) {
    const LONG to = std::clamp<LONG>(s.firstVisibleLine + lines, 0, std::max<LONG>(0, s.LineCount() - 1));
    if (to == s.firstVisibleLine) return false;
    s.firstVisibleLine = to;
    InvalidateRect(hwnd, nullptr, FALSE);
    return true;
}

LONG PageLines(HWND hwnd) {
    RECT client{};
    GetClientRect(hwnd, &client);
    return std::max<LONG>(1, (client.bottom - client.top) / std::max(1, platform::detail::SystemLineHeight()) - 1);
}

LRESULT CALLBACK_RichEditProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        States()[hwnd] = std::make_unique<RichEditState>();
        hwnd->title.clear();
        return TRUE;
    }
    if (message == WM_NCDESTROY) {
        States().erase(hwnd);
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    RichEditState* s = StateOf(hwnd);
    if (!s) return DefWindowProcA(hwnd, message, wParam, lParam);
    switch (message) {
    case WM_CREATE: {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (cs && cs->lpszName && *cs->lpszName) {
            s->ReplaceWith(cs->lpszName);
            s->SetSelection(0, 0);
            Changed(hwnd, *s);
        }
        return 0;
    }
    case WM_SETTEXT:
        s->selStart = 0;
        s->selEnd = s->Length();
        s->ReplaceWith(lParam ? reinterpret_cast<const char*>(lParam) : "");
        s->SetSelection(0, 0);
        Changed(hwnd, *s);
        return TRUE;
    case WM_GETTEXTLENGTH: return s->Length();
    case WM_GETTEXT: return DefWindowProcA(hwnd, message, wParam, lParam);
    case WM_CHAR: {
        if (ReadOnly(hwnd) || (GetWindowLongPtrA(hwnd, GWL_STYLE) & WS_DISABLED)) return 0;
        const char c = static_cast<char>(wParam);
        if (wParam == 8) {  // backspace
            if (s->selStart == s->selEnd && s->selStart > 0) {
                LONG from = s->selStart - 1;
                if (from > 0 && s->text[static_cast<std::size_t>(from)] == '\n' &&
                    s->text[static_cast<std::size_t>(from - 1)] == '\r')
                    --from;
                s->selStart = from;
            }
            s->ReplaceWith("");
        } else if (c == '\r' || c == '\n' || c == '\t' || static_cast<unsigned char>(c) >= 32) {
            s->ReplaceWith(std::string(1, c));
        } else {
            return 0;
        }
        Changed(hwnd, *s);
        return 0;
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        PaintRichEdit(hwnd, *s);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_LBUTTONDOWN: {
        SetFocus(hwnd);
        RECT client{};
        GetClientRect(hwnd, &client);
        const int x = GET_X_LPARAM(lParam), y = GET_Y_LPARAM(lParam);
        if (!HasBar(hwnd) || x < client.right - kRichBarWidth) return 0;
        const int button = std::min<int>(kRichBarWidth, client.bottom / 2);
        if (y < button) ScrollBy(hwnd, *s, -1);
        else if (y >= client.bottom - button) ScrollBy(hwnd, *s, 1);
        else ScrollBy(hwnd, *s, y < client.bottom / 2 ? -PageLines(hwnd) : PageLines(hwnd));
        return 0;
    }
    case EM_GETSEL:
        if (wParam) *reinterpret_cast<DWORD*>(wParam) = static_cast<DWORD>(s->selStart);
        if (lParam) *reinterpret_cast<DWORD*>(lParam) = static_cast<DWORD>(s->selEnd);
        return static_cast<LRESULT>((static_cast<DWORD>(s->selEnd) << 16) | (static_cast<DWORD>(s->selStart) & 0xFFFF));
    case EM_SETSEL:
        s->SetSelection(static_cast<LONG>(static_cast<std::intptr_t>(wParam)), static_cast<LONG>(lParam));
        return 0;
    case EM_EXGETSEL:
        if (auto* r = reinterpret_cast<CHARRANGE*>(lParam)) *r = CHARRANGE{s->selStart, s->selEnd};
        return 0;
    case EM_EXSETSEL:
        if (const auto* r = reinterpret_cast<const CHARRANGE*>(lParam)) s->SetSelection(r->cpMin, r->cpMax);
        return s->selEnd;
    case EM_REPLACESEL:
        s->ReplaceWith(lParam ? reinterpret_cast<const char*>(lParam) : "");
        Changed(hwnd, *s);
        return 0;
    case EM_LIMITTEXT:
    case EM_EXLIMITTEXT: {
        const LONG want = static_cast<LONG>(message == EM_LIMITTEXT ? static_cast<LPARAM>(wParam) : lParam);
        s->limit = want <= 0 ? platform::kRichEditDefaultLimit : want;
        return 0;
    }
    case EM_GETLIMITTEXT: return s->limit;
    case EM_SETREADONLY: {
        LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
        style = wParam ? (style | ES_READONLY) : (style & ~static_cast<LONG_PTR>(ES_READONLY));
        SetWindowLongPtrA(hwnd, GWL_STYLE, style);
        return TRUE;
    }
    case EM_SETCHARFORMAT: {
        const LRESULT r = SetCharFormat(*s, wParam, reinterpret_cast<const CHARFORMATA*>(lParam));
        Changed(hwnd, *s);
        return r;
    }
    case EM_GETCHARFORMAT: {
        auto* cf = reinterpret_cast<CHARFORMATA*>(lParam);
        if (!cf) return 0;
        const std::uint16_t index = wParam == SCF_DEFAULT ? 0
                                    : (s->selStart == s->selEnd ? s->insertion
                                                                : s->formatOf[static_cast<std::size_t>(s->selStart)]);
        FillCharFormat(s->formats[index], *cf);
        return static_cast<LRESULT>(cf->dwMask);
    }
    case EM_SETPARAFORMAT: return SetParaFormat(*s, reinterpret_cast<const PARAFORMAT*>(lParam));
    case EM_GETPARAFORMAT: {
        auto* pf = reinterpret_cast<PARAFORMAT*>(lParam);
        if (!pf) return 0;
        const ParagraphFormat& p = s->paragraphFormats[s->ParagraphAt(s->selStart)];
        pf->dwMask = PFM_TABSTOPS;
        pf->cTabCount = static_cast<std::int16_t>(p.tabs.size());
        std::copy(p.tabs.begin(), p.tabs.end(), pf->rgxTabs);
        return static_cast<LRESULT>(pf->dwMask);
    }
    case EM_STREAMIN: return StreamIn(hwnd, *s, wParam, reinterpret_cast<EDITSTREAM*>(lParam));
    case EM_FINDTEXT: return FindText(*s, reinterpret_cast<const FINDTEXTA*>(lParam));
    case EM_GETTEXTRANGE: {
        auto* range = reinterpret_cast<TEXTRANGEA*>(lParam);
        if (!range || !range->lpstrText) return 0;
        LONG from = range->chrg.cpMin, to = range->chrg.cpMax;
        if (from < 0) from = 0;
        if (to < 0 || to > s->Length()) to = s->Length();
        if (from > to) from = to;
        std::memcpy(range->lpstrText, s->text.data() + from, static_cast<std::size_t>(to - from));
        range->lpstrText[to - from] = 0;
        return to - from;
    }
    case EM_GETLINECOUNT: return s->LineCount();
    case EM_GETFIRSTVISIBLELINE: return s->firstVisibleLine;
    case EM_SCROLLCARET: {
        RECT client{};
        GetClientRect(hwnd, &client);
        const LONG visible = std::max<LONG>(1, (client.bottom - client.top) / 13);
        const LONG line = s->LineOf(s->selEnd);
        if (line < s->firstVisibleLine) s->firstVisibleLine = line;
        if (line >= s->firstVisibleLine + visible) s->firstVisibleLine = line - visible + 1;
        return 0;
    }
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

} // namespace

namespace platform {

bool RegisterRichEditClass() {
    WNDCLASSA probe;
    if (GetClassInfoA(nullptr, "RichEdit", &probe)) return true;
    WNDCLASSA wc{};
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = &CALLBACK_RichEditProc;
    wc.lpszClassName = "RichEdit";
    return RegisterClassA(&wc) != 0;
}

std::vector<RichEditRun> RichEditRuns(HWND control) {
    std::vector<RichEditRun> runs;
    const RichEditState* s = IsWindow(control) ? StateOf(control) : nullptr;
    if (!s) return runs;
    for (std::size_t i = 0; i < s->text.size(); ++i) {
        const RichEditFormat& f = s->formats[s->formatOf[i]];
        if (runs.empty() || !(runs.back().format == f))
            runs.push_back(RichEditRun{std::string(), f});
        runs.back().text += s->text[i];
    }
    return runs;
}

bool RichEditCheck(HWND control) {
    const RichEditState* s = IsWindow(control) ? StateOf(control) : nullptr;
    return s && s->Check();
}

std::vector<LONG> RichEditTabStops(HWND control, LONG position) {
    const RichEditState* s = IsWindow(control) ? StateOf(control) : nullptr;
    if (!s) return {};
    return s->paragraphFormats[s->ParagraphAt(position)].tabs;
}

} // namespace platform
