#include "ui/status_bar.h"

#include <algorithm>

namespace {
const std::string kEmpty;
}

Pane::Pane(std::int16_t count_, std::int32_t key_, std::int16_t offset_, std::int16_t width_,
           const std::vector<std::string>* given)
    : texts(static_cast<std::size_t>(std::max<std::int16_t>(count_, 1))), count(std::max<std::int16_t>(count_, 1)),
      key(key_), offset(offset_), width(width_) {
    if (!given) return;
    for (std::size_t i = 0; i < texts.size() && i < given->size(); ++i) texts[i] = (*given)[i];
}

const std::string& Pane::Line(int line) const {
    return line >= 1 && line <= count ? texts[static_cast<std::size_t>(line - 1)] : kEmpty;
}

StatusBar::StatusBar(std::int16_t lineCount)
    : Component(nullptr), lines_(static_cast<std::size_t>(std::max<std::int16_t>(lineCount, 1))),
      lineCount_(std::max<std::int16_t>(lineCount, 1)) {}

StatusBar::~StatusBar() = default;

void StatusBar::AddPane(std::int32_t key, std::int16_t width, const std::vector<std::string>* texts) {
    panes_.emplace_back(lineCount_, key, paneOffset_, width, texts);
    paneOffset_ = static_cast<std::int16_t>(paneOffset_ + width);
}

void StatusBar::SetText(const char* text, std::int16_t line) {
    if (line < 1 || line > lineCount_) return;
    lines_[static_cast<std::size_t>(line - 1)] = text ? text : "";
    Refresh();
}

void StatusBar::Clear() {
    for (std::string& l : lines_) l.clear();
    for (Pane& p : panes_)
        for (std::string& t : p.texts) t.clear();
    Refresh();
}

const std::string& StatusBar::GetLine(int line) const {
    return line >= 1 && line <= lineCount_ ? lines_[static_cast<std::size_t>(line - 1)] : kEmpty;
}

void StatusBar::Connect() { RegisterNamedHandler("SetItemText", &StatusBar::OnSetItemText); }

void StatusBar::SetItemText(const SetTextData& data) {
    // Line 0 names no line: it must not reach the text before the first.
    for (Pane& p : panes_)
        if (p.HasKey(data.item) && data.line >= 1 && data.line <= p.count)
            p.texts[static_cast<std::size_t>(data.line - 1)] = data.text;
    Refresh();
}

ContainerBase* StatusBar::OnSetItemText(Component* receiver, BusMessage, ContainerBase* payload) {
    StatusBar* self;
    SetTextData* data;
    if (!BusArgs(receiver, payload, self, data, "STATBAR", __LINE__)) return nullptr;
    self->SetItemText(*data);
    return nullptr;
}
