#pragma once
// The history article, "history\HISTORY.htm": a plain web page of our own about the demo's
// battles, one section each (title, place and date, what happened), in the order given.
#include <string>
#include <vector>

namespace datagen {

struct HistoryEntry {
    std::string title;
    std::string subtitle;
    std::string about;
};

// Text with the characters that mean something in HTML written as entities.
std::string HtmlEscaped(const std::string& text);
std::string HistoryHtml(const std::vector<HistoryEntry>& battles);
bool WriteHistoryFile(const std::string& path, const std::vector<HistoryEntry>& battles);

} // namespace datagen
