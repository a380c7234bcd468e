#pragma once
// The picture classes of the unit kinds. Each derives from VhPhysicalObject, sets up its own
// figures and plays the commands of its kind; every other command falls to the base picture.
//
//   PInfantry        eight foot figures, no missiles (kind and variant given)
//   PHorse           a companion: a riderless horse or a running chariot, one figure
//   PLeader          one figure that carries its own flag; wounded set of sequences
//   PSupplyWagon     one wagon figure on the hex's anchor (kind 14)
//   PMissileUnit     ball sprites and their art; the base of the firing pictures
//   PMusket          eight musket figures: line and column, volleys, fire in combat
//   PShockingMusket  a musket whose figures drop shields and fight with the base's melee
//   PMountedMusket   six riders that mount and dismount (two art sets)
//   PArtillery       a battery drawn as one piece: limbered and unlimbered art, cannon fire
//   PMixedArtillery  a battery whose first piece is drawn in the other metal
//   PPhalanx         twenty figures in two ranks across two hexes
//   PHeavyInfantry   a phalanx that fires volleys and turns its figures in place
#include "game/pictures/vh_physical_object.h"

#include <cstdint>
#include <string>

class PInfantry : public VhPhysicalObject {
public:
    PInfantry(const char* artName, std::uint32_t kind, std::uint32_t kindVariant, std::int16_t hex, std::uint32_t facing);
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    void SetUpFigures() override;
    VhSprite* MakeSpear(std::int16_t slot) override;
};

class PHorse : public VhPhysicalObject {
public:
    PHorse(const char* artName, std::int16_t hex, std::uint32_t facing, std::uint32_t kind, std::uint16_t delayedEntry);
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    void SetUpFigures() override;
    void StartCommand(LogicalCommandInfo& command) override;
    std::int16_t GetStepSpeed() const override { return (moveDirection == 3 || moveDirection == 7) ? 260 : 166; }
    std::uint16_t DelayedEntry() const { return delayedEntry; }

protected:
    bool CarriesFlag() const override { return false; }

private:
    void QueueDelay();
    std::uint16_t delayedEntry;
};

class PLeader : public VhPhysicalObject {
public:
    PLeader(const char* artName, std::int16_t hex, std::uint32_t facing, std::int16_t secondKind);
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    void SetUpFigures() override { BuildLeaderFigure(); }
    void StartCommand(LogicalCommandInfo& command) override;
    void Save(SuperString& s) override;
    void Load(SuperString& s) override;
    std::int16_t GetStepSpeed() const override { return (moveDirection == 3 || moveDirection == 7) ? 260 : 166; }
    const std::string& StandingName() const { return standingName; }

private:
    List<FrameInfo> FlagFrames();
    void Eliminated();
    void Teleport(LogicalCommandInfo& command);
    std::string standingName = "Standing";
};

class PSupplyWagon : public VhPhysicalObject {
public:
    PSupplyWagon(const char* artName, std::int16_t hex, std::uint32_t facing);
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    void SetUpFigures() override;
};

class PMissileUnit : public VhPhysicalObject {
public:
    PMissileUnit(const char* artName, std::int16_t artKind, std::int16_t hex, std::uint32_t facing);
    ~PMissileUnit() override;
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    void SetUpFigures() override {}

    // The shared ball art: row 8 "Ball", row 9 "Cannon".
    static void InitMissileArt();
    static void ReleaseMissileArt();
    static QIF<Bitmap>* MissileArt(std::int16_t row, std::int16_t zoom);
    // Offsets of a firing figure's step back, by direction 1..8 less 1.
    static const Point kFireStepOffsets[8];

    void CreateSixBallSprites() { CreateBalls(6); }
    void CreateEightBallSprites() { CreateBalls(8); }
    void SetUpSinglePiece();

    std::int16_t GetBallCount() const { return ballCount; }
    VhSprite* GetBall(std::int16_t i) const { return i >= 0 && i < ballCount ? balls[i] : nullptr; }
    const Point3D& GetTarget() const { return target; }
    std::int16_t GetArtKind() const { return artKind; }
    const Point3D& GetMuzzleOffset(std::int32_t d) const { return muzzleOffsets[d >= 0 && d <= 8 ? d : 0]; }

protected:
    void CreateBalls(std::int16_t n);
    // Kills a ball sprite the layer knows of.
    void DeleteBall(std::int16_t i);

    std::int16_t ballCount = 0;
    Point3D target;
    std::uint16_t singlePiece = 0;
    std::int16_t artKind = 0;
    QIF<Bitmap>* ballArt[3] = {nullptr, nullptr, nullptr};
    DynArray<VhSprite*> balls{10};
    Point3D muzzleOffsets[9];

    static inline QIF<Bitmap>* missileArtTable[10][3] = {};
};

class PMusket : public PMissileUnit {
public:
    PMusket(const char* artName, std::int16_t artKind, std::int16_t hex, std::uint32_t facing);
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    void StartCommand(LogicalCommandInfo& command) override;
    void FinishCommand(LogicalCommandInfo& command) override;
    void Load(SuperString& s) override;
    void SetUpFigures() override;
    VhSprite* MakeShield(std::int16_t) override { return nullptr; }
    void AnimateFigureCombat(std::int16_t figure, std::int16_t hex, std::int16_t isCasualty, std::int16_t stepUpTime[],
                             std::int16_t stepUpFrom[], std::int16_t casualtyOrdinal, List<FrameInfo> standingFrames,
                             std::int32_t direction, std::int16_t newCasualties, std::int16_t strikeFirst) override;
    virtual void AfterLoad() {}

protected:
    void ChangeFormation(bool column);
    void Volley(LogicalCommandInfo& command);
};

class PShockingMusket : public PMusket {
public:
    PShockingMusket(const char* artName, std::int16_t artKind, std::int16_t hex, std::uint32_t facing);
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    VhSprite* MakeShield(std::int16_t slot) override { return VhPhysicalObject::MakeShield(slot); }
    void AnimateFigureCombat(std::int16_t figure, std::int16_t hex, std::int16_t isCasualty, std::int16_t stepUpTime[],
                             std::int16_t stepUpFrom[], std::int16_t casualtyOrdinal, List<FrameInfo> standingFrames,
                             std::int32_t direction, std::int16_t newCasualties, std::int16_t strikeFirst) override;
};

class PMountedMusket : public PMusket {
public:
    PMountedMusket(const char* artName, std::int16_t artKind, std::int16_t hex, std::uint32_t facing);
    ~PMountedMusket() override;
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    void StartCommand(LogicalCommandInfo& command) override;
    void FinishCommand(LogicalCommandInfo& command) override;
    void SetUpFigures() override;
    std::int16_t GetStepSpeed() const override { return (moveDirection == 3 || moveDirection == 7) ? 260 : 166; }
    VhSprite* MakeFigureSprite(std::int16_t hex, const Point3D& position, const FrameInfo& frame, std::int16_t value,
                               PhysicalObject* owner, std::int16_t index) override;
    void AnimateFigureCombat(std::int16_t figure, std::int16_t hex, std::int16_t isCasualty, std::int16_t stepUpTime[],
                             std::int16_t stepUpFrom[], std::int16_t casualtyOrdinal, List<FrameInfo> standingFrames,
                             std::int32_t direction, std::int16_t newCasualties, std::int16_t strikeFirst) override;
    void AfterLoad() override { SelectArt(); }
    void SetMounted(std::uint16_t v);
    void SelectArt();
    bool Mounted() const { return recordFlag2 != 0; }
    QIF<Bitmap>* MountedArt(std::int16_t zoom) const { return mounted[zoom]; }
    QIF<Bitmap>* FootArt(std::int16_t zoom) const { return foot[zoom]; }

private:
    void ReplaceSprite(std::int16_t figure, const FrameInfo& first, List<Box>* boxes, bool postCreated);
    QIF<Bitmap>* mounted[3] = {nullptr, nullptr, nullptr};
    QIF<Bitmap>* foot[3] = {nullptr, nullptr, nullptr};
};

class PArtillery : public PMissileUnit {
public:
    PArtillery(const char* artName, std::int16_t artKind, std::int16_t hex, std::uint32_t facing);
    ~PArtillery() override;
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    void StartCommand(LogicalCommandInfo& command) override;
    void FinishCommand(LogicalCommandInfo& command) override;
    void Load(SuperString& s) override;
    void SetUpFigures() override;
    std::int16_t GetStepSpeed() const override { return (moveDirection == 3 || moveDirection == 7) ? 260 : 166; }
    std::uint32_t TurnFacing(std::uint32_t f) override { return f; }
    VhSprite* MakeFigureSprite(std::int16_t hex, const Point3D& position, const FrameInfo& frame, std::int16_t value,
                               PhysicalObject* owner, std::int16_t index) override;
    void AnimateFigureCombat(std::int16_t figure, std::int16_t hex, std::int16_t isCasualty, std::int16_t stepUpTime[],
                             std::int16_t stepUpFrom[], std::int16_t casualtyOrdinal, List<FrameInfo> standingFrames,
                             std::int32_t direction, std::int16_t newCasualties, std::int16_t strikeFirst) override;
    void SetLineFormation(std::uint16_t v);
    void SelectArt();
    bool Limbered() const { return recordFlag == 0; }
    // The six library names of a battery picture name: unlimbered full, half, quarter, then limbered.
    static void BatteryNames(const std::string& pictureName, bool otherMetal, std::string names[6]);

protected:
    void TurnTo(std::uint32_t newFacing);
    void ReplaceFigure(std::int16_t figure, List<Box>& boxes, std::int16_t soundCode);
    void Bombard(LogicalCommandInfo& command);
    QIF<Bitmap>* unlimbered[3] = {nullptr, nullptr, nullptr};
    QIF<Bitmap>* limbered[3] = {nullptr, nullptr, nullptr};
};

class PMixedArtillery : public PArtillery {
public:
    PMixedArtillery(const char* artName, std::int16_t artKind, std::int16_t hex, std::uint32_t facing);
    ~PMixedArtillery() override;
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    VhSprite* MakeFigureSprite(std::int16_t hex, const Point3D& position, const FrameInfo& frame, std::int16_t value,
                               PhysicalObject* owner, std::int16_t index) override;

private:
    QIF<Bitmap>* otherUnlimbered[3] = {nullptr, nullptr, nullptr};
    QIF<Bitmap>* otherLimbered[3] = {nullptr, nullptr, nullptr};
};

// A close-order foot unit across two hexes: twenty figures in two ranks, each rank five and five
// between its first hex and the flank hex beside it on the facing side.
class PPhalanx : public VhPhysicalObject {
public:
    static constexpr std::int16_t kPlaces = 20;
    static constexpr std::int16_t kNoRegion = static_cast<std::int16_t>(0xFFFF);

    PPhalanx(const char* artName, std::int16_t hex, std::uint32_t facing);
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    void SetUpFigures() override;
    void StartCommand(LogicalCommandInfo& command) override;
    void Save(SuperString& s) override;
    void Load(SuperString& s) override;
    Container<List<short>>* GetRegions() override;
    // The close-up view is drawn turned half a turn: its flank hex lies on the other side.
    void SetViewIndex(std::uint16_t v) override;
    virtual void TurnToFacing(LogicalCommandInfo& command, std::int16_t animate);
    virtual void PlayAboutFace(LogicalCommandInfo& command, std::int16_t animate);
    void SetFlipped(std::uint16_t flag);

    // The neighbour of a hex on a side (N, NE, SE, S, SW, NW of the figures' layout); kNoRegion
    // for E, W and anything off the compass, which name no neighbour in this grid.
    std::int16_t FlankRegion(std::int16_t region, std::int32_t direction) const;
    std::int16_t OppositeFlankRegion(std::int16_t region, std::int32_t direction) const;
    List<short> FlankPath(const List<short>& path) const;
    std::int16_t FirstRegion() const { return firstRegion; }
    std::int16_t SecondRegion() const { return secondRegion; }
    std::uint16_t Flipped() const { return flipped; }
    std::int16_t LostCount() const { return fallenCount; }
    std::uint16_t Routed() const { return routed; }
    // Which hex a formation place stands in: places 0-4 and 10-14 the first, the others the second.
    static bool InFirstRegion(std::int16_t place) { return (place >= 0 && place <= 4) || (place >= 10 && place <= 14); }
    static Point3D PlaceOffset(std::int16_t place, std::uint32_t direction);
    static std::int16_t PlaceLayer(std::int16_t place, std::uint32_t facing);

protected:
    std::int16_t DebrisRegion(std::int16_t place) const override;
    std::int16_t FigureRegion(std::int16_t figure);
    const DirectionOffsets* PhalanxWalk(std::int16_t place, std::uint32_t direction);
    void March(LogicalCommandInfo& command);
    void PhalanxRout(LogicalCommandInfo& command);
    void PhalanxRestore(LogicalCommandInfo& command);
    void PhalanxCombat(LogicalCommandInfo& command);
    void PhalanxTeleport(LogicalCommandInfo& command);
    void PhalanxInsert(LogicalCommandInfo& command);
    void RaiseFlagForCommand();

    std::int16_t firstRegion;
    std::int16_t secondRegion;
    std::uint16_t flipped = 0;
    std::uint32_t turningDirection = 0;
};

// A phalanx that fires volleys of musket balls and turns its figures in place by drill commands;
// its figures are laid out along the facing in line and column alike.
class PHeavyInfantry : public PPhalanx {
public:
    PHeavyInfantry(const char* artName, std::int16_t missileKind, std::int16_t hex, std::uint32_t facing);
    ~PHeavyInfantry() override;
    VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing) override;
    void SetUpFigures() override;
    void StartCommand(LogicalCommandInfo& command) override;
    void FinishCommand(LogicalCommandInfo& command) override;
    void Save(SuperString& s) override;
    void Load(SuperString& s) override;
    std::uint32_t TurnFacing(std::uint32_t f) override { return f; }
    std::uint32_t GetStandingFrame() override { return MapFacing(facing); }
    std::uint32_t MapFacing(std::uint32_t f) override;
    // The line-formation word: a column turns the figures' sprites a quarter turn.
    void SetRecordFlag(std::uint16_t v) override;

    std::int16_t GetBallCount() const { return ballCount; }
    VhSprite* GetBall(std::int16_t i) const { return i >= 0 && i < ballCount ? balls[i] : nullptr; }
    const Point3D& GetTarget() const { return target; }
    std::int16_t GetTurnOffset() const { return turnOffset; }

private:
    void FaceSprites(std::int16_t offset, bool aboutFace);
    void Volley(LogicalCommandInfo& command);
    VhSprite* NewBall();

    std::uint16_t ballCount = 0;
    Point3D target;
    std::int16_t turnOffset = 0;
    QIF<Bitmap>* ballArt[3] = {nullptr, nullptr, nullptr};
    DynArray<VhSprite*> balls{10};
    Point3D muzzleOffsets[9];
};

// The prototype picture of a unit type by its name, drawn from the art of that name; null for
// a type that has no picture class. The caller owns it.
VhPhysicalObject* MakeUnitPicturePrototype(const std::string& typeName, const std::string& artName);
