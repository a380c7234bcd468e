#include "bus_support.h"
#include "platform/message_queue.h"

#include <gtest/gtest.h>

#include <memory>

class Tile;

namespace {

// Records what the Application asks of the window system.
class RecordingApp : public BasicApp {
public:
    std::vector<int> started;
    int stopped = 0;
    std::vector<std::pair<Tile*, int>> mouse;
    void StartTimer(std::uint16_t period) override {
        started.push_back(period);
        BasicApp::StartTimer(period);
    }
    void StopTimer() override {
        ++stopped;
        BasicApp::StopTimer();
    }
    void DispatchMouseEvent(Tile* tile, std::int16_t kind, Point) override { mouse.emplace_back(tile, kind); }
};

class TimerTest : public AppFixture {
protected:
    void SetUp() override {
        AppFixture::SetUp();
        app.reset();
        rec = new RecordingApp;
        app.reset(rec);
    }
    RecordingApp* rec = nullptr;
};

TEST_F(TimerTest, TheTickIsTheSmallestInterval) {
    Probe slow, fast;
    slow.AddTimer(Probe::Handle, 4);
    EXPECT_EQ(rec->started, (std::vector<int>{250}));
    fast.AddTimer(Probe::Handle, 10);
    EXPECT_EQ(rec->started, (std::vector<int>{250, 100}));
    EXPECT_EQ(rec->stopped, 1);
    fast.RemoveTimer(Probe::Handle);
    EXPECT_EQ(rec->started, (std::vector<int>{250, 100, 250}));
    slow.RemoveTimer(Probe::Handle);
    EXPECT_EQ(app->GetTimerTick(), -1);
    EXPECT_EQ(app->GetTimerId(), 0u);
    EXPECT_TRUE(app->Check());
}

TEST_F(TimerTest, IntervalIsAThousandDividedByTheRate) {
    Probe p;
    p.AddTimer(Probe::Handle, 3);
    EXPECT_EQ(app->TimerSlot(0).interval, 333);
    EXPECT_EQ(app->GetTimerTick(), 333);
}

TEST_F(TimerTest, SlotsKeepTheRemainderToHoldTheirRate) {
    Probe fast, quarter;
    fast.AddTimer(Probe::Other, 10); // sets the tick to 100
    quarter.AddTimer(Probe::Handle, 4);
    std::vector<int> firedAt;
    quarter.action = [&](Probe*, BusMessage e, ContainerBase* p) {
        EXPECT_EQ(e.Number(), TIMER_CLICK);
        firedAt.push_back(static_cast<int>(*PayloadValue<long>(p)));
        return nullptr;
    };
    for (int t = 100; t <= 1000; t += 100) app->TimerTick(static_cast<std::uint32_t>(t));
    EXPECT_EQ(firedAt, (std::vector<int>{300, 500, 800, 1000}));
    EXPECT_EQ(fast.calls, 10);
}

TEST_F(TimerTest, SuspendedTimersAreSilentButStillSetTheTick) {
    Probe p, q;
    p.AddTimer(Probe::Handle, 20, 2);
    q.AddTimer(Probe::Handle, 5);
    EXPECT_EQ(app->GetTimerTick(), 50);
    for (int i = 0; i < 8; ++i) app->TimerTick(0);
    EXPECT_EQ(p.calls, 0);
    EXPECT_EQ(q.calls, 2);
    p.ResumeTimer(Probe::Handle);
    app->TimerTick(0);
    EXPECT_EQ(p.calls, 1);
    p.SuspendTimer(Probe::Handle);
    app->TimerTick(0);
    EXPECT_EQ(p.calls, 1);
}

TEST_F(TimerTest, TheVirtualClockDrivesTheWindowSystemTimer) {
    Probe p;
    p.AddTimer(Probe::Handle, 10);
    for (int i = 0; i < 5; ++i) {
        platform::AdvanceClock(100);
        app->PumpMessage();
    }
    EXPECT_EQ(p.calls, 5);
}

TEST_F(TimerTest, BadRatesAndASeventeenthTimerAreRefusedClearly) {
    Probe p;
    for (int rate : {0, 1001, -5}) {
        platform::QueueMessageBoxAnswer(IDNO);
        EXPECT_EQ(p.AddTimer(Probe::Handle, rate), 0) << rate;
    }
    EXPECT_EQ(app->TimerSlotsInUse(), 0);
    std::vector<std::unique_ptr<Probe>> many;
    for (int i = 0; i < Application::kTimerSlots; ++i) {
        many.push_back(std::make_unique<Probe>());
        EXPECT_EQ(many.back()->AddTimer(Probe::Handle, 1), 1);
    }
    platform::ClearShownMessageBoxes();
    platform::QueueMessageBoxAnswer(IDNO);
    EXPECT_EQ(p.AddTimer(Probe::Handle, 1), 0);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).text, "All 16 timer slots are in use  Abort?");
    platform::QueueMessageBoxAnswer(IDYES);
    EXPECT_THROW(p.AddTimer(Probe::Handle, 1), Assertion);
}

TEST_F(TimerTest, ADeletedComponentLosesItsTimer) {
    auto p = std::make_unique<Probe>();
    p->AddTimer(Probe::Handle, 10);
    p.reset();
    EXPECT_EQ(app->TimerSlotsInUse(), 0);
    app->TimerTick(0);
}

TEST_F(TimerTest, ATickArrivingWhileTheLastRunsIsDropped) {
    Probe p;
    p.AddTimer(Probe::Handle, 10);
    p.action = [&](Probe*, BusMessage, ContainerBase*) {
        platform::AdvanceClock(100);
        app->PumpMessage(); // lets the next WM_TIMER in
        return nullptr;
    };
    platform::AdvanceClock(100);
    app->PumpMessage();
    EXPECT_EQ(p.calls, 1);
    EXPECT_EQ(rec->DroppedTicks(), 1);
}

TEST_F(TimerTest, HoverComesOncePerRest) {
    Tile* a = reinterpret_cast<Tile*>(0xA0);
    Tile* b = reinterpret_cast<Tile*>(0xB0);
    app->SetMouseTile(a, Point(3, 4), 3);
    EXPECT_EQ(rec->mouse, (std::vector<std::pair<Tile*, int>>{{a, MOUSE_ENTER}}));
    for (int i = 0; i < 6; ++i) app->HoverTick();
    EXPECT_EQ(rec->mouse.size(), 2u);
    EXPECT_EQ(rec->mouse[1], (std::pair<Tile*, int>{a, MOUSE_HOVER}));
    app->SetMouseTile(b, Point(5, 5), 3);
    EXPECT_EQ(rec->mouse[2], (std::pair<Tile*, int>{a, MOUSE_LEAVE}));
    EXPECT_EQ(rec->mouse[3], (std::pair<Tile*, int>{b, MOUSE_ENTER}));
    app->ForgetMouseTile(a);
    EXPECT_EQ(app->GetMouseTile(), b);
    app->ForgetMouseTile(b);
    EXPECT_EQ(app->GetMouseTile(), nullptr);
}

TEST_F(TimerTest, RunInstallsTheHoverTimerAndEndsOnQuit) {
    Probe quitter;
    quitter.AddTimer(Probe::Handle, 1);
    quitter.action = [&](Probe*, BusMessage, ContainerBase*) {
        PostQuitMessage(0);
        return nullptr;
    };
    Tile* t = reinterpret_cast<Tile*>(0xC0);
    app->SetMouseTile(t, Point(1, 1), 1);
    app->Run(); // the virtual clock jumps from timer to timer
    EXPECT_EQ(quitter.calls, 1);
    EXPECT_EQ(rec->mouse.back(), (std::pair<Tile*, int>{t, MOUSE_HOVER}));
    EXPECT_EQ(app->TimerSlotsInUse(), 1);
}

} // namespace
