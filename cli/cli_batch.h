#pragma once
// zel-cli's batch: the files run through the batch worker (BatchThreadProc), on up to
// `jobs` workers at once. With one job the whole list is one BatchJob, as in the desktop
// application; with more, every file is a BatchJob of its own (every run of whole albums,
// when each album takes one gain), started in list order as workers become free. All jobs
// refuse outputs that land on any input of the whole list.
//
// The receiver of every job's messages is this object: it answers the cancel request,
// keeps the terminal display, and hands each result to the sink in list order as soon as
// every file before it is done. Its handlers run on the worker threads, serialised by
// one lock.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "batch/batch_albums.h"
#include "batch/batch_inputs.h"
#include "batch/batch_job.h"
#include "cli/terminal_progress.h"
#include "engine/convert/conversion_outcome.h"
#include "engine/resample/conversion_settings.h"
#include "engine/resample/builds/conversion_builds.h"
#include "platform/message_window.h"

namespace zel::cli {

struct CliBatchSettings {
    std::string suffix;
    ConversionSettings conversion;
    SimdLevel simdLevel = 0;
    int jobs = 1;
    bool skipExisting = false;
};

// Takes the result of file `index` of the list and the seconds it took; false when it
// could not be passed on (standard output closed or full), which stops the batch as a
// cancel does, except that the files in progress keep nothing of their output (detail
// kPartialRemoved) unless the batch was cancelled too.
using ResultSink =
    std::function<bool(std::size_t index, const ConversionOutcome& result, double seconds)>;

class CliBatch {
  public:
    // `cancel`: once raised, every running conversion is cancelled at its next report and
    // no further file is started. `outputFolders`: entry i the folder for file i's output;
    // empty: every output beside its input.
    CliBatch(std::vector<std::string> files, std::vector<std::filesystem::path> outputFolders,
             CliBatchSettings settings, const std::atomic<bool>& cancel,
             TerminalProgress& progress, ResultSink sink);
    ~CliBatch();
    CliBatch(const CliBatch&) = delete;
    CliBatch& operator=(const CliBatch&) = delete;

    // Runs the batch to its end. The results of the files processed, which are always
    // the first ones of the list: all of them unless the batch was cancelled.
    std::vector<ConversionOutcome> Run();
    // Whether the sink refused a result, which stopped the batch.
    bool SinkFailed() const { return sinkFailed_; }

  private:
    struct Part;
    class PartWindow;

    std::intptr_t OnMessage(Part& part, std::uint32_t message, std::uintptr_t wParam,
                            std::intptr_t lParam);
    std::vector<ListRange> Parts(std::size_t workers) const;
    void StartPart(std::size_t first, std::size_t count, std::unique_lock<std::mutex>& lock);
    void JoinFinishedParts();
    void HandOverReadyResults();
    void Redraw();
    bool Stopping() const { return cancel_.load() || sinkFailed_; }
    // The answer to a progress report: 0, or how the conversions in progress stop.
    std::intptr_t StopAnswer() const;

    const std::vector<std::string> files_;
    const std::vector<std::filesystem::path> outputFolders_;
    const CliBatchSettings settings_;
    const std::atomic<bool>& cancel_;
    TerminalProgress& progress_;
    const ResultSink sink_;
    const std::shared_ptr<const BatchInputs> batchInputs_;

    std::mutex mutex_;
    std::condition_variable partFinished_;
    std::list<std::unique_ptr<Part>> parts_;
    std::vector<std::optional<ConversionOutcome>> results_;
    std::vector<double> seconds_;
    std::uint64_t bytesDone_ = 0;
    bool sinkFailed_ = false;
    std::size_t handedOver_ = 0;
    int filesDone_ = 0;
    // Files in progress, by list index, with their percentages.
    std::map<std::size_t, int> running_;
};

}  // namespace zel::cli
