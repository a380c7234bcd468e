// The way from the main menu to a running battle and back: the start dialog, the choice of a
// single battle or a campaign's next battle, the scenario's loading and the start of play, and
// the two ways a battle ends (closed by the player, or over). Each post-and-wait runs a nested
// pump in which "GameClose" or "ExitGame" may arrive, so the game mode and the exit request are
// looked at again after every wait.
#include "game/app/vh_app.h"

#include "comms/ui/information_dlg.h"
#include "core/assertion.h"
#include "game/app/dialogs/about_dlg.h"
#include "game/app/dialogs/custom_scenario_dlg.h"
#include "game/app/dialogs/front_dialog_services.h"
#include "game/app/dialogs/in_game_services.h"
#include "game/app/dialogs/scenario_dlg.h"
#include "game/app/dialogs/scenario_tables.h"
#include "game/app/dialogs/shell_command.h"
#include "game/app/dialogs/start_game_dlg.h"
#include "game/app/saved_game_header.h"
#include "game/logic/referee/campaign_game.h"
#include "game/logic/referee/game_control.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "platform/window.h"

#include <cstdlib>

namespace {

constexpr const char* kSource = "VHAPP";
constexpr std::uint16_t kCloseBattle = 211;
constexpr std::uint16_t kOpenMap = 254;
constexpr std::uint16_t kObjectives = 197;
constexpr std::uint16_t kBattleEnded = 256;
constexpr std::uint16_t kCloseMapWindows = 108;
constexpr std::int32_t kCustomScenario = 10;

VhApp* Self(Component* receiver) {
    VhApp* self = nullptr;
    return BusReceiver(receiver, self, kSource, __LINE__) ? self : nullptr;
}

} // namespace

void VhApp::RegisterFlowHandlers() {
    RegisterNamedHandler("GameStart", OnGameStart);
    RegisterNamedHandler("StartCampaign", OnStartCampaign);
    RegisterNamedHandler("OpenDisplayWindows", OnOpenDisplayWindows);
    RegisterHandler(BEGIN_GAME, OnBeginGame);
    RegisterNamedHandler("EndOfGame", OnEndOfGame);
    RegisterNamedHandler("GameClose", OnGameClose);
    RegisterNamedHandler("GameEnded", OnGameEnded);
    RegisterNamedHandler("HelpAbout", OnHelpAbout);
    RegisterNamedHandler("HelpAboutThisBattle", OnHelpAboutThisBattle);
    RegisterNamedHandler("HelpHelp", OnHelpHelp);
    RegisterNamedHandler("GameSaveMenu", OnGameSaveMenu);
    RegisterNamedHandler("GameSaveAsMenu", OnGameSaveAsMenu);
    RegisterNamedHandler("OpenGame", OnOpenGame);
    RegisterNamedHandler("AutoSaveGame", OnAutoSaveGame);
}

// --- the main menu ---

void VhApp::RunMainMenu() {
    savePath.clear();
    StartGameDlg menu(1);
    menu.AttachToBus(this);
    const std::int16_t result = menu.Execute("StartGame", Dialog::kModal, 0, MainWindowHandle);
    const std::int16_t choice = menu.GetChoice();
    if (menu.GetBus()) menu.DetachFromBus();
    if (result <= 0) {
        Quit();
        return;
    }
    delete SendNamedEvent("InitDirectSound");
    if (choice == StartGameDlg::kMultiplayer) {
        gameMode = 2;
        Container<short> host(1);
        PostNamed("StartNetworkGame", &host);
    } else if (choice == StartGameDlg::kStartCampaign) {
        gameMode = 1;
        StartCampaign();
    } else if (choice == StartGameDlg::kStartBattle) {
        gameMode = 0;
        StartSingleBattle();
    } else if (choice == StartGameDlg::kLoadGame) {
        PostNamedEvent("OpenGame");
    } else {
        // A choice that starts nothing must not leave the player without a menu.
        PostNamedEvent("ShowMainDlg");
    }
}

void VhApp::StartSingleBattle() {
    ScenarioDlg scenarios;
    if (scenarios.Execute("Scenario", Dialog::kModal, 0, MainWindowHandle) > 0) {
        scenarioIndex = scenarios.GetSelection();
        scenarioName = scenarios.GetScenarioName();
        openingSavedGame = 0;
        LoadScenario();
        return;
    }
    if (scenarios.IsCustom()) {
        CustomScenarioDlg custom;
        if (custom.Execute("CustomSceneDlg", Dialog::kModal, 0, MainWindowHandle) > 0 &&
            !custom.GetScenarioName().empty()) {
            scenarioIndex = kCustomScenario;
            scenarioName = custom.GetScenarioName();
            openingSavedGame = 0;
            LoadScenario();
            return;
        }
    }
    PostNamedEvent("ShowMainDlg");
}

void VhApp::StartCampaign() {
    if (!campaign) {
        delete PostNamedEventAndWait("LeaderControl");
        delete PostNamedEventAndWait("GameOptions");
        campaign = new CampaignGame(static_cast<std::int16_t>(logicalLayer->GetSideValue(0)),
                                    static_cast<std::int16_t>(logicalLayer->GetSideValue(1)));
        campaign->AttachToBus(this);
        scenarioIndex = -1;
        lastGameResults = EndOfGameResults();
    }
    if (!campaign->ChooseNextBattle(scenarioIndex, lastGameResults)) {
        delete campaign;
        campaign = nullptr;
        gameMode = 3;
        PostNamedEvent("ShowMainDlg");
        return;
    }
    scenarioIndex = campaign->GetNextScenario();
    scenarioName = frontend::ScenarioFileName(scenarioIndex);
    openingSavedGame = 0;
    LoadScenario();
}

ContainerBase* VhApp::OnGameStart(Component* receiver, BusMessage, ContainerBase*) {
    if (VhApp* self = Self(receiver)) self->StartSingleBattle();
    return nullptr;
}

ContainerBase* VhApp::OnStartCampaign(Component* receiver, BusMessage, ContainerBase*) {
    if (VhApp* self = Self(receiver)) self->StartCampaign();
    return nullptr;
}

// --- loading and starting ---

void VhApp::LoadScenario() {
    BeginWait();
    const std::uint16_t seed = static_cast<std::uint16_t>(std::rand() % 255);
    const std::uint32_t titleId = frontend::ScenarioTitleId(scenarioIndex);
    const std::string title = titleId ? LoadResourceString(titleId) : std::string();
    ScenarioInfoStruct request(std::string(), static_cast<SCENARIO>(scenarioIndex), title, scenarioName,
                               static_cast<std::int16_t>(gameMode == 1 ? 1 : 0), 1, seed);
    // A scenario that failed to load never answered, and its handler is still there: a second
    // registration would start the next battle twice.
    UnregisterNamedHandler("ScenarioLoaded", OnScenarioLoadedEvent);
    RegisterNamedHandler("ScenarioLoaded", OnScenarioLoadedEvent);
    Container<ScenarioInfoStruct> payload(request);
    PostNamed("LoadScenario", &payload);
}

ContainerBase* VhApp::OnScenarioLoadedEvent(Component* receiver, BusMessage, ContainerBase* payload) {
    VhApp* self = nullptr;
    TeamInfoStruct* teams = nullptr;
    if (!BusArgs(receiver, payload, self, teams, kSource, __LINE__)) return nullptr;
    self->OnScenarioLoaded(*teams);
    return nullptr;
}

void VhApp::OnScenarioLoaded(const TeamInfoStruct& loaded) {
    EndWait();
    UnregisterNamedHandler("ScenarioLoaded", OnScenarioLoadedEvent);
    if (gameMode == 3) return;
    exitRequested = 0;
    // The payload is the bus's; the waits below may deliver other messages meanwhile.
    TeamInfoStruct teams = loaded;
    if (!openingSavedGame) {
        if (gameMode != 1) {
            delete PostNamedEventAndWait("LeaderControl");
            delete PostNamedEventAndWait("GameOptions");
        }
    } else {
        Container<std::string> path(savePath);
        delete PostNamedAndWait("LoadGame", &path);
    }
    if (gameMode == 3 || exitRequested) return;
    Container<TeamInfoStruct> payload(teams);
    delete PostNamedAndWait("InitializeScenario", &payload);
    // The battle may have been closed while it was being set up.
    if (gameMode == 3 || exitRequested) return;
    OpenDisplayWindows(static_cast<std::int16_t>(openingSavedGame));
    if (openingSavedGame && saved_game_header::IsAutosavePath(savePath)) savePath.clear();
    Container<short> flag(static_cast<short>(openingSavedGame));
    Post(BEGIN_GAME, &flag);
}

void VhApp::OpenDisplayWindows(std::int16_t savedGame) {
    // A saved game's windows come back where they were; a new battle (or a saved game that kept
    // none) gets one map window from the main map's layer.
    if (!savedGame || !OpenSavedMapWindows()) delete PostNamedEventAndWait("MapOpen");
    if (MainWindowHandle) SetFocus(MainWindowHandle);
}

ContainerBase* VhApp::OnOpenDisplayWindows(Component* receiver, BusMessage, ContainerBase* payload) {
    VhApp* self = nullptr;
    short* flag = nullptr;
    if (BusArgs(receiver, payload, self, flag, kSource, __LINE__)) self->OpenDisplayWindows(*flag);
    return nullptr;
}

ContainerBase* VhApp::OnBeginGame(Component* receiver, BusMessage, ContainerBase*) {
    if (VhApp* self = Self(receiver)) self->BeginGame();
    return nullptr;
}

void VhApp::BeginGame() {
    PostNamedEvent(scenarioIndex == 4 || scenarioIndex == kCustomScenario ? "AmbientStart" : "MinorRiverStart");
    SendMenuItem(ENABLE_MENU_ITEM, kOpenMap);
    SendMenuItem(ENABLE_MENU_ITEM, kCloseBattle);
    const GameControl* control = logicalLayer ? logicalLayer->GetGameControl() : nullptr;
    SendMenuItem(control && control->GetObjectiveCount() > 0 ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, kObjectives);
}

void VhApp::SendMenuItem(BusMessage event, std::uint16_t command) {
    Container<BusMessage> item{BusMessage(command)};
    delete Send(event, &item);
}

void VhApp::PostMenuItem(BusMessage event, std::uint16_t command) {
    Container<BusMessage> item{BusMessage(command)};
    delete PostAndWait(this, event, &item);
}

ContainerBase* VhApp::OnEndOfGame(Component* receiver, BusMessage, ContainerBase* payload) {
    VhApp* self = nullptr;
    EndOfGameResults* results = nullptr;
    if (BusArgs(receiver, payload, self, results, kSource, __LINE__)) self->lastGameResults = *results;
    return nullptr;
}

// --- the end of a battle ---

// The finishing step runs from a fresh delivery of the same message, once the current one (and
// every wait inside it) has unwound. Without a main window to route the command through, the
// message itself is posted.
void VhApp::PostCommandToMainWindow(std::uint16_t command, const char* name) {
    if (MainWindowHandle)
        PostMessage(MainWindowHandle, WM_COMMAND, command, 0);
    else
        PostNamedEvent(name);
}

ContainerBase* VhApp::OnGameClose(Component* receiver, BusMessage, ContainerBase*) {
    if (VhApp* self = Self(receiver)) self->ConfirmClose();
    return nullptr;
}

void VhApp::ConfirmClose() {
    if (MessageBox(LoadResourceString(106), gameMode == 1 ? LoadResourceString(107) : std::string()) == 0) return;
    delete PostAndWait(this, CLOSE_CONNECTION, nullptr);
    if (gameMode == 3) return;
    gameMode = 3;
    UnregisterNamedHandler("GameClose", OnGameClose);
    RegisterNamedHandler("GameClose", OnGameCloseFinish);
    PostCommandToMainWindow(kCloseBattle, "GameClose");
}

ContainerBase* VhApp::OnGameCloseFinish(Component* receiver, BusMessage, ContainerBase*) {
    if (VhApp* self = Self(receiver)) self->FinishClose();
    return nullptr;
}

void VhApp::FinishClose() {
    UnregisterNamedHandler("GameClose", OnGameCloseFinish);
    RegisterNamedHandler("GameClose", OnGameClose);
    EndBattle();
    delete campaign;
    campaign = nullptr;
    PostNamedEvent("ShowMainDlg");
}

ContainerBase* VhApp::OnGameEnded(Component* receiver, BusMessage, ContainerBase*) {
    if (VhApp* self = Self(receiver)) self->BattleEnded();
    return nullptr;
}

void VhApp::BattleEnded() {
    delete PostAndWait(this, CLOSE_CONNECTION, nullptr);
    if (gameMode == 3) return;
    if (gameMode != 1) gameMode = 3;
    UnregisterNamedHandler("GameEnded", OnGameEnded);
    RegisterNamedHandler("GameEnded", OnGameEndedFinish);
    PostCommandToMainWindow(kBattleEnded, "GameEnded");
}

ContainerBase* VhApp::OnGameEndedFinish(Component* receiver, BusMessage, ContainerBase*) {
    if (VhApp* self = Self(receiver)) self->FinishEndedBattle();
    return nullptr;
}

void VhApp::FinishEndedBattle() {
    UnregisterNamedHandler("GameEnded", OnGameEndedFinish);
    RegisterNamedHandler("GameEnded", OnGameEnded);
    EndBattle();
    PostNamedEvent(gameMode == 1 ? "StartCampaign" : "ShowMainDlg");
}

void VhApp::EndBattle() {
    BeginWait();
    PostMenuItem(DISABLE_MENU_ITEM, kCloseBattle);
    PostMenuItem(DISABLE_MENU_ITEM, kOpenMap);
    delete PostNamedEventAndWait("BlockLeaderMenu");
    for (std::uint16_t command : {209, 220, 221, 195, 196, 235, 219}) PostMenuItem(DISABLE_MENU_ITEM, command);
    PostMenuItem(UNCHECK_MENU_ITEM, 219);
    PostMenuItem(DISABLE_MENU_ITEM, 246);
    PostMenuItem(UNCHECK_MENU_ITEM, 246);
    for (std::uint16_t command : {213, 214, 225, 255}) PostMenuItem(DISABLE_MENU_ITEM, command);
    Container<BusMessage> closeMaps{BusMessage(kCloseMapWindows)};
    delete PostNamedAndWait("Command", &closeMaps);
    if (Window* frame = GetMainWindow()) frame->SetTitle(LoadResourceString(1).c_str());
    saveName.clear();
    delete PostNamedEventAndWait("StopPaletteAnimation");
    delete PostNamedEventAndWait("AllAmbientStop");
    delete PostNamedEventAndWait("CloseGame");
    EndWait();
}

// --- help ---

ContainerBase* VhApp::OnHelpAbout(Component* receiver, BusMessage, ContainerBase*) {
    if (Self(receiver)) {
        About about;
        about.Execute("AboutDlg", Dialog::kModal, 0, MainWindowHandle);
    }
    return nullptr;
}

// The battle's article, opened by the program the desktop associates with ".htm" files; without
// one there is nothing to start and nothing to report.
ContainerBase* VhApp::OnHelpAboutThisBattle(Component* receiver, BusMessage, ContainerBase*) {
    VhApp* self = Self(receiver);
    if (!self) return nullptr;
    const std::string program = frontend::HtmlOpenProgram();
    if (program.empty()) return nullptr;
    frontend::StartCommand(program + " " + self->GetDirectory(1) + "\\V&U\\V&U BRANDY STATION.htm");
    return nullptr;
}

ContainerBase* VhApp::OnHelpHelp(Component*, BusMessage, ContainerBase*) { return nullptr; }
