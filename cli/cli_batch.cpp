#include "cli/cli_batch.h"

#include <algorithm>
#include <system_error>

#include "batch/batch_albums.h"
#include "batch/batch_messages.h"
#include "batch/batch_thread_proc.h"

namespace zel::cli {

// One worker and its job: files first .. first + job.m_fileCount - 1 of the list.
struct CliBatch::Part {
    std::size_t first = 0;
    std::size_t filesDone = 0;
    bool finished = false;
    std::unique_ptr<PartWindow> window;
    BatchJob job;
};

class CliBatch::PartWindow : public platform::MessageWindow {
  public:
    PartWindow(CliBatch& batch, Part& part) : batch_(batch), part_(part) {}
    std::intptr_t Send(std::uint32_t message, std::uintptr_t wParam,
                       std::intptr_t lParam) override {
        return batch_.OnMessage(part_, message, wParam, lParam);
    }

  private:
    CliBatch& batch_;
    Part& part_;
};

CliBatch::CliBatch(std::vector<std::string> files,
                   std::vector<std::filesystem::path> outputFolders, CliBatchSettings settings,
                   const std::atomic<bool>& cancel, TerminalProgress& progress, ResultSink sink)
    : files_(std::move(files)),
      outputFolders_(std::move(outputFolders)),
      settings_(std::move(settings)),
      cancel_(cancel),
      progress_(progress),
      sink_(std::move(sink)),
      batchInputs_(std::make_shared<const BatchInputs>(files_)),
      results_(files_.size()),
      seconds_(files_.size(), 0.0) {}

CliBatch::~CliBatch() {
    // Every part's job joins its worker when destroyed.
    std::unique_lock<std::mutex> lock(mutex_);
    partFinished_.wait(lock, [this] {
        return std::all_of(parts_.begin(), parts_.end(),
                           [](const std::unique_ptr<Part>& part) { return part->finished; });
    });
}

// The runs of the list each worker takes in turn: the whole list for one worker, whole
// albums when every album takes one gain, single files otherwise.
std::vector<ListRange> CliBatch::Parts(std::size_t workers) const {
    if (workers == 1) return {{0, files_.size()}};
    const LevelSettings& level = settings_.conversion.level;
    if (level.album && level.NeedsAnalysis()) return WholeAlbumRanges(files_);
    std::vector<ListRange> singles;
    for (std::size_t i = 0; i < files_.size(); ++i) singles.push_back({i, 1});
    return singles;
}

std::vector<ConversionOutcome> CliBatch::Run() {
    const std::size_t workers = static_cast<std::size_t>(std::max(settings_.jobs, 1));
    const std::vector<ListRange> parts = Parts(workers);
    std::size_t next = 0;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        JoinFinishedParts();
        if (!Stopping() && next < parts.size() && parts_.size() < workers) {
            StartPart(parts[next].first, parts[next].count, lock);
            ++next;
            continue;
        }
        if (parts_.empty()) break;
        partFinished_.wait(lock);
    }
    progress_.Clear();
    std::vector<ConversionOutcome> processed;
    for (std::size_t i = 0; i < handedOver_; ++i) processed.push_back(*results_[i]);
    return processed;
}

void CliBatch::StartPart(std::size_t first, std::size_t count, std::unique_lock<std::mutex>& lock) {
    auto part = std::make_unique<Part>();
    part->first = first;
    part->window = std::make_unique<PartWindow>(*this, *part);
    BatchJob& job = part->job;
    job.SetFiles(
        std::vector<std::string>(files_.begin() + static_cast<std::ptrdiff_t>(first),
                                 files_.begin() + static_cast<std::ptrdiff_t>(first + count)));
    job.m_suffix = settings_.suffix;
    job.SetConversion(settings_.conversion);
    job.m_simdLevel = settings_.simdLevel;
    job.m_skipExisting = settings_.skipExisting;
    if (!outputFolders_.empty())
        job.m_outputFolders.assign(
            outputFolders_.begin() + static_cast<std::ptrdiff_t>(first),
            outputFolders_.begin() + static_cast<std::ptrdiff_t>(first + count));
    job.m_window = part->window.get();
    job.m_pause = std::chrono::milliseconds(0);
    job.m_batchInputs = batchInputs_;
    running_[first] = 0;
    parts_.push_back(std::move(part));
    if (job.StartWorker()) return;
    // No thread to be had: this thread is the worker.
    lock.unlock();
    BatchThreadProc(job);
    lock.lock();
}

void CliBatch::JoinFinishedParts() {
    // A finished worker has sent its last message and needs the lock no more.
    parts_.remove_if([](const std::unique_ptr<Part>& part) { return part->finished; });
}

std::intptr_t CliBatch::OnMessage(Part& part, std::uint32_t message, std::uintptr_t wParam,
                                  std::intptr_t lParam) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (message == WM_BATCH_FINISHED) {
        for (std::size_t i = 0; i < static_cast<std::size_t>(part.job.m_fileCount); ++i)
            running_.erase(part.first + i);
        part.finished = true;
        partFinished_.notify_all();
        return 0;
    }
    if (message != WM_BATCH_PROGRESS) return 0;
    if (lParam == kCurrentFileBar) {
        running_[part.first + part.filesDone] = static_cast<int>(wParam);
    } else if (wParam > part.filesDone &&
               wParam <= static_cast<std::uintptr_t>(part.job.m_fileCount)) {
        // The same position again (sent before each file to hear a cancel) is no news.
        // Entry wParam - 1 was written by this worker before it sent the report.
        const std::size_t local = wParam - 1;
        const std::size_t index = part.first + local;
        results_[index] = part.job.Outcome(static_cast<std::int32_t>(local));
        seconds_[index] = part.job.Seconds(static_cast<std::int32_t>(local));
        std::error_code sizeError;
        const std::uintmax_t bytes = std::filesystem::file_size(files_[index], sizeError);
        if (!sizeError) bytesDone_ += bytes;
        running_.erase(index);
        part.filesDone = wParam;
        if (part.filesDone < static_cast<std::size_t>(part.job.m_fileCount))
            running_[index + 1] = 0;
        ++filesDone_;
        HandOverReadyResults();
    }
    Redraw();
    return StopAnswer();
}

std::intptr_t CliBatch::StopAnswer() const {
    if (cancel_.load()) return kCancelAnswer;
    return sinkFailed_ ? kCancelDiscardingAnswer : 0;
}

void CliBatch::HandOverReadyResults() {
    while (handedOver_ < results_.size() && results_[handedOver_]) {
        progress_.Clear();
        if (!sinkFailed_ && !sink_(handedOver_, *results_[handedOver_], seconds_[handedOver_]))
            sinkFailed_ = true;
        ++handedOver_;
    }
}

void CliBatch::Redraw() {
    ProgressView view;
    view.filesDone = filesDone_;
    view.fileCount = static_cast<int>(files_.size());
    view.bytesDone = bytesDone_;
    if (!running_.empty()) {
        view.currentName = files_[running_.begin()->first];
        view.currentPercent = running_.begin()->second;
        view.othersRunning = static_cast<int>(running_.size()) - 1;
    }
    progress_.Draw(view);
}

}  // namespace zel::cli
