// The turn sequence: commanders drawn each turn, leaders activated one at a time in a weighted
// random order bounded by run limits, commands handed down to sub-leaders, every step waiting at
// the "GameSynchronized" barrier, the rout phase and the end of the turn.
#include "game/logic/referee/game_control.h"

#include "core/application.h"
#include "game/logic/game_random.h"
#include "game/logic/referee/app_services.h"
#include "game/units/leader.h"

#include <cstdio>

namespace {

constexpr const char* Source = "GAMECTRL";

std::string Text(Application* app, std::uint32_t id, const char* fallback) {
    std::string t = app ? app->LoadResourceString(id) : std::string();
    return t.empty() ? fallback : t;
}

void Status(Application* app, std::uint32_t id, const char* fallback) {
    if (app) app->SetStatusText(Text(app, id, fallback).c_str(), 1);
}

} // namespace

void GameControl::StopWaiting(BusHandler continuation) {
    UnregisterNamedHandler("GameSynchronized", continuation);
    if (waiting == continuation) waiting = nullptr;
}

void GameControl::StartPlay(std::int16_t resumed) {
    if (!deploymentPhase) {
        if (playerCount == 1) delete PostNamedEventAndWait("UnblockSaveMenu");
        if (resumed == 0) {
            Status(GetApplication(), 88, "Now starting battle...");
            BeginTurn();
        } else {
            Status(GetApplication(), 89, "Now resuming battle...");
            WaitForSynchronized(AfterActivation);
            Container<ActivateNextLeaderStruct> record(activation);
            PostNamed("ResumeActiveLeader", &record);
        }
        return;
    }
    Container<std::string> text(Text(GetApplication(), 132, "\\BUnit deployment is now being modified...\\b"));
    PostNamed("AddCommentary", &text);
    WaitForSynchronized(AfterDeploymentScreen);
    PostNamedEvent("BeginDeploymentPhase");
}

ContainerBase* GameControl::AfterDeploymentScreen(Component* c, BusMessage, ContainerBase*) {
    GameControl* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    self->StopWaiting(AfterDeploymentScreen);
    self->WaitForSynchronized(AfterDeploymentShown);
    self->PostNamedEvent("ShowDeployments");
    return nullptr;
}

ContainerBase* GameControl::AfterDeploymentShown(Component* c, BusMessage, ContainerBase*) {
    GameControl* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    self->StopWaiting(AfterDeploymentShown);
    if (self->playerCount == 1) delete self->PostNamedEventAndWait("UnblockSaveMenu");
    self->BeginTurn();
    return nullptr;
}

void GameControl::BeginTurn() {
    UpdateMainCaption();
    const DateTime d = GetTurnDate(turn);
    const bool firstHour = d.hour == FirstHourOfDay(d.month);
    if (firstHour && turn != 0) {
        Container<std::string> text("\\B" + Text(GetApplication(), 265, "Night Fall...") + "\\b");
        delete SendNamed("AddCommentary", &text);
    }
    if (firstHour || turn == 0) {
        Container<std::string> text("\\B" + FormatDate(d, "mmmm d, yy") + "\\b");
        delete SendNamed("AddCommentary", &text);
    }
    Container<std::string> hours("\\B--- " + FormatTime(d, "hhmm") + " " + Text(GetApplication(), 266, "Hours") + " ---\\b");
    delete SendNamed("AddCommentary", &hours);

    std::vector<int> candidates[2];
    for (int i = 0; i < leaderCount; ++i) {
        leaderDone[i] = 0;
        Leader* l = leaders[i].leader;
        if (l && !l->GetSuperior()) candidates[l->GetSide() == 1 ? 1 : 0].push_back(i);
    }
    turnWord = 0;
    // Without a commander on either side nobody can ever be activated: the turns would run on by
    // themselves for ever, so the battle waits instead (a loaded scenario always has both).
    if (candidates[0].empty() && candidates[1].empty()) return;
    // A side without a candidate commander gets no activations this turn: there is nobody to draw.
    const auto draw = [&](int side, std::string& name, std::int16_t& left) {
        name.clear();
        left = 0;
        if (candidates[side].empty()) return;
        const int k = GameRandom() % static_cast<int>(candidates[side].size());
        const LeaderUnitInfo& entry = leaders[candidates[side][static_cast<std::size_t>(k)]];
        name = entry.name;
        left = static_cast<std::int16_t>(entry.leader->GetCommands());
    };
    draw(1, commanderName1, commandsLeft1);
    draw(0, commanderName0, commandsLeft0);
    if (scenario == 6 && turn == 0) commandsLeft0 = 0;
    lastSide = -1;
    runLength = 0;
    Container<short> number(turn);
    delete PostNamedAndWait("BeginTurn", &number);
    // With no activation at all this turn the turn goes straight to its rout phase, rather than
    // activating whoever the last turn left in currentLeader.
    if (!ChooseNextLeader()) {
        GoToRoutPhase();
        return;
    }
    ActivateCurrent();
}

void GameControl::GoToRoutPhase() {
    phaseWord = 0xFFFF;
    Container<short> number(turn);
    PostNamed("RoutPhase", &number);
}

void GameControl::ActivateCurrent() {
    for (int i = 0; i < leaderCount; ++i) leaderDone[i] = 0;
    if (currentLeader < 0 || currentLeader >= leaderCount) {
        GoToRoutPhase();
        return;
    }
    LeaderUnitInfo& entry = leaders[currentLeader];
    if (entry.name == FreeUnitsName) {
        WaitForSynchronized(AfterActivation);
        PostNamedEvent("ActivateFreeUnits");
        return;
    }
    while (playerCount >= 2 && leaders[currentLeader].player.empty() && !ReassignLeader(currentLeader)) {
        if (!ChooseNextLeader()) {
            GoToRoutPhase();
            return;
        }
    }
    LeaderUnitInfo& active = leaders[currentLeader];
    Leader* leader = active.leader;
    if (!leader) {
        GoToRoutPhase();
        return;
    }
    short top = -1;
    const bool stacked = dispatchStack.PeekTail(top) && top >= 0 && top < leaderCount && leaders[top].leader;
    char text[640]; // room for two full 255-character names and the words between them
    bool announce = true;
    if (!stacked || leader->GetCommandLevel() == 1) {
        const bool confederate = active.side == 1;
        std::snprintf(text, sizeof text, "\\B\\N%c%s\\n\\b%s", static_cast<char>('0' + active.side),
                      confederate ? "Confederates" : "Union", confederate ? " are now active." : " is now active.");
    } else {
        const LeaderUnitInfo& d = leaders[top];
        char first[256], second[256];
        std::snprintf(first, sizeof first, "\\B\\N%c%s\\n\\b", static_cast<char>('0' + d.side), CommentaryLeaderName(top).c_str());
        std::snprintf(second, sizeof second, "\\B\\N%c%s\\n\\b", static_cast<char>('0' + active.side),
                      CommentaryLeaderName(currentLeader).c_str());
        std::snprintf(text, sizeof text, "%s is dispatching commands to %s", first, second);
        announce = d.leader->GetCommandLevel() != 1;
    }
    if (announce) {
        Container<std::string> line{std::string(text)};
        delete PostNamedAndWait("AddCommentary", &line);
    }
    delete PostNamedEventAndWait("BeginLeaderOrdersPhase");
    active.momentum = 0;
    WaitForSynchronized(AfterActivation);
    activation.leader = static_cast<std::int16_t>(leader->GetUnitNum());
    Container<ActivateNextLeaderStruct> record(activation);
    PostNamed("ActivateLeader", &record);
}

ContainerBase* GameControl::AfterActivation(Component* c, BusMessage, ContainerBase*) {
    GameControl* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    self->StopWaiting(AfterActivation);
    if (self->gameOver) return nullptr;
    if (self->ChooseNextLeader()) self->ActivateCurrent();
    else self->GoToRoutPhase();
    return nullptr;
}

List<unsigned short> GameControl::DispatchCandidates(int entry) const {
    List<unsigned short> out;
    const Leader* boss = entry >= 0 && entry < leaderCount ? leaders[entry].leader : nullptr;
    if (!boss) return out;
    for (int i = 0; i < leaderCount; ++i) {
        const Leader* l = leaders[i].leader;
        if (l && l->GetSuperior() && l->GetSuperior()->GetUnitNum() == boss->GetUnitNum() && leaderDone[i] == 0)
            out.AddTail(l->GetUnitNum());
    }
    return out;
}

std::int16_t GameControl::AskOrdersLeft(Leader* leader) {
    if (!leader) return -1;
    Container<short> number(static_cast<short>(leader->GetUnitNum()));
    ContainerBase* answer = SendNamed("GetLeaderOrdersLeft", &number);
    short left = -1;
    ExtractData(answer, left);
    delete answer;
    return left;
}

bool GameControl::ChooseNextLeader() {
    activation.fresh = 1;
    activation.furtherA = activation.furtherB = 1;
    activation.subLeaders.Clear();
    int commander[2] = {-1, -1};
    for (int i = 0; i < leaderCount; ++i) {
        Leader* own = leaders[i].leader;
        if (!own) continue;
        if (Leader* p = own->GetSubLeader()) {
            own->SetSubLeader(nullptr);
            int j = -1;
            for (int k = 0; k < leaderCount && j < 0; ++k)
                if (leaders[k].leader == p) j = k;
            if (p->GetSuperior() && j >= 0) {
                currentLeader = static_cast<std::int16_t>(j);
                dispatchStack.AddTail(static_cast<short>(i));
                activation.dispatcher = static_cast<std::uint16_t>(i);
                int k = -1;
                for (int m = 0; m < leaderCount && k < 0; ++m)
                    if (leaders[m].leader == p->GetSuperior() && !p->GetSuperior()->IsAwaitingArrival()) k = m;
                if (p->GetSuperior()->GetUnitNum() == own->GetUnitNum() || k < 0) {
                    activation.subLeaders = DispatchCandidates(j);
                    p->SetDispatchList(activation.subLeaders);
                } else {
                    List<unsigned short> only;
                    only.AddTail(p->GetUnitNum());
                    leaders[k].leader->SetDispatchList(only);
                    activation.subLeaders = only;
                    currentLeader = static_cast<std::int16_t>(k);
                    // A computer-played superior who is still dispatching further up this chain
                    // keeps the commands he already used: afresh, his script could pass the
                    // activation round for ever. One who is not starts afresh like any leader,
                    // or a commander only ever reached this way would never regain his commands.
                    if (leaders[k].leader->IsAIControlled() && dispatchStack.Contains(static_cast<short>(k)))
                        activation.fresh = 0;
                }
                return true;
            }
        }
        if (leaders[i].name == commanderName1 && commander[1] < 0) commander[1] = i;
        else if (leaders[i].name == commanderName0 && commander[0] < 0) commander[0] = i;
    }
    if (!dispatchStack.IsEmpty()) {
        Leader* current = currentLeader >= 0 && currentLeader < leaderCount ? leaders[currentLeader].leader : nullptr;
        if (current && AskOrdersLeft(current) != static_cast<std::int16_t>(current->GetCommands())) dispatchStack.Clear();
        short top = -1;
        while (dispatchStack.RemoveTail(top)) {
            Leader* q = currentLeader >= 0 && currentLeader < leaderCount ? leaders[currentLeader].leader : nullptr;
            currentLeader = top;
            Leader* now = top >= 0 && top < leaderCount ? leaders[top].leader : nullptr;
            if (!now) continue;
            activation.subLeaders = now->GetDispatchList();
            if (q && AskOrdersLeft(q) != static_cast<std::int16_t>(q->GetCommands())) {
                if (now->GetCommandLevel() == 1) break;
                Container<short> number(static_cast<short>(now->GetUnitNum()));
                delete SendNamed("LeaderGaveOrder", &number);
                activation.subLeaders.Remove(q->GetUnitNum());
                now->SetDispatchList(activation.subLeaders);
            }
            if (AskOrdersLeft(now) > 0) {
                activation.fresh = 0;
                return true;
            }
        }
    }
    if (commandsLeft1 <= 0 && commandsLeft0 <= 0) return false;
    if (commander[0] < 0) commandsLeft0 = 0;
    if (commander[1] < 0) commandsLeft1 = 0;
    if (commandsLeft1 <= 0 && commandsLeft0 <= 0) return false;
    SeedGameRandomFromClock();
    int side;
    if ((lastSide == 0 && runLength >= 2 && commandsLeft1 > 0) || commandsLeft0 <= 0) side = 1;
    else if ((lastSide == 1 && runLength >= 3) || commandsLeft1 <= 0) side = 0;
    else {
        const int r = GameRandom() % (commandsLeft1 + commandsLeft0);
        side = r + 1 <= commandsLeft1 ? 1 : 0;
    }
    std::int16_t& left = side ? commandsLeft1 : commandsLeft0;
    if (left > 0) --left;
    if (lastSide == side) ++runLength;
    else lastSide = side, runLength = 1;
    currentLeader = static_cast<std::int16_t>(commander[side]);
    leaderDone[currentLeader] = 1;
    activation.subLeaders = DispatchCandidates(currentLeader);
    return true;
}

bool GameControl::ReassignLeader(int entry) {
    Leader* l = leaders[entry].leader;
    Container<std::string> note((l ? l->GetName() : leaders[entry].name) + " is being reassigned...");
    PostNamed("AddCommentary", &note);
    std::vector<std::string> lines;
    for (Item<std::string>* i = players.Head(); i; i = i->next) lines.push_back(i->value);
    const int choice = AppServices().RunEnumDialog("Choose New Owner for " + leaders[entry].name, lines);
    if (choice < 0 || static_cast<std::size_t>(choice) >= lines.size()) return false;
    leaders[entry].player = lines[static_cast<std::size_t>(choice)];
    LeaderInfo info;
    info.first = leaders[entry].player;
    info.second = leaders[entry].name;
    Container<LeaderInfo> payload(info);
    delete PostNamedAndWait("ReinitializeLeader", &payload);
    Container<std::string> given("\\B" + leaders[entry].player + " has been given control of " +
                                 (l ? l->GetName() : leaders[entry].name) + ".\\b");
    PostNamed("AddCommentary", &given);
    return true;
}

void GameControl::OnEndOfTurnRoutingDone() {
    ++turn;
    bool homeWins = false;
    if (CheckGameOver(false, homeWins)) {
        PostEvent(END_GAME);
        return;
    }
    --turn;
    RefreshObjectiveHolders();
    finalResults = Results(NoNation);
    WaitForSynchronized(AfterEndOfTurn);
    Container<EndOfGameResults> record(finalResults);
    PostNamed("EndOfTurn", &record);
}

ContainerBase* GameControl::AfterEndOfTurn(Component* c, BusMessage, ContainerBase*) {
    GameControl* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    self->StopWaiting(AfterEndOfTurn);
    if (self->gameOver) return nullptr;
    ++self->turn;
    self->BeginTurn();
    return nullptr;
}
