#include "engine/resample/standard/integer_block_resampler.h"

#include <cassert>
#include <cstring>

#include "engine/resample/output_dither.h"

namespace zel {

bool IntegerBlockResampler::Takes(const ResamplerSetup& setup) {
    const WavSampleFormat& in = setup.input;
    const WavSampleFormat& out = setup.output;
    const bool pcm = (in.encoding == SampleEncoding::kUnsigned8 && in.validBits == 8) ||
                     (in.encoding == SampleEncoding::kSigned16 && in.validBits == 16);
    const bool sameOutput = out.encoding == in.encoding && out.validBits == in.validBits &&
                            out.bigEndian == in.bigEndian;
    // Dither is the codec's: a dithered stream takes the float path.
    const bool undithered = DitherStepFor(setup.settings, in, out) == 0.0f;
    // So is a gain: it must act before the rounding, and saturation must be counted.
    const bool unityGain = !setup.settings.level.ChangesLevel();
    return setup.buildIntegerKernels && unityGain && pcm && sameOutput && undithered && in.channels >= 1 &&
           in.channels <= 2 && !in.bigEndian;
}

PrepareResult IntegerBlockResampler::Prepare() {
    assert(Takes(Setup()));
    const WavSampleFormat& format = Setup().input;
    layout_ = LayoutFor(format.channels, format.containerBits);
    frameBytes_ = static_cast<std::size_t>(BlockAlignOf(layout_));
    // Each buffered frame, in and out, as this path has always counted it: its raw bytes
    // and two float planes however many channels.
    const std::uint64_t extra = frameBytes_ + 2 * sizeof(float) - sizeof(float) * format.channels;
    PlaneUse use{LayoutFor(2, format.containerBits), LayoutFor(1, format.containerBits), extra};
    const PrepareResult prepared =
        planes_.Prepare(format.sampleRate, Setup().settings.targetRate,
                        Setup().settings.speed, format.channels, use);
    if (prepared != PrepareResult::kReady) return prepared;
    const auto in = static_cast<std::uint64_t>(planes_.NextBlockFrames(INT64_MAX) + kBufferReserve);
    const auto out =
        static_cast<std::uint64_t>(planes_.MaxBlockOutputs() + PolyphaseResampler::kOutputSpare);
    if (!rawInput_.Allocate(in * frameBytes_) || !rawOutput_.Allocate(out * frameBytes_))
        return PrepareResult::kOutOfMemory;
    return PrepareResult::kReady;
}

std::int64_t IntegerBlockResampler::Filter(const std::uint8_t* frames, std::int64_t count,
                                           bool final) {
    // Copied behind the spare room the unpack kernels may read past their count, unless the
    // caller read them there (PushSpace).
    if (frames != rawInput_.data())
        std::memcpy(rawInput_.data(), frames, static_cast<std::size_t>(count) * frameBytes_);
    float* const* planes = planes_.InputPlanes();
    kernels_.unpack(layout_, rawInput_.data(), count, planes[0],
                    ChannelsOf(layout_) == 2 ? planes[1] : nullptr);
    const std::int64_t outputs = planes_.FilterBlock(count, final);
    const float* const* results = planes_.OutputPlanes();
    kernels_.pack(layout_, results[0], ChannelsOf(layout_) == 2 ? results[1] : nullptr, outputs,
                  rawOutput_.data());
    return outputs;
}

}  // namespace zel
