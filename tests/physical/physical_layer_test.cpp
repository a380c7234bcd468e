#include "physical_fixture.h"

#include "ui/main_window.h"

#include <algorithm>
#include <random>

namespace {

// A map window stand-in: all the layer needs of it is to be the window its viewport owns.
class MapChild : public ChildWindow {
public:
    static inline int live = 0;
    MapChild() : Window(Box(0, 0, 16, 16), 1, "Map"), ChildWindow(Box(0, 0, 16, 16), 1, "Map") { ++live; }
    ~MapChild() override { --live; }
    void PostEvent(int, std::int16_t) override {}
    void Minimize() override {}
    void Maximize() override {}
    void SetIcon(const char*) override {}
    void SetCursor(const char*) override {}
    void SetTitle(const char*) override {}
    void MoveTo(const Point&) override {}
    Point GetMousePosition() override { return Point(); }
    void Show() override {}
    Menu* MakeMenu(const char*) override { return nullptr; }
};

class LayerFixture : public PhysicalFixture {
protected:
    void SetUp() override {
        PhysicalFixture::SetUp();
        layer = std::make_unique<TickingLayer>();
        layer->AttachToBus(app.get());
        rec.AttachToBus(layer.get());
        outside.AttachToBus(app.get());
    }
    void TearDown() override {
        rec.DetachFromBus();
        outside.DetachFromBus();
        layer.reset();
        EXPECT_EQ(FigureObject::live, 0);
        PhysicalFixture::TearDown();
    }

    // A sprite of the test's own, announced to the layer as pictures announce theirs.
    Sprite* Announce(std::uint16_t objectId, Point3D at, Bitmap* frame, PhysicalObject* owner = nullptr,
                     std::uint16_t spriteLayer = Sprite::kNoLayer) {
        owned.push_back(std::make_unique<Sprite>(objectId, at, frame, spriteLayer, owner));
        Container<Sprite*> p(owned.back().get());
        layer->Post(SPRITE_CREATED, &p);
        return owned.back().get();
    }

    void Click(Point at) {
        Container<Point> p(at);
        layer->Post(POINT_SELECTED, &p);
    }
    void Hover(Point at) {
        Container<Point> p(at);
        layer->Post(POINT_FLYBY, &p);
    }

    std::vector<int> ValuesOf(int event) const {
        std::vector<int> out;
        for (const Heard& h : rec.heard)
            if (h.event == event) out.push_back(h.value);
        return out;
    }

    std::unique_ptr<TickingLayer> layer;
    Recorder rec;     // on the layer's bus
    Recorder outside; // on the application's bus
    std::vector<std::unique_ptr<Sprite>> owned;
};

// --- drawing order ---

TEST_F(LayerFixture, SpritesEnterBehindWhatIsInFrontOfThemAndAfterWhatTheyTieWith) {
    FigureObject unit(1, 0);
    struct Entry {
        char label;
        short y;
        bool ownedByUnit;
        std::uint16_t spriteLayer;
    };
    struct Case {
        const char* name;
        std::vector<Entry> entries;
        std::string order;
    };
    const std::vector<Case> cases = {
        {"by y, ties in insertion order", {{'a', 50, false, 0}, {'b', 10, false, 0}, {'c', 30, false, 0},
                                           {'d', 10, false, 0}, {'e', 90, false, 0}}, "bdcae"},
        {"in front of all goes to the tail", {{'a', 1, false, 0}, {'b', 2, false, 0}, {'c', 3, false, 0}}, "abc"},
        {"behind all goes to the head", {{'a', 3, false, 0}, {'b', 2, false, 0}, {'c', 1, false, 0}}, "cba"},
        {"one owner's layers beat y", {{'a', 100, true, 2}, {'b', 0, true, 5}, {'c', 50, true, 3}}, "acb"},
    };
    for (const Case& c : cases) {
        layer->PostNamedEvent("CloseGame");
        owned.clear();
        std::map<const Sprite*, char> labels;
        for (const Entry& e : c.entries) {
            Sprite* s = Announce(1, Point3D(0, e.y, 0), nullptr, e.ownedByUnit ? &unit : nullptr,
                                 e.ownedByUnit ? e.spriteLayer : Sprite::kNoLayer);
            labels[s] = e.label;
        }
        std::string order;
        for (Item<Sprite*>* i = layer->Sprites().Head(); i; i = i->next) order += labels[i->value];
        EXPECT_EQ(order, c.order) << c.name;
    }
}

// Random announcements, removals, disablings and enablings of sprites that tie often: the list
// always equals the sprites in drawing order, ties by when they last entered, and the layer's
// checks hold after every step.
TEST_F(LayerFixture, TheDrawingOrderSurvivesARandomMixOfOperations) {
    std::mt19937 random(20261210);
    struct Known {
        Sprite* sprite;
        long entered;
    };
    std::vector<Known> drawn, disabled;
    long sequence = 0;
    for (int step = 0; step < 400; ++step) {
        const int what = static_cast<int>(random() % 4);
        if (what == 0 || drawn.empty()) {
            Sprite* s = Announce(1, Point3D(0, static_cast<short>(random() % 6), 0), nullptr);
            drawn.push_back({s, sequence++});
        } else if (what == 1) {
            const std::size_t k = random() % drawn.size();
            Container<Sprite*> p(drawn[k].sprite);
            layer->PostNamed("SpriteDestroyed", &p);
            drawn.erase(drawn.begin() + static_cast<long>(k));
        } else if (what == 2) {
            const std::size_t k = random() % drawn.size();
            Container<Sprite*> p(drawn[k].sprite);
            layer->Post(SPRITE_DISABLED, &p);
            disabled.push_back(drawn[k]);
            drawn.erase(drawn.begin() + static_cast<long>(k));
        } else if (!disabled.empty()) {
            const std::size_t k = random() % disabled.size();
            Container<Sprite*> p(disabled[k].sprite);
            layer->Post(SPRITE_ENABLED, &p);
            drawn.push_back({disabled[k].sprite, sequence++});
            disabled.erase(disabled.begin() + static_cast<long>(k));
        }
        std::vector<Known> expected = drawn;
        std::sort(expected.begin(), expected.end(), [](const Known& a, const Known& b) {
            return a.sprite->GetPosition().y != b.sprite->GetPosition().y
                       ? a.sprite->GetPosition().y < b.sprite->GetPosition().y
                       : a.entered < b.entered;
        });
        std::vector<Sprite*> want, have;
        for (const Known& k : expected) want.push_back(k.sprite);
        for (Item<Sprite*>* i = layer->Sprites().Head(); i; i = i->next) have.push_back(i->value);
        ASSERT_EQ(have, want) << "step " << step;
        ASSERT_EQ(layer->DisabledSprites().Count(), static_cast<int>(disabled.size()));
        ASSERT_TRUE(layer->Check()) << "step " << step;
        ASSERT_TRUE(layer->CheckDrawingOrder()) << "step " << step;
    }
}

TEST_F(LayerFixture, AnnouncingASpriteClearsItsRedrawFlagAndTwiceKeepsItOnce) {
    Sprite* s = Announce(1, Point3D(), nullptr);
    s->Hide();
    Container<Sprite*> again(s);
    layer->Post(SPRITE_CREATED, &again);
    EXPECT_EQ(s->NeedsRedraw(), 0);
    EXPECT_EQ(layer->Sprites().Count(), 1);
}

// --- hit tests and point selection ---

class HitFixture : public LayerFixture {
protected:
    void SetUp() override {
        LayerFixture::SetUp();
        solid = MakeSolid(20, 20);
        dot = MakeFigure(20, 20, Point(0, 0), {Point(5, 5)});
        back = Announce(101, Point3D(0, 50, 0), solid.get());
        front = Announce(202, Point3D(0, 60, 0), dot.get());
        for (int e : {int(REGION_SELECTED), int(REGION_FLYBY), int(FIND_REGION)}) rec.Listen(e);
        outside.Listen(FIND_REGION);
        rec.answers[FIND_REGION] = [](ContainerBase* p) -> ContainerBase* {
            const Point* at = PayloadValue<Point>(p);
            return at->x >= 100 ? new Container<short>(1204) : nullptr;
        };
    }
    std::unique_ptr<Bitmap> solid, dot;
    Sprite* back = nullptr;
    Sprite* front = nullptr;
};

TEST_F(HitFixture, TheFrontMostDrawnPixelWinsAndTransparentOrHiddenSpritesAreSeenThrough) {
    struct Case {
        Point at;
        short id;
    };
    const Case cases[] = {
        {Point(5, 65), 202},  // the front sprite's one drawn pixel
        {Point(6, 65), 101},  // transparent in front, solid behind
        {Point(6, 75), -1},   // only the front sprite's transparent pixels
        {Point(30, 55), -1},  // outside both
    };
    for (const Case& c : cases) EXPECT_EQ(layer->HitTest(c.at), c.id) << c.at.x << "," << c.at.y;
    EXPECT_EQ(layer->SpriteAt(Point(5, 65)), front);
    front->Hide();
    EXPECT_EQ(layer->HitTest(Point(5, 65)), 101);
}

TEST_F(HitFixture, ObjectAtFindsTheObjectWhoseIdTheHitSpriteCarries) {
    PhysicalLayer::RegisterCreator(3, new FigureObject(0, 0));
    LogicalCommandInfo created(9, new Container<short>(3), 101);
    Container<LogicalCommandInfo> p(created);
    layer->Post(LOGICAL_UNIT_CREATED, &p);
    ASSERT_EQ(layer->Objects().Count(), 1);
    EXPECT_EQ(layer->ObjectAt(Point(6, 65)), layer->Objects().Head()->value);
    EXPECT_EQ(layer->ObjectAt(Point(5, 65)), nullptr) << "no object has id 202";
    EXPECT_EQ(layer->ObjectAt(Point(90, 90)), nullptr);
}

TEST_F(HitFixture, AClickSelectsTheSpritesRegionElseTheLandscapesElseBeepsOnce) {
    Click(Point(5, 65));
    Click(Point(150, 0)); // no sprite; the landscape answers 1204
    EXPECT_EQ(ValuesOf(REGION_SELECTED), (std::vector<int>{202, 1204}));
    EXPECT_EQ(rec.Count(FIND_REGION), 1) << "asked only when no sprite was hit";
    EXPECT_EQ(outside.Count(FIND_REGION), 0) << "the question stays on the layer";
    EXPECT_EQ(app->beeps, 0);
    Click(Point(50, 0)); // nothing there
    EXPECT_EQ(app->beeps, 1);
    EXPECT_EQ(ValuesOf(REGION_SELECTED).size(), 2u);
}

TEST_F(HitFixture, HoveringPostsOnlyWhenTheRegionChangesAndNeverBeeps) {
    for (int k = 0; k < 3; ++k) Hover(Point(5, 65));
    EXPECT_EQ(ValuesOf(REGION_FLYBY), (std::vector<int>{202}));
    Hover(Point(6, 65));
    Hover(Point(5, 65));
    EXPECT_EQ(ValuesOf(REGION_FLYBY), (std::vector<int>{202, 101, 202}));
    Hover(Point(50, 0)); // unresolved: nothing, and the last region is kept
    Hover(Point(5, 65));
    EXPECT_EQ(ValuesOf(REGION_FLYBY).size(), 3u);
    EXPECT_EQ(layer->LastFlybyId(), 202);
    EXPECT_EQ(app->beeps, 0);
}

// --- creators ---

TEST_F(LayerFixture, APictureIsMadeByTheCreatorOfItsTypeCodeAndAttached) {
    PhysicalLayer::RegisterCreator(3, new FigureObject(0, 2));
    LogicalCommandInfo created(17, new Container<short>(3), 1205);
    Container<LogicalCommandInfo> p(created);
    layer->Post(LOGICAL_UNIT_CREATED, &p);
    ASSERT_EQ(layer->Objects().Count(), 1);
    PhysicalObject* o = layer->Objects().Head()->value;
    EXPECT_EQ(o->GetObjectId(), 1205);
    EXPECT_EQ(o->GetTypeCode(), 3);
    EXPECT_EQ(o->GetBus(), layer.get());
    EXPECT_EQ(layer->PictureIdOf(17), o->GetId());
    EXPECT_EQ(layer->PictureIdOf(16), Component::kNoId) << "an object number never created names no picture";
    EXPECT_EQ(layer->Sprites().Count(), 2) << "the picture announced its figures";
}

TEST_F(LayerFixture, ATypeCodeWithoutACreatorIsAClearErrorAndMakesNothing) {
    PhysicalLayer::RegisterCreator(3, new FigureObject(0, 2));
    struct Case {
        ContainerBase* data;
        const char* text;
    };
    const Case cases[] = {
        {new Container<short>(7), "No picture is registered for type code 7"},
        {new Container<short>(-2), "No picture is registered for type code -2"},
        {nullptr, "No picture is registered for type code (none)"},
    };
    for (const Case& c : cases) {
        platform::QueueMessageBoxAnswer(IDNO);
        LogicalCommandInfo created(17, c.data, 1205);
        Container<LogicalCommandInfo> p(created);
        layer->Post(LOGICAL_UNIT_CREATED, &p);
        EXPECT_NE(LastBox().find(c.text), std::string::npos) << LastBox();
        EXPECT_NE(LastBox().find("PHYSICAL"), std::string::npos);
        EXPECT_TRUE(layer->Objects().IsEmpty());
        EXPECT_EQ(layer->PictureIdOf(17), Component::kNoId);
    }
    platform::QueueMessageBoxAnswer(IDNO);
    auto* refused = new FigureObject(0, 0);
    PhysicalLayer::RegisterCreator(-1, refused);
    EXPECT_NE(LastBox().find("cannot be registered"), std::string::npos);
    delete refused;
}

TEST_F(LayerFixture, CreatorsLiveUntilTheLastLayerGoesAndEachIsDeletedOnce) {
    auto second = std::make_unique<PhysicalLayer>("Combat view");
    auto* shared = new FigureObject(0, 1);
    PhysicalLayer::RegisterCreator(3, shared);
    PhysicalLayer::RegisterCreator(4, shared);
    PhysicalLayer::RegisterCreator(3, shared); // again: listed once
    EXPECT_EQ(PhysicalLayer::RegisteredTypeCodes().Count(), 2);
    EXPECT_EQ(PhysicalLayer::LiveLayerCount(), 2);
    second.reset();
    EXPECT_EQ(FigureObject::live, 1) << "one layer is left";
    EXPECT_EQ(PhysicalLayer::Creator(4), shared);
    rec.DetachFromBus();
    layer.reset();
    EXPECT_EQ(FigureObject::live, 0);
    EXPECT_TRUE(PhysicalLayer::RegisteredTypeCodes().IsEmpty());
    EXPECT_EQ(PhysicalLayer::Creator(3), nullptr);
}

TEST_F(LayerFixture, AReplacedCreatorIsLeftToItsRegistrant) {
    FigureObject first(0, 1);
    PhysicalLayer::RegisterCreator(3, &first);
    PhysicalLayer::RegisterCreator(3, new FigureObject(0, 2));
    EXPECT_NE(PhysicalLayer::Creator(3), &first);
    EXPECT_EQ(FigureObject::live, 2);
}

// --- commands ---

TEST_F(LayerFixture, ACommandReachesItsPictureOnceAndOneWithoutAPictureIsAnsweredHere) {
    PhysicalLayer::RegisterCreator(3, new FigureObject(0, 1));
    LogicalCommandInfo created(17, new Container<short>(3), 1205);
    Container<LogicalCommandInfo> made(created);
    layer->Post(LOGICAL_UNIT_CREATED, &made);
    const int done = RegisterMessage("MovementDone");
    outside.Listen(done);

    LogicalCommandInfo move(17, nullptr, 1206, LOGICAL_OBJECT_MOVED, done, new Container<short>(1));
    Container<LogicalCommandInfo> toPicture(move);
    app->Post(LOGICAL_COMMAND, &toPicture);
    EXPECT_EQ(layer->Objects().Head()->value->Commands().Count(), 1) << "not relayed into the layer as well";

    LogicalCommandInfo orphan(99, nullptr, 1206, LOGICAL_OBJECT_MOVED, done, new Container<short>(2));
    Container<LogicalCommandInfo> toNobody(orphan);
    app->Post(LOGICAL_COMMAND, &toNobody);
    ASSERT_EQ(outside.Count(done), 1) << "a reply no picture will post is posted by the layer";
    EXPECT_EQ(outside.heard[0].value, 2);
}

// --- activation and the timer ---

TEST_F(LayerFixture, TheTimerRunsExactlyWhileObjectsAnimate) {
    PhysicalLayer::RegisterCreator(3, new FigureObject(0, 1));
    for (std::uint16_t n : {1, 2}) {
        LogicalCommandInfo created(n, new Container<short>(3), static_cast<short>(100 + n));
        Container<LogicalCommandInfo> p(created);
        layer->Post(LOGICAL_UNIT_CREATED, &p);
    }
    const short a = static_cast<short>(layer->PictureIdOf(1)), b = static_cast<short>(layer->PictureIdOf(2));
    layer->ActivateObject(static_cast<short>(rec.GetId())); // not an object: ignored
    EXPECT_FALSE(layer->TimerRunning());
    EXPECT_EQ(app->GetTimerTick(), -1);
    layer->ActivateObject(a);
    layer->ActivateObject(a);
    layer->ActivateObject(b);
    EXPECT_EQ(layer->AnimatingObjects().Count(), 2);
    EXPECT_EQ(app->GetTimerTick(), 100);
    EXPECT_TRUE(layer->Check());
    layer->DeactivateObject(a);
    EXPECT_TRUE(layer->TimerRunning());
    layer->DeactivateObject(b);
    EXPECT_FALSE(layer->TimerRunning());
    EXPECT_EQ(app->GetTimerTick(), -1);
    layer->ActivateObject(b);
    layer->PostNamedEvent("CloseGame");
    EXPECT_EQ(app->GetTimerTick(), -1) << "closing stops the timer";
    EXPECT_TRUE(layer->Check());
}

// --- sprites taken out and destroyed ---

TEST_F(LayerFixture, DisabledAndDestroyedSpritesLeaveDrawingAndTheirPlaceIsRepainted) {
    auto figure = MakeSolid(8, 4);
    Sprite* s = Announce(1, Point3D(30, 40, 0), figure.get());
    Sprite* other = Announce(1, Point3D(0, 10, 0), nullptr);
    std::vector<Box> repainted;
    rec.Listen(INVALIDATE_VIEW);
    outside.Listen(INVALIDATE_VIEW);
    rec.answers[INVALIDATE_VIEW] = [&](ContainerBase* p) -> ContainerBase* {
        repainted.push_back(*PayloadValue<Box>(p));
        return nullptr;
    };
    Container<Sprite*> ps(s);
    layer->Post(SPRITE_DISABLED, &ps);
    EXPECT_EQ(layer->Sprites().Count(), 1);
    EXPECT_TRUE(layer->DisabledSprites().Contains(s));
    layer->Post(SPRITE_ENABLED, &ps);
    EXPECT_EQ(layer->Sprites().Tail()->value, s) << "back in drawing order";
    layer->PostNamed("SpriteDestroyed", &ps);
    EXPECT_FALSE(layer->Sprites().Contains(s));
    EXPECT_EQ(layer->Sprites().Head()->value, other);
    EXPECT_EQ(repainted, (std::vector<Box>(3, Box(30, 40, 8, 4))));
    EXPECT_EQ(outside.Count(INVALIDATE_VIEW), 0) << "repaints stay on the layer";
}

TEST_F(LayerFixture, LayerTrafficStaysOnTheLayer) {
    for (int e : {int(SPRITE_CREATED), int(POINT_SELECTED), int(RegisterMessage("Get Region Location")),
                  int(REGION_SELECTED), int(LOGICAL_COMMAND)})
        outside.Listen(e);
    Announce(1, Point3D(), nullptr);
    rec.Listen(FIND_REGION);
    rec.answers[FIND_REGION] = [](ContainerBase*) -> ContainerBase* { return new Container<short>(303); };
    Container<Point> click(Point(1, 1));
    layer->Post(POINT_SELECTED, &click);
    Container<short> region(303);
    delete layer->PostNamedAndWait("Get Region Location", &region);
    EXPECT_EQ(outside.Events(), (std::vector<int>{REGION_SELECTED})) << "only the selection goes out";
}

// --- viewports ---

TEST_F(LayerFixture, AViewportGoesWithItsWindowsEndAndAllGoWithTheGame) {
    auto* firstWindow = new MapChild;
    auto* secondWindow = new MapChild;
    auto* first = new Viewport(firstWindow);
    auto* second = new Viewport(secondWindow);
    layer->AddViewport(first);
    layer->AddViewport(second);
    first->AttachToBus(layer.get());
    EXPECT_EQ(firstWindow->GetBus(), first) << "the viewport hooks its window onto itself";
    MapChild stranger;
    Container<ChildWindow*> unknown(&stranger);
    layer->Post(VIEWPORT_DESTROYED, &unknown);
    EXPECT_EQ(layer->Viewports().Count(), 2);
    Container<ChildWindow*> gone(secondWindow);
    layer->Post(VIEWPORT_DESTROYED, &gone);
    ASSERT_EQ(layer->Viewports().Count(), 1);
    EXPECT_EQ(layer->Viewports().Head()->value, first);
    EXPECT_EQ(MapChild::live, 2);
    layer->PostNamedEvent("CloseGame");
    EXPECT_TRUE(layer->Viewports().IsEmpty());
    EXPECT_EQ(MapChild::live, 1);
}

TEST_F(LayerFixture, AWrongPayloadIsReportedWithTheLayersSourceAndLine) {
    struct Case {
        int event;
        const char* where;
    };
    const Case cases[] = {
        {LOGICAL_UNIT_CREATED, "PHYSICAL at line 152"},  {SPRITE_CREATED, "PHYSICAL at line 190"},
        {SPRITE_DISABLED, "PHYSICAL at line 249"},       {SPRITE_ENABLED, "PHYSICAL at line 266"},
        {PHYSICAL_OBJECT_ACTIVATED, "PHYSICAL at line 284"}, {POINT_SELECTED, "PHYSICAL at line 355"},
    };
    for (const Case& c : cases) {
        platform::QueueMessageBoxAnswer(IDNO);
        Container<std::string> wrong("x");
        layer->Post(c.event, &wrong);
        EXPECT_NE(LastBox().find(c.where), std::string::npos) << LastBox();
    }
    EXPECT_TRUE(layer->Sprites().IsEmpty());
    EXPECT_FALSE(layer->TimerRunning());
    EXPECT_EQ(app->beeps, 0);
}

} // namespace
