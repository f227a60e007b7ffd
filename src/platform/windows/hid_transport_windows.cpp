// Placeholder until the native HID backend lands: no collections, so the program reports that
// no mouse was found instead of failing to build.
#include "platform/hid_backend.h"

namespace z7 {
namespace {

class NoHidTransport final : public HidTransport {
  public:
    std::vector<HidCollectionInfo> Enumerate() override { return {}; }
    std::unique_ptr<HidDevice> Open(const HidCollectionInfo& c, HidStatus& status) override {
        status = {HidError::kDisconnected, "open " + c.path + ": no HID backend yet"};
        return nullptr;
    }
};

}  // namespace

std::unique_ptr<HidTransport> CreateSystemHidTransport() {
    return std::make_unique<NoHidTransport>();
}

std::string DeviceAccessHint() {
    return {};
}

}  // namespace z7
