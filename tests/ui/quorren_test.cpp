// The art-decorated windows and the game's stand-in for data files: tiled blocks around a
// centred picture, frames tiled in turn, art of no size drawing nothing (and never looping).
#include "tests/ui/ui_fixture.h"
#include "ui/windows/game_app_stand_in.h"
#include "ui/windows/quorren_windows.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

class Decorated : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        datagen::LibrarySpec main{"", {{"Blocks", {Solid("b0", 16, 16, 50), Solid("b1", 16, 16, 60), Solid("b2", 16, 16, 70)}},
                                       {"Title", {Solid("picture", 20, 10, 90)}},
                                       {"Huge", {Solid("big", 100, 50, 95)}}}};
        data.WriteLibrary("MAIN.QIF", main);
        datagen::LibrarySpec frames{"", {{"Cycle", {Solid("f0", 10, 10, 110), Solid("f1", 10, 10, 120)}}}};
        data.WriteLibrary("FRAMES.QIF", frames);
        datagen::LibrarySpec empty{"", {{"Blocks", {Solid("thin", 0, 16, 50)}}}};
        data.WriteLibrary("THIN.QIF", empty);
        data.WriteIndex({{"main.qif", "Main Art"}, {"frames.qif", "Frames"}, {"thin.qif", "Thin"}});
        MakeApp();
    }
    // The index shown at a client point of a window.
    static COLORREF At(HWND w, int x, int y) {
        POINT p{x, y};
        ClientToScreen(w, &p);
        return platform::ScreenPixel(p.x, p.y);
    }
};

TEST_F(Decorated, BlocksTakeTurnsAcrossRowsAroundTheCentredPicture) {
    QuorrenMainWindow frame(Point(0, 0), Dim(64, 32), "Varnhold", "Main Art", SW_SHOWNORMAL, "Title");
    app->SetMainDisplay(&frame);
    ASSERT_EQ(frame.BlockCount(), 3);
    ASSERT_NE(frame.GetBackground(), nullptr);
    Drain();
    frame.PaintBackground(frame.GetClient());
    const HWND client = frame.GetClient();
    // Rows: 0 1 2 0, then 1 2 0 1 (the counter runs on across rows).
    const std::uint8_t expected[2][4] = {{50, 60, 70, 50}, {60, 70, 50, 60}};
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 4; ++col) {
            // A corner of each block that the picture does not cover.
            const int x = col * 16 + (col < 2 ? 1 : 14), y = row * 16 + (row == 0 ? 1 : 14);
            EXPECT_EQ(At(client, x, y), ShownColour(expected[row][col])) << row << "," << col;
        }
    // The picture at ((64 - 20) / 2, (32 - 10) / 2), its edges exact.
    EXPECT_EQ(At(client, 22, 11), ShownColour(90));
    EXPECT_EQ(At(client, 41, 20), ShownColour(90));
    EXPECT_EQ(At(client, 21, 11), ShownColour(60));
    EXPECT_EQ(At(client, 42, 15), ShownColour(70));  // right of the picture: block 2 of row 0
    EXPECT_EQ(At(client, 42, 20), ShownColour(50));  // and block 2 of row 1 below y 16
    EXPECT_EQ(At(client, 30, 21), ShownColour(70));  // below the picture: block 1 of row 1
    app->SetMainDisplay(nullptr);
}

TEST_F(Decorated, APictureLargerThanTheWindowStartsAtTheCorner) {
    QuorrenMainWindow frame(Point(0, 0), Dim(64, 32), "Varnhold", "Main Art", SW_SHOWNORMAL, "Huge");
    Drain();
    frame.PaintBackground(frame.GetClient());
    EXPECT_EQ(At(frame.GetClient(), 0, 0), ShownColour(95));
    EXPECT_EQ(At(frame.GetClient(), 63, 31), ShownColour(95));
}

TEST_F(Decorated, BlocksOfNoSizeAreRefusedAndNothingIsTiled) {
    QuorrenMainWindow frame(Point(0, 0), Dim(64, 32), "Varnhold", "Thin", SW_SHOWNORMAL, nullptr);
    EXPECT_EQ(frame.BlockCount(), 0);
    Drain();
    frame.PaintBackground(frame.GetClient());  // returns: nothing to tile with
    EXPECT_EQ(At(frame.GetClient(), 5, 5), ShownColour(0));
}

TEST_F(Decorated, AChildIsTiledWithTheFramesInTurn) {
    QuorrenMainWindow frame(Point(0, 0), Dim(200, 200), "Varnhold", "Main Art");
    app->SetMainDisplay(&frame);
    QuorrenChildWindow child(Point(0, 0), Dim(30, 20), "Frames", "Tiles");
    child.Art().SelectSection("Cycle");
    child.PaintBackground();
    auto at = [&](int x, int y) {
        const int row = Bitmap::BottomUp() ? child.GetHeight() - 1 - y : y;
        return child.GetPixels()[row * child.Stride() + x];
    };
    // 3 x 2 tiles: frames 0 1 0 / 1 0 1.
    EXPECT_EQ(at(0, 0), 110);
    EXPECT_EQ(at(10, 0), 120);
    EXPECT_EQ(at(20, 0), 110);
    EXPECT_EQ(at(0, 10), 120);
    EXPECT_EQ(child.Art().CurrentFrame(), 0);
    EXPECT_EQ(child.Art().ItemAt(0)->LockCount(), 0);
    app->SetMainDisplay(nullptr);
}

TEST_F(Decorated, AChildWhoseFrameHasNoWidthDrawsNothing) {
    QuorrenMainWindow frame(Point(0, 0), Dim(200, 200), "Varnhold", "Main Art");
    app->SetMainDisplay(&frame);
    QuorrenChildWindow child(Point(0, 0), Dim(30, 20), "Thin", "Tiles");
    child.Art().SelectSection("Blocks");
    child.Fill(7);
    child.PaintBackground();  // a width of 0 would never reach the window's width
    EXPECT_EQ(child.GetPixels()[0], 7);
    app->SetMainDisplay(nullptr);
}

// --- the game's data files ---

class GameFiles : public WinAppTest {};

TEST_F(GameFiles, TheGamesIndexAndASecondDirectoryAreUsed) {
    const std::string install = data.Data() + "/install";
    std::filesystem::create_directories(install);
    DataDirectory::SetValue("Tolvane", "Varnhold Demo", "Install", install);
    ASSERT_TRUE(datagen::WriteLibrary(install + "/UNITS.QIF",
                                      datagen::LibrarySpec{"", {{"Standing", {Solid("N", 4, 4, 33)}}}}));
    data.WriteIndex({{"units.qif", "Infantry"}}, "Vhqif.map");
    GameAppStandIn game;
    EXPECT_EQ(game.GetDataDirectory(1), data.Data());
    EXPECT_EQ(game.GetDataDirectory(0), install);
    EXPECT_EQ(game.GetMapFileName(), "Vhqif.map");
    // Not in the data directory: found in the installation.
    QIF<Bitmap> units("Infantry");
    ASSERT_EQ(units.TotalImageCount(), 1);
    Bitmap* n = units.GetBitmapByName("N", "Standing");
    ASSERT_NE(n, nullptr);
    EXPECT_EQ(n->GetPixels()[0], 33);
    units.UnlockBitmap("N", "Standing");
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

} // namespace
