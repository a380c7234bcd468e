#include "game/app/dialogs/preference_dlg.h"

#include "game/app/preferences.h"
#include "platform/msgbox.h"
#include "ui/dialog_controls.h"
#include "ui/layout.h"
#include "ui/slider.h"

const PreferenceDlg::Box16 PreferenceDlg::kCheckBoxes[] = {
    {101, &PreferenceRecord::movementAnimation},
    {102, &PreferenceRecord::combatAnimation},
    {103, &PreferenceRecord::music},
    {104, &PreferenceRecord::sound},
    {15, &PreferenceRecord::ambientSound},
    {105, &PreferenceRecord::debugSwitch},
    {11, &PreferenceRecord::casualtyTestA},
    {12, &PreferenceRecord::casualtyTestB},
    {13, &PreferenceRecord::automaticWinA},
    {14, &PreferenceRecord::automaticWinB},
    {16, &PreferenceRecord::leaderOrder},
    {17, &PreferenceRecord::finishLeader},
    {22, &PreferenceRecord::groupMoveConfirm},
    {20, &PreferenceRecord::overallCombatResults},
    {18, &PreferenceRecord::showIntroVideo},
    {19, &PreferenceRecord::autoSave},
};
const int PreferenceDlg::kCheckBoxCount = static_cast<int>(sizeof kCheckBoxes / sizeof kCheckBoxes[0]);

namespace {
// The automatic win and loss start off on every opening, whatever the record says.
bool AlwaysStartsOff(std::int16_t item) { return item == 13 || item == 14; }
} // namespace

void PreferenceDlg::SetCheck(std::int16_t itemId, bool on) {
    if (auto* box = dynamic_cast<DialogButton*>(GetItemControl(itemId))) box->SetState(on ? 1 : 0);
}

bool PreferenceDlg::IsChecked(std::int16_t itemId) const {
    auto* box = dynamic_cast<DialogButton*>(GetItemControl(itemId));
    return box && box->GetState() != 0;
}

PreferenceDlg::PreferenceDlg(PreferenceRecord* record)
    : Window(Point(0, 0), Dim(0, 0), "", "DemoPreferences"), Dialog("Dialog Bitmaps", "Intro", ""), prefs(record),
      // The record's field is unsigned; a value past the slider's range starts at its end.
      slider(new Slider(kVolumeRange, static_cast<std::int16_t>(record && record->volume <= kVolumeRange ? record->volume
                                                                                               : kVolumeRange))) {}

PreferenceDlg::~PreferenceDlg() {
    slider->DetachFromBus();
    delete slider;
}

void PreferenceDlg::HookUp() {
    if (GetBus() && !slider->GetBus()) slider->AttachToBus(GetBus());
    Dialog::HookUp();
}

void PreferenceDlg::OnInit() {
    for (int i = 0; i < kCheckBoxCount; ++i) {
        const Box16& b = kCheckBoxes[i];
        const std::int16_t on = prefs && !AlwaysStartsOff(b.item) && prefs->*b.field ? 1 : 0;
        SetCheck(b.item, on != 0);
    }
    // The pair is one group: Sparse first, Dense second.
    SetItemValue(kSparse, prefs && prefs->sparseTrees != 0 ? 0 : 1);
    slider->Attach(this, LayoutConstraints::Pixels(Box(15, 119, 100, 31)));
    // The dialog drew its first picture before this: the slider, attached only now, joins it.
    slider->Invalidate(Box(0, 0, slider->GetWidth(), slider->GetHeight()));
    Redraw();
    Invalidate(Box(0, 0, GetWidth(), GetHeight()));
    Center();
}

void PreferenceDlg::OnOK() {
    if (!prefs) return;
    for (int i = 0; i < kCheckBoxCount; ++i) {
        const Box16& b = kCheckBoxes[i];
        prefs->*b.field = IsChecked(b.item) ? 1 : 0;
    }
    prefs->volume = static_cast<std::uint16_t>(slider->GetValue());
    prefs->sparseTrees = GetItemValue(kSparse) == 0 ? 1 : 0;
}

void PreferenceDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == kHelp) return;
    Dialog::Command(itemId, notification);
}

DialogControl* PreferenceDlg::CreateStatic(std::int16_t, HWND child, const char* text) {
    const bool centred = (GetWindowLongPtrA(child, GWL_STYLE) & 1) != 0;
    return new DialogControl(child, text, centred ? Point(-1, -1) : Point(0, -1), "DialogButtons");
}
