// The slider (a value in 0..range under a thumb on a tiled track) and the spinner (a number with
// two arrows that step it, repeating while held), and the text tile: drawing, mouse sequences on
// a window, auto-repeat on the virtual clock and the edge values.
#include "tests/ui/control_fixture.h"
#include "ui/slider.h"
#include "ui/spinner.h"
#include "ui/text_tile.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;
namespace art = datagen::control_art;

// Controls that draw text get the block face; each test starts with a fresh shared face.
class FacedTest : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        Spinner::ReleaseSharedFace();
        previous = SetTextFaceFactory(&BlockFace::Make);
        BlockFace::fontNames().clear();
    }
    void TearDown() override {
        Spinner::ReleaseSharedFace();
        SetTextFaceFactory(previous);
        ControlTest::TearDown();
    }
    TextFaceFactory previous = nullptr;
};

// --- Slider ---

class Sliders : public ControlTest {
protected:
    static constexpr int kX = 10, kY = 100;
    // 105 pixels wide: a 100-pixel run for the 5-pixel thumb, one pixel a unit for range 100.
    void Place(Slider& s, int width = 105) {
        s.AttachToBus(app.get());
        s.Attach(window.get(), LayoutConstraints::Pixels(Box(kX, kY, width, art::kSliderHeight)));
        s.Redraw();
        s.Show();
    }
    COLORREF At(int x, int y = 5) const { return Shown(kX + x, kY + y); }
};

TEST_F(Sliders, TheTrackIsTiledAndTheThumbShowsTheValue) {
    Slider s(100, 0, "S");
    Place(s);
    EXPECT_EQ(s.GetTrackBox(), Box(0, 0, 105, art::kSliderHeight));
    EXPECT_FLOAT_EQ(s.GetScaleX(), 1.0f);
    EXPECT_EQ(s.GetThumbBox(), Box(0, 0, art::kSliderThumbWidth, art::kSliderHeight));
    struct Pixel {
        int x;
        std::uint8_t colour;
    };
    for (const Pixel& p : {Pixel{2, art::kSliderThumb}, Pixel{5, art::kTrackMiddleBase + 1},
                           Pixel{9, art::kTrackMiddleBase + 5}, Pixel{10, art::kTrackMiddleBase},
                           Pixel{100, art::kTrackMiddleBase},  // the cut copy: one column
                           Pixel{101, art::kTrackRight}, Pixel{104, art::kTrackRight}})
        EXPECT_EQ(At(p.x), ShownColour(p.colour)) << p.x;
    s.ScrollTo(Point(50, 0));
    EXPECT_EQ(s.GetValue(), 50);
    EXPECT_EQ(At(52), ShownColour(art::kSliderThumb));
    EXPECT_EQ(At(2), ShownColour(art::kTrackLeft));  // the old place is track again
}

TEST_F(Sliders, APressOnTheTrackStepsFiveHundredTowardItAndIsClamped) {
    Slider s(100, 40, "S");
    Place(s);
    Click(kX + 80, kY + 5);
    EXPECT_EQ(s.GetValue(), 100);
    EXPECT_EQ(At(102), ShownColour(art::kSliderThumb));
    Click(kX + 10, kY + 5);
    EXPECT_EQ(s.GetValue(), 0);
    EXPECT_EQ(window->GetCaptor(), nullptr);
    // With a view size the last value is range - view.
    s.SetViewSize(Dim(10, 0));
    Click(kX + 80, kY + 5);
    EXPECT_EQ(s.GetValue(), 90);
}

TEST_F(Sliders, DraggingTheThumbStopsAtEitherEnd) {
    Slider s(100, 0, "S");
    Place(s);
    Press(kX + 2, kY + 5);  // two pixels into the thumb
    EXPECT_TRUE(s.IsDragging());
    MoveTo(kX + 42, kY + 5);
    EXPECT_EQ(s.GetValue(), 40);
    EXPECT_EQ(At(41), ShownColour(art::kSliderThumb));
    MoveTo(kX + 250, kY + 30);
    EXPECT_EQ(s.GetValue(), 100);
    MoveTo(0, kY + 5);
    EXPECT_EQ(s.GetValue(), 0);
    Release(0, kY + 5);
    EXPECT_FALSE(s.IsDragging());
    MoveTo(kX + 60, kY + 5);
    EXPECT_EQ(s.GetValue(), 0);
}

TEST_F(Sliders, EdgeValuesAndSizesAreSafe) {
    // An initial value beyond the range is held at its end.
    Slider over(100, 150, "Over");
    EXPECT_EQ(over.GetValue(), 100);
    Slider under(100, -3, "Under");
    EXPECT_EQ(under.GetValue(), 0);
    // A range of 0: no scale, no division, the value stays 0.
    Slider none(0, 5, "None");
    Place(none);
    EXPECT_EQ(none.GetScaleX(), 0.0f);
    EXPECT_EQ(none.GetValue(), 0);
    Click(kX + 60, kY + 5);
    Press(kX + 2, kY + 5);
    MoveTo(kX + 80, kY + 5);
    Release(kX + 80, kY + 5);
    EXPECT_EQ(none.GetValue(), 0);
    EXPECT_EQ(Slider(10, 0).Component::GetName(), "Unnamed Slider");
}

TEST_F(Sliders, ATrackNarrowerThanItsEndsDrawsNoMiddle) {
    Slider s(100, 100, "Narrow");
    Place(s, 6);  // the two ends are 8 pixels together
    EXPECT_EQ(s.GetThumbBox().x, 1);
    for (int x = 0; x < 6; ++x) {
        const COLORREF c = At(x);
        for (int k = 0; k < art::kSliderMidWidth; ++k) EXPECT_NE(c, ShownColour(art::kTrackMiddleBase + k)) << x;
    }
    EXPECT_EQ(At(0), ShownColour(art::kTrackLeft));
}

// --- Spinner ---

class Spinners : public FacedTest {
protected:
    static constexpr int kX = 150, kY = 100;
    // 40 x 17: the top arrow at (30, 1), the bottom one at (30, 9).
    void Place(Spinner& s) {
        s.AttachToBus(app.get());
        s.Attach(window.get(), LayoutConstraints::Pixels(Box(kX, kY, 40, 17)));
        s.Redraw();
        s.Show();
    }
    void PressTop() { Press(kX + 34, kY + 4); }
    void PressBottom() { Press(kX + 34, kY + 12); }
    std::size_t Increments() const { return recorder.Of("SPINNER_INCREMENT").size(); }
    std::size_t Decrements() const { return recorder.Of("SPINNER_DECREMENT").size(); }
};

TEST_F(Spinners, TheFrameTheValueAndTheArrowsAreDrawn) {
    Spinner s(0, 10, 5, 2);
    Place(s);
    EXPECT_EQ(s.Component::GetName(), "Unnamed Spinner");
    EXPECT_EQ(s.GetArrowSize(), Dim(art::kArrowWidth, art::kArrowHeight));
    EXPECT_EQ(s.GetTopArrow(), Box(30, 1, 9, 7));
    EXPECT_EQ(s.GetBottomArrow(), Box(30, 9, 9, 7));
    EXPECT_EQ(BlockFace::fontNames(), (std::vector<std::string>{"MS Sans Serif 2"}));
    EXPECT_EQ(Shown(kX, kY), RGB(0, 0, 0));
    EXPECT_EQ(Shown(kX + 39, kY + 16), RGB(0, 0, 0));
    EXPECT_EQ(Shown(kX + 30, kY + 1), ShownColour(art::kTopUp));
    EXPECT_EQ(Shown(kX + 38, kY + 15), ShownColour(art::kBottomUp));
    // "5": one block centred left of the arrows: x = 30 / 2 - 5 / 2, base line 17 / 2 + 5 / 2.
    EXPECT_EQ(Shown(kX + 13, kY + 5), ShownColour(BlockFace::kInk));
    EXPECT_EQ(Shown(kX + 15, kY + 9), ShownColour(BlockFace::kInk));
    EXPECT_NE(Shown(kX + 16, kY + 5), ShownColour(BlockFace::kInk));
    // Outside the limits as set; drawn as it is.
    s.SetValue(50);
    EXPECT_EQ(s.GetValue(), 50);
    EXPECT_EQ(Shown(kX + 10, kY + 5), ShownColour(BlockFace::kInk));
    EXPECT_EQ(Shown(kX + 15, kY + 5), ShownColour(BlockFace::kInk));
}

TEST_F(Spinners, HoldingAnArrowStepsAtOnceThenEveryTickAfterFiveAndStopsAtTheLimit) {
    Spinner s(0, 10, 5, 2);
    Place(s);
    PressTop();
    EXPECT_EQ(s.GetValue(), 7);
    EXPECT_EQ(Increments(), 1u);
    EXPECT_TRUE(s.TopShowsDown());
    EXPECT_EQ(Shown(kX + 30, kY + 1), ShownColour(art::kTopDown));
    RunFor(260);  // five ticks of delay at 20 a second
    EXPECT_EQ(Increments(), 1u);
    RunFor(50);
    EXPECT_EQ(s.GetValue(), 9);
    RunFor(100);
    // At the maximum the value stays and the message still goes.
    EXPECT_EQ(s.GetValue(), 10);
    EXPECT_EQ(Increments(), 4u);
    // Off the arrow the stepping pauses and the arrow comes up; back on, it resumes.
    MoveTo(kX + 10, kY + 10);
    RunFor(100);
    EXPECT_EQ(Increments(), 4u);
    EXPECT_FALSE(s.TopShowsDown());
    EXPECT_EQ(Shown(kX + 30, kY + 1), ShownColour(art::kTopUp));
    MoveTo(kX + 34, kY + 4);
    RunFor(50);
    EXPECT_EQ(Increments(), 5u);
    EXPECT_TRUE(s.TopShowsDown());
    Release(kX + 34, kY + 4);
    EXPECT_FALSE(s.IsRepeating());
    EXPECT_FALSE(s.TopShowsDown());
    EXPECT_EQ(window->GetCaptor(), nullptr);
    RunFor(500);
    EXPECT_EQ(Increments(), 5u);
    EXPECT_EQ(Decrements(), 0u);
}

TEST_F(Spinners, TheBottomArrowStopsAtTheMinimumAndADoubleClickCountsAsAPress) {
    Spinner s(0, 10, 1, 2);
    Place(s);
    PressBottom();
    EXPECT_EQ(s.GetValue(), 0);
    EXPECT_TRUE(s.BottomShowsDown());
    Release(kX + 34, kY + 12);
    EXPECT_FALSE(s.BottomShowsDown());
    window->DispatchMouseEvent(Display::kLeftDoubleClick, Point(kX + 34, kY + 12));
    EXPECT_EQ(s.GetValue(), 0);
    EXPECT_EQ(Decrements(), 2u);
    Release(kX + 34, kY + 12);
    // A press beside the arrows does nothing.
    Click(kX + 5, kY + 5);
    EXPECT_EQ(Decrements() + Increments(), 2u);
    EXPECT_FALSE(s.IsRepeating());
}

TEST_F(Spinners, ADisabledSpinnerIgnoresPresses) {
    Spinner s(0, 10, 5, 1);
    Place(s);
    s.Enable(0);
    PressTop();
    Release(kX + 34, kY + 4);
    EXPECT_EQ(s.GetValue(), 5);
    EXPECT_TRUE(recorder.heard.empty());
    s.Enable(1);
    PressTop();
    Release(kX + 34, kY + 4);
    EXPECT_EQ(s.GetValue(), 6);
}

TEST_F(Spinners, ASpinnerDestroyedWhileRepeatingLeavesNoTimer) {
    const int before = app->TimerSlotsInUse();
    {
        Spinner s(0, 10, 5, 1);
        Place(s);
        PressTop();
        EXPECT_EQ(app->TimerSlotsInUse(), before + 1);
    }
    EXPECT_EQ(app->TimerSlotsInUse(), before);
    EXPECT_EQ(window->GetCaptor(), nullptr);
    RunFor(300);
}

TEST_F(ControlTest, ASpinnerWithoutAFontStillDrawsItsFrameAndArrows) {
    Spinner::ReleaseSharedFace();
    const TextFaceFactory previous = SetTextFaceFactory(nullptr);
    Spinner s(0, 10, 5, 1);
    s.AttachToBus(app.get());
    s.Attach(window.get(), LayoutConstraints::Pixels(Box(150, 100, 40, 17)));
    s.Redraw();
    s.Show();
    EXPECT_EQ(Shown(150, 100), RGB(0, 0, 0));
    EXPECT_EQ(Shown(180, 101), ShownColour(art::kTopUp));
    SetTextFaceFactory(previous);
}

TEST_F(ControlTest, SlidersAndSpinnersReportMissingArtAndDrawWhatTheyHave) {
    datagen::LibrarySpec slider = datagen::SliderLibrary();
    slider.sections[0].images.erase(slider.sections[0].images.begin());  // "TrackMiddle"
    data.WriteLibrary("SLIDER.QIF", slider);
    datagen::LibrarySpec spinner = datagen::SpinnerLibrary();
    spinner.sections[0].name = "Sideways";
    data.WriteLibrary("SPINNER.QIF", spinner);
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    platform::QueueMessageBoxAnswer(IDNO);
    Slider s(100, 0, "S");
    Spinner n(0, 10, 5, 1);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 2u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Missing slider art \"TrackMiddle\""), std::string::npos);
    EXPECT_NE(platform::ShownMessageBox(1).text.find("Missing spinner art \"Top end up\", \"Top end down\""),
              std::string::npos);
    s.Attach(window.get(), LayoutConstraints::Pixels(Box(10, 100, 105, art::kSliderHeight)));
    n.Attach(window.get(), LayoutConstraints::Pixels(Box(150, 100, 40, 17)));
    s.Redraw();
    n.Redraw();
    window->Update();
    EXPECT_EQ(Shown(12, 105), ShownColour(art::kSliderThumb));
    EXPECT_EQ(Shown(150, 100), RGB(0, 0, 0));
    EXPECT_EQ(n.GetArrowSize(), Dim());
    // Pressing where the arrows would be is harmless.
    Click(150 + 38, 101);
    EXPECT_EQ(n.GetValue(), 5);
}

// --- Text tile ---

using TextTiles = FacedTest;

TEST_F(TextTiles, DefaultsAndWhatTheOwnerReads) {
    TextTile t(7, "Hello", Point(20, 30), Dim(60, 10));
    EXPECT_EQ(t.Component::GetName(), "Unnamed Text Tile");
    EXPECT_EQ(t.GetFontName(), "MS Sans Serif 2");
    EXPECT_EQ(BlockFace::fontNames(), (std::vector<std::string>{"MS Sans Serif 2"}));
    EXPECT_EQ(t.GetId(), 7);
    EXPECT_EQ(t.GetPlace(), Point(20, 30));
    EXPECT_EQ(t.GetPosition(), Point(0, 0));
    EXPECT_EQ(t.GetSize(), Dim(60, 10));
    EXPECT_EQ(t.GetText(), "Hello");
    t.SetText(nullptr);
    EXPECT_EQ(t.GetText(), "");
    TextTile named(8, nullptr, Point(), Dim(5, 5), "Bold Font", "Caption");
    EXPECT_EQ(named.Component::GetName(), "Caption");
    EXPECT_EQ(named.GetFontName(), "Bold Font");
    EXPECT_EQ(named.GetText(), "");
}

TEST_F(TextTiles, TheTextIsDrawnOnTheFirstLineAndAnEmptyTextDrawsNothing) {
    TextTile t(7, "Hello", Point(20, 30), Dim(60, 10));
    t.Attach(window.get(), LayoutConstraints::Pixels(Box(t.GetPlace(), t.GetSize())));
    t.Fill(30);
    t.Redraw();
    t.Show();
    // Five blocks from x 0, on the base line at the line height (6): rows 1..5.
    EXPECT_EQ(Shown(20, 31), ShownColour(BlockFace::kInk));
    EXPECT_EQ(Shown(42, 35), ShownColour(BlockFace::kInk));
    EXPECT_EQ(Shown(43, 31), ShownColour(30));
    EXPECT_EQ(Shown(45, 31), ShownColour(30));
    EXPECT_EQ(Shown(20, 30), ShownColour(30));
    // The background is the owner's: an empty text leaves every pixel as it was.
    t.SetText("");
    t.Redraw();
    t.Show();
    EXPECT_EQ(Shown(20, 31), ShownColour(BlockFace::kInk));
    t.Fill(30);
    t.Redraw();
    t.Show();
    for (int y = 30; y < 40; ++y)
        for (int x = 20; x < 80; ++x) ASSERT_EQ(Shown(x, y), ShownColour(30)) << x << "," << y;
}

} // namespace
