// Bitmap references into a larger surface, and palette animation under its four messages.
#include "core/message_registry.h"
#include "tests/ui/ui_fixture.h"
#include "ui/bitmap_reference.h"
#include "ui/logical_palette.h"
#include "ui/palette_animator.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

std::uint8_t At(const Bitmap& b, int x, int y) {
    const int row = Bitmap::BottomUp() ? b.GetHeight() - 1 - y : y;
    return b.GetPixels()[row * b.Stride() + x];
}

class References : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        platform::SetRecommendedOrientation(GetParam());
        Bitmap::ResetOrientation();
    }
    void TearDown() override {
        platform::SetRecommendedOrientation(-1);
        Bitmap::ResetOrientation();
    }
};

TEST_P(References, AnAreaAboveAndLeftMovesDrawingBackByTheOverhang) {
    Bitmap surface(Dim(100, 100), Bitmap::Plain);
    surface.Fill(1);
    BitmapReference ref(surface, Box(-5, -3, 20, 10));
    EXPECT_EQ(ref.GetX(), 0);
    EXPECT_EQ(ref.GetY(), 0);
    EXPECT_EQ(ref.GetOffset(), Point(5, 3));
    EXPECT_EQ(ref.GetSize(), Dim(15, 7));
    EXPECT_EQ(ref.Stride(), surface.Stride());
    Bitmap art(Dim(2, 2), Bitmap::Plain);
    art.Fill(9);
    EXPECT_EQ(ref.DrawAll(Point(5, 3), art, 1), Box(0, 0, 2, 2));
    EXPECT_EQ(At(surface, 0, 0), 9);
    EXPECT_EQ(At(surface, 1, 1), 9);
    EXPECT_EQ(At(surface, 2, 0), 1);
    // Drawn one column and row further left and up, only the lower-right pixel lands.
    surface.Fill(1);
    ref.DrawAll(Point(4, 2), art, 1);
    EXPECT_EQ(At(surface, 0, 0), 9);
    EXPECT_EQ(At(surface, 1, 0), 1);
    EXPECT_EQ(ref.MarkChanged(Box(0, 0, 5, 5)), Box());
}

TEST_P(References, AnAreaPastTheEdgeIsCutAndFillingKeepsTheRestOfTheRow) {
    Bitmap surface(Dim(30, 20), Bitmap::Plain);
    surface.Fill(1);
    BitmapReference ref(surface, Box(20, 5, 50, 4));
    EXPECT_EQ(ref.GetSize(), Dim(10, 4));
    BitmapReference inner(surface, Point(2, 2), Dim(5, 3));
    EXPECT_EQ(inner.Fill(7), Box(0, 0, 5, 3));
    EXPECT_EQ(At(surface, 2, 2), 7);
    EXPECT_EQ(At(surface, 6, 4), 7);
    EXPECT_EQ(At(surface, 7, 2), 1);  // right of the area: untouched
    EXPECT_EQ(At(surface, 2, 5), 1);  // below it
}

INSTANTIATE_TEST_SUITE_P(BothRowOrders, References, ::testing::Values(-1, 1));

class Animation : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        MakeApp();
    }
    static PALETTEENTRY Entry(BYTE r) { return PALETTEENTRY{r, 0, 0, 0}; }
    PALETTEENTRY Shown(int index) const {
        PALETTEENTRY e;
        GetPaletteEntries(app->GetPalette()->GetHandle(), static_cast<UINT>(index), 1, &e);
        return e;
    }
    // Moves the clock to `when` and handles what came due.
    static void RunTo(DWORD when) {
        platform::SetClock(when);
        MSG m;
        while (PeekMessage(&m, nullptr, 0, 0, PM_REMOVE)) DispatchMessage(&m);
    }
};

TEST_F(Animation, StartSuspendsResumeCyclesFromFrameZeroStopReleases) {
    PaletteAnimator animator(app->GetPalette(), 3, 41, 42);
    for (std::int16_t f = 0; f < 3; ++f) animator.SetEntry(f, 41, Entry(static_cast<BYTE>(10 + f)));
    animator.SetEntry(0, 99, Entry(1));  // outside the range: ignored
    animator.AttachToBus(app.get());
    delete animator.SendNamedEvent("StartPaletteAnimation");
    EXPECT_TRUE(animator.IsRunning());
    EXPECT_TRUE(animator.IsSuspended());
    delete animator.SendNamedEvent("StartPaletteAnimation");  // ignored while running
    delete animator.SendNamedEvent("SuspendPaletteAnimation");  // already suspended: nothing
    RunTo(600);
    EXPECT_EQ(animator.CurrentFrame(), 0);
    delete animator.SendNamedEvent("ResumePaletteAnimation");
    std::int16_t first = 0, last = 0;
    EXPECT_EQ(app->GetPalette()->GetReservedRange(first, last), 1);
    EXPECT_EQ(first, 41);
    // Five ticks a second: frames 0, 1, 2, 0 ...
    std::vector<int> seen;
    const DWORD start = GetTickCount();
    for (int i = 1; i <= 4; ++i) {
        RunTo(start + 200 * i);
        seen.push_back(Shown(41).peRed);
    }
    EXPECT_EQ(seen, (std::vector<int>{10, 11, 12, 10}));
    // An entry never set shows red.
    EXPECT_EQ(Shown(42).peRed, 255);
    delete animator.SendNamedEvent("StopPaletteAnimation");
    EXPECT_FALSE(animator.IsRunning());
    EXPECT_EQ(app->GetPalette()->GetReservedRange(first, last), 0);
    EXPECT_EQ(app->TimerSlotsInUse(), 0);
}

TEST_F(Animation, NoFramesOrAnEmptyRangeNeverAnimates) {
    PaletteAnimator none(app->GetPalette(), 0, 41, 45);
    none.Start();
    none.Resume();
    none.Tick();  // would divide by the frame count
    EXPECT_EQ(none.CurrentFrame(), 0);
    PaletteAnimator backwards(app->GetPalette(), 2, 45, 41);
    backwards.Tick();
    EXPECT_EQ(backwards.FrameEntries(0), nullptr);
}

} // namespace
