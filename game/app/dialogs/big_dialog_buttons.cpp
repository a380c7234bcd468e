#include "game/app/dialogs/big_dialog_buttons.h"

#include "ui/bitmap.h"

namespace {
const char* const kBig = "Big Pushbutton";
const char* const kBigStone = "Big Stone Pushbutton";
} // namespace

BigDialogButton::~BigDialogButton() = default;

bool BigDialogButton::DrawCentred(Bitmap& view, const char* image, const char* section, int mode) {
    Bitmap* picture = art_.GetBitmapByName(image, section);
    if (!picture) return false;
    const Point hot = picture->GetHotspot();
    const int x = (view.GetWidth() - picture->GetWidth()) / 2;
    const int y = (view.GetHeight() - picture->GetHeight()) / 2;
    view.DrawAll(Point(static_cast<std::int16_t>(x + hot.x), static_cast<std::int16_t>(y + hot.y)), *picture, mode);
    art_.UnlockBitmap(image, section);
    return true;
}

void BigDialogButton::DrawUp(Bitmap& view, std::uint32_t itemState) {
    DrawCentred(view, "Up", kBig, 1);
    DrawCaption(view, itemState);
}

void BigDialogButton::DrawDown(Bitmap& view, std::uint32_t itemState) {
    DrawCentred(view, "Down", kBig, 1);
    DrawCaptionAt(view, Point(2, 2), itemState);
}

void BigDialogButton::DrawChecked(Bitmap& view, std::uint32_t itemState) { DrawCaption(view, itemState); }

void BigDialogButton::DrawDisabled(Bitmap& view, std::uint32_t itemState) {
    DrawCentred(view, "Up", kBig, 2);
    DrawCaption(view, itemState);
}

BigStoneDialogButton::~BigStoneDialogButton() = default;

void BigStoneDialogButton::DrawUp(Bitmap& view, std::uint32_t itemState) {
    DrawCentred(view, "Up", kBigStone, 1);
    DrawCaption(view, itemState);
}

void BigStoneDialogButton::DrawDown(Bitmap& view, std::uint32_t) { DrawCentred(view, "Down", kBigStone, 1); }

void BigStoneDialogButton::DrawDisabled(Bitmap& view, std::uint32_t itemState) {
    DrawCentred(view, "Disabled", kBigStone, 1);
    DrawCaption(view, itemState);
}
