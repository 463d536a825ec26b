#include "engine/resample/hq/high_quality_resampler.h"

#include <algorithm>
#include <cstring>

#include "engine/resample/conversion_ratio.h"
#include "engine/resample/standard/filter_design.h"

namespace zel {
namespace {

// Outputs whose rows and positions are gathered per call of the interpolating kernel.
constexpr std::int64_t kInterpolationBatch = 64;
constexpr std::int64_t kHalving = 2;
// Halvings go on while the remaining ratio exceeds 5/2: the final band then stays under a
// fifth of each halving's input rate, which keeps their transitions at a tenth of it or
// wider (filters of 100 taps at most). Closer to 2:1 a halving's transition narrows
// (0.5 - 2 / ratio of its input rate), and at 96 -> 44.1 kHz its 62 tap pairs and the
// 152-tap final filter after it measured slower than the 296-tap direct one with paired
// outputs.
constexpr std::int64_t kHalvingThresholdNumerator = 5;
constexpr std::int64_t kHalvingThresholdDenominator = 2;

// Input of one tile of exact outputs, all channels: half the first-level data cache.
constexpr std::int64_t kTileBytes = 24 << 10;
// A table from this size on is read from beyond the second-level cache. Such a stage
// gathers this much input (all channels) before it produces, so that each row, once read,
// serves many outputs, and its tiles' input stays in the second-level cache.
constexpr std::uint64_t kLargeTableBytes = 256 << 10;
constexpr std::int64_t kLargeTableBatchBytes = 512 << 10;
constexpr std::int64_t kLargeTableTileBytes = 128 << 10;

std::int64_t CeilDivide(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

}  // namespace

bool HighQualityResampler::Prepare(std::int32_t inputRate, std::int32_t outputRate,
                                   SpeedRatio speed, int channels) {
    const ConversionRatio ratio = ReducedRatio(inputRate, outputRate, speed);
    const std::int64_t p = ratio.P;
    const std::int64_t q = ratio.Q;
    halvings_.clear();
    // Halve while more than 5/2 remains. Each halving passes the final band,
    // the output's Nyquist frequency F (f = F / its input rate, cycles per frame), and
    // stops from its own Nyquist frequency minus F on, so what it aliases lands above F.
    double finalNyquist = 0.5 * static_cast<double>(q) / static_cast<double>(p);
    std::int64_t rest = q;
    while (kHalvingThresholdDenominator * p > kHalvingThresholdNumerator * rest) {
        auto stage = std::make_unique<HighQualityResampler>(kernels_);
        if (!stage->filter_.DesignBand(kHalving, 1, finalNyquist, 0.5 - finalNyquist) ||
            !stage->PrepareStage(channels))
            return false;
        halvings_.push_back(std::move(stage));
        rest *= kHalving;
        finalNyquist *= kHalving;
    }
    if (!filter_.Design(p, rest) || !PrepareStage(channels)) return false;
    overallP_ = p;
    overallQ_ = q;
    return true;
}

bool HighQualityResampler::PrepareStage(int channels) {
    channels_ = channels;
    const std::int64_t half = filter_.HalfTaps();
    batchFrames_ =
        LargeTable() ? kLargeTableBatchBytes / (static_cast<std::int64_t>(sizeof(float)) * channels)
                     : 0;
    // The batch, a push, what the previous outputs left (under two reaches) and the silence
    // of the tail.
    // Paired outputs read up to a vector of taps past the last frame, and keep that much
    // before the next output's first.
    capacity_ = batchFrames_ + kMaxPushFrames + 4 * half + CeilDivide(filter_.P(), filter_.Q()) +
                3 * kTapMultiple;
    outputCapacity_ = CeilDivide(capacity_ * filter_.Q(), filter_.P()) + 2;
    input_.clear();
    output_.clear();
    input_.resize(static_cast<std::size_t>(channels));
    output_.resize(static_cast<std::size_t>(channels));
    // Outputs get a vector's room more: the half-band pass stores whole vectors.
    for (int c = 0; c < channels; ++c) {
        if (!input_[c].Allocate(static_cast<std::uint64_t>(capacity_)) ||
            !output_[c].Allocate(
                static_cast<std::uint64_t>(outputCapacity_ + kHalfBandOutputSlack)))
            return false;
    }
    const std::int64_t scratch =
        filter_.HalfBand() ? HalfBandScratch(outputCapacity_, filter_.Pairs()) : 0;
    if (!even_.Allocate(static_cast<std::uint64_t>(scratch)) ||
        !odd_.Allocate(static_cast<std::uint64_t>(scratch)))
        return false;
    if (!PreparePairedRows()) return false;
    inputPointers_.assign(static_cast<std::size_t>(channels), nullptr);
    outputPointers_.assign(static_cast<std::size_t>(channels), nullptr);
    pushSpace_.assign(static_cast<std::size_t>(channels), nullptr);
    // The reach before the first frame is silence.
    base_ = -half;
    filled_ = half;
    pushed_ = next_ = whole_ = rest_ = received_ = 0;
    draining_ = 0;
    finishing_ = false;
    stageOutput_.assign(static_cast<std::size_t>(channels), nullptr);
    overallP_ = filter_.P();
    overallQ_ = filter_.Q();
    return true;
}

bool HighQualityResampler::PreparePairedRows() {
    pairedTaps_ = 0;
    rowShift_.clear();
    const std::int64_t p = filter_.P();
    const std::int64_t q = filter_.Q();
    // Two or more outputs per input frame share their windows as they are; a large table
    // stays as it is, its rows read once per batch.
    if (!filter_.Exact() || filter_.HalfBand() || q < 2 || q >= kHalving * p || LargeTable() ||
        CeilDivide(p, q) >= kTapMultiple)
        return true;
    pairedTaps_ = filter_.Taps() + kTapMultiple;
    if (!pairedRows_.Allocate(static_cast<std::uint64_t>(q * pairedTaps_))) return false;
    rowShift_.assign(static_cast<std::size_t>(q), 0);
    // Output j of a stream has phase j P mod Q. Those with odd j mod Q read from the window
    // of the output before them, s = floor(j P / Q) - floor((j - 1) P / Q) frames earlier,
    // with their taps moved s places on; the others read from their own first frame.
    for (std::int64_t r = 1; r < q; r += 2)
        rowShift_[static_cast<std::size_t>(r * p % q)] =
            static_cast<std::int8_t>(r * p / q - (r - 1) * p / q);
    for (std::int64_t l = 0; l < q; ++l)
        std::copy(filter_.Row(l), filter_.Row(l) + filter_.Taps(), PairedRow(l) + rowShift_[l]);
    return true;
}

bool HighQualityResampler::LargeTable() const {
    return filter_.Exact() && filter_.TableBytes() >= kLargeTableBytes;
}

std::int64_t HighQualityResampler::OutputsFor(std::int64_t inputFrames) const {
    return RoundedStreamOutputs(inputFrames, overallP_, overallQ_);
}

double HighQualityResampler::MultiplyAddsPerFrame() const {
    const auto perOutput = [this](const HighQualityFilter& f) {
        if (f.HalfBand()) return static_cast<double>(f.Pairs() + 1) * channels_;
        return static_cast<double>(f.Taps()) * (channels_ + (f.Exact() ? 0 : 1));
    };
    // Halving s runs at (P / Q) / 2^(s + 1) outputs per final output.
    double total = perOutput(filter_);
    double rate = static_cast<double>(overallP_) / static_cast<double>(overallQ_);
    for (const auto& stage : halvings_) {
        rate /= kHalving;
        total += rate * perOutput(stage->filter_);
    }
    return total;
}

void HighQualityResampler::Append(const float* const* input, std::int64_t frames) {
    for (int c = 0; c < channels_; ++c) {
        float* end = input_[c].data() + filled_;
        if (input == nullptr)
            std::memset(end, 0, static_cast<std::size_t>(frames) * sizeof(float));
        else if (input[c] != end)  // not written in place (PushSpace)
            std::memcpy(end, input[c], static_cast<std::size_t>(frames) * sizeof(float));
    }
    filled_ += frames;
    ClearPastEnd();
}

// The frames a padded row reads past the last one held weigh zero; they must not be stale
// infinities or NaNs.
void HighQualityResampler::ClearPastEnd() {
    for (int c = 0; c < channels_; ++c)
        std::fill_n(input_[c].data() + filled_, kTapMultiple, 0.0f);
}

// Drops the frames no later output reads.
void HighQualityResampler::Discard() {
    // A paired output reads from the window of the one before it, a few frames earlier.
    const std::int64_t kept = pairedTaps_ > 0 ? kTapMultiple : 0;
    const std::int64_t drop = std::min(filled_, whole_ - filter_.HalfTaps() + 1 - kept - base_);
    if (drop <= 0) return;
    for (int c = 0; c < channels_; ++c) {
        float* data = input_[c].data();
        std::memmove(data, data + drop, static_cast<std::size_t>(filled_ - drop) * sizeof(float));
    }
    base_ += drop;
    filled_ -= drop;
    ClearPastEnd();
}

std::int64_t HighQualityResampler::Push(const float* const* input, std::int64_t frames) {
    frames = std::clamp<std::int64_t>(frames, 0, kMaxPushFrames);
    received_ += frames;
    return FeedFrom(0, input, frames);
}

float* const* HighQualityResampler::PushSpace() {
    // The chain's input goes to its first halving, if it has one.
    HighQualityResampler& first = halvings_.empty() ? *this : *halvings_.front();
    for (int c = 0; c < channels_; ++c) pushSpace_[c] = first.input_[c].data() + first.filled_;
    return pushSpace_.data();
}

std::int64_t HighQualityResampler::FeedFrom(std::size_t from, const float* const* input,
                                            std::int64_t frames) {
    for (std::size_t s = from; s < halvings_.size() && frames > 0; ++s) {
        HighQualityResampler& stage = *halvings_[s];
        frames = stage.PushHere(input, frames);
        for (int c = 0; c < channels_; ++c) stageOutput_[c] = stage.Output(c);
        input = stageOutput_.data();
    }
    return frames > 0 ? PushHere(input, frames) : 0;
}

std::int64_t HighQualityResampler::PushHere(const float* const* input, std::int64_t frames) {
    Append(input, frames);
    pushed_ += frames;
    if (filled_ < batchFrames_) return 0;
    return Produce(outputCapacity_);
}

std::int64_t HighQualityResampler::Finish() {
    // The halvings drain in order, each through the rest of the chain; a halving keeps
    // its filter's ring-out past its nominal length, so the next stage sees the whole tail.
    while (draining_ < halvings_.size()) {
        HighQualityResampler& stage = *halvings_[draining_];
        const std::int64_t count = stage.FinishHere(stage.OutputsFor(stage.pushed_) +
                                                    CeilDivide(stage.filter_.HalfTaps(), kHalving));
        if (count == 0) {
            ++draining_;
            continue;
        }
        for (int c = 0; c < channels_; ++c) stageOutput_[c] = stage.Output(c);
        const std::int64_t produced = FeedFrom(draining_ + 1, stageOutput_.data(), count);
        if (produced > 0) return produced;
    }
    return FinishHere(OutputsFor(received_));
}

std::int64_t HighQualityResampler::FinishHere(std::int64_t total) {
    if (!finishing_) {
        finishing_ = true;
        // Enough silence for a halving's ring-out as well.
        Append(nullptr, 2 * filter_.HalfTaps() + 1);
    }
    return Produce(total - next_);
}

std::int64_t HighQualityResampler::Produce(std::int64_t limit) {
    // Output j is ready once its last tap, floor(j P / Q) + HalfTaps(), has arrived.
    const std::int64_t lastWhole = Available() - 1 - filter_.HalfTaps();
    const std::int64_t ready =
        lastWhole < 0 ? 0 : CeilDivide((lastWhole + 1) * filter_.Q(), filter_.P()) - next_;
    std::int64_t count = std::clamp<std::int64_t>(std::min(ready, outputCapacity_), 0, limit);
    if (count == 0) return 0;
    // Paired outputs start on even places in the phase cycle. A call that stopped after the
    // first of a pair would leave the next call's first phase without its partner, every
    // output of that phase alone (with Q = 2, every output of the call); the last one waits.
    if (pairedTaps_ > 0 && count > 1 && (next_ + count) % filter_.Q() % 2 == 1) --count;
    if (filter_.HalfBand())
        ProduceHalfBand(count);
    else if (filter_.Exact())
        ProduceExact(count);
    else
        ProduceInterpolated(count);
    const std::int64_t advance = rest_ + count * filter_.P();
    whole_ += advance / filter_.Q();
    rest_ = advance % filter_.Q();
    next_ += count;
    Discard();
    return count;
}

void HighQualityResampler::ProduceExact(std::int64_t count) {
    const std::int64_t p = filter_.P();
    const std::int64_t q = filter_.Q();
    for (int c = 0; c < channels_; ++c) inputPointers_[c] = input_[c].data();
    // Every phase sweeps the tile's input once; tiles small enough to stay in the first-level
    // cache across all Q phases, and of whole groups of outputs per phase.
    const std::int64_t budget = LargeTable() ? kLargeTableTileBytes : kTileBytes;
    const std::int64_t fit = budget / (static_cast<std::int64_t>(sizeof(float)) * channels_ * p);
    const std::int64_t rounds = std::max(kPhaseRunGroup, fit / kPhaseRunGroup * kPhaseRunGroup);
    const std::int64_t tile = rounds * q;
    for (std::int64_t done = 0; done < count; done += tile) {
        const std::int64_t size = std::min(tile, count - done);
        // Output `done` lies at input whole_ + (rest_ + done P) / Q.
        const std::int64_t advance = rest_ + done * p;
        std::int64_t whole = whole_ + advance / q;
        std::int64_t rest = advance % q;
        const std::int64_t phases = std::min(q, size);
        for (std::int64_t first = 0; first < phases;) {
            // The outputs first, first + Q, ... share this phase; each lies P frames further.
            const std::int64_t start = whole - filter_.HalfTaps() + 1 - base_;
            const std::int64_t runs = CeilDivide(size - first, q);
            const std::int64_t partners = first + 1 < phases ? CeilDivide(size - first - 1, q) : 0;
            const std::int64_t stream = (next_ + done + first) % q;
            if (pairedTaps_ > 0 && stream % 2 == 0 && stream + 1 < q && partners > 0) {
                // The next output (phase rest + P) reads this one's window with its taps moved.
                const std::int64_t partner = (rest + p) % q;
                PairPhases(PairedRow(rest), PairedRow(partner), pairedTaps_, start, partners,
                           done + first);
                if (runs > partners)
                    RunOnePhase(PairedRow(rest), pairedTaps_, start + partners * p,
                                runs - partners, done + first + partners * q);
                rest += 2 * p;
                first += 2;
            } else if (pairedTaps_ == 0 && rest + 2 * p < q && first + 2 < phases) {
                // Three outputs start on this frame: all three rows share every load.
                const std::int64_t thirds = CeilDivide(size - first - 2, q);
                const float* rowA = filter_.Row(rest);
                const float* rowB = filter_.Row(rest + p);
                TriplePhases(rowA, rowB, filter_.Row(rest + 2 * p), filter_.Taps(), start, thirds,
                             done + first);
                if (partners > thirds)
                    PairPhases(rowA, rowB, filter_.Taps(), start + thirds * p, partners - thirds,
                               done + first + thirds * q);
                if (runs > partners)
                    RunOnePhase(rowA, filter_.Taps(), start + partners * p, runs - partners,
                                done + first + partners * q);
                rest += 3 * p;
                first += 3;
            } else if (pairedTaps_ == 0 && rest + p < q && partners > 0) {
                // The next output starts on the same frame: both rows share every load.
                PairPhases(filter_.Row(rest), filter_.Row(rest + p), filter_.Taps(), start,
                           partners, done + first);
                if (runs > partners)
                    RunOnePhase(filter_.Row(rest), filter_.Taps(), start + partners * p,
                                runs - partners, done + first + partners * q);
                rest += 2 * p;
                first += 2;
            } else {
                if (pairedTaps_ > 0)
                    RunOnePhase(PairedRow(rest), pairedTaps_, start - rowShift_[rest], runs,
                                done + first);
                else
                    RunOnePhase(filter_.Row(rest), filter_.Taps(), start, runs, done + first);
                rest += p;
                ++first;
            }
            whole += rest / q;
            rest %= q;
        }
    }
}

void HighQualityResampler::PairPhases(const float* rowA, const float* rowB, std::int64_t taps,
                                      std::int64_t start, std::int64_t count,
                                      std::int64_t firstOutput) {
    for (int c = 0; c < channels_; ++c) outputPointers_[c] = output_[c].data() + firstOutput;
    kernels_.phasePairRun(rowA, rowB, taps, inputPointers_.data(), channels_, start, filter_.P(),
                          count, outputPointers_.data(), filter_.Q());
}

void HighQualityResampler::TriplePhases(const float* rowA, const float* rowB, const float* rowC,
                                        std::int64_t taps, std::int64_t start, std::int64_t count,
                                        std::int64_t firstOutput) {
    for (int c = 0; c < channels_; ++c) outputPointers_[c] = output_[c].data() + firstOutput;
    kernels_.phaseTripleRun(rowA, rowB, rowC, taps, inputPointers_.data(), channels_, start,
                            filter_.P(), count, outputPointers_.data(), filter_.Q());
}

void HighQualityResampler::RunOnePhase(const float* row, std::int64_t taps, std::int64_t start,
                                       std::int64_t count, std::int64_t firstOutput) {
    for (int c = 0; c < channels_; ++c) outputPointers_[c] = output_[c].data() + firstOutput;
    kernels_.phaseRun(row, taps, inputPointers_.data(), channels_, start, filter_.P(), count,
                      outputPointers_.data(), filter_.Q());
}

void HighQualityResampler::ProduceHalfBand(std::int64_t count) {
    for (int c = 0; c < channels_; ++c) {
        inputPointers_[c] = input_[c].data();
        outputPointers_[c] = output_[c].data();
    }
    // Output j is centred on input whole_ + 2j.
    kernels_.halfBand(filter_.PairTaps(), filter_.Pairs(), filter_.Centre(), inputPointers_.data(),
                      channels_, whole_ - base_, count, outputPointers_.data(), even_.data(),
                      odd_.data());
}

void HighQualityResampler::ProduceInterpolated(std::int64_t count) {
    const std::int64_t p = filter_.P();
    const std::int64_t q = filter_.Q();
    const std::int64_t phases = filter_.Phases();
    const float* rows[kInterpolationBatch];
    float mus[kInterpolationBatch];
    std::int64_t starts[kInterpolationBatch];
    for (int c = 0; c < channels_; ++c) inputPointers_[c] = input_[c].data();
    std::int64_t whole = whole_;
    std::int64_t rest = rest_;
    for (std::int64_t done = 0; done < count; done += kInterpolationBatch) {
        const std::int64_t batch = std::min(kInterpolationBatch, count - done);
        for (std::int64_t i = 0; i < batch; ++i) {
            // The position between table phases: l + mu, mu in [0, 1).
            const std::int64_t scaled = rest * phases;
            rows[i] = filter_.Row(scaled / q);
            mus[i] = static_cast<float>(static_cast<double>(scaled % q) / static_cast<double>(q));
            starts[i] = whole - filter_.HalfTaps() + 1 - base_;
            rest += p;
            whole += rest / q;
            rest %= q;
        }
        for (int c = 0; c < channels_; ++c) outputPointers_[c] = output_[c].data() + done;
        kernels_.interpolated(rows, mus, starts, batch, filter_.Taps(), inputPointers_.data(),
                              channels_, outputPointers_.data());
    }
}

}  // namespace zel
