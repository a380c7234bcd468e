#pragma once
// MainWindow and ChildWindow: the portable halves of the program's frame window (menu, toolbar,
// status bar, the "Command" named message) and of its document windows. The Windows layer
// joins each with WindowsWindow (WindowsMainWindow, WindowsChildWindow), sharing the virtual
// base Window.
#include "ui/bars.h"
#include "ui/window.h"

class MainWindow : public virtual Window {
public:
    MainWindow(const Box& box, std::int16_t id, const char* title, const char* name = nullptr);
    ~MainWindow() override;

    // Shows the frame's own menu again.
    virtual void RestoreMenu();
    // Shows a menu in the frame, or the frame's own for null.
    virtual void SetFrameMenu(Menu* menu) = 0;
    virtual void SetToolbar(Toolbar* toolbar) { toolbar_ = toolbar; }
    virtual void SetStatusBar(StatusBar* statusBar) { statusBar_ = statusBar; }
    // Nothing before a status bar is attached.
    virtual void SetStatusText(const char* text, std::int16_t pane);
    // The command dispatch of the frame (the Windows layer's).
    virtual void Command(int id, int notification) = 0;

    Toolbar* GetToolbar() const { return toolbar_; }
    StatusBar* GetStatusBar() const { return statusBar_; }

    // The "Command" message's entry: a Container<BusMessage> (or a number) whose low 28 bits
    // are the command.
    static ContainerBase* OnCommand(Component* receiver, BusMessage event, ContainerBase* payload);

private:
    Toolbar* toolbar_ = nullptr;
    StatusBar* statusBar_ = nullptr;
};

class ChildWindow : public virtual Window {
public:
    ChildWindow(const Box& box, std::int16_t id, const char* title, const char* name = nullptr);
    ~ChildWindow() override;

    // Asks the main window to show this child's menu in the frame.
    virtual void InstallMenu();
    void InstallMenuHook() override { InstallMenu(); }
    void Connect() override;

    // The application's main window when this child was made, if it was a MainWindow.
    MainWindow* GetMainWindow() const { return mainWindow_; }

private:
    MainWindow* mainWindow_ = nullptr;
};
