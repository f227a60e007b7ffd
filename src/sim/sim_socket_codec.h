#pragma once
// The frame bodies of the simulator socket (sim_socket.h), shared by the server and its
// clients: little-endian writers and bounded readers, and the parsers of every reply a client
// reads. No I/O here, so that all of it can be fuzzed.
#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "core/device/hid_transport.h"
#include "sim/sim_mouse.h"

namespace z7 {

// Larger than any state file, small enough that a bad length cannot exhaust memory.
inline constexpr uint32_t kSimFrameMax = (1u << 20) + 64;
inline constexpr size_t kSimFrameHeaderSize = 4;

struct SimFrameWriter {
    std::vector<uint8_t> bytes;
    SimFrameWriter& u8(uint8_t v);
    SimFrameWriter& u16(uint16_t v);
    SimFrameWriter& u32(uint32_t v);
    // A 16-bit length and the bytes; longer runs are cut at 65535.
    SimFrameWriter& run(std::span<const uint8_t> data);
    SimFrameWriter& str(const std::string& s);
};

// Reads past the end set `ok` to false and return zeros or nothing.
struct SimFrameReader {
    std::span<const uint8_t> data;
    size_t pos = 0;
    bool ok = true;
    bool Need(size_t n);
    uint8_t u8();
    uint16_t u16();
    uint32_t u32();
    std::vector<uint8_t> run();
    std::string str();
    bool AtEnd() const { return ok && pos == data.size(); }
};

// The header in front of a body of `length` bytes, and the length a header announces (0 for
// one that is empty or above kSimFrameMax).
std::array<uint8_t, kSimFrameHeaderSize> SimFrameHeader(uint32_t length);
uint32_t SimFrameLength(std::span<const uint8_t, kSimFrameHeaderSize> header);

// kSimOpEnumerate's reply; false with `out` empty when it is damaged or says the request failed.
std::vector<uint8_t> EncodeEnumerateReply(const std::vector<HidCollectionInfo>& collections);
bool ParseEnumerateReply(std::span<const uint8_t> reply, std::vector<HidCollectionInfo>& out);

// The reply to a device operation: a HidError, its message and (get feature, read) the bytes.
// A damaged reply reads as a lost device.
std::vector<uint8_t> EncodeDeviceReply(const HidStatus& status, std::span<const uint8_t> bytes);
HidStatus ParseDeviceReply(std::span<const uint8_t> reply, std::vector<uint8_t>* bytes);

// kSimOpGetState's reply: status 0, the length, the state file's bytes.
std::vector<uint8_t> EncodeStateReply(const SimState& state);
bool ParseStateReply(std::span<const uint8_t> reply, SimState& state);

// kSimOpWatch's reply (status 0, unplugged flag) and its notices (kSimOpWatch, flag).
bool ParseWatchReply(std::span<const uint8_t> reply, bool& unplugged);
bool ParseWatchNotice(std::span<const uint8_t> notice, bool& unplugged);

}  // namespace z7
