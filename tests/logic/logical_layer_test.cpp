#include "core/basic_app.h"
#include "game/logic/logical_layer.h"
#include "game/logic/unit.h"
#include "platform/clock.h"
#include "platform/message_queue.h"
#include "platform/msgbox.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

class RecordingLayer : public LogicalLayer {
public:
    using LogicalLayer::LogicalLayer;
    std::vector<std::string> scenarios;
    std::vector<int> selected;
    std::vector<int> hovered;
    void LoadScenario(const std::string& scenario) override { scenarios.push_back(scenario); }
    void RegionSelected(std::uint16_t region) override { selected.push_back(region); }
    void RegionFlyby(std::uint16_t region) override { hovered.push_back(region); }
};

// Counts how many of it are alive, to show what the layer deletes.
struct Tracked : LayerObject {
    static inline int live = 0;
    Tracked() { ++live; }
    ~Tracked() override { --live; }
};

class LayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::UseVirtualClock(1000);
        platform::ResetMessageQueues();
        platform::ClearMessageBoxAnswers();
        platform::ClearShownMessageBoxes();
        app = std::make_unique<BasicApp>();
    }
    void TearDown() override {
        app.reset();
        platform::ResetMessageQueues();
    }
    std::unique_ptr<BasicApp> app;
};

TEST_F(LayerTest, EventsBecomeTheGamesOperations) {
    RecordingLayer layer;
    EXPECT_EQ(layer.GetName(), "Unnamed Logical Layer Component");
    layer.AttachToBus(app.get());
    Component sender("Sender");
    sender.AttachToBus(&layer);

    Container<char*> name("Gettysburg");
    sender.Post(LOAD_SCENARIO, &name);
    Container<std::string> other("Antietam");
    sender.Post(LOAD_SCENARIO, &other);
    Container<short> region(1203);
    sender.Post(REGION_SELECTED, &region);
    sender.Send(REGION_FLYBY, &region);
    // Events raised on the application's bus come down to the layer too.
    Container<short> far(-1);
    app->Post(app.get(), REGION_FLYBY, &far);

    EXPECT_EQ(layer.scenarios, (std::vector<std::string>{"Gettysburg", "Antietam"}));
    EXPECT_EQ(layer.selected, (std::vector<int>{1203}));
    EXPECT_EQ(layer.hovered, (std::vector<int>{1203, 0xFFFF}));
}

TEST_F(LayerTest, RegistryGrowsAndOwnsItsObjects) {
    const int before = Tracked::live;
    {
        RecordingLayer layer("Varnhold Logical Layer");
        EXPECT_EQ(layer.GetName(), "Varnhold Logical Layer");
        EXPECT_EQ(layer.GetRegistryCount(), 0);
        EXPECT_EQ(layer.GetRegisteredObject(0), nullptr);
        auto* far = new Tracked;
        layer.RegisterObject(60, far);
        EXPECT_EQ(layer.GetRegistryCount(), 61);
        EXPECT_EQ(layer.GetRegisteredObject(60), far);
        layer.RegisterObject(5, new Tracked);
        EXPECT_EQ(layer.GetRegistryCount(), 61);
        // Every other slot below the count is empty, also those that growth added.
        for (std::int16_t i = 0; i < 61; ++i)
            if (i != 5 && i != 60) {
                EXPECT_EQ(layer.GetRegisteredObject(i), nullptr) << i;
            }
        layer.RegisterObject(75, new Tracked);
        for (std::int16_t i = 61; i < 75; ++i) EXPECT_EQ(layer.GetRegisteredObject(i), nullptr) << i;
        layer.SetOwnedObject(new Tracked);
        EXPECT_EQ(Tracked::live, before + 4);
    }
    EXPECT_EQ(Tracked::live, before);
}

TEST(UnitBase, NumberAndPlaceComeFromTheRecord) {
    UnitData data;
    data.unitNumber = 12;
    data.region = 405;
    struct PlainUnit : Unit {
        using Unit::Unit;
        void Connect() override {}
    } unit(data, "1st Minnesota");
    EXPECT_EQ(unit.GetUnitNum(), 12);
    EXPECT_EQ(unit.GetLocation(), 405);
    EXPECT_EQ(unit.GetName(), "1st Minnesota");
    unit.SetLocation(0xFFFF);
    EXPECT_EQ(unit.GetLocation(), 0xFFFF);
}

} // namespace
