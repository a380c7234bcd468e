#include "tools/battlegen/source_text.h"

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace battlegen {

void SourceLine::Fail(const std::string& message) const {
    throw SourceError(source + ":" + std::to_string(number) + ": " + message);
}

const std::string& SourceLine::Word(std::size_t i) const {
    if (i >= words.size()) Fail("the line ends too early");
    return words[i];
}

int SourceLine::Number(std::size_t i, int low, int high) const {
    const std::string& w = Word(i);
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(w.c_str(), &end, 10);
    if (quoted[i] || w.empty() || *end != '\0' || errno != 0) Fail("\"" + w + "\" is not a number");
    if (v < low || v > high)
        Fail("\"" + w + "\" lies outside " + std::to_string(low) + ".." + std::to_string(high));
    return static_cast<int>(v);
}

std::vector<SourceLine> SplitSource(const std::string& text, const std::string& sourceName) {
    std::vector<SourceLine> out;
    std::istringstream in(text);
    std::string raw;
    int number = 0;
    while (std::getline(in, raw)) {
        ++number;
        SourceLine line;
        line.source = sourceName;
        line.number = number;
        std::size_t i = 0;
        while (i < raw.size()) {
            const char c = raw[i];
            if (c == ' ' || c == '\t' || c == '\r') {
                ++i;
            } else if (c == '#') {
                break;
            } else if (c == '"') {
                const std::size_t close = raw.find('"', i + 1);
                if (close == std::string::npos) line.Fail("a text lacks its closing quote");
                line.words.push_back(raw.substr(i + 1, close - i - 1));
                line.quoted.push_back(true);
                i = close + 1;
            } else {
                std::size_t j = i;
                while (j < raw.size() && raw[j] != ' ' && raw[j] != '\t' && raw[j] != '\r' && raw[j] != '#' &&
                       raw[j] != '"')
                    ++j;
                line.words.push_back(raw.substr(i, j - i));
                line.quoted.push_back(false);
                i = j;
            }
        }
        if (!line.words.empty()) out.push_back(std::move(line));
    }
    return out;
}

std::string ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) throw SourceError(path + ": cannot be opened");
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace battlegen
