#pragma once
// BasicApp: an Application whose window-system operations are the platform layer's plain
// services: the clock, one periodic timer, the message queue, message boxes and the string table.
// It has no windows: no image libraries are loaded, the file dialog is cancelled, status texts
// and the cursor are only remembered. Tests and tools use it; the program's WinApp replaces it.
// Time is the platform clock's, so under the virtual clock a test decides when timers tick
// (platform::AdvanceClock, then PumpMessage or Run).
#include "core/application.h"

#include <map>
#include <string>

class BasicApp : public Application {
public:
    BasicApp();
    ~BasicApp() override;

    void OpenQIFLibrary(QIFBase* library) override;
    void OpenQIFLibraryAt(QIFBase* library, const BYTE* record) override;
    void StartTimer(std::uint16_t period) override;
    void StopTimer() override;
    void SetCursor(HCURSOR cursor) override;
    // Installs the hover timer and runs GetMessage, TranslateMessage, DispatchMessage until
    // WM_QUIT or Quit; removes the hover timer again when it ends.
    void Run() override;
    void PeekPlatformMessage() override;
    // WM_QUIT, WM_CLOSE and the close system command are put back for the main loop and answer 0.
    std::int16_t PumpMessage() override;
    std::int16_t DIBOrientation() override;
    std::int16_t ChooseFile(char* fileName, const char* filterDescription, const char* filterPattern) override;
    int ShowMessage(const char* text, const char* caption, unsigned style) override;
    std::uint32_t TickCount() override;
    void Beep() override;
    void SetStatusText(const char* text, std::int16_t pane) override;
    std::string LoadResourceString(std::uint32_t stringId) override;

    void SetDataDirectory(const std::string& directory) { dataDirectory = directory; }
    HCURSOR CurrentCursor() const { return cursor; }
    std::string StatusText(std::int16_t pane) const;
    // Window-system timer ticks dropped because the previous one was still running.
    int DroppedTicks() const { return droppedTicks; }

private:
    static void TimerProcedure(HWND hwnd, UINT message, UINT_PTR timer, DWORD time);

    HCURSOR cursor = nullptr;
    std::map<std::int16_t, std::string> statusTexts;
    int droppedTicks = 0;
};
