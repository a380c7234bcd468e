#pragma once
// PhysicalObject: the drawn counterpart of one logical object (a unit). It owns its sprites and
// its art library, and plays the commands the game logic sends it one after another as sprite
// animations, posting each command's reply when its animations have ended.
//
// Protocol: the first command queued on an idle object posts PHYSICAL_OBJECT_ACTIVATED with the
// object's bus id, and the layer ticks it from then on; a command stays at the head of the
// queue until the last sprite it set animating has played its events; then FinishCommand runs,
// the reply is posted, the command leaves the queue and, when none is left, the object posts
// and waits for PHYSICAL_OBJECT_DEACTIVATED.
//
// Every command's reply is posted once: when its animation ends, when nothing could be set
// animating for it (it completes at once), or when the object is destroyed with the command
// still queued, so that no one waits for a reply that cannot come.
//
// Invariants: the animating list holds only sprites of this object; it is non-empty only while
// a command is at the head of the queue.
#include "core/component.h"
#include "core/dyn_array.h"
#include "core/list.h"
#include "game/logic/logical_command.h"
#include "landscape/physical/sprite.h"
#include "ui/qif.h"

#include <cstdint>
#include <memory>

class PhysicalObject : public Component {
public:
    // Opens the art library of that name (the component's name is the same string).
    PhysicalObject(const char* name, std::uint16_t objectId, std::uint32_t facing);
    ~PhysicalObject() override;

    // Registers OnLogicalCommand for LOGICAL_COMMAND.
    void Connect() override;

    // Begins playing a command; subclasses replace it. Here only LOGICAL_OBJECT_MOVED is played.
    virtual void StartCommand(LogicalCommandInfo& command);
    // The after-animation step of the head command, before its reply; empty here.
    virtual void FinishCommand(LogicalCommandInfo& command);
    virtual Sprite* GetSprite(std::uint16_t index);
    // One animation step at clock time now; dirty: the caller's changed-rectangle lists, handed
    // to every sprite's tick. 1 while commands remain queued, else 0.
    virtual std::int16_t Tick(std::int32_t now, List<Box>* dirty);
    // A new plain object of this object's art, with the given id and facing 1.
    virtual PhysicalObject* CreateInstance(std::uint16_t objectId);
    virtual void EmptyHook();
    virtual void Save(SuperString& s);
    virtual void Load(SuperString& s);
    virtual void EmptyHook2();
    virtual void EmptyHook3();

    ContainerBase* OnLogicalCommand(const LogicalCommandInfo& command);
    // Queues a copy; the first command of an idle object announces it as active.
    std::int16_t QueueMessage(const LogicalCommandInfo& command);
    void DisableSprite(Sprite* sprite);
    void EnableSprite(Sprite* sprite);

    std::uint16_t GetObjectId() const { return objectId; }
    std::uint16_t GetTypeCode() const { return typeCode; }
    void SetTypeCode(std::uint16_t code) { typeCode = code; }
    std::uint32_t GetFacing() const { return facing; }
    std::uint16_t GetSpriteCount() const { return spriteCount; }
    QIF<Bitmap>* GetArt() const { return art; }
    const Queue<LogicalCommandInfo>& Commands() const { return commands; }
    const List<Sprite*>& AnimatingSprites() const { return animating; }

protected:
    // The head command is done: FinishCommand, its reply, out of the queue, and the
    // deactivation when the queue is then empty. False when the object was destroyed meanwhile.
    bool CompleteHeadCommand();

    std::uint16_t objectId;
    QIF<Bitmap>* art = nullptr;
    DynArray<Sprite*> sprites{10};
    DynArray<Point3D> spriteOffsets{10};
    std::uint16_t spriteCount = 0;
    List<Sprite*> animating;
    Queue<LogicalCommandInfo> commands;
    std::uint32_t facing;
    std::uint16_t typeCode = 0;

private:
    // Cleared by the destructor: a tick that posts may find its object gone when the post returns.
    std::shared_ptr<bool> alive = std::make_shared<bool>(true);
    // Set while the head command's reply is being posted.
    bool headReplied = false;
};

template <>
struct TypeNameTraits<PhysicalObject*> {
    static std::string Name() { return "PhysicalObject *"; }
};
