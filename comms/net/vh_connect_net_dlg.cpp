#include "comms/net/vh_connect_net_dlg.h"

#include "core/application.h"
#include "core/assertion.h"
#include "core/container.h"
#include "core/events.h"
#include "game/app/dialogs/custom_scenario_dlg.h"
#include "platform/msgbox.h"
#include "platform/path.h"

#include <chrono>
#include <cstdio>
#include <random>

namespace {

constexpr const char* kSource = "CONNDLG";
constexpr std::uint32_t kNotSelected = 92;
constexpr std::uint32_t kReconnectingCaption = 102;
constexpr std::uint32_t kScenarioMissing = 671;

std::string Resource(std::uint32_t id) {
    Application* app = GetApplication();
    return app ? app->LoadResourceString(id) : std::string();
}

std::string ScenarioPath(const std::string& fileName) {
    Application* app = GetApplication();
    return (app ? app->GetDataDirectory(9) : std::string()) + "\\" + fileName;
}

} // namespace

std::string VhConnectNetDlg::GuidText(const unsigned char* g) {
    const unsigned long first = static_cast<unsigned long>(g[0]) | (static_cast<unsigned long>(g[1]) << 8) |
                                (static_cast<unsigned long>(g[2]) << 16) | (static_cast<unsigned long>(g[3]) << 24);
    char text[40];
    std::snprintf(text, sizeof text, "%08lX-%04X-%04X-%02X%02X%02X%02X%02X%02X%02X%02X", first,
                  static_cast<unsigned>(g[4] | (g[5] << 8)), static_cast<unsigned>(g[6] | (g[7] << 8)), g[8], g[9],
                  g[10], g[11], g[12], g[13], g[14], g[15]);
    return text;
}

bool VhConnectNetDlg::ReadScenarioHeader(const std::string& fileName, std::uint32_t* first, std::string* guid,
                                         std::string* title) {
    std::vector<std::uint8_t> bytes;
    if (!platform::ReadWholeFile(ScenarioPath(fileName), bytes) || bytes.size() < 25) return false;
    *first = static_cast<std::uint32_t>(bytes[0]) | (static_cast<std::uint32_t>(bytes[1]) << 8) |
             (static_cast<std::uint32_t>(bytes[2]) << 16) | (static_cast<std::uint32_t>(bytes[3]) << 24);
    *guid = GuidText(bytes.data() + 8);
    const std::size_t n = bytes[24];
    if (bytes.size() < 25 + n) return false;
    title->assign(reinterpret_cast<const char*>(bytes.data()) + 25, n);
    return true;
}

VhConnectNetDlg::VhConnectNetDlg(std::uint16_t isHost, const char* ownName, std::uint32_t ownId,
                                 std::int32_t scenarioIndex, const std::string& scenarioFile,
                                 std::uint16_t savedPlayerCount_)
    : Window(Point(0, 0), Dim(0, 0), "", "ConnectNetDlg"), ConnectNetDlg(isHost, ownName, ownId),
      savedGameMode(scenarioIndex != -1 ? 1 : 0), savedPlayerCount(savedPlayerCount_) {
    choice.secondWord = static_cast<std::int16_t>(isHost);
    SetScenario(scenarioIndex, scenarioFile);
}

VhConnectNetDlg::~VhConnectNetDlg() = default;

void VhConnectNetDlg::HookUp() {
    ConnectNetDlg::HookUp();
    RegisterNamedHandler("ScenarioChange", OnScenarioChangeEntry);
}

void VhConnectNetDlg::SetScenario(std::int32_t index, const std::string& fileName) {
    choice.scenario = static_cast<SCENARIO>(index);
    choice.third = fileName;
    if (index == -1) {
        choice.second = Resource(kNotSelected);
        return;
    }
    std::uint32_t first = 0;
    std::string guid, title;
    if (ReadScenarioHeader(fileName, &first, &guid, &title)) {
        choice.first = guid;
        choice.second = title;
    } else {
        // A file the host cannot read is sent with an identity no joining machine matches, so
        // nobody starts a battle on a scenario the host itself does not have.
        choice.first.clear();
        choice.second = fileName;
    }
    static std::mt19937 source(static_cast<std::uint32_t>(
        std::chrono::system_clock::now().time_since_epoch().count()));
    choice.thirdWord = static_cast<std::uint16_t>(source() % 255);
}

void VhConnectNetDlg::Announce() {
    Container<ScenarioInfoStruct> payload(choice);
    PostNamed("ScenarioChange", &payload);
}

void VhConnectNetDlg::Command(std::int16_t itemId, std::int16_t notification) {
    if (scenarioDialog.IsRunning()) return;
    switch (itemId) {
    case IDOK:
    case IDCANCEL:
        if (itemId == IDOK && !CanStart()) break; // the lobby stays; its handler with it
        UnregisterNamedHandler("ScenarioChange", OnScenarioChangeEntry);
        ConnectNetDlg::Command(itemId, notification);
        break;
    case kHelp: break;
    case kChoose: {
        if (scenarioDialog.Execute("Scenario", Dialog::kApplicationModal) > 0) {
            SetScenario(scenarioDialog.GetSelection(), scenarioDialog.GetScenarioName());
            Announce();
            ConnectNetDlg::Command(kChoose, notification);
        }
        if (scenarioDialog.IsCustom()) {
            CustomScenarioDlg custom;
            if (custom.Execute("CustomSceneDlg", Dialog::kModal) > 0) {
                SetScenario(custom.GetScenarioIndex(), custom.GetScenarioName());
                Announce();
                ConnectNetDlg::Command(kChoose, notification);
            }
        }
        if (GetHandle()) SetItemText(kScenarioName, choice.second.c_str());
        break;
    }
    default: ConnectNetDlg::Command(itemId, notification); break;
    }
}

void VhConnectNetDlg::OnInit() {
    ConnectNetDlg::OnInit();
    if (!savedGameMode) {
        choice.second = Resource(kNotSelected);
        choice.third.clear();
    } else {
        scenarioChosen_ = 1;
        EnableItem(kReject, 0);
        EnableItem(kChoose, 0);
        SetWindowTextA(GetHandle(), Resource(kReconnectingCaption).c_str());
    }
    SetItemText(kScenarioName, choice.second.c_str());
}

void VhConnectNetDlg::PlayerJoined(const std::string& name, std::uint32_t playerId) {
    Announce();
    ConnectNetDlg::PlayerJoined(name, playerId);
}

std::int16_t VhConnectNetDlg::CanStart() {
    if (savedGameMode == 1 && playerNames_.Count() != savedPlayerCount) return 0;
    return ConnectNetDlg::CanStart();
}

std::int16_t VhConnectNetDlg::OnScenarioChange(ScenarioInfoStruct s) {
    choice = std::move(s);
    choice.secondWord = static_cast<std::int16_t>(isServer_);
    bool missing = false;
    if (static_cast<std::int32_t>(choice.scenario) != -1) {
        std::uint32_t first = 1;
        std::string guid, title;
        missing = !(ReadScenarioHeader(choice.third, &first, &guid, &title) && first == 0 && !choice.first.empty() &&
                    guid == choice.first);
    }
    if (missing) {
        if (!running_) return 0;
        running_ = 0;
        if (Application* app = GetApplication())
            app->ShowMessage(Resource(kScenarioMissing).c_str(), Resource(1).c_str(), MB_ICONINFORMATION);
        delete SendEvent(BusMessage(CLOSE_CONNECTION));
        Close(0);
        return 0;
    }
    if (GetHandle()) {
        SetItemText(kScenarioName, choice.second.c_str());
        ::InvalidateRect(GetHandle(), nullptr, TRUE);
    }
    return 0;
}

ContainerBase* VhConnectNetDlg::OnScenarioChangeEntry(Component* c, BusMessage, ContainerBase* p) {
    VhConnectNetDlg* self = dynamic_cast<VhConnectNetDlg*>(c);
    const ScenarioInfoStruct* s = PayloadValue<ScenarioInfoStruct>(p);
    if (!self || !s) {
        Assert(0, kBadBusData, kSource, 154);
        return nullptr;
    }
    self->OnScenarioChange(*s);
    return nullptr;
}
