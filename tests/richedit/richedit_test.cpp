// The rich-edit control's messages: text with paragraph ends, selection and replacement, the
// insertion format and the formats of a selection, tab stops, read-only, the text limit, find,
// ranges, and stream-in of plain and rich text (a damaged stream refused, the text kept).
#include "platform/clock.h"
#include "platform/dialog_paint.h"
#include "platform/input.h"
#include "platform/message_queue.h"
#include "platform/richedit.h"
#include "platform/screen.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

using platform::RichEditFormat;
using platform::RichEditRun;

constexpr DWORD kStyle = WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL;

class RichEdit : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowSystem();
        platform::ResetMessageQueues();
        platform::UseVirtualClock(0);
        WNDCLASSA wc{};
        wc.lpfnWndProc = &DefWindowProcA;
        wc.lpszClassName = "Holder";
        RegisterClassA(&wc);
        ASSERT_TRUE(platform::RegisterRichEditClass());
        parent = CreateWindowExA(0, "Holder", "", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                 nullptr, nullptr);
        edit = CreateWindowExA(WS_EX_STATICEDGE, "RichEdit", "", kStyle, 5, 5, 300, 130, parent,
                               reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(101)), nullptr, nullptr);
        ASSERT_NE(edit, nullptr);
    }
    void TearDown() override { platform::ResetWindowSystem(); }

    LRESULT Send(UINT m, WPARAM w = 0, LPARAM l = 0) { return SendMessageA(edit, m, w, l); }
    void Type(const std::string& s) {
        for (char c : s) Send(WM_CHAR, static_cast<unsigned char>(c));
    }
    void Replace(const char* s) { Send(EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(s)); }
    void Select(LONG from, LONG to) { Send(EM_SETSEL, static_cast<WPARAM>(static_cast<std::intptr_t>(from)), to); }
    std::string Text() {
        std::vector<char> buf(static_cast<std::size_t>(Send(WM_GETTEXTLENGTH)) + 1);
        GetWindowTextA(edit, buf.data(), static_cast<int>(buf.size()));
        return buf.data();
    }
    void Format(WPARAM which, DWORD mask, DWORD effects, COLORREF colour = 0, LONG height = 0, const char* face = "") {
        CHARFORMATA cf{};
        cf.cbSize = sizeof cf;
        cf.dwMask = mask;
        cf.dwEffects = effects;
        cf.crTextColor = colour;
        cf.yHeight = height;
        std::strncpy(cf.szFaceName, face, LF_FACESIZE - 1);
        Send(EM_SETCHARFORMAT, which, reinterpret_cast<LPARAM>(&cf));
    }

    HWND parent = nullptr;
    HWND edit = nullptr;
};

TEST_F(RichEdit, TypedLineEndsBecomeParagraphEndsAndReplaceTheSelection) {
    Type("ab\ncd\re");
    EXPECT_EQ(Text(), "ab\r\ncd\r\ne");
    EXPECT_EQ(Send(EM_GETLINECOUNT), 3);
    Select(1, 5);
    CHARRANGE r{};
    Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.cpMin, 1);
    EXPECT_EQ(r.cpMax, 5);
    Replace("X\r\nY");
    EXPECT_EQ(Text(), "aX\r\nYd\r\ne");
    Send(EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&r));
    EXPECT_EQ(r.cpMin, 5);  // the caret follows the inserted text
    EXPECT_EQ(r.cpMax, 5);
    Type("\b");
    EXPECT_EQ(Text(), "aX\r\nd\r\ne");
    Type("\b");  // a paragraph end goes whole
    EXPECT_EQ(Text(), "aXd\r\ne");
    Select(0, -1);
    Replace("");
    EXPECT_EQ(Text(), "");
}

TEST_F(RichEdit, ReadOnlyIgnoresTypingButNotTheProgram) {
    Send(EM_SETREADONLY, 1);
    EXPECT_TRUE(GetWindowLongPtrA(edit, GWL_STYLE) & ES_READONLY);
    Type("typed");
    EXPECT_EQ(Text(), "");
    Replace("program");
    SetWindowTextA(edit, "set\nline");
    EXPECT_EQ(Text(), "set\r\nline");
    Send(EM_SETREADONLY, 0);
    Select(-1, 0);
    Type("!");
    EXPECT_EQ(Text(), "set\r\nline!");
}

TEST_F(RichEdit, TheInsertionFormatFollowsTheCaretAndSelectionsTakeFormats) {
    EXPECT_EQ(Send(EM_GETLIMITTEXT), platform::kRichEditDefaultLimit);
    Format(SCF_SELECTION, CFM_BOLD | CFM_FACE | CFM_COLOR | CFM_SIZE, CFE_BOLD, RGB(0, 0, 255), 175, "Arial");
    Type("bold");
    // Placing the caret where it already is keeps the insertion format.
    Select(4, 4);
    Format(SCF_SELECTION, CFM_BOLD | CFM_COLOR, 0, RGB(0, 0, 0));
    Select(4, 4);
    Type(" plain");
    auto runs = platform::RichEditRuns(edit);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_EQ(runs[0].text, "bold");
    EXPECT_TRUE(runs[0].format.bold);
    EXPECT_EQ(runs[0].format.face, "Arial");
    EXPECT_EQ(runs[0].format.height, 175);
    EXPECT_EQ(runs[0].format.colour, RGB(0, 0, 255));
    EXPECT_EQ(runs[1].text, " plain");
    EXPECT_FALSE(runs[1].format.bold);
    EXPECT_EQ(runs[1].format.face, "Arial");
    // Moving the caret into the bold word takes its format for what is typed there.
    Select(2, 2);
    Type("x");
    runs = platform::RichEditRuns(edit);
    EXPECT_EQ(runs[0].text, "boxld");
    // A selection changes only its own characters.
    Select(5, 11);
    Format(SCF_SELECTION, CFM_ITALIC, CFE_ITALIC);
    runs = platform::RichEditRuns(edit);
    ASSERT_EQ(runs.size(), 2u);
    EXPECT_TRUE(runs[1].format.italic);
    CHARFORMATA got{};
    got.cbSize = sizeof got;
    Select(0, 3);
    Send(EM_GETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&got));
    EXPECT_EQ(got.dwEffects & CFE_BOLD, CFE_BOLD);
    EXPECT_STREQ(got.szFaceName, "Arial");
    Format(SCF_ALL, CFM_BOLD | CFM_ITALIC, 0);
    runs = platform::RichEditRuns(edit);
    ASSERT_EQ(runs.size(), 2u);  // the colours still differ
    for (const RichEditRun& r : runs) EXPECT_FALSE(r.format.bold || r.format.italic) << r.text;
    EXPECT_EQ(runs[0].format.colour, RGB(0, 0, 255));
}

TEST_F(RichEdit, TabStopsCoverTheParagraphsOfTheSelection) {
    Replace("one\ttwo\nthree\nfour");
    Select(0, 10);  // the first paragraph and the start of the second
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    pf.dwMask = PFM_TABSTOPS;
    pf.cTabCount = 4;
    const LONG tabs[] = {2835, 3240, 3645, 4050};
    std::copy(tabs, tabs + 4, pf.rgxTabs);
    Send(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    EXPECT_EQ(platform::RichEditTabStops(edit, 0), std::vector<LONG>(tabs, tabs + 4));
    EXPECT_EQ(platform::RichEditTabStops(edit, 12), std::vector<LONG>(tabs, tabs + 4));
    EXPECT_TRUE(platform::RichEditTabStops(edit, 16).empty());
    PARAFORMAT back{};
    Select(1, 1);
    Send(EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&back));
    EXPECT_EQ(back.cTabCount, 4);
    EXPECT_EQ(back.rgxTabs[3], 4050);
    // A count beyond the record is cut to what the record holds.
    pf.cTabCount = 1000;
    Select(0, -1);
    Send(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    EXPECT_EQ(platform::RichEditTabStops(edit, 0).size(), static_cast<std::size_t>(MAX_TAB_STOPS));
}

TEST_F(RichEdit, TheLimitDropsWhatDoesNotFitAndNeverHalfAParagraphEnd) {
    Send(EM_EXLIMITTEXT, 0, 6);
    EXPECT_EQ(Send(EM_GETLIMITTEXT), 6);
    Replace("abcde\nf");
    EXPECT_EQ(Text(), "abcde");
    Type("g");
    EXPECT_EQ(Text(), "abcdeg");
    Type("h");
    EXPECT_EQ(Text(), "abcdeg");
}

TEST_F(RichEdit, FindsTextWithinARangeAndCopiesRanges) {
    Replace("alpha\nbeta\ngamma");
    FINDTEXTA f{{0, -1}, "\n"};
    EXPECT_EQ(Send(EM_FINDTEXT, 1, reinterpret_cast<LPARAM>(&f)), 6);
    f.chrg = {7, -1};
    EXPECT_EQ(Send(EM_FINDTEXT, 1, reinterpret_cast<LPARAM>(&f)), 12);
    f.chrg = {13, 40};
    EXPECT_EQ(Send(EM_FINDTEXT, 1, reinterpret_cast<LPARAM>(&f)), -1);
    f.lpstrText = "";
    EXPECT_EQ(Send(EM_FINDTEXT, 1, reinterpret_cast<LPARAM>(&f)), -1);
    char buf[64];
    TEXTRANGEA range{{0, 16}, buf};
    EXPECT_EQ(Send(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)), 16);
    EXPECT_STREQ(buf, "alpha\r\nbeta\r\ngam");
    range.chrg = {20, 10};  // past the end and backwards: nothing
    EXPECT_EQ(Send(EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range)), 0);
    EXPECT_STREQ(buf, "");
}

TEST_F(RichEdit, ScrollingToTheCaretKeepsItsLineInView) {
    for (int i = 0; i < 30; ++i) Replace("line\n");
    Send(EM_SCROLLCARET);
    const LRESULT first = Send(EM_GETFIRSTVISIBLELINE);
    EXPECT_GT(first, 0);
    EXPECT_LE(first, 30);
    Select(0, 0);
    Send(EM_SCROLLCARET);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 0);
}

// What the control shows: dark pixels where it drew text, by column and by row of its window.
struct Shown {
    platform::ScreenImage image;
    bool Dark(int x, int y) const {
        const std::uint32_t p = image.At(x, y);
        return ((p >> 16) & 255) + ((p >> 8) & 255) + (p & 255) < 200;
    }
    // Whether any pixel of the band of rows [top, bottom) and columns [left, right) is dark.
    bool Ink(int left, int top, int right, int bottom) const {
        for (int y = top; y < bottom; ++y)
            for (int x = left; x < right; ++x)
                if (Dark(x, y)) return true;
        return false;
    }
};

class RichEditPainting : public RichEdit {
protected:
    Shown Paint() {
        ShowWindow(edit, SW_SHOW);
        InvalidateRect(edit, nullptr, FALSE);
        platform::PaintPendingWindows();
        // The client area, so that the pictures' columns are the control's own.
        RECT r{};
        GetClientRect(edit, &r);
        POINT origin{0, 0};
        ClientToScreen(edit, &origin);
        width = r.right;
        return Shown{platform::ComposeScreen(RECT{origin.x, origin.y, origin.x + r.right, origin.y + r.bottom})};
    }
    int width = 0;
    void Tabs(std::initializer_list<LONG> stops) {
        PARAFORMAT pf{};
        pf.cbSize = sizeof pf;
        pf.dwMask = PFM_TABSTOPS;
        pf.cTabCount = static_cast<std::int16_t>(stops.size());
        std::copy(stops.begin(), stops.end(), pf.rgxTabs);
        Select(0, -1);
        Send(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    }
    // Rows of text are the system font's height apart; the bar is this wide.
    static constexpr int kBar = 16;
};

TEST_F(RichEditPainting, TextIsDrawnAtItsTabStopsAndNothingPastTheLastParagraph) {
    Replace("ab\tcd\nef");
    Tabs({1500});  // 100 pixels in
    const Shown shown = Paint();
    const int row = platform::detail::SystemLineHeight();
    EXPECT_TRUE(shown.Ink(2, 2, 40, 2 + row)) << "the first word";
    EXPECT_FALSE(shown.Ink(40, 2, 100, 2 + row)) << "the gap up to the tab stop";
    EXPECT_TRUE(shown.Ink(100, 2, 140, 2 + row)) << "the word after the tab";
    EXPECT_TRUE(shown.Ink(2, 2 + row, 40, 2 + 2 * row)) << "the second paragraph";
    EXPECT_FALSE(shown.Ink(2, 2 + 2 * row + 1, width - kBar, shown.image.height - 2)) << "below the text";
}

TEST_F(RichEditPainting, ALongParagraphWrapsAtTheBarAndTheBarScrollsByParagraphs) {
    std::string words;
    for (int i = 0; i < 20; ++i) words += "musket ";
    Replace(words.c_str());
    const int row = platform::detail::SystemLineHeight();
    Shown shown = Paint();
    EXPECT_TRUE(shown.Ink(2, 2 + row, 100, 2 + 2 * row)) << "the paragraph goes on in a second row";
    EXPECT_FALSE(shown.Ink(width - kBar - 6, 2, width - kBar - 2, 2 + row)) << "nothing up to the bar";

    // Thirty paragraphs; a click on the down arrow shows them from the second one.
    Select(0, -1);
    Replace("");
    for (int i = 0; i < 30; ++i) Replace(i == 0 ? "first\n" : "x\n");
    shown = Paint();
    const bool firstRowWide = shown.Ink(20, 2, 60, 2 + row);  // "first" is wider than "x"
    EXPECT_TRUE(firstRowWide);
    POINT arrow{width - kBar / 2, shown.image.height - 5};
    ClientToScreen(edit, &arrow);
    platform::InjectMouseButton(platform::MouseButton::Left, true, arrow.x, arrow.y);
    platform::InjectMouseButton(platform::MouseButton::Left, false, arrow.x, arrow.y);
    MSG m;
    while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    EXPECT_EQ(Send(EM_GETFIRSTVISIBLELINE), 1);
    shown = Paint();
    EXPECT_FALSE(shown.Ink(20, 2, 60, 2 + row)) << "the first paragraph scrolled away";
    EXPECT_TRUE(shown.Ink(2, 2, 20, 2 + row));
}

struct Source {
    std::string bytes;
    std::size_t at = 0;
    std::size_t chunk = 7;
    DWORD failAt = 0;  // a non-zero answer on that call
    int calls = 0;
};

DWORD ReadSource(std::uintptr_t cookie, BYTE* buffer, LONG cb, LONG* pcb) {
    auto* s = reinterpret_cast<Source*>(cookie);
    if (++s->calls == static_cast<int>(s->failAt)) return 5;
    const std::size_t n = std::min({s->chunk, static_cast<std::size_t>(cb), s->bytes.size() - s->at});
    std::memcpy(buffer, s->bytes.data() + s->at, n);
    s->at += n;
    *pcb = static_cast<LONG>(n);
    return 0;
}

TEST_F(RichEdit, StreamsInRichTextInPiecesReplacingTheText) {
    Replace("old text");
    Source src;
    src.bytes = "{\\rtf1{\\colortbl;\\red0\\green0\\blue255;}\\b Credits\\b0\\par \\cf1 blue}";
    EDITSTREAM es{reinterpret_cast<std::uintptr_t>(&src), 0, &ReadSource};
    EXPECT_EQ(Send(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es)), 13);
    EXPECT_EQ(es.dwError, 0u);
    EXPECT_EQ(Text(), "Credits\r\nblue");
    const auto runs = platform::RichEditRuns(edit);
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_TRUE(runs[0].format.bold);
    EXPECT_EQ(runs[2].format.colour, RGB(0, 0, 255));
    // Plain text is taken as it comes.
    Source plain;
    plain.bytes = "a\nb {\\b not rich}";
    es = EDITSTREAM{reinterpret_cast<std::uintptr_t>(&plain), 0, &ReadSource};
    Send(EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&es));
    EXPECT_EQ(Text(), "a\r\nb {\\b not rich}");
}

TEST_F(RichEdit, ADamagedOrFailingStreamLeavesTheTextAsItWas) {
    Replace("kept");
    Source damaged;
    damaged.bytes = "{\\rtf1 \\b never closed";
    EDITSTREAM es{reinterpret_cast<std::uintptr_t>(&damaged), 0, &ReadSource};
    EXPECT_EQ(Send(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es)), 0);
    EXPECT_EQ(es.dwError, kStreamErrorDamaged);
    EXPECT_EQ(Text(), "kept");
    // A callback that fails part way ends the stream with its answer; what came is read and,
    // rich text being cut off, refused.
    Source failing;
    failing.bytes = "{\\rtf1 part one and part two}";
    failing.failAt = 3;
    es = EDITSTREAM{reinterpret_cast<std::uintptr_t>(&failing), 0, &ReadSource};
    EXPECT_EQ(Send(EM_STREAMIN, SF_RTF, reinterpret_cast<LPARAM>(&es)), 0);
    EXPECT_EQ(Text(), "kept");
    // A stream past the bound is refused without reading it all into the control.
    Source huge;
    huge.bytes.assign(platform::kRichEditStreamBound + 10, 'a');
    huge.chunk = 4096;
    es = EDITSTREAM{reinterpret_cast<std::uintptr_t>(&huge), 0, &ReadSource};
    EXPECT_EQ(Send(EM_STREAMIN, SF_TEXT, reinterpret_cast<LPARAM>(&es)), 0);
    EXPECT_EQ(es.dwError, kStreamErrorTooLong);
    EXPECT_EQ(Text(), "kept");
}

} // namespace

namespace {

TEST_F(RichEdit, ASelectionNeverSplitsAParagraphEnd) {
    Replace("ab\ncd");
    Select(3, 3);  // between "\r" and "\n"
    Type("X");
    EXPECT_EQ(Text(), "ab\r\nXcd");
    Select(1, 3);
    Replace("");
    EXPECT_EQ(Text(), "aXcd");
    EXPECT_TRUE(platform::RichEditCheck(edit));
}

// Random mixes of every change the control takes keep its invariants.
TEST_F(RichEdit, RandomOperationMixesKeepTheInvariants) {
    std::mt19937 random(1863);
    const char* pieces[] = {"a", "\n", "line\r\nbreak", "\r", "tab\there", ""};
    Send(EM_EXLIMITTEXT, 0, 300);
    for (int step = 0; step < 3000; ++step) {
        const LONG n = static_cast<LONG>(Send(WM_GETTEXTLENGTH));
        const LONG a = static_cast<LONG>(random() % static_cast<unsigned>(n + 2)) - 1;
        const LONG b = static_cast<LONG>(random() % static_cast<unsigned>(n + 2)) - 1;
        switch (random() % 7) {
        case 0: Select(a, b); break;
        case 1: Replace(pieces[random() % 6]); break;
        case 2: Type(std::string(1, "x\n\b\r\t"[random() % 5])); break;
        case 3: Format(SCF_SELECTION, CFM_BOLD | CFM_COLOR, random() % 2 ? CFE_BOLD : 0, RGB(random() % 3, 0, 0)); break;
        case 4: {
            PARAFORMAT pf{};
            pf.dwMask = PFM_TABSTOPS;
            pf.cTabCount = static_cast<std::int16_t>(random() % 3);
            Send(EM_SETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
            break;
        }
        case 5: Send(EM_SETREADONLY, random() % 4 == 0); break;
        default: {
            CHARRANGE r{a, b};
            Send(EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&r));
            break;
        }
        }
        ASSERT_TRUE(platform::RichEditCheck(edit)) << "step " << step;
        ASSERT_LE(Send(WM_GETTEXTLENGTH), 300);
    }
}

} // namespace
