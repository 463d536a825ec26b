#include "engine/resample/tempo/tempo_stretch.h"

#include <algorithm>
#include <cmath>
#include <deque>
#include <limits>
#include <numbers>
#include <vector>

#include "engine/resample/tempo/frame_reader.h"
#include "engine/resample/tempo/join_search.h"
#include "engine/resample/tempo/onset_finder.h"

namespace zel {
namespace {

// Output per segment, the cross-fade into it, how far either side of its ideal input
// position a segment may start, and how much of an attack no later segment repeats (s).
constexpr double kHopSeconds = 0.012;
constexpr double kFadeSeconds = 0.006;
constexpr double kReachSeconds = 0.008;
constexpr double kHoldSeconds = 0.004;
// Consumed frames (input or output) are dropped from the front in chunks of at least this.
constexpr std::int64_t kDropFrames = 1 << 15;
constexpr std::int64_t kNowhere = std::numeric_limits<std::int64_t>::max();

struct Geometry {
    std::int64_t hop;
    std::int64_t fade;
    std::int64_t reach;
    std::int64_t hold;
};

std::int64_t Frames(double seconds, std::uint32_t sampleRate) {
    return std::max<std::int64_t>(1, std::llround(seconds * sampleRate));
}

// The weight of the incoming segment at frame `j` of a cross-fade `fade` long.
float FadeIn(std::int64_t j, std::int64_t fade) {
    const double x = (static_cast<double>(j) + 0.5) / static_cast<double>(fade);
    return static_cast<float>(0.5 - 0.5 * std::cos(std::numbers::pi * x));
}

}  // namespace

struct TempoStretch::State {
    int channels = 1;
    double tempo = 1.0;
    Geometry geometry{};

    // Input frames held, interleaved, the first being input frame `first` (silence before 0).
    std::vector<float> input;
    std::int64_t first = 0;
    std::int64_t received = 0;
    bool flushed = false;
    // After the flush: output frames to make in all.
    std::int64_t owed = 0;

    std::int64_t made = 0;
    bool started = false;
    // The input position continuing the last segment, and the first a new one may start at.
    double next = 0;
    std::int64_t attackEnd = 0;
    std::deque<std::int64_t> onsets;
    OnsetFinder finder;

    // Output made, interleaved, from frame `taken` on not yet received.
    std::vector<float> output;
    std::int64_t taken = 0;
    std::vector<float> leaving;
    std::vector<float> segment;
    // The incoming segment's weights over a whole cross-fade.
    std::vector<float> fadeIn;

    HeldFrames Held() const {
        return {input.data(), first, static_cast<std::int64_t>(input.size()) / channels, channels};
    }
    std::int64_t HeldEnd() const { return first + static_cast<std::int64_t>(input.size()) / channels; }

    // The input frame past the last any next segment may read.
    std::int64_t Reach() const {
        const Geometry& g = geometry;
        const double ahead = static_cast<double>(made + 2 * g.hop + 2 * g.fade) * tempo;
        return static_cast<std::int64_t>(std::ceil(ahead)) + g.reach + 2 * g.hop + 2 * g.fade +
               kReadReach;
    }
    bool CanMake() const {
        if (flushed) return made < owed;
        // Onsets up to what a segment reads must be known: the finder settles a few blocks late.
        return finder.Settled() >= Reach() + 2 * geometry.fade;
    }

    void MakeSegments() {
        while (CanMake()) MakeSegment();
        DropConsumedInput();
    }

    void MakeSegment() {
        while (!onsets.empty() && static_cast<double>(onsets.front()) < next) onsets.pop_front();
        if (onsets.empty()) {
            MakeJoined(geometry.hop, kNowhere);
            return;
        }
        const std::int64_t onset = onsets.front();
        const auto arrival = static_cast<std::int64_t>(std::llround(static_cast<double>(onset) / tempo));
        const std::int64_t room = arrival - geometry.fade - made;
        if (room <= 0) {
            MakeAttack(onset, arrival);
            return;
        }
        // Ends exactly where the attack's cross-fade begins when another whole segment
        // would not fit before it.
        MakeJoined(room < geometry.hop + geometry.fade ? room : geometry.hop, onset);
    }

    // A fresh segment starting at the onset, placed so that the attack arrives at its
    // ideal time; the cross-fade into it lies before the attack.
    void MakeAttack(std::int64_t onset, std::int64_t arrival) {
        const std::int64_t lead = std::clamp<std::int64_t>(arrival - made, 0, geometry.fade);
        Emit(static_cast<double>(onset - lead), geometry.hop, started ? lead : 0);
        attackEnd = onset + geometry.hold;
        onsets.pop_front();
    }

    // A segment `length` long whose frames (and the next segment's cross-fade) end before
    // `before`, joined where it best continues the last one.
    void MakeJoined(std::int64_t length, std::int64_t before) {
        const Geometry& g = geometry;
        const double half = 0.5 * static_cast<double>(length);
        const double ideal = (static_cast<double>(made) + half) * tempo - half;
        if (!started) {
            Emit(std::max(0.0, std::round(ideal)), length, 0);
            return;
        }
        const std::int64_t fade = std::min(g.fade, length);
        std::int64_t hi = static_cast<std::int64_t>(std::ceil(ideal)) + g.reach;
        std::int64_t lo = static_cast<std::int64_t>(std::floor(ideal)) - g.reach;
        if (before != kNowhere) hi = std::min(hi, before - length - g.fade);
        lo = std::max(lo, attackEnd);
        // Keeping clear of the coming attack matters more than not repeating the last one.
        if (lo > hi) lo = std::max(hi - g.reach, std::int64_t{0});
        hi = std::min(hi, HeldEnd() - fade - kReadReach);
        lo = std::max(lo, first + kReadReach);
        if (lo > hi) {
            Emit(static_cast<double>(std::max(lo, std::min(hi, lo))), length, fade);
            return;
        }
        leaving.resize(static_cast<std::size_t>(fade * channels));
        ReadFrames(Held(), next, fade, leaving.data());
        Emit(BestJoin(Held(), lo, hi, leaving.data(), fade), length, fade, true);
    }

    // `leavingRead`: the frames continuing the last segment are in `leaving` already.
    void Emit(double from, std::int64_t length, std::int64_t fade, bool leavingRead = false) {
        const auto samples = static_cast<std::size_t>(length * channels);
        segment.resize(samples);
        ReadFrames(Held(), from, length, segment.data());
        if (fade > 0) {
            if (!leavingRead) {
                leaving.resize(static_cast<std::size_t>(fade * channels));
                ReadFrames(Held(), next, fade, leaving.data());
            }
            for (std::int64_t j = 0; j < fade; ++j) {
                const float in = fade == geometry.fade ? fadeIn[static_cast<std::size_t>(j)]
                                                       : FadeIn(j, fade);
                for (int c = 0; c < channels; ++c) {
                    const auto s = static_cast<std::size_t>(j * channels + c);
                    segment[s] = leaving[s] + in * (segment[s] - leaving[s]);
                }
            }
        }
        output.insert(output.end(), segment.begin(), segment.end());
        made += length;
        next = from + static_cast<double>(length);
        started = true;
    }

    void DropConsumedInput() {
        const Geometry& g = geometry;
        const double lowest = std::min(next, static_cast<double>(made) * tempo -
                                                    static_cast<double>(g.hop));
        const std::int64_t keep = static_cast<std::int64_t>(std::floor(lowest)) -
                                  (2 * g.hop + 3 * g.fade + 2 * g.reach + 2 * kReadReach);
        if (keep - first < kDropFrames) return;
        input.erase(input.begin(), input.begin() + static_cast<std::ptrdiff_t>((keep - first) * channels));
        first = keep;
    }
};

TempoStretch::TempoStretch() = default;
TempoStretch::~TempoStretch() = default;

bool TempoStretch::Start(int channels, std::uint32_t sampleRate, double tempo) {
    if (channels < 1 || channels > kMostChannels || !(tempo > 0) || sampleRate == 0) return false;
    state_ = std::make_unique<State>();
    State& s = *state_;
    s.channels = channels;
    s.tempo = tempo;
    s.geometry = {Frames(kHopSeconds, sampleRate), Frames(kFadeSeconds, sampleRate),
                  Frames(kReachSeconds, sampleRate), Frames(kHoldSeconds, sampleRate)};
    s.finder.Start(channels, sampleRate);
    for (std::int64_t j = 0; j < s.geometry.fade; ++j) s.fadeIn.push_back(FadeIn(j, s.geometry.fade));
    return true;
}

void TempoStretch::Put(const float* frames, std::int64_t count) {
    State& s = *state_;
    s.input.insert(s.input.end(), frames, frames + count * s.channels);
    s.finder.Scan(frames, count, s.onsets);
    s.received += count;
    s.MakeSegments();
}

void TempoStretch::Flush() {
    State& s = *state_;
    const Geometry& g = s.geometry;
    // Silence past the end, enough for the last segments' reads and searches.
    const std::int64_t tail = 2 * (g.reach + 2 * g.hop + 2 * g.fade + kReadReach);
    s.input.resize(s.input.size() + static_cast<std::size_t>(tail * s.channels), 0.0f);
    s.flushed = true;
    s.owed = static_cast<std::int64_t>(std::ceil(static_cast<double>(s.received) / s.tempo)) + 1;
    s.MakeSegments();
}

std::int64_t TempoStretch::Receive(float* frames, std::int64_t most) {
    State& s = *state_;
    const std::int64_t ready = static_cast<std::int64_t>(s.output.size()) / s.channels - s.taken;
    const std::int64_t count = std::min(most, ready);
    std::copy_n(s.output.begin() + static_cast<std::ptrdiff_t>(s.taken * s.channels),
                count * s.channels, frames);
    s.taken += count;
    if (s.taken >= kDropFrames) {
        s.output.erase(s.output.begin(),
                       s.output.begin() + static_cast<std::ptrdiff_t>(s.taken * s.channels));
        s.taken = 0;
    }
    return count;
}

}  // namespace zel
