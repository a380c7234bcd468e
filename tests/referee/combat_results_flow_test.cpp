// The pause after a leader's combats: the battle scars, the overall-results screen when it is
// shown, and the half-second finisher that hands on to the barrier.
#include "tests/referee/scenario_fixture.h"

#include <algorithm>

namespace {

using referee_testing::ScenarioTest;

class Recorder : public Component {
public:
    Recorder() : Component("Results Recorder") {}
    void Connect() override {
        RegisterNamedHandler("AddBattleScars", Scars);
        RegisterNamedHandler("OverallCombatResults", Overall);
        RegisterNamedHandler("DoneViewingCombatResults", Done);
        RegisterNamedHandler("ZoomOutAfterCombat", Zoom);
        RegisterNamedHandler("FinishLeader", Finish);
        RegisterNamedHandler("SynchronizeGame", Sync);
    }
    std::vector<std::string> order;
    std::vector<std::vector<short>> scars;
    std::vector<std::string> syncTexts;

private:
    static Recorder* Self(Component* c) { return dynamic_cast<Recorder*>(c); }
    static ContainerBase* Scars(Component* c, BusMessage, ContainerBase* p) {
        if (Recorder* s = Self(c)) {
            s->order.push_back("AddBattleScars");
            std::vector<short> v;
            if (auto* l = PayloadValue<List<short>>(p))
                for (Item<short>* i = l->Head(); i; i = i->next) v.push_back(i->value);
            s->scars.push_back(v);
        }
        return nullptr;
    }
    static ContainerBase* Overall(Component* c, BusMessage, ContainerBase*) {
        if (Recorder* s = Self(c)) s->order.push_back("OverallCombatResults");
        return nullptr;
    }
    static ContainerBase* Done(Component* c, BusMessage, ContainerBase*) {
        if (Recorder* s = Self(c)) s->order.push_back("DoneViewingCombatResults");
        return nullptr;
    }
    static ContainerBase* Zoom(Component* c, BusMessage, ContainerBase*) {
        if (Recorder* s = Self(c)) s->order.push_back("ZoomOutAfterCombat");
        return nullptr;
    }
    static ContainerBase* Finish(Component* c, BusMessage, ContainerBase*) {
        if (Recorder* s = Self(c)) s->order.push_back("FinishLeader");
        return nullptr;
    }
    static ContainerBase* Sync(Component* c, BusMessage, ContainerBase* p) {
        if (Recorder* s = Self(c)) {
            s->order.push_back("SynchronizeGame");
            if (auto* t = PayloadValue<std::string>(p)) s->syncTexts.push_back(*t);
        }
        return nullptr;
    }
};

SingleCombatResult Result(std::vector<short> a, std::vector<short> b) {
    SingleCombatResult r;
    for (short v : a) r.numbers[0].AddTail(v);
    for (short v : b) r.numbers[1].AddTail(v);
    return r;
}

struct ResultsCase {
    const char* label;
    std::uint16_t showOverall;
    int results;  // how many combats were fought
    std::vector<std::string> beforeAnswer;  // what the combat's end brings about at once
    std::vector<short> scars;
    const char* syncText;
};

class CombatResultsFlowTest : public ScenarioTest, public ::testing::WithParamInterface<ResultsCase> {
protected:
    void SetUp() override {
        ScenarioTest::SetUp();
        Load(10, 7);
        ASSERT_NE(Control(), nullptr);
        recorder = std::make_unique<Recorder>();
        // On the layer itself: some of these messages stay on this machine and are not relayed up.
        recorder->AttachToBus(&Layer());
    }
    void TearDown() override {
        recorder.reset();
        ScenarioTest::TearDown();
    }
    std::unique_ptr<Recorder> recorder;
};

TEST_P(CombatResultsFlowTest, TheScreenAndTheFinisherFollowTheCombats) {
    const ResultsCase& c = GetParam();
    Layer().SetShowOverallResults(c.showOverall);
    if (c.results >= 1) Layer().OnCombatResults(Result({11, 12}, {21}));
    if (c.results >= 2) Layer().OnCombatResults(Result({31}, {41, 42}));
    Layer().PostNamedEvent("CombatDone");
    shell->Run(0);
    EXPECT_EQ(recorder->order, c.beforeAnswer);
    if (!c.scars.empty()) {
        ASSERT_EQ(recorder->scars.size(), 1u);
        EXPECT_EQ(recorder->scars[0], c.scars);
    }
    if (c.showOverall && c.results > 0) {
        // The screen stays up until the player closes it: nothing else happens meanwhile.
        shell->Run(2000);
        EXPECT_EQ(recorder->order, c.beforeAnswer);
        EXPECT_EQ(Layer().GetCombatResults().Count(), c.results);
        Layer().PostNamedEvent("DoneViewingCombatResults");
        shell->Run(0);
    }
    // The finisher waits for its half-second tick.
    const std::size_t atOnce = recorder->order.size();
    EXPECT_EQ(std::count(recorder->order.begin(), recorder->order.end(), "FinishLeader"), 0);
    shell->Run(300);
    EXPECT_EQ(recorder->order.size(), atOnce) << "not before half a second";
    shell->Run(300);
    std::vector<std::string> tail(recorder->order.begin() + static_cast<long>(atOnce), recorder->order.end());
    EXPECT_EQ(tail, (std::vector<std::string>{"ZoomOutAfterCombat", "FinishLeader", "SynchronizeGame"}));
    ASSERT_EQ(recorder->syncTexts.size(), 1u);
    EXPECT_EQ(recorder->syncTexts[0], c.syncText);
    EXPECT_TRUE(Layer().GetCombatResults().IsEmpty());
    // One tick only: no second finish.
    shell->Run(2000);
    EXPECT_EQ(std::count(recorder->order.begin(), recorder->order.end(), "FinishLeader"), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, CombatResultsFlowTest,
    ::testing::Values(
        ResultsCase{"NoCombats", 0, 0, {"DoneViewingCombatResults"}, {}, ""},
        ResultsCase{"NoCombatsScreenOn", 1, 0, {"DoneViewingCombatResults"}, {}, ""},
        ResultsCase{"OneCombatNoScreen", 0, 1, {"AddBattleScars", "DoneViewingCombatResults"}, {11, 12, 21}, "viewing combat results"},
        ResultsCase{"TwoCombatsNoScreen", 0, 2, {"AddBattleScars", "DoneViewingCombatResults"}, {11, 12, 21, 31, 41, 42},
                    "viewing combat results"},
        ResultsCase{"TwoCombatsScreen", 1, 2, {"AddBattleScars", "OverallCombatResults"}, {11, 12, 21, 31, 41, 42},
                    "viewing combat results"}),
    [](const ::testing::TestParamInfo<ResultsCase>& i) { return std::string(i.param.label); });

} // namespace
