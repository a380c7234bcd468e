// The records the display shares with the game: the command record's stream form (named events,
// payloads by class name), the status-text record, directions, and their registration by class
// name so that buses and the network relay can make them from a name.
#include "core/message_registry.h"
#include "core/super_string.h"
#include "core/type_info.h"
#include "game/logic/direction.h"
#include "game/logic/logical_command.h"
#include "ui/set_text_data.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace {

std::vector<std::uint8_t> Bytes(const SuperString& s) {
    const std::string c = s.Contents();
    return std::vector<std::uint8_t>(c.begin(), c.end());
}

void Put(std::vector<std::uint8_t>& out, std::uint32_t v, int width) {
    for (int i = 0; i < width; ++i) out.push_back(static_cast<std::uint8_t>(v >> (8 * i)));
}

void PutName(std::vector<std::uint8_t>& out, const std::string& name, int kind) {
    Put(out, static_cast<std::uint32_t>(name.size()), 4);
    out.insert(out.end(), name.begin(), name.end());
    Put(out, static_cast<std::uint32_t>(kind), 2);
}

SuperString& Load(SuperString& s, const std::vector<std::uint8_t>& bytes) {
    s.Write(bytes.data(), static_cast<std::int32_t>(bytes.size()));
    return s;
}

TEST(DisplayRecords, AreRegisteredByTheirClassNames) {
    for (const char* name : {"DIRECTION", "LogicalCommandInfo", "SetTextData"})
        EXPECT_NE(LookUpTypeInfo(name), nullptr) << name;
    // After the registry is cleared they come back when asked for again.
    ClearTypeRegistry();
    RegisterLogicalCommandTypes();
    RegisterSetTextDataType();
    for (const char* name : {"DIRECTION", "LogicalCommandInfo", "SetTextData"})
        EXPECT_NE(LookUpTypeInfo(name), nullptr) << name;
}

TEST(DisplayRecords, ACommandIsWrittenFieldByFieldWithItsEventsByName) {
    const std::uint16_t hit = RegisterMessage("CohesionHit");
    LogicalCommandInfo c(7, nullptr, -3, BusMessage(hit).WithKind(3), BusMessage(28));
    SuperString s;
    s << c;
    std::vector<std::uint8_t> expected;
    Put(expected, 7, 2);                      // object
    Put(expected, 0, 2);                      // no data
    Put(expected, static_cast<std::uint16_t>(-3), 2);
    Put(expected, 0, 2);                      // no reply data
    PutName(expected, "CohesionHit", 3);      // command by name, kind as 2 bytes
    Put(expected, 0, 4);                      // reply 28 has no name: length 0, then numeric
    Put(expected, 28, 4);
    Put(expected, 0, 4);
    EXPECT_EQ(Bytes(s), expected);

    LogicalCommandInfo back(1, new Container<short>(5), 9, BusMessage(1), BusMessage(1), new Container<short>(6));
    s >> back;
    EXPECT_FALSE(s.Failed());
    EXPECT_EQ(back, c);
    EXPECT_EQ(back.data, nullptr);
    EXPECT_EQ(back.replyData, nullptr);
    EXPECT_EQ(back.command.Kind(), 3);
}

TEST(DisplayRecords, ANamedEventIsReadAsTheReadersOwnNumber) {
    // A peer wrote a name this program has not numbered yet.
    std::vector<std::uint8_t> bytes;
    Put(bytes, 12, 2);
    Put(bytes, 0, 2);
    Put(bytes, 204, 2);
    Put(bytes, 0, 2);
    PutName(bytes, "PeerOnlyCommandName", 1);
    PutName(bytes, "PeerOnlyReplyName", 0);
    SuperString s;
    LogicalCommandInfo c;
    Load(s, bytes) >> c;
    ASSERT_FALSE(s.Failed());
    std::uint16_t command = 0, reply = 0;
    ASSERT_TRUE(FindMessage("PeerOnlyCommandName", &command));
    ASSERT_TRUE(FindMessage("PeerOnlyReplyName", &reply));
    EXPECT_EQ(c.command.Number(), command);
    EXPECT_EQ(c.reply.Number(), reply);
    EXPECT_EQ(c.object, 12);
    EXPECT_EQ(c.region, 204);
}

TEST(DisplayRecords, PayloadsTravelByClassNameAndAreCopiedNotShared) {
    LogicalCommandInfo c(3, new Container<DIRECTION>(SouthWest), 101, BusMessage(RegisterMessage("ChangeFacingNA")),
                         BusMessage(RegisterMessage("FacingDone")), new Container<std::string>("done"));
    // The whole record as a payload, the way the relay carries it.
    Container<LogicalCommandInfo> payload(c);
    SuperString s;
    s << static_cast<const ContainerBase*>(&payload);
    ContainerBase* read = nullptr;
    s >> read;
    ASSERT_FALSE(s.Failed());
    const LogicalCommandInfo* back = PayloadValue<LogicalCommandInfo>(read);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(*back, c);
    DIRECTION facing = NoDirection;
    EXPECT_TRUE(ExtractData(back->data, facing));
    EXPECT_EQ(facing, SouthWest);
    std::string text;
    EXPECT_TRUE(ExtractData(back->replyData, text));
    EXPECT_EQ(text, "done");
    EXPECT_NE(back->data, c.data);
    delete read;

    // Copies and assignments clone; assigning to itself keeps the payloads.
    LogicalCommandInfo copy(c);
    EXPECT_NE(copy.data, c.data);
    ContainerBase* kept = copy.data;
    copy = copy;
    EXPECT_EQ(copy.data, kept);
    EXPECT_TRUE(ExtractData(copy.data, facing));
}

TEST(DisplayRecords, EqualityLooksAtObjectRegionAndEventNumbersOnly) {
    struct Case {
        LogicalCommandInfo other;
        bool equal;
    };
    const LogicalCommandInfo base(4, new Container<short>(1), 305, BusMessage(40), BusMessage(41));
    const Case cases[] = {
        {LogicalCommandInfo(4, new Container<short>(99), 305, BusMessage(40), BusMessage(41)), true},
        {LogicalCommandInfo(4, nullptr, 305, BusMessage(40).WithKind(2), BusMessage(41).WithKind(1)), true},
        {LogicalCommandInfo(5, nullptr, 305, BusMessage(40), BusMessage(41)), false},
        {LogicalCommandInfo(4, nullptr, 306, BusMessage(40), BusMessage(41)), false},
        {LogicalCommandInfo(4, nullptr, 305, BusMessage(42), BusMessage(41)), false},
        {LogicalCommandInfo(4, nullptr, 305, BusMessage(40), BusMessage(0)), false},
    };
    for (std::size_t i = 0; i < std::size(cases); ++i) EXPECT_EQ(base == cases[i].other, cases[i].equal) << i;
}

TEST(DisplayRecords, TheStatusTextRecordRoundTripsAndAShortStreamChangesNothing) {
    const SetTextData d(BusMessage(RegisterMessage("Sbar1")).WithKind(1).Word(), "Turn 4", 2);
    SuperString s;
    s << d;
    std::vector<std::uint8_t> expected;
    Put(expected, static_cast<std::uint32_t>(RegisterMessage("Sbar1")), 4);
    Put(expected, 1, 4);
    Put(expected, 6, 2);
    for (char ch : std::string("Turn 4")) expected.push_back(static_cast<std::uint8_t>(ch));
    Put(expected, 2, 2);
    EXPECT_EQ(Bytes(s), expected);
    SetTextData back;
    s >> back;
    EXPECT_FALSE(s.Failed());
    EXPECT_EQ(back.item, d.item);
    EXPECT_EQ(back.text, "Turn 4");
    EXPECT_EQ(back.line, 2);

    // The line missing: the record stays as it was.
    expected.resize(expected.size() - 1);
    SuperString shortened;
    SetTextData untouched(9, "kept", 1);
    Load(shortened, expected) >> untouched;
    EXPECT_TRUE(shortened.Failed());
    EXPECT_EQ(untouched.item, 9u);
    EXPECT_EQ(untouched.text, "kept");
}

TEST(DisplayRecords, DirectionsAreTwoBytesReadBackSignExtended) {
    SuperString s;
    WriteDirection(s, NorthWest);
    EXPECT_EQ(Bytes(s), (std::vector<std::uint8_t>{8, 0}));
    DIRECTION d = NoDirection;
    ReadDirection(s, d);
    EXPECT_EQ(d, NorthWest);
    SuperString negative;
    Load(negative, {0xFF, 0xFF});
    ReadDirection(negative, d);
    EXPECT_EQ(static_cast<std::int32_t>(d), -1);
}

} // namespace
