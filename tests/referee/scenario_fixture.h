#pragma once
// A small battle for the referee's tests: a 12 by 10 map and the sample scenario on it, written
// into a fresh game shell's data directory.
#include "game/logic/referee/game_control.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "game/units/group.h"
#include "game/units/unit_types.h"
#include "platform/msgbox.h"
#include "tests/shell/game_shell.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace referee_testing {

inline datagen::LandscapeDraft SmallMap() {
    datagen::LandscapeDraft d(12, 10);
    d.name = "Crossing";
    return d;
}

class ScenarioTest : public ::testing::Test {
protected:
    void SetUp() override {
        shell = std::make_unique<shell::GameShell>();
        ASSERT_TRUE(shell->WriteMap("CROSSING.MAP", SmallMap()));
        draft = datagen::MakeSampleScenario("CROSSING.MAP");
    }
    void TearDown() override { shell.reset(); }

    // Writes the draft and loads it.
    void Load(std::int32_t index = 10, std::uint16_t seed = 7) {
        ASSERT_TRUE(shell->WriteScenario("TEST.SCN", draft));
        shell->LoadScenario("TEST.SCN", index, seed);
    }
    VhLogicalLayer& Layer() { return shell->Layer(); }
    GameControl* Control() { return shell->Layer().GetGameControl(); }
    // The message boxes shown so far, their texts in order.
    static std::vector<std::string> Boxes() {
        std::vector<std::string> out;
        for (std::size_t i = 0; i < platform::ShownMessageBoxCount(); ++i) out.push_back(platform::ShownMessageBox(i).text);
        return out;
    }

    std::unique_ptr<shell::GameShell> shell;
    datagen::ScenarioDraft draft;
};

} // namespace referee_testing
