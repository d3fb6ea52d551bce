#pragma once

#include <QList>
#include <QString>

#include <optional>

// Where the floating panel goes. Stored in the settings as its raw value.
enum class IndicatorPosition { topCenter, center, bottomCenter };

namespace IndicatorPositions {

QList<IndicatorPosition> allCases();
QString rawValue(IndicatorPosition position);             // "top", "center", "bottom"
std::optional<IndicatorPosition> fromRawValue(const QString& raw);   // exact, case-sensitive
QString displayName(IndicatorPosition position);          // localized "Top", "Center", "Bottom"

} // namespace IndicatorPositions
