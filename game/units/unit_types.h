#pragma once
// The four kinds of fighting units the game builds, and the table of unit types that the
// application registers: each type name pairs a picture class with one of these rules classes.
//
// Invariants: each class writes its own unit kind (17 wagon, 3 infantry, 15 artillery, 12
// cavalry) once its base is built; cavalry starts mounted. The unit-type table lists each name
// once, in registration order.
#include "game/units/combat.h"
#include "game/units/leader.h"
#include "game/units/missile_capable.h"

#include <cstdint>
#include <memory>

class SupplyWagon : public Combat {
public:
    explicit SupplyWagon(const CombatUnitData& data, const char* unitName = nullptr);

    VhUnit* CreateFromRecord(VhUnitData& record, const char* unitName) override;
    std::uint16_t StrengthValue() const override { return 2; }
    // A wagon never charges: it has no attack hexes.
    void FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t mode) override;
    // The wagon's ammunition goes to the enemy's empty missile units within 5 hexes.
    void RemoveFromPlay() override;
};

class MediumInfantry : public MissileCapable {
public:
    explicit MediumInfantry(const MissileCapableUnitData& data, const char* unitName = nullptr);

    VhUnit* CreateFromRecord(VhUnitData& record, const char* unitName) override;
    int MayFireInFormation() const override { return formation; }
    int CanChangeFormation() const override { return 1; }
    // A two-hex column faces along its files: two steps turned toward the side its figures stand.
    std::uint32_t GetFacing() const override;
    void FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t mode) override;
    void SetFormationOrder(std::uint16_t newFormation) override;
    // In a group move infantry keeps its weapon's range from the target.
    std::int16_t BestDestinationAdjacent(std::uint16_t target) override { return BestDestinationToward(target, maxRange); }
};

class Artillery : public MissileCapable {
public:
    explicit Artillery(const MissileCapableUnitData& data, const char* unitName = nullptr);

    VhUnit* CreateFromRecord(VhUnitData& record, const char* unitName) override;
    int MayFireInFormation() const override { return formation; }
    int MaySelectOutOfCommands() override { return 0; }
    void SetFormationOrder(std::uint16_t newFormation) override;
    int IsLimbered() const { return formation == 0; }
    // An unlimbered battery does not move and never charges.
    void FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t mode) override;
    ContainerBase* OnSelectionConfirmed() override;
    ContainerBase* OnUnitDeselected() override;
    // A battery ordered to move, or evading, limbers first.
    std::int16_t MoveToHex(std::uint16_t hex) override;
    void EvadeReaction() override;
    std::int16_t BestDestinationAdjacent(std::uint16_t target) override { return BestDestinationToward(target, 4); }
    // The player's limber or unlimber order (body of "UnitLimberUnlimber").
    virtual ContainerBase* LimberOrder();
    // The state change every machine makes for "DoLimberUnlimber", with its picture.
    virtual void SetLimbered(std::uint16_t limbered);
};

class LightCav : public MissileCapable {
public:
    explicit LightCav(const MissileCapableUnitData& data, const char* unitName = nullptr);

    VhUnit* CreateFromRecord(VhUnitData& record, const char* unitName) override;
    int MayFireInFormation() const override { return formation && !mounted; }
    int CanChangeFormation() const override { return 1; }
    void SetFormationOrder(std::uint16_t newFormation) override;
    void FindLegalDestinations(List<short>& out, std::uint32_t forFacing, std::uint16_t mode) override;
    // Dismounted cavalry pays 4 points when selected.
    ContainerBase* OnSelectionConfirmed() override;
    ContainerBase* OnUnitDeselected() override;
    // Dismounted cavalry mounts before it evades.
    void EvadeReaction() override;
    std::int16_t BestDestinationAdjacent(std::uint16_t target) override { return BestDestinationToward(target, 1); }
    // The player's mount or dismount order (body of "UnitMountDismount").
    virtual ContainerBase* MountOrder();
    // The state change every machine makes for "DoMountDismount", with its pictures.
    virtual void SetMounted(std::uint16_t nowMounted);
};

// One row of the application's table of unit types.
struct UnitTypeEntry {
    const char* name;
    // Kind code under which the application files the type (0..17).
    int kind;
    // The art name of the picture when it differs from the type's name; null otherwise.
    const char* pictureArt;
    // The rules prototype: a unit built from an empty record of the class it needs.
    std::unique_ptr<VhUnit> (*makeRules)(const char* name);
};

// The fourteen unit types in registration order (the registration number is the index).
const UnitTypeEntry* UnitTypeTable();
int UnitTypeCount();
