#pragma once
// Button: a picture button tile drawn from the images "UpEnabled", "DownEnabled", "UpDisabled"
// and "DownDisabled" of one section of an art library. This is the part the toolbar relies on:
// its art size, the command notification, and the tool-tip messages it raises ("ToolTipText"
// with its tip on enter, "ToolTipEnable" 1 on a rest and 0 on leave, "ToolTipKill" on a press);
// a release inside posts "Command" with the button's command word.
//
// Invariants: tracking only between a press on an enabled button and its release; the mouse is
// captured exactly while tracking.
#include "core/events.h"
#include "ui/qif.h"
#include "ui/tile.h"

#include <cstdint>
#include <string>

class Button : public Tile {
public:
    enum : std::uint16_t { kDown = 1, kEnabled = 2 };

    Button(const char* library, const char* section, BusMessage command, const char* statusText,
           const char* toolTip, const char* name = nullptr, std::uint16_t toggle = 0);
    ~Button() override;

    virtual Dim GetArtSize() const { return artSize_; }
    // A command was chosen somewhere (menu, accelerator, button): nothing for a plain button.
    virtual void OnCommand(BusMessage command);
    virtual void Fire();

    void Attached() override;
    void OnMouseMove(const Point& p) override;
    void OnLButtonDown(const Point& p) override;
    void OnLButtonUp(const Point& p) override;
    void OnHover(const Point& p) override;
    void OnMouseEnter(const Point& p) override;
    void OnMouseLeave(const Point& p) override;
    void Redraw() override;

    std::uint16_t GetState() const { return state_; }
    bool IsTracking() const { return tracking_ != 0; }
    BusMessage GetCommand() const { return command_; }
    const std::string& GetToolTip() const { return toolTip_; }

private:
    bool Inside(const Point& p) const { return p.x >= 0 && p.y >= 0 && p.x < GetWidth() && p.y < GetHeight(); }

    std::uint16_t tracking_ = 0;
    Dim artSize_;
    std::uint16_t state_ = 0xFFFE;
    std::uint16_t savedState_ = 0;
    BusMessage command_;
    QIF<Bitmap> art_;
    std::string toolTip_;
    std::string statusText_;
    std::string section_;
    std::uint16_t toggle_ = 0;
};
