#include "comms/ui/net_chat.h"

#include "core/application.h"
#include "core/container.h"
#include "core/events.h"
#include "platform/richedit.h"
#include "ui/dialog_controls.h"
#include "ui/windows/win_app.h"

#include <algorithm>

namespace {

constexpr const char* kChatSource = "NETCHAT";
constexpr const char* kVhChatSource = "VHCHAT";

ContainerBase* ChatMessageEntry(Component* c, BusMessage, ContainerBase* payload) {
    NetChat* self;
    ChatMsg* message;
    if (BusArgs(c, payload, self, message, kChatSource, __LINE__)) self->ShowChatMessage(*message);
    return nullptr;
}

ContainerBase* SetPlayerInfoEntry(Component* c, BusMessage, ContainerBase* payload) {
    NetChat* self;
    PlyrInfo* info;
    if (BusArgs(c, payload, self, info, kChatSource, __LINE__)) self->SetPlayerInfo(info->name, info->label, info->flags);
    return nullptr;
}

ContainerBase* PlayerDeletedEntry(Component* c, BusMessage, ContainerBase* payload) {
    NetChat* self;
    std::string* name;
    if (BusArgs(c, payload, self, name, kChatSource, __LINE__)) self->PlayerDeleted(*name);
    return nullptr;
}

ContainerBase* WindowShowChatEntry(Component* c, BusMessage, ContainerBase*) {
    VhNetChat* self;
    if (BusReceiver(c, self, kVhChatSource, __LINE__)) self->Toggle();
    return nullptr;
}

ContainerBase* LocalIsHomeEntry(Component* c, BusMessage, ContainerBase* payload) {
    VhNetChat* self;
    short* value;
    if (BusArgs(c, payload, self, value, kVhChatSource, __LINE__)) self->SetLocalIsHome(static_cast<std::uint16_t>(*value));
    return nullptr;
}

} // namespace

// --- NetChat ---

NetChat::NetChat(const char* ownName)
    : Window(Point(0, 0), Dim(0, 0), "", "NetChat"), Dialog("Dialog Bitmaps", "Chat", "Background"),
      ownName_(ownName ? ownName : "") {}

NetChat::~NetChat() = default;

void NetChat::HookUp() {
    Dialog::HookUp();
    RegisterNamedHandler("ChatMessage", ChatMessageEntry);
    RegisterNamedHandler("SetPlayerInfo", SetPlayerInfoEntry);
    RegisterNamedHandler("PlayerDeleted", PlayerDeletedEntry);
}

void NetChat::Grow(std::int16_t index) {
    if (index < 0) return;
    const std::size_t need = static_cast<std::size_t>(index) + 1;
    if (names_.size() < need) names_.resize(need);
    if (labels_.size() < need) labels_.resize(need);
    highest_ = std::max(highest_, index);
}

void NetChat::SetPlayerName(std::int16_t index, const std::string& name) {
    if (index < 0) return;
    Grow(index);
    names_[static_cast<std::size_t>(index)] = name;
}

LRESULT NetChat::RowOf(std::int32_t index) const {
    HWND list = GetDlgItem(handle_, kPlayers);
    const LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < n; ++row)
        if (SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0) == index) return row;
    return LB_ERR;
}

void NetChat::SetPlayerLabel(std::int16_t index, const std::string& label) {
    if (index < 0) return;
    Grow(index);
    labels_[static_cast<std::size_t>(index)] = label;
    if (!running_ || !handle_) return;
    HWND list = GetDlgItem(handle_, kPlayers);
    const LRESULT old = RowOf(index);
    if (old != LB_ERR) SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(old), 0);
    const LRESULT row = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(label.c_str()));
    SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(index));
}

std::int16_t NetChat::FindPlayer(const std::string& name) const {
    std::int16_t found = -1;
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) found = static_cast<std::int16_t>(i);
    return found;
}

std::vector<std::int32_t> NetChat::GroupMembers(std::int16_t group) const {
    std::vector<std::int32_t> members;
    if (group < 0 || group > 2) return members;
    for (Item<std::int32_t>* i = groups_[group].Head(); i; i = i->next) members.push_back(i->value);
    return members;
}

void NetChat::OnInit() {
    // The pane takes the radio's item id; the radio is found before the pane exists.
    groupRadio_ = dynamic_cast<DialogRadio*>(GetItemControl(kFriendly));
    platform::RegisterRichEditClass();
    pane_ = CreateWindowExA(WS_EX_STATICEDGE, "RichEdit", "",
                            WS_CHILD | WS_VSCROLL | ES_READONLY | ES_MULTILINE | ES_AUTOVSCROLL, 10, 10, 311, 244,
                            handle_, reinterpret_cast<HMENU>(static_cast<std::intptr_t>(kPane)), nullptr, nullptr);
    textLimit_ = pane_ ? static_cast<std::int32_t>(SendMessageA(pane_, EM_GETLIMITTEXT, 0, 0)) : 0;
    if (pane_) ShowWindow(pane_, SW_SHOW);
    if (groupRadio_) groupRadio_->SetValue(0);
    group_ = 0;
    HWND list = GetDlgItem(handle_, kPlayers);
    for (std::int16_t i = 0; i <= highest_ && static_cast<std::size_t>(i) < labels_.size(); ++i) {
        const LRESULT row = SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(labels_[static_cast<std::size_t>(i)].c_str()));
        SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(row), static_cast<LPARAM>(i));
    }
    ShowGroup(0);
    SendDlgItemMessageA(handle_, kLine, EM_LIMITTEXT, kMostLine, 0);
}

void NetChat::Close(std::int16_t result) {
    Dialog::Close(result);
    pane_ = nullptr;
    groupRadio_ = nullptr;
}

void NetChat::ShowGroup(std::int16_t group) {
    if (!handle_ || group < 0 || group > 2) return;
    HWND list = GetDlgItem(handle_, kPlayers);
    const LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < n; ++row) {
        const auto index = static_cast<std::int32_t>(SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0));
        SendMessageA(list, LB_SETSEL, groups_[group].Contains(index) ? TRUE : FALSE, row);
    }
}

void NetChat::AddToGroup(std::int16_t group, std::int32_t index) {
    if (!groups_[group].Contains(index)) groups_[group] << index;
}

void NetChat::Command(std::int16_t itemId, std::int16_t notification) {
    switch (itemId) {
    case kFriendly:
    case kHostile:
    case kCustom: {
        const std::int16_t g = groupRadio_ ? groupRadio_->GetValue() : static_cast<std::int16_t>(-1);
        if (g >= 0 && g <= 2 && g != group_) {
            group_ = g;
            ShowGroup(g);
        }
        break;
    }
    case kPlayers: {
        if (static_cast<WORD>(notification) != LBN_SELCHANGE) break;
        HWND list = GetDlgItem(handle_, kPlayers);
        groups_[group_].Clear();
        const LRESULT n = SendMessageA(list, LB_GETCOUNT, 0, 0);
        for (LRESULT row = 0; row < n; ++row)
            if (SendMessageA(list, LB_GETSEL, static_cast<WPARAM>(row), 0) > 0)
                AddToGroup(group_, static_cast<std::int32_t>(SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(row), 0)));
        ShowGroup(group_);
        break;
    }
    case kSend: {
        ChatMsg message(ownName_, GetItemText(kLine));
        SetItemText(kLine, "");
        for (Item<std::int32_t>* i = groups_[group_].Head(); i; i = i->next)
            if (i->value >= 0 && static_cast<std::size_t>(i->value) < names_.size())
                message.recipients << names_[static_cast<std::size_t>(i->value)];
        Container<ChatMsg> payload(message);
        PostNamed("ChatMessage", &payload);
        break;
    }
    default: Dialog::Command(itemId, notification); break;
    }
}

bool NetChat::IsForMe(const ChatMsg& message) const {
    return message.sender == ownName_ || message.recipients.Contains(ownName_);
}

void NetChat::PaneWritable(bool writable) { SendMessageA(pane_, EM_SETREADONLY, writable ? FALSE : TRUE, 0); }

void NetChat::MakeRoom(std::int32_t needed) {
    const auto length = static_cast<std::int32_t>(SendMessageA(pane_, WM_GETTEXTLENGTH, 0, 0));
    if (length + needed < textLimit_) return;
    FINDTEXTA find{{needed, textLimit_}, "\n"};
    const LRESULT at = SendMessageA(pane_, EM_FINDTEXT, 1, reinterpret_cast<LPARAM>(&find));
    if (at < 0) return;
    SendMessageA(pane_, EM_SETSEL, 0, static_cast<LPARAM>(at + 1));
    SendMessageA(pane_, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(""));
}

void NetChat::Append(const std::string& text, const char* face, LONG height, bool bold, COLORREF colour, bool coloured) {
    const auto end = static_cast<LPARAM>(SendMessageA(pane_, WM_GETTEXTLENGTH, 0, 0));
    SendMessageA(pane_, EM_SETSEL, static_cast<WPARAM>(end), end);
    CHARFORMATA format{};
    format.cbSize = sizeof format;
    format.dwMask = CFM_FACE | CFM_SIZE | CFM_BOLD | (coloured ? CFM_COLOR : 0);
    format.dwEffects = bold ? CFE_BOLD : 0;
    format.yHeight = height;
    format.crTextColor = colour;
    std::snprintf(format.szFaceName, sizeof format.szFaceName, "%s", face);
    SendMessageA(pane_, EM_SETCHARFORMAT, SCF_SELECTION, reinterpret_cast<LPARAM>(&format));
    SendMessageA(pane_, EM_REPLACESEL, 0, reinterpret_cast<LPARAM>(text.c_str()));
    SendMessageA(pane_, EM_SCROLLCARET, 0, 0);
}

void NetChat::ShowChatMessage(const ChatMsg& message) {
    if (!pane_ || !IsForMe(message)) return;
    MakeRoom(static_cast<std::int32_t>(message.sender.size() + message.text.size() + 4));
    PaneWritable(true);
    Append(" " + message.sender + ": ", "MS Sans Serif", 8, true, 0, false);
    Append(message.text + "\n", "MS Sans Serif", 8, false, 0, false);
    PaneWritable(false);
}

void NetChat::SetPlayerInfo(const std::string& name, const std::string& label, const std::uint16_t flags[3]) {
    const std::int16_t i = FindPlayer(name);
    if (i < 0) return;
    SetPlayerLabel(i, label);
    for (std::int16_t g = 0; g < 3; ++g) {
        if (!flags[g]) continue;
        AddToGroup(g, i);
        if (g == group_ && running_ && handle_) {
            const LRESULT row = RowOf(i);
            if (row != LB_ERR) SendDlgItemMessageA(handle_, kPlayers, LB_SETSEL, TRUE, row);
        }
    }
}

void NetChat::PlayerDeleted(const std::string& name) {
    const std::int16_t i = FindPlayer(name);
    if (i < 0) return;
    for (auto& group : groups_) group -= static_cast<std::int32_t>(i);
    if (!running_ || !handle_) return;
    const LRESULT row = RowOf(i);
    if (row != LB_ERR) SendDlgItemMessageA(handle_, kPlayers, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
}

// --- VhNetChat ---

COLORREF VhNetChat::SenderColour(std::int32_t colourIndex) {
    switch (colourIndex) {
    case 0: return RGB(0, 0, 255);
    case 1: return RGB(128, 128, 128);
    default: return RGB(0, 0, 0);
    }
}

VhNetChat::VhNetChat(const char* ownName, std::int32_t homeNation, std::int32_t visitingNation)
    : Window(Point(0, 0), Dim(0, 0), "", "NetChat"), NetChat(ownName), homeNation_(homeNation),
      visitingNation_(visitingNation) {}

void VhNetChat::SetPlayerColour(std::int16_t index, std::int32_t colourIndex) {
    if (index < 0) return;
    if (colours_.size() <= static_cast<std::size_t>(index)) colours_.resize(static_cast<std::size_t>(index) + 1, -1);
    colours_[static_cast<std::size_t>(index)] = colourIndex;
}

std::int32_t VhNetChat::ColourOf(const std::string& name) const {
    for (std::size_t i = 0; i < names_.size(); ++i)
        if (names_[i] == name) return i < colours_.size() ? colours_[i] : -1;
    return -1;
}

void VhNetChat::HookUp() {
    NetChat::HookUp();
    RegisterNamedHandler("WindowShowChat", WindowShowChatEntry);
    RegisterNamedHandler("LocalIsHome", LocalIsHomeEntry);
}

void VhNetChat::MenuEvent(std::int32_t event, bool wait) {
    Container<BusMessage> item{BusMessage(kShowChatItem)};
    if (wait)
        delete PostAndWait(BusMessage(event), &item);
    else
        Post(BusMessage(event), &item);
}

void VhNetChat::OnInit() {
    if (MainWindowHandle && IsWindow(MainWindowHandle)) {
        RECT client, mine;
        ::GetClientRect(MainWindowHandle, &client);
        ::GetWindowRect(handle_, &mine);
        const int width = mine.right - mine.left;
        MoveWindow(handle_, (client.right - client.left) - width, 0, width, mine.bottom - mine.top, TRUE);
    }
    notify_ = 1;
    SendDlgItemMessageA(handle_, kNotify, BM_SETCHECK, BST_CHECKED, 0);
    shown_ = 1;
    MenuEvent(CHECK_MENU_ITEM, false);
    {
        Container<BusMessage> item{BusMessage(kShowChatItem)};
        delete Send(BusMessage(ENABLE_MENU_ITEM), &item);
    }
    NetChat::OnInit();
}

void VhNetChat::Command(std::int16_t itemId, std::int16_t notification) {
    if (itemId == kHelp) return;
    if (itemId == kNotify) {
        notify_ = notify_ ? 0 : 1;
        return;
    }
    NetChat::Command(itemId, notification);
}

LRESULT VhNetChat::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    // The close box hides the window; only the network game closes it.
    if (message == WM_CLOSE && running_) {
        Toggle();
        return 0;
    }
    return NetChat::WindowProc(message, wParam, lParam);
}

void VhNetChat::Toggle() {
    if (!running_ || !handle_) return;
    shown_ = shown_ ? 0 : 1;
    ShowWindow(handle_, shown_ ? SW_SHOW : SW_HIDE);
    MenuEvent(shown_ ? CHECK_MENU_ITEM : UNCHECK_MENU_ITEM, true);
}

void VhNetChat::SetLocalIsHome(std::uint16_t value) {
    localIsHome_ = value;
    if (running_ && handle_) SendDlgItemMessageA(handle_, kPlayers, LB_SETSEL, FALSE, -1);
    for (auto& group : groups_) group.Clear();
}

void VhNetChat::SetPlayerInfo(const std::string& name, const std::string& label, const std::uint16_t flags[3]) {
    const std::int16_t i = FindPlayer(name);
    if (i < 0) return;
    const bool sameSide = flags[0] != 0;
    const std::int32_t nation = localIsHome_ ? (sameSide ? homeNation_ : visitingNation_)
                                             : (sameSide ? visitingNation_ : homeNation_);
    SetPlayerColour(i, nation);
    NetChat::SetPlayerInfo(name, label, flags);
}

void VhNetChat::ShowChatMessage(const ChatMsg& message) {
    if (!pane_ || !IsForMe(message)) return;
    MakeRoom(static_cast<std::int32_t>(message.sender.size() + message.text.size() + 4));
    PaneWritable(true);
    Append(" " + message.sender + ": ", "Arial", 175, true, SenderColour(ColourOf(message.sender)), true);
    Append(message.text + "\n", "Arial", 175, true, RGB(0, 0, 0), true);
    PaneWritable(false);
    if (notify_ && !shown_) {
        shown_ = 1;
        ShowWindow(handle_, SW_SHOW);
        MenuEvent(CHECK_MENU_ITEM, false);
    }
}

void VhNetChat::Close(std::int16_t result) {
    {
        Container<BusMessage> item{BusMessage(kShowChatItem)};
        delete Send(BusMessage(DISABLE_MENU_ITEM), &item);
    }
    MenuEvent(UNCHECK_MENU_ITEM, false);
    NetChat::Close(result);
}
