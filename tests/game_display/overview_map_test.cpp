// The overview map: its track and thumb from the scenario picture, clicks and drags that send
// SCROLL_TO in map cells, the frame drag that keeps it inside the map view, and the units drawn
// from the bitmap the game answers.
#include "landscape/game/overview_map.h"
#include "tests/landscape/landscape_fixture.h"
#include "tests/ui/ui_fixture.h"
#include "tools/datagen/overview_art_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

namespace art = datagen::overview;

const char* const kScenario = "Test Battle";

class MapView : public Display {
public:
    explicit MapView(const Dim& size) : Display(size, "Map View Stand-in") {}
    Point GetMousePosition() override { return Point(); }
    void Show() override {}
    Menu* MakeMenu(const char*) override { return nullptr; }
};

// Hears SCROLL_TO and answers "Get Unit Bitmap" as the game's layer does.
class Game : public Component {
public:
    Game() : Component("Game Stand-in") {}
    std::vector<Point> scrolls;
    std::vector<Dim> asked;
    Bitmap* units = nullptr;

    void Connect() override {
        RegisterHandler(SCROLL_TO, OnScroll);
        RegisterNamedHandler("Get Unit Bitmap", OnUnits);
    }

private:
    static ContainerBase* OnScroll(Component* c, BusMessage, ContainerBase* p) {
        if (const Point* cell = PayloadValue<Point>(p)) static_cast<Game*>(c)->scrolls.push_back(*cell);
        return nullptr;
    }
    static ContainerBase* OnUnits(Component* c, BusMessage, ContainerBase* p) {
        auto* self = static_cast<Game*>(c);
        if (const Dim* size = PayloadValue<Dim>(p)) self->asked.push_back(*size);
        return self->units ? new Container<Bitmap*>(self->units) : nullptr;
    }
};

class Overview : public uitest::WinAppTest {
protected:
    void SetUp() override {
        uitest::WinAppTest::SetUp();
        const auto entries = art::WriteOverviewMapArt(data.Data(), {"Another Battle", kScenario});
        ASSERT_FALSE(entries.empty());
        data.WriteIndex(entries);
        MakeApp();
        game.AttachToBus(app.get());
    }
    void TearDown() override {
        if (overview) {
            overview->DetachFromBus();
            overview->Detach();
        }
        overview.reset();
        game.DetachFromBus();
        uitest::WinAppTest::TearDown();
    }
    // The map is 39 x 31 cells on a 78 x 62 track: two pixels a cell.
    VhOverviewMap& Make(const Box& view = Box(0, 0, 10, 8), const Point& at = Point(50, 40)) {
        overview = std::make_unique<VhOverviewMap>(Dim(39, 31), view, kScenario, Point(9, 7), Point(13, 11), 0);
        overview->Attach(&parent, LayoutConstraints::Pixels(Box(at, Dim(art::kWidth, art::kHeight))));
        overview->AttachToBus(app.get());
        return *overview;
    }
    void Click(const Point& down, const Point& up) {
        overview->OnLButtonDown(down);
        overview->OnLButtonUp(up);
    }

    Game game;
    MapView parent{Dim(300, 200)};
    std::unique_ptr<VhOverviewMap> overview;
};

TEST_F(Overview, TheTrackIsThePicturesMapAreaAndTheThumbTheView) {
    VhOverviewMap& o = Make(Box(3, 2, 10, 8));
    ASSERT_NE(o.GetPicture(), nullptr);
    EXPECT_STREQ(o.GetPicture()->GetName(), "Scroll 1");
    EXPECT_EQ(o.GetTrackBox(), Box(9, 7, 78, 62));
    EXPECT_FLOAT_EQ(o.GetScaleX(), 2.0f);
    EXPECT_FLOAT_EQ(o.GetScaleY(), 2.0f);
    EXPECT_EQ(o.GetThumbBox(), Box(15, 11, 20, 16));
}

TEST_F(Overview, ClicksCentreTheViewWhereTheyLand) {
    struct Case {
        const char* what;
        Point at;
        std::vector<Point> sent;
    };
    const Case cases[] = {
        // Thumb centred on (60, 40): origin (50, 32), 41 / 2 and 25 / 2 cells into the map.
        {"in the track", Point(60, 40), {Point(20, 12)}},
        // Centred on the far corner, the thumb is held inside the track.
        {"near the far corner", Point(86, 68), {Point(29, 23)}},
        {"where the thumb already stands", Point(19, 15), {}},
        {"on a transparent corner", Point(1, 1), {}},
        {"on the frame", Point(2, 40), {}},
    };
    for (const Case& c : cases) {
        Make();
        game.scrolls.clear();
        Click(c.at, c.at);
        Drain();
        EXPECT_EQ(game.scrolls, c.sent) << c.what;
        EXPECT_FALSE(overview->Pressed()) << c.what;
        overview->DetachFromBus();
        overview->Detach();
        overview.reset();
    }
}

TEST_F(Overview, DraggingTheThumbScrollsOnceOnRelease) {
    VhOverviewMap& o = Make();
    o.OnLButtonDown(Point(15, 10));
    EXPECT_TRUE(o.Pressed());
    o.OnMouseMove(Point(45, 30));
    EXPECT_EQ(o.GetThumbBox(), Box(39, 27, 20, 16));
    // Dragged past the track's end, the thumb stops at it.
    o.OnMouseMove(Point(500, 30));
    EXPECT_EQ(o.GetThumbBox(), Box(67, 27, 20, 16));
    EXPECT_TRUE(game.scrolls.empty());
    o.OnLButtonUp(Point(500, 30));
    EXPECT_EQ(game.scrolls, std::vector<Point>{Point(29, 10)});
}

TEST_F(Overview, DraggingTheFrameKeepsTheOverviewInsideTheMapView) {
    VhOverviewMap& o = Make();
    // Far to the right: pinned to the view's right edge.
    // Points are the overview's own: once it has moved, the pointer is back at the grab point.
    o.OnLButtonDown(Point(2, 40));
    o.OnMouseMove(Point(402, 50));
    EXPECT_EQ(o.GetPosition(), Point(200, 50));
    o.OnLButtonUp(Point(2, 40));
    EXPECT_EQ(o.GetPosition(), Point(200, 50));
    // Far to the left and up: stops at 0.
    o.OnLButtonDown(Point(2, 40));
    o.OnLButtonUp(Point(-600, -600));
    EXPECT_EQ(o.GetPosition(), Point(0, 0));
    EXPECT_TRUE(game.scrolls.empty());
}

TEST_F(Overview, AViewLargerThanTheMapIsCentredAndSentAsANegativeOrigin) {
    VhOverviewMap& o = Make();
    o.SetViewSize(Dim(50, 40));
    EXPECT_EQ(o.GetViewBox(), Box(-5, -4, 50, 40));
    EXPECT_EQ(game.scrolls, std::vector<Point>{Point(-5, -4)});
    // A smaller view keeps its centre.
    game.scrolls.clear();
    o.SetViewSize(Dim(10, 8));
    EXPECT_EQ(o.GetViewBox(), Box(15, 12, 10, 8));
    EXPECT_EQ(game.scrolls, std::vector<Point>{Point(15, 12)});
}

TEST_F(Overview, TheUnitsAreDrawnOverTheMapAreaAndTheThumbIsBrightened) {
    // The game's unit bitmap is keyed: colour 0 leaves the map visible.
    Bitmap units(Dim(78, 62), Bitmap::Keyed);
    for (int y = 0; y < 62; ++y)
        for (int x = 0; x < units.Stride(); ++x) units.GetPixels()[y * units.Stride() + x] = 0;
    units.GetPixels()[(Bitmap::BottomUp() ? 61 : 0) * units.Stride()] = 99;
    VhOverviewMap& o = Make();
    // Without an answer the overview draws no units and asks again next time.
    o.Invalidate(Box(0, 0, art::kWidth, art::kHeight));
    o.Redraw();
    EXPECT_EQ(o.GetUnitBitmap(), nullptr);
    game.units = &units;
    o.Invalidate(Box(0, 0, art::kWidth, art::kHeight));
    o.Redraw();
    EXPECT_EQ(o.GetUnitBitmap(), &units);
    EXPECT_EQ(game.asked, (std::vector<Dim>{Dim(78, 62), Dim(78, 62)}));
    // The unit bitmap's corner lands on the track's origin, where the thumb stands.
    EXPECT_EQ(landtest::PixelAt(o, 9, 7), 99);
    EXPECT_EQ(landtest::PixelAt(o, 20, 15), landtest::Remapped(art::kMap1, 3));
    EXPECT_EQ(landtest::PixelAt(o, 60, 40), art::kMap1);

    o.UpdateUnits();
    EXPECT_STREQ(o.GetPicture()->GetName(), "Scroll 2");
    EXPECT_EQ(game.asked.size(), 3u);
    o.TogglePicture();
    EXPECT_STREQ(o.GetPicture()->GetName(), "Scroll 1");
}

} // namespace
