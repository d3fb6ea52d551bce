#include "settings_ui/KeyboardKeyView.h"

#include "settings_ui/TextStyles.h"

#include <QPainter>
#include <QPainterPath>

namespace {

constexpr qreal kCornerRadius = 4;

} // namespace

KeyboardKeyView::KeyboardKeyView(const QString& symbol, QWidget* parent)
    : QLabel(symbol, parent)
{
    QFont face = font();
    face.setPointSizeF(face.pointSizeF() * 12 / 13.0);   // 12 points to the usual 13 of body text
    face.setWeight(QFont::Medium);
    setFont(face);
    setContentsMargins(6, 4, 6, 4);
    setAlignment(Qt::AlignCenter);
}

void KeyboardKeyView::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor colour = TextStyles::secondary(*this);
    const QRectF cap = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    colour.setAlphaF(0.2f);
    painter.setBrush(colour);
    colour.setAlphaF(0.3f);
    painter.setPen(QPen(colour, 1));
    painter.drawRoundedRect(cap, kCornerRadius, kCornerRadius);
    painter.end();
    QLabel::paintEvent(event);
}
