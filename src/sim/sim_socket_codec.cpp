#include "sim/sim_socket_codec.h"

#include <algorithm>

#include "sim/sim_socket.h"
#include "sim/sim_state_file.h"

namespace z7 {

SimFrameWriter& SimFrameWriter::u8(uint8_t v) {
    bytes.push_back(v);
    return *this;
}

SimFrameWriter& SimFrameWriter::u16(uint16_t v) {
    return u8(static_cast<uint8_t>(v)).u8(static_cast<uint8_t>(v >> 8));
}

SimFrameWriter& SimFrameWriter::u32(uint32_t v) {
    return u16(static_cast<uint16_t>(v)).u16(static_cast<uint16_t>(v >> 16));
}

SimFrameWriter& SimFrameWriter::run(std::span<const uint8_t> data) {
    const size_t n = std::min<size_t>(data.size(), 0xFFFF);
    u16(static_cast<uint16_t>(n));
    bytes.insert(bytes.end(), data.begin(), data.begin() + static_cast<ptrdiff_t>(n));
    return *this;
}

SimFrameWriter& SimFrameWriter::str(const std::string& s) {
    return run({reinterpret_cast<const uint8_t*>(s.data()), s.size()});
}

bool SimFrameReader::Need(size_t n) {
    if (!ok || data.size() - pos < n) ok = false;
    return ok;
}

uint8_t SimFrameReader::u8() {
    return Need(1) ? data[pos++] : 0;
}

uint16_t SimFrameReader::u16() {
    const uint16_t lo = u8();
    return static_cast<uint16_t>(lo | u8() << 8);
}

uint32_t SimFrameReader::u32() {
    const uint32_t lo = u16();
    return lo | uint32_t{u16()} << 16;
}

std::vector<uint8_t> SimFrameReader::run() {
    const size_t n = u16();
    if (!Need(n)) return {};
    std::vector<uint8_t> out(data.begin() + static_cast<ptrdiff_t>(pos),
                             data.begin() + static_cast<ptrdiff_t>(pos + n));
    pos += n;
    return out;
}

std::string SimFrameReader::str() {
    const std::vector<uint8_t> r = run();
    return std::string(r.begin(), r.end());
}

std::array<uint8_t, kSimFrameHeaderSize> SimFrameHeader(uint32_t length) {
    return {static_cast<uint8_t>(length), static_cast<uint8_t>(length >> 8),
            static_cast<uint8_t>(length >> 16), static_cast<uint8_t>(length >> 24)};
}

uint32_t SimFrameLength(std::span<const uint8_t, kSimFrameHeaderSize> h) {
    const uint32_t n = h[0] | h[1] << 8 | h[2] << 16 | uint32_t{h[3]} << 24;
    return n > kSimFrameMax ? 0 : n;
}

std::vector<uint8_t> EncodeEnumerateReply(const std::vector<HidCollectionInfo>& list) {
    SimFrameWriter w;
    const size_t count = std::min<size_t>(list.size(), 255);
    w.u8(0).u8(static_cast<uint8_t>(count));
    for (size_t i = 0; i < count; ++i) {
        const HidCollectionInfo& c = list[i];
        w.u16(c.vendorId).u16(c.productId).u16(c.usagePage).u16(c.usage);
        w.u16(c.inputReportLength).u16(c.outputReportLength).u16(c.featureReportLength);
        w.str(c.path);
    }
    return w.bytes;
}

bool ParseEnumerateReply(std::span<const uint8_t> reply, std::vector<HidCollectionInfo>& out) {
    out.clear();
    SimFrameReader r{reply};
    const uint8_t status = r.u8();
    const uint8_t count = r.u8();
    std::vector<HidCollectionInfo> list;
    for (uint8_t i = 0; i < count && r.ok; ++i) {
        HidCollectionInfo c;
        c.vendorId = r.u16();
        c.productId = r.u16();
        c.usagePage = r.u16();
        c.usage = r.u16();
        c.inputReportLength = r.u16();
        c.outputReportLength = r.u16();
        c.featureReportLength = r.u16();
        c.path = r.str();
        list.push_back(std::move(c));
    }
    if (status != 0 || !r.AtEnd()) return false;
    out = std::move(list);
    return true;
}

std::vector<uint8_t> EncodeDeviceReply(const HidStatus& status, std::span<const uint8_t> bytes) {
    return SimFrameWriter{}
        .u8(static_cast<uint8_t>(status.error))
        .str(status.message)
        .run(bytes)
        .bytes;
}

HidStatus ParseDeviceReply(std::span<const uint8_t> reply, std::vector<uint8_t>* bytes) {
    SimFrameReader r{reply};
    HidStatus status;
    const uint8_t e = r.u8();
    // An error code of a newer simulator is still an error.
    status.error = e <= static_cast<uint8_t>(HidError::kCancelled) ? static_cast<HidError>(e)
                                                                   : HidError::kGeneralFailure;
    status.message = r.str();
    std::vector<uint8_t> data = r.run();
    if (!r.AtEnd()) return {HidError::kDisconnected, "simulator: malformed reply"};
    if (bytes) *bytes = std::move(data);
    return status;
}

std::vector<uint8_t> EncodeStateReply(const SimState& state) {
    const std::vector<uint8_t> file = SaveSimState(state);
    SimFrameWriter w;
    w.u8(0).u32(static_cast<uint32_t>(file.size()));
    w.bytes.insert(w.bytes.end(), file.begin(), file.end());
    return w.bytes;
}

bool ParseStateReply(std::span<const uint8_t> reply, SimState& state) {
    SimFrameReader r{reply};
    const uint8_t status = r.u8();
    const uint32_t n = r.u32();
    if (!r.ok || status != 0 || reply.size() - r.pos != n) return false;
    return LoadSimState(reply.subspan(r.pos), state);
}

bool ParseWatchReply(std::span<const uint8_t> reply, bool& unplugged) {
    if (reply.size() != 2 || reply[0] != 0 || reply[1] > 1) return false;
    unplugged = reply[1] == 1;
    return true;
}

bool ParseWatchNotice(std::span<const uint8_t> notice, bool& unplugged) {
    if (notice.size() != 2 || notice[0] != kSimOpWatch || notice[1] > 1) return false;
    unplugged = notice[1] == 1;
    return true;
}

}  // namespace z7
