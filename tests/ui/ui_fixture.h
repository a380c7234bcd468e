#pragma once
// A data directory of our own for the Windows layer's tests: a registry under a private home
// naming the directory and its palette, a palette whose entries and remap tables tell every
// index apart, an art index and libraries written by the data generator, and a WinApp on the
// virtual clock. Each test process gets its own directory (ctest runs them side by side).
#include "core/application.h"
#include "platform/clock.h"
#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/screen.h"
#include "platform/window.h"
#include "platform/wing.h"
#include "tools/datagen/byte_writer.h"
#include "tools/datagen/palette_writer.h"
#include "tools/datagen/qif_writer.h"
#include "ui/bitmap.h"
#include "ui/windows/win_app.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace uitest {

// Palette entry i: red i, green 255 - i, blue 3i. Table k maps 10..245 onto 10..245 moved by
// 10k (wrapping), and every other index onto itself.
inline std::uint8_t TableOf(int k, std::uint8_t i) {
    if (i < 10 || i > 245) return i;
    return static_cast<std::uint8_t>(10 + (i - 10 + 10 * k) % 236);
}

inline datagen::PaletteData TestPalette() {
    datagen::PaletteData p;
    for (int i = 0; i < 256; ++i) {
        p.entries[4 * i] = static_cast<std::uint8_t>(3 * i);  // blue
        p.entries[4 * i + 1] = static_cast<std::uint8_t>(255 - i);
        p.entries[4 * i + 2] = static_cast<std::uint8_t>(i);
    }
    for (int k = 1; k <= 5; ++k)
        for (int i = 0; i < 256; ++i) p.tables[k - 1][i] = TableOf(k, static_cast<std::uint8_t>(i));
    return p;
}

// The colour the screen shows for an index once the test palette is realised.
inline COLORREF ShownColour(std::uint8_t index) {
    if (index < 10 || index > 245) {
        const PALETTEENTRY& e = platform::StaticColours()[index < 10 ? index : index - 236];
        return RGB(e.peRed, e.peGreen, e.peBlue);
    }
    return RGB(index, static_cast<BYTE>(255 - index), static_cast<BYTE>(3 * index));
}

inline void ResetPlatform() {
    platform::ResetWindowSystem();
    platform::ResetMessageQueues();
    platform::ResetInput();
    platform::UseVirtualClock(0);
    platform::ClearMessageBoxAnswers();
    platform::ClearShownMessageBoxes();
    platform::SetRecommendedOrientation(-1);
    Bitmap::ResetOrientation();
}

class DataDirectory {
public:
    DataDirectory() {
        root_ = ::testing::TempDir() + "/vh_ui_" + std::to_string(::getpid());
        std::filesystem::remove_all(root_);
        std::filesystem::create_directories(root_ + "/home");
        std::filesystem::create_directories(root_ + "/data");
        ::setenv("VARNHOLD_HOME", (root_ + "/home").c_str(), 1);
        platform::ReloadRegistry();
    }
    ~DataDirectory() {
        std::error_code ec;
        std::filesystem::remove_all(root_, ec);
        platform::ReloadRegistry();
    }
    std::string Data() const { return root_ + "/data"; }
    std::string File(const std::string& name) const { return Data() + "/" + name; }

    // HKEY_LOCAL_MACHINE\SOFTWARE\<publisher>\<application>\<value>
    static void SetValue(const char* publisher, const char* application, const char* value, const std::string& text) {
        const std::string path = std::string("SOFTWARE\\") + publisher + "\\" + application;
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, path.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, value, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>(text.size() + 1));
        RegCloseKey(key);
    }

    // The registry names this directory and "test.pal", written with the test palette.
    void Install(const char* application = "Varnhold Demo", const char* publisher = "Tolvane") {
        SetValue(publisher, application, "Path", Data());
        SetValue(publisher, application, "Palette", "test.pal");
        ASSERT_TRUE(datagen::WritePaletteFile(File("test.pal"), TestPalette()));
    }

    void WriteIndex(const std::vector<datagen::ArtIndexEntry>& entries, const std::string& name = "qiffile.map") {
        ASSERT_TRUE(datagen::WriteArtIndex(File(name), entries));
    }
    void WriteLibrary(const std::string& file, const datagen::LibrarySpec& library) {
        ASSERT_TRUE(datagen::WriteLibrary(File(file), library));
    }
    void WriteBytes(const std::string& file, const std::vector<std::uint8_t>& bytes) {
        ASSERT_TRUE(datagen::WriteFile(File(file), bytes));
    }

private:
    std::string root_;
};

// An image whose pixels are given row by row.
inline datagen::ImageSpec Image(const std::string& name, int w, int h, int type, std::vector<std::uint8_t> pixels,
                                int hotX = 0, int hotY = 0) {
    datagen::ImageSpec s;
    s.name = name;
    s.width = static_cast<std::int16_t>(w);
    s.height = static_cast<std::int16_t>(h);
    s.type = static_cast<std::int16_t>(type);
    s.hotX = static_cast<std::int16_t>(hotX);
    s.hotY = static_cast<std::int16_t>(hotY);
    s.pixels = std::move(pixels);
    return s;
}

inline datagen::ImageSpec Solid(const std::string& name, int w, int h, std::uint8_t colour, int type = 1) {
    return Image(name, w, h, type, std::vector<std::uint8_t>(static_cast<std::size_t>(w) * h, colour));
}

// A WinApp over a fresh data directory on the virtual clock.
class WinAppTest : public ::testing::Test {
protected:
    void SetUp() override {
        ResetPlatform();
        data.Install();
    }
    void TearDown() override {
        app.reset();
        ResetPlatform();
    }
    void MakeApp(const std::string& application = "Varnhold Demo", const std::string& publisher = "",
                 const std::string& map = "") {
        app = std::make_unique<WinApp>(application, publisher, map);
    }
    // Handles every waiting message, as nested pumps do.
    void Drain(int limit = 10000) {
        MSG m;
        for (int i = 0; i < limit && PeekMessage(&m, nullptr, 0, 0, PM_NOREMOVE); ++i) app->PumpMessage();
    }

    DataDirectory data;
    std::unique_ptr<WinApp> app;
};

} // namespace uitest
