#include "comms/serial_io.h"

#include "comms/agent.h"
#include "comms/frame.h"
#include "core/application.h"
#include "core/assertion.h"
#include "core/text_payload.h"
#include "platform/msgbox.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr const char* kSource = "SERIALIO";
constexpr const char* kMessageTypeError = "Communications message-type error";

std::uint32_t Now() {
    Application* app = GetApplication();
    return app ? app->TickCount() : 0;
}

void ShowBox(const char* caption, const std::string& text) {
    if (Application* app = GetApplication()) app->ShowMessage(text.c_str(), caption, MB_ICONINFORMATION);
}

// The assertion box for a kind no frame may carry. Whatever the answer, a peer's damaged frame
// must not end the program: the frame is dropped.
void ReportBadKind(int line) {
    try {
        AssertFail(kMessageTypeError, kSource, line);
    } catch (const Assertion&) {
    }
}

} // namespace

SerialIO::SerialIO(std::int16_t framedMode_, const char* connectionName_, std::int32_t connectionValue_,
                   const char* componentName)
    : Component(componentName, "Unnamed SerialIO"), framedMode(framedMode_), connectionValue(connectionValue_) {
    RegisterCommTypes();
    SetName(connectionName_ && *connectionName_ ? connectionName_ : "Unnamed Serial Connection");
}

SerialIO::~SerialIO() {
    *life = false;
    DetachFromBus();
    for (auto* queue : {&normalAgents, &urgentAgents}) {
        for (Agent* a : *queue) delete a;
        queue->clear();
    }
}

void SerialIO::Attach() {
    RegisterHandler(STRING_OUT, OnStringOut);
    RegisterHandler(AGENT, OnAgent);
    RegisterHandler(URGENT_AGENT, OnAgent);
    RegisterHandler(CLOSE_CONNECTION, OnCloseConnection);
    RegisterHandler(SET_COMM_PROTOCOL, OnSetProtocol);
    RegisterNamedHandler("CommCancel", OnCommCancel);
    for (const MessageType& t : forwarded) RegisterHandler(t.event.Number(), ForwardToPeer);
    if (connected) {
        Container<ConnectionInfo> info(Info());
        Post(CONNECTION_OPENED, &info);
    }
}

void SerialIO::BeginWait() {
    if (Application* app = GetApplication()) app->BeginWait();
}

void SerialIO::EndWait() {
    if (Application* app = GetApplication()) app->EndWait();
}

void SerialIO::SetName(const std::string& name) {
    connectionName = name;
    RegisterCommTypes();
    const std::uint16_t responseType = TypeInfo<MessageResponse>().TypeId();
    AddForwardedMessage(MessageType(MESSAGE_RESPONSE, responseType));
    AddAcceptedMessage(MessageType(MESSAGE_RESPONSE, responseType));
}

void SerialIO::MarkOpen() {
    connected = 1;
    opened = 1;
    if (bus) {
        Container<ConnectionInfo> info(Info());
        Post(CONNECTION_OPENED, &info);
    }
}

void SerialIO::ForwardMessage(BusMessage event, const TypeInfoBase& type) {
    AddForwardedMessage(MessageType(event.Number(), type.TypeId()));
}
void SerialIO::ForwardMessage(std::string_view name, const TypeInfoBase& type) {
    ForwardMessage(BusMessage(RegisterMessage(name)), type);
}
void SerialIO::AcceptMessage(BusMessage event, const TypeInfoBase& type) {
    AddAcceptedMessage(MessageType(event.Number(), type.TypeId()));
}
void SerialIO::AcceptMessage(std::string_view name, const TypeInfoBase& type) {
    AcceptMessage(BusMessage(RegisterMessage(name)), type);
}
void SerialIO::ForwardMessageNoPayload(BusMessage event) { ForwardMessage(event, TypeInfo<short>()); }
void SerialIO::ForwardMessageNoPayload(std::string_view name) { ForwardMessage(name, TypeInfo<short>()); }
void SerialIO::AcceptMessageNoPayload(BusMessage event) { AcceptMessage(event, TypeInfo<short>()); }
void SerialIO::AcceptMessageNoPayload(std::string_view name) { AcceptMessage(name, TypeInfo<short>()); }

void SerialIO::AddForwardedMessage(const MessageType& entry) {
    if (IsForwarded(entry)) return;
    forwarded.push_back(entry);
    if (bus) RegisterHandler(entry.event.Number(), ForwardToPeer);
}

void SerialIO::AddAcceptedMessage(const MessageType& entry) {
    if (!IsAccepted(entry)) accepted.push_back(entry);
}

bool SerialIO::IsForwarded(const MessageType& t) const {
    return std::find(forwarded.begin(), forwarded.end(), t) != forwarded.end();
}

bool SerialIO::IsAccepted(const MessageType& t) const {
    return std::find(accepted.begin(), accepted.end(), t) != accepted.end();
}

ContainerBase* SerialIO::ForwardToPeer(Component* receiver, BusMessage event, ContainerBase* payload) {
    SerialIO* self;
    if (!BusReceiver(receiver, self, kSource, __LINE__)) return nullptr;
    return self->SendBusMessage(event, payload);
}

std::int16_t SerialIO::SendString(const char* text, std::int16_t flag) {
    if (!text) return 0;
    return SendBytes(text, static_cast<std::int32_t>(std::strlen(text)), flag);
}

ContainerBase* SerialIO::SendBusMessage(BusMessage event, ContainerBase* payload) {
    if (!payload) return nullptr;
    const MessageType entry(event, payload->TypeId());
    if (event.Number() != MESSAGE_RESPONSE && !IsForwarded(entry)) return nullptr;
    const std::uint32_t sequence = TakeFrameSequence();
    std::string frame;
    if (EncodeFrame(event, payload, sequence, frame) != FrameStatus::kOk) return nullptr;
    const int kind = event.Kind();
    const bool waits = (kind == KIND_SEND || kind == KIND_POST_AND_WAIT) && responsesAwaited > 1;
    // Listed before the bytes leave, so that no answer can come before its request is known.
    if (waits) AwaitedSequences().push_back(sequence);
    struct Unlist {
        bool on;
        std::uint32_t sequence;
        ~Unlist() {
            if (!on) return;
            auto& awaited = AwaitedSequences();
            auto at = std::find(awaited.begin(), awaited.end(), sequence);
            if (at != awaited.end()) awaited.erase(at);
            // Answers of players beyond those counted are of no use to anyone now.
            auto& responses = ResponseList();
            responses.erase(std::remove_if(responses.begin(), responses.end(),
                                           [&](const MessageResponse& r) { return r.Sequence() == sequence; }),
                            responses.end());
        }
    } unlist{waits, sequence};
    if (!SendBytes(frame.data(), static_cast<std::int32_t>(frame.size()), 0)) return nullptr;
    if (!waits) return nullptr;

    // A request waits for one answer from every other player. It gives up when the program
    // stops, and also when the connection closes or goes away: no answer can come then.
    ContainerBase* result = nullptr;
    int taken = 0;
    std::weak_ptr<bool> alive = life;
    Application* app = GetApplication();
    while (app && taken < static_cast<int>(responsesAwaited) - 1) {
        if (!app->PumpMessage()) break;
        if (kind == KIND_POST_AND_WAIT) app->ProcessOneTask();
        if (alive.expired() || !connected) break;
        auto& responses = ResponseList();
        for (auto it = responses.begin(); it != responses.end(); ++it) {
            if (it->Sequence() != sequence) continue;
            ++taken;
            if (ContainerBase* p = it->TakePayload()) {
                delete result;
                result = p;
            }
            responses.erase(it);
            break;
        }
    }
    return result;
}

template <class Found>
std::int16_t SerialIO::Wait(const char* haltText, Found found) {
    BeginWait();
    std::weak_ptr<bool> alive = life;
    const std::uint32_t start = Now();
    const bool wasConnected = connected != 0;
    for (;;) {
        if (std::int16_t r = found()) {
            EndWait();
            return r;
        }
        if (cancelRequested || Now() - start > static_cast<std::uint32_t>(kWaitLimit)) break;
        if (!ProcessPending()) {
            if (!alive.expired()) EndWait();
            throw CommError(haltText, CommError::kHalt);
        }
        if (alive.expired()) {
            if (Application* app = GetApplication()) app->EndWait();
            throw CommError("", CommError::kNotAccepted);
        }
        // Bytes stop coming once the connection has closed; waiting on would only stall.
        if (wasConnected && !connected) break;
    }
    cancelRequested = 0;
    EndWait();
    return 0;
}

std::int16_t SerialIO::WaitForStrings(int, const std::vector<std::string>& texts) {
    std::vector<std::string> copies;
    for (std::size_t i = 0; i < texts.size() && i < 10; ++i) copies.push_back(texts[i].substr(0, 80));
    return Wait("Application Halt", [&]() -> std::int16_t {
        for (std::size_t i = 0; i < copies.size(); ++i)
            if (receiveBuffer.Find(copies[i]) >= 0) return static_cast<std::int16_t>(i + 1);
        return 0;
    });
}

std::int16_t SerialIO::WaitForBytes(int, const std::vector<char>& bytes) {
    std::vector<char> copies(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(std::min<std::size_t>(bytes.size(), 12)));
    return Wait("Application halt", [&]() -> std::int16_t {
        for (std::size_t i = 0; i < copies.size(); ++i)
            if (receiveBuffer.FindByte(copies[i]) >= 0) return static_cast<std::int16_t>(i + 1);
        return 0;
    });
}

std::int16_t SerialIO::WaitForLength(int, std::int32_t n) {
    return Wait("Application Halt", [&]() -> std::int16_t { return receiveBuffer.Length() >= n ? 1 : 0; });
}

void SerialIO::AppendReceived(const char* bytes, std::int32_t n) {
    if (n <= 0) return;
    const std::int32_t max = receiveBuffer.MaxLength();
    if (n > max) {
        bytes += n - max;
        n = max;
    }
    if (receiveBuffer.Length() + n > max) DropFront(receiveBuffer.Length() + n - max);
    receiveBuffer.Write(bytes, n);
}

void SerialIO::DropFront(std::int32_t n) {
    const std::int32_t length = receiveBuffer.Length();
    if (n <= 0) return;
    if (n >= length) {
        receiveBuffer.Clear();
        return;
    }
    std::string rest(static_cast<std::size_t>(length - n) + 1, '\0');
    receiveBuffer.CopyOut(rest.data(), n, length - n);
    rest.pop_back();
    receiveBuffer.Clear();
    receiveBuffer.Write(rest.data(), static_cast<std::int32_t>(rest.size()));
}

void SerialIO::ReceiveFrames(const char* text) {
    if (!framedMode) {
        if (textIn && bus) {
            Container<char*> piece(text ? text : "");
            Post(STRING_IN, &piece);
        }
        return;
    }
    std::weak_ptr<bool> alive = life;
    for (;;) {
        if (readerBusy) return;
        const std::int32_t marker = receiveBuffer.FindByte(static_cast<char>(kFrameStart));
        if (marker < 0) {
            // Nothing here can begin a frame.
            receiveBuffer.Clear();
            return;
        }
        bool goOn;
        try {
            goOn = HandleOneFrame();
        } catch (const CommError& error) {
            if (alive.expired()) return;
            readerBusy = 0;
            if (error.Code() != CommError::kNotAccepted) ShowBox("Communications Error", error.Text());
            goOn = true;
        }
        if (alive.expired() || !goOn) return;
    }
}

bool SerialIO::HandleOneFrame() {
    std::weak_ptr<bool> alive = life;
    readerBusy = 1;
    DropFront(receiveBuffer.FindByte(static_cast<char>(kFrameStart)));
    if (!WaitForLength(0, kFrameHeaderLength)) {
        readerBusy = 0;
        return false; // kept for the next piece
    }
    char header[kFrameHeaderLength + 1];
    receiveBuffer.CopyOut(header, 0, kFrameHeaderLength);
    const std::int32_t length = static_cast<unsigned char>(header[1]) | (static_cast<unsigned char>(header[2]) << 8);
    if (length < kMinFrameLength || length > kMaxFrameLength) {
        // Not a frame's start after all: step over the marker and look for the next.
        DropFront(1);
        readerBusy = 0;
        return true;
    }
    // The frame stays whole in the buffer until all of it is there, so that a frame whose rest
    // is late is neither parsed short nor split from its header.
    if (!WaitForLength(0, length)) {
        if (alive.expired()) return false;
        readerBusy = 0;
        if (!connected) {
            // The peer is gone in the middle of a frame: its rest will never come.
            receiveBuffer.Clear();
        }
        return false;
    }
    std::string frame(static_cast<std::size_t>(length) + 1, '\0');
    receiveBuffer.CopyOut(frame.data(), 0, length);
    frame.pop_back();
    if (static_cast<unsigned char>(frame.back()) != kFrameEnd) {
        // The length led nowhere: the marker was a stray byte. Frames inside the bytes it
        // claimed are found by scanning on from the next marker.
        DropFront(1);
        readerBusy = 0;
        return true;
    }
    DropFront(length);
    readerBusy = 0;
    Dispatch(frame);
    return true;
}

void SerialIO::Reply(std::uint32_t sequence, ContainerBase* result) {
    Container<MessageResponse> response(MessageResponse(sequence, result));
    delete SendBusMessage(MESSAGE_RESPONSE, &response);
}

void SerialIO::Dispatch(const std::string& frame) {
    DecodedFrame head;
    FrameStatus status = DecodeFrame(frame, head, false);
    const bool request = head.kind == KIND_SEND || head.kind == KIND_POST_AND_WAIT;
    if (status == FrameStatus::kDamaged) return;
    if (head.haveSequence && (head.kind < 0 || head.kind > 3)) {
        ReportBadKind(567);
        return;
    }
    if (status == FrameStatus::kOk && head.event.Number() == MESSAGE_RESPONSE) {
        DecodedFrame whole;
        if (DecodeFrame(frame, whole) != FrameStatus::kOk) return;
        auto* r = PayloadValue<MessageResponse>(whole.payload.get());
        const auto& awaited = AwaitedSequences();
        if (r && std::find(awaited.begin(), awaited.end(), r->Sequence()) != awaited.end())
            ResponseList().push_back(std::move(*r));
        return;
    }
    const MessageType entry(head.event, head.type ? head.type->TypeId() : 0);
    if (status != FrameStatus::kOk || !IsAccepted(entry)) {
        // Whatever stops a request here, its sender is waiting: release it with an empty answer.
        if (request) Reply(head.sequence, nullptr);
        throw CommError("", CommError::kNotAccepted);
    }
    if (DecodeFramePayload(frame, head) != FrameStatus::kOk) {
        if (request) Reply(head.sequence, nullptr);
        return;
    }
    ContainerBase* payload = head.payload.get();
    const BusMessage event(head.event.Number());

    // The message must not travel straight back to the peer it came from.
    int forwarders = 0;
    if (bus) {
        while (IsHandlerRegistered(event, ForwardToPeer)) {
            UnregisterHandler(event, ForwardToPeer);
            ++forwarders;
        }
    }
    std::weak_ptr<bool> alive = life;
    ContainerBase* result = nullptr;
    switch (head.kind) {
    case 0:
    case KIND_POST: Post(event, payload); break;
    case KIND_SEND: result = Send(event, payload); break;
    case KIND_POST_AND_WAIT: result = PostAndWait(event, payload); break;
    }
    if (alive.expired()) {
        delete result;
        return;
    }
    for (int i = 0; i < forwarders && bus; ++i) RegisterHandler(event, ForwardToPeer);
    if (request) Reply(head.sequence, result);
    else delete result;
}

ContainerBase* SerialIO::OnStringOut(Component* c, BusMessage, ContainerBase* p) {
    SerialIO* self;
    std::string text;
    if (!BusReceiver(c, self, kSource, __LINE__)) return nullptr;
    if (!ExtractText(p, text)) {
        Assert(0, kBadBusData, kSource, __LINE__);
        return nullptr;
    }
    if (!self->connected && !self->Open())
        ShowBox("Communications", "You have not connected properly.\nCommunications may not work as expected.");
    self->SendString(text.c_str(), 0);
    if (!self->noEcho) {
        Container<char*> echo(text.c_str());
        self->Post(STRING_ECHO, &echo);
    }
    return nullptr;
}

ContainerBase* SerialIO::OnAgent(Component* c, BusMessage e, ContainerBase* p) {
    SerialIO* self;
    Agent** agent;
    if (!BusArgs(c, p, self, agent, kSource, __LINE__)) return nullptr;
    HandleAgent(*self, *agent, e);
    return nullptr;
}

ContainerBase* SerialIO::OnCloseConnection(Component* c, BusMessage, ContainerBase*) {
    SerialIO* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->Close();
    return nullptr;
}

ContainerBase* SerialIO::OnSetProtocol(Component* c, BusMessage, ContainerBase*) {
    SerialIO* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->SetProtocol();
    return nullptr;
}

ContainerBase* SerialIO::OnCommCancel(Component* c, BusMessage, ContainerBase*) {
    SerialIO* self;
    if (BusReceiver(c, self, kSource, __LINE__)) self->cancelRequested = 1;
    return nullptr;
}
