#include "engine/conversion_driver.h"

#include <algorithm>

#include "engine/aligned_buffer.h"
#include "engine/batch_messages.h"
#include "engine/block_geometry.h"
#include "engine/sample_rounding.h"
#include "engine/wav_header.h"
#include "platform/file_handle.h"
#include "platform/replacing_file.h"

namespace zel {
namespace {

using platform::FileHandle;
using platform::MessageWindow;
using platform::ReplacingFile;

constexpr double kProgressScale = 100.0;
constexpr std::int32_t kNormalSpeed = 100;

// The six per-file buffers, zero-filled and aligned, with kBufferReserve frames of room.
struct BlockBuffers {
    AlignedBuffer<std::uint8_t> rawInput;
    AlignedBuffer<std::uint8_t> rawOutput;
    AlignedBuffer<float> inputLeft;
    AlignedBuffer<float> inputRight;
    AlignedBuffer<float> outputLeft;
    AlignedBuffer<float> outputRight;

    static std::uint64_t BytesNeeded(std::int64_t f, std::int64_t maxOutputs, int blockAlign) {
        const std::uint64_t in = static_cast<std::uint64_t>(f + kBufferReserve);
        const std::uint64_t out = static_cast<std::uint64_t>(maxOutputs + kBufferReserve);
        return in * (blockAlign + 2 * sizeof(float)) + out * (blockAlign + 2 * sizeof(float));
    }

    bool Allocate(std::int64_t f, std::int64_t maxOutputs, int blockAlign) {
        const std::uint64_t in = static_cast<std::uint64_t>(f + kBufferReserve);
        const std::uint64_t out = static_cast<std::uint64_t>(maxOutputs + kBufferReserve);
        return rawInput.Allocate(in * blockAlign) && rawOutput.Allocate(out * blockAlign) &&
               inputLeft.Allocate(in) && inputRight.Allocate(in) && outputLeft.Allocate(out) &&
               outputRight.Allocate(out);
    }
};

// One file's pass through the blocks. Input frame B + i of a block (B its first frame)
// always sits at X[kHalfSpan + i]; before it lie the look-back frames, and the first block
// replicates frame 0 into them.
class BlockLoop {
public:
    BlockLoop(const ConversionKernels& kernels, FilterState& state, BlockBuffers& buffers,
              int blockAlign, std::int64_t f, std::int64_t g)
        : kernels_(kernels), state_(state), buffers_(buffers), blockAlign_(blockAlign),
          f_(f), g_(g) {}

    ConversionResult Run(FileHandle& input, FileHandle& output, std::int64_t total,
                         MessageWindow* window) {
        const float totalAsFloat = static_cast<float>(total);
        std::int64_t remaining = total;
        std::int64_t c = kHalfSpan;
        bool first = true;
        while (remaining > 0) {
            std::int64_t n = 0;
            std::int64_t outputs = 0;
            const bool final = PlanBlock(first, remaining, n, outputs);
            state_.framesInBlock = n;
            if (!ReadFrames(input, n)) return kInputReadError;
            UnpackBlock(c, n, first, final);
            kernels_.filter(state_.layout, state_, buffers_.inputLeft.data(),
                            buffers_.inputRight.data(), outputs, buffers_.outputLeft.data(),
                            buffers_.outputRight.data());
            if (!final) KeepHistory(c + n);
            c = kTapSpan;
            first = false;
            if (!WriteFrames(output, outputs)) return kOutputWriteError;
            remaining -= n;
            const std::int64_t percent =
                100 - RoundHalfAway(static_cast<double>(remaining) * kProgressScale /
                                    static_cast<double>(totalAsFloat));
            if (window != nullptr &&
                window->Send(WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(percent),
                             kCurrentFileBar) != 0)
                return kCancelled;
        }
        return kCompleted;
    }

    std::int64_t FramesWritten() const { return framesWritten_; }

private:
    // Decides the frames read and the outputs produced by the next block. A block is final
    // when the data has no more than it needs, so no frame outside the data chunk is read
    // and the output always covers the whole input.
    bool PlanBlock(bool first, std::int64_t remaining, std::int64_t& n,
                   std::int64_t& outputs) const {
        const std::int64_t P = state_.P;
        const std::int64_t Q = state_.Q;
        if (first) {
            if (remaining <= f_ + kHalfSpan) {
                n = remaining;
                outputs = SingleBlockOutputs(remaining, P, Q);
                return true;
            }
            n = f_ + kHalfSpan;
            outputs = g_;
            return false;
        }
        if (remaining <= f_) {
            n = remaining;
            outputs = FinalBlockOutputs(remaining, P, Q);
            return true;
        }
        n = f_;
        outputs = g_;
        return false;
    }

    bool ReadFrames(FileHandle& input, std::int64_t n) {
        const std::size_t bytes = static_cast<std::size_t>(n) * blockAlign_;
        std::size_t got = 0;
        // A file that shrinks under us is a read error, not stale samples.
        return input.Read(buffers_.rawInput.data(), bytes, got) && got == bytes;
    }

    void UnpackBlock(std::int64_t c, std::int64_t n, bool first, bool final) {
        float* left = buffers_.inputLeft.data();
        float* right = buffers_.inputRight.data();
        const bool stereo = ChannelsOf(state_.layout) == 2;
        kernels_.unpack(state_.layout, buffers_.rawInput.data(), n, left + c, right + c);
        if (first) {
            std::fill(left, left + c, left[c]);
            if (stereo) std::fill(right, right + c, right[c]);
        }
        if (final) {
            const std::int64_t last = c + n - 1;
            std::fill(left + c + n, left + c + n + kTapSpan + 1, left[last]);
            if (stereo) std::fill(right + c + n, right + c + n + kTapSpan + 1, right[last]);
        }
    }

    // The last kTapSpan frames become the next block's look-back and look-ahead. A final
    // block has no successor, and a short file may not even hold kTapSpan frames.
    void KeepHistory(std::int64_t end) {
        float* left = buffers_.inputLeft.data();
        float* right = buffers_.inputRight.data();
        std::copy(left + end - kTapSpan, left + end, left);
        if (ChannelsOf(state_.layout) == 2) std::copy(right + end - kTapSpan, right + end, right);
    }

    bool WriteFrames(FileHandle& output, std::int64_t outputs) {
        const std::uint64_t bytes = static_cast<std::uint64_t>(outputs) * blockAlign_;
        const std::uint64_t written = static_cast<std::uint64_t>(framesWritten_) * blockAlign_;
        // A WAV file cannot describe more data than this.
        if (written + bytes > kMaxDataBytes) return false;
        kernels_.pack(state_.layout, buffers_.outputLeft.data(), buffers_.outputRight.data(),
                      outputs, buffers_.rawOutput.data());
        if (!output.Write(buffers_.rawOutput.data(), static_cast<std::size_t>(bytes)))
            return false;
        framesWritten_ += outputs;
        return true;
    }

    const ConversionKernels& kernels_;
    FilterState& state_;
    BlockBuffers& buffers_;
    const int blockAlign_;
    const std::int64_t f_;
    const std::int64_t g_;
    std::int64_t framesWritten_ = 0;
};

bool WriteHeader(FileHandle& output, const WavHeader& header) {
    return output.Write(header.bytes.data(), header.bytes.size());
}

// Frames that lie both inside the data chunk and inside the file.
std::int64_t FramesPresent(const WavFormat& format, std::int64_t fileSize) {
    const std::int64_t stored = std::max<std::int64_t>(0, fileSize - kWavHeaderSize);
    const std::int64_t data = std::min<std::int64_t>(format.dataLength, stored);
    return data / format.blockAlign;
}

}  // namespace

ConversionResult RunConversion(const ConversionKernels& kernels,
                               const std::filesystem::path& inputPath,
                               MessageWindow* progressWindow,
                               const std::filesystem::path& outputPath, std::int32_t targetRate,
                               std::int32_t speedPercent) {
    FileHandle input = FileHandle::OpenForSequentialRead(inputPath);
    if (!input.IsOpen()) return kInputOpenError;
    // A leftover of an interrupted conversion is never taken as an input.
    if (ReplacingFile::IsTemporaryName(inputPath)) return kInputFormatError;

    WavHeader header;
    std::size_t got = 0;
    if (!input.Read(header.bytes.data(), kWavHeaderSize, got)) return kInputReadError;
    if (got < kWavHeaderSize || CheckHeader(header) != HeaderVerdict::kAccepted)
        return kInputFormatError;
    const WavFormat format = FormatOf(header);

    if (targetRate < 1 || speedPercent < 1) return kOutputOpenError;
    ReplacingFile output = ReplacingFile::Create(outputPath);
    if (!output.IsOpen()) return kOutputOpenError;
    WavHeader outputHeader = DeriveOutputHeader(header, static_cast<std::uint32_t>(targetRate));
    if (!WriteHeader(output.File(), outputHeader)) return kOutputWriteError;

    FilterState state;
    state.layout = LayoutOf(format);
    state.inputRate = static_cast<std::int32_t>(format.sampleRate);
    state.targetRate = targetRate;
    state.tapSpan = kTapSpan;
    if (speedPercent == kNormalSpeed) {
        state.P = state.inputRate;
        state.Q = targetRate;
    } else {
        state.P = static_cast<std::int64_t>(state.inputRate) * speedPercent;
        state.Q = static_cast<std::int64_t>(targetRate) * kNormalSpeed;
    }
    if (DesignFilter(state) != DesignOutcome::kDesigned) return kOutOfMemory;

    const std::int64_t f = BlockFrames(state.P, kernels.blockLimit);
    const std::int64_t g = BlockOutputs(f, state.P, state.Q);
    const std::int64_t maxOutputs = MaxBlockOutputs(f, state.P, state.Q) + kVectorSlack;
    BlockBuffers buffers;
    if (BlockBuffers::BytesNeeded(f, maxOutputs, format.blockAlign) > kMaxDesignBytes ||
        !buffers.Allocate(f, maxOutputs, format.blockAlign))
        return kOutOfMemory;

    const std::int64_t total = FramesPresent(format, input.Size());
    BlockLoop loop(kernels, state, buffers, format.blockAlign, f, g);
    ConversionResult result = loop.Run(input, output.File(), total, progressWindow);
    if (result < 0) return result;

    CompleteHeader(outputHeader,
                   static_cast<std::uint32_t>(loop.FramesWritten() * format.blockAlign));
    if (!output.File().SeekToStart() || !WriteHeader(output.File(), outputHeader))
        return kOutputWriteError;
    input.Close();
    if (!output.Commit()) return kOutputWriteError;
    return result;
}

}  // namespace zel
