#include "ui/display.h"

#include "core/absent_payload.h"
#include "core/application.h"
#include "core/assertion.h"
#include "core/events.h"
#include "ui/menu.h"

namespace {

// The menu item id of a menu event's payload: the low 28 bits of the value it holds.
bool MenuItemId(ContainerBase* payload, std::uint16_t& id) {
    // A menu event without an id names no item; it must not change item 0.
    if (PayloadAbsent(payload)) return false;
    if (const BusMessage* m = PayloadValue<BusMessage>(payload)) {
        id = static_cast<std::uint16_t>(m->Word() & 0x0FFFFFFFu);
        return true;
    }
    if (const long* l = PayloadValue<long>(payload)) {
        id = static_cast<std::uint16_t>(static_cast<std::uint32_t>(*l) & 0x0FFFFFFFu);
        return true;
    }
    if (const int* i = PayloadValue<int>(payload)) {
        id = static_cast<std::uint16_t>(static_cast<std::uint32_t>(*i) & 0x0FFFFFFFu);
        return true;
    }
    if (const short* s = PayloadValue<short>(payload)) {
        id = static_cast<std::uint16_t>(*s);
        return true;
    }
    return false;
}

template <int Event>
ContainerBase* MenuEventEntry(Component* receiver, BusMessage, ContainerBase* payload) {
    auto* self = dynamic_cast<Display*>(receiver);
    std::uint16_t id = 0;
    if (!self || !MenuItemId(payload, id)) {
        Assert(0, kBadBusData, "DISPLAY", __LINE__);
        return nullptr;
    }
    Menu* menu = self->GetMenu();
    if (!menu) return nullptr;
    switch (Event) {
    case ENABLE_MENU_ITEM: menu->Enable(id, 1); break;
    case DISABLE_MENU_ITEM: menu->Disable(id); break;
    case CHECK_MENU_ITEM: menu->Check(id, 1); break;
    case UNCHECK_MENU_ITEM: menu->Uncheck(id); break;
    default: break;
    }
    return nullptr;
}

} // namespace

Display::Display(const Dim& size, const char* name) : Bitmap(size, Bitmap::Plain), Component(name, "Unnamed Display") {
    Init();
}

Display::Display(const Dim& size, const char* name, const char* defaultName)
    : Bitmap(size, Bitmap::Plain), Component(name, defaultName) {
    Init();
}

void Display::Init() { layout_ = new TLayoutWindow(this, GetSize()); }

Display::~Display() {
    DetachChildren();
    delete menu_;
    menu_ = nullptr;
    if (Application* app = GetApplication()) app->ForgetMouseTile(this);
    delete layout_;
}

void Display::DetachChildren() {
    while (!children_.IsEmpty()) {
        Display* child = children_.Head()->value;
        child->Detach();
        // A child that does not take itself out is let go here.
        if (children_.Head() && children_.Head()->value == child) RemoveChild(child);
    }
}

// --- drawing with propagation ---

Box Display::Fill(unsigned char colour) {
    const Box b = Bitmap::Fill(colour);
    if (b.width > 0 && b.height > 0) {
        RectChanged(b);
        InvalidateChildren(b);
    }
    return b;
}

Box Display::Draw(const Point& at, Bitmap& source, const Box& sourceRect, int mode) {
    const Box b = Bitmap::Draw(at, source, sourceRect, mode);
    if (b.width > 0 && b.height > 0) {
        RectChanged(b);
        InvalidateChildren(b);
    }
    return b;
}

Box Display::FrameRect(const Box& rect, short r, short g, short b) {
    const Box box = Bitmap::FrameRect(rect, r, g, b);
    if (box.width > 0 && box.height > 0) {
        RectChanged(box);
        InvalidateChildren(box);
    }
    return box;
}

Box Display::MarkChanged(const Box& rect) {
    const Box b = Bitmap::MarkChanged(rect);
    if (b.width > 0 && b.height > 0) {
        RectChanged(b);
        InvalidateChildren(b);
    }
    return b;
}

void Display::Resize(const Dim& size) {
    Validate();
    Invalidate(Box(0, 0, size.width, size.height));
    Bitmap::Resize(size);
    layout_->SetSize(GetSize());
}

// --- mouse ---

void Display::OnMouseMove(const Point&) {}
void Display::OnLButtonDown(const Point&) {}
void Display::OnLButtonUp(const Point&) {}
void Display::OnLButtonDblClk(const Point&) {}
void Display::OnHover(const Point&) {}
void Display::OnMouseEnter(const Point&) {}
void Display::OnMouseLeave(const Point&) {}
void Display::PrepareContextMenu(const Point&) {}

void Display::CallHandler(int kind, const Point& p) {
    switch (kind) {
    case kMouseMove: OnMouseMove(p); break;
    case kLeftDown: OnLButtonDown(p); break;
    case kLeftUp: OnLButtonUp(p); break;
    case kLeftDoubleClick: OnLButtonDblClk(p); break;
    case kHover: OnHover(p); break;
    case kMouseEnter: OnMouseEnter(p); break;
    case kMouseLeave: OnMouseLeave(p); break;
    default: break;
    }
}

void Display::EnableMouseEvent(int kind) {
    if (kind >= 0 && kind < kMouseKinds) mouseFlags_[kind] = 1;
}
void Display::DisableMouseEvent(int kind) {
    if (kind >= 0 && kind < kMouseKinds) mouseFlags_[kind] = 0;
}
void Display::DisableAllMouseEvents() {
    for (auto& f : mouseFlags_) f = 0;
}
bool Display::MouseEventEnabled(int kind) const { return kind >= 0 && kind < kMouseKinds && mouseFlags_[kind] != 0; }

std::int16_t Display::DispatchMouseEvent(int kind, const Point& p) {
    if (captor_ && captor_ != this) {
        // The captor gets the point in its own coordinates, through every display between.
        Point q = p;
        for (Display* d = captor_; d && d != this; d = d->GetParentDisplay()) q -= d->GetPosition();
        return captor_->DispatchMouseEvent(kind, q);
    }
    bool claimed = false;
    for (Item<Display*>* i = children_.Head(); i; i = i->next) {
        Display* child = i->value;
        if (!child->GetRect().Contains(p)) continue;
        claimed = true;
        if (child->DispatchMouseEvent(kind, p - child->GetPosition())) return 1;
        break;
    }
    if (!claimed && kind == kMouseMove) {
        if (Application* app = GetApplication()) app->SetMouseTile(this, p, static_cast<std::int16_t>(hoverDelay_));
    }
    if (kind >= 0 && kind < kMouseKinds && mouseFlags_[kind]) {
        CallHandler(kind, p);
        return 1;
    }
    return 0;
}

Display* Display::FindContextMenuDisplay(const Point& p) {
    for (Item<Display*>* i = children_.Head(); i; i = i->next) {
        Display* child = i->value;
        if (!child->GetRect().Contains(p)) continue;
        Display* found = child->FindContextMenuDisplay(p - child->GetPosition());
        if (found && found->GetContextMenu()) return found;
        break;
    }
    PrepareContextMenu(p);
    return this;
}

void Display::CaptureMouse() {
    Assert(captor_ == nullptr, "Mouse has already been captured", "DISPLAY", __LINE__);
    SetCaptor(this);
}

void Display::ReleaseMouse() {
    Assert(captor_ == this, "Invalid attempt to release the mouse", "DISPLAY", __LINE__);
    ClearCaptor();
}

void Display::SetCaptor(Display* captor) { captor_ = captor; }
void Display::ClearCaptor() { captor_ = nullptr; }

// --- menus ---

void Display::RegisterMenuHandlers() {
    RegisterHandler(ENABLE_MENU_ITEM, &MenuEventEntry<ENABLE_MENU_ITEM>);
    RegisterHandler(DISABLE_MENU_ITEM, &MenuEventEntry<DISABLE_MENU_ITEM>);
    RegisterHandler(CHECK_MENU_ITEM, &MenuEventEntry<CHECK_MENU_ITEM>);
    RegisterHandler(UNCHECK_MENU_ITEM, &MenuEventEntry<UNCHECK_MENU_ITEM>);
}

void Display::SetMenu(Menu* menu) {
    if (menu == menu_) return;
    delete menu_;
    menu_ = menu;
}

void Display::SetMenuFrom(const char* source) { SetMenu(MakeMenu(source)); }

Menu* Display::GetContextMenu() { return menu_ ? menu_->GetPopup(0) : nullptr; }

Display* Display::GetRoot() { return this; }

std::int16_t Display::IsSame(const Display* other) const { return other == this ? 1 : 0; }

Display* Display::GetParentDisplay() const { return nullptr; }

void Display::Detach() {}

void Display::MoveResize(const Box& box) {
    position_ = box.Origin();
    Resize(box.Size());
}

// --- invalidation ---

void Display::InvalidateTree(const Box& box) {
    Invalidate(box);
    InvalidateChildren(box);
}

void Display::InvalidateRect(const Box& box) { Invalidate(box); }

void Display::RectChanged(const Box& box) { Invalidate(box); }

void Display::Invalidate(const Box& box) {
    if (box.width <= 0 || box.height <= 0) return;
    Box b = box;
    if (!Box(0, 0, GetWidth(), GetHeight()).Clip(b) || b.width <= 0 || b.height <= 0) return;
    for (Item<Box>* i = dirty_.Head(); i;) {
        Item<Box>* next = i->next;
        if (i->value.Overlaps(b)) {
            b = b | i->value;
            dirty_.RemoveItem(i);
        }
        i = next;
    }
    dirty_.AddTail(b);
}

void Display::InvalidateChildren(const Box& box) {
    for (Item<Display*>* i = children_.Head(); i; i = i->next) {
        Display* child = i->value;
        const Box local = box - child->GetPosition();
        child->Invalidate(local);
        child->InvalidateChildren(local);
    }
}

void Display::Validate() { dirty_.Clear(); }

void Display::Redraw() {
    layout_->RedrawChildren();
    Validate();
}

// --- children ---

void Display::AddChild(Display* child, const LayoutConstraints& constraints) {
    if (!child || children_.Contains(child)) return;
    layout_->SetChildConstraints(child, constraints);
    children_.AddTail(child);
}

void Display::RemoveChild(Display* child) {
    layout_->RemoveChild(child);
    children_.Remove(child);
    if (captor_ == child) captor_ = nullptr;
}

bool Display::GetChildConstraints(const Display* child, LayoutConstraints& out) const {
    return layout_->GetChildConstraints(child, out);
}

void Display::SetChildConstraints(Display* child, const LayoutConstraints& constraints) {
    layout_->SetChildConstraints(child, constraints);
    layout_->Layout();
}

bool Display::Check() const {
    for (Item<Box>* i = dirty_.Head(); i; i = i->next) {
        const Box& b = i->value;
        if (b.width < 1 || b.height < 1 || b.x < 0 || b.y < 0 || b.x + b.width > GetWidth() || b.y + b.height > GetHeight())
            return false;
    }
    for (Item<Display*>* i = children_.Head(); i; i = i->next)
        for (Item<Display*>* j = i->next; j; j = j->next)
            if (i->value == j->value) return false;
    return true;
}
