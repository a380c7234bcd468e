#include "platform/clock.h"

#include <atomic>
#include <chrono>

namespace {

std::atomic<bool> virtualMode{true};
std::atomic<DWORD> virtualNow{0};
std::atomic<DWORD> idleStep{1};

const std::chrono::steady_clock::time_point processStart = std::chrono::steady_clock::now();

} // namespace

DWORD GetTickCount() {
    if (virtualMode.load(std::memory_order_relaxed)) return virtualNow.load(std::memory_order_relaxed);
    auto elapsed = std::chrono::steady_clock::now() - processStart;
    return static_cast<DWORD>(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
}

namespace platform {

void UseRealClock() { virtualMode = false; }

void UseVirtualClock(DWORD start) {
    virtualNow = start;
    virtualMode = true;
}

bool ClockIsVirtual() { return virtualMode; }

void AdvanceClock(DWORD ms) { virtualNow.fetch_add(ms); }

void SetClock(DWORD now) { virtualNow = now; }

void SetIdleStep(DWORD ms) { idleStep = ms; }

DWORD IdleStep() { return idleStep; }

} // namespace platform
