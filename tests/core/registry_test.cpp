#include "core/list.h"
#include "core/message_registry.h"
#include "core/type_info.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

struct Sprite;
struct RegistryProbe {
    short a = 0;
    bool operator==(const RegistryProbe&) const = default;
};
SuperString& operator<<(SuperString& s, const RegistryProbe& v) { return s << v.a; }
SuperString& operator>>(SuperString& s, RegistryProbe& v) { return s >> v.a; }

namespace {

// Every case starts from an empty named-message registry, as after an Application's end.
class MessageRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ClearMessageRegistry(); }
    void TearDown() override { ClearMessageRegistry(); }
};

TEST_F(MessageRegistryTest, NumbersStartAtSixtySevenAndAreKept) {
    EXPECT_EQ(NextMessageId(), 67);
    EXPECT_EQ(RegisterMessage("LoadGame"), 67);
    EXPECT_EQ(RegisterMessage("SaveGame"), 68);
    EXPECT_EQ(RegisterMessage("LoadGame"), 67);
    EXPECT_EQ(MessageName(68), "SaveGame");
    EXPECT_EQ(MessageName(27), ""); // fixed events have no registered name
    EXPECT_EQ(MessageName(-1), "");
    EXPECT_NE(RegisterMessage("loadgame"), 67); // names are case-sensitive
    EXPECT_TRUE(CheckMessageRegistry());
}

TEST_F(MessageRegistryTest, NumberingJumpsTo4001) {
    struct Case {
        const char* what;
        int fill;       // automatic names first
        int fixedId;    // then one fixed registration (0: none)
        int expectNext; // number of the next new name
    } cases[] = {
        {"highest below 100", 4, 0, 71},
        {"fixed 257 with highest 70", 4, 257, 4001},
        {"67 to 99 gives 100 next", 33, 0, 100},
        {"fixed above 4000 moves past it", 2, 5000, 5001},
        {"fixed 4000 itself", 1, 4000, 4001},
        {"a fixed number below 67 does not lower the next", 0, 6, 67},
    };
    for (const auto& c : cases) {
        ClearMessageRegistry();
        for (int i = 0; i < c.fill; ++i) RegisterMessage("auto" + std::to_string(i));
        if (c.fixedId) {
            EXPECT_TRUE(RegisterMessageId(static_cast<std::uint16_t>(c.fixedId), "Fixed"));
        }
        EXPECT_EQ(RegisterMessage("next"), c.expectNext) << c.what;
        EXPECT_TRUE(CheckMessageRegistry()) << c.what;
    }
    // 67..99, then 100, then 4001.
    ClearMessageRegistry();
    for (int i = 0; i < 34; ++i) RegisterMessage("n" + std::to_string(i));
    EXPECT_EQ(RegisterMessage("after100"), 4001);
}

TEST_F(MessageRegistryTest, FixedNumbersKeepTheirFirstName) {
    EXPECT_TRUE(RegisterMessageId(226, "GameSaveMenu"));
    EXPECT_TRUE(RegisterMessageId(226, "GameSaveMenu"));
    EXPECT_FALSE(RegisterMessageId(226, "Other"));
    EXPECT_EQ(MessageName(226), "GameSaveMenu");
    // A name already known under an automatic number may also get a fixed one; the name keeps
    // answering with its first number.
    std::uint16_t first = RegisterMessage("MapOpen");
    EXPECT_TRUE(RegisterMessageId(254, "MapOpen"));
    EXPECT_EQ(RegisterMessage("MapOpen"), first);
    EXPECT_EQ(MessageName(254), "MapOpen");
}

TEST_F(MessageRegistryTest, ClearingStartsNumberingAfresh) {
    RegisterMessage("A");
    RegisterMessage("B");
    ClearMessageRegistry();
    EXPECT_EQ(MessageRegistryCount(), 0);
    EXPECT_EQ(RegisterMessage("B"), 67);
}

TEST_F(MessageRegistryTest, FullRegistryAnswersZero) {
    EXPECT_TRUE(RegisterMessageId(0xFFFF, "Last"));
    EXPECT_EQ(NextMessageId(), 0);
    EXPECT_EQ(RegisterMessage("OneTooMany"), 0);
    EXPECT_FALSE(FindMessage("OneTooMany"));
}

TEST(TypeNameTest, NamesAreSpelledAsTheyTravel) {
    EXPECT_EQ(TypeNameOf<short>(), "short");
    EXPECT_EQ(TypeNameOf<unsigned short>(), "unsigned short");
    EXPECT_EQ(TypeNameOf<long>(), "long");
    EXPECT_EQ(TypeNameOf<std::string>(), "string");
    EXPECT_EQ(TypeNameOf<List<short>>(), "List<short>");
    EXPECT_EQ(TypeNameOf<List<std::string>>(), "List<string>");
    EXPECT_EQ(TypeNameOf<Sprite*>(), "Sprite *");
    EXPECT_EQ(TypeNameOf<RegistryProbe>(), "RegistryProbe");
    EXPECT_EQ(TypeNameOf<BusMessage>(), "BusMessage");
}

class TypeRegistryTest : public ::testing::Test {
protected:
    void SetUp() override { ClearMessageRegistry(); }
};

TEST_F(TypeRegistryTest, AnUnknownClassNameGivesNullButIsRegistered) {
    EXPECT_EQ(FindTypeInfo("NothingOfTheKind"), nullptr);
    EXPECT_TRUE(FindMessage("NothingOfTheKind"));
    EXPECT_EQ(LookUpTypeInfo("AlsoNothing"), nullptr);
    EXPECT_FALSE(FindMessage("AlsoNothing"));
}

TEST_F(TypeRegistryTest, IdsAgreeBetweenPayloadDescriptorAndMessageRegistry) {
    TypeInfo<RegistryProbe> probe(RegisterType);
    TypeInfoBase* found = FindTypeInfo("RegistryProbe");
    ASSERT_NE(found, nullptr);
    Container<RegistryProbe> payload;
    EXPECT_EQ(payload.TypeId(), found->TypeId());
    EXPECT_EQ(payload.TypeId(), RegisterMessage("RegistryProbe"));
    EXPECT_EQ(FindTypeInfoById(payload.TypeId()), found);
    // Still true after the message registry has been emptied and renumbered.
    ClearMessageRegistry();
    RegisterMessage("SomethingElseFirst");
    EXPECT_EQ(FindTypeInfoById(payload.TypeId()), found);
    EXPECT_EQ(found->TypeName(), "RegistryProbe");
}

TEST_F(TypeRegistryTest, RegisteringTwiceLeavesOneEntry) {
    TypeInfo<RegistryProbe>::Register();
    int count = TypeRegistryCount();
    TypeInfo<RegistryProbe>::Register();
    auto* second = new TypeInfo<RegistryProbe>;
    EXPECT_FALSE(RegisterTypeInfo(second)); // refused: the caller keeps it
    delete second;
    EXPECT_EQ(TypeRegistryCount(), count);
}

TEST_F(TypeRegistryTest, ClearingTheTypeRegistryBringsTheCoreTypesBack) {
    ClearTypeRegistry();
    EXPECT_NE(FindTypeInfo("short"), nullptr);
    EXPECT_NE(FindTypeInfo("List<short>"), nullptr);
    EXPECT_EQ(FindTypeInfo("RegistryProbe"), nullptr);
    TypeInfo<RegistryProbe>::Register();
    EXPECT_NE(FindTypeInfo("RegistryProbe"), nullptr);
}

TEST(ContainerTest, ClonesAreIndependentAndExtractionChecksTheType) {
    Container<std::string> source(std::string("Lee"));
    std::unique_ptr<ContainerBase> clone(source.Clone());
    *static_cast<Container<std::string>*>(clone.get())->Value() = "Grant";
    EXPECT_EQ(*source.Value(), "Lee");
    clone.reset();
    EXPECT_EQ(*source.Value(), "Lee");

    std::string out = "untouched";
    short number = 7;
    EXPECT_FALSE(ExtractData<std::string>(nullptr, out));
    Container<short> other(3);
    EXPECT_FALSE(ExtractData<std::string>(&other, out));
    EXPECT_EQ(out, "untouched");
    EXPECT_TRUE(ExtractData<short>(&other, number));
    EXPECT_EQ(number, 3);
}

} // namespace
