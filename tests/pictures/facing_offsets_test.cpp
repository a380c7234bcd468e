#include "tests/pictures/pictures_fixture.h"
#include "tools/datagen/byte_writer.h"

#include <fstream>
#include <iterator>

namespace pictest {
namespace {

class OffsetsTest : public PicturesTest {
protected:
    // A library loaded here, not through the Application, is its own master: its records go
    // with the test.
    void TearDown() override {
        for (auto& lib : loaded) lib->DeleteImages();
        loaded.clear();
        PicturesTest::TearDown();
    }
    // A library file of our own, read as the art index would have it read.
    QIF<FacingOffsets>* ReadLibrary(const std::string& file, const std::vector<std::uint8_t>& bytes) {
        data.WriteBytes(file, bytes);
        loaded.push_back(std::make_unique<QIF<FacingOffsets>>());
        QIF<FacingOffsets>* lib = loaded.back().get();
        OFSTRUCT info{};
        const std::string path = data.File(file);
        const HFILE f = OpenFile(path.c_str(), &info, OF_READ);
        EXPECT_NE(f, HFILE_ERROR);
        lib->Load(path.c_str(), f);
        _lclose(f);
        return lib;
    }
    static void ExpectSeed(const FacingOffsets& r, int seed) {
        for (int f = 1; f <= 8; ++f) {
            for (int e = 1; e <= 10; ++e)
                for (int h = 0; h < 3; ++h)
                    for (int k = 0; k < 3; ++k) {
                        const auto p = figures::WalkingPoint(seed, f, e, h, k);
                        ASSERT_EQ(r.facings[f].entries[e].hexes[h].points[k], Point3D(p.x, p.y, 0));
                        ASSERT_EQ(r.facings[f].entries[e].hexes[h].values[k], figures::WalkingDuration(seed, f, e, h, k));
                    }
            const auto rest = figures::WalkingRest(seed, f);
            ASSERT_EQ(r.facings[f].extra, Point3D(rest.x, rest.y, 0));
        }
    }
    static bool AllZero(const HillOffsets& h) { return h == HillOffsets(); }

    std::vector<std::unique_ptr<QIF<FacingOffsets>>> loaded;
};

TEST_F(OffsetsTest, TheGeneratedWalkingDataReadsThroughTheArtIndex) {
    QIF<FacingOffsets> walking("Walking Animation Data");
    ASSERT_EQ(walking.SectionCount(), 2);
    FacingOffsets* foot = walking.GetBitmap(0, walking.SectionIndex("Foot"));
    FacingOffsets* mounted = walking.GetBitmap(0, walking.SectionIndex("Mounted"));
    ASSERT_NE(foot, nullptr);
    ASSERT_NE(mounted, nullptr);
    EXPECT_STREQ(foot->GetName(), "Foot");
    ExpectSeed(*foot, 1);
    ExpectSeed(*mounted, 2);
    // Facing 0 and entry 0 are never read.
    EXPECT_TRUE(foot->facings[0] == DirectionOffsets());
    EXPECT_EQ(foot->facings[0].extra, Point3D());
    for (int f = 0; f <= 8; ++f) EXPECT_TRUE(AllZero(foot->facings[f].entries[0]));
    EXPECT_FALSE(*foot == *mounted);
    walking.UnlockBitmap(0, walking.SectionIndex("Foot"));
    walking.UnlockBitmap(0, walking.SectionIndex("Mounted"));
}

TEST_F(OffsetsTest, RecordsFollowOneAnotherAndIdenticalBytesCompareEqual) {
    QIF<FacingOffsets>* lib = ReadLibrary("TWO.QIF", figures::EncodeRecordLibrary(
                                                "Walking Animation Data",
                                                {{"Foot", {figures::EncodeWalkingRecord("a", 3), figures::EncodeWalkingRecord("b", 5)}},
                                                 {"Again", {figures::EncodeWalkingRecord("c", 3)}}}));
    ASSERT_EQ(lib->TotalImageCount(), 3);
    ExpectSeed(*lib->ItemAt(0), 3);
    ExpectSeed(*lib->ItemAt(1), 5);
    EXPECT_STREQ(lib->ItemAt(1)->GetName(), "b");
    // Names take no part in the comparison.
    EXPECT_TRUE(*lib->ItemAt(0) == *lib->ItemAt(2));
    FacingOffsets copy(*lib->ItemAt(1));
    EXPECT_TRUE(copy == *lib->ItemAt(1));
    EXPECT_STREQ(copy.GetName(), "b");
}

TEST_F(OffsetsTest, ANameFillingItsFieldEndsAtTheField) {
    std::vector<std::uint8_t> record = figures::EncodeWalkingRecord("", 4);
    std::fill(record.begin(), record.begin() + 128, static_cast<std::uint8_t>('A'));
    QIF<FacingOffsets>* lib = ReadLibrary("LONG.QIF", figures::EncodeRecordLibrary("W", {{"Foot", {record}}}));
    ASSERT_EQ(lib->TotalImageCount(), 1);
    EXPECT_EQ(std::string(lib->ItemAt(0)->GetName()), std::string(128, 'A'));
    ExpectSeed(*lib->ItemAt(0), 4);
}

TEST_F(OffsetsTest, ARecordCutShortIsRefusedWithItsLibrary) {
    std::vector<std::uint8_t> bytes =
        figures::EncodeRecordLibrary("W", {{"Foot", {figures::EncodeWalkingRecord("a", 1), figures::EncodeWalkingRecord("b", 2)}}});
    for (std::size_t cut : {std::size_t(100), std::size_t(3000), std::size_t(1)}) {
        platform::ClearShownMessageBoxes();
        std::vector<std::uint8_t> damaged(bytes.begin(), bytes.end() - static_cast<std::ptrdiff_t>(cut));
        QIF<FacingOffsets>* lib = ReadLibrary("CUT.QIF", damaged);
        EXPECT_EQ(lib->SectionCount(), 0) << "cut " << cut;
        EXPECT_EQ(lib->ItemAt(0), nullptr);
        ASSERT_EQ(platform::ShownMessageBoxCount(), 1u);
        EXPECT_EQ(platform::ShownMessageBox(0).caption, "Damaged art");
    }
}

TEST_F(OffsetsTest, WritingGivesBackTheBytesRead) {
    const std::vector<std::uint8_t> record = figures::EncodeWalkingRecord("Foot", 6);
    QIF<FacingOffsets>* lib = ReadLibrary("ONE.QIF", figures::EncodeRecordLibrary("W", {{"Foot", {record}}}));
    ASSERT_NE(lib->ItemAt(0), nullptr);
    const std::string out = data.File("OUT.BIN");
    OFSTRUCT info{};
    const HFILE f = OpenFile(out.c_str(), &info, OF_CREATE | OF_WRITE);
    ASSERT_NE(f, HFILE_ERROR);
    EXPECT_TRUE(lib->ItemAt(0)->Write(f));
    _lclose(f);
    std::ifstream in(out, std::ios::binary);
    const std::vector<std::uint8_t> written((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(written.size(), static_cast<std::size_t>(FacingOffsets::kRecordSize));
    EXPECT_TRUE(written == record);
}

TEST_F(OffsetsTest, AMemoryRecordReadsTheSameAndNeverPastItsEnd) {
    const std::vector<std::uint8_t> record = figures::EncodeWalkingRecord("Mem", 2);
    const unsigned char* cursor = record.data();
    FacingOffsets r("W", cursor, record.data() + record.size());
    EXPECT_TRUE(r.IsValid());
    EXPECT_EQ(cursor, record.data() + record.size());
    ExpectSeed(r, 2);
    const unsigned char* shortCursor = record.data();
    FacingOffsets cut("W", shortCursor, record.data() + record.size() - 1);
    EXPECT_FALSE(cut.IsValid());
    EXPECT_EQ(shortCursor, record.data());
}

} // namespace
} // namespace pictest
