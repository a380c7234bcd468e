// Windows with back buffers, the MDI frame and its children: sizes, painting, palette messages,
// commands to bus events, context menus, the cursor, the close sequence, the client's layout
// between the bars.
#include "core/events.h"
#include "core/message_registry.h"
#include "platform/cursor.h"
#include "platform/mdi.h"
#include "tests/ui/ui_fixture.h"
#include "ui/tile.h"
#include "ui/windows/mdi_windows.h"
#include "ui/windows/windows_menu.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

// Records bus events it is registered for, with the short they carry.
class Listener : public Component {
public:
    Listener() : Component("Listener") {}
    std::vector<std::pair<int, int>> heard;
    void Listen(int event) { RegisterHandler(event, &OnEvent); }
    static ContainerBase* OnEvent(Component* c, BusMessage e, ContainerBase* p) {
        const short* v = PayloadValue<short>(p);
        static_cast<Listener*>(c)->heard.emplace_back(e.Number(), v ? *v : -1);
        return nullptr;
    }
};

// A plain window of the family, counting its back buffers and blits.
class Counted : public WindowsWindow {
public:
    Counted(const Point& at, const Dim& size, const char* menu = nullptr)
        : Window(at, size, "Counted"), WindowsWindow(at, size, "Counted", menu, nullptr) {}
    void CreateBackBuffer(const Dim& size) override {
        ++buffers;
        WindowsWindow::CreateBackBuffer(size);
    }
    void Blit(HWND target) override {
        ++blits;
        WindowsWindow::Blit(target);
    }
    int buffers = 0;
    int blits = 0;
};

class Windows : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        MakeApp();
        listener.AttachToBus(app.get());
    }
    void TearDown() override {
        listener.DetachFromBus();
        WinAppTest::TearDown();
    }
    Listener listener;
};

TEST_F(Windows, CreationSizesTheBackBufferToTheClientArea) {
    Counted w(Point(20, 30), Dim(200, 100));
    EXPECT_EQ(w.GetHandle(), nullptr);
    ASSERT_EQ(w.Create(Dim(200, 100), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
    RECT client;
    GetClientRect(w.GetHandle(), &client);
    EXPECT_EQ(w.GetSize(), Dim(client.right, client.bottom));
    EXPECT_EQ(w.GetSize(), Dim(200, 100));  // the window rectangle was grown around the client
    EXPECT_EQ(w.GetFrameWidth(), 2 * platform::kFrameWidth);
    EXPECT_EQ(WindowsWindow::FromHandle(w.GetHandle()), &w);
    // An empty size still makes a back buffer.
    Counted empty(Point(0, 0), Dim(0, 0));
    EXPECT_NE(empty.GetPixels(), nullptr);
    EXPECT_EQ(empty.GetSize(), Dim());
}

TEST_F(Windows, PositionChangesFollowTheSizeRules) {
    Counted w(Point(0, 0), Dim(100, 80));
    ASSERT_EQ(w.Create(Dim(100, 80), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
    const int before = w.buffers;
    // A move without a size change keeps the back buffer and stores the position.
    SetWindowPos(w.GetHandle(), nullptr, 40, 50, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(w.buffers, before);
    EXPECT_EQ(w.GetPosition(), Point(40, 50));
    RECT r;
    GetWindowRect(w.GetHandle(), &r);
    SetWindowPos(w.GetHandle(), nullptr, 0, 0, r.right - r.left, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(w.buffers, before);  // the same client size
    SetWindowPos(w.GetHandle(), nullptr, 0, 0, r.right - r.left + 30, r.bottom - r.top, SWP_NOMOVE | SWP_NOZORDER);
    EXPECT_EQ(w.buffers, before + 1);
    EXPECT_EQ(w.GetSize(), Dim(130, 80));
    // Minimising shrinks the window to an icon and keeps the back buffer.
    w.Minimize();
    EXPECT_TRUE(IsIconic(w.GetHandle()));
    GetWindowRect(w.GetHandle(), &r);
    EXPECT_EQ(r.right - r.left, 32);
    EXPECT_EQ(w.GetSize(), Dim(130, 80));
    EXPECT_EQ(w.buffers, before + 1);
}

TEST_F(Windows, PaletteMessagesRepaintUnlessTheWindowCausedThem) {
    Counted w(Point(0, 0), Dim(50, 50));
    ASSERT_EQ(w.Create(Dim(50, 50), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
    Drain();
    const int before = w.blits;
    SendMessageA(w.GetHandle(), WM_PALETTECHANGED, reinterpret_cast<WPARAM>(w.GetHandle()), 0);
    EXPECT_EQ(w.blits, before);
    SendMessageA(w.GetHandle(), WM_PALETTECHANGED, 0, 0);
    EXPECT_EQ(w.blits, before + 1);
    SendMessageA(w.GetHandle(), WM_QUERYNEWPALETTE, 0, 0);
    EXPECT_EQ(w.blits, before + 2);
    EXPECT_TRUE(w.DirtyRects().IsEmpty());
}

TEST_F(Windows, CommandsBecomeBusEventsAndMiceBecomeDisplayEvents) {
    Counted w(Point(0, 0), Dim(50, 50));
    w.AttachToBus(app.get());
    ASSERT_EQ(w.Create(Dim(50, 50), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
    listener.Listen(500);
    EXPECT_EQ(SendMessageA(w.GetHandle(), WM_COMMAND, MAKEWPARAM(500, 7), 0), 1);
    EXPECT_EQ(listener.heard, (std::vector<std::pair<int, int>>{{500, 7}}));
    // The class asks for no double clicks: two quick clicks are down, up, down, up.
    struct Clicks : Tile {
        Clicks() : Tile(Box(0, 0, 50, 50), "Clicks") {}
        void Attached() override {
            for (int k = 0; k < kMouseKinds; ++k) EnableMouseEvent(k);
        }
        void OnLButtonDown(const Point&) override { kinds.push_back(1); }
        void OnLButtonUp(const Point&) override { kinds.push_back(2); }
        void OnLButtonDblClk(const Point&) override { kinds.push_back(3); }
        std::vector<int> kinds;
    } clicks;
    clicks.Attach(&w, LayoutConstraints::Pixels(Box(0, 0, 50, 50)));
    POINT at{10, 10};
    ClientToScreen(w.GetHandle(), &at);
    for (int i = 0; i < 2; ++i) {
        platform::InjectMouseButton(platform::MouseButton::Left, true, at.x, at.y);
        platform::InjectMouseButton(platform::MouseButton::Left, false, at.x, at.y);
    }
    Drain();
    EXPECT_EQ(clicks.kinds, (std::vector<int>{1, 2, 1, 2}));
    // The cursor position in client coordinates.
    SetCursorPos(at.x + 3, at.y + 4);
    EXPECT_EQ(w.GetMousePosition(), Point(13, 14));
    EXPECT_EQ(clicks.GetMousePosition(), Point(13, 14));
    w.DetachFromBus();
}

TEST_F(Windows, TheCursorIsTheWindowsWhileIdleAndTheWaitCursorWhileBusy) {
    Counted w(Point(0, 0), Dim(50, 50));
    ASSERT_EQ(w.Create(Dim(50, 50), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
    w.SetCursor(IDC_CROSS);
    ::SetCursor(nullptr);
    EXPECT_EQ(SendMessageA(w.GetHandle(), WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(GetCursor(), w.GetCursor());
    app->BeginWait();
    EXPECT_EQ(platform::CursorId(GetCursor()), 32514u);
    EXPECT_EQ(SendMessageA(w.GetHandle(), WM_SETCURSOR, 0, MAKELPARAM(HTCLIENT, WM_MOUSEMOVE)), 1);
    EXPECT_EQ(platform::CursorId(GetCursor()), 32514u);
    app->EndWait();
}

TEST_F(Windows, TheRightButtonShowsTheContextMenuOfTheDisplayUnderIt) {
    platform::RegisterMenuResource("Popups", R"(POPUP "&Map"
BEGIN
  MENUITEM "&Center On Unit", 222
END
)");
    Counted w(Point(0, 0), Dim(100, 50));
    ASSERT_EQ(w.Create(Dim(100, 50), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
    struct Plain : Tile {
        explicit Plain(const Box& b) : Tile(b, "Plain") {}
        void Attached() override {}
    } left(Box(0, 0, 50, 50)), right(Box(50, 0, 50, 50));
    left.Attach(&w, LayoutConstraints::Pixels(left.GetRect()));
    right.Attach(&w, LayoutConstraints::Pixels(right.GetRect()));
    // No menu anywhere: nothing is shown.
    SendMessageA(w.GetHandle(), WM_RBUTTONDOWN, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(platform::LastPopupMenu(), nullptr);
    auto* menu = new WindowsMenu("Popups", 0);
    right.SetMenu(menu);
    SendMessageA(w.GetHandle(), WM_RBUTTONDOWN, 0, MAKELPARAM(60, 20));
    EXPECT_EQ(platform::LastPopupMenu(), menu->GetHandle());
    POINT screen{60, 20};
    ClientToScreen(w.GetHandle(), &screen);
    EXPECT_EQ(platform::LastPopupPoint().x, screen.x);
    EXPECT_EQ(platform::LastPopupPoint().y, screen.y);
}

TEST_F(Windows, ADestroyedObjectLeavesItsWindowToTheDefaultProcedure) {
    auto* w = new Counted(Point(0, 0), Dim(50, 50));
    ASSERT_EQ(w->Create(Dim(50, 50), "GenericWindow", WS_OVERLAPPEDWINDOW | WS_VISIBLE, nullptr), 1);
    HWND h = w->GetHandle();
    delete w;
    EXPECT_EQ(WindowsWindow::FromHandle(h), nullptr);
    EXPECT_EQ(SendMessageA(h, WM_COMMAND, 1, 0), 0);
    DestroyWindow(h);
}

// --- the MDI frame ---

class Bar : public Toolbar, public StatusBar {
public:
    Bar(HWND frame, std::int16_t height) : Toolbar(nullptr), StatusBar(1), height_(height) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = &DefWindowProcA;
        wc.lpszClassName = "TestBar";
        RegisterClassA(&wc);
        window_ = CreateWindowExA(0, "TestBar", "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, frame, nullptr, nullptr, nullptr);
    }
    void NotifyCommand(BusMessage command) override { notified.push_back(command.Number()); }
    void SetText(const char* text, std::int16_t pane) override { texts.emplace_back(pane, text); }
    std::int16_t EnableToolTip(std::int16_t) override { return 0; }
    void Refresh() override {}
    HWND GetBarWindow() const override { return window_; }
    std::int16_t GetBarHeight() const override { return height_; }
    std::vector<int> notified;
    std::vector<std::pair<int, std::string>> texts;

private:
    HWND window_;
    std::int16_t height_;
};

class Refusing : public WindowsChildWindow {
public:
    Refusing(const Point& at, const Dim& size, const char* menu = nullptr)
        : Window(at, size, "Doc"), WindowsChildWindow(at, size, "Doc", menu, nullptr) {}
    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_QUERYENDSESSION) return agree ? 1 : 0;
        return WindowsChildWindow::WindowProc(message, wParam, lParam);
    }
    bool agree = true;
};

class Mdi : public Windows {
protected:
    void SetUp() override {
        Windows::SetUp();
        platform::RegisterMenuResource("AppMenu", R"(POPUP "&Game"
BEGIN
  MENUITEM "E&xit", 101
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
        platform::RegisterMenuResource("DocMenu", R"(POPUP "&Map"
BEGIN
  MENUITEM "&Zoom", 300
END
POPUP "&Window"
BEGIN
  MENUITEM "&Tile", 107
END
POPUP "&Help"
BEGIN
  MENUITEM "&About", 250
END
)");
        frame = new WindowsMainWindow(Point(50, 50), Dim(700, 500), "Varnhold", "AppMenu", nullptr, nullptr);
        app->SetMainDisplay(frame);
        frame->AttachToBus(app.get());
        Drain();
    }
    void TearDown() override {
        for (auto* c : children) delete c;
        frame->DetachFromBus();
        delete frame;
        Windows::TearDown();
    }
    Refusing* Child(const Point& at, const char* menu = nullptr) {
        auto* c = new Refusing(at, Dim(100, 80), menu);
        c->AttachToBus(app.get());
        c->Create();
        children.push_back(c);
        return c;
    }
    WindowsMainWindow* frame = nullptr;
    std::vector<Refusing*> children;
};

TEST_F(Mdi, TheClientLiesBetweenTheBarsAndTheFramesDisplayIsItsArea) {
    EXPECT_TRUE(IsWindowVisible(frame->GetHandle()));
    EXPECT_EQ(MainWindowHandle, frame->GetHandle());
    RECT c;
    GetClientRect(frame->GetHandle(), &c);
    EXPECT_EQ(frame->GetSize(), Dim(c.right, c.bottom));
    Bar tools(frame->GetHandle(), 30), status(frame->GetHandle(), 20);
    frame->SetToolbar(&tools);
    frame->SetStatusBar(&status);
    MoveWindow(frame->GetHandle(), 50, 50, 700 + 2 * platform::kFrameWidth,
               500 + 2 * platform::kFrameWidth + platform::kCaptionHeight + platform::kMenuBarHeight, TRUE);
    RECT frameClient;
    GetClientRect(frame->GetHandle(), &frameClient);
    ASSERT_EQ(frameClient.right, 700);
    ASSERT_EQ(frameClient.bottom, 500);
    RECT r;
    GetWindowRect(frame->GetClient(), &r);
    POINT origin{0, 0};
    ClientToScreen(frame->GetHandle(), &origin);
    EXPECT_EQ(r.top - origin.y, 30);
    EXPECT_EQ(r.bottom - origin.y, 480);
    EXPECT_EQ(frame->GetSize(), Dim(700, 450));
    GetWindowRect(status.GetBarWindow(), &r);
    EXPECT_EQ(r.top - origin.y, 480);
    // The same size again keeps the layout and the back buffer.
    const std::uint8_t* pixels = frame->GetPixels();
    SetWindowPos(frame->GetClient(), nullptr, 0, 0, 700, 500, SWP_NOZORDER);
    EXPECT_EQ(frame->GetPixels(), pixels);
    GetWindowRect(frame->GetClient(), &r);
    EXPECT_EQ(r.top - origin.y, 30);
    EXPECT_EQ(r.bottom - origin.y, 480);
    // The status texts go through the application to the main window's bar.
    app->ShowStatusText("Turn 3", 2);
    EXPECT_EQ(status.texts, (std::vector<std::pair<int, std::string>>{{2, "Turn 3"}}));
    frame->SetToolbar(nullptr);
    frame->SetStatusBar(nullptr);
}

TEST_F(Mdi, ChildrenArePlacedByTheSystemForMinusOne) {
    Refusing* a = Child(Point(-1, -1));
    Refusing* b = Child(Point(-1, 50));
    Refusing* c = Child(Point(30, 40));
    RECT r;
    GetWindowRect(c->GetHandle(), &r);
    POINT origin{0, 0};
    ClientToScreen(frame->GetClient(), &origin);
    EXPECT_EQ(r.left - origin.x, 30);
    EXPECT_EQ(r.top - origin.y, 40);
    GetWindowRect(b->GetHandle(), &r);
    EXPECT_EQ(r.top - origin.y, 50);
    EXPECT_TRUE(IsWindow(a->GetHandle()));
    EXPECT_EQ(frame->GetActiveChild(), c->GetHandle());
}

TEST_F(Mdi, AnActiveChildShowsItsMenuAndTheLastToGoRestoresTheFrames) {
    auto* frameMenu = dynamic_cast<WindowsMenu*>(frame->GetMenu());
    ASSERT_NE(frameMenu, nullptr);
    EXPECT_EQ(GetMenu(frame->GetHandle()), frameMenu->GetHandle());
    Refusing* doc = Child(Point(0, 0), "DocMenu");
    auto* docMenu = dynamic_cast<WindowsMenu*>(doc->GetMenu());
    ASSERT_NE(docMenu, nullptr);
    EXPECT_EQ(GetMenu(frame->GetHandle()), docMenu->GetHandle());
    SendMessageA(frame->GetClient(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(doc->GetHandle()), 0);
    EXPECT_EQ(GetMenu(frame->GetHandle()), frameMenu->GetHandle());
    // The end of the native child is posted as VIEWPORT_DESTROYED with the child object.
    struct Viewports : Component {
        Viewports() : Component("Viewports") {}
        ChildWindow* gone = nullptr;
        static ContainerBase* On(Component* c, BusMessage, ContainerBase* p) {
            if (auto* v = PayloadValue<ChildWindow*>(p)) static_cast<Viewports*>(c)->gone = *v;
            return nullptr;
        }
    } viewports;
    viewports.AttachToBus(app.get());
    viewports.RegisterHandler(VIEWPORT_DESTROYED, &Viewports::On);
    Drain();
    EXPECT_EQ(viewports.gone, static_cast<ChildWindow*>(doc));
}

TEST_F(Mdi, CommandsGoToTheActiveChildOrBecomeBusEvents) {
    Bar tools(frame->GetHandle(), 0);
    frame->SetToolbar(&tools);
    listener.Listen(102);
    listener.Listen(3000);
    SendMessageA(frame->GetHandle(), WM_COMMAND, MAKEWPARAM(102, 1), 0);
    EXPECT_EQ(listener.heard, (std::vector<std::pair<int, int>>{{102, 1}}));
    Refusing* doc = Child(Point(0, 0));
    listener.heard.clear();
    SendMessageA(frame->GetHandle(), WM_COMMAND, MAKEWPARAM(102, 1), 0);
    // The child posts it from its own component, with notification 0.
    EXPECT_EQ(listener.heard, (std::vector<std::pair<int, int>>{{102, 0}}));
    EXPECT_EQ(tools.notified, (std::vector<int>{102, 102}));
    // MDI child ids only activate children.
    Refusing* other = Child(Point(10, 10));
    EXPECT_EQ(frame->GetActiveChild(), other->GetHandle());
    listener.heard.clear();
    SendMessageA(frame->GetHandle(), WM_COMMAND, 3000, 0);
    EXPECT_EQ(frame->GetActiveChild(), doc->GetHandle());
    EXPECT_TRUE(listener.heard.empty());
    // The "Command" message reaches the frame's dispatch with the low 28 bits.
    listener.Listen(600);
    SendMessageA(frame->GetClient(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(doc->GetHandle()), 0);
    SendMessageA(frame->GetClient(), WM_MDIDESTROY, reinterpret_cast<WPARAM>(other->GetHandle()), 0);
    Container<BusMessage> command(BusMessage::FromWord(0x10000000u | 600));
    delete frame->SendNamed("Command", &command);
    EXPECT_EQ(listener.heard, (std::vector<std::pair<int, int>>{{600, 0}}));
    // A "Command" without a payload is reported and runs no command (not command 0); a
    // number is a command.
    listener.Listen(0);
    listener.heard.clear();
    platform::QueueMessageBoxAnswer(IDNO);
    delete frame->SendNamedEvent("Command");
    EXPECT_EQ(platform::ShownMessageBox(0).text, "Bad data passed in bus message to function  Abort?");
    EXPECT_TRUE(listener.heard.empty());
    Container<short> number(600);
    delete frame->SendNamed("Command", &number);
    EXPECT_EQ(listener.heard, (std::vector<std::pair<int, int>>{{600, 0}}));
    frame->SetToolbar(nullptr);
}

TEST_F(Mdi, ClosingTheFrameAsksEveryoneAndEndsTheLoopLast) {
    Refusing* doc = Child(Point(0, 0));
    doc->agree = false;
    PostMessage(frame->GetHandle(), WM_CLOSE, 0, 0);
    Drain();
    EXPECT_TRUE(IsWindow(doc->GetHandle()));
    MSG m;
    EXPECT_FALSE(PeekMessage(&m, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
    // A CAN_TERMINATE handler that refuses keeps everything open without asking the children.
    struct Keeper : Component {
        Keeper() : Component("Keeper") {}
        static ContainerBase* No(Component*, BusMessage, ContainerBase*) { return new Container<short>(0); }
    } keeper;
    keeper.AttachToBus(app.get());
    keeper.RegisterHandler(CAN_TERMINATE, &Keeper::No);
    doc->agree = true;
    PostMessage(frame->GetHandle(), WM_CLOSE, 0, 0);
    Drain();
    EXPECT_TRUE(IsWindow(doc->GetHandle()));
    keeper.DetachFromBus();
    // Everyone agrees: the children close, WM_DESTROY is posted and the loop ends on the quit.
    PostMessage(frame->GetHandle(), WM_CLOSE, 0, 0);
    app->Run();
    EXPECT_FALSE(IsWindow(doc->GetHandle()));
    EXPECT_TRUE(IsWindow(frame->GetHandle()));  // the native frame is left to the program's end
}

TEST_F(Mdi, AChildThatMinimisesOnCloseStaysOpen) {
    Refusing* doc = Child(Point(0, 0));
    doc->SetMinimizeOnClose(1);
    SendMessageA(doc->GetHandle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_TRUE(IsWindow(doc->GetHandle()));
    EXPECT_TRUE(IsIconic(doc->GetHandle()));
    doc->SetMinimizeOnClose(0);
    SendMessageA(doc->GetHandle(), WM_SYSCOMMAND, SC_CLOSE, 0);
    EXPECT_FALSE(IsWindow(doc->GetHandle()));
}

TEST_F(Mdi, SuspendedUpdatesCopyNothingUntilResumed) {
    Refusing* doc = Child(Point(0, 0));
    Drain();
    doc->EnableUpdates(0);
    doc->Fill(200);
    doc->Update();
    POINT p{5, 5};
    ClientToScreen(doc->GetHandle(), &p);
    EXPECT_NE(platform::ScreenPixel(p.x, p.y), ShownColour(200));
    doc->EnableUpdates(1);
    EXPECT_EQ(platform::ScreenPixel(p.x, p.y), ShownColour(200));
}

TEST_F(Mdi, TheFramesDisplayGetsTheClientsMouseAndCapturesThroughIt) {
    struct Spot : Tile {
        Spot() : Tile(Box(0, 0, 700, 450), "Spot") {}
        void Attached() override { EnableMouseEvent(kLeftDown); }
        void OnLButtonDown(const Point& p) override { downs.push_back(p); }
        std::vector<Point> downs;
    } spot;
    spot.Attach(frame, LayoutConstraints::Pixels(Box(0, 0, 700, 450)));
    SendMessageA(frame->GetClient(), WM_LBUTTONDOWN, 0, MAKELPARAM(15, 25));
    EXPECT_EQ(spot.downs, (std::vector<Point>{Point(15, 25)}));
    spot.CaptureMouse();
    EXPECT_EQ(GetCapture(), frame->GetClient());
    spot.ReleaseMouse();
    EXPECT_EQ(GetCapture(), nullptr);
    spot.Detach();
}

TEST_F(Mdi, PlatformMiceReachTheTileUnderThemAndRestingHovers) {
    struct Spot : Tile {
        Spot() : Tile(Box(10, 10, 40, 40), "Spot") {}
        void Attached() override {
            for (int k = 0; k < kMouseKinds; ++k) EnableMouseEvent(k);
        }
        void OnMouseMove(const Point& p) override { seen.emplace_back(0, p); }
        void OnHover(const Point& p) override { seen.emplace_back(4, p); }
        void OnMouseEnter(const Point& p) override { seen.emplace_back(5, p); }
        std::vector<std::pair<int, Point>> seen;
    } spot;
    Refusing* doc = Child(Point(0, 0));
    Drain();
    spot.Attach(doc, LayoutConstraints::Pixels(spot.GetRect()));
    POINT at{20, 25};
    ClientToScreen(doc->GetHandle(), &at);
    platform::InjectMouseMove(at.x, at.y);
    // The loop runs with its hover timer until a timer of ours ends it 1.2 s later.
    struct Stopper : Component {
        Stopper() : Component("Stopper") {}
        static ContainerBase* Stop(Component*, BusMessage, ContainerBase*) {
            if (GetTickCount() >= 1200) GetApplication()->Quit();
            return nullptr;
        }
    } stopper;
    stopper.AttachToBus(app.get());
    stopper.AddTimer(&Stopper::Stop, 10);
    app->Run();
    stopper.RemoveTimer(&Stopper::Stop);
    ASSERT_GE(spot.seen.size(), 3u);
    EXPECT_EQ(spot.seen[0], std::make_pair(5, Point(10, 15)));
    EXPECT_EQ(spot.seen[1], std::make_pair(0, Point(10, 15)));
    EXPECT_EQ(spot.seen.back(), std::make_pair(4, Point(10, 15)));
    spot.Detach();
}

} // namespace
