#pragma once

#include <QString>

class QPainter;
class QRectF;

// The symbol images the interface names ("keyboard",
// "keyboard.badge.exclamationmark", ...), drawn from the desktop's icon theme
// where a freedesktop icon name fits, else from our own SVGs in the resource
// folder. The table from symbol to image is kept in SymbolIcons.cpp only.
// Main thread only.
namespace SymbolIcons {

inline const QString keyboard = QStringLiteral("keyboard");
inline const QString keyboardPaused = QStringLiteral("keyboard.badge.exclamationmark");

// Paints the symbol into the square centred in rect. Returns false, having
// painted nothing, for an unknown symbol or when no image of it can be found.
bool paint(QPainter& painter, const QRectF& rect, const QString& symbol);

} // namespace SymbolIcons
