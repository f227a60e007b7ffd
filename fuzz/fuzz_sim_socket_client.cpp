// The replies a simulator client reads, whatever a simulator sends: each parser refuses damage
// without crashing, and what it accepts encodes back to the same bytes. Input: one byte that
// picks the reply kind, then the reply.
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "sim/sim_socket.h"

namespace {

void Same(const std::vector<uint8_t>& encoded, const uint8_t* data, size_t size) {
    if (encoded.size() != size || !std::equal(encoded.begin(), encoded.end(), data)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    const uint8_t kind = data[0] % 5;
    ++data;
    --size;
    switch (kind) {
        case 0: {
            std::vector<z7::HidCollectionInfo> list;
            if (z7::ParseEnumerateReply({data, size}, list))
                Same(z7::EncodeEnumerateReply(list), data, size);
            else if (!list.empty())
                std::abort();
            break;
        }
        case 1: {
            std::vector<uint8_t> bytes;
            const z7::HidStatus status = z7::ParseDeviceReply({data, size}, &bytes);
            // Codes of a newer simulator read as a general failure and do not round-trip.
            if (size > 0 && data[0] <= static_cast<uint8_t>(z7::HidError::kCancelled) &&
                status.message != "simulator: malformed reply")
                Same(z7::EncodeDeviceReply(status, bytes), data, size);
            break;
        }
        case 2: {
            z7::SimState state;
            if (z7::ParseStateReply({data, size}, state))
                Same(z7::EncodeStateReply(state), data, size);
            break;
        }
        case 3: {
            bool unplugged = false;
            if (z7::ParseWatchReply({data, size}, unplugged) &&
                (size != 2 || data[1] != (unplugged ? 1 : 0)))
                std::abort();
            if (z7::ParseWatchNotice({data, size}, unplugged) && data[0] != z7::kSimOpWatch)
                std::abort();
            break;
        }
        default:
            if (size >= z7::kSimFrameHeaderSize &&
                z7::SimFrameLength(std::span<const uint8_t, 4>(data, 4)) > z7::kSimFrameMax)
                std::abort();
            break;
    }
    return 0;
}
