#include "landscape/physical/physical_layer.h"

#include "core/application.h"
#include "core/assertion.h"
#include "ui/main_window.h"

#include <string>

namespace {

short liveLayers = 0;

// The creator registry lives for the whole process; its creators go with the last layer.
List<short>& TypeCodes() {
    static List<short> codes;
    return codes;
}
DynArray<PhysicalObject*>& CreatorTable() {
    static DynArray<PhysicalObject*> table(10);
    return table;
}

template <class T>
bool LayerArgs(Component* c, ContainerBase* p, PhysicalLayer*& self, T*& value, int line) {
    return BusArgs(c, p, self, value, "PHYSICAL", line);
}

ContainerBase* CreatePictureEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    LogicalCommandInfo* command;
    if (!LayerArgs(c, p, self, command, 152)) return nullptr;
    return self->CreatePicture(*command);
}

ContainerBase* DeliverCommandEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    LogicalCommandInfo* command;
    if (!LayerArgs(c, p, self, command, 171)) return nullptr;
    return self->DeliverCommand(*command);
}

ContainerBase* AddSpriteEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    Sprite** sprite;
    if (!LayerArgs(c, p, self, sprite, 190) || !*sprite) return nullptr;
    return self->AddSprite(*sprite);
}

ContainerBase* RemoveSpriteEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    Sprite** sprite;
    if (!LayerArgs(c, p, self, sprite, 228) || !*sprite) return nullptr;
    return self->RemoveSprite(*sprite);
}

ContainerBase* DisableSpriteEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    Sprite** sprite;
    if (!LayerArgs(c, p, self, sprite, 249) || !*sprite) return nullptr;
    self->DisableSprite(*sprite);
    return nullptr;
}

ContainerBase* EnableSpriteEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    Sprite** sprite;
    if (!LayerArgs(c, p, self, sprite, 266) || !*sprite) return nullptr;
    self->EnableSprite(*sprite);
    return nullptr;
}

ContainerBase* ActivateObjectEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    short* id;
    if (!LayerArgs(c, p, self, id, 284)) return nullptr;
    return self->ActivateObject(*id);
}

ContainerBase* DeactivateObjectEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    short* id;
    if (!LayerArgs(c, p, self, id, 307)) return nullptr;
    return self->DeactivateObject(*id);
}

ContainerBase* AnimationTickEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    long* time;
    if (!LayerArgs(c, p, self, time, 333)) return nullptr;
    return self->AnimationTick(*time);
}

ContainerBase* RemoveViewportEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    ChildWindow** window;
    if (!LayerArgs(c, p, self, window, 339)) return nullptr;
    return self->RemoveViewport(*window);
}

ContainerBase* PointSelectedEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    Point* point;
    if (!LayerArgs(c, p, self, point, 355)) return nullptr;
    return self->PointSelected(*point);
}

ContainerBase* PointFlybyEntry(Component* c, BusMessage, ContainerBase* p) {
    PhysicalLayer* self;
    Point* point;
    if (!LayerArgs(c, p, self, point, 375)) return nullptr;
    return self->PointFlyby(*point);
}

ContainerBase* CloseEntry(Component* c, BusMessage, ContainerBase*) {
    PhysicalLayer* self;
    if (!BusReceiver(c, self, "PHYSICAL", __LINE__)) return nullptr;
    return self->Close();
}

} // namespace

PhysicalLayer::PhysicalLayer(const char* name) : AsynchronousBus(name, kDefaultName) { ++liveLayers; }

PhysicalLayer::~PhysicalLayer() {
    StopAnimationTimer();
    DeleteObjectsAndViewports();
    if (--liveLayers == 0) {
        List<short>& codes = TypeCodes();
        DynArray<PhysicalObject*>& table = CreatorTable();
        List<PhysicalObject*> deleted;
        short code = 0;
        while (codes.RemoveHead(code)) {
            PhysicalObject* creator = table[code];
            table[code] = nullptr;
            // One prototype registered under two codes is deleted once.
            if (!creator || deleted.Contains(creator)) continue;
            deleted.AddTail(creator);
            delete creator;
        }
    }
}

void PhysicalLayer::Connect() {
    AsynchronousBus::Connect();
    RegisterHandler(LOGICAL_UNIT_CREATED, CreatePictureEntry);
    RegisterHandler(SPRITE_CREATED, AddSpriteEntry);
    RegisterNamedHandler("SpriteDestroyed", RemoveSpriteEntry);
    RegisterHandler(SPRITE_DISABLED, DisableSpriteEntry);
    RegisterHandler(SPRITE_ENABLED, EnableSpriteEntry);
    RegisterHandler(PHYSICAL_OBJECT_ACTIVATED, ActivateObjectEntry);
    RegisterHandler(PHYSICAL_OBJECT_DEACTIVATED, DeactivateObjectEntry);
    RegisterHandler(VIEWPORT_DESTROYED, RemoveViewportEntry);
    RegisterHandler(POINT_SELECTED, PointSelectedEntry);
    RegisterHandler(POINT_FLYBY, PointFlybyEntry);
    RegisterNamedHandler("CloseGame", CloseEntry);
    RegisterOuterHandler(LOGICAL_COMMAND, DeliverCommandEntry);

    // The command reaches the layer only through its outer-bus handler.
    BlockEvent(LOGICAL_COMMAND, 0);
    for (BusMessage e : {BusMessage(SPRITE_CREATED), BusMessage(RegisterMessage("SpriteDestroyed")),
                         BusMessage(SPRITE_DISABLED), BusMessage(SPRITE_ENABLED),
                         BusMessage(PHYSICAL_OBJECT_ACTIVATED), BusMessage(PHYSICAL_OBJECT_DEACTIVATED)})
        BlockRelayedEvent(e, 2);
    for (BusMessage e : {BusMessage(VIEWPORT_DESTROYED), BusMessage(POINT_SELECTED), BusMessage(POINT_FLYBY),
                         BusMessage(RegisterMessage("Get Region Location")), BusMessage(FIND_REGION),
                         BusMessage(INVALIDATE_LANDSCAPE), BusMessage(INVALIDATE_VIEW)})
        BlockRelayedEvent(e, 0);
}

// --- creators ---

void PhysicalLayer::RegisterCreator(short typeCode, PhysicalObject* creator) {
    if (typeCode < 0) {
        AssertFail("Picture type code " + std::to_string(typeCode) + " cannot be registered", "PHYSICAL", __LINE__);
        return;
    }
    List<short>& codes = TypeCodes();
    // Each code once in the list, so that the last layer deletes each creator once.
    if (!codes.Contains(typeCode)) codes.AddTail(typeCode);
    CreatorTable()[typeCode] = creator;
}

PhysicalObject* PhysicalLayer::Creator(short typeCode) {
    if (typeCode < 0 || !TypeCodes().Contains(typeCode)) return nullptr;
    return CreatorTable()[typeCode];
}

const List<short>& PhysicalLayer::RegisteredTypeCodes() { return TypeCodes(); }

short PhysicalLayer::LiveLayerCount() { return liveLayers; }

// --- objects and commands ---

ContainerBase* PhysicalLayer::CreatePicture(const LogicalCommandInfo& command) {
    const short* code = PayloadValue<short>(command.data);
    PhysicalObject* creator = code ? Creator(*code) : nullptr;
    if (!creator) {
        AssertFail("No picture is registered for type code " + (code ? std::to_string(*code) : std::string("(none)")),
                   "PHYSICAL", __LINE__);
        return nullptr;
    }
    PhysicalObject* object = creator->CreateInstance(static_cast<std::uint16_t>(command.region));
    if (!object) return nullptr;
    objects.AddTail(object);
    object->SetTypeCode(static_cast<std::uint16_t>(*code));
    object->AttachToBus(this);
    if (object->GetId() != kNoId) {
        for (int k = idTableFilled; k < command.object; ++k) idTable[k] = kNoId;
        if (command.object >= idTableFilled) idTableFilled = command.object + 1;
        idTable[command.object] = object->GetId();
    }
    return nullptr;
}

std::uint16_t PhysicalLayer::PictureIdOf(std::uint16_t objectNumber) const {
    return objectNumber < idTableFilled ? const_cast<DynArray<std::uint16_t>&>(idTable)[objectNumber] : kNoId;
}

ContainerBase* PhysicalLayer::DeliverCommand(const LogicalCommandInfo& command) {
    const std::uint16_t picture = PictureIdOf(command.object);
    if (picture != kNoId && dynamic_cast<PhysicalObject*>(GetComponent(picture))) {
        Container<LogicalCommandInfo> copy(command);
        List<VectorBusResponse> replies = CollectFrom(picture, LOGICAL_COMMAND, &copy);
        DeleteResponses(replies);
        return nullptr;
    }
    // No picture will play it; whoever waits for its reply must not wait forever.
    if (command.reply.Number() != 0) Post(command.reply, command.replyData);
    return nullptr;
}

ContainerBase* PhysicalLayer::ActivateObject(short componentId) {
    auto* object = dynamic_cast<PhysicalObject*>(GetComponent(static_cast<std::uint16_t>(componentId)));
    // An id that names no object of this layer must not start a timer that nothing would stop.
    if (!object || animating.Contains(object)) return nullptr;
    if (animating.IsEmpty()) StartAnimationTimer();
    animating.AddTail(object);
    return nullptr;
}

ContainerBase* PhysicalLayer::DeactivateObject(short componentId) {
    auto* object = dynamic_cast<PhysicalObject*>(GetComponent(static_cast<std::uint16_t>(componentId)));
    if (object) animating.Remove(object);
    if (animating.IsEmpty()) StopAnimationTimer();
    return nullptr;
}

ContainerBase* PhysicalLayer::AnimationTick(long) { return nullptr; }

void PhysicalLayer::StartAnimationTimer(int ticksPerSecond) {
    if (timerRunning) return;
    timerRunning = AddTimer(AnimationTickEntry, ticksPerSecond) != 0;
}

void PhysicalLayer::StopAnimationTimer() {
    if (!timerRunning) return;
    RemoveTimer(AnimationTickEntry);
    timerRunning = false;
}

void PhysicalLayer::ForgetObject(PhysicalObject* object) {
    objects.RemoveAll(object);
    if (animating.RemoveAll(object) > 0 && animating.IsEmpty()) StopAnimationTimer();
    for (std::uint16_t i = 0; i < object->GetSpriteCount(); ++i) {
        if (Sprite* s = object->GetSprite(i)) ForgetSprite(s);
    }
}

void PhysicalLayer::ForgetSprite(Sprite* sprite) {
    if (cells) {
        for (int row = 0; row < gridSize.height; ++row) {
            if (!cells[row]) continue;
            for (int column = 0; column < gridSize.width; ++column) cells[row][column].RemoveAll(sprite);
        }
    }
    sprites.RemoveAll(sprite);
    disabled.RemoveAll(sprite);
}

void PhysicalLayer::DeleteObjectsAndViewports() {
    PhysicalObject* object = nullptr;
    while (objects.RemoveHead(object)) delete object;
    Viewport* viewport = nullptr;
    while (viewports.RemoveHead(viewport)) delete viewport;
}

ContainerBase* PhysicalLayer::Close() {
    DeleteObjectsAndViewports();
    sprites.Clear();
    disabled.Clear();
    animating.Clear();
    StopAnimationTimer();
    return nullptr;
}

void PhysicalLayer::AddViewport(Viewport* viewport) {
    if (viewport && !viewports.Contains(viewport)) viewports.AddTail(viewport);
}

ContainerBase* PhysicalLayer::RemoveViewport(ChildWindow* window) {
    // The notice comes after the native window is gone, and the layer may have deleted its
    // viewports (and with them their windows) meanwhile, when the game closed: the window named
    // is only compared with the windows of the viewports still here, never looked into.
    for (Item<Viewport*>* i = viewports.Head(); i; i = i->next) {
        Component* own = i->value->GetWindow();
        if (own && dynamic_cast<ChildWindow*>(own) == window) {
            Viewport* found = i->value;
            viewports.RemoveItem(i);
            delete found;
            break;
        }
    }
    return nullptr;
}

// --- sprites ---

void PhysicalLayer::InsertInDrawingOrder(List<Sprite*>& list, Sprite* sprite) {
    Sprite* first = nullptr;
    if (!list.PeekHead(first)) {
        list.AddTail(sprite);
        return;
    }
    if (first->IsInFrontOf(*sprite)) {
        list.AddHead(sprite);
        return;
    }
    ListIterator<Sprite*> walk(&list);
    Item<Sprite*>* last = nullptr;
    walk.NextItem(last);
    for (;;) {
        Item<Sprite*>* next = nullptr;
        // At the end of the walk the peek answers the item returned last.
        if (!walk.PeekItem(next) || next == last) {
            list.AddTail(sprite);
            return;
        }
        if (next->value->IsInFrontOf(*sprite)) {
            walk.Insert(sprite);
            return;
        }
        walk.NextItem(last);
    }
}

ContainerBase* PhysicalLayer::AddSprite(Sprite* sprite) {
    sprite->SetRedraw(0);
    // Announced twice, a sprite would be drawn twice and outlive its first removal here.
    if (sprites.Contains(sprite)) return nullptr;
    InsertInDrawingOrder(sprites, sprite);
    return nullptr;
}

ContainerBase* PhysicalLayer::RemoveSprite(Sprite* sprite) {
    ForgetSprite(sprite);
    Container<Box> where(sprite->GetRect());
    delete PostAndWait(INVALIDATE_VIEW, &where);
    return nullptr;
}

void PhysicalLayer::DisableSprite(Sprite* sprite) {
    sprites.RemoveAll(sprite);
    if (!disabled.Contains(sprite)) disabled.AddTail(sprite);
    Container<Box> where(sprite->GetRect());
    delete PostAndWait(INVALIDATE_VIEW, &where);
}

void PhysicalLayer::EnableSprite(Sprite* sprite) {
    disabled.RemoveAll(sprite);
    AddSprite(sprite);
    Container<Box> where(sprite->GetRect());
    delete PostAndWait(INVALIDATE_VIEW, &where);
}

Sprite* PhysicalLayer::SpriteAt(const Point& point) const {
    for (Item<Sprite*>* i = sprites.Tail(); i; i = i->prev) {
        if (i->value->HitTest(point)) return i->value;
    }
    return nullptr;
}

short PhysicalLayer::HitTest(const Point& point) const {
    Sprite* s = SpriteAt(point);
    return s ? static_cast<short>(s->GetObjectId()) : static_cast<short>(-1);
}

PhysicalObject* PhysicalLayer::ObjectAt(const Point& point) const {
    const short hit = HitTest(point);
    if (hit == -1) return nullptr;
    for (Item<PhysicalObject*>* i = objects.Head(); i; i = i->next) {
        if (i->value->GetObjectId() == static_cast<std::uint16_t>(hit)) return i->value;
    }
    return nullptr;
}

short PhysicalLayer::RegionAt(const Point& point) {
    short region = HitTest(point);
    if (region == -1) {
        Container<Point> where(point);
        ContainerBase* reply = PostAndWait(FIND_REGION, &where);
        if (const short* found = PayloadValue<short>(reply)) region = *found;
        delete reply;
    }
    return region;
}

ContainerBase* PhysicalLayer::PointSelected(const Point& point) {
    const short found = RegionAt(point);
    if (found == -1) {
        if (Application* app = GetApplication()) app->Beep();
        return nullptr;
    }
    Container<short> region(found);
    Post(REGION_SELECTED, &region);
    return nullptr;
}

ContainerBase* PhysicalLayer::PointFlyby(const Point& point) {
    const short found = RegionAt(point);
    if (found == -1 || found == lastFlybyId) return nullptr;
    lastFlybyId = found;
    Container<short> region(found);
    Post(REGION_FLYBY, &region);
    return nullptr;
}

bool PhysicalLayer::Check() const {
    for (Item<Sprite*>* i = sprites.Head(); i; i = i->next) {
        if (disabled.Contains(i->value)) return false;
    }
    for (Item<PhysicalObject*>* i = animating.Head(); i; i = i->next) {
        if (!objects.Contains(i->value)) return false;
        for (Item<PhysicalObject*>* j = i->next; j; j = j->next)
            if (j->value == i->value) return false;
    }
    return timerRunning == !animating.IsEmpty();
}

bool PhysicalLayer::CheckDrawingOrder() const {
    for (Item<Sprite*>* i = sprites.Head(); i; i = i->next) {
        for (Item<Sprite*>* j = i->next; j; j = j->next)
            if (i->value->IsInFrontOf(*j->value)) return false;
    }
    return true;
}
