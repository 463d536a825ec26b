#pragma once
// Integrated loudness (ITU-R BS.1770, EBU R128 gating) and true peak of a stream of
// interleaved float frames, measured by libebur128 (MIT).

#include <cstddef>
#include <cstdint>
#include <memory>

namespace zel {

struct LoudnessReading {
    // LUFS; -infinity for silence.
    double integrated = 0.0;
    // Linear, full scale 1.0: the largest of the channels' true peaks.
    double truePeak = 0.0;
};

class LoudnessMeter {
  public:
    LoudnessMeter();
    ~LoudnessMeter();
    LoudnessMeter(const LoudnessMeter&) = delete;
    LoudnessMeter& operator=(const LoudnessMeter&) = delete;

    // False when the meter cannot be had (out of memory, or a build without libebur128).
    bool Start(std::uint32_t channels, std::uint32_t sampleRate);
    bool Add(const float* frames, std::size_t count);
    LoudnessReading Reading() const;

    // Whether this build measures loudness at all.
    static bool Available();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace zel
