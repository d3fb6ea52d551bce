#include "feedback/IndicatorPanel.h"

#include "feedback/IndicatorLayout.h"
#include "platform/WindowEffects.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QLabel>
#include <QPainter>
#include <QPropertyAnimation>
#include <QTransform>

namespace {

const QColor textColour(255, 255, 255, 235);
// The dark fill of a heads-up display: see-through over a blurred background,
// less so over a sharp one, solid where nothing shows through at all.
const QColor blurredFill(22, 22, 24, 150);
const QColor translucentFill(22, 22, 24, 215);
const QColor opaqueFill(38, 38, 40);
const QColor rim(255, 255, 255, 36);

QLabel* makeLabel(const QString& text, const QFont& font, Qt::Alignment alignment, const QRect& frame,
                  QWidget* parent)
{
    auto* label = new QLabel(parent);
    // Names come from the system and other programs: never read them as markup.
    label->setTextFormat(Qt::PlainText);
    label->setText(text);
    label->setFont(font);
    label->setAlignment(alignment);
    label->setGeometry(frame);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, textColour);
    label->setPalette(palette);
    return label;
}

} // namespace

IndicatorPanel::IndicatorPanel(const QString& text, const QString& glyph, platform::WindowEffects& effects)
    : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                           | Qt::WindowDoesNotAcceptFocus | Qt::WindowTransparentForInput)
    , m_text(text)
    , m_glyph(glyph)
    , m_translucent(effects.isCompositing())
{
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_TranslucentBackground, m_translucent);
    setFocusPolicy(Qt::NoFocus);
    setWindowTitle(QStringLiteral("Kelvaro"));

    QFont glyphFont = font();
    glyphFont.setPixelSize(28);
    QFont textFont = font();
    textFont.setPixelSize(18);
    textFont.setWeight(QFont::Medium);

    const int width = IndicatorLayout::panelWidth(QFontMetricsF(textFont).horizontalAdvance(text));
    setFixedSize(width, IndicatorLayout::height);

    // What does not fit even the widest panel ends in an ellipsis.
    const QRect textFrame = IndicatorLayout::textFrame(width);
    const QString shownText = QFontMetrics(textFont).elidedText(text, Qt::ElideRight, textFrame.width());
    m_glyphLabel = makeLabel(glyph, glyphFont, Qt::AlignCenter, IndicatorLayout::glyphFrame, this);
    m_textLabel = makeLabel(shownText, textFont, Qt::AlignLeft | Qt::AlignVCenter, textFrame, this);
    m_textLabel->setToolTip(text);

    const QRegion outline = IndicatorLayout::roundedRegion(size());
    if (!m_translucent) {
        // Without a compositor the window is a plain rectangle; the mask cuts
        // its corners.
        setMask(outline);
    } else if (effects.isBlurSupported()) {
        const qreal scale = devicePixelRatioF();
        m_blur = effects.enableBlurBehind(winId(), QTransform::fromScale(scale, scale).map(outline));
    }
    setWindowOpacity(1.0);
}

void IndicatorPanel::fadeOut(std::chrono::milliseconds duration)
{
    if (!m_fade) {
        m_fade = new QPropertyAnimation(this, "windowOpacity", this);
        connect(m_fade, &QPropertyAnimation::finished, this, &IndicatorPanel::fadedOut);
    }
    m_fade->stop();
    m_fade->setDuration(int(duration.count()));
    m_fade->setStartValue(windowOpacity());
    m_fade->setEndValue(0.0);
    m_fade->start();
}

bool IndicatorPanel::isFading() const
{
    return m_fade && m_fade->state() == QAbstractAnimation::Running;
}

void IndicatorPanel::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    if (m_translucent) {
        painter.setCompositionMode(QPainter::CompositionMode_Source);
        painter.fillRect(rect(), Qt::transparent);
        painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
        painter.setPen(Qt::NoPen);
        painter.setBrush(m_blur ? blurredFill : translucentFill);
        painter.drawRoundedRect(bounds, IndicatorLayout::cornerRadius, IndicatorLayout::cornerRadius);
    } else {
        painter.fillRect(rect(), opaqueFill);
    }
    painter.setPen(rim);
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(bounds, IndicatorLayout::cornerRadius - 0.5, IndicatorLayout::cornerRadius - 0.5);
}
