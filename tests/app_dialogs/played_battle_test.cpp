// A whole battle on the headless game shell, run on a WinApp with the in-game dialog services
// installed: every dialog the game raises (the overview at each turn's end, the combat results,
// the notices, the end of the game) is answered by a script that presses its confirming button,
// and the battle reaches its end.
#include "game/app/dialogs/end_of_game_dlg.h"
#include "game/app/dialogs/end_turn_dlg.h"
#include "game/app/dialogs/in_game_services.h"
#include "game/logic/referee/game_control.h"
#include "platform/dialog.h"
#include "tests/shell/battle_driver.h"
#include "tests/shell/game_shell.h"
#include "tests/ui/dialog_art.h"
#include "tools/datagen/dialog_art_writer.h"
#include "ui/windows/dialog.h"

#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <string>
#include <typeinfo>

namespace {

// The data the dialogs draw with, written into the shell's directory, and the registry naming it.
std::unique_ptr<Application> MakeDialogApp(const std::string& directory) {
    // The registry of this battle is the shell's own, never the user's.
    ::setenv("VARNHOLD_HOME", (directory + "/home").c_str(), 1);
    platform::ReloadRegistry();
    uitest::DataDirectory::SetValue("Tolvane", "Varnhold Demo", "Path", directory);
    uitest::DataDirectory::SetValue("Tolvane", "Varnhold Demo", "Palette", "test.pal");
    datagen::WritePaletteFile(directory + "/test.pal", uitest::TestPalette());
    datagen::WriteLibrary(directory + "/dlgfont.qif", datagen::DialogFontLibrary(uitest::kInk));
    datagen::WriteLibrary(directory + "/chisel.qif", datagen::FontLibrary(uitest::kInk));
    datagen::WriteLibrary(directory + "/buttons.qif", datagen::DialogButtonsLibrary());
    datagen::WriteLibrary(directory + "/dlgbmp.qif", datagen::DialogBitmapsLibrary());
    datagen::WriteLibrary(directory + "/endgame.qif", datagen::EndOfGameBitmapsLibrary());
    datagen::WriteArtIndex(directory + "/qiffile.map", {{"dlgfont.qif", "MS Sans Serif 2"},
                                                         {"chisel.qif", "Chiseled Text"},
                                                         {"buttons.qif", "DialogButtons"},
                                                         {"dlgbmp.qif", "Dialog Bitmaps"},
                                                         {"endgame.qif", "End Of Game Bitmaps"}});
    return std::make_unique<WinApp>("Varnhold Demo", "", "");
}

class PlayedBattle : public ::testing::Test {
protected:
    void SetUp() override {
        uitest::ResetPlatform();
        platform::ClearDialogScripts();
        platform::ResetAbandonedDialogs();
        shell = std::make_unique<shell::GameShell>(MakeDialogApp);
        services = std::make_unique<InGameServices>(&shell->Layer(), &shell->Services());
        SetAppServices(services.get());
        SetUnitDialogs(&unitDialogs);
        dialogs = std::make_unique<InGameDialogs>(&shell->Layer());
        dialogs->AttachToBus(&shell->Layer());
    }
    void TearDown() override {
        platform::ClearDialogScripts();
        shell->Run(500);
        dialogs.reset();
        SetUnitDialogs(nullptr);
        shell.reset();
        services.reset();
        uitest::ResetPlatform();
    }
    // Scripts for the next `count` dialogs: each presses its confirming button and is counted.
    void AnswerDialogs(int count) {
        for (int i = 0; i < count; ++i)
            platform::QueueDialogScript([this](HWND d) {
                auto* dialog = reinterpret_cast<Dialog*>(GetWindowLongPtrA(d, Dialog::kPointerOffset));
                ++shown[dialog ? typeid(*dialog).name() : "?"];
                if (!platform::ClickDlgItem(d, 1)) platform::ClickDlgItem(d, 101);
            });
    }
    int Shown(const std::type_info& kind) const {
        const auto it = shown.find(kind.name());
        return it == shown.end() ? 0 : it->second;
    }

    std::unique_ptr<shell::GameShell> shell;
    std::unique_ptr<InGameServices> services;
    InGameUnitDialogs unitDialogs;
    std::unique_ptr<InGameDialogs> dialogs;
    std::map<std::string, int> shown;
};

TEST_F(PlayedBattle, TheBattleReachesItsEndWithEveryDialogAnsweredByScript) {
    datagen::LandscapeDraft map(12, 10);
    map.name = "Crossing";
    ASSERT_TRUE(shell->WriteMap("CROSSING.MAP", map));
    datagen::ScenarioDraft draft = datagen::MakeSampleScenario("CROSSING.MAP");
    draft.turnLimit = 3;
    ASSERT_TRUE(shell->WriteScenario("TEST.SCN", draft));
    shell->LoadScenario("TEST.SCN", 10, 7);
    ASSERT_NE(shell->Layer().GetGameControl(), nullptr);

    constexpr int kScripts = 400;
    AnswerDialogs(kScripts);
    shell::BattleDriver driver(*shell);
    driver.StartBattle();
    ASSERT_TRUE(driver.PlayToEnd(300));
    shell->Run(1000);

    EXPECT_EQ(platform::AbandonedDialogCount(), 0u) << "every dialog was answered";
    // One overview at the end of each turn, then the end of the game.
    EXPECT_EQ(Shown(typeid(EndTurnDlg)), draft.turnLimit);
    EXPECT_EQ(Shown(typeid(EndOfGameDlg)), 1);
    ASSERT_EQ(shell->Application().endOfGame.size(), 1u);
    EXPECT_TRUE(shell->Layer().GetGameControl()->IsGameOver());
}

} // namespace
