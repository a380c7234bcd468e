#include "ui/set_text_data.h"

#include "core/events.h"
#include "core/type_info.h"

SuperString& operator<<(SuperString& s, const SetTextData& v) {
    s << BusMessage::FromWord(v.item);
    s << v.text;
    s << static_cast<unsigned short>(v.line);
    return s;
}

SuperString& operator>>(SuperString& s, SetTextData& v) {
    BusMessage item;
    std::string text;
    unsigned short line = 0;
    s >> item;
    s >> text;
    s >> line;
    if (s.Failed()) return s;
    v = SetTextData(item.Word(), std::move(text), line);
    return s;
}

void RegisterSetTextDataType() { TypeInfo<SetTextData>::Register(); }

namespace {
// Before any bus traffic: the status bar, which receives the record, links this file.
const bool registeredAtStart = (RegisterSetTextDataType(), true);
} // namespace
