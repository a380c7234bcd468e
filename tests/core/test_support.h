#pragma once
// Shared pieces of the core's tests: a payload type that counts its live instances (to prove
// that no payload leaks or is deleted twice) and a fixture with a BasicApp on the virtual clock.
#include "core/basic_app.h"
#include "core/container.h"
#include "core/message_registry.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

// A payload value that knows how many of it are alive.
struct Counted {
    static inline int live = 0;
    int value = 0;

    Counted() { ++live; }
    explicit Counted(int v) : value(v) { ++live; }
    Counted(const Counted& o) : value(o.value) { ++live; }
    Counted& operator=(const Counted&) = default;
    ~Counted() { --live; }
    bool operator==(const Counted& o) const { return value == o.value; }
};

inline ContainerBase* MakeCounted(int v) { return new Container<Counted>(Counted(v)); }

inline int CountedValue(const ContainerBase* p) {
    const Counted* c = PayloadValue<Counted>(p);
    return c ? c->value : -1;
}

// Every test of the bus runs with a fresh Application on the virtual clock and no scripted
// message box answers; leaks of counted payloads fail the test.
class AppFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UseVirtualClock(1000);
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
        livePayloadsBefore = Counted::live;
        app = std::make_unique<BasicApp>();
    }
    void TearDown() override {
        app.reset();
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
        EXPECT_EQ(Counted::live, livePayloadsBefore) << "counted payloads leaked or deleted twice";
    }

    std::unique_ptr<BasicApp> app;
    int livePayloadsBefore = 0;
};
