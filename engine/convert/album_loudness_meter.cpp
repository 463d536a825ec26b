#include "engine/convert/album_loudness_meter.h"

#include <ebur128.h>

#include <cmath>

namespace zel {

struct AlbumLoudnessMeter::State {
    ebur128_state* meter = nullptr;
    // A meter that failed once has lost blocks: it never measures again.
    bool failed = false;
    ~State() {
        if (meter != nullptr) ebur128_destroy(&meter);
    }
    bool Fail() {
        if (meter != nullptr) ebur128_destroy(&meter);
        failed = true;
        return false;
    }
};

AlbumLoudnessMeter::AlbumLoudnessMeter() : state_(std::make_unique<State>()) {}
AlbumLoudnessMeter::~AlbumLoudnessMeter() = default;

bool AlbumLoudnessMeter::BeginFile(std::uint32_t channels, std::uint32_t sampleRate) {
    if (state_->failed) return false;
    if (state_->meter == nullptr) {
        state_->meter = ebur128_init(channels, sampleRate, EBUR128_MODE_I | EBUR128_MODE_HISTOGRAM);
        return state_->meter != nullptr || state_->Fail();
    }
    // A new rate restarts the filters and drops the unfinished block, keeping the
    // histogram (a new channel count alone would keep the filters' memory), so the meter
    // passes through a neighbouring rate on its way to the file's own.
    const int passing = ebur128_change_parameters(state_->meter, channels, sampleRate + 1);
    int result = passing == EBUR128_ERROR_NO_CHANGE ? EBUR128_SUCCESS : passing;
    if (result == EBUR128_SUCCESS)
        result = ebur128_change_parameters(state_->meter, channels, sampleRate);
    // On failure the state is invalid and must go.
    return result == EBUR128_SUCCESS || state_->Fail();
}

bool AlbumLoudnessMeter::Add(const float* frames, std::size_t count) {
    if (state_->meter == nullptr) return false;
    return ebur128_add_frames_float(state_->meter, frames, count) == EBUR128_SUCCESS ||
           state_->Fail();
}

double AlbumLoudnessMeter::Integrated() const {
    if (state_->failed) return std::nan("");
    double loudness = -HUGE_VAL;
    if (state_->meter != nullptr) ebur128_loudness_global(state_->meter, &loudness);
    return loudness;
}

}  // namespace zel
