#include "app/output_place.h"

#include "app/qt_path.h"
#include "app/zel_dlg.h"
#include "batch/output_path.h"
#include "engine/sndfile/sound_file_formats.h"

OutputPlace OutputPlaceOf(const CZELDlg& dlg) {
    OutputPlace place;
    place.suffix = ToFilesystemPath(dlg.SuffixText()).native();
    place.extension = zel::ContainerExtension(dlg.Container());
    if (dlg.WritesIntoFolder()) place.folder = ToFilesystemPath(dlg.OutputFolderText());
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
