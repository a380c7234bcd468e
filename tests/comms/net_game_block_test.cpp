// The network block of a saved game: its bytes, the header's pointer to it, and damaged blocks.
#include "comms/net/net_game_block.h"
#include "comms_support.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

NetGameBlock Sample() {
    NetGameBlock b;
    b.scenarioIndex = 7;
    b.scenarioFile = "ridge.scn";
    b.playerCount = 2;
    b.connectionName = "Ada";
    b.leaders = {{"Ada", "Col. Harlan Voss"}, {"Bea", "Gen. Emmet Crane"}};
    b.transportData = std::string("\x01\x02\x03", 3);
    return b;
}

TEST(NetGameBlockBytes, FieldsAreLittleEndianLengthPrefixedAndInOrder) {
    NetGameBlock b;
    b.scenarioIndex = 0x01020304u;
    b.scenarioFile = "ab";
    b.playerCount = 3;
    b.connectionName = "C";
    b.transportData = std::string("\xAA\xBB", 2);
    std::string bytes;
    ASSERT_TRUE(b.Encode(bytes));
    // No leaders: the count 0 is followed directly by the transport's data.
    EXPECT_EQ(Hex(bytes), "04 03 02 01 02 00 61 62 03 00 01 00 43 00 00 aa bb");

    b.leaders = {{"P", "L"}};
    ASSERT_TRUE(b.Encode(bytes));
    EXPECT_EQ(Hex(bytes), "04 03 02 01 02 00 61 62 03 00 01 00 43 01 00 01 00 50 01 00 4c aa bb");
}

TEST(NetGameBlockBytes, RoundTripKeepsEveryFieldAndTheLeaderOrder) {
    const NetGameBlock b = Sample();
    std::string bytes;
    ASSERT_TRUE(b.Encode(bytes));
    NetGameBlock back;
    ASSERT_TRUE(back.Decode("prefix" + bytes, 6));
    EXPECT_EQ(back.scenarioIndex, 7u);
    EXPECT_EQ(back.scenarioFile, "ridge.scn");
    EXPECT_EQ(back.playerCount, 2);
    EXPECT_EQ(back.connectionName, "Ada");
    EXPECT_EQ(back.leaders, b.leaders);
    EXPECT_EQ(back.transportData, b.transportData);
}

TEST(NetGameBlockBytes, DamagedBlocksAreRefused) {
    std::string good;
    ASSERT_TRUE(Sample().Encode(good));
    const std::size_t leadersAt = 4 + 2 + 9 + 2 + 2 + 3 + 2;
    struct Case {
        const char* what;
        std::string bytes;
    } cases[] = {
        {"empty", ""},
        {"cut in the index", good.substr(0, 3)},
        {"cut in the scenario file", good.substr(0, 10)},
        {"cut before the leader count", good.substr(0, leadersAt - 1)},
        {"cut in a leader", good.substr(0, leadersAt + 5)},
        {"negative file length", good.substr(0, 4) + std::string("\xFF\xFF", 2) + good.substr(6)},
        {"file length past the end", good.substr(0, 4) + std::string("\x00\x7F", 2) + good.substr(6)},
        {"more leaders than stored", good.substr(0, leadersAt - 2) + std::string("\x09\x00", 2) + good.substr(leadersAt)},
    };
    for (const Case& c : cases) {
        NetGameBlock b;
        EXPECT_FALSE(b.Decode(c.bytes, 0)) << c.what;
    }
    NetGameBlock b;
    EXPECT_FALSE(b.Decode(good, good.size() + 1)) << "offset past the end";
}

TEST(NetGameBlockBytes, TextsThatCannotBeReadBackAreNotWritten) {
    NetGameBlock b = Sample();
    b.scenarioFile = std::string(0x8000, 's'); // would be read back as a negative length
    std::string bytes = "unchanged";
    EXPECT_FALSE(b.Encode(bytes));
    EXPECT_EQ(bytes, "unchanged");
    b.scenarioFile = std::string(0x7FFF, 's');
    ASSERT_TRUE(b.Encode(bytes));
    NetGameBlock back;
    ASSERT_TRUE(back.Decode(bytes, 0));
    EXPECT_EQ(back.scenarioFile.size(), 0x7FFFu);
}

class NetGameBlockFile : public ::testing::Test {
protected:
    std::string path = (std::filesystem::temp_directory_path() /
                        ("vh_netblock_" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) + "_" +
                         ::testing::UnitTest::GetInstance()->current_test_info()->name()))
                           .string();
    void TearDown() override { std::remove(path.c_str()); }
    void Write(const std::string& bytes) { std::ofstream(path, std::ios::binary) << bytes; }
    std::string Read() {
        std::ifstream f(path, std::ios::binary);
        return std::string((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
    }
};

TEST_F(NetGameBlockFile, AppendedBlockIsFoundThroughTheHeader) {
    const std::string game(40, 'g');
    Write(game);
    ASSERT_TRUE(AppendNetGameBlock(path, Sample()));
    const std::string file = Read();
    EXPECT_EQ(Hex(file.substr(16, 4)), "28 00 00 00");
    EXPECT_EQ(file.substr(0, 16), game.substr(0, 16));
    EXPECT_EQ(file.substr(20, 20), game.substr(20, 20));
    NetGameBlock back;
    ASSERT_TRUE(ReadNetGameBlock(path, back));
    EXPECT_EQ(back.leaders, Sample().leaders);
    EXPECT_EQ(back.scenarioFile, "ridge.scn");
}

TEST_F(NetGameBlockFile, FileNamedTheWindowsWayIsTheOneWritten) {
    // The game names its saved files with backslash separators (the autosave is <dir>\Autontwk.Vh);
    // the block goes into that file, not into a new one of that literal name.
    const std::filesystem::path p(path);
    const std::string windowsName = p.parent_path().string() + "\\" + p.filename().string();
    Write(std::string(40, 'g'));
    ASSERT_TRUE(AppendNetGameBlock(windowsName, Sample()));
    EXPECT_FALSE(std::filesystem::exists(windowsName));
    NetGameBlock back;
    ASSERT_TRUE(ReadNetGameBlock(windowsName, back));
    EXPECT_EQ(back.scenarioFile, "ridge.scn");
    EXPECT_GT(Read().size(), 40u);
}

TEST_F(NetGameBlockFile, FilesWithoutHeaderOrWithADanglingPointerAreRefused) {
    Write("short");
    EXPECT_FALSE(AppendNetGameBlock(path, Sample()));
    EXPECT_EQ(Read(), "short");
    NetGameBlock b;
    EXPECT_FALSE(ReadNetGameBlock(path, b));

    std::string game(40, 'g');
    game.replace(16, 4, std::string("\x00\x10\x00\x00", 4)); // points past the end
    Write(game);
    EXPECT_FALSE(ReadNetGameBlock(path, b));
    std::remove(path.c_str());
    EXPECT_FALSE(ReadNetGameBlock(path, b));
}

} // namespace
