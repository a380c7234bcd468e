// The preferences dialog: every check box shows and stores its field, the trees pair and the
// volume slider; Cancel keeps the record; the automatic win and loss start off every time; the
// fields the dialog does not edit stay as they were.
#include "game/app/dialogs/preference_dlg.h"
#include "game/app/preferences.h"
#include "tests/more_dialogs/more_fixture.h"
#include "ui/dialog_controls.h"
#include "ui/slider.h"

namespace {

using namespace moretest;

class Preferences : public MoreDialogTest {
protected:
    static PreferenceRecord Mixed() {
        PreferenceRecord r;
        r.movementAnimation = 1;
        r.combatAnimation = 0;
        r.music = 1;
        r.sound = 0;
        r.ambientSound = 1;
        r.debugSwitch = 1;
        r.casualtyTestA = 0;
        r.casualtyTestB = 1;
        r.automaticWinA = 1;
        r.automaticWinB = 1;
        r.leaderOrder = 1;
        r.volume = 2500;
        r.musicVolume = 777;
        r.sparseTrees = 1;
        r.reserved = 42;
        r.finishLeader = 0;
        r.groupMoveConfirm = 1;
        r.overallCombatResults = 0;
        r.showIntroVideo = 1;
        r.autoSave = 0;
        return r;
    }
    static bool Checked(PreferenceDlg& dlg, std::int16_t item) {
        auto* b = dynamic_cast<DialogButton*>(dlg.GetItemControl(item));
        return b && b->GetState() != 0;
    }
    static void Toggle(PreferenceDlg& dlg, std::int16_t item) {
        auto* b = dynamic_cast<DialogButton*>(dlg.GetItemControl(item));
        ASSERT_NE(b, nullptr) << item;
        b->SetState(b->GetState() ? 0 : 1);
    }
    static bool Same(const PreferenceRecord& a, const PreferenceRecord& b) {
        for (int i = 0; i < PreferenceDlg::kCheckBoxCount; ++i)
            if (a.*PreferenceDlg::kCheckBoxes[i].field != b.*PreferenceDlg::kCheckBoxes[i].field) return false;
        return a.volume == b.volume && a.musicVolume == b.musicVolume && a.sparseTrees == b.sparseTrees &&
               a.reserved == b.reserved;
    }
};

TEST_F(Preferences, OpensWithTheRecordsValuesAndOkStoresThemBack) {
    PreferenceRecord r = Mixed();
    PreferenceDlg dlg(&r);
    dlg.Execute("DemoPreferences", Dialog::kModeless);
    for (int i = 0; i < PreferenceDlg::kCheckBoxCount; ++i) {
        const auto& b = PreferenceDlg::kCheckBoxes[i];
        const bool expected = (b.item == 13 || b.item == 14) ? false : r.*b.field != 0;
        EXPECT_EQ(Checked(dlg, b.item), expected) << b.item;
    }
    EXPECT_EQ(dlg.GetItemValue(PreferenceDlg::kSparse), 0);  // the first of the pair
    EXPECT_EQ(dlg.GetVolumeSlider()->GetValue(), 2500);
    SendMessageA(dlg.GetHandle(), WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    Drain();
    EXPECT_EQ(dlg.GetResult(), 1);
    PreferenceRecord expected = Mixed();
    expected.automaticWinA = 0;
    expected.automaticWinB = 0;
    EXPECT_TRUE(Same(r, expected));
}

TEST_F(Preferences, ChangesReachTheRecordOnlyThroughOk) {
    for (bool ok : {false, true}) {
        PreferenceRecord r = Mixed();
        PreferenceDlg dlg(&r);
        dlg.Execute("DemoPreferences", Dialog::kModeless);
        for (std::int16_t item : {101, 102, 105, 12, 16, 17, 19}) Toggle(dlg, item);
        dlg.SetItemValue(PreferenceDlg::kSparse, 1);  // Dense
        dlg.GetVolumeSlider()->ScrollTo(Point(6000, 0));
        const std::int16_t volume = dlg.GetVolumeSlider()->GetValue();
        ASSERT_NE(volume, 2500);
        SendMessageA(dlg.GetHandle(), WM_COMMAND, MAKEWPARAM(ok ? IDOK : IDCANCEL, 0), 0);
        Drain();
        EXPECT_EQ(dlg.GetResult(), ok ? 1 : 0);
        PreferenceRecord expected = Mixed();
        if (ok) {
            expected.movementAnimation = 0;
            expected.combatAnimation = 1;
            expected.debugSwitch = 0;
            expected.casualtyTestB = 0;
            expected.leaderOrder = 0;
            expected.finishLeader = 1;
            expected.autoSave = 1;
            expected.automaticWinA = expected.automaticWinB = 0;
            expected.sparseTrees = 0;
            expected.volume = static_cast<std::uint16_t>(volume);
        }
        EXPECT_TRUE(Same(r, expected)) << ok;
        EXPECT_EQ(r.musicVolume, 777);
        EXPECT_EQ(r.reserved, 42);
    }
}

TEST_F(Preferences, AutomaticWinAndLossCanBeSetForOneGame) {
    PreferenceRecord r;
    PreferenceDlg dlg(&r);
    dlg.Execute("DemoPreferences", Dialog::kModeless);
    Toggle(dlg, 13);
    SendMessageA(dlg.GetHandle(), WM_COMMAND, MAKEWPARAM(IDOK, 0), 0);
    Drain();
    EXPECT_EQ(r.automaticWinA, 1);
    EXPECT_EQ(r.automaticWinB, 0);
    EXPECT_EQ(r.sparseTrees, 0);
}

// A stored volume past the slider's range (the registry may hold anything) starts at the end of
// the track instead of turning negative.
TEST_F(Preferences, VolumePastTheRangeStartsAtTheEnd) {
    PreferenceRecord r;
    r.volume = 40000;
    PreferenceDlg dlg(&r);
    EXPECT_EQ(dlg.GetVolumeSlider()->GetValue(), PreferenceDlg::kVolumeRange);
}

TEST_F(Preferences, ScriptedRunAnswersOkOrCancel) {
    for (int button : {IDOK, IDCANCEL}) {
        PreferenceRecord r = Mixed();
        PreferenceDlg dlg(&r);
        platform::QueueDialogScript([button](HWND d) { platform::ClickDlgItem(d, button); });
        EXPECT_EQ(dlg.Execute("DemoPreferences", Dialog::kModal), button == IDOK ? 1 : 0);
    }
}

} // namespace
