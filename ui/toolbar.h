#pragma once
// Toolbar: the strip of picture buttons across the top of the main window, with tool tips. The
// portable part owns the buttons, lays them out left to right, each centred in the strip's
// height, and receives the buttons' tool-tip messages ("ToolTipText", "ToolTipEnable"); the
// Windows part (ui/windows/windows_toolbar.h) holds the buttons in a child window and shows the
// tip popup.
//
// Invariants: the next x is the sum of the widths of the buttons and the gaps added so far; the
// buttons are attached to the display in the order added and are owned by the toolbar.
#include "core/component.h"
#include "core/geometry.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <string>
#include <vector>

class Button;
class Display;

class Toolbar : public Component {
public:
    // display: where the buttons are attached.
    explicit Toolbar(Display* display);
    // Deletes every button.
    ~Toolbar() override;

    // Stores the text; 0.
    virtual std::int16_t SetToolTipText(const std::string& text);
    virtual std::int16_t EnableToolTip(std::int16_t on) = 0;

    // Takes the button: it joins the toolbar's bus (when there is one) and is attached to the
    // display at the next x, centred in the strip's height, at its art size.
    void AddButton(Button* button);
    // Leaves a gap of exactly `gap` pixels before the next button.
    void AddSpace(std::int16_t gap);
    std::int16_t GetHeight() const { return height_; }
    // Every button hears the command (a multi-state button steps on its current command).
    virtual void NotifyCommand(BusMessage command);

    // What the frame lays out: the bar's own native window (none here) and its height.
    virtual HWND GetBarWindow() const { return nullptr; }
    virtual std::int16_t GetBarHeight() const { return height_; }

    // Every button joins the toolbar's bus; "ToolTipText" and "ToolTipEnable" are registered.
    void Connect() override;
    static ContainerBase* OnToolTipText(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnToolTipEnable(Component* receiver, BusMessage event, ContainerBase* payload);

    const std::vector<Button*>& GetButtons() const { return buttons_; }
    Point GetNextPlace() const { return next_; }
    const std::string& GetToolTipText() const { return tipText_; }
    bool IsTipShown() const { return tipShown_ != 0; }
    bool IsTipWindowNeeded() const { return tipWindowNeeded_ != 0; }
    bool AreTipsKilled() const { return tipsKilled_ != 0; }

protected:
    Display* display_ = nullptr;
    std::int16_t height_ = 0;
    Point next_;
    std::vector<Button*> buttons_;
    std::string tipText_;
    std::int16_t tipShown_ = 0;
    std::int16_t tipWindowNeeded_ = 1;
    std::int16_t tipsKilled_ = 0;
};
