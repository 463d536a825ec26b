#include "batch/batch_job.h"

#include <algorithm>
#include <thread>

namespace zel {

void SleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

void BatchJob::SetFiles(std::vector<std::string> fileNames) {
    m_fileNames = std::move(fileNames);
    m_fileCount = static_cast<std::int32_t>(m_fileNames.size());
    m_results.assign(m_fileNames.size(), kCompleted);
    m_details.assign(m_fileNames.size(), ResultDetail::kNone);
    m_refusals.assign(m_fileNames.size(), WavRefusalReason{});
}

std::string BatchJob::GetFileName(std::int32_t i) const {
    if (i < 0 || i >= m_fileCount || static_cast<std::size_t>(i) >= m_fileNames.size()) return {};
    return m_fileNames[static_cast<std::size_t>(i)];
}

ConversionOutcome BatchJob::Outcome(std::int32_t i) const {
    const auto index = static_cast<std::size_t>(i);
    if (i < 0 || index >= m_results.size()) return {};
    ConversionOutcome outcome{m_results[index]};
    if (index < m_details.size()) outcome.detail = m_details[index];
    if (index < m_refusals.size()) outcome.refusal = m_refusals[index];
    return outcome;
}

std::int32_t BatchJob::ProcessedFileCount() const {
    const std::int32_t count =
        std::min(std::max(m_fileCount, 0), static_cast<std::int32_t>(m_results.size()));
    const auto end = m_results.begin() + count;
    const auto cancelled = std::find(m_results.begin(), end, kCancelled);
    return static_cast<std::int32_t>(cancelled == end ? count : cancelled - m_results.begin() + 1);
}

}  // namespace zel
