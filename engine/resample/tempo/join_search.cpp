#include "engine/resample/tempo/join_search.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <vector>

namespace zel {
namespace {

// A first pass tries every eighth position, a second every other one around the best, a
// last the neighbours of that. The first pass compares frames summed in pairs: it only
// has to find the right neighbourhood, and it costs half as much that way.
constexpr std::int64_t kCoarseStep = 8;
constexpr std::int64_t kMiddleStep = 2;
// Energy below which a candidate counts as silence, per sample.
constexpr double kQuietPower = 1e-12;

// Independent partial sums, so that the compiler can keep them in vector registers.
constexpr int kLanes = 8;

double Cross(const float* a, const float* b, std::int64_t samples) {
    std::array<float, kLanes> lanes{};
    std::int64_t s = 0;
    for (; s + kLanes <= samples; s += kLanes)
        for (int k = 0; k < kLanes; ++k) lanes[static_cast<std::size_t>(k)] += a[s + k] * b[s + k];
    double sum = 0;
    for (float lane : lanes) sum += lane;
    for (; s < samples; ++s) sum += double{a[s]} * b[s];
    return sum;
}

class Scorer {
  public:
    Scorer(const HeldFrames& held, std::int64_t lo, std::int64_t hi, const float* target,
           std::int64_t frames)
        : held_(held), lo_(lo), target_(target), frames_(frames),
          quiet_(kQuietPower * static_cast<double>(frames * held.channels)) {
        // Running energy of the frames from lo on, so that each candidate's costs two reads.
        const std::int64_t count = hi - lo + frames;
        energyBefore_.resize(static_cast<std::size_t>(count + 1));
        const float* x = Frame(lo);
        double sum = 0;
        for (std::int64_t i = 0; i < count; ++i) {
            for (int c = 0; c < held.channels; ++c, ++x) sum += double{*x} * *x;
            energyBefore_[static_cast<std::size_t>(i + 1)] = sum;
        }
        SumPairs(Frame(lo), count, pairedHeld_);
        SumPairs(target, frames, pairedTarget_);
    }

    // The score of `position`, which lies an even number of frames past lo, on paired frames.
    double CoarseAt(std::int64_t position) const {
        const std::int64_t pairs = frames_ / 2;
        if (pairs == 0) return At(position);
        const double cross =
            Cross(pairedTarget_.data(),
                  pairedHeld_.data() + (position - lo_) / 2 * held_.channels, pairs * held_.channels);
        return cross / std::sqrt(std::max(Energy(position), 0.0) + quiet_);
    }

    double At(std::int64_t position) const {
        const double cross = Cross(target_, Frame(position), frames_ * held_.channels);
        return cross / std::sqrt(std::max(Energy(position), 0.0) + quiet_);
    }

  private:
    double Energy(std::int64_t position) const {
        const auto at = static_cast<std::size_t>(position - lo_);
        return energyBefore_[at + static_cast<std::size_t>(frames_)] - energyBefore_[at];
    }

    // Frames 2i and 2i + 1 of `frames` interleaved ones, summed channel by channel.
    void SumPairs(const float* x, std::int64_t frames, std::vector<float>& pairs) const {
        const int channels = held_.channels;
        pairs.resize(static_cast<std::size_t>(frames / 2 * channels));
        for (std::int64_t i = 0; i < frames / 2; ++i)
            for (int c = 0; c < channels; ++c)
                pairs[static_cast<std::size_t>(i * channels + c)] =
                    x[2 * i * channels + c] + x[(2 * i + 1) * channels + c];
    }

    const float* Frame(std::int64_t position) const {
        return held_.data + (position - held_.first) * held_.channels;
    }

    const HeldFrames& held_;
    std::int64_t lo_;
    const float* target_;
    std::int64_t frames_;
    double quiet_;
    std::vector<double> energyBefore_;
    std::vector<float> pairedHeld_;
    std::vector<float> pairedTarget_;
};

// The best position in [lo, hi] taking every `step`th (an even step: scored on paired frames).
std::int64_t BestOf(const Scorer& scorer, std::int64_t lo, std::int64_t hi, std::int64_t step,
                    bool paired = false) {
    std::int64_t best = lo;
    double bestScore = -std::numeric_limits<double>::infinity();
    for (std::int64_t p = lo; p <= hi; p += step) {
        const double score = paired ? scorer.CoarseAt(p) : scorer.At(p);
        if (score > bestScore) {
            bestScore = score;
            best = p;
        }
    }
    return best;
}

// The best position within `step` of `around`, every `finer`th.
std::int64_t Refined(const Scorer& scorer, std::int64_t lo, std::int64_t hi, std::int64_t around,
                     std::int64_t step, std::int64_t finer) {
    return BestOf(scorer, std::max(lo, around - step + finer), std::min(hi, around + step - finer),
                  finer);
}

// The peak of a parabola through three neighbouring scores, as an offset from the middle.
double PeakOffset(double before, double at, double after) {
    const double curvature = before - 2 * at + after;
    if (curvature >= 0) return 0.0;
    return std::clamp(0.5 * (before - after) / curvature, -0.5, 0.5);
}

}  // namespace

double BestJoin(const HeldFrames& held, std::int64_t lo, std::int64_t hi, const float* target,
                std::int64_t frames) {
    const Scorer scorer(held, lo, hi, target, frames);
    std::int64_t best = BestOf(scorer, lo, hi, kCoarseStep, true);
    best = Refined(scorer, lo, hi, best, kCoarseStep, kMiddleStep);
    best = Refined(scorer, lo, hi, best, kMiddleStep, 1);
    if (best <= lo || best >= hi) return static_cast<double>(best);
    return static_cast<double>(best) +
           PeakOffset(scorer.At(best - 1), scorer.At(best), scorer.At(best + 1));
}

}  // namespace zel
