#pragma once
// WindowsWindow: the portable Window on a native window of the class "GenericWindow" (or one a
// derived class names). Its display pixels are the memory of a WinG bitmap, the back buffer:
// everything drawn into the display tree is drawn straight into it, and the window copies only
// the dirty rectangles to the screen. Its window procedure turns window messages into display
// operations: mouse kinds 0-3 into the tree, WM_COMMAND into bus events, sizes into new back
// buffers, palette changes and background erasing into full repaints, the right button into
// the context menu of the display under it.
//
// Invariants: once constructed the back buffer exists, at least 1 x 1, and the display's pixels
// are its memory; the native window's word 0 holds this object from WM_CREATE until the
// destructor clears it; every blit empties the dirty list.
#include "platform/gdi.h"
#include "platform/wing.h"
#include "ui/window.h"

class WindowsMenu;

class WindowsWindow : public virtual Window {
public:
    static constexpr DWORD kDefaultStyle = 0x56CF0000;

    WindowsWindow(const Point& position, const Dim& size, const char* title, const char* menuName,
                  const char* iconName, const char* name = nullptr);
    ~WindowsWindow() override;

    // --- the Windows table ---
    // Copies the dirty rectangles of the back buffer onto the window, emptying the list.
    virtual void Blit(HWND target);
    // Makes the native window: 1 when it exists afterwards.
    virtual std::int16_t Create(const Dim& clientSize, const char* className, DWORD style, HWND parent);
    virtual LRESULT WindowProc(UINT message, WPARAM wParam, LPARAM lParam);
    virtual void HookUp();
    void PostEvent(int event, std::int16_t value) override;
    virtual void CreateBackBuffer(const Dim& size);
    void Minimize() override;
    void Maximize() override;
    virtual void CaptureMouse(Display* display);
    virtual void ReleaseMouse();
    using Display::CaptureMouse;
    virtual Point GetCursorPosition();
    virtual Menu* CreateMenu(const char* resource);
    void MoveTo(const Point& p) override;
    void SetIcon(const char* resource) override;
    void SetCursor(const char* resource) override;
    void SetTitle(const char* text) override;
    virtual void Update();

    // --- the display and window operations, through the table above ---
    void Resize(const Dim& size) override { CreateBackBuffer(size); }
    void Connect() override { HookUp(); }
    void SetCaptor(Display* captor) override { CaptureMouse(captor); }
    void ClearCaptor() override { ReleaseMouse(); }
    Point GetMousePosition() override { return GetCursorPosition(); }
    void Show() override { Update(); }
    Menu* MakeMenu(const char* source) override { return CreateMenu(source); }

    // Deletes the display's menu and takes the named resource menu in its place.
    void ReplaceMenu(const char* resource);
    // Shows the context menu of the display under a client point.
    void ShowPopupMenu(const Point& p);
    // The same, with the point converted to the screen through another window.
    void ShowPopupMenuAt(const Point& p, HWND conversion);
    Dim GetClientSize() const { return GetSize(); }
    DWORD GetStyle() const { return style_; }
    void SetStyle(DWORD style) { style_ = style; }
    HDC GetBackBufferDC() const { return backDC_; }
    std::int16_t GetFrameWidth() const { return frameWidth_; }
    std::int16_t GetFrameHeight() const { return frameHeight_; }

    static LRESULT StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    // Registers "GenericWindow" once per run.
    static void RegisterWindowClass();
    // The object kept in a native window's word 0.
    static WindowsWindow* FromHandle(HWND hwnd);
    // Ties the native window and the object together (the static procedures at WM_CREATE).
    void BindHandle(HWND hwnd);

protected:
    // The window procedure's default: DefMDIChildProcA for the whole family.
    LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam);
    // The frame's and the children's procedures pass these on.
    LRESULT OnWindowPosChanging(WINDOWPOS* pos);
    void OnSetCursorIdle(HCURSOR cursor);
    void RepaintAll();
    void UnbindHandle();
    static HICON LoadIconResource(const char* name);

    std::int16_t frameWidth_ = 0;
    std::int16_t frameHeight_ = 0;
    HDC backDC_ = nullptr;
    HBITMAP backBitmap_ = nullptr;
    HGDIOBJ previousBitmap_ = nullptr;
    DWORD style_ = kDefaultStyle;
    std::int16_t forceBackground_ = 0;

private:
    void MakeBitmap(const Dim& size);
};

// An image of a library in a WinG bitmap of its own, so that windows can blit it straight to
// the screen. Records that are not plain rows (the compressed types) or whose sizes disagree
// are refused: the bitmap is then empty (0 x 0) and IsValid is false.
class WindowsBitmap {
public:
    WindowsBitmap();
    // Reads one image record at the file's position and leaves the file at the next record.
    WindowsBitmap(const char* fileName, HFILE file);
    // An empty image standing for an entry of a compact library header (it consumes nothing).
    WindowsBitmap(const char* fileName, const unsigned char*& cursor, const unsigned char* end);
    WindowsBitmap(const WindowsBitmap&) = delete;
    WindowsBitmap& operator=(const WindowsBitmap&) = delete;
    virtual ~WindowsBitmap();

    Dim GetSize() const { return size_; }
    const char* GetName() const { return name_; }
    HBITMAP GetHandle() const { return bitmap_; }
    const BYTE* GetPixels() const { return pixels_; }
    bool IsValid() const { return valid_; }
    // The pixels stay loaded: locking costs nothing.
    bool Lock() { return true; }
    void Unlock() {}
    void UnlockAll() {}

    // The device context all images share, and how many images hold it.
    static HDC GetSharedDC();
    static int SharedCount();

private:
    void Share();
    bool Read(HFILE file);

    char name_[128] = {};
    Dim size_;
    BYTE* pixels_ = nullptr;
    HBITMAP bitmap_ = nullptr;
    bool valid_ = true;
};
