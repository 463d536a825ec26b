#pragma once
// Estimates how long a batch still needs from the share of its input bytes done so far, so
// a long file counts for more than a short one and the pace is not a mere file count. The
// part of the file in progress counts by its percentage.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace zel {

class RemainingTimeEstimate {
  public:
    // Entry i: the size of input i. A file of no size (or missing) weighs one byte, so a
    // batch of unreadable files still advances.
    explicit RemainingTimeEstimate(const std::vector<std::uint64_t>& inputBytes);
    // The sizes of the files as they are now.
    static RemainingTimeEstimate ForFiles(const std::vector<std::string>& paths);

    // `filesDone` files are finished, and `percent` of the next one.
    void SetPosition(std::int64_t filesDone, std::int64_t percent);
    // 0 to 1.
    double DoneShare() const;
    // Seconds still needed at the pace so far; none while too little is done to tell.
    std::optional<double> SecondsLeft(double elapsedSeconds) const;

  private:
    // Entry i: the weight of the files before file i; the last entry is the total.
    std::vector<std::uint64_t> m_bytesBefore;
    std::uint64_t m_bytesDone = 0;
};

}  // namespace zel
