// Network frames as they arrive: the input is cut into pieces of sizes it chooses itself (its
// first byte) and fed to a framed connection, which cuts, decodes and delivers what it can.
#include "comms/serial_io.h"
#include "core/basic_app.h"
#include "core/bus.h"
#include "tests/fuzz/fuzz_support.h"

#include <memory>
#include <string>

namespace {

class FuzzIO : public SerialIO {
public:
    FuzzIO() : SerialIO(1, "fuzz") {}
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
    void Feed(const std::string& piece) {
        AppendReceived(piece.data(), static_cast<std::int32_t>(piece.size()));
        ReceiveFrames(piece.c_str());
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    fuzz::Begin();
    if (size < 1) return 0;
    static BasicApp* app = new BasicApp();
    auto bus = std::make_unique<Bus>("Peer");
    auto io = std::make_unique<FuzzIO>();
    io->AttachToBus(bus.get());
    io->Open();
    const std::size_t piece = 1 + data[0] % 64;
    for (std::size_t at = 1; at < size; at += piece) {
        const std::size_t n = std::min(piece, size - at);
        io->Feed(std::string(reinterpret_cast<const char*>(data + at), n));
    }
    app->DrainTasks();
    io.reset();
    bus.reset();
    app->DrainTasks();
    return 0;
}
