#pragma once
// CBtask: one queued delivery of an event to one handler. A task owns its own clone of the
// payload and deletes it with itself. A task made for a receive-all listener carries a
// Container<ReceiveAllData> whose inner clone belongs to the listener's handler once the task has
// run; a task dropped before it runs deletes that inner clone too. Tasks move, they are not
// copied.
#include "core/component.h"

#include <cstdint>

class CBtask {
public:
    enum Mode : int { kPost = 1, kPostAndWait = 2 };

    CBtask() = default;
    // origin: the bus for a receive-all listener's task, the sender for a callback's. Takes
    // ownership of payload (already cloned for this task).
    CBtask(const void* origin, const Callback& callback, BusMessage event, ContainerBase* payload,
           std::int32_t sequence, int mode);
    CBtask(CBtask&& o) noexcept;
    CBtask& operator=(CBtask&& o) noexcept;
    CBtask(const CBtask&) = delete;
    CBtask& operator=(const CBtask&) = delete;
    ~CBtask();

    // Calls the handler with (component, event word, payload) and returns its result.
    ContainerBase* Execute();

    // Equal when origin, callback and event number are.
    bool operator==(const CBtask& o) const {
        return origin == o.origin && callback == o.callback && event == o.event;
    }

    const void* origin = nullptr;
    Callback callback;
    BusMessage event;
    ContainerBase* payload = nullptr;
    std::int32_t sequence = -1; // -1 for a post, the post-and-wait's number otherwise
    int mode = kPost;
    std::int16_t done = 0;            // set on a waiter's key when its last reply is in
    ContainerBase* result = nullptr;  // replies collected on a waiter's key; not owned by the task

private:
    void Release();
    bool ran = false;
};
