// Image libraries: the file read field by field, sections and frames, sharing between users,
// damaged files refused whole, the compact header of the game's data-file list.
#include "tests/ui/ui_fixture.h"
#include "ui/qif.h"
#include "ui/windows/windows_window.h"

#include <gtest/gtest.h>

namespace {

using namespace uitest;

datagen::LibrarySpec TwoSections() {
    datagen::LibrarySpec lib;
    lib.title = std::string(127, 'T');
    lib.sections.push_back({"Buttons", {Solid("Up", 4, 3, 20), Solid("Down", 4, 3, 21)}});
    lib.sections.push_back({std::string(127, 'S'),
                            {Solid("f0", 3, 2, 30), Solid("f1", 3, 2, 31), Solid("f2", 3, 2, 32), Solid("f3", 3, 2, 33),
                             Solid("f4", 5, 1, 34, 4)}});
    return lib;
}

class Libraries : public WinAppTest {
protected:
    void SetUp() override {
        WinAppTest::SetUp();
        data.WriteLibrary("TWO.QIF", TwoSections());
        data.WriteIndex({{"two.qif", "Two"}, {"bad.qif", "Bad"}, {"two.qif", "Windows"}});
        MakeApp();
    }
};

TEST_F(Libraries, SectionsFirstIndexesAndImagesFollowTheFile) {
    QIF<Bitmap> lib("Two");
    ASSERT_TRUE(lib.IsLoaded());
    EXPECT_EQ(lib.SectionCount(), 2);
    EXPECT_EQ(lib.TotalImageCount(), 7);
    EXPECT_EQ(lib.FirstIndex(1), 2);
    EXPECT_EQ(std::string(lib.SectionName(1)), std::string(127, 'S'));  // a full-length name stays whole
    EXPECT_EQ(lib.SectionIndex("Buttons"), 0);
    EXPECT_EQ(lib.SectionIndex("buttons"), -1);
    EXPECT_EQ(lib.HasSection("Buttons"), 1);
    // Image 6 is the fifth of the second section.
    EXPECT_STREQ(lib.ItemAt(6)->GetName(), "f4");
    EXPECT_EQ(lib.ItemAt(6)->GetType(), 4);
    EXPECT_EQ(lib.ImageIndexByNames("f4", std::string(127, 'S').c_str()), 6);
    Bitmap* down = lib.GetBitmapByName("Down", "Buttons");
    ASSERT_NE(down, nullptr);
    EXPECT_EQ(down->GetSize(), Dim(4, 3));
    EXPECT_EQ(down->GetPixels()[0], 21);
    EXPECT_EQ(down->LockCount(), 1);
    lib.ReleaseBitmap("Down", "Buttons");
    EXPECT_EQ(down->LockCount(), 0);
}

TEST_F(Libraries, FramesAdvanceAndWrapAndAbsentNamesAnswerNothing) {
    QIF<Bitmap> lib("Two");
    lib.SelectSection(std::string(127, 'S').c_str());
    EXPECT_EQ(lib.CurrentFrame(), 0);
    EXPECT_EQ(lib.ImageIndex(-1, -1), 2);
    lib.SetCurrentFrame(4);
    EXPECT_EQ(lib.ImageIndex(-1, -1), 6);
    lib.AdvanceFrame();
    EXPECT_EQ(lib.CurrentFrame(), 0);  // past the last frame: back to 0
    lib.SetCurrentFrameByName("f3");
    EXPECT_EQ(lib.CurrentFrame(), 3);
    EXPECT_EQ(lib.FindInCurrentSection("Up"), -1);
    // Absent names and a current section of -1 never reach outside the tables.
    EXPECT_EQ(lib.GetBitmapInSection("nothing"), nullptr);
    lib.SelectSection("No such section");
    EXPECT_EQ(lib.CurrentSection(), -1);
    EXPECT_EQ(lib.GetBitmap(), nullptr);
    EXPECT_EQ(lib.GetBitmap(99, 0), nullptr);
    EXPECT_EQ(lib.GetBitmap(0, 99), nullptr);
    lib.UnlockBitmap("nothing", "Buttons");
    lib.AdvanceFrame();
    EXPECT_EQ(lib.CurrentFrame(), -1);
}

// A look-up by name that finds nothing says so once on stderr, naming the image, the section and
// the library, so that a run on made data shows every picture it drew without; probes by index
// and the questions HasSection and SectionIndex stay quiet.
TEST_F(Libraries, NamedLookUpsThatFindNothingAreReportedOnceEach) {
    QIF<Bitmap> lib("Two");
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(lib.GetBitmapByName("Sideways", "Buttons"), nullptr);
    EXPECT_EQ(lib.GetBitmapByName("Sideways", "Buttons"), nullptr);
    EXPECT_EQ(lib.GetBitmapByName("Down", "Knobs"), nullptr);
    lib.SelectSection("Buttons");
    EXPECT_EQ(lib.GetBitmapInSection("Left"), nullptr);
    lib.SelectSection("Dials");
    EXPECT_EQ(lib.HasSection("Levers"), 0);
    EXPECT_EQ(lib.SectionIndex("Levers"), -1);
    EXPECT_EQ(lib.GetBitmap(99, 0), nullptr);
    Bitmap* down = lib.GetBitmapByName("Down", "Buttons");
    ASSERT_NE(down, nullptr);
    lib.ReleaseBitmap("Down", "Buttons");
    const std::string err = ::testing::internal::GetCapturedStderr();
    EXPECT_EQ(err, "art: no image \"Sideways\" in section \"Buttons\" of \"Two\"\n"
                   "art: no image \"Down\" in section \"Knobs\" of \"Two\"\n"
                   "art: no image \"Left\" in section \"Buttons\" of \"Two\"\n"
                   "art: no section \"Dials\" in \"Two\"\n");
}

TEST_F(Libraries, UsersShareOneLoadAndTheLastUserFreesIt) {
    auto* first = new QIF<Bitmap>("Two");
    QIF<Bitmap> second("Two");
    EXPECT_EQ(app->QIFUseCount("Two"), 3);
    EXPECT_EQ(first->ItemAt(3), second.ItemAt(3));
    // Cursors are per user.
    first->SelectSection("Buttons");
    first->SetCurrentFrame(1);
    second.SetCurrentSection(1);
    EXPECT_EQ(second.CurrentFrame(), 0);
    delete first;
    // The other user's images are still there.
    Bitmap* f1 = second.GetBitmap(1, 1);
    ASSERT_NE(f1, nullptr);
    EXPECT_EQ(f1->GetPixels()[0], 31);
    second.UnlockBitmap(1, 1);
    EXPECT_EQ(app->QIFUseCount("Two"), 2);
}

TEST_F(Libraries, EmptyAndDefaultNamesOpenNothing) {
    QIF<Bitmap> empty("");
    EXPECT_FALSE(empty.IsLoaded());
    EXPECT_EQ(app->QIFUseCount(""), 0);
    QIF<Bitmap> unnamed;
    EXPECT_EQ(unnamed.GetName(), "Default QIF");
    EXPECT_EQ(unnamed.SectionCount(), 0);
}

TEST_F(Libraries, WindowsBitmapsLoadTheSameFileIntoWinGBitmaps) {
    // The compressed image cannot be a WinG bitmap: the whole library is refused.
    {
        QIF<WindowsBitmap> refused("Windows");
        EXPECT_EQ(refused.SectionCount(), 0);
    }
    datagen::LibrarySpec plain{"", {{"Blocks", {Image("b", 3, 2, 1, {1, 2, 3, 4, 5, 6}), Solid("c", 4, 4, 9)}}}};
    data.WriteLibrary("TWO.QIF", plain);
    platform::ClearShownMessageBoxes();
    for (int orientation : {-1, 1}) {
        platform::SetRecommendedOrientation(orientation);
        QIF<WindowsBitmap> fresh;
        OFSTRUCT of;
        const HFILE f = OpenFile(data.File("TWO.QIF").c_str(), &of, OF_READ);
        ASSERT_NE(f, HFILE_ERROR);
        ASSERT_TRUE(fresh.Load("TWO.QIF", f));
        _lclose(f);
        WindowsBitmap* b = fresh.GetBitmapByName("b", "Blocks");
        ASSERT_NE(b, nullptr);
        EXPECT_EQ(b->GetSize(), Dim(3, 2));
        // The picture is upright in either row order: the top row is 1 2 3.
        const BYTE* top = orientation > 0 ? b->GetPixels() + 4 : b->GetPixels();
        EXPECT_EQ(top[0], 1);
        EXPECT_EQ(top[2], 3);
        EXPECT_NE(WindowsBitmap::GetSharedDC(), nullptr);
        fresh.DeleteImages();
    }
}

// --- damaged files ---

struct Damage {
    const char* what;
    std::vector<std::uint8_t> (*make)();
};

std::vector<std::uint8_t> Good() { return datagen::EncodeLibrary(TwoSections()); }
void PutI16(std::vector<std::uint8_t>& b, std::size_t at, std::int16_t v) {
    b[at] = static_cast<std::uint8_t>(v);
    b[at + 1] = static_cast<std::uint8_t>(v >> 8);
}
void PutU32(std::vector<std::uint8_t>& b, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
}
constexpr std::size_t kFirstSection = 132;
constexpr std::size_t kFirstRecord = kFirstSection + 138;

const Damage kDamages[] = {
    {"cut inside the header", [] { auto b = Good(); b.resize(100); return b; }},
    {"negative section count", [] { auto b = Good(); PutI16(b, 128, -1); return b; }},
    {"image count larger than the sections hold", [] { auto b = Good(); PutI16(b, 130, 9); return b; }},
    {"image count smaller than the sections hold", [] { auto b = Good(); PutI16(b, 130, 3); return b; }},
    {"section count larger than the file", [] { auto b = Good(); PutI16(b, 128, 5); return b; }},
    {"section offset past the end", [] { auto b = Good(); PutU32(b, kFirstSection + 134, 0x7FFFFFF0u); return b; }},
    {"record with a negative width", [] { auto b = Good(); PutI16(b, kFirstRecord + 128, -4); return b; }},
    {"record of an unknown type", [] { auto b = Good(); PutI16(b, kFirstRecord + 136, 9); return b; }},
    {"record whose data size disagrees", [] { auto b = Good(); PutU32(b, kFirstRecord + 138, 7); return b; }},
    {"record chain pointing past the end", [] { auto b = Good(); PutU32(b, kFirstRecord + 146, 0x00FFFFFFu); return b; }},
    {"file cut inside the pixels", [] { auto b = Good(); b.resize(b.size() - 3); return b; }},
};

class DamagedLibrary : public Libraries, public ::testing::WithParamInterface<Damage> {};

TEST_P(DamagedLibrary, IsRefusedWholeWithOneReport) {
    data.WriteBytes("BAD.QIF", GetParam().make());
    platform::ClearShownMessageBoxes();
    QIF<Bitmap> lib("Bad");
    EXPECT_TRUE(lib.IsLoaded()) << GetParam().what;
    EXPECT_EQ(lib.SectionCount(), 0) << GetParam().what;
    EXPECT_EQ(lib.TotalImageCount(), 0) << GetParam().what;
    EXPECT_EQ(lib.GetBitmap(0, 0), nullptr);
    ASSERT_GE(platform::ShownMessageBoxCount(), 1u) << GetParam().what;
    EXPECT_EQ(platform::ShownMessageBox(0).caption, "Damaged art") << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(Cases, DamagedLibrary, ::testing::ValuesIn(kDamages));

TEST_F(Libraries, AnUndamagedCopyOfTheSameBytesLoads) {
    data.WriteBytes("BAD.QIF", Good());
    QIF<Bitmap> lib("Bad");
    EXPECT_EQ(lib.TotalImageCount(), 7);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 0u);
}

// --- the data-file list's records ---

TEST_F(Libraries, ARecordOpensAMasterOfItsOwnWhoseCloseSparesTheNamedOne) {
    const auto record = datagen::EncodeDataListRecord("two.qif", TwoSections());
    QIF<Bitmap> byName("Two");
    Bitmap* named = byName.ItemAt(2);
    {
        QIF<Bitmap> byRecord("Two", record.data(), record.size());
        ASSERT_EQ(byRecord.TotalImageCount(), 7);
        EXPECT_NE(byRecord.ItemAt(2), named);
        // The memory records point at the pixels in the file.
        Bitmap* f0 = byRecord.GetBitmap(0, 1);
        ASSERT_NE(f0, nullptr);
        EXPECT_EQ(f0->GetPixels()[0], 30);
        byRecord.UnlockBitmap(0, 1);
    }
    // Closing the record's user freed its own master only.
    Bitmap* again = byName.GetBitmap(0, 1);
    ASSERT_EQ(again, named);
    EXPECT_EQ(again->GetPixels()[0], 30);
    byName.UnlockBitmap(0, 1);
}

TEST_F(Libraries, ACompactHeaderCutShortOrMiscountedIsRefused) {
    auto record = datagen::EncodeDataListRecord("two.qif", TwoSections());
    QIF<Bitmap> cut("Cut", record.data(), record.size() - 10);
    EXPECT_EQ(cut.SectionCount(), 0);
    PutI16(record, 13 + 2, 40);  // more images than the sections hold
    QIF<Bitmap> miscounted("Miscounted", record.data(), record.size());
    EXPECT_EQ(miscounted.SectionCount(), 0);
    EXPECT_EQ(platform::ShownMessageBoxCount(), 2u);
}

} // namespace
