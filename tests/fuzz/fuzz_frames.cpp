// Network frames as they arrive: the input is cut into pieces of a size it chooses itself (the
// low six bits of its first byte) and fed to a framed connection that carries the game's relay
// lists (the host's or the joiner's, by the first byte's top bit), which cuts, decodes and
// delivers what it can. A piece arrives whenever the reader waits for more, as it would from a
// socket during the wait's pump; once the input is used up the peer has hung up, so no wait
// lasts longer than it takes to notice that.
#include "comms/net/vh_net_component.h"
#include "comms/serial_io.h"
#include "core/basic_app.h"
#include "core/bus.h"
#include "tests/fuzz/fuzz_support.h"

#include <algorithm>
#include <memory>
#include <string>

namespace {

class FuzzIO : public SerialIO {
public:
    FuzzIO(const std::uint8_t* data, std::size_t size, std::size_t piece)
        : SerialIO(1, "fuzz"), at(data), end(data + size), pieceSize(piece) {}
    std::int16_t Open() override {
        MarkOpen();
        return 1;
    }
    std::int16_t Close() override {
        connected = 0;
        return 1;
    }
    void Receive() override {}
    std::int16_t SetProtocol() override { return 1; }
    // Replies go nowhere.
    std::int16_t SendBytes(const char*, std::int32_t, std::int16_t) override { return 1; }

    // The reader asks for more than it holds: the pieces still to come arrive meanwhile.
    std::int16_t WaitForLength(int argument, std::int32_t n) override {
        while (ReceiveBuffer().Length() < n && Arrive()) {
        }
        // Nothing more will come: the peer has closed, and the wait ends at once.
        if (ReceiveBuffer().Length() < n) connected = 0;
        return SerialIO::WaitForLength(argument, n);
    }

    // The next piece, appended as the transport does; false when there is none left.
    bool Arrive() {
        if (at >= end) return false;
        const std::size_t n = std::min(pieceSize, static_cast<std::size_t>(end - at));
        last.assign(reinterpret_cast<const char*>(at), n);
        at += n;
        AppendReceived(last.data(), static_cast<std::int32_t>(last.size()));
        return true;
    }
    // Pieces arriving while nobody waits: each one wakes the reader.
    void Run() {
        while (connected && Arrive()) ReceiveFrames(last.c_str());
    }

private:
    const std::uint8_t* at;
    const std::uint8_t* end;
    std::size_t pieceSize;
    std::string last;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    if (size < 1) return 0;
    static BasicApp* app = new BasicApp();
    // The game's payload types, registered as the network component does.
    static VhNetComponent* types = new VhNetComponent();
    static_cast<void>(types);
    auto bus = std::make_unique<Bus>("Peer");
    auto io = std::make_unique<FuzzIO>(data + 1, size - 1, 1 + (data[0] & 0x3F));
    VhNetComponent::InstallRelay(*io, (data[0] & 0x80) != 0);
    io->AttachToBus(bus.get());
    io->Open();
    io->Run();
    app->DrainTasks();
    io.reset();
    bus.reset();
    app->DrainTasks();
    return 0;
}
