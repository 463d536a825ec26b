#pragma once
// A RandomAccessBytes over a file opened for reading; the file is closed with the object.

#include <cstdint>
#include <filesystem>
#include <fstream>

#include "engine/base/random_access_bytes.h"

namespace zel {

class FileByteSource : public RandomAccessBytes {
  public:
    explicit FileByteSource(const std::filesystem::path& path);

    bool IsOpen() const { return stream_.is_open(); }
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, void* buffer, std::size_t count) override;

  private:
    std::ifstream stream_;
    std::uint64_t size_ = 0;
    // Where the stream stands after the last read that succeeded; a read that follows on
    // needs no seek (one system call fewer per block).
    std::uint64_t position_ = UINT64_MAX;
};

}  // namespace zel
