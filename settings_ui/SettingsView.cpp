#include "settings_ui/SettingsView.h"

#include "feedback/SymbolIcons.h"
#include "localization/LocalizationManager.h"
#include "logging/Logger.h"
#include "platform/ShellExtension.h"
#include "settings/ApplicationVersion.h"
#include "settings/UserDefaults.h"
#include "settings_ui/AboutView.h"
#include "settings_ui/GeneralSettingsView.h"
#include "settings_ui/PermissionsManager.h"
#include "settings_ui/ProminentButton.h"
#include "settings_ui/RuleListView.h"
#include "settings_ui/TextStyles.h"

#include <QApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPainter>
#include <QPushButton>
#include <QShortcut>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace {

constexpr int kSidebarWidth = 200;
constexpr int kItemPadding = 6;
constexpr int kFooterPadding = 8;

struct SidebarItem {
    const char* text;
    QString symbol;
    QColor tint;   // invalid: the text's colour
};

const SidebarItem kItems[] = {
    {QT_TR_NOOP("Rule Management"), SymbolIcons::ruleList, {}},
    {QT_TR_NOOP("General Settings"), SymbolIcons::gear, {}},
    {QT_TR_NOOP("Extras"), SymbolIcons::sparkles, QColor(0xaf, 0x52, 0xde)},
    {QT_TR_NOOP("About"), SymbolIcons::info, {}},
};

// The banner's yellow background with its line along the bottom edge.
class Banner : public QWidget {
public:
    using QWidget::QWidget;

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        QColor yellow(0xff, 0xcc, 0x00);
        yellow.setAlphaF(0.2f);
        painter.fillRect(rect(), yellow);
        yellow.setAlphaF(0.4f);
        painter.fillRect(QRect(0, height() - 1, width(), 1), yellow);
    }
};

// What the banner asks of the user for the shell extension; empty when the
// extension needs nothing.
QString shellExtensionNeed(platform::ShellExtension::State state)
{
    using State = platform::ShellExtension::State;
    switch (state) {
    case State::NeedsEnabling:
        return localized(QStringLiteral("Kelvaro's GNOME Shell extension is turned off, so no input source is switched."));
    case State::NeedsLogin:
        return localized(QStringLiteral(
            "Log out and log in again so that GNOME Shell starts Kelvaro's extension; until then no input source is switched."));
    case State::Failed:
        return localized(QStringLiteral("GNOME Shell is not running Kelvaro's extension, so no input source is switched."));
    case State::NotNeeded:
    case State::Ready:
        break;
    }
    return {};
}

} // namespace

SettingsView::SettingsView(const Services& services, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_banner(new Banner(this))
    , m_bannerText(new QLabel(m_banner))
    , m_bannerButton(new QPushButton(m_banner))
    , m_sidebarTitle(new QLabel(this))
    , m_sidebar(new QListWidget(this))
    , m_footer(new QLabel(this))
    , m_pages(new QStackedWidget(this))
    , m_ruleList(new RuleListView(services.ruleEngine, services.inputSourceManager, services.workspace, this))
{
    setMinimumSize(700, 450);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);

    auto* bannerRow = new QHBoxLayout(m_banner);
    bannerRow->setContentsMargins(16, 10, 16, 10);
    auto* warning = new QLabel(m_banner);
    warning->setPixmap(SymbolIcons::pixmap(SymbolIcons::warning, 18, QColor(0xf5, 0xb8, 0x00), devicePixelRatioF()));
    bannerRow->addWidget(warning);
    QFont medium = font();
    medium.setWeight(QFont::Medium);
    m_bannerText->setFont(medium);
    // The extension's sentences wrap rather than widen the window.
    m_bannerText->setWordWrap(true);
    bannerRow->addWidget(m_bannerText, 1);
    ProminentButton::style(*m_bannerButton, font(), QMargins(4, 10, 4, 10));
    bannerRow->addWidget(m_bannerButton);
    column->addWidget(m_banner);
    connect(m_bannerButton, &QPushButton::clicked, this, &SettingsView::bannerButtonClicked);
    connect(&services.permissionsManager, &PermissionsManager::isAccessibilityTrustedChanged, this,
            &SettingsView::renderBanner);
    connect(&services.shellExtension, &platform::ShellExtension::stateChanged, this, &SettingsView::renderBanner);

    auto* split = new QHBoxLayout;
    split->setSpacing(0);
    auto* sidebarPane = new QWidget(this);
    sidebarPane->setAutoFillBackground(true);
    sidebarPane->setBackgroundRole(QPalette::Window);
    auto* sidebarColumn = new QVBoxLayout(sidebarPane);
    sidebarColumn->setContentsMargins(0, 0, 0, 0);
    sidebarColumn->setSpacing(0);
    m_sidebar->setFixedWidth(kSidebarWidth);
    m_sidebar->setFrameShape(QFrame::NoFrame);
    m_sidebar->setStyleSheet(QStringLiteral("QListWidget { background: palette(window); }"
                                            "QListWidget::item { padding: %1px 8px; border-radius: 6px; margin: 0 6px; }"
                                            "QListWidget::item:selected { background: palette(highlight);"
                                            " color: palette(highlighted-text); }")
                                 .arg(kItemPadding));
    for (const SidebarItem& entry : kItems) {
        const QColor tint = entry.tint.isValid() ? entry.tint : palette().color(QPalette::WindowText);
        new QListWidgetItem(QIcon(SymbolIcons::pixmap(entry.symbol, 16, tint, devicePixelRatioF())), QString(),
                            m_sidebar);
    }
    TextStyles::apply(*m_sidebarTitle, TextStyles::headline(*this), true);
    m_sidebarTitle->setContentsMargins(14, 12, 8, 6);
    sidebarColumn->addWidget(m_sidebarTitle);
    sidebarColumn->addWidget(m_sidebar, 1);
    TextStyles::apply(*m_footer, TextStyles::caption(*this), true);
    m_footer->setAlignment(Qt::AlignCenter);
    m_footer->setContentsMargins(0, kFooterPadding, 0, kFooterPadding);
    sidebarColumn->addWidget(m_footer);
    split->addWidget(sidebarPane);
    auto* divider = new QFrame(this);
    divider->setFrameShape(QFrame::VLine);
    divider->setFrameShadow(QFrame::Sunken);
    split->addWidget(divider);

    m_pages->addWidget(m_ruleList);
    m_pages->addWidget(new GeneralSettingsView({services.ruleEngine, services.inputSourceManager,
                                                services.launchAtLoginManager, UserDefaults::standard()},
                                               this));
    m_pages->addWidget(services.extras ? new ProSettingsView(*services.extras, this) : new QWidget(this));
    m_pages->addWidget(new AboutView(this));
    split->addWidget(m_pages, 1);
    column->addLayout(split, 1);
    connect(m_sidebar, &QListWidget::currentRowChanged, m_pages, &QStackedWidget::setCurrentIndex);

    // Escape and Ctrl+W close the window, Ctrl+Q quits as the tray menu does.
    for (const QKeySequence& close : {QKeySequence(QKeySequence::Close), QKeySequence(Qt::Key_Escape)})
        connect(new QShortcut(close, this), &QShortcut::activated, this, [this] { window()->close(); });
    connect(new QShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q), this), &QShortcut::activated, qApp,
            &QCoreApplication::quit);

    followLanguage(this, [this] { retranslate(); });
}

QWidget* SettingsView::currentPage() const
{
    return m_pages->currentWidget();
}

void SettingsView::retranslate()
{
    setWindowTitle(localized(QStringLiteral("Settings")));
    m_sidebarTitle->setText(windowTitle());
    m_sidebar->setAccessibleName(m_sidebarTitle->text());
    for (int row = 0; row < m_sidebar->count(); ++row)
        m_sidebar->item(row)->setText(localized(QString::fromLatin1(kItems[row].text)));
    m_footer->setText(QStringLiteral("v") + applicationShortVersion());
    renderBanner();
}

// Without its shell extension Kelvaro switches nothing, so the extension's
// need comes before the accessibility permission.
void SettingsView::renderBanner()
{
    const platform::ShellExtension::State state = m_services.shellExtension.state();
    const QString need = shellExtensionNeed(state);
    const bool turnOn = state == platform::ShellExtension::State::NeedsEnabling;
    m_bannerText->setText(need.isEmpty() ? localized(QStringLiteral("Accessibility Permission Required")) : need);
    m_bannerButton->setText(turnOn ? localized(QStringLiteral("Turn On")) : localized(QStringLiteral("Grant Access")));
    m_bannerButton->setVisible(turnOn || need.isEmpty());
    m_banner->setVisible(!need.isEmpty() || !m_services.permissionsManager.isAccessibilityTrusted());
}

void SettingsView::bannerButtonClicked()
{
    platform::ShellExtension& extension = m_services.shellExtension;
    if (extension.state() != platform::ShellExtension::State::NeedsEnabling) {
        m_services.permissionsManager.requestAccessibility();
    } else if (!extension.enable()) {
        // The banner stays as it is; the log says why nothing changed.
        Logger::shared().error(QStringLiteral("GNOME Shell did not turn on Kelvaro's extension"));
    }
}
