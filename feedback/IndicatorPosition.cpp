#include "feedback/IndicatorPosition.h"

#include "localization/LocalizationManager.h"

namespace IndicatorPositions {

QList<IndicatorPosition> allCases()
{
    return {IndicatorPosition::topCenter, IndicatorPosition::center, IndicatorPosition::bottomCenter};
}

QString rawValue(IndicatorPosition position)
{
    switch (position) {
    case IndicatorPosition::topCenter:
        return QStringLiteral("top");
    case IndicatorPosition::center:
        return QStringLiteral("center");
    case IndicatorPosition::bottomCenter:
        return QStringLiteral("bottom");
    }
    Q_UNREACHABLE();
}

std::optional<IndicatorPosition> fromRawValue(const QString& raw)
{
    for (const IndicatorPosition position : allCases()) {
        if (raw == rawValue(position))
            return position;
    }
    return std::nullopt;
}

QString displayName(IndicatorPosition position)
{
    switch (position) {
    case IndicatorPosition::topCenter:
        return localized(QStringLiteral("Top"));
    case IndicatorPosition::center:
        return localized(QStringLiteral("Center"));
    case IndicatorPosition::bottomCenter:
        return localized(QStringLiteral("Bottom"));
    }
    Q_UNREACHABLE();
}

} // namespace IndicatorPositions
