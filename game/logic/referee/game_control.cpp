#include "game/logic/referee/game_control.h"

#include "core/application.h"
#include "game/logic/text_of.h"
#include "game/logic/referee/app_services.h"
#include "game/logic/referee/builtin_objectives.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/leader.h"

#include <cctype>
#include <cstdio>

namespace {

constexpr const char* Source = "GAMECTRL";

constexpr int Days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
constexpr int FirstHours[12] = {5, 5, 5, 5, 5, 4, 4, 5, 5, 5, 5, 5};

GameControl* Self(Component* c, int line) {
    GameControl* self = nullptr;
    BusReceiver(c, self, Source, line);
    return self;
}

template <class T> bool Args(Component* c, ContainerBase* p, GameControl*& self, T*& value, int line) {
    return BusArgs(c, p, self, value, Source, line);
}

bool TextArgs(Component* c, ContainerBase* p, GameControl*& self, std::string& text, int line) {
    self = dynamic_cast<GameControl*>(c);
    if (self && TextOf(p, text)) return true;
    Assert(0, kBadBusData, Source, line);
    return false;
}

ContainerBase* CreateLeaderEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    LeaderUnitInfo* info;
    if (!Args(c, p, self, info, __LINE__)) return nullptr;
    self->AddLeader(*info);
    return nullptr;
}

ContainerBase* BeginGameEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    short* resumed;
    if (!Args(c, p, self, resumed, __LINE__)) return nullptr;
    self->OnBeginGame(*resumed);
    return nullptr;
}

ContainerBase* UnitMovementDoneEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    UnitLocationStruct* where;
    Args(c, p, self, where, __LINE__);
    return nullptr;
}

ContainerBase* UnitEliminatedEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    EliminateUnitData* record;
    if (!Args(c, p, self, record, __LINE__)) return nullptr;
    self->OnUnitEliminated(*record);
    return nullptr;
}

ContainerBase* UnitRoutedEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    UnitRoutData* record;
    if (!Args(c, p, self, record, __LINE__)) return nullptr;
    self->OnUnitRouted(*record);
    return nullptr;
}

ContainerBase* UnitRalliedEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    UnitRoutData* record;
    if (!Args(c, p, self, record, __LINE__)) return nullptr;
    self->OnUnitRallied(*record);
    return nullptr;
}

ContainerBase* EndGameEntry(Component* c, BusMessage, ContainerBase*) {
    if (GameControl* self = Self(c, __LINE__)) self->OnEndGame();
    return nullptr;
}

ContainerBase* EndOfTurnRoutingDoneEntry(Component* c, BusMessage, ContainerBase*) {
    if (GameControl* self = Self(c, __LINE__)) self->OnEndOfTurnRoutingDone();
    return nullptr;
}

ContainerBase* AutomaticWinEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    short* homeWins;
    if (!Args(c, p, self, homeWins, __LINE__)) return nullptr;
    self->OnAutomaticWin(*homeWins);
    return nullptr;
}

ContainerBase* SynchronizeGameEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    std::string what;
    if (!TextArgs(c, p, self, what, __LINE__)) return nullptr;
    self->OnSynchronizeGame(what);
    return nullptr;
}

ContainerBase* GetGameResultsEntry(Component* c, BusMessage, ContainerBase*) {
    GameControl* self = Self(c, __LINE__);
    if (!self) return nullptr;
    self->RefreshObjectiveHolders();
    return new Container<EndOfGameResults>(self->Results(NoNation));
}

ContainerBase* GetTurnNumEntry(Component* c, BusMessage, ContainerBase*) {
    GameControl* self = Self(c, __LINE__);
    return self ? new Container<short>(static_cast<short>(self->GetTurn() + 1)) : nullptr;
}

ContainerBase* GetObjectiveHolderEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    short* k;
    if (!Args(c, p, self, k, __LINE__)) return nullptr;
    // A number that names no objective (it may come from the network peer) gets no answer.
    if (*k < 0 || *k >= self->GetObjectiveCount()) return nullptr;
    return new Container<long>(self->UpdateObjectiveHolder(*k));
}

ContainerBase* SetLeaderOrderEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    short* order;
    if (!Args(c, p, self, order, __LINE__)) return nullptr;
    self->SetLeaderOrder(static_cast<std::uint16_t>(*order));
    return nullptr;
}

ContainerBase* CanAttemptMomentumEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    short* value;
    if (!Args(c, p, self, value, __LINE__)) return nullptr;
    self->OnCanAttemptMomentum(*value);
    return nullptr;
}

ContainerBase* SetPlayerInfoEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    PlyrInfo* info;
    if (!Args(c, p, self, info, __LINE__)) return nullptr;
    self->OnSetPlayerInfo(*info);
    return nullptr;
}

ContainerBase* PlayerDeletedEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    std::string player;
    if (!TextArgs(c, p, self, player, __LINE__)) return nullptr;
    self->OnPlayerDeleted(player);
    return nullptr;
}

ContainerBase* UpdateMainCaptionEntry(Component* c, BusMessage, ContainerBase*) {
    if (GameControl* self = Self(c, __LINE__)) self->UpdateMainCaption();
    return nullptr;
}

ContainerBase* DoSelectSubLeaderEntry(Component* c, BusMessage, ContainerBase* p) {
    GameControl* self;
    unsigned short* number;
    if (!Args(c, p, self, number, __LINE__)) return nullptr;
    self->OnSelectSubLeader(*number);
    return nullptr;
}

} // namespace

int GameControl::DaysInMonth(int month) { return month >= 0 && month < 12 ? Days[month] : 31; }
int GameControl::FirstHourOfDay(int month) { return month >= 0 && month < 12 ? FirstHours[month] : 5; }
int GameControl::LastHourOfDay(int) { return 20; }

GameControl::GameControl(const char* componentName) : Component(componentName) {
    AddLeader(LeaderUnitInfo(FreeUnitsName, 3, -1, nullptr));
}

GameControl::~GameControl() = default;

void GameControl::Connect() {
    RegisterNamedHandler("CreateLeader", CreateLeaderEntry);
    RegisterHandler(BEGIN_GAME, BeginGameEntry);
    RegisterNamedHandler("UnitMovementDone", UnitMovementDoneEntry);
    RegisterNamedHandler("UnitEliminated", UnitEliminatedEntry);
    RegisterNamedHandler("UnitRouted", UnitRoutedEntry);
    RegisterNamedHandler("UnitRallied", UnitRalliedEntry);
    RegisterHandler(END_GAME, EndGameEntry);
    RegisterNamedHandler("EndOfTurnRoutingDone", EndOfTurnRoutingDoneEntry);
    RegisterNamedHandler("AutomaticWin", AutomaticWinEntry);
    RegisterNamedHandler("SynchronizeGame", SynchronizeGameEntry);
    RegisterNamedHandler("GetGameResults", GetGameResultsEntry);
    RegisterNamedHandler("GetTurnNum", GetTurnNumEntry);
    RegisterNamedHandler("GetObjectiveHolder", GetObjectiveHolderEntry);
    RegisterNamedHandler("SetLeaderOrder", SetLeaderOrderEntry);
    RegisterNamedHandler("CanAttemptMomentum", CanAttemptMomentumEntry);
    RegisterNamedHandler("SetPlayerInfo", SetPlayerInfoEntry);
    RegisterNamedHandler("PlayerDeleted", PlayerDeletedEntry);
    RegisterNamedHandler("UpdateMainCaption", UpdateMainCaptionEntry);
    RegisterNamedHandler("DoSelectSubLeader", DoSelectSubLeaderEntry);
}

void GameControl::SetStartDate(int month, int day, int yearsAfter1800, int hour) {
    startDate.Set(1800 + yearsAfter1800, month - 1, day, hour, 0);
}

void GameControl::SetScenario(std::int32_t index) {
    scenario = index;
    holdersFixed = false;
    objectiveCount = static_cast<std::int16_t>(BuiltInObjectiveCount(index));
    for (int i = 0; i < objectiveCount; ++i) objectives[i] = BuiltInObjective(index, i);
}

void GameControl::AddLeader(const LeaderUnitInfo& info) {
    leaders[leaderCount] = info;
    leaderDone[leaderCount] = info.leader && info.leader->IsFinished() ? 1 : 0;
    ++leaderCount;
}

std::string GameControl::CommentaryLeaderName(int index) const {
    if (index < 0 || index >= leaderCount) return std::string();
    const LeaderUnitInfo& info = leaders[index];
    return info.player.empty() ? info.name : info.name + " (" + info.player + ")";
}

DateTime GameControl::GetTurnDate(int turnNumber) const {
    DateTime d = startDate;
    for (int t = 0; t < turnNumber; ++t) {
        ++d.hour;
        if (d.hour > LastHourOfDay(d.month)) {
            ++d.day;
            if (d.day > DaysInMonth(d.month)) {
                d.day = 1;
                if (++d.month > 11) {
                    d.month = 0;
                    ++d.year;
                }
            }
            d.hour = static_cast<std::int16_t>(FirstHourOfDay(d.month));
        }
    }
    return d;
}

std::string GameControl::MainCaption() const {
    std::string text = baseCaption + " - Turn " + std::to_string(turn + 1);
    const std::string saveName = AppServices().GetSaveName();
    if (!saveName.empty()) text += " (" + saveName + ")";
    return text;
}

void GameControl::UpdateMainCaption() {
    Container<std::string> caption(MainCaption());
    delete PostNamedAndWait("ChangeMainCaption", &caption);
}

void GameControl::OnBeginGame(std::int16_t resumed) {
    gameBegun = 1;
    baseCaption = AppServices().GetMainTitle();
    UpdateMainCaption();
    StartPlay(resumed);
}

void GameControl::WaitForSynchronized(BusHandler continuation) {
    if (waiting) UnregisterNamedHandler("GameSynchronized", waiting);
    waiting = continuation;
    RegisterNamedHandler("GameSynchronized", continuation);
}

ContainerBase* GameControl::EndOfGameAcknowledged(Component* c, BusMessage, ContainerBase*) {
    GameControl* self = Self(c, __LINE__);
    if (!self) return nullptr;
    self->UnregisterNamedHandler("GameSynchronized", EndOfGameAcknowledged);
    self->waiting = nullptr;
    self->PostNamedEvent("GameEnded");
    return nullptr;
}

void GameControl::OnEndGame() {
    if (Application* app = GetApplication()) app->EndWait();
    const bool withObjectives = turnLimitOn && turn > lastTurn;
    // The score is taken from the field as it stands now, not from whoever last asked.
    RefreshObjectiveHolders();
    bool homeWins = false;
    const bool over = CheckGameOver(withObjectives, homeWins);
    const NATION winner = !over ? NoNation : static_cast<NATION>(homeWins ? homeNation : visitingNation);
    gameOver = 1;
    finalResults = Results(winner);
    WaitForSynchronized(EndOfGameAcknowledged);
    Container<EndOfGameResults> record(finalResults);
    PostNamed("EndOfGame", &record);
}

void GameControl::OnAutomaticWin(std::int16_t homeWins) {
    const std::int32_t winner = homeWins ? homeNation : visitingNation;
    for (int i = 0; i < objectiveCount; ++i) objectives[i].holder = winner;
    holdersFixed = true;
    if (homeWins) {
        lostPoints[1] = victoryTarget[0];
        lostPoints[0] = static_cast<std::int16_t>(victoryTarget[1] - 1);
    } else {
        lostPoints[0] = victoryTarget[1];
        lostPoints[1] = static_cast<std::int16_t>(victoryTarget[0] - 1);
    }
    PostEvent(END_GAME);
}

void GameControl::OnSynchronizeGame(const std::string& what) {
    if (syncRemaining == -1) syncRemaining = playerCount;
    --syncRemaining;
    if (syncRemaining <= 0) {
        syncRemaining = -1;
        PostNamedEvent("GameSynchronized");
        return;
    }
    if (what.empty()) return;
    char text[512];
    std::snprintf(text, sizeof text, "\\B%i player%s\\b %s still %s...", syncRemaining, syncRemaining < 2 ? "" : "s",
                  syncRemaining < 2 ? "is" : "are", what.c_str());
    Container<std::string> line{std::string(text)};
    PostNamed("AddCommentary", &line);
}

void GameControl::OnSetPlayerInfo(const PlyrInfo& info) {
    players.AddTail(info.name);
    playerCount = static_cast<std::int16_t>(players.Count());
    const std::string& list = info.label;
    std::size_t pos = list.find('(');
    if (pos == std::string::npos) return;
    while (pos < list.size() && list[pos] != ')') {
        std::size_t start = pos;
        while (start < list.size() && !std::isalpha(static_cast<unsigned char>(list[start]))) ++start;
        if (start >= list.size()) break;
        std::size_t end = list.find(',', start);
        if (end == std::string::npos) end = list.rfind(')');
        if (end == std::string::npos || end <= start) break;
        const std::string name = list.substr(start, end - start);
        for (int i = 0; i < leaderCount; ++i)
            if (leaders[i].name == name) {
                leaders[i].player = info.name;
                break;
            }
        pos = end;
    }
}

void GameControl::OnPlayerDeleted(const std::string& player) {
    players.Remove(player);
    playerCount = static_cast<std::int16_t>(players.Count());
    // A player who leaves while the barrier counts owes no report; when the others have all
    // reported already, the barrier opens now rather than never.
    bool opened = false;
    if (syncRemaining > 0 && --syncRemaining == 0) {
        syncRemaining = -1;
        opened = true;
        PostNamedEvent("GameSynchronized");
    }
    bool currentWasTheirs = false;
    for (int i = 0; i < leaderCount; ++i)
        if (leaders[i].player == player) {
            leaders[i].player.clear();
            if (i == currentLeader) currentWasTheirs = true;
        }
    Container<std::string> line("\\B" + player + " has left the game.\\b");
    PostNamed("AddCommentary", &line);
    if (currentWasTheirs) {
        PostNamedEvent("RemoveAllBattleArrows");
        if (!opened) PostNamedEvent("GameSynchronized");
    }
}

void GameControl::OnSelectSubLeader(std::uint16_t unitNumber) {
    for (int i = 0; i < leaderCount; ++i) {
        Leader* l = leaders[i].leader;
        if (!l || l->GetUnitNum() != unitNumber) continue;
        Leader* current = currentLeader >= 0 && currentLeader < leaderCount ? leaders[currentLeader].leader : nullptr;
        if (!current) return;
        current->SetSubLeader(l);
        // The computer player counts a hand-over as one of its leader's commands; the leader
        // counts it too, or a script that passes the activation round leaders who order nothing
        // would never let the turn end.
        if (current->IsAIControlled()) {
            Container<short> number(static_cast<short>(current->GetUnitNum()));
            delete SendNamed("LeaderGaveOrder", &number);
        }
        return;
    }
}

void GameControl::OnCanAttemptMomentum(std::int16_t value) {
    if (currentLeader >= 0 && currentLeader < leaderCount) leaders[currentLeader].momentum = static_cast<std::uint16_t>(value);
}
