#include "ui/button.h"

#include "core/application.h"
#include "core/assertion.h"
#include "core/message_registry.h"
#include "ui/set_text_data.h"

#include <algorithm>

namespace {

constexpr const char* kSource = "BUTTON";

template <int Event>
ContainerBase* MenuEventEntry(Component* receiver, BusMessage, ContainerBase* payload) {
    Button* self;
    BusMessage* word;
    if (!BusArgs(receiver, payload, self, word, kSource, __LINE__)) return nullptr;
    switch (Event) {
    case ENABLE_MENU_ITEM: self->Enable(*word); break;
    case DISABLE_MENU_ITEM: self->Disable(*word); break;
    case CHECK_MENU_ITEM: self->Check(*word); break;
    case UNCHECK_MENU_ITEM: self->Uncheck(*word); break;
    default: break;
    }
    return nullptr;
}

bool SameCommand(BusMessage a, BusMessage b) { return a.Number() == b.Number(); }

} // namespace

Button::Button(const char* library, const char* section, BusMessage command, const char* statusText,
               const char* toolTipText, const char* name, std::uint16_t toggle)
    : Tile(Box(), name ? name : "Unnamed button"), command_(command), art_(library),
      toolTip_(toolTipText ? toolTipText : ""), statusText_(statusText ? statusText : ""),
      section_(section ? section : ""), toggle_(toggle) {
    if (Bitmap* up = art_.GetBitmapByName("UpEnabled", section_.c_str())) {
        artSize_ = up->GetSize();
        art_.ReleaseBitmap("UpEnabled", section_.c_str());
    } else {
        // A button without its art would be an invisible, zero-sized hole in its toolbar.
        AssertFail("Missing button art \"UpEnabled\" in section \"" + section_ + "\" of library \"" +
                       std::string(library ? library : "") + "\"",
                   kSource, __LINE__);
    }
}

Button::~Button() {
    if (tracking_ && GetCaptor() == this) ReleaseMouse();
}

void Button::Connect() { RegisterMenuHandlers(); }

void Button::RegisterMenuHandlers() {
    RegisterHandler(ENABLE_MENU_ITEM, &MenuEventEntry<ENABLE_MENU_ITEM>);
    RegisterHandler(DISABLE_MENU_ITEM, &MenuEventEntry<DISABLE_MENU_ITEM>);
    RegisterHandler(CHECK_MENU_ITEM, &MenuEventEntry<CHECK_MENU_ITEM>);
    RegisterHandler(UNCHECK_MENU_ITEM, &MenuEventEntry<UNCHECK_MENU_ITEM>);
}

void Button::EnableMouseEvents() {
    EnableMouseEvent(kLeftUp);
    EnableMouseEvent(kLeftDown);
    EnableMouseEvent(kHover);
    EnableMouseEvent(kMouseEnter);
    EnableMouseEvent(kMouseLeave);
}

bool Button::DrawImage(const char* image) {
    Bitmap* b = art_.GetBitmapByName(image, section_.c_str());
    if (!b) return false;
    DrawAll(Point(0, 0), *b, 1);
    art_.ReleaseBitmap(image, section_.c_str());
    return true;
}

void Button::DrawUpEnabled() { DrawImage("UpEnabled"); }
void Button::DrawDownEnabled() { DrawImage("DownEnabled"); }
void Button::DrawUpDisabled() { DrawImage("UpDisabled"); }
void Button::DrawDownDisabled() { DrawImage("DownDisabled"); }

void Button::Redraw() {
    if (IsEnabled()) {
        if (IsDown()) DrawDownEnabled();
        else DrawUpEnabled();
    } else {
        if (IsDown()) DrawDownDisabled();
        else DrawUpDisabled();
    }
    Show();
}

void Button::SetStateBits(std::uint16_t state) { state_ = state; }

Dim Button::GetArtSize() const { return artSize_; }

void Button::OnCommand(BusMessage) {}

void Button::Fire() {
    Container<BusMessage> payload(command_);
    PostNamed("Command", &payload);
}

void Button::OnLButtonDown(const Point&) {
    if (!IsEnabled() || (!toggle_ && IsDown())) return;
    delete PostNamedEventAndWait("ToolTipKill");
    // The tool-tip's handler may have pumped messages; a Disable heard meanwhile wins.
    if (!IsEnabled()) return;
    tracking_ = 1;
    if (GetCaptor() != this) CaptureMouse();
    EnableMouseEvent(kMouseMove);
    savedState_ = state_;
    state_ |= kDownBit;
    Redraw();
}

void Button::OnMouseMove(const Point& p) {
    if (!IsEnabled() || !tracking_) return;
    if (toggle_ && (savedState_ & kDownBit)) return;
    if (Box(0, 0, GetWidth(), GetHeight()).Contains(p)) state_ |= kDownBit;
    else state_ &= static_cast<std::uint16_t>(~kDownBit);
    Redraw();
}

void Button::StopTracking() {
    if (GetCaptor() == this) ReleaseMouse();
    DisableMouseEvent(kMouseMove);
    tracking_ = 0;
}

void Button::OnLButtonUp(const Point& p) {
    bool inside = false;
    if (IsEnabled() && tracking_) {
        inside = Box(0, 0, GetWidth(), GetHeight()).Contains(p);
        if (!toggle_ || ((savedState_ & kDownBit) && inside)) state_ &= static_cast<std::uint16_t>(~kDownBit);
    }
    if (tracking_) {
        StopTracking();
        Container<SetTextData> text(SetTextData(BusMessage(RegisterMessage("Sbar1")).Word(), "Up", 1));
        PostNamed("SetItemText", &text);
    }
    if (inside) Fire();
    Redraw();
}

void Button::OnHover(const Point&) {
    if (IsDown() || tracking_) return;
    Container<short> on(1);
    PostNamed("ToolTipEnable", &on);
}

void Button::OnMouseEnter(const Point&) {
    if (!statusText_.empty())
        if (Application* app = GetApplication()) app->SetStatusText(statusText_.c_str(), 1);
    Container<char*> tip(toolTip_.c_str());
    PostNamed("ToolTipText", &tip);
}

void Button::OnMouseLeave(const Point&) {
    if (!statusText_.empty())
        if (Application* app = GetApplication()) app->SetStatusText("", 1);
    Container<short> off(0);
    PostNamed("ToolTipEnable", &off);
}

std::int16_t Button::Enable(BusMessage event) {
    if (!SameCommand(event, command_)) return 0;
    state_ |= kEnabledBit;
    Redraw();
    return 0;
}

std::int16_t Button::Disable(BusMessage event) {
    if (!SameCommand(event, command_)) return 0;
    if (tracking_) {
        StopTracking();
        if (!toggle_) state_ &= static_cast<std::uint16_t>(~kDownBit);
    }
    state_ &= static_cast<std::uint16_t>(~kEnabledBit);
    Redraw();
    return 0;
}

std::int16_t Button::Check(BusMessage event) {
    if (!SameCommand(event, command_)) return 0;
    state_ |= kDownBit;
    Redraw();
    return 0;
}

std::int16_t Button::Uncheck(BusMessage event) {
    if (!SameCommand(event, command_)) return 0;
    if (tracking_) StopTracking();
    state_ &= static_cast<std::uint16_t>(~kDownBit);
    Redraw();
    return 0;
}

// --- MultiStateButton ---

MultiStateButton::MultiStateButton(int states, const char* library, const char* section, BusMessage command,
                                   const char* statusText, const char* toolTipText, const char* name)
    : Button(library, section, command, statusText, toolTipText, name, 0),
      // A button of no states would have nothing to step through (and no state to wrap to).
      count_(std::max(1, states)), defaultToolTip_(toolTipText ? toolTipText : ""),
      defaultStatus_(statusText ? statusText : "") {
    states_.assign(static_cast<std::size_t>(count_), StateInfo{command, section_, statusText_, toolTip_});
    enabled_.assign(static_cast<std::size_t>(count_), 1);
}

void MultiStateButton::SetStateInfo(int index, const char* section, BusMessage command, const char* statusText,
                                    const char* toolTipText) {
    if (index < 0 || index >= count_) return;
    states_[index] = StateInfo{command, section ? section : "", statusText ? statusText : "",
                               toolTipText ? toolTipText : ""};
}

void MultiStateButton::SetState(int index) {
    if (index < 0 || index >= count_) return;
    current_ = index;
    const StateInfo& s = states_[index];
    command_ = s.command;
    if (enabled_[index]) state_ |= kEnabledBit;
    else state_ &= static_cast<std::uint16_t>(~kEnabledBit);
    toolTip_ = s.toolTip.empty() ? defaultToolTip_ : s.toolTip;
    statusText_ = s.statusText.empty() ? defaultStatus_ : s.statusText;
    section_ = s.section;
    Container<char*> tip(toolTip_.c_str());
    PostNamed("ToolTipText", &tip);
    if (!statusText_.empty())
        if (Application* app = GetApplication()) app->SetStatusText(statusText_.c_str(), 1);
    Redraw();
}

void MultiStateButton::Fire() {
    Container<BusMessage> payload(states_[current_].command);
    PostNamed("Command", &payload);
}

std::int16_t MultiStateButton::Enable(BusMessage event) {
    for (int k = 0; k < count_; ++k)
        if (SameCommand(states_[k].command, event)) {
            enabled_[k] = 1;
            Button::Enable(event);
        }
    return 0;
}

std::int16_t MultiStateButton::Disable(BusMessage event) {
    for (int k = 0; k < count_; ++k)
        if (SameCommand(states_[k].command, event)) {
            enabled_[k] = 0;
            Button::Disable(event);
        }
    return 0;
}

std::int16_t MultiStateButton::Check(BusMessage event) {
    for (int k = 0; k < count_; ++k)
        if (SameCommand(states_[k].command, event)) return Button::Check(event);
    return 0;
}

std::int16_t MultiStateButton::Uncheck(BusMessage event) {
    for (int k = 0; k < count_; ++k)
        if (SameCommand(states_[k].command, event)) return Button::Uncheck(command_);
    return 0;
}

void MultiStateButton::OnCommand(BusMessage event) {
    if (SameCommand(states_[current_].command, event)) SetState((current_ + 1) % count_);
}
