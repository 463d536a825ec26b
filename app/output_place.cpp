#include "app/output_place.h"

#include "app/qt_path.h"
#include "batch/output_path.h"
#include "engine/sndfile/sound_file_formats.h"

OutputPlace MakeOutputPlace(const QString& suffix, zel::OutputContainer container,
                            bool intoFolder, const QString& folder) {
    OutputPlace place;
    place.suffix = ToFilesystemPath(suffix).native();
    place.extension = zel::ContainerExtension(container);
    if (intoFolder) place.folder = ToFilesystemPath(folder);
    return place;
}

std::filesystem::path OutputFolderFor(const OutputPlace& place, const QString& relative) {
    if (place.folder.empty()) return {};
    return zel::OutputFolderBelow(place.folder, ToFilesystemPath(relative).native());
}

std::filesystem::path OutputPathFor(const OutputPlace& place, const QString& input,
                                    const QString& relative) {
    return zel::MakeOutputPathIn(OutputFolderFor(place, relative), ToFilesystemPath(input),
                                 place.suffix, place.extension);
}
