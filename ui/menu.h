#pragma once
// The portable menu model: an ordered list of owned items (text items bound to bus messages,
// popups owning a submenu, picture items, and the three plain markers: 1 separator, 2 column
// break, 3 column break with a bar), each with a 16-bit state word (1 checked, 2 disabled,
// 4 greyed). A text item's identifier is the registered number of its message name, so that a
// menu command and the bus event of the same number are one thing. Native menus derive from
// Menu and keep a platform menu in step (ui/windows/windows_menu.h).
//
// State operations and queries by id reach commands inside popups too, as the native menu does.
//
// Invariants: items are owned and appear once; a text item's id is RegisterMessage of its
// current name; a popup owns its submenu, whose prefix is the message name of the labels above.
#include "platform/wintypes.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

class Bitmap;
class Menu;
template <class T>
class QIF;

class MenuItem {
public:
    enum State : std::uint16_t { kChecked = 1, kDisabled = 2, kGreyed = 4 };
    enum Marker : std::uint16_t { kSeparator = 1, kColumnBreak = 2, kBarColumnBreak = 3 };

    explicit MenuItem(std::uint16_t id = 0, std::uint16_t state = 0) : id_(id), state_(state) {}
    virtual ~MenuItem() = default;
    virtual MenuItem* Clone() const;
    virtual void SetPrefix(const std::string& prefix);
    // The command id; a popup answers its submenu's native handle.
    virtual UINT_PTR GetId() const { return id_; }
    virtual const char* GetLabel() const { return nullptr; }

    std::uint16_t GetState() const { return state_; }
    void SetState(std::uint16_t state) { state_ = state; }

    // The label-to-name rule: the part before a tab; the first character upper-cased; "&" and
    // "." dropped; a space dropped with any "&" right after it, and the next character upper-cased.
    static std::string MakeMessageName(const std::string& label);

protected:
    std::uint16_t id_;
    std::uint16_t state_;
};

class TextItem : public MenuItem {
public:
    // An empty name is made from the label.
    TextItem(const std::string& label, const std::string& name, std::uint16_t state = 0);
    TextItem(const std::string& label, std::uint16_t state = 0);
    MenuItem* Clone() const override;
    // The prefix goes in front of the message name, which is registered again.
    void SetPrefix(const std::string& prefix) override;
    const char* GetLabel() const override { return label_.c_str(); }
    const std::string& GetMessageName() const { return name_; }

protected:
    void SetName(const std::string& name);

    std::string label_;
    std::string name_;
};

class PopupItem : public TextItem {
public:
    PopupItem(Menu* submenu, const std::string& label, std::uint16_t state = 0);
    PopupItem(const Menu& submenu, const std::string& label, std::uint16_t state = 0);
    PopupItem(const PopupItem& other);
    ~PopupItem() override;
    MenuItem* Clone() const override;
    void SetPrefix(const std::string& prefix) override;
    UINT_PTR GetId() const override;
    Menu* GetSubmenu() const { return submenu_; }

private:
    Menu* submenu_;
};

// A picture of an image library, locked for the item's life.
class BitmapItem : public MenuItem {
public:
    BitmapItem(const char* library, const char* section, const char* image, const std::string& name,
               std::uint16_t state = 0);
    BitmapItem(const char* library, const char* image, const std::string& name, std::uint16_t state = 0);
    BitmapItem(const BitmapItem& other);
    ~BitmapItem() override;
    MenuItem* Clone() const override;
    Bitmap* GetBitmap() const { return picture_; }
    const std::string& GetMessageName() const { return name_; }
    // The data a native menu shows: the picture's image name (the native side draws the picture).
    const char* GetLabel() const override;

private:
    void Open(const char* section, const char* image);

    std::string libraryName_;
    std::string sectionName_;
    std::string imageName_;
    std::string name_;
    QIF<Bitmap>* library_ = nullptr;
    Bitmap* picture_ = nullptr;
};

class Menu {
public:
    Menu();
    Menu(const Menu& other);
    Menu& operator=(const Menu&) = delete;
    virtual ~Menu();

    // Builds the native menu again from the model.
    virtual void Rebuild() = 0;
    virtual Menu* Clone() const = 0;
    virtual void AppendItem(const std::string& label, const std::string& name, std::uint16_t state);
    // A text item named by the prefix and the label; its id.
    virtual std::uint16_t AppendText(const std::string& label, std::uint16_t state);
    virtual void AppendCopy(const MenuItem& item);
    virtual void Append(MenuItem* item);
    virtual void AppendPopupCopy(const std::string& label, const Menu& submenu);
    virtual void AppendPopup(const std::string& label, Menu* submenu);
    virtual void AppendBitmap(const char* library, const char* section, const char* image, const std::string& name,
                              std::uint16_t state);
    virtual void AppendBitmap(const char* library, const char* image, const std::string& name, std::uint16_t state);
    virtual void AppendSeparator();
    virtual void AppendColumnBreak();
    virtual void AppendBarColumnBreak();
    virtual void RemoveItem(const std::string& name);
    virtual void RemoveItem(std::uint16_t id);
    virtual void Check(const std::string& name, int on);
    virtual void Check(std::uint16_t id, int on);
    virtual void Uncheck(const std::string& name);
    virtual void Uncheck(std::uint16_t id);
    virtual void Grey(const std::string& name, int on);
    virtual void Grey(std::uint16_t id, int on);
    virtual void Ungrey(const std::string& name);
    virtual void Ungrey(std::uint16_t id);
    virtual void Enable(const std::string& name, int on);
    virtual void Enable(std::uint16_t id, int on);
    virtual void Disable(const std::string& name);
    virtual void Disable(std::uint16_t id);
    virtual UINT_PTR GetNativeHandle() const = 0;
    // Shows the menu as a pop-up at a screen point.
    virtual void TrackPopup(const POINT& screen) = 0;

    bool IsChecked(std::uint16_t id) const { return HasBits(id, MenuItem::kChecked); }
    bool IsUnchecked(std::uint16_t id) const { return Lacks(id, MenuItem::kChecked); }
    bool IsGreyed(std::uint16_t id) const { return HasBits(id, MenuItem::kGreyed); }
    bool IsNotGreyed(std::uint16_t id) const { return Lacks(id, MenuItem::kGreyed); }
    bool IsEnabled(std::uint16_t id) const { return Lacks(id, MenuItem::kDisabled); }
    bool IsDisabled(std::uint16_t id) const { return HasBits(id, MenuItem::kDisabled); }
    bool IsChecked(const std::string& name) const;
    bool IsUnchecked(const std::string& name) const;
    bool IsGreyed(const std::string& name) const;
    bool IsNotGreyed(const std::string& name) const;
    bool IsEnabled(const std::string& name) const;
    bool IsDisabled(const std::string& name) const;

    // The first item of this menu with the id.
    MenuItem* FindItem(UINT_PTR id) const;
    // The same, searching the popups' submenus too (the states follow the native menu's
    // search by command).
    MenuItem* FindDeep(UINT_PTR id) const;
    Menu* GetPopup(int index) const;
    // The submenu of the first popup whose label, as a message name, equals the text.
    Menu* FindPopup(const std::string& text) const;
    // Every item takes the prefix, the menu keeps it, and the native menu is rebuilt.
    void SetPrefix(const std::string& prefix);
    const std::string& GetPrefix() const { return prefix_; }
    int ItemCount() const { return static_cast<int>(items_.size()); }
    MenuItem* ItemAt(int index) const;

protected:
    // The model's part of each operation; native menus add their own afterwards.
    void AddToModel(MenuItem* item) { items_.push_back(item); }
    bool RemoveFromModel(UINT_PTR id);
    void SetBits(UINT_PTR id, std::uint16_t bits);
    void ClearBits(UINT_PTR id, std::uint16_t bits);
    void SetWord(UINT_PTR id, std::uint16_t word);
    void DeleteItems();
    void SetPrefixOnly(const std::string& prefix) { prefix_ = prefix; }
    const std::vector<MenuItem*>& Items() const { return items_; }

private:
    bool HasBits(UINT_PTR id, std::uint16_t bits) const;
    bool Lacks(UINT_PTR id, std::uint16_t bits) const;

    std::vector<MenuItem*> items_;
    std::string prefix_;
};

// The id registered for a message name.
std::uint16_t MenuNameId(const std::string& name);
