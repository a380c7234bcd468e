#pragma once
// A headless game around the referee: the application, its data directory, its table of unit
// types and the stand-ins of the parts of the game that are not built yet (the application's
// bus answers, the battlefield display, the unit pictures, the end-of-game screen). Each stand-in
// sits behind the same bus messages and calls as the real part and answers as the real one
// would: a picture command that names a reply is answered at once (the combat animation
// "UnitCombat" too), the view fits combats as wide as it is set, "GetIndexOfUnitType" from the
// registry, "EndOfGame" with the synchronisation the end-of-game screen sends. Tests and the
// battle runner build battles on it and read what the stand-ins saw.
//
// Invariants: the shell owns the application, the logical layer and the stand-ins, and destroys
// the layer (with its battle) before the application; its data directory exists from
// construction to destruction and is removed with everything written into it.
#include "core/basic_app.h"
#include "game/logic/logical_command.h"
#include "game/logic/referee/app_services.h"
#include "game/logic/referee/referee_records.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "tools/datagen/landscape_writer.h"
#include "tools/datagen/scenario_writer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace shell {

// The application's registry of unit types: names filed by kind code, numbered in order.
class UnitTypeRegistry {
public:
    // -1 for kind -1 (nothing registered); otherwise the new type's number.
    int RegisterUnitType(const std::string& name, int kind);
    // That kind's list first, then every kind from 0 to 17; -1 when no type has the name.
    int FindUnitType(const std::string& name, int kind) const;
    int Count() const { return next; }

private:
    struct Entry {
        std::string name;
        int number;
    };
    std::vector<Entry> kinds[18];
    int next = 0;
};

// What the display and the pictures were told.
struct DisplayLog {
    std::vector<LandscapeDefinition> landscapes;
    int regionsAnnounced = 0;
    int landscapeEnds = 0;
    struct Created {
        std::uint16_t unit;
        std::int16_t region;
        LOCreateInfo info;
    };
    std::vector<Created> created;
    std::vector<LogicalCommandInfo> commands;
    // The shock phase's questions to the view.
    std::vector<WillCombatFitStruct> fitQueries;
    std::vector<short> combatCentres;
};

// What the application's windows were told.
struct AppLog {
    std::vector<std::vector<short>> preloads;
    int gameEnded = 0;
    std::vector<TeamInfoStruct> teams;
    std::vector<std::string> captions;
    std::vector<std::string> commentary;
    std::vector<EndOfGameResults> endOfGame;
    std::vector<std::string> unknownTypes;
    // Shock phases begun ("StartCombat").
    int shockPhases = 0;
};

class ShellServices;
class ShellUnitDialogs;
class ShellApplication;
class ShellDisplay;

class GameShell {
public:
    // A fresh application on the virtual clock with no scripted message boxes, a data directory
    // of its own, and the logical layer with the game's unit types registered.
    GameShell();
    // The same on an application of the caller's making (a WinApp for tests that show dialogs),
    // given the shell's data directory.
    using ApplicationMaker = std::function<std::unique_ptr<::Application>(const std::string& dataDirectory)>;
    explicit GameShell(const ApplicationMaker& makeApplication);
    ~GameShell();
    GameShell(const GameShell&) = delete;
    GameShell& operator=(const GameShell&) = delete;

    // The plain application; only for shells made without a maker.
    BasicApp& App() { return *basic; }
    // The application the shell runs on, whichever it is.
    ::Application& Host() { return *app; }
    VhLogicalLayer& Layer() { return *layer; }
    UnitTypeRegistry& UnitTypes() { return types; }
    const std::string& DataDirectory() const { return directory; }
    DisplayLog& Display();
    AppLog& Application();
    GameAppServices& Services();
    // The application's table of unit art names (by art index): the unit types' names.
    const std::vector<std::string>& ArtNames() const { return artNames; }
    void SetSaveName(const std::string& name);
    // What the game-options dialog answers from now on (by default it is cancelled).
    void SetGameOptions(const GameAppServices::GameOptions& options);
    // The game mode the application answers (0 single battle, 1 campaign, 2 network; 0 unless set).
    void SetGameMode(int mode);
    // Whether the last game options dialog was told to offer the turn limit (-1: none was run).
    int OfferedTurnLimits() const;
    // The next answer of the group-command confirmation (0 cancels); unscripted ones confirm.
    void ScriptGroupConfirm(int answer);
    // The titles the confirmation was shown with, in order.
    const std::vector<std::string>& GroupConfirmTitles() const;

    // Files in the data directory.
    bool WriteMap(const std::string& name, const datagen::LandscapeDraft& draft);
    bool WriteScenario(const std::string& name, const datagen::ScenarioDraft& draft);
    bool WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes);

    // Posts "LoadScenario" for a file of the data directory and lets the queue run.
    void LoadScenario(const std::string& file, std::int32_t scenarioIndex = 10, std::uint16_t seed = 7,
                      std::uint16_t newController = 1, std::uint16_t campaign = 0);
    // Lets the game run for a while on the virtual clock: its queue drains and its timers tick.
    void Run(int milliseconds);
    // The columns and rows the battlefield view shows at once ("WillCombatFit?"); large at first.
    void SetCombatView(int columns, int rows);
    // While held, the pictures keep their combat animations ("UnitCombat") playing: the
    // referee's wait for them stays open until they are released (how many were).
    void HoldCombatAnimations(bool hold);
    int ReleaseCombatAnimations();
    // End-of-turn screens the player will click through at once; after them each such screen is
    // held open until ReleaseEndOfTurn (false when none is held).
    void GrantTurns(int turns);
    int HeldEndOfTurnScreens() const;
    bool ReleaseEndOfTurn();
    const std::vector<EndOfGameResults>& EndOfTurnScreens() const;
    // A saved game as the application begins one: its 16-byte header (the mark "VHSG", a version
    // word, then the two block slots at bytes 8 and 12, both 0) and the bytes that stand for the
    // display's and the commentary's blocks. The game logic appends its blocks after them.
    bool BeginSavedGame(const std::string& name, const std::vector<std::uint8_t>& applicationBlocks = {});
    // "SaveGame" and "LoadGame" for a file of the data directory, as the application sends them.
    void SaveGame(const std::string& name);
    void LoadGame(const std::string& name);
    // A data-directory file's whole content; empty when it cannot be read.
    std::vector<std::uint8_t> ReadFile(const std::string& name) const;
    std::string PathOf(const std::string& name) const { return directory + "/" + name; }
    // Sends "CloseGame" to the layer.
    void CloseGame();

private:
    std::unique_ptr<::Application> app;
    BasicApp* basic = nullptr;
    std::string directory;
    UnitTypeRegistry types;
    std::vector<std::string> artNames;
    std::unique_ptr<ShellServices> services;
    std::unique_ptr<ShellUnitDialogs> unitDialogs;
    std::unique_ptr<VhLogicalLayer> layer;
    std::unique_ptr<ShellApplication> application;
    std::unique_ptr<ShellDisplay> display;
};

} // namespace shell
