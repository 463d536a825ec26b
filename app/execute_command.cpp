#include "app/execute_command.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/input_file_list.h"
#include "app/output_place.h"
#include "app/progress_dlg.h"
#include "app/qt_path.h"
#include "app/result_dlg.h"
#include "app/ui_translations.h"
#include "app/user_prompts.h"
#include "app/zel_dlg.h"
#include "batch/existing_output.h"
#include "batch/output_clash.h"
#include "batch/output_on_input.h"
#include "texts/message_catalogue.h"

namespace {

// Paths and the suffix go to the worker in the file system's encoding, so the output
// name is the input's bytes with the suffix's bytes inserted.
std::string ToFileSystemText(const QString& text) { return QFile::encodeName(text).toStdString(); }

QString OutputOf(const OutputPlace& place, const QString& input, const QString& relative) {
    return FromFilesystemPath(OutputPathFor(place, input, relative));
}

std::vector<std::string> ToFileSystemTexts(const QStringList& texts) {
    std::vector<std::string> converted;
    converted.reserve(static_cast<std::size_t>(texts.size()));
    for (const QString& text : texts) converted.push_back(ToFileSystemText(text));
    return converted;
}

// Where each output goes with an output folder: the row's path below the folder it was
// added from, kept below the output folder.
std::vector<std::filesystem::path> OutputFoldersOf(const OutputPlace& place,
                                                   const QStringList& relatives) {
    std::vector<std::filesystem::path> folders;
    if (place.folder.empty()) return folders;
    folders.reserve(static_cast<std::size_t>(relatives.size()));
    for (const QString& relative : relatives) folders.push_back(OutputFolderFor(place, relative));
    return folders;
}

// What is wrong with the output folder as typed or chosen; empty when it can be used. A
// folder that does not exist yet is made when the batch starts.
QString OutputFolderProblem(const QString& folder) {
    if (folder.isEmpty())
        return QCoreApplication::translate("ExecuteCommand", "出力先フォルダが指定されていません");
    const QFileInfo info(folder);
    if (info.isRelative())
        return QCoreApplication::translate("ExecuteCommand",
                                           "出力先フォルダは / で始まるフルパスで指定してください\n%1")
            .arg(folder);
    if (info.exists() && !info.isDir())
        return QCoreApplication::translate("ExecuteCommand",
                                           "出力先フォルダとして指定されたものはフォルダではありません\n%1")
            .arg(folder);
    return {};
}

// Makes the output folder, with the folders above it, before the first file; empty when it
// is there.
QString MakeOutputFolder(const std::filesystem::path& folder) {
    std::error_code error;
    std::filesystem::create_directories(folder, error);
    if (!error) return {};
    return QCoreApplication::translate("ExecuteCommand", "出力先フォルダを作成できません\n%1\n%2")
        .arg(FromFilesystemPath(folder), QString::fromLocal8Bit(error.message()));
}

// The refusal of a batch whose outputs would meet; empty when every output is its own.
QString OutputClashProblem(const std::vector<std::string>& inputs,
                           const std::vector<std::filesystem::path>& folders,
                           const OutputPlace& place) {
    const std::optional<zel::OutputClash> clash =
        zel::FindOutputClash(inputs, folders, place.suffix, place.extension);
    if (!clash) return {};
    return QCoreApplication::translate("ExecuteCommand",
                                       "次の2つのファイルの出力先が同じになります\n%1\n%2\n→ %3")
        .arg(QFile::decodeName(QByteArray::fromStdString(inputs[clash->first])),
             QFile::decodeName(QByteArray::fromStdString(inputs[clash->second])),
             FromFilesystemPath(clash->output));
}

// The refusal of a list in which one file is another's output, which a run would replace
// with an output of an output; empty when no output is a listed file.
QString OutputOnInputProblem(const std::vector<std::string>& inputs,
                             const std::vector<std::filesystem::path>& folders,
                             const OutputPlace& place) {
    const std::optional<zel::OutputOnInput> found =
        zel::FindOutputOnInput(inputs, folders, place.suffix, place.extension);
    if (!found) return {};
    return QCoreApplication::translate(
               "ExecuteCommand",
               "次のファイルの出力先が、リストにある別の入力ファイルになります\n%1\n→ %2\n"
               "以前の出力をリストから削除するか、サフィックスを変えてください")
        .arg(QFile::decodeName(QByteArray::fromStdString(inputs[found->input])),
             FromFilesystemPath(found->output));
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
    const QStringList relatives = dlg.InputList()->RelativePaths();
    const QString frequencyText = dlg.FrequencyText().left(zel::kFrequencyTextLimit);
    const zel::SpeedRatio speed = dlg.Speed();
    const bool keepRate = dlg.KeepsInputRate();
    const QString suffix = dlg.SuffixText();
    const bool stripMetadata = dlg.StripsMetadata();
    const zel::SimdLevel simdLevel = dlg.m_simdLevel;
    const zel::ConversionQuality quality = dlg.Quality();
    const zel::OutputContainer container = dlg.Container();
    const zel::OutputDepth depth = dlg.Depth();
    const zel::DitherChoice dither = dlg.Dither();
    const zel::LevelSettings level = dlg.Level();
    const bool intoFolder = dlg.WritesIntoFolder();
    const QString outputFolder = dlg.OutputFolderText();
    const OutputPlace place = MakeOutputPlace(suffix, container, intoFolder, outputFolder);

    const std::int32_t sampleRate = zel::ParseLeadingInteger(frequencyText.toStdString());
    const zel::SettingsProblem problem = zel::CheckBatchSettings(
        static_cast<std::size_t>(paths.size()), suffix.toStdString(),
        keepRate ? std::nullopt : std::optional<std::int32_t>(sampleRate), speed);
    if (problem != zel::SettingsProblem::kNone) {
        dlg.Prompts().ShowError(
            &dlg, QString::fromStdString(std::string(
                      zel::texts::SettingsProblemText(problem, InstalledUiLanguage()))));
        return;
    }
    std::vector<std::string> inputs = ToFileSystemTexts(paths);
    std::vector<std::filesystem::path> folders = OutputFoldersOf(place, relatives);
    // Another container renames every output, so files differing only in extension meet.
    QString outputProblem = intoFolder ? OutputFolderProblem(outputFolder) : QString();
    if (outputProblem.isEmpty()) outputProblem = OutputClashProblem(inputs, folders, place);
    if (outputProblem.isEmpty()) outputProblem = OutputOnInputProblem(inputs, folders, place);
    if (!outputProblem.isEmpty()) {
        dlg.Prompts().ShowError(&dlg, outputProblem);
        return;
    }
    const std::optional<bool> skipExisting =
        SkipsExistingOutputs(dlg, inputs, folders, place.suffix, place.extension);
    if (!skipExisting) return;
    if (intoFolder) {
        const QString folderProblem = MakeOutputFolder(place.folder);
        if (!folderProblem.isEmpty()) {
            dlg.Prompts().ShowError(&dlg, folderProblem);
            return;
        }
    }

    CProgressDlg progress(&dlg);
    zel::BatchJob& job = progress.Job();
    job.SetFiles(std::move(inputs));
    job.m_outputFolders = std::move(folders);
    job.m_skipExisting = *skipExisting;
    job.m_suffix = place.suffix;
    job.SetConversion({.targetRate = keepRate ? 0 : sampleRate,
                       .speed = speed,
                       .quality = quality,
                       .dither = dither,
                       .stripMetadata = stripMetadata,
                       .container = container,
                       .depth = depth,
                       .level = level,
                       .keepInputRate = keepRate,
                       .keepPitch = dlg.KeepsPitch()});
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
        result.AddRow(paths[i], job.Outcome(i), OutputOf(place, paths[i], relatives[i]));
    for (std::int32_t i = processed; i < paths.size(); ++i)
        result.AddNotProcessedRow(paths[i], OutputOf(place, paths[i], relatives[i]));
    result.exec();
}
