// The toolbar: buttons laid out left to right and centred in the strip, the mirrored background,
// commands passed to the buttons, and the tool tips: shown after a rest, re-made for the next
// button, hidden on leaving, never for another application's focus, killed by a press until the
// pointer moves.
#include "platform/text.h"
#include "core/message_registry.h"
#include "platform/input.h"
#include "tests/ui/ui_fixture.h"
#include "ui/button.h"
#include "ui/logical_palette.h"
#include "ui/toolbar.h"
#include "ui/windows/windows_toolbar.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using namespace uitest;

constexpr std::uint8_t kMirror1 = 60, kMirror2 = 70;

datagen::SectionSpec ButtonArt(const std::string& section, int w, int h, std::uint8_t colour) {
    return {section, {Solid("UpEnabled", w, h, colour), Solid("DownEnabled", w, h, static_cast<std::uint8_t>(colour + 1)),
                      Solid("UpDisabled", w, h, static_cast<std::uint8_t>(colour + 2)),
                      Solid("DownDisabled", w, h, static_cast<std::uint8_t>(colour + 3))}};
}

// A button that remembers the commands it hears.
class Heard : public Button {
public:
    Heard(const char* section, int command, const char* tip)
        : Button("Buttons", section, BusMessage(command), "", tip) {}
    void OnCommand(BusMessage command) override { heard.push_back(command.Number()); }
    std::vector<int> heard;
};

class Tools : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        data.WriteLibrary("TOOLBAR.QIF", {"", {{"Bar", {Solid("Mirror #1", 7, 30, kMirror1), Solid("Mirror #2", 7, 30, kMirror2)}}}});
        data.WriteLibrary("EVEN.QIF", {"", {{"Bar", {Solid("Mirror #1", 8, 30, kMirror1), Solid("Mirror #2", 8, 30, kMirror2)}}}});
        data.WriteLibrary("BUTTONS.QIF", {"", {ButtonArt("Small", 16, 15, 80), ButtonArt("Tall", 20, 30, 90),
                                               ButtonArt("Mid", 24, 20, 100)}});
        data.WriteLibrary("THIN.QIF", {"", {{"Bar", {Solid("Mirror #1", 0, 30, kMirror1), Solid("Mirror #2", 7, 30, kMirror2)}}}});
        data.WriteIndex({{"toolbar.qif", "Toolbar Art"}, {"even.qif", "Even Art"}, {"buttons.qif", "Buttons"},
                         {"thin.qif", "Thin Art"}});
        MakeApp();
        WindowsWindow::RegisterWindowClass();
        top = CreateWindowExA(0, "GenericWindow", "Top", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 600, 200, nullptr, nullptr,
                              nullptr, nullptr);
        MainWindowHandle = top;
        SetFocus(top);
        // The application's hover timer, as its message loop runs it: two ticks a second.
        app->AddTimer(Callback(app.get(), &Application::HoverTimer), 2, 1);
    }
    void TearDown() override {
        bar.reset();
        MainWindowHandle = nullptr;
        DestroyWindow(top);
        WinAppTest::TearDown();
    }
    // A toolbar 400 wide on the bus with three buttons: Small (0..15), Tall (21..40), Mid (41..64).
    void MakeBar(const char* art = "Toolbar Art") {
        bar = std::make_unique<WindowsToolbar>(art, top);
        static_cast<Toolbar&>(*bar).AttachToBus(app.get());
        MoveWindow(bar->GetBarWindow(), 0, 0, 400, bar->GetBarHeight(), TRUE);
        Drain();
    }
    void AddButtons() {
        bar->AddButton(small = new Heard("Small", 301, "Infantry"));
        bar->AddSpace(5);
        bar->AddButton(tall = new Heard("Tall", 302, "Cavalry"));
        bar->AddButton(new Heard("Mid", 303, "Artillery"));
    }
    // Moves the pointer to a client point of the toolbar and handles what follows.
    void MoveTo(int x, int y) {
        POINT p{x, y};
        ClientToScreen(bar->GetBarWindow(), &p);
        platform::InjectMouseMove(p.x, p.y);
        Drain();
    }
    // Half a second of the virtual clock: one tick of the hover timer.
    void Wait() {
        platform::AdvanceClock(500);
        Drain();
    }
    // The hover delay: two ticks.
    void Rest() {
        Wait();
        Wait();
    }
    static COLORREF At(HWND w, int x, int y) {
        POINT p{x, y};
        ClientToScreen(w, &p);
        return platform::ScreenPixel(p.x, p.y);
    }
    HWND top = nullptr;
    std::unique_ptr<WindowsToolbar> bar;
    Heard* small = nullptr;
    Heard* tall = nullptr;
};

TEST_F(Tools, ButtonsGoLeftToRightCentredInTheStripWithExactGaps) {
    MakeBar();
    EXPECT_EQ(bar->GetBarHeight(), 30);
    EXPECT_EQ(static_cast<Toolbar&>(*bar).GetName(), "Unnamed Toolbar");
    struct Case {
        const char* section;
        std::int16_t gapBefore;
        Box box;
    };
    // (30 - 15) / 2 = 7 and (30 - 20) / 2 = 5: rounded toward zero.
    const Case cases[] = {{"Small", 0, Box(0, 7, 16, 15)}, {"Tall", 5, Box(21, 0, 20, 30)},
                          {"Mid", 0, Box(41, 5, 24, 20)}, {"Small", 12, Box(77, 7, 16, 15)}};
    for (const Case& c : cases) {
        bar->AddSpace(c.gapBefore);
        auto* b = new Heard(c.section, 300, "tip");
        bar->AddButton(b);
        EXPECT_EQ(b->GetRect(), c.box) << c.section;
        EXPECT_EQ(b->GetBus(), app.get());  // the button joined the toolbar's bus
    }
    EXPECT_EQ(bar->GetNextPlace().x, 93);
    EXPECT_EQ(bar->GetButtons().size(), 4u);
}

TEST_F(Tools, TheBackgroundAlternatesOnlyWherePositionsAlternateInParity) {
    struct Case {
        const char* art;
        std::uint8_t at0, at1, at2;  // at x = 0, one width, two widths
        int width;
    };
    const Case cases[] = {{"Toolbar Art", kMirror2, kMirror1, kMirror2, 7}, {"Even Art", kMirror2, kMirror2, kMirror2, 8}};
    for (const Case& c : cases) {
        MakeBar(c.art);
        const HWND w = bar->GetBarWindow();
        EXPECT_EQ(At(w, 0, 0), ShownColour(c.at0)) << c.art;
        EXPECT_EQ(At(w, c.width, 10), ShownColour(c.at1)) << c.art;
        EXPECT_EQ(At(w, 2 * c.width + 1, 29), ShownColour(c.at2)) << c.art;
        const int start = 399 - 399 % c.width;
        EXPECT_EQ(At(w, 399, 0), ShownColour(start % 2 == 0 ? kMirror2 : kMirror1)) << c.art;
        bar.reset();
    }
}

TEST_F(Tools, MirrorArtOfNoWidthDrawsNoBackground) {
    MakeBar("Thin Art");  // returns: the strip is never tiled
    EXPECT_EQ(bar->GetBarHeight(), 30);
    EXPECT_EQ(At(bar->GetBarWindow(), 0, 0), ShownColour(0));
}

TEST_F(Tools, CommandsReachEveryButton) {
    MakeBar();
    AddButtons();
    bar->NotifyCommand(BusMessage(302).WithKind(1));
    EXPECT_EQ(small->heard, std::vector<int>{302});
    EXPECT_EQ(tall->heard, std::vector<int>{302});
}

TEST_F(Tools, ATipShowsAfterARestFollowsThePointerAndGoesWhenItLeaves) {
    MakeBar();
    AddButtons();
    MoveTo(5, 10);
    EXPECT_EQ(bar->GetToolTipText(), "Infantry");
    EXPECT_EQ(bar->GetTipWindow(), nullptr);
    Wait();
    EXPECT_EQ(bar->GetTipWindow(), nullptr);  // half the delay: nothing yet
    Wait();
    ASSERT_NE(bar->GetTipWindow(), nullptr);
    EXPECT_TRUE(bar->IsTipShown());
    EXPECT_EQ(GetCapture(), bar->GetBarWindow());
    EXPECT_EQ(WindowsToolbar::ShownTipText(), " Infantry ");
    // Below the pointer by half the cursor plus 2, left of it by a quarter of that; sized to the
    // text and its border.
    POINT pointer;
    GetCursorPos(&pointer);
    RECT r;
    GetWindowRect(bar->GetTipWindow(), &r);
    EXPECT_EQ(r.left, pointer.x - 4);
    EXPECT_EQ(r.top, pointer.y + 18);
    const SIZE text = platform::MeasureText(" Infantry ", PointsToPixels(8), false);
    EXPECT_EQ(r.right - r.left, text.cx + 2);
    EXPECT_EQ(r.bottom - r.top, text.cy + 2);
    EXPECT_GT(text.cx, platform::MeasureText(" Inf ", PointsToPixels(8), false).cx);
    EXPECT_TRUE(IsWindowVisible(bar->GetTipWindow()));
    platform::PaintPendingWindows();
    const auto pale = static_cast<std::uint8_t>(GetNearestPaletteIndex(app->GetPalette()->GetHandle(), RGB(250, 250, 100)));
    RECT client;
    GetClientRect(bar->GetTipWindow(), &client);
    EXPECT_EQ(At(bar->GetTipWindow(), 0, 0), ShownColour(pale));

    // To the next button: the old popup goes and the new text shows at once.
    const unsigned windows = platform::WindowCount();
    MoveTo(25, 10);
    EXPECT_EQ(platform::WindowCount(), windows);  // one popup, made anew
    ASSERT_NE(bar->GetTipWindow(), nullptr);
    EXPECT_EQ(WindowsToolbar::ShownTipText(), " Cavalry ");
    EXPECT_EQ(GetCapture(), bar->GetBarWindow());

    // Out of the toolbar: hidden, and the mouse is free.
    MoveTo(25, 60);
    EXPECT_EQ(bar->GetTipWindow(), nullptr);
    EXPECT_FALSE(bar->IsTipShown());
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Tools, NoTipWhileAnotherApplicationHasTheFocus) {
    MakeBar();
    AddButtons();
    const HWND other = CreateWindowExA(0, "GenericWindow", "Other", WS_OVERLAPPED | WS_VISIBLE, 300, 300, 50, 50, nullptr,
                                       nullptr, nullptr, nullptr);
    SetFocus(other);
    MoveTo(5, 10);
    Rest();
    EXPECT_EQ(bar->GetTipWindow(), nullptr);
    EXPECT_FALSE(bar->IsTipShown());
    EXPECT_NE(GetCapture(), bar->GetBarWindow());
    DestroyWindow(other);
}

TEST_F(Tools, APressKillsTheTipsUntilThePointerMoves) {
    MakeBar();
    AddButtons();
    MoveTo(5, 10);
    Rest();
    ASSERT_NE(bar->GetTipWindow(), nullptr);
    POINT p{5, 10};
    ClientToScreen(bar->GetBarWindow(), &p);
    platform::InjectMouseButton(platform::MouseButton::Left, true, p.x, p.y);
    Drain();
    EXPECT_TRUE(bar->AreTipsKilled());
    EXPECT_EQ(bar->GetTipWindow(), nullptr);
    EXPECT_TRUE(small->IsTracking());  // the button has the mouse now
    platform::InjectMouseButton(platform::MouseButton::Left, false, p.x, p.y);
    Drain();
    // A rest without a move shows nothing.
    Container<short> on(1);
    delete app->SendNamed("ToolTipEnable", &on);
    EXPECT_EQ(bar->GetTipWindow(), nullptr);
    // A move inside the toolbar lifts the kill; the next rest shows the tip again.
    MoveTo(6, 11);
    EXPECT_FALSE(bar->AreTipsKilled());
    delete app->SendNamed("ToolTipEnable", &on);
    EXPECT_NE(bar->GetTipWindow(), nullptr);
    // A system key in the frame kills them the same way.
    delete app->SendNamedEvent("System Key Pressed");
    EXPECT_TRUE(bar->AreTipsKilled());
    EXPECT_EQ(bar->GetTipWindow(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
}

TEST_F(Tools, ANewTextReplacesTheVisibleTipAndLongTipsAreCut) {
    MakeBar();
    AddButtons();
    MoveTo(5, 10);
    Rest();
    const HWND tip = bar->GetTipWindow();
    ASSERT_NE(tip, nullptr);
    Container<std::string> text("Artillery");
    delete app->SendNamed("ToolTipText", &text);
    EXPECT_EQ(bar->GetTipWindow(), tip);
    EXPECT_EQ(WindowsToolbar::ShownTipText(), " Artillery ");
    RECT r;
    GetWindowRect(tip, &r);
    EXPECT_EQ(r.right - r.left, platform::MeasureText(" Artillery ", PointsToPixels(8), false).cx + 2);
    // The shown text has room for 37 characters and the two spaces; a longer tip is cut there.
    Container<std::string> longer(std::string(50, 'W'));
    delete app->SendNamed("ToolTipText", &longer);
    EXPECT_EQ(WindowsToolbar::ShownTipText(), " " + std::string(37, 'W') + " ");
}

TEST_F(Tools, TheTipFaceOutlivesOneOfTwoPopups) {
    MakeBar();
    auto second = std::make_unique<WindowsToolbar>("Toolbar Art", top, "Second");
    MoveWindow(second->GetBarWindow(), 0, 40, 400, 30, TRUE);
    bar->SetToolTipText("Infantry");
    bar->EnableToolTip(1);
    second->SetToolTipText("Cavalry");
    second->EnableToolTip(1);
    ASSERT_NE(bar->GetTipWindow(), nullptr);
    ASSERT_NE(second->GetTipWindow(), nullptr);
    bar.reset();
    // The remaining popup still measures and draws its text.
    second->SetToolTipText("Artillery");
    RECT r;
    GetWindowRect(second->GetTipWindow(), &r);
    const SIZE text = platform::MeasureText(" Artillery ", PointsToPixels(8), false);
    EXPECT_EQ(r.right - r.left, text.cx + 2);
    EXPECT_EQ(r.bottom - r.top, text.cy + 2);
}

TEST_F(Tools, AWrongTipPayloadIsReported) {
    MakeBar();
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<std::string> wrong("1");
    delete app->SendNamed("ToolTipEnable", &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).caption.find("TOOLBAR"), std::string::npos);
    EXPECT_FALSE(bar->IsTipShown());
    // Sent without a value it is reported too, not taken for 0.
    platform::QueueMessageBoxAnswer(IDNO);
    delete app->SendNamedEvent("ToolTipEnable");
    ASSERT_EQ(platform::ShownMessageBoxCount(), 2u);
    EXPECT_NE(platform::ShownMessageBox(1).caption.find("TOOLBAR"), std::string::npos);
    platform::ClearShownMessageBoxes();
}

} // namespace
