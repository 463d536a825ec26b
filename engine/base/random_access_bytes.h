#pragma once
// Random access to the bytes of a file or of a buffer, for readers that must never go past
// what is there.

#include <cstddef>
#include <cstdint>

namespace zel {

class RandomAccessBytes {
  public:
    virtual ~RandomAccessBytes() = default;
    // Total bytes available.
    virtual std::uint64_t Size() const = 0;
    // Exactly `count` bytes from `offset`, or false (out of range or a read error).
    virtual bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) = 0;
};

}  // namespace zel
