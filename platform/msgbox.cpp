#include "platform/msgbox.h"

#include "platform/dialog.h"
#include "platform/dialog_paint.h"
#include "platform/input.h"
#include "platform/process.h"
#include "platform/screen.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <map>
#include <deque>
#include <mutex>
#include <vector>

namespace {

// Boxes may be raised from any thread (the memory manager's error report does), so the script
// and the record are guarded.
std::mutex& boxLock() {
    static std::mutex m;
    return m;
}
platform::MessageBoxPresenter& presenter() {
    static platform::MessageBoxPresenter p;
    return p;
}
std::deque<int>& answers() {
    static std::deque<int> a;
    return a;
}
std::vector<platform::ShownBox>& shown() {
    static std::vector<platform::ShownBox> s;
    return s;
}

int giveUpAnswer(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return IDOK;
    case MB_ABORTRETRYIGNORE: return IDIGNORE;
    case MB_YESNOCANCEL: return IDCANCEL;
    case MB_YESNO: return IDYES;
    case MB_RETRYCANCEL: return IDCANCEL;
    default: return IDOK;
    }
}

int ScriptedAnswer(UINT type) {
    std::lock_guard<std::mutex> g(boxLock());
    if (answers().empty()) return giveUpAnswer(type);
    const int answer = answers().front();
    answers().pop_front();
    return answer;
}

platform::MessageBoxShownHook& shownHook() {
    static platform::MessageBoxShownHook h;
    return h;
}

// --- the drawn box ---

constexpr const char* kBoxClass = "VhMessageBox";
constexpr int kMargin = 12;
constexpr int kIconSize = 32;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 8;
constexpr int kMostTextWidth = 420;

struct Box {
    UINT type = 0;
    std::string text;
    RECT textRect{};
    std::vector<int> buttons;
    int defaultButton = 0;
    int result = 0;
    bool ended = false;
};

std::map<HWND, Box>& boxes() {
    static std::map<HWND, Box> b;
    return b;
}

std::vector<int> ButtonsOf(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return {IDOK, IDCANCEL};
    case MB_ABORTRETRYIGNORE: return {IDABORT, IDRETRY, IDIGNORE};
    case MB_YESNOCANCEL: return {IDYES, IDNO, IDCANCEL};
    case MB_YESNO: return {IDYES, IDNO};
    case MB_RETRYCANCEL: return {IDRETRY, IDCANCEL};
    default: return {IDOK};
    }
}

const char* Label(int id) {
    switch (id) {
    case IDOK: return "OK";
    case IDCANCEL: return "Cancel";
    case IDABORT: return "&Abort";
    case IDRETRY: return "&Retry";
    case IDIGNORE: return "&Ignore";
    case IDYES: return "&Yes";
    case IDNO: return "&No";
    default: return "";
    }
}

// What Escape (and closing the box) answers; 0 where the box offers no way out.
int EscapeAnswer(const Box& b) {
    for (int id : b.buttons)
        if (id == IDCANCEL) return IDCANCEL;
    return b.buttons.size() == 1 ? b.buttons[0] : 0;
}

UINT IconOf(UINT type) { return type & 0xF0; }

void PaintIcon(platform::detail::Canvas& canvas, UINT icon, int x, int y, HDC dc) {
    using namespace platform::detail;
    if (!icon) return;
    BYTE fill = 252;  // blue: question and information
    char mark = icon == MB_ICONQUESTION ? '?' : 'i';
    BYTE ink = kInkWhite;
    if (icon == MB_ICONHAND) {
        fill = 249;  // red
        mark = 'X';
    } else if (icon == MB_ICONEXCLAMATION) {
        fill = 251;  // yellow
        mark = '!';
        ink = kInkBlack;
    }
    for (int r = 0; r < kIconSize; ++r)
        for (int c = 0; c < kIconSize; ++c) {
            bool inside;
            if (icon == MB_ICONEXCLAMATION) {
                // A triangle standing on its base.
                const int half = (r * (kIconSize / 2)) / (kIconSize - 1);
                inside = c >= kIconSize / 2 - 1 - half && c <= kIconSize / 2 + half;
            } else {
                const int dx = 2 * c - (kIconSize - 1), dy = 2 * r - (kIconSize - 1);
                inside = dx * dx + dy * dy <= (kIconSize - 1) * (kIconSize - 1);
            }
            if (inside) canvas.Fill(RECT{x + c, y + r, x + c + 1, y + r + 1}, fill);
        }
    HFONT font = CreateFontA(-20, 0, 0, 0, FW_BOLD, 0, 0, 0, ANSI_CHARSET, 0, 0, 0, 0, "MS Sans Serif");
    const HGDIOBJ old = SelectObject(dc, font);
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, PALETTEINDEX(ink));
    RECT r{x, y + (icon == MB_ICONEXCLAMATION ? 5 : 0), x + kIconSize, y + kIconSize};
    const char text[2] = {mark, 0};
    DrawTextA(dc, text, 1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER | DT_NOPREFIX);
    SelectObject(dc, old);
    DeleteObject(font);
}

LRESULT CALLBACK_BoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto it = boxes().find(hwnd);
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        if (it != boxes().end()) {
            using namespace platform::detail;
            Canvas canvas(hwnd);
            canvas.Fill(RECT{0, 0, canvas.Width(), canvas.Height()}, kInkSilver);
            PaintIcon(canvas, IconOf(it->second.type), kMargin, kMargin, ps.hdc);
            RECT r = it->second.textRect;
            SetBkMode(ps.hdc, TRANSPARENT);
            SetTextColor(ps.hdc, PALETTEINDEX(kInkBlack));
            DrawTextA(ps.hdc, it->second.text.c_str(), -1, &r, DT_WORDBREAK | DT_NOPREFIX);
        }
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_COMMAND:
        if (it != boxes().end() && HIWORD(wParam) == 0) {
            const int id = LOWORD(wParam);
            if (std::find(it->second.buttons.begin(), it->second.buttons.end(), id) != it->second.buttons.end()) {
                it->second.result = id;
                it->second.ended = true;
            }
        }
        return 0;
    case WM_CLOSE:
        if (it != boxes().end())
            if (const int id = EscapeAnswer(it->second)) {
                it->second.result = id;
                it->second.ended = true;
            }
        return 0;
    default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

void RegisterBoxClass() {
    WNDCLASSA probe;
    if (GetClassInfoA(nullptr, kBoxClass, &probe)) return;
    WNDCLASSA wc{};
    wc.lpfnWndProc = &CALLBACK_BoxProc;
    wc.lpszClassName = kBoxClass;
    RegisterClassA(&wc);
}

HWND TopOf(HWND w) {
    while (w && GetParent(w) && (GetWindowLongPtrA(w, GWL_STYLE) & WS_CHILD)) w = GetParent(w);
    return w;
}

HWND MakeBox(HWND owner, const char* text, const char* caption, UINT type) {
    platform::detail::EnsureControlClasses();
    RegisterBoxClass();
    Box b;
    b.type = type;
    b.text = text;
    b.buttons = ButtonsOf(type);
    const std::size_t wantedDefault = (type >> 8) & 0xF;
    b.defaultButton = b.buttons[wantedDefault < b.buttons.size() ? wantedDefault : 0];

    // Measure the text in the system font, wrapped at the widest a box may be.
    HDC screen = GetDC(nullptr);
    RECT measured{0, 0, kMostTextWidth, 0};
    DrawTextA(screen, text, -1, &measured, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX);
    ReleaseDC(nullptr, screen);
    const int textLeft = kMargin + (IconOf(type) ? kIconSize + kMargin : 0);
    const int textHeight = measured.bottom - measured.top;
    const int textTop = IconOf(type) && textHeight < kIconSize ? kMargin + (kIconSize - textHeight) / 2 : kMargin;
    b.textRect = RECT{textLeft, textTop, textLeft + (measured.right - measured.left), textTop + textHeight};
    const int n = static_cast<int>(b.buttons.size());
    const int row = n * kButtonWidth + (n - 1) * kButtonGap;
    const int width = std::max<int>({static_cast<int>(b.textRect.right) + kMargin, row + 2 * kMargin, 160});
    const int buttonsTop = std::max<int>(b.textRect.bottom, IconOf(type) ? kMargin + kIconSize : 0) + 14;
    const int height = buttonsTop + kButtonHeight + kMargin;

    const DWORD style = WS_POPUP | WS_CAPTION;
    RECT r{0, 0, width, height};
    AdjustWindowRect(&r, style, FALSE);
    const int ww = r.right - r.left, wh = r.bottom - r.top;
    RECT around{0, 0, platform::GetScreenSize().cx, platform::GetScreenSize().cy};
    HWND top = TopOf(owner);
    if (top && IsWindow(top) && IsWindowVisible(top) && !IsIconic(top)) GetWindowRect(top, &around);
    const int x = (around.left + around.right - ww) / 2, y = std::max<LONG>((around.top + around.bottom - wh) / 2, 0);
    HWND box = CreateWindowExA(0, kBoxClass, caption, style, x, y, ww, wh, top, nullptr, nullptr, nullptr);
    if (!box) return nullptr;
    boxes()[box] = b;
    int bx = (width - row) / 2;
    for (int id : b.buttons) {
        const DWORD kind = id == b.defaultButton ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        CreateWindowExA(0, "Button", Label(id), WS_CHILD | WS_VISIBLE | WS_TABSTOP | kind, bx, buttonsTop, kButtonWidth,
                        kButtonHeight, box, reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(id)), nullptr, nullptr);
        bx += kButtonWidth + kButtonGap;
    }
    ShowWindow(box, SW_SHOW);
    SetActiveWindow(box);
    SetFocus(GetDlgItem(box, b.defaultButton));
    UpdateWindow(box);
    for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) UpdateWindow(c);
    return box;
}

// The keys of a box; true when the key was the box's.
bool BoxKey(HWND box, Box& b, WPARAM key) {
    HWND focus = GetFocus();
    const bool onButton = focus && GetParent(focus) == box;
    switch (key) {
    case VK_RETURN:
        b.result = onButton ? GetDlgCtrlID(focus) : b.defaultButton;
        b.ended = true;
        return true;
    case VK_ESCAPE:
        if (const int id = EscapeAnswer(b)) {
            b.result = id;
            b.ended = true;
        }
        return true;
    case VK_TAB:
    case VK_LEFT:
    case VK_RIGHT:
    case VK_UP:
    case VK_DOWN: {
        const int count = static_cast<int>(b.buttons.size());
        int at = 0;
        for (int i = 0; i < count; ++i)
            if (onButton && GetDlgCtrlID(focus) == b.buttons[static_cast<std::size_t>(i)]) at = i;
        const bool back = key == VK_LEFT || key == VK_UP || (key == VK_TAB && GetKeyState(VK_SHIFT) < 0);
        at = (at + (back ? count - 1 : 1)) % count;
        SetFocus(GetDlgItem(box, b.buttons[static_cast<std::size_t>(at)]));
        return true;
    }
    default: break;
    }
    // A letter presses the button that underlines it.
    if (key >= 'A' && key <= 'Z')
        for (int id : b.buttons) {
            const char* label = Label(id);
            const char* amp = std::strchr(label, '&');
            if (amp && std::toupper(static_cast<unsigned char>(amp[1])) == static_cast<int>(key)) {
                b.result = id;
                b.ended = true;
                return true;
            }
        }
    return false;
}

bool InBox(HWND box, HWND w) {
    for (; w; w = GetParent(w))
        if (w == box) return true;
    return false;
}

int RunBox(HWND owner, const char* text, const char* caption, UINT type) {
    HWND top = TopOf(owner);
    const bool ownerWasEnabled = top && IsWindow(top) && IsWindowEnabled(top);
    // The box takes the activation and the focus for its time; both go back afterwards.
    HWND wasActive = GetActiveWindow(), hadFocus = GetFocus();
    HWND box = MakeBox(owner, text, caption, type);
    if (!box) return 0;
    if (ownerWasEnabled) EnableWindow(top, FALSE);
    // The injected mouse goes to whichever window holds the capture (a toolbar tracking its tip,
    // a button pressed when the box came up), which would leave the box deaf to its clicks.
    CancelCaptureForModalLoop();
    if (shownHook()) shownHook()(box);
    int answer = 0;
    if (!platform::CurrentBackend().Live()) {
        answer = ScriptedAnswer(type);
        std::fprintf(stderr, "[message box] %s: %s -> %d\n", caption, text, answer);
    } else {
        for (;;) {
            auto it = boxes().find(box);
            if (it == boxes().end() || !IsWindow(box)) break;
            if (it->second.ended) {
                answer = it->second.result;
                break;
            }
            MSG msg;
            const BOOL got = GetMessage(&msg, nullptr, 0, 0);
            if (got == 0) {
                // The program is ending: the quit is left for the outer loop, the box gives up.
                PostQuitMessage(static_cast<int>(msg.wParam));
                answer = giveUpAnswer(type);
                break;
            }
            if (got < 0) break;
            if ((msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) && InBox(box, msg.hwnd) && BoxKey(box, it->second, msg.wParam))
                continue;
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        }
        // The box's text is drawn, not held by a control: the note is what tells it afterwards.
        std::fprintf(stderr, "[message box] %s: %s -> %d\n", caption, text, answer);
    }
    if (ownerWasEnabled && IsWindow(top)) EnableWindow(top, TRUE);
    boxes().erase(box);
    if (IsWindow(box)) DestroyWindow(box);
    if (wasActive && IsWindow(wasActive)) SetActiveWindow(wasActive);
    else if (ownerWasEnabled && IsWindow(top)) SetActiveWindow(top);
    if (hadFocus && IsWindow(hadFocus)) SetFocus(hadFocus);
    return answer;
}

} // namespace

int MessageBox(HWND owner, const char* text, const char* caption, UINT type) {
    text = text ? text : "";
    caption = caption ? caption : "Error";
    platform::MessageBoxPresenter show;
    {
        std::lock_guard<std::mutex> g(boxLock());
        shown().push_back({text, caption, type});
        show = presenter();
    }
    if (show) return show(text, caption, type);
    const DWORD ui = platform::UiThread();
    if (ui == 0 || GetCurrentThreadId() == ui) return RunBox(owner, text, caption, type);
    const int answer = ScriptedAnswer(type);
    std::fprintf(stderr, "[message box] %s: %s -> %d\n", caption, text, answer);
    return answer;
}

void MessageBeep(UINT) {}

namespace platform {

void SetMessageBoxShownHook(MessageBoxShownHook hook) { shownHook() = std::move(hook); }

void SetMessageBoxPresenter(MessageBoxPresenter p) {
    std::lock_guard<std::mutex> g(boxLock());
    presenter() = std::move(p);
}

void QueueMessageBoxAnswer(int answer) {
    std::lock_guard<std::mutex> g(boxLock());
    answers().push_back(answer);
}

void ClearMessageBoxAnswers() {
    std::lock_guard<std::mutex> g(boxLock());
    answers().clear();
}

std::size_t ShownMessageBoxCount() {
    std::lock_guard<std::mutex> g(boxLock());
    return shown().size();
}

ShownBox ShownMessageBox(std::size_t index) {
    std::lock_guard<std::mutex> g(boxLock());
    return index < shown().size() ? shown()[index] : ShownBox{};
}

void ClearShownMessageBoxes() {
    std::lock_guard<std::mutex> g(boxLock());
    shown().clear();
}

} // namespace platform
