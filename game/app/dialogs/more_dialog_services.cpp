#include "game/app/dialogs/more_dialog_services.h"

#include "game/app/dialogs/campaign_dlgs.h"
#include "game/app/dialogs/objectives_dlg.h"

bool MoreDialogServices::RunCampaignMapDialog(std::int32_t battle, const List<short>& choices, std::int32_t& choice) {
    CampaignDlg dialog(static_cast<std::int16_t>(battle), choices);
    if (bus) dialog.AttachToBus(bus);
    if (dialog.Execute("CampaignMap", Dialog::kModal) != 1) return false;
    choice = dialog.GetChoice();
    return true;
}

void MoreDialogServices::RunCampaignResultsDialog(std::int32_t nation, int won, std::int16_t, std::int16_t) {
    EndOfCampaignDlg dialog(nation, static_cast<std::uint16_t>(won ? 1 : 0));
    if (bus) dialog.AttachToBus(bus);
    dialog.Execute("CampaignResults", Dialog::kModal);
}

int MoreDialogServices::RunObjectivesDialog() {
    ObjectivesDlg dialog(currentScenario ? currentScenario() : -1);
    if (bus) dialog.AttachToBus(bus);
    const int r = dialog.Execute("EnumDialog", Dialog::kModal);
    return r > 0 ? r : 0;
}
