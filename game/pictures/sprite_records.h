#pragma once
// The small records that travel with a figure sprite's events: a reference to one animation
// frame (FrameInfo), a sound cue (SoundEvent) and the game's part of a sprite event
// (VhSpriteEvent: per-zoom targets, the frames to play, the cue). Each has a bus form on a
// SuperString and is registered as a payload type.
#include "core/geometry.h"
#include "core/list.h"
#include "core/super_string.h"

#include <cstdint>
#include <string>

class FrameInfo {
public:
    FrameInfo() = default;
    // A null or empty name is no name.
    FrameInfo(const char* name, std::int16_t frame);

    bool operator==(const FrameInfo& o) const { return name == o.name && frame == o.frame; }

    // Null when there is no name.
    const char* GetName() const { return name.empty() ? nullptr : name.c_str(); }
    std::int16_t GetFrame() const { return frame; }
    void SetName(const char* text) { name = text ? text : ""; }
    void SetFrame(std::int16_t f) { frame = f; }

    // Saved-game form: u16 name length, the name's bytes, i16 frame (the bus form is the same).
    // Reading replaces the name; a damaged stream leaves the record as it was.
    void Write(SuperString& s) const;
    void Read(SuperString& s);

private:
    std::string name;
    std::int16_t frame = -1;
};

struct SoundEvent {
    std::uint32_t code = 0;
    std::uint16_t first = 0;
    std::uint16_t second = 0;

    SoundEvent() = default;
    SoundEvent(std::uint32_t code_, std::uint16_t first_, std::uint16_t second_)
        : code(code_), first(first_), second(second_) {}
    bool operator==(const SoundEvent&) const = default;
};

class VhSpriteEvent {
public:
    VhSpriteEvent() = default;
    explicit VhSpriteEvent(const List<FrameInfo>& frames_) : frames(frames_) {}
    explicit VhSpriteEvent(const SoundEvent& sound_) : sound(sound_) {}
    VhSpriteEvent(const List<FrameInfo>& frames_, const SoundEvent& sound_) : frames(frames_), sound(sound_) {}

    // Filled in when the event starts, one per zoom level.
    Point3D targets[3];
    List<FrameInfo> frames;
    SoundEvent sound;
};

SuperString& operator<<(SuperString& s, const FrameInfo& f);
SuperString& operator>>(SuperString& s, FrameInfo& f);
SuperString& operator<<(SuperString& s, const SoundEvent& e);
SuperString& operator>>(SuperString& s, SoundEvent& e);
// The cue, then the frame list in the list's own form; the targets do not travel.
SuperString& operator<<(SuperString& s, const VhSpriteEvent& e);
SuperString& operator>>(SuperString& s, VhSpriteEvent& e);

// Registers the three payload types (also done by static construction).
void RegisterSpriteRecordTypes();
