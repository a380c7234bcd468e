#pragma once
// What the dialog tests do by hand on the headless window system: a mouse press posted at client
// pixels of a dialog, and the lines a list box holds.
#include "platform/dialog.h"

#include <string>
#include <vector>

namespace testsupport {

// A left press (or double-click) at client pixels of the dialog, posted.
inline void PostClick(HWND dialog, int x, int y, bool doubleClick = false) {
    PostMessage(dialog, doubleClick ? WM_LBUTTONDBLCLK : WM_LBUTTONDOWN, 0,
                MAKELPARAM(static_cast<WORD>(x), static_cast<WORD>(y)));
}

// Every line of the dialog's list box, in order.
inline std::vector<std::string> ListBoxTexts(HWND dialog, int list) {
    std::vector<std::string> out;
    const LRESULT n = SendDlgItemMessageA(dialog, list, LB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        const LRESULT length = SendDlgItemMessageA(dialog, list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
        std::vector<char> buffer(length > 0 ? static_cast<std::size_t>(length) + 1 : 1, '\0');
        SendDlgItemMessageA(dialog, list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(buffer.data()));
        out.emplace_back(buffer.data());
    }
    return out;
}

} // namespace testsupport
