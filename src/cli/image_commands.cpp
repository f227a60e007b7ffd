// z7ctl image ...
#include <sstream>

#include "cli/cli.h"
#include "core/device/device_image.h"

namespace z7::cli {
namespace {

constexpr size_t kHexBytesPerLine = 32;

std::string HexText(std::span<const uint8_t> bytes, bool lines) {
    static constexpr char kDigits[] = "0123456789abcdef";
    std::string text;
    for (size_t i = 0; i < bytes.size(); ++i) {
        text += kDigits[bytes[i] >> 4];
        text += kDigits[bytes[i] & 0xF];
        if (lines && (i + 1) % kHexBytesPerLine == 0 && i + 1 < bytes.size()) text += '\n';
    }
    return text;
}

}  // namespace

int RunImageCommand(Context& ctx) {
    const bool sensor = ctx.TakeFlag("--sensor");
    const bool lighting = ctx.TakeFlag("--lighting");
    const auto outFile = ctx.TakeOption("--out");
    const std::string slotText = ctx.TakeArg("SLOT");
    ctx.ExpectNoMoreArgs();
    if (sensor && lighting)
        throw CliError(kExitUsage, "--sensor and --lighting exclude each other");
    const int slot = ParseSlot(slotText);
    LoadedProfiles p = LoadProfiles(ctx);
    DeviceRecord record = BuildDeviceRecord(p.set[slot]);

    std::vector<uint8_t> bytes;
    const char* kind = "image";
    if (sensor) {
        const DeviceBlock block = BuildSensorBlock(record);
        bytes.assign(block.begin(), block.end());
        kind = "sensor";
    } else if (lighting) {
        const DeviceBlock block = BuildLightingBlock(record);
        bytes.assign(block.begin(), block.end());
        kind = "lighting";
    } else {
        const size_t entries = TotalEntries(record);
        if (entries > kMaxImageEntries)
            throw CliError(kExitDeviceFailed, "the image would be refused: its buttons hold " +
                                                  std::to_string(entries) +
                                                  " macro entries (at most " +
                                                  std::to_string(kMaxImageEntries) + ")");
        const DeviceImage image = BuildImage(record);
        bytes.assign(image.begin(), image.end());
    }

    Json result = Json::object().set("slot", slot).set("kind", kind).set("size", bytes.size());
    if (outFile) {
        std::string error;
        if (!ctx.fs.WriteFile(*outFile, bytes, &error))
            throw CliError(kExitBadInput, "cannot write " + *outFile + ": " + error);
        ctx.Print(result.set("file", *outFile), "");
    } else {
        ctx.Print(result.set("hex", HexText(bytes, false)), HexText(bytes, true));
    }
    return kExitOk;
}

}  // namespace z7::cli
