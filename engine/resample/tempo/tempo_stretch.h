#pragma once
// Time stretching that keeps the pitch: the tempo changes by a factor, every channel cut
// at the same places so that they stay in phase. Segments of a fixed output length are
// taken from the input where each best continues the last (input step = output step x
// tempo) and cross-faded; a sudden sound is copied once, arriving at its ideal time
// (input time / tempo), and no segment before it reaches into it.

#include <cstdint>
#include <memory>

namespace zel {

class TempoStretch {
  public:
    TempoStretch();
    ~TempoStretch();
    TempoStretch(const TempoStretch&) = delete;
    TempoStretch& operator=(const TempoStretch&) = delete;

    // `tempo` > 1 plays faster (a shorter output). False for no channels or more than
    // kMostChannels, or a tempo or rate that is not positive.
    bool Start(int channels, std::uint32_t sampleRate, double tempo);
    // Interleaved frames in.
    void Put(const float* frames, std::int64_t count);
    // After the last Put: what is held back comes out, followed by some silence.
    void Flush();
    // Up to `most` interleaved frames out; how many were written.
    std::int64_t Receive(float* frames, std::int64_t most);
    // The most channels the stretcher takes at once.
    static constexpr int kMostChannels = 16;

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zel
