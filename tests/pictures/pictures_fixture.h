#pragma once
// The pictures' tests: a private data directory holding our own figure, flag and walking art
// (tools/datagen/figure_art_writer), a WinApp on the virtual clock, a stand-in for the map
// display (a landscape per view and zoom that places hex h at (10h, 4h) scaled to the zoom and
// can hide hexes) and a sound manager that records what it is asked to play.
#include "game/pictures/flag.h"
#include "game/pictures/picture_random.h"
#include "game/pictures/vh_physical_object.h"
#include "game/pictures/vh_sprite.h"
#include "landscape/physical/physical_layer.h"
#include "tests/ui/ui_fixture.h"
#include "tools/datagen/figure_art_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace pictest {

namespace figures = datagen::figures;

inline const char* const kArt = "Test Figures";

class StandInLandscape : public ViewLandscape {
public:
    StandInLandscape(int view_, int zoom_) : view(view_), zoom(zoom_) {}
    // View 1 (the combat close-up) lies 1000 pixels to the right of the main map.
    Point3D HexOrigin(std::int16_t hex) override {
        return Point3D(static_cast<std::int16_t>((10 * hex + 1000 * view) >> zoom), static_cast<std::int16_t>((4 * hex) >> zoom), 0);
    }
    std::int16_t IsHexHidden(std::int16_t hex) override { return hidden.count(hex) ? 1 : 0; }
    std::int16_t IsHexMarked(std::int16_t hex) override { return marked.count(hex) ? 1 : 0; }
    std::set<int> hidden, marked;
    int view, zoom;
};

class StandInLayer : public ViewLayer {
public:
    explicit StandInLayer(int view) {
        for (int z = 0; z < 3; ++z) zooms[z] = std::make_unique<StandInLandscape>(view, z);
    }
    ViewLandscape* GetLandscape(std::int16_t zoom) override { return zoom >= 0 && zoom < 3 ? zooms[zoom].get() : nullptr; }
    std::unique_ptr<StandInLandscape> zooms[3];
};

// Every call as a line: "cheer", "movement-start 3" ...
class SoundLog : public PictureSoundManager {
public:
    std::vector<std::string> calls;
    std::uint16_t nextHandle = 40;

    void PlayHorseNeigh(std::uint16_t kind) override { calls.push_back("neigh " + std::to_string(kind)); }
    std::uint16_t StartMovementLoop(std::uint16_t kind) override {
        calls.push_back("movement-start " + std::to_string(kind));
        return nextHandle++;
    }
    void StopMovementLoop(std::uint16_t h) override { calls.push_back("movement-stop " + std::to_string(static_cast<std::int16_t>(h))); }
    void PlaySplashA() override { calls.push_back("splasha"); }
    void PlaySplash() override { calls.push_back("splash"); }
    void StopSlotSound() override { calls.push_back("slot-stop"); }
    std::uint16_t StartMeleeLoop(std::uint16_t a, std::uint16_t b) override {
        calls.push_back("melee-start " + std::to_string(a) + " " + std::to_string(b));
        return nextHandle++;
    }
    void StopMeleeLoop(std::uint16_t h) override { calls.push_back("melee-stop " + std::to_string(static_cast<std::int16_t>(h))); }
    void PlayHorseBattle() override { calls.push_back("horsbat"); }
    void PlayHorseBattle2() override { calls.push_back("horsbat2"); }
    void PlayCheer() override { calls.push_back("cheer"); }
    void PlayMusketFire() override { calls.push_back("musfire1"); }
    void PlayBatteryFire() override { calls.push_back("batfire1"); }
    void PlayMusketHits() override { calls.push_back("mushits1"); }
    void PlayBatteryHits() override { calls.push_back("bathits1"); }
    void PlayCavalryDismount() override { calls.push_back("cavdis1"); }
    void PlayCavalryMount() override { calls.push_back("cavmnt1"); }
    void PlayLimber() override { calls.push_back("limber1"); }
    void PlayLimber2() override { calls.push_back("limber1-2"); }
};

class PicturesTest : public uitest::WinAppTest {
protected:
    void SetUp() override {
        uitest::WinAppTest::SetUp();
        auto entries = figures::WriteFigureArt(data.Data(), kArt);
        ASSERT_FALSE(entries.empty());
        for (const auto& e : ExtraArt()) entries.push_back(e);
        data.WriteIndex(entries);
        MakeApp();
        RegisterSpriteRecordTypes();
        SeedPictureRandom(7);
        SetActiveViewMode(0);
        VhSprite::ResetStatics();
        VhSprite::SetViewLandscape(&views[0], 0);
        VhSprite::SetViewLandscape(&views[1], 1);
        VhSprite::SetSoundManager(&sounds);
        for (int z = 0; z < 3; ++z) art[z] = std::make_unique<QIF<Bitmap>>((std::string(kArt) + figures::Suffix(z)).c_str());
    }
    // Libraries a test writes beside the figure art, with their index entries.
    virtual std::vector<datagen::ArtIndexEntry> ExtraArt() { return {}; }
    void TearDown() override {
        for (auto& a : art) a.reset();
        VhPhysicalObject::ReleaseUnitPictureArt();
        VhSprite::ResetStatics();
        SetActiveViewMode(-1);
        uitest::WinAppTest::TearDown();
    }

    // A figure of the test art at hex, position p, showing frame f of the sequence.
    std::unique_ptr<VhSprite> MakeSprite(std::int16_t hex, Point3D p, const char* sequence = "Standing",
                                         std::int16_t frame = 0, std::int16_t value = -1, std::int16_t view = 0) {
        return std::make_unique<VhSprite>(hex, p, FrameInfo(sequence, frame), value, nullptr, 1, art[0].get(), art[1].get(),
                                          art[2].get(), view);
    }

    // The origin of a hex at a zoom in a view, as the stand-in places it.
    static Point Origin(int hex, int zoom, int view = 0) {
        return Point(static_cast<std::int16_t>((10 * hex + 1000 * view) >> zoom), static_cast<std::int16_t>((4 * hex) >> zoom));
    }

    static List<FrameInfo> Frames(const char* sequence, std::initializer_list<int> numbers) {
        List<FrameInfo> l;
        for (int n : numbers) l.AddTail(FrameInfo(sequence, static_cast<std::int16_t>(n)));
        return l;
    }

    // Ticks a sprite at each time; the value of the last tick.
    static int TickAt(VhSprite& s, std::initializer_list<int> times) {
        int r = 0;
        for (int t : times) r = s.Tick(t, nullptr);
        return r;
    }

    static std::string ImageName(const VhSprite& s, int zoom = 0) {
        Bitmap* b = s.GetImage(static_cast<std::int16_t>(zoom));
        return b ? b->GetName() : "";
    }

    StandInLayer views[2] = {StandInLayer(0), StandInLayer(1)};
    SoundLog sounds;
    std::unique_ptr<QIF<Bitmap>> art[3];
};


// A picture whose figure set-up is chosen by the test: the base class's one figure, or the
// foot, mounted or leader layout.
class TestPicture : public VhPhysicalObject {
public:
    enum Layout { Base, Foot, Mounted, Leader };
    Layout layout;

    TestPicture(Layout layout_, std::int16_t hex, std::uint32_t facing_, const char* pictureArt = kArt)
        : VhPhysicalObject(pictureArt, hex, facing_), layout(layout_) {}

    void SetUpFigures() override {
        switch (layout) {
        case Base: VhPhysicalObject::SetUpFigures(); break;
        case Foot:
            BuildFootFigures();
            SetUpStepUps8();
            break;
        case Mounted:
            BuildMountedFigures();
            SetUpStepUps6();
            break;
        case Leader: BuildLeaderFigure(); break;
        }
    }
    // Figure i's body went to the landscape.
    void Fall(int i) {
        Container<Sprite*> p(sprites[i]);
        delete SendNamed("SpriteDestroyed", &p);
        delete sprites[i];
        sprites[i] = nullptr;
        figureStates[i] = 2;
        ++fallenCount;
    }
    void SetState(int i, std::uint16_t state) { figureStates[i] = state; }
    void MakeLoose(int i) { looseSprites.AddTail(sprites[i]); }
    void SetLoss(std::int16_t loss) { lossPercent = loss; }
    const std::int16_t* StepUps() const { return stepUpTable; }
};

// Pictures on a physical layer of the application, with a recorder of the sprite messages.
class PictureLayerTest : public PicturesTest {
protected:
    struct Listener : Component {
        std::vector<Sprite*> created, destroyed;
        Listener() : Component("Sprite Listener") {}
        static ContainerBase* OnCreated(Component* c, BusMessage, ContainerBase* p) {
            if (Sprite** s = PayloadValue<Sprite*>(p)) static_cast<Listener*>(c)->created.push_back(*s);
            return nullptr;
        }
        static ContainerBase* OnDestroyed(Component* c, BusMessage, ContainerBase* p) {
            if (Sprite** s = PayloadValue<Sprite*>(p)) static_cast<Listener*>(c)->destroyed.push_back(*s);
            return nullptr;
        }
        void Connect() override {
            RegisterHandler(SPRITE_CREATED, OnCreated);
            RegisterNamedHandler("SpriteDestroyed", OnDestroyed);
        }
    };

    void SetUp() override {
        PicturesTest::SetUp();
        VhPhysicalObject::InitUnitPictureArt();
        layer = std::make_unique<PhysicalLayer>();
        layer->AttachToBus(app.get());
        listener.AttachToBus(layer.get());
    }
    void TearDown() override {
        pictures.clear();
        listener.DetachFromBus();
        layer.reset();
        PicturesTest::TearDown();
    }
    // A connected picture on the layer, owned by the test.
    TestPicture* Place(TestPicture* p) {
        pictures.emplace_back(p);
        p->AttachToBus(layer.get());
        DrainTasks();
        return p;
    }
    void DrainTasks() {
        for (int i = 0; i < 1000 && app->TaskCount() > 0; ++i) app->ProcessOneTask();
    }
    static std::string RecordOf(VhPhysicalObject& p) {
        SuperString s;
        p.Save(s);
        return s.Contents();
    }

    std::unique_ptr<PhysicalLayer> layer;
    Listener listener;
    std::vector<std::unique_ptr<TestPicture>> pictures;
};

} // namespace pictest
