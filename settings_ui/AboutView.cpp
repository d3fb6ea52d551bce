#include "settings_ui/AboutView.h"

#include "feedback/SymbolIcons.h"
#include "localization/LocalizationManager.h"
#include "logging/Logger.h"
#include "settings/ApplicationVersion.h"
#include "settings_ui/TextStyles.h"

#include <QDesktopServices>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

namespace {

constexpr int kSymbolSize = 80;
const QString kSupportLink = QStringLiteral(
    "https://mail.google.com/mail/?view=cm&fs=1&to=support@kelvaro.app&su=Kelvaro%20Support");

// The symbol's shape filled with a gradient, blue at the top left to purple
// at the bottom right.
QPixmap gradientSymbol(qreal pixelRatio)
{
    const QPixmap shape = SymbolIcons::pixmap(SymbolIcons::keyboardEllipsis, kSymbolSize, {}, pixelRatio);
    QPixmap symbol = shape;
    QPainter painter(&symbol);
    QLinearGradient gradient(0, 0, kSymbolSize, kSymbolSize);
    gradient.setColorAt(0, QColor(0x00, 0x7a, 0xff));
    gradient.setColorAt(1, QColor(0xaf, 0x52, 0xde));
    // Over the drawing's own colours: its keys stay visible, tinted.
    painter.setCompositionMode(QPainter::CompositionMode_Multiply);
    painter.fillRect(QRectF(0, 0, kSymbolSize, kSymbolSize), gradient);
    painter.setCompositionMode(QPainter::CompositionMode_DestinationIn);
    painter.drawPixmap(0, 0, shape);
    return symbol;
}

} // namespace

AboutView::AboutView(QWidget* parent)
    : QWidget(parent)
    , m_name(new QLabel(this))
    , m_version(new QLabel(this))
    , m_description(new QLabel(this))
    , m_support(new QPushButton(this))
{
    auto* outer = new QVBoxLayout(this);
    auto* content = new QWidget(this);
    content->setFixedSize(400, 340);
    outer->addWidget(content, 0, Qt::AlignCenter);

    auto* column = new QVBoxLayout(content);
    column->setContentsMargins(40, 40, 40, 40);
    column->setSpacing(20);
    auto* symbol = new QLabel(content);
    symbol->setPixmap(gradientSymbol(devicePixelRatioF()));
    symbol->setAlignment(Qt::AlignCenter);
    column->addWidget(symbol);

    auto* group = new QVBoxLayout;
    group->setSpacing(5);
    TextStyles::apply(*m_name, TextStyles::largeTitle(*this));
    m_name->setAlignment(Qt::AlignCenter);
    group->addWidget(m_name);
    TextStyles::apply(*m_version, TextStyles::caption(*this), true);
    m_version->setAlignment(Qt::AlignCenter);
    m_version->setTextInteractionFlags(Qt::TextSelectableByMouse);
    group->addWidget(m_version);
    column->addLayout(group);

    m_description->setAlignment(Qt::AlignCenter);
    m_description->setWordWrap(true);
    column->addWidget(m_description);
    column->addStretch(1);

    m_support->setFlat(true);
    m_support->setCursor(Qt::PointingHandCursor);
    m_support->setFont(TextStyles::caption(*this));
    m_support->setIcon(QIcon(SymbolIcons::pixmap(SymbolIcons::envelope, 12, QColor(0x00, 0x7a, 0xff), devicePixelRatioF())));
    m_support->setStyleSheet(QStringLiteral("QPushButton { color: #007aff; border: none; padding: 2px; }"));
    column->addWidget(m_support, 0, Qt::AlignHCenter);
    connect(m_support, &QPushButton::clicked, this, &AboutView::contactSupport);

    followLanguage(this, [this] { retranslate(); });
}

void AboutView::retranslate()
{
    m_name->setText(localized(QStringLiteral("Kelvaro")));
    m_version->setText(versionText());
    m_description->setText(localized(QStringLiteral("Designed for ultimate productivity on Linux.")));
    m_support->setText(localized(QStringLiteral("Contact Support")));
}

QString AboutView::versionText()
{
    return QStringLiteral("v") + applicationShortVersion() + QStringLiteral(" (") + applicationBuildNumber()
           + QStringLiteral(")");
}

void AboutView::contactSupport()
{
    Logger::shared().info(QStringLiteral("Opening the support e-mail compose page: ") + kSupportLink);
    const QUrl link(kSupportLink, QUrl::StrictMode);
    if (link.isValid())
        QDesktopServices::openUrl(link);
}
