#include "ui/menu.h"

#include "core/message_registry.h"
#include "ui/qif.h"

#include <cctype>

std::uint16_t MenuNameId(const std::string& name) { return RegisterMessage(name); }

// --- items ---

std::string MenuItem::MakeMessageName(const std::string& label) {
    const std::string text = label.substr(0, label.find('\t'));
    std::string out;
    bool upperNext = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        // An ampersand in front is upper-cased too and then dropped, so the letter after it
        // keeps its case.
        if (i == 0) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        if (c == '&' || c == '.') continue;
        if (c == ' ') {
            if (i + 1 < text.size() && text[i + 1] == '&') ++i;
            upperNext = true;
            continue;
        }
        if (upperNext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
        upperNext = false;
        out += c;
    }
    return out;
}

MenuItem* MenuItem::Clone() const { return new MenuItem(*this); }
void MenuItem::SetPrefix(const std::string&) {}

TextItem::TextItem(const std::string& label, const std::string& name, std::uint16_t state)
    : MenuItem(0, state), label_(label) {
    SetName(name.empty() ? MakeMessageName(label) : name);
}

TextItem::TextItem(const std::string& label, std::uint16_t state) : MenuItem(0, state), label_(label) {
    SetName(MakeMessageName(label));
}

void TextItem::SetName(const std::string& name) {
    name_ = name;
    id_ = MenuNameId(name_);
}

MenuItem* TextItem::Clone() const { return new TextItem(*this); }

void TextItem::SetPrefix(const std::string& prefix) { SetName(prefix + name_); }

PopupItem::PopupItem(Menu* submenu, const std::string& label, std::uint16_t state)
    : TextItem(label, state), submenu_(submenu) {}

PopupItem::PopupItem(const Menu& submenu, const std::string& label, std::uint16_t state)
    : TextItem(label, state), submenu_(submenu.Clone()) {}

PopupItem::PopupItem(const PopupItem& other) : TextItem(other), submenu_(other.submenu_ ? other.submenu_->Clone() : nullptr) {}

PopupItem::~PopupItem() { delete submenu_; }

MenuItem* PopupItem::Clone() const { return new PopupItem(*this); }

void PopupItem::SetPrefix(const std::string& prefix) {
    if (submenu_) submenu_->SetPrefix(prefix + submenu_->GetPrefix());
}

UINT_PTR PopupItem::GetId() const { return submenu_ ? submenu_->GetNativeHandle() : 0; }

BitmapItem::BitmapItem(const char* library, const char* section, const char* image, const std::string& name,
                       std::uint16_t state)
    : MenuItem(MenuNameId(name), state), libraryName_(library ? library : ""), sectionName_(section ? section : ""),
      imageName_(image ? image : ""), name_(name) {
    Open(section, image);
}

BitmapItem::BitmapItem(const char* library, const char* image, const std::string& name, std::uint16_t state)
    : MenuItem(MenuNameId(name), state), libraryName_(library ? library : ""), imageName_(image ? image : ""),
      name_(name) {
    Open(nullptr, image);
}

BitmapItem::BitmapItem(const BitmapItem& other)
    : MenuItem(other), libraryName_(other.libraryName_), sectionName_(other.sectionName_),
      imageName_(other.imageName_), name_(other.name_) {
    Open(sectionName_.empty() ? nullptr : sectionName_.c_str(), imageName_.c_str());
}

void BitmapItem::Open(const char* section, const char* image) {
    library_ = new QIF<Bitmap>(libraryName_.c_str());
    if (section && *section) library_->SelectSection(section);
    picture_ = library_->GetBitmapInSection(image);
}

BitmapItem::~BitmapItem() {
    if (picture_) picture_->Unlock();
    delete library_;
}

MenuItem* BitmapItem::Clone() const { return new BitmapItem(*this); }

const char* BitmapItem::GetLabel() const { return imageName_.c_str(); }

// --- menu ---

Menu::Menu() = default;

Menu::Menu(const Menu& other) : prefix_(other.prefix_) {
    for (MenuItem* item : other.items_) items_.push_back(item->Clone());
}

Menu::~Menu() { DeleteItems(); }

void Menu::DeleteItems() {
    for (MenuItem* item : items_) delete item;
    items_.clear();
}

MenuItem* Menu::ItemAt(int index) const {
    return index >= 0 && index < ItemCount() ? items_[static_cast<std::size_t>(index)] : nullptr;
}

void Menu::AppendItem(const std::string& label, const std::string& name, std::uint16_t state) {
    Append(new TextItem(label, name, state));
}

std::uint16_t Menu::AppendText(const std::string& label, std::uint16_t state) {
    auto* item = new TextItem(label, MenuItem::MakeMessageName(prefix_ + label), state);
    const auto id = static_cast<std::uint16_t>(item->GetId());
    Append(item);
    return id;
}

void Menu::AppendCopy(const MenuItem& item) { Append(item.Clone()); }

void Menu::Append(MenuItem* item) {
    if (item) AddToModel(item);
}

void Menu::AppendPopupCopy(const std::string& label, const Menu& submenu) { AppendPopup(label, submenu.Clone()); }

void Menu::AppendPopup(const std::string& label, Menu* submenu) {
    if (!submenu) return;
    submenu->SetPrefix(MenuItem::MakeMessageName(prefix_ + label));
    Append(new PopupItem(submenu, label, 0));
}

void Menu::AppendBitmap(const char* library, const char* section, const char* image, const std::string& name,
                        std::uint16_t state) {
    Append(new BitmapItem(library, section, image, name, state));
}

void Menu::AppendBitmap(const char* library, const char* image, const std::string& name, std::uint16_t state) {
    Append(new BitmapItem(library, image, name, state));
}

void Menu::AppendSeparator() { Append(new MenuItem(MenuItem::kSeparator, 0)); }
void Menu::AppendColumnBreak() { Append(new MenuItem(MenuItem::kColumnBreak, 0)); }
void Menu::AppendBarColumnBreak() { Append(new MenuItem(MenuItem::kBarColumnBreak, 0)); }

bool Menu::RemoveFromModel(UINT_PTR id) {
    for (auto it = items_.begin(); it != items_.end(); ++it) {
        if ((*it)->GetId() != id) continue;
        delete *it;
        items_.erase(it);
        return true;
    }
    // Commands inside popups go too, as the native menu finds them there.
    for (MenuItem* item : items_)
        if (auto* popup = dynamic_cast<PopupItem*>(item); popup && popup->GetSubmenu())
            if (popup->GetSubmenu()->RemoveFromModel(id)) return true;
    return false;
}

MenuItem* Menu::FindDeep(UINT_PTR id) const {
    if (MenuItem* item = FindItem(id)) return item;
    for (MenuItem* item : items_)
        if (auto* popup = dynamic_cast<PopupItem*>(item); popup && popup->GetSubmenu())
            if (MenuItem* inner = popup->GetSubmenu()->FindDeep(id)) return inner;
    return nullptr;
}

void Menu::RemoveItem(const std::string& name) { RemoveItem(MenuNameId(name)); }
void Menu::RemoveItem(std::uint16_t id) { RemoveFromModel(id); }

void Menu::SetBits(UINT_PTR id, std::uint16_t bits) {
    if (MenuItem* item = FindDeep(id)) item->SetState(static_cast<std::uint16_t>(item->GetState() | bits));
}
void Menu::ClearBits(UINT_PTR id, std::uint16_t bits) {
    if (MenuItem* item = FindDeep(id)) item->SetState(static_cast<std::uint16_t>(item->GetState() & ~bits));
}
void Menu::SetWord(UINT_PTR id, std::uint16_t word) {
    if (MenuItem* item = FindDeep(id)) item->SetState(word);
}

void Menu::Check(const std::string& name, int on) { Check(MenuNameId(name), on); }
void Menu::Check(std::uint16_t id, int on) {
    if (on)
        SetBits(id, MenuItem::kChecked);
    else
        Uncheck(id);
}
void Menu::Uncheck(const std::string& name) { Uncheck(MenuNameId(name)); }
void Menu::Uncheck(std::uint16_t id) { SetWord(id, 0); }
void Menu::Grey(const std::string& name, int on) { Grey(MenuNameId(name), on); }
void Menu::Grey(std::uint16_t id, int on) {
    if (on)
        SetBits(id, MenuItem::kGreyed | MenuItem::kDisabled);
    else
        Ungrey(id);
}
void Menu::Ungrey(const std::string& name) { Ungrey(MenuNameId(name)); }
void Menu::Ungrey(std::uint16_t id) { SetWord(id, 0); }
void Menu::Enable(const std::string& name, int on) { Enable(MenuNameId(name), on); }
void Menu::Enable(std::uint16_t id, int on) {
    if (on)
        SetWord(id, 0);
    else
        Disable(id);
}
void Menu::Disable(const std::string& name) { Disable(MenuNameId(name)); }
void Menu::Disable(std::uint16_t id) { SetBits(id, MenuItem::kDisabled); }

bool Menu::HasBits(UINT_PTR id, std::uint16_t bits) const {
    const MenuItem* item = FindDeep(id);
    return item && (item->GetState() & bits) == bits;
}
bool Menu::Lacks(UINT_PTR id, std::uint16_t bits) const {
    const MenuItem* item = FindDeep(id);
    return item && (item->GetState() & bits) == 0;
}

bool Menu::IsChecked(const std::string& name) const { return IsChecked(MenuNameId(name)); }
bool Menu::IsUnchecked(const std::string& name) const { return IsUnchecked(MenuNameId(name)); }
bool Menu::IsGreyed(const std::string& name) const { return IsGreyed(MenuNameId(name)); }
bool Menu::IsNotGreyed(const std::string& name) const { return IsNotGreyed(MenuNameId(name)); }
bool Menu::IsEnabled(const std::string& name) const { return IsEnabled(MenuNameId(name)); }
bool Menu::IsDisabled(const std::string& name) const { return IsDisabled(MenuNameId(name)); }

MenuItem* Menu::FindItem(UINT_PTR id) const {
    for (MenuItem* item : items_)
        if (item->GetId() == id) return item;
    return nullptr;
}

Menu* Menu::GetPopup(int index) const {
    auto* popup = dynamic_cast<PopupItem*>(ItemAt(index));
    return popup ? popup->GetSubmenu() : nullptr;
}

Menu* Menu::FindPopup(const std::string& text) const {
    for (MenuItem* item : items_) {
        auto* popup = dynamic_cast<PopupItem*>(item);
        if (popup && MenuItem::MakeMessageName(popup->GetLabel()) == text) return popup->GetSubmenu();
    }
    return nullptr;
}

void Menu::SetPrefix(const std::string& prefix) {
    for (MenuItem* item : items_) item->SetPrefix(prefix);
    prefix_ = prefix;
    Rebuild();
}
