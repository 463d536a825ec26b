#pragma once
// Finds where a sudden sound begins: a short block whose energy (all channels together)
// jumps well above the blocks just before it. The stretcher copies such an attack once, at
// its own time, instead of repeating or skipping across it.

#include <array>
#include <cstdint>
#include <deque>

namespace zel {

class OnsetFinder {
  public:
    void Start(int channels, std::uint32_t sampleRate);
    // Interleaved frames, in order from the first. Each onset found is appended to `onsets`
    // as the input frame a little before the attack (never after it).
    void Scan(const float* frames, std::int64_t count, std::deque<std::int64_t>& onsets);
    // Input frames scanned so far for which no onset can still be reported.
    std::int64_t Settled() const;

  private:
    void EndBlock(std::deque<std::int64_t>& onsets);
    double Background() const;

    // Blocks the background is averaged over, before the one just ahead of the block tested.
    static constexpr int kBackgroundBlocks = 16;

    int channels_ = 1;
    std::int64_t blockFrames_ = 32;
    std::int64_t refractoryBlocks_ = 1;
    double floorEnergy_ = 0;
    // The current block's energy so far, its frames so far and its number.
    double energy_ = 0;
    std::int64_t filled_ = 0;
    std::int64_t block_ = 0;
    std::int64_t lastOnsetBlock_ = -1;
    // Energies of the latest blocks, the newest at (block_ - 1) % size.
    std::array<double, kBackgroundBlocks + 1> history_{};
};

}  // namespace zel
