#include "ui/windows/windows_window.h"

#include "core/application.h"
#include "core/assertion.h"
#include "platform/cursor.h"
#include "platform/file.h"
#include "platform/mdi.h"
#include "ui/logical_palette.h"
#include "ui/menu.h"
#include "ui/windows/win_app.h"
#include "ui/windows/windows_menu.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace {

HICON g_firstIcon = nullptr;
bool g_firstIconTaken = false;

// The recommended header with the application palette's colours.
BITMAPINFO Header(int width, int height, std::uint32_t imageSize) {
    BITMAPINFO info;
    std::memset(&info, 0, sizeof info);
    WinGRecommendDIBFormat(&info);
    const LONG sign = info.bmiHeader.biHeight > 0 ? 1 : -1;
    info.bmiHeader.biWidth = width;
    info.bmiHeader.biHeight = height * sign;
    info.bmiHeader.biSizeImage = imageSize;
    if (const Application* app = GetApplication())
        if (const LogicalPalette* palette = app->GetPalette())
            if (const std::uint8_t* entries = palette->GetData())
                for (int i = 0; i < 256; ++i)
                    info.bmiColors[i] = RGBQUAD{entries[4 * i], entries[4 * i + 1], entries[4 * i + 2], 0};
    return info;
}

} // namespace

// --- WindowsWindow ---

WindowsWindow::WindowsWindow(const Point& position, const Dim& size, const char* title, const char* menuName,
                             const char* iconName, const char* name)
    : Window(position, size, title, name ? name : "Unnamed Windows Window") {
    SetMenu(CreateMenu(menuName));
    icon_ = LoadIconResource(iconName);
    cursor_ = LoadCursorA(nullptr, IDC_ARROW);
    if (!g_firstIconTaken) {
        g_firstIcon = icon_;
        g_firstIconTaken = true;
    }
    backDC_ = WinGCreateDC();
    // The display's own buffer goes; the back buffer's memory takes its place.
    MakeBitmap(GetSize());
    RegisterWindowClass();
}

WindowsWindow::~WindowsWindow() {
    if (backDC_) SelectObject(backDC_, previousBitmap_);
    if (backBitmap_) DeleteObject(backBitmap_);
    ForgetPixels();
    if (backDC_) DeleteDC(backDC_);
    DestroyIcon(icon_);
    UnbindHandle();
}

HICON WindowsWindow::LoadIconResource(const char* name) {
    return name ? LoadIconA(InstanceHandle, name) : LoadIconA(nullptr, IDI_APPLICATION);
}

void WindowsWindow::RegisterWindowClass() {
    WNDCLASSA probe;
    if (GetClassInfoA(InstanceHandle, "GenericWindow", &probe)) return;
    WNDCLASSA wc{};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = &WindowsWindow::StaticWindowProc;
    wc.cbWndExtra = static_cast<int>(sizeof(void*));
    wc.hInstance = InstanceHandle;
    wc.hIcon = g_firstIcon;
    wc.lpszClassName = "GenericWindow";
    Assert(RegisterClassA(&wc), "Unable to register the GenericWindow class.", "WINWIND", 428);
}

void WindowsWindow::MakeBitmap(const Dim& size) {
    const int w = size.width > 0 && size.height > 0 ? size.width : 1;
    const int h = size.width > 0 && size.height > 0 ? size.height : 1;
    const std::uint16_t padding = static_cast<std::uint16_t>(RowPadding(static_cast<std::int16_t>(w)));
    const BITMAPINFO info = Header(w, h, static_cast<std::uint32_t>(h) * (w + padding));
    void* bits = nullptr;
    backBitmap_ = WinGCreateBitmap(backDC_, &info, &bits);
    const Dim shown = size.width > 0 && size.height > 0 ? size : Dim();
    if (!backBitmap_ || !bits) {
        ForgetPixels();
        size_ = shown;
        return;
    }
    AdoptForeignPixels(static_cast<std::uint8_t*>(bits), shown, static_cast<std::uint16_t>(RowPadding(shown.width)));
    previousBitmap_ = SelectObject(backDC_, backBitmap_);
}

void WindowsWindow::CreateBackBuffer(const Dim& size) {
    if (backDC_) SelectObject(backDC_, previousBitmap_);
    if (backBitmap_) DeleteObject(backBitmap_);
    backBitmap_ = nullptr;
    Validate();
    MakeBitmap(Dim(std::max<int>(0, size.width), std::max<int>(0, size.height)));
    Clear();
    GetLayout().SetSize(GetSize());
}

std::int16_t WindowsWindow::Create(const Dim& clientSize, const char* className, DWORD style, HWND parent) {
    RECT r{position_.x, position_.y, position_.x + clientSize.width, position_.y + clientSize.height};
    auto* menu = dynamic_cast<WindowsMenu*>(GetMenu());
    AdjustWindowRect(&r, style, menu != nullptr && !(style & WS_CHILD));
    CreateWindowExA(0, className, GetTitle(), style, r.left, r.top, r.right - r.left, r.bottom - r.top, parent,
                    menu ? menu->GetHandle() : nullptr, InstanceHandle, static_cast<void*>(this));
    return handle_ && IsWindow(handle_) ? 1 : 0;
}

WindowsWindow* WindowsWindow::FromHandle(HWND hwnd) {
    return reinterpret_cast<WindowsWindow*>(GetWindowLongPtrA(hwnd, 0));
}

void WindowsWindow::BindHandle(HWND hwnd) {
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(this));
    handle_ = hwnd;
}

void WindowsWindow::UnbindHandle() {
    if (handle_ && IsWindow(handle_) && FromHandle(handle_) == this) SetWindowLongPtrA(handle_, 0, 0);
}

LRESULT WindowsWindow::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (WindowsWindow* self = FromHandle(hwnd)) return self->WindowProc(message, wParam, lParam);
    if (message == WM_CREATE && lParam) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        auto* self = static_cast<WindowsWindow*>(cs->lpCreateParams);
        if (self) {
            self->BindHandle(hwnd);
            return self->WindowProc(message, wParam, lParam);
        }
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

LRESULT WindowsWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefMDIChildProcA(handle_, message, wParam, lParam);
}

void WindowsWindow::RepaintAll() {
    Invalidate(Box(0, 0, GetWidth(), GetHeight()));
    Update();
}

void WindowsWindow::OnSetCursorIdle(HCURSOR cursor) { ::SetCursor(cursor); }

LRESULT WindowsWindow::OnWindowPosChanging(WINDOWPOS* pos) {
    if (!pos) return 0;
    if (!(pos->flags & SWP_NOSIZE)) {
        if (pos->flags == 0x174 || pos->flags == 0x170) {
            // Shrinking to an icon: the back buffer keeps its size.
            pos->cx = pos->cy = 32;
        } else {
            const Dim client(std::max(0, pos->cx - frameWidth_), std::max(0, pos->cy - frameHeight_));
            if (!(client == GetSize())) CreateBackBuffer(client);
        }
    }
    if (!(pos->flags & SWP_NOMOVE)) position_ = Point(pos->x, pos->y);
    return 0;
}

LRESULT WindowsWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const Point p(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (message) {
    case WM_CREATE: {
        RECT client;
        GetClientRect(handle_, &client);
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        frameWidth_ = static_cast<std::int16_t>(cs->cx - client.right);
        frameHeight_ = static_cast<std::int16_t>(cs->cy - client.bottom);
        CreateBackBuffer(Dim(client.right, client.bottom));
        return DefaultProc(message, wParam, lParam);
    }
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(handle_, &ps);
        if (IsIconic(handle_)) DrawIcon(ps.hdc, 0, 0, icon_);
        EndPaint(handle_, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        if (!IsIconic(handle_)) RepaintAll();
        return 1;
    case WM_SETCURSOR: {
        const Application* app = GetApplication();
        if (app && !app->IsIdle()) return 1;  // the wait cursor stays
        if (LOWORD(static_cast<std::uintptr_t>(lParam)) == HTCLIENT) {
            OnSetCursorIdle(cursor_);
            return 1;
        }
        return DefaultProc(message, wParam, lParam);
    }
    case WM_WINDOWPOSCHANGING: return OnWindowPosChanging(reinterpret_cast<WINDOWPOS*>(lParam));
    case WM_SYSKEYDOWN:
        delete PostNamedEventAndWait("System Key Pressed");
        return DefaultProc(message, wParam, lParam);
    case WM_COMMAND: PostEvent(LOWORD(wParam), static_cast<std::int16_t>(HIWORD(wParam))); return 1;
    case WM_MOUSEMOVE: DispatchMouseEvent(kMouseMove, p); return 0;
    case WM_LBUTTONDOWN: DispatchMouseEvent(kLeftDown, p); return 0;
    case WM_LBUTTONUP: DispatchMouseEvent(kLeftUp, p); return 0;
    case WM_LBUTTONDBLCLK: DispatchMouseEvent(kLeftDoubleClick, p); return 0;
    case WM_RBUTTONDOWN: ShowPopupMenu(p); return 0;
    case WM_QUERYNEWPALETTE: RepaintAll(); return 0;
    case WM_PALETTEISCHANGING:
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(wParam) != handle_) RepaintAll();
        return 0;
    default: return DefaultProc(message, wParam, lParam);
    }
}

void WindowsWindow::HookUp() { RegisterMenuHandlers(); }

void WindowsWindow::PostEvent(int event, std::int16_t value) {
    Container<short> payload(value);
    Post(BusMessage(event), &payload);
}

void WindowsWindow::Blit(HWND target) {
    if (!IsWindow(target)) return;
    HDC dc = GetDC(target);
    if (const Application* app = GetApplication())
        if (const LogicalPalette* palette = app->GetPalette()) {
            SelectPalette(dc, palette->GetHandle(), forceBackground_);
            RealizePalette(dc);
        }
    Box b;
    while (TakeDirtyRect(b)) WinGBitBlt(dc, b.x, b.y, b.width, b.height, backDC_, b.x, b.y);
    ReleaseDC(target, dc);
}

void WindowsWindow::Update() { Blit(handle_); }

void WindowsWindow::Minimize() { ShowWindow(handle_, SW_SHOWMINIMIZED); }
void WindowsWindow::Maximize() { ShowWindow(handle_, SW_SHOWMAXIMIZED); }

void WindowsWindow::CaptureMouse(Display* display) {
    SetCapture(handle_);
    Display::SetCaptor(display);
}

void WindowsWindow::ReleaseMouse() {
    ReleaseCapture();
    Display::ClearCaptor();
}

Point WindowsWindow::GetCursorPosition() {
    POINT pt;
    GetCursorPos(&pt);
    ScreenToClient(handle_, &pt);
    return Point(pt.x, pt.y);
}

Menu* WindowsWindow::CreateMenu(const char* resource) { return resource ? new WindowsMenu(resource, 0) : nullptr; }

void WindowsWindow::ReplaceMenu(const char* resource) { SetMenu(CreateMenu(resource)); }

void WindowsWindow::MoveTo(const Point& p) { MoveWindow(handle_, p.x, p.y, GetWidth(), GetHeight(), FALSE); }

void WindowsWindow::SetIcon(const char* resource) {
    DestroyIcon(icon_);
    icon_ = LoadIconA(InstanceHandle, resource);
}

void WindowsWindow::SetCursor(const char* resource) {
    DestroyCursor(cursor_);
    cursor_ = resource ? LoadCursorA(InstanceHandle, resource) : LoadCursorA(nullptr, IDC_ARROW);
}

void WindowsWindow::SetTitle(const char* text) {
    StoreTitle(text);
    SetWindowTextA(handle_, text);
}

void WindowsWindow::ShowPopupMenu(const Point& p) { ShowPopupMenuAt(p, handle_); }

void WindowsWindow::ShowPopupMenuAt(const Point& p, HWND conversion) {
    Display* found = FindContextMenuDisplay(p);
    Menu* menu = found ? found->GetContextMenu() : nullptr;
    if (!menu) return;
    POINT screen{p.x, p.y};
    ClientToScreen(conversion, &screen);
    menu->TrackPopup(screen);
}

// --- WindowsBitmap ---

namespace {
HDC g_sharedDC = nullptr;
int g_sharedCount = 0;
int g_sharedOrientation = -1;

std::int16_t I16(const unsigned char* p) { return static_cast<std::int16_t>(p[0] | (p[1] << 8)); }
std::uint32_t U32(const unsigned char* p) {
    return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
           (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}
} // namespace

HDC WindowsBitmap::GetSharedDC() { return g_sharedDC; }
int WindowsBitmap::SharedCount() { return g_sharedCount; }

void WindowsBitmap::Share() {
    if (g_sharedCount++ == 0) {
        g_sharedDC = WinGCreateDC();
        g_sharedOrientation = WinApp::GetDIBOrientation();
    }
}

WindowsBitmap::WindowsBitmap() { Share(); }

WindowsBitmap::WindowsBitmap(const char*, HFILE file) {
    Share();
    valid_ = Read(file);
    if (!valid_) {
        if (bitmap_) DeleteObject(bitmap_);
        bitmap_ = nullptr;
        pixels_ = nullptr;
        size_ = Dim();
    }
}

WindowsBitmap::WindowsBitmap(const char*, const unsigned char*&, const unsigned char*) { Share(); }

WindowsBitmap::~WindowsBitmap() {
    if (bitmap_) DeleteObject(bitmap_);
    if (--g_sharedCount == 0) {
        DeleteDC(g_sharedDC);
        g_sharedDC = nullptr;
    }
}

bool WindowsBitmap::Read(HFILE file) {
    unsigned char r[150];
    const LONG start = _llseek(file, 0, FILE_CURRENT);
    const long long fileSize = platform::FileSize(file);
    if (start < 0 || _lread(file, r, sizeof r) != sizeof r) return false;
    std::size_t n = 0;
    while (n < 127 && r[n]) ++n;
    std::memcpy(name_, r, n);
    name_[n] = 0;
    const std::int16_t w = I16(r + 128), h = I16(r + 130), type = I16(r + 136);
    const std::uint32_t dataSize = U32(r + 138), next = U32(r + 146);
    // Only plain rows can live in a WinG bitmap; sizes must agree with the type.
    if (w <= 0 || h <= 0 || (type != 1 && type != 2 && type != 3 && type != 5)) return false;
    const int stride = w + (4 - w % 4) % 4;
    if (dataSize != static_cast<std::uint32_t>(h) * static_cast<std::uint32_t>(stride)) return false;
    if (static_cast<long long>(start) + 150 + dataSize > fileSize) return false;
    if (next != 0 && (next == static_cast<std::uint32_t>(start) || static_cast<long long>(next) + 150 > fileSize))
        return false;
    std::vector<BYTE> data(dataSize);
    if (_hread(file, data.data(), static_cast<long>(dataSize)) != static_cast<long>(dataSize)) return false;
    BITMAPINFO info = Header(w, h, dataSize);
    void* bits = nullptr;
    bitmap_ = WinGCreateBitmap(g_sharedDC, &info, &bits);
    if (!bitmap_ || !bits) return false;
    pixels_ = static_cast<BYTE*>(bits);
    size_ = Dim(w, h);
    if (g_sharedOrientation < 1) {
        std::memcpy(pixels_, data.data(), dataSize);
    } else {
        // Stored rows are top-down: the last stored row is the bitmap's first.
        for (int y = 0; y < h; ++y)
            std::memcpy(pixels_ + static_cast<std::size_t>(y) * stride,
                        data.data() + static_cast<std::size_t>(h - 1 - y) * stride, static_cast<std::size_t>(stride));
    }
    if (next != 0) _llseek(file, static_cast<LONG>(next), FILE_BEGIN);
    return true;
}
