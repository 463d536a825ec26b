#pragma once
// A RandomAccessBytes over a buffer the caller keeps alive (tests, the fuzzer), or over
// nothing where an output is written from held chunks alone.

#include <cstring>
#include <span>

#include "engine/base/random_access_bytes.h"

namespace zel {

class MemoryByteSource : public RandomAccessBytes {
  public:
    explicit MemoryByteSource(std::span<const std::uint8_t> bytes) : bytes_(bytes) {}

    std::uint64_t Size() const override { return bytes_.size(); }

    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) override {
        if (offset > bytes_.size() || count > bytes_.size() - offset) return false;
        if (count > 0) std::memcpy(buffer, bytes_.data() + offset, count);
        return true;
    }

  private:
    std::span<const std::uint8_t> bytes_;
};

}  // namespace zel
