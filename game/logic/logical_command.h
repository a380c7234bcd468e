#pragma once
// The command record that drives the unit pictures: what happened to which unit, with the data
// the picture needs and the message to post when it has played the command.
//
// Invariant: a record owns both of its payloads; copies hold clones, never the same payload.
#include "core/container.h"
#include "core/events.h"
#include "core/super_string.h"

#include <cstdint>

struct LogicalCommandInfo {
    std::uint16_t object = 0;
    ContainerBase* data = nullptr;
    std::int16_t region = 0;
    BusMessage command;
    BusMessage reply;
    ContainerBase* replyData = nullptr;

    // Takes ownership of both payloads.
    explicit LogicalCommandInfo(std::uint16_t objectNumber = 0, ContainerBase* payload = nullptr, std::int16_t regionNumber = 0,
                                BusMessage commandEvent = BusMessage(), BusMessage replyEvent = BusMessage(),
                                ContainerBase* replyPayload = nullptr)
        : object(objectNumber), data(payload), region(regionNumber), command(commandEvent), reply(replyEvent),
          replyData(replyPayload) {}
    LogicalCommandInfo(const LogicalCommandInfo& o);
    LogicalCommandInfo& operator=(const LogicalCommandInfo& o);
    ~LogicalCommandInfo();

    // Equal when they concern the same object and region with the same command and reply events;
    // payloads and delivery kinds are not compared.
    bool operator==(const LogicalCommandInfo& o) const {
        return object == o.object && region == o.region && command.Number() == o.command.Number() &&
               reply.Number() == o.reply.Number();
    }
};

// Stream form: object, data, region, reply data, then the command and the reply events by name,
// so that the record means the same to a program whose registry numbered the messages otherwise.
SuperString& operator<<(SuperString& s, const LogicalCommandInfo& c);
SuperString& operator>>(SuperString& s, LogicalCommandInfo& c);

// Registers the payload types of the display's records ("DIRECTION", "LogicalCommandInfo") so
// that buses can clone them and the network relay can write and read them by class name. Done
// at program start; call again after the type registry has been cleared.
void RegisterLogicalCommandTypes();
