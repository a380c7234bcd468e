#include "platform/strings.h"

#include <algorithm>
#include <cstring>

extern const char vhStringTableText[];

namespace platform {

namespace {

std::string unescape(const std::string& raw) {
    std::string out;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        char c = raw[i];
        if (c == '\\' && i + 1 < raw.size()) {
            char n = raw[++i];
            switch (n) {
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case '\\': out += '\\'; break;
            default:
                out += '\\';
                out += n;
                break;
            }
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

StringTable ParseStringTable(const char* source) {
    StringTable table;
    const char* p = source ? source : "";
    int lineNumber = 0;
    while (*p) {
        const char* end = std::strchr(p, '\n');
        std::string line = end ? std::string(p, end) : std::string(p);
        p = end ? end + 1 : p + line.size();
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.empty() || line[0] == '#') continue;

        std::size_t digits = 0;
        while (digits < line.size() && line[digits] >= '0' && line[digits] <= '9') ++digits;
        if (digits == 0 || digits > 5 || digits >= line.size() || line[digits] != ' ') {
            table.problems.push_back("line " + std::to_string(lineNumber) + ": expected \"<id> <text>\"");
            continue;
        }
        UINT id = static_cast<UINT>(std::stoul(line.substr(0, digits)));
        std::string text = unescape(line.substr(digits + 1));
        if (text.size() > static_cast<std::size_t>(kMaxStringLength)) {
            table.problems.push_back("line " + std::to_string(lineNumber) + ": text longer than 255 characters");
        }
        if (!table.texts.emplace(id, text).second) {
            table.problems.push_back("line " + std::to_string(lineNumber) + ": id " + std::to_string(id) +
                                     " given twice");
        }
    }
    return table;
}

const StringTable& ProgramStringTable() {
    static const StringTable table = ParseStringTable(vhStringTableText);
    return table;
}

} // namespace platform

int LoadString(HINSTANCE, UINT id, char* buffer, int bufferMax) {
    if (!buffer || bufferMax <= 0) return 0;
    buffer[0] = '\0';
    const auto& texts = platform::ProgramStringTable().texts;
    auto it = texts.find(id);
    if (it == texts.end()) return 0;
    std::size_t n = std::min(it->second.size(), static_cast<std::size_t>(bufferMax - 1));
    std::memcpy(buffer, it->second.data(), n);
    buffer[n] = '\0';
    return static_cast<int>(n);
}
