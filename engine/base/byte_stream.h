#pragma once
// Where a conversion's bytes come from and go to, front to back: a file, a buffer.

#include <cstddef>
#include <cstdint>

namespace zel {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Exactly `count` bytes, or false.
    virtual bool ReadExactly(std::uint8_t* buffer, std::size_t count) = 0;
};

class ByteSink {
public:
    virtual ~ByteSink() = default;
    // All `count` bytes, or false.
    virtual bool Write(const std::uint8_t* buffer, std::size_t count) = 0;
};

}  // namespace zel
