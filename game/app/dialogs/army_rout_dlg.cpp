#include "game/app/dialogs/army_rout_dlg.h"

#include "core/application.h"
#include "core/assertion.h"
#include "core/container.h"
#include "game/app/dialogs/dialog_event.h"
#include "game/app/dialogs/scenario_tables.h"
#include "platform/msgbox.h"
#include "ui/dialog_controls.h"
#include "ui/font.h"

namespace {

// Own side's factor and the other side's, by the radio's value.
const float kOwnFactor[5] = {0.8f, 0.9f, 1.0f, 1.1f, 1.2f};
const float kOtherFactor[5] = {1.2f, 1.1f, 1.0f, 0.9f, 0.8f};

ContainerBase* OnDialogEventEntry(Component* c, BusMessage, ContainerBase* p) {
    auto* self = dynamic_cast<ArmyRoutDlg*>(c);
    const DialogEvent* event = PayloadValue<DialogEvent>(p);
    if (!self || !event) {
        AssertFail(kBadBusData, "ROUTDLG", 165);
        return nullptr;
    }
    self->OnDialogEvent(*event);
    return nullptr;
}

} // namespace

ArmyRoutDlg::ArmyRoutDlg(std::int32_t side_, std::int16_t chooser_, std::int16_t showDeployments_,
                         std::int16_t turnLimitsAvailable_)
    : Window(Point(0, 0), Dim(0, 0), "", "ArmyRoutDlg"), Dialog("Dialog Bitmaps", "Intro", "Background"), side(side_),
      otherSide(side_ == 0 ? 1 : 0), chooser(chooser_), showDeployments(showDeployments_),
      turnLimits(turnLimitsAvailable_ ? 1 : 0), turnLimitsAvailable(turnLimitsAvailable_) {}

void ArmyRoutDlg::HookUp() {
    Dialog::HookUp();
    if (!chooser) RegisterNamedHandler("DialogEvent", &OnDialogEventEntry);
}

void ArmyRoutDlg::OnInit() {
    Center();
    SetItemValue(kNovice, 2);
    SetCheck(kDeployments, defaultDeployments);
    SetCheck(kTurnLimits, turnLimits);
    SetCheck(kFogOfWar, fogOfWar);
    for (std::int16_t item : {10, 11, 12, 13, 14, 101, 15, 16, 1}) EnableItem(item, chooser ? 1 : 0);
    if (!showDeployments) ShowWindow(GetDlgItem(handle_, kDeployments), SW_HIDE);
    if (!turnLimitsAvailable) ShowWindow(GetDlgItem(handle_, kTurnLimits), SW_HIDE);
    if (showDeployments) SetItemText(kDeployments, frontend::ResourceString(134).c_str());
    EnableItem(kTurnLimits, 0);
}

std::string ArmyRoutDlg::TitleText() const {
    return frontend::ResourceString(side == 0 ? 38 : 39) + " " + frontend::ResourceString(270);
}

void ArmyRoutDlg::Refresh() {
    Dialog::Refresh();
    // Our window layer has no system fonts: the title is drawn with the dialogs' own font.
    DialogFont* font = SharedDialogFont();
    if (!font) return;
    const std::string text = TitleText();
    const Box r = font->GetTextRect(text.c_str());
    const int x = 157 - r.width / 2;
    font->DrawText(*this, Point(static_cast<std::int16_t>(x - r.x), static_cast<std::int16_t>(20 - r.y)), text.c_str(),
                   static_cast<std::int16_t>(text.size()));
}

void ArmyRoutDlg::SetCheck(std::int16_t itemId, std::int16_t state) {
    // Two windows share id 101: the check box comes first in the template, so it is the one found.
    if (auto* box = dynamic_cast<DialogButton*>(GetItemControl(itemId))) box->SetState(state ? 1 : 0);
}

void ArmyRoutDlg::SetFactors(std::int16_t value) {
    if (value < 0 || value > 4) return;
    factors[side] = kOwnFactor[value];
    factors[otherSide] = kOtherFactor[value];
}

void ArmyRoutDlg::PostChoice(std::int16_t controlId, std::int16_t kind, std::int16_t value) {
    if (!chooser) return;
    Container<DialogEvent> payload(DialogEvent(controlId, kind, value));
    PostNamed("DialogEvent", &payload);
}

void ArmyRoutDlg::Command(std::int16_t itemId, std::int16_t notification) {
    switch (itemId) {
    case kTurnLimits:
        turnLimits = turnLimits ? 0 : 1;
        PostChoice(kTurnLimits, DialogEvent::kCheckBox, turnLimits);
        break;
    case kFogOfWar:
        fogOfWar = fogOfWar ? 0 : 1;
        PostChoice(kFogOfWar, DialogEvent::kCheckBox, fogOfWar);
        break;
    case kDeployments:
        defaultDeployments = defaultDeployments ? 0 : 1;
        PostChoice(kDeployments, DialogEvent::kCheckBox, defaultDeployments);
        break;
    case 10: case 11: case 12: case 13: case 14: {
        const std::int16_t v = GetItemValue(kNovice);
        SetFactors(v);
        PostChoice(kNovice, DialogEvent::kRadioGroup, v);
        break;
    }
    case IDOK:
        if (chooser) {
            Application* app = GetApplication();
            if (app) app->BeginWait();
            ShowWindow(handle_, SW_HIDE);
            Container<DialogEvent> payload(DialogEvent(IDOK, DialogEvent::kPushButton, 1));
            delete PostNamedAndWait("DialogEvent", &payload);
            if (app) app->EndWait();
        }
        break;
    case kHelp: {
        // The help file is named but never shown.
        const std::string help = frontend::Directory(0) + "\\rally.hlp";
        (void)help;
        break;
    }
    default: break;
    }
    Dialog::Command(itemId, notification);
}

void ArmyRoutDlg::OnDialogEvent(const DialogEvent& event) {
    if (!running_) return;
    switch (event.kind) {
    case DialogEvent::kCheckBox: {
        std::int16_t* flag = event.controlId == kTurnLimits   ? &turnLimits
                             : event.controlId == kFogOfWar   ? &fogOfWar
                             : event.controlId == kDeployments ? &defaultDeployments
                                                               : nullptr;
        if (!flag) return;
        *flag = event.value;
        SetCheck(event.controlId, event.value);
        break;
    }
    case DialogEvent::kRadioGroup:
        if (event.controlId != kNovice || event.value < 0 || event.value > 4) return;
        EnableItem(event.controlId, 1);
        SetItemValue(event.controlId, event.value);
        EnableItem(event.controlId, 0);
        Command(static_cast<std::int16_t>(event.controlId + event.value), 0);
        break;
    case DialogEvent::kPushButton:
        if (event.controlId == IDOK) Close(event.value);
        break;
    default: break;
    }
}
