// The splash, the big buttons and the start dialog: the logos and their dissolve, the repaint,
// the close on "CloseSplashScreen"; the big buttons' pictures by state; the start dialog's
// choices, its greyed buttons, its sound on every press, its centring and the history article.
#include "game/app/dialogs/big_dialog_buttons.h"
#include "game/app/dialogs/loading_dlg.h"
#include "game/app/dialogs/shell_command.h"
#include "game/app/dialogs/start_game_dlg.h"
#include "platform/gdi.h"
#include "platform/registry.h"
#include "tests/front_dialogs/front_fixture.h"
#include "ui/bitmap.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <set>

namespace {

using namespace fronttest;
using uitest::PixelAt;

class Start : public FrontDialogTest {
protected:
    void TearDown() override {
        frontend::ClearStartedCommands();
        FrontDialogTest::TearDown();
    }
    static Dialog* Of(HWND d) { return reinterpret_cast<Dialog*>(GetWindowLongPtrA(d, Dialog::kPointerOffset)); }
};

// Counts the dissolve's cells instead of drawing them one by one.
class CountingLoadingDlg : public LoadingDlg {
public:
    CountingLoadingDlg() : Window(Point(0, 0), Dim(0, 0), "", "LoadingDlg") {}
    std::vector<std::int32_t> cells;
    int empty = 0;

protected:
    void DrawCell(std::int32_t cell, const Box& source) override {
        cells.push_back(cell);
        if (source.width <= 0 || source.height <= 0) ++empty;
        LoadingDlg::DrawCell(cell, source);
    }
};

TEST_F(Start, SplashShowsThePublisherLogoCentredAndTheText) {
    LoadingDlg dlg;
    ASSERT_EQ(dlg.Execute("LoadingDlg", Dialog::kModeless), 0);
    dlg.ShowFirstLogo();
    const Dim client = dlg.GetClientSize();
    const Point at = dlg.LogoPlace(Dim(datagen::kLogoWidth, datagen::kLogoHeight));
    EXPECT_EQ(at, Point(static_cast<std::int16_t>(client.width / 2 - 20), static_cast<std::int16_t>(client.height / 2 - 10 - 10)));
    for (int y : {0, 7, datagen::kLogoHeight - 1})
        for (int x : {0, 13, datagen::kLogoWidth - 1})
            ASSERT_EQ(PixelAt(dlg, at.x + x, at.y + y), datagen::LogoPixel(false, x, y)) << x << "," << y;
    // The loading text stands 5 pixels above the bottom, centred.
    const Box text = dlg.TextBox();
    EXPECT_EQ(text.y + text.height, client.height - 5);
    bool ink = false;
    for (int y = text.y; y < text.y + text.height; ++y)
        for (int x = text.x; x < text.x + text.width; ++x) ink = ink || PixelAt(dlg, x, y) == uitest::kInk;
    EXPECT_TRUE(ink);
    dlg.Close(0);
}

TEST_F(Start, DissolveDrawsEveryCellOnceAndEndsOnTheDeveloperLogo) {
    for (unsigned seed : {1u, 7u, 12345u}) {
        std::srand(seed);
        CountingLoadingDlg dlg;
        dlg.Execute("LoadingDlg", Dialog::kModeless);
        dlg.ShowFirstLogo();
        dlg.ShowSecondLogo();
        // 40 x 20 in cells of 3: 14 columns and 7 rows, the last of each partly or wholly outside.
        const int n = (datagen::kLogoWidth / 3 + 1) * (datagen::kLogoHeight / 3 + 1);
        ASSERT_EQ(static_cast<int>(dlg.cells.size()), n) << seed;
        EXPECT_EQ(std::set<std::int32_t>(dlg.cells.begin(), dlg.cells.end()).size(), static_cast<std::size_t>(n)) << seed;
        const Point at = dlg.LogoPlace(Dim(datagen::kLogoWidth, datagen::kLogoHeight));
        for (int y = 0; y < datagen::kLogoHeight; ++y)
            for (int x = 0; x < datagen::kLogoWidth; ++x)
                ASSERT_EQ(PixelAt(dlg, at.x + x, at.y + y), datagen::LogoPixel(true, x, y)) << x << "," << y;
        dlg.Close(0);
    }
}

TEST_F(Start, RepaintRedrawsTheLastLogo) {
    LoadingDlg dlg;
    dlg.Execute("LoadingDlg", Dialog::kModeless);
    dlg.ShowSecondLogo();
    const Point at = dlg.LogoPlace(Dim(datagen::kLogoWidth, datagen::kLogoHeight));
    dlg.Refresh();  // the background alone again
    ASSERT_EQ(PixelAt(dlg, at.x + 5, at.y + 5), datagen::BackgroundColour("Intro"));
    InvalidateRect(dlg.GetHandle(), nullptr, TRUE);
    Drain();
    EXPECT_EQ(PixelAt(dlg, at.x + 5, at.y + 5), datagen::LogoPixel(true, 5, 5));
    dlg.Close(0);
}

TEST_F(Start, StartDialogClosesTheSplashWhenItJoinsTheBus) {
    LoadingDlg splash;
    splash.AttachToBus(app.get());
    splash.Execute("LoadingDlg", Dialog::kModeless);
    splash.ShowFirstLogo();
    StartGameDlg start(1);
    start.AttachToBus(app.get());
    EXPECT_EQ(splash.IsRunning(), 0);
    // Its handler is gone: a second notice finds nothing to close.
    delete recorder.SendNamedEvent("CloseSplashScreen");
    EXPECT_EQ(splash.IsRunning(), 0);
    start.DetachFromBus();
    splash.DetachFromBus();
}

TEST_F(Start, ChoicesEndTheDialogWithTheirIds) {
    struct Case {
        int button;
        std::int16_t result, choice;
    } cases[] = {
        {StartGameDlg::kStartBattle, 1, 106}, {StartGameDlg::kStartCampaign, 1, 102}, {StartGameDlg::kMultiplayer, 1, 103},
        {StartGameDlg::kLoadGame, 1, 101},    {IDCANCEL, 0, -1},
    };
    for (const Case& c : cases) {
        StartGameDlg dlg(1);
        dlg.AttachToBus(app.get());
        platform::QueueDialogScript([&](HWND d) { platform::ClickDlgItem(d, c.button); });
        EXPECT_EQ(dlg.Execute("StartGame", Dialog::kModal), c.result) << c.button;
        EXPECT_EQ(dlg.GetChoice(), c.choice) << c.button;
        EXPECT_EQ(dlg.IsStartBattle(), c.choice == 106);
        EXPECT_EQ(dlg.IsStartCampaign(), c.choice == 102);
        EXPECT_EQ(dlg.IsMultiplayer(), c.choice == 103);
        EXPECT_EQ(dlg.IsLoadGame(), c.choice == 101);
        dlg.DetachFromBus();
    }
}

TEST_F(Start, EveryPressPlaysTheSmashOnce) {
    recorder.Listen("PlayWave");
    StartGameDlg dlg(1);
    dlg.AttachToBus(app.get());
    dlg.Execute("StartGame", Dialog::kModeless);
    Drain();
    // A press held long enough to be drawn, then the release.
    auto press = [&](int id) {
        HWND button = GetDlgItem(dlg.GetHandle(), id);
        PostMessage(button, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));
        Drain();
        PostMessage(button, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        Drain();
    };
    press(StartGameDlg::kHistory);  // does nothing here, but sounds
    EXPECT_EQ(recorder.texts, (std::vector<std::string>{"smash.wav"}));
    EXPECT_EQ(dlg.IsRunning(), 1);
    press(StartGameDlg::kStartBattle);
    EXPECT_EQ(recorder.texts, (std::vector<std::string>{"smash.wav", "smash.wav"}));
    EXPECT_EQ(dlg.IsRunning(), 0);
    EXPECT_EQ(dlg.GetResult(), 1);
    EXPECT_TRUE(dlg.IsStartBattle());
    dlg.DetachFromBus();
}

TEST_F(Start, WithoutBattlesOnlyLoadMultiplayerAndExitStayUsable) {
    StartGameDlg dlg(0);
    std::map<int, bool> enabled;
    platform::QueueDialogScript([&](HWND d) {
        for (int id : {106, 102, 105, 104, 101, 103, 2}) enabled[id] = IsWindowEnabled(GetDlgItem(d, id)) != 0;
        platform::ClickDlgItem(d, StartGameDlg::kStartBattle);  // greyed: nothing
        platform::ClickDlgItem(d, IDCANCEL);
    });
    EXPECT_EQ(dlg.Execute("StartGame", Dialog::kModal), 0);
    EXPECT_EQ(dlg.GetChoice(), -1);
    for (int id : {106, 102, 105, 104}) EXPECT_FALSE(enabled[id]) << id;
    for (int id : {101, 103, 2}) EXPECT_TRUE(enabled[id]) << id;
}

TEST_F(Start, StartDialogIsCentredOnTheScreenInBigStoneButtons) {
    StartGameDlg dlg(0);
    dlg.Execute("StartGame", Dialog::kModeless);
    Drain();
    HWND d = dlg.GetHandle();
    RECT r{};
    GetWindowRect(d, &r);
    HDC dc = GetDC(nullptr);
    const int screenW = GetDeviceCaps(dc, HORZRES), screenH = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(nullptr, dc);
    EXPECT_EQ(r.left, screenW / 2 - (r.right - r.left) / 2);
    EXPECT_EQ(r.top, screenH / 2 - (r.bottom - r.top) / 2);
    auto topMiddle = [&](int id) {
        RECT b;
        GetWindowRect(GetDlgItem(d, id), &b);
        POINT p{(b.left + b.right) / 2, b.top + (b.bottom - b.top) / 2 - 8};
        ScreenToClient(d, &p);
        return PixelAt(dlg, p.x, p.y);
    };
    EXPECT_EQ(topMiddle(StartGameDlg::kLoadGame), datagen::BigButtonColour("Big Stone Pushbutton", "Up"));
    EXPECT_EQ(topMiddle(StartGameDlg::kStartBattle), datagen::BigButtonColour("Big Stone Pushbutton", "Disabled"));
    dlg.Close(0);
}

void SetClassesRoot(const char* key, const char* value) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    RegSetValueExA(k, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value), static_cast<DWORD>(std::strlen(value) + 1));
    RegCloseKey(k);
}

TEST_F(Start, HistoryStartsTheArticleWithTheHtmlProgramAndStays) {
    auto run = [&] {
        frontend::ClearStartedCommands();
        StartGameDlg dlg(1);
        platform::QueueDialogScript([](HWND d) {
            platform::ClickDlgItem(d, StartGameDlg::kHistory);
            platform::ClickDlgItem(d, IDCANCEL);
        });
        EXPECT_EQ(dlg.Execute("StartGame", Dialog::kModal), 0);
    };
    // Nothing associated: nothing started, nothing reported.
    platform::ClearShownMessageBoxes();
    run();
    EXPECT_TRUE(frontend::StartedCommands().empty());
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);

    SetClassesRoot(".htm", "htmlfile");
    SetClassesRoot("htmlfile\\shell\\open\\command", "\"/opt/viewer/bin/view\" -nohome \"%1\"");
    run();
    ASSERT_EQ(frontend::StartedCommands().size(), 1u);
    EXPECT_EQ(frontend::StartedCommands()[0], "/opt/viewer/bin/view " + data.Data() + "\\history\\HISTORY.htm");
    // A command without quotes is taken whole.
    SetClassesRoot("htmlfile\\shell\\open\\command", "view");
    run();
    ASSERT_EQ(frontend::StartedCommands().size(), 1u);
    EXPECT_EQ(frontend::StartedCommands()[0], "view " + data.Data() + "\\history\\HISTORY.htm");
}

// Draws a button of each class in each state onto a view larger than its pictures.
class BigButtons : public FrontDialogTest {
protected:
    static std::unique_ptr<Bitmap> Draw(DialogButton& button, std::uint32_t state) {
        auto view = std::make_unique<Bitmap>(Dim(170, 30), Bitmap::Plain);
        view->Fill(7);
        button.Draw(*view, state);
        return view;
    }
    // Leftmost ink column of the caption, -1 without ink.
    static int InkColumn(const Bitmap& b) {
        for (int x = 0; x < b.GetWidth(); ++x)
            for (int y = 0; y < b.GetHeight(); ++y)
                if (PixelAt(b, x, y) == uitest::kInk) return x;
        return -1;
    }
    static int InkRow(const Bitmap& b) {
        for (int y = 0; y < b.GetHeight(); ++y)
            for (int x = 0; x < b.GetWidth(); ++x)
                if (PixelAt(b, x, y) == uitest::kInk) return y;
        return -1;
    }
};

TEST_F(BigButtons, PicturesByStateCentredInTheControl) {
    BigDialogButton big(nullptr, "Go", Point(-1, -1), "DialogButtons", 0, BusMessage(0));
    BigStoneDialogButton stone(nullptr, "Go", Point(-1, -1), "DialogButtons", 0, BusMessage(0));
    const int x0 = (170 - datagen::kBigButtonWidth) / 2, y0 = (30 - datagen::kBigButtonHeight) / 2;
    struct Case {
        DialogButton* button;
        std::uint32_t state;
        const char* section;
        const char* image;
        bool caption;
    } cases[] = {
        {&big, 0, "Big Pushbutton", "Up", true},
        {&big, kItemSelected, "Big Pushbutton", "Down", true},
        {&stone, 0, "Big Stone Pushbutton", "Up", true},
        {&stone, kItemSelected, "Big Stone Pushbutton", "Down", false},
        {&stone, kItemDisabled, "Big Stone Pushbutton", "Disabled", true},
    };
    for (const Case& c : cases) {
        const auto drawn = Draw(*c.button, c.state);
        const Bitmap& view = *drawn;
        EXPECT_EQ(PixelAt(view, x0, y0), datagen::BigButtonColour(c.section, c.image)) << c.section << c.image;
        EXPECT_EQ(PixelAt(view, x0 - 1, y0), 7) << c.section << c.image;
        EXPECT_EQ(PixelAt(view, x0 + datagen::kBigButtonWidth - 1, y0 + datagen::kBigButtonHeight - 1),
                  datagen::BigButtonColour(c.section, c.image));
        EXPECT_EQ(InkColumn(view) >= 0, c.caption) << c.section << c.image;
    }
    // Pressed, the big button's caption moves two pixels right and down with its picture.
    const auto up = Draw(big, 0), down = Draw(big, kItemSelected);
    EXPECT_EQ(InkColumn(*down), InkColumn(*up) + 2);
    EXPECT_EQ(InkRow(*down), InkRow(*up) + 2);
    // Disabled, the big button shows "Up" through the grey table.
    Bitmap grey(Dim(1, 1), Bitmap::Plain);
    QIF<Bitmap> art("DialogButtons");
    grey.DrawAll(Point(0, 0), *art.GetBitmapByName("Up", "Big Pushbutton"), 2);
    art.UnlockBitmap("Up", "Big Pushbutton");
    const auto disabled = Draw(big, kItemDisabled);
    EXPECT_EQ(PixelAt(*disabled, x0, y0), PixelAt(grey, 0, 0));
    EXPECT_NE(PixelAt(*disabled, x0, y0), datagen::BigButtonColour("Big Pushbutton", "Up"));
    EXPECT_GE(InkColumn(*disabled), 0);
}

TEST_F(BigButtons, PictureLargerThanTheControlIsCentredAndClipped) {
    BigStoneDialogButton stone(nullptr, "", Point(-1, -1), "DialogButtons", 0, BusMessage(0));
    Bitmap view(Dim(100, 10), Bitmap::Plain);
    view.Fill(7);
    stone.Draw(view, 0);
    for (int y : {0, 9})
        for (int x : {0, 50, 99}) EXPECT_EQ(PixelAt(view, x, y), datagen::BigButtonColour("Big Stone Pushbutton", "Up"));
}

} // namespace
