// The drawn menus: a top-level window's menu bar, composed over its frame, and the pop-up menus
// opened from it (or by TrackPopupMenu), composed over every window. Mouse and keys reach them
// from the input layer before any window: a press on a bar item opens its pop-up, a release on
// an item chooses it; Alt alone or F10 selects the bar, Alt+letter opens the pop-up whose title
// underlines the letter, and while a menu is open the arrows move, Return chooses, Escape steps
// back and a letter chooses the item it underlines. A chosen command reaches the owner as
// WM_COMMAND (notification 0), the same message a scripted choice sends.
#include "platform/menu_record.h"

#include "platform/dialog.h"
#include "platform/idle.h"
#include "platform/input.h"
#include "platform/message_queue.h"
#include "platform/screen.h"
#include "platform/text.h"
#include "platform/window_record.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

namespace platform {
namespace {

constexpr int kTextHeight = 11;       // the menu text's character height in pixels
constexpr int kBarItemPad = 7;        // each side of a bar item's title
constexpr int kRowHeight = 18;        // a pop-up's command row
constexpr int kSeparatorHeight = 8;
constexpr int kCheckMargin = 18;      // left of a pop-up's texts: the check mark
constexpr int kRightMargin = 18;      // right of them: the sub-menu arrow
constexpr int kAccelGap = 20;         // between an item's text and its key
constexpr std::uint32_t kFace = 0xC0C0C0, kShadow = 0x808080, kLight = 0xFFFFFF, kDark = 0x000000;
constexpr std::uint32_t kHighlight = 0x000080, kHighlightText = 0xFFFFFF, kText = 0x000000;

bool Inside(const RECT& r, POINT p) { return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom; }

RECT Intersect(RECT a, RECT b) {
    return RECT{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right), std::min(a.bottom, b.bottom)};
}

bool Selectable(const MenuItemRecord& it) { return !(it.flags & MF_SEPARATOR); }
bool Enabled(const MenuItemRecord& it) { return !(it.flags & (MF_GRAYED | MF_DISABLED | MF_SEPARATOR)); }

// The parts of an item's text: what is shown (no '&'), the position of the underlined character
// (-1 for none) and the key text after a tab.
struct Label {
    std::string shown;
    int underline = -1;
    std::string keys;
};

Label Split(const std::string& text) {
    Label l;
    const std::size_t tab = text.find('\t');
    const std::string main = text.substr(0, tab);
    if (tab != std::string::npos) l.keys = text.substr(tab + 1);
    for (std::size_t i = 0; i < main.size(); ++i) {
        if (main[i] == '&' && i + 1 < main.size()) {
            ++i;
            if (main[i] != '&' && l.underline < 0) l.underline = static_cast<int>(l.shown.size());
        }
        l.shown += main[i];
    }
    return l;
}

char Mnemonic(const MenuItemRecord& it) {
    const Label l = Split(it.text);
    if (l.underline < 0) return 0;
    return static_cast<char>(std::toupper(static_cast<unsigned char>(l.shown[static_cast<std::size_t>(l.underline)])));
}

int TextWidth(const std::string& s) { return MeasureText(s, kTextHeight, false).cx; }

// One open pop-up: its menu, its screen rectangle and the highlighted item (-1 for none).
struct Level {
    HMENU menu = nullptr;
    RECT rect{};
    int hot = -1;
};

struct Tracking {
    bool active = false;
    HWND owner = nullptr;   // gets the chosen command
    HMENU bar = nullptr;    // the owner's menu bar, or null for a pop-up of its own
    int barHot = -1;        // the selected bar item
    std::vector<Level> open;
    UINT chosen = 0;
    bool altAlone = false;  // Alt went down and nothing else since
};

Tracking& T() {
    static Tracking t;
    return t;
}

void Changed() { detail::ScreenChanged(); }

// The screen rectangle of a window's menu bar (empty without one).
RECT BarRect(HWND w) {
    if (!IsWindow(w) || !GetMenu(w)) return RECT{};
    const POINT o = detail::ClientOrigin(w);
    RECT c;
    GetClientRect(w, &c);
    return RECT{o.x, o.y - kMenuBarHeight, o.x + c.right, o.y};
}

// The screen rectangles of the bar's items, in order.
std::vector<RECT> BarItems(HWND w) {
    std::vector<RECT> out;
    const RECT bar = BarRect(w);
    HMENU m = GetMenu(w);
    if (!m) return out;
    int x = bar.left + 2;
    for (const MenuItemRecord& it : m->items) {
        const int width = (it.flags & MF_SEPARATOR) ? 0 : TextWidth(Split(it.text).shown) + 2 * kBarItemPad;
        out.push_back(RECT{x, bar.top + 1, x + width, bar.bottom - 1});
        x += width;
    }
    return out;
}

int RowHeight(const MenuItemRecord& it) { return (it.flags & MF_SEPARATOR) ? kSeparatorHeight : kRowHeight; }

// Where a pop-up opens: at (x, y), or to the left / above it when it would leave the area the
// person sees (the owner's top-level window on the screen).
RECT PlacePopup(HMENU m, int x, int y, HWND owner, int flipLeft) {
    int textW = 0, keysW = 0, height = 4;
    for (const MenuItemRecord& it : m->items) {
        const Label l = Split(it.text);
        textW = std::max(textW, TextWidth(l.shown));
        if (!l.keys.empty()) keysW = std::max(keysW, TextWidth(l.keys));
        height += RowHeight(it);
    }
    const int width = 4 + kCheckMargin + textW + (keysW ? kAccelGap + keysW : 0) + kRightMargin;
    const SIZE s = GetScreenSize();
    RECT area{0, 0, s.cx, s.cy};
    HWND top = owner;
    while (top && GetParent(top) && (GetWindowLongPtrA(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
    if (IsWindow(top)) {
        RECT wr;
        GetWindowRect(top, &wr);
        area = Intersect(area, wr);
    }
    RECT r{x, y, x + width, y + height};
    if (r.right > area.right) {
        const int shift = flipLeft >= 0 ? r.left - (flipLeft - width) : r.right - area.right;
        r.left -= shift;
        r.right -= shift;
    }
    if (r.bottom > area.bottom) {
        const int up = std::min<LONG>(r.bottom - area.bottom, r.top - area.top);
        r.top -= std::max(up, 0);
        r.bottom -= std::max(up, 0);
    }
    if (r.left < area.left) {
        r.right += area.left - r.left;
        r.left = area.left;
    }
    return r;
}

RECT ItemRect(const Level& l, int index) {
    int y = l.rect.top + 2;
    for (int i = 0; i < index; ++i) y += RowHeight(l.menu->items[static_cast<std::size_t>(i)]);
    return RECT{l.rect.left + 2, y, l.rect.right - 2, y + RowHeight(l.menu->items[static_cast<std::size_t>(index)])};
}

int ItemAt(const Level& l, POINT p) {
    if (!Inside(l.rect, p)) return -1;
    for (int i = 0; i < static_cast<int>(l.menu->items.size()); ++i)
        if (Inside(ItemRect(l, i), p)) return i;
    return -1;
}

int BarItemAt(POINT p) {
    Tracking& t = T();
    if (!t.bar) return -1;
    const std::vector<RECT> items = BarItems(t.owner);
    for (int i = 0; i < static_cast<int>(items.size()); ++i)
        if (Inside(items[static_cast<std::size_t>(i)], p) && Selectable(t.bar->items[static_cast<std::size_t>(i)])) return i;
    return -1;
}

void Close() {
    Tracking& t = T();
    if (!t.active) return;
    t.active = false;
    t.open.clear();
    t.bar = nullptr;
    t.barHot = -1;
    Changed();
}

// The next selectable item from `from` in a direction, wrapping; -1 when there is none.
int Step(HMENU m, int from, int direction) {
    const int n = static_cast<int>(m->items.size());
    if (n == 0) return -1;
    int i = from;
    for (int k = 0; k < n; ++k) {
        i = ((i + direction) % n + n) % n;
        if (from < 0 && direction > 0 && k == 0) i = 0;
        if (Selectable(m->items[static_cast<std::size_t>(i)])) return i;
    }
    return -1;
}

void OpenSub(HMENU sub, const RECT& at, bool fromBar, bool keyboard) {
    Tracking& t = T();
    SendMessageA(t.owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(sub), 0);
    if (!IsMenu(sub) || !t.active) return;
    Level l;
    l.menu = sub;
    l.rect = fromBar ? PlacePopup(sub, at.left, at.bottom + 1, t.owner, -1) : PlacePopup(sub, at.right, at.top - 2, t.owner, at.left);
    l.hot = keyboard ? Step(sub, -1, 1) : -1;
    t.open.push_back(l);
    Changed();
}

// Selects a bar item, opening its pop-up when asked.
void SelectBar(int index, bool open, bool keyboard) {
    Tracking& t = T();
    t.open.clear();
    t.barHot = index;
    Changed();
    if (!open || index < 0) return;
    const MenuItemRecord& it = t.bar->items[static_cast<std::size_t>(index)];
    if (it.flags & MF_POPUP) OpenSub(it.popup, BarItems(t.owner)[static_cast<std::size_t>(index)], true, keyboard);
}

void Begin(HWND owner, HMENU bar) {
    Tracking& t = T();
    t.active = true;
    t.owner = owner;
    t.bar = bar;
    t.barHot = -1;
    t.open.clear();
    t.chosen = 0;
    if (GetCapture()) ReleaseCapture();
    SendMessageA(owner, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
}

// Chooses an item: a pop-up opens, a command closes every menu and goes to the owner, a grey
// item does nothing.
void Choose(HMENU m, int index, bool keyboard, const RECT& at, bool fromBar) {
    Tracking& t = T();
    if (index < 0 || index >= static_cast<int>(m->items.size())) return;
    const MenuItemRecord& it = m->items[static_cast<std::size_t>(index)];
    if (!Enabled(it)) return;
    if (it.flags & MF_POPUP) {
        OpenSub(it.popup, at, fromBar, keyboard);
        return;
    }
    const UINT id = it.id;
    const HWND owner = t.owner;
    const bool ownPopup = t.bar == nullptr;
    Close();
    t.chosen = id;
    // A pop-up of TrackPopupMenu hands its choice to its caller.
    if (!ownPopup && IsWindow(owner)) PostMessage(owner, WM_COMMAND, MAKEWPARAM(id, 0), 0);
}

// The window whose menu bar the keyboard reaches: the active top-level window, when enabled.
HWND KeyboardMenuOwner() {
    HWND w = GetActiveWindow();
    // With nothing active (the last dialog has just gone) the keys go to the front window.
    if (!IsWindow(w))
        for (HWND top : detail::TopLevel())
            if (IsWindowVisible(top)) {
                w = top;
                break;
            }
    if (!IsWindow(w) || !GetMenu(w) || !IsWindowEnabled(w) || !IsWindowVisible(w)) return nullptr;
    return w;
}

bool TrackingKey(int vk) {
    Tracking& t = T();
    if (t.bar && GetMenu(t.owner) != t.bar) {
        Close();
        return false;
    }
    const bool bar = t.bar != nullptr;
    switch (vk) {
    case VK_MENU:
    case VK_F1 + 9:
        Close();
        return true;
    case VK_ESCAPE:
        if (!t.open.empty() && (t.open.size() > 1 || bar)) {
            t.open.pop_back();
            Changed();
        } else {
            Close();
        }
        return true;
    case VK_LEFT:
    case VK_RIGHT: {
        const int dir = vk == VK_LEFT ? -1 : 1;
        if (!t.open.empty()) {
            Level& l = t.open.back();
            if (dir > 0 && l.hot >= 0 && (l.menu->items[static_cast<std::size_t>(l.hot)].flags & MF_POPUP)) {
                Choose(l.menu, l.hot, true, ItemRect(l, l.hot), false);
                return true;
            }
            if (dir < 0 && t.open.size() > 1) {
                t.open.pop_back();
                Changed();
                return true;
            }
        }
        if (bar) SelectBar(Step(t.bar, t.barHot, dir), !t.open.empty(), true);
        return true;
    }
    case VK_UP:
    case VK_DOWN: {
        if (t.open.empty()) {
            if (bar && t.barHot >= 0) SelectBar(t.barHot, true, true);
            return true;
        }
        Level& l = t.open.back();
        l.hot = vk == VK_DOWN ? Step(l.menu, l.hot, 1) : Step(l.menu, l.hot < 0 ? 0 : l.hot, -1);
        Changed();
        return true;
    }
    case VK_RETURN:
    case VK_SPACE:
        if (t.open.empty()) {
            if (bar && t.barHot >= 0) Choose(t.bar, t.barHot, true, BarItems(t.owner)[static_cast<std::size_t>(t.barHot)], true);
        } else {
            Level l = t.open.back();
            if (l.hot >= 0) Choose(l.menu, l.hot, true, ItemRect(l, l.hot), false);
        }
        return true;
    default: break;
    }
    if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) {
        HMENU m = t.open.empty() ? t.bar : t.open.back().menu;
        if (!m) return true;
        for (int i = 0; i < static_cast<int>(m->items.size()); ++i) {
            if (Mnemonic(m->items[static_cast<std::size_t>(i)]) != vk) continue;
            if (t.open.empty()) {
                SelectBar(i, true, true);
            } else {
                Level l = t.open.back();
                t.open.back().hot = i;
                Changed();
                Choose(l.menu, i, true, ItemRect(l, i), false);
            }
            break;
        }
    }
    return true;
}

void DrawFrame(std::uint32_t* px, int w, int h, const RECT& r, const RECT& clip, std::uint32_t tl, std::uint32_t br) {
    const RECT c = Intersect(clip, RECT{0, 0, w, h});
    auto put = [&](int x, int y, std::uint32_t colour) {
        if (x >= c.left && x < c.right && y >= c.top && y < c.bottom) px[static_cast<std::size_t>(y) * w + x] = colour;
    };
    for (int x = r.left; x < r.right; ++x) {
        put(x, r.top, tl);
        put(x, r.bottom - 1, br);
    }
    for (int y = r.top; y < r.bottom; ++y) {
        put(r.left, y, tl);
        put(r.right - 1, y, br);
    }
}

void FillRect(std::uint32_t* px, int w, int h, const RECT& r, const RECT& clip, std::uint32_t colour) {
    const RECT c = Intersect(Intersect(clip, RECT{0, 0, w, h}), r);
    for (int y = c.top; y < c.bottom; ++y) std::fill_n(px + static_cast<std::size_t>(y) * w + c.left, std::max<LONG>(0, c.right - c.left), colour);
}

// A label with its underlined character, the top of its text cell at `top`.
void DrawLabel(std::uint32_t* px, int w, int h, const RECT& clip, int x, int top, const Label& l, std::uint32_t colour) {
    DrawTextRGB(px, w, h, clip, x, top, l.shown, kTextHeight, false, colour);
    if (l.underline < 0) return;
    const int from = x + TextWidth(l.shown.substr(0, static_cast<std::size_t>(l.underline)));
    const int to = x + TextWidth(l.shown.substr(0, static_cast<std::size_t>(l.underline) + 1));
    const int y = top + TextAscent(kTextHeight, false) + 1;
    FillRect(px, w, h, RECT{from, y, to, y + 1}, clip, colour);
}

// Grey items are engraved: a light copy one pixel down and right under the grey text.
void DrawItemText(std::uint32_t* px, int w, int h, const RECT& clip, int x, int top, const Label& l, bool enabled, bool hot) {
    if (enabled) {
        DrawLabel(px, w, h, clip, x, top, l, hot ? kHighlightText : kText);
        return;
    }
    if (!hot) DrawLabel(px, w, h, clip, x + 1, top + 1, l, kLight);
    DrawLabel(px, w, h, clip, x, top, l, kShadow);
}

void DrawPopup(std::uint32_t* px, int w, int h, const Level& l, POINT origin) {
    const RECT clip{0, 0, w, h};
    auto shift = [&](RECT r) { return RECT{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y}; };
    const RECT r = shift(l.rect);
    FillRect(px, w, h, r, clip, kFace);
    DrawFrame(px, w, h, r, clip, kFace, kDark);
    DrawFrame(px, w, h, RECT{r.left + 1, r.top + 1, r.right - 1, r.bottom - 1}, clip, kLight, kShadow);
    const int cell = MeasureText("", kTextHeight, false).cy;
    for (int i = 0; i < static_cast<int>(l.menu->items.size()); ++i) {
        const MenuItemRecord& it = l.menu->items[static_cast<std::size_t>(i)];
        const RECT ir = shift(ItemRect(l, i));
        if (it.flags & MF_SEPARATOR) {
            const int y = (ir.top + ir.bottom) / 2 - 1;
            FillRect(px, w, h, RECT{ir.left + 1, y, ir.right - 1, y + 1}, clip, kShadow);
            FillRect(px, w, h, RECT{ir.left + 1, y + 1, ir.right - 1, y + 2}, clip, kLight);
            continue;
        }
        const bool hot = i == l.hot;
        if (hot) FillRect(px, w, h, ir, clip, kHighlight);
        const std::uint32_t ink = hot ? kHighlightText : Enabled(it) ? kText : kShadow;
        const int top = ir.top + (kRowHeight - cell) / 2;
        const Label label = Split(it.text);
        DrawItemText(px, w, h, clip, ir.left + kCheckMargin, top, label, Enabled(it), hot);
        if (!label.keys.empty()) {
            Label keys;
            keys.shown = label.keys;
            DrawItemText(px, w, h, clip, ir.right - kRightMargin - TextWidth(label.keys), top, keys, Enabled(it), hot);
        }
        if (it.flags & MF_CHECKED) {
            // A tick: down from the left, then up to the right.
            const int cx = ir.left + 5, cy = ir.top + kRowHeight / 2;
            for (int k = 0; k < 3; ++k) FillRect(px, w, h, RECT{cx + k, cy - 1 + k, cx + k + 1, cy + 2 + k}, clip, ink);
            for (int k = 0; k < 5; ++k) FillRect(px, w, h, RECT{cx + 3 + k, cy + 1 - k, cx + 4 + k, cy + 4 - k}, clip, ink);
        }
        if (it.flags & MF_POPUP) {
            // The arrow of a sub-menu.
            const int ax = ir.right - 10, ay = ir.top + kRowHeight / 2;
            for (int k = 0; k < 4; ++k) FillRect(px, w, h, RECT{ax + k, ay - 3 + k, ax + k + 1, ay + 4 - k}, clip, ink);
        }
    }
}

} // namespace

namespace detail {

void MenuChanged(HMENU) { ScreenChanged(); }

void MenuDestroyed(HMENU menu) {
    Tracking& t = T();
    if (!t.active) return;
    bool shown = t.bar == menu;
    for (const Level& l : t.open) shown = shown || l.menu == menu;
    if (shown) Close();
}

void DrawMenuBarOf(std::uint32_t* px, int w, int h, HWND hwnd, POINT origin, const RECT& clip) {
    HMENU m = GetMenu(hwnd);
    if (!m) return;
    RECT bar = BarRect(hwnd);
    auto shift = [&](RECT r) { return RECT{r.left - origin.x, r.top - origin.y, r.right - origin.x, r.bottom - origin.y}; };
    bar = shift(bar);
    FillRect(px, w, h, bar, clip, kFace);
    FillRect(px, w, h, RECT{bar.left, bar.bottom - 1, bar.right, bar.bottom}, clip, kShadow);
    const Tracking& t = T();
    const bool tracked = t.active && t.bar == m && t.owner == hwnd;
    const std::vector<RECT> items = BarItems(hwnd);
    const int cell = MeasureText("", kTextHeight, false).cy;
    const RECT barClip = Intersect(clip, bar);
    for (std::size_t i = 0; i < items.size(); ++i) {
        const MenuItemRecord& it = m->items[i];
        if (!Selectable(it)) continue;
        const RECT r = shift(items[i]);
        const bool hot = tracked && t.barHot == static_cast<int>(i);
        if (hot) FillRect(px, w, h, r, barClip, kHighlight);
        DrawItemText(px, w, h, barClip, r.left + kBarItemPad, r.top + (r.bottom - r.top - cell) / 2, Split(it.text), Enabled(it), hot);
    }
}

void DrawOpenMenus(std::uint32_t* px, int w, int h, POINT origin) {
    const Tracking& t = T();
    if (!t.active) return;
    for (const Level& l : t.open)
        if (IsMenu(l.menu)) DrawPopup(px, w, h, l, origin);
}

// Mouse messages (WM_LBUTTONDOWN ... at a screen point) the menus take; true when taken.
bool MenuMouse(UINT message, POINT p) {
    Tracking& t = T();
    if (message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN) t.altAlone = false;
    if (!t.active) {
        if (message != WM_LBUTTONDOWN) return false;
        bool client = true;
        HWND w = HitTest(p, &client);
        if (!w || client || (GetWindowLongPtrA(w, GWL_STYLE) & WS_CHILD) || !GetMenu(w) || !IsWindowEnabled(w)) return false;
        if (!Inside(BarRect(w), p)) return false;
        SetActiveWindow(w);
        Begin(w, GetMenu(w));
        const int i = BarItemAt(p);
        if (i < 0) {
            Close();
            return true;
        }
        SelectBar(i, true, false);
        return true;
    }
    if (t.bar && GetMenu(t.owner) != t.bar) {
        Close();
        return false;
    }
    // The deepest pop-up under the point.
    int level = -1, item = -1;
    for (int k = static_cast<int>(t.open.size()) - 1; k >= 0; --k)
        if (Inside(t.open[static_cast<std::size_t>(k)].rect, p)) {
            level = k;
            item = ItemAt(t.open[static_cast<std::size_t>(k)], p);
            break;
        }
    const int barItem = level < 0 ? BarItemAt(p) : -1;
    switch (message) {
    case WM_MOUSEMOVE:
        if (level >= 0) {
            Level& l = t.open[static_cast<std::size_t>(level)];
            if (l.hot != item) {
                t.open.resize(static_cast<std::size_t>(level) + 1);
                t.open.back().hot = item;
                Changed();
                if (item >= 0 && (l.menu->items[static_cast<std::size_t>(item)].flags & MF_POPUP))
                    Choose(t.open.back().menu, item, false, ItemRect(t.open.back(), item), false);
            }
        } else if (barItem >= 0 && barItem != t.barHot) {
            SelectBar(barItem, !t.open.empty(), false);
        } else if (!t.open.empty() && t.open.back().hot >= 0 && barItem < 0) {
            t.open.back().hot = -1;
            Changed();
        }
        return true;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
        if (level >= 0) return true;
        if (barItem >= 0) {
            // A press on the open item's title closes the menu; on another title opens that one.
            if (barItem == t.barHot && !t.open.empty()) Close();
            else SelectBar(barItem, true, false);
            return true;
        }
        Close();
        return true;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
        if (level >= 0 && item >= 0) {
            const Level l = t.open[static_cast<std::size_t>(level)];
            Choose(l.menu, item, false, ItemRect(l, item), false);
        }
        return true;
    default: return true;
    }
}

// A key (already recorded as held or not) the menus take; true when taken.
bool MenuKey(int vk, bool down) {
    Tracking& t = T();
    // Heard as the key is taken in, ahead of the messages still waiting: the keys as they are now.
    const bool alt = GetAsyncKeyState(VK_MENU) < 0, control = GetAsyncKeyState(VK_CONTROL) < 0,
               shift = GetAsyncKeyState(VK_SHIFT) < 0;
    if (t.active) {
        // While a menu is open it takes every key; releases change nothing.
        return down ? TrackingKey(vk) : true;
    }
    if (vk == VK_MENU) {
        if (down) {
            t.altAlone = true;
            return false;
        }
        const bool alone = t.altAlone;
        t.altAlone = false;
        if (!alone) return false;
        if (HWND w = KeyboardMenuOwner()) {
            Begin(w, GetMenu(w));
            SelectBar(Step(GetMenu(w), -1, 1), false, true);
            return true;
        }
        return false;
    }
    if (!down) return false;
    t.altAlone = false;
    if (vk == VK_F1 + 9 && !alt && !control && !shift) {
        if (HWND w = KeyboardMenuOwner()) {
            Begin(w, GetMenu(w));
            SelectBar(Step(GetMenu(w), -1, 1), false, true);
            return true;
        }
        return false;
    }
    if (alt && !control && ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9'))) {
        HWND w = KeyboardMenuOwner();
        if (!w) return false;
        HMENU m = GetMenu(w);
        for (int i = 0; i < static_cast<int>(m->items.size()); ++i) {
            if (Mnemonic(m->items[static_cast<std::size_t>(i)]) != vk) continue;
            Begin(w, m);
            SelectBar(i, true, true);
            return true;
        }
    }
    return false;
}

UINT RunPopupMenu(HMENU menu, int x, int y, HWND owner) {
    Tracking& t = T();
    if (t.active) Close();
    Begin(owner, nullptr);
    Level l;
    SendMessageA(owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), 0);
    if (!IsMenu(menu)) {
        Close();
        return 0;
    }
    l.menu = menu;
    l.rect = PlacePopup(menu, x, y, owner, -1);
    t.open.push_back(l);
    Changed();
    // The menu is modal: messages go on being handled until it closes.
    while (t.active) {
        MSG msg;
        if (PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                Close();
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            TranslateMessage(&msg);
            DispatchMessage(&msg);
        } else {
            WaitMessage();
            if (!CurrentBackend().Live()) Close();
        }
    }
    return t.chosen;
}

} // namespace detail

bool MenuTracking() { return T().active; }

HMENU OpenMenu(int level) {
    const Tracking& t = T();
    if (!t.active || level < 0 || level >= static_cast<int>(t.open.size())) return nullptr;
    return t.open[static_cast<std::size_t>(level)].menu;
}

int OpenMenuCount() { return T().active ? static_cast<int>(T().open.size()) : 0; }

int HighlightedMenuItem(int level) {
    const Tracking& t = T();
    if (!t.active) return -1;
    if (level < 0) return t.barHot;
    if (level >= static_cast<int>(t.open.size())) return -1;
    return t.open[static_cast<std::size_t>(level)].hot;
}

bool MenuItemScreenPoint(HWND hwnd, const std::string& label, POINT& at) {
    auto same = [&](const std::string& text) {
        const std::string shown = Split(text).shown;
        return text == label || shown == label || text.substr(0, text.find('\t')) == label;
    };
    const Tracking& t = T();
    // The open pop-ups first, deepest first; then the window's bar.
    for (auto l = t.open.rbegin(); t.active && l != t.open.rend(); ++l)
        for (int i = 0; i < static_cast<int>(l->menu->items.size()); ++i)
            if (Selectable(l->menu->items[static_cast<std::size_t>(i)]) && same(l->menu->items[static_cast<std::size_t>(i)].text)) {
                const RECT r = ItemRect(*l, i);
                at = POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
                return true;
            }
    HMENU m = IsWindow(hwnd) ? GetMenu(hwnd) : nullptr;
    if (!m) return false;
    const std::vector<RECT> items = BarItems(hwnd);
    for (std::size_t i = 0; i < items.size(); ++i)
        if (Selectable(m->items[i]) && same(m->items[i].text)) {
            at = POINT{(items[i].left + items[i].right) / 2, (items[i].top + items[i].bottom) / 2};
            return true;
        }
    return false;
}

RECT MenuBarScreenRect(HWND hwnd) { return BarRect(hwnd); }

void CloseMenus() { Close(); }

} // namespace platform
