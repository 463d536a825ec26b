#include "batch/remaining_time.h"

#include <algorithm>
#include <filesystem>
#include <system_error>

namespace zel {
namespace {

constexpr std::int64_t kFullPercent = 100;
// Before this much time or this share, one slow start would throw the estimate far off.
constexpr double kMinimumSeconds = 1.0;
constexpr double kMinimumShare = 0.005;

std::uint64_t SizeOf(const std::string& path) {
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    return error ? 0 : static_cast<std::uint64_t>(size);
}

}  // namespace

RemainingTimeEstimate::RemainingTimeEstimate(const std::vector<std::uint64_t>& inputBytes) {
    m_bytesBefore.reserve(inputBytes.size() + 1);
    std::uint64_t total = 0;
    m_bytesBefore.push_back(total);
    for (const std::uint64_t bytes : inputBytes) {
        total += std::max<std::uint64_t>(bytes, 1);
        m_bytesBefore.push_back(total);
    }
}

RemainingTimeEstimate RemainingTimeEstimate::ForFiles(const std::vector<std::string>& paths) {
    std::vector<std::uint64_t> sizes;
    sizes.reserve(paths.size());
    for (const std::string& path : paths) sizes.push_back(SizeOf(path));
    return RemainingTimeEstimate(sizes);
}

void RemainingTimeEstimate::SetPosition(std::int64_t filesDone, std::int64_t percent) {
    const std::int64_t fileCount = static_cast<std::int64_t>(m_bytesBefore.size()) - 1;
    const std::int64_t done = std::clamp<std::int64_t>(filesDone, 0, fileCount);
    m_bytesDone = m_bytesBefore[static_cast<std::size_t>(done)];
    if (done == fileCount) return;
    const std::uint64_t current = m_bytesBefore[static_cast<std::size_t>(done) + 1] - m_bytesDone;
    const auto share =
        static_cast<std::uint64_t>(std::clamp<std::int64_t>(percent, 0, kFullPercent));
    // Whole percent first: a file of 2^57 bytes times 100 would pass 64 bits.
    m_bytesDone += current / kFullPercent * share + current % kFullPercent * share / kFullPercent;
}

double RemainingTimeEstimate::DoneShare() const {
    const std::uint64_t total = m_bytesBefore.back();
    return total == 0 ? 1.0 : static_cast<double>(m_bytesDone) / static_cast<double>(total);
}

std::optional<double> RemainingTimeEstimate::SecondsLeft(double elapsedSeconds) const {
    const double share = DoneShare();
    if (elapsedSeconds < kMinimumSeconds || share < kMinimumShare) return std::nullopt;
    return elapsedSeconds * (1.0 - share) / share;
}

}  // namespace zel
