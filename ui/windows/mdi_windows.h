#pragma once
// The MDI frame and its children. WindowsMainWindow runs the frame: its client window is of the
// class "SUPERMDI", a copy of the system MDICLIENT whose messages reach the frame object first,
// so that the area behind the children shows the frame's back buffer and the client is laid out
// between the toolbar and the status bar. Commands reach the frame as WM_COMMAND: window-menu
// commands are its own, others go to the active child, or become bus events when no child is
// active. WindowsChildWindow runs one MDI child; activating it shows its menu in the frame.
//
// Invariants: the frame's display is the MDI client's area (its back buffer is blitted onto the
// client window); the client's object word holds the frame from its WM_CREATE until the frame
// object goes; a close of the frame ends the program's loop only once every child has agreed to
// close and every CAN_TERMINATE handler has agreed.
#include "ui/main_window.h"
#include "ui/windows/windows_window.h"

class WindowsChildWindow;

class WindowsMainWindow : public MainWindow, public WindowsWindow {
public:
    static constexpr DWORD kFrameStyle = 0x02CF0000;
    static constexpr DWORD kClientStyle = 0x52300001;
    static constexpr UINT kFirstChildId = 3000;

    WindowsMainWindow(const Point& position, const Dim& clientSize, const char* title, const char* menuName,
                      const char* iconName, const char* childIconName, const char* name = nullptr,
                      int showCommand = SW_SHOWNORMAL);
    ~WindowsMainWindow() override;

    // The box left for the MDI client between the bars.
    virtual Box LayoutBars(const Dim& clientSize);
    virtual void CreateChild(ChildWindow* child);
    virtual void ChildDestroyed(ChildWindow* child);
    virtual void RestoreChild(HWND child);
    virtual void ActivateChild(HWND child);
    virtual HWND GetActiveChild();
    void SetFrameMenu(Menu* menu) override;
    // A bar that comes or goes lays the client out again at once.
    void SetToolbar(Toolbar* toolbar) override;
    void SetStatusBar(StatusBar* statusBar) override;
    virtual LRESULT FrameProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual LRESULT ClientProc(UINT message, WPARAM wParam, LPARAM lParam);
    void Command(int id, int notification) override;
    using WindowsWindow::Create;
    virtual std::int16_t Create(const Dim& clientSize, const char* className, DWORD style, HWND parent, int show);
    void HookUp() override;
    void Update() override;
    void CaptureMouse(Display* display) override;
    using WindowsWindow::CaptureMouse;
    virtual void Cascade();
    virtual void ArrangeIcons();
    virtual void TileHorizontally();
    virtual void TileVertically();
    void CloseAllChildren();

    void InstallMenuHook() override { RestoreMenu(); }
    void Connect() override { HookUp(); }

    HWND GetClient() const { return client_; }
    HICON GetChildIcon() const { return childIcon_; }

    static LRESULT StaticFrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT StaticClientProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // "GenericMDI", "ChildWindow" and "SUPERMDI", once per run.
    static void RegisterClasses(HICON frameIcon, HICON childIcon);

private:
    LRESULT LayOutClient(WINDOWPOS* pos);
    void RelayClient();
    void CreateMdiChild(ChildWindow* child);
    void SendToChildren(HWND parent, UINT message, WPARAM wParam, LPARAM lParam);
    void CloseFrame();

    HWND client_ = nullptr;
    HICON childIcon_ = nullptr;
    // The client's layout: where it was placed, the size it was last offered and the box the
    // bars left it then.
    bool clientLaidOut_ = false;
    Point clientOrigin_;
    Dim clientOffered_;
    Dim clientBox_;
};

class WindowsChildWindow : public ChildWindow, public WindowsWindow {
public:
    WindowsChildWindow(const Point& position, const Dim& clientSize, const char* title, const char* menuName,
                       const char* iconName, const char* name = nullptr);
    ~WindowsChildWindow() override;

    // Makes the native MDI child inside the frame's client.
    using WindowsWindow::Create;
    virtual void Create();
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    void Update() override;
    void Connect() override { HookUp(); }
    void InstallMenuHook() override { InstallMenu(); }

    void Activate();
    void Restore();
    void SetMinimizeOnClose(std::int16_t on) { minimizeOnClose_ = on; }
    // Suspends or resumes copying to the screen; resuming copies at once.
    void EnableUpdates(std::int16_t on);
    bool UpdatesSuspended() const { return updatesSuspended_ != 0; }

    static LRESULT StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

private:
    class WindowsMainWindow* Frame() const;

    std::int16_t minimizeOnClose_ = 0;
    std::int16_t updatesSuspended_ = 0;
};
