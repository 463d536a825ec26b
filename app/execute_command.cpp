#include "app/execute_command.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/progress_dlg.h"
#include "app/qt_path.h"
#include "app/result_dlg.h"
#include "app/ui_translations.h"
#include "app/user_prompts.h"
#include "app/zel_dlg.h"
#include "batch/existing_output.h"
#include "batch/folder_walk.h"
#include "batch/output_clash.h"
#include "batch/output_path.h"
#include "engine/sndfile/sound_file_formats.h"
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

// Where each output goes with an output folder: placed below it as zel-cli's --output-dir
// places a file given by name; the desktop lists full paths, so that is the folder itself.
std::vector<std::filesystem::path> OutputFoldersIn(const QString& folder,
                                                   const std::vector<std::string>& inputs) {
    const std::filesystem::path outputFolder = ToFilesystemPath(folder);
    std::vector<std::filesystem::path> folders;
    folders.reserve(inputs.size());
    for (const std::string& input : inputs)
        folders.push_back(zel::OutputFolderBelow(outputFolder, zel::EntryForFile(input).relative));
    return folders;
}

// The refusal of an output choice that cannot work; empty when it can.
QString OutputChoiceProblem(bool intoFolder, const QString& folder,
                            const std::vector<std::string>& inputs,
                            const std::vector<std::filesystem::path>& folders,
                            const std::string& suffix, std::string_view extension) {
    if (intoFolder && folder.isEmpty())
        return QCoreApplication::translate("ExecuteCommand", "出力先フォルダが指定されていません");
    const std::optional<zel::OutputClash> clash = zel::FindOutputClash(inputs, folders, suffix, extension);
    if (!clash) return {};
    return QCoreApplication::translate("ExecuteCommand",
                                       "次の2つのファイルの出力先が同じになります\n%1\n%2\n→ %3")
        .arg(QFile::decodeName(QByteArray::fromStdString(inputs[clash->first])),
             QFile::decodeName(QByteArray::fromStdString(inputs[clash->second])),
             FromFilesystemPath(clash->output));
}

// Asks once, before anything is replaced, when outputs exist already; nullopt: cancel.
std::optional<bool> SkipsExistingOutputs(CZELDlg& dlg, const std::vector<std::string>& inputs,
                                         const std::vector<std::filesystem::path>& folders,
                                         const std::string& suffix,
                                         std::string_view extension) {
    const std::size_t existing = zel::CountExistingOutputs(inputs, folders, suffix, extension);
    if (existing == 0) return false;
    const QString text =
        QCoreApplication::translate("ExecuteCommand",
                                    "出力ファイルのうち %1 個が既に存在します。\n"
                                    "置き換えますか、それとも既存のファイルをスキップしますか？")
            .arg(static_cast<qulonglong>(existing));
    switch (dlg.Prompts().AskAboutExistingOutputs(&dlg, text)) {
        case ExistingOutputsAnswer::kReplaceAll:
            return false;
        case ExistingOutputsAnswer::kSkipExisting:
            return true;
        case ExistingOutputsAnswer::kCancel:
            break;
    }
    return std::nullopt;
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
    const zel::OutputContainer container = dlg.Container();
    const zel::OutputDepth depth = dlg.Depth();
    const zel::DitherChoice dither = dlg.Dither();
    const bool intoFolder = dlg.WritesIntoFolder();
    const QString outputFolder = dlg.OutputFolderText();

    const std::int32_t sampleRate = zel::ParseLeadingInteger(frequencyText.toStdString());
    const zel::SettingsProblem problem = zel::CheckBatchSettings(
        static_cast<std::size_t>(paths.size()), suffix.toStdString(), sampleRate, speed);
    if (problem != zel::SettingsProblem::kNone) {
        dlg.Prompts().ShowError(
            &dlg, QString::fromStdString(std::string(
                      zel::texts::SettingsProblemText(problem, InstalledUiLanguage()))));
        return;
    }
    std::vector<std::string> inputs = ToFileSystemTexts(paths);
    const std::string fileSystemSuffix = ToFileSystemText(suffix);
    std::vector<std::filesystem::path> folders;
    if (intoFolder && !outputFolder.isEmpty()) folders = OutputFoldersIn(outputFolder, inputs);
    // Another container renames every output, so files differing only in extension meet.
    const std::string_view extension = zel::ContainerExtension(container);
    const QString outputProblem = OutputChoiceProblem(intoFolder, outputFolder, inputs, folders,
                                                      fileSystemSuffix, extension);
    if (!outputProblem.isEmpty()) {
        dlg.Prompts().ShowError(&dlg, outputProblem);
        return;
    }
    const std::optional<bool> skipExisting =
        SkipsExistingOutputs(dlg, inputs, folders, fileSystemSuffix, extension);
    if (!skipExisting) return;

    CProgressDlg progress(&dlg);
    zel::BatchJob& job = progress.Job();
    job.SetFiles(std::move(inputs));
    job.m_outputFolders = std::move(folders);
    job.m_skipExisting = *skipExisting;
    job.m_suffix = fileSystemSuffix;
    job.SetConversion({.targetRate = sampleRate,
                       .speedPercent = speed,
                       .quality = quality,
                       .dither = dither,
                       .stripMetadata = stripMetadata,
                       .container = container,
                       .depth = depth});
    job.m_simdLevel = simdLevel;
    job.m_pause = filePause;
    progress.DoModal();
    // A long batch is often left to run behind other windows.
    QApplication::alert(&dlg);

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
