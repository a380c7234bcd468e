#pragma once
// What the main window knows of its toolbar and status bar: the bars themselves are widgets of
// their own; these are the operations the frame uses. A bar shown in a native window of its own
// answers that window and its height, so that the frame can lay the MDI client out between them.
#include "platform/wintypes.h"

#include <cstdint>

class Toolbar {
public:
    virtual ~Toolbar() = default;
    // A command was chosen: multi-state buttons follow it.
    virtual void NotifyCommand(int command) = 0;
    virtual HWND GetBarWindow() const { return nullptr; }
    virtual std::int16_t GetBarHeight() const { return 0; }
};

class StatusBar {
public:
    virtual ~StatusBar() = default;
    virtual void SetText(const char* text, std::int16_t pane) = 0;
    virtual HWND GetBarWindow() const { return nullptr; }
    virtual std::int16_t GetBarHeight() const { return 0; }
};
