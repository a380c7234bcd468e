#include "ui/windows/win_app.h"
#include "platform/idle.h"

#include "core/assertion.h"
#include "platform/clock.h"
#include "platform/common_dialog.h"
#include "platform/cursor.h"
#include "platform/file.h"
#include "platform/msgbox.h"
#include "platform/registry.h"
#include "platform/strings.h"
#include "platform/timer.h"
#include "platform/wing.h"
#include "ui/display.h"
#include "ui/main_window.h"
#include "ui/qif.h"
#include "ui/windows/windows_palette.h"

#include <cstdio>
#include <cstring>
#include <vector>

HINSTANCE InstanceHandle = nullptr;
HWND MainWindowHandle = nullptr;

namespace {

bool g_inTick = false;
int g_droppedTicks = 0;

void DestroyPalette(LogicalPalette* palette) { delete palette; }

std::string Field(const BYTE* p, std::size_t size) {
    std::size_t n = 0;
    while (n < size && p[n]) ++n;
    return std::string(reinterpret_cast<const char*>(p), n);
}

bool IsCloseRequest(const MSG& msg) {
    if (msg.message == WM_QUIT) return true;
    if (!msg.hwnd || msg.hwnd != MainWindowHandle) return false;
    return msg.message == WM_CLOSE || (msg.message == WM_SYSCOMMAND && msg.wParam == SC_CLOSE);
}

} // namespace

std::string DataPath(const std::string& directory, const std::string& fileName) { return directory + "\\" + fileName; }

WinApp::WinApp(const std::string& applicationName_, const std::string& publisherKey_, const std::string& mapFileName_)
    : applicationName(applicationName_), publisherKey(publisherKey_.empty() ? "Tolvane" : publisherKey_),
      mapFileName(mapFileName_.empty() ? "qiffile.map" : mapFileName_) {
    dataDirectory = ReadRegistryValue("Path");
    paletteName = ReadRegistryValue("Palette");
    SetPalette(new WindowsPalette(paletteName.c_str(), dataDirectory), &DestroyPalette);
    accelerators = LoadAcceleratorsA(InstanceHandle, "Main");
    SetWaitCursor(LoadCursorA(nullptr, IDC_WAIT));
}

WinApp::~WinApp() {
    if (GetTimerId() != 0) StopTimer();
}

std::string WinApp::ReadRegistryValue(const char* value) const {
    HKEY software = nullptr, publisher = nullptr, application = nullptr;
    std::string result;
    if (RegOpenKeyExA(HKEY_LOCAL_MACHINE, "SOFTWARE", 0, KEY_READ, &software) == ERROR_SUCCESS &&
        RegOpenKeyExA(software, publisherKey.c_str(), 0, KEY_READ, &publisher) == ERROR_SUCCESS &&
        RegOpenKeyExA(publisher, applicationName.c_str(), 0, KEY_READ, &application) == ERROR_SUCCESS) {
        // Sized from the value itself: a data directory deep in a file system is longer than any
        // fixed buffer, and a path cut short (or left empty) stops the program at start.
        DWORD size = 0;
        DWORD type = REG_NONE;
        if (RegQueryValueExA(application, value, nullptr, &type, nullptr, &size) == ERROR_SUCCESS && size > 0) {
            std::vector<BYTE> buffer(size);
            if (RegQueryValueExA(application, value, nullptr, &type, buffer.data(), &size) == ERROR_SUCCESS &&
                size <= buffer.size())
                result = Field(buffer.data(), size);
        }
    }
    if (application) RegCloseKey(application);
    if (publisher) RegCloseKey(publisher);
    if (software) RegCloseKey(software);
    return result;
}

// --- art index and data files ---

void WinApp::OpenQIFLibrary(QIFBase* library) {
    if (!library) return;
    const std::string path = DataPath(GetDataDirectory(1), mapFileName);
    OFSTRUCT info;
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) {
        // A "No" answer goes on with an index that holds no records.
        Assert(0, "Can't find " + path, "WINAPP", 343);
        return;
    }
    BYTE countBytes[2];
    std::vector<BYTE> records;
    int count = 0;
    if (_lread(file, countBytes, 2) == 2) {
        count = static_cast<std::int16_t>(countBytes[0] | (countBytes[1] << 8));
        if (count > 0) {
            records.resize(static_cast<std::size_t>(count) * kArtIndexRecordSize);
            const UINT want = static_cast<UINT>(records.size());
            if (_lread(file, records.data(), want) != want) {
                // The count promises records the file does not hold: refuse the whole index.
                _lclose(file);
                ReportDamagedArt(path, "fewer records than its count");
                return;
            }
        }
    }
    _lclose(file);
    const std::string name = library->GetName();
    for (int i = 0; i < count; ++i) {
        const BYTE* record = records.data() + static_cast<std::size_t>(i) * kArtIndexRecordSize;
        if (Field(record + 13, 128) != name) continue;
        if (auto* reader = dynamic_cast<DataFileReader*>(library)) OpenDataFile(Field(record, 13).c_str(), reader);
        return;
    }
    AssertFail(name + " does not exist in the map file.", "WINAPP", __LINE__);
}

void WinApp::OpenQIFLibraryAt(QIFBase* library, const BYTE* record, std::size_t recordSize) {
    auto* reader = dynamic_cast<DataFileReader*>(library);
    if (!reader || !record || recordSize < 13) return;
    const std::string path = DataPath(GetDataDirectory(1), Field(record, 13));
    const unsigned char* cursor = record + 13;
    reader->LoadFromMemory(path.c_str(), cursor, record + recordSize);
}

void WinApp::OpenDataFile(const char* fileName, DataFileReader* reader) {
    const std::string path = DataPath(GetDataDirectory(1), fileName ? fileName : "");
    OFSTRUCT info;
    const HFILE file = OpenFile(path.c_str(), &info, OF_READ);
    if (file == HFILE_ERROR) {
        // No reader is ever given a file that was not opened.
        AssertFail("Can't find " + path, "WINAPP", 394);
        return;
    }
    if (reader) reader->Load(path.c_str(), file);
    _lclose(file);
}

// --- timers ---

void WinApp::StartTimer(std::uint16_t period) { SetTimerId(SetTimer(nullptr, 0, period, timerProc)); }

void WinApp::StopTimer() {
    KillTimer(nullptr, GetTimerId());
    SetTimerId(0);
}

void WinApp::TimerProc(HWND, UINT, UINT_PTR, DWORD time) {
    if (g_inTick) {
        ++g_droppedTicks;
        return;
    }
    g_inTick = true;
    struct Clear {
        ~Clear() { g_inTick = false; }
    } clear;
    if (Application* app = GetApplication()) app->TimerTick(time);
}

int WinApp::DroppedTicks() { return g_droppedTicks; }

// --- the message loop ---

BOOL WinApp::NextMessage(MSG* msg) { return GetMessage(msg, nullptr, 0, 0); }

bool WinApp::Filter(MSG& msg) {
    if (accelerators && TranslateAcceleratorA(MainWindowHandle, accelerators, &msg)) return true;
    for (Item<HWND>* i = modelessDialogs.Head(); i; i = i->next)
        if (IsDialogMessageA(i->value, &msg)) return true;
    return false;
}

void WinApp::Run() {
    Component::AddTimer(&Application::HoverTimer, 2, 1);
    MSG msg;
    // The running flag is looked at before a message is taken, so a quit never costs one.
    while (IsRunning()) {
        const BOOL got = NextMessage(&msg);
        if (got == 0) break;
        // A failing queue would fail again at once: end the loop rather than spin.
        if (got == -1) break;
        if (Filter(msg)) continue;
        TranslateMessage(&msg);
        DispatchMessage(&msg);
    }
}

void WinApp::PeekPlatformMessage() { PeekWaiting(); }

std::int16_t WinApp::PeekWaiting() {
    MSG msg;
    return PeekMessage(&msg, nullptr, 0, 0, PM_NOREMOVE) ? 1 : 0;
}

std::int16_t WinApp::PumpMessage() {
    MSG msg;
    if (!PeekMessage(&msg, nullptr, 0, 0, PM_REMOVE)) {
        // Nothing for the windows and no bus task waiting: sleep until input or the next timer,
        // rather than spin in the caller's loop.
        if (TaskCount() == 0) WaitMessage();
        return 1;
    }
    if (Filter(msg)) return 1;
    if (IsCloseRequest(msg)) {
        // The request survives until the outermost loop sees it.
        if (msg.message == WM_QUIT)
            PostQuitMessage(static_cast<int>(msg.wParam));
        else
            PostMessage(msg.hwnd, msg.message, msg.wParam, msg.lParam);
        return 0;
    }
    TranslateMessage(&msg);
    DispatchMessage(&msg);
    return 1;
}

// --- small services ---

std::int16_t WinApp::GetDIBOrientation() {
    BITMAPINFO info;
    WinGRecommendDIBFormat(&info);
    return static_cast<std::int16_t>(info.bmiHeader.biHeight);
}

std::int16_t WinApp::DIBOrientation() { return GetDIBOrientation(); }

std::int16_t WinApp::ChooseFile(char* fileName, const char* filterDescription, const char* filterPattern) {
    if (!fileName) return 0;
    char filter[256];
    std::snprintf(filter, sizeof filter, "%s|%s|", filterDescription ? filterDescription : "",
                  filterPattern ? filterPattern : "");
    // "|" becomes NUL: the double-NUL-terminated list of the dialog.
    const std::size_t length = std::strlen(filter);
    for (std::size_t i = 0; i < length; ++i)
        if (filter[i] == '|') filter[i] = '\0';
    char title[256] = {};
    OPENFILENAMEA ofn;
    std::memset(&ofn, 0, sizeof ofn);
    ofn.lStructSize = 76;
    ofn.hwndOwner = MainWindowHandle;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = fileName;
    ofn.nMaxFile = 256;
    ofn.lpstrFileTitle = title;
    ofn.nMaxFileTitle = sizeof title;
    ofn.Flags = OFN_OVERWRITEPROMPT;
    return GetOpenFileNameA(&ofn) ? 1 : 0;
}

int WinApp::ShowMessage(const char* text, const char* caption, unsigned style) {
    return MessageBox(MainWindowHandle, text, caption, style);
}

std::uint32_t WinApp::TickCount() { return GetTickCount(); }

void WinApp::Beep() { MessageBeep(0xFFFFFFFFu); }

void WinApp::SetCursor(HCURSOR cursor) { ::SetCursor(cursor); }

void WinApp::SetStatusText(const char* text, std::int16_t pane) {
    if (auto* main = dynamic_cast<MainWindow*>(GetMainDisplay())) main->SetStatusText(text, pane);
}

std::string WinApp::LoadResourceString(std::uint32_t stringId) {
    char buffer[platform::kMaxStringLength + 1];
    LoadString(InstanceHandle, stringId, buffer, sizeof buffer);
    return buffer;
}

void WinApp::DispatchMouseEvent(Display* display, std::int16_t kind, Point point) {
    if (display) display->DispatchMouseEvent(kind, point);
}
