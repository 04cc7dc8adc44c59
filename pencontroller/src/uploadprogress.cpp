#include "uploadprogress.h"

#include <limits>

namespace scrivlo {

int collectionPercent(std::int64_t collected, std::int32_t announced)
{
    if (announced <= 0 || collected <= 0)
        return 0;
    const std::int64_t percent = collected * 250 / announced;
    return percent > 99 ? 99 : static_cast<int>(percent);
}

int deliveryPercent(std::size_t index, std::size_t count)
{
    if (count == 0 || index >= count)
        return 100;
    // Exact integer truncation: in floating point 29 of 100 comes out as 28.999... and 28.
    return static_cast<int>(static_cast<std::uint64_t>(index + 1) * 100 / count);
}

void UploadProgress::start(std::int64_t nowMs)
{
    m_collected = 0;
    m_sinceLastReport = 0;
    m_lastReportMs = nowMs;
}

std::optional<ProgressReport> UploadProgress::add(std::size_t count, std::int64_t nowMs,
                                                  std::int32_t announced)
{
    m_collected += static_cast<std::int64_t>(count);
    m_sinceLastReport += static_cast<std::int64_t>(count);
    if (nowMs - m_lastReportMs <= kReportIntervalMs)
        return std::nullopt;
    const ProgressReport report{sinceLastReport(), collectionPercent(m_collected, announced),
                                announced};
    m_lastReportMs = nowMs;
    m_sinceLastReport = 0;
    return report;
}

int UploadProgress::sinceLastReport() const
{
    constexpr std::int64_t most = std::numeric_limits<int>::max();
    return static_cast<int>(m_sinceLastReport < most ? m_sinceLastReport : most);
}

} // namespace scrivlo
