#include "core/device/device_exchanges.h"

#include "device_fixture.h"
#include "support/temp_dir.h"

namespace z7::test {
namespace {

// The simulated mouse with a hook before every request, and optionally without the view of
// the stored images that only the simulated mouse offers.
class HookedTransport final : public HidTransport {
  public:
    HookedTransport(SimMouse& mouse, std::function<void(std::span<const uint8_t>)> beforeSet)
        : inner_(mouse), beforeSet_(std::move(beforeSet)) {}
    std::vector<HidCollectionInfo> Enumerate() override { return inner_.Enumerate(); }
    std::unique_ptr<HidDevice> Open(const HidCollectionInfo& c, HidStatus& status) override {
        std::unique_ptr<HidDevice> device = inner_.Open(c, status);
        if (!device) return nullptr;
        return std::make_unique<Device>(std::move(device), beforeSet_);
    }
    std::vector<uint8_t> StoredImage(uint8_t slot) override {
        return likeRealMouse ? std::vector<uint8_t>() : inner_.StoredImage(slot);
    }
    bool likeRealMouse = false;

  private:
    class Device final : public HidDevice {
      public:
        Device(std::unique_ptr<HidDevice> inner,
               std::function<void(std::span<const uint8_t>)>& beforeSet)
            : inner_(std::move(inner)), beforeSet_(beforeSet) {}
        HidStatus SetFeature(std::span<const uint8_t> report) override {
            if (beforeSet_) beforeSet_(report);
            return inner_->SetFeature(report);
        }
        HidStatus GetFeature(std::span<uint8_t> report) override {
            return inner_->GetFeature(report);
        }
        HidStatus ReadInput(std::span<uint8_t> r, Millis t, size_t& n) override {
            return inner_->ReadInput(r, t, n);
        }
        void CancelRead() override { inner_->CancelRead(); }

      private:
        std::unique_ptr<HidDevice> inner_;
        std::function<void(std::span<const uint8_t>)>& beforeSet_;
    };
    SimTransport inner_;
    std::function<void(std::span<const uint8_t>)> beforeSet_;
};

bool IsImageHalf(std::span<const uint8_t> r, uint8_t half) {
    return r.size() > kHalfByte && r[0] == kImageRequestId && r[kHalfByte] == half;
}

// Another program's first image half for `slot`, sent straight to the mouse.
void ForeignFirstHalf(SimMouse& mouse, uint8_t slot) {
    std::vector<uint8_t> r(kLongReportLength, 0);
    r[0] = kImageRequestId;
    r[kCommandByte] = kCmdWriteProfileImage;
    r[kSlotByte] = slot;
    ASSERT_TRUE(mouse.SetFeature(mouse.generation(), r).ok());
}

std::vector<uint8_t> Commands(const SimMouse& mouse) {
    std::vector<uint8_t> out;
    for (const auto& r : mouse.requests()) out.push_back(r[kCommandByte]);
    return out;
}

TEST_F(SimLinkTest, WriteAllSendsTheImageActivatesTheSlotAndReopensTheEventInterface) {
    DeviceImage image{};
    image.fill(0x5A);
    EXPECT_EQ(WriteAllExchange(link, 2, image, 10), ExchangeResult::kOk);
    // The last slot query confirms the switch.
    EXPECT_EQ(Commands(mouse),
              (std::vector<uint8_t>{kCmdReadActiveSlot, kCmdWriteProfileImage,
                                    kCmdWriteProfileImage, kCmdActivateSlot, kCmdReadActiveSlot}));
    EXPECT_EQ(clock.TotalSlept(), Millis(10 + 80 + 80 + 1500 + 10));
    const SimState s = mouse.state();
    EXPECT_EQ(s.slots[2], image);
    EXPECT_EQ(s.activeSlot, 2);
    EXPECT_FALSE(link.configOpen());
    EXPECT_TRUE(link.eventOpen());
}

TEST_F(SimLinkTest, AWriteAllTheMouseDidNotTakeIsAFailureEvenThoughEveryReplyCame) {
    DeviceImage image{};
    image.fill(0x33);
    // Another program's half lands between ours: the mouse drops our first half and refuses
    // the second, yet every request got a reply.
    bool interleave = true;
    HookedTransport hooked(mouse, [&](std::span<const uint8_t> r) {
        if (interleave && IsImageHalf(r, 1)) ForeignFirstHalf(mouse, 4);
    });
    DeviceLink other(hooked, clock);
    EXPECT_EQ(WriteAllExchange(other, 1, image, 0), ExchangeResult::kCommandFailed);
    EXPECT_NE(other.exchangeProblem().find("does not store the image sent to slot 1"),
              std::string::npos)
        << other.exchangeProblem();
    EXPECT_EQ(mouse.state().slots[1], MarkedImages()[1]);

    // Without a view of the stored image (the real mouse) the active slot is what is checked.
    interleave = false;
    HookedTransport revert(mouse, [&](std::span<const uint8_t> r) {
        // The mouse answers the switch but stays on slot 0.
        if (r[kCommandByte] == kCmdReadActiveSlot && mouse.state().activeSlot == 2)
            mouse.Update([](SimState& st) { st.activeSlot = 0; });
    });
    revert.likeRealMouse = true;
    DeviceLink stubborn(revert, clock);
    EXPECT_EQ(WriteAllExchange(stubborn, 2, image, 0), ExchangeResult::kCommandFailed);
    EXPECT_EQ(stubborn.exchangeProblem(),
              "the mouse reports slot 0 active after slot 2 was written");
    // The next exchange starts without the old complaint.
    EXPECT_EQ(ActivateExchange(stubborn, 3), ExchangeResult::kOk);
    EXPECT_EQ(stubborn.exchangeProblem(), "");
}

TEST_F(SimLinkTest, AFailedExchangeQuotesOnlyItsOwnFinalTransferError) {
    Faults([](SimFaults& f) {
        f.transportErrors = 1;
        f.transportError = HidError::kGeneralFailure;  // not retried
    });
    EXPECT_EQ(CalibrateExchange(link), ExchangeResult::kCommandFailed);
    EXPECT_EQ(link.lastTransferStatus().error, HidError::kGeneralFailure);
    // A refused image fails without any transfer error: the earlier one is not quoted.
    EXPECT_EQ(WriteAllExchange(link, 1, DeviceImage{}, 148), ExchangeResult::kCommandFailed);
    EXPECT_TRUE(link.lastTransferStatus().ok()) << link.lastTransferStatus().message;
    // A transfer that failed once and then went through is no error either.
    Faults([](SimFaults& f) {
        f.transportErrors = 1;
        f.transportError = HidError::kNotReady;
    });
    EXPECT_EQ(ActivateExchange(link, 1), ExchangeResult::kOk);
    EXPECT_TRUE(link.lastTransferStatus().ok());
}

TEST_F(SimLinkTest, AnotherProgramHoldingTheMouseMakesAnExchangeWaitThenGiveUpUntouched) {
    TempDir dir;
    const auto lockFile = dir / "mouse.lock";
    VirtualClock waitClock;
    link.SetProcessLock(lockFile, Millis(3000), &waitClock);
    SimTransport otherTransport(mouse);
    DeviceLink other(otherTransport, clock);  // the other program
    other.SetProcessLock(lockFile, Millis(3000), &waitClock);
    ASSERT_TRUE(link.OpenEventInterface());

    {
        ExchangeLock held(other);
        ASSERT_TRUE(held.held());
        mouse.ClearRequests();
        EXPECT_EQ(WriteAllExchange(link, 1, DeviceImage{}, 0), ExchangeResult::kBusy);
        EXPECT_EQ(DeleteOnMouseExchange(link, 1), ExchangeResult::kBusy);
        DeviceInfo info;
        EXPECT_EQ(RefreshFromDevice(link, info), ExchangeResult::kBusy);
        EXPECT_TRUE(mouse.requests().empty());
        EXPECT_TRUE(link.eventOpen());  // its listener was left alone
        EXPECT_GE(waitClock.TotalSlept(), Millis(3 * 3000));
        EXPECT_NE(link.lockProblem().find("another program"), std::string::npos);
    }
    EXPECT_EQ(WriteAllExchange(link, 1, DeviceImage{}, 0), ExchangeResult::kOk);
    EXPECT_EQ(link.lockProblem(), "");
    EXPECT_EQ(ActivateExchange(other, 2), ExchangeResult::kOk);
}

TEST_F(SimLinkTest, ALockFileThatCannotBeMadeDoesNotKeepTheMouseFromWorking) {
    TempDir dir;
    WriteBytes(dir / "file", {1});
    link.SetProcessLock(dir / "file" / "mouse.lock", Millis(0));
    EXPECT_EQ(ActivateExchange(link, 2), ExchangeResult::kOk);
    EXPECT_NE(link.lockProblem(), "");
    EXPECT_EQ(mouse.state().activeSlot, 2);
}

TEST_F(SimLinkTest, ExchangesTellNoDeviceFromNoAccessFromAFailedCommand) {
    DeviceBlock block{};
    mouse.Unplug();
    EXPECT_EQ(WriteSensorExchange(link, 1, block), ExchangeResult::kNoDevice);
    EXPECT_FALSE(link.eventOpen());
    mouse.Plug();
    Faults([](SimFaults& f) { f.accessDenied = true; });
    EXPECT_EQ(WriteLightingExchange(link, 1, block), ExchangeResult::kNoAccess);
    EXPECT_EQ(link.lastOpenProblem().path, "sim:22d4:1206:config");
    Faults([](SimFaults& f) {
        f.accessDenied = false;
        f.unreadableReplies = 1;
    });
    EXPECT_EQ(WriteLightingExchange(link, 1, block), ExchangeResult::kCommandFailed);
    EXPECT_EQ(Commands(mouse), (std::vector<uint8_t>{kCmdReadActiveSlot}));
    EXPECT_TRUE(link.eventOpen());  // the listener comes back after a failure too
    // Refused image: nothing but the slot query is sent.
    mouse.ClearRequests();
    EXPECT_EQ(WriteAllExchange(link, 1, DeviceImage{}, 148), ExchangeResult::kCommandFailed);
    EXPECT_EQ(Commands(mouse), (std::vector<uint8_t>{kCmdReadActiveSlot}));
}

TEST_F(SimLinkTest, AMouseUnpluggedMidExchangeFailsCleanly) {
    Faults([](SimFaults& f) { f.unplugAfterCommands = 2; });
    EXPECT_EQ(WriteAllExchange(link, 1, DeviceImage{}, 0), ExchangeResult::kCommandFailed);
    EXPECT_FALSE(link.configOpen());
    EXPECT_FALSE(link.eventOpen());
    EXPECT_EQ(mouse.state().slots[1], MarkedImages()[1]);  // half an image is never stored
}

TEST_F(SimLinkTest, DeleteErasesTheSlotAndActivatesTheFactoryProfile) {
    DeviceImage image{};
    ASSERT_EQ(WriteAllExchange(link, 3, image, 0), ExchangeResult::kOk);
    mouse.ClearRequests();
    EXPECT_EQ(DeleteOnMouseExchange(link, 3), ExchangeResult::kOk);
    EXPECT_EQ(Commands(mouse),
              (std::vector<uint8_t>{kCmdReadActiveSlot, kCmdEraseSlot, kCmdActivateSlot}));
    const SimState s = mouse.state();
    EXPECT_EQ(s.slots[3], MarkedImages()[3]);
    EXPECT_EQ(s.activeSlot, 0);
}

TEST_F(SimLinkTest, RefreshReadsVersionAndSlotAndKeepsWhatCouldNotBeRead) {
    mouse.Update([](SimState& s) {
        s.activeSlot = 4;
        s.firmwareVersion = 201;
    });
    DeviceInfo info;
    EXPECT_EQ(RefreshFromDevice(link, info, true), ExchangeResult::kOk);
    EXPECT_EQ(info.firmwareVersion, 201);
    EXPECT_EQ(info.activeSlot, 4);
    EXPECT_EQ(info.deviceCode, kSimDefaultDeviceCode);
    Faults([](SimFaults& f) { f.failStatusReplies = 1; });
    EXPECT_EQ(RefreshFromDevice(link, info), ExchangeResult::kOk);
    EXPECT_FALSE(info.firmwareVersion);
    EXPECT_EQ(info.activeSlot, 4);
    EXPECT_FALSE(info.deviceCode);
}

TEST_F(SimLinkTest, CalibrateAsksForTheSlotFirst) {
    EXPECT_EQ(CalibrateExchange(link), ExchangeResult::kOk);
    EXPECT_EQ(Commands(mouse), (std::vector<uint8_t>{kCmdReadActiveSlot, kCmdCalibrateSurface}));
    EXPECT_EQ(mouse.state().calibrations, 1u);
}

}  // namespace
}  // namespace z7::test
