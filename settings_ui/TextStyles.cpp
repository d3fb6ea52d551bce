#include "settings_ui/TextStyles.h"

#include <QLabel>
#include <QPalette>

namespace TextStyles {

namespace {

// Sizes as the usual 13-point body text relates to them.
QFont scaled(const QWidget& widget, qreal points, bool bold)
{
    QFont font = widget.font();
    font.setPointSizeF(font.pointSizeF() * points / 13.0);
    font.setBold(bold);
    return font;
}

} // namespace

QFont headline(const QWidget& widget)
{
    return scaled(widget, 13, true);
}

QFont caption(const QWidget& widget)
{
    return scaled(widget, 10, false);
}

QFont title2(const QWidget& widget)
{
    return scaled(widget, 17, true);
}

QFont largeTitle(const QWidget& widget)
{
    return scaled(widget, 26, true);
}

QColor secondary(const QWidget& widget)
{
    return widget.palette().color(QPalette::PlaceholderText);
}

void apply(QLabel& label, const QFont& font, bool dimmed)
{
    label.setFont(font);
    if (dimmed) {
        QPalette palette = label.palette();
        palette.setColor(QPalette::WindowText, secondary(label));
        label.setPalette(palette);
    }
}

} // namespace TextStyles
