#include "sound/vh_audio.h"

#include "core/type_info.h"

namespace {
constexpr const char* kSource = "VHAUDI";
}

std::int16_t GetLogicalCommandInfo(const ContainerBase* payload, LogicalCommandInfo& record) {
    TypeInfo<LogicalCommandInfo>::Register();
    const LogicalCommandInfo* carried = PayloadValue<LogicalCommandInfo>(payload);
    if (!carried) return 0;
    LogicalCommandInfo copy(*carried);
    record = copy;
    return 1;
}

VhAudio::VhAudio(const char* name) : Component(name, "Varnhold Audio Component") {}

VhAudio::~VhAudio() = default;

void VhAudio::Connect() {}

ContainerBase* VhAudio::HandleCommand(Component* component, BusMessage, ContainerBase* payload) {
    VhAudio* self;
    if (!BusReceiver(component, self, kSource, __LINE__)) return nullptr;
    LogicalCommandInfo command;
    if (!GetLogicalCommandInfo(payload, command)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    self->DoCommand(command);
    return nullptr;
}

// Audio commands are accepted and dropped: no command has a sound of its own yet.
void VhAudio::DoCommand(LogicalCommandInfo) { ++commandsSeen; }
