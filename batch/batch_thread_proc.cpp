#include "batch/batch_thread_proc.h"

#include <algorithm>
#include <memory>

#include "batch/batch_job.h"
#include "batch/output_path.h"
#include "engine/batch_messages.h"
#include "engine/convert_file.h"

namespace zel {
namespace {

std::intptr_t SendTo(platform::MessageWindow* window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) {
    return window != nullptr ? window->Send(message, wParam, lParam) : 0;
}

bool AsksToCancel(std::intptr_t answer) { return answer != 0; }

}  // namespace

ConversionOutcome ConvertBatchFile(const ConversionBuild& build, const std::string& input,
                                   const std::string& suffix, const BatchInputs& batchInputs,
                                   platform::MessageWindow* window,
                                   const ConversionSettings& settings) {
    if (!SuffixIsUsable(suffix)) return {kOutputOpenError, ResultDetail::kUnusableSuffix};
    const std::filesystem::path output = MakeOutputPath(input, suffix);
    if (batchInputs.Contains(output)) return {kOutputOpenError, ResultDetail::kOutputOnInput};
    return ConvertFile(input, window, output, settings, build.kernels);
}

std::uint32_t BatchThreadProc(BatchJob& job) {
    // The values that stay fixed for the whole batch; later changes are not seen.
    const std::string suffix = job.GetSuffix();
    platform::MessageWindow* const window = job.m_window;
    const std::int32_t fileCount = std::max(job.m_fileCount, 0);
    const ConversionSettings settings{job.m_sampleRate, job.m_speed, job.m_stripMetadata};
    const ConversionBuild& build = BuildForLevel(job.m_simdLevel);
    const std::chrono::milliseconds pause = job.m_pause;
    const PauseFunction pauseFunction = job.m_pauseFunction;
    // Noted before the first output is written.
    std::shared_ptr<const BatchInputs> batchInputs = job.m_batchInputs;
    if (!batchInputs && fileCount > 0)
        batchInputs = std::make_shared<const BatchInputs>(job.m_fileNames);
    if (job.m_results.size() < static_cast<std::size_t>(fileCount))
        job.m_results.resize(static_cast<std::size_t>(fileCount), kCompleted);
    if (job.m_details.size() < static_cast<std::size_t>(fileCount))
        job.m_details.resize(static_cast<std::size_t>(fileCount), ResultDetail::kNone);
    if (job.m_refusals.size() < static_cast<std::size_t>(fileCount))
        job.m_refusals.resize(static_cast<std::size_t>(fileCount));

    bool cancelled = false;
    for (std::int32_t i = 0; i < fileCount; ++i) {
        if (pauseFunction && !cancelled) pauseFunction(pause);
        // A cancel pressed during the pause is heard before the file is touched: the
        // all-files bar is set again to where it stands, and the answer is read.
        cancelled = AsksToCancel(SendTo(window, WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(i),
                                        kAllFilesBar)) ||
                    cancelled;
        const ConversionOutcome outcome = cancelled
                                              ? ConversionOutcome{kCancelled}
                                              : ConvertBatchFile(build, job.GetFileName(i), suffix,
                                                                 *batchInputs, window, settings);
        job.m_results[static_cast<std::size_t>(i)] = outcome.code;
        job.m_details[static_cast<std::size_t>(i)] = outcome.detail;
        job.m_refusals[static_cast<std::size_t>(i)] = outcome.refusal;
        cancelled = AsksToCancel(
            SendTo(window, WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(i) + 1, kAllFilesBar));
        if (outcome.code == kCancelled) break;
    }
    SendTo(window, WM_BATCH_FINISHED, 0, 0);
    return 0;
}

}  // namespace zel
