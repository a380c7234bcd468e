#include "ui/windows/mdi_windows.h"

#include "core/application.h"
#include "core/assertion.h"
#include "core/events.h"
#include "platform/cursor.h"
#include "platform/mdi.h"
#include "ui/windows/win_app.h"
#include "ui/windows/windows_menu.h"

#include <algorithm>

namespace {

WNDPROC g_mdiClientProc = nullptr;
int g_clientObjectOffset = 0;
bool g_classesRegistered = false;

constexpr UINT kChildDestroyed = WM_USER;
constexpr UINT kShowFrame = WM_USER + 1;
constexpr UINT kCreateChild = WM_USER + 2;

WindowsMainWindow* FrameOf(HWND hwnd) { return dynamic_cast<WindowsMainWindow*>(WindowsWindow::FromHandle(hwnd)); }

WindowsMainWindow* ClientObject(HWND client) {
    return reinterpret_cast<WindowsMainWindow*>(GetWindowLongPtrA(client, g_clientObjectOffset));
}

} // namespace

// --- classes ---

void WindowsMainWindow::RegisterClasses(HICON frameIcon, HICON childIcon) {
    if (g_classesRegistered) return;
    g_classesRegistered = true;
    WNDCLASSA probe;
    if (!GetClassInfoA(InstanceHandle, "GenericMDI", &probe)) {
        WNDCLASSA wc{};
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = &WindowsMainWindow::StaticFrameProc;
        wc.cbWndExtra = static_cast<int>(sizeof(void*));
        wc.hInstance = InstanceHandle;
        wc.hIcon = frameIcon;
        wc.lpszClassName = "GenericMDI";
        Assert(RegisterClassA(&wc), "Unable to register GenericMDI class.", "WNMAINWN", 103);
    }
    if (!GetClassInfoA(InstanceHandle, "ChildWindow", &probe)) {
        WNDCLASSA wc{};
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS | CS_OWNDC;
        wc.lpfnWndProc = &WindowsChildWindow::StaticWindowProc;
        wc.cbWndExtra = static_cast<int>(sizeof(void*));
        wc.hInstance = InstanceHandle;
        wc.hIcon = childIcon;
        wc.lpszClassName = "ChildWindow";
        Assert(RegisterClassA(&wc), "Unable to register MDI ChildWindow class.", "WNMAINWN", 121);
    }
    if (!GetClassInfoA(InstanceHandle, "SUPERMDI", &probe)) {
        WNDCLASSA mdi{};
        if (!GetClassInfoA(nullptr, "MDICLIENT", &mdi)) {
            AssertFail("Unable to access MDICLIENT's WNDCLASS.", "WNMAINWN", 147);
            return;
        }
        g_mdiClientProc = mdi.lpfnWndProc;
        g_clientObjectOffset = mdi.cbWndExtra;
        WNDCLASSA wc = mdi;
        wc.lpfnWndProc = &WindowsMainWindow::StaticClientProc;
        wc.hInstance = InstanceHandle;
        wc.lpszClassName = "SUPERMDI";
        wc.hbrBackground = nullptr;
        wc.cbWndExtra = mdi.cbWndExtra + static_cast<int>(sizeof(void*));
        wc.style |= CS_DBLCLKS;
        Assert(RegisterClassA(&wc), "Unable to register SUPERMDI Window class.", "WNMAINWN", 159);
    } else if (!g_mdiClientProc) {
        WNDCLASSA mdi{};
        if (GetClassInfoA(nullptr, "MDICLIENT", &mdi)) {
            g_mdiClientProc = mdi.lpfnWndProc;
            g_clientObjectOffset = mdi.cbWndExtra;
        }
    }
}

// --- frame ---

WindowsMainWindow::WindowsMainWindow(const Point& position, const Dim& clientSize, const char* title,
                                     const char* menuName, const char* iconName, const char* childIconName,
                                     const char* name, int showCommand)
    : Window(position, Dim(), title, name ? name : "Unnamed Windows Main Window"),
      MainWindow(Box(position, Dim()), 0, title, name),
      WindowsWindow(position, Dim(), title, menuName, iconName, name) {
    childIcon_ = LoadIconResource(childIconName);
    // A new frame of a run whose classes went with the window system (tests) registers again.
    WNDCLASSA probe;
    if (!GetClassInfoA(InstanceHandle, "GenericMDI", &probe)) g_classesRegistered = false;
    RegisterClasses(icon_, childIcon_);
    Create(clientSize, "GenericMDI", kFrameStyle, nullptr, showCommand);
}

WindowsMainWindow::~WindowsMainWindow() {
    if (client_ && IsWindow(client_) && ClientObject(client_) == this) SetWindowLongPtrA(client_, g_clientObjectOffset, 0);
    if (MainWindowHandle == handle_) MainWindowHandle = nullptr;
    DestroyIcon(childIcon_);
}

std::int16_t WindowsMainWindow::Create(const Dim& clientSize, const char* className, DWORD style, HWND parent,
                                       int show) {
    if (!WindowsWindow::Create(clientSize, className, style, parent)) return 0;
    MainWindowHandle = handle_;
    PostMessage(handle_, kShowFrame, static_cast<WPARAM>(show), 0);
    return 1;
}

LRESULT WindowsMainWindow::StaticFrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (WindowsMainWindow* self = FrameOf(hwnd)) return self->FrameProc(message, wParam, lParam);
    if (message != WM_CREATE || !lParam) return DefWindowProcA(hwnd, message, wParam, lParam);
    const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    auto* self = dynamic_cast<WindowsMainWindow*>(static_cast<WindowsWindow*>(cs->lpCreateParams));
    if (!self) return DefWindowProcA(hwnd, message, wParam, lParam);
    self->BindHandle(hwnd);
    CreateWindowExA(0, "SUPERMDI", nullptr, kClientStyle, 0, 0, 0, 0, hwnd, nullptr, InstanceHandle, self);
    Assert(self->client_ != nullptr, "Unable to create SuperMDI client window!!", "WNMAINWN", 766);
    return self->FrameProc(message, wParam, lParam);
}

LRESULT WindowsMainWindow::StaticClientProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (WindowsMainWindow* self = ClientObject(hwnd)) return self->ClientProc(message, wParam, lParam);
    if (message == WM_CREATE && lParam) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        if (auto* self = static_cast<WindowsMainWindow*>(cs->lpCreateParams)) {
            SetWindowLongPtrA(hwnd, g_clientObjectOffset, reinterpret_cast<LONG_PTR>(self));
            self->client_ = hwnd;
            // MDICLIENT expects its own creation record.
            CLIENTCREATESTRUCT ccs{nullptr, kFirstChildId};
            CREATESTRUCTA own = *cs;
            own.lpCreateParams = &ccs;
            return self->ClientProc(message, wParam, reinterpret_cast<LPARAM>(&own));
        }
    }
    return CallWindowProcA(g_mdiClientProc, hwnd, message, wParam, lParam);
}

void WindowsMainWindow::SendToChildren(HWND parent, UINT message, WPARAM wParam, LPARAM lParam) {
    for (HWND c = GetTopWindow(parent); c;) {
        const HWND next = GetWindow(c, GW_HWNDNEXT);
        SendMessageA(c, message, wParam, lParam);
        c = IsWindow(next) ? next : nullptr;
    }
}

LRESULT WindowsMainWindow::FrameProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY: PostQuitMessage(0); return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(handle_, &ps);
        if (IsIconic(handle_)) DrawIcon(ps.hdc, 0, 0, icon_);
        EndPaint(handle_, &ps);
        return 0;
    }
    case WM_CLOSE: CloseFrame(); return 0;
    case WM_WINDOWPOSCHANGING: {
        auto* pos = reinterpret_cast<WINDOWPOS*>(lParam);
        if (pos && (pos->flags == 0x174 || pos->flags == 0x170)) pos->cx = pos->cy = 32;
        return 0;
    }
    case WM_NCMOUSEMOVE: DispatchMouseEvent(kMouseMove, Point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))); return 0;
    case WM_SYSKEYDOWN:
        delete PostNamedEventAndWait("System Key Pressed");
        break;
    case WM_COMMAND: Command(LOWORD(wParam), HIWORD(wParam)); break;
    case WM_QUERYNEWPALETTE:
    case WM_PALETTEISCHANGING:
    case WM_PALETTECHANGED: SendToChildren(handle_, message, wParam, lParam); return 0;
    case MM_MCINOTIFY: {
        Container<short> code(static_cast<short>(wParam));
        delete SendNamed("MCINotify", &code);
        break;
    }
    case kChildDestroyed: {
        Container<ChildWindow*> child(reinterpret_cast<ChildWindow*>(lParam));
        Post(VIEWPORT_DESTROYED, &child);
        return 0;
    }
    case kShowFrame:
        ShowWindow(handle_, static_cast<int>(wParam));
        UpdateWindow(handle_);
        Cascade();
        return 0;
    case kCreateChild: CreateMdiChild(reinterpret_cast<ChildWindow*>(lParam)); return 0;
    default: break;
    }
    return DefFrameProcA(handle_, client_, message, wParam, lParam);
}

void WindowsMainWindow::CloseFrame() {
    if (Application* app = GetApplication(); app && !app->CanTerminate()) return;
    SendMessageA(handle_, WM_COMMAND, 108, 0);
    if (client_ && GetTopWindow(client_)) return;
    PostMessage(handle_, WM_DESTROY, 0, 0);
    PostMessage(handle_, WM_NCDESTROY, 0, 0);
}

void WindowsMainWindow::CreateMdiChild(ChildWindow* child) {
    auto* w = dynamic_cast<WindowsChildWindow*>(child);
    if (!w || !client_) return;
    const Point at = w->GetPosition();
    MDICREATESTRUCTA mcs{};
    mcs.szClass = "ChildWindow";
    mcs.szTitle = w->GetTitle();
    mcs.hOwner = InstanceHandle;
    mcs.x = at.x == -1 ? CW_USEDEFAULT : at.x;
    mcs.y = at.y == -1 ? CW_USEDEFAULT : at.y;
    mcs.cx = w->GetClientSize().width;
    mcs.cy = w->GetClientSize().height;
    mcs.style = w->GetStyle();
    mcs.lParam = reinterpret_cast<LPARAM>(static_cast<WindowsWindow*>(w));
    SendMessageA(client_, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs));
}

void WindowsMainWindow::Command(int command, int notification) {
    switch (command) {
    case 101: PostMessage(handle_, WM_CLOSE, 0, 0); return;
    case 103: SendMessageA(client_, WM_MDITILE, MDITILE_VERTICAL, 0); return;
    case 104: Cascade(); return;
    case 105: ArrangeIcons(); return;
    case 106: TileHorizontally(); return;
    case 107: TileVertically(); return;
    case 108: CloseAllChildren(); return;
    default: break;
    }
    // MDI child ids and system commands are the frame procedure's default handling.
    if ((command >= 3000 && command <= 3999) || command >= 0xF000) return;
    const HWND active = GetActiveChild();
    if (IsWindow(active))
        SendMessageA(active, WM_COMMAND, static_cast<WPARAM>(command), 0);
    else
        PostEvent(command, static_cast<std::int16_t>(notification));
    if (Toolbar* toolbar = GetToolbar()) toolbar->NotifyCommand(command);
}

void WindowsMainWindow::CloseAllChildren() {
    for (;;) {
        HWND c = client_ ? GetTopWindow(client_) : nullptr;
        while (c && GetWindow(c, GW_OWNER)) c = GetWindow(c, GW_HWNDNEXT);
        if (!c) return;
        SendMessageA(client_, WM_MDIRESTORE, reinterpret_cast<WPARAM>(c), 0);
        if (!SendMessageA(c, WM_QUERYENDSESSION, 0, 0)) return;
        SendMessageA(client_, WM_MDIDESTROY, reinterpret_cast<WPARAM>(c), 0);
        // A child the client could not close would be found again for ever.
        if (IsWindow(c)) return;
    }
}

LRESULT WindowsMainWindow::ClientProc(UINT message, WPARAM wParam, LPARAM lParam) {
    const Point p(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
    switch (message) {
    case WM_ERASEBKGND: RepaintAll(); return 1;
    case WM_SETCURSOR: {
        const Application* app = GetApplication();
        if (app && !app->IsIdle()) return 1;
        if (LOWORD(static_cast<std::uintptr_t>(lParam)) == HTCLIENT) {
            OnSetCursorIdle(cursor_);
            return 1;
        }
        break;
    }
    case WM_WINDOWPOSCHANGING: return LayOutClient(reinterpret_cast<WINDOWPOS*>(lParam));
    case WM_SYSKEYDOWN: delete PostNamedEventAndWait("System Key Pressed"); break;
    case WM_MOUSEMOVE: DispatchMouseEvent(kMouseMove, p); return 0;
    case WM_LBUTTONDOWN: DispatchMouseEvent(kLeftDown, p); return 0;
    case WM_LBUTTONUP: DispatchMouseEvent(kLeftUp, p); return 0;
    case WM_LBUTTONDBLCLK: DispatchMouseEvent(kLeftDoubleClick, p); return 0;
    case WM_RBUTTONDOWN: ShowPopupMenuAt(p, client_); return 0;
    case WM_QUERYNEWPALETTE:
        RepaintAll();
        SendToChildren(client_, message, wParam, lParam);
        return 0;
    case WM_PALETTEISCHANGING:
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(wParam) != client_) RepaintAll();
        SendToChildren(client_, message, wParam, lParam);
        return 0;
    default: break;
    }
    return CallWindowProcA(g_mdiClientProc, client_, message, wParam, lParam);
}

LRESULT WindowsMainWindow::LayOutClient(WINDOWPOS* pos) {
    if (!pos || (pos->flags & SWP_NOSIZE)) return 0;
    if (!clientLaidOut_) {
        clientLaidOut_ = true;
        clientOrigin_ = Point(pos->x, pos->y);
        clientOffered_ = Dim();
    }
    const Dim offered(std::max(0, pos->cx), std::max(0, pos->cy));
    if (!(offered == clientOffered_)) {
        clientOffered_ = offered;
        const Box box = LayoutBars(offered);
        clientOrigin_ = box.Origin();
        clientBox_ = box.Size();
        CreateBackBuffer(clientBox_);
    }
    // The same size again keeps the last layout, bars uncovered.
    pos->x = clientOrigin_.x;
    pos->y = clientOrigin_.y;
    pos->cx = clientBox_.width;
    pos->cy = clientBox_.height;
    return 0;
}

Box WindowsMainWindow::LayoutBars(const Dim& size) {
    Box box(0, 0, size.width, size.height);
    if (Toolbar* toolbar = GetToolbar(); toolbar && toolbar->GetBarWindow()) {
        const std::int16_t h = toolbar->GetBarHeight();
        box.y = static_cast<std::int16_t>(box.y + h);
        box.height = static_cast<std::int16_t>(std::max(0, box.height - h));
        MoveWindow(toolbar->GetBarWindow(), 0, 0, size.width, h, TRUE);
    }
    if (StatusBar* status = GetStatusBar(); status && status->GetBarWindow()) {
        const std::int16_t h = status->GetBarHeight();
        box.height = static_cast<std::int16_t>(std::max(0, box.height - h));
        MoveWindow(status->GetBarWindow(), 0, size.height - h, size.width, h, TRUE);
    }
    return box;
}

void WindowsMainWindow::SetToolbar(Toolbar* toolbar) {
    MainWindow::SetToolbar(toolbar);
    RelayClient();
}

void WindowsMainWindow::SetStatusBar(StatusBar* statusBar) {
    MainWindow::SetStatusBar(statusBar);
    RelayClient();
}

void WindowsMainWindow::RelayClient() {
    if (!client_ || !IsWindow(handle_)) return;
    // The client's offered size is forgotten, so the next placement lays the bars out.
    clientOffered_ = Dim(-1, -1);
    RECT r;
    GetClientRect(handle_, &r);
    MoveWindow(client_, 0, 0, r.right, r.bottom, TRUE);
}

void WindowsMainWindow::SetFrameMenu(Menu* menu) {
    auto* shown = dynamic_cast<WindowsMenu*>(menu ? menu : GetMenu());
    HMENU bar = shown ? shown->GetHandle() : nullptr;
    const int count = bar ? GetMenuItemCount(bar) : 0;
    HMENU windowMenu = count >= 2 ? GetSubMenu(bar, count - 2) : nullptr;
    SendMessageA(client_, WM_MDISETMENU, reinterpret_cast<WPARAM>(bar), reinterpret_cast<LPARAM>(windowMenu));
    DrawMenuBar(handle_);
}

void WindowsMainWindow::CreateChild(ChildWindow* child) {
    SendMessageA(handle_, kCreateChild, 0, reinterpret_cast<LPARAM>(child));
}

void WindowsMainWindow::ChildDestroyed(ChildWindow* child) {
    PostMessage(handle_, kChildDestroyed, 0, reinterpret_cast<LPARAM>(child));
}

void WindowsMainWindow::ActivateChild(HWND child) {
    SendMessageA(client_, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(child), 0);
}

void WindowsMainWindow::RestoreChild(HWND child) {
    SendMessageA(client_, WM_MDIRESTORE, reinterpret_cast<WPARAM>(child), 0);
}

HWND WindowsMainWindow::GetActiveChild() {
    return client_ ? reinterpret_cast<HWND>(SendMessageA(client_, WM_MDIGETACTIVE, 0, 0)) : nullptr;
}

void WindowsMainWindow::Cascade() { SendMessageA(client_, WM_MDICASCADE, MDITILE_SKIPDISABLED, 0); }
void WindowsMainWindow::TileHorizontally() {
    SendMessageA(client_, WM_MDITILE, MDITILE_HORIZONTAL | MDITILE_SKIPDISABLED, 0);
}
void WindowsMainWindow::TileVertically() { SendMessageA(client_, WM_MDITILE, MDITILE_SKIPDISABLED, 0); }
void WindowsMainWindow::ArrangeIcons() { SendMessageA(client_, WM_MDIICONARRANGE, 0, 0); }

void WindowsMainWindow::HookUp() {
    RegisterNamedHandler("Command", &MainWindow::OnCommand);
    RegisterMenuHandlers();
}

void WindowsMainWindow::Update() { Blit(client_); }

void WindowsMainWindow::CaptureMouse(Display* display) {
    SetCapture(client_);
    Display::SetCaptor(display);
}

// --- child ---

WindowsChildWindow::WindowsChildWindow(const Point& position, const Dim& clientSize, const char* title,
                                       const char* menuName, const char* iconName, const char* name)
    : Window(position, clientSize, title, name ? name : "Unnamed Windows Child Window"),
      ChildWindow(Box(position, clientSize), 0, title, name),
      WindowsWindow(position, clientSize, title, menuName, iconName, name) {}

WindowsChildWindow::~WindowsChildWindow() = default;

WindowsMainWindow* WindowsChildWindow::Frame() const { return dynamic_cast<WindowsMainWindow*>(GetMainWindow()); }

void WindowsChildWindow::Create() {
    if (WindowsMainWindow* frame = Frame()) frame->CreateChild(this);
}

void WindowsChildWindow::Activate() {
    if (WindowsMainWindow* frame = Frame()) frame->ActivateChild(handle_);
}

void WindowsChildWindow::Restore() {
    if (WindowsMainWindow* frame = Frame()) frame->RestoreChild(handle_);
}

void WindowsChildWindow::EnableUpdates(std::int16_t on) {
    updatesSuspended_ = on ? 0 : 1;
    if (on) Update();
}

void WindowsChildWindow::Update() {
    if (!updatesSuspended_) Blit(handle_);
}

LRESULT WindowsChildWindow::StaticWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (WindowsWindow* self = FromHandle(hwnd)) return self->WindowProc(message, wParam, lParam);
    if (message == WM_CREATE && lParam) {
        const auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        const auto* mcs = static_cast<const MDICREATESTRUCTA*>(cs->lpCreateParams);
        if (auto* self = mcs ? reinterpret_cast<WindowsWindow*>(mcs->lParam) : nullptr) {
            self->BindHandle(hwnd);
            return self->WindowProc(message, wParam, lParam);
        }
    }
    return DefMDIChildProcA(hwnd, message, wParam, lParam);
}

LRESULT WindowsChildWindow::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_NCDESTROY:
        if (WindowsMainWindow* frame = Frame()) frame->ChildDestroyed(this);
        break;
    case WM_NCMOUSEMOVE: DispatchMouseEvent(kMouseMove, Point(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam))); return 0;
    case WM_SYSCOMMAND:
        if (minimizeOnClose_ && wParam == SC_CLOSE) return SendMessageA(handle_, WM_SYSCOMMAND, SC_MINIMIZE, 0);
        break;
    case WM_MDIACTIVATE:
        if (reinterpret_cast<HWND>(lParam) == handle_)
            InstallMenu();
        else if (lParam == 0)
            if (MainWindow* main = GetMainWindow()) main->RestoreMenu();
        return 0;
    default: break;
    }
    return WindowsWindow::WindowProc(message, wParam, lParam);
}
