#include "ui/window.h"

Window::Window(const Point& position, const Dim& size, const char* title, const char* name)
    : Display(size, name, "Unnamed Window") {
    position_ = position;
    StoreTitle(title);
}

Window::Window(const Box& box, std::int16_t windowId, const char* title, const char* name)
    : Display(box.Size(), name, "Unnamed Window"), windowId_(windowId) {
    position_ = box.Origin();
    StoreTitle(title);
}

Window::~Window() = default;

void Window::StoreTitle(const char* text) {
    hasTitle_ = text != nullptr;
    title_ = text ? text : "";
}

void Window::Clear() { Fill(0); }

void Window::InstallMenuHook() {}
