#pragma once
// The data of one batch: filled by its holder before the worker starts, read by the
// worker (BatchThreadProc), and its results read by the holder after WM_BATCH_FINISHED.
//
// The input members are written before the worker exists and only read afterwards; entry
// i of m_results is written by the worker before it reports file i, and read by the
// holder only after the last message. m_cancel belongs to the receiver's thread: the
// worker learns of a cancel only through the answers to its messages. So no member needs
// a lock.

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "batch/batch_inputs.h"
#include "batch/batch_settings.h"
#include "batch/worker_thread.h"
#include "engine/convert/conversion_outcome.h"
#include "engine/resample/conversion_settings.h"
#include "engine/resample/builds/conversion_builds.h"
#include "platform/message_window.h"

namespace zel {

// The pause before every file of a batch, the first included.
inline constexpr std::chrono::milliseconds kFilePause{100};

using PauseFunction = std::function<void(std::chrono::milliseconds)>;

// std::this_thread::sleep_for.
void SleepFor(std::chrono::milliseconds duration);

class BatchJob {
  public:
    BatchJob() = default;
    // Waits for a running worker first, so it never reads a destroyed job.
    ~BatchJob() { m_hThread.Join(); }
    BatchJob(const BatchJob&) = delete;
    BatchJob& operator=(const BatchJob&) = delete;

    // Sets the input paths, sizes the results to them and sets m_fileCount.
    void SetFiles(std::vector<std::string> fileNames);

    // A copy of the suffix.
    std::string GetSuffix() const { return m_suffix; }
    // A copy of input path i; empty when i is not below m_fileCount.
    std::string GetFileName(std::int32_t i) const;

    // The code, detail and frames of file i, once the worker has reported it.
    ConversionOutcome Outcome(std::int32_t i) const;
    // How long file i took, skips and refusals included.
    double Seconds(std::int32_t i) const;
    // The folder for the output of file i; empty: beside its input.
    std::filesystem::path OutputFolder(std::int32_t i) const;

    // Worker side: sizes the results to the files, then stores file i's.
    void ReserveResults();
    void StoreOutcome(std::int32_t i, const ConversionOutcome& outcome, double seconds);

    // After WM_BATCH_FINISHED: how many files got a result, that is every file, or the
    // files up to and including the one the user cancelled.
    std::int32_t ProcessedFileCount() const;

    // The one set of settings every file of the batch is converted with: m_sampleRate and
    // m_speed with the rest (quality, dither, metadata) set alongside them.
    ConversionSettings Conversion() const;
    void SetConversion(const ConversionSettings& settings);

    // Starts the worker (once) and waits for it.
    bool StartWorker();
    void JoinWorker() { m_hThread.Join(); }

    // Input paths, as the file list holds them.
    std::vector<std::string> m_fileNames;
    // Inserted into output names; a batch never runs with an empty one.
    std::string m_suffix;
    // Entry i: the ConversionResult of file i, once the worker has reported it.
    std::vector<ConversionResult> m_results;
    // Entry i: all the worker reported of file i (its detail, refusal, frames and clip
    // count beside the code in m_results) and the time it took, written with m_results.
    struct FileReport {
        ConversionOutcome outcome;
        double seconds = 0;
    };
    std::vector<FileReport> m_reports;
    // Entry i: the folder for file i's output. Missing or empty entries: beside the input.
    std::vector<std::filesystem::path> m_outputFolders;
    // An output that exists and is finished is left alone (kSkippedExisting).
    bool m_skipExisting = false;
    // The worker; see WorkerThread.
    WorkerThread m_hThread;
    std::int32_t m_fileCount = 0;
    // Playback speed and target rate in Hz, passed to the conversion as they are.
    SpeedRatio m_speed = kNormalSpeed;
    std::int32_t m_sampleRate = kDefaultTargetRate;
    // Set by the receiver once the user asks to cancel; read on the receiver's thread only.
    bool m_cancel = false;
    // The build of the conversion: 1..5 the SIMD builds, any other value the reference.
    SimdLevel m_simdLevel = 0;

    // The receiver of the batch's messages (the progress dialog, zel-cli's display). Null:
    // nothing is sent and nothing can cancel.
    platform::MessageWindow* m_window = nullptr;
    // The pause before every file and how it is taken; zel-cli pauses 0.
    std::chrono::milliseconds m_pause = kFilePause;
    PauseFunction m_pauseFunction = SleepFor;
    // The inputs no output may land on. Null: the job's own files, noted when the worker
    // starts. Set when the job runs one part of a larger batch.
    std::shared_ptr<const BatchInputs> m_batchInputs;

  private:
    // The settings beside the rate and speed, which live in m_sampleRate and m_speed.
    ConversionSettings conversion_;
};

}  // namespace zel
