// Platforms without Unix-domain sockets in this build: the socket simulator is not available.
#include "sim/sim_socket.h"

namespace z7 {
namespace {

class NoTransport final : public HidTransport {
  public:
    std::vector<HidCollectionInfo> Enumerate() override { return {}; }
    std::unique_ptr<HidDevice> Open(const HidCollectionInfo&, HidStatus& status) override {
        status = {HidError::kDisconnected, "the socket simulator is not available here"};
        return nullptr;
    }
};

}  // namespace

std::string DefaultSimSocketPath() {
    return {};
}
std::unique_ptr<HidTransport> CreateSimSocketTransport(const std::string&) {
    return std::make_unique<NoTransport>();
}
std::unique_ptr<DeviceMonitor> CreateSimSocketMonitor(const std::string&) {
    return nullptr;
}
SimSocketClient::SimSocketClient() = default;
SimSocketClient::~SimSocketClient() = default;
bool SimSocketClient::Connect(const std::string&, std::string& error) {
    error = "the socket simulator is not available here";
    return false;
}
bool SimSocketClient::QueueEvent(const SimEvent&, std::string& error) {
    return Connect({}, error);
}
bool SimSocketClient::SetPlugged(bool, std::string& error) {
    return Connect({}, error);
}
bool SimSocketClient::GetState(SimState&, std::string& error) {
    return Connect({}, error);
}
bool SimSocketClient::SetState(const SimState&, std::string& error) {
    return Connect({}, error);
}
bool SimSocketClient::Request(const std::vector<uint8_t>&, std::vector<uint8_t>&,
                              std::string& error) {
    return Connect({}, error);
}
void ServeSimSocketConnection(SimMouse&, int, const std::atomic<bool>&) {}
bool ServeSimSocket(SimMouse&, const std::string&, const std::atomic<bool>&, std::string& error) {
    error = "the socket simulator is not available here";
    return false;
}

}  // namespace z7
