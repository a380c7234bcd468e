// Starting another program from a command line (WinExec): how the line is split, what the
// headless backend records, the desktop's opener for web pages in the registry, and a real
// detached start.
#include "platform/process.h"
#include "platform/registry.h"
#include "platform/screen.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class Shell : public ::testing::Test {
protected:
    void SetUp() override {
        dir_ = fs::temp_directory_path() / ("vh_shell_" + std::to_string(::getpid()) + "_" +
                                            ::testing::UnitTest::GetInstance()->current_test_info()->name());
        fs::remove_all(dir_);
        fs::create_directories(dir_);
        ::setenv("VARNHOLD_HOME", dir_.c_str(), 1);
        platform::ReloadRegistry();
        platform::ClearRecordedProgramRequests();
        platform::SetBackend(platform::MakeHeadlessBackend());
    }
    void TearDown() override {
        platform::UseDesktopFileTypes(false);
        platform::ReloadRegistry();
        platform::ClearRecordedProgramRequests();
        fs::remove_all(dir_);
    }
    // An executable shell script.
    std::string Script(const fs::path& path, const std::string& body) const {
        fs::create_directories(path.parent_path());
        std::ofstream(path) << "#!/bin/sh\n" << body;
        fs::permissions(path, fs::perms::owner_all);
        return path.string();
    }
    static std::string Read(const fs::path& path) {
        std::ifstream in(path);
        std::stringstream ss;
        ss << in.rdbuf();
        return ss.str();
    }
    fs::path dir_;
};

// A program with blanks in its directory, named without quotes, and a document named the Windows
// way in another letter case: both found as the files they are.
TEST_F(Shell, CommandLinesSplitIntoProgramAndDocument) {
    const std::string viewer = Script(dir_ / "my viewer" / "view", "exit 0\n");
    fs::create_directories(dir_ / "Data" / "history");
    std::ofstream(dir_ / "Data" / "history" / "HISTORY.htm") << "<html></html>";
    const std::string d = dir_.string();
    struct Case {
        std::string line;
        bool ok;
        std::string program;
        std::vector<std::string> arguments;
    };
    const Case cases[] = {
        {"view /x/history/HISTORY.htm", true, "view", {"/x/history/HISTORY.htm"}},
        {"  view   /x/V&U BRANDY STATION.htm  ", true, "view", {"/x/V&U BRANDY STATION.htm"}},
        {"\"/opt/some viewer/view\" doc.htm", true, "/opt/some viewer/view", {"doc.htm"}},
        {"\"/opt/viewer\"", true, "/opt/viewer", {}},
        {"view", true, "view", {}},
        {d + "/my viewer/view " + d + "\\data\\HISTORY\\history.htm", true, viewer,
         {(dir_ / "Data" / "history" / "HISTORY.htm").string()}},
        {"", false, "", {}},
        {"   ", false, "", {}},
        {"\"\" doc.htm", false, "", {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        platform::ProgramRequest r;
        EXPECT_EQ(platform::SplitCommandLine(c.line, r), c.ok);
        EXPECT_EQ(r.program, c.program);
        EXPECT_EQ(r.arguments, c.arguments);
    }
}

// Headless, nothing runs: the request is recorded as split, and the call tells of a start.
TEST_F(Shell, HeadlessRecordsTheRequestAndStartsNothing) {
    const fs::path marker = dir_ / "ran";
    const std::string program = Script(dir_ / "mark", "touch '" + marker.string() + "'\n");
    EXPECT_GT(WinExec((program + " " + dir_.string() + "\\page.htm").c_str(), 5), 31u);
    ASSERT_EQ(platform::RecordedProgramRequests().size(), 1u);
    EXPECT_EQ(platform::RecordedProgramRequests()[0].program, program);
    EXPECT_EQ(platform::RecordedProgramRequests()[0].arguments, std::vector<std::string>{(dir_ / "page.htm").string()});
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    EXPECT_FALSE(fs::exists(marker));
    // A line that names no program is refused and not recorded.
    EXPECT_EQ(WinExec("", 5), 2u);
    EXPECT_EQ(platform::RecordedProgramRequests().size(), 1u);
}

std::string ClassesRootDefault(const char* key) {
    HKEY k = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, key, 0, KEY_READ, &k) != ERROR_SUCCESS) return "<none>";
    char buffer[256] = {};
    DWORD size = sizeof buffer;
    const LONG r = RegQueryValueExA(k, "", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(k);
    return r == ERROR_SUCCESS ? std::string(buffer) : "<none>";
}

void SetClassesRoot(const char* key, const std::string& value) {
    HKEY k = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CLASSES_ROOT, key, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &k, nullptr), ERROR_SUCCESS);
    ASSERT_EQ(RegSetValueExA(k, "", 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                             static_cast<DWORD>(value.size() + 1)),
              ERROR_SUCCESS);
    RegCloseKey(k);
}

// Web pages open with the desktop's opener, which the registry tells without ever writing it to
// the user's file; a program the file names wins.
TEST_F(Shell, DesktopOpenerForWebPagesIsToldButNeverWritten) {
    EXPECT_EQ(ClassesRootDefault(".htm"), "<none>");
    platform::UseDesktopFileTypes();
    EXPECT_EQ(ClassesRootDefault(".htm"), "htmlfile");
    EXPECT_EQ(ClassesRootDefault("htmlfile\\shell\\open\\command"), "\"xdg-open\" \"%1\"");
    // Something else written: the file holds it and not the desktop's keys, read again or not.
    SetClassesRoot(".txt", "txtfile");
    const std::string file = Read(platform::RegistryFile());
    EXPECT_NE(file.find("txt"), std::string::npos) << file;
    EXPECT_EQ(file.find("htm"), std::string::npos) << file;
    platform::ReloadRegistry();
    EXPECT_EQ(ClassesRootDefault(".htm"), "htmlfile");
    // A program of the user's own is kept and wins, now and after reading the file again.
    SetClassesRoot(".htm", "myfile");
    SetClassesRoot("myfile\\shell\\open\\command", "\"/opt/my/view\" \"%1\"");
    platform::ReloadRegistry();
    EXPECT_EQ(ClassesRootDefault(".htm"), "myfile");
    EXPECT_EQ(ClassesRootDefault("myfile\\shell\\open\\command"), "\"/opt/my/view\" \"%1\"");
    // Taken away, only the user's own keys are left.
    platform::UseDesktopFileTypes(false);
    EXPECT_EQ(ClassesRootDefault(".htm"), "myfile");
    EXPECT_EQ(ClassesRootDefault("htmlfile\\shell\\open\\command"), "<none>");
}

// A real start: the program runs with its document, is nobody's child here (never left as a
// zombie to be waited for), and does not inherit the game's open files, its single-instance
// lock among them.
TEST_F(Shell, DetachedProgramRunsWithItsDocumentAndNoneOfOurFiles) {
    const fs::path out = dir_ / "out.txt";
    const int fd = ::open((dir_ / "held").c_str(), O_CREAT | O_RDWR, 0600);  // without close-on-exec
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::dup2(fd, 77), 77);
    const std::string program = Script(dir_ / "opener",
                                       "if [ -e /proc/$$/fd/77 ]; then held=yes; else held=no; fi\n"
                                       "printf '%s %s' \"$1\" \"$held\" > '" + out.string() + ".new'\n"
                                       "mv '" + out.string() + ".new' '" + out.string() + "'\n");
    platform::ProgramRequest request{program, {"/some where/HISTORY.htm"}};
    EXPECT_TRUE(platform::StartDetached(request));
    EXPECT_EQ(::waitpid(-1, nullptr, WNOHANG), -1);
    for (int i = 0; i < 1200 && !fs::exists(out); ++i) std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_EQ(Read(out), "/some where/HISTORY.htm no");
    ::close(77);
    ::close(fd);
    // A program that is not there is not started.
    EXPECT_FALSE(platform::StartDetached({"no-such-program-of-varnhold", {}}));
    EXPECT_FALSE(platform::StartDetached({(dir_ / "held").string(), {}}));  // not executable
}

} // namespace
