#pragma once
// AsynchronousBus: a Bus whose posts become tasks queued on the Application and run one at a time,
// in order (core/application.h). Send stays synchronous. The Application, the logical layer,
// viewports and physical layers are asynchronous buses.
//
// Post queues one task per eligible receive-all listener and per callback of the event, each
// with its own clone of the payload, and runs the queue at once unless a task is already running
// (a post from inside a handler runs after the current task, in the same drain). PostAndWait
// queues the same way and runs the queue until its last task has run, returning the last
// non-null reply. Targeted posts and collections queue tasks for the matching callbacks only.
// Tasks carry the callbacks as they stood when posting; a task for a component that is detached
// or deleted before it runs is dropped.
//
// Without an Application the bus delivers at once, as a plain bus does.
#include "core/bus.h"

class AsynchronousBus : public Bus {
public:
    // A null name becomes "Unnamed AsynchronousBus".
    explicit AsynchronousBus(const char* name = nullptr);
    ~AsynchronousBus() override;

    void Post(Component* sender, BusMessage event, ContainerBase* payload) override;
    ContainerBase* PostAndWait(Component* sender, BusMessage event, ContainerBase* payload) override;
    void PostTo(Component* sender, std::uint16_t id, BusMessage event, ContainerBase* payload) override;
    void PostToAll(Component* sender, const List<short>& ids, BusMessage event, ContainerBase* payload) override;
    List<VectorBusResponse> CollectFrom(Component* sender, std::uint16_t id, BusMessage event,
                                        ContainerBase* payload) override;
    List<VectorBusResponse> CollectFromAll(Component* sender, const List<short>& ids, BusMessage event,
                                           ContainerBase* payload) override;

    using Bus::CollectFrom;
    using Bus::CollectFromAll;
    using Bus::Post;
    using Bus::PostAndWait;
    using Bus::PostTo;
    using Bus::PostToAll;

protected:
    AsynchronousBus(const char* name, const char* defaultName);

private:
    // The callbacks of event whose component is the component of one of ids, ids in order.
    void MatchingCallbacks(const List<short>& ids, BusMessage event, List<Callback>& out) const;
};
