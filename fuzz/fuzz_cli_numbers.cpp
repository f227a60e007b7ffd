// z7ctl's number and version parsers: bad text is a usage error, never a crash, and what they
// accept reads back as the same value.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cli/cli.h"
#include "core/firmware/firmware_package.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    try {
        const long long value = z7::cli::ParseNumber(text, "N");
        if (value > (1LL << 44) || value < -(1LL << 44)) std::abort();
        if (z7::cli::ParseNumber(std::to_string(value), "N") != value) std::abort();
    } catch (const z7::cli::CliError& e) {
        if (e.exitCode != z7::cli::kExitBadInput) std::abort();
    }
    try {
        const int slot = z7::cli::ParseSlot(text);
        if (slot < 0 || slot >= z7::kSlotCount) std::abort();
    } catch (const z7::cli::CliError&) {
    }
    uint16_t hundredths = 0;
    if (z7::ParseFirmwareVersion(text, hundredths)) {
        uint16_t again = 0;
        if (!z7::ParseFirmwareVersion(z7::FirmwareVersionText(hundredths), again) ||
            again != hundredths)
            std::abort();
    }
    return 0;
}
