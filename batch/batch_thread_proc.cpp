#include "batch/batch_thread_proc.h"

#include <algorithm>
#include <memory>

#include "batch/batch_job.h"
#include "batch/output_path.h"
#include "engine/batch_messages.h"

namespace zel {
namespace {

std::intptr_t SendTo(platform::MessageWindow* window, std::uint32_t message, std::uintptr_t wParam,
                     std::intptr_t lParam) {
    return window != nullptr ? window->Send(message, wParam, lParam) : 0;
}

}  // namespace

ConversionResult ConvertBatchFile(ConvertFunction convert, const std::string& input,
                                  const std::string& suffix, const BatchInputs& batchInputs,
                                  platform::MessageWindow* window, std::int32_t sampleRate,
                                  std::int32_t speed) {
    if (!SuffixIsUsable(suffix)) return kOutputOpenError;
    const std::filesystem::path output = MakeOutputPath(input, suffix);
    if (batchInputs.Contains(output)) return kOutputOpenError;
    return convert(input, window, output, sampleRate, speed);
}

std::uint32_t BatchThreadProc(BatchJob& job) {
    // The values that stay fixed for the whole batch; later changes are not seen.
    const std::string suffix = job.GetSuffix();
    platform::MessageWindow* const window = job.m_window;
    const std::int32_t fileCount = std::max(job.m_fileCount, 0);
    const std::int32_t speed = job.m_speed;
    const std::int32_t sampleRate = job.m_sampleRate;
    const ConvertFunction convert = ConverterForLevel(job.m_simdLevel);
    const std::chrono::milliseconds pause = job.m_pause;
    const PauseFunction pauseFunction = job.m_pauseFunction;
    // Noted before the first output is written.
    std::shared_ptr<const BatchInputs> batchInputs = job.m_batchInputs;
    if (!batchInputs && fileCount > 0)
        batchInputs = std::make_shared<const BatchInputs>(job.m_fileNames);
    if (job.m_results.size() < static_cast<std::size_t>(fileCount))
        job.m_results.resize(static_cast<std::size_t>(fileCount), kCompleted);

    for (std::int32_t i = 0; i < fileCount; ++i) {
        if (pauseFunction) pauseFunction(pause);
        const std::string input = job.GetFileName(i);
        const ConversionResult result =
            ConvertBatchFile(convert, input, suffix, *batchInputs, window, sampleRate, speed);
        job.m_results[static_cast<std::size_t>(i)] = result;
        // The answer is the cancel request, which only the conversion acts on.
        SendTo(window, WM_BATCH_PROGRESS, static_cast<std::uintptr_t>(i) + 1, kAllFilesBar);
        if (result == kCancelled) break;
    }
    SendTo(window, WM_BATCH_FINISHED, 0, 0);
    return 0;
}

}  // namespace zel
