#include "core/assertion.h"

#include "platform/msgbox.h"

Assertion::Assertion(std::string_view message_, std::string_view file_, int line_)
    : message(message_), file(file_), line(line_) {}

void Assert(long condition, std::string_view message, std::string_view file, int line) {
    if (condition != 0) return;
    AssertFail(message, file, line);
}

void AssertFail(std::string_view message, std::string_view file, int line) {
    std::string caption = "Failure in ";
    caption.append(file);
    caption += " at line ";
    caption += std::to_string(line);
    caption += ".";
    std::string text(message);
    // Data-file names are built the Windows way; a person reads them with this system's '/'.
    for (char& c : text)
        if (c == '\\') c = '/';
    text += "  Abort?";
    int answer = MessageBox(nullptr, text.c_str(), caption.c_str(), MB_YESNO | MB_ICONSTOP);
    // Only an explicit No goes on: a check must not pass silently because no box could be shown.
    if (answer != IDNO) throw Assertion(message, file, line);
}
