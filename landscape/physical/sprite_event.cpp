#include "landscape/physical/sprite_event.h"

#include "core/type_info.h"

#include <vector>

static const TypeInfo<SpriteEvent> spriteEventType(RegisterType);

SpriteEvent::SpriteEvent(std::uint16_t value_, const Point4& target_, const List<Bitmap*>& frames_,
                         std::uint16_t layer_, std::uint16_t type_, std::uint16_t loopStart_, ContainerBase* payload_)
    : value(value_), target(target_), frames(frames_), type(type_), layer(layer_), loopStart(loopStart_),
      payload(payload_) {}

SpriteEvent::SpriteEvent(ContainerBase* payload_) : payload(payload_) {}

SpriteEvent::SpriteEvent(const SpriteEvent& o)
    : value(o.value), target(o.target), frames(o.frames), type(o.type), layer(o.layer), loopStart(o.loopStart),
      payload(o.payload ? o.payload->Clone() : nullptr) {}

SpriteEvent& SpriteEvent::operator=(const SpriteEvent& o) {
    if (this == &o) return *this;
    ContainerBase* fresh = o.payload ? o.payload->Clone() : nullptr;
    delete payload;
    payload = fresh;
    value = o.value;
    target = o.target;
    frames = o.frames;
    type = o.type;
    layer = o.layer;
    loopStart = o.loopStart;
    return *this;
}

SpriteEvent::~SpriteEvent() { delete payload; }

bool SpriteEvent::operator==(const SpriteEvent& o) const {
    return target == o.target && frames == o.frames && layer == o.layer && loopStart == o.loopStart;
}

void SpriteEvent::Write(SuperString& s) const {
    s << static_cast<short>(target.x) << static_cast<short>(target.y) << static_cast<short>(target.z);
    s << static_cast<int>(target.fourth);
    s << static_cast<unsigned short>(value) << static_cast<unsigned short>(type);
    s << static_cast<unsigned short>(layer) << static_cast<unsigned short>(loopStart);
    std::vector<char> bytes;
    if (payload) {
        SuperString inner(SuperString::kDefaultMaxLength);
        inner << static_cast<const ContainerBase*>(payload);
        if (inner.Failed()) {
            s.SetFailed();
            return;
        }
        bytes.resize(static_cast<std::size_t>(inner.Length()));
        if (!bytes.empty() && !inner.Read(bytes.data(), inner.Length())) {
            s.SetFailed();
            return;
        }
    }
    s << static_cast<unsigned int>(bytes.size());
    if (!bytes.empty()) s.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
}

void SpriteEvent::Read(SuperString& s) {
    short x = 0, y = 0, z = 0;
    int time = 0;
    unsigned short v = 0, t = 0, l = 0, ls = 0;
    unsigned int n = 0;
    s >> x >> y >> z >> time >> v >> t >> l >> ls >> n;
    if (s.Failed()) return;
    delete payload;
    payload = nullptr;
    target = Point4(x, y, z, time);
    value = v;
    type = t;
    layer = l;
    loopStart = ls;
    frames.Clear();
    if (n == 0) return;
    if (n > static_cast<unsigned int>(s.Remaining()) || n > static_cast<unsigned int>(SuperString::kDefaultMaxLength)) {
        s.SetFailed();
        return;
    }
    std::vector<char> bytes(n);
    if (!s.Read(bytes.data(), static_cast<std::int32_t>(n))) return;
    SuperString inner(SuperString::kDefaultMaxLength);
    inner.Write(bytes.data(), static_cast<std::int32_t>(n));
    ContainerBase* read = nullptr;
    inner >> read;
    if (inner.Failed()) {
        delete read;
        s.SetFailed();
        return;
    }
    payload = read;
}

SuperString& operator<<(SuperString& s, const SpriteEvent& e) {
    s << static_cast<unsigned short>(e.value) << static_cast<unsigned short>(e.type);
    s << static_cast<unsigned short>(e.layer) << static_cast<unsigned short>(e.loopStart);
    s << static_cast<const ContainerBase*>(e.payload);
    return s;
}

SuperString& operator>>(SuperString& s, SpriteEvent& e) {
    unsigned short v = 0, t = 0, l = 0, ls = 0;
    s >> v >> t >> l >> ls;
    ContainerBase* read = nullptr;
    s >> read;
    SpriteEvent fresh(read);
    fresh.value = v;
    fresh.type = t;
    fresh.layer = l;
    fresh.loopStart = ls;
    e = fresh;
    return s;
}
