#pragma once
// Units for the rules' tests: records as a scenario gives them, a map, and the game shell's bus
// to hear what the units tell the rest of the game.
#include "core/super_string.h"
#include "game/logic/vh_logical_landscape.h"
#include "game/units/group.h"
#include "game/units/unit_types.h"
#include "platform/msgbox.h"
#include "tests/shell/game_shell.h"
#include "tools/datagen/landscape_writer.h"
#include "tools/datagen/scenario_writer.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace units_testing {

// The record's body in a stream, after its kind word.
inline SuperString& BodyOf(SuperString& s, const datagen::UnitRecordDraft& record) {
    const auto bytes = datagen::WriteUnitRecord(record);
    s.Write(bytes.data() + 4, static_cast<std::int32_t>(bytes.size() - 4));
    return s;
}

template <class Record> Record Read(const datagen::UnitRecordDraft& draft) {
    SuperString s;
    BodyOf(s, draft);
    Record r;
    EXPECT_TRUE(r.Read(s));
    EXPECT_EQ(s.Remaining(), 0);
    return r;
}

class UnitsTest : public ::testing::Test {
protected:
    void SetUp() override {
        shell = std::make_unique<shell::GameShell>();
        map = std::make_unique<VhLogicalLandscape>();
        datagen::LandscapeDraft d(10, 8);
        Shape(d);
        const auto bytes = datagen::WriteLandscape(d);
        ASSERT_EQ(map->LoadFromBytes(bytes), 1);
    }
    void TearDown() override {
        units.clear();
        map.reset();
        shell.reset();
    }
    virtual void Shape(datagen::LandscapeDraft&) {}

    MissileCapableUnitData MissileRecord(std::uint16_t number, std::uint32_t side, std::uint16_t region,
                                         std::uint32_t type = 16, std::uint16_t formation = 1) {
        MissileCapableUnitData d;
        d.unitNumber = number;
        d.side = side;
        d.region = region;
        d.facing = 3;
        d.movementAllowance = 8;
        d.troopQuality = 5;
        d.size = 6;
        d.missileType = type;
        d.initialFormation = formation;
        d.landscape = map.get();
        return d;
    }
    // A unit of the class on the map and on the shell's bus.
    template <class T, class Record> T* Make(const Record& record, const char* name = nullptr) {
        auto unit = std::make_unique<T>(record, name);
        T* raw = unit.get();
        unit->AttachToBus(&shell->Layer());
        if (raw->GetLocation() != 0xFFFF) map->DeshadowRegions(raw, raw->GetLocation());
        units.push_back(std::move(unit));
        return raw;
    }
    // The picture commands of one unit, by name, in order.
    std::vector<std::string> Commands(std::uint16_t unit) {
        std::vector<std::string> out;
        for (const auto& c : shell->Display().commands)
            if (c.object == unit) out.push_back(MessageName(c.command.Number()));
        return out;
    }

    // The assertion boxes raised by the unit rules (the referee answers some of the same messages).
    static std::size_t UnitBoxes() {
        std::size_t n = 0;
        for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i)
            if (platform::ShownMessageBox(i).caption.rfind("Failure in VHUNIT", 0) == 0) ++n;
        return n;
    }

    std::unique_ptr<shell::GameShell> shell;
    std::unique_ptr<VhLogicalLandscape> map;
    std::vector<std::unique_ptr<VhUnit>> units;
};

} // namespace units_testing
