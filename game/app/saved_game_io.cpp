// Saving and opening games: the application writes the header and the map-window blocks, then
// every component appends its own block on "SaveGame"; opening reads the header back, reloads
// the scenario and lets every component read its block on "LoadGame". The autosave is the same
// writer under a fixed file name per game mode.
#include "game/app/vh_app.h"

#include "game/app/dialogs/scenario_tables.h"
#include "game/app/load_save_dlg.h"
#include "game/app/saved_game_header.h"
#include "game/logic/referee/campaign_game.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "core/super_string.h"
#include "landscape/game/vh_physical_layer.h"
#include "platform/file.h"

namespace {

constexpr const char* kSource = "VHAPP";
constexpr std::int16_t kStatusPane = 0;
constexpr std::int16_t kSavedGameDirectory = 8;

VhApp* Self(Component* receiver) {
    VhApp* self = nullptr;
    return BusReceiver(receiver, self, kSource, __LINE__) ? self : nullptr;
}

} // namespace

std::uint32_t VhApp::SavedGameHash() {
    return saved_game_header::VersionHash(LoadResourceString(saved_game_header::kVersionStringId));
}

bool VhApp::SaveGame() {
    SetStatusText(("Saving game \"" + saveName + "\"...").c_str(), kStatusPane);
    saved_game_header::Header header;
    header.hash = SavedGameHash();
    header.saveName = saveName;
    header.scenarioIndex = scenarioIndex;
    header.scenarioName = scenarioName;
    header.gameMode = gameMode;
    header.headerWord = logicalLayer ? logicalLayer->GetHeaderWord() : 0;
    std::vector<std::uint8_t> bytes = saved_game_header::Encode(header);
    // The two physical layers' map-window blocks: each window's place and view.
    for (int view = 0; view < 2; ++view) {
        SuperString windows(4096);
        if (VhPhysicalLayer* layer = GetPhysicalLayer(view)) layer->SaveMapWindows(windows);
        else windows << std::uint16_t{0};
        std::vector<std::uint8_t> block(static_cast<std::size_t>(windows.Length()));
        if (!block.empty()) windows.Read(block.data(), windows.Length());
        bytes.insert(bytes.end(), block.begin(), block.end());
    }

    OFSTRUCT info;
    const HFILE file = OpenFile(savePath.c_str(), &info, OF_CREATE | OF_WRITE);
    bool written = file != HFILE_ERROR;
    if (written) {
        written = _lwrite(file, bytes.data(), static_cast<UINT>(bytes.size())) == bytes.size();
        _lclose(file);
    }
    // A file that could not be made would lose every component's block, and the player would be
    // told the game was saved.
    if (!written) {
        SetStatusText("", kStatusPane);
        MessageBox("The game could not be saved.", savePath);
        return false;
    }
    Container<std::string> path(savePath);
    delete PostNamedAndWait("SaveGame", &path);
    SetStatusText(("Saved \"" + saveName + "\" successfully.").c_str(), kStatusPane);
    return true;
}

bool VhApp::OpenSavedGame(const std::string& path, const std::string& description) {
    saved_game_header::Header header;
    std::size_t used = 0;
    std::string error;
    if (!saved_game_header::ReadFile(path, SavedGameHash(), header, used, error)) {
        MessageBox("The saved game could not be opened.", error);
        PostNamedEvent("ShowMainDlg");
        return false;
    }
    savePath = path;
    saveName = description.empty() ? header.saveName : description;
    scenarioIndex = header.scenarioIndex;
    scenarioName = header.scenarioName;
    gameMode = header.gameMode;
    if (logicalLayer) logicalLayer->SetHeaderWord(header.headerWord);
    if (gameMode == 2) {
        Container<std::string> file(path);
        PostNamed("LoadNetworkGame", &file);
        return true;
    }
    if (gameMode == 1) {
        delete campaign;
        campaign = new CampaignGame();
        campaign->AttachToBus(this);
    }
    openingSavedGame = 1;
    LoadScenario();
    return true;
}

bool VhApp::AutoSave(const std::string& text) {
    if (!preferenceRecord.autoSave && gameMode != 2) return false;
    const char* file = saved_game_header::AutosaveFile(gameMode);
    if (!*file) return false;
    const std::string keptPath = savePath, keptName = saveName;
    savePath = GetDirectory(kSavedGameDirectory) + file;
    saveName = LoadResourceString(saved_game_header::AutosavePrefixId(gameMode));
    if (scenarioIndex != 10) {
        const std::uint32_t titleId = frontend::ScenarioTitleId(scenarioIndex);
        if (titleId) saveName += LoadResourceString(titleId) + "; ";
    }
    saveName += text;
    const bool saved = SaveGame();
    savePath = keptPath;
    saveName = keptName;
    return saved;
}

void VhApp::SaveGameAs() {
    LoadSaveDlg dialog(MainWindowHandle, 1, 1);
    if (dialog.Execute("LoadSaveDlg", Dialog::kModal, 0, MainWindowHandle) <= 0) return;
    savePath = GetDirectory(kSavedGameDirectory) + "\\" + dialog.GetFileName();
    saveName = dialog.GetDescription();
    SaveGame();
    PostNamedEvent("UpdateMainCaption");
}

void VhApp::OpenGame() {
    LoadSaveDlg dialog(MainWindowHandle, 0, 1);
    if (dialog.Execute("LoadSaveDlg", Dialog::kModal, 0, MainWindowHandle) <= 0) {
        PostNamedEvent("ShowMainDlg");
        return;
    }
    OpenSavedGame(GetDirectory(kSavedGameDirectory) + "\\" + dialog.GetFileName(), dialog.GetDescription());
}

ContainerBase* VhApp::OnGameSaveMenu(Component* receiver, BusMessage, ContainerBase*) {
    if (VhApp* self = Self(receiver)) {
        if (self->savePath.empty())
            self->SaveGameAs();
        else
            self->SaveGame();
    }
    return nullptr;
}

ContainerBase* VhApp::OnGameSaveAsMenu(Component* receiver, BusMessage, ContainerBase*) {
    if (VhApp* self = Self(receiver)) self->SaveGameAs();
    return nullptr;
}

ContainerBase* VhApp::OnOpenGame(Component* receiver, BusMessage, ContainerBase*) {
    if (VhApp* self = Self(receiver)) self->OpenGame();
    return nullptr;
}

ContainerBase* VhApp::OnAutoSaveGame(Component* receiver, BusMessage, ContainerBase* payload) {
    VhApp* self = nullptr;
    std::string* text = nullptr;
    if (BusArgs(receiver, payload, self, text, kSource, __LINE__)) self->AutoSave(*text);
    return nullptr;
}

bool VhApp::OpenSavedMapWindows() {
    saved_game_header::Header header;
    std::size_t used = 0;
    std::string error;
    if (savePath.empty() || !saved_game_header::ReadFile(savePath, SavedGameHash(), header, used, error)) return false;
    OFSTRUCT info;
    const HFILE file = OpenFile(savePath.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) return false;
    std::vector<std::uint8_t> bytes;
    std::uint8_t chunk[4096];
    for (;;) {
        const UINT got = _lread(file, chunk, sizeof chunk);
        if (got == static_cast<UINT>(HFILE_ERROR) || got == 0) break;
        bytes.insert(bytes.end(), chunk, chunk + got);
    }
    _lclose(file);
    if (used > bytes.size()) return false;
    SuperString in(static_cast<std::int32_t>(bytes.size() - used) + 1);
    if (bytes.size() > used) in.Write(&bytes[used], static_cast<std::int32_t>(bytes.size() - used));
    bool any = false;
    for (int view = 0; view < 2; ++view) {
        VhPhysicalLayer* layer = GetPhysicalLayer(view);
        if (!layer) return any;
        const int before = layer->Viewports().Count();
        if (!layer->OpenMapWindows(in)) return any || layer->Viewports().Count() > before;
        any = any || layer->Viewports().Count() > before;
    }
    return any;
}
