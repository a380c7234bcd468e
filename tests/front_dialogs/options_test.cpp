// The leader control and game options dialogs: their answers from scripted clicks, the
// services the referee calls, the chooser's "DialogEvent" posts, the watching copy that follows
// them, and the stream form of DialogEvent.
#include "game/app/dialogs/army_rout_dlg.h"
#include "game/app/dialogs/front_dialog_services.h"
#include "game/app/dialogs/intro_dialog.h"
#include "core/type_info.h"
#include "platform/msgbox.h"
#include "tests/front_dialogs/front_fixture.h"
#include "ui/dialog_controls.h"

#include <functional>
#include <memory>

namespace {

using namespace fronttest;

class Options : public FrontDialogTest {};

TEST_F(Options, LeaderControlAnswersWhichSidesTheComputerPlays) {
    struct Case {
        const char* what;
        std::vector<int> clicks;
        std::uint16_t first, second;
    } cases[] = {
        {"OK without changes", {}, 0, 1},
        {"Player on both sides", {IntroDialog::kSecondPlayer}, 0, 0},
        {"Computer on the first side hands the second to a player", {IntroDialog::kFirstComputer}, 1, 0},
        {"Computer on the second side after the first", {IntroDialog::kFirstComputer, IntroDialog::kSecondComputer}, 0, 1},
    };
    for (const Case& c : cases) {
        std::string names[2];
        platform::QueueDialogScript([&](HWND d) {
            Dialog* dlg = reinterpret_cast<Dialog*>(GetWindowLongPtrA(d, Dialog::kPointerOffset));
            names[0] = dlg->GetItemText(IntroDialog::kFirstName);
            names[1] = dlg->GetItemText(IntroDialog::kSecondName);
            for (int id : c.clicks) platform::ClickDlgItem(d, id);
            platform::ClickDlgItem(d, IDOK);
        });
        FrontDialogServices services(app.get());
        std::uint16_t a = 7, b = 7;
        ASSERT_TRUE(services.RunLeaderControlDialog(a, b)) << c.what;
        EXPECT_EQ(a, c.first) << c.what;
        EXPECT_EQ(b, c.second) << c.what;
        EXPECT_EQ(names[0], "Union") << c.what;
        EXPECT_EQ(names[1], "Confederate") << c.what;
    }
}

TEST_F(Options, LeaderControlClosedWithoutOkSetsNothing) {
    platform::QueueDialogScript([](HWND) { platform::PressKey(VK_ESCAPE); });
    FrontDialogServices services(app.get());
    std::uint16_t a = 7, b = 7;
    EXPECT_FALSE(services.RunLeaderControlDialog(a, b));
    EXPECT_EQ(a, 7);
    EXPECT_EQ(b, 7);
}

TEST_F(Options, GameOptionsAtOnceGiveTheDefaults) {
    for (int available : {0, 1}) {
        bool turnShown = false, turnEnabled = true, deploymentsShown = true;
        platform::QueueDialogScript([&](HWND d) {
            turnShown = IsWindowVisible(GetDlgItem(d, ArmyRoutDlg::kTurnLimits));
            turnEnabled = IsWindowEnabled(GetDlgItem(d, ArmyRoutDlg::kTurnLimits));
            deploymentsShown = IsWindowVisible(GetDlgItem(d, ArmyRoutDlg::kDeployments));
            platform::ClickDlgItem(d, IDOK);
        });
        FrontDialogServices services(app.get());
        GameAppServices::GameOptions out;
        out.fogOfWar = 9;
        ASSERT_TRUE(services.RunGameOptionsDialog(false, 1, available, out)) << available;
        EXPECT_FLOAT_EQ(out.difficulty0, 1.0f);
        EXPECT_FLOAT_EQ(out.difficulty1, 1.0f);
        EXPECT_EQ(out.fogOfWar, 1);
        EXPECT_EQ(out.defaultDeployment, 1);
        EXPECT_EQ(out.turnLimits, available);
        // Shown in a campaign, but never the player's to change; no deployments choice here.
        EXPECT_EQ(turnShown, available != 0);
        EXPECT_FALSE(turnEnabled);
        EXPECT_FALSE(deploymentsShown);
    }
}

TEST_F(Options, DifficultyGivesTheOwnSideAndTheOtherTheirFactors) {
    struct Case {
        int radio;
        bool nation0Computer;  // the player then plays side 1
        float f0, f1;
    } cases[] = {
        {14, true, 0.8f, 1.2f}, {14, false, 1.2f, 0.8f}, {10, false, 0.8f, 1.2f},
        {11, true, 1.1f, 0.9f}, {13, false, 1.1f, 0.9f}, {12, true, 1.0f, 1.0f},
    };
    for (const Case& c : cases) {
        platform::QueueDialogScript([&](HWND d) {
            platform::ClickDlgItem(d, c.radio);
            platform::ClickDlgItem(d, IDOK);
        });
        FrontDialogServices services(app.get());
        GameAppServices::GameOptions out;
        ASSERT_TRUE(services.RunGameOptionsDialog(c.nation0Computer, 1, 0, out)) << c.radio;
        EXPECT_FLOAT_EQ(out.difficulty0, c.f0) << c.radio << " " << c.nation0Computer;
        EXPECT_FLOAT_EQ(out.difficulty1, c.f1) << c.radio << " " << c.nation0Computer;
    }
}

TEST_F(Options, TitleNamesTheOwnSide) {
    ArmyRoutDlg union_(0, 1, 0, 0), confederate(1, 1, 0, 0);
    EXPECT_EQ(union_.TitleText(), "Union Difficulty Level");
    EXPECT_EQ(confederate.TitleText(), "Confederate Difficulty Level");
}

TEST_F(Options, ChooserPostsEveryChoiceAndItsOk) {
    recorder.Listen("DialogEvent");
    platform::QueueDialogScript([](HWND d) {
        platform::ClickDlgItem(d, ArmyRoutDlg::kFogOfWar);
        platform::ClickDlgItem(d, 13);
        platform::ClickDlgItem(d, IDOK);
    });
    GameAppServices::GameOptions out;
    FrontDialogServices services(app.get());
    ASSERT_TRUE(services.RunGameOptionsDialog(false, 1, 1, out));
    EXPECT_EQ(out.fogOfWar, 0);
    ASSERT_EQ(recorder.events.size(), 3u);
    const DialogEvent expected[] = {{16, 0, 0}, {10, 3, 3}, {1, 4, 1}};
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(recorder.events[i].controlId, expected[i].controlId) << i;
        EXPECT_EQ(recorder.events[i].kind, expected[i].kind) << i;
        EXPECT_EQ(recorder.events[i].value, expected[i].value) << i;
    }
}

TEST_F(Options, WatchingCopyFollowsThePeerAndClosesWithItsOk) {
    ArmyRoutDlg watcher(1, 0, 0, 1);
    watcher.AttachToBus(app.get());
    ASSERT_EQ(watcher.Execute("ArmyRoutDlg", Dialog::kModeless), 0);
    HWND h = watcher.GetHandle();
    for (int id : {1, 10, 11, 12, 13, 14, 15, 16}) EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, id))) << id;
    // A click on a disabled control changes nothing.
    platform::ClickDlgItem(h, ArmyRoutDlg::kFogOfWar);
    Drain();
    EXPECT_EQ(watcher.GetFogOfWar(), 1);

    auto peer = [&](std::int16_t id, std::int16_t kind, std::int16_t value) {
        Container<DialogEvent> e(DialogEvent(id, kind, value));
        recorder.PostNamed("DialogEvent", &e);
        Drain();
    };
    recorder.Listen("DialogEvent");
    peer(16, 0, 0);
    EXPECT_EQ(watcher.GetFogOfWar(), 0);
    EXPECT_EQ(dynamic_cast<DialogButton*>(watcher.GetItemControl(16))->GetState(), 0);
    peer(15, 0, 0);
    EXPECT_EQ(watcher.GetTurnLimits(), 0);
    peer(10, 3, 4);
    EXPECT_EQ(watcher.GetItemValue(10), 4);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(h, 10)));
    EXPECT_FLOAT_EQ(watcher.GetDifficultyFactor(1), 1.2f);
    EXPECT_FLOAT_EQ(watcher.GetDifficultyFactor(0), 0.8f);
    // Unknown controls and kinds, and a radio value out of range, are ignored.
    peer(99, 0, 1);
    peer(16, 7, 1);
    peer(10, 3, 9);
    EXPECT_EQ(watcher.GetFogOfWar(), 0);
    EXPECT_EQ(watcher.GetItemValue(10), 4);
    // The watcher echoes nothing of its own: only the peer's posts were heard.
    EXPECT_EQ(recorder.events.size(), 6u);
    peer(1, 4, 1);
    EXPECT_EQ(watcher.IsRunning(), 0);
    EXPECT_EQ(watcher.GetResult(), 1);
    watcher.DetachFromBus();
}

TEST_F(Options, WatchingCopyReportsAPayloadOfAnotherType) {
    ArmyRoutDlg watcher(0, 0, 0, 0);
    watcher.AttachToBus(app.get());
    watcher.Execute("ArmyRoutDlg", Dialog::kModeless);
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<short> wrong(3);
    delete recorder.SendNamed("DialogEvent", &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Bad data passed in bus message to function"), std::string::npos);
    EXPECT_NE(platform::ShownMessageBox(0).caption.find("ROUTDLG"), std::string::npos);
    EXPECT_EQ(watcher.IsRunning(), 1);
    watcher.Close(0);
    watcher.DetachFromBus();
}

TEST(DialogEventStream, SixBytesLittleEndianInOrder) {
    SuperString s;
    s << DialogEvent(0x0102, 3, -2);
    ASSERT_EQ(s.Length(), 6);
    EXPECT_EQ(s.Contents(), std::string("\x02\x01\x03\x00\xFE\xFF", 6));
    DialogEvent back(0, 0, 0);
    s >> back;
    EXPECT_FALSE(s.Failed());
    EXPECT_EQ(back.controlId, 0x0102);
    EXPECT_EQ(back.kind, 3);
    EXPECT_EQ(back.value, -2);
    // The relay finds the payload by its class name and reads it back whole.
    RegisterDialogEventType();
    const TypeInfoBase* type = FindTypeInfo("DialogEvent");
    ASSERT_NE(type, nullptr);
    SuperString wire;
    Container<DialogEvent> sent(DialogEvent(16, 0, 1));
    type->WritePayload(wire, &sent);
    std::unique_ptr<ContainerBase> received(type->ReadPayload(wire));
    const DialogEvent* got = PayloadValue<DialogEvent>(received.get());
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->controlId, 16);
    EXPECT_EQ(got->value, 1);
    // A short stream leaves the record as it was.
    SuperString shortStream;
    shortStream.Write("\x01\x00\x03", 3);
    DialogEvent kept(5, 5, 5);
    shortStream >> kept;
    EXPECT_TRUE(shortStream.Failed());
    EXPECT_EQ(kept.controlId, 5);
    EXPECT_EQ(kept.value, 5);
}

} // namespace
