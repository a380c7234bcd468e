#pragma once
// VhApp: the game's application object. It is the program's WinApp (so the global bus) and owns
// every long-lived game component: the logical layer, the two physical layers, the sound
// manager, the palette animator, the campaign. It knows the two data directories, opens data
// files and libraries from records of the data-file list "\qifdemo.hed", keeps the registry of
// unit types (name and kind code to number), the preferences, and the game's state words (game
// mode, scenario, saved game). Exactly one exists while the program runs.
//
// Data-file list record: 64-byte library name (zero-padded), 13-byte 8.3 file name, then the
// library's compact index (ui/qif.h) whose length the library's loader finds.
//
// Invariants: the next unit-type number is the count of types registered; each type sits in the
// list of its kind code (0..17) only; data location is 2 until a file is found only in the
// second data directory, then 1; the second directory is empty unless the registry names one;
// the sound thread runs from construction to destruction and is joined, never killed.
#include "game/app/dialogs/loading_dlg.h"
#include "game/app/preferences.h"
#include "game/app/sound_service.h"
#include "game/logic/combat_records.h"
#include "ui/windows/win_app.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class CampaignGame;
class PaletteAnimator;
class PhysicalLayer;
class VhPhysicalLayer;
class VhLogicalLayer;
class VhAppServices;
class InGameServices;
class InGameUnitDialogs;
class InGameDialogs;
struct TeamInfoStruct;
template <class T> class QIF;
class Bitmap;

class VhApp : public WinApp {
public:
    static constexpr int kUnitKinds = 18;
    static constexpr std::size_t kLibraryNameSize = 64;
    static constexpr const char* kDataFileList = "qifdemo.hed";

    struct unitType {
        std::string name;
        std::uint16_t number;
    };

    VhApp();
    ~VhApp() override;
    VhApp(const VhApp&) = delete;
    VhApp& operator=(const VhApp&) = delete;

    // --- the WinApp operations it replaces ---
    // Registers the game's handlers, publishes the preferences, asks for the main menu and runs
    // the message loop until the application quits.
    void Run() override;
    // The run step's handlers on the application bus; Run registers them before its loop.
    void RegisterHandlers();
    // Kind 2: the second directory once data came from there; 4 and 7: the second directory;
    // every other kind: the data directory.
    std::string& GetDataDirectory(std::int16_t kind = 0) override;
    std::string& GetDirectory(std::int16_t kind) { return GetDataDirectory(kind); }
    // The 13-byte file name at the record, looked for in both directories, then the library's
    // index behind it; the cursor after the record is kept for the data-file list's reader.
    void OpenQIFLibraryAt(QIFBase* library, const BYTE* record, std::size_t recordSize) override;
    void OpenDataFile(const char* fileName, DataFileReader* reader) override;
    // The information dialog "MessageBox" with the text and a second text; the button chosen.
    virtual int MessageBox(const std::string& text, const std::string& secondText = "");

    // --- unit types ---
    // Kind -1 registers nothing and answers -1; otherwise the new type's number.
    std::int32_t RegisterUnitType(const std::string& name, std::int32_t kind);
    // That kind's list first, then every kind from 0 to 17; -1 for an unknown name.
    std::int32_t FindUnitType(const std::string& name, std::int32_t kind) const;
    std::uint16_t UnitTypeCount() const { return nextUnitType; }

    // --- preferences ---
    PreferenceRecord& Preferences() { return preferenceRecord; }
    // Runs the preferences dialog, then publishes the record and writes it to the registry.
    void SavePreferences();
    // Posts the preference messages of the start of a run, and hands the switches to the rules.
    void PublishPreferences();

    // --- the game's state ---
    void SetScenarioIndex(std::int32_t index) { scenarioIndex = index; }
    std::int32_t GetScenarioIndex() const { return scenarioIndex; }
    // The battle's own words, as the menu, the scenario choice and an opened game set them.
    void SetGameMode(std::int32_t mode) { gameMode = mode; }
    void SetScenarioName(const std::string& name) { scenarioName = name; }
    void SetSavePath(const std::string& path) { savePath = path; }
    void SetSaveName(const std::string& name) { saveName = name; }
    const std::string& GetSaveName() const { return saveName; }
    const std::string& GetSavePath() const { return savePath; }
    const std::string& GetScenarioName() const { return scenarioName; }
    std::uint16_t IsOpeningSavedGame() const { return openingSavedGame; }
    std::int32_t GetGameMode() const { return gameMode; }
    const CampaignGame* GetCampaign() const { return campaign; }
    const EndOfGameResults& GetLastGameResults() const { return lastGameResults; }
    std::uint16_t IsExitRequested() const { return exitRequested; }
    std::uint32_t GetDataLocation() const { return dataLocation; }
    const std::string& GetSecondDataDirectory() const { return secondDataDirectory; }

    VhLogicalLayer* GetLogicalLayer() const { return logicalLayer; }
    VhPhysicalLayer* GetPhysicalLayer(int view) const { return view == 0 ? physicalLayer0 : physicalLayer1; }
    SoundService* GetSoundManager() const { return soundManager; }
    PaletteAnimator* GetPaletteAnimator() const { return paletteAnimator; }
    const LoadingDlg* GetLoadingDialog() const { return loadingDialog.get(); }
    std::int16_t PreloadedLibraryCount() const { return preloadedCount; }
    // How many times the sound thread has serviced the sound manager.
    std::uint64_t SoundServiceCount() const { return soundServices.load(); }

    // --- from the main menu to a battle and back (scenario_flow.cpp) ---
    // Asks the logical layer for the scenario of the scenario index and name; the rest of the
    // start follows on "ScenarioLoaded".
    void LoadScenario();
    // Flag 0: a new battle's map windows; 1: those the saved game (save path) recorded.
    void OpenDisplayWindows(std::int16_t savedGame);
    // Reopens the map windows the saved game (save path) recorded; false when it recorded none
    // or its blocks cannot be read, so that the caller opens a fresh one.
    bool OpenSavedMapWindows();
    // Closes every window of the battle and lets every component drop its battle state.
    void EndBattle();
    // Chooses a single battle; chooses and starts a campaign's next battle.
    void StartSingleBattle();
    void StartCampaign();

    // --- saved games (saved_game_io.cpp) ---
    // Writes the header and the map-window blocks to the save path, then lets every component
    // append its block. False (with a message box) when the file cannot be written.
    bool SaveGame();
    // Opens the saved game at the path under the description: reads and checks its header,
    // then reloads its scenario. False, with the reason shown and "ShowMainDlg" posted, when
    // the file cannot be read or its header is damaged or of another version.
    bool OpenSavedGame(const std::string& path, const std::string& description);
    // The autosave of the game mode with the text added to its description; false when the
    // preferences leave it out.
    bool AutoSave(const std::string& text);
    // Runs the load/save dialog in save mode; saves on OK.
    void SaveGameAs();
    // The version hash of this program's saved games.
    std::uint32_t SavedGameHash();

    // --- stand-ins for the dialogs that are not part of the program yet ---
    // The main menu ("ShowMainDlg"); without one the application quits, so that a start-up runs
    // to the end and back down.
    using MainMenu = std::function<void(VhApp&)>;
    static void SetMainMenu(MainMenu menu);
    // The preferences dialog over the record; its result is ignored, as the dialog's own is.
    using PreferencesDialog = std::function<int(PreferenceRecord&)>;
    static void SetPreferencesDialog(PreferencesDialog dialog);
    // The sound manager the next application owns (a plain one when none is given).
    static void SetNextSoundManager(std::unique_ptr<SoundService> sound);

    // The one game application, or null.
    static VhApp* Get();

    // Every library the unit pictures open: their shared art and each unit type's figures.
    static std::vector<std::string> PictureArtNames();

private:
    // Finds a data file in the data directory, then in the second one; "" when in neither (and
    // reported). A find in the second directory records "Install" and moves the data location.
    std::string FindDataFile(const std::string& name);
    void ReadDataFileList();
    void CreateComponents();
    void LoadWaitCursor();
    void RegisterUnitTypes();
    // Whether the art index lists every one of these libraries (the check reports nothing).
    bool ArtIndexLists(const std::vector<std::string>& libraries);
    void SoundThread();

    static ContainerBase* OnIndexOfUnitType(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnGamePreferences(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnShowMainDlg(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnExitGame(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnShowFinishLeader(Component* receiver, BusMessage event, ContainerBase* payload);
    static ContainerBase* OnShowGroupCommandConfirm(Component* receiver, BusMessage event, ContainerBase* payload);
    void RunMainMenu();
    void RegisterFlowHandlers();
    void InstallDialogServices();
    void OnScenarioLoaded(const TeamInfoStruct& teams);
    void BeginGame();
    void ConfirmClose();
    void FinishClose();
    void BattleEnded();
    void FinishEndedBattle();
    void OpenGame();
    void SendMenuItem(BusMessage event, std::uint16_t command);
    void PostMenuItem(BusMessage event, std::uint16_t command);
    void PostCommandToMainWindow(std::uint16_t command, const char* name);
    static ContainerBase* OnGameStart(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnStartCampaign(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnScenarioLoadedEvent(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnOpenDisplayWindows(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnBeginGame(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnEndOfGame(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnGameClose(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnGameCloseFinish(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnGameEnded(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnGameEndedFinish(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnHelpAbout(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnHelpAboutThisBattle(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnHelpHelp(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnGameSaveMenu(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnGameSaveAsMenu(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnOpenGame(Component*, BusMessage, ContainerBase*);
    static ContainerBase* OnAutoSaveGame(Component*, BusMessage, ContainerBase*);

    VhLogicalLayer* logicalLayer = nullptr;
    VhPhysicalLayer* physicalLayer0 = nullptr;
    VhPhysicalLayer* physicalLayer1 = nullptr;
    SoundService* soundManager = nullptr;
    CampaignGame* campaign = nullptr;
    PaletteAnimator* paletteAnimator = nullptr;
    std::uint16_t nextUnitType = 0;
    std::vector<unitType*> unitTypes[kUnitKinds];
    std::uint32_t dataLocation = 2;
    std::string secondDataDirectory;
    PreferenceRecord preferenceRecord;
    std::int32_t scenarioIndex = 0;
    std::int32_t gameMode = 3;
    std::uint16_t openingSavedGame = 0;
    EndOfGameResults lastGameResults;
    std::string scenarioName;
    std::string savePath;
    std::string saveName;
    std::uint16_t exitRequested = 0;
    std::int16_t preloadedCount = 0;
    std::vector<QIF<Bitmap>*> preloadedLibraries;

    std::unique_ptr<LoadingDlg> loadingDialog;
    std::unique_ptr<VhAppServices> services;
    std::unique_ptr<InGameServices> inGameServices;
    std::unique_ptr<InGameUnitDialogs> unitDialogs;
    std::unique_ptr<InGameDialogs> inGameDialogs;
    // Network play: the set-up from "StartNetworkGame", the relay lists and the saved block.
    std::unique_ptr<Component> netComponent;
    HCURSOR gameWaitCursor = nullptr;
    // Where the last library opened from a record ended; null when it was refused.
    const BYTE* recordEnd = nullptr;

    std::thread soundThread;
    std::mutex soundMutex;
    std::condition_variable soundWake;
    bool soundStop = false;
    std::atomic<std::uint64_t> soundServices{0};
};
