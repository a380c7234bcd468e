#include "game/app/dialogs/in_game_services.h"

#include "game/app/dialogs/combat_results_dlg.h"
#include "game/app/dialogs/details_dlgs.h"
#include "game/app/dialogs/dialog_support.h"
#include "game/app/dialogs/elite_initiative_dlg.h"
#include "game/app/dialogs/end_of_game_dlg.h"
#include "game/app/dialogs/end_turn_dlg.h"
#include "game/app/dialogs/leader_dialogs.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/units/leader.h"
#include "game/units/resource_text.h"
#include "platform/dialog.h"
#include "ui/windows/win_app.h"

namespace {
// Execute answers -1 for a dialog it could not show and for one closed while it was being made
// (by "CloseGame"). The latter answers what it was closed with; a missing template (already
// reported in a box) is answered as the player who goes on, so that the battle never waits for
// a dialog that cannot be shown.
int Answer(const Dialog& dialog, const char* templateName, int result) {
    if (result >= 0) return result;
    return FindResourceA(InstanceHandle, templateName, RT_DIALOG) ? dialog.GetResult() : 1;
}
} // namespace

// ---- what the application answers itself ----

std::string InGameServices::GetMainTitle() { return rest ? rest->GetMainTitle() : GameAppServices::GetMainTitle(); }
void InGameServices::SetMainTitle(const std::string& caption) {
    if (rest) rest->SetMainTitle(caption);
    else GameAppServices::SetMainTitle(caption);
}
std::string InGameServices::GetSaveName() { return rest ? rest->GetSaveName() : GameAppServices::GetSaveName(); }
int InGameServices::GetGameMode() { return rest ? rest->GetGameMode() : GameAppServices::GetGameMode(); }
bool InGameServices::GetUnitArtName(std::int32_t artIndex, std::string& name) {
    return rest ? rest->GetUnitArtName(artIndex, name) : GameAppServices::GetUnitArtName(artIndex, name);
}
int InGameServices::RunEnumDialog(const std::string& caption, const std::vector<std::string>& lines) {
    return rest ? rest->RunEnumDialog(caption, lines) : GameAppServices::RunEnumDialog(caption, lines);
}
int InGameServices::RunObjectivesDialog() { return rest ? rest->RunObjectivesDialog() : GameAppServices::RunObjectivesDialog(); }
bool InGameServices::RunLeaderControlDialog(std::uint16_t& nation0, std::uint16_t& nation1) {
    return rest ? rest->RunLeaderControlDialog(nation0, nation1) : GameAppServices::RunLeaderControlDialog(nation0, nation1);
}
bool InGameServices::RunGameOptionsDialog(bool nation0Computer, int deploymentChoice, int turnLimitChoice, GameOptions& out) {
    return rest ? rest->RunGameOptionsDialog(nation0Computer, deploymentChoice, turnLimitChoice, out)
                : GameAppServices::RunGameOptionsDialog(nation0Computer, deploymentChoice, turnLimitChoice, out);
}
bool InGameServices::RunCampaignMapDialog(std::int32_t battle, const List<short>& choices, std::int32_t& choice) {
    return rest ? rest->RunCampaignMapDialog(battle, choices, choice) : GameAppServices::RunCampaignMapDialog(battle, choices, choice);
}
void InGameServices::RunCampaignResultsDialog(std::int32_t nation, int won, std::int16_t tally0, std::int16_t tally1) {
    if (rest) rest->RunCampaignResultsDialog(nation, won, tally0, tally1);
}

// ---- the in-game dialogs ----

int InGameServices::PressedArmySide(EndTurnDlg* dialog) { return dialog ? dialog->GetDetailsSide() : 0; }

int InGameServices::RunEndTurnDialog(const EndOfGameResults& results, int mode) {
    EndTurnDlg dialog(&results);
    if (layer) dialog.AttachToBus(layer);
    return Answer(dialog, "GameOverviewDlg", dialog.Execute("GameOverviewDlg", mode));
}

// The overview stays open under it; its pressed button chose the side.
void InGameServices::RunArmyDetails(EndTurnDlg* dialog, List<Combat*>& units, List<Leader*>& leaders) {
    if (!dialog || !dialog->GetResults()) return;
    ArmyDetailsDlg details(dialog->GetDetailsSide(), *dialog->GetResults(), units, leaders);
    if (layer) details.AttachToBus(layer);
    details.Execute("ArmyDetailsDlg", Dialog::kModal);
}

int InGameServices::RunEndOfGameDialog(std::int32_t side, int won, bool& viewField) {
    EndOfGameDlg dialog(side, static_cast<std::int16_t>(won));
    if (layer) dialog.AttachToBus(layer);
    const int r = Answer(dialog, "EndOfGameDlg", dialog.Execute("EndOfGameDlg", Dialog::kApplicationModal));
    viewField = r > 0 && dialog.ViewFieldChosen() != 0;
    return r;
}

int InGameServices::RunViewBattleFieldDialog(int promptId) {
    ViewBattleFieldDlg dialog(ResourceText(static_cast<std::uint32_t>(promptId)));
    if (layer) dialog.AttachToBus(layer);
    return Answer(dialog, "ViewBattleFieldDlg", dialog.Execute("ViewBattleFieldDlg", Dialog::kApplicationModal, 0, nullptr, 1));
}

std::string InGameServices::RunEliteInitiativeDialog(const std::vector<std::string>& names) {
    // The leaders of the side, by the names the layer lists them under.
    List<Leader*> leaders;
    if (layer)
        for (const std::string& name : names)
            if (Leader* l = layer->FindLeaderByName(name)) leaders.AddTail(l);
    // An empty choice would have nothing to show or answer.
    if (leaders.IsEmpty()) return std::string();
    EliteInitiativeDlg dialog(&leaders);
    dialog.AttachToBus(layer);
    if (dialog.Execute("EliteInitDlg", Dialog::kModal) < 0) return leaders.Head()->value->GetName();
    return dialog.GetSelectedName();
}

int InGameUnitDialogs::ConfirmGroupCommand(const std::string& title, Component& owner) {
    GroupCommandDlg dialog(title);
    if (owner.GetBus()) dialog.AttachToBus(owner.GetBus());
    return Answer(dialog, "GroupCommandConfirm", dialog.Execute("GroupCommandConfirm", Dialog::kModal));
}

int InGameUnitDialogs::AskEliteInitiative(const std::string& leaderName, Component& owner) {
    VhEliteInitiativeDlg dialog(leaderName);
    if (owner.GetBus()) dialog.AttachToBus(owner.GetBus());
    return dialog.Execute("VhEliteInitDlg", Dialog::kModal) == 1 ? 1 : 0;
}

InGameDialogs::InGameDialogs(VhLogicalLayer* l) : Component("In-game Dialogs"), layer(l) {
    std::uint32_t stored = 1;
    if (ingame::ReadSetting("Preferences", "Finish Leader", stored)) showFinishLeader = stored != 0;
}

void InGameDialogs::Connect() {
    RegisterNamedHandler("OverallCombatResults", OnOverallCombatResults);
    RegisterNamedHandler("LeaderAlmostDone", OnLeaderAlmostDone);
    RegisterNamedHandler("ShowFinishLeader", OnShowFinishLeader);
}

ContainerBase* InGameDialogs::OnOverallCombatResults(Component* c, BusMessage, ContainerBase*) {
    auto* self = dynamic_cast<InGameDialogs*>(c);
    if (!self || !self->layer || !self->GetBus()) return nullptr;
    auto* dialog = new OverallCombatResultsDlg(&self->layer->GetCombatResults());
    dialog->AttachToBus(self->GetBus());
    if (dialog->Execute("OverallCombatResults", Dialog::kModeless, 1) < 0) {
        // It never ran, so it will neither delete itself nor let the game go on.
        delete dialog;
        self->PostNamedEvent("DoneViewingCombatResults");
    }
    return nullptr;
}

ContainerBase* InGameDialogs::OnLeaderAlmostDone(Component* c, BusMessage, ContainerBase*) {
    auto* self = dynamic_cast<InGameDialogs*>(c);
    // The leader may announce it more than once in an activation: one notice is enough.
    if (!self || !self->showFinishLeader || !self->GetBus() || LeaderAlmostDoneDlg::Standing() > 0) return nullptr;
    auto* dialog = new LeaderAlmostDoneDlg();
    dialog->AttachToBus(self->GetBus());
    if (dialog->Execute("LeaderAlmostFinished", Dialog::kModeless, 1) < 0) delete dialog;
    return nullptr;
}

ContainerBase* InGameDialogs::OnShowFinishLeader(Component* c, BusMessage, ContainerBase* payload) {
    auto* self = dynamic_cast<InGameDialogs*>(c);
    if (const short* show = PayloadValue<short>(payload); self && show) self->showFinishLeader = *show != 0;
    return nullptr;
}
