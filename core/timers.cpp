// The Application's timer slots and hover tracking. One window-system timer serves every slot:
// its period (the tick) is the smallest interval asked for, and each slot accumulates ticks until
// its own interval has passed, keeping the remainder so that on average it keeps its rate.
#include "core/application.h"

#include <memory>

std::int16_t Application::AddTimer(const Callback& callback, int rate, int state) {
    if (rate < 1 || rate > 1000) {
        AssertFail("Timer rate must be from 1 to 1000 calls a second", "APP", __LINE__);
        return 0;
    }
    if (state != TimerCallback::kActive && state != TimerCallback::kSuspended) {
        AssertFail("Timer state must be active or suspended", "APP", __LINE__);
        return 0;
    }
    for (auto& slot : timers) {
        if (slot.state != TimerCallback::kFree) continue;
        slot.callback = callback;
        slot.interval = 1000 / rate;
        slot.state = state;
        slot.accumulated = 0;
        ++slotsInUse;
        if (tick < 0 || tick > slot.interval) {
            if (timerId != 0) StopTimer();
            SetTick(slot.interval);
            StartTimer(static_cast<std::uint16_t>(tick));
        }
        return 1;
    }
    AssertFail("All 16 timer slots are in use", "APP", __LINE__);
    return 0;
}

void Application::SetTick(int interval) { tick = static_cast<std::int16_t>(interval); }

void Application::RecomputeTick() {
    int smallest = -1;
    for (const auto& slot : timers) {
        if (slot.state != TimerCallback::kFree && (smallest < 0 || slot.interval < smallest)) smallest = slot.interval;
    }
    SetTick(smallest);
}

void Application::RemoveTimer(const Callback& callback) {
    for (auto& slot : timers) {
        if (slot.state == TimerCallback::kFree || !(slot.callback == callback)) continue;
        int interval = slot.interval;
        slot = TimerCallback();
        --slotsInUse;
        if (interval == tick) {
            StopTimer();
            RecomputeTick();
            if (slotsInUse > 0) StartTimer(static_cast<std::uint16_t>(tick));
        }
        return;
    }
}

void Application::SuspendTimer(const Callback& callback) {
    for (auto& slot : timers) {
        if (slot.state == TimerCallback::kActive && slot.callback == callback) {
            slot.state = TimerCallback::kSuspended;
            return;
        }
    }
}

void Application::ResumeTimer(const Callback& callback) {
    for (auto& slot : timers) {
        if (slot.state == TimerCallback::kSuspended && slot.callback == callback) {
            slot.state = TimerCallback::kActive;
            return;
        }
    }
}

void Application::TimerTick(std::uint32_t time) {
    if (tick <= 0) return;
    for (auto& slot : timers) {
        if (slot.state != TimerCallback::kActive) continue;
        slot.accumulated = static_cast<std::uint16_t>(slot.accumulated + tick);
        if (slot.accumulated < slot.interval) continue;
        slot.accumulated = static_cast<std::uint16_t>(slot.accumulated % slot.interval);
        // The handler may remove or add timers, or delete its component: the slot's callback is
        // taken before the call and the slot is not touched after it.
        Callback c = slot.callback;
        Container<long> now(static_cast<long>(time));
        delete c.handler(c.object, BusMessage(TIMER_CLICK), &now);
    }
}

// --- hover ---

ContainerBase* Application::HoverTimer(Component* application, BusMessage, ContainerBase*) {
    if (auto* app = dynamic_cast<Application*>(application)) app->HoverTick();
    return nullptr;
}

void Application::HoverTick() {
    ++restCount;
    if (restCount == hoverThreshold && mouseTile) DispatchMouseEvent(mouseTile, MOUSE_HOVER, mousePoint);
}

void Application::SetMouseTile(Tile* tile, Point point, std::int16_t threshold) {
    restCount = 0;
    hoverThreshold = threshold;
    mousePoint = point;
    if (tile == mouseTile) return;
    if (mouseTile) DispatchMouseEvent(mouseTile, MOUSE_LEAVE, point);
    mouseTile = tile;
    if (tile) DispatchMouseEvent(tile, MOUSE_ENTER, point);
}

void Application::ForgetMouseTile(Tile* tile) {
    if (tile && tile == mouseTile) mouseTile = nullptr;
}
