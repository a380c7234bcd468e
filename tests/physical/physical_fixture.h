#pragma once
// Shared pieces of the physical layer's tests: an application on the virtual clock that counts
// beeps, a recorder that logs what reaches it on a bus and answers what the test asks of it,
// figure bitmaps with drawn and transparent pixels, a plain object with figures of its own and
// a layer that ticks its animating objects as the game's layer does.
#include "core/basic_app.h"
#include "core/bus.h"
#include "landscape/physical/physical_layer.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/msgbox.h"
#include "ui/bitmap.h"

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

class BeepingApp : public BasicApp {
public:
    int beeps = 0;
    void Beep() override { ++beeps; }
};

// What reached a Recorder: the event number, the short it carried (or -1) and the clock time.
struct Heard {
    int event;
    int value;
    long time;
};

// Logs the events it is registered for; an answer function per event gives its reply.
struct Recorder : Component {
    std::vector<Heard> heard;
    std::map<int, std::function<ContainerBase*(ContainerBase*)>> answers;
    std::function<void(int event)> onHeard;
    long now = 0;

    Recorder() : Component("Recorder") {}

    static ContainerBase* Handle(Component* c, BusMessage e, ContainerBase* p) {
        auto* self = static_cast<Recorder*>(c);
        const short* v = PayloadValue<short>(p);
        self->heard.push_back({e.Number(), v ? *v : -1, self->now});
        if (self->onHeard) self->onHeard(e.Number());
        auto a = self->answers.find(e.Number());
        return a == self->answers.end() ? nullptr : a->second(p);
    }
    void Listen(int event) { RegisterHandler(event, Handle); }

    int Count(int event) const {
        int n = 0;
        for (const Heard& h : heard) n += h.event == event;
        return n;
    }
    std::vector<int> Events() const {
        std::vector<int> out;
        for (const Heard& h : heard) out.push_back(h.event);
        return out;
    }
};

// A figure image of w by h with its hot spot at (hx, hy); colour-0 pixels are transparent and
// only the pixels named in `drawn` are painted.
inline std::unique_ptr<Bitmap> MakeFigure(int w, int h, Point hot, const std::vector<Point>& drawn) {
    auto b = std::make_unique<Bitmap>(Dim(w, h), static_cast<long>(Bitmap::Keyed));
    b->Fill(0);
    for (const Point& p : drawn) {
        const int row = Bitmap::BottomUp() ? h - 1 - p.y : p.y;
        b->GetPixels()[row * b->Stride() + p.x] = 7;
    }
    b->SetHotspot(hot);
    return b;
}

// A solid figure of w by h, hot spot at its top-left corner.
inline std::unique_ptr<Bitmap> MakeSolid(int w, int h) {
    auto b = std::make_unique<Bitmap>(Dim(w, h), static_cast<long>(Bitmap::Plain));
    b->Fill(9);
    return b;
}

// A plain object with figures of its own; it announces them to its layer as pictures do.
class FigureObject : public PhysicalObject {
public:
    static inline int live = 0;
    int figures;
    int finished = 0;
    std::function<void(LogicalCommandInfo&)> onFinish;

    FigureObject(std::uint16_t objectId_, int figures_, std::uint32_t facing_ = 1)
        : PhysicalObject("Test Figures", objectId_, facing_), figures(figures_) {
        ++live;
        for (int i = 0; i < figures; ++i) {
            sprites[i] = new Sprite(objectId_, Point3D(0, 0, 0), nullptr, Sprite::kNoLayer, this);
            spriteOffsets[i] = Point3D(static_cast<short>(10 * i), static_cast<short>(5 * i), 0);
        }
        spriteCount = static_cast<std::uint16_t>(figures);
    }
    ~FigureObject() override { --live; }

    void Connect() override {
        PhysicalObject::Connect();
        for (std::uint16_t i = 0; i < spriteCount; ++i) {
            Container<Sprite*> p(sprites[i]);
            Post(SPRITE_CREATED, &p);
        }
    }
    void FinishCommand(LogicalCommandInfo& c) override {
        ++finished;
        if (onFinish) onFinish(c);
    }
    PhysicalObject* CreateInstance(std::uint16_t objectId_) override { return new FigureObject(objectId_, figures); }
};

// Ticks its animating objects on the animation timer, as the game's layer does; an object may
// leave the list (or the layer) while the walk runs.
class TickingLayer : public PhysicalLayer {
public:
    std::vector<long> ticks;
    List<Box> dirty[3];

    ContainerBase* AnimationTick(long time) override {
        ticks.push_back(time);
        List<PhysicalObject*> walk(animating);
        PhysicalObject* o = nullptr;
        while (walk.RemoveHead(o)) {
            if (animating.Contains(o)) o->Tick(static_cast<std::int32_t>(time), dirty);
        }
        return nullptr;
    }
    using PhysicalLayer::AddViewport;
};

// Every test runs with a fresh application on the virtual clock; assertion boxes answer No
// (carry on) unless a test queues otherwise, and are kept for the test to read.
class PhysicalFixture : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UseVirtualClock(0);
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
        app = std::make_unique<BeepingApp>();
    }
    void TearDown() override {
        app.reset();
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
    }

    // The caption and text of the last assertion box, "" when none was shown.
    static std::string LastBox() {
        const std::size_t n = platform::ShownMessageBoxCount();
        if (n == 0) return "";
        const platform::ShownBox b = platform::ShownMessageBox(n - 1);
        return b.caption + "|" + b.text;
    }

    std::unique_ptr<BeepingApp> app;
};
