#include "platform/msgbox.h"

#include <cstdio>
#include <deque>
#include <mutex>
#include <vector>

namespace {

// Boxes may be raised from any thread (the memory manager's error report does), so the script
// and the record are guarded.
std::mutex& boxLock() {
    static std::mutex m;
    return m;
}
platform::MessageBoxPresenter& presenter() {
    static platform::MessageBoxPresenter p;
    return p;
}
std::deque<int>& answers() {
    static std::deque<int> a;
    return a;
}
std::vector<platform::ShownBox>& shown() {
    static std::vector<platform::ShownBox> s;
    return s;
}

int giveUpAnswer(UINT type) {
    switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL: return IDOK;
    case MB_ABORTRETRYIGNORE: return IDIGNORE;
    case MB_YESNOCANCEL: return IDCANCEL;
    case MB_YESNO: return IDYES;
    case MB_RETRYCANCEL: return IDCANCEL;
    default: return IDOK;
    }
}

} // namespace

int MessageBox(HWND, const char* text, const char* caption, UINT type) {
    text = text ? text : "";
    caption = caption ? caption : "Error";
    platform::MessageBoxPresenter show;
    {
        std::lock_guard<std::mutex> g(boxLock());
        shown().push_back({text, caption, type});
        show = presenter();
    }
    if (show) return show(text, caption, type);

    int answer;
    {
        std::lock_guard<std::mutex> g(boxLock());
        if (answers().empty()) {
            answer = giveUpAnswer(type);
        } else {
            answer = answers().front();
            answers().pop_front();
        }
    }
    std::fprintf(stderr, "[message box] %s: %s -> %d\n", caption, text, answer);
    return answer;
}

void MessageBeep(UINT) {}

namespace platform {

void SetMessageBoxPresenter(MessageBoxPresenter p) {
    std::lock_guard<std::mutex> g(boxLock());
    presenter() = std::move(p);
}

void QueueMessageBoxAnswer(int answer) {
    std::lock_guard<std::mutex> g(boxLock());
    answers().push_back(answer);
}

void ClearMessageBoxAnswers() {
    std::lock_guard<std::mutex> g(boxLock());
    answers().clear();
}

std::size_t ShownMessageBoxCount() {
    std::lock_guard<std::mutex> g(boxLock());
    return shown().size();
}

ShownBox ShownMessageBox(std::size_t index) {
    std::lock_guard<std::mutex> g(boxLock());
    return index < shown().size() ? shown()[index] : ShownBox{};
}

void ClearShownMessageBoxes() {
    std::lock_guard<std::mutex> g(boxLock());
    shown().clear();
}

} // namespace platform
