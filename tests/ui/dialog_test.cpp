// The framework's dialog: templates rescaled with their static texts turned into text tiles,
// controls subclassed into art-drawn ones with their radio groups, the art background, owner
// drawing into the back buffer, the three modes driven by scripted input, the item accessors,
// and the faults mended (a missing or damaged template, an image without area).
#include "core/container.h"
#include "platform/cursor.h"
#include "platform/dialog.h"
#include "tests/ui/dialog_art.h"
#include "ui/dialog_controls.h"
#include "ui/text_tile.h"
#include "ui/windows/dialog.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace uitest;
using datagen::DialogArtColour;

const char* const kTemplates = R"(
# A dialog of every kind of item.
DIALOG Sample 10 10 120 80 0x90C80080
  CLASS "QuorrenDialog"
  CAPTION "Sample"
  FONT 8 "MS Sans Serif"
  CONTROL "Title text" 100 0x82 0x50000000 4 4 60 10
  CONTROL "OK" 1 Button 0x50010001 4 60 30 12
  CONTROL "Cancel" 2 button 0x50010000 40 60 30 12
  CONTROL "A" 11 BUTTON 0x50020009 4 20 30 8
  CONTROL "B" 12 Button 0x50000009 4 30 30 8
  CONTROL "C" 13 Button 0x50020004 40 20 30 8
  CONTROL "D" 14 Button 0x50000004 40 30 30 8
  CONTROL "Check" 15 Button 0x50030003 4 40 30 8
  CONTROL "Frame" 16 Button 0x50000007 76 4 20 12
  CONTROL "Label" 17 static 0x50000000 40 40 30 8
  CONTROL "" 18 ListBox 0x50800001 76 20 40 20
  CONTROL "" 19 ComboBox 0x50000003 76 44 40 30
  CONTROL "Edit me" 20 Edit 0x50800080 76 60 40 10
  CONTROL "A caption far longer than the forty-eight characters a control keeps" 21 Static 0x50000000 4 70 60 8
END
DIALOG Plain 0 0 40 30 0x90C80000
  CLASS "QuorrenDialog"
  CONTROL "OK" 1 Button 0x50010001 4 4 30 12
END
)";

// Counts what a game dialog would do in its hooks.
class SampleDlg : public Dialog {
public:
    explicit SampleDlg(const char* section = "Stone")
        : Window(Point(0, 0), Dim(0, 0), "", "Sample"), Dialog("Backdrop", section, "") {}
    ~SampleDlg() override { ++deleted; }
    void OnInit() override { ++inits; }
    void OnOK() override { ++oks; }

    int inits = 0;
    int oks = 0;
    static int deleted;
};
int SampleDlg::deleted = 0;

int g_closing = 0;
ContainerBase* CountClosing(Component*, BusMessage, ContainerBase*) {
    ++g_closing;
    return nullptr;
}

class Dialogs : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        InstallDialogArt(data);
        std::string error;
        ASSERT_TRUE(platform::AddDialogResources(kTemplates, &error)) << error;
        platform::ClearDialogScripts();
        platform::ResetAbandonedDialogs();
        MakeApp();
        SampleDlg::deleted = 0;
        g_closing = 0;
    }
    void TearDown() override {
        platform::ClearDialogScripts();
        platform::ResetDialogResources();
        WinAppTest::TearDown();
    }
    HWND Child(const Dialog& d, int id) const { return GetDlgItem(d.GetHandle(), id); }
    static std::vector<std::uint8_t> Compiled(const char* name) {
        HRSRC r = FindResourceA(nullptr, name, RT_DIALOG);
        const auto* p = static_cast<const std::uint8_t*>(LockResource(LoadResource(nullptr, r)));
        return std::vector<std::uint8_t>(p, p + SizeofResource(nullptr, r));
    }
};

TEST_F(Dialogs, StaticTextItemsBecomeTextTilesAtRoundedPixels) {
    SampleDlg dlg;
    std::vector<std::uint8_t> copy = Compiled("sample");
    ASSERT_EQ(copy[8], 14);
    ASSERT_TRUE(dlg.AdjustTemplate(copy));
    EXPECT_EQ(copy[8] | (copy[9] << 8), 13);  // the one atom-0x82 item left the template
    ASSERT_EQ(dlg.GetTextTiles().Count(), 1);
    const TextTile* tile = dlg.GetTextTiles().Head()->value;
    EXPECT_EQ(tile->GetId(), 100);
    EXPECT_EQ(tile->GetText(), "Title text");
    // 4 units: 7 and 6.5 pixels; 60 x 10 units: 105 x 16.25 pixels; halves round up.
    EXPECT_EQ(tile->GetPlace(), Point(7, 7));
    EXPECT_EQ(tile->GetWidth(), 105);
    EXPECT_EQ(tile->GetHeight(), 16);
}

TEST_F(Dialogs, DamagedTemplateIsRefusedWhole) {
    SampleDlg dlg;
    const std::vector<std::uint8_t> whole = Compiled("Sample");
    // Every cut of the template short of its end, and an item count beyond its items.
    for (std::size_t n = 0; n + 1 < whole.size(); n += 3) {
        std::vector<std::uint8_t> cut(whole.begin(), whole.begin() + static_cast<std::ptrdiff_t>(n));
        EXPECT_FALSE(dlg.AdjustTemplate(cut)) << n;
        EXPECT_EQ(cut.size(), n);
        EXPECT_EQ(dlg.GetTextTiles().Count(), 0) << n;
    }
    std::vector<std::uint8_t> overcounted = whole;
    overcounted[8] = 40;
    EXPECT_FALSE(dlg.AdjustTemplate(overcounted));
    EXPECT_EQ(dlg.GetTextTiles().Count(), 0);
}

TEST_F(Dialogs, MissingTemplateIsReportedAndNothingRuns) {
    SampleDlg dlg;
    const unsigned windows = platform::WindowCount();
    platform::ClearShownMessageBoxes();
    EXPECT_EQ(dlg.Execute("Nowhere", Dialog::kModal), -1);
    EXPECT_EQ(dlg.IsRunning(), 0);
    EXPECT_EQ(dlg.inits, 0);
    EXPECT_EQ(platform::WindowCount(), windows);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("\"Nowhere\""), std::string::npos);
    EXPECT_EQ(dlg.Execute("Nowhere", Dialog::kApplicationModal), -1);
}

TEST_F(Dialogs, ModalDialogEndsWithTheResultOfTheScriptedInput) {
    struct Case {
        const char* what;
        std::function<void(HWND)> script;
        std::int16_t result;
        int oks;
        unsigned abandoned;
    } cases[] = {
        {"click on OK", [](HWND d) { platform::ClickDlgItem(d, IDOK); }, 1, 1, 0},
        {"click on Cancel", [](HWND d) { platform::ClickDlgItem(d, IDCANCEL); }, 0, 0, 0},
        {"Return", [](HWND) { platform::PressKey(VK_RETURN); }, 1, 1, 0},
        {"Escape", [](HWND) { platform::PressKey(VK_ESCAPE); }, 0, 0, 0},
        {"no input at all", [](HWND) {}, 0, 0, 1},
    };
    for (const Case& c : cases) {
        platform::ResetAbandonedDialogs();
        SampleDlg dlg;
        dlg.AttachToBus(app.get());
        dlg.RegisterNamedHandler("ModalDialogBoxClosing", &CountClosing);
        g_closing = 0;
        const unsigned windows = platform::WindowCount();
        platform::QueueDialogScript(c.script);
        EXPECT_EQ(dlg.Execute("Sample", Dialog::kModal), c.result) << c.what;
        EXPECT_EQ(dlg.inits, 1) << c.what;
        EXPECT_EQ(dlg.oks, c.oks) << c.what;
        EXPECT_EQ(dlg.IsRunning(), 0) << c.what;
        EXPECT_EQ(g_closing, 1) << c.what;
        EXPECT_EQ(platform::AbandonedDialogCount(), c.abandoned) << c.what;
        EXPECT_EQ(platform::WindowCount(), windows - 0) << c.what;
        EXPECT_EQ(dlg.GetTextTiles().Count(), 0) << c.what;
        dlg.DetachFromBus();
    }
}

TEST_F(Dialogs, DialogRunsAgainWithAFreshBackground) {
    SampleDlg dlg;
    for (int run = 1; run <= 2; ++run) {
        platform::QueueDialogScript([&](HWND d) {
            EXPECT_NE(dlg.GetBackground(), nullptr);
            EXPECT_EQ(dlg.GetBackground()->GetSize(), dlg.GetClientSize());
            platform::ClickDlgItem(d, IDOK);
        });
        EXPECT_EQ(dlg.Execute("Sample", Dialog::kModal), 1) << run;
        EXPECT_EQ(dlg.inits, run);
    }
}

TEST_F(Dialogs, ChildrenAreSubclassedIntoArtDrawnControlsByClassAndStyle) {
    SampleDlg dlg;
    ASSERT_EQ(dlg.Execute("Sample", Dialog::kModeless), 0);
    ASSERT_TRUE(dlg.IsRunning());
    auto button = [&](int id) { return dynamic_cast<DialogButton*>(dlg.GetItemControl(static_cast<std::int16_t>(id))); };
    ASSERT_NE(button(1), nullptr);
    EXPECT_EQ(button(1)->GetStyle(), DialogButton::kDefaultPush);
    ASSERT_NE(button(2), nullptr);  // "button" in lower case is a button all the same
    EXPECT_EQ(button(2)->GetStyle(), DialogButton::kPush);
    for (int id : {11, 12, 13, 14}) EXPECT_NE(dynamic_cast<DialogRadio*>(dlg.GetItemControl(id)), nullptr) << id;
    EXPECT_NE(dynamic_cast<DialogCheck*>(dlg.GetItemControl(15)), nullptr);
    for (int id : {1, 2, 11, 15})
        EXPECT_EQ(GetWindowLongPtrA(Child(dlg, id), GWL_STYLE) & BS_TYPEMASK, static_cast<LONG_PTR>(BS_OWNERDRAW)) << id;
    // Every child's parent-notify bit is turned over.
    for (int id : {1, 16, 18}) EXPECT_EQ(GetWindowLongPtrA(Child(dlg, id), GWL_EXSTYLE), WS_EX_NOPARENTNOTIFY) << id;
    // A group box keeps its look and has no entry; edits and lists have an empty one.
    EXPECT_EQ(GetWindowLongPtrA(Child(dlg, 16), GWL_STYLE) & BS_TYPEMASK, static_cast<LONG_PTR>(BS_GROUPBOX));
    EXPECT_FALSE(dlg.HasControlEntry(Child(dlg, 16)));
    for (int id : {18, 19, 20}) {
        EXPECT_TRUE(dlg.HasControlEntry(Child(dlg, id))) << id;
        EXPECT_EQ(dlg.GetItemControl(id), nullptr) << id;
    }
    // A static window hands its text to its control.
    DialogControl* label = dlg.GetItemControl(17);
    ASSERT_NE(label, nullptr);
    EXPECT_EQ(label->GetCaption(), "Label");
    EXPECT_EQ(label->GetCaptionPosition(), Point(0, -1));
    EXPECT_EQ(GetWindowTextLengthA(Child(dlg, 17)), 0);
    EXPECT_EQ(dlg.GetItemControl(21)->GetCaption(),
              std::string("A caption far longer than the forty-eight characters a control keeps").substr(0, 48));
    EXPECT_EQ(dlg.GetItemText(21).size(), 48u);
    // Radio groups run from one WS_GROUP child to the next.
    auto group = [&](int id) {
        std::vector<int> ids;
        for (const Item<DialogRadio*>* i = static_cast<DialogRadio*>(dlg.GetItemControl(id))->GetGroup().Head(); i; i = i->next)
            ids.push_back(GetDlgCtrlID(i->value->GetWindow()));
        return ids;
    };
    EXPECT_EQ(group(11), (std::vector<int>{11, 12}));
    EXPECT_EQ(group(12), (std::vector<int>{11, 12}));
    EXPECT_EQ(group(13), (std::vector<int>{13, 14}));
    EXPECT_EQ(group(14), (std::vector<int>{13, 14}));
    dlg.Close(0);
    EXPECT_EQ(DialogFontUseCount(), 0);
}

TEST_F(Dialogs, ArtBackgroundTilesFromTheTopLeftAndFlatOneIsIndex255) {
    SampleDlg art;
    SampleDlg flat("");
    art.Execute("Sample", Dialog::kModeless);
    flat.Execute("Sample", Dialog::kModeless);
    const Bitmap* bg = art.GetBackground();
    ASSERT_NE(bg, nullptr);
    const Dim client = art.GetClientSize();
    EXPECT_EQ(bg->GetSize(), client);
    EXPECT_EQ(client, Dim(210, 130));  // 120 x 80 units
    for (int y : {0, 1, 9, client.height - 1})
        for (int x : {0, 13, 25, client.width - 1})
            ASSERT_EQ(PixelAt(*bg, x, y), 100 + x % 12 + 12 * (y % 8 % 2)) << x << "," << y;
    for (int y : {0, 64, client.height - 1})
        for (int x : {0, 100, client.width - 1}) ASSERT_EQ(PixelAt(*flat.GetBackground(), x, y), 255);
    // The window's own picture starts as the background.
    EXPECT_EQ(PixelAt(art, client.width - 1, client.height - 1), PixelAt(*bg, client.width - 1, client.height - 1));
    art.Close(0);
    flat.Close(0);
}

TEST_F(Dialogs, OwnerDrawnButtonsAreDrawnIntoTheBackBufferAndCopiedToTheirWindows) {
    SampleDlg dlg;
    dlg.Execute("Sample", Dialog::kModeless);
    Drain();
    // Cancel: 30 x 12 units are 53 x 20 pixels at (70, 98); its 40 x 14 picture is centred.
    RECT r;
    GetWindowRect(Child(dlg, 2), &r);
    EXPECT_EQ(r.right - r.left, 53);
    EXPECT_EQ(r.bottom - r.top, 20);
    EXPECT_EQ(PixelAt(dlg, 70 + 6, 98 + 3), DialogArtColour("Pushbutton", "Up"));
    EXPECT_EQ(PixelAt(dlg, 70 + 5, 98 + 2), 100 + 75 % 12 + 12 * (100 % 8 % 2));  // background around it
    const platform::WindowPixels shown = platform::GetWindowPixels(Child(dlg, 2));
    ASSERT_EQ(shown.width, 53);
    EXPECT_EQ(shown.pixels[3 * shown.width + 6], DialogArtColour("Pushbutton", "Up"));
    // OK is the default button: framed twice in black.
    const std::uint8_t black = Nearest(0, 0, 0);
    EXPECT_EQ(PixelAt(dlg, 7, 98), black);
    EXPECT_EQ(PixelAt(dlg, 8, 99), black);
    EXPECT_EQ(PixelAt(dlg, 7 + 52, 98 + 19), black);
    // The text tile's words stand in its box.
    bool ink = false;
    for (int x = 7; x < 7 + 105; ++x) ink = ink || PixelAt(dlg, x, 7 + 7) == kInk;
    EXPECT_TRUE(ink);
    // The static window shows its control's caption, copied from the back buffer.
    const platform::WindowPixels label = platform::GetWindowPixels(Child(dlg, 17));
    ASSERT_GT(label.width * label.height, 0);
    bool labelInk = false;
    for (int i = 0; i < label.width * label.height; ++i) labelInk = labelInk || label.pixels[i] == kInk;
    EXPECT_TRUE(labelInk);
    dlg.Close(0);
}

TEST_F(Dialogs, ModelessDialogGetsItsInputThroughTheApplicationLoop) {
    SampleDlg dlg;
    EXPECT_EQ(dlg.Execute("Sample", Dialog::kModeless), 0);
    HWND h = dlg.GetHandle();
    ASSERT_TRUE(app->ModelessDialogs().Contains(h));
    auto* check = dynamic_cast<DialogCheck*>(dlg.GetItemControl(15));
    ASSERT_NE(check, nullptr);
    platform::ClickDlgItem(h, 15);
    Drain();
    EXPECT_EQ(check->GetState(), 1);
    // Owner-drawn now, the window keeps no check of its own: the control holds the state.
    EXPECT_EQ(IsDlgButtonChecked(h, 15), BST_UNCHECKED);
    platform::ClickDlgItem(h, 12);
    Drain();
    EXPECT_EQ(dlg.GetItemValue(11), 1);
    platform::PressKey(VK_RETURN);
    Drain();
    EXPECT_EQ(dlg.IsRunning(), 0);
    EXPECT_EQ(dlg.GetResult(), 1);
    EXPECT_EQ(dlg.oks, 1);
    EXPECT_FALSE(IsWindow(h));
    EXPECT_FALSE(app->ModelessDialogs().Contains(h));
}

TEST_F(Dialogs, AutoDeletingModelessDialogGoesAfterTheTimer) {
    auto* dlg = new SampleDlg;
    dlg->Execute("Plain", Dialog::kModeless, 1);
    platform::ClickDlgItem(dlg->GetHandle(), IDOK);
    Drain();
    EXPECT_EQ(Dialog::PendingDeletions(), 1u);
    EXPECT_EQ(SampleDlg::deleted, 0);
    platform::AdvanceClock(250);
    Drain();
    EXPECT_EQ(SampleDlg::deleted, 1);
    EXPECT_EQ(Dialog::PendingDeletions(), 0u);
}

TEST_F(Dialogs, ApplicationModalDisablesItsParentUntilItCloses) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = &DefWindowProcA;
    wc.lpszClassName = "TestParent";
    RegisterClassA(&wc);
    HWND parent = CreateWindowExA(0, "TestParent", "Parent", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 0, 0, 300, 200, nullptr,
                                  nullptr, nullptr, nullptr);
    ASSERT_NE(parent, nullptr);
    for (std::int16_t keep : {0, 1}) {
        BOOL enabledMeanwhile = -1;
        platform::QueueDialogScript([&](HWND d) {
            enabledMeanwhile = IsWindowEnabled(parent);
            platform::ClickDlgItem(d, IDOK);
        });
        SampleDlg dlg;
        EXPECT_EQ(dlg.Execute("Plain", Dialog::kApplicationModal, 0, parent, keep), 1);
        EXPECT_EQ(enabledMeanwhile, keep ? TRUE : FALSE);
        EXPECT_TRUE(IsWindowEnabled(parent));
        EXPECT_EQ(GetFocus(), parent);
        EXPECT_EQ(dlg.oks, 1);
        EXPECT_TRUE(app->ModelessDialogs().IsEmpty());
    }
    // The program closing meanwhile: the dialog closes with 0 and the quit stays for the loop.
    platform::QueueDialogScript([](HWND) { PostQuitMessage(0); });
    SampleDlg dlg;
    EXPECT_EQ(dlg.Execute("Plain", Dialog::kApplicationModal, 0, parent), 0);
    EXPECT_EQ(dlg.IsRunning(), 0);
    EXPECT_TRUE(IsWindowEnabled(parent));
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, WM_QUIT);
    // Nothing comes at all: given up as Escape would be.
    SampleDlg idle;
    EXPECT_EQ(idle.Execute("Plain", Dialog::kApplicationModal, 0, parent), 0);
    EXPECT_EQ(platform::AbandonedDialogCount(), 1u);
    DestroyWindow(parent);
}

TEST_F(Dialogs, ItemAccessorsReachTilesControlsAndPlainWindows) {
    SampleDlg dlg;
    dlg.Execute("Sample", Dialog::kModeless);
    HWND h = dlg.GetHandle();
    // Text tiles, controls and plain children.
    dlg.SetItemText(100, "New title");
    EXPECT_EQ(dlg.GetItemText(100), "New title");
    // An empty text leaves the background under the tile, the old words gone.
    dlg.SetItemText(100, "");
    for (int y = 7; y < 7 + 16; ++y) ASSERT_EQ(RowOf(dlg, y, kInk, 7, 7 + 105), std::string(105, '.')) << y;
    EXPECT_EQ(PixelAt(dlg, 20, 10), 100 + 20 % 12 + 12 * (10 % 8 % 2));
    dlg.SetItemText(17, "New label");
    EXPECT_EQ(dlg.GetItemControl(17)->GetCaption(), "New label");
    EXPECT_EQ(dlg.GetItemText(17), "New label");
    EXPECT_EQ(dlg.GetItemText(20), "Edit me");
    dlg.SetItemText(20, "Typed");
    EXPECT_EQ(dlg.GetItemText(20), "Typed");
    dlg.SetItemText(999, "nowhere");
    EXPECT_EQ(dlg.GetItemText(999), "");
    // Values of radios only.
    EXPECT_EQ(dlg.GetItemValue(15), -1);
    EXPECT_EQ(dlg.GetItemValue(999), -1);
    dlg.SetItemValue(15, 1);
    dlg.SetItemValue(13, 1);
    EXPECT_EQ(dlg.GetItemValue(14), 1);
    EXPECT_EQ(dynamic_cast<DialogButton*>(dlg.GetItemControl(14))->GetState(), 1);
    // Lists and combo boxes.
    EXPECT_EQ(dlg.GetListSelection(18), -1);
    EXPECT_EQ(dlg.GetListText(18, -1), "");
    SendDlgItemMessageA(h, 18, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("first"));
    SendDlgItemMessageA(h, 18, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>("second"));
    SendDlgItemMessageA(h, 18, LB_SETCURSEL, 1, 0);
    EXPECT_EQ(dlg.GetListSelection(18), 1);
    EXPECT_EQ(dlg.GetListText(18, -1), "second");
    EXPECT_EQ(dlg.GetListText(18, 0), "first");
    EXPECT_EQ(dlg.GetComboText(19, -1), "");
    SendDlgItemMessageA(h, 19, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Union"));
    SendDlgItemMessageA(h, 19, CB_SETCURSEL, 0, 0);
    EXPECT_EQ(dlg.GetComboText(19, -1), "Union");
    EXPECT_EQ(dlg.GetComboText(19, 7), "");
    dlg.EnableItem(2, 0);
    EXPECT_FALSE(IsWindowEnabled(Child(dlg, 2)));
    dlg.EnableItem(2, 1);
    EXPECT_TRUE(IsWindowEnabled(Child(dlg, 2)));
    dlg.Close(0);
}

TEST_F(Dialogs, BusyApplicationKeepsTheCursorOverADialog) {
    SampleDlg dlg;
    dlg.Execute("Plain", Dialog::kModeless);
    HWND h = dlg.GetHandle();
    HCURSOR before = GetCursor();
    app->BeginWait();
    const HCURSOR wait = GetCursor();
    EXPECT_EQ(SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(GetWindowLongPtrA(h, DWLP_MSGRESULT), 1);
    EXPECT_EQ(GetCursor(), wait);
    app->EndWait();
    SendMessageA(h, WM_SETCURSOR, reinterpret_cast<WPARAM>(h), MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
    EXPECT_EQ(GetCursor(), dlg.GetCursor());
    (void)before;
    dlg.Close(0);
}

TEST_F(Dialogs, CenterPutsTheDialogInTheMiddleOfTheScreenWithoutAMainWindow) {
    SampleDlg dlg;
    dlg.Execute("Plain", Dialog::kModeless);
    dlg.Center();
    RECT r;
    GetWindowRect(dlg.GetHandle(), &r);
    const SIZE screen = platform::GetScreenSize();
    EXPECT_LE(std::abs((r.left + r.right) / 2 - screen.cx / 2), 1);
    EXPECT_LE(std::abs((r.top + r.bottom) / 2 - screen.cy / 2), 1);
    // Moving keeps the picture.
    EXPECT_EQ(PixelAt(dlg, 0, 0), 100);
    dlg.Close(0);
}

TEST_F(Dialogs, BackgroundImageWithoutAreaLeavesTheFlatFill) {
    datagen::LibrarySpec lib = BackdropLibrary();
    lib.sections[0].images[0] = Image("Background", 0, 0, 1, {});
    data.WriteLibrary("empty.qif", lib);
    data.WriteIndex({{"dlgfont.qif", "MS Sans Serif 2"}, {"buttons.qif", "DialogButtons"}, {"empty.qif", "Empty"}});
    app.reset();
    MakeApp();
    struct EmptyDlg : Dialog {
        EmptyDlg() : Window(Point(0, 0), Dim(0, 0), "", "Empty"), Dialog("Empty", "Stone", "Background") {}
    } dlg;
    dlg.Execute("Plain", Dialog::kModeless);
    ASSERT_NE(dlg.GetBackground(), nullptr);
    EXPECT_EQ(PixelAt(*dlg.GetBackground(), 3, 3), 255);
    dlg.Close(0);
}

} // namespace
