// The list-choice dialog: lines in the order of the entries and of later additions, each line
// carrying its entry's data, the result cut to 16 bits, Cancel hidden or not, and additions while
// it is open.
#include "comms/ui/enum_dialog.h"
#include "tests/comms_ui/comms_ui_fixture.h"

#include <cstdint>
#include <string>
#include <vector>

namespace {

using commsuitest::NetDialogTest;

void* Data(std::intptr_t v) { return reinterpret_cast<void*>(v); }

class EnumDialogs : public NetDialogTest {
protected:
    static List<enumeration> Entries() {
        List<enumeration> l;
        l.AddTail(enumeration("Modem", Data(0x12340005)));
        l.AddTail(enumeration("Internet TCP/IP", Data(0x7FFF8002)));
        l.AddTail(enumeration("Serial cable", nullptr));
        return l;
    }
};

TEST_F(EnumDialogs, TheChosenLineGivesItsDataCutToSixteenBits) {
    const struct {
        const char* what;
        int row;
        bool doubleClick;
        bool cancel;
        std::int16_t result;
        std::intptr_t data;
    } cases[] = {
        {"first line by OK", 0, false, false, 5, 0x12340005},
        {"second line, low half negative", 1, false, false, static_cast<std::int16_t>(0x8002), 0x7FFF8002},
        {"null data gives 0, not -1", 2, false, false, 0, 0},
        {"double click acts as OK", 1, true, false, static_cast<std::int16_t>(0x8002), 0x7FFF8002},
        {"Cancel", 1, false, true, -1, -1},
    };
    for (const auto& c : cases) {
        EnumDialog dlg(Entries(), "Choose a Connection", 1);
        std::vector<std::string> rows;
        LRESULT firstSelection = -2;
        bool ok = false;
        std::string title;
        platform::QueueDialogScript([&](HWND d) {
            rows = Rows(d, EnumDialog::kList);
            firstSelection = Selection(d, EnumDialog::kList);
            ok = Enabled(d, IDOK);
            char buffer[64] = {};
            GetWindowTextA(d, buffer, sizeof buffer);
            title = buffer;
            SendDlgItemMessageA(d, EnumDialog::kList, LB_SETCURSEL, static_cast<WPARAM>(c.row), 0);
            if (c.doubleClick)
                Command(d, EnumDialog::kList, LBN_DBLCLK);
            else
                platform::ClickDlgItem(d, c.cancel ? IDCANCEL : IDOK);
        });
        EXPECT_EQ(dlg.Execute("EnumDialog", Dialog::kModal), c.result) << c.what;
        EXPECT_EQ(dlg.GetSelectedData(), c.data) << c.what;
        EXPECT_EQ(rows, (std::vector<std::string>{"Modem", "Internet TCP/IP", "Serial cable"})) << c.what;
        EXPECT_EQ(firstSelection, 0) << c.what;
        EXPECT_TRUE(ok) << c.what;
        EXPECT_EQ(title, "Choose a Connection") << c.what;
    }
}

TEST_F(EnumDialogs, AnEmptyListOpensWithOKDisabledUntilAnEntryIsAdded) {
    EnumDialog dlg(List<enumeration>(), "Games", 0);
    bool okBefore = true, okAfter = false, cancelVisible = true;
    LRESULT selectionBefore = 0, selectionAfter = -1;
    std::vector<std::string> rows;
    platform::QueueDialogScript([&](HWND d) {
        okBefore = Enabled(d, IDOK);
        cancelVisible = Visible(d, IDCANCEL);
        selectionBefore = Selection(d, EnumDialog::kList);
        // Enter on the empty list chooses nothing; the dialog stays open.
        Command(d, IDOK);
        dlg.AddItem("North Game", Data(7));
        dlg.AddItem("North Game", Data(7));   // same text and data: one line
        dlg.AddItem("North Game", Data(8));   // other data: a second line
        dlg.AddItem("South Game", Data(9));
        okAfter = Enabled(d, IDOK);
        selectionAfter = Selection(d, EnumDialog::kList);
        rows = Rows(d, EnumDialog::kList);
        SendDlgItemMessageA(d, EnumDialog::kList, LB_SETCURSEL, 1, 0);
        platform::ClickDlgItem(d, IDOK);
    });
    EXPECT_EQ(dlg.Execute("EnumDialog", Dialog::kModal), 8);
    EXPECT_FALSE(okBefore);
    EXPECT_FALSE(cancelVisible);
    EXPECT_EQ(selectionBefore, LB_ERR);
    EXPECT_TRUE(okAfter);
    EXPECT_EQ(selectionAfter, 0);
    EXPECT_EQ(rows, (std::vector<std::string>{"North Game", "North Game", "South Game"}));
    EXPECT_EQ(dlg.GetSelectedData(), 8);
}

TEST_F(EnumDialogs, AddedEntriesFollowTheGivenOnesAndKeepTheSelection) {
    EnumDialog dlg(Entries(), "Choose", 1);
    LRESULT selection = -1;
    std::vector<std::string> rows;
    platform::QueueDialogScript([&](HWND d) {
        SendDlgItemMessageA(d, EnumDialog::kList, LB_SETCURSEL, 2, 0);
        dlg.AddItem("Another", Data(42));
        selection = Selection(d, EnumDialog::kList);
        rows = Rows(d, EnumDialog::kList);
        SendDlgItemMessageA(d, EnumDialog::kList, LB_SETCURSEL, 3, 0);
        platform::ClickDlgItem(d, IDOK);
    });
    EXPECT_EQ(dlg.Execute("EnumDialog", Dialog::kModal), 42);
    EXPECT_EQ(selection, 2);
    EXPECT_EQ(rows.back(), "Another");
    EXPECT_EQ(rows.size(), 4u);
    // Adding to a dialog that is not open changes nothing and does not fail.
    dlg.AddItem("Late", Data(1));
    EXPECT_EQ(dlg.GetSelectedData(), 42);
}

} // namespace
