#pragma once
// VhConnectNetDlg: the lobby of a network game. Over the generic lobby (player list, chat line,
// Reject, OK only when the host may start) the host chooses the scenario; the choice travels to
// every joining player as "ScenarioChange", and each joining machine checks that it holds the
// same scenario file (same name, same identity). A saved network game continues only with as
// many players as it was saved with.
//
// Invariants: `choice.secondWord` is this dialog's host flag; a joining player's dialog shows a
// scenario only when its own file matches the host's.
#include "comms/ui/net_dialogs.h"
#include "game/app/dialogs/scenario_dlg.h"
#include "game/logic/combat_records.h"

#include <cstdint>
#include <string>

class VhConnectNetDlg : public ConnectNetDlg {
public:
    VhConnectNetDlg(std::uint16_t isHost, const char* ownName, std::uint32_t ownId, std::int32_t scenarioIndex,
                    const std::string& scenarioFile, std::uint16_t savedPlayerCount);
    ~VhConnectNetDlg() override;

    void HookUp() override;
    void Command(std::int16_t itemId, std::int16_t notification) override;
    void OnInit() override;
    void PlayerJoined(const std::string& name, std::uint32_t playerId) override;
    std::int16_t CanStart() override;

    void SetScenario(std::int32_t index, const std::string& fileName);
    std::int16_t OnScenarioChange(ScenarioInfoStruct s);

    ScenarioInfoStruct GetScenarioInfo() const { return choice; }
    std::int32_t GetScenarioIndex() const { return static_cast<std::int32_t>(choice.scenario); }
    std::string GetScenarioFile() const { return choice.third; }
    std::uint16_t SavedGameMode() const { return savedGameMode; }

    // The GUID text of 16 identity bytes: u32, two u16 (little-endian) and eight bytes.
    static std::string GuidText(const unsigned char* bytes);
    // Reads a scenario file's identity and title; false when it cannot be read whole.
    static bool ReadScenarioHeader(const std::string& fileName, std::uint32_t* first, std::string* guid,
                                   std::string* title);

private:
    static ContainerBase* OnScenarioChangeEntry(Component* c, BusMessage e, ContainerBase* p);
    void Announce();

    ScenarioDlg scenarioDialog;
    std::uint16_t savedGameMode;
    std::uint16_t savedPlayerCount;
    ScenarioInfoStruct choice;
};
