#pragma once
// VhSprite: one figure of a unit picture (a soldier, a horse, a leader, a part of a flag). It
// knows the three zoom levels at once: per zoom a screen position, the position where the
// current move began, the frame's image and a lift. Its events carry a VhSpriteEvent: the
// frames to play (named sequences of the picture's art) and a sound cue.
//
// Invariants: the head of the queue is the event being played, and the frame cursor is attached
// exactly while that event runs (from its first tick until Update removes it); removing the head
// detaches the cursor and clears the played flag; the start time is 0 exactly while the queue
// has been found empty. The art libraries belong to the picture (or the flag), except those
// ReadArtNames made, which the sprite owns.
#include "game/pictures/picture_sound.h"
#include "game/pictures/sprite_records.h"
#include "game/pictures/view_services.h"
#include "landscape/physical/sprite.h"
#include "ui/qif.h"

#include <cstdint>
#include <vector>

class VhSprite : public Sprite {
public:
    // Art left null is taken from the owner, which must then be a VhPhysicalObject.
    VhSprite(std::int16_t hex, const Point3D& position, const FrameInfo& firstFrame, std::int16_t value,
             PhysicalObject* owner, std::uint32_t drawMode, QIF<Bitmap>* fullArt = nullptr,
             QIF<Bitmap>* halfArt = nullptr, QIF<Bitmap>* quarterArt = nullptr, std::int16_t view = 0);
    // An empty sprite for loading: Load and ReadArtNames fill it.
    VhSprite();
    ~VhSprite() override;

    // --- the engine sprite's operations, played the figure's way ---
    void Update(SpriteEvent& event, std::int32_t now) override;
    void RemoveFirstEvent() override;
    bool IsInFrontOf(const Sprite& other) const override { return SortsAfter(other); }
    Box Draw(Bitmap& target, const Point& origin) override { return DrawAtZoom(target, origin, 0); }
    void AddTypeEvent(std::uint16_t type) override { PostCommand(type); }
    void QueueEvent(const SpriteEvent& event) override;
    std::int16_t Tick(std::int32_t now, List<Box>* dirty) override;
    Box GetRect() const override { return GetBounds(); }
    std::int16_t HitTest(const Point& point) const override;
    void Save(SuperString& s) const override;
    void Load(SuperString& s) override;

    // --- figure operations ---
    virtual bool SortsAfter(const Sprite& other) const;
    virtual void PostEvent(std::int16_t hex, const Point4& target, const char* sequence, std::int16_t value,
                           std::uint16_t type, std::uint16_t repeat);
    virtual void PostCommand(std::uint16_t type);
    virtual Box GetBounds() const;
    virtual void PostFrames(std::int16_t hex, const Point4& target, const List<FrameInfo>& frames, std::int16_t value,
                            std::uint16_t type, std::uint16_t repeat);
    virtual void PostSound(const SoundEvent& sound);
    virtual void PostSoundCode(std::uint32_t code, std::uint16_t first, std::uint16_t second);
    virtual Box DrawAtZoom(Bitmap& surface, const Point& origin, std::int16_t zoom);
    virtual Box GetBoundsAtZoom(std::int16_t zoom) const;
    virtual std::int16_t HitTestAtZoom(const Point& point, std::int16_t zoom) const;
    virtual void MoveToCombatView();
    virtual void ChangeRegion(std::int16_t hex);
    virtual void SetLift(std::int16_t h);
    virtual void WriteArtNames(SuperString& s) const;
    virtual void ReadArtNames(SuperString& s);

    void SetFrame(const FrameInfo& f);
    FrameInfo GetCurrentFrame() const { return currentFrame; }
    std::int16_t IgnoresPointer() const { return ignoresPointer; }
    void SetIgnoresPointer(std::int16_t flag) { ignoresPointer = flag; }
    void EnableAllSounds() { allSounds = 1; }
    std::int16_t AllSoundsEnabled() const { return allSounds; }

    // The application's sound manager and the layers of views 0 and 1, set at start-up.
    static void SetSoundManager(PictureSoundManager* manager);
    static PictureSoundManager* GetSoundManager() { return soundManager; }
    static void SetViewLandscape(ViewLayer* layer, std::int16_t view);
    static ViewLayer* GetViewLayer(std::int16_t view) { return view == 0 || view == 1 ? viewLayers[view] : nullptr; }
    static const std::vector<std::uint32_t>& AlwaysAudibleCodes() { return alwaysAudible; }
    // Tests: forgets the manager, the layers and the always-audible list.
    static void ResetStatics();

    // The event type number of "ChangeRegion".
    static std::uint16_t ChangeRegionType();

    // --- state, for the pictures and tests ---
    std::int16_t GetHex() const { return static_cast<std::int16_t>(objectId); }
    std::int16_t GetValue() const { return static_cast<std::int16_t>(layer); }
    Point GetZoomPosition(std::int16_t zoom) const { return pos[zoom]; }
    Point GetZoomBase(std::int16_t zoom) const { return base[zoom]; }
    Bitmap* GetImage(std::int16_t zoom) const { return image[zoom]; }
    QIF<Bitmap>* GetArtAt(std::int16_t zoom) const { return art[zoom]; }
    std::int16_t GetLift(std::int16_t zoom) const { return lift[zoom]; }
    std::int16_t GetView() const { return view; }
    std::int16_t GetLoopHandle() const { return loopHandle; }
    std::int16_t Played() const { return played; }
    std::int32_t GetStartTime() const { return startTime; }

protected:
    // The screen point of p (relative to the sprite's hex) at a zoom, in the sprite's view.
    Point ScreenPoint(const Point3D& p, std::int16_t zoom) const;
    Point3D HexOriginAt(std::int16_t view, std::int16_t zoom) const;
    // The cue of the head event, once per event, when it may be heard.
    void HandleSound(const SoundEvent& sound);
    void PlayCode(const SoundEvent& sound);
    // Next frame into the current frame; wrapping to the first at the end of the list.
    bool StepFrame(bool wrap);
    void Interpolate(const SpriteEvent& e, const VhSpriteEvent& v, std::int32_t now);
    void FinishZoomMove(SpriteEvent& e, const VhSpriteEvent& v);
    void SyncPosition() { position = Point3D(pos[0].x, pos[0].y, 0); }
    void QueueWith(std::int16_t hex, const Point4& target, std::int16_t value, std::uint16_t type,
                   std::uint16_t repeat, VhSpriteEvent* payload);

    Point pos[3];
    Point base[3];
    Bitmap* image[3] = {nullptr, nullptr, nullptr};
    std::int32_t startTime = 0;
    QIF<Bitmap>* art[3] = {nullptr, nullptr, nullptr};
    std::int16_t view = 0;
    std::int16_t ignoresPointer = 0;
    std::int16_t lift[3] = {0, 0, 0};
    std::int16_t loopHandle = -1;
    std::int16_t allSounds = 0;
    std::int16_t played = 0;
    FrameInfo currentFrame;
    ListIterator<FrameInfo> frameCursor;
    bool ownsArt = false;
    // What the debug log last said of this figure (picture_log.h).
    void LogDrawn(Bitmap& surface, const Point& origin, std::int16_t zoom);
    bool loggedShown = false;
    std::int16_t loggedZoom = -1;
    Box loggedBox;
    Point loggedShift;
    std::uint32_t loggedChanges = 0;

    static inline PictureSoundManager* soundManager = nullptr;
    static inline ViewLayer* viewLayers[2] = {nullptr, nullptr};
    static inline std::vector<std::uint32_t> alwaysAudible;
};
