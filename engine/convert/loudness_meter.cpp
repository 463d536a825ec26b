#include "engine/convert/loudness_meter.h"

#include <ebur128.h>

#include <algorithm>

namespace zel {

struct LoudnessMeter::State {
    ebur128_state* meter = nullptr;
    ~State() {
        if (meter != nullptr) ebur128_destroy(&meter);
    }
};

LoudnessMeter::LoudnessMeter() = default;
LoudnessMeter::~LoudnessMeter() = default;

bool LoudnessMeter::Available() { return true; }

bool LoudnessMeter::Start(std::uint32_t channels, std::uint32_t sampleRate) {
    state_ = std::make_unique<State>();
    state_->meter =
        ebur128_init(channels, sampleRate, EBUR128_MODE_I | EBUR128_MODE_TRUE_PEAK);
    return state_->meter != nullptr;
}

bool LoudnessMeter::Add(const float* frames, std::size_t count) {
    return ebur128_add_frames_float(state_->meter, frames, count) == EBUR128_SUCCESS;
}

LoudnessReading LoudnessMeter::Reading() const {
    LoudnessReading reading;
    ebur128_loudness_global(state_->meter, &reading.integrated);
    for (unsigned c = 0; c < state_->meter->channels; ++c) {
        double peak = 0.0;
        if (ebur128_true_peak(state_->meter, c, &peak) == EBUR128_SUCCESS)
            reading.truePeak = std::max(reading.truePeak, peak);
    }
    return reading;
}

}  // namespace zel
