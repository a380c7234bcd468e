// The main window and the game toolbar on the running application.
#include "app_fixture.h"

#include "core/events.h"
#include "core/message_registry.h"
#include "comms/ui/information_dlg.h"
#include "game/app/vh_main_window.h"
#include "game/app/vh_toolbar.h"
#include "game/units/vh_unit.h"
#include "platform/msgbox.h"
#include "platform/window.h"
#include "ui/button.h"
#include "ui/palette_animator.h"
#include "ui/windows/dialog.h"
#include "ui/windows/windows_status_bar.h"

#include "ui/set_text_data.h"

namespace {

using namespace apptest;

// The text lines of the information dialog.
constexpr std::int16_t kFirstLine = 101;
constexpr std::int16_t kSecondLine = 102;

// Records the named messages it is registered for, in order.
class Recorder : public Component {
public:
    explicit Recorder(std::vector<std::string> names_) : Component("Recorder"), names(std::move(names_)) {}
    void Connect() override {
        for (const std::string& n : names) RegisterNamedHandler(n, Heard);
    }
    static ContainerBase* Heard(Component* c, BusMessage event, ContainerBase* payload) {
        auto* self = static_cast<Recorder*>(c);
        self->heard.push_back(MessageName(event.Number()));
        if (const short* v = PayloadValue<short>(payload)) self->values.push_back(*v);
        return nullptr;
    }
    std::vector<std::string> names;
    std::vector<std::string> heard;
    std::vector<short> values;
};

// The program's frame, bars and application, made as the start-up makes them.
class FrameTest : public AppTest {
protected:
    void SetUp() override {
        AppTest::SetUp();
        app = std::make_unique<VhApp>();
        frame = new VhMainWindow(Point(50, 50), Dim(700, 500), "Varnhold", nullptr, 3);
        frame->AttachToBus(app.get());
        app->SetMainWindow(frame);
        app->SetMainDisplay(frame);
        status = new WindowsStatusBar("Status Bar", frame->GetHandle(), Point(20, 11), 2, "Varnhold Status Bar");
        status->AddPane(1, 150);
        status->AddPane(2, 150);
        static_cast<StatusBar*>(status)->AttachToBus(app.get());
        frame->SetStatusBar(status);
        toolbar = new VhToolbar(frame->GetHandle());
        static_cast<Toolbar*>(toolbar)->AttachToBus(app.get());
        frame->SetToolbar(toolbar);
        Drain();
    }
    void TearDown() override {
        recorder.reset();
        frame->SetStatusBar(nullptr);
        frame->SetToolbar(nullptr);
        delete status;
        delete toolbar;
        app->SetMainWindow(nullptr);
        app->SetMainDisplay(nullptr);
        delete frame;
        app.reset();
        AppTest::TearDown();
    }
    void Drain() {
        MSG m;
        for (int i = 0; i < 10000; ++i) {
            app->DrainTasks();
            if (!PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE)) break;
            if (!app->PumpMessage()) break;
        }
        app->DrainTasks();
    }
    void Record(std::vector<std::string> names) {
        recorder = std::make_unique<Recorder>(std::move(names));
        recorder->AttachToBus(app.get());
    }
    Button* ButtonOf(int command) {
        for (Button* b : toolbar->GetButtons())
            if (b->GetCommand().Number() == command) return b;
        return nullptr;
    }
    bool Enabled(int command) {
        Button* b = ButtonOf(command);
        return b && b->IsEnabled();
    }
    void Menu(BusMessage event, int id) {
        Container<BusMessage> item{BusMessage(id)};
        delete app->Send(event, &item);
    }

    std::unique_ptr<VhApp> app;
    VhMainWindow* frame = nullptr;
    WindowsStatusBar* status = nullptr;
    VhToolbar* toolbar = nullptr;
    std::unique_ptr<Recorder> recorder;
};

TEST_F(FrameTest, EveryGameButtonStartsGrey) {
    ASSERT_EQ(toolbar->GetButtons().size(), static_cast<std::size_t>(VhToolbar::kButtonCount));
    for (Button* b : toolbar->GetButtons()) EXPECT_FALSE(b->IsEnabled()) << b->GetCommand().Number();
    // Only the backward movement and missile fire buttons toggle.
    std::vector<int> toggles;
    for (Button* b : toolbar->GetButtons())
        if (b->IsToggle()) toggles.push_back(b->GetCommand().Number());
    EXPECT_EQ(toggles, (std::vector<int>{246, 219}));
}

TEST_F(FrameTest, AButtonBecomesTheGamesNamedMessage) {
    Record({"GameClose", "LeaderFinishLeader", "UnitUndo", "MapReverseView"});
    struct Case {
        int command;
        const char* name;
    };
    const Case cases[] = {{211, "GameClose"}, {224, "LeaderFinishLeader"}, {255, "UnitUndo"}, {223, "MapReverseView"}};
    for (const Case& c : cases) {
        Menu(ENABLE_MENU_ITEM, c.command);
        ASSERT_NE(ButtonOf(c.command), nullptr);
        ButtonOf(c.command)->Fire();
        Drain();
    }
    std::vector<std::string> expected;
    for (const Case& c : cases) expected.push_back(c.name);
    EXPECT_EQ(recorder->heard, expected);
}

TEST_F(FrameTest, TheOverviewToggleStepsWhenItsCommandComesBack) {
    auto* overview = dynamic_cast<MultiStateButton*>(ButtonOf(250));
    ASSERT_NE(overview, nullptr);
    Menu(ENABLE_MENU_ITEM, 250);
    overview->Fire();
    Drain();
    EXPECT_EQ(overview->GetCurrentState(), 1);
    EXPECT_EQ(overview->GetCommand().Number(), 251);
}

TEST_F(FrameTest, MovementGreysOnlyWhatIsNotBlocked) {
    struct Case {
        const char* what;
        bool unblockSave;
        bool unblockLeader;
        bool undoEntries;
    };
    const Case cases[] = {{"both blocked", false, false, false},
                          {"save open", true, false, false},
                          {"leader open", false, true, true},
                          {"both open", true, true, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        delete app->SendNamedEvent("BlockSaveMenu");
        delete app->SendNamedEvent("BlockLeaderMenu");
        VhUnit::ClearUndo();
        if (c.undoEntries) VhUnit::UndoList().AddTail(UndoStruct());
        if (c.unblockSave) delete app->SendNamedEvent("UnblockSaveMenu");
        if (c.unblockLeader) delete app->SendNamedEvent("UnblockLeaderMenu");
        Menu(ENABLE_MENU_ITEM, 223);
        Menu(DISABLE_MENU_ITEM, 255);
        Drain();
        EXPECT_EQ(Enabled(224), c.unblockLeader);
        EXPECT_FALSE(Enabled(212)) << "unblocking the leader opens Finish Leader only";

        delete app->SendNamedEvent("Movement");
        Drain();
        EXPECT_FALSE(Enabled(224));
        EXPECT_FALSE(Enabled(223));
        EXPECT_EQ(VhUnit::undoMenuSuppressed, 1);

        delete app->SendNamedEvent("NoMovement");
        Drain();
        EXPECT_EQ(Enabled(224), c.unblockLeader) << "a blocked command stays grey";
        EXPECT_TRUE(Enabled(223));
        EXPECT_EQ(Enabled(255), c.undoEntries) << "Undo comes back only with something to undo";
        EXPECT_EQ(VhUnit::undoMenuSuppressed, 0);
        EXPECT_EQ(toolbar->IsSaveBlocked(), c.unblockSave ? 0 : 1);
    }
    VhUnit::ClearUndo();
}

TEST_F(FrameTest, ClosingTheFrameAsksAndCancelKeepsTheGameRunning) {
    Record({"ExitGame"});
    std::string question;
    platform::QueueDialogScript([&](HWND dialog) {
        if (auto* d = reinterpret_cast<Dialog*>(GetWindowLongPtrA(dialog, Dialog::kPointerOffset)))
            question = d->GetItemText(kFirstLine);
        else
            question = "<no dialog>";
        platform::ClickDlgItem(dialog, 2);
    });
    // The pump leaves a close of the frame for the main loop: hand it to the frame here.
    SendMessageA(frame->GetHandle(), WM_CLOSE, 0, 0);
    Drain();
    EXPECT_EQ(question, "This will exit the program.");
    EXPECT_TRUE(recorder->heard.empty());
    EXPECT_TRUE(IsWindow(frame->GetHandle()));
    EXPECT_EQ(app->IsExitRequested(), 0);

    VhApp::SetMainMenu([&](VhApp&) {
        platform::QueueDialogScript([](HWND dialog) { platform::ClickDlgItem(dialog, 1); });
        PostMessage(frame->GetHandle(), WM_CLOSE, 0, 0);
    });
    app->Run();  // ends when the frame closes
    EXPECT_EQ(recorder->heard, std::vector<std::string>{"ExitGame"});
    EXPECT_EQ(app->IsExitRequested(), 1);
}

TEST_F(FrameTest, CaptionAndCloseGameComeFromTheBus) {
    for (const char* text : {"Bull Run, 10:00", ""}) {
        Container<std::string> caption{std::string(text)};
        delete app->SendNamed("ChangeMainCaption", &caption);
        EXPECT_STREQ(frame->GetTitle() ? frame->GetTitle() : "", text);
    }
    status->SetText("Turn 3", 1);
    Container<SetTextData> pane(SetTextData(1, "Hex 1203", 1));
    delete app->SendNamed("SetItemText", &pane);
    delete app->SendNamedEvent("CloseGame");
    for (const auto& p : status->GetPanes()) EXPECT_EQ(p.Line(1), "");
}

TEST_F(FrameTest, RestoreMenuGreysTheMapItemsAndResetsTheHexGrid) {
    auto* grid = dynamic_cast<MultiStateButton*>(ButtonOf(257));
    ASSERT_NE(grid, nullptr);
    for (int id : {257, 250, 251, 216, 217, 218, 223}) Menu(ENABLE_MENU_ITEM, id);
    grid->Fire();
    Drain();
    ASSERT_EQ(grid->GetCurrentState(), 1);
    frame->RestoreMenu();
    Drain();
    EXPECT_EQ(grid->GetCurrentState(), 0) << "the toggle shows \"Hex grid on\" again";
    for (int id : {250, 216, 217, 218, 223, 257}) EXPECT_FALSE(Enabled(id)) << id;
}

TEST_F(FrameTest, ThePaletteMessagesReachTheAnimator) {
    PaletteAnimator* animator = app->GetPaletteAnimator();
    delete app->SendNamedEvent("StartPaletteAnimation");
    delete app->SendNamedEvent("ResumePaletteAnimation");
    ASSERT_TRUE(animator->IsRunning());
    ASSERT_FALSE(animator->IsSuspended());
    Record({"SuspendPaletteAnimation", "ResumePaletteAnimation"});
    SendMessageA(frame->GetHandle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(frame->GetClient()), 0);
    Drain();
    EXPECT_TRUE(recorder->heard.empty()) << "the frame's own client changed it";
    SendMessageA(frame->GetHandle(), WM_PALETTECHANGED, 0, 0);
    Drain();
    EXPECT_TRUE(animator->IsSuspended()) << "another window took the palette";
    SendMessageA(frame->GetHandle(), WM_QUERYNEWPALETTE, 0, 0);
    Drain();
    EXPECT_FALSE(animator->IsSuspended());
    EXPECT_EQ(recorder->heard, (std::vector<std::string>{"SuspendPaletteAnimation", "ResumePaletteAnimation"}));
}

} // namespace

namespace {

using namespace apptest;

TEST_F(FrameTest, ACaptionOfTheWrongTypeIsReportedAndChangesNothing) {
    frame->SetTitle("Varnhold");
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    Container<short> wrong(3);
    delete app->SendNamed("ChangeMainCaption", &wrong);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_NE(platform::ShownMessageBox(0).text.find("Bad data passed in bus message to function"), std::string::npos);
    EXPECT_NE(platform::ShownMessageBox(0).caption.find("VHMAIN"), std::string::npos);
    EXPECT_STREQ(frame->GetTitle(), "Varnhold");
}

} // namespace
