#include "app/TrayIconImage.h"

#include "feedback/SymbolIcons.h"

#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPixmap>

#include <cmath>

namespace {

// The flag is set in 11 points beside a symbol of a 22-point bar: two thirds
// of the height once points become pixels (96 dpi).
constexpr qreal kFlagSizeRatio = (11.0 * 96.0 / 72.0) / 22.0;
constexpr qreal kGapRatio = 0.125;
constexpr int kHeights[] = {16, 22, 24, 32, 48, 64};

QFont flagFont(int height)
{
    QFont font = QGuiApplication::font();
    font.setPixelSize(qMax(1, qRound(height * kFlagSizeRatio)));
    return font;
}

} // namespace

namespace TrayIconImage {

QImage render(const QString& symbol, const std::optional<QString>& flag, int height)
{
    const QFont font = flagFont(height);
    const qreal gap = height * kGapRatio;
    const qreal flagWidth = flag && !flag->isEmpty() ? QFontMetricsF(font).horizontalAdvance(*flag) : 0;
    const int width = height + (flagWidth > 0 ? int(std::ceil(gap + flagWidth)) : 0);

    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::TextAntialiasing | QPainter::SmoothPixmapTransform);
    SymbolIcons::paint(painter, QRectF(0, 0, height, height), symbol);
    if (flagWidth > 0) {
        painter.setFont(font);
        painter.drawText(QRectF(height + gap, 0, flagWidth, height), Qt::AlignLeft | Qt::AlignVCenter, *flag);
    }
    return image;
}

QIcon icon(const QString& symbol, const std::optional<QString>& flag)
{
    // Drawn once per symbol and flag: a switch back and forth between two
    // layouts must not draw six pictures each time (that held up the next switch).
    static QHash<QString, QIcon> drawn;
    const QString key = symbol + QLatin1Char('\n') + flag.value_or(QString());
    if (const auto found = drawn.constFind(key); found != drawn.cend())
        return *found;
    QIcon icon;
    for (const int height : kHeights)
        icon.addPixmap(QPixmap::fromImage(render(symbol, flag, height)));
    // A user has a handful of layouts; more than this means something is off,
    // so start over rather than grow.
    if (drawn.size() >= 64)
        drawn.clear();
    drawn.insert(key, icon);
    return icon;
}

} // namespace TrayIconImage
