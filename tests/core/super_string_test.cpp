#include "core/geometry_stream.h"
#include "core/list.h"
#include "core/super_string.h"
#include "core/type_info.h"
#include "test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

// Payload types of the game's kind live outside any namespace: their class names travel.
struct NeverRegistered {
    int x = 0;
    bool operator==(const NeverRegistered&) const = default;
};

// A payload type of the game's kind: registered, with its own stream form.
struct Orders {
    short unit = -1;
    std::string verb;
    bool operator==(const Orders&) const = default;
};
SuperString& operator<<(SuperString& s, const Orders& o) { return s << o.unit << o.verb; }
SuperString& operator>>(SuperString& s, Orders& o) { return s >> o.unit >> o.verb; }
const TypeInfo<Orders> ordersType(RegisterType);

namespace {

std::vector<unsigned char> Bytes(const SuperString& s) {
    std::string c = s.Contents();
    return std::vector<unsigned char>(c.begin(), c.end());
}

TEST(SuperStringTest, ChunksFillToOneHundredBytes) {
    SuperString s;
    std::string hundred(100, 'x');
    ASSERT_EQ(s.Write(hundred.data(), 100), 1);
    EXPECT_EQ(s.ChunkCount(), 1);
    s.Write("y", 1);
    EXPECT_EQ(s.ChunkCount(), 2);
    EXPECT_EQ(s.Length(), 101);
    EXPECT_TRUE(s.Check());
    s.Write("", 0);
    s.WriteText("");
    EXPECT_EQ(s.Length(), 101);
}

TEST(SuperStringTest, AWriteBeyondTheMaximumIsRefusedWhole) {
    SuperString s(150);
    std::string block(120, 'a');
    ASSERT_EQ(s.Write(block.data(), 120), 1);
    EXPECT_EQ(s.Write(block.data(), 31), 0);
    EXPECT_TRUE(s.Failed());
    EXPECT_EQ(s.Length(), 120);
    EXPECT_EQ(s.Contents(), block); // nothing of the oldest bytes was dropped
    s.ClearFailure();
    EXPECT_EQ(s.Write(block.data(), 30), 1);
    EXPECT_EQ(s.Length(), 150);
    EXPECT_TRUE(s.Check());
}

TEST(SuperStringTest, ReadingPastTheEndFailsAndLeavesTheDestination) {
    SuperString s;
    s << short(7);
    short a = 0;
    s >> a;
    EXPECT_EQ(a, 7);
    EXPECT_EQ(s.ReadPosition(), 2); // the end, not the last byte again
    EXPECT_FALSE(s.Failed());
    short b = 99;
    s >> b;
    EXPECT_EQ(b, 99);
    EXPECT_TRUE(s.Failed());

    SuperString partial;
    partial << char(1);
    int wide = 5;
    partial >> wide; // one byte where four are needed
    EXPECT_EQ(wide, 5);
    EXPECT_TRUE(partial.Failed());
    EXPECT_EQ(partial.ReadPosition(), partial.Length());
}

TEST(SuperStringTest, FindIgnoresCaseAndCrossesChunks) {
    SuperString s;
    std::string text(98, '.');
    text += "HeLLo world";
    s.WriteText(text.c_str());
    EXPECT_EQ(s.Find("hello"), 98);
    EXPECT_EQ(s.Find("WORLD"), 104);
    EXPECT_EQ(s.Find("absent"), -1);
    EXPECT_EQ(s.Find(std::string(41, 'a')), -2);
    EXPECT_EQ(s.FindByte('w'), 104);
    EXPECT_EQ(s.FindByte('#'), -1);
}

TEST(SuperStringTest, ExtractThroughCutsTheFirstPiece) {
    SuperString s;
    std::string none;
    s.WriteText("no delimiter here");
    EXPECT_EQ(s.ExtractThrough(none, '\n'), -1);
    EXPECT_EQ(s.Length(), 17);

    SuperString lines;
    std::string longLine(150, 'L');
    lines.WriteText((longLine + "\nsecond\nthird").c_str());
    std::string piece;
    EXPECT_EQ(lines.ExtractThrough(piece, '\n'), 150);
    EXPECT_EQ(piece, longLine);
    EXPECT_EQ(lines.Contents(), "second\nthird");
    EXPECT_TRUE(lines.Check());
    EXPECT_EQ(lines.Find("THIRD"), 7);
    char small[4];
    EXPECT_EQ(lines.ExtractThrough(small, sizeof small, '\n'), -1); // "second" does not fit
    EXPECT_TRUE(lines.Failed());
    EXPECT_EQ(lines.Contents(), "second\nthird");
    char enough[16];
    EXPECT_EQ(lines.ExtractThrough(enough, sizeof enough, '\n'), 6);
    EXPECT_STREQ(enough, "second");
}

TEST(SuperStringTest, CopyOutDoesNotMoveTheReadPosition) {
    SuperString s;
    s.WriteText("abcdef");
    char out[8];
    s.CopyOut(out, 2, 3);
    EXPECT_STREQ(out, "cde");
    s.CopyOut(out, 4, 5);
    EXPECT_STREQ(out, "ef"); // the rest past the end is zero
    std::strcpy(out, "same");
    s.CopyOut(out, 6, 2);
    EXPECT_STREQ(out, "same");
    EXPECT_EQ(s.ReadPosition(), 0);
}

// Random mixes of writes, reads and cuts against a model string.
TEST(SuperStringTest, RandomMixKeepsTheInvariants) {
    SuperString s(5000);
    std::string model;
    std::size_t readAt = 0;
    std::mt19937 rng(7);
    for (int step = 0; step < 3000; ++step) {
        switch (rng() % 4) {
        case 0:
        case 1: {
            std::string bytes(rng() % 130, '\0');
            for (auto& c : bytes) c = static_cast<char>('a' + rng() % 26 - (rng() % 8 == 0 ? 49 : 0));
            bool fits = model.size() + bytes.size() <= 5000;
            ASSERT_EQ(s.Write(bytes.data(), static_cast<std::int32_t>(bytes.size())), fits ? 1 : 0);
            if (fits) model += bytes;
            s.ClearFailure();
            break;
        }
        case 2: {
            std::int32_t n = static_cast<std::int32_t>(rng() % 40);
            std::string out(static_cast<std::size_t>(n), '#');
            bool ok = s.Read(out.data(), n);
            ASSERT_EQ(ok, readAt + static_cast<std::size_t>(n) <= model.size());
            if (ok) {
                ASSERT_EQ(out, model.substr(readAt, static_cast<std::size_t>(n)));
                readAt += static_cast<std::size_t>(n);
            } else {
                readAt = model.size();
            }
            s.ClearFailure();
            break;
        }
        case 3: {
            std::string piece;
            std::size_t at = model.find('0');
            std::int32_t got = s.ExtractThrough(piece, '0');
            if (at == std::string::npos) {
                ASSERT_EQ(got, -1);
            } else {
                ASSERT_EQ(piece, model.substr(0, at));
                model.erase(0, at + 1);
                readAt = std::min(readAt, model.size());
            }
            break;
        }
        }
        ASSERT_TRUE(s.Check());
        ASSERT_EQ(s.Contents(), model);
        ASSERT_EQ(static_cast<std::size_t>(s.ReadPosition()), readAt);
    }
}

// The byte layout of every scalar form, then each read back.
TEST(StreamFormTest, ScalarsAreLittleEndianAndExact) {
    SuperString s;
    s << int(-2) << (unsigned int)0x01020304u << short(-3) << (unsigned short)0xBEEF << long(0x7F000001)
      << (unsigned long)0xFFFFFFFFul << char('A') << (signed char)-1 << (unsigned char)200 << 1.5f << -2.0;
    std::vector<unsigned char> expected = {
        0xFE, 0xFF, 0xFF, 0xFF, 0x04, 0x03, 0x02, 0x01, 0xFD, 0xFF, 0xEF, 0xBE, 0x01, 0x00, 0x00, 0x7F,
        0xFF, 0xFF, 0xFF, 0xFF, 'A',  0xFF, 200,  0x00, 0x00, 0xC0, 0x3F, 0x00, 0x00, 0x00, 0x00,
        0x00, 0x00, 0x00, 0xC0};
    EXPECT_EQ(Bytes(s), expected);

    int i;
    unsigned int u;
    short h;
    unsigned short uh;
    long l;
    unsigned long ul;
    char c;
    signed char sc;
    unsigned char uc;
    float f;
    double d;
    s >> i >> u >> h >> uh >> l >> ul >> c >> sc >> uc >> f >> d;
    EXPECT_FALSE(s.Failed());
    EXPECT_EQ(i, -2);
    EXPECT_EQ(u, 0x01020304u);
    EXPECT_EQ(h, -3);
    EXPECT_EQ(uh, 0xBEEF);
    EXPECT_EQ(l, 0x7F000001);
    EXPECT_EQ(ul, 0xFFFFFFFFul);
    EXPECT_EQ(c, 'A');
    EXPECT_EQ(sc, -1);
    EXPECT_EQ(uc, 200);
    EXPECT_EQ(f, 1.5f);
    EXPECT_EQ(d, -2.0);
}

TEST(StreamFormTest, LongOutsideThirtyTwoBitsIsRefused) {
    SuperString s;
    s << long(1) << (long(1) << 40);
    EXPECT_TRUE(s.Failed());
    EXPECT_EQ(s.Length(), 4);
}

TEST(StreamFormTest, StringsCarryASixteenBitLength) {
    SuperString s;
    s << std::string("Union") << "" << std::string(300, 'z');
    auto all = Bytes(s);
    std::vector<unsigned char> head(all.begin(), all.begin() + 9);
    EXPECT_EQ(head, (std::vector<unsigned char>{5, 0, 'U', 'n', 'i', 'o', 'n', 0, 0}));
    std::string a, b, c;
    s >> a >> b >> c;
    EXPECT_EQ(a, "Union");
    EXPECT_EQ(b, "");
    EXPECT_EQ(c, std::string(300, 'z'));

    SuperString cut;
    cut << (unsigned short)10;
    cut.WriteText("short");
    std::string keep = "kept";
    cut >> keep;
    EXPECT_EQ(keep, "kept");
    EXPECT_TRUE(cut.Failed());
}

TEST(StreamFormTest, EventWordsNumericAndNamed) {
    SuperString s;
    s << BusMessage(LOGICAL_COMMAND).WithKind(KIND_POST);
    EXPECT_EQ(Bytes(s), (std::vector<unsigned char>{27, 0, 0, 0, 3, 0, 0, 0}));
    BusMessage back;
    s >> back;
    EXPECT_EQ(back.Number(), 27);
    EXPECT_EQ(back.Kind(), 3);

    SuperString numbered;
    WriteBusMessageByName(numbered, BusMessage(TIMER_CLICK));
    EXPECT_EQ(Bytes(numbered), (std::vector<unsigned char>{0, 0, 0, 0, 3, 0, 0, 0, 0, 0, 0, 0}));

    SuperString named;
    std::uint16_t id = RegisterMessage("UnitMovementDone");
    WriteBusMessageByName(named, BusMessage(id).WithKind(KIND_POST_AND_WAIT));
    std::vector<unsigned char> expected = {16, 0, 0, 0};
    for (char ch : std::string("UnitMovementDone")) expected.push_back(static_cast<unsigned char>(ch));
    expected.push_back(2);
    expected.push_back(0);
    EXPECT_EQ(Bytes(named), expected);
    BusMessage read;
    ASSERT_TRUE(ReadBusMessageByName(named, read));
    EXPECT_EQ(read.Number(), id);
    EXPECT_EQ(read.Kind(), KIND_POST_AND_WAIT);
    ASSERT_TRUE(ReadBusMessageByName(numbered, read));
    EXPECT_EQ(read.Number(), TIMER_CLICK);
}

TEST(StreamFormTest, GeometryAndDatesFieldByField) {
    SuperString s;
    DateTime d;
    d.Set(1863, 6, 1, 14, 30);
    s << Point(1, -1) << Dim(2, 3) << Box(4, 5, 6, 7) << Point3D(8, 9, 10) << Point4(1, 2, 3, 70000) << d;
    EXPECT_EQ(s.Length(), 4 + 4 + 8 + 6 + 10 + 10);
    Point p;
    Dim di;
    Box b;
    Point3D p3;
    Point4 p4;
    DateTime d2;
    s >> p >> di >> b >> p3 >> p4 >> d2;
    EXPECT_EQ(p, Point(1, -1));
    EXPECT_EQ(di, Dim(2, 3));
    EXPECT_EQ(b, Box(4, 5, 6, 7));
    EXPECT_EQ(p3, Point3D(8, 9, 10));
    EXPECT_EQ(p4, Point4(1, 2, 3, 70000));
    EXPECT_EQ(d2, d);
    Point untouched(5, 5);
    s >> untouched;
    EXPECT_EQ(untouched, Point(5, 5));
}

TEST(StreamFormTest, ListsWriteACountThenTheirValues) {
    List<short> l;
    l << 1 << -2;
    SuperString s;
    s << l;
    EXPECT_EQ(Bytes(s), (std::vector<unsigned char>{2, 0, 1, 0, 0xFE, 0xFF}));
    List<short> back;
    back << 9;
    s >> back;
    EXPECT_TRUE(back == l);

    List<std::string> names;
    names << "Lee" << "Meade";
    List<List<std::string>> nested;
    nested << names << List<std::string>();
    TypeInfo<List<std::string>>::Register();
    TypeInfo<std::string>::Register();
    SuperString t;
    t << nested;
    List<List<std::string>> nestedBack;
    TypeInfo<List<List<std::string>>>::Register();
    t >> nestedBack;
    EXPECT_FALSE(t.Failed());
    EXPECT_TRUE(nestedBack == nested);

    SuperString empty;
    empty << short(0);
    empty >> back;
    EXPECT_TRUE(back.IsEmpty());
}

TEST(StreamFormTest, ListOfAnUnregisteredTypeIsRefused) {
    List<NeverRegistered> l;
    l.AddTail(NeverRegistered{});
    SuperString s;
    s << l;
    EXPECT_TRUE(s.Failed());
    EXPECT_EQ(s.Length(), 0);
}

class PayloadStreamTest : public ::testing::Test {
protected:
    void SetUp() override {
        platform::ClearShownMessageBoxes();
        TypeInfo<Orders>::Register();
    }
};

TEST_F(PayloadStreamTest, PayloadsTravelByClassName) {
    SuperString s;
    Container<Orders> order(Orders{12, "Advance"});
    s << static_cast<const ContainerBase*>(&order) << static_cast<const ContainerBase*>(nullptr);
    std::vector<unsigned char> expected = {1, 0, 6, 0, 'O', 'r', 'd', 'e', 'r', 's', 12, 0, 7, 0,
                                           'A', 'd', 'v', 'a', 'n', 'c', 'e', 0, 0};
    EXPECT_EQ(Bytes(s), expected);
    ContainerBase* back = nullptr;
    ContainerBase* null = reinterpret_cast<ContainerBase*>(&s);
    s >> back >> null;
    std::unique_ptr<ContainerBase> owned(back);
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(*PayloadValue<Orders>(back), (Orders{12, "Advance"}));
    EXPECT_EQ(null, nullptr);
    EXPECT_FALSE(s.Failed());
}

TEST_F(PayloadStreamTest, TheObjectFormHasNoFlag) {
    SuperString s;
    Container<Orders> order(Orders{3, "Halt"});
    ASSERT_TRUE(WriteObject(s, order));
    EXPECT_EQ(s.Length(), 2 + 6 + 2 + 2 + 4);
    std::unique_ptr<ContainerBase> back(ReadObject(s));
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(*PayloadValue<Orders>(back.get()), (Orders{3, "Halt"}));
    Container<NeverRegistered> odd;
    EXPECT_FALSE(WriteObject(s, odd));
    EXPECT_EQ(s.Length(), 16);
}

TEST_F(PayloadStreamTest, AnUnregisteredPayloadIsReportedAndWrittenAsNull) {
    SuperString s;
    Container<NeverRegistered> odd;
    s << static_cast<const ContainerBase*>(&odd) << short(5);
    ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Error");
    EXPECT_EQ(platform::ShownMessageBox(0).text,
              "Error: NeverRegistered is not a registered class and cannot be sent to a remote machine.");
    EXPECT_TRUE(s.Failed());
    // The stream stays readable: a null payload, then what followed.
    s.ClearFailure();
    ContainerBase* p = reinterpret_cast<ContainerBase*>(&s);
    short after = 0;
    s >> p >> after;
    EXPECT_EQ(p, nullptr);
    EXPECT_EQ(after, 5);
}

TEST_F(PayloadStreamTest, AnUnknownClassNameGivesNullAndMarksTheStream) {
    SuperString s;
    s << (unsigned short)1 << std::string("NoSuchClassAnywhere") << short(3);
    int before = MessageRegistryCount();
    ContainerBase* p = reinterpret_cast<ContainerBase*>(&s);
    s >> p;
    EXPECT_EQ(p, nullptr);
    EXPECT_TRUE(s.Failed());
    EXPECT_EQ(MessageRegistryCount(), before); // names from outside are not registered
}

} // namespace
