#include "core/message_registry.h"
#include "game/logic/referee/app_services.h"
#include "scenario_fixture.h"

namespace {

using referee_testing::ScenarioTest;

template <class T> T Answer(ContainerBase* answer) {
    T value{};
    EXPECT_TRUE(ExtractData(answer, value));
    delete answer;
    return value;
}

TEST_F(ScenarioTest, TheLayerIsNamedAndAnswersTheFixedIds) {
    EXPECT_EQ(Layer().GetName(), "Varnhold LogicalLayer Bus");
    VhLogicalLayer named("Other");
    EXPECT_EQ(named.GetName(), "Other");
    std::uint16_t id = 0;
    ASSERT_TRUE(FindMessage("GameOverview", &id));
    EXPECT_EQ(id, 229);
    ASSERT_TRUE(FindMessage("GameObjectives", &id));
    EXPECT_EQ(id, 197);
    ASSERT_TRUE(FindMessage("UnitUndo", &id));
    EXPECT_EQ(id, 255);
    // The layer always lets the program end.
    EXPECT_EQ(shell->App().CanTerminate(), 1);
}

TEST_F(ScenarioTest, LookUpsByNumber) {
    Load();
    auto ask = [&](const char* message, short n) {
        Container<short> number(n);
        return Layer().SendNamed(message, &number);
    };
    EXPECT_EQ(Answer<VhUnit*>(ask("GetUnitByNum", 3))->GetName(), "2nd Wisconsin");
    EXPECT_EQ(Answer<VhUnit*>(ask("GetUnitByNum", 8))->GetName(), "Gen. Harrowgate");
    EXPECT_EQ(Answer<VhUnit*>(ask("GetUnitByNum", 99)), nullptr);
    EXPECT_EQ(Answer<Combat*>(ask("GetCombatUnitByNum", 10))->GetName(), "4th Virginia");
    EXPECT_EQ(Answer<Combat*>(ask("GetCombatUnitByNum", 8)), nullptr);
    EXPECT_EQ(Answer<Leader*>(ask("GetLeaderByNum", 8))->GetName(), "Gen. Harrowgate");
    EXPECT_EQ(Answer<Leader*>(ask("GetLeaderByNum", 10)), nullptr);
    EXPECT_EQ(Layer().FindCombatUnitByName("Battery B"), Layer().FindUnit(4));
    EXPECT_EQ(Layer().FindLeaderByName("Gen. Brackley"), Layer().FindUnit(13));
    EXPECT_EQ(Layer().FindLeaderByName("Gen. Bellweather"), nullptr);
}

TEST_F(ScenarioTest, FindLeaderAnswersTheRegionOfAGroupsLeader) {
    Load();
    auto ask = [&](short group) {
        Container<short> number(group);
        return static_cast<std::uint16_t>(Answer<short>(Layer().SendNamed("FindLeader", &number)));
    };
    EXPECT_EQ(ask(2), 203);
    EXPECT_EQ(ask(11), 1004);
    // A group without a leader, or no such group.
    EXPECT_EQ(ask(77), 0xFFFF);
}

TEST_F(ScenarioTest, TheActiveGroupStartsEmpty) {
    Load();
    EXPECT_EQ(Answer<Group*>(Layer().SendNamedEvent("ActiveGroup")), nullptr);
    Group* brigade = Layer().FindGroup(12);
    Layer().SetActiveGroup(brigade);
    EXPECT_EQ(Answer<Group*>(Layer().SendNamedEvent("ActiveGroup")), brigade);
}

TEST_F(ScenarioTest, HitsRelayedToEveryMachineAreApplied) {
    Load();
    Container<TQHitInfo> hits(TQHitInfo(2, 0, 11));
    delete Layer().SendNamed("TQHit", &hits);
    EXPECT_EQ(Layer().FindCombatUnit(11)->GetCohesionHits(), 2);
    // A number that names no unit changes nothing.
    Container<TQHitInfo> stray(TQHitInfo(2, 0, 500));
    delete Layer().SendNamed("TQHit", &stray);
}

TEST_F(ScenarioTest, ChangeFacingAnswersForEveryNumber) {
    Load();
    Container<ChangeFacingStruct> turn(ChangeFacingStruct(static_cast<TURN_DIRECTION>(2), 1, 2));
    EXPECT_EQ(Answer<short>(Layer().SendNamed("ChangeFacing", &turn)), 2);
    Container<ChangeFacingStruct> nobody(ChangeFacingStruct(static_cast<TURN_DIRECTION>(2), 1, 900));
    EXPECT_EQ(Answer<short>(Layer().SendNamed("ChangeFacing", &nobody)), 0);
}

TEST_F(ScenarioTest, ShowOCRIsKept) {
    Container<short> on(1);
    delete Layer().SendNamed("ShowOCR", &on);
    EXPECT_EQ(Layer().GetShowOverallResults(), 1);
}

TEST_F(ScenarioTest, AnEliminatedRegimentLeavesItsGroupALeaderDoesNot) {
    Load();
    Group* brigade = Layer().FindGroup(12);
    VhUnit* regiment = Layer().FindUnit(10);
    Container<EliminateUnitData> gone(EliminateUnitData(ConfederateNation, 9, 3, 10));
    delete Layer().SendNamed("UnitEliminated", &gone);
    EXPECT_FALSE(brigade->GetUnits().Contains(regiment));
    EXPECT_EQ(regiment->GetGroup(), nullptr);
    EXPECT_EQ(regiment->GetGroupNumber(), -1);

    const int before = brigade->GetUnits().Count();
    Container<EliminateUnitData> leader(EliminateUnitData(ConfederateNation, 6, -1, 9));
    delete Layer().SendNamed("UnitEliminated", &leader);
    EXPECT_EQ(brigade->GetUnits().Count(), before);
    EXPECT_EQ(brigade->GetLeader(), Layer().FindUnit(9));
    EXPECT_EQ(Layer().FindUnit(9)->GetGroup(), brigade);
}

TEST_F(ScenarioTest, ArmyDetailsShowsTheSideOfThePressedButton) {
    // Home Union (nation 0) and visiting Confederates; one extra Union regiment.
    draft.units.push_back(datagen::InfantryRecord("6th Wisconsin", 0, 1000 + 305, 4, 2));
    Load();
    struct Probe : GameAppServices {
        GameAppServices& inner;
        int side = 1;
        int units = -1, leaders = -1;
        explicit Probe(GameAppServices& s) : inner(s) {}
        bool GetUnitArtName(std::int32_t i, std::string& n) override { return inner.GetUnitArtName(i, n); }
        int PressedArmySide(EndTurnDlg*) override { return side; }
        void RunArmyDetails(EndTurnDlg*, List<Combat*>& u, List<Leader*>& l) override {
            units = u.Count();
            leaders = l.Count();
        }
    } probe(shell->Services());
    SetAppServices(&probe);
    Container<EndTurnDlg*> dialog(nullptr);
    delete Layer().SendNamed("ArmyDetails", &dialog);
    EXPECT_EQ(probe.units, 6);
    EXPECT_EQ(probe.leaders, 3);
    probe.side = 0;
    delete Layer().SendNamed("ArmyDetails", &dialog);
    EXPECT_EQ(probe.units, 5);
    SetAppServices(&shell->Services());
}

TEST_F(ScenarioTest, WrongPayloadsGoToTheAssertionBox) {
    Load();
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<std::string> wrong("x");
    delete Layer().SendNamed("GetUnitByNum", &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad data passed in bus message to function  Abort?");
    EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind("Failure in VHLOGI at line ", 0), 0u);
    // "LoadScenario" reports under the loader's own name.
    platform::QueueMessageBoxAnswer(IDNO);
    delete Layer().SendNamed("LoadScenario", &wrong);
    EXPECT_EQ(platform::ShownMessageBox(1).caption.rfind("Failure in VHLOG3 at line ", 0), 0u);
}

TEST_F(ScenarioTest, MessagesThatStayOnThisMachineAreNotRelayed) {
    // What the layer blocks never reaches the application's bus, and so never the network.
    struct Listener : Component {
        int heard = 0;
        Listener() : Component("Listener") {}
        void Connect() override {
            RegisterNamedHandler("CreateLeader", Heard);
            RegisterNamedHandler("GetUnitByNum", Heard);
            RegisterNamedHandler("ActiveGroup", Heard);
            RegisterHandler(BEGIN_GAME, Heard);
            RegisterNamedHandler("ScenarioLoaded", Heard);
        }
        static ContainerBase* Heard(Component* c, BusMessage, ContainerBase*) {
            ++static_cast<Listener*>(c)->heard;
            return nullptr;
        }
    } outside;
    outside.AttachToBus(&shell->App());
    Container<short> n(0);
    delete Layer().SendNamed("GetUnitByNum", &n);
    delete Layer().SendNamedEvent("ActiveGroup");
    delete Layer().SendEvent(BEGIN_GAME);
    Container<LeaderUnitInfo> info;
    delete Layer().PostNamedAndWait("CreateLeader", &info);
    EXPECT_EQ(outside.heard, 0);
    // Others travel on.
    Load();
    EXPECT_EQ(outside.heard, 1);
}

TEST(LayerAlone, CloseGameResetsEverything) {
    shell::GameShell shell;
    VhLogicalLayer& layer = shell.Layer();
    layer.SetPlayerName("Ann");
    delete layer.SendNamedEvent("CloseGame");
    EXPECT_EQ(layer.GetNextUnitNumber(), 0);
    EXPECT_EQ(layer.GetHeaderWord(), 0);
    layer.SetHeaderWord(12);
    EXPECT_EQ(layer.GetHeaderWord(), 12);
    delete layer.SendNamedEvent("CloseGame");
    EXPECT_EQ(layer.GetHeaderWord(), 0);
    EXPECT_EQ(layer.GetActiveGroup(), nullptr);
    EXPECT_EQ(VhUnit::GetUndoCount(), 0);
}

} // namespace
