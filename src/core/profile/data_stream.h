#pragma once
// The growable little-endian byte buffer every data file is built and parsed with.
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace z7 {

class DataStream {
public:
    static constexpr size_t kInitialCapacity = 1024;

    DataStream();
    // A stream to read from (and append to) holding `bytes`.
    explicit DataStream(std::vector<uint8_t> bytes);
    virtual ~DataStream();

    DataStream(const DataStream&) = default;
    DataStream& operator=(const DataStream&) = default;
    DataStream(DataStream&&) noexcept = default;
    DataStream& operator=(DataStream&&) noexcept = default;

    void WriteU8(uint8_t v);
    void WriteU16(uint16_t v);
    void WriteI16(int16_t v) { WriteU16(static_cast<uint16_t>(v)); }
    void WriteU32(uint32_t v);
    void WriteI32(int32_t v) { WriteU32(static_cast<uint32_t>(v)); }
    void WriteBytes(std::span<const uint8_t> bytes);
    // 32-bit count of UTF-16 units, then the units; no terminator.
    void WriteString(std::u16string_view s);
    // The value as "%d" text in a string.
    void WriteNumberText(int32_t v);

    // Readers return false, consume nothing and leave `out` alone when too few bytes are left.
    [[nodiscard]] bool ReadU8(uint8_t& out);
    [[nodiscard]] bool ReadU16(uint16_t& out);
    [[nodiscard]] bool ReadI16(int16_t& out);
    [[nodiscard]] bool ReadU32(uint32_t& out);
    [[nodiscard]] bool ReadI32(int32_t& out);
    [[nodiscard]] bool ReadBytes(size_t n, std::vector<uint8_t>& out);
    // A count with the top bit set reads as the empty string after its four bytes; a count that
    // runs past the end fails.
    [[nodiscard]] bool ReadString(std::u16string& out);
    [[nodiscard]] bool ReadNumberText(int32_t& out);

    std::span<const uint8_t> bytes() const { return {buffer_.data(), size_}; }
    size_t size() const { return size_; }
    size_t capacity() const { return buffer_.size(); }
    size_t readPosition() const { return readPos_; }
    size_t remaining() const { return size_ - readPos_; }

private:
    void Reserve(size_t needed);
    bool Take(size_t n, const uint8_t*& p);

    std::vector<uint8_t> buffer_;  // size() is the capacity; zero beyond size_
    size_t size_ = 0;
    size_t readPos_ = 0;
};

}  // namespace z7
