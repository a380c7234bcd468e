// Scroll controls and the two scroll bars: clamping and centring, the SCROLL_TO handler, the bars'
// geometry and drawing, paging and stepping with auto-repeat on the virtual clock, dragging the
// thumb, and the degenerate sizes (no content, content smaller than the view, no width yet).
#include "tests/ui/control_fixture.h"
#include "ui/scroll_bar.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;
namespace art = datagen::control_art;

TEST(ScrollControlClamp, ScrollAndThumbStayInsideOrCentre) {
    struct Case {
        int content, scroll, view;
        int wantScroll;
    };
    for (const Case& c : {Case{100, 0, 140, -20}, Case{100, 90, 20, 80}, Case{100, -5, 20, 0}, Case{100, 30, 20, 30},
                          Case{100, 80, 20, 80}, Case{0, 5, 0, 0}}) {
        ScrollControl s(Dim(c.content, c.content));
        s.SetTrackBox(Box(10, 10, 200, 200));
        s.SetViewSize(Dim(c.view, c.view));
        s.ScrollTo(Point(c.scroll, c.scroll));
        EXPECT_EQ(s.GetScrollPosition(), Point(c.wantScroll, c.wantScroll)) << c.content << " " << c.scroll;
        // The thumb stays on the track, or is centred on it when it is longer.
        const Box thumb = s.GetThumbBox();
        if (thumb.width <= 200) {
            EXPECT_GE(thumb.x, 10);
            EXPECT_LE(thumb.x + thumb.width, 210);
        } else {
            EXPECT_EQ(thumb.x, 10 + (200 - thumb.width) / 2);
        }
    }
}

TEST(ScrollControlClamp, ClampScrollSaysWhetherItMoved) {
    ScrollControl s(Dim(100, 0));
    s.SetTrackBox(Box(0, 0, 200, 10));
    s.SetViewSize(Dim(20, 0));
    s.ScrollTo(Point(30, 0));
    EXPECT_EQ(s.ClampScroll(), 0);
    s.SetViewSize(Dim(140, 0));  // content smaller than the view: always centred, always "moved"
    EXPECT_EQ(s.GetScrollPosition().x, -20);
    EXPECT_EQ(s.ClampScroll(), 1);
    // The thumb, 280 pixels long on a 200-pixel track, is centred on it.
    EXPECT_EQ(s.GetThumbBox().x, -40);
    EXPECT_EQ(s.GetThumbBox().width, 280);
}

TEST(ScrollControlClamp, NoContentMeansNoScaleAndNoDivision) {
    ScrollControl s(Dim(0, 0));
    s.SetTrackBox(Box(5, 5, 100, 10));
    EXPECT_EQ(s.GetScaleX(), 0.0f);
    EXPECT_EQ(s.GetScaleY(), 0.0f);
    EXPECT_EQ(s.ScreenToVirtual(Point(50, 12)), Point(0, 0));
    EXPECT_EQ(s.ScreenToVirtual(Dim(50, 12)), Dim(0, 0));
    s.SetContentSize(Dim(50, 20));
    EXPECT_EQ(s.GetScaleX(), 2.0f);
    EXPECT_EQ(s.ScreenToVirtual(Point(55, 5)), Point(25, 0));
    EXPECT_EQ(s.VirtualToScreen(Box(10, 10, 5, 4)), Box(25, 10, 10, 2));
}

// Follows every SCROLL_TO by scrolling the bar, as the owner of a scrolled view does.
class ScrollOwner : public Component {
public:
    ScrollOwner() : Component("Owner") {}
    void Connect() override { RegisterHandler(SCROLL_TO, &OnScroll); }
    static ContainerBase* OnScroll(Component* c, BusMessage, ContainerBase* p) {
        auto* self = static_cast<ScrollOwner*>(c);
        if (const Dim* d = PayloadValue<Dim>(p)) {
            self->steps.push_back(self->bar && self->bar->GetAxis() == ScrollBar::kVertical ? d->height : d->width);
            if (self->bar) self->bar->ScrollBy(*d);
        }
        return nullptr;
    }
    ScrollBar* bar = nullptr;
    std::vector<int> steps;
};

class ScrollBars : public ControlTest {
protected:
    void SetUp() override {
        ControlTest::SetUp();
        owner.AttachToBus(app.get());
    }
    void TearDown() override {
        owner.DetachFromBus();
        ControlTest::TearDown();
    }
    // The bar at `box` of the window, followed by the owner.
    void Place(ScrollBar& bar, const Box& box) {
        bar.AttachToBus(app.get());
        bar.Attach(window.get(), LayoutConstraints::Pixels(box));
        owner.bar = &bar;
        bar.Redraw();
        bar.Show();
    }
    int Scroll(const ScrollBar& bar) const {
        return bar.GetAxis() == ScrollBar::kHorizontal ? bar.GetScrollPosition().x : bar.GetScrollPosition().y;
    }
    // A horizontal bar of content 100, view 20, at (10, 50), 131 pixels long: a 111-pixel track,
    // 1.11 pixels a unit, a 22-pixel thumb.
    static constexpr int kX = 10, kY = 50;
    COLORREF At(int x, int y) const { return Shown(kX + x, kY + y); }

    ScrollOwner owner;
};

TEST_F(ScrollBars, TheHorizontalBarLaysOutAndDrawsItsPieces) {
    HScrollBar bar(100, 0, 20, "H");
    Place(bar, Box(kX, kY, 131, art::kBarThickness));
    EXPECT_EQ(bar.GetTrackBox(), Box(10, 2, 111, 8));
    EXPECT_FLOAT_EQ(bar.GetScaleX(), 1.11f);
    EXPECT_EQ(bar.GetThumbBox(), Box(10, 2, 22, 8));
    struct Pixel {
        int x, y;
        std::uint8_t colour;
    };
    for (const Pixel& p : {Pixel{0, 0, art::kFirstEndUp}, Pixel{9, 11, art::kFirstEndUp}, Pixel{11, 0, art::kFirstTrack},
                           Pixel{13, 0, art::kSlotBase}, Pixel{14, 0, art::kSlotBase + 1},
                           Pixel{117, 0, art::kSlotBase},  // the last slot, cut to one column
                           Pixel{118, 0, art::kSecondTrack}, Pixel{121, 0, art::kSecondEndUp},
                           Pixel{130, 11, art::kSecondEndUp}, Pixel{10, 5, art::kFirstThumb},
                           Pixel{12, 5, art::kThumbMidBase}, Pixel{15, 5, art::kThumbMidBase + 3},
                           Pixel{28, 5, art::kThumbMidBase}, Pixel{29, 5, art::kThumbMidBase + 1},  // a cut mid
                           Pixel{30, 5, art::kSecondThumb}, Pixel{31, 9, art::kSecondThumb},
                           Pixel{32, 5, art::kSlotBase + 3}, Pixel{20, 1, art::kSlotBase + 7}})
        EXPECT_EQ(At(p.x, p.y), ShownColour(p.colour)) << p.x << "," << p.y;
    // Scrolled by its owner, the thumb moves and the track shows where it was.
    bar.ScrollTo(Point(90, 0));
    EXPECT_EQ(Scroll(bar), 80);
    EXPECT_EQ(bar.GetThumbBox(), Box(98, 2, 22, 8));
    EXPECT_EQ(At(98, 5), ShownColour(art::kFirstThumb));
    EXPECT_EQ(At(14, 5), ShownColour(art::kSlotBase + 1));
}

TEST_F(ScrollBars, HoldingTheTrackPagesOnceThenRepeatsUntilTheThumbReachesTheMouse) {
    HScrollBar bar(100, 0, 20, "H");
    Place(bar, Box(kX, kY, 131, art::kBarThickness));
    Press(kX + 100, kY + 5);
    EXPECT_EQ(owner.steps, (std::vector<int>{20}));
    EXPECT_TRUE(bar.IsRepeating());
    RunFor(550);  // half a second of delay
    EXPECT_EQ(owner.steps, (std::vector<int>{20}));
    RunFor(100);
    EXPECT_EQ(owner.steps, (std::vector<int>{20, 20}));
    RunFor(1000);
    // 80 is the last position; the thumb then lies under the mouse and the press ends.
    EXPECT_EQ(owner.steps, (std::vector<int>{20, 20, 20, 20}));
    EXPECT_EQ(Scroll(bar), 80);
    EXPECT_FALSE(bar.IsRepeating());
    EXPECT_EQ(window->GetCaptor(), nullptr);
    // Paging left goes back a view at a time, stopping at 0.
    bar.ScrollTo(Point(10, 0));
    owner.steps.clear();
    Press(kX + 115, kY + 5);  // right of the thumb: only 70 more to go, one page of 20
    Release(kX + 115, kY + 5);
    bar.ScrollTo(Point(10, 0));
    Press(kX + 10, kY + 5);
    Release(kX + 10, kY + 5);
    EXPECT_EQ(owner.steps, (std::vector<int>{20, -10}));
}

TEST_F(ScrollBars, EndsStepByOneAndRepeatWhileHeld) {
    HScrollBar bar(100, 0, 20, "H");
    Place(bar, Box(kX, kY, 131, art::kBarThickness));
    // At the far left the left end sends nothing and starts nothing, but shows it is pressed.
    Press(kX + 2, kY + 2);
    EXPECT_TRUE(owner.steps.empty());
    EXPECT_FALSE(bar.IsRepeating());
    EXPECT_TRUE(bar.FirstEndDown());
    EXPECT_EQ(At(2, 2), ShownColour(art::kFirstEndDown));
    Release(kX + 2, kY + 2);
    EXPECT_EQ(At(2, 2), ShownColour(art::kFirstEndUp));
    // The right end steps once at once, then after half a second ten times a second.
    Press(kX + 125, kY + 2);
    EXPECT_EQ(At(125, 2), ShownColour(art::kSecondEndDown));
    RunFor(1050);
    EXPECT_EQ(owner.steps, (std::vector<int>(6, 1)));
    Release(kX + 125, kY + 2);
    EXPECT_FALSE(bar.IsRepeating());
    EXPECT_EQ(At(125, 2), ShownColour(art::kSecondEndUp));
    RunFor(500);
    EXPECT_EQ(owner.steps.size(), 6u);
    // At the far right the right end sends nothing either.
    bar.ScrollTo(Point(80, 0));
    owner.steps.clear();
    Press(kX + 125, kY + 2);
    RunFor(1000);
    EXPECT_TRUE(owner.steps.empty());
    EXPECT_TRUE(bar.SecondEndDown());
    Release(kX + 125, kY + 2);
    EXPECT_FALSE(bar.SecondEndDown());
}

TEST_F(ScrollBars, CrossingTheTrackBoundaryEndsThePress) {
    HScrollBar bar(100, 0, 20, "H");
    Place(bar, Box(kX, kY, 131, art::kBarThickness));
    Press(kX + 100, kY + 5);
    MoveTo(kX + 90, kY + 5);  // still on the track
    EXPECT_TRUE(bar.IsRepeating());
    MoveTo(kX + 125, kY + 5);  // onto the right end
    EXPECT_FALSE(bar.IsRepeating());
    EXPECT_EQ(window->GetCaptor(), nullptr);
    RunFor(1000);
    EXPECT_EQ(owner.steps, (std::vector<int>{20}));
    // From an end onto the track: the end comes back up.
    bar.ScrollTo(Point(40, 0));
    Press(kX + 2, kY + 2);
    EXPECT_TRUE(bar.FirstEndDown());
    MoveTo(kX + 60, kY + 5);
    EXPECT_FALSE(bar.FirstEndDown());
    EXPECT_EQ(At(2, 2), ShownColour(art::kFirstEndUp));
}

TEST_F(ScrollBars, DraggingTheThumbFollowsTheMouseAndStopsAtTheLastPosition) {
    HScrollBar bar(100, 0, 20, "H");
    Place(bar, Box(kX, kY, 131, art::kBarThickness));
    Press(kX + 15, kY + 5);  // 5 pixels into the thumb
    EXPECT_TRUE(bar.IsDragging());
    EXPECT_TRUE(owner.steps.empty());
    MoveTo(kX + 48, kY + 5);  // (48 - 5 - 10) / 1.11 = 29.7
    EXPECT_EQ(Scroll(bar), 29);
    MoveTo(kX + 200, kY + 40);  // far past the end, outside the bar: still captured
    EXPECT_EQ(Scroll(bar), 80);
    MoveTo(kX + 250, kY + 5);
    EXPECT_EQ(owner.steps, (std::vector<int>{29, 51}));
    MoveTo(0, kY);  // and past the start
    EXPECT_EQ(Scroll(bar), 0);
    Release(0, kY);
    EXPECT_FALSE(bar.IsDragging());
    EXPECT_EQ(window->GetCaptor(), nullptr);
}

TEST_F(ScrollBars, TheVerticalBarWorksDownwards) {
    VScrollBar bar(100, 0, 20, "V");
    Place(bar, Box(200, 10, art::kBarThickness, 131));
    EXPECT_EQ(bar.GetTrackBox(), Box(2, 10, 8, 111));
    EXPECT_EQ(bar.GetThumbBox(), Box(2, 10, 8, 22));
    EXPECT_EQ(Shown(200, 10), ShownColour(art::kFirstEndUp));
    EXPECT_EQ(Shown(200, 10 + 13), ShownColour(art::kSlotBase));  // beside the thumb
    EXPECT_EQ(Shown(200, 10 + 14), ShownColour(art::kSlotBase + 1));
    EXPECT_EQ(Shown(205, 10 + 12), ShownColour(art::kThumbMidBase));
    Click(205, 10 + 125);  // bottom end
    Click(205, 10 + 100);  // the track below the thumb
    EXPECT_EQ(owner.steps, (std::vector<int>{1, 20}));
    EXPECT_EQ(Scroll(bar), 21);
    EXPECT_EQ(bar.Component::GetName(), "V");
    VScrollBar unnamed(10, 0, 5);
    EXPECT_EQ(unnamed.Component::GetName(), "Unnamed VScrollBar Tile");
}

TEST_F(ScrollBars, ContentThatFitsTheViewNeverScrolls) {
    for (int content : {0, 10}) {
        owner.steps.clear();
        HScrollBar bar(static_cast<std::int16_t>(content), 0, 20, "Fits");
        Place(bar, Box(kX, kY, 131, art::kBarThickness));
        EXPECT_EQ(Scroll(bar), (content - 20) / 2);
        Click(kX + 125, kY + 2);
        Click(kX + 2, kY + 2);
        Press(kX + 60, kY + 5);
        MoveTo(kX + 100, kY + 5);
        Release(kX + 100, kY + 5);
        RunFor(800);
        EXPECT_TRUE(owner.steps.empty()) << content;
        EXPECT_FALSE(bar.IsRepeating());
    }
}

TEST_F(ScrollBars, ABarWithoutWidthYetHasAnEmptyTrackUntilLaidOut) {
    HScrollBar bar(100, 30, 20);
    EXPECT_EQ(bar.Component::GetName(), "Unnamed HScrollBar Tile");
    EXPECT_EQ(bar.GetTrackBox().width, 0);
    EXPECT_EQ(bar.GetScaleX(), 0.0f);
    EXPECT_EQ(bar.GetThumbBox().width, 0);
    Place(bar, Box(kX, kY, 131, art::kBarThickness));
    EXPECT_EQ(bar.GetTrackBox().width, 111);
    EXPECT_EQ(bar.GetThumbBox(), Box(10 + 33, 2, 22, 8));
}

TEST_F(ScrollBars, ABarDestroyedWhileRepeatingLeavesNoTimer) {
    const int before = app->TimerSlotsInUse();
    {
        HScrollBar bar(100, 0, 20, "H");
        Place(bar, Box(kX, kY, 131, art::kBarThickness));
        Press(kX + 100, kY + 5);
        EXPECT_EQ(app->TimerSlotsInUse(), before + 1);
    }
    EXPECT_EQ(app->TimerSlotsInUse(), before);
    EXPECT_EQ(window->GetCaptor(), nullptr);
    RunFor(300);
}

TEST_F(ScrollBars, MissingPiecesAreReportedAndLeftOut) {
    datagen::LibrarySpec lib = datagen::ScrollBarLibrary();
    lib.sections[0].images.pop_back();  // "Right thumb"
    data.WriteLibrary("SCROLL.QIF", lib);
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    HScrollBar bar(100, 0, 20, "H");
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Missing scroll bar art \"Right thumb\" in section \"Horizontal\""),
              std::string::npos);
    Place(bar, Box(kX, kY, 131, art::kBarThickness));
    EXPECT_EQ(At(0, 0), ShownColour(art::kFirstEndUp));
    EXPECT_EQ(At(10, 5), ShownColour(art::kFirstThumb));
}

TEST_F(ScrollBars, ScrollToAcceptsAPointOrASizeAndRefusesAnythingElse) {
    ScrollControl s(Dim(100, 100), "Plain");
    s.SetTrackBox(Box(0, 0, 100, 100));
    s.SetViewSize(Dim(10, 10));
    s.AttachToBus(app.get());
    Container<Point> to(Point(30, 40));
    delete recorder.Send(SCROLL_TO, &to);
    EXPECT_EQ(s.GetScrollPosition(), Point(30, 40));
    Container<Dim> by(Dim(-5, 5));
    delete recorder.Send(SCROLL_TO, &by);
    EXPECT_EQ(s.GetScrollPosition(), Point(25, 45));
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<short> wrong(3);
    delete recorder.Send(SCROLL_TO, &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad data passed in bus message -- SCROLL_TO  Abort?");
    EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind("Failure in SCROLCTL at line ", 0), 0u);
    EXPECT_EQ(s.GetScrollPosition(), Point(25, 45));
    // A bar does not answer SCROLL_TO itself: its owner does.
    HScrollBar bar(100, 0, 20, "H");
    bar.AttachToBus(app.get());
    Container<Point> far(Point(50, 0));
    delete recorder.Send(SCROLL_TO, &far);
    EXPECT_EQ(bar.GetScrollPosition().x, 0);
}

} // namespace
