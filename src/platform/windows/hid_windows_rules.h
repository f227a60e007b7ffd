#pragma once
// The pure rules of the Windows HID backend, apart from the calls so that they can be tested
// without a device: how a Win32 error code becomes a portable transfer error, and how a
// feature report is sized for the collection.
#include <cstdint>
#include <span>
#include <vector>

#include "core/device/hid_transport.h"

namespace z7 {

// The portable category of a GetLastError() code after a failed HID call. The five transient
// codes the retry rule names map to the retryable categories; 0 (a call that failed without
// setting an error) and unknown codes are kGeneralFailure.
HidError HidErrorFromWin32(uint32_t code);

// HidD_SetFeature takes exactly the collection's FeatureReportByteLength (`capsLength`, which
// counts the report id byte): a shorter report is padded with zeros, a longer one loses its
// tail, which must then be all zeros. False (and `out` empty) when nonzero bytes would be cut
// or the report is empty. A `capsLength` of 0 (unknown) passes the report unchanged.
[[nodiscard]] bool FitFeatureReport(std::span<const uint8_t> report, size_t capsLength,
                                    std::vector<uint8_t>& out);

}  // namespace z7
