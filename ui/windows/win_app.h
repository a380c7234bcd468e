#pragma once
// WinApp: the Windows half of the application object. It reads the data directory and the
// palette file's name from the registry (HKEY_LOCAL_MACHINE\SOFTWARE\<publisher>\<application>,
// values "Path" and "Palette"), owns the accelerator table "Main" and the list of modeless
// dialogs, finds image libraries through the art index in the data directory, and runs the
// program's message loop. One window-system timer at the smallest interval any component asked
// for drives the Application's 16 timer slots; a tick that arrives while a tick is handled (a
// nested pump inside a timer handler) is dropped.
//
// Art index ("qiffile.map" unless named): i16 record count, then 141-byte records of a 13-byte
// data file name and a 128-byte library name, both NUL-terminated within their fields.
//
// Invariants: the data directory and palette name are what the registry holds (128 bytes at
// most) or empty; the main loop never takes a message once the running flag is clear, so no
// message is lost to a quit; a nested pump never swallows a quit or a close of the frame.
#include "core/application.h"
#include "core/list.h"
#include "platform/menu.h"
#include "platform/timer.h"

#include <cstdint>
#include <string>

class DataFileReader;

// The program's instance, and the native handle of the main frame (null until it exists).
extern HINSTANCE InstanceHandle;
extern HWND MainWindowHandle;

class WinApp : public Application {
public:
    static constexpr std::size_t kArtIndexRecordSize = 141;

    // Empty publisher and map names select "Tolvane" and "qiffile.map".
    WinApp(const std::string& applicationName, const std::string& publisherKey = "",
           const std::string& mapFileName = "");
    ~WinApp() override;

    // --- the Application's window-system operations ---
    void OpenQIFLibrary(QIFBase* library) override;
    // The 13-byte data file name at the record, then the compact library header behind it;
    // nothing is read past recordSize bytes.
    void OpenQIFLibraryAt(QIFBase* library, const BYTE* record, std::size_t recordSize) override;
    void StartTimer(std::uint16_t period) override;
    void StopTimer() override;
    void SetCursor(HCURSOR cursor) override;
    void Run() override;
    void PeekPlatformMessage() override;
    std::int16_t PumpMessage() override;
    std::int16_t DIBOrientation() override;
    std::int16_t ChooseFile(char* fileName, const char* filterDescription, const char* filterPattern) override;
    int ShowMessage(const char* text, const char* caption, unsigned style) override;
    std::uint32_t TickCount() override;
    void Beep() override;
    void SetStatusText(const char* text, std::int16_t pane) override;
    std::string LoadResourceString(std::uint32_t stringId) override;
    void DispatchMouseEvent(Display* display, std::int16_t kind, Point point) override;

    // Opens a data file of the data directory and hands it to the reader, then closes it.
    virtual void OpenDataFile(const char* fileName, DataFileReader* reader);

    // The names the Windows layer's callers know these by.
    void OpenQIF(QIFBase* library) { OpenQIFLibrary(library); }
    std::int16_t PeekWaiting();
    static std::int16_t GetDIBOrientation();
    std::uint32_t GetTicks() { return TickCount(); }
    std::int16_t AskFileName(char* path, const char* description, const char* pattern) {
        return ChooseFile(path, description, pattern);
    }
    int ShowMessageBox(const std::string& caption, const std::string& text, unsigned style) {
        return ShowMessage(text.c_str(), caption.c_str(), style);
    }
    void ShowStatusText(const char* text, std::int16_t pane) { SetStatusText(text, pane); }
    std::string GetResourceString(std::uint32_t stringId) { return LoadResourceString(stringId); }

    // The window system's timer callback: one Application::TimerTick at a time.
    static void TimerProc(HWND hwnd, UINT message, UINT_PTR id, DWORD time);

    // Modeless dialogs the loop offers every message to, in order.
    List<HWND>& ModelessDialogs() { return modelessDialogs; }
    HACCEL GetAccelerators() const { return accelerators; }
    const std::string& GetApplicationName() const { return applicationName; }
    const std::string& GetPublisherKey() const { return publisherKey; }
    const std::string& GetMapFileName() const { return mapFileName; }
    const std::string& GetPaletteName() const { return paletteName; }
    // Ticks dropped because one was still being handled.
    static int DroppedTicks();

protected:
    // Where the main loop waits for its next message (GetMessage's answers: 0 quit, -1 error).
    virtual BOOL NextMessage(MSG* msg);
    // Reads a value under the application's key; empty when it is missing or too long.
    std::string ReadRegistryValue(const char* value) const;
    // Accelerators, then the modeless dialogs: true when one of them took the message.
    bool Filter(MSG& msg);

private:
    HACCEL accelerators = nullptr;
    TIMERPROC timerProc = &WinApp::TimerProc;
    std::string applicationName;
    std::string publisherKey;
    std::string mapFileName;
    std::string paletteName;
    List<HWND> modelessDialogs;
};

// The data directory joined with a file name the way the program writes paths.
std::string DataPath(const std::string& directory, const std::string& fileName);
