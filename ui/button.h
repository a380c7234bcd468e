#pragma once
// Button: a picture button drawn from four images of one section of an image library
// ("UpEnabled", "DownEnabled", "UpDisabled", "DownDisabled"). A press captures the mouse and
// tracks it; a release inside posts "Command" with the button's command word. Resting on the
// button shows its tool-tip and status texts; the menu events 61-64 with the button's command
// keep it in step with the menu item of the same command. A toggle button stays down after a
// click until it is clicked again.
//
// MultiStateButton steps through several states, each with its own section, command and texts;
// its owner hands every "Command" it hears to OnCommand, and a command of the current state
// advances it to the next state.
//
// State word: bit value 2 enabled, bit value 1 down (the other bits are set and unused).
// Invariants: tracking implies the button is the mouse captor and hears mouse moves; a disabled
// button never tracks. Missing art is reported once at construction (the assertion box) and the
// button then draws nothing.
#include "core/events.h"
#include "ui/qif.h"
#include "ui/tile.h"

#include <cstdint>
#include <string>
#include <vector>

class Button : public Tile {
public:
    static constexpr std::uint16_t kEnabledBit = 2;
    static constexpr std::uint16_t kDownBit = 1;
    static constexpr std::uint16_t kInitialState = 0xfffe;

    Button(const char* library, const char* section, BusMessage command, const char* statusText,
           const char* toolTipText, const char* name = nullptr, std::uint16_t toggle = 0);
    ~Button() override;

    virtual void DrawUpEnabled();
    virtual void DrawDownEnabled();
    virtual void DrawUpDisabled();
    virtual void DrawDownDisabled();
    virtual void Fire();
    // Each acts only when the event's number is the command's; each answers 0.
    virtual std::int16_t Enable(BusMessage event);
    virtual std::int16_t Disable(BusMessage event);
    virtual std::int16_t Check(BusMessage event);
    virtual std::int16_t Uncheck(BusMessage event);
    virtual void SetStateBits(std::uint16_t state);
    virtual Dim GetArtSize() const;
    // A "Command" heard by the button's owner; nothing in a plain button.
    virtual void OnCommand(BusMessage event);

    void OnMouseMove(const Point& p) override;
    void OnLButtonDown(const Point& p) override;
    void OnLButtonUp(const Point& p) override;
    void OnHover(const Point& p) override;
    void OnMouseEnter(const Point& p) override;
    void OnMouseLeave(const Point& p) override;
    void RegisterMenuHandlers() override;
    void Redraw() override;
    void Connect() override;
    void Attached() override { EnableMouseEvents(); }
    virtual void EnableMouseEvents();

    std::uint16_t GetStateBits() const { return state_; }
    bool IsEnabled() const { return (state_ & kEnabledBit) != 0; }
    bool IsDown() const { return (state_ & kDownBit) != 0; }
    bool IsTracking() const { return tracking_ != 0; }
    bool IsToggle() const { return toggle_ != 0; }
    BusMessage GetCommand() const { return command_; }
    const std::string& GetToolTipText() const { return toolTip_; }
    const std::string& GetStatusText() const { return statusText_; }
    const std::string& GetArtSection() const { return section_; }

protected:
    // Draws one image of the current section whole at 0,0; false when it is missing.
    bool DrawImage(const char* image);
    // Ends a press without firing: capture, move events and tracking go.
    void StopTracking();

    std::uint16_t tracking_ = 0;
    Dim artSize_;
    std::uint16_t state_ = kInitialState;
    std::uint16_t savedState_ = kInitialState;
    BusMessage command_;
    QIF<Bitmap> art_;
    std::string toolTip_;
    std::string statusText_;
    std::string section_;
    std::uint16_t toggle_ = 0;
};

class MultiStateButton : public Button {
public:
    MultiStateButton(int states, const char* library, const char* section, BusMessage command,
                     const char* statusText, const char* toolTipText, const char* name = nullptr);

    // Out-of-range indexes are refused (nothing changes).
    void SetStateInfo(int index, const char* section, BusMessage command, const char* statusText,
                      const char* toolTipText);
    void SetState(int index);

    void Fire() override;
    std::int16_t Enable(BusMessage event) override;
    std::int16_t Disable(BusMessage event) override;
    std::int16_t Check(BusMessage event) override;
    std::int16_t Uncheck(BusMessage event) override;
    void OnCommand(BusMessage event) override;

    int GetCurrentState() const { return current_; }
    int GetStateCount() const { return count_; }
    bool IsStateEnabled(int index) const { return index >= 0 && index < count_ && enabled_[index] != 0; }

private:
    struct StateInfo {
        BusMessage command;
        std::string section;
        std::string statusText;
        std::string toolTip;
    };

    int current_ = 0;
    int count_ = 0;
    std::string defaultToolTip_;
    std::string defaultStatus_;
    std::vector<StateInfo> states_;
    std::vector<std::uint16_t> enabled_;
};
