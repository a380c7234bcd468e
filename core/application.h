#pragma once
// The Application: the one object at the root of the bus tree, an AsynchronousBus named
// "GlobalApp". It owns the task queue that asynchronous buses post to, the handlers asked before
// the program may end, the use counts of the open image libraries, the 16 timer slots and the
// hover tracking, the main window, the palette and the data directory. It is portable: every
// window-system service is a pure virtual operation that the platform layer's application class
// supplies (core/basic_app.h is one for tests and tools; the Windows layer's WinApp is the
// program's), and the game's application class derives from that. GetApplication() names the one
// instance.
//
// Task queue. Posts on asynchronous buses queue CBtasks; the queue runs (DrainTasks) at once when
// no task is running, else the new tasks wait for the drain in progress. A post-and-wait queues
// its tasks, registers a waiter keyed by its sequence number and runs tasks one at a time until
// its last task has run (or the queue is empty); replies of its tasks go to it by sequence
// number, also when a nested post-and-wait runs them. Window messages are not handled by
// ProcessOneTask (it only peeks); ProcessPending and WaitForFlag handle one per task.
//
// Invariants (Check): the dispatch depth counts the drains running; the waiters are the keys of
// the post-and-waits running, innermost last; the queue holds no task for a detached or deleted
// component; at most 16 timer slots are in use and the tick is the smallest interval among them
// (-1 when none).
#include "core/async_bus.h"
#include "core/geometry.h"
#include "core/task.h"
#include "core/text_payload.h"
#include "platform/wintypes.h"

#include <cstdint>
#include <string>

class Window;
class Display;
class LogicalPalette;
class Tile;

// One timer slot.
struct TimerCallback {
    enum State : int { kFree = 0, kActive = 1, kSuspended = 2 };

    std::uint16_t accumulated = 0; // ms since the handler was last called
    int state = kFree;
    int interval = 0; // ms between calls: 1000 / rate
    Callback callback;
};

// Use count of one shared image library: the master copy and its users (the Application's own
// reference counts 1). Deleting the entry deletes the master's images and the master.
struct QIFCount {
    QIFBase* library = nullptr;
    std::uint16_t count = 1;
};

// Mouse event kinds reported to displays.
enum MouseEventKind : std::int16_t { MOUSE_MOVE = 0, MOUSE_HOVER = 4, MOUSE_ENTER = 5, MOUSE_LEAVE = 6 };

class Application : public AsynchronousBus {
public:
    static constexpr int kTimerSlots = 16;

    Application();
    ~Application() override;

    // --- window-system operations, supplied by the platform layer ---
    // Loads a newly made image library through the art map file.
    virtual void OpenQIFLibrary(QIFBase* library) = 0;
    // Loads a library at a record of the game's data-file list (the game's application).
    virtual void OpenQIFLibraryAt(QIFBase* library, const BYTE* record) = 0;
    // Starts the one window-system timer, whose ticks call TimerTick, and keeps its id.
    virtual void StartTimer(std::uint16_t period) = 0;
    virtual void StopTimer() = 0;
    virtual void SetCursor(HCURSOR cursor) = 0;
    // The message loop: installs the hover timer, then runs while the running flag is 1.
    virtual void Run() = 0;
    // Whether the program may end: asks every terminate handler (CAN_TERMINATE, payload
    // Container<short> 0); 1 when none refuses with a Container<short> holding 0. Every handler
    // is asked even after one has refused. A null reply does not refuse.
    virtual std::int16_t CanTerminate();
    // Ends the message loop.
    virtual void Quit();
    // Looks at the window-system queue without taking a message.
    virtual void PeekPlatformMessage() = 0;
    // Runs at most one queued task.
    virtual void ProcessOneTask();
    // Handles one window-system message if there is one; 0 when the program must stop (a close
    // or quit request, left in the queue for the main loop), else 1.
    virtual std::int16_t PumpMessage() = 0;
    // The recommended row order of off-screen bitmaps (the sign of their height).
    virtual std::int16_t DIBOrientation() = 0;
    // The data directory (the kind is for the game's application; ignored here).
    virtual std::string& GetDataDirectory(std::int16_t kind = 0);
    // The open-file dialog: fills fileName (256 characters); non-zero when a file was chosen.
    virtual std::int16_t ChooseFile(char* fileName, const char* filterDescription, const char* filterPattern) = 0;
    // A message box over the main window; returns the button chosen.
    virtual int ShowMessage(const char* text, const char* caption, unsigned style) = 0;
    virtual std::uint32_t TickCount() = 0;
    virtual void Beep() = 0;
    virtual void SetStatusText(const char* text, std::int16_t pane) = 0;
    // A text of the string table, at most 255 characters.
    virtual std::string LoadResourceString(std::uint32_t stringId) = 0;
    // Hands a mouse event of a kind (MouseEventKind) to a display; the window layer supplies it.
    virtual void DispatchMouseEvent(Tile* tile, std::int16_t kind, Point point);

    // --- task queue ---
    // Queues one task per eligible listener of receiveAll and per callback of callbacks (either
    // may be null), each with its own clone of payload, then drains unless a drain is running.
    void Post(Component* sender, BusMessage event, ContainerBase* payload, const List<ReceiveAllCallback>* receiveAll,
              const List<Callback>* callbacks, Bus* bus);
    // Queues likewise and runs tasks until its last task has run; the last non-null reply
    // (the caller owns it) or null. Advances the sequence counter, also for event 0.
    ContainerBase* PostAndWait(Component* sender, BusMessage event, ContainerBase* payload,
                               const List<ReceiveAllCallback>* receiveAll, const List<Callback>* callbacks, Bus* bus);
    using AsynchronousBus::Post;
    using AsynchronousBus::PostAndWait;
    void DrainTasks();
    int TaskCount() const { return taskQueue.Count(); }
    int DispatchDepth() const { return dispatchDepth; }
    std::int32_t SequenceNumber() const { return sequence; }
    int WaiterCount() const { return waiters.Count(); }

    // Drops every queued task for the component (it is being detached).
    void ForgetTasksOf(const Component* component);
    // Drops everything the Application keeps for a component being deleted: queued tasks,
    // terminate handlers, timers.
    void ForgetComponent(const Component* component);

    // --- terminate handlers (event 60 registrations of every bus come here) ---
    void AddTerminateHandler(const Callback& callback);
    // Removes every equal callback.
    void RemoveTerminateHandler(const Callback& callback);
    void RemoveTerminateHandlersOf(const Component* component);
    int TerminateHandlerCount() const { return terminateHandlers.Count(); }
    bool IsRunning() const { return running != 0; }

    // --- shared image libraries ---
    // The library user gets the open library of its name (sharing it), or a new master is made
    // with the user's Create, loaded by OpenQIFLibrary and entered with count 1, then shared.
    void OpenQIF(QIFBase* user);
    // Always a new master, loaded by OpenQIFLibraryAt from the record, then shared.
    void OpenQIFFromRecord(QIFBase* user, const BYTE* record);
    // One use less of the user's library; at count 1 the entry and its master are deleted.
    // Nothing for a library that is not open, or for a master itself.
    void CloseQIF(QIFBase* user);
    // The use count of the first library of that name; 0 when none is open.
    int QIFUseCount(const std::string& libraryName) const;

    // --- main window, palette, busy state ---
    void SetMainWindow(Window* window) { mainWindow = window; }
    Window* GetMainWindow() const { return mainWindow; }
    // The main window seen as a display (the game sets it; not owned).
    void SetMainDisplay(Display* display) { mainDisplay = display; }
    Display* GetMainDisplay() const { return mainDisplay; }
    LogicalPalette* GetPalette() const { return palette; }
    LogicalPalette* GetPalette(std::int16_t) const { return palette; }
    // The Application owns the palette and deletes it with destroy (its class is the window
    // layer's, unknown here).
    void SetPalette(LogicalPalette* palette, void (*destroy)(LogicalPalette*));
    void SetWaitCursor(HCURSOR cursor) { waitCursor = cursor; }
    // Busy between BeginWait and EndWait; BeginWait shows the wait cursor, EndWait leaves the
    // cursor as it is.
    void BeginWait();
    void EndWait() { busy = 0; }
    bool IsIdle() const { return busy == 0; }

    // --- timers ---
    // Takes the first free slot with interval 1000 / rate and state (1 active, 2 suspended).
    // Refused (0, through the assertion box) for a rate outside 1-1000, a bad state or when all
    // 16 slots are in use; 1 otherwise. Restarts the window-system timer when the tick changes.
    std::int16_t AddTimer(const Callback& callback, int rate, int state);
    void RemoveTimer(const Callback& callback);
    void SuspendTimer(const Callback& callback);
    void ResumeTimer(const Callback& callback);
    // The window-system timer's tick: every active slot in order gains the tick and, when it has
    // reached its interval, keeps the remainder and calls its handler with TIMER_CLICK and a
    // Container<long> of time.
    void TimerTick(std::uint32_t time);
    std::int16_t GetTimerTick() const { return tick; }
    int TimerSlotsInUse() const { return slotsInUse; }
    const TimerCallback& TimerSlot(int index) const { return timers[index]; }
    // The platform layer keeps the id of the window-system timer here (0 when none runs).
    UINT_PTR GetTimerId() const { return timerId; }
    void SetTimerId(UINT_PTR id_) { timerId = id_; }

    // --- hover ---
    // The hover timer handler (installed by Run at rate 2).
    static ContainerBase* HoverTimer(Component* application, BusMessage event, ContainerBase* payload);
    void HoverTick();
    // On every mouse move over a tile: restarts the rest count; a change of tile tells the old
    // tile MOUSE_LEAVE and the new one MOUSE_ENTER at the point.
    void SetMouseTile(Tile* tile, Point point, std::int16_t threshold);
    // A tile being destroyed forgets itself.
    void ForgetMouseTile(Tile* tile);
    Tile* GetMouseTile() const { return mouseTile; }

    bool Check() const;

protected:
    std::string dataDirectory;
    HCURSOR waitCursor = nullptr;

private:
    // Queues the tasks of a post (mode 1) or post-and-wait (mode 2); key receives a copy of the
    // last task queued. False when no task was queued.
    bool QueueTasks(Component* sender, BusMessage event, ContainerBase* payload,
                    const List<ReceiveAllCallback>* receiveAll, const List<Callback>* callbacks, Bus* bus,
                    std::int32_t sequence, int mode, CBtask* key);
    void SetTick(int interval);
    void RecomputeTick();
    void DeleteLibraries();

    Queue<CBtask> taskQueue;
    List<CBtask*> waiters;
    std::int16_t dispatchDepth = 0;
    std::int32_t sequence = 0;
    Window* mainWindow = nullptr;
    Display* mainDisplay = nullptr;
    std::int16_t running = 1;
    std::int16_t busy = 0;
    LogicalPalette* palette = nullptr;
    void (*destroyPalette)(LogicalPalette*) = nullptr;
    List<QIFCount*> imageLibraries;
    bool closingLibraries = false;
    List<Callback> terminateHandlers;
    TimerCallback timers[kTimerSlots];
    std::int16_t tick = -1;
    std::int16_t slotsInUse = 0;
    UINT_PTR timerId = 0;
    Tile* mouseTile = nullptr;
    Point mousePoint;
    std::int16_t restCount = 0;
    std::int16_t hoverThreshold = 0;
};

// The one Application; null before its construction and after its destruction.
Application* GetApplication();
