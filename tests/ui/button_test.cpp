// Picture buttons on a window: the image of each state, presses tracked with the capture, the
// "Command" they post, toggles, the menu events that keep them in step with the menu, the texts
// shown while the mouse rests on them, multi-state stepping and missing art.
#include "tests/ui/control_fixture.h"
#include "ui/button.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;
namespace art = datagen::control_art;

constexpr int kGo = 600;

class Buttons : public ControlTest {
protected:
    // A button at (10, 10) on the window, on the bus, drawn.
    template <class B>
    B& Place(B& button) {
        button.AttachToBus(app.get());
        button.Attach(window.get(), LayoutConstraints::Pixels(Box(Point(10, 10), button.GetArtSize())));
        button.Redraw();
        return button;
    }
    COLORREF Face() const { return Shown(15, 15); }
};

TEST_F(Buttons, EachStateDrawsItsOwnImage) {
    Button b("Buttons", "Go", kGo, "", "", "Go");
    Place(b);
    EXPECT_EQ(b.GetArtSize(), Dim(art::kButtonWidth, art::kButtonHeight));
    EXPECT_EQ(b.GetStateBits(), 0xfffe);
    struct Case {
        std::uint16_t state;
        std::uint8_t colour;
    };
    for (const Case& c : {Case{0xfffe, art::kUpEnabled}, Case{0xffff, art::kDownEnabled},
                          Case{0xfffc, art::kUpDisabled}, Case{0xfffd, art::kDownDisabled}}) {
        b.SetStateBits(c.state);
        b.Redraw();
        EXPECT_EQ(Face(), ShownColour(c.colour)) << std::hex << c.state;
        // The whole image and nothing beside it.
        EXPECT_EQ(Shown(10 + art::kButtonWidth - 1, 10 + art::kButtonHeight - 1), ShownColour(c.colour));
        EXPECT_NE(Shown(10 + art::kButtonWidth, 10), ShownColour(c.colour));
    }
}

TEST_F(Buttons, AClickInsideKillsTheTipShowsDownAndPostsItsCommandOnRelease) {
    Button b("Buttons", "Go", kGo, "", "", "Go");
    Place(b);
    Press(15, 15);
    EXPECT_TRUE(b.IsTracking());
    EXPECT_EQ(window->GetCaptor(), &b);
    EXPECT_EQ(Face(), ShownColour(art::kDownEnabled));
    EXPECT_EQ(recorder.heard, (std::vector<Heard>{{"ToolTipKill", ""}}));
    Release(16, 16);
    EXPECT_FALSE(b.IsTracking());
    EXPECT_EQ(window->GetCaptor(), nullptr);
    EXPECT_FALSE(b.IsDown());
    EXPECT_EQ(Face(), ShownColour(art::kUpEnabled));
    EXPECT_EQ(recorder.heard,
              (std::vector<Heard>{{"ToolTipKill", ""}, {"SetItemText", "Sbar1,Up,1"}, {"Command", "600"}}));
}

TEST_F(Buttons, TheCommandIsPostedOnlyWhenTheReleaseIsInside) {
    struct Case {
        const char* what;
        std::vector<Point> moves;
        Point release;
        std::size_t commands;
    };
    for (const Case& c : {Case{"out and released out", {Point(100, 100)}, Point(100, 100), 0},
                          Case{"out and back in", {Point(100, 100), Point(12, 12)}, Point(12, 12), 1},
                          Case{"released on the far edge", {}, Point(10 + art::kButtonWidth, 12), 0}}) {
        recorder.heard.clear();
        Button b("Buttons", "Go", kGo, "", "", "Go");
        Place(b);
        Press(15, 15);
        for (const Point& m : c.moves) {
            MoveTo(m.x, m.y);
            EXPECT_EQ(b.IsDown(), b.GetRect().Contains(m)) << c.what;
        }
        Release(c.release.x, c.release.y);
        EXPECT_EQ(recorder.Of("Command").size(), c.commands) << c.what;
        EXPECT_FALSE(b.IsDown()) << c.what;
        EXPECT_EQ(Face(), ShownColour(art::kUpEnabled)) << c.what;
    }
}

TEST_F(Buttons, AToggleStaysDownUntilClickedAgainInside) {
    Button b("Buttons", "Go", kGo, "", "", "Go", 1);
    Place(b);
    Click(15, 15);
    EXPECT_TRUE(b.IsDown());
    EXPECT_EQ(Face(), ShownColour(art::kDownEnabled));
    EXPECT_EQ(recorder.Of("Command").size(), 1u);
    // A press released outside leaves it down and posts nothing.
    Press(15, 15);
    MoveTo(100, 100);
    EXPECT_TRUE(b.IsDown());
    Release(100, 100);
    EXPECT_TRUE(b.IsDown());
    EXPECT_EQ(recorder.Of("Command").size(), 1u);
    // Clicked inside, it comes up and posts again.
    Click(15, 15);
    EXPECT_FALSE(b.IsDown());
    EXPECT_EQ(Face(), ShownColour(art::kUpEnabled));
    EXPECT_EQ(recorder.Of("Command"), (std::vector<std::string>{"600", "600"}));
}

TEST_F(Buttons, PressesOnADisabledOrAlreadyDownButtonAreIgnored) {
    Button b("Buttons", "Go", kGo, "", "", "Go");
    Place(b);
    b.SetStateBits(0xfffc);
    Click(15, 15);
    b.SetStateBits(0xffff);
    Click(15, 15);
    EXPECT_TRUE(recorder.heard.empty());
    EXPECT_EQ(window->GetCaptor(), nullptr);
}

// Sends a menu event with the command word of `command` as payload.
void SendMenuEvent(Component& from, int event, int command) {
    Container<BusMessage> payload{BusMessage(command)};
    delete from.Send(event, &payload);
}

TEST_F(Buttons, MenuEventsOfItsCommandFollowTheMenuItem) {
    Button b("Buttons", "Go", kGo, "", "", "Go");
    Place(b);
    SendMenuEvent(recorder, DISABLE_MENU_ITEM, kGo + 1);  // another command: nothing
    EXPECT_TRUE(b.IsEnabled());
    // The delivery kind bits are not part of the command.
    SendMenuEvent(recorder, DISABLE_MENU_ITEM, BusMessage(kGo).WithKind(KIND_POST).Word());
    EXPECT_FALSE(b.IsEnabled());
    EXPECT_EQ(Face(), ShownColour(art::kUpDisabled));
    SendMenuEvent(recorder, CHECK_MENU_ITEM, kGo);
    EXPECT_EQ(Face(), ShownColour(art::kDownDisabled));
    SendMenuEvent(recorder, ENABLE_MENU_ITEM, kGo);
    EXPECT_EQ(Face(), ShownColour(art::kDownEnabled));
    SendMenuEvent(recorder, UNCHECK_MENU_ITEM, kGo);
    EXPECT_EQ(Face(), ShownColour(art::kUpEnabled));
}

TEST_F(Buttons, DisablingDuringAPressEndsTheCaptureAndTheReleasePostsNothing) {
    Button b("Buttons", "Go", kGo, "", "", "Go");
    Place(b);
    Press(15, 15);
    ASSERT_TRUE(b.IsTracking());
    SendMenuEvent(recorder, DISABLE_MENU_ITEM, kGo);
    EXPECT_FALSE(b.IsTracking());
    EXPECT_EQ(window->GetCaptor(), nullptr);
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_FALSE(b.IsDown());
    Release(15, 15);
    EXPECT_TRUE(recorder.Of("Command").empty());
    EXPECT_EQ(Face(), ShownColour(art::kUpDisabled));
    // Unchecking ends a press the same way.
    SendMenuEvent(recorder, ENABLE_MENU_ITEM, kGo);
    Press(15, 15);
    SendMenuEvent(recorder, UNCHECK_MENU_ITEM, kGo);
    EXPECT_FALSE(b.IsTracking());
    Release(15, 15);
    EXPECT_TRUE(recorder.Of("Command").empty());
}

TEST_F(Buttons, AMenuEventWithoutACommandWordIsReportedAndChangesNothing) {
    Button b("Buttons", "Go", kGo, "", "", "Go");
    Place(b);
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<short> wrong(kGo);
    delete recorder.Send(DISABLE_MENU_ITEM, &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad data passed in bus message to function  Abort?");
    EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind("Failure in BUTTON at line ", 0), 0u);
    EXPECT_TRUE(b.IsEnabled());
}

TEST_F(Buttons, RestingOnAButtonShowsItsTextsAndLeavingClearsThem) {
    Button b("Buttons", "Go", kGo, "Go ahead", "Go tip", "Go");
    Place(b);
    MoveTo(15, 15);
    EXPECT_EQ(recording->status, (std::vector<std::pair<int, std::string>>{{1, "Go ahead"}}));
    EXPECT_EQ(recorder.Of("ToolTipText"), (std::vector<std::string>{"Go tip"}));
    app->HoverTick();
    app->HoverTick();
    EXPECT_EQ(recorder.Of("ToolTipEnable"), (std::vector<std::string>{"1"}));
    MoveTo(200, 150);
    EXPECT_EQ(recording->status, (std::vector<std::pair<int, std::string>>{{1, "Go ahead"}, {1, ""}}));
    EXPECT_EQ(recorder.Of("ToolTipEnable"), (std::vector<std::string>{"1", "0"}));
    // Without a status text the status bar is left alone.
    Button quiet("Buttons", "Stop", kGo + 1, "", "Stop tip", "Stop");
    quiet.AttachToBus(app.get());
    quiet.Attach(window.get(), LayoutConstraints::Pixels(Box(Point(100, 10), quiet.GetArtSize())));
    MoveTo(105, 15);
    MoveTo(200, 150);
    EXPECT_EQ(recording->status.size(), 2u);
    EXPECT_EQ(recorder.Of("ToolTipText"), (std::vector<std::string>{"Go tip", "Stop tip"}));
}

TEST_F(Buttons, AMultiStateButtonStepsOnTheCommandOfItsCurrentState) {
    MultiStateButton m(3, "Buttons", "Go", 601, "first", "tip one", "Steps");
    m.SetStateInfo(1, "Stop", 602, "second", "tip two");
    m.SetStateInfo(2, "Third", 603, "", "");
    Place(m);
    Click(15, 15);
    EXPECT_EQ(recorder.Of("Command"), (std::vector<std::string>{"601"}));
    m.OnCommand(602);  // not the current state's command
    EXPECT_EQ(m.GetCurrentState(), 0);
    m.OnCommand(601);
    EXPECT_EQ(m.GetCurrentState(), 1);
    EXPECT_EQ(m.GetToolTipText(), "tip two");
    EXPECT_EQ(m.GetArtSection(), "Stop");
    Click(15, 15);
    EXPECT_EQ(recorder.Of("Command"), (std::vector<std::string>{"601", "602"}));
    m.OnCommand(602);
    EXPECT_EQ(m.GetCurrentState(), 2);
    // Empty texts fall back to the ones given at construction.
    EXPECT_EQ(m.GetToolTipText(), "tip one");
    EXPECT_EQ(m.GetStatusText(), "first");
    EXPECT_EQ(recorder.Of("ToolTipText"), (std::vector<std::string>{"tip two", "tip one"}));
    m.OnCommand(603);
    EXPECT_EQ(m.GetCurrentState(), 0);
    EXPECT_EQ(m.GetCommand().Number(), 601);
}

TEST_F(Buttons, AMultiStateButtonKeepsEachStatesEnabledFlag) {
    MultiStateButton m(2, "Buttons", "Go", 601, "", "", "Steps");
    m.SetStateInfo(1, "Stop", 602, "", "");
    Place(m);
    // Disabling the other state's command leaves the visible button alone...
    SendMenuEvent(recorder, DISABLE_MENU_ITEM, 602);
    EXPECT_TRUE(m.IsEnabled());
    EXPECT_FALSE(m.IsStateEnabled(1));
    // ...until the button steps into that state.
    m.SetState(1);
    EXPECT_FALSE(m.IsEnabled());
    EXPECT_EQ(Face(), ShownColour(art::kUpDisabled));
    SendMenuEvent(recorder, ENABLE_MENU_ITEM, 602);
    EXPECT_TRUE(m.IsEnabled());
    m.SetState(0);
    EXPECT_TRUE(m.IsEnabled());
    // Indexes outside the states are refused.
    m.SetState(2);
    m.SetState(-1);
    EXPECT_EQ(m.GetCurrentState(), 0);
}

TEST_F(Buttons, AMultiStateButtonOfNoStatesStillHasOne) {
    MultiStateButton m(0, "Buttons", "Go", 601, "", "", "Empty");
    EXPECT_EQ(m.GetStateCount(), 1);
    m.OnCommand(601);
    EXPECT_EQ(m.GetCurrentState(), 0);
}

TEST_F(Buttons, MissingArtIsReportedAndTheButtonDrawsNothing) {
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Button b("Buttons", "Nowhere", kGo, "", "", "Lost");
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Missing button art \"UpEnabled\" in section \"Nowhere\""),
              std::string::npos);
    EXPECT_EQ(b.GetArtSize(), Dim());
    b.AttachToBus(app.get());
    b.Attach(window.get(), LayoutConstraints::Pixels(Box(10, 10, 20, 16)));
    const COLORREF before = Face();
    b.Redraw();
    EXPECT_EQ(Face(), before);
    // Answering Yes stops the program's work there.
    platform::QueueMessageBoxAnswer(IDYES);
    EXPECT_THROW(Button("No such library", "Go", kGo, "", "", "Lost"), Assertion);
}

TEST_F(Buttons, DefaultNameAndNoCommandUntilAttached) {
    Button b("Buttons", "Go", kGo, nullptr, nullptr, nullptr);
    EXPECT_EQ(b.Component::GetName(), "Unnamed button");
    EXPECT_EQ(b.GetSize(), Dim());
    // Detached, a click's command goes nowhere.
    b.Fire();
    EXPECT_TRUE(recorder.heard.empty());
}

} // namespace
