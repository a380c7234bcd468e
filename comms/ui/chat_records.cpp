#include "comms/ui/chat_records.h"

#include "core/type_info.h"

#include <limits>

SuperString& operator<<(SuperString& s, const ChatMsg& v) {
    // The count is 16 bits wide: a longer list cannot be written truthfully.
    if (v.recipients.Count() > std::numeric_limits<std::uint16_t>::max()) {
        s.SetFailed();
        return s;
    }
    s << v.sender << v.text << static_cast<unsigned short>(v.recipients.Count());
    for (Item<std::string>* i = v.recipients.Head(); i; i = i->next) s << i->value;
    return s;
}

SuperString& operator>>(SuperString& s, ChatMsg& v) {
    ChatMsg read;
    unsigned short count = 0;
    s >> read.sender >> read.text >> count;
    // Every name takes at least its two length bytes; a count beyond that is damage, not a
    // reason to try thousands of reads.
    if (s.Failed() || count > s.Remaining() / 2) {
        s.SetFailed();
        return s;
    }
    for (unsigned short k = 0; k < count && !s.Failed(); ++k) {
        std::string name;
        s >> name;
        read.recipients << name;
    }
    if (!s.Failed()) v = read;
    return s;
}

SuperString& operator<<(SuperString& s, const PlyrInfo& v) {
    return s << v.name << v.label << static_cast<unsigned short>(v.flags[0]) << static_cast<unsigned short>(v.flags[1])
             << static_cast<unsigned short>(v.flags[2]);
}

SuperString& operator>>(SuperString& s, PlyrInfo& v) {
    PlyrInfo read;
    unsigned short f0 = 0, f1 = 0, f2 = 0;
    s >> read.name >> read.label >> f0 >> f1 >> f2;
    if (s.Failed()) return s;
    read.flags[0] = f0;
    read.flags[1] = f1;
    read.flags[2] = f2;
    v = read;
    return s;
}

void RegisterChatTypes() {
    TypeInfo<ChatMsg>::Register();
    TypeInfo<PlyrInfo>::Register();
}

namespace {
const bool registeredAtStart = (RegisterChatTypes(), true);
} // namespace
