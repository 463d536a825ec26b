#include "app/duration_text.h"

#include <algorithm>

namespace {

constexpr std::int64_t kSecondsPerMinute = 60;
constexpr std::int64_t kSecondsPerHour = 3600;

QString TwoDigits(std::int64_t value) {
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

}  // namespace

QString DurationText(std::int64_t seconds) {
    const std::int64_t whole = std::max<std::int64_t>(seconds, 0);
    const std::int64_t hours = whole / kSecondsPerHour;
    const std::int64_t minutes = whole % kSecondsPerHour / kSecondsPerMinute;
    const std::int64_t rest = whole % kSecondsPerMinute;
    if (hours > 0)
        return QStringLiteral("%1:%2:%3").arg(hours).arg(TwoDigits(minutes), TwoDigits(rest));
    return QStringLiteral("%1:%2").arg(minutes).arg(TwoDigits(rest));
}
