#pragma once
// SpriteEvent: one step of a sprite's animation (sprite.h): move to a target over a time span,
// play or loop a list of frames, change the draw mode, hide or show, or only mark a point in time.
//
// Invariant: an event owns its payload; copies hold clones, never the same payload. The frames
// are not owned: they belong to an image library.
#include "core/container.h"
#include "core/geometry.h"
#include "core/list.h"
#include "core/super_string.h"

#include <cstdint>

class Bitmap;

class SpriteEvent {
public:
    // Event types as Sprite::Update plays them.
    enum : std::uint16_t {
        Move = 0,        // interpolate to the target; frames loop from the first
        LoopingMove = 1, // as Move, frames loop from the loop start
        Play = 2,        // the frames once, no motion
        Hold = 3,        // jump to the target and loop the frames; ends only when followed
        Idle = 4,        // nothing; ends only when removed
        DrawPlain = 5,
        DrawGrey = 6,
        DrawBright = 7,
        DrawPlainToo = 8,
        Notify = 9,
        HideSprite = 10,
        ShowSprite = 11,
    };
    static constexpr std::uint16_t kKeepLayer = 0xFFFF;

    SpriteEvent() = default;
    // Takes ownership of the payload.
    SpriteEvent(std::uint16_t value, const Point4& target, const List<Bitmap*>& frames, std::uint16_t layer,
                std::uint16_t type, std::uint16_t loopStart, ContainerBase* payload = nullptr);
    explicit SpriteEvent(ContainerBase* payload);
    SpriteEvent(const SpriteEvent& o);
    SpriteEvent& operator=(const SpriteEvent& o);
    virtual ~SpriteEvent();

    // Equal when target, frames, layer and loop start are; value, type and payload are not compared.
    bool operator==(const SpriteEvent& o) const;

    // The saved form: target (x, y, z i16, time i32), value, type, layer, loop start (u16 each),
    // then the payload as one u32-counted run of bytes holding its message-buffer form (empty
    // for none). The frames are not written: the reader gets an empty list. Read refuses a run
    // longer than what remains (failure flag set, the event keeps no payload).
    virtual void Write(SuperString& s) const;
    virtual void Read(SuperString& s);

    std::uint16_t value = 0;
    Point4 target;
    List<Bitmap*> frames;
    std::uint16_t type = 0;
    std::uint16_t layer = 0;
    std::uint16_t loopStart = 0;
    ContainerBase* payload = nullptr;
};

// The message-buffer form, as a Container<SpriteEvent> travels: value, type, layer, loop start
// (u16 each), then the payload in the buffer's payload form. Target and frames do not travel.
SuperString& operator<<(SuperString& s, const SpriteEvent& e);
SuperString& operator>>(SuperString& s, SpriteEvent& e);
