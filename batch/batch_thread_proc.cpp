#include "batch/batch_thread_proc.h"

#include <algorithm>
#include <chrono>
#include <exception>
#include <memory>
#include <new>
#include <stdexcept>
#include <system_error>

#include "batch/batch_job.h"
#include "batch/batch_messages.h"
#include "batch/existing_output.h"
#include "batch/output_path.h"
#include "batch/window_progress.h"
#include "engine/convert/album_level.h"
#include "engine/convert/convert_file.h"
#include "engine/convert/level_analysis.h"
#include "engine/sndfile/sound_file_formats.h"

namespace zel {
namespace {

std::intptr_t SendTo(platform::MessageWindow* window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) {
    return window != nullptr ? window->Send(message, wParam, lParam) : 0;
}

bool AsksToCancel(std::intptr_t answer) { return answer != 0; }

// The album's measurement (made now for its first file) as the first half of the file's
// progress, then the file at the album's gain.
ConversionOutcome ConvertInAlbum(BatchAlbums& albums, std::size_t index, const std::string& input,
                                 const std::filesystem::path& output, ConversionProgress& progress,
                                 const ConversionSettings& settings,
                                 const ConversionKernels& kernels) {
    PassProgress measuring(&progress, 0);
    const AlbumMeasurement& album = albums.MeasuredAlbumOf(index, settings, kernels, &measuring);
    if (album.code == kCancelled) return {kCancelled, ResultDetail::kCancelledWhileMeasuring};
    return ConvertAlbumFile(input, &progress, output, settings, album, albums.PlaceInAlbum(index),
                            kernels);
}

ConversionOutcome ConvertOneFile(const ConversionBuild& build, const std::string& input,
                                 const OutputChoice& choice, const BatchInputs& batchInputs,
                                 platform::MessageWindow* window,
                                 const ConversionSettings& settings, BatchAlbums* albums,
                                 std::size_t index) {
    if (!SuffixIsUsable(choice.suffix)) return {kOutputOpenError, ResultDetail::kUnusableSuffix};
    const std::filesystem::path output = MakeOutputPathIn(
        choice.folder, input, choice.suffix, ContainerExtension(settings.container));
    if (batchInputs.Contains(output)) return {kOutputOpenError, ResultDetail::kOutputOnInput};
    if (choice.skipExisting && IsFinishedOutput(output, input, settings, build.kernels.blockLimit))
        return {kSkippedExisting};
    if (!choice.folder.empty()) {
        // A folder that cannot be made shows as the output refusing to open.
        std::error_code ignored;
        std::filesystem::create_directories(choice.folder, ignored);
    }
    WindowProgress progress(window);
    if (albums != nullptr)
        return ConvertInAlbum(*albums, index, input, output, progress, settings, build.kernels);
    return ConvertFile(input, &progress, output, settings, build.kernels);
}

}  // namespace

ConversionOutcome ConvertBatchFile(const ConversionBuild& build, const std::string& input,
                                   const OutputChoice& choice, const BatchInputs& batchInputs,
                                   platform::MessageWindow* window,
                                   const ConversionSettings& settings, BatchAlbums* albums,
                                   std::size_t index) {
    // The output being written removes its temporary file as the exception leaves it.
    try {
        return ConvertOneFile(build, input, choice, batchInputs, window, settings, albums, index);
    } catch (const std::bad_alloc&) {
        return {kOutOfMemory};
    } catch (const std::length_error&) {  // a container asked for more than it can hold
        return {kOutOfMemory};
    } catch (const std::exception&) {
        return {kOutOfMemory, ResultDetail::kUnexpectedError};
    }
}

std::uint32_t BatchThreadProc(BatchJob& job) {
    // The values that stay fixed for the whole batch; later changes are not seen.
    const std::string suffix = job.GetSuffix();
    const bool skipExisting = job.m_skipExisting;
    platform::MessageWindow* const window = job.m_window;
    const std::int32_t fileCount = std::max(job.m_fileCount, 0);
    const ConversionSettings settings = job.Conversion();
    const ConversionBuild& build = BuildForLevel(job.m_simdLevel);
    const std::chrono::milliseconds pause = job.m_pause;
    const PauseFunction pauseFunction = job.m_pauseFunction;
    // Noted before the first output is written.
    std::shared_ptr<const BatchInputs> batchInputs = job.m_batchInputs;
    if (!batchInputs && fileCount > 0)
        batchInputs = std::make_shared<const BatchInputs>(job.m_fileNames);
    job.ReserveResults();
    // Albums matter only where a gain is measured.
    std::unique_ptr<BatchAlbums> albums;
    if (settings.level.album && settings.level.NeedsAnalysis()) {
        std::vector<std::string> names;
        for (std::int32_t i = 0; i < fileCount; ++i) names.push_back(job.GetFileName(i));
        albums = std::make_unique<BatchAlbums>(names);
    }

    bool cancelled = false;
    for (std::int32_t i = 0; i < fileCount; ++i) {
        if (pauseFunction && !cancelled) pauseFunction(pause);
        // A cancel pressed during the pause is heard before the file is touched: the
        // all-files bar is set again to where it stands, and the answer is read.
        cancelled = AsksToCancel(SendTo(window, WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(i),
                                        kAllFilesBar)) ||
                    cancelled;
        const auto started = std::chrono::steady_clock::now();
        const OutputChoice choice{suffix, job.OutputFolder(i), skipExisting};
        const ConversionOutcome outcome =
            cancelled ? ConversionOutcome{kCancelled}
                      : ConvertBatchFile(build, job.GetFileName(i), choice, *batchInputs, window,
                                         settings, albums.get(), static_cast<std::size_t>(i));
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - started;
        job.StoreOutcome(i, outcome, seconds.count());
        cancelled = AsksToCancel(
            SendTo(window, WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(i) + 1, kAllFilesBar));
        if (outcome.code == kCancelled) break;
    }
    SendTo(window, WM_BATCH_FINISHED, 0, 0);
    return 0;
}

// Defined beside the worker's body, so the job's header needs neither it nor the thread's.
bool BatchJob::StartWorker() {
    return m_hThread.Start([this] { BatchThreadProc(*this); });
}

}  // namespace zel
