#pragma once
// The game's display on a private data directory: terrain, game landscape and figure art of
// tools/datagen, a WinApp on the virtual clock, a stand-in of the logical layer that sends the
// map, and a recorder of what the display tells the rest of the game.
#include "core/events.h"
#include "game/logic/combat_records.h"
#include "game/pictures/vh_physical_object.h"
#include "game/pictures/vh_sprite.h"
#include "landscape/game/vh_physical_layer.h"
#include "landscape/vh_landscape.h"
#include "tests/landscape/landscape_fixture.h"
#include "tools/datagen/figure_art_writer.h"
#include "tools/datagen/overview_art_writer.h"
#include "tools/datagen/terrain_art_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace gdtest {

inline const char* const kFigureArt = "Test Figures";
// The battle whose overview picture the map tiles show.
inline const char* const kBattleTitle = "Test Battle";

// Every message it hears, as "name value" ("REGION_SELECTED 203", "Movement").
class Recorder : public Component {
public:
    Recorder() : Component("Display Recorder") {}
    std::vector<std::string> heard;

    void Connect() override {
        RegisterHandler(REGION_SELECTED, OnShort);
        RegisterHandler(REGION_FLYBY, OnShort);
        RegisterHandler(ENABLE_MENU_ITEM, OnMenu);
        RegisterHandler(DISABLE_MENU_ITEM, OnMenu);
        RegisterNamedHandler("Movement", OnPlain);
        RegisterNamedHandler("NoMovement", OnPlain);
        RegisterNamedHandler("Center On Point", OnCentre);
        RegisterNamedHandler("ZoomInForCombat", OnCentre);
    }
    std::vector<std::string> Take() {
        std::vector<std::string> out;
        out.swap(heard);
        return out;
    }
    Point3D centred[3];

private:
    static std::string Name(BusMessage e) {
        switch (e.Number()) {
        case REGION_SELECTED: return "REGION_SELECTED";
        case REGION_FLYBY: return "REGION_FLYBY";
        case ENABLE_MENU_ITEM: return "ENABLE";
        case DISABLE_MENU_ITEM: return "DISABLE";
        default: return MessageName(e.Number());
        }
    }
    static ContainerBase* OnShort(Component* c, BusMessage e, ContainerBase* p) {
        const short* v = PayloadValue<short>(p);
        static_cast<Recorder*>(c)->heard.push_back(Name(e) + " " + (v ? std::to_string(*v) : "?"));
        return nullptr;
    }
    static ContainerBase* OnMenu(Component* c, BusMessage e, ContainerBase* p) {
        const BusMessage* v = PayloadValue<BusMessage>(p);
        static_cast<Recorder*>(c)->heard.push_back(Name(e) + " " + (v ? std::to_string(v->Number()) : "?"));
        return nullptr;
    }
    static ContainerBase* OnPlain(Component* c, BusMessage e, ContainerBase*) {
        static_cast<Recorder*>(c)->heard.push_back(Name(e));
        return nullptr;
    }
    static ContainerBase* OnCentre(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = static_cast<Recorder*>(c);
        Point3D** points = PayloadValue<Point3D*>(p);
        self->heard.push_back(Name(e));
        if (points && *points)
            for (int z = 0; z < 3; ++z) self->centred[z] = (*points)[z];
        return nullptr;
    }
};

// A picture of the test figures that remembers the facing it was made with.
class RecordingPicture : public VhPhysicalObject {
public:
    RecordingPicture(std::int16_t hex, std::uint32_t facing_) : VhPhysicalObject(kFigureArt, hex, facing_), madeFacing(facing_) {}
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing_) override {
        return new RecordingPicture(hex, facing_);
    }
    std::uint32_t madeFacing;
};

class GameDisplayTest : public uitest::WinAppTest {
protected:
    void SetUp() override {
        uitest::WinAppTest::SetUp();
        auto entries = landtest::terrain::WriteTerrainArt(data.Data());
        const auto game = landtest::terrain::WriteGameLandscapeArt(data.Data());
        const auto figures = datagen::figures::WriteFigureArt(data.Data(), kFigureArt);
        ASSERT_FALSE(game.empty());
        ASSERT_FALSE(figures.empty());
        entries.insert(entries.end(), game.begin(), game.end());
        entries.insert(entries.end(), figures.begin(), figures.end());
        const auto overview = datagen::overview::WriteOverviewMapArt(data.Data(), {kBattleTitle});
        ASSERT_FALSE(overview.empty());
        entries.insert(entries.end(), overview.begin(), overview.end());
        data.WriteIndex(entries);
        MakeApp();
        RegisterSpriteRecordTypes();
        SetActiveViewMode(0);
        VhSprite::ResetStatics();
        VhPhysicalObject::InitUnitPictureArt();
        logic = std::make_unique<landtest::LogicStandIn>();
        logic->AttachToBus(app.get());
        recorder.AttachToBus(app.get());
    }
    void TearDown() override {
        for (auto& l : layers) l.reset();
        recorder.DetachFromBus();
        logic.reset();
        VhPhysicalObject::ReleaseUnitPictureArt();
        VhSprite::ResetStatics();
        SetActiveViewMode(-1);
        uitest::WinAppTest::TearDown();
    }

    // The layer of a view (0 or 4) on the application's bus, with the map sent.
    VhPhysicalLayer& MakeLayer(std::uint16_t view, const landtest::TestMap& map = Map()) {
        auto& slot = layers[view ? 1 : 0];
        slot = std::make_unique<VhPhysicalLayer>(view);
        slot->AttachToBus(app.get());
        VhSprite::SetViewLandscape(slot.get(), view ? 1 : 0);
        logic->SendMap(map);
        Drain();
        return *slot;
    }
    static landtest::TestMap Map() {
        landtest::TestMap map;
        map.columns = 6;
        map.rows = 5;
        return map;
    }
    void SendNamed(const char* name, ContainerBase* payload) {
        delete logic->SendNamed(name, payload);
        Drain();
    }
    void Send(BusMessage e, ContainerBase* payload) {
        delete logic->Send(e, payload);
        Drain();
    }
    // LOGICAL_UNIT_CREATED for unit number `unit` of type `code` at `hex`.
    void CreateUnit(std::uint16_t unit, std::uint16_t code, short hex, std::uint32_t facing, std::uint16_t hidden = 0,
                    std::uint32_t nation = 1) {
        LOCreateInfo info;
        info.typeIndex = code;
        info.facing = facing;
        info.nation = nation;
        info.firstWord = 11;
        info.secondWord = 22;
        info.awaitingArrival = hidden;
        Container<LogicalCommandInfo> command(LogicalCommandInfo(unit, new Container<LOCreateInfo>(info), hex));
        Send(LOGICAL_UNIT_CREATED, &command);
    }

    std::unique_ptr<landtest::LogicStandIn> logic;
    Recorder recorder;
    std::unique_ptr<VhPhysicalLayer> layers[2];
};

} // namespace gdtest
