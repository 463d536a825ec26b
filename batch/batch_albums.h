#pragma once
// The albums of a batch, for one gain per album: an album is the files of the batch that
// sit in one folder (compared as absolute, lexically normal paths), wherever they stand in
// the list. An album is measured when the first of its files to be converted comes up, all
// its files in one go; each of its files is then converted at the album's gain when its
// own turn comes, so results still arrive in list order and each file is read twice.

#include <cstddef>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "engine/base/conversion_progress.h"
#include "engine/convert/album_level.h"
#include "engine/resample/builds/conversion_builds.h"
#include "engine/resample/conversion_settings.h"

namespace zel {

// The folder whose files make up the album of `input`.
std::filesystem::path AlbumFolderOf(const std::string& input);

// A run of the list: files first .. first + count - 1.
struct ListRange {
    std::size_t first = 0;
    std::size_t count = 0;
};

// The list cut into the shortest runs that each hold whole albums, in order, so runs can
// be converted side by side without an album losing its single gain.
std::vector<ListRange> WholeAlbumRanges(const std::vector<std::string>& files);

class BatchAlbums {
  public:
    explicit BatchAlbums(const std::vector<std::string>& files);

    // The album of file `file`, measured first when it has not been; a cancelled
    // measurement is not kept.
    const AlbumMeasurement& MeasuredAlbumOf(std::size_t file, const ConversionSettings& settings,
                                            const ConversionKernels& build,
                                            ConversionProgress* progress);
    // Where file `file` stands in its album.
    std::size_t PlaceInAlbum(std::size_t file) const { return placeInAlbum_[file]; }

  private:
    std::vector<std::string> files_;
    // Entry i: the album of file i, and where it stands in it.
    std::vector<std::size_t> albumOf_;
    std::vector<std::size_t> placeInAlbum_;
    // Entry a: the files of album a, in list order, and its measurement once made.
    std::vector<std::vector<std::size_t>> members_;
    std::vector<std::unique_ptr<AlbumMeasurement>> measured_;
};

}  // namespace zel
