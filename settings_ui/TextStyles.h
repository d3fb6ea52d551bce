#pragma once

#include <QColor>
#include <QFont>

class QLabel;
class QWidget;

// The text styles of the settings window, relative to the desktop's font:
// the body text is the desktop's own, the others are scaled from it.
namespace TextStyles {

QFont headline(const QWidget& widget);
QFont caption(const QWidget& widget);
QFont title2(const QWidget& widget);
QFont largeTitle(const QWidget& widget);
// The dimmed colour of secondary text.
QColor secondary(const QWidget& widget);
// A label in the given font and, when `dimmed`, the secondary colour.
void apply(QLabel& label, const QFont& font, bool dimmed = false);

} // namespace TextStyles
