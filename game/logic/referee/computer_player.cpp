#include "game/logic/referee/computer_player.h"

#include "core/application.h"
#include "core/container.h"
#include "game/logic/referee/vh_logical_layer.h"
#include "platform/msgbox.h"

namespace {

ComputerPlayerFactory* installed = nullptr;

constexpr int ScriptDamaged = 674;
constexpr int ScriptDirectoryKind = 6;

} // namespace

ComputerPlayerFactory::~ComputerPlayerFactory() = default;

ComputerPlayerFactory* GetComputerPlayerFactory() { return installed; }
void SetComputerPlayerFactory(ComputerPlayerFactory* factory) { installed = factory; }

void VhLogicalLayer::CreateComputerPlayer(bool homeSide) {
    ComputerPlayerFactory* factory = GetComputerPlayerFactory();
    if (!factory) return;
    Component*& slot = homeSide ? computerPlayerA : computerPlayerB;
    // A second initialisation without "CloseGame" replaces the player instead of losing it.
    delete slot;
    slot = nullptr;
    Component* player = factory->Create(landscape);
    if (!player) return;
    slot = player;
    player->AttachToBus(this);
    factory->SetLists(player, &combatUnits, &leaders, &groups);
    Application* app = GetApplication();
    const std::string directory = app ? app->GetDataDirectory(ScriptDirectoryKind) : std::string();
    if (factory->CompileScript(player, directory + "\\" + scriptName)) return;
    if (app) {
        const std::string text = app->LoadResourceString(ScriptDamaged);
        const std::string caption = app->LoadResourceString(scenario_message::ProductName);
        app->ShowMessage(text.c_str(), caption.c_str(), MB_OK | MB_ICONINFORMATION);
    }
    Container<short> ended(0);
    delete PostNamedAndWait("GameEnded", &ended);
}
