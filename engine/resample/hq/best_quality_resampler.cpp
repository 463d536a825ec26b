#include "engine/resample/hq/best_quality_resampler.h"

#include <algorithm>
#include <cstring>

#include "engine/resample/conversion_ratio.h"
#include "engine/resample/hq/best_quality_bands.h"

namespace zel {
namespace {

// Outputs whose rows and positions are gathered per call of the interpolating kernel.
constexpr std::int64_t kInterpolationBatch = 64;
// An exact table up to this size stays in the first-level cache beside the input, so
// outputs are taken in order, each with its own row, rather than phase by phase (whose
// runs, for the short stage's small tables, are too short to pay for a call each).
constexpr std::uint64_t kSmallTableBytes = 32 << 10;
// The steep stage's output rate is at least this many times the output's.
constexpr std::int64_t kRateFactor = 2;

constexpr std::int64_t kSampleBytes = sizeof(double);
constexpr std::int64_t kLineDoubles = 64 / kSampleBytes;
// Whole cache lines, not a whole number of 4 KiB pages.
constexpr std::int64_t kStreamStagger = 17 * kLineDoubles;
// Input of one tile of exact outputs, all channels: half the first-level data cache.
constexpr std::int64_t kTileBytes = 24 << 10;
// A table from this size on is read from beyond the second-level cache: such a stage
// gathers this much input before it produces, so that each row, once read, serves many
// outputs, and its tiles' input stays in the second-level cache.
constexpr std::uint64_t kLargeTableBytes = 256 << 10;
constexpr std::int64_t kLargeTableBatchBytes = 1 << 20;
constexpr std::int64_t kLargeTableTileBytes = 128 << 10;

std::int64_t CeilDivide(std::int64_t a, std::int64_t b) { return (a + b - 1) / b; }

// 4-point Lagrange weights at mu in [0, 1) between the points -1, 0, 1 and 2.
void CubicWeights(double mu, double (&w)[kBestInterpolationRows]) {
    w[0] = -mu * (mu - 1.0) * (mu - 2.0) / 6.0;
    w[1] = (mu + 1.0) * (mu - 1.0) * (mu - 2.0) / 2.0;
    w[2] = -(mu + 1.0) * mu * (mu - 2.0) / 2.0;
    w[3] = (mu + 1.0) * mu * (mu - 1.0) / 6.0;
}

}  // namespace

bool BestQualityResampler::Prepare(std::int32_t inputRate, std::int32_t outputRate,
                                   SpeedRatio speed, int channels) {
    const ConversionRatio ratio = ReducedRatio(inputRate, outputRate, speed);
    const std::int64_t p = ratio.P;
    const std::int64_t q = ratio.Q;
    // The steep stage's rate: twice the input's below 2:1, else the input's divided by the
    // largest power of two that keeps it at twice the output's or more (by halvings).
    up_ = p < kRateFactor * q ? kRateFactor : 1;
    down_ = 1;
    while (up_ == 1 && 2 * down_ * kRateFactor * q <= p) down_ *= 2;
    // The final band B in cycles per input frame; the steep stage passes 0.98 B and stops
    // from B on, so its output holds nothing between B and its rate less B, where the short
    // stage's first image begins.
    const double band = 0.5 * std::min(1.0, static_cast<double>(q) / static_cast<double>(p));
    std::int64_t steepInputMax = kMaxPushFrames;
    halvings_.clear();
    for (std::int64_t halved = 1; halved < down_; halved *= 2) {
        halvings_.emplace_back();
        if (!halvings_.back().Prepare(band * static_cast<double>(halved), channels, steepInputMax,
                                      kernels_))
            return false;
        steepInputMax = halvings_.back().MaxOutputs();
    }
    halvedPointers_.assign(static_cast<std::size_t>(channels), nullptr);
    const double steepBand = band * static_cast<double>(down_) / static_cast<double>(up_);
    const double stageBand = steepBand;
    if (!filter_.DesignBands(p * up_, q * down_, kBestPassbandEdge * stageBand,
                             1.0 - kBestStopbandEdge * stageBand))
        return false;
    // A doubled rate read in order is read as its two phases, which spares the steep stage
    // interleaving them.
    split_ = up_ == 2 && filter_.Exact() && filter_.TableBytes() <= kSmallTableBytes;
    const std::vector<double> taps =
        BestSteepTaps(up_, kBestPassbandEdge * steepBand, kBestStopbandEdge * steepBand, 1);
    if (!steep_.Prepare(up_, taps, channels, steepInputMax, kernels_, split_) ||
        !PrepareStage(channels, steep_.MaxOutputs()))
        return false;
    overallP_ = p;
    overallQ_ = q;
    return true;
}

bool BestQualityResampler::PrepareStage(int channels, std::int64_t maxPushFrames) {
    channels_ = channels;
    const std::int64_t half = filter_.HalfTaps();
    batchFrames_ = LargeTable() ? kLargeTableBatchBytes / (kSampleBytes * channels) : 0;
    // The batch, a push, what the previous outputs left (under two reaches) and the silence
    // of the tail.
    capacity_ = batchFrames_ + maxPushFrames + 4 * half + CeilDivide(filter_.P(), filter_.Q()) +
                kBestTapMultiple;
    outputCapacity_ = CeilDivide(capacity_ * filter_.Q(), filter_.P()) + 2;
    input_.clear();
    output_.clear();
    input_.resize(static_cast<std::size_t>(channels));
    output_.resize(static_cast<std::size_t>(channels));
    for (int c = 0; c < channels; ++c) {
        if ((!split_ && !input_[c].Allocate(static_cast<std::uint64_t>(capacity_))) ||
            !output_[c].Allocate(static_cast<std::uint64_t>(outputCapacity_)))
            return false;
    }
    streams_ = AlignedBuffer<double>();
    if (split_) {
        input_.clear();
        // Room before the stream for the first block's dropped outputs, a cache line to
        // align in, the frames held, and the transform's whole array past them; the phases
        // and channels a stagger apart so that they fall on different cache sets.
        streamFront_ = steep_.Lead() + kLineDoubles;
        const std::int64_t length = streamFront_ + kLineDoubles + capacity_ / 2 + 1 +
                                    steep_.TransformSize();
        streamDistance_ = CeilDivide(length, kLineDoubles) * kLineDoubles + kStreamStagger;
        channelStride_ = 2 * streamDistance_ + kStreamStagger;
        if (!streams_.Allocate(static_cast<std::uint64_t>(channels * channelStride_)))
            return false;
        head_ = 0;
    }
    steepTargets_.assign(static_cast<std::size_t>(split_ ? 2 * channels : channels), nullptr);
    inputPointers_.assign(static_cast<std::size_t>(channels), nullptr);
    outputPointers_.assign(static_cast<std::size_t>(channels), nullptr);
    // The reach before the first frame is silence.
    base_ = -half;
    filled_ = 0;
    AppendSilence(half);
    pushed_ = next_ = whole_ = rest_ = received_ = 0;
    finishing_ = false;
    PrepareCycle();
    return !split_ || splitRows_.size() > 0;
}

void BestQualityResampler::PrepareCycle() {
    cycleRows_.clear();
    cycleStarts_.clear();
    cyclePosition_.clear();
    cycleEvenStarts_.clear();
    cycleShifts_.clear();
    splitRows_ = AlignedBuffer<double>();
    if (!filter_.Exact() || filter_.TableBytes() > kSmallTableBytes) return;
    if (split_) {
        PrepareSplitCycle();
        return;
    }
    const std::int64_t p = filter_.P();
    const std::int64_t q = filter_.Q();
    // A cycle and a batch, so that a batch starting anywhere in the cycle runs on unbroken.
    const std::int64_t length = q + kInterpolationBatch;
    cycleRows_.resize(static_cast<std::size_t>(length));
    cycleStarts_.resize(static_cast<std::size_t>(length));
    cyclePosition_.assign(static_cast<std::size_t>(q), 0);
    for (std::int64_t j = 0; j < length; ++j) {
        const std::int64_t rest = j * p % q;
        cycleRows_[j] = filter_.Row(rest);
        cycleStarts_[j] = j * p / q - filter_.HalfTaps() + 1;
        if (j < q) cyclePosition_[rest] = j;
    }
}

void BestQualityResampler::PrepareSplitCycle() {
    const std::int64_t p = filter_.P();
    const std::int64_t q = filter_.Q();
    const std::int64_t taps = filter_.Taps();
    const std::int64_t half = taps / 2;
    // Q outputs take P frames: two cycles when that is odd, so that a cycle keeps each
    // output's frames on the same phases.
    const std::int64_t cycle = p % 2 == 0 ? q : 2 * q;
    const std::int64_t length = cycle + kInterpolationBatch;
    splitRows_.Allocate(static_cast<std::uint64_t>(cycle * taps));
    cycleRows_.resize(static_cast<std::size_t>(length));
    cycleEvenStarts_.resize(static_cast<std::size_t>(length));
    cycleShifts_.resize(static_cast<std::size_t>(length));
    cyclePosition_.assign(static_cast<std::size_t>(q), 0);
    for (std::int64_t j = 0; j < length; ++j) {
        const std::int64_t rest = j * p % q;
        const std::int64_t start = j * p / q - filter_.HalfTaps() + 1;
        // Frame 2 n is the even stream's n, frame 2 n + 1 the odd stream's.
        const std::int64_t below = start >= 0 ? start / 2 : -((1 - start) / 2);
        const bool odd = start - 2 * below == 1;
        cycleEvenStarts_[j] = below + (odd ? 1 : 0);
        cycleShifts_[j] = streamDistance_ - (odd ? 1 : 0);
        double* row = splitRows_.data() + (j % cycle) * taps;
        cycleRows_[j] = row;
        if (j < q) cyclePosition_[rest] = j;
        if (j >= cycle) continue;
        const double* taken = filter_.Row(rest);
        // Tap k falls on frame start + k: the even stream's taps first.
        for (std::int64_t k = 0; k < taps; ++k) {
            const bool even = (k % 2 == 0) != odd;
            row[(even ? 0 : half) + k / 2] = taken[k];
        }
    }
}

double* BestQualityResampler::Stream(int k) {
    return streams_.data() + (k % channels_) * channelStride_ + (k / channels_) * streamDistance_ +
           streamFront_;
}

bool BestQualityResampler::LargeTable() const {
    return filter_.Exact() && filter_.TableBytes() >= kLargeTableBytes;
}

std::int64_t BestQualityResampler::OutputsFor(std::int64_t inputFrames) const {
    return RoundedStreamOutputs(inputFrames, overallP_, overallQ_);
}

std::uint64_t BestQualityResampler::MemoryBytes() const {
    std::uint64_t halvings = 0;
    for (const BestHalvingStage& stage : halvings_) halvings += stage.MemoryBytes();
    const std::uint64_t streams = (splitRows_.size() + streams_.size()) * sizeof(double);
    return halvings + streams + steep_.MemoryBytes() + filter_.TableBytes() +
           static_cast<std::uint64_t>(channels_) *
               static_cast<std::uint64_t>((split_ ? 0 : capacity_) * kSampleBytes +
                                          outputCapacity_ * std::int64_t{sizeof(float)});
}

void BestQualityResampler::AppendSilence(std::int64_t frames) {
    if (split_) {
        for (int k = 0; k < 2 * channels_; ++k) {
            double* at = Stream(k) + head_ + filled_ / 2;
            std::fill(at, at + frames / 2, 0.0);
        }
        filled_ += frames;
        return;
    }
    for (int c = 0; c < channels_; ++c)
        std::fill(input_[c].data() + filled_, input_[c].data() + filled_ + frames, 0.0);
    filled_ += frames;
}

// Drops the frames no later output reads.
void BestQualityResampler::Discard() {
    std::int64_t drop = std::min(filled_, whole_ - filter_.HalfTaps() + 1 - base_);
    if (split_) {
        drop = std::max<std::int64_t>(drop, 0) / 2 * 2;
        const std::int64_t keep = (filled_ - drop) / 2;
        // The steep stage's next block starts at the kept frames' end: on a cache line.
        const std::int64_t head = (kLineDoubles - keep % kLineDoubles) % kLineDoubles;
        if (drop == 0 && head == head_) return;
        for (int k = 0; k < 2 * channels_; ++k) {
            double* data = Stream(k);
            std::memmove(data + head, data + head_ + drop / 2,
                         static_cast<std::size_t>(keep) * sizeof(double));
        }
        head_ = head;
        base_ += drop;
        filled_ -= drop;
        return;
    }
    if (drop <= 0) return;
    for (int c = 0; c < channels_; ++c) {
        double* data = input_[c].data();
        std::memmove(data, data + drop, static_cast<std::size_t>(filled_ - drop) * sizeof(double));
    }
    base_ += drop;
    filled_ -= drop;
}

template <typename Sample>
std::int64_t BestQualityResampler::PushThroughSteep(const Sample* const* input,
                                                    std::int64_t frames) {
    if (split_) {
        for (int k = 0; k < 2 * channels_; ++k) steepTargets_[k] = Stream(k) + head_ + filled_ / 2;
    } else {
        for (int c = 0; c < channels_; ++c) steepTargets_[c] = input_[c].data() + filled_;
    }
    if (halvings_.empty()) return steep_.Push(input, frames, steepTargets_.data());
    std::int64_t count = halvings_.front().Push(input, frames);
    for (std::size_t k = 0; k < halvings_.size(); ++k) {
        for (int c = 0; c < channels_; ++c) halvedPointers_[c] = halvings_[k].Output(c);
        count = k + 1 < halvings_.size()
                    ? halvings_[k + 1].Push(halvedPointers_.data(), count)
                    : steep_.Push(halvedPointers_.data(), count, steepTargets_.data());
    }
    return count;
}

std::int64_t BestQualityResampler::Push(const float* const* input, std::int64_t frames) {
    frames = std::clamp<std::int64_t>(frames, 0, kMaxPushFrames);
    received_ += frames;
    return PushSteepOutputs(PushThroughSteep(input, frames), outputCapacity_);
}

std::int64_t BestQualityResampler::PushSteepOutputs(std::int64_t frames, std::int64_t limit) {
    // The steep stage wrote them in place.
    filled_ += frames;
    pushed_ += frames;
    if (filled_ < batchFrames_ && limit == outputCapacity_) return 0;
    return Produce(limit);
}

std::int64_t BestQualityResampler::Finish() {
    // The halvings and the steep stage ring out through silence until the short stage
    // holds every output its last outputs read: those up to the stream's end plus the steep
    // filter's delay, and a reach of the short filter beyond.
    const std::int64_t needed =
        CeilDivide(received_, down_) * up_ + steep_.Delay() + filter_.HalfTaps() + 1;
    while (steep_.Produced() < needed) {
        // The ring-out's outputs past the stream's end are never produced.
        const std::int64_t produced =
            PushSteepOutputs(PushThroughSteep<float>(nullptr, kMaxPushFrames),
                             OutputsFor(received_) - next_);
        if (produced > 0) return produced;
    }
    return FinishHere(OutputsFor(received_));
}

std::int64_t BestQualityResampler::FinishHere(std::int64_t total) {
    if (!finishing_) {
        finishing_ = true;
        AppendSilence(2 * filter_.HalfTaps() + 2);
    }
    return Produce(total - next_);
}

std::int64_t BestQualityResampler::Produce(std::int64_t limit) {
    // Output j is ready once its last tap, floor(j P / Q) + HalfTaps(), has arrived.
    const std::int64_t lastWhole = Available() - 1 - filter_.HalfTaps();
    const std::int64_t ready =
        lastWhole < 0 ? 0 : CeilDivide((lastWhole + 1) * filter_.Q(), filter_.P()) - next_;
    const std::int64_t count = std::clamp<std::int64_t>(std::min(ready, outputCapacity_), 0, limit);
    if (count == 0) return 0;
    if (split_)
        ProduceSplit(count);
    else if (filter_.Exact() && filter_.TableBytes() <= kSmallTableBytes)
        ProduceInOrder(count);
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

void BestQualityResampler::ProduceExact(std::int64_t count) {
    const std::int64_t p = filter_.P();
    const std::int64_t q = filter_.Q();
    for (int c = 0; c < channels_; ++c) inputPointers_[c] = input_[c].data();
    // Every phase sweeps the tile's input once; tiles small enough to stay in cache across
    // all Q phases, and of whole groups of outputs per phase.
    const std::int64_t budget = LargeTable() ? kLargeTableTileBytes : kTileBytes;
    const std::int64_t fit = budget / (kSampleBytes * channels_ * p);
    const std::int64_t rounds = std::max(kBestRunGroup, fit / kBestRunGroup * kBestRunGroup);
    const std::int64_t tile = rounds * q;
    for (std::int64_t done = 0; done < count; done += tile) {
        const std::int64_t size = std::min(tile, count - done);
        // Output `done` lies at input whole_ + (rest_ + done P) / Q.
        const std::int64_t advance = rest_ + done * p;
        std::int64_t whole = whole_ + advance / q;
        std::int64_t rest = advance % q;
        for (std::int64_t first = 0; first < std::min(q, size); ++first) {
            for (int c = 0; c < channels_; ++c)
                outputPointers_[c] = output_[c].data() + done + first;
            // The outputs first, first + Q, ... share this phase; each lies P frames further.
            kernels_.phaseRun(filter_.Row(rest), filter_.Taps(), inputPointers_.data(), channels_,
                              whole - filter_.HalfTaps() + 1 - base_, p,
                              CeilDivide(size - first, q), outputPointers_.data(), q);
            rest += p;
            whole += rest / q;
            rest %= q;
        }
    }
}

template <typename Gather, typename Run>
void BestQualityResampler::ProduceInBatches(std::int64_t count, Gather gather, Run run) {
    const std::int64_t q = filter_.Q();
    const std::int64_t wholeStep = filter_.P() / q;
    const std::int64_t restStep = filter_.P() % q;
    for (int c = 0; c < channels_; ++c) inputPointers_[c] = input_[c].data();
    std::int64_t whole = whole_;
    std::int64_t rest = rest_;
    for (std::int64_t done = 0; done < count; done += kInterpolationBatch) {
        const std::int64_t batch = std::min(kInterpolationBatch, count - done);
        for (std::int64_t i = 0; i < batch; ++i) {
            gather(i, whole - filter_.HalfTaps() + 1 - base_, rest);
            whole += wholeStep;
            rest += restStep;
            if (rest >= q) {
                rest -= q;
                ++whole;
            }
        }
        for (int c = 0; c < channels_; ++c) outputPointers_[c] = output_[c].data() + done;
        run(batch);
    }
}

void BestQualityResampler::ProduceInOrder(std::int64_t count) {
    const std::int64_t p = filter_.P();
    const std::int64_t q = filter_.Q();
    for (int c = 0; c < channels_; ++c) inputPointers_[c] = input_[c].data();
    // The next output is output j of the cycle, shifted by `offset` input frames.
    std::int64_t j = cyclePosition_[rest_];
    std::int64_t offset = whole_ - j * p / q - base_;
    std::int64_t starts[kInterpolationBatch];
    for (std::int64_t done = 0; done < count;) {
        const std::int64_t batch = std::min(kInterpolationBatch, count - done);
        for (std::int64_t i = 0; i < batch; ++i) starts[i] = cycleStarts_[j + i] + offset;
        for (int c = 0; c < channels_; ++c) outputPointers_[c] = output_[c].data() + done;
        kernels_.rowRun(cycleRows_.data() + j, starts, batch, filter_.Taps(),
                        inputPointers_.data(), channels_, outputPointers_.data());
        done += batch;
        for (j += batch; j >= q; j -= q) offset += p;
    }
}

void BestQualityResampler::ProduceSplit(std::int64_t count) {
    const std::int64_t p = filter_.P();
    const std::int64_t q = filter_.Q();
    const std::int64_t cycle = p % 2 == 0 ? q : 2 * q;
    const std::int64_t cycleFrames = cycle / q * p;
    // As in ProduceInOrder, from the cycle entry that leaves an even offset: whole cycles
    // then move by whole frames of both phases.
    std::int64_t j = cyclePosition_[rest_];
    std::int64_t offset = whole_ - j * p / q - base_;
    if (offset % 2 != 0) {
        j += q;
        offset -= p;
    }
    std::int64_t starts[kInterpolationBatch];
    for (std::int64_t done = 0; done < count;) {
        const std::int64_t batch = std::min(kInterpolationBatch, count - done);
        for (std::int64_t i = 0; i < batch; ++i) starts[i] = cycleEvenStarts_[j + i] + offset / 2;
        for (int c = 0; c < channels_; ++c) outputPointers_[c] = output_[c].data() + done;
        kernels_.splitRowRun(cycleRows_.data() + j, starts, cycleShifts_.data() + j, batch,
                             filter_.Taps(), Stream(0) + head_, channelStride_, channels_,
                             outputPointers_.data());
        done += batch;
        for (j += batch; j >= cycle; j -= cycle) offset += cycleFrames;
    }
}

void BestQualityResampler::ProduceInterpolated(std::int64_t count) {
    const std::int64_t q = filter_.Q();
    const std::int64_t phases = filter_.Phases();
    const double* rows[kInterpolationBatch];
    double weights[kInterpolationBatch][kBestInterpolationRows];
    std::int64_t starts[kInterpolationBatch];
    ProduceInBatches(
        count,
        [&](std::int64_t i, std::int64_t start, std::int64_t rest) {
            // The position between table phases: l + mu, mu in [0, 1).
            const std::int64_t scaled = rest * phases;
            rows[i] = filter_.Row(scaled / q - 1);
            CubicWeights(static_cast<double>(scaled % q) / static_cast<double>(q), weights[i]);
            starts[i] = start;
        },
        [&](std::int64_t batch) {
            kernels_.interpolated(rows, weights, starts, batch, filter_.Taps(),
                                  inputPointers_.data(), channels_, outputPointers_.data());
        });
}

}  // namespace zel
