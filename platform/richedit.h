#pragma once
// The rich-edit control: window class "RichEdit", a multi-line text whose every character carries
// a character format (face, height in twips, bold / italic / underline, colour) and whose every
// paragraph carries a paragraph format (tab stops), with the edit messages the program sends it,
// and stream-in of plain text or of rich text through a small reader of our own
// (platform/richedit_rtf.h).
//
// Text model: a paragraph ends with "\r\n"; any "\r", "\n" or "\r\n" put into the control by
// WM_CHAR, EM_REPLACESEL, WM_SETTEXT or a stream becomes one such pair. Positions count bytes,
// the pair as two. The text never grows past the text limit (32767 by default); what does not
// fit is dropped. A read-only control ignores typed characters (WM_CHAR) but still takes the
// program's own changes (EM_REPLACESEL, WM_SETTEXT, EM_STREAMIN).
//
// The insertion format is the format the next inserted text takes: EM_SETCHARFORMAT with
// SCF_SELECTION over an empty selection sets it; moving the selection elsewhere resets it to the
// format of the character before the caret (or the first character, or the default format).
//
// Invariants: formatOf has one entry per character, each a valid index into the format table;
// every paragraph-format entry is valid likewise; 0 <= selection start <= end <= length; every
// "\r" is followed by "\n" and every "\n" follows "\r" (a selection never splits the pair).
// The edit styles and messages it shares with the plain edit control come from the dialogs.
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/message_queue.h"
#include "platform/window.h"

#include <cstdint>
#include <string>
#include <vector>

// --- styles ---
constexpr DWORD ES_AUTOVSCROLL = 0x0040;
constexpr DWORD WS_EX_STATICEDGE = 0x00020000;

// --- messages ---
constexpr UINT WM_GETTEXTLENGTH = 0x000E;
constexpr UINT EM_GETSEL = 0x00B0;
constexpr UINT EM_SETSEL = 0x00B1;
constexpr UINT EM_SCROLLCARET = 0x00B7;
constexpr UINT EM_GETLINECOUNT = 0x00BA;
constexpr UINT EM_GETFIRSTVISIBLELINE = 0x00CE;
constexpr UINT EM_GETLIMITTEXT = 0x00D5;
constexpr UINT EM_EXGETSEL = WM_USER + 52;
constexpr UINT EM_EXLIMITTEXT = WM_USER + 53;
constexpr UINT EM_EXSETSEL = WM_USER + 55;
constexpr UINT EM_FINDTEXT = WM_USER + 56;
constexpr UINT EM_GETCHARFORMAT = WM_USER + 58;
constexpr UINT EM_GETPARAFORMAT = WM_USER + 61;
constexpr UINT EM_SETCHARFORMAT = WM_USER + 68;
constexpr UINT EM_SETPARAFORMAT = WM_USER + 71;
constexpr UINT EM_STREAMIN = WM_USER + 73;
constexpr UINT EM_GETTEXTRANGE = WM_USER + 75;

// --- records ---
struct CHARRANGE {
    LONG cpMin;
    LONG cpMax;  // -1: to the end of the text
};

struct TEXTRANGEA {
    CHARRANGE chrg;
    char* lpstrText;  // room for the range and a zero
};

struct FINDTEXTA {
    CHARRANGE chrg;
    const char* lpstrText;
};

constexpr int LF_FACESIZE = 32;
struct CHARFORMATA {
    UINT cbSize;
    DWORD dwMask;
    DWORD dwEffects;
    LONG yHeight;  // twips
    LONG yOffset;
    COLORREF crTextColor;
    BYTE bCharSet;
    BYTE bPitchAndFamily;
    char szFaceName[LF_FACESIZE];
};

constexpr DWORD CFM_BOLD = 0x00000001;
constexpr DWORD CFM_ITALIC = 0x00000002;
constexpr DWORD CFM_UNDERLINE = 0x00000004;
constexpr DWORD CFM_FACE = 0x20000000;
constexpr DWORD CFM_COLOR = 0x40000000;
constexpr DWORD CFM_SIZE = 0x80000000;
constexpr DWORD CFE_BOLD = 0x0001;
constexpr DWORD CFE_ITALIC = 0x0002;
constexpr DWORD CFE_UNDERLINE = 0x0004;
constexpr DWORD CFE_AUTOCOLOR = 0x40000000;
constexpr WPARAM SCF_DEFAULT = 0x0000;
constexpr WPARAM SCF_SELECTION = 0x0001;
constexpr WPARAM SCF_ALL = 0x0004;

constexpr int MAX_TAB_STOPS = 32;
struct PARAFORMAT {
    UINT cbSize;
    DWORD dwMask;
    WORD wNumbering;
    WORD wReserved;
    LONG dxStartIndent;
    LONG dxRightIndent;
    LONG dxOffset;
    WORD wAlignment;
    std::int16_t cTabCount;
    LONG rgxTabs[MAX_TAB_STOPS];
};
constexpr DWORD PFM_TABSTOPS = 0x00000010;

// Stream-in: the callback fills at most cb bytes and says in *pcb how many; a non-zero return
// or a count of 0 ends the stream.
using EDITSTREAMCALLBACK = DWORD (*)(std::uintptr_t cookie, BYTE* buffer, LONG cb, LONG* pcb);
struct EDITSTREAM {
    std::uintptr_t dwCookie;
    DWORD dwError;
    EDITSTREAMCALLBACK pfnCallback;
};
constexpr WPARAM SF_TEXT = 0x0001;
constexpr WPARAM SF_RTF = 0x0002;
constexpr WPARAM SFF_SELECTION = 0x8000;
// dwError after a refused stream: the rich text did not hold together, or was too long.
constexpr DWORD kStreamErrorDamaged = 1;
constexpr DWORD kStreamErrorTooLong = 2;

namespace platform {

constexpr LONG kRichEditDefaultLimit = 32767;
// A stream longer than this is refused whole (the credits and battle texts are small).
constexpr std::size_t kRichEditStreamBound = 1 << 20;

// Registers the window class "RichEdit" (again after the window system was reset); what
// loading the rich-edit library at start-up does. True when the class is there.
bool RegisterRichEditClass();

// What tests and drawing look at: the control's text cut into runs of one character format.
struct RichEditFormat {
    std::string face = "MS Sans Serif";
    LONG height = 160;  // twips
    bool bold = false;
    bool italic = false;
    bool underline = false;
    bool autoColour = true;
    COLORREF colour = 0;
    bool operator==(const RichEditFormat& o) const {
        return face == o.face && height == o.height && bold == o.bold && italic == o.italic &&
               underline == o.underline && autoColour == o.autoColour && (autoColour || colour == o.colour);
    }
};
struct RichEditRun {
    std::string text;
    RichEditFormat format;
};
// Empty for a window that is not a rich-edit control.
std::vector<RichEditRun> RichEditRuns(HWND control);
// The invariants above; false also for a window that is not a rich-edit control.
bool RichEditCheck(HWND control);
// The tab stops (twips) of the paragraph holding the position; empty when none are set.
std::vector<LONG> RichEditTabStops(HWND control, LONG position);

} // namespace platform
