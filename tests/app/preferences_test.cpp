// The preferences in the registry and on the bus, and the application's run step.
#include "app_fixture.h"

#include "core/assertion.h"
#include "core/events.h"
#include "core/message_registry.h"
#include "game/units/leader.h"
#include "platform/msgbox.h"
#include "platform/registry.h"

namespace {

using namespace apptest;

constexpr const char* kKey = "SOFTWARE\\Tolvane\\Varnhold Demo\\Preferences";

// A REG_DWORD under the preferences key; nullopt when absent.
std::optional<std::uint32_t> Stored(const char* name) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_READ, &key) != ERROR_SUCCESS) return std::nullopt;
    BYTE b[4] = {};
    DWORD size = 4, type = 0;
    const LONG r = RegQueryValueExA(key, name, nullptr, &type, b, &size);
    RegCloseKey(key);
    if (r != ERROR_SUCCESS) return std::nullopt;
    return std::uint32_t(b[0]) | std::uint32_t(b[1]) << 8 | std::uint32_t(b[2]) << 16 | std::uint32_t(b[3]) << 24;
}

void Store(const char* name, std::uint32_t value) {
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, kKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr), ERROR_SUCCESS);
    const BYTE b[4] = {BYTE(value), BYTE(value >> 8), BYTE(value >> 16), BYTE(value >> 24)};
    RegSetValueExA(key, name, 0, REG_DWORD, b, 4);
    RegCloseKey(key);
}

void Remove(const char* name) {
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kKey, 0, KEY_ALL_ACCESS, &key), ERROR_SUCCESS);
    RegDeleteValueA(key, name);
    RegCloseKey(key);
}

TEST_F(AppTest, AFirstStartWritesAndReadsTheDefaults) {
    PreferenceRecord p;
    preferences::Read(p);
    EXPECT_EQ(p.movementAnimation, 1);
    EXPECT_EQ(p.combatAnimation, 1);
    EXPECT_EQ(p.music, 0);
    EXPECT_EQ(p.sound, 1);
    EXPECT_EQ(p.ambientSound, 0);
    EXPECT_EQ(p.volume, 5000);
    EXPECT_EQ(p.musicVolume, 5000);
    EXPECT_EQ(p.sparseTrees, 0);
    EXPECT_EQ(p.finishLeader, 1);
    EXPECT_EQ(p.groupMoveConfirm, 1);
    EXPECT_EQ(p.overallCombatResults, 1);
    EXPECT_EQ(p.showIntroVideo, 0);
    EXPECT_EQ(p.autoSave, 1);
    EXPECT_EQ(Stored("Last A/I Type"), 0u);
    EXPECT_EQ(Stored("Music"), 0u);
    EXPECT_EQ(Stored("Ambient Sound"), 0u);
    EXPECT_EQ(Stored("Show Intro Video"), 0u);
}

TEST_F(AppTest, PreferencesRoundTripThroughTheRegistry) {
    PreferenceRecord written;
    written.movementAnimation = 0;
    written.combatAnimation = 1;
    written.music = 1;
    written.sound = 0;
    written.ambientSound = 1;
    written.sparseTrees = 1;
    written.finishLeader = 0;
    written.groupMoveConfirm = 0;
    written.overallCombatResults = 0;
    written.showIntroVideo = 1;
    written.autoSave = 0;
    written.volume = 0xFFFF;  // stored sign-extended, read back from the low half
    written.musicVolume = 1234;
    written.casualtyTestA = 1;
    preferences::Write(written);
    EXPECT_EQ(Stored("Volume"), 0xFFFFFFFFu);
    PreferenceRecord read;
    preferences::Read(read);
    EXPECT_EQ(read.movementAnimation, 0);
    EXPECT_EQ(read.music, 1);
    EXPECT_EQ(read.ambientSound, 1);
    EXPECT_EQ(read.sparseTrees, 1);
    EXPECT_EQ(read.finishLeader, 0);
    EXPECT_EQ(read.showIntroVideo, 1);
    EXPECT_EQ(read.autoSave, 0);
    EXPECT_EQ(read.volume, 0xFFFF);
    EXPECT_EQ(read.musicVolume, 1234);
    EXPECT_EQ(read.casualtyTestA, 0) << "the casualty tests always start off";
}

TEST_F(AppTest, AValueDeletedByHandTakesTheValueReadBeforeIt) {
    PreferenceRecord p;
    preferences::Read(p);  // first start
    Store("Group Move Confirm", 7);
    Store("Overall Combat Results", 9);
    Remove("Overall Combat Results");
    Store("Music Volume", 0x12345);  // only the low 16 bits count
    preferences::Read(p);
    EXPECT_EQ(p.groupMoveConfirm, 7);
    EXPECT_EQ(p.overallCombatResults, 7);
    EXPECT_EQ(p.musicVolume, 0x2345);
}

// The preference messages a run publishes, with their values.
class Listener : public Component {
public:
    Listener() : Component("Listener") {}
    void Connect() override {
        for (const char* n : kNames) RegisterNamedHandler(n, Heard);
        RegisterHandler(SYSTEM_START, Heard);
    }
    static ContainerBase* Heard(Component* c, BusMessage event, ContainerBase* payload) {
        auto* self = static_cast<Listener*>(c);
        const std::string name = event.Number() == SYSTEM_START ? "SYSTEM_START" : MessageName(event.Number());
        const short* v = PayloadValue<short>(payload);
        self->heard.push_back(name + "=" + (v ? std::to_string(*v) : "-"));
        return nullptr;
    }
    static constexpr const char* kNames[] = {"ToggleWalkingAnimation", "ToggleCombatAnimation", "ToggleMusic",
                                             "SoundOn", "AmbientSoundOn", "SoundVolume", "MusicVolume",
                                             "ToggleSparseLandscape", "ShowOCR", "SetLeaderOrder", "AutomaticWin",
                                             "ShowMainDlg"};
    std::vector<std::string> heard;
};

TEST_F(AppTest, TheRunStepPublishesThePreferencesThenAsksForTheMainMenu) {
    VhApp app;
    Listener listener;
    listener.AttachToBus(&app);
    app.Run();
    const std::vector<std::string> expected = {
        "SYSTEM_START=0", "ToggleWalkingAnimation=1", "ToggleCombatAnimation=1", "ToggleMusic=0", "SoundOn=1",
        "AmbientSoundOn=0", "SoundVolume=5000", "MusicVolume=5000", "ToggleSparseLandscape=0", "ShowOCR=1",
        "ShowMainDlg=0"};
    EXPECT_EQ(listener.heard, expected);
    EXPECT_EQ(Leader::almostFinishedDialog, 1);
    EXPECT_EQ(Leader::confirmGroupCommands, 1);
    listener.DetachFromBus();
}

TEST_F(AppTest, GamePreferencesRunsTheDialogThenPublishesAndWrites) {
    struct Case {
        const char* what;
        std::uint16_t winA, winB;
        const char* automatic;
    };
    const Case cases[] = {{"no automatic win", 0, 0, nullptr},
                          {"side A wins", 1, 1, "AutomaticWin=1"},
                          {"side B wins", 0, 1, "AutomaticWin=0"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        VhApp app;
        Listener listener;
        listener.AttachToBus(&app);
        app.Run();
        listener.heard.clear();
        // The dialog is cancelled after changing the record: it is still published and written.
        VhApp::SetPreferencesDialog([&](PreferenceRecord& r) {
            r.sound = 0;
            r.volume = 300;
            r.leaderOrder = 2;
            r.automaticWinA = c.winA;
            r.automaticWinB = c.winB;
            return 0;
        });
        delete app.SendNamedEvent("GamePreferences");
        app.DrainTasks();
        std::vector<std::string> expected = {"ToggleWalkingAnimation=1", "ToggleCombatAnimation=1", "ToggleMusic=0",
                                             "SoundOn=0", "AmbientSoundOn=0", "ShowOCR=1", "SoundVolume=300",
                                             "MusicVolume=5000", "ToggleSparseLandscape=0", "SetLeaderOrder=2"};
        if (c.automatic) expected.push_back(c.automatic);
        EXPECT_EQ(listener.heard, expected);
        EXPECT_EQ(Stored("Sound"), 0u);
        EXPECT_EQ(Stored("Volume"), 300u);
        listener.DetachFromBus();
        VhApp::SetPreferencesDialog(nullptr);
    }
}

TEST_F(AppTest, TheLeaderSwitchesChangeTheRecordButNotTheRegistry) {
    VhApp app;
    app.Run();
    Container<short> off(0);
    delete app.SendNamed("ShowFinishLeader", &off);
    delete app.SendNamed("ShowGroupCommandConfirm", &off);
    EXPECT_EQ(app.Preferences().finishLeader, 0);
    EXPECT_EQ(app.Preferences().groupMoveConfirm, 0);
    EXPECT_EQ(Leader::almostFinishedDialog, 0);
    EXPECT_EQ(Leader::confirmGroupCommands, 0);
    EXPECT_EQ(Stored("Finish Leader"), 1u);
    EXPECT_EQ(Stored("Group Move Confirm"), 1u);
}

// The two switches come with a short; a message without one, or with another type, is reported
// as bad data and changes nothing: an absent value is never taken for 0 ("don't ask").
TEST_F(AppTest, TheLeaderSwitchesRefuseAnAbsentOrWrongValue) {
    VhApp app;
    app.Run();
    Container<int> wrongType(0);
    Container<std::string> wrongText("0");
    struct Case {
        const char* what;
        ContainerBase* payload;
    } cases[] = {{"no payload", nullptr}, {"an int", &wrongType}, {"a text", &wrongText}};
    for (const Case& c : cases) {
        for (const char* message : {"ShowFinishLeader", "ShowGroupCommandConfirm"}) {
            SCOPED_TRACE(std::string(c.what) + " for " + message);
            platform::ClearShownMessageBoxes();
            platform::QueueMessageBoxAnswer(IDNO);
            delete app.SendNamed(message, c.payload);
            EXPECT_EQ(app.Preferences().finishLeader, 1);
            EXPECT_EQ(app.Preferences().groupMoveConfirm, 1);
            EXPECT_EQ(Leader::almostFinishedDialog, 1);
            EXPECT_EQ(Leader::confirmGroupCommands, 1);
            ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
            EXPECT_NE(platform::ShownMessageBox(0).text.find(kBadBusData), std::string::npos);
        }
    }
    platform::ClearShownMessageBoxes();
}

} // namespace
