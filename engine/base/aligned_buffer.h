#pragma once
// A zero-filled, 16-byte aligned array owned by one object. Allocation reports failure
// instead of throwing, so a conversion can answer an out-of-memory condition with a code.
// The zeros come from calloc: a large block is fresh from the system and already zero, so
// it is neither written twice nor faulted in before its first use.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <limits>
#include <utility>

namespace zel {

inline constexpr std::size_t kBufferAlignment = 16;
static_assert(alignof(std::max_align_t) >= kBufferAlignment,
              "calloc's alignment must hold for the kernels' loads");

template <typename T>
class AlignedBuffer {
public:
    AlignedBuffer() = default;
    ~AlignedBuffer() { std::free(data_); }
    AlignedBuffer(AlignedBuffer&& other) noexcept
        : data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    AlignedBuffer& operator=(AlignedBuffer&& other) noexcept {
        std::swap(data_, other.data_);
        std::swap(size_, other.size_);
        return *this;
    }
    AlignedBuffer(const AlignedBuffer&) = delete;
    AlignedBuffer& operator=(const AlignedBuffer&) = delete;

    // Replaces the contents by `count` zero elements; false (and empty) when the memory
    // cannot be had.
    bool Allocate(std::uint64_t count) {
        std::free(data_);
        data_ = nullptr;
        size_ = 0;
        if (count > std::numeric_limits<std::size_t>::max() / sizeof(T) - kBufferAlignment)
            return false;
        std::size_t bytes = static_cast<std::size_t>(count) * sizeof(T);
        bytes = (bytes + kBufferAlignment - 1) / kBufferAlignment * kBufferAlignment;
        if (bytes == 0) bytes = kBufferAlignment;
        void* memory = std::calloc(1, bytes);
        if (memory == nullptr) return false;
        data_ = static_cast<T*>(memory);
        size_ = static_cast<std::size_t>(count);
        return true;
    }

    T* data() { return data_; }
    const T* data() const { return data_; }
    std::size_t size() const { return size_; }
    T& operator[](std::size_t i) { return data_[i]; }
    const T& operator[](std::size_t i) const { return data_[i]; }

private:
    T* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace zel
