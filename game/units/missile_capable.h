#pragma once
// MissileCapable: the combat units that fire missiles (infantry, cavalry, artillery). It adds a
// weapon with a range and an ammunition supply, the missile targets of the moment, and the
// line/column formation of units that have one.
//
// Invariants: missiles never exceeds what a refill may give and never goes below 0; maxRange and
// maxMissiles follow the weapon table for missileType; a missile unit in line has facing side 0.
#include "game/units/combat.h"

#include <cstdint>
#include <string>

template <> struct TypeNameTraits<class MissileCapable*> {
    static std::string Name() { return "MissileCapable *"; }
};

// The name of a missile type 0..22; empty for 0 and any other value.
inline const char* WeaponName(std::uint32_t missileType) {
    static const char* const names[23] = {"",
                                          "Archer",
                                          "Archer",
                                          "Slinger",
                                          "Jav",
                                          "Archer",
                                          "Archer",
                                          "Jav",
                                          "Bolt",
                                          "Axe",
                                          "Musket",
                                          "Battery",
                                          "Muzzle-Carbine",
                                          "Breach-Carbine",
                                          "Repeat-Carbine",
                                          "Muzzle-Musket",
                                          "Muzzle Rifle-Musket",
                                          "Breach Rifle",
                                          "Repeat Rifle",
                                          "Howitzer",
                                          "Smoothbore",
                                          "Mixed",
                                          "Rifled"};
    return missileType < 23 ? names[missileType] : "";
}
// Range and full load of a weapon (0 and 0 for a type without a row).
std::uint16_t WeaponRange(std::uint32_t missileType);
std::uint16_t WeaponFullLoad(std::uint32_t missileType);

class MissileCapable : public Combat {
public:
    MissileCapable(const MissileCapableUnitData& data, const char* unitName);
    ~MissileCapable() override;

    // Set while the selected unit waits for the player to pick a target hex.
    static std::uint16_t missileFiringMode;

    std::uint32_t GetMissileType() const { return missileType; }
    std::string GetWeaponName() const { return WeaponName(missileType); }
    std::uint16_t GetMaxMissiles() const { return maxMissiles; }
    std::uint16_t GetMissiles() const { return missiles; }
    std::uint16_t GetMaxRange() const { return maxRange; }
    std::int16_t GetRating() const { return fireRating; }
    std::int16_t GetFireRating() const { return fireRating; }
    std::uint16_t IsOnTerrain18() const { return onTerrain18; }
    std::uint16_t HasFiredThisPhase() const { return firedThisPhase; }
    List<short>& GetMissileTargets() { return missileTargets; }

    // Ammunition. ReplenishMissiles is the state change every machine makes for
    // "ReplenishMissiles"; the refills post it.
    void ReplenishMissiles(std::uint16_t amount);
    virtual void Resupply();
    virtual void ResupplyFull();
    // Whether the unit may fire now: its formation allows it, it has missiles, it is not routed,
    // it has not fired this phase and its leader had commands left when it was selected.
    int CanFireNow() const;

    // The hexes held by enemies that the unit may fire at now, in the order first met.
    virtual List<short> ComputeMissileTargets();
    void UpdateMissileTargets() { missileTargets = ComputeMissileTargets(); }
    virtual std::int16_t IsMissileFiringMode() const { return static_cast<std::int16_t>(missileFiringMode); }
    // The formation change that every machine makes for "DoLineColumn", with its picture.
    virtual void SetFormation(std::uint32_t direction, std::uint16_t newFormation, std::uint32_t newFacingSide);
    // The selected unit's formation orders (direction 1 left, 2 right).
    virtual ContainerBase* ChangeFormationLeft() { return ChangeFormation(1); }
    virtual ContainerBase* ChangeFormationRight() { return ChangeFormation(2); }
    // The volley every machine plays for "DoMissileFire": one missile spent, the picture asked to
    // fire and to answer "ReturnFromMissileFire".
    void DoMissileFire(std::uint16_t hex);

    // The missile firing flow of the selected unit: the mode on and off, the order on a target,
    // the volley's result when the picture has played it, and the one volley a target returns.
    ContainerBase* OnMissileVolley(std::int16_t unitNumber) override;
    ContainerBase* OrderMissileFire(std::uint16_t hex);
    ContainerBase* ResolveMissileFire(const MissileDebrisStruct& debris);
    void ReturnFire(MissileCapable* firer);
    ContainerBase* ResolveReturnFire(const MissileDebrisStruct& debris);
    ContainerBase* OnFiringModeOWResolved(const ResolveOWStruct& result);
    std::int16_t FireAtHex(std::uint16_t hex) override;
    int FireAtFrontEnemy();
    ContainerBase* OnSelectionConfirmed() override;
    ContainerBase* OnUnitDeselected() override;
    ContainerBase* OnHoverSelected(std::int16_t hex) override;
    ContainerBase* OnEndOWSegment(const EndOWStruct& flag) override;

    int IsMissileCapable() const override { return 1; }
    // Combat's list; the missile-firing menu item follows whether the selected unit can fire.
    void FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t mode) override;
    void Save(SuperString& s) override;
    bool Load(SuperString& s) override;
    ContainerBase* OnBeginLeaderOrdersPhase() override;
    std::int32_t Query(int code) const override;
    std::int16_t CanFireAt(std::uint16_t hex) override;
    int IsInLine() const override { return formation; }
    int IsMounted() const override { return mounted; }

protected:
    ContainerBase* ChangeFormation(std::uint32_t direction);
    // Gives the menu items back after the firing mode or a fire order (refresh: the highlight too).
    void RestoreOrderMenu(bool refresh);
    // The result of one volley at the target hex; returnFire: the volley was itself returned.
    void ResolveVolley(const MissileDebrisStruct& debris, bool returnFire);

    std::uint32_t missileType = 0;
    std::uint16_t maxRange = 0;
    std::uint16_t maxMissiles = 0;
    std::uint16_t missiles = 0;
    List<short> missileTargets;
    std::uint16_t firedThisPhase = 0;
    std::uint16_t onTerrain18 = 0;
    std::int16_t fireRating = 0;
};

inline MissileCapable* AsMissileCapable(VhUnit* unit) {
    return unit && unit->IsMissileCapable() ? static_cast<MissileCapable*>(unit) : nullptr;
}
inline const MissileCapable* AsMissileCapable(const VhUnit* unit) {
    return unit && unit->IsMissileCapable() ? static_cast<const MissileCapable*>(unit) : nullptr;
}
