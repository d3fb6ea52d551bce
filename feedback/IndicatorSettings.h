#pragma once

#include "feedback/IndicatorPosition.h"

#include <QSettings>

#include <chrono>

// The floating panel's settings, read afresh on every request.
namespace IndicatorSettings {

// "indicatorEnabled": off when absent.
bool isEnabled(const QSettings& settings);
// "indicatorPosition": any value but "center" or "bottom" means the top.
IndicatorPosition position(const QSettings& settings);
// "indicatorDuration" in seconds: 1.5 unless a number above 0 is stored.
double durationSeconds(const QSettings& settings);
// The same as a timer interval (at most what a timer can hold).
std::chrono::milliseconds duration(const QSettings& settings);

} // namespace IndicatorSettings
