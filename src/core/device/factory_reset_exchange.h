#pragma once
// The factory reset of the whole mouse: every slot gets its factory profile and the factory
// slot becomes active, all in one hold of the mouse, so that no other exchange (nor another
// program) sees it half reset.
#include <array>
#include <functional>

#include "core/device/device_exchanges.h"
#include "core/profile/profile_record.h"

namespace z7 {

// Steps the reset reports: one per slot written, then the activation of slot 0.
inline constexpr int kFactoryResetSteps = kSlotCount + 1;

// The records of every slot as they stand (the caller has reset them to their factory values).
using SlotProfiles = std::array<ProfileRecord, kSlotCount>;

// ReadActiveSlot, WriteProfileImage for slots 0..4, ActivateSlot(0), then what can be checked:
// the mouse names slot 0 active and, where the backend shows stored images, each slot holds the
// image sent. `progress(done, kFactoryResetSteps)` runs on the calling thread after each step.
// Stops at the first failure (lastTransferStatus, exchangeProblem say which).
[[nodiscard]] ExchangeResult FactoryResetExchange(
    DeviceLink& link, const SlotProfiles& profiles,
    const std::function<void(int done, int total)>& progress = {});

// Every slot's factory profile: defaults, the slot's name, in use; `filePath` of `current`
// stays so that a save replaces those files.
SlotProfiles FactoryProfiles(const SlotProfiles& current);

}  // namespace z7
