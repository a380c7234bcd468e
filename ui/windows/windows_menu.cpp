#include "ui/windows/windows_menu.h"

#include "core/message_registry.h"
#include "platform/strings.h"
#include "ui/windows/win_app.h"

WindowsMenu::WindowsMenu(int popup) : popup_(popup ? 1 : 0) { Create(); }

WindowsMenu::WindowsMenu(const char* resource, int popup) : popup_(popup ? 1 : 0) {
    handle_ = resource ? LoadMenuA(InstanceHandle, resource) : nullptr;
    if (handle_)
        BuildFromHandle(handle_, "");
    else
        Create();
}

WindowsMenu::WindowsMenu(HMENU native, int popup) : handle_(native), popup_(popup ? 1 : 0) {
    if (handle_)
        BuildFromHandle(handle_, "");
    else
        Create();
}

WindowsMenu::WindowsMenu(HMENU native, const std::string& prefix) : handle_(native), popup_(1) {
    SetPrefixOnly(prefix);
    if (handle_)
        BuildFromHandle(handle_, prefix);
    else
        Create();
}

WindowsMenu::WindowsMenu(const WindowsMenu& other) : Menu(), popup_(other.popup_) {
    SetPrefixOnly(other.GetPrefix());
    Create();
    for (MenuItem* item : other.Items()) {
        MenuItem* copy = item->Clone();
        AddToModel(copy);
        AppendNative(*copy);
    }
}

WindowsMenu::~WindowsMenu() {
    // Submenus of popup items own their native menus: the native menu lets go of them first.
    if (handle_) {
        while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
        DestroyMenu(handle_);
    }
    DeleteItems();
}

void WindowsMenu::Create() {
    handle_ = popup_ ? CreatePopupMenu() : CreateMenu();
    breakPending_ = 0;
}

void WindowsMenu::BuildFromHandle(HMENU native, const std::string& prefix) {
    const int count = GetMenuItemCount(native);
    for (int pos = 0; pos < count; ++pos) {
        const UINT state = GetMenuState(native, static_cast<UINT>(pos), MF_BYPOSITION);
        if (state & MF_MENUBARBREAK) AddToModel(new MenuItem(MenuItem::kBarColumnBreak, 0));
        if (state & MF_MENUBREAK) AddToModel(new MenuItem(MenuItem::kColumnBreak, 0));
        HMENU sub = GetSubMenu(native, pos);
        if ((state & MF_SEPARATOR) && !sub) {
            AddToModel(new MenuItem(MenuItem::kSeparator, 0));
            continue;
        }
        const UINT id = GetMenuItemID(native, pos);
        char label[101] = {};
        GetMenuStringA(native, static_cast<UINT>(pos), label, sizeof label, MF_BYPOSITION);
        if (!sub) {
            const std::string name = MenuItem::MakeMessageName(prefix + label);
            RegisterMessageId(static_cast<std::uint16_t>(id), name);
            std::uint16_t flags = 0;
            if (state & MF_CHECKED) flags |= MenuItem::kChecked;
            if (state & MF_DISABLED) flags |= MenuItem::kDisabled;
            if (state & MF_GRAYED) flags |= MenuItem::kGreyed;
            AddToModel(new TextItem(label, name, flags));
        } else {
            auto* submenu = new WindowsMenu(sub, MenuItem::MakeMessageName(prefix + label));
            AddToModel(new PopupItem(submenu, label, 0));
        }
    }
}

void WindowsMenu::AppendNative(const MenuItem& item) {
    UINT flags = 0;
    if (breakPending_) {
        flags = breakWord_;
        breakPending_ = 0;
    }
    const UINT_PTR id = item.GetId();
    if (dynamic_cast<const PopupItem*>(&item) == nullptr) {
        if (id == MenuItem::kSeparator) {
            AppendMenuA(handle_, flags | MF_SEPARATOR, 0, nullptr);
            return;
        }
        if (id == MenuItem::kColumnBreak || id == MenuItem::kBarColumnBreak) {
            breakWord_ = id == MenuItem::kColumnBreak ? MF_MENUBREAK : MF_MENUBARBREAK;
            breakPending_ = 1;
            return;
        }
    }
    if (dynamic_cast<const PopupItem*>(&item))
        flags |= MF_POPUP;
    else if (dynamic_cast<const BitmapItem*>(&item))
        flags |= MF_BITMAP;
    const std::uint16_t state = item.GetState();
    if (state & MenuItem::kChecked) flags |= MF_CHECKED;
    if (state & MenuItem::kGreyed) flags |= MF_GRAYED;
    if (state & MenuItem::kDisabled) flags |= MF_DISABLED;
    AppendMenuA(handle_, flags, id, item.GetLabel());
}

void WindowsMenu::Rebuild() {
    if (handle_) {
        // Popups stay with their submenus: take them out of the bar before it goes.
        while (GetMenuItemCount(handle_) > 0) RemoveMenu(handle_, 0, MF_BYPOSITION);
        DestroyMenu(handle_);
    }
    Create();
    for (MenuItem* item : Items()) AppendNative(*item);
}

Menu* WindowsMenu::Clone() const { return new WindowsMenu(*this); }

void WindowsMenu::AppendItem(const std::string& label, const std::string& name, std::uint16_t state) {
    Append(new TextItem(label, name, state));
}

std::uint16_t WindowsMenu::AppendText(const std::string& label, std::uint16_t state) {
    auto* item = new TextItem(label, MenuItem::MakeMessageName(GetPrefix() + label), state);
    const auto id = static_cast<std::uint16_t>(item->GetId());
    Append(item);
    return id;
}

void WindowsMenu::AppendCopy(const MenuItem& item) { Append(item.Clone()); }

void WindowsMenu::Append(MenuItem* item) {
    if (!item) return;
    AddToModel(item);
    AppendNative(*item);
}

void WindowsMenu::AppendPopupCopy(const std::string& label, const Menu& submenu) { AppendPopup(label, submenu.Clone()); }

void WindowsMenu::AppendPopup(const std::string& label, Menu* submenu) {
    if (!submenu) return;
    submenu->SetPrefix(MenuItem::MakeMessageName(GetPrefix() + label));
    Append(new PopupItem(submenu, label, 0));
}

void WindowsMenu::AppendSeparator() { Append(new MenuItem(MenuItem::kSeparator, 0)); }
void WindowsMenu::AppendColumnBreak() { Append(new MenuItem(MenuItem::kColumnBreak, 0)); }
void WindowsMenu::AppendBarColumnBreak() { Append(new MenuItem(MenuItem::kBarColumnBreak, 0)); }

void WindowsMenu::RemoveItem(std::uint16_t id) {
    RemoveFromModel(id);
    DeleteMenu(handle_, id, MF_BYCOMMAND);
}

void WindowsMenu::Check(std::uint16_t id, int on) {
    if (!on) {
        Uncheck(id);
        return;
    }
    SetBits(id, MenuItem::kChecked);
    CheckMenuItem(handle_, id, MF_BYCOMMAND | MF_CHECKED);
}

void WindowsMenu::Uncheck(std::uint16_t id) {
    ClearBits(id, MenuItem::kChecked);
    CheckMenuItem(handle_, id, MF_BYCOMMAND | MF_UNCHECKED);
}

void WindowsMenu::Grey(std::uint16_t id, int on) {
    if (!on) {
        Ungrey(id);
        return;
    }
    SetBits(id, MenuItem::kGreyed | MenuItem::kDisabled);
    EnableMenuItem(handle_, id, MF_BYCOMMAND | MF_GRAYED);
}

void WindowsMenu::Ungrey(std::uint16_t id) {
    ClearBits(id, MenuItem::kGreyed | MenuItem::kDisabled);
    EnableMenuItem(handle_, id, MF_BYCOMMAND | MF_ENABLED);
}

void WindowsMenu::Enable(std::uint16_t id, int on) {
    if (!on) {
        Disable(id);
        return;
    }
    ClearBits(id, MenuItem::kDisabled);
    EnableMenuItem(handle_, id, MF_BYCOMMAND | MF_ENABLED);
}

void WindowsMenu::Disable(std::uint16_t id) {
    SetBits(id, MenuItem::kDisabled);
    EnableMenuItem(handle_, id, MF_BYCOMMAND | MF_GRAYED | MF_DISABLED);
}

void WindowsMenu::TrackPopup(const POINT& screen) {
    TrackPopupMenu(handle_, TPM_RIGHTBUTTON, screen.x, screen.y, 0, MainWindowHandle, nullptr);
}

void WindowsMenu::RegisterResourceMenus() {
    for (UINT id = 1;; ++id) {
        char name[100] = {};
        if (LoadString(InstanceHandle, id, name, sizeof name) == 0) break;
        HMENU native = LoadMenuA(InstanceHandle, name);
        if (!native) continue;
        WindowsMenu registering(native, 0);
    }
}
