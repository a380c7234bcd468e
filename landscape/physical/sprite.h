#pragma once
// Sprite: one animated bitmap on the battlefield (a figure, a horse, a flag, debris). It decides
// nothing itself: its owner queues SpriteEvents and ticks it, and the physical layer draws,
// orders and hit-tests it.
//
// Invariants: the head of the queue is the event being played; the frame cursor is detached
// exactly when the head has not started (or the queue is empty); the redraw flag is set by a
// tick that played an event and by Hide and Show, and cleared by a tick on an empty queue.
// A sprite without a frame has an empty rectangle, draws nothing and is never hit.
#include "core/geometry.h"
#include "core/list.h"
#include "landscape/physical/sprite_event.h"

#include <cstdint>

class Bitmap;
class PhysicalObject;

class Sprite {
public:
    static constexpr std::uint16_t kNoLayer = 0xFFFF;

    Sprite(std::uint16_t objectId, const Point3D& position, Bitmap* firstFrame, std::uint16_t layer,
           PhysicalObject* owner, std::uint32_t drawMode = 1);
    Sprite(const Sprite&) = delete;
    Sprite& operator=(const Sprite&) = delete;

    // Plays the head event for one step at clock time now.
    virtual void Update(SpriteEvent& event, std::int32_t now);
    virtual void RemoveFirstEvent();
    virtual ~Sprite();
    // True when this sprite is drawn after other: by layer between sprites of one owner that
    // both have a layer, otherwise by screen y.
    virtual bool IsInFrontOf(const Sprite& other) const;
    // Draws the current frame with its hot spot at position - origin; the touched box (empty
    // when hidden or without a frame).
    virtual Box Draw(Bitmap& target, const Point& origin);
    virtual void AddEvent(std::uint16_t value, const Point4& target, const List<Bitmap*>& frames, std::uint16_t layer,
                          std::uint16_t type, std::uint16_t loopStart);
    // An event of that type with the sprite's object id, zero target, no frames, layer kept.
    virtual void AddTypeEvent(std::uint16_t type);
    // Appends a copy.
    virtual void QueueEvent(const SpriteEvent& event);
    // One animation step: 0 when the queue is empty, else 1. dirty points at the caller's
    // lists of changed rectangles, one per zoom level; this class adds the union of the old and
    // the new rectangle to the first of them (null: none is reported).
    virtual std::int16_t Tick(std::int32_t now, List<Box>* dirty);
    virtual void EndEvent();
    virtual void Hide();
    virtual void Show();
    virtual Box GetRect() const;
    // Whether the frame has a drawn pixel under the point (screen coordinates).
    virtual std::int16_t HitTest(const Point& point) const;
    virtual void EmptyHook();
    virtual void Save(SuperString& s) const;
    virtual void Load(SuperString& s);

    PhysicalObject* GetOwner() const { return owner; }
    void SetOwner(PhysicalObject* o) { owner = o; }
    std::uint16_t GetObjectId() const { return objectId; }
    Point3D GetPosition() const { return position; }
    Bitmap* GetFrame() const { return frame; }
    std::uint16_t GetLayer() const { return layer; }
    std::uint32_t GetDrawMode() const { return drawMode; }
    bool IsHidden() const { return hidden != 0; }
    std::uint16_t NeedsRedraw() const { return redraw; }
    void SetRedraw(std::uint16_t flag) { redraw = flag; }
    const Queue<SpriteEvent>& Events() const { return events; }
    std::uint16_t FrameCounter() const { return frameCounter; }
    // Tests: whether the head event has started.
    bool HasStartedEvent() const { return !cursor.IsDetached(); }

protected:
    // The rectangle the frame covers at the position, whether hidden or not.
    Box FrameRect() const;
    // Next frame into frame; false (frame kept) past the last one or when detached.
    bool StepCursor();
    // Attaches the cursor to the head event's frames and positions it for its type.
    void BeginHead(std::int32_t timeBase);
    void Interpolate(const SpriteEvent& event, std::int32_t now);
    void FinishMove(SpriteEvent& event);

    std::uint16_t layer;
    PhysicalObject* owner;
    std::uint16_t objectId;
    Point3D position;
    Point4 start;
    std::uint16_t redraw = 0;
    Bitmap* frame;
    std::uint32_t drawMode;
    Queue<SpriteEvent> events;
    ListIterator<Bitmap*> cursor;
    std::uint16_t frameCounter = 0;
    std::uint16_t hidden = 0;
};

template <>
struct TypeNameTraits<Sprite*> {
    static std::string Name() { return "Sprite *"; }
};
