#include "landscape/physical/sprite.h"

#include "ui/bitmap.h"

Sprite::Sprite(std::uint16_t objectId_, const Point3D& position_, Bitmap* firstFrame, std::uint16_t layer_,
               PhysicalObject* owner_, std::uint32_t drawMode_)
    : layer(layer_), owner(owner_), objectId(objectId_), position(position_), start(position_, 0), frame(firstFrame),
      drawMode(drawMode_) {}

Sprite::~Sprite() = default;

// The cursor walks the head event's frames, so it cannot outlive the head.
void Sprite::RemoveFirstEvent() {
    events.Dequeue();
    cursor = ListIterator<Bitmap*>();
}

void Sprite::EndEvent() { RemoveFirstEvent(); }

void Sprite::AddEvent(std::uint16_t value, const Point4& target, const List<Bitmap*>& frames, std::uint16_t layer_,
                      std::uint16_t type, std::uint16_t loopStart) {
    QueueEvent(SpriteEvent(value, target, frames, layer_, type, loopStart));
}

void Sprite::AddTypeEvent(std::uint16_t type) {
    QueueEvent(SpriteEvent(objectId, Point4(), List<Bitmap*>(), SpriteEvent::kKeepLayer, type, 0));
}

void Sprite::QueueEvent(const SpriteEvent& event) { events.Enqueue(event); }

bool Sprite::IsInFrontOf(const Sprite& other) const {
    if (owner && owner == other.owner && layer != kNoLayer && other.layer != kNoLayer) return other.layer < layer;
    return other.position.y < position.y;
}

Box Sprite::FrameRect() const {
    if (!frame) return Box();
    const Point hot = frame->GetHotspot();
    return Box(position.x - hot.x, position.y - hot.y, frame->GetWidth(), frame->GetHeight());
}

Box Sprite::GetRect() const { return hidden ? Box() : FrameRect(); }

Box Sprite::Draw(Bitmap& target, const Point& origin) {
    if (hidden || !frame) return Box();
    return target.DrawAll(Point(position.x - origin.x, position.y - origin.y), *frame, static_cast<int>(drawMode));
}

std::int16_t Sprite::HitTest(const Point& point) const {
    if (hidden || !frame) return 0;
    return frame->IsOpaqueAt(Point(point.x - position.x, point.y - position.y)) ? 1 : 0;
}

void Sprite::Hide() {
    hidden = 1;
    redraw = 1;
}

void Sprite::Show() {
    hidden = 0;
    redraw = 1;
}

void Sprite::EmptyHook() {}
void Sprite::Save(SuperString&) const {}
void Sprite::Load(SuperString&) {}

bool Sprite::StepCursor() {
    Bitmap* next = nullptr;
    if (!cursor.Next(next)) return false;
    frame = next;
    return true;
}

void Sprite::BeginHead(std::int32_t timeBase) {
    Item<SpriteEvent>* head = nullptr;
    if (!events.PeekItem(head)) return;
    SpriteEvent& e = head->value;
    if (e.layer != SpriteEvent::kKeepLayer) layer = e.layer;
    e.target.fourth += timeBase;
    cursor.Attach(&e.frames);
    if (e.type == SpriteEvent::LoopingMove) {
        // The loop goes on where the previous looping move left it.
        for (int k = 0; k < frameCounter; ++k) StepCursor();
    } else {
        frameCounter = 0;
    }
}

void Sprite::Interpolate(const SpriteEvent& e, std::int32_t now) {
    const std::int64_t span = static_cast<std::int64_t>(e.target.fourth) - start.fourth;
    // A clock that went back could leave no span at all; the move then stays where it began.
    const std::int64_t percent = span > 0 ? (static_cast<std::int64_t>(now) - start.fourth) * 100 / span : 0;
    position.x = static_cast<std::int16_t>(start.x + (e.target.x - start.x) * percent / 100);
    position.y = static_cast<std::int16_t>(start.y + (e.target.y - start.y) * percent / 100);
}

void Sprite::FinishMove(SpriteEvent& e) {
    start = e.target;
    position = Point3D(e.target.x, e.target.y, e.target.z);
    objectId = e.value;
}

std::int16_t Sprite::Tick(std::int32_t now, List<Box>* dirty) {
    if (events.IsEmpty()) {
        redraw = 0;
        return 0;
    }
    Item<SpriteEvent>* head = nullptr;
    events.PeekItem(head);
    if (events.Count() > 1 && head->value.type == SpriteEvent::Hold) {
        RemoveFirstEvent();
        cursor = ListIterator<Bitmap*>();
        events.PeekItem(head);
    }
    redraw = 1;
    const Box before = FrameRect();
    if (cursor.IsDetached()) {
        BeginHead(now);
        start.fourth = now;
    }
    Update(head->value, now);
    const Box after = FrameRect();
    if (dirty) {
        // A box that is empty (no frame) would stretch the union to the origin.
        if (before.IsEmpty()) dirty->AddTail(after);
        else if (after.IsEmpty()) dirty->AddTail(before);
        else dirty->AddTail(before | after);
    }
    return 1;
}

void Sprite::Update(SpriteEvent& e, std::int32_t now) {
    auto endEvent = [&] {
        RemoveFirstEvent();
        if (events.IsEmpty()) {
            cursor = ListIterator<Bitmap*>();
            return;
        }
        // The next event starts at once, its time counted from this one's end so that chained
        // moves do not drift.
        BeginHead(start.fourth);
    };
    switch (e.type) {
    case SpriteEvent::Move:
    case SpriteEvent::LoopingMove:
        if (now < e.target.fourth) {
            if (e.type == SpriteEvent::Move) {
                if (!StepCursor()) StepCursor();
            } else {
                ++frameCounter;
                if (!StepCursor()) {
                    frameCounter = 0;
                    cursor.Restart();
                    for (int k = 0; k < e.loopStart; ++k) {
                        StepCursor();
                        ++frameCounter;
                    }
                }
            }
            Interpolate(e, now);
        } else {
            StepCursor();
            if (e.type == SpriteEvent::LoopingMove) ++frameCounter;
            FinishMove(e);
            endEvent();
        }
        break;
    case SpriteEvent::Play:
        if (!StepCursor()) {
            start.fourth = now;
            endEvent();
        }
        break;
    case SpriteEvent::Hold:
        if (!StepCursor()) StepCursor();
        start = e.target;
        position = Point3D(e.target.x, e.target.y, e.target.z);
        break;
    case SpriteEvent::Idle: break;
    case SpriteEvent::DrawPlain:
    case SpriteEvent::DrawPlainToo:
    case SpriteEvent::DrawGrey:
    case SpriteEvent::DrawBright:
    case SpriteEvent::Notify:
    case SpriteEvent::HideSprite:
    case SpriteEvent::ShowSprite:
        switch (e.type) {
        case SpriteEvent::DrawGrey: drawMode = 2; break;
        case SpriteEvent::DrawBright: drawMode = 3; break;
        case SpriteEvent::HideSprite: hidden = 1; break;
        case SpriteEvent::ShowSprite: hidden = 0; break;
        case SpriteEvent::Notify: break;
        default: drawMode = 1; break;
        }
        RemoveFirstEvent();
        cursor = ListIterator<Bitmap*>();
        break;
    default: break; // unknown types stay at the head
    }
}
