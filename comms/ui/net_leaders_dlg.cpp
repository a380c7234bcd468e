#include "comms/ui/net_leaders_dlg.h"

#include "core/application.h"
#include "core/container.h"
#include "platform/msgbox.h"

#include <algorithm>
#include <cctype>

namespace {

constexpr const char* kSource = "NETLEAD";
constexpr int kDialogEventLine = 385;
constexpr int kShowPageLine = 566;
constexpr const char* kDialogEvent = "DialogEvent";
constexpr const char* kShowPage = "ShowPage";

// A leader's row shows the name before its first "(".
std::string RowName(const std::string& leader) { return leader.substr(0, leader.find('(')); }

std::vector<std::string> ToVector(const List<std::string>& l) {
    std::vector<std::string> v;
    for (Item<std::string>* i = l.Head(); i; i = i->next) v.push_back(i->value);
    return v;
}

bool StartsWithNoCase(const std::string& text, const std::string& prefix) {
    if (prefix.size() > text.size()) return false;
    for (std::size_t i = 0; i < prefix.size(); ++i)
        if (std::tolower(static_cast<unsigned char>(text[i])) != std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    return true;
}

ContainerBase* CloseGameEntry(Component* c, BusMessage, ContainerBase*) {
    NetChooseLeadersDlg* self;
    if (BusReceiver(c, self, kSource, __LINE__) && self->IsRunning()) self->Close(0);
    return nullptr;
}

ContainerBase* DialogEventEntry(Component* c, BusMessage, ContainerBase* payload) {
    NetChooseLeadersDlg* self;
    DialogEvent* event;
    if (BusArgs(c, payload, self, event, kSource, kDialogEventLine)) self->OnDialogEvent(*event);
    return nullptr;
}

ContainerBase* ShowPageEntry(Component* c, BusMessage, ContainerBase* payload) {
    NetChooseLeadersDlg* self;
    short* page;
    if (BusArgs(c, payload, self, page, kSource, kShowPageLine)) self->ShowPage(*page);
    return nullptr;
}

} // namespace

NetChooseLeadersDlg::NetChooseLeadersDlg(const TeamInfoStruct& teams, const List<std::string>& players,
                                         std::uint16_t isHost, const char* localName)
    : Window(Point(0, 0), Dim(0, 0), "", "NetChooseLeadersDlg"), Dialog("Dialog Bitmaps", "Intro", ""),
      leaderCount0_(static_cast<std::int16_t>(teams.homeLeaders.Count())),
      leaderCount1_(static_cast<std::int16_t>(teams.visitingLeaders.Count())), isHost_(isHost),
      localName_(localName ? localName : ""), teams_(teams), players_(players) {
    const std::string first = players_.IsEmpty() ? std::string() : players_.Head()->value;
    controllers0_.assign(static_cast<std::size_t>(leaderCount0_), first);
    controllers1_.assign(static_cast<std::size_t>(leaderCount1_), first);
}

NetChooseLeadersDlg::NetChooseLeadersDlg(const TeamInfoStruct& teams, const List<std::string>& players,
                                         std::uint16_t isHost, const char* localName, const List<LeaderInfo>& saved)
    : NetChooseLeadersDlg(teams, players, isHost, localName) {
    auto restore = [&](const List<std::string>& leaders, std::vector<std::string>& controllers) {
        std::size_t i = 0;
        for (Item<std::string>* l = leaders.Head(); l && i < controllers.size(); l = l->next, ++i) {
            for (Item<LeaderInfo>* s = saved.Head(); s; s = s->next) {
                if (s->value.second != l->value) continue;
                if (players_.Contains(s->value.first)) controllers[i] = s->value.first;
                break;
            }
        }
    };
    restore(teams_.homeLeaders, controllers0_);
    restore(teams_.visitingLeaders, controllers1_);
}

NetChooseLeadersDlg::~NetChooseLeadersDlg() = default;

void NetChooseLeadersDlg::HookUp() {
    Dialog::HookUp();
    RegisterNamedHandler("CloseGame", CloseGameEntry);
    if (!isHost_) RegisterNamedHandler(kDialogEvent, DialogEventEntry);
    RegisterNamedHandler(kShowPage, ShowPageEntry);
}

void NetChooseLeadersDlg::FillSide(const List<std::string>& leaders, const std::vector<std::string>& controllers,
                                   std::int16_t combo, std::int16_t labels, const std::string& ref, bool& differ) {
    HWND dialog = GetHandle();
    std::int16_t i = 0;
    for (Item<std::string>* l = leaders.Head(); l && i < kRows; l = l->next, ++i) {
        const std::string& controller = controllers[static_cast<std::size_t>(i)];
        differ = differ || controller != ref;
        SetItemText(static_cast<std::int16_t>(labels + i), RowName(l->value).c_str());
        HWND box = GetDlgItem(dialog, combo + i);
        for (Item<std::string>* p = players_.Head(); p; p = p->next)
            SendMessageA(box, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(p->value.c_str()));
        EnableItem(static_cast<std::int16_t>(combo + i), isHost_ ? 1 : 0);
        std::int16_t row = 0;
        for (Item<std::string>* p = players_.Head(); p; p = p->next, ++row) {
            if (!StartsWithNoCase(p->value, controller)) continue;
            SendMessageA(box, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
            break;
        }
    }
    for (; i < kRows; ++i) {
        ShowWindow(GetDlgItem(dialog, labels + i), SW_HIDE);
        ShowWindow(GetDlgItem(dialog, combo + i), SW_HIDE);
    }
}

void NetChooseLeadersDlg::OnInit() {
    SetItemText(kFirstName, teams_.homeName.c_str());
    SetItemText(kSecondName, teams_.visitingName.c_str());
    // Without a leader on the first side the second side's first choice is the reference.
    const std::string ref = !controllers0_.empty() ? controllers0_[0] : !controllers1_.empty() ? controllers1_[0] : std::string();
    bool differ = false;
    FillSide(teams_.homeLeaders, controllers0_, kFirstCombo, kFirstLabels, ref, differ);
    FillSide(teams_.visitingLeaders, controllers1_, kSecondCombo, kSecondLabels, ref, differ);
    EnableItem(IDOK, differ && isHost_ ? 1 : 0);
    if (isHost_) SendShowPage(1);
}

void NetChooseLeadersDlg::ShowRows(std::int16_t firstCombo, std::int16_t showFrom, std::int16_t showTo,
                                   std::int16_t labels, const List<std::string>& leaders) {
    HWND dialog = GetHandle();
    for (std::int16_t k = 0; k < kRows; ++k) SetItemText(static_cast<std::int16_t>(labels + k), "");
    // The names go into the side's visible labels, in the rows the shown boxes take.
    const std::int16_t visible =
        labels == kFirstLabels ? static_cast<std::int16_t>(kFirstLabels) : static_cast<std::int16_t>(labels + kRowsOnPage);
    std::int16_t next = 0;
    Item<std::string>* leader = leaders.Head();
    for (std::int16_t combo = firstCombo; combo < firstCombo + kRows; ++combo, leader = leader ? leader->next : nullptr) {
        if (combo >= showFrom && combo <= showTo && leader) {
            SetItemText(static_cast<std::int16_t>(visible + next++), RowName(leader->value).c_str());
            ShowWindow(GetDlgItem(dialog, combo), SW_SHOW);
        } else {
            ShowWindow(GetDlgItem(dialog, combo), SW_HIDE);
        }
    }
}

void NetChooseLeadersDlg::ShowPage(std::int16_t page) {
    if (!running_ || !GetHandle()) return;
    if (page == 1) {
        EnableItem(kPrev, 0);
        EnableItem(kNext, isHost_ && (leaderCount0_ > 18 || leaderCount1_ > 18) ? 1 : 0);
        ShowRows(kFirstCombo, kFirstCombo, static_cast<std::int16_t>(std::min(500 + leaderCount0_, 519)), kFirstLabels,
                 teams_.homeLeaders);
        ShowRows(kSecondCombo, kSecondCombo, static_cast<std::int16_t>(std::min(538 + leaderCount1_, 557)), kSecondLabels,
                 teams_.visitingLeaders);
    } else if (page == 2) {
        EnableItem(kPrev, isHost_ ? 1 : 0);
        EnableItem(kNext, 0);
        ShowRows(kFirstCombo, 520, static_cast<std::int16_t>(std::min(500 + leaderCount0_, 538)), kFirstLabels,
                 teams_.homeLeaders);
        ShowRows(kSecondCombo, 558, static_cast<std::int16_t>(std::min(538 + leaderCount1_, 576)), kSecondLabels,
                 teams_.visitingLeaders);
    }
}

std::string* NetChooseLeadersDlg::ControllerOf(std::int16_t item) {
    if (item >= kFirstCombo && item < kFirstCombo + kRows) {
        const auto i = static_cast<std::size_t>(item - kFirstCombo);
        return i < controllers0_.size() ? &controllers0_[i] : nullptr;
    }
    if (item >= kSecondCombo && item < kSecondCombo + kRows) {
        const auto i = static_cast<std::size_t>(item - kSecondCombo);
        return i < controllers1_.size() ? &controllers1_[i] : nullptr;
    }
    return nullptr;
}

void NetChooseLeadersDlg::PostDialogEvent(std::int16_t item, std::int16_t kind, std::int16_t value, bool wait) {
    Container<DialogEvent> payload(DialogEvent(item, kind, value));
    if (wait)
        delete PostNamedAndWait(kDialogEvent, &payload);
    else
        PostNamed(kDialogEvent, &payload);
}

void NetChooseLeadersDlg::SendShowPage(std::int16_t page) {
    Container<short> payload(page);
    delete SendNamed(kShowPage, &payload);
}

void NetChooseLeadersDlg::OnSelectionChange(std::int16_t item) {
    std::string* controller = ControllerOf(item);
    if (!controller) return;
    const LRESULT row = SendDlgItemMessageA(GetHandle(), item, CB_GETCURSEL, 0, 0);
    *controller = row == CB_ERR ? std::string() : GetComboText(item, static_cast<std::int16_t>(row));
    PostDialogEvent(item, kSelectionChanged, static_cast<std::int16_t>(row));
}

bool NetChooseLeadersDlg::ChoicesDiffer() {
    HWND dialog = GetHandle();
    bool first = true, differ = false;
    LRESULT ref = 0;
    auto side = [&](std::int16_t combo, std::int16_t count) {
        for (std::int16_t i = 0; i < std::min<std::int16_t>(count, kRows); ++i) {
            const LRESULT row = SendDlgItemMessageA(dialog, combo + i, CB_GETCURSEL, 0, 0);
            if (first) ref = row, first = false;
            else if (row != ref) differ = true;
        }
    };
    side(kFirstCombo, leaderCount0_);
    side(kSecondCombo, leaderCount1_);
    return differ;
}

LRESULT NetChooseLeadersDlg::WindowProc(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_COMMAND && running_) {
        const WORD code = HIWORD(wParam);
        const auto item = static_cast<std::int16_t>(LOWORD(wParam));
        const bool isCombo = item >= kFirstCombo && item < kSecondCombo + kRows;
        if (isCombo && (code == CBN_SELCHANGE || code == CBN_DROPDOWN || code == CBN_CLOSEUP || code == CBN_SELENDOK)) {
            if (!isHost_) return 0;
            switch (code) {
            case CBN_SELCHANGE:
                // A choice made without dropping the list (arrow keys, a click that steps) ends
                // with no SELENDOK: the OK button follows every change.
                OnSelectionChange(item);
                EnableItem(IDOK, ChoicesDiffer() ? 1 : 0);
                break;
            case CBN_DROPDOWN: PostDialogEvent(item, kDroppedDown, 0); break;
            case CBN_CLOSEUP: PostDialogEvent(item, kClosedUp, 0); break;
            default:
                PostDialogEvent(item, kClosedUp, 0);
                OnSelectionChange(item);
                EnableItem(IDOK, ChoicesDiffer() ? 1 : 0);
                break;
            }
            return 0;
        }
    }
    return Dialog::WindowProc(message, wParam, lParam);
}

void NetChooseLeadersDlg::Command(std::int16_t itemId, std::int16_t notification) {
    switch (itemId) {
    case IDOK: {
        // Enter reaches OK while it is disabled too. A joining peer ends only with the host's OK,
        // and the host only while the leaders are spread over two players or more; otherwise
        // the peers would end with different assignments.
        if (!isHost_ || !IsWindowEnabled(GetDlgItem(GetHandle(), IDOK))) break;
        Application* app = GetApplication();
        if (app) app->BeginWait();
        ShowWindow(GetHandle(), SW_HIDE);
        PostDialogEvent(IDOK, kEnded, 1, true);
        if (app) app->EndWait();
        Dialog::Command(itemId, notification);
        break;
    }
    case kHelp: break;
    case kPrev: SendShowPage(1); break;
    case kNext: SendShowPage(2); break;
    default: Dialog::Command(itemId, notification); break;
    }
}

void NetChooseLeadersDlg::OnDialogEvent(const DialogEvent& event) {
    if (!running_ || !GetHandle()) return;
    HWND dialog = GetHandle();
    switch (event.kind) {
    case kSelectionChanged:
    case kDroppedDown:
    case kClosedUp: {
        std::string* controller = ControllerOf(event.controlId);
        if (!controller) break;  // not a leader's row: nothing to follow
        EnableItem(event.controlId, 1);
        if (event.kind == kSelectionChanged) {
            SendDlgItemMessageA(dialog, event.controlId, CB_SETCURSEL, static_cast<WPARAM>(event.value), 0);
            const LRESULT row = SendDlgItemMessageA(dialog, event.controlId, CB_GETCURSEL, 0, 0);
            *controller = row == CB_ERR ? std::string() : GetComboText(event.controlId, static_cast<std::int16_t>(row));
        } else {
            SendDlgItemMessageA(dialog, event.controlId, CB_SHOWDROPDOWN, event.kind == kDroppedDown ? TRUE : FALSE, 0);
        }
        EnableItem(event.controlId, 0);
        break;
    }
    case kEnded:
        if (event.controlId == IDOK) Close(event.value);
        break;
    default:
        if (Application* app = GetApplication())
            app->ShowMessage(app->LoadResourceString(159).c_str(), app->LoadResourceString(201).c_str(), MB_ICONINFORMATION);
        break;
    }
}

std::string NetChooseLeadersDlg::FinishLabel(std::string label) {
    if (label.size() > 1) {
        if (label.back() == '(') label.back() = ' ';
        if (label[label.size() - 2] == ',') label[label.size() - 2] = ')';
    }
    return label;
}

void NetChooseLeadersDlg::Close(std::int16_t result) {
    if (!running_) return;
    Dialog::Close(result);
    UnregisterNamedHandler(kDialogEvent, DialogEventEntry);
    UnregisterNamedHandler(kShowPage, ShowPageEntry);
    if (result) MakeRecords();
}

void NetChooseLeadersDlg::MakeRecords() {
    const std::vector<std::string> players = ToVector(players_);
    const std::size_t n = players.size();
    std::vector<PlyrInfo> records(n);
    // A player without leaders is on neither side.
    std::vector<int> sides(n, -1);
    int local = -1;
    for (std::size_t j = 0; j < n; ++j) {
        if (players[j] == localName_) local = static_cast<int>(j);
        records[j] = PlyrInfo(players[j], players[j] + " (", 0, 0, 1);
    }
    assignments_.Clear();
    auto assign = [&](List<std::string>& leaders, const std::vector<std::string>& controllers, int side) {
        const std::vector<std::string> copy = ToVector(leaders);
        leaders.Clear();
        for (std::size_t i = 0; i < copy.size(); ++i) {
            const std::string& controller = i < controllers.size() ? controllers[i] : std::string();
            const auto it = std::find(players.begin(), players.end(), controller);
            if (it == players.end()) continue;
            const auto j = static_cast<std::size_t>(it - players.begin());
            assignments_ << LeaderInfo(players[j], copy[i]);
            records[j].label += copy[i] + ", ";
            sides[j] = side;
            if (static_cast<int>(j) == local) leaders << copy[i];
        }
    };
    assign(teams_.homeLeaders, controllers0_, 1);
    assign(teams_.visitingLeaders, controllers1_, 0);

    const int localSide = local >= 0 ? sides[static_cast<std::size_t>(local)] : -1;
    {
        Container<short> home(static_cast<short>(localSide == 1 ? 1 : 0));
        delete PostNamedAndWait("LocalIsHome", &home);
    }
    for (std::size_t j = 0; j < n; ++j) {
        const bool same = sides[j] >= 0 && sides[j] == localSide;
        records[j].flags[0] = same ? 1 : 0;
        records[j].flags[1] = sides[j] >= 0 && !same ? 1 : 0;
        records[j].label = FinishLabel(records[j].label);
        Container<PlyrInfo> payload(records[j]);
        delete PostNamedAndWait("SetPlayerInfo", &payload);
    }
}
