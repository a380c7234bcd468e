#pragma once
// WindowsToolbar: the toolbar in a child window of its own, its background tiled from the images
// "Mirror #1" and "Mirror #2" of the art library's current section, and the tool-tip popup
// (window class "ToolTipWin"): a small pale-yellow window below the pointer with the text of the
// button the pointer rests on.
//
// Tips: hidden -> a rest on a button shows them (the toolbar window takes the mouse, so that it
// sees the pointer move between buttons) -> each rest makes the popup anew with the button's
// text -> leaving the toolbar hides them and lets the mouse go. A press or a system key kills
// them until the pointer moves inside the toolbar again.
//
// Invariants: the mouse is captured by the toolbar window exactly while tips are shown; the
// popup exists only while tips are shown and not killed; tip window needed is 1 whenever there
// is no popup.
#include "ui/bar_text.h"
#include "ui/qif.h"
#include "ui/toolbar.h"
#include "ui/windows/windows_window.h"

class WindowsToolbar : public Toolbar, public WindowsWindow {
public:
    static constexpr int kWindowId = 5;
    // The popup shows " " + text + " " in a 40-byte buffer: at most this many characters of a tip.
    static constexpr std::size_t kMaxTipLength = 37;

    WindowsToolbar(const char* artLibrary, HWND parent, const char* name = nullptr);
    // Destroys the popup when present, then the library and the window.
    ~WindowsToolbar() override;

    // Shows the new text at once while tips are shown.
    std::int16_t SetToolTipText(const std::string& text) override;
    std::int16_t EnableToolTip(std::int16_t on) override;
    virtual void DrawBackground();
    // Each pointer position the toolbar window receives: outside the window the tips go off;
    // inside, a move clears a kill.
    virtual void TrackMouse(const Point& p);
    // Captures the mouse, hides and deletes the popup until the pointer moves again.
    void KillToolTips();

    // "System Key Pressed" and "ToolTipKill", then the toolbar's own.
    void Connect() override;
    void OnMouseMove(const Point& p) override { TrackMouse(p); }
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;

    HWND GetBarWindow() const override { return handle_; }
    std::int16_t GetBarHeight() const override { return height_; }
    using Toolbar::GetHeight;

    HWND GetTipWindow() const { return tipWindow_; }
    // The text the popup shows, spaces included ("" with no popup).
    static std::string ShownTipText();
    // Registers "ToolTipWin" unless it is known; false when the registration failed.
    static bool RegisterTipClass();
    static LRESULT TipWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    static ContainerBase* OnKill(Component* receiver, BusMessage event, ContainerBase* payload);
    void DestroyTip();
    bool FocusIsOurs() const;

    HWND tipWindow_ = nullptr;
    Point last_;
    QIF<Bitmap> art_;
};
