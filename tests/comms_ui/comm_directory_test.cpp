// The connection directory: its file of 174-byte records written and read field by field, a
// damaged file refused and kept, adding, replacing and deleting entries, the bus requests, and
// the two dialogs with their flows.
#include "comms/ui/comm_link.h"
#include "comms/ui/win_comm_directory.h"
#include "core/text_payload.h"
#include "tests/comms_ui/comms_ui_fixture.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

using commsuitest::NetDialogTest;
using commsuitest::Recorder;
using Bytes = std::vector<std::uint8_t>;

DirectoryEntry Entry(const std::string& name, const std::string& number, std::uint32_t option = 0,
                     const std::string& third = "???", const std::string& fourth = "???") {
    DirectoryEntry e;
    SetEntryText(e.entryName, sizeof e.entryName, name);
    SetEntryText(e.number, sizeof e.number, number);
    e.option = option;
    SetEntryText(e.thirdText, sizeof e.thirdText, third);
    SetEntryText(e.fourthText, sizeof e.fourthText, fourth);
    return e;
}

void PutU32(Bytes& b, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutText(Bytes& b, const std::string& text, std::size_t width) {
    for (std::size_t i = 0; i < width; ++i) b.push_back(i < text.size() ? static_cast<std::uint8_t>(text[i]) : 0);
}

// A record as the file holds it, built by hand from the layout.
Bytes Record(const std::string& name, const std::string& number, std::uint32_t option, const std::string& third,
             const std::string& fourth) {
    Bytes b;
    PutText(b, name, 50);
    PutText(b, number, 40);
    PutU32(b, option);
    PutText(b, third, 40);
    PutText(b, fourth, 40);
    return b;
}

Bytes FileOf(std::int32_t current, std::int32_t count, const std::vector<Bytes>& records) {
    Bytes b;
    PutU32(b, static_cast<std::uint32_t>(current));
    PutU32(b, static_cast<std::uint32_t>(count));
    for (const Bytes& r : records) b.insert(b.end(), r.begin(), r.end());
    return b;
}

class Directory : public NetDialogTest {
protected:
    std::string Path() const { return data.File("numbers.dir"); }
    Bytes ReadAll() const {
        std::ifstream in(Path(), std::ios::binary);
        return Bytes(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    void WriteAll(const Bytes& b) { data.WriteBytes("numbers.dir", b); }
    // Two entries, the second current.
    void WriteTwo() {
        WriteAll(FileOf(1, 2, {Record("Harbour Office", "555-0101", 0, "login", "ecp"),
                               Record("Ridge Camp", "10.0.0.7", 1, "???", "AAA")}));
    }
};

TEST_F(Directory, FileRoundTripIsByteExact) {
    {
        WinCommDirectory d(Path().c_str(), 5, 3);
        EXPECT_EQ(d.Count(), 0);
        EXPECT_EQ(d.Current(), 0);  // no file yet
        EXPECT_EQ(d.Add(Entry("Harbour Office", "555-0101", 0, "login", "ecp")), 1);
        EXPECT_EQ(d.Add(Entry("Ridge Camp", "10.0.0.7", 1, "???", "AAA")), 2);
        d.SetCurrent(1);
    }
    const Bytes expected = FileOf(1, 2, {Record("Harbour Office", "555-0101", 0, "login", "ecp"),
                                         Record("Ridge Camp", "10.0.0.7", 1, "???", "AAA")});
    ASSERT_EQ(expected.size(), 8u + 2 * 174u);
    EXPECT_EQ(ReadAll(), expected);

    WinCommDirectory again(Path().c_str(), 5, -1);
    EXPECT_FALSE(again.FileRefused());
    EXPECT_EQ(again.Count(), 2);
    EXPECT_EQ(again.Current(), 1);
    EXPECT_EQ(again.StoredEntry(1), Entry("Ridge Camp", "10.0.0.7", 1, "???", "AAA"));
    EXPECT_EQ(again.StoredEntry(2), DirectoryEntry());
    EXPECT_TRUE(again.Check());
    EXPECT_EQ(again.Write(), 2);
    EXPECT_EQ(ReadAll(), expected);
}

TEST_F(Directory, DamagedFilesAreRefusedAndKept) {
    const Bytes good = Record("Harbour Office", "555-0101", 0, "???", "???");
    Bytes unterminatedName = good;
    std::memset(unterminatedName.data(), 'N', 50);
    Bytes unterminatedFourth = good;
    std::memset(unterminatedFourth.data() + 134, 'F', 40);
    Bytes badOption = good;
    badOption[90] = 2;
    const Bytes whole = FileOf(0, 1, {good});
    const Bytes cut(whole.begin(), whole.end() - 1);
    Bytes trailing = whole;
    trailing.push_back(0);
    const struct {
        const char* what;
        Bytes file;
    } cases[] = {
        {"shorter than the header", Bytes{1, 0, 0, 0, 1}},
        {"negative count", FileOf(0, -1, {})},
        {"count beyond the records", FileOf(0, 2, {good})},
        {"huge count", FileOf(0, 0x7FFFFFFF, {good})},
        {"a record cut short", cut},
        {"bytes after the records", trailing},
        {"a name without terminator", FileOf(0, 1, {unterminatedName})},
        {"a fourth text without terminator", FileOf(0, 1, {unterminatedFourth})},
        {"an option other than 0 or 1", FileOf(0, 1, {badOption})},
    };
    for (const auto& c : cases) {
        WriteAll(c.file);
        platform::ClearShownMessageBoxes();
        {
            WinCommDirectory d(Path().c_str(), 4, 2);
            EXPECT_TRUE(d.FileRefused()) << c.what;
            EXPECT_EQ(d.Count(), 0) << c.what;
            EXPECT_EQ(d.Current(), 0) << c.what;
            EXPECT_TRUE(d.Check()) << c.what;
            ASSERT_EQ(platform::ShownMessageBoxCount(), 1u) << c.what;
            EXPECT_NE(platform::ShownMessageBox(0).text.find("damaged"), std::string::npos) << c.what;
            // Changes stay in memory; the damaged file is not replaced.
            EXPECT_EQ(d.Add(Entry("New", "1")), 1) << c.what;
            EXPECT_EQ(d.Unsaved(), 1) << c.what;
        }
        EXPECT_EQ(ReadAll(), c.file) << c.what;
    }
}

TEST_F(Directory, AFileWithMoreEntriesThanRoomLosesNone) {
    WriteAll(FileOf(2, 3, {Record("A", "1", 0, "", ""), Record("B", "2", 0, "", ""), Record("C", "3", 1, "", "")}));
    const Bytes before = ReadAll();
    {
        WinCommDirectory d(Path().c_str(), 2, 0);
        EXPECT_EQ(d.Count(), 3);
        EXPECT_EQ(d.Capacity(), 3);
        EXPECT_EQ(d.Add(Entry("D", "4")), 0);  // full
    }
    EXPECT_EQ(ReadAll(), before);
}

TEST_F(Directory, AddReplaceAndDeleteKeepTheRecordsInOrder) {
    WinCommDirectory d(Path().c_str(), 3, 0);
    EXPECT_EQ(d.Add(Entry("A", "1")), 1);
    EXPECT_EQ(d.Add(Entry("B", "2")), 2);
    EXPECT_EQ(d.Add(Entry("C", "3")), 3);
    EXPECT_EQ(d.Add(Entry("D", "4")), 0);
    EXPECT_EQ(d.Count(), 3);

    d.Replace(Entry("B2", "22"), 1);
    EXPECT_EQ(d.StoredEntry(1), Entry("B2", "22"));
    EXPECT_EQ(d.Delete(0), 2);
    EXPECT_EQ(d.StoredEntry(0), Entry("B2", "22"));
    EXPECT_EQ(d.StoredEntry(1), Entry("C", "3"));
    EXPECT_EQ(d.StoredEntry(2), DirectoryEntry());
    d.Replace(Entry("E", "5"), 7);  // past the end: added
    EXPECT_EQ(d.Count(), 3);
    EXPECT_EQ(d.StoredEntry(2), Entry("E", "5"));
    EXPECT_EQ(d.Delete(3), 1);
    EXPECT_EQ(d.Delete(-1), 1);
    EXPECT_EQ(d.Count(), 3);
    EXPECT_TRUE(d.Check());

    // The last entry deleted: the file keeps its header only.
    EXPECT_EQ(d.Delete(0), 2);
    EXPECT_EQ(d.Delete(0), 1);
    EXPECT_EQ(d.Delete(0), 0);
    EXPECT_EQ(ReadAll(), FileOf(0, 0, {}));
    EXPECT_TRUE(d.Check());
}

TEST_F(Directory, WithoutAFileOrAWritableOneNothingIsLostInMemory) {
    WinCommDirectory memoryOnly(nullptr, 2, 5);
    EXPECT_EQ(memoryOnly.HasFile(), 0);
    EXPECT_EQ(memoryOnly.Current(), 5);
    EXPECT_EQ(memoryOnly.Unsaved(), 0);
    EXPECT_EQ(memoryOnly.Add(Entry("A", "1")), 1);
    EXPECT_EQ(memoryOnly.Unsaved(), 1);

    const std::string missingFolder = data.File("no such folder/numbers.dir");
    WinCommDirectory unwritable(missingFolder.c_str(), 2, 0);
    EXPECT_EQ(unwritable.Write(), -1);
    EXPECT_EQ(unwritable.Add(Entry("A", "1")), -1);
    EXPECT_EQ(unwritable.Count(), 1);
    EXPECT_EQ(unwritable.StoredEntry(0), Entry("A", "1"));
}

TEST_F(Directory, BusRequestsAndConnectionEvents) {
    WriteTwo();
    WinCommDirectory d(Path().c_str(), 4, 0);
    d.AttachToBus(app.get());

    Container<char*> wanted("DirectoryEntry");
    ContainerBase* answer = d.SendNamed("GET_DATA", &wanted);
    ASSERT_NE(answer, nullptr);
    const DirectoryEntry* e = PayloadValue<DirectoryEntry>(answer);
    ASSERT_NE(e, nullptr);
    EXPECT_STREQ(e->entryName, "Ridge Camp");
    EXPECT_STREQ(e->fourthText, "???");  // "AAA" undisguised
    delete answer;

    Container<char*> other("ChatMsg");
    EXPECT_EQ(d.SendNamed("GET_DATA", &other), nullptr);
    Container<short> notText(3);
    EXPECT_EQ(d.SendNamed("GET_DATA", &notText), nullptr);

    EXPECT_EQ(d.Connected(), 0);
    Container<ConnectionInfo> info;
    d.Send(BusMessage(CONNECTION_OPENED), &info);
    EXPECT_EQ(d.Connected(), 1);
    d.Send(BusMessage(CONNECTION_CLOSED), &info);
    EXPECT_EQ(d.Connected(), 0);
}

TEST_F(Directory, TheEntryDialogFillsDefaultsAndDisguisesTheFourthText) {
    const struct {
        const char* what;
        std::string name, number, third, fourth;
        bool secondOption;
        bool stored;
        DirectoryEntry expected;
    } cases[] = {
        {"defaults", "Harbour Office", "", "", "", false, true, Entry("Harbour Office", "000-0000", 0, "???", "AAA")},
        {"disguise", "Ridge Camp", "10.0.0.7", "scout", "abc", true, true, Entry("Ridge Camp", "10.0.0.7", 1, "scout", "cde")},
        // 254 + 2 wraps to 0 and ends the stored text there.
        {"wrap", "Mill", "7", "x", "a\xFE" "b", false, true, Entry("Mill", "7", 0, "x", "c")},
        {"no name", "", "555", "", "", false, false, DirectoryEntry()},
    };
    for (const auto& c : cases) {
        std::remove(Path().c_str());
        WinCommDirectory d(Path().c_str(), 3, 0);
        platform::QueueDialogScript([&](HWND h) {
            SetDlgItemTextA(h, WinCommDirectory::kNameItem, c.name.c_str());
            SetDlgItemTextA(h, WinCommDirectory::kNumberItem, c.number.c_str());
            SetDlgItemTextA(h, WinCommDirectory::kThirdItem, c.third.c_str());
            SetDlgItemTextA(h, WinCommDirectory::kFourthItem, c.fourth.c_str());
            if (c.secondOption) platform::ClickDlgItem(h, WinCommDirectory::kOptionSecond);
            platform::ClickDlgItem(h, IDOK);
        });
        EXPECT_EQ(d.AddNumber(), 1) << c.what;
        EXPECT_EQ(d.Count(), c.stored ? 1 : 0) << c.what;
        EXPECT_EQ(d.StoredEntry(0), c.expected) << c.what;
        EXPECT_FALSE(d.EntryDialogOpen()) << c.what;
        EXPECT_EQ(platform::AbandonedDialogCount(), 0u) << c.what;
    }
}

TEST_F(Directory, EditingShowsTheEntryUndisguisedAndReplacesIt) {
    WriteTwo();
    WinCommDirectory d(Path().c_str(), 3, 0);
    d.SetCurrent(0);
    std::string shownName, shownFourth;
    UINT firstChecked = 9;
    std::int16_t second = -1;
    std::int32_t currentMeanwhile = -2;
    platform::QueueDialogScript([&](HWND h) {
        // A second entry dialog is refused while this one is open, and the current entry stays.
        second = d.AddNumber();
        currentMeanwhile = d.Current();
        shownName = Text(h, WinCommDirectory::kNameItem);
        shownFourth = Text(h, WinCommDirectory::kFourthItem);
        firstChecked = IsDlgButtonChecked(h, WinCommDirectory::kOptionFirst);
        SetDlgItemTextA(h, WinCommDirectory::kNumberItem, "555-0199");
        platform::ClickDlgItem(h, IDOK);
    });
    EXPECT_EQ(d.EditNumber(), 1);
    EXPECT_EQ(second, 0);
    EXPECT_EQ(currentMeanwhile, 0);
    EXPECT_EQ(shownName, "Harbour Office");
    EXPECT_EQ(shownFourth, "can");
    EXPECT_EQ(firstChecked, BST_CHECKED);
    EXPECT_EQ(d.Count(), 2);
    EXPECT_EQ(d.StoredEntry(0), Entry("Harbour Office", "555-0199", 0, "login", "ecp"));
}

TEST_F(Directory, DialListShowsEveryEntryAndOKPostsTheDisguisedEntry) {
    WriteTwo();
    WinCommDirectory d(Path().c_str(), 4, 0);
    Recorder recorder;
    recorder.AttachToBus(app.get());
    d.AttachToBus(app.get());
    std::vector<std::string> rows;
    LRESULT selection = -1;
    bool edit = false, dial = false, del = false;
    platform::QueueDialogScript([&](HWND h) {
        rows = Rows(h, WinCommDirectory::kList);
        selection = Selection(h, WinCommDirectory::kList);
        edit = Enabled(h, WinCommDirectory::kEdit);
        dial = Enabled(h, WinCommDirectory::kDial);
        del = Enabled(h, WinCommDirectory::kDelete);
        platform::ClickDlgItem(h, IDOK);
    });
    EXPECT_EQ(d.Dial(), 1);
    EXPECT_EQ(rows, (std::vector<std::string>{"555-0101 Harbour Office", "10.0.0.7 Ridge Camp"}));
    EXPECT_EQ(selection, 1);
    EXPECT_TRUE(edit && dial && del);
    ASSERT_EQ(recorder.numbered, std::vector<int>{DIAL_REQUEST});
    const DirectoryEntry* sent = PayloadValue<DirectoryEntry>(recorder.payloads[0]);
    ASSERT_NE(sent, nullptr);
    EXPECT_EQ(*sent, Entry("Ridge Camp", "10.0.0.7", 1, "???", "AAA"));
    EXPECT_EQ(d.Current(), 1);
}

TEST_F(Directory, DialButtonPostsConnectAndStaysOffWhileConnected) {
    WriteTwo();
    WinCommDirectory d(Path().c_str(), 4, 0);
    Recorder recorder;
    recorder.AttachToBus(app.get());
    d.AttachToBus(app.get());
    d.SetConnected(1);
    bool dialWhileConnected = true;
    platform::QueueDialogScript([&](HWND h) {
        SendDlgItemMessageA(h, WinCommDirectory::kList, LB_SETCURSEL, 0, 0);
        Command(h, WinCommDirectory::kList, LBN_SELCHANGE);
        dialWhileConnected = Enabled(h, WinCommDirectory::kDial);
        platform::ClickDlgItem(h, IDCANCEL);
    });
    EXPECT_EQ(d.Dial(), 0);
    EXPECT_FALSE(dialWhileConnected);
    EXPECT_TRUE(recorder.numbered.empty());

    d.SetConnected(0);
    platform::QueueDialogScript([&](HWND h) {
        SendDlgItemMessageA(h, WinCommDirectory::kList, LB_SETCURSEL, 0, 0);
        Command(h, WinCommDirectory::kList, LBN_SELCHANGE);
        platform::ClickDlgItem(h, WinCommDirectory::kDial);
    });
    EXPECT_EQ(d.Dial(), 1);
    EXPECT_EQ(recorder.numbered, std::vector<int>{CONNECT});
    EXPECT_EQ(d.Current(), 0);
}

TEST_F(Directory, AnEmptyDirectoryOffersTheEntryDialogFirst) {
    WinCommDirectory d(Path().c_str(), 4, 0);
    d.AttachToBus(app.get());
    int order = 0, entryDialogAt = 0, listAt = 0;
    std::vector<std::string> rows{"x"};
    bool edit = true, dial = true, del = true;
    platform::QueueDialogScript([&](HWND h) {
        entryDialogAt = ++order;
        EXPECT_NE(GetDlgItem(h, WinCommDirectory::kNameItem), nullptr);
        platform::ClickDlgItem(h, IDCANCEL);
    });
    platform::QueueDialogScript([&](HWND h) {
        listAt = ++order;
        rows = Rows(h, WinCommDirectory::kList);
        edit = Enabled(h, WinCommDirectory::kEdit);
        dial = Enabled(h, WinCommDirectory::kDial);
        del = Enabled(h, WinCommDirectory::kDelete);
        platform::ClickDlgItem(h, IDCANCEL);
    });
    // SET_COMM_DESTINATION opens the dial dialog.
    d.SendEvent(BusMessage(SET_COMM_DESTINATION));
    EXPECT_EQ(entryDialogAt, 1);
    EXPECT_EQ(listAt, 2);
    EXPECT_TRUE(rows.empty());
    EXPECT_FALSE(edit || dial || del);
    EXPECT_EQ(d.Count(), 0);
    EXPECT_EQ(d.Current(), 0);
}

TEST_F(Directory, OKWithNothingSelectedDialsNothing) {
    WriteTwo();
    WinCommDirectory d(Path().c_str(), 4, 0);
    d.SetCurrent(-1);
    Recorder recorder;
    recorder.AttachToBus(app.get());
    d.AttachToBus(app.get());
    LRESULT selection = 0;
    platform::QueueDialogScript([&](HWND h) {
        selection = Selection(h, WinCommDirectory::kList);
        platform::PressKey(VK_RETURN);
    });
    EXPECT_EQ(d.Dial(), 1);
    EXPECT_EQ(selection, LB_ERR);
    EXPECT_TRUE(recorder.numbered.empty());
    EXPECT_EQ(d.Current(), -1);
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
}

TEST_F(Directory, DoubleClickEditsTheChosenEntry) {
    WriteTwo();
    WinCommDirectory d(Path().c_str(), 4, 1);
    HWND list = nullptr;
    std::string edited;
    platform::QueueDialogScript([&](HWND h) {
        list = h;
        SendDlgItemMessageA(h, WinCommDirectory::kList, LB_SETCURSEL, 0, 0);
        Command(h, WinCommDirectory::kList, LBN_DBLCLK);
    });
    platform::QueueDialogScript([&](HWND e) {
        edited = Text(e, WinCommDirectory::kNameItem);
        platform::ClickDlgItem(e, IDCANCEL);
        PostMessage(list, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
    EXPECT_EQ(d.Dial(), 0);
    EXPECT_EQ(edited, "Harbour Office");
    EXPECT_EQ(d.Current(), 0);
    EXPECT_EQ(d.Count(), 2);
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
}

TEST_F(Directory, AddAndDeleteFromTheDialList) {
    WriteTwo();
    WinCommDirectory d(Path().c_str(), 4, 0);
    HWND list = nullptr;
    platform::QueueDialogScript([&](HWND h) {
        list = h;
        platform::ClickDlgItem(h, WinCommDirectory::kAdd);
    });
    platform::QueueDialogScript([&](HWND e) {  // the entry dialog, opened by Add
        SetDlgItemTextA(e, WinCommDirectory::kNameItem, "Ford Crossing");
        SetDlgItemTextA(e, WinCommDirectory::kNumberItem, "555-0142");
        platform::ClickDlgItem(e, IDOK);
        // What the list dialog does next, once the entry dialog is gone: two deletes of the
        // selected (new) entry, the first refused, then Cancel.
        PostMessage(list, WM_COMMAND, MAKEWPARAM(WinCommDirectory::kDelete, 0), 0);
        PostMessage(list, WM_COMMAND, MAKEWPARAM(WinCommDirectory::kDelete, 0), 0);
        PostMessage(list, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    });
    platform::QueueMessageBoxAnswer(IDCANCEL);
    platform::QueueMessageBoxAnswer(IDOK);
    EXPECT_EQ(d.Dial(), 0);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(platform::ShownMessageBox(i).text, "Delete Ford Crossing?");
        EXPECT_EQ(platform::ShownMessageBox(i).caption, "Dialing Directory");
        EXPECT_EQ(platform::ShownMessageBox(i).type, static_cast<UINT>(MB_OKCANCEL | MB_ICONQUESTION));
    }
    EXPECT_EQ(d.Count(), 2);
    EXPECT_STREQ(d.StoredEntry(1).entryName, "Ridge Camp");
    EXPECT_EQ(d.StoredEntry(2), DirectoryEntry());
    EXPECT_EQ(platform::AbandonedDialogCount(), 0u);
}

} // namespace
