#include "engine/convert/output_steps.h"

#include <cerrno>

namespace zel {

using platform::FileHandle;
using platform::ReplacingFile;

// An output the system would not create, by the error number it gave.
ConversionOutcome CreationRefused(int error) {
    switch (error) {
        case EMFILE:
        case ENFILE:
            return Refused(ResultDetail::kTooManyOpenFiles);
        case ENOENT:
        case ENOTDIR:
        case EACCES:
        case EPERM:
        case EROFS:
        case EISDIR:
            return Refused(ResultDetail::kFolderNotWritable);
        default: {
            ConversionOutcome refused = Refused(ResultDetail::kOutputNotCreated);
            refused.systemError = error;
            return refused;
        }
    }
}

// The end of a cancelled conversion: the part converted so far takes the output's name
// only when that name is free and it was not asked to be dropped, so a cancel never
// costs an earlier file.
ConversionOutcome FinishCancelled(ReplacingFile& output, bool discard) {
    if (output.TargetExists()) {
        output.Discard();
        return {kCancelled, ResultDetail::kEarlierOutputKept};
    }
    if (discard) {
        output.Discard();
        return {kCancelled, ResultDetail::kPartialRemoved};
    }
    if (!output.Commit()) return {kOutputWriteError};
    return {kCancelled};
}

// A resampler that could not be prepared: out of memory, or the ratio refused for the size
// of its filter.
DataResult Unprepared(PrepareResult prepared) {
    if (prepared == PrepareResult::kRatioTooLarge)
        return {.code = kOutputOpenError, .detail = ResultDetail::kFilterTooLarge};
    if (prepared == PrepareResult::kTempoTooManyChannels)
        return {.code = kOutputOpenError, .detail = ResultDetail::kTempoTooManyChannels};
    return {.code = kOutOfMemory};
}

namespace {

bool WriteBytes(FileHandle& output, std::span<const std::uint8_t> bytes) {
    return bytes.empty() || output.Write(bytes.data(), bytes.size());
}

// The header's bytes in front of the carried chunks, and those behind them.
std::span<const std::uint8_t> HeaderFront(const WavOutputHeader& header) {
    return std::span(header.bytes).first(header.leadingAt);
}
std::span<const std::uint8_t> HeaderBack(const WavOutputHeader& header) {
    return std::span(header.bytes).subspan(header.leadingAt);
}

}  // namespace

// The header with the chunks that stand before the data.
ConversionResult WriteOutputHeader(RandomAccessBytes& input, FileHandle& output,
                                   const WavOutputHeader& header,
                                   const CarriedMetadata& carried) {
    if (!WriteBytes(output, HeaderFront(header))) return kOutputWriteError;
    FileSink sink(output);
    const ConversionResult leading = WriteCarriedChunks(input, carried.chunks, false, sink);
    if (leading != kCompleted) return leading;
    return WriteBytes(output, HeaderBack(header)) ? kCompleted : kOutputWriteError;
}

// The pad byte after odd-sized data and the chunks behind it, then the sizes in the
// header, whose own bytes are written once more in place.
ConversionResult FinishOutputFile(RandomAccessBytes& input, FileHandle& output,
                                  WavOutputHeader& header, const DataResult& data,
                                  const CarriedMetadata& carried) {
    const std::uint64_t trailingBytes = CarriedBytes(carried.chunks, true);
    const std::uint64_t pad = DataPadBytes(data.bytes, trailingBytes != 0);
    const std::uint8_t zero = 0;
    if (pad != 0 && !output.Write(&zero, 1)) return kOutputWriteError;
    FileSink sink(output);
    const ConversionResult trailing = WriteCarriedChunks(input, carried.chunks, true, sink);
    if (trailing != kCompleted) return trailing;
    if (!CompleteWavHeader(header, data.bytes, data.frames, pad + trailingBytes))
        return kOutputWriteError;
    const bool rewritten =
        output.SeekTo(0) && WriteBytes(output, HeaderFront(header)) &&
        output.SeekTo(header.leadingAt + header.leadingBytes) &&
        WriteBytes(output, HeaderBack(header));
    return rewritten ? kCompleted : kOutputWriteError;
}

}  // namespace zel
