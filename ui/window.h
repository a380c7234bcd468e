#pragma once
// Window: the portable window, a root of the display tree with a position, a title, a native
// handle, an icon and a cursor. The window operations (post a command event, minimise, set the
// title, move ...) are abstract; the Windows layer's WindowsWindow carries them out. Window is a
// virtual base: the portable main and child windows and their Windows halves share one.
//
// Invariants: the title is an owned copy or null; the handle is null until the native window
// exists; the display's size is the client size.
#include "platform/window.h"
#include "ui/display.h"

#include <string>

class Window : public Display {
public:
    Window(const Point& position, const Dim& size, const char* title, const char* name = nullptr);
    Window(const Box& box, std::int16_t id, const char* title, const char* name = nullptr);
    ~Window() override;

    // Posts a bus event numbered `event` with a Container<short> of value.
    virtual void PostEvent(int event, std::int16_t value) = 0;
    // Fills the whole bitmap with colour 0 and records the change.
    virtual void Clear();
    // The frame and the MDI children show their own menus here; nothing for a plain window.
    virtual void InstallMenuHook();
    virtual void Minimize() = 0;
    virtual void Maximize() = 0;
    virtual void SetIcon(const char* resource) = 0;
    virtual void SetCursor(const char* resource) = 0;
    virtual void SetTitle(const char* text) = 0;
    virtual void MoveTo(const Point& p) = 0;

    HWND GetHandle() const { return handle_; }
    Box GetWindowRect() const { return Box(position_, GetSize()); }
    HICON GetIcon() const { return icon_; }
    HCURSOR GetCursor() const { return cursor_; }
    const char* GetTitle() const { return title_.empty() && !hasTitle_ ? nullptr : title_.c_str(); }
    std::int16_t GetWindowId() const { return windowId_; }

protected:
    void StoreTitle(const char* text);

    HWND handle_ = nullptr;
    HICON icon_ = nullptr;
    HCURSOR cursor_ = nullptr;

private:
    std::string title_;
    bool hasTitle_ = false;
    std::int16_t windowId_ = 0;
};
