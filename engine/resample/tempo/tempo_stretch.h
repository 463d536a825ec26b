#pragma once
// Time stretching that keeps the pitch: the tempo changes by a factor, every channel cut
// at the same places so that they stay in phase. SoundTouch (LGPL-2.1+, linked
// dynamically) does the work; a build without it (the arm64 cross build) has none and
// refuses (Available() false).

#include <cstdint>
#include <memory>

namespace zel {

class TempoStretch {
  public:
    TempoStretch();
    ~TempoStretch();
    TempoStretch(const TempoStretch&) = delete;
    TempoStretch& operator=(const TempoStretch&) = delete;

    // `tempo` > 1 plays faster (a shorter output). False when this build cannot stretch,
    // or not so many channels.
    bool Start(int channels, std::uint32_t sampleRate, double tempo);
    // Interleaved frames in.
    void Put(const float* frames, std::int64_t count);
    // After the last Put: what is held back comes out, followed by some silence.
    void Flush();
    // Up to `most` interleaved frames out; how many were written.
    std::int64_t Receive(float* frames, std::int64_t most);
    static bool Available();
    // The most channels the stretcher takes at once.
    static constexpr int kMostChannels = 16;

  private:
    bool Begin(int channels, std::uint32_t sampleRate, double tempo);

    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zel
