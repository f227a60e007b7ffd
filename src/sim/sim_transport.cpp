#include "sim/sim_transport.h"

#include <atomic>

namespace z7 {
namespace {

class SimDevice final : public HidDevice {
  public:
    SimDevice(SimMouse& mouse, uint32_t generation) : mouse_(mouse), generation_(generation) {
        mouse_.AddReader(&wake_);
    }
    ~SimDevice() override { mouse_.RemoveReader(&wake_); }

    HidStatus SetFeature(std::span<const uint8_t> report) override {
        return mouse_.SetFeature(generation_, report);
    }
    HidStatus GetFeature(std::span<uint8_t> report) override {
        return mouse_.GetFeature(generation_, report);
    }
    HidStatus ReadInput(std::span<uint8_t> report, Millis timeout, size_t& length) override {
        return mouse_.ReadInput(generation_, report, timeout, length, wake_, cancelled_);
    }
    void CancelRead() override {
        cancelled_ = true;
        wake_.Notify();
    }

  private:
    SimMouse& mouse_;
    const uint32_t generation_;
    WakeSignal wake_;
    std::atomic<bool> cancelled_{false};
};

}  // namespace

std::unique_ptr<HidDevice> SimTransport::Open(const HidCollectionInfo& collection,
                                              HidStatus& status) {
    uint32_t generation = 0;
    status = mouse_.CheckOpen(collection.path, generation);
    if (!status.ok()) return nullptr;
    return std::make_unique<SimDevice>(mouse_, generation);
}

std::vector<uint8_t> SimTransport::StoredImage(uint8_t slot) {
    std::vector<uint8_t> image;
    mouse_.Update([&](SimState& s) {
        if (slot < s.slots.size()) image.assign(s.slots[slot].begin(), s.slots[slot].end());
    });
    return image;
}

}  // namespace z7
