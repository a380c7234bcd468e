#pragma once
// WindowsMenu: the menu model kept in step with a native menu (a bar or a popup). Every item
// appended to the model is appended natively, every state change is applied to both, and a
// menu loaded from a resource is read back into the model, each command's name (made from the
// labels on its path) registered under the resource's command id, so that choosing the command
// posts the bus event of that name.
//
// Invariants: the native menu holds the model's items in order (markers 2 and 3 put their
// column break onto the next native item); the native menu is owned and destroyed with the
// object.
#include "platform/menu.h"
#include "ui/menu.h"

class WindowsMenu : public Menu {
public:
    // An empty bar (0) or popup (1).
    explicit WindowsMenu(int popup = 0);
    // A menu resource, read back into the model.
    WindowsMenu(const char* resource, int popup);
    // Wraps a native menu and builds the model from it.
    WindowsMenu(HMENU native, int popup);
    // A native popup with the prefix of the labels above it (submenus of a resource menu).
    WindowsMenu(HMENU native, const std::string& prefix);
    WindowsMenu(const WindowsMenu& other);
    ~WindowsMenu() override;

    void Rebuild() override;
    Menu* Clone() const override;
    void AppendItem(const std::string& label, const std::string& name, std::uint16_t state) override;
    std::uint16_t AppendText(const std::string& label, std::uint16_t state) override;
    void AppendCopy(const MenuItem& item) override;
    void Append(MenuItem* item) override;
    void AppendPopupCopy(const std::string& label, const Menu& submenu) override;
    void AppendPopup(const std::string& label, Menu* submenu) override;
    void AppendSeparator() override;
    void AppendColumnBreak() override;
    void AppendBarColumnBreak() override;
    using Menu::RemoveItem;
    void RemoveItem(std::uint16_t id) override;
    using Menu::Check;
    void Check(std::uint16_t id, int on) override;
    using Menu::Uncheck;
    void Uncheck(std::uint16_t id) override;
    using Menu::Grey;
    void Grey(std::uint16_t id, int on) override;
    using Menu::Ungrey;
    void Ungrey(std::uint16_t id) override;
    using Menu::Enable;
    void Enable(std::uint16_t id, int on) override;
    using Menu::Disable;
    void Disable(std::uint16_t id) override;
    UINT_PTR GetNativeHandle() const override { return reinterpret_cast<UINT_PTR>(handle_); }
    // Shows the popup at a screen point; the choice reaches the main frame as WM_COMMAND.
    void TrackPopup(const POINT& screen) override;

    HMENU GetHandle() const { return handle_; }
    bool IsPopup() const { return popup_ != 0; }

    // The names of the native side's callers.
    void AddTextItem(const std::string& label, const std::string& name, std::uint16_t state) { AppendItem(label, name, state); }
    std::uint16_t AddCommand(const std::string& label, std::uint16_t state) { return AppendText(label, state); }
    void AddItem(MenuItem* item) { Append(item); }
    void AddItemCopy(const MenuItem& item) { AppendCopy(item); }
    void AddPopup(const std::string& label, Menu* submenu) { AppendPopup(label, submenu); }
    void AddPopupCopy(const std::string& label, const Menu& submenu) { AppendPopupCopy(label, submenu); }
    void AddSeparator() { AppendSeparator(); }
    void AddBreak() { AppendColumnBreak(); }
    void AddBarBreak() { AppendBarColumnBreak(); }
    void Remove(std::uint16_t id) { RemoveItem(id); }
    void RemoveByName(const std::string& name) { RemoveItem(name); }
    void SetChecked(std::uint16_t id, int on) { Check(id, on); }
    void SetCheckedByName(const std::string& name, int on) { Check(name, on); }
    void UncheckByName(const std::string& name) { Uncheck(name); }
    void SetGrayed(std::uint16_t id, int on) { Grey(id, on); }
    void SetGrayedByName(const std::string& name, int on) { Grey(name, on); }
    // Clears the greyed and disabled bits.
    void EnableByName(const std::string& name) { Ungrey(name); }
    void SetEnabled(std::uint16_t id, int on) { Enable(id, on); }
    void SetEnabledByName(const std::string& name, int on) { Enable(name, on); }
    void DisableByName(const std::string& name) { Disable(name); }

    // Loads the menu resources named by string-table ids 1, 2, 3 ... up to the first missing
    // one, so that every command name they hold is registered.
    static void RegisterResourceMenus();

private:
    void Create();
    void BuildFromHandle(HMENU native, const std::string& prefix);
    void AppendNative(const MenuItem& item);

    HMENU handle_ = nullptr;
    std::int16_t popup_ = 0;
    std::int16_t breakPending_ = 0;
    // The column flag the next native item takes after a break marker.
    UINT breakWord_ = MF_MENUBARBREAK;
};
