#include "engine/base/file_byte_source.h"

#include <limits>

namespace zel {

FileByteSource::FileByteSource(const std::filesystem::path& path) {
    std::error_code error;
    if (!std::filesystem::is_regular_file(path, error)) return;
    stream_.open(path, std::ios::binary);
    if (!stream_.is_open()) return;
    stream_.seekg(0, std::ios::end);
    const std::streamoff end = stream_.tellg();
    if (end < 0) {
        stream_.close();
        return;
    }
    size_ = static_cast<std::uint64_t>(end);
}

bool FileByteSource::ReadAt(std::uint64_t offset, void* buffer, std::size_t count) {
    if (!stream_.is_open() || offset > size_ || count > size_ - offset) return false;
    if (offset > static_cast<std::uint64_t>(std::numeric_limits<std::streamoff>::max()) ||
        count > static_cast<std::size_t>(std::numeric_limits<std::streamsize>::max()))
        return false;
    if (offset != position_) {
        stream_.clear();
        stream_.seekg(static_cast<std::streamoff>(offset));
    }
    stream_.read(static_cast<char*>(buffer), static_cast<std::streamsize>(count));
    const bool whole = stream_.gcount() == static_cast<std::streamsize>(count);
    position_ = whole && stream_.good() ? offset + count : UINT64_MAX;
    return whole;
}

}  // namespace zel
