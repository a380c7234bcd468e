// The status bar: main lines and keyed panes, "SetItemText" on the bus, the layout of the main
// area and the panes, and the strip drawn from its art with the texts clipped where they must be.
#include "core/bus.h"
#include "core/message_registry.h"
#include "tests/ui/ui_fixture.h"
#include "ui/status_bar.h"
#include "ui/windows/mdi_windows.h"
#include "ui/windows/windows_status_bar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace uitest;

class Recorded : public StatusBar {
public:
    explicit Recorded(std::int16_t lines) : StatusBar(lines) {}
    void Refresh() override { ++refreshes; }
    int refreshes = 0;
};

TEST(StatusBarText, MainLinesCountFromOneAndOtherLinesChangeNothing) {
    struct Case {
        std::int16_t line;
        bool taken;
    };
    const Case cases[] = {{0, false}, {1, true}, {2, true}, {3, false}, {-1, false}};
    for (const Case& c : cases) {
        Recorded bar(2);
        bar.SetText("Marching", c.line);
        EXPECT_EQ(bar.refreshes, c.taken ? 1 : 0) << c.line;
        for (int l = 1; l <= 2; ++l) EXPECT_EQ(bar.GetLine(l), c.taken && l == c.line ? "Marching" : "") << c.line;
    }
    Recorded bar(2);
    bar.SetText("Turn 2", 1);
    bar.ClearText(1);
    EXPECT_EQ(bar.GetLine(1), "");
}

TEST(StatusBarText, PanesFollowEachOtherWithTheBarsLineCount) {
    Recorded bar(2);
    const std::vector<std::string> texts{"Union", "Reserve", "ignored"};
    bar.AddPane(1, 150, &texts);
    bar.AddPane(2, 90);
    const std::vector<std::string> one{"only"};
    bar.AddPane(3, 40, &one);
    ASSERT_EQ(bar.GetPanes().size(), 3u);
    EXPECT_EQ(bar.GetPaneOffset(), 280);
    const int offsets[] = {0, 150, 240};
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(bar.GetPanes()[i].offset, offsets[i]);
        EXPECT_EQ(bar.GetPanes()[i].count, 2);
    }
    EXPECT_EQ(bar.GetPanes()[0].Line(1), "Union");
    EXPECT_EQ(bar.GetPanes()[0].Line(2), "Reserve");
    EXPECT_EQ(bar.GetPanes()[0].Line(3), "");
    EXPECT_EQ(bar.GetPanes()[1].Line(1), "");
    EXPECT_EQ(bar.GetPanes()[2].Line(2), "");
    // Clearing empties every line at once.
    bar.SetText("Main", 2);
    const int before = bar.refreshes;
    bar.Clear();
    EXPECT_EQ(bar.refreshes, before + 1);
    EXPECT_EQ(bar.GetLine(2), "");
    EXPECT_EQ(bar.GetPanes()[0].Line(1), "");
}

class ItemText : public ::testing::Test {
protected:
    void SetUp() override {
        bar.AttachToBus(&bus);
        sender.AttachToBus(&bus);
        bar.AddPane(static_cast<std::int32_t>(RegisterMessage("Sbar1")), 150);
        bar.AddPane(static_cast<std::int32_t>(RegisterMessage("Sbar2")), 150);
        bar.AddPane(static_cast<std::int32_t>(RegisterMessage("Sbar1")), 50);  // a second pane of the same item
    }
    void Send(const SetTextData& d) {
        Container<SetTextData> payload(d);
        delete sender.SendNamed("SetItemText", &payload);
    }
    Bus bus;
    Recorded bar{2};
    Component sender{"Sender"};
};

TEST_F(ItemText, ReachesEveryPaneOfTheItemAndAlwaysRedraws) {
    const std::uint32_t sbar1 = RegisterMessage("Sbar1"), sbar2 = RegisterMessage("Sbar2");
    struct Case {
        std::uint32_t item;
        std::uint16_t line;
        const char* pane0line1;
        const char* pane0line2;
        const char* pane1line1;
    };
    const Case cases[] = {
        {sbar1, 1, "Up", "", ""},
        {sbar1 | 0x30000000u, 2, "", "Up", ""},  // the kind bits do not matter
        {sbar2, 1, "", "", "Up"},
        {sbar1, 0, "", "", ""},                   // no line 0
        {sbar1, 3, "", "", ""},                   // beyond the line count
        {RegisterMessage("Sbar9"), 1, "", "", ""},
    };
    for (const Case& c : cases) {
        bar.Clear();
        const int before = bar.refreshes;
        Send(SetTextData(c.item, "Up", c.line));
        EXPECT_EQ(bar.refreshes, before + 1);
        EXPECT_EQ(bar.GetPanes()[0].Line(1), c.pane0line1) << c.item << "/" << c.line;
        EXPECT_EQ(bar.GetPanes()[0].Line(2), c.pane0line2) << c.item << "/" << c.line;
        EXPECT_EQ(bar.GetPanes()[1].Line(1), c.pane1line1) << c.item << "/" << c.line;
        EXPECT_EQ(bar.GetPanes()[2].Line(1), bar.GetPanes()[0].Line(1));
        EXPECT_EQ(bar.GetLine(1), "");  // the main lines are never touched
    }
}

TEST_F(ItemText, AWrongPayloadIsReportedAndChangesNothing) {
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<std::string> wrong("Up");
    delete sender.SendNamed("SetItemText", &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find(kBadBusData), std::string::npos);
    EXPECT_NE(platform::ShownMessageBox(0).caption.find("STATBAR"), std::string::npos);
    EXPECT_EQ(bar.refreshes, 0);
    platform::ClearShownMessageBoxes();
}

// --- the Windows bar ---

constexpr std::uint8_t kLeft = 20, kRight = 30, kCentre = 40, kSeparator = 50;

class StatusStrip : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        datagen::LibrarySpec art{"", {{"sbArt", {Solid("left", 10, 30, kLeft), Solid("right", 12, 30, kRight),
                                                 Solid("center", 8, 30, kCentre), Solid("separator", 4, 30, kSeparator)}}}};
        data.WriteLibrary("STATUS.QIF", art);
        datagen::LibrarySpec thin{"", {{"sbArt", {Solid("left", 10, 30, kLeft), Solid("right", 12, 30, kRight),
                                                  Solid("center", 0, 30, kCentre), Solid("separator", 4, 30, kSeparator)}}}};
        data.WriteLibrary("THIN.QIF", thin);
        data.WriteIndex({{"status.qif", "Status Bar"}, {"thin.qif", "Thin Status Bar"}});
        MakeApp();
        WindowsWindow::RegisterWindowClass();
        top = CreateWindowExA(0, "GenericWindow", "Top", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 800, 300, nullptr, nullptr,
                              nullptr, nullptr);
    }
    void TearDown() override {
        DestroyWindow(top);
        WinAppTest::TearDown();
    }
    // The index shown at a client point of a window.
    static COLORREF At(HWND w, int x, int y) {
        POINT p{x, y};
        ClientToScreen(w, &p);
        return platform::ScreenPixel(p.x, p.y);
    }
    // Pixels of a client box shown in another colour than `background` (text and its soft edges).
    static int InkIn(HWND w, int left, int topRow, int right, int bottom, COLORREF background) {
        int n = 0;
        for (int y = topRow; y < bottom; ++y)
            for (int x = left; x < right; ++x) n += At(w, x, y) != background ? 1 : 0;
        return n;
    }
    HWND top = nullptr;
};

TEST_F(StatusStrip, TheMainAreaShrinksWithPanesButNeverBelowItsMinimum) {
    struct Case {
        int window;
        int panes;
        int main;
    };
    // End pieces 10 + 12; each pane 150 plus the 4-pixel separator.
    const Case cases[] = {{600, 0, 578}, {600, 2, 270}, {400, 2, 200}, {150, 0, 128}};
    for (const Case& c : cases) {
        WindowsStatusBar bar("Status Bar", top, Point(20, 11), 2);
        for (int i = 0; i < c.panes; ++i) bar.AddPane(i + 1, 150);
        EXPECT_EQ(bar.MainWidth(c.window), c.main) << c.window << " with " << c.panes;
    }
}

TEST_F(StatusStrip, TheStripIsDrawnFromArtAndTheTextsAreClipped) {
    WindowsStatusBar bar("Status Bar", top, Point(20, 3), 2);
    EXPECT_EQ(static_cast<Component&>(static_cast<Display&>(bar)).GetName(), "Unnamed WindowsStatusBar");
    EXPECT_EQ(bar.GetBarHeight(), 30);
    EXPECT_EQ(GetWindowLongPtrA(bar.GetBarWindow(), GWLP_ID), WindowsStatusBar::kWindowId);
    static_cast<StatusBar&>(bar).AttachToBus(app.get());
    bar.SetText("before the frame sizes it", 2);  // a bar of no size draws nothing
    bar.AddPane(static_cast<std::int32_t>(RegisterMessage("Sbar1")), 150);
    bar.AddPane(static_cast<std::int32_t>(RegisterMessage("Sbar2")), 150);
    EXPECT_EQ(bar.GetPanes()[1].offset, 154);
    MoveWindow(bar.GetBarWindow(), 0, 0, 400, 30, TRUE);
    Drain();
    const std::uint8_t ink = dynamic_cast<const SystemText&>(bar.GetText()).Colour();
    const int line = bar.GetText().Extent("A").height;
    for (std::uint8_t art : {kLeft, kRight, kCentre, kSeparator}) ASSERT_NE(ink, art);
    const HWND w = bar.GetBarWindow();

    // Main width 200 (the minimum); the separators at 200 and 354; the right end at 388.
    EXPECT_EQ(At(w, 0, 0), ShownColour(kLeft));
    EXPECT_EQ(At(w, 9, 0), ShownColour(kLeft));
    EXPECT_EQ(At(w, 10, 0), ShownColour(kCentre));
    EXPECT_EQ(At(w, 200, 0), ShownColour(kSeparator));
    EXPECT_EQ(At(w, 354, 0), ShownColour(kSeparator));
    EXPECT_EQ(At(w, 387, 0), ShownColour(kCentre));
    EXPECT_EQ(At(w, 388, 0), ShownColour(kRight));
    EXPECT_EQ(At(w, 399, 29), ShownColour(kRight));

    // Pane texts come by the bus; the second pane is cut at the right end piece.
    Container<SetTextData> first(SetTextData(RegisterMessage("Sbar1"), "P", 2));
    delete app->SendNamed("SetItemText", &first);
    Container<SetTextData> second(SetTextData(RegisterMessage("Sbar2"), std::string(10, 'Z'), 1));
    delete app->SendNamed("SetItemText", &second);
    Drain();
    // Pane 1, line 2, starts at 0 + 4 + 200 + 20 - 20; its line 1 is empty.
    EXPECT_GT(InkIn(w, 204, 3 + line, 214, 3 + 2 * line, ShownColour(kCentre)), 0);
    EXPECT_EQ(InkIn(w, 204, 3, 230, 3 + line, ShownColour(kCentre)), 0);
    EXPECT_GT(InkIn(w, 378, 3, 388, 3 + line, ShownColour(kCentre)), 0);
    EXPECT_EQ(InkIn(w, 388, 3, 400, 3 + line, ShownColour(kRight)), 0);

    // A long main line stops at origin + main width + left piece (230), over the start of the
    // first pane.
    bar.SetText(std::string(60, 'X').c_str(), 1);
    EXPECT_GT(InkIn(w, 20, 3, 30, 3 + line, ShownColour(kCentre)), 0);
    EXPECT_GT(InkIn(w, 220, 3, 230, 3 + line, ShownColour(kCentre)), 0);
    EXPECT_EQ(InkIn(w, 230, 3, 260, 3 + line, ShownColour(kCentre)), 0);
    static_cast<StatusBar&>(bar).DetachFromBus();
}

TEST_F(StatusStrip, ACentrePieceOfNoWidthLeavesTheMiddleUndrawnAndTheRestDrawn) {
    WindowsStatusBar bar("Thin Status Bar", top, Point(20, 3), 1);
    MoveWindow(bar.GetBarWindow(), 0, 0, 300, 30, TRUE);
    Drain();  // returns: the centre is never tiled
    bar.SetText("A", 1);
    const HWND w = bar.GetBarWindow();
    EXPECT_EQ(At(w, 5, 0), ShownColour(kLeft));
    EXPECT_EQ(At(w, 295, 0), ShownColour(kRight));
    EXPECT_GT(InkIn(w, 20, 3, 30, 3 + bar.GetText().Extent("A").height, ShownColour(kCentre)), 0);
}

TEST_F(StatusStrip, TheFrameGivesTheBarTheBottomOfItsClientArea) {
    WindowsMainWindow frame(Point(0, 0), Dim(500, 300), "Varnhold", nullptr, nullptr, nullptr);
    app->SetMainDisplay(&frame);
    WindowsStatusBar bar("Status Bar", frame.GetHandle(), Point(20, 11), 2);
    frame.SetStatusBar(&bar);
    MoveWindow(frame.GetHandle(), 0, 0, 500 + 2 * platform::kFrameWidth, 300 + 2 * platform::kFrameWidth + platform::kCaptionHeight,
               TRUE);
    Drain();
    RECT r;
    GetWindowRect(bar.GetBarWindow(), &r);
    POINT origin{0, 0};
    ClientToScreen(frame.GetHandle(), &origin);
    EXPECT_EQ(r.top - origin.y, 270);
    EXPECT_EQ(r.right - r.left, 500);
    // The application's status text goes to the bar's main line.
    app->ShowStatusText("Turn 3", 1);
    EXPECT_EQ(bar.GetLine(1), "Turn 3");
    frame.SetStatusBar(nullptr);
    app->SetMainDisplay(nullptr);
}

} // namespace
