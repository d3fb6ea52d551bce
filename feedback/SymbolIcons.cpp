#include "feedback/SymbolIcons.h"

#include "logging/Logger.h"
#include "platform/ApplicationResources.h"

#include <QHash>
#include <QIcon>
#include <QPainter>
#include <QRectF>
#include <QSvgRenderer>

#include <memory>

namespace {

// One symbol: its freedesktop icon name (empty when none fits) and our own
// SVG (without extension) for desktops whose theme lacks it. A badged symbol
// is its base symbol with a badge in the lower right quarter.
struct Symbol {
    QString name;
    QString themeIcon;
    QString bundledSvg;
    QString baseSymbol;
    QString badgeSvg;
};

const QList<Symbol>& symbolTable()
{
    static const QList<Symbol> table{
        {SymbolIcons::keyboard, QStringLiteral("input-keyboard"), QStringLiteral("keyboard"), {}, {}},
        // No freedesktop name means "paused keyboard"; our badge on whichever keyboard is drawn keeps one look.
        {SymbolIcons::keyboardPaused, {}, {}, SymbolIcons::keyboard, QStringLiteral("badge-exclamationmark")},
        {SymbolIcons::keyboardEllipsis, {}, {}, SymbolIcons::keyboard, QStringLiteral("badge-ellipsis")},
        // The one-colour symbols of the settings window: ours everywhere, so
        // that they take the colour the window gives them.
        {SymbolIcons::application, {}, QStringLiteral("app-fill"), {}, {}},
        {SymbolIcons::plus, {}, QStringLiteral("plus"), {}, {}},
        {SymbolIcons::minus, {}, QStringLiteral("minus"), {}, {}},
        {SymbolIcons::arrowRight, {}, QStringLiteral("arrow-right"), {}, {}},
        {SymbolIcons::warning, {}, QStringLiteral("exclamationmark-triangle-fill"), {}, {}},
        {SymbolIcons::ruleList, {}, QStringLiteral("list-bullet-rectangle"), {}, {}},
        {SymbolIcons::gear, {}, QStringLiteral("gear"), {}, {}},
        {SymbolIcons::sparkles, {}, QStringLiteral("sparkles"), {}, {}},
        {SymbolIcons::info, {}, QStringLiteral("info-circle"), {}, {}},
        {SymbolIcons::envelope, {}, QStringLiteral("envelope"), {}, {}},
        {SymbolIcons::squareOnSquare, {}, QStringLiteral("square-on-square"), {}, {}},
        {SymbolIcons::speaker, {}, QStringLiteral("speaker-wave-2"), {}, {}},
        {SymbolIcons::playCircle, {}, QStringLiteral("play-circle"), {}, {}},
        {SymbolIcons::command, {}, QStringLiteral("command"), {}, {}},
        {SymbolIcons::flag, {}, QStringLiteral("flag"), {}, {}},
        {SymbolIcons::squareArrowUp, {}, QStringLiteral("square-and-arrow-up"), {}, {}},
        {SymbolIcons::squareArrowDown, {}, QStringLiteral("square-and-arrow-down"), {}, {}},
        {SymbolIcons::power, {}, QStringLiteral("power"), {}, {}},
        {SymbolIcons::bell, {}, QStringLiteral("bell"), {}, {}},
        {SymbolIcons::arrowClockwise, {}, QStringLiteral("arrow-clockwise"), {}, {}},
        {SymbolIcons::arrowCounterclockwise, {}, QStringLiteral("arrow-counterclockwise"), {}, {}},
    };
    return table;
}

const Symbol* findSymbol(const QString& name)
{
    for (const Symbol& symbol : symbolTable()) {
        if (symbol.name == name)
            return &symbol;
    }
    return nullptr;
}

QRectF centredSquare(const QRectF& rect)
{
    const qreal side = qMin(rect.width(), rect.height());
    QRectF square(0, 0, side, side);
    square.moveCenter(rect.center());
    return square;
}

// Parsed once per file; a file that is missing or not a valid SVG is
// reported once and then stays unusable.
QSvgRenderer* bundledRenderer(const QString& name)
{
    static QHash<QString, std::shared_ptr<QSvgRenderer>> renderers;
    if (const auto found = renderers.constFind(name); found != renderers.cend())
        return found->get();

    std::shared_ptr<QSvgRenderer> renderer;
    const QString path =
        ApplicationResources::pathForResource(ApplicationResources::directory(), name, QStringLiteral("svg"));
    if (path.isEmpty()) {
        Logger::shared().error(QStringLiteral("Symbol image not found: ") + name + QStringLiteral(".svg"));
    } else {
        renderer = std::make_shared<QSvgRenderer>(path);
        if (!renderer->isValid()) {
            Logger::shared().error(QStringLiteral("Symbol image is not a valid SVG: ") + path);
            renderer.reset();
        }
    }
    renderers.insert(name, renderer);
    return renderer.get();
}

bool paintBundled(QPainter& painter, const QRectF& square, const QString& name)
{
    QSvgRenderer* renderer = bundledRenderer(name);
    if (!renderer)
        return false;
    renderer->render(&painter, square);
    return true;
}

bool paintThemed(QPainter& painter, const QRectF& square, const QString& iconName)
{
    if (iconName.isEmpty() || !QIcon::hasThemeIcon(iconName))
        return false;
    const QIcon icon = QIcon::fromTheme(iconName);
    const qreal scale = painter.device() ? painter.device()->devicePixelRatioF() : 1.0;
    const QSize pixels = (square.size() * scale).toSize();
    // Drawn at the exact size so that the painter only copies it.
    QPixmap pixmap = icon.pixmap(pixels, 1.0);
    if (pixmap.isNull())
        return false;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawPixmap(square, pixmap, QRectF(pixmap.rect()));
    painter.restore();
    return true;
}

} // namespace

namespace SymbolIcons {

bool paint(QPainter& painter, const QRectF& rect, const QString& name)
{
    const Symbol* symbol = findSymbol(name);
    if (!symbol)
        return false;
    const QRectF square = centredSquare(rect);

    if (!symbol->baseSymbol.isEmpty()) {
        if (!paint(painter, square, symbol->baseSymbol))
            return false;
        const qreal badgeSide = square.width() * 0.55;
        const QRectF badge(square.right() - badgeSide, square.bottom() - badgeSide, badgeSide, badgeSide);
        return paintBundled(painter, badge, symbol->badgeSvg);
    }
    return paintThemed(painter, square, symbol->themeIcon) || paintBundled(painter, square, symbol->bundledSvg);
}

QPixmap pixmap(const QString& symbol, int side, const QColor& tint, qreal pixelRatio)
{
    QPixmap image(QSize(side, side) * pixelRatio);
    image.setDevicePixelRatio(pixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    paint(painter, QRectF(0, 0, side, side), symbol);
    if (tint.isValid()) {
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(QRectF(0, 0, side, side), tint);
    }
    return image;
}

} // namespace SymbolIcons
