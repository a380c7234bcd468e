#include "game/logic/referee/app_services.h"

namespace {
GameAppServices plain;
GameAppServices* installed = nullptr;
} // namespace

GameAppServices::~GameAppServices() = default;

std::string GameAppServices::GetMainTitle() { return title; }
void GameAppServices::SetMainTitle(const std::string& text) { title = text; }
std::string GameAppServices::GetSaveName() { return std::string(); }
int GameAppServices::GetGameMode() { return 0; }
bool GameAppServices::GetUnitArtName(std::int32_t, std::string&) { return false; }
int GameAppServices::PressedArmySide(EndTurnDlg*) { return 0; }
void GameAppServices::RunArmyDetails(EndTurnDlg*, List<Combat*>&, List<Leader*>&) {}

int GameAppServices::RunEnumDialog(const std::string&, const std::vector<std::string>& lines) { return lines.empty() ? -1 : 0; }
int GameAppServices::RunEndTurnDialog(const EndOfGameResults&, int) { return 1; }
int GameAppServices::RunObjectivesDialog() { return 1; }
int GameAppServices::RunEndOfGameDialog(std::int32_t, int, bool& viewField) {
    viewField = false;
    return 1;
}
int GameAppServices::RunViewBattleFieldDialog(int) { return 1; }
bool GameAppServices::RunLeaderControlDialog(std::uint16_t& nation0, std::uint16_t& nation1) {
    nation0 = nation1 = 0;
    return true;
}
bool GameAppServices::RunGameOptionsDialog(bool, int, int, GameOptions&) { return false; }
std::string GameAppServices::RunEliteInitiativeDialog(const std::vector<std::string>& names) {
    return names.empty() ? std::string() : names.front();
}

bool GameAppServices::RunCampaignMapDialog(std::int32_t, const List<short>& choices, std::int32_t& choice) {
    if (choices.IsEmpty()) return false;
    choice = choices.Head()->value;
    return true;
}
void GameAppServices::RunCampaignResultsDialog(std::int32_t, int, std::int16_t, std::int16_t) {}

GameAppServices& AppServices() { return installed ? *installed : plain; }
void SetAppServices(GameAppServices* services) { installed = services; }
