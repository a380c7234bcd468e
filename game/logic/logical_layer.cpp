#include "game/logic/logical_layer.h"

#include "core/text_payload.h"
#include "game/logic/game_record_streams.h"
#include "game/logic/region_payload.h"

namespace {

constexpr const char* Source = "LOGLAYER";

ContainerBase* LoadScenarioEntry(Component* c, BusMessage, ContainerBase* p) {
    LogicalLayer* self = nullptr;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    std::string name;
    if (const auto* s = PayloadValue<std::string>(p)) name = *s;
    else if (!ExtractText(p, name)) {
        Assert(0, kBadBusData, Source, __LINE__);
        return nullptr;
    }
    self->LoadScenario(name);
    return nullptr;
}

// The region events share one entry: the region number read from the payload, then the handler.
template <void (LogicalLayer::*Handle)(std::uint16_t)>
ContainerBase* RegionEntry(Component* c, BusMessage, ContainerBase* p) {
    LogicalLayer* self = nullptr;
    std::uint16_t region = 0;
    if (!BusReceiver(c, self, Source, __LINE__)) return nullptr;
    if (!RegionOf(p, region)) {
        Assert(0, kBadBusData, Source, __LINE__);
        return nullptr;
    }
    (self->*Handle)(region);
    return nullptr;
}

} // namespace

LogicalLayer::LogicalLayer(const char* layerName)
    : AsynchronousBus(layerName ? layerName : "Unnamed Logical Layer Component") {
    // The records that travel on this bus must be known by class name before any traffic.
    RegisterGameRecordTypes();
    registry[49];
    for (int i = 0; i < registry.Capacity(); ++i) registry[i] = nullptr;
}

LogicalLayer::~LogicalLayer() {
    delete ownedObject;
    for (int i = 0; i < registryCount; ++i) delete registry[i];
}

void LogicalLayer::Connect() {
    AsynchronousBus::Connect();
    RegisterHandler(LOAD_SCENARIO, LoadScenarioEntry);
    RegisterHandler(REGION_SELECTED, RegionEntry<&LogicalLayer::RegionSelected>);
    RegisterHandler(REGION_FLYBY, RegionEntry<&LogicalLayer::RegionFlyby>);
}

void LogicalLayer::RegisterObject(std::int16_t index, LayerObject* object) {
    if (index < 0) return;
    // Slots that growth adds hold no value until written; every one of them starts empty.
    const int before = registry.Capacity();
    registry[index];
    for (int i = before; i < registry.Capacity(); ++i) registry[i] = nullptr;
    registry[index] = object;
    if (index >= registryCount) registryCount = static_cast<std::int16_t>(index + 1);
}

LayerObject* LogicalLayer::GetRegisteredObject(std::int16_t index) {
    if (index < 0 || index >= registryCount) return nullptr;
    return registry[index];
}

void LogicalLayer::SetOwnedObject(LayerObject* object) {
    if (object != ownedObject) delete ownedObject;
    ownedObject = object;
}
