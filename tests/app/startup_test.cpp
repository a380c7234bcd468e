// The program's start and end, the application's construction and its unit types.
#include "app_fixture.h"

#include "core/assertion.h"
#include "comms/ui/information_dlg.h"
#include "game/app/vh_main_window.h"
#include "game/app/vh_toolbar.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "ui/windows/windows_status_bar.h"

namespace {

using namespace apptest;

// The text lines of the information dialog.
constexpr std::int16_t kFirstLine = 101;
constexpr std::int16_t kSecondLine = 102;

// What the main menu stand-in saw of the running program.
struct Seen {
    int runs = 0;
    int secondCopy = -2;
    std::string title;
    std::vector<std::int16_t> paneWidths;
    std::size_t buttons = 0;
    std::string logo;
    int unitTypes = 0;
    int preloaded = -1;
};

TEST_F(AppTest, StartsToTheMainWindowRefusesASecondCopyAndShutsDown) {
    Seen seen;
    VhApp::SetMainMenu([&](VhApp& app) {
        ++seen.runs;
        seen.secondCopy = WinMain(nullptr, nullptr, "", 1);
        auto* frame = dynamic_cast<VhMainWindow*>(app.GetMainWindow());
        ASSERT_NE(frame, nullptr);
        seen.title = frame->GetTitle() ? frame->GetTitle() : "";
        for (const auto& pane : frame->GetStatusBar()->GetPanes()) seen.paneWidths.push_back(pane.width);
        seen.buttons = frame->GetToolbar()->GetButtons().size();
        const char* section = app.GetLoadingDialog()->GetCurrentSection();
        seen.logo = section ? section : "";
        seen.unitTypes = app.UnitTypeCount();
        seen.preloaded = app.PreloadedLibraryCount();
        app.Quit();
    });
    EXPECT_EQ(WinMain(nullptr, nullptr, "", 1), 0);
    EXPECT_EQ(seen.runs, 1);
    EXPECT_EQ(seen.secondCopy, 1) << "a second copy must be refused while the first runs";
    EXPECT_EQ(seen.title, "Varnhold");
    ASSERT_EQ(seen.paneWidths.size(), 2u);
    // 150 each, with the 4-pixel separator of the test art.
    EXPECT_EQ(seen.paneWidths[0], 154);
    EXPECT_EQ(seen.paneWidths[1], 154);
    EXPECT_EQ(seen.buttons, static_cast<std::size_t>(VhToolbar::kButtonCount));
    EXPECT_EQ(seen.logo, LoadingDlg::kDeveloperSection) << "half-way through the unit types the splash shows its second logo";
    EXPECT_EQ(seen.unitTypes, 14);
    EXPECT_EQ(seen.preloaded, 1);
    // Everything is gone again: no application, the reserve given back, the name free.
    EXPECT_EQ(GetApplication(), nullptr);
    EXPECT_EQ(VhApp::Get(), nullptr);
    EXPECT_FALSE(startup::HasMemoryReserve());
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
    seen = Seen();
    EXPECT_EQ(WinMain(nullptr, nullptr, "", 1), 0);
    EXPECT_EQ(seen.runs, 1);
}

TEST_F(AppTest, WithoutAMainMenuTheRunEndsAtOnce) {
    // The start dialog is not part of the program: its stand-in quits.
    EXPECT_EQ(WinMain(nullptr, nullptr, "", 1), 0);
}

TEST_F(AppTest, AMissingDataFileListIsReportedAndNothingIsRead) {
    std::filesystem::remove(data.File("qifdemo.hed"));
    platform::QueueMessageBoxAnswer(IDNO);  // go on after the report
    {
        VhApp app;
        EXPECT_EQ(app.PreloadedLibraryCount(), 0);
        EXPECT_EQ(app.UnitTypeCount(), 14);
    }
    ASSERT_GE(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Can't find " + data.Data() + "/qifdemo.hed"), std::string::npos)
        << platform::ShownMessageBox(0).text;
    // Stopping at the report ends the construction cleanly with the assertion.
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDYES);
    EXPECT_THROW({ VhApp app; }, Assertion);
    EXPECT_EQ(GetApplication(), nullptr);
}

TEST_F(AppTest, ADamagedDataFileListEndsTheListWithoutReadingPastIt) {
    struct Case {
        const char* what;
        std::vector<std::uint8_t> bytes;
        int preloaded;
    };
    std::vector<std::uint8_t> good = DataListRecord("Unit Flags", "FLAGS.QIF");
    std::vector<std::uint8_t> cutName(good.begin(), good.begin() + 40);
    std::vector<std::uint8_t> cutIndex(good.begin(), good.end() - 10);
    std::vector<std::uint8_t> twoThenCut = good;
    twoThenCut.insert(twoThenCut.end(), good.begin(), good.end());
    twoThenCut.insert(twoThenCut.end(), good.begin(), good.begin() + 70);
    const Case cases[] = {
        {"a record cut inside its name", cutName, 0},
        {"a record cut inside its index", cutIndex, 1},
        {"two records and a cut one", twoThenCut, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        data.WriteBytes("qifdemo.hed", c.bytes);
        for (int i = 0; i < 4; ++i) platform::QueueMessageBoxAnswer(IDNO);
        VhApp app;
        EXPECT_EQ(app.PreloadedLibraryCount(), c.preloaded);
        EXPECT_GE(platform::ShownMessageBoxCount(), 1u);
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
    }
}

// HKEY_LOCAL_MACHINE\SOFTWARE\Tolvane\Varnhold Demo "Install", or -1 when absent.
int InstallValue() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tolvane\\Varnhold Demo", 0, KEY_READ, &key) != ERROR_SUCCESS)
        return -1;
    BYTE bytes[4] = {};
    DWORD size = 4, type = 0;
    const LONG r = RegQueryValueExA(key, "Install", nullptr, &type, bytes, &size);
    RegCloseKey(key);
    return r == ERROR_SUCCESS ? bytes[0] : -1;
}

TEST_F(AppTest, AFileFoundOnlyInTheSecondDirectoryMovesTheDataLocation) {
    const std::string second = data.Data() + "/second";
    std::filesystem::create_directories(second);
    std::filesystem::rename(data.File("FLAGS.QIF"), second + "/FLAGS.QIF");
    uitest::DataDirectory::SetValue("Tolvane", "Varnhold Demo", "Second Path", second);
    VhApp app;
    EXPECT_EQ(app.PreloadedLibraryCount(), 1);
    EXPECT_EQ(app.GetDataLocation(), 1u);
    EXPECT_EQ(app.GetDirectory(2), second);
    EXPECT_EQ(app.GetDirectory(4), second);
    EXPECT_EQ(app.GetDirectory(1), data.Data());
    EXPECT_EQ(InstallValue(), 1);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

TEST_F(AppTest, WithNoSecondDirectoryAMissingFileIsReportedAndInstallNeverWritten) {
    std::filesystem::remove(data.File("FLAGS.QIF"));
    platform::QueueMessageBoxAnswer(IDNO);
    VhApp app;
    EXPECT_EQ(app.GetDataLocation(), 2u);
    EXPECT_EQ(app.GetDirectory(2), data.Data());
    EXPECT_TRUE(app.GetDirectory(4).empty());
    EXPECT_EQ(InstallValue(), -1);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Can't find FLAGS.QIF"), std::string::npos);
}

TEST_F(AppTest, UnitTypesAreRegisteredAndAnsweredOnTheBus) {
    VhApp app;
    struct Case {
        const char* name;
        short number;
    };
    const Case cases[] = {{"Union Corp Commander", 0},   {"Union Cavalry", 10},   {"Confederate Iron Battery", 13},
                          {"Union Heavy Infantry", 5},   {"Union Brass Battery", -1}, {"union cavalry", -1}};
    app.Run();  // the stand-in main menu quits at once; the handlers stay registered
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Container<std::string> name{std::string(c.name)};
        ContainerBase* answer = app.GetLogicalLayer()->SendNamed("GetIndexOfUnitType", &name);
        const short* number = PayloadValue<short>(answer);
        ASSERT_NE(number, nullptr);
        EXPECT_EQ(*number, c.number);
        delete answer;
    }
    // Every rules prototype is filed under its number.
    for (int i = 0; i < 14; ++i) EXPECT_NE(app.GetLogicalLayer()->GetRegisteredObject(static_cast<std::int16_t>(i)), nullptr);
}

TEST_F(AppTest, TheUnitTypeRegistrySearchesTheGivenKindFirst) {
    VhApp app;
    EXPECT_EQ(app.RegisterUnitType("Anything", -1), -1);
    EXPECT_EQ(app.UnitTypeCount(), 14);
    // The same name under two kinds: the kind's own list wins, else the lowest kind.
    const int inKind5 = app.RegisterUnitType("Twin", 5);
    const int inKind3 = app.RegisterUnitType("Twin", 3);
    EXPECT_EQ(inKind5, 14);
    EXPECT_EQ(inKind3, 15);
    EXPECT_EQ(app.FindUnitType("Twin", 5), 14);
    EXPECT_EQ(app.FindUnitType("Twin", 3), 15);
    EXPECT_EQ(app.FindUnitType("Twin", -1), 15);
    EXPECT_EQ(app.FindUnitType("Twin", 9), 15);
}

TEST_F(AppTest, TheMenuCommandNamesKeepTheirNumbers) {
    VhApp app;
    const VhToolbar::CommandName* names = VhToolbar::CommandNames();
    for (int i = 0; i < VhToolbar::kCommandNames; ++i) {
        std::uint16_t number = 0;
        ASSERT_TRUE(FindMessage(names[i].name, &number)) << names[i].name;
        EXPECT_EQ(number, names[i].id) << names[i].name;
    }
}

TEST_F(AppTest, TheSoundThreadServicesTheSoundManagerUntilTheEnd) {
    struct CountingSound : SoundService {
        std::atomic<int>* cdOff;
        explicit CountingSound(std::atomic<int>* c) : cdOff(c) {}
        void CDNotPresent() override { ++*cdOff; }
    };
    std::atomic<int> cdOff{0};
    VhApp::SetNextSoundManager(std::make_unique<CountingSound>(&cdOff));
    {
        VhApp app;
        EXPECT_EQ(cdOff.load(), 1);
        for (int i = 0; i < 200 && app.SoundServiceCount() == 0; ++i) std::this_thread::sleep_for(std::chrono::milliseconds(5));
        EXPECT_GE(app.SoundServiceCount(), 1u);
    }  // the thread is joined here; a hang would stop the test
}

TEST_F(AppTest, TheOutOfMemoryHandlerGivesBackItsReserveAndAsks) {
    EXPECT_FALSE(startup::HasMemoryReserve());
    MemErrorInfo info{MEM_OUT_OF_MEMORY, nullptr};
    platform::QueueMessageBoxAnswer(IDRETRY);
    EXPECT_EQ(MemoryErrorHandler(&info), 1u);
    EXPECT_TRUE(startup::HasMemoryReserve()) << "Retry makes a fresh reserve";
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    const platform::ShownBox box = platform::ShownMessageBox(0);
    EXPECT_EQ(box.text, startup::kOutOfMemoryText);
    EXPECT_EQ(box.caption, "The Varnhold");
    EXPECT_EQ(box.type & 0xF, MB_RETRYCANCEL);
    // A second shortage again has a reserve to give back, and asks again.
    platform::QueueMessageBoxAnswer(IDRETRY);
    EXPECT_EQ(MemoryErrorHandler(&info), 1u);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 2u);

    // Other errors never show the program's own box.
    platform::ClearShownMessageBoxes();
    MemErrorInfo other{MEM_BAD_FREE_BLOCK, nullptr};
    platform::QueueMessageBoxAnswer(IDOK);
    MemoryErrorHandler(&other);
    for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i)
        EXPECT_NE(platform::ShownMessageBox(i).caption, "The Varnhold");
    platform::ClearMessageBoxAnswers();
}

TEST_F(AppTest, CancelOnTheOutOfMemoryBoxEndsTheProgram) {
    const auto cancel = [] {
        platform::QueueMessageBoxAnswer(IDCANCEL);
        MemErrorInfo info{MEM_OUT_OF_MEMORY, nullptr};
        MemoryErrorHandler(&info);
        std::_Exit(7);
    };
    EXPECT_EXIT(cancel(), ::testing::ExitedWithCode(0), "");
}

} // namespace

namespace {

using namespace apptest;

TEST_F(AppTest, TheApplicationsMessageBoxAnswersWithTheButtonChosen) {
    VhApp app;
    struct Case {
        int button;
        int answer;
    };
    for (const Case& c : {Case{1, 1}, Case{2, 0}}) {
        SCOPED_TRACE(c.button);
        std::string shown;
        platform::QueueDialogScript([&, c](HWND dialog) {
            if (auto* d = reinterpret_cast<Dialog*>(GetWindowLongPtrA(dialog, Dialog::kPointerOffset)))
                shown = d->GetItemText(kFirstLine) + "|" + d->GetItemText(kSecondLine);
            else
                shown = "<no dialog>";
            platform::ClickDlgItem(dialog, c.button);
        });
        EXPECT_EQ(app.MessageBox("The battle is over.", "Save it?"), c.answer);
        EXPECT_EQ(platform::PendingDialogScripts(), 0u);
        EXPECT_EQ(shown, "The battle is over.|Save it?");
    }
}

TEST_F(AppTest, TheWaitCursorOfTheConstructionGoesWithTheRunStep) {
    VhApp app;
    EXPECT_FALSE(app.IsIdle());
    app.Run();
    EXPECT_TRUE(app.IsIdle());
}

} // namespace
