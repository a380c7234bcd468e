#include "game/app/dialogs/commentary_dlg.h"

#include "core/assertion.h"
#include "core/container.h"
#include "core/events.h"
#include "core/super_string.h"
#include "platform/registry.h"
#include "platform/richedit.h"
#include "ui/windows/win_app.h"

#include <cctype>
#include <cstring>
#include <limits>

namespace {

constexpr const char* kSource = "CMTRYDLG";
constexpr const char* kBadData = "Bad data passed in bus message to function";
constexpr UINT WM_SIZING = 0x0214;
constexpr DWORD kRichEditStyle = WS_CHILD | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_READONLY;

const COLORREF kColourTable[2] = {RGB(0, 0, 255), RGB(128, 128, 128)};

CommentaryDlg* Self(Component* receiver) {
    auto* self = dynamic_cast<CommentaryDlg*>(receiver);
    if (!self) AssertFail(kBadData, kSource, __LINE__);
    return self;
}

ContainerBase* OnAddCommentary(Component* receiver, BusMessage, ContainerBase* payload) {
    CommentaryDlg* self = dynamic_cast<CommentaryDlg*>(receiver);
    const std::string* text = PayloadValue<std::string>(payload);
    if (!self || !text) {
        AssertFail(kBadData, kSource, __LINE__);
        return nullptr;
    }
    self->AddText(*text);
    return nullptr;
}

ContainerBase* OnShowCommentary(Component* receiver, BusMessage, ContainerBase*) {
    if (CommentaryDlg* self = Self(receiver)) self->ShowOrToggle();
    return nullptr;
}

ContainerBase* OnCloseGame(Component* receiver, BusMessage, ContainerBase*) {
    if (CommentaryDlg* self = Self(receiver))
        if (self->IsRunning()) self->Close(0);
    return nullptr;
}

ContainerBase* OnStopText(Component* receiver, BusMessage, ContainerBase*) {
    if (CommentaryDlg* self = Self(receiver)) self->StopText();
    return nullptr;
}

ContainerBase* OnReleaseText(Component* receiver, BusMessage, ContainerBase*) {
    if (CommentaryDlg* self = Self(receiver)) self->ReleaseQueue();
    return nullptr;
}

// The text a string shows: the markup pairs dropped.
std::string PlainOf(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\') {
            out += text[i];
            continue;
        }
        if (i + 1 >= text.size()) break;
        const char code = text[++i];
        if (code == 'N' && i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1]))) ++i;
    }
    return out;
}

// The saved block's text from what the control holds (less its last character): what follows
// the 21st carriage return from the end, without carriage returns.
std::string KeptLines(const std::string& text) {
    std::size_t from = 0;
    int seen = 0;
    for (std::size_t i = text.size(); i-- > 0;) {
        if (text[i] == '\r' && ++seen == CommentaryDlg::kKeptLines + 1) {
            // The line feed of that line's end belongs to the dropped line, not to the kept ones.
            from = i + 1;
            if (from < text.size() && text[from] == '\n') ++from;
            break;
        }
    }
    std::string kept;
    for (std::size_t i = from; i < text.size(); ++i)
        if (text[i] != '\r') kept += text[i];
    return kept;
}

} // namespace

CommentaryDlg::CommentaryDlg()
    : Window(Point(0, 0), Dim(100, 100), "", "CommentaryDlg"),
      Dialog("Dialog Bitmaps", "Intro", "") {}

CommentaryDlg::~CommentaryDlg() {
    delete[] restoredText;
    restoredText = nullptr;
}

void CommentaryDlg::Connect() {
    RegisterNamedHandler("AddCommentary", &OnAddCommentary);
    RegisterNamedHandler("AddCommentaryLocal", &OnAddCommentary);
    RegisterNamedHandler("WindowShowCommentary", &OnShowCommentary);
    RegisterNamedHandler("CloseGame", &OnCloseGame);
    RegisterNamedHandler("StartCombat", &OnStopText);
    RegisterNamedHandler("StopText", &OnStopText);
    RegisterNamedHandler("CombatDone", &OnReleaseText);
    RegisterNamedHandler("StartText", &OnReleaseText);
}

std::string CommentaryDlg::PlacementKey() {
    std::string publisher = "Tolvane", product = "Varnhold Demo";
    if (auto* app = dynamic_cast<WinApp*>(GetApplication())) {
        if (!app->GetPublisherKey().empty()) publisher = app->GetPublisherKey();
        if (!app->GetApplicationName().empty()) product = app->GetApplicationName();
    }
    return "SOFTWARE\\" + publisher + "\\" + product + "\\Placement\\Commentary";
}

// --- text ---

void CommentaryDlg::AddText(const std::string& text) {
    if (!textEnabled && queuedCount < std::numeric_limits<std::int16_t>::max()) {
        queue[queuedCount] = text;
        ++queuedCount;
        return;
    }
    if (!richEdit) {
        // The window has not been made yet: keep the string for when it is, within the
        // control's room, so that nothing said before the first look is lost.
        pending.push_back(text);
        pendingBytes += text.size() + 3;
        while (pendingBytes > static_cast<std::size_t>(platform::kRichEditDefaultLimit) && pending.size() > 1) {
            pendingBytes -= pending.front().size() + 3;
            pending.erase(pending.begin());
        }
        return;
    }
    AddToControl(text);
}

void CommentaryDlg::AddToControl(std::string text) {
    // The line's end is shown as it is: markup at the end of a string cannot swallow it.
    const std::string lineEnd = "  \n";
    const std::size_t total = text.size() + lineEnd.size();
    const LONG length = static_cast<LONG>(SendMessageA(richEdit, WM_GETTEXTLENGTH, 0, 0));
    if (textLimit <= length + static_cast<LONG>(total)) {
        FINDTEXTA find{{static_cast<LONG>(total), textLimit}, "\n"};
        const LRESULT at = SendMessageA(richEdit, EM_FINDTEXT, 1, reinterpret_cast<LPARAM>(&find));
        // Without a line end beyond the string's length no line can go whole; the old text
        // then goes entirely rather than the new string being cut by the limit.
        const LONG through = at < 0 ? length : static_cast<LONG>(at) + 1;
        SendMessageA(richEdit, EM_SETSEL, 0, through);
        SendMessageA(richEdit, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(""));
        text.insert(text.begin(), ' ');
    }
    SendMessageA(richEdit, EM_SETREADONLY, 0, 0);
    bool bold = false;
    COLORREF colour = RGB(0, 0, 0);
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\\') {
            AppendChar(c, bold, colour);
            continue;
        }
        if (i + 1 >= text.size()) break;
        const char code = text[++i];
        switch (code) {
        case 'B': bold = true; break;
        case 'b': bold = false; break;
        case 'n': colour = RGB(0, 0, 0); break;
        case 'N':
            // Only a digit belongs to the pair; anything else is shown as it comes.
            if (i + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[i + 1]))) {
                const char digit = text[++i];
                colour = digit == '0' || digit == '1' ? kColourTable[digit - '0'] : RGB(0, 0, 0);
            }
            break;
        default: break;
        }
    }
    for (char c : lineEnd) AppendChar(c, bold, colour);
    SendMessageA(richEdit, EM_SETREADONLY, 1, 0);
    SendMessageA(richEdit, EM_SCROLLCARET, 0, 0);
}

void CommentaryDlg::AppendChar(char c, bool bold, COLORREF colour) {
    const LRESULT length = SendMessageA(richEdit, WM_GETTEXTLENGTH, 0, 0);
    CHARFORMATA cf{};
    cf.cbSize = sizeof cf;
    cf.dwMask = CFM_BOLD | CFM_FACE | CFM_COLOR | CFM_SIZE;
    cf.dwEffects = bold ? CFE_BOLD : 0;
    cf.yHeight = 175;
    cf.crTextColor = colour;
    std::strcpy(cf.szFaceName, "Arial");
    SendMessageA(richEdit, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&cf));
    SendMessageA(richEdit, EM_SETSEL, static_cast<WPARAM>(length), length);
    SendMessageA(richEdit, WM_CHAR, static_cast<unsigned char>(c), 0);
}

void CommentaryDlg::ReleaseQueue() {
    textEnabled = 1;
    for (int i = 0; i < queuedCount; ++i) AddText(queue[i]);
    queuedCount = 0;
}

// --- showing ---

void CommentaryDlg::PostMenuEvent(int event) {
    Container<BusMessage> item{BusMessage(kShowCommentaryItem)};
    delete PostAndWait(event, &item);
}

void CommentaryDlg::ShowOrToggle() {
    if (!IsRunning()) {
        Execute("InfoDlg", kModeless);
        return;
    }
    shown = shown ? 0 : 1;
    ShowWindow(handle_, shown ? SW_SHOW : SW_HIDE);
    PostMenuEvent(shown ? CHECK_MENU_ITEM : UNCHECK_MENU_ITEM);
}

void CommentaryDlg::WritePlacement(int x, int y, int w, int h) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, PlacementKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    const DWORD values[4] = {static_cast<DWORD>(x), static_cast<DWORD>(y), static_cast<DWORD>(w), static_cast<DWORD>(h)};
    const char* names[4] = {"X", "Y", "W", "H"};
    for (int i = 0; i < 4; ++i) {
        BYTE bytes[4] = {static_cast<BYTE>(values[i]), static_cast<BYTE>(values[i] >> 8),
                         static_cast<BYTE>(values[i] >> 16), static_cast<BYTE>(values[i] >> 24)};
        RegSetValueExA(key, names[i], 0, REG_DWORD, bytes, 4);
    }
    RegCloseKey(key);
}

void CommentaryDlg::OnInit() {
    shown = 1;
    {
        Container<BusMessage> item{BusMessage(kShowCommentaryItem)};
        delete Send(CHECK_MENU_ITEM, &item);
        delete Send(ENABLE_MENU_ITEM, &item);
    }
    HDC dc = GetDC(nullptr);
    const int screenW = GetDeviceCaps(dc, HORZRES), screenH = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(nullptr, dc);
    LONG v[4] = {screenW, screenH, screenW, screenH};

    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, PlacementKey().c_str(), 0, KEY_READ, &key) == ERROR_SUCCESS) {
        const char* names[4] = {"X", "Y", "W", "H"};
        for (int i = 0; i < 4; ++i) {
            BYTE bytes[4] = {};
            DWORD type = 0, size = sizeof bytes;
            if (RegQueryValueExA(key, names[i], nullptr, &type, bytes, &size) == ERROR_SUCCESS && type == REG_DWORD &&
                size == 4)
                v[i] = static_cast<LONG>(static_cast<DWORD>(bytes[0]) | (static_cast<DWORD>(bytes[1]) << 8) |
                                         (static_cast<DWORD>(bytes[2]) << 16) | (static_cast<DWORD>(bytes[3]) << 24));
        }
        RegCloseKey(key);
    } else {
        RegCreateKeyExA(HKEY_CURRENT_USER, PlacementKey().c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        if (key) RegCloseKey(key);
    }
    // A stored size of nothing (a damaged value) is no more usable than no value at all.
    if ((v[0] >= screenW && v[1] >= screenH) || v[2] <= 0 || v[3] <= 0) {
        RECT outer{};
        ::GetWindowRect(handle_, &outer);
        v[2] = outer.right - outer.left;
        v[3] = outer.bottom - outer.top;
        v[0] = screenW - v[2];
        v[1] = screenH - v[3] - 20;
        WritePlacement(v[0], v[1], v[2], v[3]);
    }
    placed = true;
    MoveWindow(handle_, v[0], v[1], v[2], v[3], FALSE);

    platform::RegisterRichEditClass();
    richEdit = CreateWindowExA(WS_EX_STATICEDGE, "RichEdit", "", kRichEditStyle, 5, 5, v[2] - 20, v[3] - 40, handle_,
                               reinterpret_cast<HMENU>(static_cast<std::uintptr_t>(kRichEditId)), InstanceHandle, nullptr);
    textLimit = richEdit ? static_cast<std::int32_t>(SendMessageA(richEdit, EM_GETLIMITTEXT, 0, 0)) : 0;
    if (richEdit && restoredText) {
        AddToControl(restoredText);
        delete[] restoredText;
        restoredText = nullptr;
    }
    if (richEdit) {
        std::vector<std::string> waiting;
        waiting.swap(pending);
        pendingBytes = 0;
        for (const std::string& s : waiting) AddToControl(s);
        ShowWindow(richEdit, SW_SHOW);
    }
}

LRESULT CommentaryDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (!running_ || !handle_) return Dialog::WindowProc(message, wParam, lParam);
    switch (message) {
    case WM_CLOSE:
        ShowOrToggle();
        return 0;
    case WM_WINDOWPOSCHANGED: {
        // Until the window has taken its stored place, its moves are the framework's, not
        // the player's: they must not overwrite that place.
        if (!placed) break;
        RECT r{};
        ::GetWindowRect(handle_, &r);
        WritePlacement(r.left, r.top, r.right - r.left, r.bottom - r.top);
        break;
    }
    case WM_SIZING:
        if (const auto* r = reinterpret_cast<const RECT*>(lParam)) {
            const int w = r->right - r->left, h = r->bottom - r->top;
            SetWindowPos(handle_, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER);
            if (richEdit) MoveWindow(richEdit, 5, 5, w - 20, h - 40, TRUE);
        }
        break;
    case WM_DESTROY: richEdit = nullptr; break;
    default: break;
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void CommentaryDlg::Close(std::int16_t result) {
    Container<BusMessage> item{BusMessage(kShowCommentaryItem)};
    Post(DISABLE_MENU_ITEM, &item);
    Post(UNCHECK_MENU_ITEM, &item);
    shown = 0;
    placed = false;
    Dialog::Close(result);
    richEdit = nullptr;
}

// --- the saved-game block ---

std::string CommentaryDlg::TextForSaving() const {
    std::string text;
    if (restoredText) text += PlainOf(restoredText) + "  \r\n";
    for (const std::string& s : pending) text += PlainOf(s) + "  \r\n";
    return text;
}

void CommentaryDlg::Save(SuperString& s) {
    std::string text;
    if (richEdit) {
        const LONG length = static_cast<LONG>(SendMessageA(richEdit, WM_GETTEXTLENGTH, 0, 0));
        if (length > 0) {
            std::vector<char> buffer(static_cast<std::size_t>(length) + 1, 0);
            TEXTRANGEA range{{0, length - 1}, buffer.data()};
            SendMessageA(richEdit, EM_GETTEXTRANGE, 0, reinterpret_cast<LPARAM>(&range));
            text = buffer.data();
        }
    } else {
        text = TextForSaving();
        if (!text.empty()) text.pop_back();
    }
    std::string kept = KeptLines(text);
    // The count is 16-bit: a longer text keeps its newest part.
    const std::size_t room = static_cast<std::size_t>(std::numeric_limits<std::int16_t>::max()) - 1;
    if (kept.size() > room) kept.erase(0, kept.size() - room);
    if (kept.empty()) {
        s << static_cast<short>(0);
        return;
    }
    s << static_cast<short>(kept.size() + 1);
    s.Write(kept.data(), static_cast<std::int32_t>(kept.size()));
    s << static_cast<char>(0);
}

bool CommentaryDlg::Load(SuperString& s, std::string& error) {
    short n = 0;
    if (s.Remaining() < 2) {
        error = "The commentary block of the saved game is cut short.";
        return false;
    }
    s >> n;
    if (n < 0 || n > s.Remaining()) {
        error = "The commentary block of the saved game is damaged.";
        return false;
    }
    delete[] restoredText;
    restoredText = nullptr;
    if (n == 0) return true;
    auto* text = new char[static_cast<std::size_t>(n)];
    s.Read(text, n);
    text[n - 1] = 0;
    restoredText = text;
    return true;
}
