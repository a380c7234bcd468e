#pragma once
// Component: the base of every participant of a bus (the application, layers, battlefield,
// windows, units, sound...). A component is attached to at most one Bus, which gives it a 16-bit
// id (0xFFFF while detached; a bus never gives an id twice), keeps the handlers the component
// registers and delivers events to them.
//
// Life of a component: detached until AttachToBus; AttachToBus takes an id and then calls
// Connect, where each concrete class registers its handlers; DetachFromBus (also done by the
// destructor) drops every registration of the component on its bus, and every task queued for it
// on the Application, so that a detached or deleted component is never called. Attaching an
// attached component first detaches it from its old bus.
//
// Handlers. A handler is a plain function
//     ContainerBase* Handler(Component* receiver, BusMessage event, ContainerBase* payload);
// called with the receiving component, the event word (its kind says how it was delivered) and
// the payload; it returns a new payload (owned by whoever receives it) or null. A handler must
// not keep or delete the payload it is given. The usual form is a pair: a small entry that checks
// the receiver's and the payload's types with BusArgs and calls the method that does the work:
//
//     static ContainerBase* OnUnitMovedEntry(Component* c, BusMessage e, ContainerBase* p) {
//         VhUnit* self;
//         UnitLocationStruct* where;
//         if (!BusArgs(c, p, self, where, "VHUNIT", __LINE__)) return nullptr;
//         return self->OnUnitMoved(e, *where);
//     }
//     void VhUnit::Connect() { RegisterNamedHandler("UnitMovementDone", OnUnitMovedEntry); }
//
// Sending (all pass the component itself as sender and act on its bus; nothing happens, and
// null or an empty list comes back, while the component is detached; a form without payload
// sends a Container<short> holding 0; a name is turned into its number by RegisterMessage):
//   Send...          delivers at once to every handler and returns the last non-null result.
//   Post...          on an asynchronous bus queues one task per receiver on the Application and
//                    runs the queue at once unless a task is running (then it runs after it); on
//                    a plain bus delivers at once. Results are deleted.
//   PostAndWait...   queues like a post and runs the queue until the replies are in; returns the
//                    last non-null reply. Other tasks may run meanwhile.
//   PostTo / PostToAll / Collect...: only to the handlers of one component id (or a list of ids);
//                    the collecting forms return each non-null result with the id that gave it.
// Every receiver that keeps a payload (queued tasks, receive-all listeners) gets its own clone;
// the sender keeps its payload; results handed back belong to the caller.
#include "core/assertion.h"
#include "core/container.h"
#include "core/events.h"
#include "core/list.h"

#include <cstdint>
#include <string>
#include <string_view>

class Bus;
class Component;

using BusHandler = ContainerBase* (*)(Component* receiver, BusMessage event, ContainerBase* payload);

// A receiving component and its handler. Equal when both are.
struct Callback {
    Component* object = nullptr;
    BusHandler handler = nullptr;

    Callback() = default;
    Callback(Component* object_, BusHandler handler_) : object(object_), handler(handler_) {}
    bool operator==(const Callback&) const = default;
};

// Events a component does not want to receive through receive-all records: comingUp is
// consulted for records of direction 0 (events travelling up from a sub-bus), comingDown for
// direction 1 (events coming down from the outer bus).
struct BlockedEvents {
    List<BusMessage> comingUp;
    List<BusMessage> comingDown;
};

// The reply of one component to a collecting send; result belongs to the holder of the list.
struct VectorBusResponse {
    std::uint16_t id = 0;
    ContainerBase* result = nullptr;

    VectorBusResponse() = default;
    VectorBusResponse(std::uint16_t id_, ContainerBase* result_) : id(id_), result(result_) {}
    bool operator==(const VectorBusResponse&) const = default;
};

// Deletes every result of a reply list and empties it.
void DeleteResponses(List<VectorBusResponse>& responses);

class Component {
public:
    static constexpr std::uint16_t kNoId = 0xFFFF;

    // A null name becomes "Unnamed Component".
    explicit Component(const char* name = nullptr);
    Component(const Component&) = delete;
    Component& operator=(const Component&) = delete;

    // Deliver an event on this object when it is a bus (as a post, a post-and-wait or a send);
    // a plain component answers 0 and does nothing. Lets a caller deliver on whatever it holds.
    virtual int DeliverPost(BusMessage event, ContainerBase* payload, Component* sender);
    virtual int DeliverPostAndWait(BusMessage event, ContainerBase* payload, Component* sender,
                                   ContainerBase*& result);
    virtual int DeliverSend(BusMessage event, ContainerBase* payload, Component* sender, ContainerBase*& result);
    virtual ~Component();
    // Registers the component's handlers; called by AttachToBus once the id is known.
    virtual void Connect();
    // Forgets the bus (the bus is going away); the id is left as it was.
    virtual void ClearBus();
    // Listens to every event of the bus: post, post-and-wait and send handlers receive a
    // Container<ReceiveAllData> (core/bus.h) whose inner payload is the listener's own clone,
    // which the handler deletes. direction: 0 up, 1 down, 2 any.
    virtual void ReceiveAllEvents(BusHandler post, BusHandler postAndWait, BusHandler send, int direction = 2);
    virtual void StopReceivingAllEvents(BusHandler post, BusHandler postAndWait, BusHandler send);
    virtual void AttachToBus(Bus* bus);
    virtual void DetachFromBus();
    // Answers FindComponents queries; 0 here.
    virtual std::int16_t MatchesQuery(ContainerBase* query);

    // Handlers on the component's bus. Event 60 (CAN_TERMINATE) goes to the Application's
    // terminate handlers instead. Registering twice makes the handler run twice; unregistering
    // removes one registration; unregistering what is not registered does nothing.
    void RegisterHandler(BusMessage event, BusHandler handler);
    void RegisterNamedHandler(std::string_view name, BusHandler handler);
    void UnregisterHandler(BusMessage event, BusHandler handler);
    void UnregisterNamedHandler(std::string_view name, BusHandler handler);
    bool IsHandlerRegistered(BusMessage event, BusHandler handler) const;
    void RemoveAllHandlers();

    // Relay blocking on the component's bus (for a bus: on itself): the bus's receive-all
    // records of the direction (0 up, 1 down, 2 all) stop passing the event on.
    void BlockRelayedEvent(BusMessage event, int direction);
    void BlockRelayedNamedEvent(std::string_view name, int direction);
    void UnblockRelayedEvent(BusMessage event, int direction);
    void UnblockRelayedNamedEvent(std::string_view name, int direction);
    // The component stops receiving the event through receive-all records: side 0 coming down
    // from the outer bus, side 1 coming up, side 2 both; another side does nothing.
    void BlockEvent(BusMessage event, int side);
    void UnblockEvent(BusMessage event, int side);
    void BlockNamedEvent(std::string_view name, int side);
    void UnblockNamedEvent(std::string_view name, int side);
    // The list consulted for records of direction 0 or 1; null without blocked events.
    const List<BusMessage>* GetBlockedEvents(int direction) const;

    // Delivery (see the top of this file).
    void Post(BusMessage event, ContainerBase* payload);
    void PostEvent(BusMessage event);
    void PostNamed(std::string_view name, ContainerBase* payload);
    void PostNamedEvent(std::string_view name);
    ContainerBase* PostAndWait(BusMessage event, ContainerBase* payload);
    ContainerBase* PostEventAndWait(BusMessage event);
    ContainerBase* PostNamedAndWait(std::string_view name, ContainerBase* payload);
    ContainerBase* PostNamedEventAndWait(std::string_view name);
    ContainerBase* Send(BusMessage event, ContainerBase* payload);
    ContainerBase* SendEvent(BusMessage event);
    ContainerBase* SendNamed(std::string_view name, ContainerBase* payload);
    ContainerBase* SendNamedEvent(std::string_view name);
    void PostTo(std::uint16_t id, BusMessage event, ContainerBase* payload);
    void PostEventTo(std::uint16_t id, BusMessage event);
    void PostNamedTo(std::uint16_t id, std::string_view name, ContainerBase* payload);
    void PostNamedEventTo(std::uint16_t id, std::string_view name);
    void PostToAll(const List<short>& ids, BusMessage event, ContainerBase* payload);
    void PostEventToAll(const List<short>& ids, BusMessage event);
    void PostNamedToAll(const List<short>& ids, std::string_view name, ContainerBase* payload);
    void PostNamedEventToAll(const List<short>& ids, std::string_view name);
    List<VectorBusResponse> CollectFrom(std::uint16_t id, BusMessage event, ContainerBase* payload);
    List<VectorBusResponse> CollectEventFrom(std::uint16_t id, BusMessage event);
    List<VectorBusResponse> CollectNamedFrom(std::uint16_t id, std::string_view name, ContainerBase* payload);
    List<VectorBusResponse> CollectNamedEventFrom(std::uint16_t id, std::string_view name);
    List<VectorBusResponse> CollectFromAll(const List<short>& ids, BusMessage event, ContainerBase* payload);
    List<VectorBusResponse> CollectEventFromAll(const List<short>& ids, BusMessage event);
    List<VectorBusResponse> CollectNamedFromAll(const List<short>& ids, std::string_view name,
                                                ContainerBase* payload);
    List<VectorBusResponse> CollectNamedEventFromAll(const List<short>& ids, std::string_view name);

    // One step of the Application's message pump and one queued task: 0 when the pump says the
    // program is stopping (or there is no Application), else 1.
    std::int16_t ProcessPending();
    // Pumps as ProcessPending until flag is non-zero (1), more than timeout ms have passed (0) or
    // the pump says the program is stopping (0).
    std::int16_t WaitForFlag(const std::int16_t& flag, std::uint32_t timeout);

    // Timers kept by the Application for this component (core/application.h): the handler is
    // called rate times a second with TIMER_CLICK and a Container<long> of the time. state 0 or
    // 1 active, 2 suspended. 0 (refused through the assertion box) for a rate outside 1-1000 or
    // when all 16 slots are taken, else 1.
    std::int16_t AddTimer(BusHandler handler, int rate, int state = 0);
    void RemoveTimer(BusHandler handler);
    void SuspendTimer(BusHandler handler);
    void ResumeTimer(BusHandler handler);

    // Ids of the components of the bus whose MatchesQuery(query) is non-zero, in attach order.
    List<short> FindComponents(ContainerBase* query);
    List<short> FindComponentsAmong(const List<short>& ids, ContainerBase* query);

    const char* GetNameText() const { return displayName.c_str(); }
    std::string GetName() const { return displayName; }
    Bus* GetBus() const { return bus; }
    std::uint16_t GetId() const { return id; }

protected:
    Component(const char* name, const char* defaultName);

    Bus* bus = nullptr;
    std::uint16_t id = kNoId;
    BlockedEvents* blocked = nullptr;

private:
    friend class Bus;
    std::string displayName;
};

// For handler entries: receiver as C and the payload's value as T (in place). On a mismatch
// reports kBadBusData through the assertion box with the entry's source name and line, and
// returns false whatever the answer: the method behind the entry must not run on wrong data.
template <class C, class T>
bool BusArgs(Component* receiver, ContainerBase* payload, C*& self, T*& value, std::string_view source, int line) {
    self = dynamic_cast<C*>(receiver);
    value = PayloadValue<T>(payload);
    if (self && value) return true;
    Assert(0, kBadBusData, source, line);
    return false;
}

// The same for entries that only need the receiver.
template <class C>
bool BusReceiver(Component* receiver, C*& self, std::string_view source, int line) {
    self = dynamic_cast<C*>(receiver);
    if (self) return true;
    Assert(0, kBadBusData, source, line);
    return false;
}
