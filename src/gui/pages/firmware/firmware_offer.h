#pragma once
// The offer of newer packaged firmware when the mouse is found.
#include <cstdint>
#include <filesystem>
#include <set>
#include <utility>

#include "platform/file_system.h"

namespace z7 {

// The packaged firmware's version in hundredths ("[Firmware] Version" × 100, truncated); 0 when
// the description is missing or refused.
uint16_t PackagedFirmwareVersion(FileSystem& fs, const std::filesystem::path& folder);

// Asks at most once per program run for each pair of versions: a replug of the same mouse, or
// a refresh, does not ask again.
class FirmwareOffer {
  public:
    // True when `packaged` is newer than `mouse` and this pair has not been offered yet (the
    // pair then counts as offered).
    bool ShouldOffer(uint16_t mouseVersion, uint16_t packagedVersion);

  private:
    std::set<std::pair<uint16_t, uint16_t>> offered_;
};

}  // namespace z7
