// The viewport: a bus of its own that owns its window, hooks it on when connected, relays to and
// from the physical layer's bus, and unlinks from it when the view's orientation flips.
#include "core/bus.h"
#include "core/message_registry.h"
#include "ui/viewport.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

constexpr int kPing = 4100;

// A component that records what it hears; the window of a view or a member of the outer bus.
class Ear : public Component {
public:
    explicit Ear(const char* name, bool* deleted = nullptr) : Component(name), deleted_(deleted) {}
    ~Ear() override {
        if (deleted_) *deleted_ = true;
    }
    void Connect() override {
        ++connects;
        RegisterHandler(kPing, &OnPing);
        RegisterNamedHandler("Change Viewport", &OnChange);
    }
    static ContainerBase* OnPing(Component* c, BusMessage, ContainerBase*) {
        ++static_cast<Ear*>(c)->pings;
        return nullptr;
    }
    static ContainerBase* OnChange(Component* c, BusMessage, ContainerBase* p) {
        if (const ViewportInfo* info = PayloadValue<ViewportInfo>(p)) static_cast<Ear*>(c)->changes.push_back(*info);
        return nullptr;
    }
    int connects = 0;
    int pings = 0;
    std::vector<ViewportInfo> changes;

private:
    bool* deleted_;
};

class Views : public ::testing::Test {
protected:
    void SetUp() override {
        window = new Ear("Map Window", &windowDeleted);
        view = std::make_unique<Viewport>(window);
        outerEar.AttachToBus(&layer);
        view->AttachToBus(&layer);
    }
    void TearDown() override {
        view.reset();
        outerEar.DetachFromBus();
    }
    Bus layer{"Physical Layer"};
    Ear outerEar{"Layer Member"};
    bool windowDeleted = false;
    Ear* window = nullptr;
    std::unique_ptr<Viewport> view;
};

TEST_F(Views, ConnectingHooksTheWindowOnAndRelaysBothWays) {
    EXPECT_EQ(view->GetName(), "Unnamed Viewport");
    EXPECT_EQ(view->GetWindow(), window);
    EXPECT_EQ(window->GetBus(), view.get());
    EXPECT_EQ(window->connects, 1);
    // The window's events reach the layer, and the layer's reach the window (each also hears
    // its own).
    delete window->SendEvent(kPing);
    EXPECT_EQ(outerEar.pings, 1);
    delete outerEar.SendEvent(kPing);
    EXPECT_EQ(window->pings, 2);
    EXPECT_EQ(outerEar.pings, 2);
}

TEST_F(Views, AChangeOfTheFlippedBitUnlinksTheViewBeforeAnnouncingIt) {
    struct Case {
        std::uint16_t oldFlags, newFlags;
        bool unlinked;
    };
    const Case cases[] = {{4, 0, true}, {0, 4, true}, {5, 2, true}, {0, 3, false}, {4, 7, false}, {1, 2, false}};
    for (const Case& c : cases) {
        auto* w = new Ear("Map Window");
        Viewport v(w, "View");
        v.AttachToBus(&layer);
        outerEar.changes.clear();
        outerEar.pings = 0;
        ViewportInfo info;
        info.Set(w, nullptr, c.oldFlags, c.newFlags);
        v.SendChangeViewport(info);
        ASSERT_EQ(outerEar.changes.size(), 1u) << c.oldFlags << "->" << c.newFlags;
        EXPECT_EQ(outerEar.changes[0].window, w);
        EXPECT_EQ(outerEar.changes[0].oldFlags, c.oldFlags);
        EXPECT_EQ(outerEar.changes[0].newFlags, c.newFlags);
        // Unlinked, nothing passes either way any more (each side hears only its own); the
        // viewport stays on the layer's bus.
        delete w->SendEvent(kPing);
        delete outerEar.SendEvent(kPing);
        EXPECT_EQ(outerEar.pings, c.unlinked ? 1 : 2) << c.oldFlags << "->" << c.newFlags;
        EXPECT_EQ(w->pings, c.unlinked ? 1 : 2) << c.oldFlags << "->" << c.newFlags;
        EXPECT_EQ(v.GetOuterBus(), &layer);
        v.DetachFromBus();
    }
}

TEST_F(Views, DetachingTakesTheWindowOffAndDeletingTheViewDeletesIt) {
    view->DetachFromBus();
    EXPECT_EQ(window->GetBus(), nullptr);
    EXPECT_EQ(view->GetOuterBus(), nullptr);
    delete outerEar.SendEvent(kPing);
    EXPECT_EQ(window->pings, 0);
    EXPECT_FALSE(windowDeleted);
    view.reset();
    EXPECT_TRUE(windowDeleted);
}

TEST(Viewport, AViewWithoutAWindowConnectsAndDetaches) {
    Bus layer("Physical Layer");
    Viewport v(nullptr, "Empty");
    v.AttachToBus(&layer);
    EXPECT_EQ(v.GetOuterBus(), &layer);
    EXPECT_EQ(v.GetWindow(), nullptr);
    v.SendChangeViewport(ViewportInfo());
    v.DetachFromBus();
    EXPECT_EQ(v.GetOuterBus(), nullptr);
}

TEST(Viewport, AnOuterBusThatGoesAwayLeavesTheWindowOnAndNoRelayBehind) {
    auto* window = new Ear("Map Window");
    Viewport v(window);
    {
        Bus layer("Physical Layer");
        v.AttachToBus(&layer);
        ASSERT_FALSE(v.ReceiveAllList().IsEmpty());
    }
    // The bus's end cleared the viewport's pointer: the window is still on the view.
    EXPECT_EQ(v.GetOuterBus(), nullptr);
    EXPECT_EQ(window->GetBus(), &v);
    // No relay points at the dead bus, so the view's own traffic stays safe.
    EXPECT_TRUE(v.ReceiveAllList().IsEmpty());
    delete v.SendEvent(kPing);
    EXPECT_EQ(window->pings, 1);
}

} // namespace
