#include "game/pictures/hex_directions.h"
#include "tests/pictures/pictures_fixture.h"

#include <cstdio>
#include <cstdlib>
#include <map>

namespace pictest {
namespace {

// The map of a walk: levels and missing hexes chosen by the test, flagged sides as (hex, dir).
class WalkLandscape : public StandInLandscape {
public:
    WalkLandscape() : StandInLandscape(0, 0) {}
    std::int16_t HexLevel(std::int16_t hex) override { return levels.count(hex) ? static_cast<std::int16_t>(levels[hex]) : 1; }
    std::int16_t HexExists(std::int16_t hex) override { return missing.count(hex) ? 0 : 1; }
    std::int16_t HasFlaggedSide(std::int16_t hex, std::int32_t d) override { return flagged.count({hex, d}) ? 1 : 0; }
    std::map<int, int> levels;
    std::set<int> missing;
    std::set<std::pair<int, int>> flagged;
};

class WalkLayer : public ViewLayer {
public:
    ViewLandscape* GetLandscape(std::int16_t zoom) override { return zoom == 0 ? &land : nullptr; }
    WalkLandscape land;
};

// Each queued event as "H x,y t" for moves (frame runs: "play H Sequence:frame") and "cue N".
std::vector<std::string> Walked(const Sprite& s) {
    std::vector<std::string> out;
    auto& events = const_cast<Queue<SpriteEvent>&>(s.Events());
    ListIterator<SpriteEvent> it(&events);
    SpriteEvent e;
    while (it.Next(e)) {
        const VhSpriteEvent* v = PayloadValue<VhSpriteEvent>(e.payload);
        if (e.type == SpriteEvent::Notify && v) {
            out.push_back("cue " + std::to_string(v->sound.code));
        } else if (e.type == 2) {
            FrameInfo f;
            if (v) v->frames.PeekHead(f);
            out.push_back("play " + std::to_string(e.value) + " " + (f.GetName() ? f.GetName() : "") + ":" + std::to_string(f.GetFrame()));
        } else {
            out.push_back(std::to_string(e.value) + " " + std::to_string(e.target.x) + "," + std::to_string(e.target.y) + " " +
                          std::to_string(e.target.fourth));
        }
    }
    return out;
}

class WalkPicture : public TestPicture {
public:
    WalkPicture() : TestPicture(TestPicture::Base, 1005, 1) {}
    void SetDestroyed(std::uint16_t d) { destroyed = d; }
};

class FigureWalkTest : public PictureLayerTest {
protected:
    void SetUp() override {
        PictureLayerTest::SetUp();
        VhSprite::SetViewLandscape(&walkLayer, 0);
        // Entry d: level legs p0 = (d, 0) for 10 + d, p1 = (d, 1) for 20 + d; up legs (d, 10+k),
        // down legs (d, 20+k), each point k lasting 100 * (k + 1); the rest point (5, 5).
        for (int d = 1; d <= 10; ++d) {
            for (int h = 0; h < 3; ++h)
                for (int k = 0; k < 3; ++k) {
                    offsets.entries[d].hexes[h].points[k] = Point3D(static_cast<std::int16_t>(d), static_cast<std::int16_t>(10 * h + k), 0);
                    offsets.entries[d].hexes[h].values[k] = h == 0 ? (k == 0 ? 10 + d : 20 + d) : 100 * (k + 1);
                }
        }
        offsets.extra = Point3D(5, 5, 0);
    }
    std::vector<std::string> Walk(TestPicture& p, std::initializer_list<short> hexes, std::int16_t routing = 0) {
        List<short> path;
        for (short h : hexes) path.AddTail(h);
        VhSprite* s = p.GetFigureSprite(0);
        const std::size_t before = Walked(*s).size();
        p.WalkFigureAlongPath(p.GetFigureSlot(0), s, &path, &offsets, routing, 0);
        auto all = Walked(*s);
        return std::vector<std::string>(all.begin() + static_cast<std::ptrdiff_t>(before), all.end());
    }

    WalkLayer walkLayer;
    DirectionOffsets offsets;
};

TEST_F(FigureWalkTest, AFigureReachesEachHexOfThePathInOrder) {
    auto* p = new WalkPicture();
    Place(p);
    // Two steps east on level ground, each a tread and the rest point; the lone figure then
    // settles on the hex, the march sound ends and it stands facing its way.
    EXPECT_EQ(Walk(*p, {1005, 1004, 1003}),
              (std::vector<std::string>{"1004 3,0 13", "1004 5,5 23", "1003 3,0 13", "1003 5,5 23", "1003 0,0 100", "cue 11",
                                        "play 1003 Standing:0"}));
    EXPECT_EQ(p->GetHex(), 1005) << "the walk moves figures, not the picture";
}

TEST_F(FigureWalkTest, AOneHexPathOnlySettlesTheFigure) {
    auto* p = new WalkPicture();
    Place(p);
    walkLayer.land.levels[1005] = 0;
    EXPECT_EQ(Walk(*p, {1005}), (std::vector<std::string>{"cue 13", "1005 0,0 100", "cue 11", "play 1005 Standing:0"}));
}

TEST_F(FigureWalkTest, AZigZagBecomesOneStraightStepWhereBothFlanksExist) {
    auto* p = new WalkPicture();
    Place(p);
    const short b = HexNeighbour(1005, 8), c = HexNeighbour(b, 2);
    // R.x is positive: the straight step goes through the north-east neighbour.
    const short middle = HexNeighbour(1005, 2);
    const std::string m = std::to_string(middle), to = std::to_string(c);
    EXPECT_EQ(Walk(*p, {1005, b, c}), (std::vector<std::string>{m + " 1,0 11", m + " 1,1 21", to + " 9,0 19", to + " 5,5 29",
                                                                 to + " 0,0 100", "cue 11", "play " + to + " Standing:0"}));
    // At the map's edge the two diagonal steps stay.
    walkLayer.land.missing.insert(middle);
    const std::string bs = std::to_string(b);
    EXPECT_EQ(Walk(*p, {1005, b, c}), (std::vector<std::string>{bs + " 8,0 18", bs + " 5,5 28", to + " 2,0 12", to + " 5,5 22",
                                                                 to + " 0,0 100", "cue 11", "play " + to + " Standing:0"}));
}

TEST_F(FigureWalkTest, ClimbsAndDescentsUseTheirOwnTreadsAndCues) {
    auto* p = new WalkPicture();
    Place(p);
    walkLayer.land.levels[1005] = 0;  // water
    walkLayer.land.levels[1004] = 2;
    walkLayer.land.levels[1003] = 0;
    walkLayer.land.flagged.insert({1004, 3});
    EXPECT_EQ(Walk(*p, {1005, 1004, 1003}),
              (std::vector<std::string>{"cue 13", "1005 3,10 100", "cue 14", "1004 3,11 200", "1004 5,5 300",  // up
                                        "cue 12", "1003 3,20 100", "1003 3,21 200", "cue 13", "1003 5,5 300",  // down
                                        "1003 0,0 100", "cue 11", "play 1003 Standing:0"}));
}

TEST_F(FigureWalkTest, ARoutEndsInTheRoutStanceAndADestroyedUnitHurries) {
    auto* p = new WalkPicture();
    Place(p);
    EXPECT_EQ(Walk(*p, {1005, 1004}, 1).back(), "play 1004 StandingR:0");
    p->SetKind(13);
    p->SetDestroyed(1);
    // Factor 0.5 and no stance for a destroyed kind 13.
    EXPECT_EQ(Walk(*p, {1005, 1004}), (std::vector<std::string>{"1004 3,0 6", "1004 5,5 11", "1004 0,0 100", "cue 11"}));
}

TEST_F(FigureWalkTest, LossesScatterTheTreadsWithinTheBox) {
    auto* p = new WalkPicture();
    Place(p);
    p->SetLoss(100);
    for (int k = 0; k < 50; ++k) {
        const auto steps = Walk(*p, {1005, 1004});
        int x = 0, y = 0;
        ASSERT_EQ(std::sscanf(steps[1].c_str(), "1004 %d,%d", &x, &y), 2);
        EXPECT_LE(std::abs(x - 5), 22);
        EXPECT_LE(std::abs(y - 5), 7);
    }
}

} // namespace
} // namespace pictest
