#pragma once
// Dialog: the framework's dialog box. A window made from a template resource (of the window
// class "QuorrenDialog") whose client area is a picture of our own: an art background (a tiled
// library image, or palette index 255) composed once into a bitmap, the template's static texts
// as TextTiles, and every push button, check box, radio button and static window replaced by an
// art-drawn control (ui/dialog_controls.h) made by the factories, which derived dialogs
// override. Everything is composed in the window's back buffer and copied to the screen.
//
// Modes of Execute: 0 modal (the window system's own loop), 1 modeless (the application's loop
// offers it messages), 2 application-modal (a nested pump of our own until Close).
//
// Invariants: running is 1 from Execute to Close and the control map and text tiles are filled
// only in between; the map owns its controls, the tile list its tiles; the background is null
// or the client size it was made for; a dialog on the pending-deletion list is not running.
#include "ui/windows/windows_window.h"

#include "core/list.h"
#include "platform/dialog.h"
#include "ui/qif.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class Bitmap;
class DialogControl;
class DialogRadio;
class TextTile;

class Dialog : public WindowsWindow {
public:
    enum : std::int32_t { kModal = 0, kModeless = 1, kApplicationModal = 2 };
    static constexpr const char* kClassName = "QuorrenDialog";
    // The Dialog pointer sits behind the system's dialog bytes.
    static constexpr int kPointerOffset = DLGWINDOWEXTRA;

    // An empty section means a flat background; an empty image name means "Background".
    Dialog(const char* library, const char* backgroundSection, const char* backgroundImage);
    ~Dialog() override;

    LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam) override;
    // Dialogs hook nothing up on the bus of their own; derived dialogs call this as their base.
    void HookUp() override {}
    void RegisterHandlers() { HookUp(); }
    // WM_COMMAND: item 1 calls OnOK and closes with 1, item 2 closes with 0.
    virtual void Command(std::int16_t itemId, std::int16_t notification);
    virtual void OnInit();
    virtual void OnOK();
    // Draws the whole background onto the window's bitmap (not to the screen).
    virtual void Refresh();
    virtual void EnableItem(std::int16_t itemId, std::int16_t enable);
    virtual std::string GetComboText(std::int16_t itemId, std::int16_t index);
    virtual void SetItemValue(std::int16_t itemId, std::int16_t value);
    virtual std::int16_t GetItemValue(std::int16_t itemId);
    virtual std::string GetListText(std::int16_t itemId, std::int16_t index);
    virtual std::int32_t GetListSelection(std::int16_t itemId);
    virtual std::string GetItemText(std::int16_t itemId);
    virtual DialogControl* CreateStatic(std::int16_t itemId, HWND child, const char* text);
    virtual DialogControl* CreateDefaultButton(std::int16_t itemId, HWND child, const char* text);
    virtual DialogControl* CreateButton(std::int16_t itemId, HWND child, const char* text);
    virtual DialogControl* CreateRadio(std::int16_t itemId, HWND child, const char* text);
    virtual DialogControl* CreateCheckBox(std::int16_t itemId, HWND child, const char* text);
    virtual void Close(std::int16_t result);

    // Runs the dialog made from the named template; -1 (with a message box) when the template
    // is missing or damaged. Modeless dialogs return at once with the current result.
    std::int16_t Execute(const char* templateName, std::int32_t mode, std::int16_t autoDelete = 0,
                         HWND parent = nullptr, std::int16_t keepParentEnabled = 0);
    std::int16_t IsRunning() const { return running_; }
    // Centres the dialog on the main window, or on the screen when there is none or it is an icon.
    void Center();
    void SetItemText(std::int16_t itemId, const char* text);

    // What tests and derived dialogs look at.
    DialogControl* GetControl(HWND child) const;
    DialogControl* GetItemControl(std::int16_t itemId) const;
    bool HasControlEntry(HWND child) const { return controls_.count(child) != 0; }
    const List<TextTile*>& GetTextTiles() const { return textTiles_; }
    Bitmap* GetBackground() const { return background_; }
    std::int16_t GetResult() const { return result_; }
    std::int32_t GetMode() const { return mode_; }
    HWND GetParentWindow() const { return parent_; }

    // Rescales a template copy to 1.75 x 1.625 pixels a unit and turns its static texts into
    // text tiles; false (the copy untouched, no tiles) when the template does not hold together.
    bool AdjustTemplate(std::vector<std::uint8_t>& copy);

    static INT_PTR DialogProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static LRESULT ClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    static std::size_t PendingDeletions();

protected:
    HWND parent_ = nullptr;
    std::int16_t autoDelete_ = 0;
    std::int16_t result_ = 0;
    std::int32_t mode_ = kModal;
    std::int16_t running_ = 0;

private:
    void InitDialog(HWND hwnd);
    void MakeBackground(const Dim& client);
    void DrawBackgroundUnder(const Box& box);
    Box ChildBox(HWND child) const;
    LRESULT DrawItem(const DRAWITEMSTRUCT* item);
    LRESULT DrawStatic(HDC dc, HWND child);
    void BlitTo(HDC dc, const Box& box);
    void DeleteTextTiles();
    void DeleteControls();
    static BOOL SubclassControl(HWND child, LPARAM dialog);
    static void CloseRadioGroup();
    static void DeletionTimer(HWND, UINT, UINT_PTR, DWORD);

    std::map<HWND, DialogControl*> controls_;
    List<TextTile*> textTiles_;
    QIF<Bitmap> art_;
    Bitmap* background_ = nullptr;
    std::string backgroundSection_;
    std::string backgroundImage_;
};
