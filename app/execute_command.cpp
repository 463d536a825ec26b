#include "app/execute_command.h"

#include <QCoreApplication>
#include <QFile>
#include <string>
#include <vector>

#include "app/ui_translations.h"
#include "app/user_prompts.h"
#include "app/zel_dlg.h"
#include "app/progress_dlg.h"
#include "app/result_dlg.h"
#include "batch/output_path.h"
#include "texts/message_catalogue.h"

namespace {

// Paths and the suffix go to the worker in the file system's encoding, so the output
// name is the input's bytes with the suffix's bytes inserted.
std::string ToFileSystemText(const QString& text) { return QFile::encodeName(text).toStdString(); }

std::vector<std::string> ToFileSystemTexts(const QStringList& texts) {
    std::vector<std::string> converted;
    converted.reserve(static_cast<std::size_t>(texts.size()));
    for (const QString& text : texts) converted.push_back(ToFileSystemText(text));
    return converted;
}

// The folder file i's output goes to, by the same rule the worker names it with.
QString OutputFolderOf(const zel::BatchJob& job, std::int32_t i, const QString& input) {
    const std::filesystem::path output =
        zel::MakeOutputPathIn(job.OutputFolder(i), ToFileSystemText(input), job.GetSuffix());
    return QFile::decodeName(QByteArray::fromStdString(output.parent_path().string()));
}

}  // namespace

void RunExecuteCommand(CZELDlg& dlg, std::chrono::milliseconds filePause) {
    // Everything is read before anything is checked.
    const QStringList paths = dlg.InputPaths();
    const QString frequencyText = dlg.FrequencyText().left(zel::kFrequencyTextLimit);
    const int speed = dlg.SpeedPosition();
    const QString suffix = dlg.SuffixText();
    const bool stripMetadata = dlg.StripsMetadata();
    const zel::SimdLevel simdLevel = dlg.m_simdLevel;
    const zel::ConversionQuality quality = dlg.Quality();

    const std::int32_t sampleRate = zel::ParseLeadingInteger(frequencyText.toStdString());
    const zel::SettingsProblem problem = zel::CheckBatchSettings(
        static_cast<std::size_t>(paths.size()), suffix.toStdString(), sampleRate, speed);
    if (problem != zel::SettingsProblem::kNone) {
        dlg.Prompts().ShowError(
            &dlg, QString::fromStdString(std::string(
                      zel::texts::SettingsProblemText(problem, InstalledUiLanguage()))));
        return;
    }

    CProgressDlg progress(&dlg);
    zel::BatchJob& job = progress.Job();
    job.SetFiles(ToFileSystemTexts(paths));
    job.m_suffix = ToFileSystemText(suffix);
    job.m_speed = speed;
    job.m_sampleRate = sampleRate;
    job.m_stripMetadata = stripMetadata;
    job.m_simdLevel = simdLevel;
    job.m_quality = quality;
    job.m_pause = filePause;
    progress.DoModal();

    // The worker has sent its last message: every result up to a cancelled file is written;
    // the files after it were not reached.
    CResultDlg result(&dlg);
    result.SetPrompts(&dlg.Prompts());
    const std::int32_t processed = job.ProcessedFileCount();
    for (std::int32_t i = 0; i < processed; ++i)
        result.AddRow(paths[i], job.Outcome(i), OutputFolderOf(job, i, paths[i]));
    for (std::int32_t i = processed; i < paths.size(); ++i)
        result.AddNotProcessedRow(paths[i], OutputFolderOf(job, i, paths[i]));
    result.exec();
}
