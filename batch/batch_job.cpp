#include "batch/batch_job.h"

#include <algorithm>
#include <thread>

namespace zel {

void SleepFor(std::chrono::milliseconds duration) { std::this_thread::sleep_for(duration); }

ConversionSettings BatchJob::Conversion() const {
    ConversionSettings settings = conversion_;
    settings.targetRate = m_sampleRate;
    settings.speed = m_speed;
    return settings;
}

void BatchJob::SetConversion(const ConversionSettings& settings) {
    conversion_ = settings;
    m_sampleRate = settings.targetRate;
    m_speed = settings.speed;
}

void BatchJob::SetFiles(std::vector<std::string> fileNames) {
    m_fileNames = std::move(fileNames);
    m_fileCount = static_cast<std::int32_t>(m_fileNames.size());
    m_results.assign(m_fileNames.size(), kCompleted);
    m_reports.assign(m_fileNames.size(), {});
}

std::string BatchJob::GetFileName(std::int32_t i) const {
    if (i < 0 || i >= m_fileCount || static_cast<std::size_t>(i) >= m_fileNames.size()) return {};
    return m_fileNames[static_cast<std::size_t>(i)];
}

ConversionOutcome BatchJob::Outcome(std::int32_t i) const {
    const auto index = static_cast<std::size_t>(i);
    if (i < 0 || index >= m_results.size()) return {};
    ConversionOutcome outcome = index < m_reports.size() ? m_reports[index].outcome
                                                         : ConversionOutcome{};
    outcome.code = m_results[index];
    return outcome;
}

double BatchJob::Seconds(std::int32_t i) const {
    const auto index = static_cast<std::size_t>(i);
    return i >= 0 && index < m_reports.size() ? m_reports[index].seconds : 0.0;
}

std::filesystem::path BatchJob::OutputFolder(std::int32_t i) const {
    const auto index = static_cast<std::size_t>(i);
    return i >= 0 && index < m_outputFolders.size() ? m_outputFolders[index]
                                                     : std::filesystem::path();
}

void BatchJob::ReserveResults() {
    const auto count = static_cast<std::size_t>(std::max(m_fileCount, 0));
    if (m_results.size() < count) m_results.resize(count, kCompleted);
    if (m_reports.size() < count) m_reports.resize(count);
}

void BatchJob::StoreOutcome(std::int32_t i, const ConversionOutcome& outcome, double seconds) {
    const auto index = static_cast<std::size_t>(i);
    m_results[index] = outcome.code;
    m_reports[index] = {outcome, seconds};
}

std::int32_t BatchJob::ProcessedFileCount() const {
    const std::int32_t count =
        std::min(std::max(m_fileCount, 0), static_cast<std::int32_t>(m_results.size()));
    const auto end = m_results.begin() + count;
    const auto cancelled = std::find(m_results.begin(), end, kCancelled);
    return static_cast<std::int32_t>(cancelled == end ? count : cancelled - m_results.begin() + 1);
}

}  // namespace zel
