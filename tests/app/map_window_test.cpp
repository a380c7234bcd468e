// The map window on its own: the view modes its commands choose, the zooms for combats and routs
// and their way back, the arrow keys, the cursor files and its block in a saved game.
#include "app_fixture.h"

#include "core/super_string.h"
#include "game/app/vh_map_window.h"
#include "landscape/game/vh_landscape_tile.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "platform/gdi.h"
#include "platform/input.h"

#include <filesystem>

namespace {

using namespace apptest;

class MapWindowTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app = std::make_unique<VhApp>();
        window = std::make_unique<VhMapWindow>(nullptr, Dim(), Dim(20, 20), "");
    }
    void TearDown() override {
        window.reset();
        app.reset();
        AppTest::TearDown();
    }
    std::unique_ptr<VhApp> app;
    std::unique_ptr<VhMapWindow> window;
};

TEST_F(MapWindowTest, TheZoomCommandsKeepTheReversedView) {
    EXPECT_EQ(window->GetViewMode(), VhMapWindow::kQuarter) << "a new window is zoomed out";
    const struct {
        std::uint16_t command;
        std::uint32_t mode;
    } steps[] = {{VhMapWindow::kZoomIn, 0},
                 {VhMapWindow::kReverseView, VhMapWindow::kReversed},
                 {VhMapWindow::kNormal, VhMapWindow::kReversed | VhMapWindow::kHalf},
                 {VhMapWindow::kZoomOut, VhMapWindow::kReversed | VhMapWindow::kQuarter},
                 {VhMapWindow::kReverseView, VhMapWindow::kQuarter},
                 {VhMapWindow::kZoomOut, VhMapWindow::kQuarter}};
    std::uint32_t before = window->GetViewMode();
    for (const auto& s : steps) {
        window->Command(s.command, 0);
        app->DrainTasks();
        EXPECT_EQ(window->GetViewMode(), s.mode) << s.command;
        if (s.mode != before) {
            EXPECT_EQ(window->GetSavedViewMode(), before) << s.command;
        }
        before = s.mode;
    }
}

TEST_F(MapWindowTest, ACombatZoomAndARoutZoomEachGoBackOnlyAfterTheirOwnZoom) {
    const Point3D points[3] = {Point3D(100, 100, 0), Point3D(50, 50, 0), Point3D(25, 25, 0)};
    // Zoomed out: in for the combat, back out after it.
    window->ZoomInForCombat(points);
    EXPECT_EQ(window->GetViewMode(), 0u);
    EXPECT_TRUE(window->IsCombatZoomed());
    window->ZoomOutAfterCombat();
    app->DrainTasks();
    EXPECT_EQ(window->GetViewMode(), VhMapWindow::kQuarter);
    EXPECT_FALSE(window->IsCombatZoomed());

    // Already zoomed in: only centred, and nothing to go back to.
    window->Command(VhMapWindow::kZoomIn, 0);
    window->ZoomInForCombat(points);
    EXPECT_FALSE(window->IsCombatZoomed());
    window->ZoomOutAfterCombat();
    EXPECT_EQ(window->GetViewMode(), 0u);

    // A rout on a zoomed-out view changes nothing; on a normal view it zooms out and back.
    window->Command(VhMapWindow::kZoomOut, 0);
    window->ZoomOutForRout();
    EXPECT_FALSE(window->IsRoutZoomed());
    window->ZoomInAfterRout();
    EXPECT_EQ(window->GetViewMode(), VhMapWindow::kQuarter);
    window->Command(VhMapWindow::kNormal, 0);
    window->ZoomOutForRout();
    EXPECT_TRUE(window->IsRoutZoomed());
    EXPECT_EQ(window->GetViewMode(), VhMapWindow::kQuarter);
    window->ZoomInAfterRout();
    EXPECT_EQ(window->GetViewMode(), VhMapWindow::kHalf);
    EXPECT_FALSE(window->IsRoutZoomed());
}

TEST_F(MapWindowTest, UpAndDownScrollTwoCellsLeftAndRightOne) {
    VhLandscapeTile* tile = window->GetTile();
    ASSERT_NE(tile, nullptr);
    const struct {
        int key;
        Point delta;
    } keys[] = {{VK_DOWN, Point(0, 2)}, {VK_UP, Point(0, -2)}, {VK_RIGHT, Point(1, 0)}, {VK_LEFT, Point(-1, 0)}};
    for (const auto& k : keys) {
        const Point before = tile->GetOriginCell();
        window->WindowProc(WM_KEYDOWN, static_cast<WPARAM>(k.key), 0);
        EXPECT_EQ(tile->GetOriginCell(), before + k.delta) << k.key;
    }
}

TEST_F(MapWindowTest, AnAnimatedCursorOnAPaletteScreenIsTheFileWithAnEight) {
    EXPECT_EQ(VhMapWindow::CursorFile("D", "N.ani", 8), DataPath("D", "N8.ani"));
    EXPECT_EQ(VhMapWindow::CursorFile("D", "SW.ani", 24), DataPath("D", "SW.ani"));
}

// The cursors the game asks the map window for, read from the art the build makes: each order's
// (a charge, musket and cannon fire) and each edge-scrolling direction's. Once asked for, the
// window's cursor is that file (the one with "8" before ".ani" on a palette screen), and the window
// shows it over its client area; "ArrowCursor" brings the arrow back, and a file that is not there
// leaves the window with no cursor of its own rather than the one before.
TEST_F(MapWindowTest, EachOrderAndScrollCursorIsLoadedFromItsFileAndShownOverTheMap) {
    const std::vector<std::string> stems = {"charge", "musket", "cannon", "N", "NE", "E", "SE", "S", "SW", "W", "NW"};
    for (const std::string& stem : stems)
        for (const char* suffix : {".ani", "8.ani"}) {
            const std::string file = stem + suffix;
            std::error_code ec;
            std::filesystem::copy_file(std::string(VH_DATA_DIR) + "/" + file, data.File(file),
                                       std::filesystem::copy_options::overwrite_existing, ec);
            ASSERT_FALSE(ec) << file << ": " << ec.message();
        }
    // The program is idle while a battle is played; busy, every window keeps the wait cursor.
    app->EndWait();
    HDC dc = GetDC(nullptr);
    const bool palette = GetDeviceCaps(dc, 12) < 9;
    ReleaseDC(nullptr, dc);
    const auto shown = [this]() {
        ::SetCursor(nullptr);
        window->WindowProc(WM_SETCURSOR, 0, HTCLIENT);
        return GetCursor();
    };
    const auto endsWith = [](const std::string& text, const std::string& tail) {
        return text.size() >= tail.size() && text.compare(text.size() - tail.size(), tail.size(), tail) == 0;
    };
    for (const std::string& stem : stems) {
        window->ChangeCursor(stem + ".ani");
        const HCURSOR cursor = shown();
        ASSERT_NE(cursor, nullptr) << stem;
        EXPECT_TRUE(endsWith(platform::CursorName(cursor), "/" + stem + (palette ? "8.ani" : ".ani")))
            << stem << ": " << platform::CursorName(cursor);
        EXPECT_NE(platform::CursorImageOf(cursor), nullptr) << stem;

        window->ChangeCursor("ArrowCursor");
        EXPECT_EQ(platform::CursorId(shown()), 32512u) << "after " << stem;
    }

    window->ChangeCursor("charge.ani");
    ASSERT_NE(shown(), nullptr);
    window->ChangeCursor("lance.ani");
    EXPECT_EQ(shown(), nullptr);
}

TEST_F(MapWindowTest, TheSavedBlockGivesTheViewModeBack) {
    window->Command(VhMapWindow::kNormal, 0);
    window->Command(VhMapWindow::kReverseView, 0);
    SuperString block(64), copy(64);
    window->SaveState(block);
    window->SaveState(copy);
    ASSERT_EQ(block.Length(), 8);
    std::int16_t mode = 0, shown = 0, x = 0, y = 0;
    copy >> mode >> shown >> x >> y;
    EXPECT_EQ(mode, static_cast<std::int16_t>(VhMapWindow::kHalf | VhMapWindow::kReversed));
    EXPECT_EQ(shown, 1) << "a new window shows its overview";

    VhMapWindow restored(block, nullptr, Dim(), Dim(20, 20), "");
    EXPECT_EQ(restored.GetViewMode(), VhMapWindow::kHalf | VhMapWindow::kReversed);
    EXPECT_EQ(restored.GetSavedViewMode(), restored.GetViewMode());
    restored.LoadState(block);
    EXPECT_FALSE(block.Failed());
}

} // namespace
