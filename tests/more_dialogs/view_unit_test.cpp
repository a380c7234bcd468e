// The unit overview: every label and value at its place for a missile unit and for a unit
// without a missile weapon; halves of movement dropped; the weapon's rating sign; the routed
// condition; the title centred; Help keeps the help file's path and closes nothing.
#include "game/app/dialogs/view_unit_dlg.h"
#include "game/units/unit_records.h"
#include "game/units/unit_types.h"
#include "tests/more_dialogs/more_fixture.h"

namespace {

using namespace moretest;
using Line = ViewUnitDlg::Line;

class TestInfantry : public MediumInfantry {
public:
    using MediumInfantry::MediumInfantry;
    int IsRouted() const override { return routed; }
    int routed = 0;
};

class ViewUnit : public MoreDialogTest {
protected:
    static MissileCapableUnitData Record(std::uint32_t type, std::int16_t rating) {
        MissileCapableUnitData d;
        d.unitNumber = 3;
        d.side = 0;
        d.region = 0xFFFF;
        d.movementAllowance = 7;
        d.troopQuality = 5;
        d.size = 6;
        d.missileType = type;
        d.fireRating = rating;
        return d;
    }
    static std::string ValueAt(const std::vector<Line>& lines, int x, int y) {
        for (const Line& l : lines)
            if (l.x == x && l.y == y) return l.text;
        return "<none>";
    }
};

TEST_F(ViewUnit, MissileUnitPage) {
    TestInfantry unit(Record(16, 1), "Iron Brigade Test");
    unit.SetMovementPoints(1);
    unit.SetUsedThisTurn(1);
    ViewUnitDlg dlg(&unit);
    const std::vector<Line> lines = dlg.Lines();
    const std::vector<Line> expected = {
        {60, 79, "Used This Turn:"}, {160, 79, "Yes"},        {60, 96, "Condition:"},  {160, 96, "Good"},
        {60, 113, "Morale Rating:"}, {160, 113, "5"},         {60, 130, "Morale Hits:"}, {160, 130, "0"},
        {60, 147, "Movement"},       {83, 164, "Allowance:"}, {160, 164, "3"},           {83, 181, "Remaining:"},
        {160, 181, "0"},             {60, 198, "Strength:"},  {160, 198, "6"},           {225, 79, "Missile Information"},
        {225, 96, "Type:"},          {265, 96, "Muzzle Rifle-Musket+"},
        {225, 113, "Range:"},        {296, 113, std::to_string(unit.GetMaxRange())},
        {225, 130, "Allowance:"},    {296, 130, std::to_string(unit.GetMaxMissiles())},
        {225, 147, "Remaining:"},    {296, 147, std::to_string(unit.GetMissiles())},
    };
    EXPECT_EQ(lines, expected);
}

TEST_F(ViewUnit, WeaponSignAndRoutedCondition) {
    struct Case {
        std::int16_t rating;
        int routed;
        const char* type;
        const char* condition;
    } cases[] = {{0, 0, "Rifled Artillery", "Good"}, {-2, 1, "Rifled Artillery-", "Routing"}, {3, 1, "Rifled Artillery+", "Routing"}};
    for (const Case& c : cases) {
        TestInfantry unit(Record(22, c.rating), "Test");
        unit.routed = c.routed;
        ViewUnitDlg dlg(&unit);
        EXPECT_EQ(ValueAt(dlg.Lines(), 265, 96), c.type);
        EXPECT_EQ(ValueAt(dlg.Lines(), 160, 96), c.condition);
        EXPECT_EQ(ValueAt(dlg.Lines(), 160, 79), "No");
    }
}

TEST_F(ViewUnit, NoMissileWeaponShowsNotApplicable) {
    TestInfantry unit(Record(0, 0), "Test");
    ViewUnitDlg dlg(&unit);
    const std::vector<Line> lines = dlg.Lines();
    for (int y : {96, 113, 130, 147}) EXPECT_EQ(ValueAt(lines, 296, y), "N/A") << y;
    EXPECT_EQ(ValueAt(lines, 265, 96), "<none>");
}

TEST_F(ViewUnit, WeaponNamesByCode) {
    const std::vector<std::pair<std::uint32_t, std::string>> names = {
        {12, "Muzzle Carbine"}, {14, "Repeating Carbine"}, {18, "Repeating Rifle"}, {19, "Howitzer Artillery"},
        {22, "Rifled Artillery"}, {11, ""}, {23, ""}};
    for (const auto& n : names) EXPECT_EQ(ViewUnitDlg::WeaponName(n.first), n.second) << n.first;
}

TEST_F(ViewUnit, DrawsTheTitleAndAnswersHelpAndOk) {
    TestInfantry unit(Record(16, 0), "Test");
    ViewUnitDlg dlg(&unit);
    dlg.Execute("ViewUnit", Dialog::kModeless);
    HWND h = dlg.GetHandle();
    dlg.Refresh();
    bool ink = false;
    for (int y = ViewUnitDlg::kTitleY; y < ViewUnitDlg::kTitleY + 12; ++y)
        for (int x = dlg.GetWidth() / 2 - 20; x < dlg.GetWidth() / 2 + 20; ++x) ink = ink || uitest::PixelAt(dlg, x, y) == uitest::kInk;
    EXPECT_TRUE(ink);
    SendMessageA(h, WM_COMMAND, MAKEWPARAM(ViewUnitDlg::kHelp, 0), 0);
    Drain();
    EXPECT_TRUE(dlg.IsRunning());
    EXPECT_NE(dlg.GetHelpPath().find("\\rally.hlp"), std::string::npos);
    platform::ClickDlgItem(h, IDOK);
    Drain();
    EXPECT_EQ(dlg.GetResult(), 1);
}

} // namespace
