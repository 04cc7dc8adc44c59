#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace scrivlo {

// Percent shown while an upload is collected: collected × 250 / announced, at most 99 (the 100
// comes only once the data has passed its check). 0 while the pen announced no size.
int collectionPercent(std::int64_t collected, std::int32_t announced);

// Percent of point `index` (from 0) of `count` during delivery; the last point gives 100.
int deliveryPercent(std::size_t index, std::size_t count);

struct ProgressReport
{
    int bytesSinceLastReport;
    int percent;
    int announced;
};

// Byte counts of the upload being collected and the moment of the last report, in milliseconds
// of a monotonic clock, so that reports come at most about once a second.
class UploadProgress
{
public:
    static constexpr std::int64_t kReportIntervalMs = 1000;

    void start(std::int64_t nowMs);
    // Counts `count` more bytes; a report when more than a second has passed since the last one.
    std::optional<ProgressReport> add(std::size_t count, std::int64_t nowMs,
                                      std::int32_t announced);

    std::int64_t collected() const { return m_collected; }
    int sinceLastReport() const;

private:
    std::int64_t m_collected = 0;
    std::int64_t m_sinceLastReport = 0;
    std::int64_t m_lastReportMs = 0;
};

} // namespace scrivlo
