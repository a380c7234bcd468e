#include "game/pictures/vh_sprite.h"

#include "core/container.h"
#include "core/geometry_stream.h"
#include "core/message_registry.h"
#include "game/pictures/picture_log.h"
#include "game/pictures/vh_physical_object.h"
#include "ui/bitmap.h"
#include "ui/bitmap_reference.h"
#include "ui/tile.h"

#include <cstring>
#include <string>
#include <typeinfo>

namespace {

// An event without the game's payload (none of ours makes one) plays as one with no frames
// and no cue rather than reaching into nothing.
VhSpriteEvent& PayloadOf(SpriteEvent& e) {
    if (auto* v = PayloadValue<VhSpriteEvent>(e.payload)) return *v;
    delete e.payload;
    e.payload = new Container<VhSpriteEvent>(VhSpriteEvent());
    return *PayloadValue<VhSpriteEvent>(e.payload);
}

Box Union(const Box& a, const Box& b) {
    if (a.IsEmpty()) return b;
    if (b.IsEmpty()) return a;
    return a | b;
}

} // namespace

std::uint16_t VhSprite::ChangeRegionType() {
    static const std::uint16_t number = RegisterMessage("ChangeRegion");
    return number;
}

VhSprite::VhSprite(std::int16_t hex, const Point3D& position_, const FrameInfo& firstFrame, std::int16_t value,
                   PhysicalObject* owner_, std::uint32_t drawMode_, QIF<Bitmap>* fullArt, QIF<Bitmap>* halfArt,
                   QIF<Bitmap>* quarterArt, std::int16_t view_)
    : Sprite(static_cast<std::uint16_t>(hex), position_, nullptr, static_cast<std::uint16_t>(value), owner_, drawMode_),
      view(view_ != 0 ? 1 : 0) {
    auto* picture = dynamic_cast<VhPhysicalObject*>(owner_);
    art[0] = fullArt ? fullArt : (picture ? picture->GetArt() : nullptr);
    art[1] = halfArt ? halfArt : (picture ? picture->GetHalfArt() : nullptr);
    art[2] = quarterArt ? quarterArt : (picture ? picture->GetQuarterArt() : nullptr);
    for (std::int16_t z = 0; z < 3; ++z) base[z] = pos[z] = ScreenPoint(position_, z);
    SyncPosition();
    SetFrame(firstFrame);
}

VhSprite::VhSprite() : Sprite(0, Point3D(), nullptr, 0, nullptr, 1) {}

VhSprite::~VhSprite() {
    if (loggedShown) PictureLogLine("hide " + PictureLogName(this));
    frameCursor = ListIterator<FrameInfo>();
    if (ownsArt)
        for (QIF<Bitmap>*& a : art) {
            delete a;
            a = nullptr;
        }
}

void VhSprite::SetSoundManager(PictureSoundManager* manager) {
    soundManager = manager;
    for (std::uint32_t code : {20u, 22u, 12u}) alwaysAudible.push_back(code);
}

void VhSprite::SetViewLandscape(ViewLayer* layer_, std::int16_t view_) {
    if (view_ == 0 || view_ == 1) viewLayers[view_] = layer_;
}

void VhSprite::ResetStatics() {
    soundManager = nullptr;
    viewLayers[0] = viewLayers[1] = nullptr;
    alwaysAudible.clear();
}

Point3D VhSprite::HexOriginAt(std::int16_t view_, std::int16_t zoom) const {
    ViewLayer* l = viewLayers[view_ != 0 ? 1 : 0];
    ViewLandscape* land = l ? l->GetLandscape(zoom) : nullptr;
    return land ? land->HexOrigin(static_cast<std::int16_t>(objectId)) : Point3D();
}

Point VhSprite::ScreenPoint(const Point3D& p, std::int16_t zoom) const {
    const Point3D o = HexOriginAt(view, zoom);
    const int divisor = zoom == 0 ? 1 : (zoom == 1 ? 2 : 4);
    return Point(static_cast<std::int16_t>(o.x + p.x / divisor), static_cast<std::int16_t>(o.y + p.y / divisor));
}

void VhSprite::SetFrame(const FrameInfo& f) {
    if (f.GetFrame() == -1) return;
    const char* name = f.GetName();
    if (name && art[0] && !art[0]->HasSection(name) && *name) ++name;
    for (int z = 0; z < 3; ++z) {
        if (!art[z]) {
            image[z] = nullptr;
            continue;
        }
        // Section -1 would mean the library's current one: a missing section draws nothing.
        const std::int16_t section = art[z]->SectionIndex(name);
        if (section < 0 || f.GetFrame() >= art[z]->ImageCount(section)) {
            const std::string frameName = "#" + std::to_string(f.GetFrame());
            ReportArtLookUpMiss(art[z]->GetName(), name ? name : "", section < 0 ? nullptr : frameName.c_str());
            image[z] = nullptr;
            continue;
        }
        image[z] = art[z]->GetBitmap(f.GetFrame(), section);
    }
    frame = image[0];
    currentFrame = f;
}

void VhSprite::QueueEvent(const SpriteEvent& event) {
    if (const auto* v = PayloadValue<VhSpriteEvent>(event.payload)) {
        // Loads the images of every frame now, so that playing never waits for the library.
        Bitmap* kept[3] = {image[0], image[1], image[2]};
        const FrameInfo keptFrame = currentFrame;
        ListIterator<FrameInfo> walk(&v->frames);
        FrameInfo f;
        while (walk.Next(f)) SetFrame(f);
        for (int z = 0; z < 3; ++z) image[z] = kept[z];
        frame = image[0];
        currentFrame = keptFrame;
    }
    Sprite::QueueEvent(event);
}

void VhSprite::RemoveFirstEvent() {
    events.Dequeue();
    frameCursor = ListIterator<FrameInfo>();
    played = 0;
}

bool VhSprite::StepFrame(bool wrap) {
    FrameInfo f;
    if (frameCursor.Next(f)) {
        currentFrame = f;
        return true;
    }
    // A failed step puts the cursor back at the start: the wrap is one more step.
    if (wrap && frameCursor.Next(f)) {
        currentFrame = f;
        return true;
    }
    return false;
}

void VhSprite::QueueWith(std::int16_t hex, const Point4& target, std::int16_t value, std::uint16_t type,
                         std::uint16_t repeat, VhSpriteEvent* payload) {
    SpriteEvent e(static_cast<std::uint16_t>(hex), target, List<Bitmap*>(), static_cast<std::uint16_t>(value), type,
                  repeat, new Container<VhSpriteEvent>(std::move(*payload)));
    delete payload;
    QueueEvent(e);
}

void VhSprite::PostEvent(std::int16_t hex, const Point4& target, const char*, std::int16_t value, std::uint16_t type,
                         std::uint16_t repeat) {
    QueueWith(hex, target, value, type, repeat, new VhSpriteEvent());
}

void VhSprite::PostCommand(std::uint16_t type) {
    QueueWith(static_cast<std::int16_t>(objectId), Point4(), -1, type, 0, new VhSpriteEvent());
}

void VhSprite::PostFrames(std::int16_t hex, const Point4& target, const List<FrameInfo>& frames_, std::int16_t value,
                          std::uint16_t type, std::uint16_t repeat) {
    QueueWith(hex, target, value, type, repeat, new VhSpriteEvent(frames_));
}

void VhSprite::PostSound(const SoundEvent& sound) {
    QueueWith(static_cast<std::int16_t>(objectId), Point4(), -1, SpriteEvent::Notify, 0, new VhSpriteEvent(sound));
}

void VhSprite::PostSoundCode(std::uint32_t code, std::uint16_t first, std::uint16_t second) {
    PostSound(SoundEvent(code, first, second));
}

void VhSprite::ChangeRegion(std::int16_t hex) {
    QueueWith(hex, Point4(), -1, ChangeRegionType(), 0, new VhSpriteEvent());
}

std::int16_t VhSprite::Tick(std::int32_t now, List<Box>* dirty) {
    if (loggedShown && hidden) {
        loggedShown = false;
        PictureLogLine("hide " + PictureLogName(this));
    }
    if (events.IsEmpty()) {
        redraw = 0;
        startTime = 0;
        return 0;
    }
    Item<SpriteEvent>* head = nullptr;
    events.PeekItem(head);
    if (events.Count() > 1 && head->value.type == SpriteEvent::Hold) {
        RemoveFirstEvent();
        events.PeekItem(head);
    }
    SpriteEvent& e = head->value;
    VhSpriteEvent& v = PayloadOf(e);
    redraw = 1;
    Box old[3];
    for (std::int16_t z = 0; z < 3; ++z) old[z] = GetBoundsAtZoom(z);
    if (frameCursor.IsDetached()) {
        Point3D target(static_cast<std::int16_t>(e.target.x), static_cast<std::int16_t>(e.target.y),
                       static_cast<std::int16_t>(e.target.z));
        for (std::int16_t z = 0; z < 3; ++z) {
            const Point p = ScreenPoint(target, z);
            v.targets[z] = Point3D(p.x, p.y, 0);
        }
        if (static_cast<std::int16_t>(e.layer) != -1) layer = e.layer;
        e.target.fourth += now;
        if (startTime == 0) startTime = now;
        frameCursor.Attach(&v.frames);
        if (e.type == SpriteEvent::LoopingMove) {
            // The walking cycle goes on where the previous move left it.
            for (int k = 0; k < frameCounter; ++k) StepFrame(false);
            SetFrame(currentFrame);
        } else {
            frameCounter = 0;
        }
    }
    Update(e, now);
    if (dirty)
        for (std::int16_t z = 0; z < 3; ++z) {
            const Box changed = Union(old[z], GetBoundsAtZoom(z));
            if (!changed.IsEmpty()) dirty[z].AddTail(changed);
        }
    return 1;
}

void VhSprite::Interpolate(const SpriteEvent& e, const VhSpriteEvent& v, std::int32_t now) {
    const std::int64_t span = static_cast<std::int64_t>(e.target.fourth) - startTime;
    const std::int64_t pct = (static_cast<std::int64_t>(now) - startTime) * 100 / span;
    for (int z = 0; z < 3; ++z) {
        pos[z].x = static_cast<std::int16_t>(base[z].x + (v.targets[z].x - base[z].x) * pct / 100);
        pos[z].y = static_cast<std::int16_t>(base[z].y + (v.targets[z].y - base[z].y) * pct / 100);
    }
    SyncPosition();
}

void VhSprite::FinishZoomMove(SpriteEvent& e, const VhSpriteEvent& v) {
    for (int z = 0; z < 3; ++z) base[z] = pos[z] = Point(v.targets[z].x, v.targets[z].y);
    SyncPosition();
    start = Point4(position, e.target.fourth);
    startTime = e.target.fourth;
    if (static_cast<std::int16_t>(e.value) != -1) objectId = e.value;
    RemoveFirstEvent();
}

void VhSprite::Update(SpriteEvent& e, std::int32_t now) {
    VhSpriteEvent& v = PayloadOf(e);
    HandleSound(v.sound);
    if (e.type == ChangeRegionType()) {
        if (static_cast<std::int16_t>(e.value) != -1) objectId = e.value;
        RemoveFirstEvent();
        for (Point& p : pos) p = Point();
        SyncPosition();
        return;
    }
    switch (e.type) {
    case SpriteEvent::Move:
    case SpriteEvent::LoopingMove: {
        // A move without a span (or one whose end lies before its start) completes at once.
        const bool running = now < e.target.fourth && e.target.fourth > startTime;
        if (e.type == SpriteEvent::Move) {
            StepFrame(true);
        } else {
            ++frameCounter;
            if (!StepFrame(false)) {
                frameCounter = 0;
                for (int k = 0; k < e.loopStart; ++k) {
                    StepFrame(false);
                    ++frameCounter;
                }
            }
        }
        SetFrame(currentFrame);
        if (running) Interpolate(e, v, now);
        else FinishZoomMove(e, v);
        break;
    }
    case SpriteEvent::Play:
        if (!StepFrame(false)) {
            startTime = now;
            RemoveFirstEvent();
        } else {
            SetFrame(currentFrame);
        }
        break;
    case SpriteEvent::Hold:
        StepFrame(true);
        SetFrame(currentFrame);
        for (int z = 0; z < 3; ++z) pos[z] = Point(v.targets[z].x, v.targets[z].y);
        SyncPosition();
        startTime = e.target.fourth;
        break;
    case SpriteEvent::Idle:
        if (e.target.fourth < now) RemoveFirstEvent();
        break;
    default: Sprite::Update(e, now); break;
    }
}

bool VhSprite::SortsAfter(const Sprite& other) const {
    int key = pos[0].y / 2;
    if (static_cast<std::int16_t>(layer) < -1 && image[0]) key -= image[0]->GetWidth() / 4;
    int otherKey;
    int otherX;
    if (typeid(other) == typeid(VhSprite)) {
        const auto& o = static_cast<const VhSprite&>(other);
        otherKey = o.pos[0].y / 2;
        if (static_cast<std::int16_t>(o.layer) < -1 && o.image[0]) otherKey -= o.image[0]->GetWidth() / 4;
        otherX = o.pos[0].x;
    } else {
        const Point3D p = other.GetPosition();
        otherKey = p.y / 2;
        otherX = p.x;
    }
    if (key == otherKey) return pos[0].x < otherX;
    return key > otherKey;
}

Box VhSprite::DrawAtZoom(Bitmap& surface, const Point& origin, std::int16_t zoom) {
    if (hidden || zoom < 0 || zoom > 2 || !image[zoom]) return Box();
    const Point p(static_cast<std::int16_t>(pos[zoom].x - origin.x),
                  static_cast<std::int16_t>(pos[zoom].y - origin.y - lift[zoom]));
    if (PictureLogOn()) LogDrawn(surface, origin, zoom);
    return surface.DrawAll(p, *image[zoom], static_cast<int>(drawMode));
}

Box VhSprite::GetBoundsAtZoom(std::int16_t zoom) const {
    if (hidden || zoom < 0 || zoom > 2 || !image[zoom]) return Box();
    if (pos[zoom].x == 0 && pos[zoom].y == 0) return Box();
    const Point hot = image[zoom]->GetHotspot();
    return Box(static_cast<std::int16_t>(pos[zoom].x - hot.x), static_cast<std::int16_t>(pos[zoom].y - hot.y - lift[zoom]),
               image[zoom]->GetWidth(), image[zoom]->GetHeight());
}

Box VhSprite::GetBounds() const {
    if (hidden || !image[0]) return Box();
    const Point hot = image[0]->GetHotspot();
    return Box(static_cast<std::int16_t>(pos[0].x - hot.x), static_cast<std::int16_t>(pos[0].y - hot.y - lift[0]),
               image[0]->GetWidth(), image[0]->GetHeight());
}

std::int16_t VhSprite::HitTestAtZoom(const Point& point, std::int16_t zoom) const {
    if (hidden || zoom < 0 || zoom > 2 || !image[zoom]) return 0;
    const Point at(static_cast<std::int16_t>(point.x - pos[zoom].x),
                   static_cast<std::int16_t>(point.y - (pos[zoom].y - lift[zoom])));
    return image[zoom]->IsOpaqueAt(at) ? 1 : 0;
}

std::int16_t VhSprite::HitTest(const Point& point) const {
    if (!image[0]) return 0;
    const Point at(static_cast<std::int16_t>(point.x - pos[0].x), static_cast<std::int16_t>(point.y - (pos[0].y - lift[0])));
    return image[0]->IsOpaqueAt(at) ? 1 : 0;
}

void VhSprite::SetLift(std::int16_t h) {
    lift[0] = h;
    lift[1] = static_cast<std::int16_t>(h / 2);
    lift[2] = static_cast<std::int16_t>(h / 4);
}

void VhSprite::MoveToCombatView() {
    if (view == 1) return;
    const Point3D o = HexOriginAt(0, 0);
    const Point3D rel(static_cast<std::int16_t>(pos[0].x - o.x), static_cast<std::int16_t>(pos[0].y - o.y), 0);
    view = 1;
    for (std::int16_t z = 0; z < 3; ++z) base[z] = pos[z] = ScreenPoint(rel, z);
    SyncPosition();
}

void VhSprite::Save(SuperString& s) const {
    s << static_cast<std::uint16_t>(layer) << static_cast<std::uint16_t>(objectId) << position << start;
    s << static_cast<std::uint16_t>(redraw) << static_cast<std::uint32_t>(drawMode) << frameCounter << hidden;
    for (int z = 0; z < 3; ++z) s << pos[z] << base[z];
    currentFrame.Write(s);
    s << loopHandle << allSounds << played << ignoresPointer;
}

void VhSprite::Load(SuperString& s) {
    std::uint16_t value = 0, hex = 0, redraw_ = 0, counter = 0, hidden_ = 0;
    Point3D position_;
    Point4 start_;
    std::uint32_t mode = 0;
    Point pos_[3], base_[3];
    FrameInfo frame_;
    std::int16_t handle = -1, all = 0, played_ = 0, ignores = 0;
    s >> value >> hex >> position_ >> start_ >> redraw_ >> mode >> counter >> hidden_;
    for (int z = 0; z < 3; ++z) s >> pos_[z] >> base_[z];
    frame_.Read(s);
    s >> handle >> all >> played_ >> ignores;
    // A record cut short changes nothing: the sprite stays as the picture built it.
    if (s.Failed()) return;
    layer = value;
    objectId = hex;
    position = position_;
    start = start_;
    redraw = redraw_;
    drawMode = mode;
    frameCounter = counter;
    hidden = hidden_;
    for (int z = 0; z < 3; ++z) {
        pos[z] = pos_[z];
        base[z] = base_[z];
    }
    SetFrame(frame_);
    currentFrame = frame_;
    loopHandle = handle;
    allSounds = all;
    played = played_;
    ignoresPointer = ignores;
}

void VhSprite::WriteArtNames(SuperString& s) const {
    for (QIF<Bitmap>* a : art) s << (a ? a->GetName() : std::string());
}

void VhSprite::ReadArtNames(SuperString& s) {
    std::string names[3];
    for (std::string& n : names) s >> n;
    if (s.Failed()) return;
    if (ownsArt)
        for (QIF<Bitmap>*& a : art) delete a;
    for (int z = 0; z < 3; ++z) art[z] = names[z].empty() ? nullptr : new QIF<Bitmap>(names[z].c_str());
    ownsArt = true;
    SetFrame(currentFrame);
}

void VhSprite::LogDrawn(Bitmap& surface, const Point& origin, std::int16_t zoom) {
    // The map draws a figure in pieces through references into its tile, and the tile lies in
    // its window's buffer: the piece's place there against the map point it starts at gives
    // where map point (0, 0) of this zoom falls in the window.
    const auto* piece = dynamic_cast<const BitmapReference*>(&surface);
    if (!piece) return;
    int x = piece->GetX() - origin.x, y = piece->GetY() - origin.y;
    for (const Display* d = dynamic_cast<const Display*>(&piece->GetReferenced()); d;) {
        const auto* tile = dynamic_cast<const Tile*>(d);
        if (!tile) break;
        x += tile->GetX();
        y += tile->GetY();
        d = tile->GetParent();
    }
    // A change of zoom draws every figure in view afresh; each is logged again then, even one
    // that comes back to the place it had at this zoom before.
    static std::int16_t zoomShown[2] = {-1, -1};
    static std::uint32_t zoomChanges = 0;
    const std::size_t v = view == 1 ? 1 : 0;
    if (zoomShown[v] != zoom) {
        zoomShown[v] = zoom;
        ++zoomChanges;
    }
    const Box box = GetBoundsAtZoom(zoom);
    const Point shift(static_cast<std::int16_t>(x), static_cast<std::int16_t>(y));
    if (loggedShown && loggedZoom == zoom && loggedBox == box && loggedShift == shift && loggedChanges == zoomChanges) return;
    loggedChanges = zoomChanges;
    loggedShown = true;
    loggedZoom = zoom;
    loggedBox = box;
    loggedShift = shift;
    PictureLogLine("draw " + PictureLogName(this) + " " + std::to_string(view) + " " + std::to_string(zoom) + " " + std::to_string(box.x) + " " +
                   std::to_string(box.y) + " " + std::to_string(box.width) + " " + std::to_string(box.height) + " " +
                   std::to_string(shift.x) + " " + std::to_string(shift.y) + " " +
                   PictureLogName(dynamic_cast<const VhPhysicalObject*>(GetOwner())));
}
