#include "feedback/IndicatorSettings.h"

#include "settings/UserDefaults.h"

#include <QtGlobal>

#include <cmath>
#include <limits>

namespace IndicatorSettings {

namespace {

constexpr double defaultDuration = 1.5;

} // namespace

bool isEnabled(const QSettings& settings)
{
    return UserDefaults::boolValue(settings, QStringLiteral("indicatorEnabled"), false);
}

IndicatorPosition position(const QSettings& settings)
{
    const auto raw = UserDefaults::stringValue(settings, QStringLiteral("indicatorPosition"));
    if (!raw)
        return IndicatorPosition::topCenter;
    return IndicatorPositions::fromRawValue(*raw).value_or(IndicatorPosition::topCenter);
}

double durationSeconds(const QSettings& settings)
{
    const auto seconds = UserDefaults::doubleValue(settings, QStringLiteral("indicatorDuration"));
    return seconds && *seconds > 0 ? *seconds : defaultDuration;
}

std::chrono::milliseconds duration(const QSettings& settings)
{
    // QTimer takes an int of milliseconds; a huge stored number must not wrap
    // around into a negative, instant one.
    constexpr double longest = std::numeric_limits<int>::max();
    return std::chrono::milliseconds(qint64(std::min(std::round(durationSeconds(settings) * 1000), longest)));
}

} // namespace IndicatorSettings
