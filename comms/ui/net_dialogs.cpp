#include "comms/ui/net_dialogs.h"

#include "comms/ui/comm_link.h"
#include "core/application.h"
#include "core/container.h"
#include "core/events.h"
#include "platform/dialog.h"
#include "platform/msgbox.h"

#include <cctype>
#include <cstdio>
#include <limits>

namespace {

constexpr const char* kSource = "NETDLG2";
constexpr const char* kEventName = "ConnectionEvent";
constexpr const char* kCloseText = "ConnectNetDlg";

ContainerBase* ConnectionEventEntry(Component* c, BusMessage, ContainerBase* payload) {
    ConnectNetDlg* self;
    ConnectionEvent* event;
    if (!BusArgs(c, payload, self, event, kSource, __LINE__)) return nullptr;
    self->HandleConnectionEvent(event->text, event->value, event->kind);
    return nullptr;
}

ContainerBase* ConnectionOpenedEntry(Component* c, BusMessage, ContainerBase* payload) {
    ConnectNetDlg* self;
    ConnectionInfo* info;
    if (!BusArgs(c, payload, self, info, kSource, __LINE__)) return nullptr;
    self->PlayerJoined(info->name, static_cast<std::uint32_t>(info->value));
    return nullptr;
}

ContainerBase* ConnectionClosedEntry(Component* c, BusMessage, ContainerBase* payload) {
    ConnectNetDlg* self;
    ConnectionInfo* info;
    if (!BusArgs(c, payload, self, info, kSource, __LINE__)) return nullptr;
    self->PlayerLeft(info->name, static_cast<std::uint32_t>(info->value));
    return nullptr;
}

} // namespace

// --- StartNetDlg ---

StartNetDlg::StartNetDlg()
    : Window(Point(0, 0), Dim(0, 0), "", "StartNetDlg"), Dialog("Dialog Bitmaps", "Intro", "Background") {}

void StartNetDlg::OnInit() { SetItemText(103, "5000"); }

std::int32_t StartNetDlg::ParsePort(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    // Forty-eight digits overflow any integer: the value stops at the limits instead.
    std::int64_t value = 0;
    constexpr std::int64_t kLimit = std::numeric_limits<std::int32_t>::max();
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i)
        value = std::min<std::int64_t>(value * 10 + (text[i] - '0'), kLimit + 1);
    if (negative) return static_cast<std::int32_t>(-value);
    return static_cast<std::int32_t>(std::min(value, kLimit));
}

void StartNetDlg::Command(std::int16_t itemId, std::int16_t) {
    auto item = [this](std::int16_t itemNumber) { return GetItemText(itemNumber).substr(0, kMostCharacters); };
    if (itemId == IDOK) {
        port_ = ParsePort(item(103));
        name_ = item(101);
        serverName_ = item(102);
        EndDialog(GetHandle(), 1);
    } else if (itemId == IDCANCEL) {
        EndDialog(GetHandle(), 0);
    }
}

// --- ConnectNetDlg ---

ConnectNetDlg::ConnectNetDlg(std::uint16_t isServer, const char* ownName, std::uint32_t ownId)
    : Window(Point(0, 0), Dim(0, 0), "", "ConnectNetDlg"), Dialog("Dialog Bitmaps", "Intro", "Background"),
      ownName_(ownName ? ownName : ""), ownId_(ownId), isServer_(isServer) {}

void ConnectNetDlg::HookUp() {
    Dialog::HookUp();
    if (isServer_) {
        RegisterHandler(BusMessage(CONNECTION_OPENED), ConnectionOpenedEntry);
        RegisterHandler(BusMessage(CONNECTION_CLOSED), ConnectionClosedEntry);
    }
    RegisterNamedHandler(kEventName, ConnectionEventEntry);
}

void ConnectNetDlg::Refresh() { Dialog::Refresh(); }

void ConnectNetDlg::Close(std::int16_t result) {
    UnregisterNamedHandler(kEventName, ConnectionEventEntry);
    Dialog::Close(result);
}

std::string ConnectNetDlg::ResourceString(std::uint32_t stringId) const {
    Application* app = GetApplication();
    return app ? app->LoadResourceString(stringId) : std::string();
}

void ConnectNetDlg::ShowNotice(const std::string& caption, const std::string& text) {
    if (Application* app = GetApplication()) app->ShowMessage(text.c_str(), caption.c_str(), MB_ICONINFORMATION);
}

void ConnectNetDlg::PostConnectionEvent(std::int32_t kind, const std::string& text, std::uint32_t value, bool wait) {
    Container<ConnectionEvent> payload(ConnectionEvent(kind, text, value));
    if (wait)
        delete PostNamedAndWait(kEventName, &payload);
    else
        PostNamed(kEventName, &payload);
}

void ConnectNetDlg::OnInit() {
    Center();
    SetItemText(kOwnName, ownName_.c_str());
    if (!isServer_) {
        EnableItem(kReject, 0);
        EnableItem(kChoose, 0);
    } else {
        serverName_ = ownName_;
        playerNames_ << ownName_;
        playerIds_ << ownId_;
        const LRESULT row = SendDlgItemMessageA(GetHandle(), kPlayers, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(ownName_.c_str()));
        SendDlgItemMessageA(GetHandle(), kPlayers, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(ownId_));
        SetItemText(kServerName, ownName_.c_str());
    }
    EnableItem(IDOK, 0);
    scenarioChosen_ = 0;
    SendDlgItemMessageA(GetHandle(), kLine, EM_LIMITTEXT, kMostLine, 0);
}

std::int16_t ConnectNetDlg::CanStart() { return isServer_ && scenarioChosen_ && playerNames_.Count() > 1 ? 1 : 0; }

void ConnectNetDlg::Command(std::int16_t itemId, std::int16_t notification) {
    HWND dialog = GetHandle();
    const LRESULT row = SendDlgItemMessageA(dialog, kPlayers, LB_GETCURSEL, 0, 0);
    const std::uint32_t rowId =
        row == LB_ERR ? 0 : static_cast<std::uint32_t>(SendDlgItemMessageA(dialog, kPlayers, LB_GETITEMDATA, static_cast<WPARAM>(row), 0));
    switch (itemId) {
    case kChoose:
        scenarioChosen_ = 1;
        EnableItem(IDOK, CanStart());
        break;
    case IDOK:
        // Enter reaches OK while it is disabled too: only a lobby that may start is closed so.
        if (!CanStart()) break;
        PostConnectionEvent(ConnectionEvent::kLobbyClosed, kCloseText, 0, true);
        Close(1);
        break;
    case IDCANCEL:
        if (isServer_) {
            UnregisterHandler(BusMessage(CONNECTION_CLOSED), ConnectionClosedEntry);
            PostConnectionEvent(ConnectionEvent::kServerLeft, "", 0);
            delete PostEventAndWait(BusMessage(CLOSE_CONNECTION));
        }
        Close(0);
        break;
    case kPlayers:
        if (isServer_ && static_cast<WORD>(notification) == LBN_SELCHANGE)
            EnableItem(kReject, row != LB_ERR && rowId != ownId_ ? 1 : 0);
        break;
    case kReject:
        // Nothing selected, or the server's own row: there is no one to send away.
        if (row == LB_ERR || rowId == ownId_) break;
        PostConnectionEvent(ConnectionEvent::kRejected, ResourceString(240), rowId);
        break;
    case kSend: {
        const std::string line = GetItemText(kLine);
        SetItemText(kLine, "");
        PostConnectionEvent(ConnectionEvent::kChat, ownName_ + ": " + line, 0);
        break;
    }
    default: break;
    }
}

void ConnectNetDlg::PlayerJoined(const std::string& name, std::uint32_t playerId) {
    if (playerNames_.Contains(name)) {
        char text[512];
        std::snprintf(text, sizeof text, "The name '%s' is already being used in this game. You cannot join.", name.c_str());
        PostConnectionEvent(ConnectionEvent::kRejected, text, playerId);
        return;
    }
    PostConnectionEvent(ConnectionEvent::kServerName, ownName_, 0);
    Item<std::uint32_t>* ids = playerIds_.Head();
    for (Item<std::string>* n = playerNames_.Head(); n && ids; n = n->next, ids = ids->next)
        PostConnectionEvent(ConnectionEvent::kLoggedOn, n->value, ids->value);
    PostConnectionEvent(ConnectionEvent::kLoggedOn, name, playerId);
}

void ConnectNetDlg::PlayerLeft(const std::string&, std::uint32_t playerId) {
    HWND dialog = GetHandle();
    if (!dialog) return;
    const LRESULT n = SendDlgItemMessageA(dialog, kPlayers, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < n; ++row) {
        if (static_cast<std::uint32_t>(SendDlgItemMessageA(dialog, kPlayers, LB_GETITEMDATA, static_cast<WPARAM>(row), 0)) != playerId)
            continue;
        const LRESULT length = SendDlgItemMessageA(dialog, kPlayers, LB_GETTEXTLEN, static_cast<WPARAM>(row), 0);
        std::string text(static_cast<std::size_t>(length) + 1, '\0');
        SendDlgItemMessageA(dialog, kPlayers, LB_GETTEXT, static_cast<WPARAM>(row), reinterpret_cast<LPARAM>(text.data()));
        text.resize(static_cast<std::size_t>(length));
        PostConnectionEvent(ConnectionEvent::kLoggedOff, text, playerId);
        return;
    }
}

void ConnectNetDlg::HandleConnectionEvent(const std::string& text, std::uint32_t value, std::int32_t kind) {
    // Events still queued when the lobby closed must not close it a second time with another
    // result, nor touch controls that are gone.
    HWND dialog = GetHandle();
    if (!running_ || !dialog) return;
    const LRESULT row = SendDlgItemMessageA(dialog, kPlayers, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                            reinterpret_cast<LPARAM>(text.c_str()));
    switch (kind) {
    case ConnectionEvent::kLoggedOn:
        if (row == LB_ERR) {
            playerNames_ << text;
            playerIds_ << value;
            const LRESULT added = SendDlgItemMessageA(dialog, kPlayers, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
            SendDlgItemMessageA(dialog, kPlayers, LB_SETITEMDATA, static_cast<WPARAM>(added), static_cast<LPARAM>(value));
            EnableItem(IDOK, CanStart());
        }
        break;
    case ConnectionEvent::kLoggedOff:
        if (row != LB_ERR) {
            playerNames_ -= text;
            playerIds_ -= value;
            SendDlgItemMessageA(dialog, kPlayers, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
            EnableItem(IDOK, CanStart());
        }
        break;
    case ConnectionEvent::kRejected:
        if (value == ownId_) {
            delete PostEventAndWait(BusMessage(CLOSE_CONNECTION));
            ShowNotice(ResourceString(241), text);
            Close(0);
        }
        break;
    case ConnectionEvent::kChat: {
        SendDlgItemMessageA(dialog, kMessages, EM_SETREADONLY, FALSE, 0);
        const std::string line = text + "\r\n";
        SendDlgItemMessageA(dialog, kMessages, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(line.c_str()));
        SendDlgItemMessageA(dialog, kMessages, EM_SETREADONLY, TRUE, 0);
        break;
    }
    case ConnectionEvent::kServerName:
        serverName_ = text;
        SetItemText(kServerName, text.c_str());
        break;
    case ConnectionEvent::kServerLeft:
        if (!isServer_) {
            ShowNotice(ResourceString(241), ResourceString(242));
            delete PostEventAndWait(BusMessage(CLOSE_CONNECTION));
            Close(0);
        }
        break;
    case ConnectionEvent::kLobbyClosed:
        if (!isServer_) {
            if (text != kCloseText) ShowNotice(ownName_, ResourceString(243));
            Close(1);
        }
        break;
    default: ShowNotice(ownName_, "Bad ConnectionEvent received:" + text); break;
    }
}
