#include "tools/datagen/history_writer.h"

#include <fstream>

namespace datagen {

std::string HtmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += "&quot;"; break;
        default: out += c; break;
        }
    }
    return out;
}

std::string HistoryHtml(const std::vector<HistoryEntry>& battles) {
    std::string page =
        "<!DOCTYPE html>\n"
        "<html lang=\"en\">\n"
        "<head>\n"
        "<meta charset=\"utf-8\">\n"
        "<title>Varnhold Demo - The Battles</title>\n"
        "</head>\n"
        "<body>\n"
        "<h1>The Battles of the Varnhold Demo</h1>\n"
        "<p>The demo's battles follow the fields of the war of 1861 to 1865 between the Union and the "
        "Confederacy. Their maps, armies and leaders are made for the game: every leader is invented, "
        "and each battle is told here only as the game sets it.</p>\n";
    if (!battles.empty()) {
        page += "<ul>\n";
        for (std::size_t i = 0; i < battles.size(); ++i)
            page += "<li><a href=\"#battle" + std::to_string(i) + "\">" + HtmlEscaped(battles[i].title) + "</a></li>\n";
        page += "</ul>\n";
    }
    for (std::size_t i = 0; i < battles.size(); ++i) {
        const HistoryEntry& b = battles[i];
        page += "<h2 id=\"battle" + std::to_string(i) + "\">" + HtmlEscaped(b.title) + "</h2>\n";
        if (!b.subtitle.empty()) page += "<p><em>" + HtmlEscaped(b.subtitle) + "</em></p>\n";
        if (!b.about.empty()) page += "<p>" + HtmlEscaped(b.about) + "</p>\n";
    }
    page += "</body>\n</html>\n";
    return page;
}

bool WriteHistoryFile(const std::string& path, const std::vector<HistoryEntry>& battles) {
    std::ofstream f(path, std::ios::binary);
    f << HistoryHtml(battles);
    return static_cast<bool>(f);
}

} // namespace datagen
