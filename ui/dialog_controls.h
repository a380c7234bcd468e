#pragma once
// The art-drawn dialog controls. A control keeps the child window the window system made from
// the dialog's template (it still takes focus, keys and clicks and still sends WM_COMMAND) and
// draws its picture itself, when the dialog asks, into a view onto the dialog's back buffer:
// images of its art library ("DialogButtons" from the dialog's factories) and its caption in
// the one dialog font the whole family shares ("MS Sans Serif 2").
//
// Invariants: the shared font exists exactly while at least one control (or text tile) holds
// it, and the use count is the number of holders; a radio is a member of its own group once
// the group is set; state is 0 or 1 for check boxes and radios.
#include "core/component.h"
#include "core/events.h"
#include "core/geometry.h"
#include "core/list.h"
#include "platform/window.h"
#include "ui/qif.h"

#include <cstdint>
#include <string>

class Bitmap;
class DialogFont;

// Item-state bits of an owner-drawn control.
constexpr std::uint32_t kItemSelected = 0x0001;  // ODS_SELECTED
constexpr std::uint32_t kItemDisabled = 0x0004;  // ODS_DISABLED
constexpr std::uint32_t kItemFocus = 0x0010;     // ODS_FOCUS

// The dialog font all controls share: made by the first holder, deleted with the last.
DialogFont* AcquireDialogFont();
void ReleaseDialogFont();
DialogFont* SharedDialogFont();
std::int32_t DialogFontUseCount();

class DialogControl : public Component {
public:
    static constexpr const char* kFontName = "MS Sans Serif 2";

    // A caption position coordinate of -1 centres the caption on that axis.
    DialogControl(HWND window, const char* caption, const Point& captionPosition, const char* library);
    ~DialogControl() override;
    void Connect() override {}

    // A notification of the control's window (BN_CLICKED is 0); nothing here.
    virtual void Command(std::int16_t notification);
    // Draws the control into the view onto the dialog's bitmap at the control's rectangle.
    virtual void Draw(Bitmap& view, std::uint32_t itemState);

    void DrawCaption(Bitmap& view, std::uint32_t itemState) { DrawCaptionAt(view, Point(0, 0), itemState); }
    void DrawCaptionAt(Bitmap& view, const Point& offset, std::uint32_t itemState);
    // Replaces the caption without redrawing.
    void SetCaption(const std::string& caption) { caption_ = caption; }
    void SetCaption(const char* caption) { caption_ = caption ? caption : ""; }
    const std::string& GetCaption() const { return caption_; }
    HWND GetWindow() const { return window_; }
    Point GetCaptionPosition() const { return captionPosition_; }

protected:
    // Draws image (image, section) of the art library with its hot spot at the point.
    void DrawImage(Bitmap& view, const char* image, const char* section, const Point& at, int mode);
    // The size of an image of the art library; 0 x 0 when it lacks it.
    Dim ImageSize(const char* image, const char* section);

    QIF<Bitmap> art_;
    HWND window_;
    std::string caption_;
    Point captionPosition_;
};

class DialogButton : public DialogControl {
public:
    enum : std::int16_t { kPush = 0, kDefaultPush = 1 };

    DialogButton(HWND window, const char* caption, const Point& captionPosition, const char* library,
                 std::int16_t style, BusMessage command);

    // BN_CLICKED fires the button; other notifications do nothing.
    void Command(std::int16_t notification) override;
    // Selected alone: down; disabled alone: greyed; anything else: up. A set state adds the
    // overlay.
    void Draw(Bitmap& view, std::uint32_t itemState) override;
    virtual void Fire();
    virtual void DrawUp(Bitmap& view, std::uint32_t itemState);
    virtual void DrawDown(Bitmap& view, std::uint32_t itemState);
    virtual void DrawChecked(Bitmap& view, std::uint32_t itemState);
    virtual void DrawDisabled(Bitmap& view, std::uint32_t itemState);

    std::int16_t GetStyle() const { return style_; }
    std::int16_t GetState() const { return state_; }
    // Stores the state and has the window system ask for a new picture.
    void SetState(std::int16_t state);
    BusMessage GetCommand() const { return command_; }

protected:
    // Images of a box-like control: at the left edge, centred vertically.
    void DrawBoxImage(Bitmap& view, const char* image, const char* section, int mode);
    void DrawCheckMark(Bitmap& view, const char* section);
    void Invalidate();

    std::int16_t style_;
    std::int16_t state_ = 0;
    BusMessage command_;
};

class DialogCheck : public DialogButton {
public:
    DialogCheck(HWND window, const char* caption, const char* library, std::int16_t initialState);

    // Toggles, posts the command, asks for a new picture.
    void Fire() override;
    void DrawUp(Bitmap& view, std::uint32_t itemState) override;
    void DrawDown(Bitmap& view, std::uint32_t itemState) override;
    void DrawChecked(Bitmap& view, std::uint32_t itemState) override;
    void DrawDisabled(Bitmap& view, std::uint32_t itemState) override;
};

class DialogRadio : public DialogButton {
public:
    DialogRadio(HWND window, const char* caption, const char* library);
    // Leaves the groups of the other radios, which would otherwise keep a dangling member.
    ~DialogRadio() override;

    // Sets itself, clears the rest of its group, posts the command.
    void Fire() override;
    void DrawUp(Bitmap& view, std::uint32_t itemState) override;
    void DrawDown(Bitmap& view, std::uint32_t itemState) override;
    void DrawChecked(Bitmap& view, std::uint32_t itemState) override;
    void DrawDisabled(Bitmap& view, std::uint32_t itemState) override;

    void AddToGroup(DialogRadio* radio) { group_.AddTail(radio); }
    void SetGroup(const List<DialogRadio*>& group) { group_ = group; }
    const List<DialogRadio*>& GetGroup() const { return group_; }
    // The index in the group of the first set radio; 0 when none is set.
    std::int16_t GetValue() const;
    // Sets the radio at that index and clears every other one (all of them when out of range).
    void SetValue(std::int16_t value);

private:
    List<DialogRadio*> group_;
};
