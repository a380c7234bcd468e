// The paths of an activation besides the fresh one: a battle resumed in the middle of a leader's
// activation, and the command range kept up as the active leader moves.
#include "game/logic/game_random.h"
#include "game/logic/referee/app_services.h"
#include "game/units/leader.h"
#include "tests/referee/scenario_fixture.h"

#include <algorithm>
#include <iterator>
#include <map>

namespace {

using referee_testing::ScenarioTest;

// Counts the named messages of an activation and keeps the last payload of each.
class Listener : public Component {
public:
    Listener() : Component("Activation Listener") {}
    void Connect() override {
        RegisterNamedHandler("ActivateLeader", Activate);
        RegisterNamedHandler("ResumeActiveLeader", Resume);
        RegisterNamedHandler("LeaderActivated", Activated);
        RegisterNamedHandler("LeaderResumed", Resumed);
        RegisterNamedHandler("AutoSaveGame", AutoSave);
        RegisterHandler(HALF_HIGHLIGHT_REGION, Highlight);
        RegisterHandler(HALF_DEHIGHLIGHT_REGION, Dehighlight);
    }
    std::vector<std::vector<short>> highlighted, dehighlighted;
    std::map<std::string, int> counts;
    std::vector<int> activated, resumed;
    std::vector<std::string> names;

private:
    static Listener* Self(Component* c) { return dynamic_cast<Listener*>(c); }
    static ContainerBase* Activate(Component* c, BusMessage, ContainerBase* p) {
        if (Listener* s = Self(c)) {
            ++s->counts["ActivateLeader"];
            if (const auto* r = PayloadValue<ActivateNextLeaderStruct>(p)) s->activated.push_back(r->leader);
        }
        return nullptr;
    }
    static ContainerBase* Resume(Component* c, BusMessage, ContainerBase* p) {
        if (Listener* s = Self(c)) {
            ++s->counts["ResumeActiveLeader"];
            if (const auto* r = PayloadValue<ActivateNextLeaderStruct>(p)) s->resumed.push_back(r->leader);
        }
        return nullptr;
    }
    static ContainerBase* Activated(Component* c, BusMessage, ContainerBase* p) {
        if (Listener* s = Self(c)) {
            ++s->counts["LeaderActivated"];
            if (const auto* n = PayloadValue<std::string>(p)) s->names.push_back(*n);
        }
        return nullptr;
    }
    static ContainerBase* Resumed(Component* c, BusMessage, ContainerBase* p) {
        if (Listener* s = Self(c)) {
            ++s->counts["LeaderResumed"];
            if (const auto* n = PayloadValue<std::string>(p)) s->names.push_back(*n);
        }
        return nullptr;
    }
    static std::vector<short> Regions(ContainerBase* p) {
        std::vector<short> out;
        if (auto* l = PayloadValue<List<short>>(p))
            for (Item<short>* i = l->Head(); i; i = i->next) out.push_back(i->value);
        return out;
    }
    static ContainerBase* Highlight(Component* c, BusMessage, ContainerBase* p) {
        if (Listener* s = Self(c)) s->highlighted.push_back(Regions(p));
        return nullptr;
    }
    static ContainerBase* Dehighlight(Component* c, BusMessage, ContainerBase* p) {
        if (Listener* s = Self(c)) s->dehighlighted.push_back(Regions(p));
        return nullptr;
    }
    static ContainerBase* AutoSave(Component* c, BusMessage, ContainerBase*) {
        if (Listener* s = Self(c)) ++s->counts["AutoSaveGame"];
        return nullptr;
    }
};

class ActivationPathsTest : public ScenarioTest {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        listener = std::make_unique<Listener>();
        listener->AttachToBus(&shell->App());
    }
    void TearDown() override {
        listener.reset();
        ClearGameRandomScript();
        ScenarioTest::TearDown();
    }
    // Loads the battle with every leader this machine's, ready to begin.
    void Prepare() {
        Load(10, 7);
        ASSERT_NE(Control(), nullptr);
        ASSERT_FALSE(shell->Application().teams.empty());
        Container<TeamInfoStruct> teams(shell->Application().teams.back());
        delete Layer().SendNamed("InitializeScenario", &teams);
        shell->Run(0);
        Control()->SetDeploymentPhase(0);
        Control()->SetTurnLimitOn(0);
    }
    void BeginGame(short resumed) {
        Container<short> flag(resumed);
        shell->App().Post(&shell->App(), BEGIN_GAME, &flag);
        shell->Run(200);
    }
    void FinishActivation() {
        Layer().PostNamedEvent("LeaderFinishLeader");
        shell->Run(1500);
    }
    Leader* ActiveLeader() {
        for (Item<Leader*>* i = Layer().GetLeaders().Head(); i; i = i->next)
            if (i->value->IsActive()) return i->value;
        return nullptr;
    }

    std::unique_ptr<Listener> listener;
};

TEST_F(ActivationPathsTest, AResumedBattleResumesTheSavedActivationWithoutStartingAFreshOne) {
    shell->GrantTurns(1);
    Prepare();
    Leader* meade = Layer().FindLeaderByName("Gen. Ashcombe");
    ASSERT_NE(meade, nullptr);
    // The saved activation: the Union commander, one command already given.
    Control()->GetActivation().leader = static_cast<std::int16_t>(meade->GetUnitNum());
    meade->SetCommandsLeft(static_cast<std::int16_t>(meade->GetCommands() - 1));
    const std::uint16_t usedBefore = meade->GetCommandsUsed();
    ASSERT_EQ(usedBefore, 1);
    BeginGame(1);

    EXPECT_EQ(listener->counts["ResumeActiveLeader"], 1);
    ASSERT_EQ(listener->resumed.size(), 1u);
    EXPECT_EQ(listener->resumed[0], meade->GetUnitNum());
    EXPECT_EQ(listener->counts["ActivateLeader"], 0) << "no fresh activation on resuming";
    EXPECT_EQ(listener->counts["LeaderActivated"], 0);
    EXPECT_EQ(listener->counts["LeaderResumed"], 1);
    ASSERT_EQ(listener->names.size(), 1u);
    EXPECT_EQ(listener->names[0], "Gen. Ashcombe");
    EXPECT_EQ(listener->counts["AutoSaveGame"], 0) << "a resumed activation is not saved again";
    // The leader takes up its orders where they were: active, the given command still counted.
    EXPECT_EQ(ActiveLeader(), meade);
    EXPECT_EQ(meade->GetCommandsUsed(), usedBefore);
    EXPECT_FALSE(meade->AreCommandsExhausted());
    EXPECT_FALSE(meade->GetCommandRangeRegions().IsEmpty());

    // Finishing it hands on to the turn sequence: the next activation is a fresh one.
    FinishActivation();
    EXPECT_FALSE(meade->IsActive());
    EXPECT_EQ(listener->counts["ActivateLeader"], 1);
    EXPECT_EQ(listener->counts["LeaderActivated"], 1);
    ASSERT_NE(ActiveLeader(), nullptr);
}

TEST_F(ActivationPathsTest, AResumedActivationWithNoCommandsLeftIsExhausted) {
    Prepare();
    Leader* meade = Layer().FindLeaderByName("Gen. Ashcombe");
    Control()->GetActivation().leader = static_cast<std::int16_t>(meade->GetUnitNum());
    meade->SetCommandsLeft(0);
    BeginGame(1);
    EXPECT_EQ(ActiveLeader(), meade);
    EXPECT_TRUE(meade->AreCommandsExhausted());
    EXPECT_EQ(meade->GetCommandsUsed(), meade->GetCommands());
}

TEST_F(ActivationPathsTest, OnlyTheNamedLeaderAnswersAResumption) {
    Prepare();
    Leader* meade = Layer().FindLeaderByName("Gen. Ashcombe");
    Leader* lee = Layer().FindLeaderByName("Gen. Harrowgate");
    Control()->GetActivation().leader = static_cast<std::int16_t>(lee->GetUnitNum());
    BeginGame(1);
    EXPECT_EQ(ActiveLeader(), lee);
    EXPECT_FALSE(meade->IsActive());
    ASSERT_EQ(listener->names.size(), 1u);
    EXPECT_EQ(listener->names[0], "Gen. Harrowgate");
}

std::vector<short> Sorted(List<short>& list) {
    std::vector<short> out;
    for (Item<short>* i = list.Head(); i; i = i->next) out.push_back(i->value);
    std::sort(out.begin(), out.end());
    return out;
}

std::vector<short> Sorted(std::vector<short> v) {
    std::sort(v.begin(), v.end());
    return v;
}

class CommandRangeTest : public ActivationPathsTest {
protected:
    // The Union commander active (by resuming his activation), his range computed.
    void ActivateMeade() {
        Prepare();
        meade = Layer().FindLeaderByName("Gen. Ashcombe");
        ASSERT_NE(meade, nullptr);
        Control()->GetActivation().leader = static_cast<std::int16_t>(meade->GetUnitNum());
        BeginGame(1);
        ASSERT_EQ(ActiveLeader(), meade);
        listener->highlighted.clear();
        listener->dehighlighted.clear();
    }
    // Carries the leader to another hex, as his move would.
    void MoveLeader(std::uint16_t to) {
        VhLogicalLandscape* map = Layer().GetLandscape();
        map->RemoveUnitFromRegion(meade->GetUnitNum(), meade->GetLocation());
        meade->SetLocation(to);
        map->GetUnitsInRegion(to).AddTail(meade);
    }
    void EndSegment(std::uint16_t word) {
        Container<EndOWStruct> flag(EndOWStruct(word, 0));
        Layer().PostNamed("EndOWSegment", &flag);
        shell->Run(0);
    }
    Leader* meade = nullptr;
};

TEST_F(CommandRangeTest, TheRangeFollowsTheLeaderAtTheEndOfASegment) {
    ActivateMeade();
    const std::vector<short> before = Sorted(meade->GetCommandRangeRegions());
    ASSERT_FALSE(before.empty());
    const std::uint16_t from = meade->GetLocation();
    const std::uint16_t to = static_cast<std::uint16_t>(from + 300);
    ASSERT_TRUE(std::binary_search(before.begin(), before.end(), static_cast<short>(from)));
    MoveLeader(to);
    EndSegment(1);

    List<short> fresh;
    meade->ComputeCommandRange(fresh);
    const std::vector<short> after = Sorted(meade->GetCommandRangeRegions());
    EXPECT_EQ(after, Sorted(fresh));
    EXPECT_TRUE(std::binary_search(after.begin(), after.end(), static_cast<short>(to)));
    EXPECT_NE(after, before);

    // The display is told exactly which hexes left the range and which joined it.
    std::vector<short> gone, added;
    std::set_difference(before.begin(), before.end(), after.begin(), after.end(), std::back_inserter(gone));
    std::set_difference(after.begin(), after.end(), before.begin(), before.end(), std::back_inserter(added));
    ASSERT_FALSE(gone.empty());
    ASSERT_FALSE(added.empty());
    ASSERT_EQ(listener->dehighlighted.size(), 1u);
    ASSERT_EQ(listener->highlighted.size(), 1u);
    EXPECT_EQ(Sorted(listener->dehighlighted[0]), gone);
    EXPECT_EQ(Sorted(listener->highlighted[0]), added);
}

TEST_F(CommandRangeTest, UnitsLeaveAndEnterTheRangeAsTheLeaderMoves) {
    ActivateMeade();
    const std::uint16_t home = meade->GetLocation();
    // Which of his own side's units his range reaches, and whether that agrees with a fresh count.
    const auto reach = [&] {
        List<short> fresh;
        meade->ComputeCommandRange(fresh);
        std::map<Combat*, bool> out;
        for (Item<Combat*>* i = Layer().GetCombatUnits().Head(); i; i = i->next) {
            Combat* unit = i->value;
            if (!unit->IsOnMap() || unit->GetSide() != meade->GetSide()) continue;
            out[unit] = meade->IsInCommandRange(unit->GetLocation()) != 0;
            EXPECT_EQ(out[unit], fresh.Contains(static_cast<short>(unit->GetLocation()))) << unit->GetName();
        }
        return out;
    };
    const std::map<Combat*, bool> atHome = reach();
    MoveLeader(static_cast<std::uint16_t>(home + 600));
    EndSegment(1);
    const std::map<Combat*, bool> away = reach();
    MoveLeader(home);
    EndSegment(1);
    const std::map<Combat*, bool> back = reach();
    int left = 0, rejoined = 0;
    for (const auto& [unit, wasIn] : atHome) {
        if (wasIn && !away.at(unit)) ++left;
        if (!away.at(unit) && back.at(unit)) ++rejoined;
        EXPECT_EQ(back.at(unit), wasIn) << unit->GetName();
    }
    EXPECT_GT(left, 0) << "units behind the leader fall out of his range";
    EXPECT_EQ(rejoined, left) << "and come back into it when he returns";
}

TEST_F(CommandRangeTest, ASegmentEndedWithoutTheFlagLeavesTheRangeAlone) {
    ActivateMeade();
    const std::vector<short> before = Sorted(meade->GetCommandRangeRegions());
    MoveLeader(static_cast<std::uint16_t>(meade->GetLocation() + 300));
    EndSegment(0);
    EXPECT_EQ(Sorted(meade->GetCommandRangeRegions()), before);
    EXPECT_TRUE(listener->highlighted.empty());
    EXPECT_TRUE(listener->dehighlighted.empty());
}

TEST_F(CommandRangeTest, AnInactiveLeaderDoesNotRefreshHisRange) {
    ActivateMeade();
    FinishActivation();
    ASSERT_FALSE(meade->IsActive());
    const std::vector<short> before = Sorted(meade->GetCommandRangeRegions());
    MoveLeader(static_cast<std::uint16_t>(meade->GetLocation() + 300));
    listener->highlighted.clear();
    listener->dehighlighted.clear();
    EndSegment(1);
    EXPECT_EQ(Sorted(meade->GetCommandRangeRegions()), before);
    // Nobody is active (the resumed turn had no activations left): nobody redraws a range.
    EXPECT_EQ(ActiveLeader(), nullptr);
    EXPECT_TRUE(listener->dehighlighted.empty());
    EXPECT_TRUE(listener->highlighted.empty());
}

// A leader handed to a player: only this machine's player takes him up with full orders.
struct ReinitCase {
    const char* label;
    bool ownPlayer;
    const char* leader;
    bool takenUp;
};

class ReinitializeLeaderTest : public ActivationPathsTest, public ::testing::WithParamInterface<ReinitCase> {};

TEST_P(ReinitializeLeaderTest, TheLeaderIsTakenUpOnlyByItsNewOwnersMachine) {
    const ReinitCase& c = GetParam();
    Prepare();
    Leader* lee = Layer().FindLeaderByName("Gen. Harrowgate");
    ASSERT_NE(lee, nullptr);
    // Until now the leader was another machine's: this one only watches his activations.
    lee->SubscribeActivationOnly();
    Layer().GetLocalLeaders().Remove(lee);
    ASSERT_FALSE(lee->HasFullSubscription());

    LeaderInfo info;
    info.first = c.ownPlayer ? Layer().GetPlayerName() : Layer().GetPlayerName() + " (elsewhere)";
    info.second = c.leader;
    Container<LeaderInfo> payload(info);
    delete Layer().PostNamedAndWait("ReinitializeLeader", &payload);
    shell->Run(0);
    EXPECT_EQ(lee->HasFullSubscription() != 0, c.takenUp);
    EXPECT_EQ(Layer().GetLocalLeaders().Contains(lee), c.takenUp);

    // Resuming his activation: a watched leader only centres the view, an owned one gives orders.
    Control()->GetActivation().leader = static_cast<std::int16_t>(lee->GetUnitNum());
    BeginGame(1);
    EXPECT_EQ(listener->counts["LeaderResumed"], c.takenUp ? 1 : 0);
    EXPECT_EQ(lee->IsActive() != 0, c.takenUp);
}

INSTANTIATE_TEST_SUITE_P(Owners, ReinitializeLeaderTest,
                         ::testing::Values(ReinitCase{"OwnPlayer", true, "Gen. Harrowgate", true},
                                           ReinitCase{"OtherPlayer", false, "Gen. Harrowgate", false},
                                           ReinitCase{"UnknownLeader", true, "Gen. Nobody", false}),
                         [](const ::testing::TestParamInfo<ReinitCase>& i) { return std::string(i.param.label); });

TEST_F(ActivationPathsTest, ReinitializingTwiceLeavesOneSubscription) {
    Prepare();
    Leader* lee = Layer().FindLeaderByName("Gen. Harrowgate");
    LeaderInfo info;
    info.first = Layer().GetPlayerName();
    info.second = "Gen. Harrowgate";
    for (int k = 0; k < 2; ++k) {
        Container<LeaderInfo> payload(info);
        delete Layer().PostNamedAndWait("ReinitializeLeader", &payload);
    }
    shell->Run(0);
    int copies = 0;
    for (Item<Leader*>* i = Layer().GetLocalLeaders().Head(); i; i = i->next) copies += i->value == lee ? 1 : 0;
    EXPECT_EQ(copies, 1);
    Control()->GetActivation().leader = static_cast<std::int16_t>(lee->GetUnitNum());
    BeginGame(1);
    EXPECT_EQ(listener->counts["LeaderResumed"], 1) << "one answer, not one per registration";
    EXPECT_TRUE(lee->IsActive());
}

// The elite-initiative choice: the dialog offers the leader's side and the answer names a leader.
class ChoosingServices : public GameAppServices {
public:
    std::string RunEliteInitiativeDialog(const std::vector<std::string>& names) override {
        ++runs;
        offered = names;
        return choice;
    }
    std::string choice;
    std::vector<std::string> offered;
    int runs = 0;
};

struct EliteCase {
    const char* label;
    const char* asking;  // the leader whose number is sent; empty: a number nobody has
    bool local;          // the asking leader is this machine's
    const char* choice;  // the name the dialog answers
    bool answered;       // a result comes back at all
    const char* picked;  // the leader whose number is the result; empty: 0
};

class EliteInitiativeTest : public ActivationPathsTest, public ::testing::WithParamInterface<EliteCase> {
protected:
    void TearDown() override {
        SetAppServices(&shell->Services());
        ActivationPathsTest::TearDown();
    }
};

TEST_P(EliteInitiativeTest, TheChosenLeaderOfTheAskingSideIsAnswered) {
    const EliteCase& c = GetParam();
    Prepare();
    ChoosingServices services;
    services.choice = c.choice;
    SetAppServices(&services);
    Leader* asking = *c.asking ? Layer().FindLeaderByName(c.asking) : nullptr;
    if (*c.asking) {
        ASSERT_NE(asking, nullptr);
    }
    if (asking && !c.local) Layer().GetLocalLeaders().Remove(asking);
    Container<short> number(static_cast<short>(asking ? asking->GetUnitNum() : 9999));
    ContainerBase* answer = Layer().SendNamed("FirstEliteInitiative", &number);
    shell->Run(0);
    SetAppServices(&shell->Services());

    ASSERT_EQ(answer != nullptr, c.answered);
    EXPECT_EQ(services.runs, c.answered ? 1 : 0);
    if (!answer) return;
    short got = -1;
    EXPECT_TRUE(ExtractData(answer, got));
    delete answer;
    Leader* picked = *c.picked ? Layer().FindLeaderByName(c.picked) : nullptr;
    if (*c.picked) {
        ASSERT_NE(picked, nullptr);
    }
    EXPECT_EQ(got, picked ? static_cast<short>(picked->GetUnitNum()) : 0);
    // The dialog lists exactly the asking leader's side.
    List<Leader*>& side = Layer().GetFirstNationLeaders().Contains(asking) ? Layer().GetFirstNationLeaders()
                                                                           : Layer().GetSecondNationLeaders();
    std::vector<std::string> expected;
    for (Item<Leader*>* i = side.Head(); i; i = i->next) expected.push_back(i->value->GetName());
    EXPECT_EQ(services.offered, expected);
    EXPECT_NE(std::find(expected.begin(), expected.end(), asking->GetName()), expected.end());
}

INSTANTIATE_TEST_SUITE_P(
    Choices, EliteInitiativeTest,
    ::testing::Values(EliteCase{"UnionPicksItsCommander", "Gen. Ashcombe", true, "Gen. Ashcombe", true, "Gen. Ashcombe"},
                      EliteCase{"ConfederatesPickTheirs", "Gen. Harrowgate", true, "Gen. Harrowgate", true, "Gen. Harrowgate"},
                      EliteCase{"NoChoiceGivesZero", "Gen. Ashcombe", true, "", true, ""},
                      EliteCase{"AnUnknownNameGivesZero", "Gen. Ashcombe", true, "Gen. Nobody", true, ""},
                      EliteCase{"AnotherMachinesLeaderIsNotAsked", "Gen. Ashcombe", false, "Gen. Ashcombe", false, ""},
                      EliteCase{"AnUnknownLeaderIsNotAsked", "", true, "Gen. Ashcombe", false, ""}),
    [](const ::testing::TestParamInfo<EliteCase>& i) { return std::string(i.param.label); });

// In a game of two players, a leader nobody plays is handed to a player when his turn comes.
class ReinitRecorder : public Component {
public:
    ReinitRecorder() : Component("Reassignment Recorder") {}
    void Connect() override { RegisterNamedHandler("ReinitializeLeader", Heard); }
    std::vector<LeaderInfo> heard;

private:
    static ContainerBase* Heard(Component* c, BusMessage, ContainerBase* p) {
        auto* self = dynamic_cast<ReinitRecorder*>(c);
        if (const auto* v = PayloadValue<LeaderInfo>(p); self && v) self->heard.push_back(*v);
        return nullptr;
    }
};

TEST_F(ActivationPathsTest, AnUnplayedLeaderIsReassignedWhenActivated) {
    Prepare();
    Leader* lee = Layer().FindLeaderByName("Gen. Harrowgate");
    ASSERT_NE(lee, nullptr);
    const std::string me = Layer().GetPlayerName();
    Control()->OnSetPlayerInfo(PlyrInfo{me, "(Gen. Ashcombe)"});
    Control()->OnSetPlayerInfo(PlyrInfo{me + " (elsewhere)", "()"});
    ASSERT_EQ(Control()->GetPlayerCount(), 2);
    int leeEntry = -1;
    for (int i = 0; i < Control()->GetLeaderCount() && leeEntry < 0; ++i)
        if (Control()->GetLeaderInfo(i).name == "Gen. Harrowgate") leeEntry = i;
    ASSERT_GE(leeEntry, 0);
    ASSERT_TRUE(Control()->GetLeaderInfo(leeEntry).player.empty());
    ReinitRecorder recorder;
    recorder.AttachToBus(&shell->App());
    // Both commanders' draws, then the Confederate side for the first activation.
    ScriptGameRandom({0, 0, 0});
    BeginGame(0);
    ASSERT_EQ(listener->activated.size(), 1u);
    ASSERT_EQ(listener->activated[0], lee->GetUnitNum()) << "the script did not pick the Confederates";
    ASSERT_EQ(recorder.heard.size(), 1u);
    EXPECT_EQ(recorder.heard[0].first, me) << "the first player offered is chosen";
    EXPECT_EQ(recorder.heard[0].second, "Gen. Harrowgate");
    EXPECT_EQ(Control()->GetLeaderInfo(leeEntry).player, me);
    EXPECT_TRUE(lee->HasFullSubscription());
    EXPECT_TRUE(lee->IsActive());
    bool given = false;
    for (const std::string& line : shell->Application().commentary)
        given = given || line.find(me + " has been given control of Gen. Harrowgate") != std::string::npos;
    EXPECT_TRUE(given);
}

} // namespace
