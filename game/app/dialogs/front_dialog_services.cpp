#include "game/app/dialogs/front_dialog_services.h"

#include "game/app/dialogs/army_rout_dlg.h"
#include "game/app/dialogs/intro_dialog.h"
#include "game/app/dialogs/scenario_tables.h"

bool FrontDialogServices::RunLeaderControlDialog(std::uint16_t& nation0, std::uint16_t& nation1) {
    IntroDialog dlg(frontend::ResourceString(38), frontend::ResourceString(39));
    if (bus) dlg.AttachToBus(bus);
    if (dlg.Execute("IntroDlg", Dialog::kModal) != 1) return false;
    nation0 = dlg.FirstSideIsComputer();
    nation1 = dlg.SecondSideIsComputer();
    return true;
}

bool FrontDialogServices::RunGameOptionsDialog(bool nation0Computer, int chooser, int turnLimitsAvailable,
                                               GameOptions& out) {
    ArmyRoutDlg dlg(nation0Computer ? 1 : 0, static_cast<std::int16_t>(chooser != 0), 0,
                    static_cast<std::int16_t>(turnLimitsAvailable != 0));
    if (bus) dlg.AttachToBus(bus);
    if (dlg.Execute("ArmyRoutDlg", Dialog::kApplicationModal) != 1) return false;
    out.difficulty0 = dlg.GetDifficultyFactor(0);
    out.difficulty1 = dlg.GetDifficultyFactor(1);
    out.defaultDeployment = static_cast<std::uint16_t>(dlg.GetDefaultDeployments());
    out.turnLimits = static_cast<std::uint16_t>(dlg.GetTurnLimits());
    out.fogOfWar = static_cast<std::uint16_t>(dlg.GetFogOfWar());
    return true;
}
