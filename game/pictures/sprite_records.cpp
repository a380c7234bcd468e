#include "game/pictures/sprite_records.h"

#include "core/type_info.h"

static const TypeInfo<FrameInfo> frameInfoType(RegisterType);
static const TypeInfo<SoundEvent> soundEventType(RegisterType);
static const TypeInfo<VhSpriteEvent> spriteEventType(RegisterType);

void RegisterSpriteRecordTypes() {
    TypeInfo<FrameInfo>::Register();
    TypeInfo<SoundEvent>::Register();
    TypeInfo<VhSpriteEvent>::Register();
}

FrameInfo::FrameInfo(const char* name_, std::int16_t frame_) : name(name_ ? name_ : ""), frame(frame_) {}

void FrameInfo::Write(SuperString& s) const { s << name << frame; }

void FrameInfo::Read(SuperString& s) {
    std::string text;
    std::int16_t f = 0;
    s >> text >> f;
    if (s.Failed()) return;
    name = std::move(text);
    frame = f;
}

SuperString& operator<<(SuperString& s, const FrameInfo& f) {
    f.Write(s);
    return s;
}

SuperString& operator>>(SuperString& s, FrameInfo& f) {
    f.Read(s);
    return s;
}

SuperString& operator<<(SuperString& s, const SoundEvent& e) { return s << e.code << e.first << e.second; }

SuperString& operator>>(SuperString& s, SoundEvent& e) {
    SoundEvent read;
    s >> read.code >> read.first >> read.second;
    if (!s.Failed()) e = read;
    return s;
}

SuperString& operator<<(SuperString& s, const VhSpriteEvent& e) {
    s << e.sound;
    e.frames.Write(s);
    return s;
}

SuperString& operator>>(SuperString& s, VhSpriteEvent& e) {
    s >> e.sound;
    if (!s.Failed()) e.frames.Read(s);
    return s;
}
