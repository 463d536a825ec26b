#include "engine/convert/level_analysis.h"

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/base/file_byte_source.h"
#include "engine/convert/output_steps.h"
#include "engine/convert/sound_file_conversion.h"
#include "engine/convert/sound_file_streams.h"
#include "engine/resample/builds/make_resampler.h"
#include "engine/resample/output_dither.h"
#include "engine/resample/stream_conversion.h"
#include "engine/sndfile/sound_file_writer.h"
#include "engine/wav/wav_chunk_reader.h"
#include "engine/wav/wav_header_writer.h"
#include "platform/file_handle.h"

namespace zel {
namespace {

// Converted frames, measured and dropped.
class MeasuringSink : public ByteSink {
  public:
    MeasuringSink(std::uint32_t channels, LoudnessMeter* meter, AlbumLoudnessMeter* album)
        : channels_(channels), meter_(meter), album_(album) {}
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        samples_.resize(count / sizeof(float));
        std::memcpy(samples_.data(), buffer, samples_.size() * sizeof(float));
        for (float s : samples_) peak_ = std::max(peak_, static_cast<double>(std::abs(s)));
        const std::size_t frames = samples_.size() / channels_;
        return (meter_ == nullptr || meter_->Add(samples_.data(), frames)) &&
               (album_ == nullptr || album_->Add(samples_.data(), frames));
    }
    double Peak() const { return peak_; }

  private:
    std::uint32_t channels_;
    LoudnessMeter* meter_;
    AlbumLoudnessMeter* album_;
    std::vector<float> samples_;
    double peak_ = 0.0;
};

// The input's samples into the resampler, by whichever reader takes the file.
struct MeasuredInput {
    FileByteSource bytes;
    platform::FileHandle handle;
    SoundFileReader reader{};
    WavLayout layout{};
    bool wav = false;
    WavSampleFormat samples{};
    OutputContainer container = OutputContainer::kWav;
};

// The samples the output stores, as the conversion that follows will choose them.
WavSampleFormat StoredSamples(const MeasuredInput& input, const ConversionSettings& settings) {
    const auto rate = static_cast<std::uint32_t>(settings.targetRate);
    if (WritesWav(settings, input.container)) return OutputFormatOf(input.samples, rate, settings.depth);
    WavSampleFormat wanted = WithDepth(input.samples, settings.depth);
    wanted.sampleRate = rate;
    wanted.bigEndian = false;
    const OutputContainer container =
        settings.container == OutputContainer::kSame ? input.container : settings.container;
    return SoundFileWriter::StoredFormat(container, wanted);
}

ConversionResult Measure(MeasuredInput& input, const ConversionSettings& settings,
                         const ConversionKernels& build, ConversionProgress* progress,
                         MeasuringSink& sink) {
    ConversionSettings plain = settings;
    plain.level = {};
    plain.dither = DitherChoice::kNone;
    WavSampleFormat floats = WithDepth(input.samples, OutputDepth::kFloat32);
    floats.sampleRate = static_cast<std::uint32_t>(settings.targetRate);
    floats.bigEndian = false;
    const PreparedResampler prepared = MakeResampler({input.samples, floats, plain, false}, build);
    if (prepared.result != PrepareResult::kReady) return Unprepared(prepared.result).code;
    StreamWritten written;
    if (input.wav) {
        DataChunkSource source(input.bytes, input.layout.dataOffset);
        return ConvertStream(*prepared.resampler, source,
                             static_cast<std::int64_t>(input.layout.frameCount), sink, progress,
                             UINT64_MAX, written);
    }
    DecodedFrames source(input.reader);
    std::int64_t framesRead = 0;
    return ConvertOpenStream(*prepared.resampler, source,
                             std::max<std::int64_t>(input.reader.Info().frames, 0), sink,
                             progress, UINT64_MAX, written, framesRead);
}

}  // namespace

LevelAnalysis AnalyseLevel(const std::filesystem::path& inputPath,
                           const ConversionSettings& settings, const ConversionKernels& build,
                           ConversionProgress* progress, AlbumLoudnessMeter* album) {
    LevelAnalysis analysis;
    if (settings.level.loudnessTarget && !LoudnessMeter::Available()) {
        analysis.code = kOutputOpenError;
        analysis.detail = ResultDetail::kLoudnessUnavailable;
        return analysis;
    }
    MeasuredInput input{FileByteSource(inputPath), platform::FileHandle::OpenForSequentialRead(inputPath)};
    if (!input.bytes.IsOpen() || !input.handle.IsOpen()) {
        analysis.code = kInputOpenError;
        return analysis;
    }
    const WavReadOutcome read = ReadWavLayout(input.bytes);
    input.wav = read.Accepted();
    if (input.wav) {
        input.layout = read.layout;
        input.samples = read.layout.format;
    } else if (input.reader.Open(input.handle.Descriptor())) {
        input.samples = input.reader.Info().read;
        input.container = input.reader.Info().container;
    } else {
        analysis.code = kInputFormatError;
        return analysis;
    }
    if (!settings.IsConvertible()) {
        analysis.code = kOutputOpenError;
        analysis.detail = ResultDetail::kInvalidSettings;
        return analysis;
    }
    const WavSampleFormat stored = StoredSamples(input, settings);
    analysis.headroomLimit =
        HeadroomLimit(stored, DitherFor(settings, input.samples, stored), settings.targetRate);

    LoudnessMeter meter;
    const bool loudness = settings.level.loudnessTarget.has_value();
    const auto outputRate = static_cast<std::uint32_t>(settings.targetRate);
    if (loudness && (!meter.Start(input.samples.channels, outputRate) ||
                     (album != nullptr && !album->BeginFile(input.samples.channels, outputRate)))) {
        analysis.code = kOutOfMemory;
        return analysis;
    }
    MeasuringSink sink(input.samples.channels, loudness ? &meter : nullptr,
                       loudness ? album : nullptr);
    analysis.code = Measure(input, settings, build, progress, sink);
    analysis.measured.samplePeak = sink.Peak();
    if (loudness) analysis.measured.loudness = meter.Reading();
    return analysis;
}

}  // namespace zel
