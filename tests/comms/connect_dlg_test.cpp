// The game connect dialog: a joining machine takes the host's scenario only when it holds the
// same file (name, first word 0, identity); a continued saved game starts only with as many
// players as were saved; each choice of the host carries a seed of its own.
#include "comms/net/vh_connect_net_dlg.h"
#include "tests/comms_ui/comms_ui_fixture.h"

#include "core/application.h"
#include "core/events.h"
#include "platform/path.h"

#include <fstream>
#include <functional>
#include <set>

namespace {

using commsuitest::NetDialogTest;

const unsigned char kGuid[16] = {0x00, 0xC4, 0x5B, 0x68, 0x2C, 0x9D, 0xCF, 0x11,
                                 0xA9, 0xCD, 0x00, 0xAA, 0x00, 0x68, 0x86, 0xE3};
const char* kGuidText = "685BC400-9D2C-11CF-A9CD00AA006886E3";

// Runs a step when its message arrives, after what was posted before it.
struct Probe : Component {
    std::function<void()> step;
    Probe() : Component("Probe") {}
    void Connect() override { RegisterNamedHandler("Probe", Run); }
    static ContainerBase* Run(Component* c, BusMessage, ContainerBase*) {
        if (auto& f = static_cast<Probe*>(c)->step) f();
        return nullptr;
    }
};

class ConnectDialog : public NetDialogTest {
protected:
    // A scenario file's header: u32 first word, u32, the identity, the counted title.
    void WriteScenario(const std::string& name, std::uint32_t first, const unsigned char* guid, const std::string& title) {
        const std::string path = platform::MapPath(GetApplication()->GetDataDirectory(9) + "\\" + name);
        std::ofstream f(path, std::ios::binary);
        for (int i = 0; i < 4; ++i) f.put(static_cast<char>((first >> (8 * i)) & 0xFF));
        for (int i = 0; i < 4; ++i) f.put('\0');
        f.write(reinterpret_cast<const char*>(guid), 16);
        f.put(static_cast<char>(title.size()));
        f << title;
    }
    static ScenarioInfoStruct HostChoice(std::int32_t index, const std::string& file, const std::string& guid) {
        // A host without a choice sends its own "-- Not selected --".
        return ScenarioInfoStruct(guid, static_cast<SCENARIO>(index), index == -1 ? "-- Not selected --" : "Brandy Station",
                                  file, 0, 1, 17);
    }
};

} // namespace

TEST_F(ConnectDialog, AJoiningMachineTakesOnlyTheHostsOwnScenario) {
    unsigned char other[16];
    std::copy(std::begin(kGuid), std::end(kGuid), other);
    other[15] ^= 1;
    WriteScenario("same.scn", 0, kGuid, "Brandy Station");
    WriteScenario("other.scn", 0, other, "Brandy Station");
    WriteScenario("locked.scn", 1, kGuid, "Brandy Station");
    const struct {
        std::int32_t index;
        const char* file;
        bool missing;
        const char* shown;
    } cases[] = {
        {2, "same.scn", false, "Brandy Station"},
        {2, "other.scn", true, ""},   // same name, another identity
        {2, "locked.scn", true, ""},  // first word not 0
        {2, "absent.scn", true, ""},  // no such file
        {-1, "absent.scn", false, "-- Not selected --"}, // nothing chosen: no file is looked at
    };
    for (const auto& c : cases) {
        platform::ClearShownMessageBoxes();
        commsuitest::Recorder rec;
        rec.AttachToBus(GetApplication());
        VhConnectNetDlg lobby(0, "Bea", 2, -1, "", 0);
        lobby.AttachToBus(GetApplication());
        std::string shown;
        bool stillRunning = false;
        Probe probe;
        probe.AttachToBus(GetApplication());
        HWND dialog = nullptr;
        probe.step = [&] {
            stillRunning = lobby.IsRunning() != 0;
            if (stillRunning) {
                shown = lobby.GetItemText(ConnectNetDlg::kScenarioName);
                platform::ClickDlgItem(dialog, IDCANCEL);
            }
        };
        platform::QueueDialogScript([&](HWND d) {
            dialog = d;
            // Every choice arrives twice; the second copy changes nothing more.
            Container<ScenarioInfoStruct> change(HostChoice(c.index, c.file, kGuidText));
            rec.PostNamed("ScenarioChange", &change);
            rec.PostNamed("ScenarioChange", &change);
            rec.PostNamedEvent("Probe");
        });
        EXPECT_NE(lobby.Execute("ConnectNetDlg", Dialog::kApplicationModal), 1) << c.file;
        EXPECT_EQ(stillRunning, !c.missing) << c.file;
        if (c.missing) {
            ASSERT_EQ(platform::ShownMessageBoxCount(), 1u) << c.file;
            EXPECT_EQ(platform::ShownMessageBox(0).text, "The scenario for this session was not found on your machine.");
            EXPECT_EQ(std::count(rec.numbered.begin(), rec.numbered.end(), CLOSE_CONNECTION), 1) << c.file;
        } else {
            EXPECT_EQ(shown, c.shown) << c.file;
            EXPECT_EQ(platform::ShownMessageBoxCount(), 0u) << c.file;
            EXPECT_EQ(lobby.GetScenarioInfo().secondWord, 0) << "the record takes the joining player's flag";
            EXPECT_EQ(lobby.GetScenarioInfo().thirdWord, 17) << "the host's seed";
        }
        lobby.DetachFromBus();
        probe.DetachFromBus();
        rec.DetachFromBus();
    }
}

TEST_F(ConnectDialog, ASavedGameStartsOnlyWithItsPlayerCount) {
    WriteScenario("same.scn", 0, kGuid, "Brandy Station");
    VhConnectNetDlg lobby(1, "Ann", 1, 2, "same.scn", 3);
    lobby.AttachToBus(GetApplication());
    std::vector<bool> ok;
    std::string caption, shown;
    bool choose = true, reject = true;
    platform::QueueDialogScript([&](HWND d) {
        char buffer[128] = {};
        GetWindowTextA(d, buffer, sizeof buffer);
        caption = buffer;
        shown = lobby.GetItemText(ConnectNetDlg::kScenarioName);
        choose = Enabled(d, ConnectNetDlg::kChoose);
        reject = Enabled(d, ConnectNetDlg::kReject);
        for (std::uint32_t id = 2; id <= 4; ++id) {
            lobby.HandleConnectionEvent("Player " + std::to_string(id), id, ConnectionEvent::kLoggedOn);
            ok.push_back(Enabled(d, IDOK));
        }
        platform::ClickDlgItem(d, IDCANCEL);
    });
    lobby.Execute("ConnectNetDlg", Dialog::kApplicationModal);
    EXPECT_EQ(ok, (std::vector<bool>{false, true, false})) << "2, 3 and 4 players of 3 saved";
    EXPECT_EQ(caption, "Reconnecting Other Players (Saved Game)");
    EXPECT_EQ(shown, "Brandy Station");
    EXPECT_FALSE(choose);
    EXPECT_FALSE(reject);
    lobby.DetachFromBus();
}

TEST_F(ConnectDialog, TheHostReadsTheChosenFileAndDrawsASeed) {
    WriteScenario("same.scn", 0, kGuid, "Brandy Station");
    VhConnectNetDlg lobby(1, "Ann", 1, -1, "", 0);
    EXPECT_EQ(lobby.GetScenarioIndex(), -1);
    std::set<int> seeds;
    for (int i = 0; i < 20; ++i) {
        lobby.SetScenario(2, "same.scn");
        const ScenarioInfoStruct s = lobby.GetScenarioInfo();
        EXPECT_EQ(s.first, kGuidText);
        EXPECT_EQ(s.second, "Brandy Station");
        EXPECT_EQ(s.third, "same.scn");
        EXPECT_EQ(s.secondWord, 1);
        EXPECT_LT(s.thirdWord, 255);
        seeds.insert(s.thirdWord);
    }
    EXPECT_GT(seeds.size(), 1u);
    // A file the host cannot read is sent with no identity, which no joining machine matches.
    lobby.SetScenario(2, "absent.scn");
    EXPECT_TRUE(lobby.GetScenarioInfo().first.empty());
}
