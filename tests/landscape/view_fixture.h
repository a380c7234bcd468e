#pragma once
// A map view on a real window: the terrain and game landscape art installed, a window whose
// back buffer a landscape tile draws into, a landscape that notes every area it is asked to
// draw, and a listener for what the view and the landscapes put on the bus.
#include "landscape/physical/sprite.h"
#include "tests/landscape/landscape_fixture.h"
#include "tests/ui/control_fixture.h"

#include <gtest/gtest.h>

#include <vector>

namespace landtest {

// A landscape that notes the size and origin of every area it draws.
class RecordingLandscape : public PointedIsometricHexLandscape {
public:
    using PointedIsometricHexLandscape::PointedIsometricHexLandscape;
    struct Area {
        Dim size;
        Point origin;
        bool operator==(const Area&) const = default;
    };
    void DrawArea(Bitmap& target, const Point& origin) override {
        drawn.push_back(Area{target.GetSize(), origin});
        PointedIsometricHexLandscape::DrawArea(target, origin);
    }
    std::vector<Area> drawn;
};

inline std::ostream& operator<<(std::ostream& os, const RecordingLandscape::Area& a) {
    return os << "(" << a.size.width << "x" << a.size.height << " at " << a.origin.x << "," << a.origin.y << ")";
}

// What reached the bus: points, the views' redraw requests and the announced sprites.
class ViewRecorder : public Component {
public:
    ViewRecorder() : Component("View Recorder") {}
    void Connect() override {
        RegisterHandler(POINT_SELECTED, OnSelected);
        RegisterHandler(POINT_FLYBY, OnFlyby);
        RegisterHandler(INVALIDATE_VIEW, OnInvalidate);
        RegisterHandler(SPRITE_CREATED, OnSprite);
        RegisterNamedHandler("SpriteDestroyed", OnDestroyed);
    }
    static ContainerBase* OnSelected(Component* c, BusMessage, ContainerBase* p) {
        if (const Point* at = PayloadValue<Point>(p)) static_cast<ViewRecorder*>(c)->selected.push_back(*at);
        return nullptr;
    }
    static ContainerBase* OnFlyby(Component* c, BusMessage, ContainerBase* p) {
        if (const Point* at = PayloadValue<Point>(p)) static_cast<ViewRecorder*>(c)->flyby.push_back(*at);
        return nullptr;
    }
    // Each request as its list of boxes: a Box payload gives one, none gives none.
    static ContainerBase* OnInvalidate(Component* c, BusMessage, ContainerBase* p) {
        std::vector<Box> boxes;
        if (const Box* b = PayloadValue<Box>(p)) boxes.push_back(*b);
        if (const auto* list = PayloadValue<List<Box>>(p))
            for (Item<Box>* i = list->Head(); i; i = i->next) boxes.push_back(i->value);
        static_cast<ViewRecorder*>(c)->invalidated.push_back(boxes);
        return nullptr;
    }
    static ContainerBase* OnSprite(Component* c, BusMessage, ContainerBase* p) {
        if (Sprite* const* s = PayloadValue<Sprite*>(p)) static_cast<ViewRecorder*>(c)->created.push_back(*s);
        return nullptr;
    }
    static ContainerBase* OnDestroyed(Component* c, BusMessage, ContainerBase* p) {
        if (Sprite* const* s = PayloadValue<Sprite*>(p)) static_cast<ViewRecorder*>(c)->destroyed.push_back(*s);
        return nullptr;
    }
    std::vector<Point> selected;
    std::vector<Point> flyby;
    std::vector<std::vector<Box>> invalidated;
    std::vector<Sprite*> created;
    std::vector<Sprite*> destroyed;
};

// The pixel rows of a bitmap, top first, for comparing two pictures.
inline std::vector<std::uint8_t> PixelsOf(const Bitmap& b) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < b.GetHeight(); ++y)
        for (int x = 0; x < b.GetWidth(); ++x) out.push_back(PixelAt(b, x, y));
    return out;
}

class ViewTest : public LandscapeTest {
protected:
    void SetUp() override {
        uitest::WinAppTest::SetUp();
        auto entries = terrain::WriteTerrainArt(data.Data());
        const auto game = terrain::WriteGameLandscapeArt(data.Data());
        ASSERT_FALSE(game.empty());
        entries.insert(entries.end(), game.begin(), game.end());
        data.WriteIndex(entries);
        MakeApp();
        logic = std::make_unique<LogicStandIn>();
        logic->AttachToBus(app.get());
        recorder.AttachToBus(app.get());
        window = std::make_unique<uitest::PlainWindow>(Point(0, 0), Dim(400, 300));
        window->AttachToBus(app.get());
        ASSERT_EQ(window->Create(Dim(400, 300), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
        Drain();
    }
    void TearDown() override {
        tile.reset();
        landscape.reset();
        window.reset();
        recorder.DetachFromBus();
        LandscapeTest::TearDown();
    }

    // A recording full-size landscape of the map on the bus.
    RecordingLandscape& ShowRecording(const TestMap& map) {
        const Zoom& z = kZooms[0];
        auto* l = new RecordingLandscape(z.block, z.cell, "Ground", "Ground", "Ground", "Terrain", "", "Hex Grid",
                                         "Hex Outline", 0, 16, kGroupSizes, 0);
        l->SetElevationStep(z.elevationStep);
        landscape.reset(l);
        landscape->AttachToBus(app.get());
        logic->SendMap(map);
        return *l;
    }

    // A tile of cell size 1 x 1 (scrolls by pixels) at origin on the window, drawn.
    LandscapeTile& PlaceTile(const Dim& size, const Point& origin = Point(0, 0), const Dim& cell = Dim(1, 1)) {
        tile = std::make_unique<LandscapeTile>(cell, origin, Point(0, 0), size);
        tile->AttachToBus(app.get());
        tile->Attach(window.get(), LayoutConstraints::Pixels(Box(Point(0, 0), size)));
        tile->Redraw();
        return *tile;
    }

    // The view at the tile's origin drawn afresh.
    std::vector<std::uint8_t> FreshView(Landscape& l) {
        Bitmap fresh(tile->GetSize(), Bitmap::Plain);
        l.DrawArea(fresh, tile->GetOrigin());
        return PixelsOf(fresh);
    }

    ViewRecorder recorder;
    std::unique_ptr<uitest::PlainWindow> window;
};

} // namespace landtest
