#include "batch/batch_albums.h"

#include <algorithm>
#include <map>
#include <system_error>

namespace zel {

std::filesystem::path AlbumFolderOf(const std::string& input) {
    std::error_code error;
    std::filesystem::path absolute = std::filesystem::absolute(input, error);
    if (error) absolute = input;
    return absolute.lexically_normal().parent_path();
}

namespace {

// Entry i: the album of file i, albums numbered in order of their first file.
std::vector<std::size_t> AlbumNumbers(const std::vector<std::string>& files,
                                      std::size_t& albumCount) {
    std::map<std::filesystem::path, std::size_t> numbers;
    std::vector<std::size_t> albumOf;
    albumOf.reserve(files.size());
    for (const std::string& file : files)
        albumOf.push_back(numbers.try_emplace(AlbumFolderOf(file), numbers.size()).first->second);
    albumCount = numbers.size();
    return albumOf;
}

}  // namespace

std::vector<ListRange> WholeAlbumRanges(const std::vector<std::string>& files) {
    std::size_t albumCount = 0;
    const std::vector<std::size_t> albumOf = AlbumNumbers(files, albumCount);
    std::vector<std::size_t> lastFile(albumCount, 0);
    for (std::size_t i = 0; i < albumOf.size(); ++i) lastFile[albumOf[i]] = i;
    std::vector<ListRange> ranges;
    std::size_t first = 0, end = 0;
    for (std::size_t i = 0; i < albumOf.size(); ++i) {
        end = std::max(end, lastFile[albumOf[i]]);
        if (i != end) continue;
        ranges.push_back({first, i + 1 - first});
        first = i + 1;
    }
    return ranges;
}

BatchAlbums::BatchAlbums(const std::vector<std::string>& files) : files_(files) {
    std::size_t albumCount = 0;
    albumOf_ = AlbumNumbers(files_, albumCount);
    members_.resize(albumCount);
    measured_.resize(albumCount);
    placeInAlbum_.reserve(files_.size());
    for (std::size_t i = 0; i < files_.size(); ++i) {
        std::vector<std::size_t>& members = members_[albumOf_[i]];
        placeInAlbum_.push_back(members.size());
        members.push_back(i);
    }
}

const AlbumMeasurement& BatchAlbums::MeasuredAlbumOf(std::size_t file,
                                                     const ConversionSettings& settings,
                                                     const ConversionKernels& build,
                                                     ConversionProgress* progress) {
    std::unique_ptr<AlbumMeasurement>& measured = measured_[albumOf_[file]];
    if (measured && measured->code != kCancelled) return *measured;
    std::vector<std::filesystem::path> inputs;
    for (std::size_t member : members_[albumOf_[file]]) inputs.emplace_back(files_[member]);
    measured = std::make_unique<AlbumMeasurement>(MeasureAlbum(inputs, settings, build, progress));
    return *measured;
}

}  // namespace zel
