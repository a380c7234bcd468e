#pragma once
// Bus: a Component that keeps components by id, handler lists by event number and receive-all
// listeners, and delivers events to them at once. A bus attached to another bus (its outer bus)
// relays events both ways through a pair of receive-all records, so that buses form a tree whose
// root is the Application. An event raised on any bus reaches every bus of the tree that does not
// block it, and never travels back along the edge it came by (a listener that is the sender is
// skipped). A bus's own bus pointer is the bus itself, so that the component forms (registering,
// posting, sending, blocking) act on the bus itself; the Outer... forms act on the outer bus.
//
// Order of delivery: first the eligible receive-all listeners, in hook-up order, each with its own
// clone of the payload wrapped in a Container<ReceiveAllData>; then the callbacks of the event,
// in registration order, with the caller's payload itself. A listener is not eligible when it is
// the sender, when its record blocks the event, or when the listener blocks it for the record's
// direction.
//
// Delivery survives handlers that change the bus while it runs: a delivery sees the callbacks and
// listeners as they stood when it began (one added meanwhile gets the next event; one removed
// meanwhile is not called), and a handler may detach or delete components or the bus itself.
//
// Invariants (Check): every id in ids names a component of this bus whose id is that id; the id
// table holds null for every other id; ids are unique and below the next id; no record or
// callback is left marked removed once no delivery runs.
#include "core/component.h"
#include "core/dyn_array.h"
#include "core/sparse_array.h"

#include <cstdint>
#include <vector>

// The payload of a receive-all delivery: the bus the event was raised on and the listener's own
// clone of the event's payload, which the listener's handler deletes. The wrapper owns neither.
struct ReceiveAllData {
    Bus* bus = nullptr;
    ContainerBase* payload = nullptr;

    ReceiveAllData() = default;
    ReceiveAllData(Bus* bus_, ContainerBase* payload_) : bus(bus_), payload(payload_) {}
};

// A receive-all listener. Equal when listener and the three handlers are; direction and the
// relay-blocked list are not compared.
struct ReceiveAllCallback {
    Component* listener = nullptr;
    BusHandler post = nullptr;        // posts (kind 3)
    BusHandler postAndWait = nullptr; // post-and-wait (kind 2)
    BusHandler send = nullptr;        // sends (kind 1)
    List<BusMessage> relayBlocked;    // events this record does not pass on
    int direction = 2;                // 0 up, 1 down, 2 any

    ReceiveAllCallback() = default;
    ReceiveAllCallback(Component* listener_, BusHandler post_, BusHandler postAndWait_, BusHandler send_,
                       int direction_)
        : listener(listener_), post(post_), postAndWait(postAndWait_), send(send_), direction(direction_) {}
    bool operator==(const ReceiveAllCallback& o) const {
        return listener == o.listener && post == o.post && postAndWait == o.postAndWait && send == o.send;
    }
};

// Removes every record whose component (listener) is the given record's; the rest keep their
// order. Returns the number removed.
int RemoveAllWithOwner(List<Callback>& list, const Callback& record);
int RemoveAllWithOwner(List<ReceiveAllCallback>& list, const ReceiveAllCallback& record);

class Bus : public Component {
public:
    // A null name becomes "Unnamed Bus".
    explicit Bus(const char* name = nullptr);
    ~Bus() override;

    int DeliverPost(BusMessage event, ContainerBase* payload, Component* sender) override;
    int DeliverPostAndWait(BusMessage event, ContainerBase* payload, Component* sender,
                           ContainerBase*& result) override;
    int DeliverSend(BusMessage event, ContainerBase* payload, Component* sender, ContainerBase*& result) override;
    // Links this bus with its outer bus both ways. A derived bus that overrides Connect calls it.
    void Connect() override;
    void ClearBus() override;
    void ReceiveAllEvents(BusHandler post, BusHandler postAndWait, BusHandler send, int direction = 2) override;
    void StopReceivingAllEvents(BusHandler post, BusHandler postAndWait, BusHandler send) override;
    // Refused (through the assertion box) when outer is this bus or one of its sub-buses.
    void AttachToBus(Bus* outer) override;
    void DetachFromBus() override;

    // Delivery on this bus; sender is skipped as a receive-all listener. On a plain bus these
    // deliver at once: Post with kind 3 (results deleted), PostAndWait with kind 2 (last non-null
    // result). PostTo..., Collect... call only the callbacks of the given components, with the
    // event word unchanged. An AsynchronousBus queues instead (core/async_bus.h).
    virtual void Post(Component* sender, BusMessage event, ContainerBase* payload);
    virtual ContainerBase* PostAndWait(Component* sender, BusMessage event, ContainerBase* payload);
    virtual void PostTo(Component* sender, std::uint16_t id, BusMessage event, ContainerBase* payload);
    virtual void PostToAll(Component* sender, const List<short>& ids, BusMessage event, ContainerBase* payload);
    virtual List<VectorBusResponse> CollectFrom(Component* sender, std::uint16_t id, BusMessage event,
                                                ContainerBase* payload);
    virtual List<VectorBusResponse> CollectFromAll(Component* sender, const List<short>& ids, BusMessage event,
                                                   ContainerBase* payload);
    // Synchronous delivery with kind 1 on every bus, an asynchronous one included; returns the
    // last non-null result (earlier ones are deleted).
    ContainerBase* Send(Component* sender, BusMessage event, ContainerBase* payload);
    // Calls every callback of the list with the event word and payload; the last non-null result.
    ContainerBase* CallAll(BusMessage event, const List<Callback>& callbacks, ContainerBase* payload);

    using Component::CollectFrom;
    using Component::CollectFromAll;
    using Component::Post;
    using Component::PostAndWait;
    using Component::PostTo;
    using Component::PostToAll;
    using Component::Send;

    // Towards the outer bus, with this bus as sender; nothing (null) without an outer bus.
    void OuterPost(Component* sender, BusMessage event, ContainerBase* payload);
    ContainerBase* OuterPostAndWait(Component* sender, BusMessage event, ContainerBase* payload);
    ContainerBase* OuterSend(Component* sender, BusMessage event, ContainerBase* payload);
    void PostOuterEvent(BusMessage event);
    void PostOuter(BusMessage event, ContainerBase* payload);
    void PostOuterNamedEvent(std::string_view name);
    void PostOuterNamed(std::string_view name, ContainerBase* payload);
    ContainerBase* PostOuterEventAndWait(BusMessage event);
    ContainerBase* PostOuterAndWait(BusMessage event, ContainerBase* payload);
    ContainerBase* PostOuterNamedEventAndWait(std::string_view name);
    ContainerBase* PostOuterNamedAndWait(std::string_view name, ContainerBase* payload);
    ContainerBase* SendOuterEvent(BusMessage event);
    ContainerBase* SendOuter(BusMessage event, ContainerBase* payload);
    ContainerBase* SendOuterNamedEvent(std::string_view name);
    ContainerBase* SendOuterNamed(std::string_view name, ContainerBase* payload);

    // Attaching. Attach gives the component the next id (0, 1, 2, ...; never reused). A bus
    // gives at most 65535 ids in its life: beyond, the attach is refused through the assertion
    // box and the component stays detached.
    void Attach(Component* component);
    void Detach(Component* component);
    // The component attached under id, or null.
    Component* GetComponent(std::uint16_t id) const;
    // Ids in use, in order of attaching.
    const List<short>& Ids() const { return ids; }
    // The id the next attached component will get.
    std::uint32_t NextId() const { return nextId; }
    Bus* GetOuterBus() const { return outer; }

    // Registration for a component of this bus (see Component::RegisterHandler).
    void RegisterHandler(Component* component, BusMessage event, BusHandler handler);
    void UnregisterHandler(Component* component, BusMessage event, BusHandler handler);
    bool IsRegistered(Component* component, BusMessage event, BusHandler handler) const;
    // Drops the component's callbacks, receive-all records and terminate handlers.
    void RemoveCallbacksOf(Component* component);
    using Component::RegisterHandler;
    using Component::UnregisterHandler;

    // This bus registering on its outer bus. RemoveOuterCallbacks drops this bus's callbacks
    // there, but not the relay that links the two buses.
    void RegisterOuterHandler(BusMessage event, BusHandler handler);
    void RegisterOuterNamedHandler(std::string_view name, BusHandler handler);
    void UnregisterOuterHandler(BusMessage event, BusHandler handler);
    void UnregisterOuterNamedHandler(std::string_view name, BusHandler handler);
    void RemoveOuterCallbacks();

    // Receive-all records: HookUpReceiveAll appends one (it does not look for an existing record
    // of the listener); UnhookReceiveAll removes the first equal one, whatever its direction.
    void HookUpReceiveAll(Component* listener, BusHandler post, BusHandler postAndWait, BusHandler send,
                          int direction);
    void UnhookReceiveAll(Component* listener, BusHandler post, BusHandler postAndWait, BusHandler send);

    // Adds the event to (removes it from) the relay-blocked list of every receive-all record of
    // the direction, or of every record for direction 2.
    void BlockRelayedEvent(BusMessage event, int direction);
    void UnblockRelayedEvent(BusMessage event, int direction);

    void FindComponents(Component* sender, List<short>& out, ContainerBase* query);
    void FindComponentsAmong(Component* sender, List<short>& out, const List<short>& candidates,
                             ContainerBase* query);
    using Component::FindComponents;
    using Component::FindComponentsAmong;

    // The relay handlers of the records that link a bus with its outer bus.
    static ContainerBase* RelayPost(Component* listener, BusMessage event, ContainerBase* payload);
    static ContainerBase* RelayPostAndWait(Component* listener, BusMessage event, ContainerBase* payload);
    static ContainerBase* RelaySend(Component* listener, BusMessage event, ContainerBase* payload);

    // Whether the record's listener receives the event from sender.
    static bool IsEligible(const ReceiveAllCallback& record, const Component* sender, BusMessage event);
    const List<ReceiveAllCallback>& ReceiveAllList() const { return receiveAll; }
    // The callbacks of an event number, or null when none was ever registered.
    const List<Callback>* CallbacksOf(int number) const;

    bool Check() const;

protected:
    Bus(const char* name, const char* defaultName);

private:
    struct DeliveryFrame;
    friend struct DeliveryFrame;
    friend class Component; // its sends go straight to Deliver

    ContainerBase* Deliver(Component* sender, BusMessage event, ContainerBase* payload, int kind);
    ContainerBase* DeliverAll(Component* sender, BusMessage event, ContainerBase* payload, int kind);
    ContainerBase* DeliverToListeners(Component* sender, BusMessage event, ContainerBase* payload, int kind,
                                      DeliveryFrame& frame);
    // Calls the callbacks of event whose component is target; collects or deletes the results.
    void CallTargeted(Component* target, BusMessage event, ContainerBase* payload, List<VectorBusResponse>* out);
    void RemoveCallback(List<Callback>& list, Item<Callback>* item);
    void RemoveRecord(Item<ReceiveAllCallback>* item);
    void Purge();
    bool WouldFormCycle(Bus* outer) const;

    Bus* outer = nullptr;
    std::uint32_t nextId = 0;
    DynArray<Component*> idTable{10};
    List<short> ids;
    mutable SparseArray<List<Callback>> callbacks;
    List<ReceiveAllCallback> receiveAll;

    // Deliveries running on this bus, innermost first; removals during them only mark.
    DeliveryFrame* frames = nullptr;
    bool purgePending = false;
};
