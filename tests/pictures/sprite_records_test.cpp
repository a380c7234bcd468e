#include "core/container.h"
#include "core/super_string.h"
#include "game/pictures/sprite_records.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace {

std::string Bytes(const SuperString& s) { return s.Contents(); }

TEST(SpriteRecords, FrameAndSoundHaveTheirByteForms) {
    RegisterSpriteRecordTypes();
    SuperString s;
    s << FrameInfo("NE", 3) << SoundEvent(25, 1, 0x0203);
    EXPECT_EQ(Bytes(s), std::string("\x02\x00NE\x03\x00"
                                    "\x19\x00\x00\x00\x01\x00\x03\x02",
                                    14));
    FrameInfo f;
    SoundEvent e;
    s >> f >> e;
    EXPECT_FALSE(s.Failed());
    EXPECT_EQ(f, FrameInfo("NE", 3));
    EXPECT_EQ(e, SoundEvent(25, 1, 0x0203));
}

TEST(SpriteRecords, DefaultsAndEquality) {
    const FrameInfo none;
    EXPECT_EQ(none.GetName(), nullptr);
    EXPECT_EQ(none.GetFrame(), -1);
    EXPECT_EQ(SoundEvent(), SoundEvent(0, 0, 0));
    EXPECT_FALSE(FrameInfo("N", 1) == FrameInfo("N", 2));
    EXPECT_FALSE(FrameInfo("N", 1) == FrameInfo("S", 1));
}

TEST(SpriteRecords, SpriteEventTravelsAsAPayloadByClassName) {
    RegisterSpriteRecordTypes();
    List<FrameInfo> frames;
    frames.AddTail(FrameInfo("Standing", 2));
    frames.AddTail(FrameInfo("MNE", 0));
    VhSpriteEvent sent(frames, SoundEvent(10, 4, 0));
    sent.targets[0] = Point3D(5, 6, 0);  // not sent
    Container<VhSpriteEvent> payload(sent);
    SuperString s;
    s << static_cast<const ContainerBase*>(&payload);
    ASSERT_FALSE(s.Failed());
    ContainerBase* read = nullptr;
    s >> read;
    std::unique_ptr<ContainerBase> owned(read);
    const VhSpriteEvent* got = PayloadValue<VhSpriteEvent>(read);
    ASSERT_NE(got, nullptr);
    EXPECT_EQ(got->sound, SoundEvent(10, 4, 0));
    EXPECT_TRUE(got->frames == frames);
    EXPECT_EQ(got->targets[0], Point3D());
}

TEST(SpriteRecords, CutShortFrameLeavesTheRecordAsItWas) {
    SuperString s;
    s << static_cast<std::uint16_t>(40) << 'x';  // a name of 40 bytes announced, one given
    FrameInfo f("Kept", 4);
    s >> f;
    EXPECT_TRUE(s.Failed());
    EXPECT_EQ(f, FrameInfo("Kept", 4));
}

} // namespace
