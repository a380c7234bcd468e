// The resource text of dialog templates, compiled to the in-memory template layout, and the
// program's resource table of dialogs.
#include "platform/dialog.h"

#include <cctype>
#include <cstdint>
#include <cstdlib>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

extern const char vhDialogTemplatesText[];

struct ResourceRecord {
    std::string bytes;
};

namespace {

struct Table {
    std::map<std::string, std::unique_ptr<ResourceRecord>> builtIn;  // by lower-case name
    std::map<std::string, std::unique_ptr<ResourceRecord>> added;
    bool loaded = false;
};

Table& T() {
    static Table t;
    return t;
}

std::string Lower(std::string s) {
    for (char& c : s) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// Tokens of one line: words, and quoted texts with \" and \\ inside.
bool Tokens(const std::string& line, std::vector<std::string>& out, std::vector<bool>& quoted, std::string& error) {
    // The template ends each text and name at a NUL: one inside would leave every field after it
    // read from the wrong place.
    if (line.find('\0') != std::string::npos) {
        error = "a NUL byte";
        return false;
    }
    std::size_t i = 0;
    while (i < line.size()) {
        if (std::isspace(static_cast<unsigned char>(line[i]))) {
            ++i;
            continue;
        }
        if (line[i] == '"') {
            std::string s;
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    s += line[i + 1];
                    i += 2;
                } else if (line[i] == '"') {
                    closed = true;
                    ++i;
                    break;
                } else {
                    s += line[i++];
                }
            }
            if (!closed) {
                error = "unterminated text";
                return false;
            }
            out.push_back(s);
            quoted.push_back(true);
        } else {
            std::size_t j = i;
            while (j < line.size() && !std::isspace(static_cast<unsigned char>(line[j]))) ++j;
            out.push_back(line.substr(i, j - i));
            quoted.push_back(false);
            i = j;
        }
    }
    return true;
}

// A number in decimal or 0x hex, or several joined by '|', within [low, high].
bool Number(const std::string& text, long long low, long long high, long long& out) {
    long long value = 0;
    std::size_t start = 0;
    bool any = false;
    for (;;) {
        const std::size_t bar = text.find('|', start);
        const std::string part = text.substr(start, bar == std::string::npos ? std::string::npos : bar - start);
        if (part.empty()) return false;
        char* end = nullptr;
        const long long v = std::strtoll(part.c_str(), &end, 0);
        if (!end || *end != 0) return false;
        value = any ? (value | v) : v;
        any = true;
        if (bar == std::string::npos) break;
        start = bar + 1;
    }
    if (value < low || value > high) return false;
    out = value;
    return true;
}

void Put16(std::string& b, std::uint16_t v) {
    b += static_cast<char>(v & 0xFF);
    b += static_cast<char>(v >> 8);
}
void Put32(std::string& b, std::uint32_t v) {
    Put16(b, static_cast<std::uint16_t>(v & 0xFFFF));
    Put16(b, static_cast<std::uint16_t>(v >> 16));
}
void PutString(std::string& b, const std::string& s) {
    for (unsigned char c : s) Put16(b, c);
    Put16(b, 0);
}
void Align4(std::string& b) {
    while (b.size() % 4) b += '\0';
}

struct Control {
    std::string text;
    std::uint16_t id = 0;
    bool atom = false;
    std::uint16_t atomValue = 0;
    std::string className;
    std::uint32_t style = 0, exStyle = 0;
    std::int16_t x = 0, y = 0, w = 0, h = 0;
};

struct Dialog {
    std::string name;
    std::uint32_t style = 0;
    std::int16_t x = 0, y = 0, w = 0, h = 0;
    std::string className, caption, face;
    bool font = false;
    std::uint16_t points = 0;
    std::vector<Control> controls;
};

std::string Encode(const Dialog& d) {
    std::string b;
    Put32(b, d.style | (d.font ? DS_SETFONT : 0));
    Put32(b, 0);
    Put16(b, static_cast<std::uint16_t>(d.controls.size()));
    Put16(b, static_cast<std::uint16_t>(d.x));
    Put16(b, static_cast<std::uint16_t>(d.y));
    Put16(b, static_cast<std::uint16_t>(d.w));
    Put16(b, static_cast<std::uint16_t>(d.h));
    PutString(b, "");  // no menu
    PutString(b, d.className);
    PutString(b, d.caption);
    if (d.font) {
        Put16(b, d.points);
        PutString(b, d.face);
    }
    for (const Control& c : d.controls) {
        Align4(b);
        Put32(b, c.style);
        Put32(b, c.exStyle);
        Put16(b, static_cast<std::uint16_t>(c.x));
        Put16(b, static_cast<std::uint16_t>(c.y));
        Put16(b, static_cast<std::uint16_t>(c.w));
        Put16(b, static_cast<std::uint16_t>(c.h));
        Put16(b, c.id);
        if (c.atom) {
            Put16(b, 0xFFFF);
            Put16(b, c.atomValue);
        } else {
            PutString(b, c.className);
        }
        PutString(b, c.text);
        Put16(b, 0);
    }
    return b;
}

// Parses the text into dialogs; false with a message naming the line on the first fault.
bool Parse(const std::string& text, std::vector<Dialog>& out, std::string& error) {
    Dialog* open = nullptr;
    std::size_t lineNumber = 0, pos = 0;
    auto fail = [&](const std::string& why) {
        error = "line " + std::to_string(lineNumber) + ": " + why;
        return false;
    };
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(pos, end - pos);
        pos = end + 1;
        ++lineNumber;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        std::vector<std::string> t;
        std::vector<bool> q;
        std::string why;
        if (!Tokens(line, t, q, why)) return fail(why);
        if (t.empty() || (!q[0] && t[0][0] == '#')) {
            if (end == text.size()) break;
            continue;
        }
        const std::string key = q[0] ? std::string() : t[0];
        long long v[8] = {};
        if (key == "DIALOG") {
            if (open) return fail("DIALOG inside a dialog");
            if (t.size() != 7 || q[1]) return fail("DIALOG name x y width height style");
            for (int k = 0; k < 4; ++k)
                if (!Number(t[2 + k], -32768, 32767, v[k])) return fail("bad geometry");
            if (!Number(t[6], 0, 0xFFFFFFFFLL, v[4])) return fail("bad style");
            out.emplace_back();
            open = &out.back();
            open->name = t[1];
            open->x = static_cast<std::int16_t>(v[0]);
            open->y = static_cast<std::int16_t>(v[1]);
            open->w = static_cast<std::int16_t>(v[2]);
            open->h = static_cast<std::int16_t>(v[3]);
            if (v[2] < 0 || v[3] < 0) return fail("negative size");
            open->style = static_cast<std::uint32_t>(v[4]) & ~DS_SETFONT;
        } else if (!open) {
            return fail("outside a dialog");
        } else if (key == "CLASS" || key == "CAPTION") {
            if (t.size() != 2 || !q[1]) return fail(key + " \"text\"");
            (key == "CLASS" ? open->className : open->caption) = t[1];
        } else if (key == "FONT") {
            if (t.size() != 3 || !q[2] || !Number(t[1], 0, 0xFFFF, v[0])) return fail("FONT points \"face\"");
            open->font = true;
            open->points = static_cast<std::uint16_t>(v[0]);
            open->face = t[2];
        } else if (key == "CONTROL") {
            if (t.size() != 9 && t.size() != 10) return fail("CONTROL \"text\" id class style x y width height [extended style]");
            if (!q[1]) return fail("the control's text is quoted");
            Control c;
            c.text = t[1];
            if (!Number(t[2], -1, 0xFFFF, v[0])) return fail("bad control id");
            c.id = static_cast<std::uint16_t>(v[0]);
            long long atom = 0;
            if (!q[3] && Number(t[3], 1, 0xFFFF, atom)) {
                c.atom = true;
                c.atomValue = static_cast<std::uint16_t>(atom);
            } else if (!t[3].empty()) {
                c.className = t[3];
            } else {
                return fail("empty class");
            }
            if (!Number(t[4], 0, 0xFFFFFFFFLL, v[1])) return fail("bad style");
            c.style = static_cast<std::uint32_t>(v[1]);
            for (int k = 0; k < 4; ++k)
                if (!Number(t[5 + k], -32768, 32767, v[2 + k])) return fail("bad geometry");
            if (v[4] < 0 || v[5] < 0) return fail("negative size");
            c.x = static_cast<std::int16_t>(v[2]);
            c.y = static_cast<std::int16_t>(v[3]);
            c.w = static_cast<std::int16_t>(v[4]);
            c.h = static_cast<std::int16_t>(v[5]);
            if (t.size() == 10) {
                if (!Number(t[9], 0, 0xFFFFFFFFLL, v[6])) return fail("bad extended style");
                c.exStyle = static_cast<std::uint32_t>(v[6]);
            }
            if (open->controls.size() >= 255) return fail("more than 255 controls");
            open->controls.push_back(c);
        } else if (key == "END") {
            if (t.size() != 1) return fail("END stands alone");
            open = nullptr;
        } else {
            return fail("unknown word " + t[0]);
        }
        if (end == text.size()) break;
    }
    if (open) {
        error = "dialog " + open->name + " has no END";
        return false;
    }
    return true;
}

void LoadBuiltIn() {
    Table& t = T();
    if (t.loaded) return;
    t.loaded = true;
    std::vector<Dialog> dialogs;
    std::string error;
    // Our own file, checked by the tests: a fault in it is a build mistake, said once.
    if (!Parse(vhDialogTemplatesText, dialogs, error)) {
        std::fprintf(stderr, "dialog resources refused: %s\n", error.c_str());
        return;
    }
    for (const Dialog& d : dialogs) {
        auto r = std::make_unique<ResourceRecord>();
        r->bytes = Encode(d);
        t.builtIn[Lower(d.name)] = std::move(r);
    }
}

} // namespace

HRSRC FindResourceA(HINSTANCE, const char* name, const char* type) {
    if (type != RT_DIALOG || !name || IS_INTRESOURCE(name)) return nullptr;
    LoadBuiltIn();
    Table& t = T();
    const std::string key = Lower(name);
    if (auto it = t.added.find(key); it != t.added.end()) return it->second.get();
    if (auto it = t.builtIn.find(key); it != t.builtIn.end()) return it->second.get();
    return nullptr;
}

HGLOBAL LoadResource(HINSTANCE, HRSRC resource) { return resource; }

void* LockResource(HGLOBAL data) {
    return data ? static_cast<void*>(static_cast<ResourceRecord*>(data)->bytes.data()) : nullptr;
}

DWORD SizeofResource(HINSTANCE, HRSRC resource) {
    return resource ? static_cast<DWORD>(resource->bytes.size()) : 0;
}

BOOL FreeResource(HGLOBAL) { return FALSE; }

namespace platform {

bool AddDialogResources(const std::string& text, std::string* error) {
    std::vector<Dialog> dialogs;
    std::string why;
    if (!Parse(text, dialogs, why)) {
        if (error) *error = why;
        return false;
    }
    for (const Dialog& d : dialogs) {
        auto r = std::make_unique<ResourceRecord>();
        r->bytes = Encode(d);
        T().added[Lower(d.name)] = std::move(r);
    }
    return true;
}

std::string CompileDialogTemplate(const std::string& text, std::string* error) {
    std::vector<Dialog> dialogs;
    std::string why;
    if (!Parse(text, dialogs, why) || dialogs.size() != 1) {
        if (error) *error = why.empty() ? "one dialog expected" : why;
        return std::string();
    }
    return Encode(dialogs.front());
}

void ResetDialogResources() { T().added.clear(); }

} // namespace platform
