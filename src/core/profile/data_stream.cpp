#include "core/profile/data_stream.h"

#include <algorithm>
#include <cstring>

#include "core/util/text.h"

namespace z7 {

DataStream::DataStream() : buffer_(kInitialCapacity, 0) {}

DataStream::DataStream(std::vector<uint8_t> bytes) : buffer_(std::move(bytes)) {
    size_ = buffer_.size();
}

DataStream::~DataStream() = default;

void DataStream::Reserve(size_t needed) {
    const size_t freeBytes = buffer_.size() - size_;
    if (freeBytes >= needed) return;
    buffer_.resize(buffer_.size() + std::max<size_t>(2 * needed, 1024), 0);
}

void DataStream::WriteBytes(std::span<const uint8_t> bytes) {
    if (bytes.empty()) return;
    Reserve(bytes.size());
    std::memcpy(buffer_.data() + size_, bytes.data(), bytes.size());
    size_ += bytes.size();
}

void DataStream::WriteU8(uint8_t v) { WriteBytes({&v, 1}); }

void DataStream::WriteU16(uint16_t v) {
    const uint8_t b[2] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8)};
    WriteBytes(b);
}

void DataStream::WriteU32(uint32_t v) {
    const uint8_t b[4] = {static_cast<uint8_t>(v), static_cast<uint8_t>(v >> 8),
                          static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 24)};
    WriteBytes(b);
}

void DataStream::WriteString(std::u16string_view s) {
    WriteU32(static_cast<uint32_t>(s.size()));
    std::vector<uint8_t> units(s.size() * 2);
    for (size_t i = 0; i < s.size(); ++i) {
        units[2 * i] = static_cast<uint8_t>(s[i]);
        units[2 * i + 1] = static_cast<uint8_t>(s[i] >> 8);
    }
    WriteBytes(units);
}

void DataStream::WriteNumberText(int32_t v) { WriteString(DecimalText(v)); }

bool DataStream::Take(size_t n, const uint8_t*& p) {
    if (remaining() < n) return false;
    p = buffer_.data() + readPos_;
    readPos_ += n;
    return true;
}

bool DataStream::ReadU8(uint8_t& out) {
    const uint8_t* p;
    if (!Take(1, p)) return false;
    out = p[0];
    return true;
}

bool DataStream::ReadU16(uint16_t& out) {
    const uint8_t* p;
    if (!Take(2, p)) return false;
    out = static_cast<uint16_t>(p[0] | (p[1] << 8));
    return true;
}

bool DataStream::ReadI16(int16_t& out) {
    uint16_t v;
    if (!ReadU16(v)) return false;
    out = static_cast<int16_t>(v);
    return true;
}

bool DataStream::ReadU32(uint32_t& out) {
    const uint8_t* p;
    if (!Take(4, p)) return false;
    out = static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
          (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
    return true;
}

bool DataStream::ReadI32(int32_t& out) {
    uint32_t v;
    if (!ReadU32(v)) return false;
    out = static_cast<int32_t>(v);
    return true;
}

bool DataStream::ReadBytes(size_t n, std::vector<uint8_t>& out) {
    const uint8_t* p;
    if (!Take(n, p)) return false;
    out.assign(p, p + n);
    return true;
}

bool DataStream::ReadString(std::u16string& out) {
    const size_t start = readPos_;
    uint32_t n;
    if (!ReadU32(n)) return false;
    if (n & 0x80000000u) {
        out.clear();
        return true;
    }
    // Checked before allocating: a damaged count must not ask for gigabytes.
    if (remaining() / 2 < n) {
        readPos_ = start;
        return false;
    }
    std::u16string s(n, u'\0');
    const uint8_t* p = buffer_.data() + readPos_;
    for (uint32_t i = 0; i < n; ++i) s[i] = static_cast<char16_t>(p[2 * i] | (p[2 * i + 1] << 8));
    readPos_ += size_t{n} * 2;
    out = std::move(s);
    return true;
}

bool DataStream::ReadNumberText(int32_t& out) {
    std::u16string text;
    if (!ReadString(text)) return false;
    // The files were read with a C conversion into a 32-bit int: keep the low 32 bits.
    out = static_cast<int32_t>(static_cast<uint32_t>(ParseDecimalPrefix(text)));
    return true;
}

}  // namespace z7
