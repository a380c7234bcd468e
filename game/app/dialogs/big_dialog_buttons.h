#pragma once
// Push buttons drawn larger than the framework's: BigDialogButton (section "Big Pushbutton";
// disabled is "Up" through the grey table, pressed moves the caption with the picture) and
// BigStoneDialogButton (section "Big Stone Pushbutton", with a "Disabled" picture of its own;
// pressed shows the picture without its caption). Pictures are centred in the control and
// clipped to it.
#include "ui/dialog_controls.h"

class BigDialogButton : public DialogButton {
public:
    using DialogButton::DialogButton;
    ~BigDialogButton() override;

    void DrawUp(Bitmap& view, std::uint32_t itemState) override;
    void DrawDown(Bitmap& view, std::uint32_t itemState) override;
    void DrawChecked(Bitmap& view, std::uint32_t itemState) override;
    void DrawDisabled(Bitmap& view, std::uint32_t itemState) override;

protected:
    // Draws the image centred in the view; false when the art lacks it.
    bool DrawCentred(Bitmap& view, const char* image, const char* section, int mode);
};

class BigStoneDialogButton : public BigDialogButton {
public:
    using BigDialogButton::BigDialogButton;
    ~BigStoneDialogButton() override;

    void DrawUp(Bitmap& view, std::uint32_t itemState) override;
    void DrawDown(Bitmap& view, std::uint32_t itemState) override;
    void DrawDisabled(Bitmap& view, std::uint32_t itemState) override;
};
