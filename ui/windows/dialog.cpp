#include "ui/windows/dialog.h"

#include "core/application.h"
#include "core/assertion.h"
#include "platform/cursor.h"
#include "platform/msgbox.h"
#include "platform/timer.h"
#include "ui/bitmap.h"
#include "ui/bitmap_reference.h"
#include "ui/dialog_controls.h"
#include "ui/font.h"
#include "ui/logical_palette.h"
#include "ui/text_tile.h"
#include "ui/windows/win_app.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

// Radios met since the last group start while a dialog's children are subclassed; one dialog
// is initialised at a time.
List<DialogRadio*>& PendingRadios() {
    static List<DialogRadio*> radios;
    return radios;
}

List<Dialog*>& PendingDeletionList() {
    static List<Dialog*> dialogs;
    return dialogs;
}

UINT_PTR g_deletionTimer = 0;

WinApp* TheWinApp() { return dynamic_cast<WinApp*>(GetApplication()); }

void SelectAppPalette(HDC dc) {
    if (const Application* app = GetApplication())
        if (const LogicalPalette* palette = app->GetPalette()) {
            SelectPalette(dc, palette->GetHandle(), FALSE);
            RealizePalette(dc);
        }
}

// A bounded walk over a template copy: every read checks what remains.
struct TemplateCursor {
    std::vector<std::uint8_t>& bytes;
    std::size_t at;
    bool ok = true;

    bool Need(std::size_t n) {
        if (!ok || at > bytes.size() || bytes.size() - at < n) ok = false;
        return ok;
    }
    std::uint16_t U16() {
        if (!Need(2)) return 0;
        const std::uint16_t v = static_cast<std::uint16_t>(bytes[at] | (bytes[at + 1] << 8));
        at += 2;
        return v;
    }
    void Put16(std::size_t where, std::int16_t v) {
        bytes[where] = static_cast<std::uint8_t>(v & 0xFF);
        bytes[where + 1] = static_cast<std::uint8_t>((static_cast<std::uint16_t>(v) >> 8) & 0xFF);
    }
    std::int16_t I16At(std::size_t where) const {
        return static_cast<std::int16_t>(bytes[where] | (bytes[where + 1] << 8));
    }
    // A 16-bit string or 0xFFFF and an ordinal; the text as single bytes (low byte of each unit).
    std::string Text(std::uint16_t* ordinal = nullptr) {
        if (ordinal) *ordinal = 0;
        std::uint16_t c = U16();
        if (!ok) return std::string();
        if (c == 0xFFFF) {
            const std::uint16_t v = U16();
            if (ordinal) *ordinal = v;
            return std::string();
        }
        std::string s;
        while (ok && c != 0) {
            s += static_cast<char>(c & 0xFF);
            c = U16();
        }
        return s;
    }
    void Align() { at = (at + 3) & ~static_cast<std::size_t>(3); }
};

std::int16_t Scaled(std::int16_t v, double s) {
    const double r = static_cast<double>(v) * s;
    return static_cast<std::int16_t>(std::clamp(r, -32768.0, 32767.0));
}

std::int16_t Near(double v) { return static_cast<std::int16_t>(std::clamp((v * 2 + 1) * 0.5, -32768.0, 32767.0)); }

} // namespace

// --- construction ---

Dialog::Dialog(const char* library, const char* backgroundSection, const char* backgroundImage)
    : Window(Point(0, 0), Dim(static_cast<std::int16_t>(334 + 2 * GetSystemMetrics(SM_CXDLGFRAME)),
                              static_cast<std::int16_t>(302 + 2 * GetSystemMetrics(SM_CYDLGFRAME))),
             "", "Unnamed Dialog"),
      WindowsWindow(Point(0, 0),
                    Dim(static_cast<std::int16_t>(334 + 2 * GetSystemMetrics(SM_CXDLGFRAME)),
                        static_cast<std::int16_t>(302 + 2 * GetSystemMetrics(SM_CYDLGFRAME))),
                    "", nullptr, nullptr, "Unnamed Dialog"),
      art_(library ? library : ""), backgroundSection_(backgroundSection ? backgroundSection : ""),
      backgroundImage_(backgroundImage && *backgroundImage ? backgroundImage : "Background") {
    // The static texts of the template become text tiles, which draw through the text faces.
    InstallDialogFontFaces();
    SetBkMode(backDC_, TRANSPARENT);
    WNDCLASSA probe;
    if (!GetClassInfoA(InstanceHandle, kClassName, &probe)) {
        WNDCLASSA wc{};
        wc.style = CS_VREDRAW | CS_HREDRAW | CS_DBLCLKS;
        wc.lpfnWndProc = &Dialog::ClassWindowProc;
        wc.cbWndExtra = kPointerOffset + static_cast<int>(sizeof(Dialog*));
        wc.hInstance = InstanceHandle;
        wc.lpszClassName = kClassName;
        if (!RegisterClassA(&wc))
            AssertFail("Unable to allocate resources for dialog boxes. Windows is low on resources.", "DIALOG", 104);
    }
}

Dialog::~Dialog() {
    if (running_) Close(0);
    while (PendingDeletionList().Remove(this)) {}
    DeleteControls();
    DeleteTextTiles();
    delete background_;
    background_ = nullptr;
    if (handle_ && IsWindow(handle_) && GetWindowLongPtrA(handle_, kPointerOffset) == reinterpret_cast<LONG_PTR>(this))
        SetWindowLongPtrA(handle_, kPointerOffset, 0);
}

// --- running ---

std::int16_t Dialog::Execute(const char* templateName, std::int32_t mode, std::int16_t autoDelete, HWND parent,
                             std::int16_t keepParentEnabled) {
    parent_ = parent ? parent : MainWindowHandle;
    running_ = 1;
    mode_ = mode;
    const std::string name = templateName ? templateName : "";
    HRSRC resource = FindResourceA(InstanceHandle, name.c_str(), RT_DIALOG);
    if (!resource) {
        running_ = 0;
        MessageBox(parent_, ("The dialog \"" + name + "\" is missing from the program.").c_str(), "Dialog",
                   MB_OK | MB_ICONSTOP);
        return -1;
    }
    HGLOBAL loaded = LoadResource(InstanceHandle, resource);
    const auto* bytes = static_cast<const std::uint8_t*>(LockResource(loaded));
    std::vector<std::uint8_t> copy(bytes, bytes + (bytes ? SizeofResource(InstanceHandle, resource) : 0));
    FreeResource(loaded);
    if (!AdjustTemplate(copy)) {
        running_ = 0;
        MessageBox(parent_, ("The dialog \"" + name + "\" is damaged.").c_str(), "Dialog", MB_OK | MB_ICONSTOP);
        return -1;
    }

    if (mode == kModal) {
        const INT_PTR r = DialogBoxIndirectParamA(InstanceHandle, copy.data(), parent_, &Dialog::DialogProc,
                                                  reinterpret_cast<LPARAM>(this));
        // A dialog the window system could not make never ran.
        if (running_) {
            running_ = 0;
            DeleteControls();
            DeleteTextTiles();
        }
        result_ = static_cast<std::int16_t>(r);
        return result_;
    }
    if (mode == kApplicationModal && parent_ && !keepParentEnabled) EnableWindow(parent_, FALSE);
    autoDelete_ = autoDelete;
    HWND h = CreateDialogIndirectParamA(InstanceHandle, copy.data(), parent_, &Dialog::DialogProc,
                                        reinterpret_cast<LPARAM>(this));
    if (!h) {
        running_ = 0;
        DeleteControls();
        DeleteTextTiles();
        if (mode == kApplicationModal && parent_) EnableWindow(parent_, TRUE);
        return -1;
    }
    handle_ = h;
    WinApp* app = TheWinApp();
    if (app) app->ModelessDialogs().AddTail(h);
    if (mode != kApplicationModal) return result_;

    while (running_ == 1) {
        if (!app || app->PumpMessage() == 0) {
            Close(0);
            return 0;
        }
        app->ProcessOneTask();
        // Headless without a script: give up as Escape would, rather than wait for ever.
        if (running_ == 1 && platform::DialogWaitsInVain(handle_))
            SendMessageA(handle_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    }
    return result_;
}

void Dialog::Close(std::int16_t result) {
    running_ = 0;
    DeleteControls();
    if ((mode_ == kModeless || mode_ == kApplicationModal) && handle_)
        if (WinApp* app = TheWinApp()) app->ModelessDialogs().Remove(handle_);
    DeleteTextTiles();
    if (mode_ == kModal) {
        if (GetBus()) delete SendNamedEvent("ModalDialogBoxClosing");
        EndDialog(handle_, result);
        return;
    }
    result_ = result;
    HWND window = handle_;
    if (mode_ == kApplicationModal && parent_ && IsWindow(parent_)) {
        EnableWindow(parent_, TRUE);
        SetFocus(parent_);
    }
    if (window && IsWindow(window)) DestroyWindow(window);
    handle_ = nullptr;
    if (mode_ == kModeless && autoDelete_) {
        if (!PendingDeletionList().Contains(this)) PendingDeletionList().AddTail(this);
        if (!g_deletionTimer) g_deletionTimer = SetTimer(nullptr, 0, 200, &Dialog::DeletionTimer);
    }
}

void Dialog::DeletionTimer(HWND, UINT, UINT_PTR, DWORD) {
    KillTimer(nullptr, g_deletionTimer);
    g_deletionTimer = 0;
    Dialog* d = nullptr;
    while (PendingDeletionList().RemoveHead(d)) delete d;
}

std::size_t Dialog::PendingDeletions() { return static_cast<std::size_t>(PendingDeletionList().Count()); }

void Dialog::DeleteControls() {
    for (auto& [hwnd, control] : controls_) delete control;
    controls_.clear();
}

void Dialog::DeleteTextTiles() {
    TextTile* t = nullptr;
    while (textTiles_.RemoveHead(t)) delete t;
}

// --- the template ---

bool Dialog::AdjustTemplate(std::vector<std::uint8_t>& copy) {
    double a = 1.75, b = 1.625;
    HDC dc = GetDC(MainWindowHandle);
    TEXTMETRICA tm{};
    if (GetTextMetricsA(dc, &tm) && tm.tmAveCharWidth > 0 && tm.tmAscent > 0) {
        a = tm.tmAveCharWidth * 0.25;
        b = tm.tmAscent * 0.125;
    }
    ReleaseDC(MainWindowHandle, dc);
    const double sx = 1.75 / a, sy = 1.625 / b;

    TemplateCursor c{copy, 0};
    if (!c.Need(18)) return false;
    const std::uint32_t style =
        static_cast<std::uint32_t>(copy[0] | (copy[1] << 8) | (copy[2] << 16)) | (static_cast<std::uint32_t>(copy[3]) << 24);
    const std::uint16_t count = static_cast<std::uint16_t>(copy[8] | (copy[9] << 8));
    c.at = 18;
    c.Text();
    c.Text();
    c.Text();
    if (style & DS_SETFONT) {
        c.U16();
        c.Text();
    }
    if (!c.ok) return false;

    std::vector<std::uint8_t> out(copy.begin(), copy.begin() + static_cast<std::ptrdiff_t>(c.at));
    c.Put16(10, Scaled(c.I16At(10), sx));
    c.Put16(12, Scaled(c.I16At(12), sy));
    c.Put16(14, Scaled(c.I16At(14), sx));
    c.Put16(16, Scaled(c.I16At(16), sy));
    std::copy(copy.begin() + 10, copy.begin() + 18, out.begin() + 10);

    List<TextTile*> tiles;
    std::uint16_t kept = 0;
    for (std::uint16_t i = 0; i < count && c.ok; ++i) {
        c.Align();
        const std::size_t start = c.at;
        if (!c.Need(18)) break;
        const std::int16_t x = Scaled(c.I16At(start + 8), sx), y = Scaled(c.I16At(start + 10), sy);
        const std::int16_t w = Scaled(c.I16At(start + 12), sx), h = Scaled(c.I16At(start + 14), sy);
        const std::int16_t itemId = c.I16At(start + 16);
        c.Put16(start + 8, x);
        c.Put16(start + 10, y);
        c.Put16(start + 12, w);
        c.Put16(start + 14, h);
        c.at = start + 18;
        std::uint16_t atom = 0;
        c.Text(&atom);
        const std::string title = c.Text();
        const std::uint16_t extra = c.U16();
        if (!c.Need(extra)) break;
        c.at += extra;
        if (atom == 0x82) {
            tiles.AddTail(new TextTile(itemId, title.c_str(), Point(Near(x * a), Near(y * b)), Dim(Near(w * a), Near(h * b))));
            continue;
        }
        while (out.size() % 4) out.push_back(0);
        out.insert(out.end(), copy.begin() + static_cast<std::ptrdiff_t>(start), copy.begin() + static_cast<std::ptrdiff_t>(c.at));
        ++kept;
    }
    if (!c.ok) {
        TextTile* t = nullptr;
        while (tiles.RemoveHead(t)) delete t;
        return false;
    }
    out[8] = static_cast<std::uint8_t>(kept & 0xFF);
    out[9] = static_cast<std::uint8_t>(kept >> 8);
    copy.swap(out);
    DeleteTextTiles();
    TextTile* t = nullptr;
    while (tiles.RemoveHead(t)) textTiles_.AddTail(t);
    return true;
}

// --- initialisation ---

INT_PTR Dialog::DialogProc(HWND hwnd, UINT message, WPARAM, LPARAM lParam) {
    if (message != WM_INITDIALOG) return FALSE;
    auto* self = reinterpret_cast<Dialog*>(lParam);
    if (!self) return FALSE;
    self->InitDialog(hwnd);
    return TRUE;
}

LRESULT Dialog::ClassWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Dialog*>(GetWindowLongPtrA(hwnd, kPointerOffset));
    if (!self) return DefDlgProcA(hwnd, message, wParam, lParam);
    return self->WindowProc(message, wParam, lParam);
}

void Dialog::InitDialog(HWND hwnd) {
    SetWindowLongPtrA(hwnd, kPointerOffset, reinterpret_cast<LONG_PTR>(this));
    handle_ = hwnd;
    RECT client, window;
    GetClientRect(hwnd, &client);
    ::GetWindowRect(hwnd, &window);
    frameWidth_ = static_cast<std::int16_t>((window.right - window.left) - client.right);
    frameHeight_ = static_cast<std::int16_t>((window.bottom - window.top) - client.bottom);
    const Dim size(static_cast<std::int16_t>(client.right), static_cast<std::int16_t>(client.bottom));
    MakeBackground(size);
    EnumChildWindows(hwnd, &Dialog::SubclassControl, reinterpret_cast<LPARAM>(this));
    CloseRadioGroup();
    for (Item<TextTile*>* i = textTiles_.Head(); i; i = i->next) {
        const Box box(i->value->GetPlace(), Dim(i->value->GetWidth(), i->value->GetHeight()));
        i->value->Attach(this, LayoutConstraints::Pixels(box));
    }
    CreateBackBuffer(size);
    // The first picture: the background with the texts on it.
    Refresh();
    Redraw();
    Invalidate(Box(0, 0, GetWidth(), GetHeight()));
    OnInit();
}

void Dialog::MakeBackground(const Dim& client) {
    // A background of an earlier run of this dialog goes first.
    delete background_;
    background_ = new Bitmap(client, Bitmap::Plain);
    background_->Fill(0xFF);
    if (backgroundSection_.empty()) return;
    Bitmap* image = art_.GetBitmapByName(backgroundImage_.c_str(), backgroundSection_.c_str());
    if (!image) return;
    // An image without area would tile for ever: it leaves the flat fill.
    if (image->GetWidth() > 0 && image->GetHeight() > 0) {
        const Point hot = image->GetHotspot();
        for (int x = 0; x < client.width; x += image->GetWidth())
            for (int y = 0; y < client.height; y += image->GetHeight())
                background_->DrawAll(Point(static_cast<std::int16_t>(x + hot.x), static_cast<std::int16_t>(y + hot.y)),
                                     *image, 1);
    }
    art_.ReleaseBitmap(backgroundImage_.c_str(), backgroundSection_.c_str());
}

void Dialog::CloseRadioGroup() {
    List<DialogRadio*>& pending = PendingRadios();
    if (pending.IsEmpty()) return;
    for (Item<DialogRadio*>* i = pending.Head(); i; i = i->next) i->value->SetGroup(pending);
    pending.Clear();
}

BOOL Dialog::SubclassControl(HWND child, LPARAM dialog) {
    auto* self = reinterpret_cast<Dialog*>(dialog);
    static char className[14];
    static char text[49];
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrA(child, GWL_STYLE));
    GetClassNameA(child, className, sizeof className);
    for (char* p = className; *p; ++p) *p = static_cast<char>(std::toupper(static_cast<unsigned char>(*p)));
    GetWindowTextA(child, text, sizeof text);
    const std::int16_t itemId = static_cast<std::int16_t>(GetDlgCtrlID(child));
    SetWindowLongPtrA(child, GWL_EXSTYLE, GetWindowLongPtrA(child, GWL_EXSTYLE) ^ WS_EX_NOPARENTNOTIFY);
    if (style & WS_GROUP) CloseRadioGroup();

    DialogControl* control = nullptr;
    if (std::strcmp(className, "STATIC") == 0) {
        SetWindowTextA(child, "");
        control = self->CreateStatic(itemId, child, text);
    } else if (std::strcmp(className, "BUTTON") == 0) {
        switch (style & BS_TYPEMASK) {
        case 0: control = self->CreateButton(itemId, child, text); break;
        case 1: control = self->CreateDefaultButton(itemId, child, text); break;
        case 2:
        case 3: control = self->CreateCheckBox(itemId, child, text); break;
        case 4:
        case 9:
            control = self->CreateRadio(itemId, child, text);
            if (auto* radio = dynamic_cast<DialogRadio*>(control)) PendingRadios().AddTail(radio);
            break;
        default: return TRUE;  // group boxes and the like keep their own look
        }
        SetWindowLongPtrA(child, GWL_STYLE, static_cast<LONG_PTR>((style & ~BS_TYPEMASK) | BS_OWNERDRAW));
    }
    auto it = self->controls_.find(child);
    if (it != self->controls_.end() && it->second != control) delete it->second;
    self->controls_[child] = control;
    return TRUE;
}

// --- factories ---

DialogControl* Dialog::CreateStatic(std::int16_t, HWND child, const char* text) {
    return new DialogControl(child, text, Point(0, -1), "DialogButtons");
}

DialogControl* Dialog::CreateDefaultButton(std::int16_t, HWND child, const char* text) {
    return new DialogButton(child, text, Point(-1, -1), "DialogButtons", DialogButton::kDefaultPush, BusMessage(0));
}

DialogControl* Dialog::CreateButton(std::int16_t, HWND child, const char* text) {
    return new DialogButton(child, text, Point(-1, -1), "DialogButtons", DialogButton::kPush, BusMessage(0));
}

DialogControl* Dialog::CreateRadio(std::int16_t, HWND child, const char* text) {
    return new DialogRadio(child, text, "DialogButtons");
}

DialogControl* Dialog::CreateCheckBox(std::int16_t, HWND child, const char* text) {
    return new DialogCheck(child, text, "DialogButtons", 0);
}

// --- hooks ---

void Dialog::OnInit() {}
void Dialog::OnOK() {}

void Dialog::Command(std::int16_t itemId, std::int16_t) {
    if (itemId == IDOK) {
        OnOK();
        Close(1);
    } else if (itemId == IDCANCEL) {
        Close(0);
    }
}

void Dialog::Refresh() {
    if (background_) DrawAll(background_->GetHotspot(), *background_, 1);
}

// --- items ---

DialogControl* Dialog::GetControl(HWND child) const {
    auto it = controls_.find(child);
    return it == controls_.end() ? nullptr : it->second;
}

DialogControl* Dialog::GetItemControl(std::int16_t itemId) const {
    HWND child = handle_ ? GetDlgItem(handle_, itemId) : nullptr;
    return child ? GetControl(child) : nullptr;
}

void Dialog::EnableItem(std::int16_t itemId, std::int16_t enable) {
    EnableWindow(GetDlgItem(handle_, itemId), enable ? TRUE : FALSE);
}

void Dialog::SetItemText(std::int16_t itemId, const char* text) {
    for (Item<TextTile*>* i = textTiles_.Head(); i; i = i->next) {
        TextTile* tile = i->value;
        if (tile->GetId() != itemId) continue;
        tile->SetText(text);
        DrawBackgroundUnder(tile->GetRect());
        tile->Redraw();
        tile->Show();
        return;
    }
    HWND child = handle_ ? GetDlgItem(handle_, itemId) : nullptr;
    if (!child) return;
    if (DialogControl* control = GetControl(child))
        control->SetCaption(text);
    else
        SetDlgItemTextA(handle_, itemId, text);
}

std::string Dialog::GetItemText(std::int16_t itemId) {
    for (Item<TextTile*>* i = textTiles_.Head(); i; i = i->next)
        if (i->value->GetId() == itemId) return i->value->GetText();
    HWND child = handle_ ? GetDlgItem(handle_, itemId) : nullptr;
    if (!child) return std::string();
    if (DialogControl* control = GetControl(child)) return control->GetCaption();
    const int length = GetWindowTextLengthA(child);
    std::vector<char> buffer(static_cast<std::size_t>(length) + 2, 0);
    GetWindowTextA(child, buffer.data(), length + 2);
    return buffer.data();
}

std::string Dialog::GetComboText(std::int16_t itemId, std::int16_t index) {
    WPARAM at = static_cast<WPARAM>(index);
    if (index == -1) at = static_cast<WPARAM>(SendDlgItemMessageA(handle_, itemId, CB_GETCURSEL, 0, 0));
    const LRESULT length = SendDlgItemMessageA(handle_, itemId, CB_GETLBTEXTLEN, at, 0);
    // Nothing selected or no such entry: the system answers an error, and the text is empty.
    if (length < 0) return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, 0);
    if (SendDlgItemMessageA(handle_, itemId, CB_GETLBTEXT, at, reinterpret_cast<LPARAM>(buffer.data())) < 0) return std::string();
    return buffer.data();
}

std::string Dialog::GetListText(std::int16_t itemId, std::int16_t index) {
    WPARAM at = static_cast<WPARAM>(index);
    if (index == -1) at = static_cast<WPARAM>(SendDlgItemMessageA(handle_, itemId, LB_GETCURSEL, 0, 0));
    const LRESULT length = SendDlgItemMessageA(handle_, itemId, LB_GETTEXTLEN, at, 0);
    if (length < 0) return std::string();
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, 0);
    if (SendDlgItemMessageA(handle_, itemId, LB_GETTEXT, at, reinterpret_cast<LPARAM>(buffer.data())) < 0) return std::string();
    return buffer.data();
}

std::int32_t Dialog::GetListSelection(std::int16_t itemId) {
    const LRESULT r = SendDlgItemMessageA(handle_, itemId, LB_GETCURSEL, 0, 0);
    if (static_cast<std::int16_t>(r) == -1) return -1;
    return static_cast<std::int32_t>(r);
}

void Dialog::SetItemValue(std::int16_t itemId, std::int16_t value) {
    if (auto* radio = dynamic_cast<DialogRadio*>(GetItemControl(itemId))) radio->SetValue(value);
}

std::int16_t Dialog::GetItemValue(std::int16_t itemId) {
    auto* radio = dynamic_cast<DialogRadio*>(GetItemControl(itemId));
    return radio ? radio->GetValue() : static_cast<std::int16_t>(-1);
}

void Dialog::Center() {
    if (!handle_) return;
    RECT mine;
    ::GetWindowRect(handle_, &mine);
    const int w = mine.right - mine.left, h = mine.bottom - mine.top;
    int cx, cy;
    if (MainWindowHandle && IsWindow(MainWindowHandle) && !IsIconic(MainWindowHandle)) {
        RECT main;
        ::GetWindowRect(MainWindowHandle, &main);
        cx = main.left + (main.right - main.left) / 2;
        cy = main.top + (main.bottom - main.top) / 2;
    } else {
        HDC dc = GetDC(handle_);
        cx = GetDeviceCaps(dc, HORZRES) / 2;
        cy = GetDeviceCaps(dc, VERTRES) / 2;
        ReleaseDC(handle_, dc);
    }
    MoveWindow(handle_, cx - w / 2, cy - h / 2, w, h, FALSE);
}

// --- drawing ---

Box Dialog::ChildBox(HWND child) const {
    RECT r;
    ::GetWindowRect(child, &r);
    POINT a{r.left, r.top}, b{r.right, r.bottom};
    ScreenToClient(handle_, &a);
    ScreenToClient(handle_, &b);
    return Box(static_cast<std::int16_t>(a.x), static_cast<std::int16_t>(a.y), static_cast<std::int16_t>(b.x - a.x),
               static_cast<std::int16_t>(b.y - a.y));
}

void Dialog::DrawBackgroundUnder(const Box& box) {
    if (background_) Draw(Point(box.x, box.y), *background_, box, 1);
}

void Dialog::BlitTo(HDC dc, const Box& box) {
    SelectAppPalette(dc);
    WinGBitBlt(dc, 0, 0, box.width, box.height, backDC_, box.x, box.y);
}

LRESULT Dialog::DrawItem(const DRAWITEMSTRUCT* item) {
    if (!item) return DefDlgProcA(handle_, WM_DRAWITEM, 0, 0);
    const Box box = ChildBox(item->hwndItem);
    DialogControl* control = GetControl(item->hwndItem);
    if (!control) return DefDlgProcA(handle_, WM_DRAWITEM, item->CtlID, reinterpret_cast<LPARAM>(item));
    BitmapReference view(*this, box);
    DrawBackgroundUnder(box);
    if (auto* button = dynamic_cast<DialogButton*>(control); button && button->GetStyle() == DialogButton::kDefaultPush) {
        FrameRect(box, 0, 0, 0);
        FrameRect(Box(static_cast<std::int16_t>(box.x + 1), static_cast<std::int16_t>(box.y + 1),
                      static_cast<std::int16_t>(box.width - 2), static_cast<std::int16_t>(box.height - 2)),
                  0, 0, 0);
    }
    control->Draw(view, item->itemState);
    BlitTo(item->hDC, box);
    return DefDlgProcA(handle_, WM_DRAWITEM, item->CtlID, reinterpret_cast<LPARAM>(item));
}

LRESULT Dialog::DrawStatic(HDC dc, HWND child) {
    DialogControl* control = GetControl(child);
    if (!control) return DefDlgProcA(handle_, WM_CTLCOLORSTATIC, reinterpret_cast<WPARAM>(dc), reinterpret_cast<LPARAM>(child));
    const Box box = ChildBox(child);
    BitmapReference view(*this, box);
    if (background_) view.Draw(Point(0, 0), *background_, box, 1);
    control->Draw(view, 0);
    HDC own = GetDC(child);
    BlitTo(own, box);
    ReleaseDC(child, own);
    SetBkColor(dc, 0);
    SetBkMode(dc, TRANSPARENT);
    return reinterpret_cast<LRESULT>(GetStockObject(NULL_BRUSH));
}

// --- messages ---

LRESULT Dialog::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!running_) return DefDlgProcA(handle_, message, wParam, lParam);
    const Point p(static_cast<std::int16_t>(GET_X_LPARAM(lParam)), static_cast<std::int16_t>(GET_Y_LPARAM(lParam)));
    switch (message) {
    case WM_DESTROY:
        delete background_;
        background_ = nullptr;
        break;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        BeginPaint(handle_, &ps);
        if (IsIconic(handle_)) DrawIcon(ps.hdc, 0, 0, icon_);
        EndPaint(handle_, &ps);
        break;
    }
    case WM_ERASEBKGND: {
        RECT r;
        if (GetUpdateRect(handle_, &r, FALSE))
            Invalidate(Box(static_cast<std::int16_t>(r.left), static_cast<std::int16_t>(r.top),
                           static_cast<std::int16_t>(r.right - r.left), static_cast<std::int16_t>(r.bottom - r.top)));
        else
            Invalidate(Box(0, 0, GetWidth(), GetHeight()));
        Update();
        return 1;
    }
    case WM_SETCURSOR: {
        const Application* app = GetApplication();
        if (app && !app->IsIdle()) {
            SetWindowLongPtrA(handle_, DWLP_MSGRESULT, 1);
            return 1;
        }
        ::SetCursor(cursor_);
        break;
    }
    case WM_DRAWITEM: return DrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_WINDOWPOSCHANGING: {
        const auto* pos = reinterpret_cast<const WINDOWPOS*>(lParam);
        const UINT f = pos ? pos->flags : 1;
        if ((f == 0 || f == 0x14 || f == 0x20 || f == 0x114 || f == 0x120) && !IsIconic(handle_)) {
            const Dim client(static_cast<std::int16_t>(pos->cx - frameWidth_), static_cast<std::int16_t>(pos->cy - frameHeight_));
            // A move keeps the size: remaking the buffer then would only blank the picture.
            if (!(client == GetSize())) {
                CreateBackBuffer(client);
                Refresh();
                Redraw();
            }
        }
        break;
    }
    case WM_COMMAND: {
        const std::int16_t itemId = static_cast<std::int16_t>(LOWORD(wParam));
        const std::int16_t code = static_cast<std::int16_t>(HIWORD(wParam));
        if (HWND child = GetDlgItem(handle_, itemId))
            if (DialogControl* control = GetControl(child)) control->Command(code);
        Command(itemId, code);
        break;
    }
    case WM_CTLCOLORSTATIC: return DrawStatic(reinterpret_cast<HDC>(wParam), reinterpret_cast<HWND>(lParam));
    case WM_MOUSEMOVE: DispatchMouseEvent(kMouseMove, p); break;
    case WM_LBUTTONDOWN: DispatchMouseEvent(kLeftDown, p); break;
    case WM_LBUTTONUP: DispatchMouseEvent(kLeftUp, p); break;
    case WM_LBUTTONDBLCLK: DispatchMouseEvent(kLeftDoubleClick, p); break;
    case WM_RBUTTONDOWN: ShowPopupMenu(p); return 0;
    case WM_QUERYNEWPALETTE: RepaintAll(); return 0;
    case WM_PALETTEISCHANGING:
    case WM_PALETTECHANGED:
        if (reinterpret_cast<HWND>(wParam) != handle_) RepaintAll();
        return 0;
    default: break;
    }
    return handle_ ? DefDlgProcA(handle_, message, wParam, lParam) : 0;
}
