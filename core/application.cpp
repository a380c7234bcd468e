#include "core/application.h"

#include "core/app_message.h"
#include "core/message_registry.h"
#include "platform/msgbox.h"

#include <memory>

namespace {

Application* theApplication = nullptr;

// Raises the dispatch depth for the life of a drain, also when a handler throws.
struct DrainDepth {
    explicit DrainDepth(std::int16_t& depth_) : depth(depth_) { ++depth; }
    ~DrainDepth() { --depth; }
    std::int16_t& depth;
};

} // namespace

Application* GetApplication() { return theApplication; }

int ShowApplicationMessage(const char* text, const char* caption, unsigned style) {
    if (Application* app = GetApplication()) return app->ShowMessage(text, caption, style);
    return MessageBox(nullptr, text, caption, style);
}

Application::Application() : AsynchronousBus("GlobalApp", "GlobalApp") { theApplication = this; }

Application::~Application() {
    DeleteLibraries();
    ClearMessageRegistry();
    if (palette && destroyPalette) destroyPalette(palette);
    palette = nullptr;
    // Tasks still queued are dropped with the queue; their clones go with them.
    taskQueue.Clear();
    if (theApplication == this) theApplication = nullptr;
}

std::string& Application::GetDataDirectory(std::int16_t) { return dataDirectory; }

void Application::DispatchMouseEvent(Tile*, std::int16_t, Point) {}

void Application::Quit() { running = 0; }

void Application::BeginWait() {
    busy = 1;
    SetCursor(waitCursor);
}

void Application::SetPalette(LogicalPalette* palette_, void (*destroy)(LogicalPalette*)) {
    if (palette && destroyPalette && palette != palette_) destroyPalette(palette);
    palette = palette_;
    destroyPalette = destroy;
}

// --- task queue ---

bool Application::QueueTasks(Component* sender, BusMessage event, ContainerBase* payload,
                             const List<ReceiveAllCallback>* listeners, const List<Callback>* calls, Bus* onBus,
                             std::int32_t seq, int mode, CBtask* key) {
    bool any = false;
    auto queue = [&](CBtask&& task) {
        if (key) {
            key->origin = task.origin;
            key->callback = task.callback;
            key->event = task.event;
            key->sequence = task.sequence;
            key->mode = task.mode;
        }
        taskQueue.Enqueue(std::move(task));
        any = true;
    };
    if (listeners) {
        for (Item<ReceiveAllCallback>* i = listeners->Head(); i; i = i->next) {
            const ReceiveAllCallback& r = i->value;
            BusHandler h = mode == CBtask::kPostAndWait ? r.postAndWait : r.post;
            if (!h || !Bus::IsEligible(r, sender, event)) continue;
            auto wrapper = std::make_unique<Container<ReceiveAllData>>(
                ReceiveAllData(onBus, payload ? payload->Clone() : nullptr));
            queue(CBtask(onBus, Callback(r.listener, h), event, wrapper.release(), seq, mode));
        }
    }
    if (calls) {
        for (Item<Callback>* i = calls->Head(); i; i = i->next) {
            if (!i->value.object || !i->value.handler) continue;
            queue(CBtask(sender, i->value, event, payload ? payload->Clone() : nullptr, seq, mode));
        }
    }
    return any;
}

void Application::Post(Component* sender, BusMessage event, ContainerBase* payload,
                       const List<ReceiveAllCallback>* listeners, const List<Callback>* calls, Bus* onBus) {
    if (event.Number() == NULL_EVENT) return;
    event = event.WithKind(KIND_POST);
    QueueTasks(sender, event, payload, listeners, calls, onBus, -1, CBtask::kPost, nullptr);
    if (dispatchDepth < 1) DrainTasks();
}

ContainerBase* Application::PostAndWait(Component* sender, BusMessage event, ContainerBase* payload,
                                        const List<ReceiveAllCallback>* listeners, const List<Callback>* calls,
                                        Bus* onBus) {
    std::int32_t seq = ++sequence;
    if (event.Number() == NULL_EVENT) return nullptr;
    event = event.WithKind(KIND_POST_AND_WAIT);
    CBtask key;
    if (!QueueTasks(sender, event, payload, listeners, calls, onBus, seq, CBtask::kPostAndWait, &key)) {
        return nullptr;
    }
    key.done = 0;
    key.result = nullptr;
    waiters.AddTail(&key);
    // The key leaves the waiters however the loop ends; a reply collected before a handler threw
    // is deleted with it.
    struct Unwait {
        List<CBtask*>& waiters;
        CBtask& key;
        bool returned = false;
        ~Unwait() {
            waiters.Remove(&key);
            if (!returned) delete key.result;
        }
    } unwait{waiters, key};
    while (!key.done && !taskQueue.IsEmpty()) ProcessOneTask();
    unwait.returned = true;
    return key.result;
}

void Application::ProcessOneTask() {
    PeekPlatformMessage();
    CBtask task;
    if (!taskQueue.RemoveHead(task)) return;
    if (task.mode == CBtask::kPostAndWait) {
        std::unique_ptr<ContainerBase> reply(task.Execute());
        for (Item<CBtask*>* w = waiters.Head(); w; w = w->next) {
            CBtask* key = w->value;
            if (key->origin != task.origin || !(key->event == task.event) || key->sequence != task.sequence) continue;
            if (reply) {
                delete key->result;
                key->result = reply.release();
            }
            if (*key == task) key->done = 1;
            break;
        }
    } else {
        delete task.Execute();
    }
}

void Application::DrainTasks() {
    DrainDepth depth(dispatchDepth);
    do {
        ProcessOneTask();
    } while (!taskQueue.IsEmpty());
}

void Application::ForgetTasksOf(const Component* component) {
    if (!component) return;
    taskQueue.RemoveIf([component](const CBtask& t) { return t.callback.object == component; });
}

void Application::ForgetComponent(const Component* component) {
    if (!component || component == this) return;
    ForgetTasksOf(component);
    RemoveTerminateHandlersOf(component);
    for (auto& slot : timers) {
        if (slot.state != TimerCallback::kFree && slot.callback.object == component) RemoveTimer(slot.callback);
    }
}

// --- terminate handlers ---

void Application::AddTerminateHandler(const Callback& callback) { terminateHandlers.AddTail(callback); }

void Application::RemoveTerminateHandler(const Callback& callback) { terminateHandlers.RemoveAll(callback); }

void Application::RemoveTerminateHandlersOf(const Component* component) {
    terminateHandlers.RemoveIf([component](const Callback& c) { return c.object == component; });
}

std::int16_t Application::CanTerminate() {
    // Asked from a copy: a handler may unregister itself or another while answering.
    List<Callback> asked(terminateHandlers);
    std::int16_t answer = 1;
    for (Item<Callback>* i = asked.Head(); i; i = i->next) {
        // An earlier handler may have removed this one, or deleted its component.
        if (!terminateHandlers.Contains(i->value)) continue;
        Container<short> question(0);
        std::unique_ptr<ContainerBase> reply(i->value.handler(i->value.object, BusMessage(CAN_TERMINATE), &question));
        if (!reply) continue;
        const short* value = PayloadValue<short>(reply.get());
        if (!value) Assert(0, kBadBusData, "APP", __LINE__);
        else if (*value == 0) answer = 0;
    }
    return answer;
}

// --- shared image libraries ---

void Application::OpenQIF(QIFBase* user) {
    if (!user) return;
    std::string libraryName = user->GetName();
    for (Item<QIFCount*>* i = imageLibraries.Head(); i; i = i->next) {
        QIFCount* entry = i->value;
        if (entry->library->GetName() == libraryName) {
            user->ShareFrom(entry->library);
            ++entry->count;
            return;
        }
    }
    QIFBase* master = user->Create(libraryName.c_str());
    if (!master) return;
    OpenQIFLibrary(master);
    imageLibraries.AddTail(new QIFCount{master, 1});
    user->ShareFrom(master);
    ++imageLibraries.Tail()->value->count;
}

void Application::OpenQIFFromRecord(QIFBase* user, const BYTE* record) {
    if (!user) return;
    QIFBase* master = user->Create(user->GetName().c_str());
    if (!master) return;
    OpenQIFLibraryAt(master, record);
    imageLibraries.AddTail(new QIFCount{master, 1});
    user->ShareFrom(master);
    ++imageLibraries.Tail()->value->count;
}

void Application::CloseQIF(QIFBase* user) {
    if (!user || closingLibraries) return;
    // A master being deleted closes itself through its destructor: not a use.
    for (Item<QIFCount*>* i = imageLibraries.Head(); i; i = i->next) {
        if (i->value->library == user) return;
    }
    std::string libraryName = user->GetName();
    for (Item<QIFCount*>* i = imageLibraries.Head(); i; i = i->next) {
        QIFCount* entry = i->value;
        if (entry->library->GetName() != libraryName) continue;
        if (entry->count > 1) --entry->count;
        if (entry->count <= 1) {
            imageLibraries.RemoveItem(i);
            closingLibraries = true;
            entry->library->DeleteImages();
            delete entry->library;
            closingLibraries = false;
            delete entry;
        }
        return;
    }
}

int Application::QIFUseCount(const std::string& libraryName) const {
    for (Item<QIFCount*>* i = imageLibraries.Head(); i; i = i->next) {
        if (i->value->library->GetName() == libraryName) return i->value->count;
    }
    return 0;
}

void Application::DeleteLibraries() {
    closingLibraries = true;
    QIFCount* entry;
    while (imageLibraries.RemoveHead(entry)) {
        entry->library->DeleteImages();
        delete entry->library;
        delete entry;
    }
    closingLibraries = false;
}

bool Application::Check() const {
    if (!taskQueue.Check() || !waiters.Check() || !terminateHandlers.Check()) return false;
    if (dispatchDepth < 0) return false;
    int inUse = 0;
    int smallest = -1;
    for (const auto& slot : timers) {
        if (slot.state == TimerCallback::kFree) continue;
        ++inUse;
        if (smallest < 0 || slot.interval < smallest) smallest = slot.interval;
    }
    if (inUse != slotsInUse) return false;
    return inUse == 0 ? tick == -1 : tick == smallest;
}
