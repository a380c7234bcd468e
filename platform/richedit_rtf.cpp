#include "platform/richedit_rtf.h"

#include <cctype>
#include <cstdlib>
#include <map>

namespace platform {

namespace {

// Destinations whose text is never shown.
bool SkippedDestination(const std::string& word) {
    static const char* const kSkipped[] = {"info",      "stylesheet", "pict",     "object",  "header",   "headerl",
                                           "headerr",   "headerf",    "footer",   "footerl", "footerr",  "footerf",
                                           "footnote",  "fldinst",    "listtable", "listoverridetable", "rsidtbl",
                                           "generator", "themedata",  "filetbl",  "revtbl",  "latentstyles",
                                           "datastore", "xmlnstbl",   "colorschememapping"};
    for (const char* s : kSkipped)
        if (word == s) return true;
    return false;
}

enum class Destination { Text, FontTable, ColourTable, Skip };

struct GroupState {
    RichEditFormat format;
    Destination destination = Destination::Text;
};

struct ColourEntry {
    bool set = false;
    int red = 0, green = 0, blue = 0;
};

class Reader {
public:
    Reader(std::string_view in, const RichEditFormat& base) : in_(in), base_(base) {}

    bool Run(std::vector<RichEditRun>& out, std::string& error) {
        if (in_.size() > kRichEditStreamBound) return Fail(error, "the rich text is too long");
        if (in_.substr(0, 5) != "{\\rtf") return Fail(error, "not rich text (no {\\rtf at the start)");
        GroupState state;
        state.format = base_;
        std::vector<GroupState> stack;
        bool closed = false;
        while (at_ < in_.size() && !closed) {
            const char c = in_[at_++];
            switch (c) {
            case '{':
                if (static_cast<int>(stack.size()) >= kRtfMaxDepth) return Fail(error, "groups nested too deep");
                stack.push_back(state);
                break;
            case '}':
                if (stack.empty()) return Fail(error, "a brace closes more groups than were opened");
                EndTableEntry(state);
                state = stack.back();
                stack.pop_back();
                if (stack.empty()) closed = true;
                break;
            case '\\':
                if (!ControlSequence(state, error)) return false;
                break;
            case '\r':
            case '\n': break;
            default: Text(state, std::string(1, c)); break;
            }
        }
        if (!closed) return Fail(error, "the rich text ends inside a group");
        for (RichEditRun& r : runs_) {
            if (!out.empty() && out.back().format == r.format)
                out.back().text += r.text;
            else
                out.push_back(std::move(r));
        }
        return true;
    }

private:
    static bool Fail(std::string& error, const char* why) {
        error = why;
        return false;
    }

    void Emit(const GroupState& state, const std::string& text) {
        if (!runs_.empty() && runs_.back().format == state.format)
            runs_.back().text += text;
        else
            runs_.push_back(RichEditRun{text, state.format});
    }

    void Text(GroupState& state, const std::string& text) {
        if (skipChars_ > 0) {
            --skipChars_;
            return;
        }
        switch (state.destination) {
        case Destination::Text: Emit(state, text); break;
        case Destination::FontTable:
            if (text == ";") {
                fonts_[fontNumber_] = fontName_;
                fontName_.clear();
            } else if (fontName_.size() < LF_FACESIZE - 1) {
                fontName_ += text;
            }
            break;
        case Destination::ColourTable:
            if (text == ";") {
                if (colours_.size() < 256) colours_.push_back(colour_);
                colour_ = ColourEntry();
            }
            break;
        case Destination::Skip: break;
        }
    }

    // A font-table entry group may end without its ';'.
    void EndTableEntry(GroupState& state) {
        if (state.destination == Destination::FontTable && !fontName_.empty()) {
            fonts_[fontNumber_] = fontName_;
            fontName_.clear();
        }
    }

    bool ControlSequence(GroupState& state, std::string& error) {
        if (at_ >= in_.size()) return Fail(error, "the rich text ends inside a control word");
        const char c = in_[at_];
        if (!std::isalpha(static_cast<unsigned char>(c))) {
            ++at_;
            switch (c) {
            case '\\':
            case '{':
            case '}': Text(state, std::string(1, c)); return true;
            case '~': Text(state, " "); return true;
            case '_': Text(state, "-"); return true;
            case '-': return true;
            case '*': if (state.destination == Destination::Text) state.destination = Destination::Skip; return true;
            case '\r':
            case '\n': Text(state, "\r\n"); return true;
            case '\'': {
                if (at_ + 2 > in_.size() || !std::isxdigit(static_cast<unsigned char>(in_[at_])) ||
                    !std::isxdigit(static_cast<unsigned char>(in_[at_ + 1])))
                    return Fail(error, "a \\' escape without two hex digits");
                const std::string hex(in_.substr(at_, 2));
                at_ += 2;
                Text(state, std::string(1, static_cast<char>(std::strtol(hex.c_str(), nullptr, 16))));
                return true;
            }
            default: return true;  // symbols we do not know show nothing
            }
        }
        std::string word;
        while (at_ < in_.size() && std::isalpha(static_cast<unsigned char>(in_[at_]))) {
            if (word.size() >= 32) return Fail(error, "a control word longer than any known one");
            word += in_[at_++];
        }
        bool hasParam = false;
        long param = 0;
        bool negative = false;
        if (at_ < in_.size() && in_[at_] == '-') {
            negative = true;
            ++at_;
        }
        std::string digits;
        while (at_ < in_.size() && std::isdigit(static_cast<unsigned char>(in_[at_]))) {
            if (digits.size() >= 10) return Fail(error, "a control word's number is too long");
            digits += in_[at_++];
        }
        if (!digits.empty()) {
            hasParam = true;
            param = std::strtol(digits.c_str(), nullptr, 10);
            if (negative) param = -param;
        }
        if (at_ < in_.size() && in_[at_] == ' ') ++at_;
        if (word == "bin") {
            // Raw bytes follow, braces and all: skipped whole, wherever they stand.
            if (!hasParam || param < 0 || static_cast<std::size_t>(param) > in_.size() - at_)
                return Fail(error, "a \\bin block runs past the end");
            at_ += static_cast<std::size_t>(param);
            return true;
        }
        Word(state, word, hasParam, param);
        return true;
    }

    void Word(GroupState& state, const std::string& word, bool hasParam, long param) {
        RichEditFormat& f = state.format;
        const bool on = !hasParam || param != 0;
        if (state.destination == Destination::Skip) return;
        if (state.destination == Destination::ColourTable) {
            const int v = static_cast<int>(param < 0 ? 0 : (param > 255 ? 255 : param));
            if (word == "red") colour_.red = v, colour_.set = true;
            else if (word == "green") colour_.green = v, colour_.set = true;
            else if (word == "blue") colour_.blue = v, colour_.set = true;
            return;
        }
        if (state.destination == Destination::FontTable) {
            if (word == "f") {
                fontNumber_ = param;
                fontName_.clear();
            }
            return;
        }
        if (word == "fonttbl") state.destination = Destination::FontTable;
        else if (word == "colortbl") state.destination = Destination::ColourTable;
        else if (SkippedDestination(word)) state.destination = Destination::Skip;
        else if (word == "par" || word == "line") Text(state, "\r\n");
        else if (word == "tab") Text(state, "\t");
        else if (word == "b") f.bold = on;
        else if (word == "i") f.italic = on;
        else if (word == "ul") f.underline = on;
        else if (word == "ulnone") f.underline = false;
        else if (word == "plain") f = base_;
        else if (word == "fs" && hasParam && param > 0 && param <= 3276) f.height = static_cast<LONG>(param * 10);
        else if (word == "f" && hasParam) {
            const auto it = fonts_.find(param);
            if (it != fonts_.end() && !it->second.empty()) f.face = it->second;
        } else if (word == "cf" && hasParam) {
            if (param >= 0 && param < static_cast<long>(colours_.size()) && colours_[param].set) {
                const ColourEntry& e = colours_[param];
                f.autoColour = false;
                f.colour = RGB(static_cast<BYTE>(e.red), static_cast<BYTE>(e.green), static_cast<BYTE>(e.blue));
            } else {
                f.autoColour = true;
                f.colour = 0;
            }
        } else if (word == "u" && hasParam) {
            const long code = param < 0 ? param + 65536 : param;
            Text(state, std::string(1, code > 0 && code < 128 ? static_cast<char>(code) : '?'));
            skipChars_ = 1;
        }
        // Every other word changes nothing we keep.
    }

    std::string_view in_;
    RichEditFormat base_;
    std::size_t at_ = 0;
    std::vector<RichEditRun> runs_;
    std::map<long, std::string> fonts_;
    long fontNumber_ = 0;
    std::string fontName_;
    std::vector<ColourEntry> colours_;
    ColourEntry colour_;
    int skipChars_ = 0;
};

} // namespace

bool ReadRtf(std::string_view input, const RichEditFormat& base, std::vector<RichEditRun>& out, std::string& error) {
    Reader reader(input, base);
    return reader.Run(out, error);
}

} // namespace platform
