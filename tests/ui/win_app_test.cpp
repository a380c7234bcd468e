// WinApp: the registry, the art index, the main loop and the nested pump, the one timer.
#include "core/assertion.h"
#include "core/events.h"
#include "platform/common_dialog.h"
#include "platform/cursor.h"
#include "ui/logical_palette.h"
#include "platform/timer.h"
#include "tests/ui/ui_fixture.h"
#include "ui/qif.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

// --- construction ---

TEST_F(WinAppTest, RegistryGivesTheDataDirectoryAndThePalette) {
    MakeApp();
    EXPECT_EQ(app->GetDataDirectory(1), data.Data());
    EXPECT_EQ(app->GetPaletteName(), "test.pal");
    EXPECT_EQ(app->GetPublisherKey(), "Tolvane");
    EXPECT_EQ(app->GetMapFileName(), "qiffile.map");
    ASSERT_NE(app->GetPalette(), nullptr);
    // The palette came from the file: stored tables, no box about a missing file.
    EXPECT_EQ(app->GetPalette()->GetShadowTable()[50], TableOf(1, 50));
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
    // The wait cursor is the system one.
    EXPECT_EQ(platform::CursorId(LoadCursorA(nullptr, IDC_WAIT)), 32514u);
}

TEST_F(WinAppTest, LongRegistryValuesAreReadWholeAndMissingOnesGiveEmptyNames) {
    // A data directory deep in a file system: once cut to 128 bytes it read as no directory at
    // all, and the program stopped at start on "the palette file is damaged".
    const std::string deep = "/" + std::string(300, 'x') + "/data";
    DataDirectory::SetValue("Elsewhere", "Long", "Path", deep);
    app = std::make_unique<WinApp>("Long", "Elsewhere", "own.map");
    EXPECT_EQ(app->GetDataDirectory(1), deep);
    EXPECT_EQ(app->GetPaletteName(), "");
    EXPECT_EQ(app->GetMapFileName(), "own.map");
    // Without a palette file the palette still exists (a grey ramp) and says so once.
    ASSERT_NE(app->GetPalette(), nullptr);
    EXPECT_NE(app->GetPalette()->GetShadowTable(), nullptr);
}

// --- the art index ---

struct IndexCase {
    const char* what;
    std::vector<datagen::ArtIndexEntry> entries;
    const char* library;
    const char* expectedSection;  // null: not found
};

class ArtIndex : public WinAppTest, public ::testing::WithParamInterface<IndexCase> {};

TEST_P(ArtIndex, FindsTheFirstRecordOfTheExactName) {
    const IndexCase& c = GetParam();
    datagen::LibrarySpec first{"", {{"First", {Solid("a", 2, 2, 20)}}}};
    datagen::LibrarySpec second{"", {{"Second", {Solid("b", 2, 2, 30)}}}};
    data.WriteLibrary("FIRST.QIF", first);
    data.WriteLibrary("SECOND.QIF", second);
    data.WriteIndex(c.entries);
    MakeApp();
    platform::QueueMessageBoxAnswer(IDNO);  // a report, when there is one, goes on
    QIF<Bitmap> lib(c.library);
    if (c.expectedSection) {
        ASSERT_EQ(lib.SectionCount(), 1) << c.what;
        EXPECT_STREQ(lib.SectionName(0), c.expectedSection) << c.what;
        EXPECT_EQ(platform::ShownMessageBoxCount(), 0u) << c.what;
    } else {
        EXPECT_EQ(lib.SectionCount(), 0) << c.what;
        ASSERT_EQ(platform::ShownMessageBoxCount(), 1u) << c.what;
        EXPECT_EQ(platform::ShownMessageBox(0).text, std::string(c.library) + " does not exist in the map file.  Abort?");
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArtIndex,
    ::testing::Values(IndexCase{"found", {{"first.qif", "Blocks"}}, "Blocks", "First"},
                      IndexCase{"first record wins", {{"first.qif", "Blocks"}, {"second.qif", "Blocks"}}, "Blocks", "First"},
                      IndexCase{"later record", {{"first.qif", "Other"}, {"second.qif", "Blocks"}}, "Blocks", "Second"},
                      IndexCase{"names are case-sensitive", {{"first.qif", "blocks"}}, "Blocks", nullptr},
                      IndexCase{"empty index", {}, "Blocks", nullptr}));

TEST_F(WinAppTest, AMissingIndexOrDataFileIsReportedAndNothingIsRead) {
    MakeApp();
    platform::QueueMessageBoxAnswer(IDNO);
    {
        QIF<Bitmap> lib("Blocks");
        EXPECT_EQ(lib.SectionCount(), 0);
    }
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Can't find " + data.Data() + "/qiffile.map  Abort?");
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Failure in WINAPP at line 343.");
    // A "Yes" stops the program's work by throwing.
    data.WriteIndex({{"nofile.qif", "Blocks"}});
    platform::QueueMessageBoxAnswer(IDYES);
    EXPECT_THROW(QIF<Bitmap>("Blocks"), Assertion);
    EXPECT_EQ(platform::ShownMessageBox(1).caption, "Failure in WINAPP at line 394.");
}

TEST_F(WinAppTest, AnIndexWhoseCountPromisesMoreRecordsIsRefused) {
    datagen::ByteWriter w;
    w.I16(3);  // three records promised, one present
    w.Text("first.qif", 13);
    w.Text("Blocks", 128);
    data.WriteBytes("qiffile.map", w.Data());
    data.WriteLibrary("FIRST.QIF", datagen::LibrarySpec{"", {{"First", {Solid("a", 2, 2, 20)}}}});
    MakeApp();
    QIF<Bitmap> lib("Blocks");
    EXPECT_EQ(lib.SectionCount(), 0);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Damaged art");
}

// --- the main loop and the nested pump ---

struct Recorder {
    static inline std::vector<UINT> seen;
    static inline WinApp* quitOn = nullptr;
    static LRESULT Proc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        if (message >= WM_USER) seen.push_back(message);
        if (message == WM_USER + 1 && quitOn) quitOn->Quit();
        if (message == WM_CLOSE) {
            seen.push_back(WM_CLOSE);
            return 0;
        }
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
};

class MessageLoop : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        MakeApp();
        Recorder::seen.clear();
        Recorder::quitOn = app.get();
        WNDCLASSA wc{};
        wc.lpfnWndProc = &Recorder::Proc;
        wc.lpszClassName = "Recorder";
        RegisterClassA(&wc);
        frame = CreateWindowExA(0, "Recorder", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        other = CreateWindowExA(0, "Recorder", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr, nullptr, nullptr);
        MainWindowHandle = frame;
    }
    void TearDown() override {
        MainWindowHandle = nullptr;
        WinAppTest::TearDown();
    }
    HWND frame = nullptr;
    HWND other = nullptr;
};

TEST_F(MessageLoop, AQuitFromAHandlerLeavesTheNextMessageQueued) {
    PostMessage(frame, WM_USER, 0, 0);
    PostMessage(frame, WM_USER + 1, 0, 0);  // its handler quits
    PostMessage(frame, WM_USER + 2, 0, 0);
    app->Run();
    EXPECT_EQ(Recorder::seen, (std::vector<UINT>{WM_USER, WM_USER + 1}));
    // The message behind the quit is still there for whoever pumps next.
    MSG m;
    ASSERT_TRUE(PeekMessage(&m, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(m.message, static_cast<UINT>(WM_USER + 2));
}

TEST_F(MessageLoop, WmQuitEndsTheLoopAndTheHoverTimerStays) {
    PostMessage(frame, WM_USER, 0, 0);
    PostQuitMessage(0);
    app->Run();
    EXPECT_EQ(Recorder::seen, (std::vector<UINT>{WM_USER}));
    EXPECT_EQ(app->TimerSlotsInUse(), 1);
    EXPECT_EQ(app->GetTimerTick(), 500);
}

class FailingApp : public WinApp {
public:
    using WinApp::WinApp;
    int asked = 0;

protected:
    BOOL NextMessage(MSG* msg) override {
        ++asked;
        return asked > 1000 ? WinApp::NextMessage(msg) : -1;
    }
};

TEST_F(MessageLoop, AFailingQueueEndsTheLoopInsteadOfSpinning) {
    app.reset();
    auto failing = std::make_unique<FailingApp>("Varnhold Demo");
    failing->Run();
    EXPECT_EQ(failing->asked, 1);
}

struct PumpCase {
    const char* what;
    bool toFrame;
    UINT message;
    WPARAM wParam;
    std::int16_t answer;  // what PumpMessage says
    bool requeued;        // still waiting afterwards
};

class NestedPump : public MessageLoop, public ::testing::WithParamInterface<PumpCase> {};

TEST_P(NestedPump, CloseAndQuitRequestsSurviveForTheOuterLoop) {
    const PumpCase& c = GetParam();
    if (c.message == WM_QUIT)
        PostQuitMessage(3);
    else
        PostMessage(c.toFrame ? frame : other, c.message, c.wParam, 0);
    EXPECT_EQ(app->PumpMessage(), c.answer) << c.what;
    MSG m;
    const bool waiting = PeekMessage(&m, nullptr, 0, 0, PM_REMOVE) && m.message == c.message;
    EXPECT_EQ(waiting, c.requeued) << c.what;
    if (c.message == WM_QUIT && waiting) {
        EXPECT_EQ(m.wParam, 3u);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, NestedPump,
    ::testing::Values(PumpCase{"quit", true, WM_QUIT, 0, 0, true},
                      PumpCase{"close of the frame", true, WM_CLOSE, 0, 0, true},
                      PumpCase{"close command of the frame", true, WM_SYSCOMMAND, SC_CLOSE, 0, true},
                      PumpCase{"close command with hit-test bits", true, WM_SYSCOMMAND, SC_CLOSE | 2, 1, false},
                      PumpCase{"close of another window", false, WM_CLOSE, 0, 1, false},
                      PumpCase{"ordinary message", true, WM_USER, 0, 1, false}));

TEST_F(MessageLoop, AModalLoopUnwindsOnCloseAndTheFrameGetsItFromTheMainLoop) {
    // A modal dialog's loop: pump, then one task, until the pump says stop.
    PostMessage(frame, WM_USER, 0, 0);
    PostMessage(frame, WM_CLOSE, 0, 0);
    int steps = 0;
    while (app->PumpMessage()) {
        app->ProcessOneTask();
        ASSERT_LT(++steps, 100);
    }
    EXPECT_EQ(Recorder::seen, (std::vector<UINT>{WM_USER}));
    PostQuitMessage(0);
    app->Run();
    EXPECT_EQ(Recorder::seen, (std::vector<UINT>{WM_USER, WM_CLOSE}));
}

TEST_F(MessageLoop, AcceleratorsAndModelessDialogsTakeMessagesFirst) {
    platform::RegisterAcceleratorResource("Main", {{FVIRTKEY | FCONTROL, 'M', 219}});
    app.reset();
    MakeApp();
    Recorder::quitOn = app.get();
    ASSERT_NE(app->GetAccelerators(), nullptr);
    std::vector<std::pair<HWND, WPARAM>> commands;
    static std::vector<std::pair<HWND, WPARAM>>* sink;
    sink = &commands;
    const auto commandSink = reinterpret_cast<LONG_PTR>(+[](HWND h, UINT m, WPARAM w, LPARAM l) -> LRESULT {
        if (m == WM_COMMAND) sink->emplace_back(h, w);
        if (m == WM_KEYDOWN) sink->emplace_back(h, 0xFFFF);
        return DefWindowProcA(h, m, w, l);
    });
    SetWindowLongPtrA(frame, GWLP_WNDPROC, commandSink);
    HWND dialog = other;
    SetWindowLongPtrA(dialog, GWLP_WNDPROC, commandSink);
    app->ModelessDialogs().AddTail(dialog);
    platform::InjectKey(VK_CONTROL, true);
    MSG key{frame, WM_KEYDOWN, 'M', 0, 0, {0, 0}};
    PostMessage(key.hwnd, key.message, key.wParam, key.lParam);
    EXPECT_EQ(app->PumpMessage(), 1);
    platform::InjectKey(VK_CONTROL, false);
    ASSERT_EQ(commands.size(), 1u);
    EXPECT_EQ(LOWORD(commands[0].second), 219);
    // Escape in the modeless dialog becomes its cancel command, not a key for anyone.
    PostMessage(dialog, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(app->PumpMessage(), 1);
    ASSERT_EQ(commands.size(), 2u);
    EXPECT_EQ(commands[1], std::make_pair(dialog, static_cast<WPARAM>(IDCANCEL)));
    // Other messages for the dialog are dispatched by it; the frame's keys pass untouched.
    PostMessage(dialog, WM_KEYDOWN, 'A', 0);
    PostMessage(frame, WM_KEYDOWN, 'B', 0);
    EXPECT_EQ(app->PumpMessage(), 1);
    EXPECT_EQ(app->PumpMessage(), 1);
    ASSERT_EQ(commands.size(), 4u);
    EXPECT_EQ(commands[2], std::make_pair(dialog, static_cast<WPARAM>(0xFFFF)));
    EXPECT_EQ(commands[3], std::make_pair(frame, static_cast<WPARAM>(0xFFFF)));
}

// --- timers ---

class Ticker : public Component {
public:
    Ticker() : Component("Ticker") {}
    int ticks = 0;
    static ContainerBase* OnTick(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = static_cast<Ticker*>(c);
        ++self->ticks;
        EXPECT_EQ(e.Number(), TIMER_CLICK);
        EXPECT_NE(PayloadValue<long>(p), nullptr);
        return nullptr;
    }
};

TEST_F(WinAppTest, TimersFireAtTheirRatesOnTheVirtualClock) {
    MakeApp();
    Ticker fast, slow;
    fast.AttachToBus(app.get());
    slow.AttachToBus(app.get());
    slow.AddTimer(&Ticker::OnTick, 2);   // every 500 ms
    fast.AddTimer(&Ticker::OnTick, 10);  // every 100 ms: the one timer follows the smallest
    EXPECT_EQ(app->GetTimerTick(), 100);
    EXPECT_NE(app->GetTimerId(), 0u);
    MSG m;
    while (GetTickCount() < 2000) {
        ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
        DispatchMessage(&m);
    }
    EXPECT_EQ(fast.ticks, 20);
    EXPECT_EQ(slow.ticks, 4);
    fast.RemoveTimer(&Ticker::OnTick);
    EXPECT_EQ(app->GetTimerTick(), 500);
    slow.RemoveTimer(&Ticker::OnTick);
    EXPECT_EQ(app->GetTimerId(), 0u);
}

class PumpingTicker : public Ticker {
public:
    WinApp* app = nullptr;
    static ContainerBase* OnTick(Component* c, BusMessage, ContainerBase*) {
        auto* self = static_cast<PumpingTicker*>(c);
        ++self->ticks;
        // A nested pump inside a timer handler, long enough for the next tick to come due.
        platform::AdvanceClock(150);
        self->app->PumpMessage();
        return nullptr;
    }
};

TEST_F(WinAppTest, ATickArrivingWhileATickRunsIsDropped) {
    MakeApp();
    PumpingTicker t;
    t.app = app.get();
    t.AttachToBus(app.get());
    t.AddTimer(&PumpingTicker::OnTick, 10);
    const int droppedBefore = WinApp::DroppedTicks();
    MSG m;
    ASSERT_TRUE(GetMessage(&m, nullptr, 0, 0));
    DispatchMessage(&m);
    EXPECT_EQ(t.ticks, 1);
    EXPECT_EQ(WinApp::DroppedTicks(), droppedBefore + 1);
}

// --- small services ---

TEST_F(WinAppTest, FileDialogFilterStringsAndMessageBoxes) {
    MakeApp();
    char path[256] = "unchanged";
    platform::QueueOpenFileName("/tmp/saved.sav");
    EXPECT_EQ(app->AskFileName(path, "Saved games", "*.sav"), 1);
    EXPECT_STREQ(path, "/tmp/saved.sav");
    EXPECT_EQ(platform::LastOpenFileFilter(), "Saved games|*.sav|");
    EXPECT_EQ(app->AskFileName(path, "Saved games", "*.sav"), 0);  // cancelled
    platform::QueueMessageBoxAnswer(IDNO);
    EXPECT_EQ(app->ShowMessageBox("Caption", "Text", MB_YESNO), IDNO);
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Caption");
    EXPECT_EQ(app->GetResourceString(115), "MR:");
    EXPECT_EQ(WinApp::GetDIBOrientation(), -1);
    platform::SetRecommendedOrientation(1);
    EXPECT_EQ(app->DIBOrientation(), 1);
}

} // namespace
