#include "platform/input_script.h"
#include "platform/menu.h"
#include "platform/idle.h"

#include "platform/clock.h"
#include "platform/dialog.h"
#include "platform/input.h"
#include "platform/menu.h"
#include "platform/message_queue.h"
#include "platform/msgbox.h"
#include "platform/screen.h"
#include "platform/window_record.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>
#include <vector>

namespace platform {
namespace {

struct Step {
    int line = 0;
    std::string verb;
    std::vector<std::string> args;  // texts unquoted
    std::string Arg(std::size_t i) const { return i < args.size() ? args[i] : std::string(); }
    long Number(std::size_t i, long fallback = 0) const {
        if (i >= args.size()) return fallback;
        return std::strtol(args[i].c_str(), nullptr, 0);
    }
};

struct ScriptState {
    std::vector<Step> steps;
    std::size_t next = 0;
    bool running = false;
    bool failed = false;
    bool busy = false;
    std::string error;
    DWORD stepStart = 0;
    bool stepStarted = false;
    // menu-until: when it last chose its item, and whether the item was grayed since.
    DWORD lastChoice = 0;
    bool chosen = false;
    bool grayedSinceChoice = false;
};

ScriptState& S() {
    static ScriptState s;
    return s;
}

// Generous: a wait ends as soon as its condition holds, and a slow machine (a sanitizer build on
// two loaded cores) takes many times longer to open a window than a fast one.
constexpr long kDefaultTimeout = 60000;

// Splits a line into words; a quoted text is one word.
bool Split(const std::string& line, std::vector<std::string>& words) {
    std::size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && std::isspace(static_cast<unsigned char>(line[i]))) ++i;
        if (i >= line.size()) break;
        std::string w;
        if (line[i] == '"') {
            ++i;
            bool closed = false;
            while (i < line.size()) {
                if (line[i] == '\\' && i + 1 < line.size()) {
                    w += line[i + 1];
                    i += 2;
                } else if (line[i] == '"') {
                    ++i;
                    closed = true;
                    break;
                } else {
                    w += line[i++];
                }
            }
            if (!closed) return false;
        } else {
            while (i < line.size() && !std::isspace(static_cast<unsigned char>(line[i]))) w += line[i++];
        }
        words.push_back(w);
    }
    return true;
}

// Steps and how many arguments each needs at least and at most.
const std::map<std::string, std::pair<int, int>>& Verbs() {
    static const std::map<std::string, std::pair<int, int>> v = {
        {"wait-window", {1, 2}}, {"wait-gone", {1, 2}},   {"wait-control", {2, 3}}, {"wait-enabled", {1, 2}},
        {"pause", {1, 1}},       {"move", {2, 2}},        {"click", {2, 2}},        {"rclick", {2, 2}},
        {"dclick", {2, 2}},      {"click-client", {3, 3}}, {"dclick-client", {3, 3}}, {"click-control", {1, 1}},
        {"click-menu", {2, 2}},  {"click-list", {2, 2}},
        {"key", {1, 1}},         {"key-down", {1, 1}},    {"key-up", {1, 1}},       {"answer", {1, 1}},
        {"answer-always", {1, 1}},
        {"screenshot", {1, 1}},  {"windows", {1, 1}},     {"end", {0, 0}},          {"quit", {0, 1}},
        {"menu", {1, 1}},        {"wait-menu-enabled", {1, 2}}, {"menu-until", {3, 4}},
    };
    return v;
}

int KeyCode(std::string name) {
    for (char& c : name) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) return name[0];
    if (name.size() >= 2 && name[0] == 'F' && std::isdigit(static_cast<unsigned char>(name[1]))) {
        const int n = std::atoi(name.c_str() + 1);
        if (n >= 1 && n <= 12) return VK_F1 + n - 1;
    }
    static const std::map<std::string, int> names = {
        {"RETURN", VK_RETURN}, {"ENTER", VK_RETURN}, {"ESCAPE", VK_ESCAPE}, {"TAB", VK_TAB},   {"SPACE", VK_SPACE},
        {"UP", VK_UP},         {"DOWN", VK_DOWN},    {"LEFT", VK_LEFT},     {"RIGHT", VK_RIGHT}, {"HOME", VK_HOME},
        {"END", VK_END},       {"PRIOR", VK_PRIOR},  {"NEXT", VK_NEXT},     {"ALT", VK_MENU},  {"SHIFT", VK_SHIFT},
        {"CONTROL", VK_CONTROL}, {"BACK", VK_BACK},  {"DELETE", VK_DELETE},
    };
    auto it = names.find(name);
    return it == names.end() ? 0 : it->second;
}

std::string TitleOf(HWND w) { return w->title; }

bool Visible(HWND w) {
    for (HWND p = w; p; p = p->parent)
        if (!(p->style & WS_VISIBLE)) return false;
    return true;
}

HWND WindowCalled(const std::string& caption) {
    for (HWND w : detail::TopLevel())
        if (Visible(w) && TitleOf(w) == caption) return w;
    return nullptr;
}

HWND FindControl(HWND w, long id, const std::string* text) {
    for (HWND c : w->children) {
        if (!Visible(c)) continue;
        if (static_cast<long>(static_cast<int>(c->id)) == id && (!text || c->title == *text)) return c;
        if (HWND d = FindControl(c, id, text)) return d;
    }
    return nullptr;
}

// The front visible control of that id among the top-level windows.
HWND FrontControl(long id, const std::string* text) {
    for (HWND w : detail::TopLevel()) {
        if (!Visible(w)) continue;
        if (HWND c = FindControl(w, id, text)) return c;
    }
    return nullptr;
}

RECT ScreenRect(HWND w) {
    RECT r;
    GetWindowRect(w, &r);
    return r;
}

void DumpWindow(std::ostream& out, HWND w, int depth) {
    if (!Visible(w)) return;
    const RECT r = ScreenRect(w);
    std::string title = w->title;
    for (char& c : title)
        if (c == '\n' || c == '\r' || c == '\t') c = ' ';
    out << std::string(static_cast<std::size_t>(depth) * 2, ' ') << static_cast<int>(w->id) << '\t'
        << (w->cls ? w->cls->name : std::string()) << '\t' << '"' << title << '"' << '\t' << r.left << ' ' << r.top
        << ' ' << r.right << ' ' << r.bottom << '\t' << ((w->style & WS_DISABLED) ? 0 : 1) << '\n';
    for (HWND c : w->children) DumpWindow(out, c, depth + 1);
}

void Click(MouseButton button, POINT p, int times) {
    InjectMouseMove(p.x, p.y);
    for (int i = 0; i < times; ++i) {
        InjectMouseButton(button, true, p.x, p.y);
        InjectMouseButton(button, false, p.x, p.y);
    }
}

// The front window whose menu bar holds the item, and the item's state there (0xFFFFFFFF: none).
HWND MenuHolder(UINT id, UINT& state) {
    state = 0xFFFFFFFFu;
    for (HWND w : detail::TopLevel()) {
        if (!Visible(w) || !GetMenu(w)) continue;
        state = GetMenuState(GetMenu(w), id, MF_BYCOMMAND);
        if (state != 0xFFFFFFFFu) return w;
    }
    return nullptr;
}

void Fail(ScriptState& s, const Step& step, const std::string& why) {
    s.failed = true;
    s.running = false;
    s.error = "line " + std::to_string(step.line) + " (" + step.verb + "): " + why;
    std::fprintf(stderr, "input script: %s\n", s.error.c_str());
}

enum class Outcome { Done, Wait, Injected };

Outcome Run(ScriptState& s, const Step& st) {
    const std::string& v = st.verb;
    const DWORD now = GetTickCount();
    if (!s.stepStarted) {
        s.stepStarted = true;
        s.stepStart = now;
        s.chosen = false;
    }
    const DWORD elapsed = now - s.stepStart;
    auto waitFor = [&](bool met, long timeout, const std::string& what) {
        if (met) return Outcome::Done;
        if (static_cast<long>(elapsed) > timeout) {
            Fail(s, st, "timed out waiting for " + what);
            return Outcome::Done;
        }
        return Outcome::Wait;
    };
    if (v == "wait-window")
        return waitFor(WindowCalled(st.Arg(0)) != nullptr, st.Number(1, kDefaultTimeout), "\"" + st.Arg(0) + "\"");
    if (v == "wait-gone")
        return waitFor(WindowCalled(st.Arg(0)) == nullptr, st.Number(1, kDefaultTimeout), "\"" + st.Arg(0) + "\" to close");
    if (v == "wait-control") {
        const std::string text = st.Arg(1);
        return waitFor(FrontControl(st.Number(0), &text) != nullptr, st.Number(2, kDefaultTimeout),
                       "control " + st.Arg(0) + " \"" + text + "\"");
    }
    if (v == "wait-enabled") {
        HWND c = FrontControl(st.Number(0), nullptr);
        return waitFor(c && !(c->style & WS_DISABLED), st.Number(1, kDefaultTimeout), "control " + st.Arg(0) + " enabled");
    }
    if (v == "wait-menu-enabled") {
        // The front window whose menu bar holds the item, as the "menu" step finds it.
        const UINT id = static_cast<UINT>(st.Number(0));
        bool enabled = false;
        for (HWND w : detail::TopLevel()) {
            if (!Visible(w) || !GetMenu(w)) continue;
            const UINT state = GetMenuState(GetMenu(w), id, MF_BYCOMMAND);
            if (state == 0xFFFFFFFFu) continue;
            enabled = !(state & (MF_GRAYED | MF_DISABLED));
            break;
        }
        return waitFor(enabled, st.Number(1, kDefaultTimeout), "menu item " + st.Arg(0) + " enabled");
    }
    if (v == "menu-until") {
        // Plays on by one menu item as long as it takes: the item is chosen whenever it is
        // enabled, until the control that ends the run shows. After a choice the item is chosen
        // again only once it has been grayed meanwhile (the program took the choice), or after a
        // long while in which it stayed enabled (it was enabled again before the script looked). Never
        // sooner: a program slow to take the command would be given it twice.
        const std::string text = st.Arg(2);
        if (FrontControl(st.Number(1), &text)) return Outcome::Done;
        if (static_cast<long>(elapsed) > st.Number(3, kDefaultTimeout)) {
            Fail(s, st, "timed out waiting for control " + st.Arg(1) + " \"" + text + "\"");
            return Outcome::Done;
        }
        UINT state = 0;
        HWND w = MenuHolder(static_cast<UINT>(st.Number(0)), state);
        const bool enabled = w && !(state & (MF_GRAYED | MF_DISABLED));
        if (!enabled) {
            s.grayedSinceChoice = true;
            return Outcome::Wait;
        }
        constexpr DWORD kStillEnabled = 30000;
        if (s.chosen && !s.grayedSinceChoice && now - s.lastChoice < kStillEnabled) return Outcome::Wait;
        s.chosen = true;
        s.grayedSinceChoice = false;
        s.lastChoice = now;
        PostMessage(w, WM_COMMAND, static_cast<WPARAM>(st.Number(0)), 0);
        // Stays the current step: it waits, and the program takes the command meanwhile.
        return Outcome::Wait;
    }
    if (v == "pause") return static_cast<long>(elapsed) >= st.Number(0) ? Outcome::Done : Outcome::Wait;
    if (v == "move") {
        InjectMouseMove(static_cast<int>(st.Number(0)), static_cast<int>(st.Number(1)));
        return Outcome::Injected;
    }
    if (v == "click" || v == "rclick" || v == "dclick") {
        const POINT p{static_cast<LONG>(st.Number(0)), static_cast<LONG>(st.Number(1))};
        Click(v == "rclick" ? MouseButton::Right : MouseButton::Left, p, v == "dclick" ? 2 : 1);
        return Outcome::Injected;
    }
    if (v == "click-client" || v == "dclick-client") {
        HWND w = WindowCalled(st.Arg(0));
        if (!w) {
            Fail(s, st, "no window \"" + st.Arg(0) + "\"");
            return Outcome::Done;
        }
        POINT p{static_cast<LONG>(st.Number(1)), static_cast<LONG>(st.Number(2))};
        ClientToScreen(w, &p);
        Click(MouseButton::Left, p, v == "dclick-client" ? 2 : 1);
        return Outcome::Injected;
    }
    if (v == "click-control") {
        HWND c = FrontControl(st.Number(0), nullptr);
        if (!c) {
            Fail(s, st, "no visible control " + st.Arg(0));
            return Outcome::Done;
        }
        const RECT r = ScreenRect(c);
        Click(MouseButton::Left, POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2}, 1);
        return Outcome::Injected;
    }
    if (v == "click-list") {
        HWND c = FrontControl(st.Number(0), nullptr);
        POINT p{0, 0};
        if (!c || !ListItemScreenPoint(c, st.Arg(1), p)) {
            Fail(s, st, "no row \"" + st.Arg(1) + "\" shown in the list of control " + st.Arg(0));
            return Outcome::Done;
        }
        Click(MouseButton::Left, p, 1);
        return Outcome::Injected;
    }
    if (v == "click-menu") {
        HWND w = WindowCalled(st.Arg(0));
        POINT p{0, 0};
        if (!w || !MenuItemScreenPoint(w, st.Arg(1), p)) {
            Fail(s, st, "no menu item \"" + st.Arg(1) + "\" shown for \"" + st.Arg(0) + "\"");
            return Outcome::Done;
        }
        Click(MouseButton::Left, p, 1);
        return Outcome::Injected;
    }
    if (v == "key" || v == "key-down" || v == "key-up") {
        const int vk = KeyCode(st.Arg(0));
        if (!vk) {
            Fail(s, st, "unknown key " + st.Arg(0));
            return Outcome::Done;
        }
        if (v != "key-up") InjectKey(vk, true);
        if (v != "key-down") InjectKey(vk, false);
        return Outcome::Injected;
    }
    if (v == "menu") {
        // The front window whose menu bar holds the item; a grayed item cannot be chosen.
        const UINT id = static_cast<UINT>(st.Number(0));
        for (HWND w : detail::TopLevel()) {
            if (!Visible(w) || !GetMenu(w)) continue;
            const UINT state = GetMenuState(GetMenu(w), id, MF_BYCOMMAND);
            if (state == 0xFFFFFFFFu) continue;
            if (state & (MF_GRAYED | MF_DISABLED)) {
                Fail(s, st, "menu item " + st.Arg(0) + " is grayed");
                return Outcome::Done;
            }
            PostMessage(w, WM_COMMAND, id, 0);
            return Outcome::Injected;
        }
        Fail(s, st, "no menu holds item " + st.Arg(0));
        return Outcome::Done;
    }
    if (v == "answer") {
        QueueMessageBoxAnswer(static_cast<int>(st.Number(0)));
        return Outcome::Done;
    }
    if (v == "answer-always") {
        const int answer = static_cast<int>(st.Number(0));
        if (answer == 0) {
            SetMessageBoxPresenter({});
        } else {
            SetMessageBoxPresenter([answer](const char* text, const char* caption, UINT) {
                std::fprintf(stderr, "[message box] %s: %s -> %d\n", caption, text, answer);
                return answer;
            });
        }
        return Outcome::Done;
    }
    if (v == "screenshot" || v == "windows") {
        // What the program has still to paint would be missing from the picture.
        if (WindowWaitingForPaint() && static_cast<long>(elapsed) < kDefaultTimeout) return Outcome::Wait;
        if (v == "screenshot") {
            if (!SaveScreenPNG(st.Arg(0))) Fail(s, st, "cannot write " + st.Arg(0));
        } else {
            std::ofstream out(st.Arg(0));
            for (HWND w : detail::TopLevel()) DumpWindow(out, w, 0);
            if (!out) Fail(s, st, "cannot write " + st.Arg(0));
        }
        return Outcome::Done;
    }
    if (v == "quit") {
        // The program is left as a killed one would be, without its exit questions or the
        // teardown of whatever it was doing; only what it printed is kept.
        std::fflush(nullptr);
        std::_Exit(static_cast<int>(st.Number(0, 0)));
    }
    // "end"
    s.next = s.steps.size();
    return Outcome::Done;
}

} // namespace

bool StartInputScript(const std::string& path, std::string& error) {
    ScriptState& s = S();
    s = ScriptState();
    std::ifstream in(path);
    if (!in) {
        error = "cannot read the input script " + path;
        return false;
    }
    std::string line;
    int number = 0;
    while (std::getline(in, line)) {
        ++number;
        std::vector<std::string> words;
        if (!Split(line, words)) {
            error = path + ":" + std::to_string(number) + ": a text is not closed";
            return false;
        }
        if (words.empty() || words[0][0] == '#') continue;
        auto it = Verbs().find(words[0]);
        const int count = static_cast<int>(words.size()) - 1;
        if (it == Verbs().end() || count < it->second.first || count > it->second.second) {
            error = path + ":" + std::to_string(number) + ": not a step: " + line;
            return false;
        }
        Step step;
        step.line = number;
        step.verb = words[0];
        step.args.assign(words.begin() + 1, words.end());
        s.steps.push_back(step);
    }
    s.running = !s.steps.empty();
    return true;
}

bool InputScriptRunning() { return S().running; }

bool StepInputScript() {
    ScriptState& s = S();
    if (!s.running || s.busy) return false;
    s.busy = true;
    bool injected = false;
    while (s.running && s.next < s.steps.size()) {
        const Outcome o = Run(s, s.steps[s.next]);
        if (o == Outcome::Wait) break;
        ++s.next;
        s.stepStarted = false;
        if (o == Outcome::Injected) {
            injected = true;
            break;
        }
    }
    if (s.next >= s.steps.size()) s.running = false;
    s.busy = false;
    return injected;
}

bool InputScriptSucceeded() { return !S().failed && S().next >= S().steps.size(); }
std::string InputScriptError() {
    const ScriptState& s = S();
    if (!s.error.empty()) return s.error;
    if (s.next < s.steps.size()) return "ended at line " + std::to_string(s.steps[s.next].line) + " (" + s.steps[s.next].verb + ")";
    return {};
}

void StopInputScript() { S() = ScriptState(); }

} // namespace platform
