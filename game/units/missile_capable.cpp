#include "game/units/missile_capable.h"

#include "game/logic/game_random.h"
#include "game/logic/logical_command.h"
#include "game/logic/stream_fields.h"

using namespace stream_fields;

namespace {

struct WeaponRow {
    std::uint16_t range;
    std::uint16_t fullLoad;
};

// Rows for the weapon codes 12..22.
constexpr WeaponRow Weapons[11] = {{1, 6}, {1, 6}, {1, 10}, {1, 6}, {2, 6}, {2, 8}, {2, 10}, {4, 15}, {5, 15}, {6, 15}, {7, 15}};

} // namespace

std::uint16_t WeaponRange(std::uint32_t type) { return type >= 12 && type <= 22 ? Weapons[type - 12].range : 0; }
std::uint16_t WeaponFullLoad(std::uint32_t type) { return type >= 12 && type <= 22 ? Weapons[type - 12].fullLoad : 0; }

std::uint16_t MissileCapable::missileFiringMode = 0;

MissileCapable::MissileCapable(const MissileCapableUnitData& data, const char* unitName)
    : Combat(data, unitName ? unitName : "Unnamed MissileCapable"), missileType(data.missileType),
      maxRange(WeaponRange(data.missileType)), maxMissiles(WeaponFullLoad(data.missileType)),
      missiles(WeaponFullLoad(data.missileType)), fireRating(data.fireRating) {
    formation = data.initialFormation ? 1 : 0;
    facingSide = formation ? 0 : 2;
    onTerrain18 = landscape && GetLocation() != 0xFFFF &&
                          landscape->RegionHasFeature(GetLocation(), VhLogicalLandscape::TowerCode)
                      ? 1
                      : 0;
    missileFiringMode = 0;
}

MissileCapable::~MissileCapable() = default;

void MissileCapable::ReplenishMissiles(std::uint16_t amount) {
    missiles = amount;
    hasActed = 1;
    isLegal = 0;
    Container<short> self(static_cast<short>(GetUnitNum()));
    PostNamed("UnitReplenished", &self);
}

namespace {
void AnnounceResupply(MissileCapable& unit, std::uint16_t amount) {
    Container<ReplenishMissilesInfo> record(ReplenishMissilesInfo(amount, unit.GetUnitNum()));
    unit.PostNamed("ReplenishMissiles", &record);
    const std::string text = unit.GetCommentaryName() + " re-supplied ammunition.";
    Container<std::string> line(text);
    delete unit.PostNamedAndWait("AddCommentary", &line);
}
} // namespace

void MissileCapable::ResupplyFull() {
    if (IsRouted() || missiles != 0) return;
    AnnounceResupply(*this, WeaponFullLoad(missileType));
}

void MissileCapable::Resupply() {
    if (IsRouted() || missiles != 0) return;
    const std::uint16_t full = WeaponFullLoad(missileType);
    const int half = full / 2;
    std::uint16_t amount = half > 0 ? static_cast<std::uint16_t>(GameRandom() % half) : 0;
    if (landscape && landscape->IsSupplyWagonInRange(this, 5)) amount = full;
    AnnounceResupply(*this, amount);
}

int MissileCapable::CanFireNow() const {
    return MayFireInFormation() && missiles > 0 && !IsRouted() && !firedThisPhase && !selectedOutOfCommands;
}

List<short> MissileCapable::ComputeMissileTargets() {
    List<short> targets;
    if (!landscape || GetLocation() == 0xFFFF || maxRange == 0) return targets;
    int first = 0, second = 0;
    switch (facing) {
    case 2: first = 2, second = 1; break;
    case 3: first = 2, second = 4; break;
    case 4: first = 4, second = 5; break;
    case 6: first = 5, second = 6; break;
    case 7: first = 6, second = 8; break;
    case 8: first = 8, second = 1; break;
    default: return targets;
    }
    List<DIRECTION> directions;
    directions.AddTail(static_cast<DIRECTION>(first));
    directions.AddTail(static_cast<DIRECTION>(second));
    List<short> reached;
    List<List<short>> paths;
    landscape->FindRegionsInRange(reached, directions, GetLocation(), static_cast<std::int16_t>(maxRange), 1, nullptr, &paths,
                                  nullptr, 0);
    auto elevation = [this](std::uint16_t hex) -> int {
        const LogicalRegion* r = landscape->GetRegion(hex);
        return r ? r->Elevation() : 0;
    };
    const int own = elevation(GetLocation());
    for (Item<List<short>>* p = paths.Head(); p; p = p->next) {
        List<short> path = p->value;
        path.AddHead(static_cast<short>(GetLocation()));
        int highest = own;
        for (Item<short>* h = path.Head(); h; h = h->next) {
            const auto hex = static_cast<std::uint16_t>(h->value);
            if (!landscape->IsRegionVisible(hex)) continue;
            const int e = elevation(hex);
            if (e > highest) highest = e;
            VhUnit* there = landscape->FirstUnitIn(hex);
            if (!there || !there->IsHostileTo(side)) continue;
            // Ground higher than the firer's own, between it and a lower target, hides it.
            if (highest > own && e < highest) continue;
            if (!targets.Contains(h->value)) targets.AddTail(h->value);
        }
    }
    return targets;
}

void MissileCapable::SetFormation(std::uint32_t direction, std::uint16_t newFormation, std::uint32_t newFacingSide) {
    const std::uint32_t towards = direction == 2 ? 1 : 2;
    formation = newFormation ? 1 : 0;
    facingSide = newFacingSide;
    const char* command = nullptr;
    if (formation == 0) {
        if (!isTwoHex) command = "ColumnFormation";
        else {
            command = towards == 1 ? "LeftFaceSprites" : "RightFaceSprites";
            facingSide = towards;
        }
        SendPicture(command, nullptr, false);
        return;
    }
    if (!isTwoHex) {
        SendPicture("LineFormation", nullptr, false);
        return;
    }
    SendPicture("CenterFaceSprites", nullptr, false);
    if (facingSide == towards) Rotate(towards, 3);
    facingSide = 0;
}

ContainerBase* MissileCapable::ChangeFormation(std::uint32_t direction) {
    if (isSelected) {
        PushUndo();
        Container<short> self(static_cast<short>(GetUnitNum()));
        PostNamed("GiveOrder", &self);
        movementPoints = movementPoints > 2 ? static_cast<std::uint16_t>(movementPoints - 2) : 0;
        hasActed = 1;
    }
    formation = formation ? 0 : 1;
    Container<LineColumnInfo> order(LineColumnInfo(direction, GetUnitNum(), formation, facingSide));
    delete SendNamed("DoLineColumn", &order);
    if (isSelected) {
        Container<List<short>> old(legalDestinations);
        Post(DEHIGHLIGHT_REGION, &old);
        FindLegalDestinations(legalDestinations, 0, 0);
        Container<List<short>> fresh(legalDestinations);
        Post(HIGHLIGHT_REGION, &fresh);
        PostEvent(INVALIDATE_VIEW);
    }
    return nullptr;
}

void MissileCapable::DoMissileFire(std::uint16_t hex) {
    ClearUndo();
    SendMenu(DISABLE_MENU_ITEM, unit_menu::UndoLastAction);
    if (missiles > 0) --missiles;
    const int bearing = landscape ? landscape->BearingToRegion(GetLocation(), hex) : 0;
    Container<LogicalCommandInfo> info(LogicalCommandInfo(
        GetUnitNum(), new Container<short>(static_cast<short>(bearing)), static_cast<std::int16_t>(hex),
        RegisterMessage("MissileFire"), RegisterMessage("ReturnFromMissileFire"),
        new Container<MissileDebrisStruct>(MissileDebrisStruct(hex, missileType, GetUnitNum(), static_cast<std::int32_t>(unitKind)))));
    Post(LOGICAL_COMMAND, &info);
}

void MissileCapable::FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t mode) {
    Combat::FindLegalDestinations(out, forFacing, mode);
    SendMenu(isSelected && CanFireNow() ? ENABLE_MENU_ITEM : DISABLE_MENU_ITEM, unit_menu::MissileFiring);
    // A unit in column cannot charge.
    if (!formation) attackHexes.Clear();
}

void MissileCapable::Save(SuperString& s) {
    Combat::Save(s);
    PutU16(s, missiles);
    PutU16(s, firedThisPhase);
    if (isSelected) PutU16(s, missileFiringMode);
}

bool MissileCapable::Load(SuperString& s) {
    if (!Combat::Load(s)) return false;
    if (!ReadU16(s, missiles) || !ReadU16(s, firedThisPhase)) return false;
    if (isSelected && !ReadU16(s, missileFiringMode)) return false;
    return true;
}

ContainerBase* MissileCapable::OnBeginLeaderOrdersPhase() {
    firedThisPhase = 0;
    return Combat::OnBeginLeaderOrdersPhase();
}

std::int32_t MissileCapable::Query(int code) const {
    switch (code) {
    case 6: return static_cast<std::int32_t>(missileType);
    case 7: return maxRange;
    case 8: return missiles;
    default: return Combat::Query(code);
    }
}

std::int16_t MissileCapable::CanFireAt(std::uint16_t hex) {
    UpdateMissileTargets();
    return missileTargets.Contains(static_cast<short>(hex)) ? 1 : 0;
}
