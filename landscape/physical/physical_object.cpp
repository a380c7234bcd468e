#include "landscape/physical/physical_object.h"

#include "core/bus.h"
#include "landscape/physical/physical_layer.h"
#include "ui/bitmap.h"

namespace {

ContainerBase* OnLogicalCommandEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalObject* self;
    LogicalCommandInfo* command;
    // A command of the wrong shape is not queued: nothing could ever finish it, and it would
    // keep the object active and every later command waiting behind it.
    if (!BusArgs(c, p, self, command, "PHYSOBJ", 224)) return nullptr;
    return self->OnLogicalCommand(*command);
}

} // namespace

PhysicalObject::PhysicalObject(const char* name, std::uint16_t objectId_, std::uint32_t facing_)
    : Component(name, "Unnamed PhysicalObject"), objectId(objectId_), art(new QIF<Bitmap>(name)), facing(facing_) {}

PhysicalObject::~PhysicalObject() {
    *alive = false;
    Bus* home = bus;
    // The layer must not keep pointers to this object or to the sprites deleted below.
    if (auto* layer = dynamic_cast<PhysicalLayer*>(home)) layer->ForgetObject(this);
    // Detached first, so that nothing queued for this object runs while the replies go out.
    DetachFromBus();
    if (home) {
        LogicalCommandInfo waiting;
        // A head whose reply is going out as this object dies (its reply's handler deleted it)
        // has been answered already.
        if (headReplied) commands.Dequeue();
        while (commands.Dequeue(waiting)) {
            if (waiting.reply.Number() != 0) home->Post(waiting.reply, waiting.replyData);
        }
    }
    for (std::uint16_t i = 0; i < spriteCount; ++i) delete sprites[i];
    delete art;
}

void PhysicalObject::Connect() { RegisterHandler(LOGICAL_COMMAND, OnLogicalCommandEntry); }

ContainerBase* PhysicalObject::OnLogicalCommand(const LogicalCommandInfo& command) {
    QueueMessage(command);
    return nullptr;
}

std::int16_t PhysicalObject::QueueMessage(const LogicalCommandInfo& command) {
    // Queued before the announcement: the post may run handlers, and they must find it queued.
    const bool wasIdle = commands.IsEmpty();
    commands.Enqueue(command);
    if (wasIdle) {
        Container<short> me(static_cast<short>(GetId()));
        Post(PHYSICAL_OBJECT_ACTIVATED, &me);
    }
    return 0;
}

void PhysicalObject::StartCommand(LogicalCommandInfo& command) {
    if (command.command.Number() == LOGICAL_OBJECT_MOVED && spriteCount > 0) {
        std::shared_ptr<bool> living = alive;
        const std::int16_t region = command.region;
        Point3D location;
        Container<short> where(region);
        ContainerBase* answer = PostNamedAndWait("Get Region Location", &where);
        if (const Point3D* p = PayloadValue<Point3D>(answer)) location = *p;
        delete answer;
        // Other tasks run while the answer is awaited; one of them may have deleted this object.
        if (!*living) return;
        const Point4 destination(location, 2000);
        List<Bitmap*> frames;
        if (art) {
            const std::int16_t n = art->ImageCount();
            for (std::int16_t f = 0; f < n; ++f) {
                // Locked once so that the pixels are resident when the frames are drawn.
                if (Bitmap* b = art->GetBitmap(f)) {
                    frames.AddTail(b);
                    art->UnlockBitmap(f);
                }
            }
        }
        for (std::uint16_t i = 0; i < spriteCount; ++i) {
            Sprite* s = GetSprite(i);
            if (!s) continue;
            const Point4 target = destination + Point4(spriteOffsets[i], 0);
            s->AddEvent(static_cast<std::uint16_t>(region), target, frames, SpriteEvent::kKeepLayer,
                        SpriteEvent::Move, 0);
            if (!animating.Contains(s)) animating.AddTail(s);
        }
    }
    // Nothing plays this command (another command, or no sprites): it is done now, or its
    // reply would never come and every later command would wait behind it.
    if (animating.IsEmpty()) CompleteHeadCommand();
}

void PhysicalObject::FinishCommand(LogicalCommandInfo&) {}

Sprite* PhysicalObject::GetSprite(std::uint16_t index) { return index < spriteCount ? sprites[index] : nullptr; }

bool PhysicalObject::CompleteHeadCommand() {
    std::shared_ptr<bool> living = alive;
    Item<LogicalCommandInfo>* head = nullptr;
    if (!commands.PeekItem(head)) return true;
    FinishCommand(head->value);
    if (!*living) return false;
    if (!commands.PeekItem(head)) return true;
    // A copy: the post may run handlers that queue further commands behind this one.
    const LogicalCommandInfo done = head->value;
    headReplied = true;
    if (done.reply.Number() != 0) Post(done.reply, done.replyData);
    if (!*living) return false;
    headReplied = false;
    commands.RemoveHead();
    if (commands.IsEmpty()) {
        Container<short> me(static_cast<short>(GetId()));
        delete PostAndWait(PHYSICAL_OBJECT_DEACTIVATED, &me);
        if (!*living) return false;
    }
    return true;
}

std::int16_t PhysicalObject::Tick(std::int32_t now, List<Box>* dirty) {
    std::shared_ptr<bool> living = alive;
    Item<LogicalCommandInfo>* head = nullptr;
    if (animating.IsEmpty() && commands.PeekItem(head)) {
        StartCommand(head->value);
        if (!*living) return 0;
    }
    ListIterator<Sprite*> walk(&animating);
    Sprite* s = nullptr;
    while (walk.Next(s)) {
        if (s->Tick(now, dirty) != 0) continue;
        walk.RemoveLast();
        if (!animating.IsEmpty()) continue;
        if (!CompleteHeadCommand()) return 0;
    }
    return commands.IsEmpty() ? 0 : 1;
}

PhysicalObject* PhysicalObject::CreateInstance(std::uint16_t id_) { return new PhysicalObject(GetNameText(), id_, 1); }

void PhysicalObject::EmptyHook() {}
void PhysicalObject::Save(SuperString&) {}
void PhysicalObject::Load(SuperString&) {}
void PhysicalObject::EmptyHook2() {}
void PhysicalObject::EmptyHook3() {}

void PhysicalObject::DisableSprite(Sprite* sprite) {
    Container<Sprite*> p(sprite);
    Post(SPRITE_DISABLED, &p);
}

void PhysicalObject::EnableSprite(Sprite* sprite) {
    Container<Sprite*> p(sprite);
    Post(SPRITE_ENABLED, &p);
}
