// libFuzzer target: arbitrary bytes as a WAV file through the chunk reader, the header
// acceptance, the input list's admission probe and a full conversion in every build this
// processor runs.
// Input layout: [target-rate choice][speed][cancel-after] then the file's bytes.

#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "cpu/cpu_features.h"
#include "engine/base/memory_byte_source.h"
#include "engine/codec/sample_codec.h"
#include "engine/convert/convert_file.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/resample/speed_ratio.h"
#include "engine/resample/standard/filter_design.h"
#include "engine/wav/metadata_carry.h"
#include "engine/wav/wav_chunk_reader.h"
#include "engine/wav/wav_header.h"
#include "engine/wav/wav_probe.h"
#include "platform/message_window.h"
#include "tests/support/canonical_header.h"
#include "tools/synthetic_wav.h"

namespace {

constexpr std::int32_t kTargetRates[] = {8000, 11025, 22050, 32000, 44100, 48000, 96000};
// Keeps each run short: conversions that would produce more frames, or need a larger
// filter, are only probed. The filter design itself is covered by the unit tests.
constexpr double kMaxOutputFrames = 400000;
constexpr std::int64_t kMaxPhases = 4096;
constexpr std::int64_t kMaxBlockStep = 1 << 20;

class CancellingWindow : public zel::ConversionProgress {
  public:
    explicit CancellingWindow(int cancelAfter) : cancelAfter_(cancelAfter) {}
    bool Continue(std::int64_t) override { return !(cancelAfter_ > 0 && ++count_ >= cancelAfter_); }

  private:
    int cancelAfter_;
    int count_ = 0;
};

const std::filesystem::path& WorkDir() {
    static const std::filesystem::path dir = [] {
        // Memory-backed where possible: every conversion ends with a flush to the device.
        std::string pattern = std::filesystem::is_directory("/dev/shm") ? "/dev/shm/zel-fuzz-XXXXXX"
                                                                        : "/tmp/zel-fuzz-XXXXXX";
        if (::mkdtemp(pattern.data()) == nullptr) std::abort();
        return std::filesystem::path(pattern);
    }();
    return dir;
}

bool SmallEnoughToConvert(const std::vector<std::uint8_t>& file, std::int32_t rate,
                          std::int32_t speed) {
    if (file.size() < zel::kWavHeaderSize) return true;
    zel::WavHeader header;
    std::copy_n(file.begin(), zel::kWavHeaderSize, header.bytes.begin());
    const zel::WavFormat format = zel::FormatOf(header);
    if (format.blockAlign == 0 || format.sampleRate == 0) return true;
    if (format.sampleRate <= 0x7FFFFFFF) {
        const std::int64_t p0 = static_cast<std::int64_t>(format.sampleRate) * speed;
        const std::int64_t q0 = static_cast<std::int64_t>(rate) * 100;
        const std::int64_t divisor = zel::GreatestCommonDivisor(p0, q0);
        if (q0 / divisor > kMaxPhases || p0 / divisor > kMaxBlockStep) return false;
    }
    const double frames = static_cast<double>(file.size()) / format.blockAlign;
    return frames * rate * 100.0 / (static_cast<double>(format.sampleRate) * speed) <
           kMaxOutputFrames;
}

class CountingSink : public zel::ByteSink {
  public:
    bool Write(const std::uint8_t*, std::size_t count) override {
        bytes += count;
        return true;
    }
    std::uint64_t bytes = 0;
};

// Whatever the reader accepts lies within the file; its first frames decode and its
// metadata is carried without reading past anything.
void CheckChunkReader(const std::vector<std::uint8_t>& file) {
    constexpr std::size_t kDecodedFrames = 64;
    zel::MemoryByteSource source(file);
    const zel::WavReadOutcome outcome = zel::ReadWavLayout(source);
    if (!outcome.Accepted()) return;
    const zel::WavLayout& layout = outcome.layout;
    if (layout.dataOffset > file.size() || layout.dataBytes > file.size() - layout.dataOffset)
        std::abort();
    for (const zel::WavChunkEntry& chunk : layout.chunks)
        if (chunk.offset > file.size() || chunk.size > file.size() - chunk.offset) std::abort();
    const std::size_t frames =
        static_cast<std::size_t>(std::min<std::uint64_t>(layout.frameCount, kDecodedFrames));
    std::vector<float> samples(frames * layout.format.channels);
    zel::DecodeInterleaved(layout.format, file.data() + layout.dataOffset, frames, samples.data());
    zel::MetadataCarryOptions options;
    options.ratio = {48000, layout.format.sampleRate};
    options.outputRate = 48000;
    const zel::CarriedMetadata carried = zel::CarryMetadata(source, layout, options);
    // What is written is exactly what the header was told.
    CountingSink sink;
    for (const bool afterData : {false, true}) {
        sink.bytes = 0;
        if (zel::WriteCarriedChunks(source, carried.chunks, afterData, sink) != zel::kCompleted ||
            sink.bytes != zel::CarriedBytes(carried.chunks, afterData))
            std::abort();
    }
}

void CheckOutcome(zel::ConversionResult result, const std::filesystem::path& output) {
    if (result < zel::kOutOfMemory || result > zel::kCancelled) std::abort();
    std::size_t entries = 0;
    for (auto it = std::filesystem::directory_iterator(WorkDir()); it != decltype(it)(); ++it)
        ++entries;
    if (result < 0) {
        // Only the input may remain.
        if (entries != 1) std::abort();
        return;
    }
    // Any output, finished or cancelled, is a complete file: its sizes agree with its length,
    // whatever metadata was carried after the data.
    const auto bytes = zel::ReadFileBytes(output);
    zel::MemoryByteSource source(bytes);
    const zel::WavReadOutcome written = zel::ReadWavLayout(source);
    if (!written.Accepted() || !written.layout.sizesAgree) std::abort();
    std::filesystem::remove(output);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 3) return 0;
    const std::int32_t rate = kTargetRates[data[0] % std::size(kTargetRates)];
    // Mostly normal speed, where the ratio stays small.
    const std::int32_t speed = data[1] < 128 ? 100 : 50 + data[1] % 151;
    const int cancelAfter = data[2] % 4;
    const std::vector<std::uint8_t> file(data + 3, data + size);
    CheckChunkReader(file);

    const std::filesystem::path input = WorkDir() / "in.wav";
    const std::filesystem::path output = WorkDir() / "out.wav";
    if (!zel::WriteFileBytes(input, file)) std::abort();
    zel::ProbeWavFile(input);
    if (SmallEnoughToConvert(file, rate, speed)) {
        const zel::SimdLevel maxLevel = zel::MaxSimdLevel(zel::DetectCpuFeatures(nullptr));
        for (zel::SimdLevel level = 0; level <= maxLevel; ++level) {
            CancellingWindow window(cancelAfter);
            const zel::ConversionResult result =
                zel::ConvertFile(input, &window, output, {rate, zel::SpeedFromPercent(speed)},
                                 zel::BuildForLevel(level).kernels)
                    .code;
            CheckOutcome(result, output);
        }
    }
    std::filesystem::remove(input);
    return 0;
}
