#pragma once
// Cuts the text of a computer-player script into tokens: words, numbers, quoted strings, single
// punctuation characters and the end of the text. Every byte is classified through a table of
// class bits; errors never throw, they turn the token into an error text with class 0.
#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

// Class bits of the byte table; a byte may carry several.
constexpr std::uint32_t TOKEN_END = 1;
constexpr std::uint32_t TOKEN_LINE_END = 2;
constexpr std::uint32_t TOKEN_BLANK = 4;
constexpr std::uint32_t TOKEN_COMMENT = 8;
constexpr std::uint32_t TOKEN_QUOTE = 16;
constexpr std::uint32_t TOKEN_PUNCTUATION = 32;
constexpr std::uint32_t TOKEN_DIGIT = 64;
constexpr std::uint32_t TOKEN_WORD = 128;

// The longest token text, without its terminating zero.
constexpr int TOKEN_MAX_LENGTH = 255;

// One open source text: its bytes and the read position. The whole file is read at opening, so
// an importing compiler can park one source and take it up again where it left off.
struct TokenSource {
    std::string bytes;
    std::size_t position = 0;
    std::string name;
    // A byte handed back by the scanner, read again before the text; class 0 = none.
    unsigned char pushedByte = 0;
    std::uint32_t pushedClass = 0;
};

class StreamTokenizer {
public:
    StreamTokenizer();
    virtual ~StreamTokenizer();
    StreamTokenizer(const StreamTokenizer&) = delete;
    StreamTokenizer& operator=(const StreamTokenizer&) = delete;

    // Opens a source file (game file names are mapped to the host); false when it does not open.
    bool Open(const std::string& fileName);
    // Opens a text held in memory, for sources that do not come from a file.
    void OpenText(std::string_view text, const std::string& name = "");
    void Close();
    bool IsOpen() const { return source_ != nullptr; }

    // Reads the next token and returns its class, 0 on error (the text then holds the message).
    std::uint32_t NextToken();
    const char* TokenText() const { return text_.data(); }
    std::uint32_t TokenClass() const { return class_; }
    int LineNumber() const { return line_; }
    void SetLineNumber(int line) { line_ = line; }

    // Editing of the byte classes.
    void AddClass(unsigned char byte, std::uint32_t bits);
    void AddClassRange(unsigned char first, unsigned char last, std::uint32_t bits);
    void ResetClassRange(unsigned char first, unsigned char last);
    std::uint32_t ClassOf(unsigned char byte) const { return classes_[byte]; }

    // The default classes of a byte: in a reset the double quote keeps only its quote class.
    static std::uint32_t DefaultClass(unsigned char byte, bool resetting);

protected:
    // An importing caller parks the current source and takes it up again itself.
    std::unique_ptr<TokenSource> TakeSource() { return std::move(source_); }
    void RestoreSource(std::unique_ptr<TokenSource> source) { source_ = std::move(source); }

private:
    unsigned char ReadByte(std::uint32_t& cls);
    void PushBack(unsigned char byte, std::uint32_t cls);
    std::uint32_t Fail(const std::string& message);
    std::uint32_t ReadString();
    std::uint32_t ReadRun(std::uint32_t keep, const char* illegalFormat);

    std::array<std::uint32_t, 256> classes_{};
    std::unique_ptr<TokenSource> source_;
    int line_ = 1;
    std::array<char, TOKEN_MAX_LENGTH + 1> text_{};
    std::uint32_t class_ = 0;
};
