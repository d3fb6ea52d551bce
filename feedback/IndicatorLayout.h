#pragma once

#include "feedback/IndicatorPosition.h"

#include <QPointF>
#include <QRect>
#include <QRegion>
#include <QSize>

// The floating panel's measures (logical pixels, origin at the top left).
namespace IndicatorLayout {

inline constexpr int height = 60;
inline constexpr int minimumWidth = 150;
inline constexpr int maximumWidth = 300;
inline constexpr int textPadding = 80;   // panel width beyond the text's own
inline constexpr int cornerRadius = 14;
inline constexpr int edgeDistance = 80;  // from the top or bottom of the screen
inline constexpr QRect glyphFrame{16, 12, 40, 36};

// The panel's width for a text of the given natural width.
int panelWidth(qreal naturalTextWidth);

// Where the text goes on a panel of the given width: right of the glyph, up
// to the same margin from the right edge (18) at every width, so a text is
// cut only when the widest panel cannot hold it.
QRect textFrame(int panelWidth);

// Where the top-left corner of a panel of the given size goes on a screen
// whose free area (without panels and docks) is available.
QPointF panelOrigin(IndicatorPosition position, const QRectF& available, const QSizeF& panel);

// The panel's outline: a rectangle of that size with the rounded corners.
QRegion roundedRegion(const QSize& size);

} // namespace IndicatorLayout
