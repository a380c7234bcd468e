#include "platform/file.h"
#include "platform/path.h"
#include "platform/registry.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <unistd.h>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

class TempHome : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vh_ws_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ::setenv("VARNHOLD_HOME", dir_.c_str(), 1);
        platform::ReloadRegistry();
    }
    void TearDown() override {
        platform::ReloadRegistry();
        fs::remove_all(dir_);
    }
    fs::path dir_;
};

using PathMapping = TempHome;

TEST_F(PathMapping, BackslashesAndLetterCaseAreMapped) {
    fs::create_directories(dir_ / "Data" / "Art");
    std::ofstream(dir_ / "Data" / "Art" / "Units.QIF") << "x";
    const std::string want = (dir_ / "Data" / "Art" / "Units.QIF").string();
    EXPECT_EQ(platform::MapPath(dir_.string() + "\\data\\ART\\units.qif"), want);
    EXPECT_EQ(platform::MapPath(dir_.string() + "/Data/Art/Units.QIF"), want);
    // A missing name keeps the rest as written, so it can be created.
    EXPECT_EQ(platform::MapPath(dir_.string() + "\\DATA\\new\\File.txt"), (dir_ / "Data" / "new" / "File.txt").string());
}

TEST_F(PathMapping, FilesOpenThroughTheMapping) {
    std::ofstream(dir_ / "Palette.PAL") << "abcdef";
    OFSTRUCT info;
    const HFILE f = OpenFile((dir_.string() + "\\PALETTE.pal").c_str(), &info, OF_READ);
    ASSERT_NE(f, HFILE_ERROR);
    char buf[8] = {};
    EXPECT_EQ(_llseek(f, 2, FILE_BEGIN), 2);
    EXPECT_EQ(_lread(f, buf, 8), 4u);
    EXPECT_STREQ(buf, "cdef");
    EXPECT_EQ(platform::FileSize(f), 6);
    EXPECT_EQ(_lclose(f), 0);
    EXPECT_EQ(OpenFile((dir_.string() + "\\nothere").c_str(), &info, OF_READ), HFILE_ERROR);
}

using Registry = TempHome;

TEST_F(Registry, ValuesPersistInTheHomeFile) {
    HKEY k;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE\\Tolvane\\Varnhold Demo", 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &k, nullptr),
              ERROR_SUCCESS);
    const char path[] = "C:\\VARNHOLD";
    ASSERT_EQ(RegSetValueExA(k, "Path", 0, REG_SZ, reinterpret_cast<const BYTE*>(path), sizeof path), ERROR_SUCCESS);
    const BYTE bin[] = {0, 1, '=', '%', 0xFF};
    ASSERT_EQ(RegSetValueExA(k, "Odd = name", 0, REG_BINARY, bin, sizeof bin), ERROR_SUCCESS);
    RegCloseKey(k);
    EXPECT_TRUE(fs::exists(dir_ / "registry.txt"));

    platform::ReloadRegistry();
    HKEY a, b, c;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, "software", 0, KEY_READ, &a), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(a, "TOLVANE", 0, KEY_READ, &b), ERROR_SUCCESS);
    ASSERT_EQ(RegOpenKeyExA(b, "varnhold demo", 0, KEY_READ, &c), ERROR_SUCCESS);
    BYTE buf[128];
    DWORD size = sizeof buf, type = 0;
    ASSERT_EQ(RegQueryValueExA(c, "PATH", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(type, REG_SZ);
    EXPECT_STREQ(reinterpret_cast<char*>(buf), path);
    size = sizeof buf;
    ASSERT_EQ(RegQueryValueExA(c, "odd = name", nullptr, &type, buf, &size), ERROR_SUCCESS);
    EXPECT_EQ(size, sizeof bin);
    EXPECT_EQ(0, std::memcmp(buf, bin, sizeof bin));
    // A buffer too small is refused and left alone.
    BYTE small[4] = {7, 7, 7, 7};
    size = sizeof small;
    EXPECT_EQ(RegQueryValueExA(c, "Path", nullptr, &type, small, &size), ERROR_MORE_DATA);
    EXPECT_EQ(size, sizeof path);
    EXPECT_EQ(small[0], 7);
    EXPECT_EQ(RegQueryValueExA(c, "Palette", nullptr, &type, buf, &size), ERROR_FILE_NOT_FOUND);
    RegCloseKey(c);
    RegCloseKey(b);
    RegCloseKey(a);
    HKEY none;
    EXPECT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, "SOFTWARE\\Tolvane", 0, KEY_READ, &none), ERROR_FILE_NOT_FOUND);
}

} // namespace
