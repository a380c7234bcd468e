// The frame byte by byte, and the decoder's refusals of frames that do not hold together.
#include "comms/frame.h"
#include "comms_support.h"

#include "core/message_registry.h"

namespace {

class FrameTest : public CommsFixture {};

// kind 3 (post) of BEGIN_GAME, sequence 5, an empty payload holding 7.
const char* kNumericFrame =
    "ff 1f 00  03 00 00 00  05 00 00 00  00 00  19 00 00 00 03 00 00 00  05 00 73 68 6f 72 74  07 00  fe";
// kind 1 (send) of "UnitMoved", sequence 0x01020304, the text "ab".
const char* kNamedFrame =
    "ff 23 00  01 00 00 00  04 03 02 01  09 00 55 6e 69 74 4d 6f 76 65 64  06 00 73 74 72 69 6e 67  02 00 61 62  fe";

TEST_F(FrameTest, EncodesNumericAndNamedFormsByteForByte) {
    std::string frame;
    Container<short> seven(7);
    ASSERT_EQ(EncodeFrame(BusMessage(BEGIN_GAME).WithKind(KIND_POST), &seven, 5, frame), FrameStatus::kOk);
    EXPECT_EQ(Hex(frame), Hex(Bytes(kNumericFrame)));

    BusMessage moved(RegisterMessage("UnitMoved"));
    Container<std::string> text(std::string("ab"));
    ASSERT_EQ(EncodeFrame(moved.WithKind(KIND_SEND), &text, 0x01020304u, frame), FrameStatus::kOk);
    EXPECT_EQ(Hex(frame), Hex(Bytes(kNamedFrame)));
}

TEST_F(FrameTest, DecodeMapsTheNameToThisProcessIdAndKeepsTheKind) {
    // Another id than the sender had: names, not numbers, cross.
    RegisterMessage("SomethingElseFirst");
    const std::uint16_t local = RegisterMessage("UnitMoved");
    DecodedFrame d;
    ASSERT_EQ(DecodeFrame(Bytes(kNamedFrame), d), FrameStatus::kOk);
    EXPECT_EQ(d.event.Number(), local);
    EXPECT_EQ(d.event.Kind(), KIND_SEND);
    EXPECT_EQ(d.sequence, 0x01020304u);
    ASSERT_NE(PayloadValue<std::string>(d.payload.get()), nullptr);
    EXPECT_EQ(*PayloadValue<std::string>(d.payload.get()), "ab");

    ASSERT_EQ(DecodeFrame(Bytes(kNumericFrame), d), FrameStatus::kOk);
    EXPECT_EQ(d.event.Number(), BEGIN_GAME);
    EXPECT_EQ(d.kind, KIND_POST);
    ASSERT_NE(PayloadValue<short>(d.payload.get()), nullptr);
    EXPECT_EQ(*PayloadValue<short>(d.payload.get()), 7);
}

TEST_F(FrameTest, RefusesPayloadsThatCannotTravel) {
    std::string frame = "unchanged";
    EXPECT_EQ(EncodeFrame(BEGIN_GAME, nullptr, 0, frame), FrameStatus::kUnknownType);
    // A text that makes the frame longer than 32767 bytes.
    Container<std::string> big(std::string(32760, 'x'));
    EXPECT_EQ(EncodeFrame(BEGIN_GAME, &big, 0, frame), FrameStatus::kTooLong);
    EXPECT_EQ(frame, "unchanged");
}

// Each case changes the good named frame at one place.
struct Damage {
    const char* what;
    std::size_t at;       // byte to replace (npos: none)
    const char* with;     // replacement bytes
    int resize;           // new length when not 0 (the length field and end marker follow)
    FrameStatus expected;
};

TEST_F(FrameTest, RefusesDamagedFramesWithoutReadingPastThem) {
    RegisterMessage("UnitMoved");
    const std::size_t none = std::string::npos;
    const Damage cases[] = {
        {"start marker", 0, "fe", 0, FrameStatus::kDamaged},
        {"end marker", 34, "00", 0, FrameStatus::kDamaged},
        {"length longer than the frame", 1, "24 00", 0, FrameStatus::kDamaged},
        {"length shorter than the frame", 1, "22 00", 0, FrameStatus::kDamaged},
        {"giant name length", 11, "ff ff", 0, FrameStatus::kDamaged},
        {"name length past the class", 11, "1a 00", 0, FrameStatus::kDamaged},
        {"unknown name", 21, "78", 0, FrameStatus::kUnknownEvent},
        {"unknown payload class", 29, "78", 0, FrameStatus::kUnknownClass},
        {"giant class-name length", 22, "ff 7f", 0, FrameStatus::kDamaged},
        {"payload longer than its room", 31, "03", 0, FrameStatus::kBadPayload},
        {"payload shorter than its room", 31, "01", 0, FrameStatus::kBadPayload},
        {"cut inside the name", none, "", 18, FrameStatus::kDamaged},
        {"shorter than any frame", none, "", 12, FrameStatus::kDamaged},
    };
    for (const Damage& c : cases) {
        std::string frame = Bytes(kNamedFrame);
        if (c.at != none) frame.replace(c.at, Bytes(c.with).size(), Bytes(c.with));
        if (c.resize) {
            frame.resize(static_cast<std::size_t>(c.resize));
            frame[1] = static_cast<char>(c.resize);
            frame.back() = static_cast<char>(kFrameEnd);
        }
        DecodedFrame d;
        EXPECT_EQ(DecodeFrame(frame, d), c.expected) << c.what;
        EXPECT_EQ(d.payload, nullptr) << c.what;
    }
}

TEST_F(FrameTest, NumericFormOnlyCarriesTheFixedEvents) {
    std::string frame = Bytes(kNumericFrame);
    frame.replace(13, 4, Bytes("88 13 00 00")); // 5000: an id that means nothing to another process
    DecodedFrame d;
    EXPECT_EQ(DecodeFrame(frame, d), FrameStatus::kUnknownEvent);
    EXPECT_TRUE(d.haveSequence);
    EXPECT_EQ(d.sequence, 5u);
}

TEST_F(FrameTest, SequenceNumbersRiseByOneForEveryFrameTaken) {
    std::uint32_t first = TakeFrameSequence();
    EXPECT_EQ(TakeFrameSequence(), first + 1);
    EXPECT_EQ(NextFrameSequence(), first + 2);
}

} // namespace
