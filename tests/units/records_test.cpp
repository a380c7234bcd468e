#include "units_fixture.h"

namespace {

using units_testing::BodyOf;
using units_testing::Read;

TEST(UnitRecords, TheBaseRecordAsTheFileHoldsIt) {
    auto draft = datagen::InfantryRecord("5th New York", 1, 1305, 6, 12);
    draft.facing = 0;
    draft.movement = 5;
    draft.artIndex = -1;
    draft.arrival = 0x00070004; // the high half means nothing
    const auto r = Read<MissileCapableUnitData>(draft);
    EXPECT_EQ(r.name, "5th New York");
    EXPECT_EQ(r.facing, 3u);
    EXPECT_EQ(r.movementAllowance, 10);
    EXPECT_EQ(r.side, 1u);
    EXPECT_EQ(r.region, 1305);
    EXPECT_EQ(r.typeIndex, -1);
    EXPECT_EQ(r.groupNumber, 12);
    EXPECT_EQ(r.arrivalTurn, 4);
    EXPECT_EQ(r.troopQuality, 5);
    EXPECT_EQ(r.size, 6);
    // A base record with a name of n bytes is n + 25 bytes long.
    EXPECT_EQ(datagen::WriteUnitRecord(draft).size(), 4u + 12 + 25 + 5 + 7);
}

// An allowance past any unit's reach is damage; honouring it made one move order's path search
// take seconds.
TEST(UnitRecords, AnAllowanceBeyondAnyUnitsReachIsRefused) {
    struct Case {
        std::uint16_t stored;
        bool accepted;
    } cases[] = {{0, true}, {30, true}, {MAX_STORED_ALLOWANCE, true}, {MAX_STORED_ALLOWANCE + 1, false},
                 {16898, false}, {0xFFFF, false}};
    for (const auto& c : cases) {
        auto draft = datagen::CavalryRecord("1st Maine", 0, 1203, 10, 4);
        draft.movement = c.stored;
        const auto bytes = datagen::WriteUnitRecord(draft);
        SuperString s;
        s.Write(bytes.data() + 4, static_cast<std::int32_t>(bytes.size() - 4));
        CombatUnitData r;
        EXPECT_EQ(r.Read(s), c.accepted) << c.stored;
        if (c.accepted) EXPECT_EQ(r.movementAllowance, 2 * c.stored);
    }
}

TEST(UnitRecords, WeaponCodesBecomeMissileTypes) {
    struct Case {
        std::uint32_t code, type;
    } cases[] = {{0, 0}, {1, 12}, {5, 16}, {8, 19}, {11, 22}, {12, 0}, {255, 0}, {0xFFFFFFFF, 0}};
    for (const auto& c : cases) {
        auto draft = datagen::InfantryRecord("X", 0, 1000, 4, 1);
        draft.weaponCode = c.code;
        draft.fireRating = -3;
        draft.initialFormation = 0;
        const auto r = Read<MissileCapableUnitData>(draft);
        EXPECT_EQ(r.missileType, c.type) << c.code;
        EXPECT_EQ(r.fireRating, -3);
        EXPECT_EQ(r.initialFormation, 0);
    }
}

TEST(UnitRecords, LeaderRecordsReadCommandsBeforeTheirRange) {
    struct Case {
        std::uint8_t levelCode;
        std::uint32_t level;
    } cases[] = {{0, 1}, {1, 2}, {2, 3}, {3, 0}, {200, 0}};
    for (const auto& c : cases) {
        auto draft = datagen::LeaderRecord("Gen. Wyndle", 0, 1203, 1, 4, 2, c.levelCode);
        draft.commands = 3;
        draft.commandRange = 6;
        draft.extraRating1 = 2;
        const auto r = Read<LeaderUnitData>(draft);
        EXPECT_EQ(r.commandLevel, c.level) << int(c.levelCode);
        EXPECT_EQ(r.commands, 3);
        EXPECT_EQ(r.commandRange, 6);
        EXPECT_EQ(r.extraRating1, 2);
        EXPECT_EQ(r.extraRating2, 0);
        EXPECT_EQ(r.superiorGroup, 2);
    }
}

TEST(UnitRecords, ARecordCutShortIsRefused) {
    for (const auto& draft : {datagen::LeaderRecord("Gen. Tamsin", 0, 1203, 1, 4, 2),
                              datagen::CavalryRecord("1st Maine", 0, 1203, 10, 4),
                              datagen::WagonRecord("Train", 0, 1203, 9, 4)}) {
        const auto bytes = datagen::WriteUnitRecord(draft);
        for (std::size_t cut = 4; cut < bytes.size(); ++cut) {
            SuperString s;
            s.Write(bytes.data() + 4, static_cast<std::int32_t>(cut - 4));
            std::unique_ptr<VhUnitData> r;
            if (draft.kindWord == 0) r = std::make_unique<LeaderUnitData>();
            else if (draft.kindWord == 4) r = std::make_unique<CombatUnitData>();
            else r = std::make_unique<MissileCapableUnitData>();
            EXPECT_FALSE(r->Read(s)) << draft.name << " cut at " << cut;
        }
    }
}

TEST(Groups, TheGroupRecord) {
    SuperString s;
    s << static_cast<short>(12) << static_cast<unsigned short>(0);
    s.Write(std::string(Group::ReservedBytes, '\0').data(), Group::ReservedBytes);
    s << static_cast<short>(13) << static_cast<unsigned short>(9);
    s.WriteText("Iron Bri.");
    s.Write(std::string(Group::ReservedBytes, 'x').data(), Group::ReservedBytes);
    s << static_cast<short>(14) << static_cast<unsigned short>(4);
    Group a, b, c;
    ASSERT_TRUE(a.Read(s));
    EXPECT_EQ(s.ReadPosition(), 332);
    EXPECT_EQ(a.GetNumber(), 12);
    EXPECT_EQ(a.GetName(), "");
    ASSERT_TRUE(b.Read(s));
    EXPECT_EQ(b.GetNumber(), 13);
    EXPECT_EQ(b.GetName(), "Iron Bri.");
    EXPECT_FALSE(c.Read(s));
    EXPECT_EQ(c.GetNumber(), -1);
}

TEST(Groups, MembersAndTheirLeader) {
    MissileCapableUnitData d;
    d.unitNumber = 3;
    MediumInfantry one(d, "One");
    d.unitNumber = 4;
    MediumInfantry two(d, "Two");
    LeaderUnitData l;
    l.unitNumber = 9;
    Leader chief(l, "Chief");
    Group g;
    EXPECT_FALSE(g.Contains(&chief));
    EXPECT_FALSE(g.ContainsNumber(9));
    g.AddUnit(&one);
    g.AddUnit(&one);
    g.AddUnit(&two);
    EXPECT_EQ(g.GetUnits().Count(), 2);
    g.SetLeader(&chief);
    EXPECT_TRUE(g.Contains(&chief));
    EXPECT_TRUE(g.ContainsNumber(9));
    EXPECT_EQ(g.FindUnit(9), nullptr);
    EXPECT_EQ(g.FindUnit(4), &two);
    g.RemoveUnit(&one);
    EXPECT_FALSE(g.Contains(&one));
    Group same;
    same.SetNumber(g.GetNumber());
    EXPECT_TRUE(same == g);
}

TEST(UnitTypes, TheTableOfTypes) {
    ASSERT_EQ(UnitTypeCount(), 14);
    struct Row {
        const char* name;
        int kind;
        const char* expectedClass;
    } rows[] = {
        {"Union Corp Commander", 0, "leader"},       {"Union Div Commander", 0, "leader"},
        {"Confederate Corp Commander", 0, "leader"}, {"Confederate Div Commander", 0, "leader"},
        {"Union Medium Infantry", 8, "MI"},          {"Union Heavy Infantry", 2, "MI"},
        {"Confederate Medium Infantry", 8, "MI"},    {"Confederate Heavy Infantry", 2, "MI"},
        {"Confederate Supply Wagon", 17, "SW"},      {"Union Supply Wagon", 17, "SW"},
        {"Union Cavalry", 13, "LC"},                 {"Confederate Cavalry", 13, "LC"},
        {"Union Iron Battery", 17, "AT"},            {"Confederate Iron Battery", 17, "AT"},
    };
    for (int i = 0; i < 14; ++i) {
        const UnitTypeEntry& e = UnitTypeTable()[i];
        SCOPED_TRACE(e.name);
        EXPECT_STREQ(e.name, rows[i].name);
        EXPECT_EQ(e.kind, rows[i].kind);
        auto prototype = e.makeRules(e.name);
        ASSERT_NE(prototype, nullptr);
        EXPECT_EQ(prototype->GetName(), e.name);
        if (std::string(rows[i].expectedClass) == "leader") EXPECT_TRUE(prototype->IsLeader());
        else EXPECT_EQ(AsCombat(prototype.get())->GetKindCode(), rows[i].expectedClass);
    }
    EXPECT_STREQ(UnitTypeTable()[5].pictureArt, "Union Medium Infantry");
    EXPECT_STREQ(UnitTypeTable()[12].pictureArt, "Union Iron Limbered Battery");
}

TEST(UnitTypes, EachTypeBuildsOnlyFromItsRecord) {
    LeaderUnitData leaderRecord;
    CombatUnitData combatRecord;
    MissileCapableUnitData missileRecord;
    for (int i = 0; i < UnitTypeCount(); ++i) {
        auto prototype = UnitTypeTable()[i].makeRules(UnitTypeTable()[i].name);
        std::unique_ptr<VhUnit> fromLeader(prototype->CreateFromRecord(leaderRecord, "x"));
        std::unique_ptr<VhUnit> fromCombat(prototype->CreateFromRecord(combatRecord, "x"));
        std::unique_ptr<VhUnit> fromMissile(prototype->CreateFromRecord(missileRecord, "x"));
        if (prototype->IsLeader()) {
            EXPECT_NE(fromLeader, nullptr);
            EXPECT_EQ(fromCombat, nullptr);
            EXPECT_EQ(fromMissile, nullptr);
        } else if (!prototype->IsMissileCapable()) {
            // A wagon takes any combat record.
            EXPECT_EQ(fromLeader, nullptr);
            EXPECT_NE(fromCombat, nullptr);
            EXPECT_NE(fromMissile, nullptr);
        } else {
            EXPECT_EQ(fromLeader, nullptr);
            EXPECT_EQ(fromCombat, nullptr);
            ASSERT_NE(fromMissile, nullptr);
            EXPECT_EQ(fromMissile->GetName(), "x");
        }
    }
}

TEST(UnitTypes, WhatDiffersByType) {
    MissileCapableUnitData d;
    d.troopQuality = 5;
    d.size = 4;
    d.initialFormation = 1;
    SupplyWagon wagon(d);
    MediumInfantry infantry(d);
    Artillery battery(d);
    LightCav cavalry(d);
    EXPECT_EQ(wagon.GetName(), "Unnamed Supply Wagon");
    EXPECT_EQ(infantry.GetName(), "Unnamed Medium Infantry");
    EXPECT_EQ(battery.GetName(), "Unnamed Artillery");
    EXPECT_EQ(cavalry.GetName(), "Unnamed Greek Light Cavalry");
    EXPECT_EQ(wagon.GetUnitKind(), 17);
    EXPECT_EQ(infantry.GetUnitKind(), 3);
    EXPECT_EQ(battery.GetUnitKind(), 15);
    EXPECT_EQ(cavalry.GetUnitKind(), 12);
    EXPECT_EQ(wagon.StrengthValue(), 2);
    EXPECT_EQ(infantry.StrengthValue(), 9);
    EXPECT_FALSE(wagon.IsMissileCapable());
    EXPECT_TRUE(wagon.IsCombatUnit());
    EXPECT_TRUE(battery.IsMissileCapable());
    // Cavalry starts mounted, and fires only dismounted in line.
    EXPECT_TRUE(cavalry.IsMounted());
    EXPECT_FALSE(cavalry.MayFireInFormation());
    EXPECT_TRUE(infantry.MayFireInFormation());
    EXPECT_TRUE(battery.MayFireInFormation());
    EXPECT_FALSE(wagon.MayFireInFormation());
    EXPECT_TRUE(infantry.CanChangeFormation());
    EXPECT_TRUE(cavalry.CanChangeFormation());
    EXPECT_FALSE(battery.CanChangeFormation());
    EXPECT_FALSE(battery.MaySelectOutOfCommands());
    d.initialFormation = 0;
    MediumInfantry column(d);
    EXPECT_FALSE(column.MayFireInFormation());
    EXPECT_EQ(column.GetFacingSide(), 2);
    LeaderUnitData l;
    l.commands = 3;
    Leader leader(l, nullptr);
    EXPECT_EQ(leader.GetName(), "Unnamed Leader");
    EXPECT_EQ(leader.StrengthValue(), 6);
}

TEST(Weapons, RangesAndLoads) {
    struct Case {
        std::uint32_t type;
        const char* name;
        std::uint16_t range, load;
    } cases[] = {{0, "", 0, 0},        {10, "Musket", 0, 0},          {12, "Muzzle-Carbine", 1, 6},
                 {14, "Repeat-Carbine", 1, 10}, {16, "Muzzle Rifle-Musket", 2, 6}, {17, "Breach Rifle", 2, 8},
                 {19, "Howitzer", 4, 15},  {22, "Rifled", 7, 15},       {23, "", 0, 0}};
    for (const auto& c : cases) {
        EXPECT_STREQ(WeaponName(c.type), c.name);
        EXPECT_EQ(WeaponRange(c.type), c.range) << c.type;
        EXPECT_EQ(WeaponFullLoad(c.type), c.load) << c.type;
    }
    // A howitzer built in column has its full load, its range, and its figures to the right.
    MissileCapableUnitData d;
    d.missileType = 19;
    d.initialFormation = 0;
    Artillery guns(d);
    EXPECT_EQ(guns.GetMissiles(), 15);
    EXPECT_EQ(guns.GetMaxRange(), 4);
    EXPECT_EQ(guns.GetFacingSide(), 2);
    EXPECT_EQ(guns.Query(6), 19);
    EXPECT_EQ(guns.Query(7), 4);
    EXPECT_EQ(guns.Query(8), 15);
    EXPECT_EQ(guns.Query(9), 15);
    EXPECT_EQ(guns.Query(99), -1);
}

} // namespace
