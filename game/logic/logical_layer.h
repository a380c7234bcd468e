#pragma once
// The logical layer: the bus on which a battle's referee lives, with a numbered registry of
// objects (the unit types) and the scenario and region events turned into operations of the
// game's own layer.
//
// Invariants: registryCount is one more than the highest index ever registered (0 before the
// first); every registry entry at or above it is null; the layer owns every entry and the owned
// object and deletes them once, when it is destroyed.
#include "core/async_bus.h"
#include "core/dyn_array.h"

#include <cstdint>
#include <string>

// Anything the layer keeps and deletes: the base of the registered unit types.
class LayerObject {
public:
    virtual ~LayerObject() = default;
};

class LogicalLayer : public AsynchronousBus {
public:
    explicit LogicalLayer(const char* layerName = nullptr);
    ~LogicalLayer() override;

    void Connect() override;

    // The game's layer answers these three events.
    virtual void LoadScenario(const std::string& scenario) = 0;
    virtual void RegionSelected(std::uint16_t region) = 0;
    virtual void RegionFlyby(std::uint16_t region) = 0;

    // Stores the object at the index (the layer owns it from now on). A second registration at
    // the same index replaces the entry without deleting the earlier object.
    void RegisterObject(std::int16_t index, LayerObject* object);
    LayerObject* GetRegisteredObject(std::int16_t index);
    std::int16_t GetRegistryCount() const { return registryCount; }

    void SetOwnedObject(LayerObject* object);
    LayerObject* GetOwnedObject() const { return ownedObject; }

private:
    LayerObject* ownedObject = nullptr;
    std::int16_t registryCount = 0;
    DynArray<LayerObject*> registry{10};
};
