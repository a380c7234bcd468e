// Wave files of the game's layout: accepted field by field, read piece by piece, rewound at the end.
#include "sound_fixture.h"

namespace {

using WaveFileTest = SoundFixture;

TEST_F(WaveFileTest, PiecesThenAnEmptyPieceAtTheEnd) {
    const std::string path = WriteWave("ramp.wav", Ramp(5, 1)); // 10 bytes
    WaveFile w;
    ASSERT_EQ(w.Open(path, 0), 1);
    EXPECT_EQ(w.DataLength(), 10u);
    EXPECT_EQ(w.Format().nSamplesPerSec, kRate);
    std::uint32_t got = 0;
    std::uint16_t atEnd = 9;
    auto* piece = static_cast<std::uint8_t*>(w.ReadPiece(6, got, atEnd));
    ASSERT_NE(piece, nullptr);
    EXPECT_EQ(got, 6u);
    EXPECT_EQ(atEnd, 0);
    EXPECT_EQ(piece[0], 1);
    EXPECT_EQ(piece[4], 3);
    piece = static_cast<std::uint8_t*>(w.ReadPiece(6, got, atEnd));
    EXPECT_EQ(got, 4u) << "the last, partial piece";
    EXPECT_EQ(atEnd, 0) << "comes without the end mark";
    EXPECT_EQ(piece[2], 5);
    EXPECT_EQ(w.ReadPiece(6, got, atEnd), nullptr);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(atEnd, 1);
    piece = static_cast<std::uint8_t*>(w.ReadPiece(2, got, atEnd));
    EXPECT_EQ(got, 2u) << "the wave has started again";
    EXPECT_EQ(piece[0], 1);
}

TEST_F(WaveFileTest, ACopyReadsOnFromWhereTheOriginalStood) {
    WaveFile w;
    ASSERT_EQ(w.Open(WriteWave("ramp.wav", Ramp(5, 1)), 0), 1);
    std::uint32_t got;
    std::uint16_t atEnd;
    w.ReadPiece(4, got, atEnd);
    WaveFile copy(w);
    auto* piece = static_cast<std::uint8_t*>(copy.ReadPiece(2, got, atEnd));
    ASSERT_EQ(got, 2u);
    EXPECT_EQ(piece[0], 3);
    EXPECT_EQ(copy.Position(), 6u);
    EXPECT_EQ(w.Position(), 4u);
}

// Every field of the header is checked against the file; a wave that fails is refused whole.
TEST_F(WaveFileTest, DamagedHeadersAreRefused) {
    const auto good = datagen::GameWave({1, kRate, 16}, datagen::Pcm16(Ramp(10, 1)));
    auto le32 = [](std::uint32_t v) {
        return std::vector<std::uint8_t>{std::uint8_t(v), std::uint8_t(v >> 8), std::uint8_t(v >> 16), std::uint8_t(v >> 24)};
    };
    struct Case {
        const char* what;
        std::size_t at;
        std::vector<std::uint8_t> bytes;
    };
    const Case cases[] = {
        {"RIFF tag", 0, {'R', 'I', 'F', 'F' + 1}},
        {"RIFF size beyond the file", 4, le32(1000)},
        {"RIFF size short of the samples' start", 4, le32(100)},
        {"WAVE tag", 8, {'W', 'A', 'V', 'F'}},
        {"fmt tag", 12, {'f', 'm', 't', 'x'}},
        {"fmt size", 16, le32(14)},
        {"fmt size moving the next chunk", 16, le32(18)},
        {"format tag", 20, {3, 0}},
        {"channels", 22, {0, 0}},
        {"rate 0", 24, le32(0)},
        {"byte rate 0", 28, le32(0)},
        {"byte rate", 28, le32(kRate)},
        {"block size 0", 32, {0, 0}},
        {"bits", 34, {20, 0}},
        {"padding chunk size", 40, le32(100)},
        {"data tag", 186, {'d', 'a', 't', 'b'}},
        {"data size beyond the file", 190, le32(21)},
    };
    for (const Case& c : cases) {
        auto bytes = good;
        std::copy(c.bytes.begin(), c.bytes.end(), bytes.begin() + static_cast<std::ptrdiff_t>(c.at));
        WriteBytes("bad.wav", bytes);
        WaveFile w;
        EXPECT_EQ(w.Open(Path("bad.wav"), 0), 0) << c.what;
        EXPECT_FALSE(w.IsOpen()) << c.what;
        EXPECT_EQ(w.DataLength(), 0u) << c.what;
        std::uint32_t got = 1;
        std::uint16_t atEnd = 0;
        EXPECT_EQ(w.ReadPiece(100, got, atEnd), nullptr) << c.what;
        EXPECT_EQ(got, 0u);
        EXPECT_EQ(atEnd, 1) << "a refused wave reads as one that has ended";
    }
}

TEST_F(WaveFileTest, TruncatedAndForeignLayoutsAreRefused) {
    auto truncated = datagen::GameWave({1, kRate, 16}, datagen::Pcm16(Ramp(100, 1)));
    truncated.resize(250);
    WriteBytes("cut.wav", truncated);
    WaveFile w;
    EXPECT_EQ(w.Open(Path("cut.wav"), 0), 0) << "the data chunk claims more than the file holds";
    auto tiny = truncated;
    tiny.resize(100);
    WriteBytes("tiny.wav", tiny);
    EXPECT_EQ(w.Open(Path("tiny.wav"), 0), 0);
    // A common wave with its samples at byte 44 is not of the game's layout.
    WriteBytes("plain.wav", datagen::PlainWave({1, kRate, 16}, datagen::Pcm16(Ramp(200, 1))));
    EXPECT_EQ(w.Open(Path("plain.wav"), 0), 0);
}

TEST_F(WaveFileTest, AnOddDataSizeKeepsWholeFrames) {
    auto bytes = datagen::GameWave({1, kRate, 16}, datagen::Pcm16(Ramp(4, 1)));
    bytes.push_back(0x55);
    bytes[190] = 9; // 4 frames and a stray byte
    bytes[4] += 1;
    WriteBytes("odd.wav", bytes);
    WaveFile w;
    ASSERT_EQ(w.Open(Path("odd.wav"), 0), 1);
    EXPECT_EQ(w.DataLength(), 8u);
}

TEST_F(WaveFileTest, AMissingOrDamagedFileIsReportedOnce) {
    WaveFile a;
    WaveFile b;
    EXPECT_EQ(a.Open(Path("gone.wav"), 0), 0);
    EXPECT_EQ(b.Open(Path("gone.wav"), 0), 0);
    WriteBytes("junk.wav", std::vector<std::uint8_t>(300, 7));
    EXPECT_EQ(a.Open(Path("junk.wav"), 0), 0);
    EXPECT_EQ(b.Open(Path("junk.wav"), 0), 0);
    EXPECT_EQ(WaveFile::RefusedFiles(), (std::vector<std::string>{Path("gone.wav"), Path("junk.wav")}));
}

} // namespace

namespace {

TEST_F(WaveFileTest, AWaveWhoseFileWentAwayEnds) {
    const std::string path = WriteWave("gone.wav", Ramp(100, 1));
    WaveFile w;
    ASSERT_EQ(w.Open(path, 0), 1);
    std::filesystem::remove(path);
    w.Rewind();
    std::uint32_t got = 1;
    std::uint16_t atEnd = 1;
    EXPECT_EQ(w.ReadPiece(50, got, atEnd), nullptr);
    EXPECT_EQ(got, 0u);
    EXPECT_EQ(atEnd, 0);
    w.ReadPiece(50, got, atEnd);
    EXPECT_EQ(atEnd, 1) << "so its group drains and moves on instead of waiting for data";
}

} // namespace
