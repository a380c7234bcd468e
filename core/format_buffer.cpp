#include "core/format_buffer.h"

#include "core/app_message.h"
#include "platform/clipboard.h"
#include "platform/global_memory.h"
#include "platform/msgbox.h"

#include <algorithm>
#include <cstring>

FormatBuffer::FormatBuffer(std::int32_t maxLines_, std::int32_t lineWidth)
    : SuperString(std::max(kDefaultMaxLength, std::max(maxLines_, 1) * std::clamp(lineWidth, 2, Chunk::kCapacity))),
      maxLines(std::max(maxLines_, 1)), width(std::clamp(lineWidth, 2, Chunk::kCapacity)) {
    lineCopy.reserve(static_cast<std::size_t>(width) + 1);
}

FormatBuffer::~FormatBuffer() = default;

void FormatBuffer::NewLine() {
    if (lines == maxLines) {
        Chunk* first = head;
        if (current == first) current = nullptr;
        head = first->next;
        head->prev = nullptr;
        length -= first->length;
        delete first;
        ForgetCursor();
        --lines;
        ++dropped;
    }
    auto* line = new Chunk(nullptr, tail->value + 1);
    line->prev = tail;
    tail->next = line;
    tail = line;
    ++lines;
}

std::int16_t FormatBuffer::Write(const void* text, std::int32_t n) {
    auto* p = static_cast<const char*>(text);
    if (!p) return 1;
    for (std::int32_t i = 0; i < n; ++i) {
        char c = p[i];
        if (c == '\n') continue;
        if (c != '\r' && tail->length >= width - 1) NewLine();
        tail->data[tail->length++] = c;
        tail->data[tail->length] = '\0';
        ++length;
        if (c == '\r') NewLine();
    }
    return 1;
}

void FormatBuffer::Clear() {
    std::int32_t first = dropped;
    SuperString::Clear();
    head->value = first;
    lines = 1;
    current = nullptr;
}

std::string FormatBuffer::Joined(bool withCR) const {
    std::string out;
    for (Chunk* c = head; c; c = c->next) {
        std::int32_t n = c->length;
        if (withCR) {
            if (n > 0 && c->data[n - 1] == '\r') --n;
            out.append(c->data, static_cast<std::size_t>(n));
            out += '\r';
        } else {
            out.append(c->data, static_cast<std::size_t>(n));
        }
    }
    return out;
}

namespace {

void copyFrom(const std::string& joined, char* destination, std::int32_t position, std::int32_t n) {
    if (!destination || n <= 0) return;
    std::string part = position >= 0 && static_cast<std::size_t>(position) < joined.size()
                           ? joined.substr(static_cast<std::size_t>(position), static_cast<std::size_t>(n - 1))
                           : std::string();
    std::memcpy(destination, part.data(), part.size());
    destination[part.size()] = '\0';
}

} // namespace

void FormatBuffer::CopyOut(char* destination, std::int32_t position, std::int32_t n) const {
    copyFrom(Joined(true), destination, position, n);
}

void FormatBuffer::CopyOutRaw(char* destination, std::int32_t position, std::int32_t n) const {
    copyFrom(Joined(false), destination, position, n);
}

std::int32_t FormatBuffer::ExtractThrough(std::string& destination, char delimiter) {
    Chunk* hit = head;
    while (hit && hit->Find(delimiter) < 0) hit = hit->next;
    if (!hit) return -1;
    destination.clear();
    for (Chunk* c = head;; c = c->next) {
        destination.append(c->data, static_cast<std::size_t>(c->length));
        if (c == hit) break;
    }
    while (head != hit) {
        Chunk* first = head;
        if (current == first) current = nullptr;
        head = first->next;
        head->prev = nullptr;
        length -= first->length;
        delete first;
        --lines;
    }
    std::int32_t cut = hit->Find(delimiter) + 1;
    std::memmove(hit->data, hit->data + cut, static_cast<std::size_t>(hit->length - cut));
    hit->length -= cut;
    hit->data[hit->length] = '\0';
    length -= cut;
    ForgetCursor();
    readPosition = std::min(readPosition, length);
    return static_cast<std::int32_t>(destination.size());
}

Chunk* FormatBuffer::LineChunk(std::int32_t n) const {
    if (n < 0) return nullptr;
    Chunk* c = head;
    for (; c && n > 0; --n) c = c->next;
    return c;
}

const char* FormatBuffer::Hand(const Chunk* line) {
    if (!line) return nullptr;
    lineCopy.assign(line->data, static_cast<std::size_t>(line->length));
    return lineCopy.c_str();
}

const char* FormatBuffer::Line(std::int32_t n) { return Hand(LineChunk(n)); }

const char* FormatBuffer::NextLine() {
    Chunk* next = current ? current->next : head;
    if (!next) return nullptr;
    current = next;
    return Hand(current);
}

const char* FormatBuffer::CurrentLine() {
    if (!current) {
        lineCopy.clear();
        return lineCopy.c_str();
    }
    return Hand(current);
}

const char* FormatBuffer::LastLine() { return Hand(tail); }

std::int32_t FormatBuffer::SeekLine(std::int32_t n) {
    Chunk* line = LineChunk(n);
    if (!line) return 0;
    current = line;
    return line->value;
}

std::int32_t FormatBuffer::MoveCursor(std::int32_t delta) {
    if (!current) current = head;
    for (; delta > 0 && current->next; --delta) current = current->next;
    for (; delta < 0 && current->prev; ++delta) current = current->prev;
    return current->value - head->value;
}

void FormatBuffer::Backspace() {
    if (tail->length == 0) return;
    tail->data[--tail->length] = '\0';
    --length;
}

std::int16_t FormatBuffer::CopyToClipboard(HWND owner, std::int32_t firstLine, std::int32_t firstChar,
                                           std::int32_t lastLine, std::int32_t lastChars) {
    const UINT style = MB_OK | MB_ICONEXCLAMATION;
    HGLOBAL block = GlobalAlloc(GHND, 1);
    if (!block) {
        ShowApplicationMessage("Out of memory--unable to transfer to clipboard", "KVARDU Error", style);
        return 0;
    }
    std::size_t used = 0;
    for (std::int32_t k = std::max(firstLine, 0); k <= lastLine; ++k) {
        Chunk* line = LineChunk(k);
        if (!line) break;
        std::string text(line->data, static_cast<std::size_t>(line->length));
        if (k == lastLine) text = text.substr(0, static_cast<std::size_t>(std::max(lastChars, 0)));
        if (k == firstLine) text = text.substr(std::min(text.size(), static_cast<std::size_t>(std::max(firstChar, 0))));
        if (!text.empty() && text.back() == '\r') text += '\n';
        // The block grows by each line and keeps room for the terminator.
        HGLOBAL grown = GlobalReAlloc(block, used + text.size() + 1, GHND);
        if (!grown) {
            GlobalFree(block);
            ShowApplicationMessage("Out of memory--unable to transfer to clipboard", "KVARDU Error", style);
            return 0;
        }
        block = grown;
        auto* bytes = static_cast<char*>(GlobalLock(block));
        std::memcpy(bytes + used, text.data(), text.size());
        bytes[used + text.size()] = '\0';
        GlobalUnlock(block);
        used += text.size();
    }
    if (!OpenClipboard(owner)) {
        GlobalFree(block);
        ShowApplicationMessage("Clipboard error--unable to transfer text", "KVARDU Error", style);
        return 0;
    }
    EmptyClipboard();
    SetClipboardData(CF_TEXT, block);
    CloseClipboard();
    return 1;
}

bool FormatBuffer::Check() const {
    if (!SuperString::Check()) return false;
    std::int32_t n = 0;
    for (Chunk* c = head; c; c = c->next) {
        ++n;
        if (c->length > width) return false;
        for (std::int32_t i = 0; i < c->length; ++i) {
            if (c->data[i] == '\n') return false;
            if (c->data[i] == '\r' && (i != c->length - 1 || c == tail)) return false;
        }
        if (c->next && c->next->value != c->value + 1) return false;
    }
    return n == lines && lines <= maxLines;
}
