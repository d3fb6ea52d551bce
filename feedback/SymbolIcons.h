#pragma once

#include <QColor>
#include <QPixmap>
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
inline const QString keyboardEllipsis = QStringLiteral("keyboard.badge.ellipsis");
inline const QString application = QStringLiteral("app.fill");
inline const QString plus = QStringLiteral("plus");
inline const QString minus = QStringLiteral("minus");
inline const QString arrowRight = QStringLiteral("arrow.right");
inline const QString warning = QStringLiteral("exclamationmark.triangle.fill");
inline const QString ruleList = QStringLiteral("list.bullet.rectangle");
inline const QString gear = QStringLiteral("gear");
inline const QString sparkles = QStringLiteral("sparkles");
inline const QString info = QStringLiteral("info.circle");
inline const QString envelope = QStringLiteral("envelope");
inline const QString squareOnSquare = QStringLiteral("square.on.square");
inline const QString speaker = QStringLiteral("speaker.wave.2");
inline const QString playCircle = QStringLiteral("play.circle");
inline const QString command = QStringLiteral("command");
inline const QString flag = QStringLiteral("flag");
inline const QString squareArrowUp = QStringLiteral("square.and.arrow.up");
inline const QString squareArrowDown = QStringLiteral("square.and.arrow.down");
inline const QString power = QStringLiteral("power");
inline const QString bell = QStringLiteral("bell");
inline const QString arrowClockwise = QStringLiteral("arrow.clockwise");
inline const QString arrowCounterclockwise = QStringLiteral("arrow.counterclockwise");

// Paints the symbol into the square centred in rect. Returns false, having
// painted nothing, for an unknown symbol or when no image of it can be found.
bool paint(QPainter& painter, const QRectF& rect, const QString& symbol);
// The symbol in a square of `side` device-independent pixels for a screen of
// the given pixel ratio; when `tint` is valid, every painted pixel takes that
// colour (the one-colour symbols). Transparent for an unknown symbol.
QPixmap pixmap(const QString& symbol, int side, const QColor& tint = {}, qreal pixelRatio = 1.0);

} // namespace SymbolIcons
