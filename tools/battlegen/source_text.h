#pragma once
// The line format shared by the map and battle sources: one statement a line, words separated by
// blanks, "double-quoted" texts kept whole, and "#" starting a comment that runs to the line's
// end. Every fault is reported with the source's name and the line it was found on.
#include <stdexcept>
#include <string>
#include <vector>

namespace battlegen {

class SourceError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

struct SourceLine {
    std::string source;
    int number = 0;
    std::vector<std::string> words;
    // Which words were quoted: a quoted word is always a text, never a keyword.
    std::vector<bool> quoted;

    [[noreturn]] void Fail(const std::string& message) const;
    std::size_t Size() const { return words.size(); }
    const std::string& Word(std::size_t i) const;
    bool Is(std::size_t i, const char* keyword) const { return i < words.size() && !quoted[i] && words[i] == keyword; }
    // A whole number, reported at this line when the word is not one or lies outside the bounds.
    int Number(std::size_t i, int low, int high) const;
    // A text: a quoted word, or a bare one.
    const std::string& Text(std::size_t i) const { return Word(i); }
};

// The non-empty lines of a text.
std::vector<SourceLine> SplitSource(const std::string& text, const std::string& sourceName);
std::string ReadWholeFile(const std::string& path);

} // namespace battlegen
