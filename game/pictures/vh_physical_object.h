#pragma once
// VhPhysicalObject: the picture of one unit on one battlefield view. It owns the unit's figure
// sprites (the engine object's sprite array), its Flag, the art of the three zoom levels, the
// formation tables that place every figure by facing, and the per-figure state (0 standing,
// 1 falling, 2 fallen). The picture classes of the unit kinds derive from it and replace the
// figure set-up and part of the command handling.
//
// Invariants: figureSlots, slotOffsets, slotFrames (when used) and figureStates have an entry
// for every figure below figureCount; figures[i] is null only for a figure whose body went to
// the landscape; a picture of kind 4-6 has no Flag. Sprites replaced by RebuildFigures are
// kept (hidden) until the picture goes, so that no list of the layer is left pointing at them.
//
// The picture record (Save / Load) is written field by field on the saved-game stream; Load
// checks the whole record before it changes anything and refuses one that is damaged or was
// written for another number of figures.
#include "core/dyn_array.h"
#include "game/logic/direction.h"
#include "game/logic/logical_command.h"
#include "game/pictures/facing_offsets.h"
#include "game/pictures/flag.h"
#include "game/pictures/vh_sprite.h"
#include "landscape/physical/physical_object.h"

#include <cstdint>
#include <memory>
#include <vector>
#include <string>

class PhysicalLayer;

class VhPhysicalObject : public PhysicalObject {
public:
    VhPhysicalObject(const char* artName, std::int16_t hex, std::uint32_t facing);
    ~VhPhysicalObject() override;

    void Connect() override;
    Sprite* GetSprite(std::uint16_t index) override { return index < spriteCount ? sprites[index] : nullptr; }
    PhysicalObject* CreateInstance(std::uint16_t hex) override { return CreateInstance(static_cast<std::int16_t>(hex), 1); }
    void Save(SuperString& s) override;
    void Load(SuperString& s) override;
    // The command cycle: the flag's raise, the loose sprites, then the head command, which starts
    // on the first tick with nothing animating and finishes when its sprites have played out.
    // Only the picture of the shown view replies and sends the moving notices. 1 while active.
    std::int16_t Tick(std::int32_t now, List<Box>* dirty) override;
    // Plays one command as sprite animations (the base commands); unknown commands play nothing.
    void StartCommand(LogicalCommandInfo& command) override;
    // Fallen bodies go to the landscape; a flag-bearing leader shows the flag of its new facing.
    void FinishCommand(LogicalCommandInfo& command) override;
    // Whether this picture belongs to the view the player sees. With neither map shown the
    // main-map picture counts as shown, so that every command is still answered once.
    bool IsShownView() const;
    // Queues the whole walk of one figure along path (the first hex the one it leaves).
    void WalkFigureAlongPath(std::int16_t slot, VhSprite* sprite, List<short>* path, const DirectionOffsets* offsets,
                             std::int16_t routing, std::int16_t firstRout);
    // The direction of a step between two hexes, turned half a turn in the close-up view.
    virtual std::uint32_t DirectionTo(std::int16_t from, std::int16_t to);

    virtual VhSprite* GetFigureSprite(std::int16_t i);
    virtual void SetUpFigures();
    virtual std::int16_t GetStepSpeed() const { return (moveDirection == 3 || moveDirection == 7) ? 130 : 83; }
    virtual void RebuildFigures();
    virtual Container<List<short>>* GetRegions();
    virtual std::int16_t StartCombat() { return 0; }
    virtual void DropFlag();
    virtual VhPhysicalObject* CreateInstance(std::int16_t hex, std::uint32_t facing);
    virtual void SetViewIndex(std::uint16_t v) { viewIndex = v; }
    virtual void SetLayer(PhysicalLayer* l) { layer = l; }
    virtual void SetFlagStyle(std::uint32_t style) { flagStyle = style; }
    virtual VhSprite* MakeFigureSprite(std::int16_t hex, const Point3D& position, const FrameInfo& frame,
                                       std::int16_t value, PhysicalObject* owner, std::int16_t index);
    virtual std::uint32_t GetFigureFacing() { return TurnFacing(facing); }
    virtual std::uint32_t TurnFacing(std::uint32_t f);
    virtual std::uint32_t GetStandingFrame() { return MapFacing(facing); }
    virtual std::uint32_t MapFacing(std::uint32_t f) { return f; }
    virtual std::uint16_t GetRecordFlag() const { return recordFlag; }
    virtual std::uint16_t GetRecordFlag2() const { return recordFlag2; }
    virtual void SetRecordFlag(std::uint16_t v) { recordFlag = v; }
    virtual void SetRecordFlag2(std::uint16_t v) { recordFlag2 = v; }

    // --- small operations ---
    std::int16_t HasNoFlag() const { return (kind >= 4 && kind <= 6) ? 1 : 0; }
    std::int16_t IsFigurePresent(std::int16_t figure) const;
    void HideSprites(std::int16_t hide);
    void FindSectionBases();
    void BuildFootFigures();
    void BuildMountedFigures();
    void BuildLeaderFigure();
    // Step-up tables of the six- and eight-figure units; figure 0 plays the unit's sounds.
    void SetUpStepUps6();
    void SetUpStepUps8();
    void HoldNextMove() { ++movesToSkip; }
    // Queues on itself a "CohesionHit" of the present loss plus extraPercent (method 3).
    void QueueCohesionHit(std::int16_t extraPercent);
    // Replays up to count held moves; the turns held with them are queued before the last.
    void ReleaseHeldMoves(std::int16_t count);
    // A move or turn that arrives while moves are held back.
    void HoldMove(const List<short>& route) { pendingMoves.AddTail(route); }
    void HoldFacing(DIRECTION d) { pendingFacings.AddTail(d); }
    std::int16_t MovesToSkip() const { return movesToSkip; }
    void SetPendingAboutFaces(std::int16_t n) { pendingAboutFaces = n; }
    virtual void UnlockArt();
    // Decodes ahead of play the standing and walking pictures of the full and half size art,
    // when the art comes from the application's second data directory.
    virtual void PreloadArt();
    // Rout debris at a formation slot, with a random picture; null when there is no art for it.
    virtual VhSprite* MakeSpear(std::int16_t slot);
    virtual VhSprite* MakeShield(std::int16_t slot);
    virtual VhSprite* MakeHelmet(std::int16_t slot, std::uint32_t direction);
    // One figure's part of an animated combat: it turns to its enemy, swings twice, falls at its
    // moment when it is a casualty, and a rear figure steps into a fallen comrade's place.
    // stepUpTime and stepUpFrom are shared by the calls of one command (stepUpTime starts at -1).
    virtual void AnimateFigureCombat(std::int16_t figure, std::int16_t hex, std::int16_t isCasualty,
                                     std::int16_t stepUpTime[], std::int16_t stepUpFrom[], std::int16_t casualtyOrdinal,
                                     List<FrameInfo> standingFrames, std::int32_t direction, std::int16_t newCasualties,
                                     std::int16_t strikeFirst);
    // A mounted figure rears (60 in 100) when the art has a rearing sequence.
    void QueueRearing(VhSprite* sprite, std::int16_t directionIndex);
    std::int16_t IsMountedKind() const { return IsMounted() ? 1 : 0; }
    // The screen point of a hex on the main map at full size; (0,0,0) without a map.
    static Point3D HexPoint(std::int16_t hex);
    // The neighbour of a hex in a compass direction on the main map (the bare hex arithmetic
    // without one).
    static std::int16_t NeighbourHex(std::int16_t hex, std::int32_t direction);
    // The hexes from a hex straight out in a direction until the map ends (at most eight).
    static List<short> RunAwayPath(std::int16_t hex, std::int32_t direction);
    // Makes a companion picture (a riderless horse, a running chariot), hands it to the layer
    // and queues one command on it; a companion no layer took is deleted at once.
    void LaunchCompanion(const char* artName, const LogicalCommandInfo& command);
    bool IsMounted() const { return kind >= 8 && kind <= 12; }
    // The standing frame ("Standing", GetStandingFrame() - 1).
    FrameInfo StandingFrame();

    // --- accessors ---
    QIF<Bitmap>* GetHalfArt() const { return halfArt; }
    QIF<Bitmap>* GetQuarterArt() const { return quarterArt; }
    PhysicalLayer* GetLayer() const { return layer; }
    std::int16_t GetLossPercent() const { return lossPercent; }
    std::int16_t GetHex() const { return static_cast<std::int16_t>(objectId); }
    std::uint16_t GetFigureCount() const { return spriteCount; }
    std::uint32_t GetKind() const { return kind; }
    VhSprite* GetFlag() const { return flag; }
    const Point3D& GetBasePoint() const { return basePoint; }
    std::uint16_t GetStandSection() const { return standSection; }
    std::uint16_t GetSequenceBase() const { return sequenceBase; }
    std::uint16_t GetViewIndex() const { return viewIndex; }
    std::int16_t GetFigureSlot(std::int16_t i) const { return figureSlots[i]; }
    const Point3D* GetSlotOffsets(std::int16_t slot) const { return slotOffsets[slot]; }
    const std::int16_t* GetSlotFrames(std::int16_t slot) const { return slotFrames[slot]; }
    std::uint16_t GetFigureState(std::int16_t i) const { return figureStates ? figureStates[i] : 0; }
    const List<Sprite*>& LooseSprites() const { return looseSprites; }
    void SetFacing(std::uint32_t f) { facing = f; }
    void SetKind(std::uint32_t k) { kind = k; }

    // The shared walking offsets, made by the first picture that connects.
    static QIF<FacingOffsets>* WalkingData() { return walkingData; }
    // Made once at start-up by the application; released by its destructor.
    static void InitUnitPictureArt();
    static void ReleaseUnitPictureArt();
    static QIF<Bitmap>* RoutDebrisArt(int zoom) { return routDebris[zoom]; }

    // Debris shifts by facing 1..8 (index 0 unused).
    static const Point kHelmetShifts[9];
    static const Point kShieldShiftsA[9];
    static const Point kShieldShiftsB[9];
    static const Point kShieldShiftsC[9];
    static const Point kSpearShiftsA[9];
    static const Point kSpearShiftsB[9];
    static const Point kSpearShiftsC[9];

protected:
    // Stores a new figure at the next index and announces it (posted).
    void AddFigure(VhSprite* sprite);
    // A new block of nine offsets for the next slot, facings 1..8 from the table row.
    Point3D* NewSlot(const std::int16_t (*row)[2], std::int16_t* values = nullptr);
    // Whether this picture carries a Flag of its own (the companion horse does not).
    virtual bool CarriesFlag() const { return true; }
    void MakeFlag();
    // A debris sprite showing a random picture of a section of one of the art sets.
    VhSprite* MakeDebris(std::int16_t slot, QIF<Bitmap>* const* arts, std::int16_t section, const Point& shift);
    // The hex the debris of a formation slot lies in (a unit across two hexes has two).
    virtual std::int16_t DebrisRegion(std::int16_t) const { return GetHex(); }
    // Reads the whole record; apply false checks it without changing anything.
    bool ReadRecord(SuperString& s, bool apply);

    List<Sprite*> looseSprites;
    QIF<Bitmap>* halfArt = nullptr;
    QIF<Bitmap>* quarterArt = nullptr;
    DynArray<std::int16_t> figureSlots{10};
    DynArray<Point3D*> slotOffsets{10};
    DynArray<std::int16_t*> slotFrames{10};
    std::int16_t slotCount = 0;
    std::uint32_t moveDirection = 0;
    Point3D basePoint;
    std::uint16_t standSection = 0;
    std::uint16_t sequenceBase = 0;
    std::uint16_t flagSequenceBase = 0;
    std::int16_t fallenCount = 0;
    std::int16_t minFigures = 3;
    std::int16_t* stepUpTable = nullptr;
    std::uint32_t recordWord = 0;
    std::uint32_t kind = 0;
    std::uint32_t kindVariant = 3;
    std::int16_t lossPercent = 0;
    std::uint32_t deathMethod = 0;
    std::uint16_t destroyed = 0;
    std::uint16_t routed = 0;
    std::uint16_t flagDropped = 0;
    List<List<short>> pendingMoves;
    List<DIRECTION> pendingFacings;
    std::int16_t pendingAboutFaces = 0;
    std::int16_t movesToSkip = 0;
    PhysicalLayer* layer = nullptr;
    std::uint16_t* figureStates = nullptr;
    std::uint16_t viewIndex = 0;
    VhSprite* flag = nullptr;
    std::uint32_t flagStyle = 0xFFFFFFFFu;
    std::uint16_t flagAnimating = 0;
    std::uint16_t recordFlag = 1;
    std::uint16_t recordFlag2 = 0;
    std::string artName;
    List<Sprite*> retired;
    // The walking-data section chosen by the last move ("Foot", "Mounted" ...).
    std::string walkSection;

    // --- the base commands ---
    void ChangeFacing(LogicalCommandInfo& command, std::int16_t animate);
    void MoveAlongRoute(LogicalCommandInfo& command);
    // Each figure's combat direction (relative to the unit's front, 0 none) against the enemy hexes.
    std::vector<std::int16_t> CombatDirections(const List<short>* enemies);
    // "CombatDontAnimate": losses fall at once, step-up figures take the fallen ones' slots.
    void CombatWithoutAnimation(LogicalCommandInfo& command);
    // "CombatAnimate": the casualties are chosen, then every standing figure plays its part.
    void CombatWithAnimation(LogicalCommandInfo& command);
    // The figures that fall in a combat: the same scan on both views, seeded with the hex.
    std::vector<bool> ChooseCombatCasualties(const std::vector<std::int16_t>& directions, std::int16_t target);
    // "TerminalRout": drops, debris and the walk along the rout's route.
    void Rout(LogicalCommandInfo& command);
    // Chooses the new casualties of lossPercent; each falls (state 1, no slot).
    void ChooseCasualties();
    // The figure shows its death (when showDeath and the art has one) or is hidden, and plays on
    // among the loose sprites.
    void FallFigure(std::int16_t figure, std::int16_t showDeath, bool deathCue = true);
    // A random picture of "General" when the unit's death method shows one.
    bool DeathFrame(FrameInfo& frame);
    Point3D SlotOffset(std::int16_t slot, std::uint32_t entry) const;
    std::int16_t SlotStartValue(std::int16_t slot, std::uint32_t entry) const;
    // Cleared by the destructor: a notice sent with post-and-wait may find the picture gone.
    std::shared_ptr<bool> pictureAlive = std::make_shared<bool>(true);

    static inline QIF<FacingOffsets>* walkingData = nullptr;
    static inline QIF<Bitmap>* routDebris[3] = {nullptr, nullptr, nullptr};
};
