#include "engine/convert/album_level.h"

#include <algorithm>
#include <cmath>

#include "engine/convert/convert_file.h"
#include "engine/convert/level_gain.h"

namespace zel {
namespace {

// The first reads of an album's files as one progress: file k of n takes the k-th n-th.
class AlbumProgress : public ConversionProgress {
  public:
    AlbumProgress(ConversionProgress* whole, std::size_t files) : whole_(whole), files_(files) {}
    void StartFile(std::size_t file) { file_ = file; }
    bool Continue(std::int64_t percent) override {
        const auto done = static_cast<std::int64_t>(file_) * 100 + percent;
        return whole_ == nullptr || whole_->Continue(done / static_cast<std::int64_t>(files_));
    }
    bool DiscardPartial() const override { return whole_ != nullptr && whole_->DiscardPartial(); }

  private:
    ConversionProgress* whole_;
    std::size_t files_;
    std::size_t file_ = 0;
};

// The lowest of the gains each measured file's own rule allows at the album's loudness.
void ChooseAlbumGain(const LevelSettings& settings, AlbumMeasurement& album) {
    double gain = settings.gainDb;
    bool first = true;
    for (const LevelAnalysis& file : album.files) {
        if (file.code != kCompleted) continue;
        LevelMeasurement measured = file.measured;
        if (measured.loudness) measured.loudness->integrated = album.loudness;
        const LevelOutcome own = ChooseLevel(settings, measured, file.headroomLimit);
        gain = first ? own.gainDb : std::min(gain, own.gainDb);
        album.ceilingLimited = album.ceilingLimited || own.ceilingLimited;
        first = false;
    }
    album.gainDb = gain;
}

bool InputUnreadable(ConversionResult code) {
    return code == kInputFormatError || code == kInputOpenError;
}

}  // namespace

AlbumMeasurement MeasureAlbum(const std::vector<std::filesystem::path>& inputs,
                              const ConversionSettings& settings, const ConversionKernels& build,
                              ConversionProgress* progress) {
    AlbumMeasurement album;
    AlbumLoudnessMeter meter;
    const bool loudness = settings.level.loudnessTarget.has_value();
    AlbumProgress albumProgress(progress, std::max<std::size_t>(inputs.size(), 1));
    for (std::size_t i = 0; i < inputs.size(); ++i) {
        albumProgress.StartFile(i);
        album.files.push_back(AnalyseLevel(inputs[i], settings, build,
                                           progress != nullptr ? &albumProgress : nullptr,
                                           loudness ? &meter : nullptr));
        const ConversionResult code = album.files.back().code;
        if (code == kCancelled) {
            album.code = kCancelled;
            return album;
        }
        if (code == kCompleted) ++album.measuredFiles;
    }
    if (loudness) {
        album.loudness = meter.Integrated();
        // Files that were measured, yet no album: the meter failed on the way.
        if (std::isnan(album.loudness) && album.measuredFiles > 0) album.code = kOutOfMemory;
    }
    ChooseAlbumGain(settings.level, album);
    return album;
}

LevelOutcome AlbumLevelOf(const AlbumMeasurement& album, std::size_t index) {
    const LevelAnalysis& file = album.files[index];
    LevelOutcome level;
    level.applied = true;
    level.gainDb = album.gainDb;
    level.ceilingLimited = album.ceilingLimited;
    level.albumFiles = album.measuredFiles;
    if (file.measured.loudness) {
        const LoudnessReading& own = *file.measured.loudness;
        level.loudnessBefore = own.integrated;
        level.loudnessAfter = own.integrated + album.gainDb;
        if (own.truePeak > 0.0)
            level.truePeakAfter = 20.0 * std::log10(own.truePeak) + album.gainDb;
    }
    if (!std::isnan(album.loudness)) {
        level.albumLoudnessBefore = album.loudness;
        level.albumLoudnessAfter = album.loudness + album.gainDb;
    }
    return level;
}

ConversionOutcome ConvertAlbumFile(const std::filesystem::path& inputPath,
                                   ConversionProgress* progress,
                                   const std::filesystem::path& outputPath,
                                   const ConversionSettings& settings,
                                   const AlbumMeasurement& album, std::size_t index,
                                   const ConversionKernels& build) {
    const LevelAnalysis& file = album.files[index];
    PassProgress converting(progress, 50);
    ConversionProgress* const second = progress != nullptr ? &converting : nullptr;
    // An input neither reader takes: the conversion itself says why, in its own words.
    if (InputUnreadable(file.code))
        return ConvertFileAtLevel(inputPath, second, outputPath, settings, {}, build);
    if (file.code != kCompleted) return {file.code, file.detail};
    if (album.code != kCompleted) return {album.code};
    return ConvertFileAtLevel(inputPath, second, outputPath, settings, AlbumLevelOf(album, index),
                              build);
}

}  // namespace zel
