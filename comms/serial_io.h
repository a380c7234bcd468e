#pragma once
// SerialIO: the abstract connection. A bus component that talks to one peer, in text mode (the
// bytes received are posted as STRING_IN) or in framed mode, where the bus messages of the
// forwarded list travel to the peer as frames (comms/frame.h) and the peer's frames of the
// accepted list are posted, sent or posted-and-waited on this bus. Transports derive from it and
// supply opening, closing, receiving and sending bytes.
//
// The frame reader runs on the application's thread; its waits run nested pump steps, in which
// the transport may receive again (the busy flag keeps the nested reader out), close the
// connection, or delete it (every step after a nested pump first checks that the object lives).
//
// Invariants: no two entries of a relay list are equal; while attached, ForwardToPeer is
// registered once per forwarded entry, except during the delivery of a received message, when it
// is off for that message's event; the receive buffer never starts with a partial frame of a
// frame already handled.
#include "comms/comm_types.h"
#include "core/component.h"
#include "core/super_string.h"
#include "core/type_info.h"

#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class Agent;

class SerialIO : public Component {
public:
    static constexpr std::int32_t kWaitLimit = 5000; // ms a wait for the peer may take

    SerialIO(std::int16_t framedMode, const char* connectionName = nullptr, std::int32_t connectionValue = 0,
             const char* componentName = nullptr);
    ~SerialIO() override;

    // Registers the connection's handlers when it is placed on a bus.
    void Connect() final { Attach(); }
    virtual void Attach();

    virtual void BeginWait();
    virtual void EndWait();
    virtual std::int16_t Open() = 0;
    virtual std::int16_t Close() = 0;
    virtual void Receive() = 0;
    virtual std::int16_t SetProtocol() = 0;
    // 1 + the index of the first text found in the receive buffer; 0 after a time-out or a cancel.
    virtual std::int16_t WaitForStrings(int argument, const std::vector<std::string>& texts);
    virtual std::int16_t WaitForBytes(int argument, const std::vector<char>& bytes);
    // 1 as soon as the receive buffer holds n bytes; 0 after a time-out, a cancel, or when the
    // connection closes while it waits.
    virtual std::int16_t WaitForLength(int argument, std::int32_t n);
    virtual std::int16_t SendBytes(const char* data, std::int32_t length, std::int16_t flag) = 0;
    // Sends one frame; for a request, the answer (owned by the caller) or null.
    virtual ContainerBase* SendBusMessage(BusMessage event, ContainerBase* payload);
    std::int16_t SendString(const char* text, std::int16_t flag);

    // The connection name; also adds MESSAGE_RESPONSE to both lists.
    void SetName(const std::string& name);
    std::string Name() const { return connectionName; }
    void SetConnectionValue(std::int32_t v) { connectionValue = v; }
    std::int32_t ConnectionValue() const { return connectionValue; }
    ConnectionInfo Info() const { return ConnectionInfo{connectionName, connectionValue}; }

    // Transports call it when their connection is up: connected, opened, CONNECTION_OPENED.
    void MarkOpen();

    // The relay lists.
    void ForwardMessage(BusMessage event, const TypeInfoBase& type);
    void ForwardMessage(std::string_view name, const TypeInfoBase& type);
    void AcceptMessage(BusMessage event, const TypeInfoBase& type);
    void AcceptMessage(std::string_view name, const TypeInfoBase& type);
    void ForwardMessageNoPayload(BusMessage event);
    void ForwardMessageNoPayload(std::string_view name);
    void AcceptMessageNoPayload(BusMessage event);
    void AcceptMessageNoPayload(std::string_view name);
    void AddForwardedMessage(const MessageType& entry);
    void AddAcceptedMessage(const MessageType& entry);
    const std::vector<MessageType>& ForwardedList() const { return forwarded; }
    const std::vector<MessageType>& AcceptedList() const { return accepted; }

    // Called by the transport after it appended bytes to the receive buffer; text is the piece.
    void ReceiveFrames(const char* text);

    static ContainerBase* ForwardToPeer(Component* receiver, BusMessage event, ContainerBase* payload);

    std::int16_t IsConnected() const { return connected; }
    std::int16_t IsFramed() const { return framedMode; }
    std::int16_t CancelRequested() const { return cancelRequested; }
    void SetTextIn(std::int16_t v) { textIn = v; }
    void SetNoEcho(std::int16_t v) { noEcho = v; }
    std::uint16_t ResponsesAwaited() const { return responsesAwaited; }
    void SetResponsesAwaited(std::uint16_t n) { responsesAwaited = n; }
    SuperString& ReceiveBuffer() { return receiveBuffer; }
    // Appends received bytes; in text mode the oldest bytes give way beyond the buffer's maximum.
    void AppendReceived(const char* bytes, std::int32_t n);

protected:
    friend void HandleAgent(SerialIO& connection, Agent* agent, BusMessage event);
    // Queued agents, owned by the connection until they have run.
    std::deque<Agent*> normalAgents;
    std::deque<Agent*> urgentAgents;

    // A token that dies with the object, so that code resuming after a nested pump step can tell
    // whether the connection was deleted meanwhile.
    std::weak_ptr<bool> Life() const { return life; }

    std::int16_t connected = 0;
    std::int16_t opened = 0;
    std::int16_t textIn = 1;
    std::int16_t noEcho = 1;
    std::int16_t framedMode;
    std::int16_t readerBusy = 0;
    std::int16_t cancelRequested = 0;
    std::int16_t agentRunnerActive = 0;
    SuperString receiveBuffer;
    std::string connectionName;
    std::int32_t connectionValue;
    std::uint16_t responsesAwaited = 0;

private:
    // The common loop of the waits: found() is tested on every poll.
    template <class Found>
    std::int16_t Wait(const char* haltText, Found found);
    // Cuts and handles one frame from the head of the buffer; false when the reader must stop.
    bool HandleOneFrame();
    void Dispatch(const std::string& frame);
    void Reply(std::uint32_t sequence, ContainerBase* result);
    bool IsForwarded(const MessageType& t) const;
    bool IsAccepted(const MessageType& t) const;
    void DropFront(std::int32_t n);

    static ContainerBase* OnStringOut(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnCloseConnection(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnSetProtocol(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnCommCancel(Component* c, BusMessage e, ContainerBase* p);
    static ContainerBase* OnAgent(Component* c, BusMessage e, ContainerBase* p);

    std::vector<MessageType> forwarded;
    std::vector<MessageType> accepted;
    std::shared_ptr<bool> life = std::make_shared<bool>(true);
};
