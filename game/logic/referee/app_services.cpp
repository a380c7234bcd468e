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

GameAppServices& AppServices() { return installed ? *installed : plain; }
void SetAppServices(GameAppServices* services) { installed = services; }
