#pragma once
// Hand-made RIFF files for the chunk reader's tests: chunks in any order, any declared
// size, either byte order.

#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace zel::test {

using Bytes = std::vector<std::uint8_t>;

class FieldWriter {
  public:
    explicit FieldWriter(bool bigEndian = false) : bigEndian_(bigEndian) {}
    FieldWriter& U8(std::uint8_t v) { return Put(v, 1); }
    FieldWriter& U16(std::uint16_t v) { return Put(v, 2); }
    FieldWriter& U32(std::uint32_t v) { return Put(v, 4); }
    FieldWriter& U64(std::uint64_t v) { return Put(v, 8); }
    FieldWriter& Id(const char* id) {
        for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<std::uint8_t>(id[i]));
        return *this;
    }
    FieldWriter& Append(const Bytes& more) {
        bytes_.insert(bytes_.end(), more.begin(), more.end());
        return *this;
    }
    const Bytes& bytes() const { return bytes_; }

  private:
    FieldWriter& Put(std::uint64_t v, int n) {
        for (int i = 0; i < n; ++i)
            bytes_.push_back(static_cast<std::uint8_t>(v >> (8 * (bigEndian_ ? n - 1 - i : i))));
        return *this;
    }
    bool bigEndian_;
    Bytes bytes_;
};

// "fmt " payload of 16 bytes, or 18 with an empty extension when `withCbSize`.
inline Bytes FmtPayload(std::uint16_t tag, std::uint16_t channels, std::uint32_t rate,
                        std::uint16_t blockAlign, std::uint16_t bits, bool withCbSize = false,
                        bool bigEndian = false) {
    FieldWriter w(bigEndian);
    w.U16(tag).U16(channels).U32(rate).U32(rate * blockAlign).U16(blockAlign).U16(bits);
    if (withCbSize) w.U16(0);
    return w.bytes();
}

// WAVE_FORMAT_EXTENSIBLE payload (40 bytes) with a standard subformat GUID.
inline Bytes ExtensiblePayload(std::uint16_t subTag, std::uint16_t channels, std::uint32_t rate,
                               std::uint16_t containerBits, std::uint16_t validBits,
                               std::uint32_t mask) {
    const std::uint16_t blockAlign = static_cast<std::uint16_t>(channels * containerBits / 8);
    FieldWriter w;
    w.U16(0xFFFE).U16(channels).U32(rate).U32(rate * blockAlign).U16(blockAlign);
    w.U16(containerBits).U16(22).U16(validBits).U32(mask).U32(subTag).U16(0).U16(0x0010);
    for (std::uint8_t b : {0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71}) w.U8(b);
    return w.bytes();
}

class RiffBuilder {
  public:
    explicit RiffBuilder(const char* riffId = "RIFF", bool bigEndian = false)
        : riffId_(riffId), bigEndian_(bigEndian) {}

    // Adds a chunk with its pad byte; `declaredSize` overrides the size field.
    RiffBuilder& Chunk(const char* id, const Bytes& payload,
                       std::optional<std::uint32_t> declaredSize = std::nullopt) {
        FieldWriter w(bigEndian_);
        w.Id(id).U32(declaredSize.value_or(static_cast<std::uint32_t>(payload.size())));
        w.Append(payload);
        if (payload.size() % 2 != 0) w.U8(0);
        body_.insert(body_.end(), w.bytes().begin(), w.bytes().end());
        return *this;
    }
    RiffBuilder& Raw(const Bytes& bytes) {
        body_.insert(body_.end(), bytes.begin(), bytes.end());
        return *this;
    }
    Bytes Build(std::optional<std::uint32_t> riffSize = std::nullopt) const {
        FieldWriter w(bigEndian_);
        w.Id(riffId_.c_str()).U32(riffSize.value_or(static_cast<std::uint32_t>(body_.size() + 4)));
        w.Id("WAVE").Append(body_);
        return w.bytes();
    }

  private:
    std::string riffId_;
    bool bigEndian_;
    Bytes body_;
};

inline Bytes Repeat(std::size_t n, std::uint8_t value = 0) { return Bytes(n, value); }

}  // namespace zel::test
