#include "game/ai/tokenizer.h"

#include "game/ai/script_file.h"

#include <cstdio>

StreamTokenizer::StreamTokenizer() {
    for (int b = 0; b < 256; ++b) classes_[b] = DefaultClass(static_cast<unsigned char>(b), false);
}

StreamTokenizer::~StreamTokenizer() = default;

std::uint32_t StreamTokenizer::DefaultClass(unsigned char b, bool resetting) {
    std::uint32_t cls = 0;
    if (b == 0) cls |= TOKEN_END;
    if (b == 10 || b == 13 || b == 12) cls |= TOKEN_LINE_END;
    if (b <= 32) cls |= TOKEN_BLANK;
    if (b == 34) cls |= TOKEN_QUOTE;
    bool punct = (b >= 33 && b <= 47) || (b >= 58 && b <= 64) || (b >= 91 && b <= 94) || (b >= 123 && b <= 126);
    if (punct && !(resetting && b == 34)) cls |= TOKEN_PUNCTUATION;
    if (b >= '0' && b <= '9') cls |= TOKEN_DIGIT | TOKEN_WORD;
    if ((b >= 'a' && b <= 'z') || (b >= 'A' && b <= 'Z') || b == '_') cls |= TOKEN_WORD;
    return cls;
}

void StreamTokenizer::AddClass(unsigned char byte, std::uint32_t bits) { classes_[byte] |= bits; }

void StreamTokenizer::AddClassRange(unsigned char first, unsigned char last, std::uint32_t bits) {
    for (int b = first; b <= last; ++b) classes_[b] |= bits;
}

void StreamTokenizer::ResetClassRange(unsigned char first, unsigned char last) {
    for (int b = first; b <= last; ++b) classes_[b] = DefaultClass(static_cast<unsigned char>(b), true);
}

bool StreamTokenizer::Open(const std::string& fileName) {
    Close();
    auto source = std::make_unique<TokenSource>();
    if (!ReadScriptFile(fileName, source->bytes)) return false;
    source->name = fileName;
    source_ = std::move(source);
    return true;
}

void StreamTokenizer::OpenText(std::string_view text, const std::string& name) {
    Close();
    source_ = std::make_unique<TokenSource>();
    source_->bytes.assign(text);
    source_->name = name;
}

void StreamTokenizer::Close() { source_.reset(); }

unsigned char StreamTokenizer::ReadByte(std::uint32_t& cls) {
    TokenSource& s = *source_;
    unsigned char b;
    if (s.pushedClass != 0) {
        b = s.pushedByte;
        cls = s.pushedClass;
        s.pushedClass = 0;
        return b;
    }
    if (s.position >= s.bytes.size()) {
        b = 0;
    } else {
        b = static_cast<unsigned char>(s.bytes[s.position++]);
        // Sources written on DOS end their lines with CR LF; the pair is one line end.
        if (b == 13 && s.position < s.bytes.size() && s.bytes[s.position] == 10) b = static_cast<unsigned char>(s.bytes[s.position++]);
    }
    cls = classes_[b];
    return b;
}

void StreamTokenizer::PushBack(unsigned char byte, std::uint32_t cls) {
    source_->pushedByte = byte;
    source_->pushedClass = cls;
}

std::uint32_t StreamTokenizer::Fail(const std::string& message) {
    std::snprintf(text_.data(), text_.size(), "Scanner Error at %i: %s", line_, message.c_str());
    class_ = 0;
    return 0;
}

namespace {
std::string withChar(const char* format, unsigned char c) {
    char buffer[80];
    std::snprintf(buffer, sizeof buffer, format, c);
    return buffer;
}
} // namespace

std::uint32_t StreamTokenizer::NextToken() {
    class_ = 0;
    text_[0] = 0;
    if (!source_) return Fail("Stream is not open");

    unsigned char b;
    std::uint32_t cls;
    for (;;) {
        b = ReadByte(cls);
        if (cls & TOKEN_END) {
            text_[0] = 0;
            class_ = cls;
            return class_;
        }
        if (cls & TOKEN_LINE_END) {
            ++line_;
            continue;
        }
        if (cls & TOKEN_BLANK) continue;
        if (cls & TOKEN_COMMENT) {
            do {
                b = ReadByte(cls);
            } while (!(cls & (TOKEN_END | TOKEN_LINE_END)));
            PushBack(b, cls);
            continue;
        }
        break;
    }

    text_[0] = static_cast<char>(b);
    text_[1] = 0;
    class_ = cls;
    if (cls & TOKEN_QUOTE) return ReadString();
    if (cls & TOKEN_PUNCTUATION) return class_;
    if (cls & TOKEN_DIGIT) return ReadRun(TOKEN_DIGIT, "Number contains illegal '%c'");
    if (cls & TOKEN_WORD) return ReadRun(TOKEN_WORD, "Alpha contains illegal char '%c'");
    return Fail(withChar("Unknown token starts with '%c'", b));
}

std::uint32_t StreamTokenizer::ReadString() {
    std::uint32_t quoteClass = class_;
    int length = 0;
    for (;;) {
        std::uint32_t cls;
        unsigned char b = ReadByte(cls);
        if (cls & TOKEN_QUOTE) break;
        if (cls & TOKEN_END) return Fail("Unmatched quotation");
        if (length == TOKEN_MAX_LENGTH) return Fail("Token exceeds 255 characters");
        // A line end kept inside a string is still a line of the source.
        if (cls & TOKEN_LINE_END) ++line_;
        text_[length++] = static_cast<char>(b);
    }
    text_[length] = 0;
    class_ = quoteClass;
    return class_;
}

std::uint32_t StreamTokenizer::ReadRun(std::uint32_t keep, const char* illegalFormat) {
    int length = 1;
    for (;;) {
        std::uint32_t cls;
        unsigned char b = ReadByte(cls);
        if (cls & keep) {
            if (length == TOKEN_MAX_LENGTH) return Fail("Token exceeds 255 characters");
            text_[length++] = static_cast<char>(b);
            continue;
        }
        if (cls & (TOKEN_BLANK | TOKEN_PUNCTUATION)) {
            PushBack(b, cls);
            text_[length] = 0;
            return class_;
        }
        return Fail(withChar(illegalFormat, b));
    }
}
