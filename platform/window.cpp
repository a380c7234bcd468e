#include "platform/window_record.h"
#include "platform/idle.h"

#include "platform/cursor.h"
#include "platform/gdi.h"
#include "platform/mdi.h"
#include "platform/menu.h"
#include "platform/screen.h"

#include <algorithm>
#include <vector>
#include <cctype>
#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace {

struct WindowSystem {
    std::map<std::string, std::unique_ptr<ClassRecord>> classes;  // by lower-case name
    std::set<HWND> live;
    std::vector<HWND> topLevel;  // front first
    HWND capture = nullptr;
    HWND focus = nullptr;
    HWND active = nullptr;
    POINT cursor{0, 0};
    SIZE screen{1024, 768};
    int cascade = 0;
    bool dispatcherInstalled = false;
};

WindowSystem& WS() {
    static WindowSystem ws;
    return ws;
}

std::string Lower(const char* s) {
    std::string out = s ? s : "";
    for (char& c : out) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return out;
}

int Width(const RECT& r) { return r.right - r.left; }
int Height(const RECT& r) { return r.bottom - r.top; }

LRESULT DispatchToWindow(const MSG& msg) {
    if (!platform::detail::IsLive(msg.hwnd)) return 0;
    const LRESULT result = CallWindowProcA(msg.hwnd->proc, msg.hwnd, msg.message, msg.wParam, msg.lParam);
    // A procedure that does not paint must not be asked again and again.
    if (msg.message == WM_PAINT && platform::detail::IsLive(msg.hwnd)) msg.hwnd->needsPaint = false;
    return result;
}

bool Visible(HWND hwnd);

// Back to front, parents before children, as the screen is built.
HWND FirstToPaint(const std::vector<HWND>& list) {
    for (auto it = list.rbegin(); it != list.rend(); ++it) {
        HWND w = *it;
        if (!Visible(w)) continue;
        if (w->needsPaint) return w;
        if (HWND c = FirstToPaint(w->children)) return c;
    }
    return nullptr;
}

HWND NextPaint(HWND filter, bool take) {
    HWND w = nullptr;
    if (!filter)
        w = FirstToPaint(WS().topLevel);
    else if (platform::detail::IsLive(filter) && IsWindowVisible(filter))
        w = filter->needsPaint ? filter : FirstToPaint(filter->children);
    // The erase request stays for BeginPaint.
    if (w && take) w->needsPaint = false;
    return w;
}

bool PollBackendInput() {
    platform::Backend& b = platform::CurrentBackend();
    b.PollInput();
    return b.Live();
}

void PresentScreen() { platform::CurrentBackend().Present(); }

void InstallDispatcher() {
    WindowSystem& ws = WS();
    if (ws.dispatcherInstalled) return;
    ws.dispatcherInstalled = true;
    platform::SetWindowDispatcher(&DispatchToWindow);
    platform::PumpSources sources;
    sources.pollInput = &PollBackendInput;
    sources.nextPaint = &NextPaint;
    sources.idle = &PresentScreen;
    sources.isWindow = &platform::detail::IsLive;
    platform::SetPumpSources(sources);
}

std::vector<HWND>& SiblingList(HWND hwnd) { return hwnd->parent ? hwnd->parent->children : WS().topLevel; }

void Unlink(HWND hwnd) {
    auto& list = SiblingList(hwnd);
    list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
}

// Keeps the client pixels as large as the client area; new pixels are 0.
void SizeSurface(HWND hwnd) {
    RECT c;
    GetClientRect(hwnd, &c);
    const int w = std::max<LONG>(0, c.right), h = std::max<LONG>(0, c.bottom);
    if (w == hwnd->surfaceWidth && h == hwnd->surfaceHeight) return;
    std::vector<BYTE> next(static_cast<std::size_t>(w) * h, 0);
    // A surface with no width holds no pixels (and no buffer to copy to or from), whatever its height.
    const int rows = (w > 0 && hwnd->surfaceWidth > 0) ? std::min(h, hwnd->surfaceHeight) : 0;
    for (int y = 0; y < rows; ++y)
        std::memcpy(next.data() + static_cast<std::size_t>(y) * w,
                    hwnd->surface.data() + static_cast<std::size_t>(y) * hwnd->surfaceWidth,
                    static_cast<std::size_t>(std::min(w, hwnd->surfaceWidth)));
    hwnd->surface.swap(next);
    hwnd->surfaceWidth = w;
    hwnd->surfaceHeight = h;
}

bool Visible(HWND hwnd) { return hwnd && (hwnd->style & WS_VISIBLE); }

void InvalidateTree(HWND hwnd) {
    hwnd->needsPaint = true;
    hwnd->needsErase = true;
    for (HWND c : hwnd->children) InvalidateTree(c);
}

} // namespace

namespace platform::detail {

bool IsLive(HWND hwnd) { return hwnd && WS().live.count(hwnd) != 0; }

RECT Insets(HWND hwnd) {
    RECT r{0, 0, 0, 0};
    AdjustWindowRect(&r, hwnd->style, hwnd->menu != nullptr && !(hwnd->style & WS_CHILD));
    return RECT{-r.left, -r.top, r.right, r.bottom};
}

std::vector<HWND>& TopLevel() { return WS().topLevel; }

POINT ClientOrigin(HWND hwnd) {
    POINT p{0, 0};
    for (HWND w = hwnd; w; w = w->parent) {
        const RECT in = Insets(w);
        p.x += w->rect.left + in.left;
        p.y += w->rect.top + in.top;
        if (w->parent) {
            // Rectangles of children are in their parent's client coordinates already.
        }
    }
    return p;
}

namespace {
HWND HitIn(const std::vector<HWND>& list, POINT screen, bool* clientArea) {
    for (HWND w : list) {
        if (!Visible(w) || w->minimized) continue;
        RECT wr;
        GetWindowRect(w, &wr);
        if (screen.x < wr.left || screen.x >= wr.right || screen.y < wr.top || screen.y >= wr.bottom) continue;
        const POINT o = ClientOrigin(w);
        RECT c;
        GetClientRect(w, &c);
        const bool inClient = screen.x >= o.x && screen.x < o.x + c.right && screen.y >= o.y && screen.y < o.y + c.bottom;
        if (inClient) {
            if (HWND child = HitIn(w->children, screen, clientArea)) return child;
        }
        *clientArea = inClient;
        return w;
    }
    return nullptr;
}
} // namespace

HWND HitTest(POINT screen, bool* clientArea) {
    bool dummy = false;
    return HitIn(WS().topLevel, screen, clientArea ? clientArea : &dummy);
}

} // namespace platform::detail

using platform::detail::IsLive;

ATOM RegisterClassA(const WNDCLASSA* cls) {
    if (!cls || !cls->lpszClassName || !cls->lpfnWndProc) return 0;
    WindowSystem& ws = WS();
    const std::string key = Lower(cls->lpszClassName);
    if (ws.classes.count(key)) return 0;
    auto rec = std::make_unique<ClassRecord>();
    rec->name = cls->lpszClassName;
    rec->wc = *cls;
    if (cls->lpszMenuName && !IS_INTRESOURCE(cls->lpszMenuName)) rec->menuName = cls->lpszMenuName;
    rec->wc.lpszClassName = rec->name.c_str();
    rec->wc.lpszMenuName = rec->menuName.empty() ? nullptr : rec->menuName.c_str();
    ws.classes[key] = std::move(rec);
    return static_cast<ATOM>(0xC000 + ws.classes.size());
}

BOOL GetClassInfoA(HINSTANCE, const char* name, WNDCLASSA* out) {
    platform::detail::RegisterSystemClasses();
    auto it = WS().classes.find(Lower(name));
    if (it == WS().classes.end()) return FALSE;
    if (out) *out = it->second->wc;
    return TRUE;
}

BOOL UnregisterClassA(const char* name, HINSTANCE) { return WS().classes.erase(Lower(name)) ? TRUE : FALSE; }

BOOL AdjustWindowRect(RECT* rect, DWORD style, BOOL menu) {
    if (!rect) return FALSE;
    int frame = 0;
    if (style & WS_THICKFRAME)
        frame = platform::kFrameWidth;
    else if (style & (WS_BORDER | WS_DLGFRAME))
        frame = 1;
    rect->left -= frame;
    rect->right += frame;
    rect->bottom += frame;
    rect->top -= frame;
    if ((style & WS_CAPTION) == WS_CAPTION) rect->top -= platform::kCaptionHeight;
    if (menu) rect->top -= platform::kMenuBarHeight;
    return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y, int width,
                     int height, HWND parent, HMENU menu, HINSTANCE instance, void* param) {
    platform::detail::RegisterSystemClasses();
    InstallDispatcher();
    WindowSystem& ws = WS();
    auto it = ws.classes.find(Lower(className));
    if (it == ws.classes.end()) return nullptr;
    if (parent && !IsLive(parent)) return nullptr;
    if ((style & WS_CHILD) && !parent) return nullptr;

    auto* w = new WindowRecord;
    w->cls = it->second.get();
    w->proc = w->cls->wc.lpfnWndProc;
    w->style = style & ~WS_VISIBLE;
    w->exStyle = exStyle;
    w->title = title ? title : "";
    if (style & WS_CHILD) {
        w->parent = parent;
        w->id = reinterpret_cast<UINT_PTR>(menu);
    } else {
        w->owner = parent;
        w->menu = menu;
    }
    w->extra.assign(static_cast<std::size_t>(std::max(0, w->cls->wc.cbWndExtra)), 0);
    if (x == CW_USEDEFAULT) {
        x = y = 24 * (ws.cascade % 8);
        ++ws.cascade;
    }
    if (width == CW_USEDEFAULT) {
        width = 400;
        height = 300;
    }
    w->rect = RECT{x, y, x + std::max(0, width), y + std::max(0, height)};
    ws.live.insert(w);
    auto& list = SiblingList(w);
    list.insert(list.begin(), w);

    CREATESTRUCTA cs{param, instance, menu, parent, height, width, y, x, static_cast<LONG>(style), title, className, exStyle};
    if (!SendMessageA(w, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs)) || !IsLive(w)) {
        DestroyWindow(w);
        return nullptr;
    }
    SizeSurface(w);
    if (SendMessageA(w, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1 || !IsLive(w)) {
        DestroyWindow(w);
        return nullptr;
    }
    if (!IsLive(w)) return nullptr;
    RECT c;
    GetClientRect(w, &c);
    SendMessageA(w, WM_SIZE, 0, MAKELPARAM(static_cast<WORD>(c.right), static_cast<WORD>(c.bottom)));
    SendMessageA(w, WM_MOVE, 0, MAKELPARAM(static_cast<WORD>(w->rect.left), static_cast<WORD>(w->rect.top)));
    if (IsLive(w) && (style & WS_VISIBLE)) ShowWindow(w, SW_SHOW);
    return IsLive(w) ? w : nullptr;
}

BOOL DestroyWindow(HWND hwnd) {
    if (!IsLive(hwnd)) return FALSE;
    WindowSystem& ws = WS();
    if (hwnd->style & WS_VISIBLE) {
        hwnd->style &= ~WS_VISIBLE;
        if (hwnd->parent) InvalidateTree(hwnd->parent);
        platform::detail::ScreenChanged();
    }
    SendMessageA(hwnd, WM_DESTROY, 0, 0);
    // Children go before their parent's last message, front first.
    while (!hwnd->children.empty()) DestroyWindow(hwnd->children.front());
    // Owned windows follow their owner.
    for (bool again = true; again;) {
        again = false;
        for (HWND t : ws.topLevel)
            if (t->owner == hwnd) {
                DestroyWindow(t);
                again = true;
                break;
            }
    }
    if (!IsLive(hwnd)) return TRUE;
    SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
    if (ws.capture == hwnd) ws.capture = nullptr;
    if (ws.focus == hwnd) ws.focus = nullptr;
    if (ws.active == hwnd) ws.active = nullptr;
    Unlink(hwnd);
    ws.live.erase(hwnd);
    delete hwnd;
    return TRUE;
}

BOOL IsWindow(HWND hwnd) { return IsLive(hwnd) ? TRUE : FALSE; }

LRESULT CallWindowProcA(WNDPROC proc, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!proc) return DefWindowProcA(hwnd, message, wParam, lParam);
    return proc(hwnd, message, wParam, lParam);
}

LRESULT SendMessageA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsLive(hwnd)) return 0;
    return CallWindowProcA(hwnd->proc, hwnd, message, wParam, lParam);
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!IsLive(hwnd)) return 0;
    switch (message) {
    case WM_NCCREATE: return TRUE;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_QUERYENDSESSION: return TRUE;
    case WM_CANCELMODE:
        if (GetCapture() == hwnd) ReleaseCapture();
        return 0;
    case WM_ERASEBKGND: return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(hwnd, &ps);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_SETTEXT:
        hwnd->title = lParam ? reinterpret_cast<const char*>(lParam) : "";
        return TRUE;
    case WM_GETTEXT: {
        auto* buf = reinterpret_cast<char*>(lParam);
        if (!buf || wParam == 0) return 0;
        const std::size_t n = std::min<std::size_t>(hwnd->title.size(), wParam - 1);
        std::memcpy(buf, hwnd->title.data(), n);
        buf[n] = 0;
        return static_cast<LRESULT>(n);
    }
    case WM_SETCURSOR:
        // A child's parent may choose the cursor first.
        if (hwnd->parent && SendMessageA(hwnd->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
        if (LOWORD(static_cast<std::uintptr_t>(lParam)) == HTCLIENT && hwnd->cls->wc.hCursor) {
            SetCursor(hwnd->cls->wc.hCursor);
            return TRUE;
        }
        return FALSE;
    case WM_MOUSEACTIVATE: return 1;
    case WM_WINDOWPOSCHANGED: {
        const auto* wp = reinterpret_cast<const WINDOWPOS*>(lParam);
        if (!(wp->flags & SWP_NOSIZE)) {
            RECT c;
            GetClientRect(hwnd, &c);
            const WPARAM kind = hwnd->minimized ? 1 : hwnd->maximized ? 2 : 0;
            SendMessageA(hwnd, WM_SIZE, kind, MAKELPARAM(static_cast<WORD>(c.right), static_cast<WORD>(c.bottom)));
        }
        if (!(wp->flags & SWP_NOMOVE))
            SendMessageA(hwnd, WM_MOVE, 0,
                         MAKELPARAM(static_cast<WORD>(hwnd->rect.left), static_cast<WORD>(hwnd->rect.top)));
        return 0;
    }
    case WM_SYSCOMMAND:
        switch (wParam & 0xFFF0) {
        case SC_CLOSE: SendMessageA(hwnd, WM_CLOSE, 0, 0); return 0;
        case SC_MINIMIZE: ShowWindow(hwnd, SW_MINIMIZE); return 0;
        case SC_MAXIMIZE: ShowWindow(hwnd, SW_SHOWMAXIMIZED); return 0;
        case SC_RESTORE: ShowWindow(hwnd, SW_RESTORE); return 0;
        default: return 0;
        }
    default: return 0;
    }
}

LONG_PTR GetWindowLongPtrA(HWND hwnd, int index) {
    if (!IsLive(hwnd)) return 0;
    switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(hwnd->proc);
    case GWLP_ID: return static_cast<LONG_PTR>(hwnd->id);
    case GWL_STYLE: return static_cast<LONG_PTR>(hwnd->style);
    case -20: return static_cast<LONG_PTR>(hwnd->exStyle);  // GWL_EXSTYLE
    default: break;
    }
    if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > hwnd->extra.size()) return 0;
    LONG_PTR v;
    std::memcpy(&v, hwnd->extra.data() + index, sizeof v);
    return v;
}

LONG_PTR SetWindowLongPtrA(HWND hwnd, int index, LONG_PTR value) {
    if (!IsLive(hwnd)) return 0;
    const LONG_PTR old = GetWindowLongPtrA(hwnd, index);
    switch (index) {
    case GWLP_WNDPROC: hwnd->proc = reinterpret_cast<WNDPROC>(value); return old;
    case GWLP_ID: hwnd->id = static_cast<UINT_PTR>(value); return old;
    case GWL_STYLE: hwnd->style = static_cast<DWORD>(value); return old;
    case -20: hwnd->exStyle = static_cast<DWORD>(value); return old;  // GWL_EXSTYLE
    default: break;
    }
    if (index < 0 || static_cast<std::size_t>(index) + sizeof(LONG_PTR) > hwnd->extra.size()) return 0;
    std::memcpy(hwnd->extra.data() + index, &value, sizeof value);
    return old;
}

BOOL SetWindowTextA(HWND hwnd, const char* text) {
    return SendMessageA(hwnd, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND hwnd, char* buffer, int size) {
    return static_cast<int>(SendMessageA(hwnd, WM_GETTEXT, static_cast<WPARAM>(size), reinterpret_cast<LPARAM>(buffer)));
}

BOOL GetWindowRect(HWND hwnd, RECT* rect) {
    if (!IsLive(hwnd) || !rect) return FALSE;
    POINT o{0, 0};
    if (hwnd->parent) o = platform::detail::ClientOrigin(hwnd->parent);
    *rect = RECT{hwnd->rect.left + o.x, hwnd->rect.top + o.y, hwnd->rect.right + o.x, hwnd->rect.bottom + o.y};
    return TRUE;
}

BOOL GetClientRect(HWND hwnd, RECT* rect) {
    if (!IsLive(hwnd) || !rect) return FALSE;
    const RECT in = platform::detail::Insets(hwnd);
    *rect = RECT{0, 0, std::max<LONG>(0, Width(hwnd->rect) - in.left - in.right),
                 std::max<LONG>(0, Height(hwnd->rect) - in.top - in.bottom)};
    return TRUE;
}

BOOL ClientToScreen(HWND hwnd, POINT* point) {
    if (!IsLive(hwnd) || !point) return FALSE;
    const POINT o = platform::detail::ClientOrigin(hwnd);
    point->x += o.x;
    point->y += o.y;
    return TRUE;
}

BOOL ScreenToClient(HWND hwnd, POINT* point) {
    if (!IsLive(hwnd) || !point) return FALSE;
    const POINT o = platform::detail::ClientOrigin(hwnd);
    point->x -= o.x;
    point->y -= o.y;
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND after, int x, int y, int width, int height, UINT flags) {
    if (!IsLive(hwnd)) return FALSE;
    WINDOWPOS wp{hwnd, after, x, y, width, height, flags};
    if (flags & SWP_NOMOVE) {
        wp.x = hwnd->rect.left;
        wp.y = hwnd->rect.top;
    }
    if (flags & SWP_NOSIZE) {
        wp.cx = Width(hwnd->rect);
        wp.cy = Height(hwnd->rect);
    }
    SendMessageA(hwnd, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!IsLive(hwnd)) return FALSE;
    const RECT old = hwnd->rect;
    if (!(wp.flags & SWP_NOMOVE)) {
        hwnd->rect.right = wp.x + Width(hwnd->rect);
        hwnd->rect.bottom = wp.y + Height(hwnd->rect);
        hwnd->rect.left = wp.x;
        hwnd->rect.top = wp.y;
    }
    if (!(wp.flags & SWP_NOSIZE)) {
        hwnd->rect.right = hwnd->rect.left + std::max(0, wp.cx);
        hwnd->rect.bottom = hwnd->rect.top + std::max(0, wp.cy);
    }
    if (!(wp.flags & SWP_NOZORDER)) {
        auto& list = SiblingList(hwnd);
        list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
        if (wp.hwndInsertAfter == HWND_BOTTOM)
            list.push_back(hwnd);
        else if (wp.hwndInsertAfter && IsLive(wp.hwndInsertAfter)) {
            auto pos = std::find(list.begin(), list.end(), wp.hwndInsertAfter);
            list.insert(pos == list.end() ? list.end() : pos + 1, hwnd);
        } else
            list.insert(list.begin(), hwnd);
    }
    if (wp.flags & SWP_SHOWWINDOW) hwnd->style |= WS_VISIBLE;
    if (wp.flags & SWP_HIDEWINDOW) hwnd->style &= ~WS_VISIBLE;
    SizeSurface(hwnd);
    SendMessageA(hwnd, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
    if (!IsLive(hwnd)) return TRUE;
    const bool changed = std::memcmp(&old, &hwnd->rect, sizeof old) != 0;
    if (!(wp.flags & SWP_NOREDRAW) && (changed || (wp.flags & (SWP_SHOWWINDOW | SWP_FRAMECHANGED)))) {
        InvalidateTree(hwnd);
        if (hwnd->parent) InvalidateTree(hwnd->parent);
    }
    platform::detail::ScreenChanged();
    return TRUE;
}

BOOL MoveWindow(HWND hwnd, int x, int y, int width, int height, BOOL repaint) {
    return SetWindowPos(hwnd, nullptr, x, y, width, height,
                        SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0u : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND hwnd, int command) {
    if (!IsLive(hwnd)) return FALSE;
    const BOOL wasVisible = (hwnd->style & WS_VISIBLE) ? TRUE : FALSE;
    switch (command) {
    case SW_HIDE:
        if (!wasVisible) return FALSE;
        SendMessageA(hwnd, WM_SHOWWINDOW, FALSE, 0);
        SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_HIDEWINDOW);
        if (hwnd->parent) InvalidateTree(hwnd->parent);
        break;
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
        if (!hwnd->minimized) {
            if (!hwnd->maximized) hwnd->restore = hwnd->rect;
            hwnd->minimized = true;
            hwnd->maximized = false;
            hwnd->style |= WS_MINIMIZE;
            hwnd->style &= ~WS_MAXIMIZE;
            if (!wasVisible) SendMessageA(hwnd, WM_SHOWWINDOW, TRUE, 0);
            // The flags the system gives a window that shrinks to its icon.
            SetWindowPos(hwnd, nullptr, hwnd->rect.left, hwnd->rect.top, 32, 32, 0x174);
        }
        break;
    case SW_SHOWMAXIMIZED:
        if (!hwnd->maximized) {
            if (!hwnd->minimized) hwnd->restore = hwnd->rect;
            hwnd->maximized = true;
            hwnd->minimized = false;
            hwnd->style |= WS_MAXIMIZE;
            hwnd->style &= ~WS_MINIMIZE;
            RECT area{0, 0, platform::GetScreenSize().cx, platform::GetScreenSize().cy};
            if (hwnd->parent) GetClientRect(hwnd->parent, &area);
            if (!wasVisible) SendMessageA(hwnd, WM_SHOWWINDOW, TRUE, 0);
            const RECT in = platform::detail::Insets(hwnd);
            // A maximised child gives its caption up to its frame; a maximised top-level window
            // keeps its caption and menu bar on the screen and only its borders go past the edges.
            const LONG top = hwnd->parent ? in.top : in.left;
            SetWindowPos(hwnd, nullptr, -in.left, -top, Width(area) + in.left + in.right,
                         Height(area) + top + in.bottom, SWP_SHOWWINDOW | SWP_FRAMECHANGED);
        } else if (!wasVisible) {
            SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_SHOWWINDOW);
        }
        break;
    case SW_RESTORE:
    case SW_SHOWNORMAL:
        if (hwnd->minimized || hwnd->maximized) {
            hwnd->minimized = hwnd->maximized = false;
            hwnd->style &= ~(WS_MINIMIZE | WS_MAXIMIZE);
            const RECT r = hwnd->restore;
            SetWindowPos(hwnd, nullptr, r.left, r.top, Width(r), Height(r), SWP_SHOWWINDOW | SWP_FRAMECHANGED);
            break;
        }
        [[fallthrough]];
    default:
        if (!wasVisible) {
            SendMessageA(hwnd, WM_SHOWWINDOW, TRUE, 0);
            SetWindowPos(hwnd, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_SHOWWINDOW);
        }
        break;
    }
    if (command != SW_HIDE && command != SW_SHOWNOACTIVATE && command != SW_SHOWNA && !(hwnd->style & WS_CHILD) &&
        IsLive(hwnd))
        SetActiveWindow(hwnd);
    return wasVisible;
}

BOOL IsIconic(HWND hwnd) { return IsLive(hwnd) && hwnd->minimized ? TRUE : FALSE; }
BOOL IsZoomed(HWND hwnd) { return IsLive(hwnd) && hwnd->maximized ? TRUE : FALSE; }

BOOL IsWindowVisible(HWND hwnd) {
    for (HWND w = hwnd; w; w = w->parent)
        if (!IsLive(w) || !(w->style & WS_VISIBLE)) return FALSE;
    return IsLive(hwnd) ? TRUE : FALSE;
}

BOOL BringWindowToTop(HWND hwnd) {
    return SetWindowPos(hwnd, HWND_TOP, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE);
}

HWND GetParent(HWND hwnd) {
    if (!IsLive(hwnd)) return nullptr;
    return hwnd->parent ? hwnd->parent : hwnd->owner;
}

HWND GetTopWindow(HWND hwnd) {
    if (hwnd && !IsLive(hwnd)) return nullptr;
    const auto& list = hwnd ? hwnd->children : WS().topLevel;
    return list.empty() ? nullptr : list.front();
}

HWND GetWindow(HWND hwnd, UINT relation) {
    if (!IsLive(hwnd)) return nullptr;
    const auto& list = SiblingList(hwnd);
    auto pos = std::find(list.begin(), list.end(), hwnd);
    switch (relation) {
    case GW_HWNDFIRST: return list.front();
    case GW_HWNDLAST: return list.back();
    case GW_HWNDNEXT: return pos + 1 < list.end() ? *(pos + 1) : nullptr;
    case GW_HWNDPREV: return pos > list.begin() ? *(pos - 1) : nullptr;
    case GW_OWNER: return hwnd->owner;
    case GW_CHILD: return hwnd->children.empty() ? nullptr : hwnd->children.front();
    default: return nullptr;
    }
}

HWND GetDesktopWindow() { return nullptr; }

BOOL InvalidateRect(HWND hwnd, const RECT*, BOOL erase) {
    if (!hwnd) {
        for (HWND t : WS().topLevel) InvalidateTree(t);
        return TRUE;
    }
    if (!IsLive(hwnd)) return FALSE;
    hwnd->needsPaint = true;
    if (erase) hwnd->needsErase = true;
    return TRUE;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT* paint) {
    if (!IsLive(hwnd) || !paint) return nullptr;
    RECT c;
    GetClientRect(hwnd, &c);
    paint->rcPaint = c;
    paint->fErase = FALSE;
    const bool erase = hwnd->needsErase;
    hwnd->needsPaint = false;
    hwnd->needsErase = false;
    paint->hdc = GetDC(hwnd);
    if (erase && !hwnd->minimized) paint->fErase = SendMessageA(hwnd, WM_ERASEBKGND, reinterpret_cast<WPARAM>(paint->hdc), 0) ? FALSE : TRUE;
    return paint->hdc;
}

BOOL EndPaint(HWND hwnd, const PAINTSTRUCT* paint) {
    if (paint && paint->hdc) ReleaseDC(hwnd, paint->hdc);
    return TRUE;
}

BOOL UpdateWindow(HWND hwnd) {
    if (!IsLive(hwnd)) return FALSE;
    if (hwnd->needsPaint && IsWindowVisible(hwnd)) SendMessageA(hwnd, WM_PAINT, 0, 0);
    // A procedure that does not paint must not leave the window asking for ever.
    if (IsLive(hwnd)) hwnd->needsPaint = false;
    return TRUE;
}

HWND SetCapture(HWND hwnd) {
    const HWND old = WS().capture;
    WS().capture = IsLive(hwnd) ? hwnd : nullptr;
    return old;
}

BOOL ReleaseCapture() {
    WS().capture = nullptr;
    return TRUE;
}

HWND GetCapture() { return IsLive(WS().capture) ? WS().capture : nullptr; }

void CancelCaptureForModalLoop() {
    const HWND held = GetCapture();
    if (!held) return;
    SendMessageA(held, WM_CANCELMODE, 0, 0);
    // A procedure that keeps the mouse through the notice would still starve the modal window.
    if (GetCapture() == held) ReleaseCapture();
}

HWND SetFocus(HWND hwnd) {
    WindowSystem& ws = WS();
    const HWND old = IsLive(ws.focus) ? ws.focus : nullptr;
    if (hwnd && !IsLive(hwnd)) return nullptr;
    if (old == hwnd) return old;
    if (old) SendMessageA(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(hwnd), 0);
    ws.focus = hwnd;
    if (hwnd) SendMessageA(hwnd, WM_SETFOCUS, reinterpret_cast<WPARAM>(old), 0);
    return old;
}

HWND GetFocus() { return IsLive(WS().focus) ? WS().focus : nullptr; }

HWND SetActiveWindow(HWND hwnd) {
    WindowSystem& ws = WS();
    const HWND old = IsLive(ws.active) ? ws.active : nullptr;
    if (!IsLive(hwnd) || old == hwnd) return old;
    ws.active = hwnd;
    if (old) {
        SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
        SendMessageA(old, WM_ACTIVATE, 0, reinterpret_cast<LPARAM>(hwnd));
    }
    auto& list = ws.topLevel;
    if (!hwnd->parent) {
        list.erase(std::remove(list.begin(), list.end(), hwnd), list.end());
        list.insert(list.begin(), hwnd);
        // The windows it owns stay in front of it, in their own order.
        std::vector<HWND> owned;
        for (HWND w : list)
            for (HWND o = w->owner; o; o = o->owner)
                if (o == hwnd) {
                    owned.push_back(w);
                    break;
                }
        if (!owned.empty()) {
            list.erase(std::remove_if(list.begin(), list.end(),
                                      [&](HWND w) { return std::find(owned.begin(), owned.end(), w) != owned.end(); }),
                       list.end());
            list.insert(list.begin(), owned.begin(), owned.end());
        }
    }
    SendMessageA(hwnd, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(hwnd, WM_ACTIVATE, 1, reinterpret_cast<LPARAM>(old));
    if (IsLive(hwnd) && !GetFocus()) SetFocus(hwnd);
    return old;
}

HWND GetActiveWindow() { return IsLive(WS().active) ? WS().active : nullptr; }

BOOL GetCursorPos(POINT* point) {
    if (!point) return FALSE;
    *point = WS().cursor;
    return TRUE;
}

BOOL SetCursorPos(int x, int y) {
    WS().cursor = POINT{x, y};
    return TRUE;
}

HWND WindowFromPoint(POINT point) { return platform::detail::HitTest(point, nullptr); }

HMENU GetMenu(HWND hwnd) { return IsLive(hwnd) && !(hwnd->style & WS_CHILD) ? hwnd->menu : nullptr; }

BOOL SetMenu(HWND hwnd, HMENU menu) {
    if (!IsLive(hwnd) || (hwnd->style & WS_CHILD)) return FALSE;
    // The client area keeps its size by moving down; the window grows as Windows does not, but
    // keeping the client size keeps every back buffer as it was.
    const bool had = hwnd->menu != nullptr;
    hwnd->menu = menu;
    if (had != (menu != nullptr)) {
        const int d = menu ? platform::kMenuBarHeight : -platform::kMenuBarHeight;
        hwnd->rect.bottom += d;
    }
    platform::detail::ScreenChanged();
    return TRUE;
}

namespace platform {

void SetScreenSize(int width, int height) { WS().screen = SIZE{width, height}; }
SIZE GetScreenSize() { return WS().screen; }

WindowPixels GetWindowPixels(HWND hwnd) {
    if (!detail::IsLive(hwnd)) return {nullptr, 0, 0};
    SizeSurface(hwnd);
    return {hwnd->surface.data(), hwnd->surfaceWidth, hwnd->surfaceHeight};
}

BYTE* WindowPixelsForWrite(HWND hwnd, int* width, int* height) {
    if (!detail::IsLive(hwnd)) return nullptr;
    SizeSurface(hwnd);
    *width = hwnd->surfaceWidth;
    *height = hwnd->surfaceHeight;
    // Whoever writes the pixels changes what the screen shows.
    platform::detail::ScreenChanged();
    return hwnd->surface.data();
}

void ResetWindowSystem() {
    CloseMenus();
    WindowSystem& ws = WS();
    while (!ws.topLevel.empty()) DestroyWindow(ws.topLevel.front());
    ws.classes.clear();
    ws.capture = ws.focus = ws.active = nullptr;
    ws.cascade = 0;
    ws.cursor = POINT{0, 0};
}

unsigned WindowCount() { return static_cast<unsigned>(WS().live.size()); }

namespace {
void PaintList(const std::vector<HWND>& list) {
    // Back to front, parents before children, as the screen is built.
    const std::vector<HWND> copy(list.rbegin(), list.rend());
    for (HWND w : copy) {
        if (!detail::IsLive(w) || !(w->style & WS_VISIBLE)) continue;
        if (w->needsPaint) UpdateWindow(w);
        if (detail::IsLive(w)) PaintList(w->children);
    }
}
} // namespace

void PaintPendingWindows() { PaintList(WS().topLevel); }

bool WindowWaitingForPaint() { return NextPaint(nullptr, false) != nullptr; }

} // namespace platform
