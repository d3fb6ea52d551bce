#include "feedback/IndicatorLayout.h"

#include <QPainterPath>
#include <QPolygon>
#include <QtMath>

namespace IndicatorLayout {

int panelWidth(qreal naturalTextWidth)
{
    // Rounded up so the text never gets less room than it measures.
    const qreal width = qCeil(naturalTextWidth + textPadding);
    return int(qBound<qreal>(minimumWidth, width, maximumWidth));
}

QRect textFrame(int panelWidth)
{
    return QRect(62, 16, panelWidth - textPadding, 28);
}

QPointF panelOrigin(IndicatorPosition position, const QRectF& available, const QSizeF& panel)
{
    const qreal x = available.center().x() - panel.width() / 2;
    switch (position) {
    case IndicatorPosition::center:
        return {x, available.center().y() - panel.height() / 2};
    case IndicatorPosition::bottomCenter:
        return {x, available.bottom() - edgeDistance - panel.height()};
    case IndicatorPosition::topCenter:
        break;
    }
    return {x, available.top() + edgeDistance};
}

QRegion roundedRegion(const QSize& size)
{
    QPainterPath outline;
    outline.addRoundedRect(QRectF(QPointF(0, 0), QSizeF(size)), cornerRadius, cornerRadius);
    return QRegion(outline.toFillPolygon().toPolygon());
}

} // namespace IndicatorLayout
