#include "game/app/vh_toolbar.h"

#include "core/assertion.h"
#include "core/events.h"
#include "core/message_registry.h"
#include "game/units/vh_unit.h"
#include "ui/button.h"

namespace {

constexpr const char* kSource = "VHTOOL";

const VhToolbar::CommandName kNames[VhToolbar::kCommandNames] = {
    {226, "GameSaveMenu"},         {227, "GameSaveAsMenu"},
    {230, "GamePreferences"},      {211, "GameClose"},
    {256, "GameEnded"},            {224, "LeaderFinishLeader"},
    {209, "LeaderCenterOnLeader"}, {212, "LeaderGroupMove"},
    {260, "LeaderGroupRestoreMorale"}, {222, "UnitCenterOnUnit"},
    {220, "RotateLeft"},           {221, "RotateRight"},
    {235, "UnitAboutFace"},        {246, "UnitBackwardMovement"},
    {219, "MissleVolley"},         {214, "UnitRestoreMorale"},
    {213, "RallyUnit"},            {225, "UnitViewDetails"},
    {255, "UnitUndo"},             {223, "MapReverseView"},
    {236, "HelpAboutThisBattle"},  {238, "HelpHelp"},
    {193, "UnitMountDismount"},    {194, "UnitLimberUnlimber"},
    {196, "UnitColumnLineLeft"},   {195, "UnitColumnLineRight"},
};

struct ButtonRow {
    bool gap;
    const char* library;
    const char* image;
    std::uint16_t id;
    const char* status;
    const char* tip;
    const char* name;
    std::uint16_t toggle;
};

// The plain buttons; the two toggles (overview, hex grid) sit between Open Map and Reverse View.
const ButtonRow kButtonsBefore[] = {
    {true, "Buttons 1", "CloseBattle", 211, "Close the current battle and return to the main menu", "Close Battle",
     "Game Close Button", 0},
    {true, "Buttons 1", "FinishLeader", 224, "End leader's turn and move to shock combat", "Finish Leader",
     "Finish Leader Button", 0},
    {false, "Buttons 1", "CenterOnLeader", 209, "Center on the currently active leader", "Center On Leader",
     "Center On Leader Button", 0},
    {false, "Buttons 1", "GroupMove", 212, "Attempt Group Move with the currently active leader", "Group Move",
     "Group Move Button", 0},
    {false, "Buttons 1", "GroupAttack", 259, "Attemp a Group Attack with the currently active leader", "Group Attack",
     "Group Attack Button", 0},
    {true, "Buttons 1", "RotateLeft", 220, "Change the unit's facing counter-clockwise", "Rotate Counter-clockwise",
     "Rotate Counterclockwise Button", 0},
    {false, "Buttons 1", "RotateRight", 221, "Change the unit's facing clockwise", "Rotate Clockwise",
     "Rotate Clockwise Button", 0},
    {false, "Buttons 1", "AboutFace", 235, "Do an about face", "About Face", "About Face Button", 0},
    {false, "Buttons 1", "BackwardMovement", 246, "Show the unit's backward movement range", "Backward Movement",
     "Backward Movement Button", 1},
    {false, "Buttons 1", "MissileVolley", 219, "Make selected unit perform missile fire", "Missile Fire",
     "Missile Fire Button", 1},
    {false, "Buttons 2", "RestoreCohesion", 214, "Restore morale hits to the selected unit", "Restore Morale",
     "Restore Morale Unit", 0},
    {false, "Buttons 2", "Rally", 213, "Rally the selected unit", "Rally Unit", "Rally Unit Button", 0},
    {false, "Buttons 2", "ViewDetails", 225, "View the selected unit's vitals", "View Details", "View Details Button",
     0},
    {true, "Buttons 4", "FormLeft", 196, "Change the unit's formation counter-clockwise",
     "Formation Counter-clockwise", "Formation Counterclockwise Button", 0},
    {false, "Buttons 4", "FormRight", 195, "Change the unit's formation clockwise", "Formation Clockwise",
     "Formation Clockwise Button", 0},
    {false, "Buttons 4", "Mount", 193, "Mount or Dismount cavalry unit", "Mount/Dismount", "Mount/Dismount Button", 0},
    {false, "Buttons 4", "Limber", 194, "Limber or Unlimber artillery unit", "Limber/Unlimber",
     "Limber/Unlimber Button", 0},
    {true, "Buttons 2", "OpenMap", 254, "Open a map view", "Open Map", "Open Map Button", 0},
};

const ButtonRow kButtonsAfter[] = {
    {false, "Buttons 3", "ReverseView", 223, "Rotate the map 180 degrees", "Reverse View", "Reverse View Button", 0},
    {true, "Buttons 3", "ZoomIn", 218, "Zoom the map in", "Zoom In", "Zoom In Button", 0},
    {false, "Buttons 3", "Normal", 217, "Restore the map to normal view", "Normal", "Normal Button", 0},
    {false, "Buttons 3", "ZoomOut", 216, "Zoom the map out", "Zoom Out", "Zoom Out Button", 0},
    {true, "Buttons 3", "Undo", 255, "Undo the last unit action", "Undo", "Undo Button", 0},
};

constexpr std::uint16_t kGreyAtStart[] = {211, 224, 209, 212, 259, 220, 221, 235, 246, 219,
                                          213, 214, 225, 255, 254, 251, 250, 257, 258, 223,
                                          218, 217, 216, 107, 106, 104, 195, 196, 193, 194};

constexpr std::int16_t kGroupGap = 5;

} // namespace

const VhToolbar::CommandName* VhToolbar::CommandNames() { return kNames; }

bool VhToolbar::RegisterCommandNames() {
    bool all = true;
    for (const CommandName& c : kNames) all = RegisterMessageId(c.id, c.name) && all;
    return all;
}

VhToolbar::VhToolbar(HWND parent, const char* name)
    : Window(Point(0, 0), Dim(0, 0), "", name ? name : "Toolbar"), WindowsToolbar(kArtLibrary, parent, name) {
    RegisterCommandNames();
    AddButtons();
}

VhToolbar::~VhToolbar() = default;

void VhToolbar::AddButtons() {
    auto add = [this](const ButtonRow& row) {
        if (row.gap) AddSpace(kGroupGap);
        AddButton(new Button(row.library, row.image, BusMessage(row.id), row.status, row.tip, row.name, row.toggle));
    };
    for (const ButtonRow& row : kButtonsBefore) add(row);

    auto* overview = new MultiStateButton(2, "Buttons 2", "HideOverview", BusMessage(250), "Hide Overview map",
                                          "Hide Overview Map", "Toggle Overview Button");
    overview->SetStateInfo(1, "ShowOverview", BusMessage(251), "Show overview map", "Show Overview Map");
    AddButton(overview);
    auto* hexGrid = new MultiStateButton(2, "Buttons 2", "ShowHexGrid", BusMessage(257), "Turn the hex grid on",
                                         "Hex grid on", "Toggle Hexgrid Button");
    hexGrid->SetStateInfo(1, "HideHexGrid", BusMessage(258), "Turn the hex grid off", "Hex grid off");
    AddButton(hexGrid);

    for (const ButtonRow& row : kButtonsAfter) add(row);
}

void VhToolbar::Connect() {
    Toolbar::RegisterNamedHandler("BlockSaveMenu", OnBlockSaveMenu);
    Toolbar::RegisterNamedHandler("UnblockSaveMenu", OnUnblockSaveMenu);
    Toolbar::RegisterNamedHandler("BlockLeaderMenu", OnBlockLeaderMenu);
    Toolbar::RegisterNamedHandler("UnblockLeaderMenu", OnUnblockLeaderMenu);
    Toolbar::RegisterNamedHandler("Movement", OnMovement);
    Toolbar::RegisterNamedHandler("NoMovement", OnNoMovement);
    WindowsToolbar::Connect();
    for (std::uint16_t id : kGreyAtStart) {
        Container<BusMessage> item{BusMessage(id)};
        Toolbar::Post(DISABLE_MENU_ITEM, &item);
    }
}

void VhToolbar::SendMenu(BusMessage event, std::uint16_t id) {
    Container<BusMessage> item{BusMessage(id)};
    delete Toolbar::Send(event, &item);
}

void VhToolbar::MovementChanged(bool moving) {
    const BusMessage event = moving ? DISABLE_MENU_ITEM : ENABLE_MENU_ITEM;
    if (!saveBlocked) {
        SendMenu(event, 226);
        SendMenu(event, 227);
    }
    if (!leaderBlocked) SendMenu(event, 224);
    SendMenu(event, 223);
    VhUnit::SetUndoMenuSuppressed(moving ? 1 : 0);
    if (VhUnit::GetUndoCount() > 0) {
        Container<BusMessage> item{BusMessage(unit_menu::UndoLastAction)};
        delete Toolbar::PostAndWait(event, &item);
    }
}

namespace {
VhToolbar* Self(Component* receiver, int line) {
    VhToolbar* self = nullptr;
    return BusReceiver(receiver, self, kSource, line) ? self : nullptr;
}
} // namespace

ContainerBase* VhToolbar::OnBlockSaveMenu(Component* receiver, BusMessage, ContainerBase*) {
    if (VhToolbar* self = Self(receiver, __LINE__)) {
        self->saveBlocked = 1;
        self->SendMenu(DISABLE_MENU_ITEM, 226);
        self->SendMenu(DISABLE_MENU_ITEM, 227);
    }
    return nullptr;
}

ContainerBase* VhToolbar::OnUnblockSaveMenu(Component* receiver, BusMessage, ContainerBase*) {
    if (VhToolbar* self = Self(receiver, __LINE__)) {
        self->saveBlocked = 0;
        self->SendMenu(ENABLE_MENU_ITEM, 226);
        self->SendMenu(ENABLE_MENU_ITEM, 227);
    }
    return nullptr;
}

ContainerBase* VhToolbar::OnBlockLeaderMenu(Component* receiver, BusMessage, ContainerBase*) {
    if (VhToolbar* self = Self(receiver, __LINE__)) {
        self->leaderBlocked = 1;
        for (std::uint16_t id : {224, 212, 248, 259, 260}) self->SendMenu(DISABLE_MENU_ITEM, id);
    }
    return nullptr;
}

ContainerBase* VhToolbar::OnUnblockLeaderMenu(Component* receiver, BusMessage, ContainerBase*) {
    if (VhToolbar* self = Self(receiver, __LINE__)) {
        self->leaderBlocked = 0;
        self->SendMenu(ENABLE_MENU_ITEM, 224);
    }
    return nullptr;
}

ContainerBase* VhToolbar::OnMovement(Component* receiver, BusMessage, ContainerBase*) {
    if (VhToolbar* self = Self(receiver, __LINE__)) self->MovementChanged(true);
    return nullptr;
}

ContainerBase* VhToolbar::OnNoMovement(Component* receiver, BusMessage, ContainerBase*) {
    if (VhToolbar* self = Self(receiver, __LINE__)) self->MovementChanged(false);
    return nullptr;
}
