#include "platform/common_dialog.h"

#include "platform/input.h"
#include "platform/msgbox.h"
#include "platform/window.h"

#include <cstring>
#include <deque>

namespace {

struct DialogScript {
    std::deque<std::string> answers;
    std::string lastFilter;
};

DialogScript& D() {
    static DialogScript d;
    return d;
}

bool IsSelfOrDescendant(HWND dialog, HWND w) {
    for (; w; w = (GetWindowLongPtrA(w, GWL_STYLE) & WS_CHILD) ? GetParent(w) : nullptr)
        if (w == dialog) return true;
    return false;
}

} // namespace

BOOL GetOpenFileNameA(OPENFILENAMEA* ofn) {
    if (!ofn || !ofn->lpstrFile || ofn->nMaxFile == 0) return FALSE;
    DialogScript& d = D();
    d.lastFilter.clear();
    if (ofn->lpstrFilter) {
        // Pairs of texts up to the empty one.
        for (const char* p = ofn->lpstrFilter; *p; p += std::strlen(p) + 1) {
            d.lastFilter += p;
            d.lastFilter += '|';
        }
    }
    if (d.answers.empty()) return FALSE;
    const std::string path = d.answers.front();
    d.answers.pop_front();
    if (path.empty() || path.size() + 1 > ofn->nMaxFile) return FALSE;
    std::memcpy(ofn->lpstrFile, path.c_str(), path.size() + 1);
    if (ofn->lpstrFileTitle && ofn->nMaxFileTitle > 0) {
        const std::size_t slash = path.find_last_of("/\\");
        const std::string title = slash == std::string::npos ? path : path.substr(slash + 1);
        const std::size_t n = std::min<std::size_t>(title.size(), ofn->nMaxFileTitle - 1);
        std::memcpy(ofn->lpstrFileTitle, title.data(), n);
        ofn->lpstrFileTitle[n] = '\0';
    }
    return TRUE;
}

BOOL IsDialogMessageA(HWND dialog, MSG* msg) {
    if (!msg || !IsWindow(dialog) || !IsSelfOrDescendant(dialog, msg->hwnd)) return FALSE;
    if (msg->message == WM_KEYDOWN && (msg->wParam == VK_RETURN || msg->wParam == VK_ESCAPE)) {
        const WORD id = msg->wParam == VK_RETURN ? IDOK : IDCANCEL;
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, 0), reinterpret_cast<LPARAM>(msg->hwnd));
        return TRUE;
    }
    TranslateMessage(msg);
    DispatchMessage(msg);
    return TRUE;
}

namespace platform {
void QueueOpenFileName(const std::string& path) { D().answers.push_back(path); }
std::string LastOpenFileFilter() { return D().lastFilter; }
} // namespace platform
