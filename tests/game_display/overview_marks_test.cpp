// The overview's unit marks kept by the game's physical layer: the colours recorded per hex, the
// bitmap made at the overview's first request, and the fog of war that keeps the other side's
// marks off hidden hexes.
#include "game/logic/game_records.h"
#include "game/units/vh_unit.h"
#include "platform/msgbox.h"
#include "tests/game_display/game_display_fixture.h"
#include "ui/bitmap.h"

#include <initializer_list>
#include <string>

namespace {

using namespace gdtest;

constexpr std::uint16_t kCode = 3;
constexpr short kUnionHex = 203;
constexpr short kRebelHex = 303;
constexpr short kFarRebelHex = 101;

// A unit of either side, as the logical side names one when it puts it on the map.
class AnyUnit : public VhUnit {
public:
    AnyUnit() : VhUnit(VhUnitData(), "Arriving Brigade") {}
    VhUnit* CreateFromRecord(VhUnitData&, const char*) override { return nullptr; }
    int IsThreatHex(std::uint16_t) const override { return 0; }
    StepCostFunction GetStepCostCallback() override { return StepCostFunction(); }
    void FindLegalDestinations(List<short>&, std::uint32_t, std::uint16_t) override {}
    int IsMissileCapable() const override { return 0; }
    int IsCombatUnit() const override { return 0; }
    int IsLeader() const override { return 0; }
    int MaySelectOutOfCommands() override { return 0; }
    void OnRallied() override {}
    void OnRouted() override {}
    void EvadeReaction() override {}
    std::uint16_t StrengthValue() const override { return 0; }
};

class OverviewMarksTest : public GameDisplayTest {
protected:
    // Four pixels of overview per map cell, so a mark never touches its neighbour's.
    static constexpr int kScale = 4;

    VhPhysicalLayer& MakeBattle() {
        // One creator for the test: registering another would leave the first behind.
        if (!creatorRegistered) PhysicalLayer::RegisterCreator(kCode, new RecordingPicture(0, 1));
        creatorRegistered = true;
        VhPhysicalLayer& layer = MakeLayer(0);
        CreateUnit(1, kCode, kUnionHex, 1, 0, UnionNation);
        CreateUnit(2, kCode, kRebelHex, 1, 0, ConfederateNation);
        CreateUnit(3, kCode, kFarRebelHex, 1, 0, ConfederateNation);
        return layer;
    }
    // What the overview does: asks the layer on the bus for the marks at its size.
    Bitmap* AskUnitBitmap(const Dim& size) {
        Container<Dim> payload(size);
        ContainerBase* reply = logic->SendNamed("Get Unit Bitmap", &payload);
        Bitmap** bitmap = PayloadValue<Bitmap*>(reply);
        Bitmap* out = bitmap ? *bitmap : nullptr;
        delete reply;
        return out;
    }
    Bitmap* AskUnitBitmap(const VhPhysicalLayer& layer) {
        return AskUnitBitmap(Dim(static_cast<std::int16_t>(layer.MapSize().width * kScale),
                                 static_cast<std::int16_t>(layer.MapSize().height * kScale)));
    }
    void SendRegions(const char* name, std::initializer_list<short> hexes) {
        List<short> regions;
        for (short h : hexes) regions.AddTail(h);
        Container<List<short>*> payload(&regions);
        SendNamed(name, &payload);
    }
    // The palette index a colour is drawn with, found by drawing it.
    static std::uint8_t IndexOf(short r, short g, short b) {
        Bitmap probe(Dim(2, 2), Bitmap::Keyed);
        probe.FrameRect(Box(0, 0, 2, 2), r, g, b);
        return landtest::PixelAt(probe, 0, 0);
    }
    // The four pixels of the mark of a hex; -1 when they are not all alike.
    static int MarkAt(const VhPhysicalLayer& layer, const Bitmap& bitmap, short hex) {
        const Point cell = layer.RegionToCell(hex);
        const int x = cell.x * kScale + (cell.x % 2 ? kScale / 2 : 0), y = cell.y * kScale;
        const std::uint8_t first = landtest::PixelAt(bitmap, x, y);
        for (int dy = 0; dy < 2; ++dy)
            for (int dx = 0; dx < 2; ++dx)
                if (landtest::PixelAt(bitmap, x + dx, y + dy) != first) return -1;
        return first;
    }
    void Move(std::uint16_t unit, short from, short to, const char* name = nullptr) {
        List<short> path;
        path.AddTail(from);
        path.AddTail(to);
        const BusMessage command = name ? BusMessage(RegisterMessage(name)) : BusMessage(LOGICAL_OBJECT_MOVED);
        Container<LogicalCommandInfo> c(LogicalCommandInfo(unit, new Container<List<short>>(path), to, command));
        Send(LOGICAL_COMMAND, &c);
    }
    void Remove(std::uint16_t unit, short region, const char* name) {
        Container<LogicalCommandInfo> c(
            LogicalCommandInfo(unit, new Container<short>(0), region, BusMessage(RegisterMessage(name))));
        Send(LOGICAL_COMMAND, &c);
    }
    void SetUp() override {
        GameDisplayTest::SetUp();
        blue = IndexOf(0, 0, 255);
        red = IndexOf(255, 0, 0);
        black = IndexOf(0, 0, 0);
        // Without three distinct indices no test below could tell a mark from another.
        ASSERT_NE(blue, red);
        ASSERT_NE(blue, black);
        ASSERT_NE(red, black);
    }
    int blue = 0, red = 0, black = 0;
    bool creatorRegistered = false;
};

TEST_F(OverviewMarksTest, TheFirstRequestDrawsEveryUnitRecordedBeforeItAndLaterOnesGetTheSameBitmap) {
    VhPhysicalLayer& layer = MakeBattle();
    ASSERT_EQ(layer.UnitBitmap(), nullptr);
    Bitmap* bitmap = AskUnitBitmap(layer);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->GetWidth(), layer.MapSize().width * kScale);
    EXPECT_EQ(bitmap->GetHeight(), layer.MapSize().height * kScale);
    EXPECT_EQ(MarkAt(layer, *bitmap, kUnionHex), blue);
    EXPECT_EQ(MarkAt(layer, *bitmap, kRebelHex), red);
    EXPECT_EQ(MarkAt(layer, *bitmap, kFarRebelHex), red);
    // A unit made after the request is marked at once; one awaiting its arrival is not.
    CreateUnit(4, kCode, 402, 1, 0, UnionNation);
    CreateUnit(5, kCode, 104, 1, 1, UnionNation);
    EXPECT_EQ(MarkAt(layer, *bitmap, 402), blue);
    EXPECT_EQ(MarkAt(layer, *bitmap, 104), black);
    // Whatever size is asked for later, the overview keeps drawing the same marks.
    EXPECT_EQ(AskUnitBitmap(Dim(7, 9)), bitmap);
}

TEST_F(OverviewMarksTest, UnderFogTheOtherSidesMarksStayOffHiddenHexesAndFollowTheShadow) {
    VhPhysicalLayer& layer = MakeBattle();
    Container<NATION> side(UnionNation);
    SendNamed("FogOfWar", &side);
    EXPECT_EQ(layer.FogOn(), 1);
    EXPECT_EQ(layer.OwnSide(), 0);
    // The logical side hides the hexes its units do not see; the map darkens them as well.
    SendRegions("Shadow Region", {kUnionHex, kRebelHex});
    EXPECT_NE(layer.GetGameLandscape(0)->IsShadowed(kRebelHex), 0);
    Bitmap* bitmap = AskUnitBitmap(layer);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(MarkAt(layer, *bitmap, kUnionHex), blue) << "the own side is always marked";
    EXPECT_EQ(MarkAt(layer, *bitmap, kRebelHex), black) << "an enemy on a hidden hex is not";
    EXPECT_EQ(MarkAt(layer, *bitmap, kFarRebelHex), red) << "an enemy in sight is";
    // Revealed, the enemy's mark comes back from the recorded colour.
    SendRegions("Deshadow Region", {kRebelHex});
    EXPECT_EQ(MarkAt(layer, *bitmap, kRebelHex), red);
    // Hidden again, the marks of both sides are erased; a hex without a unit stays as it was.
    SendRegions("Shadow Region", {kUnionHex, kFarRebelHex, 402});
    EXPECT_EQ(MarkAt(layer, *bitmap, kUnionHex), black);
    EXPECT_EQ(MarkAt(layer, *bitmap, kFarRebelHex), black);
    EXPECT_EQ(MarkAt(layer, *bitmap, kRebelHex), red);
}

TEST_F(OverviewMarksTest, WithoutFogTheShadowMessagesLeaveTheMarksAlone) {
    VhPhysicalLayer& layer = MakeBattle();
    Bitmap* bitmap = AskUnitBitmap(layer);
    ASSERT_NE(bitmap, nullptr);
    SendRegions("Shadow Region", {kUnionHex, kRebelHex});
    EXPECT_EQ(MarkAt(layer, *bitmap, kUnionHex), blue);
    EXPECT_EQ(MarkAt(layer, *bitmap, kRebelHex), red);
}

TEST_F(OverviewMarksTest, ANewBattleStartsWithoutTheOldMarksOrFog) {
    VhPhysicalLayer& layer = MakeBattle();
    Container<NATION> side(ConfederateNation);
    SendNamed("FogOfWar", &side);
    ASSERT_NE(AskUnitBitmap(layer), nullptr);
    delete layer.Close();
    EXPECT_EQ(layer.UnitBitmap(), nullptr);
    EXPECT_EQ(layer.FogOn(), 0);
    EXPECT_EQ(layer.OwnSide(), -1);
    logic->SendMap(Map());
    Drain();
    Bitmap* bitmap = AskUnitBitmap(layer);
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(MarkAt(layer, *bitmap, kUnionHex), black);
}

TEST_F(OverviewMarksTest, MovesCarryTheMarkAndASecondUnitOnAHexHasNoneOfItsOwn) {
    VhPhysicalLayer& layer = MakeBattle();
    Bitmap* bitmap = AskUnitBitmap(layer);
    ASSERT_NE(bitmap, nullptr);
    const std::size_t n = layer.UnitColours().size() / 2;
    const auto entry = [&](short hex, bool second) {
        return layer.UnitColours()[static_cast<std::size_t>(layer.RegionToIndex(hex)) + (second ? n : 0)];
    };
    // Alone, the union unit walks: its mark goes with it.
    Move(1, kUnionHex, 402);
    EXPECT_EQ(MarkAt(layer, *bitmap, kUnionHex), black);
    EXPECT_EQ(MarkAt(layer, *bitmap, 402), blue);
    EXPECT_EQ(entry(kUnionHex, false), VhPhysicalLayer::kNoColour);
    // Teleported onto the rebels' hex it stands second there: the rebels' mark stays.
    Move(1, 402, kRebelHex, "UnitTeleport");
    EXPECT_EQ(MarkAt(layer, *bitmap, 402), black);
    EXPECT_EQ(MarkAt(layer, *bitmap, kRebelHex), red);
    EXPECT_EQ(entry(kRebelHex, false), VhPhysicalLayer::SideColour(1));
    EXPECT_EQ(entry(kRebelHex, true), VhPhysicalLayer::SideColour(0));
    // Leaving a shared hex takes the second place first, so the mark there is not erased.
    Move(1, kRebelHex, 104);
    EXPECT_EQ(MarkAt(layer, *bitmap, kRebelHex), red);
    EXPECT_EQ(MarkAt(layer, *bitmap, 104), blue);
    EXPECT_EQ(entry(kRebelHex, true), VhPhysicalLayer::kNoColour);
}

TEST_F(OverviewMarksTest, AUnitLeavingTheMapTakesItsMarkAlong) {
    const char* const removals[] = {"TerminalRout", "UnitEliminated", "UnitRemoved", "HideAllSprites"};
    for (const char* name : removals) {
        VhPhysicalLayer& layer = MakeBattle();
        Bitmap* bitmap = AskUnitBitmap(layer);
        ASSERT_NE(bitmap, nullptr);
        Remove(2, kRebelHex, name);
        EXPECT_EQ(MarkAt(layer, *bitmap, kRebelHex), black) << name;
        EXPECT_EQ(layer.UnitColours()[static_cast<std::size_t>(layer.RegionToIndex(kRebelHex))], VhPhysicalLayer::kNoColour)
            << name;
        EXPECT_EQ(MarkAt(layer, *bitmap, kFarRebelHex), red) << name;
    }
}

TEST_F(OverviewMarksTest, AUnitPutOnTheMapAgainIsMarkedInItsSidesColour) {
    VhPhysicalLayer& layer = MakeBattle();
    Bitmap* bitmap = AskUnitBitmap(layer);
    ASSERT_NE(bitmap, nullptr);
    AnyUnit unit;
    const char* const insertions[] = {"UnitInserted", "ShowAllSprites"};
    const short hexes[] = {402, 104};
    for (int k = 0; k < 2; ++k) {
        unit.SetSide(k == 0 ? UnionNation : ConfederateNation);
        Container<LogicalCommandInfo> c(LogicalCommandInfo(4, new Container<VhUnit*>(&unit), hexes[k],
                                                           BusMessage(RegisterMessage(insertions[k]))));
        Send(LOGICAL_COMMAND, &c);
        EXPECT_EQ(MarkAt(layer, *bitmap, hexes[k]), k == 0 ? blue : red) << insertions[k];
    }
}

TEST_F(OverviewMarksTest, AnEnemyMovingIntoTheFogLeavesNoMark) {
    VhPhysicalLayer& layer = MakeBattle();
    Container<NATION> side(UnionNation);
    SendNamed("FogOfWar", &side);
    Bitmap* bitmap = AskUnitBitmap(layer);
    ASSERT_NE(bitmap, nullptr);
    SendRegions("Shadow Region", {402});
    Move(3, kFarRebelHex, 402);
    EXPECT_EQ(MarkAt(layer, *bitmap, kFarRebelHex), black);
    EXPECT_EQ(MarkAt(layer, *bitmap, 402), black);
    // Seen again, it shows where it went.
    SendRegions("Deshadow Region", {402});
    EXPECT_EQ(MarkAt(layer, *bitmap, 402), red);
}

TEST_F(OverviewMarksTest, WrongPayloadsAreRefused) {
    VhPhysicalLayer& layer = MakeBattle();
    const char* const names[] = {"Get Unit Bitmap", "FogOfWar", "Shadow Region", "Deshadow Region"};
    for (const char* name : names) {
        // The map's landscapes refuse the shadow messages as well, one box each.
        for (int k = 0; k < 4; ++k) platform::QueueMessageBoxAnswer(IDNO);
        const std::size_t before = platform::ShownMessageBoxCount();
        Container<std::string> wrong("x");
        SendNamed(name, &wrong);
        EXPECT_GT(platform::ShownMessageBoxCount(), before) << name;
    }
    EXPECT_EQ(layer.UnitBitmap(), nullptr);
    EXPECT_EQ(layer.FogOn(), 0);
}

} // namespace
