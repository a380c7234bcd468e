// The saved game's header, the names the load/save chooser derives, and the application's
// saving, opening and autosaving of a game.
#include "app_fixture.h"
#include "tests/support/dialog_input.h"

#include "game/app/load_save_dlg.h"
#include "game/app/saved_game_header.h"
#include "game/logic/referee/vh_logical_layer.h"

#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

using namespace apptest;
namespace sgh = saved_game_header;

std::vector<std::uint8_t> ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::vector<std::uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void WriteAll(const std::string& path, const std::vector<std::uint8_t>& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

TEST(VersionHash, FoldsTheLengthAndEveryLittleEndianGroup) {
    struct Case {
        const char* text;
        std::uint32_t hash;
    };
    const Case cases[] = {
        {"Demo 1.0", 0x5F43546Cu},
        {"", 0u},
        {"A", 1u ^ 0x41u},
        {"abcde", 5u ^ 0x64636261u ^ 0x65u},
        {"abcdefg", 7u ^ 0x64636261u ^ 0x00676665u},
    };
    for (const Case& c : cases) EXPECT_EQ(sgh::VersionHash(c.text), c.hash) << c.text;
}

sgh::Header SampleHeader() {
    sgh::Header h;
    h.hash = sgh::VersionHash("Demo 1.0");
    h.saveName = "Ridge at dusk";
    h.scenarioIndex = 3;
    h.scenarioName = "GETTYSB.SCN";
    h.gameMode = 1;
    h.headerWord = 0x1234;
    return h;
}

TEST(SavedGameHeader, IsWrittenFieldByFieldAndReadBackWhole) {
    const sgh::Header h = SampleHeader();
    const std::vector<std::uint8_t> bytes = sgh::Encode(h);
    ASSERT_EQ(bytes.size(), 20u + 4 + 2 + 13 + 4 + 2 + 11 + 4 + 2);
    for (int i = 0; i < 20; ++i) EXPECT_EQ(bytes[i], 0) << "slot byte " << i;
    EXPECT_EQ(bytes[20], 0x6C);
    EXPECT_EQ(bytes[23], 0x5F);
    EXPECT_EQ(bytes[24], 13);
    EXPECT_EQ(bytes[25], 0);
    EXPECT_EQ(std::string(bytes.begin() + 26, bytes.begin() + 39), "Ridge at dusk");
    EXPECT_EQ(bytes[39], 3);
    EXPECT_EQ(bytes.back(), 0x12);

    sgh::Header back;
    std::size_t used = 0;
    std::string error;
    ASSERT_TRUE(sgh::Decode(bytes, back, used, error)) << error;
    EXPECT_EQ(used, bytes.size());
    EXPECT_EQ(back.hash, h.hash);
    EXPECT_EQ(back.saveName, h.saveName);
    EXPECT_EQ(back.scenarioIndex, h.scenarioIndex);
    EXPECT_EQ(back.scenarioName, h.scenarioName);
    EXPECT_EQ(back.gameMode, h.gameMode);
    EXPECT_EQ(back.headerWord, h.headerWord);
}

TEST(SavedGameHeader, AnEmptySaveNameIsALengthOfZeroAndNoBytes) {
    sgh::Header h = SampleHeader();
    h.saveName.clear();
    const std::vector<std::uint8_t> bytes = sgh::Encode(h);
    EXPECT_EQ(bytes[24], 0);
    EXPECT_EQ(bytes[25], 0);
    EXPECT_EQ(bytes[26], 3) << "the scenario index follows the length at once";
    sgh::Header back;
    std::size_t used = 0;
    std::string error;
    ASSERT_TRUE(sgh::Decode(bytes, back, used, error));
    EXPECT_EQ(back.saveName, "");
}

TEST(SavedGameHeader, DamagedHeadersAreRefusedWithAReason) {
    const std::vector<std::uint8_t> good = sgh::Encode(SampleHeader());
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
    };
    std::vector<Case> cases;
    for (std::size_t cut : {std::size_t{0}, std::size_t{19}, std::size_t{24}, std::size_t{30}, good.size() - 1})
        cases.push_back({"cut short", std::vector<std::uint8_t>(good.begin(), good.begin() + static_cast<std::ptrdiff_t>(cut))});
    std::vector<std::uint8_t> negative = good;
    negative[25] = 0x80;
    cases.push_back({"negative name length", negative});
    std::vector<std::uint8_t> past = good;
    past[24] = 0xF0;
    past[25] = 0x01;
    cases.push_back({"name past the end", past});
    std::vector<std::uint8_t> mode = good;
    mode[good.size() - 6] = 5;
    cases.push_back({"unknown game mode", mode});
    std::vector<std::uint8_t> scenario = good;
    scenario[39] = 11;
    cases.push_back({"unknown scenario", scenario});
    for (const Case& c : cases) {
        sgh::Header back;
        std::size_t used = 0;
        std::string error;
        EXPECT_FALSE(sgh::Decode(c.bytes, back, used, error)) << c.what;
        EXPECT_FALSE(error.empty()) << c.what;
    }
}

TEST(SavedGameHeader, AutosaveFilesAreKnownWhateverTheirCase) {
    EXPECT_STREQ(sgh::AutosaveFile(0), "\\Autosave.Vh");
    EXPECT_STREQ(sgh::AutosaveFile(1), "\\Autocamp.Vh");
    EXPECT_STREQ(sgh::AutosaveFile(2), "\\Autontwk.Vh");
    EXPECT_STREQ(sgh::AutosaveFile(3), "");
    const std::pair<const char*, bool> paths[] = {
        {"C:\\games\\AUTOSAVE.VH", true}, {"/x/autocamp.Vh", true}, {"/x/Autontwk.vh", true},
        {"/x/My_autosave_game.Vh", false}, {"/x/Battle.Vh", false}};
    for (const auto& [path, autosave] : paths) EXPECT_EQ(sgh::IsAutosavePath(path), autosave) << path;
}

TEST(LoadSaveNames, TheDescriptionGivesTheFileName) {
    struct Case {
        const char* description;
        bool longNames;
        const char* file;
    };
    const Case cases[] = {
        {"My game: 1", true, "My_game__1.Vh"},
        {"My game: 1", false, "My_game_.Vh"},
        {"a.b\\c/d*e?f\"g<h>i|j", true, "a_b_c_d_e_f_g_h_i_j.Vh"},
        {"Short", false, "Short.Vh"},
    };
    for (const Case& c : cases) EXPECT_EQ(LoadSaveDlg::DeriveFileName(c.description, c.longNames), c.file) << c.description;
}

class SavedGameTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app = std::make_unique<VhApp>();
    }
    void TearDown() override {
        app.reset();
        AppTest::TearDown();
    }
    std::string SavedGame(const std::string& name) const { return data.Data() + "\\" + name; }

    std::unique_ptr<VhApp> app;
};

TEST_F(SavedGameTest, SavingProposesAFreeName) {
    WriteAll(data.File("Battle.Vh"), {1});
    EXPECT_EQ(LoadSaveDlg::MakeUnique(data.Data(), "Battle.Vh"), "Battl0.Vh");
    WriteAll(data.File("Battl0.Vh"), {1});
    EXPECT_EQ(LoadSaveDlg::MakeUnique(data.Data(), "Battle.Vh"), "Battl1.Vh");
    EXPECT_EQ(LoadSaveDlg::MakeUnique(data.Data(), "Other.Vh"), "Other.Vh");
}

TEST_F(SavedGameTest, SaveWritesTheHeaderAndTheMapWindowBlocks) {
    app->SetSavePath(SavedGame("first.Vh"));
    app->SetSaveName("");
    app->SetScenarioIndex(2);
    app->SetScenarioName("BRANDYS.SCN");
    app->SetGameMode(0);
    app->GetLogicalLayer()->SetHeaderWord(7);
    ASSERT_TRUE(app->SaveGame());
    app->DrainTasks();

    sgh::Header expected;
    expected.hash = 0x5F43546Cu;
    expected.scenarioIndex = 2;
    expected.scenarioName = "BRANDYS.SCN";
    expected.gameMode = 0;
    expected.headerWord = 7;
    const std::vector<std::uint8_t> file = ReadAll(data.File("first.Vh"));
    sgh::Header read;
    std::size_t used = 0;
    std::string error;
    ASSERT_TRUE(sgh::Decode(file, read, used, error)) << error;
    EXPECT_EQ(read.hash, expected.hash);
    EXPECT_EQ(read.scenarioIndex, 2);
    EXPECT_EQ(read.scenarioName, "BRANDYS.SCN");
    EXPECT_EQ(read.gameMode, 0);
    EXPECT_EQ(read.headerWord, 7);
    EXPECT_EQ(used, sgh::Encode(expected).size());
    // Two map-window blocks with no window, right behind the header.
    ASSERT_GE(file.size(), used + 4);
    EXPECT_EQ((std::vector<std::uint8_t>(file.begin() + static_cast<std::ptrdiff_t>(used),
                                         file.begin() + static_cast<std::ptrdiff_t>(used) + 4)),
              (std::vector<std::uint8_t>{0, 0, 0, 0}));
    // No battle is loaded: each map layer's block says no hex grid, no unit selected, no colours
    // and holds no picture, behind the table of their offsets that slot 1 names.
    const auto u32 = [&file](std::size_t at) {
        return static_cast<std::uint32_t>(file[at]) | file[at + 1] << 8 | file[at + 2] << 16 |
               static_cast<std::uint32_t>(file[at + 3]) << 24;
    };
    const std::uint32_t table = u32(4);
    ASSERT_GE(table, used + 4);
    ASSERT_LE(table + 8, file.size());
    for (int view = 0; view < 2; ++view) {
        const std::uint32_t block = u32(table + 4 * view);
        ASSERT_LE(block + 6, file.size()) << view;
        for (int k = 0; k < 6; ++k) EXPECT_EQ(file[block + k], 0) << view << " " << k;
    }
    EXPECT_NE(u32(table), u32(table + 4));
}

TEST_F(SavedGameTest, ASaveThatCannotBeWrittenSaysSo) {
    app->SetSavePath(data.Data() + "\\no such directory\\x.Vh");
    EXPECT_FALSE(app->SaveGame());
    EXPECT_FALSE(std::filesystem::exists(data.Data() + "/no such directory"));
}

TEST_F(SavedGameTest, OpeningReadsTheHeaderBackIntoTheApplication) {
    app->SetSavePath(SavedGame("camp.Vh"));
    app->SetSaveName("Spring campaign");
    app->SetScenarioIndex(5);
    app->SetScenarioName("FIVEFOR2.SCN");
    app->SetGameMode(1);
    app->GetLogicalLayer()->SetHeaderWord(12);
    ASSERT_TRUE(app->SaveGame());
    app->DrainTasks();

    app->SetSavePath("");
    app->SetSaveName("");
    app->SetScenarioIndex(0);
    app->SetScenarioName("");
    app->SetGameMode(3);
    app->GetLogicalLayer()->SetHeaderWord(0);
    ASSERT_TRUE(app->OpenSavedGame(SavedGame("camp.Vh"), "Spring campaign"));
    EXPECT_EQ(app->GetSavePath(), SavedGame("camp.Vh"));
    EXPECT_EQ(app->GetSaveName(), "Spring campaign");
    EXPECT_EQ(app->GetScenarioIndex(), 5);
    EXPECT_EQ(app->GetScenarioName(), "FIVEFOR2.SCN");
    EXPECT_EQ(app->GetGameMode(), 1);
    EXPECT_EQ(app->GetLogicalLayer()->GetHeaderWord(), 12);
    EXPECT_EQ(app->IsOpeningSavedGame(), 1);
    EXPECT_NE(app->GetCampaign(), nullptr) << "a campaign save gets an empty campaign to read its block";
}

TEST_F(SavedGameTest, DamagedOrForeignSavedGamesAreRefusedAndNothingChanges) {
    app->SetSavePath(SavedGame("good.Vh"));
    app->SetSaveName("Good");
    app->SetScenarioIndex(1);
    app->SetScenarioName("ANTIETA.SCN");
    app->SetGameMode(0);
    ASSERT_TRUE(app->SaveGame());
    app->DrainTasks();
    const std::vector<std::uint8_t> good = ReadAll(data.File("good.Vh"));

    std::vector<std::uint8_t> foreign = good;
    foreign[20] ^= 0xFF;
    std::vector<std::uint8_t> cut(good.begin(), good.begin() + 30);
    sgh::Header read;
    std::size_t used = 0;
    std::string error;
    ASSERT_TRUE(sgh::Decode(good, read, used, error)) << error;
    std::vector<std::uint8_t> mode = good;
    // The game mode is the i32 before the header word at the header's end.
    mode[used - 6] = 9;
    const std::pair<const char*, std::vector<std::uint8_t>> files[] = {
        {"foreign.Vh", foreign}, {"cut.Vh", cut}, {"mode.Vh", mode}};
    app->SetSavePath("kept");
    app->SetGameMode(3);
    for (const auto& [name, bytes] : files) {
        WriteAll(data.File(name), bytes);
        std::string first, second;
        platform::QueueDialogScript([&](HWND dialog) {
            if (auto* d = reinterpret_cast<Dialog*>(GetWindowLongPtrA(dialog, Dialog::kPointerOffset))) {
                first = d->GetItemText(101);
                second = d->GetItemText(102);
            }
            platform::ClickDlgItem(dialog, 1);
        });
        EXPECT_FALSE(app->OpenSavedGame(SavedGame(name), "x")) << name;
        EXPECT_EQ(first, "The saved game could not be opened.") << name;
        EXPECT_FALSE(second.empty()) << name << ": the reason is shown";
        EXPECT_EQ(app->GetSavePath(), "kept") << name;
        EXPECT_EQ(app->GetGameMode(), 3) << name;
        EXPECT_EQ(app->IsOpeningSavedGame(), 0) << name;
    }
    EXPECT_FALSE(app->OpenSavedGame(SavedGame("missing.Vh"), "x"));
}

TEST_F(SavedGameTest, AutosaveFollowsThePreferenceAndKeepsTheSavePath) {
    struct Case {
        std::int32_t mode;
        std::int32_t scenario;
        std::uint16_t preference;
        const char* file;
        const char* description;  // null: nothing saved
    };
    const Case cases[] = {
        {0, 0, 0, "Autosave.Vh", nullptr},
        {0, 0, 1, "Autosave.Vh", "Autosaved Game: 1st Bull Run; Turn #2; Union"},
        {0, 10, 1, "Autosave.Vh", "Autosaved Game: Turn #2; Union"},
        {1, 4, 1, "Autocamp.Vh", "Autosaved Campaign Game: Wilderness; Turn #2; Union"},
        {2, 9, 0, "Autontwk.Vh", "Autosaved Network Game: Cedar Mountain; Turn #2; Union"},
    };
    for (const Case& c : cases) {
        std::filesystem::remove(data.File(c.file));
        app->Preferences().autoSave = c.preference;
        app->SetGameMode(c.mode);
        app->SetScenarioIndex(c.scenario);
        app->SetSavePath("mine");
        app->SetSaveName("My name");
        EXPECT_EQ(app->AutoSave("Turn #2; Union"), c.description != nullptr) << c.file;
        app->DrainTasks();
        EXPECT_EQ(app->GetSavePath(), "mine");
        EXPECT_EQ(app->GetSaveName(), "My name");
        if (!c.description) {
            EXPECT_FALSE(std::filesystem::exists(data.File(c.file))) << c.file;
            continue;
        }
        sgh::Header h;
        std::size_t used = 0;
        std::string error;
        ASSERT_TRUE(sgh::ReadFile(data.File(c.file), 0x5F43546Cu, h, used, error)) << c.file << ": " << error;
        EXPECT_EQ(h.saveName, c.description);
        EXPECT_EQ(h.gameMode, c.mode);
    }
}

} // namespace

namespace {

// Sends the control's notification to the dialog, as the control itself would.
void Notify(HWND dialog, int id, WORD code) {
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(static_cast<WORD>(id), code),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

std::vector<std::string> ListTexts(HWND dialog) { return testsupport::ListBoxTexts(dialog, LoadSaveDlg::kList); }

TEST_F(SavedGameTest, TheChooserListsThisVersionsGamesAndOpensTheChosenFile) {
    struct Save {
        const char* file;
        const char* description;
        std::int32_t mode;
        std::uint32_t hash;
    };
    const Save saves[] = {
        {"a.Vh", "Alpha", 0, 0x5F43546Cu},
        {"b.Vh", "Bravo", 1, 0x5F43546Cu},
        {"c.Vh", "Charlie", 2, 0x5F43546Cu},
        {"d.Vh", "Old version", 0, 0x12345678u},
    };
    for (const Save& s : saves) {
        sgh::Header h;
        h.hash = s.hash;
        h.saveName = s.description;
        h.gameMode = s.mode;
        h.scenarioName = "X.SCN";
        WriteAll(data.File(s.file), sgh::Encode(h));
    }
    std::vector<std::string> shown;
    bool typedAndOK = false, chosenAndOK = false;
    platform::QueueDialogScript([&](HWND d) {
        shown = ListTexts(d);
        // A description that is listed by no game keeps OK shut.
        SetDlgItemTextA(d, LoadSaveDlg::kDescription, "Nobody");
        Notify(d, LoadSaveDlg::kDescription, EN_CHANGE);
        typedAndOK = IsWindowEnabled(GetDlgItem(d, IDOK)) != 0;
        SendDlgItemMessageA(d, LoadSaveDlg::kList, LB_SETCURSEL, 1, 0);
        Notify(d, LoadSaveDlg::kList, LBN_SELCHANGE);
        chosenAndOK = IsWindowEnabled(GetDlgItem(d, IDOK)) != 0;
        platform::ClickDlgItem(d, IDOK);
    });
    LoadSaveDlg dialog(nullptr, 0, 1);
    EXPECT_EQ(dialog.Execute("LoadSaveDlg", Dialog::kModal), 1);
    EXPECT_EQ(shown, (std::vector<std::string>{"Alpha (Normal)", "Bravo (Campaign)", "Charlie (Network)"}));
    EXPECT_FALSE(typedAndOK);
    EXPECT_TRUE(chosenAndOK);
    EXPECT_EQ(dialog.GetFileName(), "b.Vh");
    EXPECT_EQ(dialog.GetDescription(), "Bravo");
}

TEST_F(SavedGameTest, SaveWithoutAPathAsksForANameAndAnExistingFileBeforeOverwriting) {
    app->RegisterHandlers();
    app->SetGameMode(0);
    app->SetScenarioName("X.SCN");
    app->SetSavePath("");
    WriteAll(data.File("Ford.Vh"), {1, 2, 3});
    std::string proposed;
    platform::QueueDialogScript([&](HWND d) {
        SetDlgItemTextA(d, LoadSaveDlg::kDescription, "My game: 1");
        Notify(d, LoadSaveDlg::kDescription, EN_CHANGE);
        char name[64] = {};
        GetDlgItemTextA(d, LoadSaveDlg::kFileName, name, sizeof name);
        proposed = name;
        platform::ClickDlgItem(d, IDOK);
    });
    delete app->SendNamedEvent("GameSaveMenu");
    app->DrainTasks();
    EXPECT_EQ(proposed, "My_game__1.Vh");
    EXPECT_EQ(app->GetSavePath(), SavedGame("My_game__1.Vh"));
    EXPECT_EQ(app->GetSaveName(), "My game: 1");
    sgh::Header h;
    std::size_t used = 0;
    std::string error;
    ASSERT_TRUE(sgh::ReadFile(data.File("My_game__1.Vh"), 0x5F43546Cu, h, used, error)) << error;
    EXPECT_EQ(h.saveName, "My game: 1");

    // Choosing an existing file asks; No keeps the dialog and the file.
    int questions = 0;
    platform::QueueDialogScript([&](HWND d) {
        SetDlgItemTextA(d, LoadSaveDlg::kDescription, "Ford");
        Notify(d, LoadSaveDlg::kDescription, EN_CHANGE);
        char name[64] = {};
        GetDlgItemTextA(d, LoadSaveDlg::kFileName, name, sizeof name);
        proposed = name;
        SetDlgItemTextA(d, LoadSaveDlg::kFileName, "Ford.Vh");
        platform::ClickDlgItem(d, IDOK);
        platform::ClickDlgItem(d, IDCANCEL);
    });
    platform::QueueDialogScript([&](HWND d) {
        ++questions;
        platform::ClickDlgItem(d, 2);
    });
    delete app->SendNamedEvent("GameSaveAsMenu");
    app->DrainTasks();
    EXPECT_EQ(proposed, "For0.Vh") << "a free name is proposed";
    EXPECT_EQ(questions, 1);
    EXPECT_EQ(ReadAll(data.File("Ford.Vh")), (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_EQ(app->GetSavePath(), SavedGame("My_game__1.Vh"));
}

} // namespace
