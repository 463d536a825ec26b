#include "engine/resample/tempo/tempo_stretch.h"

#include <SoundTouch.h>

#include <stdexcept>

namespace zel {
namespace {

// How the stretcher cuts: a sequence (ms) copied whole, the window (ms) searched for the
// best-matching place to join the next one, and the cross-fade (ms) between them. Short
// sequences keep a sudden sound near its time (a long one repeats or skips tens of ms
// before it); these were chosen on bursts, steady tones and a stereo delay with
// bench/tempo_bench.py. Slowing down joins more often, so it searches less per join.
struct Splicing {
    int sequenceMs;
    int seekWindowMs;
    int overlapMs;
};
constexpr Splicing kSlowingDown{10, 5, 3};
constexpr Splicing kSpeedingUp{10, 10, 8};

}  // namespace

struct TempoStretch::State {
    soundtouch::SoundTouch touch;
};

TempoStretch::TempoStretch() = default;
TempoStretch::~TempoStretch() = default;

bool TempoStretch::Available() { return true; }

bool TempoStretch::Begin(int channels, std::uint32_t sampleRate, double tempo) {
    if (channels < 1 || channels > kMostChannels) return false;
    state_ = std::make_unique<State>();
    soundtouch::SoundTouch& touch = state_->touch;
    touch.setChannels(static_cast<unsigned>(channels));
    touch.setSampleRate(sampleRate);
    touch.setRate(1.0);
    touch.setPitch(1.0);
    touch.setTempo(tempo);
    // The quick search: on the bench's bursts, tones and stereo noise it joins as well as
    // the full one, in less than half the time.
    touch.setSetting(SETTING_USE_QUICKSEEK, 1);
    const Splicing& splicing = tempo < 1.0 ? kSlowingDown : kSpeedingUp;
    touch.setSetting(SETTING_SEQUENCE_MS, splicing.sequenceMs);
    touch.setSetting(SETTING_SEEKWINDOW_MS, splicing.seekWindowMs);
    touch.setSetting(SETTING_OVERLAP_MS, splicing.overlapMs);
    return true;
}

bool TempoStretch::Start(int channels, std::uint32_t sampleRate, double tempo) {
    try {
        return Begin(channels, sampleRate, tempo);
    } catch (const std::exception&) {
        // SoundTouch refuses settings it cannot run with by throwing.
        state_.reset();
        return false;
    }
}

void TempoStretch::Put(const float* frames, std::int64_t count) {
    state_->touch.putSamples(frames, static_cast<unsigned>(count));
}

void TempoStretch::Flush() { state_->touch.flush(); }

std::int64_t TempoStretch::Receive(float* frames, std::int64_t most) {
    return state_->touch.receiveSamples(frames, static_cast<unsigned>(most));
}


}  // namespace zel
