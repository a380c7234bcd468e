#include "tests/shell/game_shell.h"

#include "game/logic/text_of.h"
#include "game/logic/logical_region.h"
#include "game/units/unit_dialogs.h"
#include "game/units/unit_types.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/msgbox.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace shell {

int UnitTypeRegistry::RegisterUnitType(const std::string& name, int kind) {
    if (kind < 0 || kind >= 18) return -1;
    kinds[kind].push_back({name, next});
    return next++;
}

int UnitTypeRegistry::FindUnitType(const std::string& name, int kind) const {
    if (kind >= 0 && kind < 18)
        for (const Entry& e : kinds[kind])
            if (e.name == name) return e.number;
    for (const auto& list : kinds)
        for (const Entry& e : list)
            if (e.name == name) return e.number;
    return -1;
}

// The game application's direct services: the main window's title, the saved game's name, the
// art names, the army-details dialog (it records what it was shown).
class ShellServices : public GameAppServices {
public:
    explicit ShellServices(const std::vector<std::string>& names) : artNames(names) {}

    std::string GetMainTitle() override { return title; }
    void SetMainTitle(const std::string& text) override { title = text; }
    std::string GetSaveName() override { return saveName; }
    int GetGameMode() override { return gameMode; }
    bool GetUnitArtName(std::int32_t index, std::string& name) override {
        if (index < 0 || static_cast<std::size_t>(index) >= artNames.size()) return false;
        name = artNames[static_cast<std::size_t>(index)];
        return true;
    }
    int PressedArmySide(EndTurnDlg*) override { return pressedSide; }
    void RunArmyDetails(EndTurnDlg*, List<Combat*>& units, List<Leader*>& leaders) override {
        shownUnits = units.Count();
        shownLeaders = leaders.Count();
    }

    // The end-of-turn screen: answered at once while turns are granted, otherwise held open, as
    // a player still looking at it (the game waits at its barrier until the shell lets go).
    int RunEndTurnDialog(const EndOfGameResults& results, int mode) override {
        if (mode != 2) return 1;
        endOfTurn.push_back(results);
        if (turnsGranted > 0) {
            --turnsGranted;
            return 1;
        }
        ++heldEndOfTurn;
        return 0;
    }
    int RunEnumDialog(const std::string& caption, const std::vector<std::string>& lines) override {
        enumCaptions.push_back(caption);
        return enumChoice < static_cast<int>(lines.size()) ? enumChoice : -1;
    }
    int RunViewBattleFieldDialog(int prompt) override {
        viewPrompts.push_back(prompt);
        return 1;
    }
    // The game options the test chose; without them the dialog is left as a player who cancels.
    bool RunGameOptionsDialog(bool, int, int turnLimitChoice, GameOptions& out) override {
        offeredTurnLimits = turnLimitChoice;
        if (!optionsGiven) return false;
        out = options;
        return true;
    }

    std::string title;
    std::string saveName;
    bool optionsGiven = false;
    GameOptions options;
    int gameMode = 0;
    int offeredTurnLimits = -1;  // what the last game options dialog was told, -1 before any
    int turnsGranted = 0;
    int heldEndOfTurn = 0;
    int enumChoice = 0;
    std::vector<EndOfGameResults> endOfTurn;
    std::vector<std::string> enumCaptions;
    std::vector<int> viewPrompts;
    int pressedSide = 0;
    int shownUnits = -1;
    int shownLeaders = -1;

private:
    const std::vector<std::string>& artNames;
};

// The unit rules' own dialogs: the group-command confirmation answers from the script the test
// gave (confirmed once the script is used up) and records each title it was shown with.
class ShellUnitDialogs : public UnitDialogs {
public:
    int ConfirmGroupCommand(const std::string& title, Component&) override {
        titles.push_back(title);
        if (answers.empty()) return 1;
        const int answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
    std::vector<int> answers;
    std::vector<std::string> titles;
};

namespace {

template <class C> C* As(Component* c) { return dynamic_cast<C*>(c); }

} // namespace

// The application's answers on its bus.
class ShellApplication : public Component {
public:
    ShellApplication(UnitTypeRegistry& registry, ShellServices& app) : Component("Shell Application"), types(registry), services(app) {}
    AppLog log;

    void Connect() override {
        RegisterNamedHandler("GetIndexOfUnitType", IndexOfUnitType);
        RegisterNamedHandler("PreloadArt", PreloadArt);
        RegisterNamedHandler("GameEnded", GameEnded);
        RegisterNamedHandler("ScenarioLoaded", ScenarioLoaded);
        RegisterNamedHandler("ChangeMainCaption", ChangeMainCaption);
        RegisterNamedHandler("AddCommentary", AddCommentary);
        RegisterNamedHandler("EndOfGame", EndOfGame);
        RegisterNamedHandler("StartCombat", StartCombat);
    }

private:
    static ContainerBase* IndexOfUnitType(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellApplication>(c);
        std::string name;
        if (!self || !TextOf(p, name)) return nullptr;
        const int index = self->types.FindUnitType(name, -1);
        if (index < 0) self->log.unknownTypes.push_back(name);
        return new Container<short>(static_cast<short>(index));
    }
    static ContainerBase* PreloadArt(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellApplication>(c);
        const auto* used = PayloadValue<List<short>>(p);
        if (!self || !used) return nullptr;
        std::vector<short> types;
        for (Item<short>* i = used->Head(); i; i = i->next) types.push_back(i->value);
        self->log.preloads.push_back(types);
        return nullptr;
    }
    static ContainerBase* GameEnded(Component* c, BusMessage, ContainerBase*) {
        if (auto* self = As<ShellApplication>(c)) ++self->log.gameEnded;
        return nullptr;
    }
    static ContainerBase* ScenarioLoaded(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellApplication>(c);
        if (const auto* teams = PayloadValue<TeamInfoStruct>(p); self && teams) self->log.teams.push_back(*teams);
        return nullptr;
    }
    static ContainerBase* ChangeMainCaption(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellApplication>(c);
        std::string text;
        if (!self || !TextOf(p, text)) return nullptr;
        self->log.captions.push_back(text);
        self->services.title = text;
        return nullptr;
    }
    static ContainerBase* AddCommentary(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellApplication>(c);
        std::string text;
        if (self && TextOf(p, text)) self->log.commentary.push_back(text);
        return nullptr;
    }
    // The end-of-game screen itself is the referee's (through the services' dialogs); the
    // application only sees the results go by.
    static ContainerBase* EndOfGame(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellApplication>(c);
        const auto* results = PayloadValue<EndOfGameResults>(p);
        if (!self || !results) return nullptr;
        self->log.endOfGame.push_back(*results);
        return nullptr;
    }

    static ContainerBase* StartCombat(Component* c, BusMessage, ContainerBase*) {
        if (auto* self = As<ShellApplication>(c)) ++self->log.shockPhases;
        return nullptr;
    }

    UnitTypeRegistry& types;
    ShellServices& services;
};

// The battlefield display and the unit pictures.
class ShellDisplay : public Component {
public:
    ShellDisplay() : Component("Shell Display") {}
    DisplayLog log;

    void Connect() override {
        RegisterHandler(BEGIN_LANDSCAPE, BeginLandscape);
        RegisterHandler(CREATE_REGION, CreateRegion);
        RegisterHandler(END_LANDSCAPE, EndLandscape);
        RegisterHandler(LOGICAL_UNIT_CREATED, UnitCreated);
        RegisterHandler(LOGICAL_COMMAND, Command);
        RegisterNamedHandler("UnitCombat", CombatCommand);
        RegisterNamedHandler("WillCombatFit?", WillCombatFit);
        RegisterNamedHandler("Combat Center On Region", CombatCenter);
    }
    // Answers the held combat animations, in the order they came; how many there were.
    int ReleaseCombat() {
        std::vector<LogicalCommandInfo> held;
        held.swap(heldCombat);
        for (const LogicalCommandInfo& command : held) Answer(command);
        return static_cast<int>(held.size());
    }
    bool holdCombat = false;
    std::vector<LogicalCommandInfo> heldCombat;
    // How many columns and rows the battlefield view shows at once.
    int viewColumns = 1000;
    int viewRows = 1000;

private:
    static ContainerBase* BeginLandscape(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellDisplay>(c);
        if (const auto* d = PayloadValue<LandscapeDefinition>(p); self && d) self->log.landscapes.push_back(*d);
        return nullptr;
    }
    static ContainerBase* CreateRegion(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellDisplay>(c);
        if (const auto* r = PayloadValue<List<LogicalRegion>>(p); self && r) self->log.regionsAnnounced += r->Count();
        return nullptr;
    }
    static ContainerBase* EndLandscape(Component* c, BusMessage, ContainerBase*) {
        if (auto* self = As<ShellDisplay>(c)) ++self->log.landscapeEnds;
        return nullptr;
    }
    static ContainerBase* UnitCreated(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellDisplay>(c);
        const auto* command = PayloadValue<LogicalCommandInfo>(p);
        if (!self || !command) return nullptr;
        LOCreateInfo info;
        ExtractData(command->data, info);
        self->log.created.push_back({command->object, command->region, info});
        return nullptr;
    }
    // A picture plays the command at once and answers when the command names a reply.
    static ContainerBase* Command(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellDisplay>(c);
        const auto* command = PayloadValue<LogicalCommandInfo>(p);
        if (!self || !command) return nullptr;
        self->log.commands.push_back(*command);
        self->Answer(*command);
        return nullptr;
    }
    // A combat animation plays like any command unless the test holds it.
    static ContainerBase* CombatCommand(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = As<ShellDisplay>(c);
        const auto* command = PayloadValue<LogicalCommandInfo>(p);
        if (!self || !command) return nullptr;
        if (!self->holdCombat) return Command(c, e, p);
        self->log.commands.push_back(*command);
        self->heldCombat.push_back(*command);
        return nullptr;
    }
    void Answer(const LogicalCommandInfo& command) {
        if (command.reply.Number() == 0) return;
        ContainerBase* reply = command.replyData ? command.replyData->Clone() : new Container<short>(0);
        Post(command.reply, reply);
        delete reply;
    }

    // The view fits a set of combats when the columns and rows their corners span fit in it.
    static ContainerBase* WillCombatFit(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellDisplay>(c);
        const auto* corners = PayloadValue<WillCombatFitStruct>(p);
        if (!self || !corners) return nullptr;
        self->log.fitQueries.push_back(*corners);
        int least[2] = {9999, 9999}, most[2] = {-1, -1};
        for (std::uint16_t region : corners->bounds) {
            const int at[2] = {region / 100, region % 100};
            for (int k = 0; k < 2; ++k) {
                if (at[k] < least[k]) least[k] = at[k];
                if (at[k] > most[k]) most[k] = at[k];
            }
        }
        const bool fits = most[0] - least[0] < self->viewColumns && most[1] - least[1] < self->viewRows;
        return new Container<short>(static_cast<short>(fits ? 1 : 0));
    }
    static ContainerBase* CombatCenter(Component* c, BusMessage, ContainerBase* p) {
        auto* self = As<ShellDisplay>(c);
        const auto* region = PayloadValue<short>(p);
        if (!self || !region) return nullptr;
        self->log.combatCentres.push_back(*region);
        return new Container<short>(1);
    }
};

GameShell::GameShell() : GameShell(ApplicationMaker()) {}

GameShell::GameShell(const ApplicationMaker& makeApplication) {
    platform::UseVirtualClock(1000);
    platform::ResetMessageQueues();
    platform::ClearMessageBoxAnswers();
    platform::ClearShownMessageBoxes();

    char pattern[] = "/tmp/varnhold-shell-XXXXXX";
    const char* made = mkdtemp(pattern);
    directory = made ? made : "/tmp";
    if (makeApplication) {
        app = makeApplication(directory);
    } else {
        auto plain = std::make_unique<BasicApp>();
        basic = plain.get();
        basic->SetDataDirectory(directory);
        app = std::move(plain);
    }

    const UnitTypeEntry* table = UnitTypeTable();
    for (int i = 0; i < UnitTypeCount(); ++i) artNames.push_back(table[i].name);
    services = std::make_unique<ShellServices>(artNames);
    SetAppServices(services.get());
    unitDialogs = std::make_unique<ShellUnitDialogs>();
    SetUnitDialogs(unitDialogs.get());

    layer = std::make_unique<VhLogicalLayer>();
    layer->AttachToBus(app.get());
    for (int i = 0; i < UnitTypeCount(); ++i) {
        const int number = types.RegisterUnitType(table[i].name, table[i].kind);
        layer->RegisterObject(static_cast<std::int16_t>(number), table[i].makeRules(table[i].name).release());
    }
    application = std::make_unique<ShellApplication>(types, *services);
    application->AttachToBus(app.get());
    display = std::make_unique<ShellDisplay>();
    display->AttachToBus(app.get());
}

GameShell::~GameShell() {
    display.reset();
    application.reset();
    layer.reset();
    SetAppServices(nullptr);
    services.reset();
    SetUnitDialogs(nullptr);
    unitDialogs.reset();
    app.reset();
    platform::ResetMessageQueues();
    platform::ClearMessageBoxAnswers();
    std::error_code ec;
    if (directory.rfind("/tmp/varnhold-shell-", 0) == 0) std::filesystem::remove_all(directory, ec);
}

DisplayLog& GameShell::Display() { return display->log; }
AppLog& GameShell::Application() { return application->log; }
GameAppServices& GameShell::Services() { return *services; }
void GameShell::SetSaveName(const std::string& name) { services->saveName = name; }
void GameShell::SetGameOptions(const GameAppServices::GameOptions& options) {
    services->optionsGiven = true;
    services->options = options;
}
void GameShell::SetGameMode(int mode) { services->gameMode = mode; }
int GameShell::OfferedTurnLimits() const { return services->offeredTurnLimits; }
void GameShell::ScriptGroupConfirm(int answer) { unitDialogs->answers.push_back(answer); }
const std::vector<std::string>& GameShell::GroupConfirmTitles() const { return unitDialogs->titles; }

bool GameShell::WriteMap(const std::string& name, const datagen::LandscapeDraft& draft) {
    return datagen::WriteLandscapeFile(directory + "/" + name, draft);
}

bool GameShell::WriteScenario(const std::string& name, const datagen::ScenarioDraft& draft) {
    return datagen::WriteScenarioFile(directory + "/" + name, draft);
}

bool GameShell::WriteFile(const std::string& name, const std::vector<std::uint8_t>& bytes) {
    std::FILE* f = std::fopen((directory + "/" + name).c_str(), "wb");
    if (!f) return false;
    const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

void GameShell::LoadScenario(const std::string& file, std::int32_t scenarioIndex, std::uint16_t seed,
                             std::uint16_t newController, std::uint16_t campaign) {
    ScenarioInfoStruct request(std::string(), static_cast<SCENARIO>(scenarioIndex), "Title", file,
                               static_cast<std::int16_t>(campaign), static_cast<std::int16_t>(newController), seed);
    Container<ScenarioInfoStruct> payload(request);
    app->Post(app.get(), RegisterMessage("LoadScenario"), &payload);
    app->DrainTasks();
}

void GameShell::Run(int milliseconds) {
    for (int t = 0; t <= milliseconds; t += 50) {
        app->DrainTasks();
        platform::AdvanceClock(50);
        app->PumpMessage();
        app->DrainTasks();
    }
}

void GameShell::SetCombatView(int columns, int rows) {
    display->viewColumns = columns;
    display->viewRows = rows;
}

void GameShell::HoldCombatAnimations(bool hold) { display->holdCombat = hold; }

int GameShell::ReleaseCombatAnimations() { return display->ReleaseCombat(); }

void GameShell::GrantTurns(int turns) { services->turnsGranted = turns; }

int GameShell::HeldEndOfTurnScreens() const { return services->heldEndOfTurn; }

bool GameShell::ReleaseEndOfTurn() {
    if (services->heldEndOfTurn == 0) return false;
    --services->heldEndOfTurn;
    Container<std::string> text(std::string("viewing end of turn results"));
    layer->PostNamed("SynchronizeGame", &text);
    return true;
}

const std::vector<EndOfGameResults>& GameShell::EndOfTurnScreens() const { return services->endOfTurn; }

bool GameShell::BeginSavedGame(const std::string& name, const std::vector<std::uint8_t>& applicationBlocks) {
    static const std::uint8_t header[16] = {'V', 'H', 'S', 'G', 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    std::vector<std::uint8_t> bytes(16 + applicationBlocks.size());
    std::copy(header, header + 16, bytes.begin());
    std::copy(applicationBlocks.begin(), applicationBlocks.end(), bytes.begin() + 16);
    return WriteFile(name, bytes);
}

void GameShell::SaveGame(const std::string& name) {
    Container<std::string> file(PathOf(name));
    app->Post(app.get(), RegisterMessage("SaveGame"), &file);
    app->DrainTasks();
}

void GameShell::LoadGame(const std::string& name) {
    Container<std::string> file(PathOf(name));
    app->Post(app.get(), RegisterMessage("LoadGame"), &file);
    app->DrainTasks();
}

std::vector<std::uint8_t> GameShell::ReadFile(const std::string& name) const {
    std::vector<std::uint8_t> bytes;
    std::FILE* f = std::fopen(PathOf(name).c_str(), "rb");
    if (!f) return bytes;
    std::uint8_t buffer[4096];
    for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, f)) > 0;) bytes.insert(bytes.end(), buffer, buffer + got);
    std::fclose(f);
    return bytes;
}

void GameShell::CloseGame() { delete layer->SendNamedEvent("CloseGame"); }

} // namespace shell
