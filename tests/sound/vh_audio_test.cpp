// Command records out of bus payloads, and the audio component that checks them.
#include "sound_fixture.h"

#include "core/type_info.h"
#include "sound/vh_audio.h"

namespace {

using AudioComponentTest = SoundFixture;

TEST_F(AudioComponentTest, ExtractionCopiesDeeplyOrLeavesTheRecordAlone) {
    LogicalCommandInfo record(9, new Container<short>(5), 1203);
    EXPECT_EQ(GetLogicalCommandInfo(nullptr, record), 0);
    Container<short> other(1);
    EXPECT_EQ(GetLogicalCommandInfo(&other, record), 0);
    EXPECT_EQ(record.object, 9) << "a failed extraction leaves the record as it was";

    auto* payload = new Container<LogicalCommandInfo>(LogicalCommandInfo(4, new Container<short>(77), 512, BusMessage(30),
                                                                         BusMessage(31), new Container<short>(78)));
    EXPECT_EQ(GetLogicalCommandInfo(payload, record), 1);
    delete payload;
    EXPECT_EQ(record.object, 4);
    EXPECT_EQ(record.region, 512);
    short value = 0;
    EXPECT_TRUE(ExtractData(record.data, value));
    EXPECT_EQ(value, 77) << "the record's payloads outlive the bus payload";
    EXPECT_TRUE(ExtractData(record.replyData, value));
    EXPECT_EQ(value, 78);
    EXPECT_NE(FindTypeInfo(TypeNameOf<LogicalCommandInfo>()), nullptr) << "the payload type is registered";
}

TEST_F(AudioComponentTest, TheComponentChecksItsCommands) {
    VhAudio audio;
    EXPECT_EQ(audio.GetName(), "Varnhold Audio Component");
    audio.AttachToBus(app.get());
    Container<LogicalCommandInfo> command(LogicalCommandInfo(1));
    EXPECT_EQ(VhAudio::HandleCommand(&audio, BusMessage(70), &command), nullptr);
    EXPECT_EQ(audio.CommandsSeen(), 1);
    platform::QueueMessageBoxAnswer(IDNO);
    Container<short> wrong(1);
    VhAudio::HandleCommand(&audio, BusMessage(70), &wrong);
    EXPECT_EQ(audio.CommandsSeen(), 1);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption.rfind("Failure in VHAUDI", 0), 0u);
}

} // namespace
