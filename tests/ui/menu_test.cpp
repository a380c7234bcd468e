// The menu model and its native twin: names made from labels, ids shared with the bus, state
// bits on both sides, resource menus read back, column breaks and rebuilding.
#include "core/message_registry.h"
#include "tests/ui/ui_fixture.h"
#include "ui/windows/windows_menu.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

struct NameCase {
    const char* label;
    const char* name;
};

class MessageNames : public ::testing::TestWithParam<NameCase> {};

TEST_P(MessageNames, FollowTheLabelRule) { EXPECT_EQ(MenuItem::MakeMessageName(GetParam().label), GetParam().name); }

INSTANTIATE_TEST_SUITE_P(Cases, MessageNames,
                         ::testing::Values(NameCase{"Save game as...", "SaveGameAs"},
                                           NameCase{"&Preferences...", "Preferences"},
                                           NameCase{"&Show Commentary\tCtrl+C", "ShowCommentary"},
                                           NameCase{"Missile &Firing\tCtrl+M", "MissileFiring"},
                                           NameCase{"Group &Restore M&orale", "GroupRestoreMorale"},
                                           NameCase{"Group &Attack", "GroupAttack"},
                                           NameCase{"&leader moves", "leaderMoves"},
                                           NameCase{"File&Open...", "FileOpen"}));

class Menus : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        MakeApp();
    }
};

TEST_F(Menus, PopupsNameTheirItemsByTheirPath) {
    WindowsMenu bar(0);
    auto* file = new WindowsMenu(1);
    const std::uint16_t open = file->AppendText("&Open...\tCtrl+O", 0);
    EXPECT_EQ(open, RegisterMessage("Open"));
    bar.AppendPopup("&File", file);
    // The submenu's items now carry the path.
    auto* item = dynamic_cast<TextItem*>(file->ItemAt(0));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->GetMessageName(), "FileOpen");
    EXPECT_EQ(item->GetId(), RegisterMessage("FileOpen"));
    EXPECT_EQ(bar.FindPopup("File"), file);
    EXPECT_EQ(bar.GetPopup(0), file);
    // The native bar holds the popup with the submenu's handle.
    EXPECT_EQ(GetSubMenu(bar.GetHandle(), 0), file->GetHandle());
    EXPECT_EQ(GetMenuItemID(file->GetHandle(), 0), RegisterMessage("FileOpen"));
    // A copy is a menu of its own with the same items.
    WindowsMenu copy(bar);
    EXPECT_NE(copy.GetHandle(), bar.GetHandle());
    ASSERT_NE(copy.GetPopup(0), nullptr);
    EXPECT_NE(copy.GetPopup(0), file);
    EXPECT_EQ(copy.GetPopup(0)->ItemCount(), 1);
}

TEST_F(Menus, ResourceMenusRegisterTheirCommandIdsUnderTheirNames) {
    platform::RegisterMenuResource("GameMenu", R"(POPUP "&Leader"
BEGIN
  MENUITEM "&Finish Leader", 224
  MENUITEM "Group &Move", 212, GRAYED
  MENUITEM "&Hex Grid", 257, CHECKED
END
POPUP "&Window"
BEGIN
  MENUITEM "&Cascade", 104
END
POPUP "&Help"
BEGIN
  MENUITEM "&About", 250
END
)");
    WindowsMenu menu("GameMenu", 0);
    EXPECT_EQ(RegisterMessage("LeaderFinishLeader"), 224);
    EXPECT_EQ(RegisterMessage("WindowCascade"), 104);
    EXPECT_TRUE(menu.IsGreyed(static_cast<std::uint16_t>(212)));
    EXPECT_TRUE(menu.IsChecked(static_cast<std::uint16_t>(257)));
    // By name through the registered id, on both sides.
    menu.DisableByName("LeaderFinishLeader");
    EXPECT_TRUE(menu.IsDisabled("LeaderFinishLeader"));
    EXPECT_EQ(GetMenuState(menu.GetHandle(), 224, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), MF_GRAYED | MF_DISABLED);
    menu.EnableByName("LeaderFinishLeader");
    EXPECT_TRUE(menu.IsEnabled(static_cast<std::uint16_t>(224)));
    EXPECT_EQ(GetMenuState(menu.GetHandle(), 224, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), 0u);
}

TEST_F(Menus, StateOperationsChangeOnlyTheirOwnBits) {
    WindowsMenu menu(1);
    const std::uint16_t a = menu.AppendText("Alpha", 0), b = menu.AppendText("Beta", 0);
    menu.SetChecked(a, 1);
    menu.Disable(a);
    menu.Uncheck(a);
    // Unchecking leaves the item disabled.
    EXPECT_TRUE(menu.IsDisabled(a));
    EXPECT_TRUE(menu.IsUnchecked(a));
    menu.SetEnabled(a, 0);  // disabled, not greyed
    EXPECT_FALSE(menu.IsGreyed(a));
    EXPECT_EQ(GetMenuState(menu.GetHandle(), a, MF_BYCOMMAND) & MF_DISABLED, MF_DISABLED);
    menu.SetGrayed(b, 1);
    EXPECT_TRUE(menu.IsGreyed(b));
    EXPECT_TRUE(menu.IsDisabled(b));
    menu.SetGrayed(b, 0);
    EXPECT_TRUE(menu.IsEnabled(b));
    EXPECT_TRUE(menu.IsNotGreyed(b));
    // An id the menu does not hold changes nothing.
    menu.Disable(static_cast<std::uint16_t>(999));
    EXPECT_TRUE(menu.IsEnabled(b));
    EXPECT_FALSE(menu.IsDisabled(static_cast<std::uint16_t>(999)));
    menu.RemoveItem(static_cast<std::uint16_t>(999));
    EXPECT_EQ(menu.ItemCount(), 2);
}

TEST_F(Menus, TheModelAloneClearsTheWholeWordWhenAStateIsCleared) {
    // The portable model's own rule (native menus keep each bit apart).
    class Model : public Menu {
    public:
        void Rebuild() override {}
        Menu* Clone() const override { return new Model(*this); }
        UINT_PTR GetNativeHandle() const override { return 0; }
        void TrackPopup(const POINT&) override {}
    } model;
    const std::uint16_t id = model.AppendText("Gamma", 0);
    model.Check(id, 1);
    model.Disable(id);
    model.Uncheck(id);
    EXPECT_TRUE(model.IsEnabled(id));
    EXPECT_EQ(model.GetPopup(0), nullptr);  // a text item is no popup
}

TEST_F(Menus, ABreakIsSpentOnTheNextNativeItemAndRebuildKeepsColumns) {
    WindowsMenu menu(1);
    const std::uint16_t a = menu.AppendText("One", 0);
    menu.AppendBarColumnBreak();
    menu.AppendSeparator();  // takes the break
    const std::uint16_t b = menu.AppendText("Two", 0);
    menu.AppendColumnBreak();
    const std::uint16_t c = menu.AppendText("Three", 0);
    HMENU h = menu.GetHandle();
    ASSERT_EQ(GetMenuItemCount(h), 4);
    EXPECT_EQ(GetMenuState(h, 1, MF_BYPOSITION) & (MF_SEPARATOR | MF_MENUBARBREAK), MF_SEPARATOR | MF_MENUBARBREAK);
    EXPECT_EQ(GetMenuState(h, b, MF_BYCOMMAND) & (MF_MENUBREAK | MF_MENUBARBREAK), 0u);
    EXPECT_EQ(GetMenuState(h, c, MF_BYCOMMAND) & MF_MENUBREAK, MF_MENUBREAK);
    menu.RemoveItem(a);
    menu.Rebuild();
    h = menu.GetHandle();
    ASSERT_EQ(GetMenuItemCount(h), 3);
    EXPECT_EQ(GetMenuState(h, 0, MF_BYPOSITION) & (MF_SEPARATOR | MF_MENUBARBREAK), MF_SEPARATOR | MF_MENUBARBREAK);
    EXPECT_EQ(GetMenuState(h, c, MF_BYCOMMAND) & MF_MENUBREAK, MF_MENUBREAK);
    EXPECT_EQ(GetMenuItemID(h, 1), b);
}

} // namespace
