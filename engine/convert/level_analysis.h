#pragma once
// The first read of a file whose level is set from what it holds: the same conversion
// (rate, speed, quality) runs to single-precision floats that are measured and dropped,
// so the peaks between the input's samples that the resampler brings out are seen. Nothing
// is written; memory stays that of one block.

#include <filesystem>

#include "engine/base/conversion_progress.h"
#include "engine/base/conversion_result.h"
#include "engine/convert/album_loudness_meter.h"
#include "engine/convert/conversion_outcome.h"
#include "engine/convert/level_gain.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/resample/conversion_settings.h"

namespace zel {

struct LevelAnalysis {
    ConversionResult code = kCompleted;
    ResultDetail detail = ResultDetail::kNone;
    LevelMeasurement measured;
    // What the output will take without saturating (HeadroomLimit of its samples).
    double headroomLimit = 1.0;
};

// `album`: when given, the converted frames are added to it too, as the album's next file.
LevelAnalysis AnalyseLevel(const std::filesystem::path& inputPath,
                           const ConversionSettings& settings, const ConversionKernels& build,
                           ConversionProgress* progress, AlbumLoudnessMeter* album = nullptr);

// The progress of one of a conversion's two reads, as half of the file's.
class PassProgress : public ConversionProgress {
  public:
    PassProgress(ConversionProgress* whole, std::int64_t from) : whole_(whole), from_(from) {}
    bool Continue(std::int64_t percent) override {
        return whole_ == nullptr || whole_->Continue(from_ + percent / 2);
    }
    bool DiscardPartial() const override {
        return whole_ != nullptr && whole_->DiscardPartial();
    }

  private:
    ConversionProgress* whole_;
    std::int64_t from_;
};

}  // namespace zel
