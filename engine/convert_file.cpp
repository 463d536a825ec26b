#include "engine/convert_file.h"

#include <algorithm>

#include "engine/block_conversion.h"
#include "engine/high_quality_file_conversion.h"
#include "engine/wav_header.h"
#include "platform/file_handle.h"
#include "platform/name_limits.h"
#include "platform/replacing_file.h"

namespace zel {
namespace {

using platform::FileHandle;
using platform::MessageWindow;
using platform::ReplacingFile;

class FileSource : public ByteSource {
  public:
    explicit FileSource(FileHandle& file) : file_(file) {}
    bool ReadExactly(std::uint8_t* buffer, std::size_t count) override {
        std::size_t got = 0;
        // A file that shrinks under us is a read error, not stale samples.
        return file_.Read(buffer, count, got) && got == count;
    }

  private:
    FileHandle& file_;
};

class FileSink : public ByteSink {
  public:
    explicit FileSink(FileHandle& file) : file_(file) {}
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        return file_.Write(buffer, count);
    }

  private:
    FileHandle& file_;
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

ConversionOutcome Refused(ResultDetail detail) { return {kOutputOpenError, detail}; }

// The end of a cancelled conversion: the part converted so far takes the output's name
// only when that name is free, so a cancel never costs an earlier file.
ConversionOutcome FinishCancelled(ReplacingFile& output) {
    if (output.TargetExists()) {
        output.Discard();
        return {kCancelled, ResultDetail::kEarlierOutputKept};
    }
    if (!output.Commit()) return {kOutputWriteError};
    return {kCancelled};
}

}  // namespace

ConversionOutcome ConvertFile(const std::filesystem::path& inputPath, MessageWindow* progressWindow,
                              const std::filesystem::path& outputPath,
                              const ConversionSettings& settings, const ConversionKernels& build) {
    if (settings.quality == ConversionQuality::kHigh)
        return ConvertFileHighQuality(inputPath, progressWindow, outputPath, settings,
                                      HighQualityKernelsFor(build));
    FileHandle input = FileHandle::OpenForSequentialRead(inputPath);
    if (!input.IsOpen()) return {kInputOpenError};
    // A leftover of an interrupted conversion is never taken as an input.
    if (ReplacingFile::IsTemporaryName(inputPath)) return {kInputFormatError};

    WavHeader header;
    std::size_t got = 0;
    if (!input.Read(header.bytes.data(), kWavHeaderSize, got)) return {kInputReadError};
    if (got < kWavHeaderSize || CheckHeader(header) != HeaderVerdict::kAccepted)
        return {kInputFormatError};
    const WavFormat format = FormatOf(header);

    if (!settings.IsConvertible()) return Refused(ResultDetail::kInvalidSettings);
    if (!platform::NameFitsFileSystem(outputPath)) return Refused(ResultDetail::kNameTooLong);
    ReplacingFile output = ReplacingFile::Create(outputPath, input.PermissionBits());
    if (!output.IsOpen()) return Refused(ResultDetail::kFolderNotWritable);
    WavHeader outputHeader =
        DeriveOutputHeader(header, static_cast<std::uint32_t>(settings.targetRate));
    if (!WriteHeader(output.File(), outputHeader)) return {kOutputWriteError};

    BlockConversion conversion(build);
    const ConversionResult prepared =
        conversion.Prepare(format, settings.targetRate, settings.speedPercent);
    if (prepared != kCompleted) return {prepared};

    const std::int64_t total = FramesPresent(format, input.Size());
    FileSource source(input);
    FileSink sink(output.File());
    const ConversionResult result = conversion.Run(source, sink, total, progressWindow);
    if (result < 0) return {result};

    CompleteHeader(outputHeader,
                   static_cast<std::uint32_t>(conversion.FramesWritten() * format.blockAlign));
    if (!output.File().SeekToStart() || !WriteHeader(output.File(), outputHeader))
        return {kOutputWriteError};
    input.Close();
    ConversionOutcome outcome{result};
    if (result == kCancelled) outcome = FinishCancelled(output);
    else if (!output.Commit()) outcome = {kOutputWriteError};
    outcome.framesIn = total;
    outcome.framesOut = conversion.FramesWritten();
    return outcome;
}

}  // namespace zel
