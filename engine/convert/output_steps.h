#pragma once
// The steps every conversion of a file shares, whatever its containers: reading a data
// chunk, writing to the output, refusing an output the system would not create, the WAV
// header around the data, and how a cancelled output ends.

#include <cstdint>
#include <span>

#include "engine/base/byte_stream.h"
#include "engine/base/random_access_bytes.h"
#include "engine/convert/conversion_outcome.h"
#include "engine/resample/prepare_result.h"
#include "engine/wav/metadata_carry.h"
#include "engine/wav/wav_header_writer.h"
#include "platform/file_handle.h"
#include "platform/replacing_file.h"

namespace zel {

// The data chunk read front to back.
class DataChunkSource : public ByteSource {
  public:
    DataChunkSource(RandomAccessBytes& input, std::uint64_t offset)
        : input_(input), offset_(offset) {}
    bool ReadExactly(std::uint8_t* buffer, std::size_t count) override {
        // A file that shrinks under us is a read error, not stale samples.
        if (!input_.ReadAt(offset_, buffer, count)) return false;
        offset_ += count;
        return true;
    }

  private:
    RandomAccessBytes& input_;
    std::uint64_t offset_;
};

// Every output is forced to the device before it takes its name; writing back each few
// MiB as they come lets the device work beside the conversion instead of after it.
class FileSink : public ByteSink {
  public:
    explicit FileSink(platform::FileHandle& file) : file_(file) {}
    bool Write(const std::uint8_t* buffer, std::size_t count) override {
        if (!file_.Write(buffer, count)) return false;
        unsent_ += count;
        if (unsent_ >= kWritebackStep) {
            file_.StartWriteback();
            unsent_ = 0;
        }
        return true;
    }

  private:
    static constexpr std::size_t kWritebackStep = std::size_t{2} << 20;

    platform::FileHandle& file_;
    std::size_t unsent_ = 0;
};

inline ConversionOutcome Refused(ResultDetail detail) { return {kOutputOpenError, detail}; }

// An output the system would not create, by the error number it gave.
ConversionOutcome CreationRefused(int error);

// The end of a cancelled conversion: the part converted so far takes the output's name
// only when that name is free and it was not asked to be dropped, so a cancel never
// costs an earlier file.
ConversionOutcome FinishCancelled(platform::ReplacingFile& output, bool discard);

struct DataResult {
    ConversionResult code = kCompleted;
    std::uint64_t bytes = 0;
    std::uint64_t frames = 0;
    // Integer samples the float paths had to saturate (the integer kernels do not count).
    std::uint64_t saturated = 0;
    // NaN or infinite input samples, converted as silence.
    std::uint64_t nonFinite = 0;
    ResultDetail detail = ResultDetail::kNone;  // of a refused ratio
};

// A resampler that could not be prepared: out of memory, or the ratio refused for the size
// of its filter.
DataResult Unprepared(PrepareResult prepared);

// The header with the chunks that stand before the data.
ConversionResult WriteOutputHeader(RandomAccessBytes& input, platform::FileHandle& output,
                                   const WavOutputHeader& header, const CarriedMetadata& carried);

// The pad byte after odd-sized data and the chunks behind it, then the sizes in the
// header, whose own bytes are written once more in place.
ConversionResult FinishOutputFile(RandomAccessBytes& input, platform::FileHandle& output,
                                  WavOutputHeader& header, const DataResult& data,
                                  const CarriedMetadata& carried);

}  // namespace zel
