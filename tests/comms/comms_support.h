#pragma once
// Pieces shared by the connection tests: a BasicApp on the virtual clock, byte strings written
// as hex, and a component that records what reaches it on its bus.
#include "core/basic_app.h"
#include "core/bus.h"
#include "core/container.h"
#include "core/type_info.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/msgbox.h"
#include "platform/window.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

// "ff 10 00" -> the three bytes.
inline std::string Bytes(const char* hex) {
    std::string out;
    unsigned v;
    int used;
    while (std::sscanf(hex, " %2x%n", &v, &used) == 1) {
        out.push_back(static_cast<char>(v));
        hex += used;
    }
    return out;
}

inline std::string Hex(const std::string& bytes) {
    std::string out;
    char piece[4];
    for (unsigned char c : bytes) {
        std::snprintf(piece, sizeof piece, out.empty() ? "%02x" : " %02x", c);
        out += piece;
    }
    return out;
}

class CommsFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ResetWindowSystem();
        platform::UseVirtualClock(1000);
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
        app = std::make_unique<BasicApp>();
    }
    void TearDown() override {
        app.reset();
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
        platform::ResetWindowSystem();
    }
    // Captions and texts of the boxes shown so far.
    static std::vector<std::string> Boxes() {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i) {
            auto b = platform::ShownMessageBox(i);
            out.push_back(b.caption + ": " + b.text);
        }
        return out;
    }

    std::unique_ptr<BasicApp> app;
};

// Records every delivery of the events it listens to: the name (or number) and a text form of
// the payload; answers with `reply` when set.
struct Recorder : Component {
    struct Seen {
        int event;
        int kind;
        std::string payload;
    };
    std::vector<Seen> seen;
    std::string reply;

    Recorder() : Component("Recorder") {}
    void Listen(std::string_view name) { RegisterNamedHandler(name, Handle); }
    void Listen(BusMessage event) { RegisterHandler(event, Handle); }
    static ContainerBase* Handle(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = static_cast<Recorder*>(c);
        std::string text = "?";
        if (auto* s = PayloadValue<std::string>(p)) text = *s;
        else if (auto* v = PayloadValue<short>(p)) text = "short " + std::to_string(*v);
        else if (auto* t = PayloadValue<char*>(p)) text = *t ? *t : "";
        self->seen.push_back({e.Number(), e.Kind(), text});
        if (!self->reply.empty()) return new Container<std::string>(self->reply);
        return nullptr;
    }
    int Count(int event) const {
        int n = 0;
        for (auto& s : seen) n += s.event == event;
        return n;
    }
};
