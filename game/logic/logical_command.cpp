#include "game/logic/logical_command.h"

#include "core/type_info.h"
#include "game/logic/direction.h"
#include "game/logic/game_record_streams.h"

LogicalCommandInfo::LogicalCommandInfo(const LogicalCommandInfo& o)
    : object(o.object), data(o.data ? o.data->Clone() : nullptr), region(o.region), command(o.command), reply(o.reply),
      replyData(o.replyData ? o.replyData->Clone() : nullptr) {}

LogicalCommandInfo& LogicalCommandInfo::operator=(const LogicalCommandInfo& o) {
    if (this == &o) return *this;
    ContainerBase* newData = o.data ? o.data->Clone() : nullptr;
    ContainerBase* newReply = o.replyData ? o.replyData->Clone() : nullptr;
    delete data;
    delete replyData;
    object = o.object;
    data = newData;
    region = o.region;
    command = o.command;
    reply = o.reply;
    replyData = newReply;
    return *this;
}

LogicalCommandInfo::~LogicalCommandInfo() {
    delete data;
    delete replyData;
}

SuperString& operator<<(SuperString& s, const LogicalCommandInfo& c) {
    s << static_cast<unsigned short>(c.object);
    s << static_cast<const ContainerBase*>(c.data);
    s << static_cast<short>(c.region);
    s << static_cast<const ContainerBase*>(c.replyData);
    WriteBusMessageByName(s, c.command);
    WriteBusMessageByName(s, c.reply);
    return s;
}

SuperString& operator>>(SuperString& s, LogicalCommandInfo& c) {
    LogicalCommandInfo read;
    unsigned short object = 0;
    short region = 0;
    s >> object;
    s >> read.data;
    s >> region;
    s >> read.replyData;
    ReadBusMessageByName(s, read.command);
    ReadBusMessageByName(s, read.reply);
    read.object = object;
    read.region = region;
    c = read;
    return s;
}

void WriteDirection(SuperString& s, DIRECTION direction) { s << direction; }
void ReadDirection(SuperString& s, DIRECTION& direction) { s >> direction; }

void RegisterLogicalCommandTypes() {
    TypeInfo<DIRECTION>::Register();
    TypeInfo<LogicalCommandInfo>::Register();
}

namespace {
// Before any bus traffic: every user of the record links this file.
const bool registeredAtStart = (RegisterLogicalCommandTypes(), true);
} // namespace
