#pragma once
// FormatBuffer: a SuperString kept as lines, for scroll-back text (chat, logs). Each chunk is one
// line, NUL-terminated, that holds at most line width - 1 characters plus the CR that ended it.
// Written text is appended to the last line; a line ends when it is full or a CR arrives (the CR
// stays at its end); LF characters are dropped. At most the maximum number of lines are held:
// a new line beyond it drops the first, and the count of dropped lines grows.
//
// Lines are numbered from the first line held (0); each also carries its absolute number, counted
// from the first line ever written (dropped lines included). Line texts are handed out in a copy
// buffer owned by the object, valid until the next line query.
//
// Invariants (Check): the number of chunks is the number of lines held, at most the maximum; no
// line holds an LF, a CR only as its last character and only when it is not the last line; the
// absolute numbers of the lines held rise by one from line to line; the lengths add up.
#include "core/super_string.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <string>

class FormatBuffer : public SuperString {
public:
    static constexpr std::int32_t kDefaultMaxLines = 2048;
    static constexpr std::int32_t kDefaultLineWidth = 81;

    // The line width is at most Chunk::kCapacity.
    explicit FormatBuffer(std::int32_t maxLines = kDefaultMaxLines, std::int32_t lineWidth = kDefaultLineWidth);
    ~FormatBuffer() override;

    // Appends text, splitting it into lines; always succeeds (old lines make room).
    std::int16_t Write(const void* text, std::int32_t n) override;
    // From character position of the lines joined each followed by one CR: n - 1 characters and
    // a terminator (destination holds n bytes).
    void CopyOut(char* destination, std::int32_t position, std::int32_t n) const override;
    // Empties the buffer; the count of dropped lines stays.
    void Clear() override;
    // When a line holds the delimiter: destination receives the whole texts of the lines from
    // the first through that line, the lines before it are freed and that line keeps only its
    // text after the delimiter; the result is the destination's length. Else -1, no change.
    std::int32_t ExtractThrough(std::string& destination, char delimiter) override;
    // As CopyOut, the lines joined with nothing between them.
    virtual void CopyOutRaw(char* destination, std::int32_t position, std::int32_t n) const;

    std::int32_t LineCount() const { return lines; }
    std::int32_t DroppedLines() const { return dropped; }
    // Lines held plus lines dropped.
    std::int32_t TotalLines() const { return lines + dropped; }
    std::int32_t LineWidth() const { return width; }

    // Line n (from the first held); null when there is none.
    const char* Line(std::int32_t n);
    // The line after the cursor (the first line when the cursor is unset); null at the end.
    const char* NextLine();
    // The cursor's line; the empty text when the cursor is unset.
    const char* CurrentLine();
    // The last line; null when there is none.
    const char* LastLine();
    // Puts the cursor on line n; its absolute number, 0 when there is no such line.
    std::int32_t SeekLine(std::int32_t n);
    // Moves the cursor by delta lines, stopping at the first and last; the new line's number
    // counted from the first line held.
    std::int32_t MoveCursor(std::int32_t delta);
    // Removes the last character of the last line.
    void Backspace();

    // Puts the text from line firstLine, character firstChar, to the first lastChars characters
    // of line lastLine on the clipboard (lines ended by CR end in CR LF there). 1 on success; 0
    // after a box captioned "KVARDU Error" when memory or the clipboard cannot be had.
    std::int16_t CopyToClipboard(HWND owner, std::int32_t firstLine, std::int32_t firstChar, std::int32_t lastLine,
                                 std::int32_t lastChars);

    bool Check() const override;

private:
    void NewLine();
    Chunk* LineChunk(std::int32_t n) const;
    const char* Hand(const Chunk* line);
    std::string Joined(bool withCR) const;

    std::int32_t lines = 1;
    std::int32_t maxLines;
    std::int32_t width;
    std::int32_t dropped = 0;
    Chunk* current = nullptr;
    std::string lineCopy;
};
