#include "platform/menu.h"
#include "platform/menu_record.h"
#include "platform/program_menus.h"

#include "platform/input.h"
#include "platform/screen.h"

#include <cctype>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <sstream>
#include <cstdlib>

struct AcceleratorRecord {
    std::vector<ACCEL> entries;
};

namespace {

struct Menus {
    std::set<HMENU> live;
    std::map<std::string, std::string> resources;
    std::map<std::string, std::unique_ptr<AcceleratorRecord>> accelerators;
    std::deque<UINT> choices;
    HMENU lastPopup = nullptr;
    POINT lastPoint{0, 0};
};

Menus& M() {
    static Menus m;
    return m;
}

bool Live(HMENU m) { return m && M().live.count(m); }

HMENU NewMenu(bool popup) {
    auto* m = new MenuRecord;
    m->popup = popup;
    M().live.insert(m);
    return m;
}

// The item by command (searching popups too) or by position.
MenuItemRecord* Find(HMENU menu, UINT item, UINT flags) {
    if (!Live(menu)) return nullptr;
    if (flags & MF_BYPOSITION) return item < menu->items.size() ? &menu->items[item] : nullptr;
    for (auto& it : menu->items) {
        if (!(it.flags & MF_POPUP) && !(it.flags & MF_SEPARATOR) && it.id == item) return &it;
        if (it.flags & MF_POPUP)
            if (MenuItemRecord* inner = Find(it.popup, item, flags)) return inner;
    }
    return nullptr;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A small tokenizer for menu resource texts.
struct Tokens {
    const std::string& s;
    std::size_t p = 0;
    bool ok = true;
    std::string Next() {
        while (p < s.size() && (std::isspace(static_cast<unsigned char>(s[p])) || s[p] == ',')) ++p;
        if (p >= s.size()) return {};
        if (s[p] == '"') {
            std::string out = "\"";
            ++p;
            while (p < s.size() && s[p] != '"') {
                if (s[p] == '\\' && p + 1 < s.size() && s[p + 1] == 't') {
                    out += '\t';
                    p += 2;
                    continue;
                }
                out += s[p++];
            }
            if (p >= s.size()) ok = false;
            ++p;
            return out;
        }
        std::string out;
        while (p < s.size() && !std::isspace(static_cast<unsigned char>(s[p])) && s[p] != ',') out += s[p++];
        return out;
    }
    std::string Peek() {
        const std::size_t at = p;
        const bool was = ok;
        std::string t = Next();
        p = at;
        ok = was;
        return t;
    }
};

UINT Option(const std::string& t) {
    if (t == "CHECKED") return MF_CHECKED;
    if (t == "GRAYED") return MF_GRAYED;
    if (t == "INACTIVE") return MF_DISABLED;
    if (t == "MENUBREAK") return MF_MENUBREAK;
    if (t == "MENUBARBREAK") return MF_MENUBARBREAK;
    return 0xFFFFFFFFu;
}

bool IsNumber(const std::string& t) {
    return !t.empty() && std::isdigit(static_cast<unsigned char>(t[0]));
}

bool ParseBlock(Tokens& tk, HMENU menu) {
    if (tk.Next() != "BEGIN") return false;
    for (;;) {
        const std::string t = tk.Next();
        if (!tk.ok || t.empty()) return false;
        if (t == "END") return true;
        if (t == "MENUITEM") {
            std::string label = tk.Next();
            if (label == "SEPARATOR") {
                AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
                continue;
            }
            if (label.empty() || label[0] != '"') return false;
            const std::string id = tk.Next();
            if (!IsNumber(id)) return false;
            UINT flags = MF_STRING;
            while (Option(tk.Peek()) != 0xFFFFFFFFu) flags |= Option(tk.Next());
            AppendMenuA(menu, flags, std::strtoul(id.c_str(), nullptr, 0), label.c_str() + 1);
        } else if (t == "POPUP") {
            const std::string label = tk.Next();
            if (label.empty() || label[0] != '"') return false;
            UINT flags = MF_POPUP;
            while (Option(tk.Peek()) != 0xFFFFFFFFu) flags |= Option(tk.Next());
            HMENU sub = CreatePopupMenu();
            if (!ParseBlock(tk, sub)) {
                DestroyMenu(sub);
                return false;
            }
            AppendMenuA(menu, flags, reinterpret_cast<UINT_PTR>(sub), label.c_str() + 1);
        } else {
            return false;
        }
    }
}

HMENU Parse(const std::string& text) {
    Tokens tk{text};
    HMENU bar = CreateMenu();
    // The resource is the body of a menu bar: its popups and items, with or without BEGIN/END.
    std::string wrapped = text;
    if (Lower(tk.Peek()) != "begin") wrapped = "BEGIN\n" + text + "\nEND\n";
    Tokens body{wrapped};
    if (!ParseBlock(body, bar) || !body.Next().empty()) {
        DestroyMenu(bar);
        return nullptr;
    }
    return bar;
}

} // namespace

HMENU CreateMenu() { return NewMenu(false); }
HMENU CreatePopupMenu() { return NewMenu(true); }

BOOL DestroyMenu(HMENU menu) {
    if (!Live(menu)) return FALSE;
    for (auto& it : menu->items)
        if (it.flags & MF_POPUP) DestroyMenu(it.popup);
    platform::detail::MenuDestroyed(menu);
    M().live.erase(menu);
    delete menu;
    return TRUE;
}

BOOL IsMenu(HMENU menu) { return Live(menu) ? TRUE : FALSE; }

BOOL AppendMenuA(HMENU menu, UINT flags, UINT_PTR id, const char* data) {
    if (!Live(menu)) return FALSE;
    MenuItemRecord it;
    it.flags = flags & (MF_GRAYED | MF_DISABLED | MF_BITMAP | MF_CHECKED | MF_POPUP | MF_MENUBARBREAK | MF_MENUBREAK | MF_SEPARATOR);
    if (flags & MF_POPUP) {
        it.popup = reinterpret_cast<HMENU>(id);
        if (!Live(it.popup)) return FALSE;
    } else if (!(flags & MF_SEPARATOR)) {
        it.id = static_cast<UINT>(id & 0xFFFF);
    }
    if (flags & MF_BITMAP)
        it.bitmap = data;
    else if (data && !(flags & MF_SEPARATOR))
        it.text = data;
    menu->items.push_back(std::move(it));
    platform::detail::MenuChanged(menu);
    return TRUE;
}

BOOL RemoveMenu(HMENU menu, UINT item, UINT flags) {
    if (!Live(menu)) return FALSE;
    auto& items = menu->items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const bool hit = (flags & MF_BYPOSITION) ? i == item
                                                 : !(items[i].flags & (MF_POPUP | MF_SEPARATOR)) && items[i].id == item;
        if (hit) {
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
            platform::detail::MenuChanged(menu);
            return TRUE;
        }
    }
    return FALSE;
}

BOOL DeleteMenu(HMENU menu, UINT item, UINT flags) {
    if (!Live(menu)) return FALSE;
    auto& items = menu->items;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const bool hit = (flags & MF_BYPOSITION) ? i == item
                                                 : !(items[i].flags & (MF_POPUP | MF_SEPARATOR)) && items[i].id == item;
        if (hit) {
            if (items[i].flags & MF_POPUP) DestroyMenu(items[i].popup);
            items.erase(items.begin() + static_cast<std::ptrdiff_t>(i));
            platform::detail::MenuChanged(menu);
            return TRUE;
        }
        if (!(flags & MF_BYPOSITION) && (items[i].flags & MF_POPUP) && Find(items[i].popup, item, flags))
            return DeleteMenu(items[i].popup, item, flags);
    }
    return FALSE;
}

DWORD CheckMenuItem(HMENU menu, UINT item, UINT flags) {
    MenuItemRecord* it = Find(menu, item, flags);
    if (!it) return 0xFFFFFFFFu;
    const DWORD old = it->flags & MF_CHECKED;
    it->flags = (it->flags & ~MF_CHECKED) | (flags & MF_CHECKED);
    platform::detail::MenuChanged(menu);
    return old;
}

BOOL EnableMenuItem(HMENU menu, UINT item, UINT flags) {
    MenuItemRecord* it = Find(menu, item, flags);
    if (!it) return -1;
    const UINT old = it->flags & (MF_GRAYED | MF_DISABLED);
    it->flags = (it->flags & ~(MF_GRAYED | MF_DISABLED)) | (flags & (MF_GRAYED | MF_DISABLED));
    platform::detail::MenuChanged(menu);
    return static_cast<BOOL>(old);
}

int GetMenuItemCount(HMENU menu) { return Live(menu) ? static_cast<int>(menu->items.size()) : -1; }

UINT GetMenuState(HMENU menu, UINT item, UINT flags) {
    MenuItemRecord* it = Find(menu, item, flags);
    if (!it) return 0xFFFFFFFFu;
    if (it->flags & MF_POPUP) return (static_cast<UINT>(it->popup->items.size()) << 8) | (it->flags & 0xFF);
    return it->flags;
}

UINT GetMenuItemID(HMENU menu, int position) {
    if (!Live(menu) || position < 0 || static_cast<std::size_t>(position) >= menu->items.size()) return 0xFFFFFFFFu;
    const auto& it = menu->items[static_cast<std::size_t>(position)];
    if (it.flags & MF_POPUP) return 0xFFFFFFFFu;
    return it.id;
}

int GetMenuStringA(HMENU menu, UINT item, char* buffer, int size, UINT flags) {
    MenuItemRecord* it = Find(menu, item, flags);
    if (!it) return 0;
    const int n = static_cast<int>(it->text.size());
    if (!buffer || size <= 0) return n;
    const int c = n < size - 1 ? n : size - 1;
    std::memcpy(buffer, it->text.data(), static_cast<std::size_t>(c));
    buffer[c] = 0;
    return c;
}

HMENU GetSubMenu(HMENU menu, int position) {
    if (!Live(menu) || position < 0 || static_cast<std::size_t>(position) >= menu->items.size()) return nullptr;
    const auto& it = menu->items[static_cast<std::size_t>(position)];
    return (it.flags & MF_POPUP) ? it.popup : nullptr;
}

BOOL DrawMenuBar(HWND hwnd) {
    if (!IsWindow(hwnd)) return FALSE;
    platform::detail::MenuChanged(GetMenu(hwnd));
    return TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
    Menus& m = M();
    if (!Live(menu)) return FALSE;
    m.lastPopup = menu;
    m.lastPoint = POINT{x, y};
    UINT choice = 0;
    if (!m.choices.empty()) {
        choice = m.choices.front();
        m.choices.pop_front();
    } else if (platform::CurrentBackend().Live()) {
        // A person is there: the menu is drawn and chosen from with mouse or keys.
        choice = platform::detail::RunPopupMenu(menu, x, y, owner);
    }
    // Only an enabled command of this menu can be chosen.
    if (choice) {
        MenuItemRecord* it = Find(menu, choice, MF_BYCOMMAND);
        if (!it || (it->flags & (MF_GRAYED | MF_DISABLED))) choice = 0;
    }
    if (flags & TPM_RETURNCMD) return static_cast<BOOL>(choice);
    if (choice && IsWindow(owner)) PostMessage(owner, WM_COMMAND, choice, 0);
    return TRUE;
}

HMENU LoadMenuA(HINSTANCE, const char* name) {
    if (!name || IS_INTRESOURCE(name)) return nullptr;
    auto it = M().resources.find(Lower(name));
    if (it == M().resources.end()) return nullptr;
    return Parse(it->second);
}

HACCEL LoadAcceleratorsA(HINSTANCE, const char* name) {
    if (!name || IS_INTRESOURCE(name)) return nullptr;
    auto it = M().accelerators.find(Lower(name));
    return it == M().accelerators.end() ? nullptr : it->second.get();
}

int TranslateAcceleratorA(HWND hwnd, HACCEL table, MSG* msg) {
    if (!table || !msg || !IsWindow(hwnd)) return 0;
    if (msg->message != WM_KEYDOWN && msg->message != WM_SYSKEYDOWN) return 0;
    const bool shift = GetKeyState(VK_SHIFT) < 0, control = GetKeyState(VK_CONTROL) < 0, alt = GetKeyState(VK_MENU) < 0;
    for (const ACCEL& a : table->entries) {
        if (!(a.fVirt & FVIRTKEY)) continue;
        if (a.key != msg->wParam) continue;
        if (((a.fVirt & FSHIFT) != 0) != shift || ((a.fVirt & FCONTROL) != 0) != control || ((a.fVirt & FALT) != 0) != alt)
            continue;
        // The key of a grey menu command does nothing, as choosing the command would not.
        HWND top = hwnd;
        while (GetParent(top) && (GetWindowLongPtrA(top, GWL_STYLE) & WS_CHILD)) top = GetParent(top);
        if (MenuItemRecord* item = Find(GetMenu(top), a.cmd, MF_BYCOMMAND))
            if (item->flags & (MF_GRAYED | MF_DISABLED)) return 1;
        SendMessageA(hwnd, WM_COMMAND, MAKEWPARAM(a.cmd, 1), 0);
        return 1;
    }
    return 0;
}

extern const char vhMenusText[];

namespace {

std::string Trim(const std::string& s) {
    std::size_t b = 0, e = s.size();
    while (b < e && std::isspace(static_cast<unsigned char>(s[b]))) ++b;
    while (e > b && std::isspace(static_cast<unsigned char>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

// "Ctrl+Shift+Q" and friends; false for a key this table cannot name.
bool ParseAccelerator(const std::string& keys, BYTE& fVirt, WORD& key) {
    fVirt = FVIRTKEY;
    std::string rest = keys;
    for (;;) {
        const std::size_t plus = rest.find('+');
        if (plus == std::string::npos || plus + 1 >= rest.size()) break;
        const std::string mod = Lower(rest.substr(0, plus));
        if (mod == "ctrl") fVirt |= FCONTROL;
        else if (mod == "shift") fVirt |= FSHIFT;
        else if (mod == "alt") fVirt |= FALT;
        else return false;
        rest = rest.substr(plus + 1);
    }
    const std::string k = Lower(rest);
    if (k.size() == 1 && std::isalnum(static_cast<unsigned char>(k[0]))) {
        key = static_cast<WORD>(std::toupper(static_cast<unsigned char>(k[0])));
        return true;
    }
    if (k.size() >= 2 && k[0] == 'f') {
        const int n = std::atoi(k.c_str() + 1);
        if (n < 1 || n > 12) return false;
        key = static_cast<WORD>(0x70 + n - 1);
        return true;
    }
    static const std::map<std::string, WORD> named = {{"enter", 0x0D}, {"escape", 0x1B}, {"tab", 0x09}, {"space", 0x20}};
    auto it = named.find(k);
    if (it == named.end()) return false;
    key = it->second;
    return true;
}

} // namespace

namespace platform {

bool RegisterMenuText(const std::string& text, std::string& error) {
    struct Section {
        bool menu;
        std::string name;
        std::string body;
        int line;
    };
    std::vector<Section> sections;
    std::istringstream in(text);
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        const std::string t = Trim(line);
        if (t.empty() || t[0] == '#') continue;
        if (t.rfind("MENU ", 0) == 0 || t.rfind("ACCELERATORS ", 0) == 0) {
            const bool menu = t[0] == 'M';
            sections.push_back(Section{menu, Trim(t.substr(menu ? 5 : 13)), std::string(), number});
            continue;
        }
        if (sections.empty()) {
            error = "line " + std::to_string(number) + ": outside any MENU or ACCELERATORS";
            return false;
        }
        sections.back().body += line + "\n";
    }
    // Everything is checked before anything is registered.
    std::vector<std::pair<std::string, std::vector<ACCEL>>> tables;
    for (const Section& sec : sections) {
        if (sec.menu) {
            HMENU probe = Parse(sec.body);
            if (!probe) {
                error = "menu " + sec.name + " (line " + std::to_string(sec.line) + ") does not parse";
                return false;
            }
            DestroyMenu(probe);
            continue;
        }
        std::vector<ACCEL> table;
        std::istringstream body(sec.body);
        std::string entry;
        while (std::getline(body, entry)) {
            std::istringstream words(Trim(entry));
            std::string keys;
            long id = -1;
            if (!(words >> keys)) continue;
            BYTE fVirt = 0;
            WORD key = 0;
            if (!(words >> id) || id < 0 || id > 0xFFFF || !ParseAccelerator(keys, fVirt, key)) {
                error = "accelerators " + sec.name + ": not an entry: " + Trim(entry);
                return false;
            }
            table.push_back(ACCEL{fVirt, key, static_cast<WORD>(id)});
        }
        tables.emplace_back(sec.name, table);
    }
    for (const Section& sec : sections)
        if (sec.menu && !M().resources.count(Lower(sec.name))) M().resources[Lower(sec.name)] = sec.body;
    for (auto& [name, table] : tables)
        if (!M().accelerators.count(Lower(name))) RegisterAcceleratorResource(name.c_str(), table);
    return true;
}

bool RegisterProgramMenus(std::string& error) { return RegisterMenuText(vhMenusText, error); }

bool RegisterMenuResource(const char* name, const std::string& text) {
    HMENU probe = Parse(text);
    if (!probe) return false;
    DestroyMenu(probe);
    M().resources[Lower(name)] = text;
    return true;
}

void RegisterAcceleratorResource(const char* name, const std::vector<ACCEL>& table) {
    auto rec = std::make_unique<AcceleratorRecord>();
    rec->entries = table;
    M().accelerators[Lower(name)] = std::move(rec);
}

void QueuePopupMenuChoice(UINT id) { M().choices.push_back(id); }
HMENU LastPopupMenu() { return M().lastPopup; }
POINT LastPopupPoint() { return M().lastPoint; }

} // namespace platform
