// Invariants: every thread that used the queue has one ThreadQueue, found by its thread id; a
// queue's timers have distinct (hwnd, id) keys; a timer's due time is at most one period past
// the time it was set or last fired. All state is guarded by one mutex, because any thread may
// post to the user-interface thread.
#include "platform/message_queue.h"
#include "platform/idle.h"

#include "platform/clock.h"
#include "platform/process.h"
#include "platform/timer.h"

#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace {

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT period;
    TIMERPROC proc;
    DWORD due;
};

struct ThreadQueue {
    std::deque<MSG> posted;
    std::vector<Timer> timers;
    bool quitPending = false;
    int quitCode = 0;
    std::condition_variable arrived;
};

struct QueueState {
    std::mutex lock;
    std::map<DWORD, std::unique_ptr<ThreadQueue>> queues;
    DWORD uiThread = 0;
    UINT_PTR nextTimerId = 1;
    platform::WindowDispatcher dispatcher = nullptr;
    platform::WindowThreadResolver resolver = nullptr;
    platform::PumpSources sources;
    platform::SocketPoller socketPoller = nullptr;
    std::map<std::string, UINT> registered;
};

QueueState& state() {
    static QueueState s;
    return s;
}

// Caller holds the lock.
ThreadQueue& queueOf(QueueState& s, DWORD thread) {
    auto& q = s.queues[thread];
    if (!q) q = std::make_unique<ThreadQueue>();
    if (s.uiThread == 0) s.uiThread = thread;
    return *q;
}

bool matches(const MSG& m, HWND hwnd, UINT first, UINT last) {
    if (hwnd && m.hwnd != hwnd) return false;
    if (first == 0 && last == 0) return true;
    return m.message >= first && m.message <= last;
}

// Signed distance on the wrapping clock: due when not in the future.
bool isDue(DWORD due, DWORD now) { return static_cast<std::int32_t>(now - due) >= 0; }

bool takePosted(ThreadQueue& q, MSG* out, HWND hwnd, UINT first, UINT last, bool remove) {
    for (auto it = q.posted.begin(); it != q.posted.end(); ++it) {
        if (!matches(*it, hwnd, first, last)) continue;
        *out = *it;
        if (remove) q.posted.erase(it);
        return true;
    }
    return false;
}

bool takeQuit(ThreadQueue& q, MSG* out, bool remove) {
    if (!q.quitPending) return false;
    *out = MSG{nullptr, WM_QUIT, static_cast<WPARAM>(q.quitCode), 0, GetTickCount(), {0, 0}};
    if (remove) q.quitPending = false;
    return true;
}

// A due timer as a peek would take it; caller holds the lock.
bool takeTimer(ThreadQueue& q, MSG* out, HWND hwnd, UINT first, UINT last, bool remove) {
    DWORD now = GetTickCount();
    Timer* best = nullptr;
    for (auto& t : q.timers) {
        if (!isDue(t.due, now)) continue;
        MSG probe{t.hwnd, WM_TIMER, t.id, 0, now, {0, 0}};
        if (!matches(probe, hwnd, first, last)) continue;
        if (!best || static_cast<std::int32_t>(t.due - best->due) < 0) best = &t;
    }
    if (best) {
        *out = MSG{best->hwnd, WM_TIMER, best->id, reinterpret_cast<LPARAM>(best->proc), now, {0, 0}};
        if (remove) best->due = now + best->period;
        return true;
    }
    return false;
}

bool inRange(UINT message, UINT first, UINT last) {
    return (first == 0 && last == 0) || (message >= first && message <= last);
}

// Finds a message as a peek would take it, in the order the header gives. Takes the lock itself
// and lets it go around the window system's and the backend's hooks, which may post.
bool takeMessage(QueueState& s, ThreadQueue& q, MSG* out, HWND hwnd, UINT first, UINT last, bool remove) {
    platform::PumpSources sources;
    platform::SocketPoller socketPoller;
    bool uiThread;
    {
        std::lock_guard<std::mutex> g(s.lock);
        if (takePosted(q, out, hwnd, first, last, remove)) return true;
        sources = s.sources;
        socketPoller = s.socketPoller;
        uiThread = s.uiThread == GetCurrentThreadId();
    }
    if (uiThread && sources.pollInput) sources.pollInput();
    if (socketPoller) socketPoller();
    {
        std::lock_guard<std::mutex> g(s.lock);
        if (takePosted(q, out, hwnd, first, last, remove)) return true;
        if (takeQuit(q, out, remove)) return true;
    }
    if (uiThread && sources.nextPaint && inRange(WM_PAINT, first, last)) {
        if (HWND w = sources.nextPaint(hwnd, remove)) {
            *out = MSG{w, WM_PAINT, 0, 0, GetTickCount(), {0, 0}};
            return true;
        }
    }
    std::lock_guard<std::mutex> g(s.lock);
    return takeTimer(q, out, hwnd, first, last, remove);
}

// Earliest due time of the queue's timers; false when it has none.
bool nextDue(const ThreadQueue& q, DWORD now, DWORD* due) {
    bool any = false;
    for (const auto& t : q.timers) {
        if (!any || static_cast<std::int32_t>(t.due - *due) < 0) *due = t.due;
        any = true;
    }
    if (any && isDue(*due, now)) *due = now;
    return any;
}

DWORD ownerOf(QueueState& s, HWND hwnd) {
    if (s.resolver) return s.resolver(hwnd);
    if (s.uiThread == 0) s.uiThread = GetCurrentThreadId();
    return s.uiThread;
}

BOOL postTo(DWORD thread, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    if (thread == 0) return FALSE;
    auto& q = queueOf(s, thread);
    q.posted.push_back(MSG{hwnd, message, wParam, lParam, GetTickCount(), {0, 0}});
    q.arrived.notify_all();
    return TRUE;
}

} // namespace

BOOL PostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    DWORD thread;
    if (!hwnd) {
        thread = GetCurrentThreadId();
    } else {
        auto& s = state();
        std::lock_guard<std::mutex> g(s.lock);
        thread = ownerOf(s, hwnd);
    }
    return postTo(thread, hwnd, message, wParam, lParam);
}

BOOL PostThreadMessage(DWORD threadId, UINT message, WPARAM wParam, LPARAM lParam) {
    return postTo(threadId, nullptr, message, wParam, lParam);
}

void PostQuitMessage(int exitCode) {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    auto& q = queueOf(s, GetCurrentThreadId());
    q.quitPending = true;
    q.quitCode = exitCode;
    q.arrived.notify_all();
}

BOOL PeekMessage(MSG* msg, HWND hwnd, UINT first, UINT last, UINT removeFlags) {
    auto& s = state();
    bool remove = (removeFlags & PM_REMOVE) != 0;
    ThreadQueue* q;
    {
        std::lock_guard<std::mutex> g(s.lock);
        q = &queueOf(s, GetCurrentThreadId());
    }
    if (takeMessage(s, *q, msg, hwnd, first, last, remove)) return TRUE;
    // Nothing to do: a caller that polls in a loop is spending time, so the virtual clock moves.
    if (remove && platform::ClockIsVirtual()) platform::AdvanceClock(platform::IdleStep());
    return FALSE;
}

BOOL GetMessage(MSG* msg, HWND hwnd, UINT first, UINT last) {
    auto& s = state();
    ThreadQueue* qp;
    platform::PumpSources sources;
    {
        std::lock_guard<std::mutex> g(s.lock);
        qp = &queueOf(s, GetCurrentThreadId());
        sources = s.sources;
    }
    // A filter naming no window would wait for ever.
    if (hwnd && sources.isWindow && !sources.isWindow(hwnd)) return -1;
    ThreadQueue& q = *qp;
    for (;;) {
        if (takeMessage(s, q, msg, hwnd, first, last, true)) return msg->message == WM_QUIT ? FALSE : TRUE;
        bool live = false;
        platform::SocketPoller socketPoller;
        {
            std::lock_guard<std::mutex> g(s.lock);
            sources = s.sources;
            socketPoller = s.socketPoller;
        }
        const bool uiThread = platform::UiThread() == GetCurrentThreadId();
        if (uiThread && sources.idle) sources.idle();
        if (uiThread && sources.pollInput) live = sources.pollInput();
        // Watched sockets are an input source too: nothing wakes the queue when bytes arrive.
        if (socketPoller && socketPoller()) live = true;
        std::unique_lock<std::mutex> g(s.lock);
        if (!q.posted.empty() || q.quitPending) continue;
        DWORD now = GetTickCount();
        DWORD due = 0;
        bool haveTimer = nextDue(q, now, &due);
        // A live input source is looked at again every few milliseconds while nothing comes.
        constexpr DWORD kPollPeriod = 10;
        if (platform::ClockIsVirtual()) {
            // Sleeping on the virtual clock means jumping to the next timer at once.
            if (haveTimer) {
                if (static_cast<std::int32_t>(due - now) > 0) platform::SetClock(due);
                continue;
            }
            if (live)
                q.arrived.wait_for(g, std::chrono::milliseconds(kPollPeriod));
            else
                q.arrived.wait(g);
        } else if (haveTimer) {
            DWORD wait = due - now;
            if (live && wait > kPollPeriod) wait = kPollPeriod;
            q.arrived.wait_for(g, std::chrono::milliseconds(wait));
        } else if (live) {
            q.arrived.wait_for(g, std::chrono::milliseconds(kPollPeriod));
        } else {
            q.arrived.wait(g);
        }
    }
}

BOOL WaitMessage() {
    auto& s = state();
    ThreadQueue* qp;
    platform::PumpSources sources;
    platform::SocketPoller socketPoller;
    {
        std::lock_guard<std::mutex> g(s.lock);
        qp = &queueOf(s, GetCurrentThreadId());
        sources = s.sources;
        socketPoller = s.socketPoller;
    }
    ThreadQueue& q = *qp;
    const bool uiThread = platform::UiThread() == GetCurrentThreadId();
    if (uiThread && sources.idle) sources.idle();
    bool live = false;
    if (uiThread && sources.pollInput) live = sources.pollInput();
    if (socketPoller && socketPoller()) live = true;
    if (uiThread && sources.nextPaint && sources.nextPaint(nullptr, false)) return TRUE;
    // Input looked at every 10 ms while things happen, every 40 ms once nothing has come for a
    // while (a fifth of a second): an idle window costs next to nothing, and the first event after
    // a pause is answered within 40 ms.
    thread_local int idleWaits = 0;
    std::unique_lock<std::mutex> g(s.lock);
    if (!q.posted.empty() || q.quitPending) {
        idleWaits = 0;
        return TRUE;
    }
    // Without a live input source nothing but a timer could end the wait, and the caller's loop
    // may be counting idle turns to give up (a headless dialog without input): let it count.
    if (platform::ClockIsVirtual() || !live) return TRUE;
    const DWORD now = GetTickCount();
    DWORD due = 0;
    const bool haveTimer = nextDue(q, now, &due);
    const DWORD pollPeriod = idleWaits < 20 ? 10 : 40;
    ++idleWaits;
    DWORD wait = pollPeriod;
    if (haveTimer) {
        if (due == now) return TRUE;
        wait = std::min<DWORD>(due - now, pollPeriod);
    }
    q.arrived.wait_for(g, std::chrono::milliseconds(wait));
    return TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
    return msg && (msg->message == WM_KEYDOWN || msg->message == WM_KEYUP) ? TRUE : FALSE;
}

LRESULT DispatchMessage(const MSG* msg) {
    if (!msg) return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        auto proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, msg->time);
        return 0;
    }
    platform::WindowDispatcher dispatcher;
    {
        auto& s = state();
        std::lock_guard<std::mutex> g(s.lock);
        dispatcher = s.dispatcher;
    }
    return dispatcher ? dispatcher(*msg) : 0;
}

UINT RegisterWindowMessage(const char* name) {
    if (!name || !*name) return 0;
    std::string key(name);
    for (auto& c : key) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    auto it = s.registered.find(key);
    if (it != s.registered.end()) return it->second;
    UINT number = 0xC000 + static_cast<UINT>(s.registered.size());
    if (number > 0xFFFF) return 0;
    s.registered.emplace(key, number);
    return number;
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc) {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    auto& q = queueOf(s, GetCurrentThreadId());
    if (elapse == 0) elapse = 1;
    DWORD due = GetTickCount() + elapse;
    if (hwnd) {
        for (auto& t : q.timers) {
            if (t.hwnd == hwnd && t.id == id) {
                t = Timer{hwnd, id, elapse, proc, due};
                return id;
            }
        }
    } else {
        id = s.nextTimerId++;
    }
    q.timers.push_back(Timer{hwnd, id, elapse, proc, due});
    q.arrived.notify_all();
    return id;
}

BOOL KillTimer(HWND hwnd, UINT_PTR id) {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    auto& q = queueOf(s, GetCurrentThreadId());
    auto it = std::find_if(q.timers.begin(), q.timers.end(),
                           [&](const Timer& t) { return t.hwnd == hwnd && t.id == id; });
    if (it == q.timers.end()) return FALSE;
    q.timers.erase(it);
    // A WM_TIMER already taken is not recalled, but none is made from now on.
    return TRUE;
}

namespace platform {

void SetWindowDispatcher(WindowDispatcher dispatcher) {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.dispatcher = dispatcher;
}

void SetWindowThreadResolver(WindowThreadResolver resolver) {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.resolver = resolver;
}

void SetPumpSources(const PumpSources& sources) {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.sources = sources;
}

void SetSocketPoller(SocketPoller poller) {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.socketPoller = poller;
}

void SetUiThread(DWORD threadId) {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    s.uiThread = threadId;
}

DWORD UiThread() {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    return s.uiThread;
}

void ResetMessageQueues() {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    for (auto& [thread, q] : s.queues) {
        q->posted.clear();
        q->timers.clear();
        q->quitPending = false;
    }
}

unsigned PendingMessageCount() {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    return static_cast<unsigned>(queueOf(s, GetCurrentThreadId()).posted.size());
}

// WM_SYSKEYDOWN and WM_SYSKEYUP, which the window system's header gives.
constexpr UINT kSysKeyDown = 0x0104, kSysKeyUp = 0x0105;

bool EarliestKeyMessage(WPARAM virtualKey, MSG* out) {
    auto& s = state();
    std::lock_guard<std::mutex> g(s.lock);
    for (const MSG& m : queueOf(s, GetCurrentThreadId()).posted)
        if (m.wParam == virtualKey && (m.message == WM_KEYDOWN || m.message == WM_KEYUP || m.message == kSysKeyDown ||
                                       m.message == kSysKeyUp)) {
            if (out) *out = m;
            return true;
        }
    return false;
}

} // namespace platform
