#pragma once
// PhysicalLayer: the bus on which the drawn side of the battle lives. On it sit the drawn
// objects (one per logical object, made by creators registered per type code) and the viewports
// that show it. It forwards the logical side's commands to the objects, keeps the sprites the
// objects announce in drawing order and hit-tests them, and runs the animation timer while any
// object has commands to play. The game's layer builds on it and replaces most of its virtual
// operations (the cell grid, the animation tick).
//
// Each sprite enters the sprites list behind every sprite in front of it (sprites move later; the
// game's layer keeps its cell lists in order as they do).
//
// Invariants (Check): no sprite is both in the sprites list and in the disabled list; the animating list holds each object at most once, every one of them in the objects
// list; the animation timer runs exactly while the animating list is non-empty.
#include "core/async_bus.h"
#include "core/dyn_array.h"
#include "core/list.h"
#include "game/logic/logical_command.h"
#include "landscape/physical/physical_object.h"
#include "landscape/physical/sprite.h"
#include "ui/viewport.h"

#include <cstdint>

class ChildWindow;

class PhysicalLayer : public AsynchronousBus {
public:
    static constexpr const char* kDefaultName = "PhysicalLayer--Vector Bus";

    explicit PhysicalLayer(const char* name = kDefaultName);
    ~PhysicalLayer() override;

    // The bus links with its outer bus, then the layer's handlers and relay blocks.
    void Connect() override;

    // Makes the picture of a logical object: the type code is the short in the command's data,
    // the region its object id. A type code without a creator is refused through the assertion
    // box and makes nothing.
    virtual ContainerBase* CreatePicture(const LogicalCommandInfo& command);
    // Hands the command to the picture of its object. A command for an object without a picture
    // is answered here with its reply, since no picture will ever play it.
    virtual ContainerBase* DeliverCommand(const LogicalCommandInfo& command);
    virtual ContainerBase* AddSprite(Sprite* sprite);
    virtual ContainerBase* RemoveSprite(Sprite* sprite);
    virtual ContainerBase* ActivateObject(short componentId);
    virtual ContainerBase* DeactivateObject(short componentId);
    // Does nothing here; the game's layer ticks its animating objects.
    virtual ContainerBase* AnimationTick(long time);
    virtual ContainerBase* RemoveViewport(ChildWindow* window);
    virtual ContainerBase* PointSelected(const Point& point);
    virtual ContainerBase* PointFlyby(const Point& point);
    virtual ContainerBase* Close();

    void DisableSprite(Sprite* sprite);
    void EnableSprite(Sprite* sprite);
    // Object id of the front-most sprite with a drawn pixel under the point, or -1.
    short HitTest(const Point& point) const;
    Sprite* SpriteAt(const Point& point) const;
    PhysicalObject* ObjectAt(const Point& point) const;

    // An object going away: the layer forgets it and the sprites it owns (it does not delete
    // them). Called by the object's destructor.
    virtual void ForgetObject(PhysicalObject* object);
    // Takes the sprite out of every list of the layer, the cell lists included.
    void ForgetSprite(Sprite* sprite);

    // Inserts the sprite behind every sprite in front of it and after every sprite it ties with.
    static void InsertInDrawingOrder(List<Sprite*>& list, Sprite* sprite);

    // The creator registry, shared by every layer. A creator is owned by the registry; one that
    // replaces another at the same code leaves the earlier one to its registrant. A negative code
    // is refused through the assertion box.
    static void RegisterCreator(short typeCode, PhysicalObject* creator);
    // The creator of a code, or null.
    static PhysicalObject* Creator(short typeCode);
    static const List<short>& RegisteredTypeCodes();
    static short LiveLayerCount();

    // The bus id of a logical object's picture, or kNoId.
    std::uint16_t PictureIdOf(std::uint16_t objectNumber) const;

    const List<PhysicalObject*>& Objects() const { return objects; }
    const List<Sprite*>& Sprites() const { return sprites; }
    const List<Sprite*>& DisabledSprites() const { return disabled; }
    const List<PhysicalObject*>& AnimatingObjects() const { return animating; }
    const List<Viewport*>& Viewports() const { return viewports; }
    bool TimerRunning() const { return timerRunning; }
    short LastFlybyId() const { return lastFlybyId; }
    bool Check() const;
    // Whether no sprite of the sprites list is in front of one that follows it: true as long as
    // the sprites have not moved since they entered and compare as a strict weak order (by y).
    bool CheckDrawingOrder() const;

protected:
    // The game's layer makes a viewport for each map window; the layer owns it from then on.
    void AddViewport(Viewport* viewport);
    // Ticks per second; the game's layer ticks slower while no map window shows it.
    void StartAnimationTimer(int ticksPerSecond = 10);
    void StopAnimationTimer();
    void DeleteObjectsAndViewports();

    short lastFlybyId = -1;
    List<PhysicalObject*> objects;
    DynArray<std::uint16_t> idTable{10};
    int idTableFilled = 0;
    Dim gridSize;
    // Per row a pointer to an array of gridSize.width lists; built and freed by a subclass.
    List<Sprite*>** cells = nullptr;
    List<Sprite*> sprites;
    List<Sprite*> disabled;
    List<PhysicalObject*> animating;
    List<Viewport*> viewports;
    bool timerRunning = false;

private:
    // The region under the point: a sprite's object id, else FIND_REGION's answer; -1 for none.
    short RegionAt(const Point& point);
};
