#include "engine/resample/tempo/onset_finder.h"

#include <algorithm>
#include <cmath>

namespace zel {
namespace {

// A block of about 0.7 ms: short enough to place an attack within a block or two.
constexpr double kBlockSeconds = 0.000725;
// An attack: a block at least this many times the energy of the blocks before it (10 dB) ...
constexpr double kEnergyJump = 10.0;
// ... and louder than -50 dBFS per channel, so that rising noise in a quiet passage is none.
constexpr double kFloorPower = 1e-5;
// Onsets closer than this (s) to the last one are part of the same attack.
constexpr double kRefractorySeconds = 0.020;

}  // namespace

void OnsetFinder::Start(int channels, std::uint32_t sampleRate) {
    channels_ = channels;
    blockFrames_ = std::max<std::int64_t>(8, std::llround(kBlockSeconds * sampleRate));
    refractoryBlocks_ =
        std::max<std::int64_t>(1, std::llround(kRefractorySeconds * sampleRate /
                                                 static_cast<double>(blockFrames_)));
    floorEnergy_ = kFloorPower * static_cast<double>(blockFrames_) * channels;
}

void OnsetFinder::Scan(const float* frames, std::int64_t count, std::deque<std::int64_t>& onsets) {
    const float* sample = frames;
    for (std::int64_t i = 0; i < count; ++i) {
        for (int c = 0; c < channels_; ++c, ++sample) energy_ += double{*sample} * *sample;
        if (++filled_ == blockFrames_) EndBlock(onsets);
    }
}

std::int64_t OnsetFinder::Settled() const { return block_ * blockFrames_; }

double OnsetFinder::Background() const {
    // Skips the block just before the tested one: an attack may have begun within it.
    double sum = 0;
    for (std::int64_t back = 2; back <= kBackgroundBlocks + 1; ++back) {
        if (block_ - back < 0) break;
        sum += history_[static_cast<std::size_t>((block_ - back) % history_.size())];
    }
    return sum / kBackgroundBlocks;
}

void OnsetFinder::EndBlock(std::deque<std::int64_t>& onsets) {
    const bool recovered = lastOnsetBlock_ < 0 || block_ - lastOnsetBlock_ >= refractoryBlocks_;
    if (recovered && energy_ > floorEnergy_ && energy_ > kEnergyJump * Background()) {
        // The attack may have begun anywhere in the previous block.
        onsets.push_back(std::max<std::int64_t>(0, (block_ - 1) * blockFrames_));
        lastOnsetBlock_ = block_;
    }
    history_[static_cast<std::size_t>(block_ % history_.size())] = energy_;
    energy_ = 0;
    filled_ = 0;
    ++block_;
}

}  // namespace zel
