#pragma once
// The one checked way to take a command record out of a bus payload, and VhAudio, a bus
// component for audio commands that checks a command's payload and does nothing more with it.
#include "core/component.h"
#include "game/logic/logical_command.h"

#include <cstdint>

// 1 with record replaced by a deep copy of the carried record when payload is a
// Container<LogicalCommandInfo>; 0 (record untouched) for anything else, null included. The
// first call registers the payload type.
std::int16_t GetLogicalCommandInfo(const ContainerBase* payload, LogicalCommandInfo& record);

class VhAudio : public Component {
public:
    explicit VhAudio(const char* name = nullptr);
    ~VhAudio() override;
    // Registers nothing.
    void Connect() override;
    // The handler form: checks the component and the payload (the bad-data report, source
    // VHAUDI, when the payload carries no command) and hands a copy on.
    static ContainerBase* HandleCommand(Component* component, BusMessage event, ContainerBase* payload);
    void DoCommand(LogicalCommandInfo command);
    int CommandsSeen() const { return commandsSeen; }

private:
    int commandsSeen = 0;
};
