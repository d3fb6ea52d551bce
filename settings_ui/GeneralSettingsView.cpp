#include "settings_ui/GeneralSettingsView.h"

#include "core/InputSourceManager.h"
#include "core/RuleEngine.h"
#include "feedback/SymbolIcons.h"
#include "localization/LocalizationManager.h"
#include "logging/Logger.h"
#include "settings/UserDefaults.h"
#include "settings_ui/LaunchAtLoginManager.h"
#include "settings_ui/SettingsForm.h"
#include "settings_ui/TextStyles.h"
#include "settings_ui/UpdateManager.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>

namespace {

const QString kShowNotification = QStringLiteral("showNotification");
const QString kSystemLanguage = QStringLiteral("system");
const QColor kRed(0xff, 0x3b, 0x30);

// The section titles and descriptions, in the page's order (English keys).
struct SectionText {
    const char* title;
    const char* description;
};
const SectionText kSections[] = {
    {QT_TR_NOOP("Language"), QT_TR_NOOP("Language changes take effect immediately.")},
    {QT_TR_NOOP("Startup"), QT_TR_NOOP("Automatically start when you log in.")},
    {QT_TR_NOOP("Fallback Behavior"), QT_TR_NOOP("If no rule matches the active app, switch to this input source.")},
    {QT_TR_NOOP("Notifications"), QT_TR_NOOP("Show a system notification when input source switches.")},
    {QT_TR_NOOP("Updates"), QT_TR_NOOP("Check if a new version is available.")},
    {QT_TR_NOOP("Reset"), QT_TR_NOOP("Reset all settings to default values. Rules will not be affected.")},
};

} // namespace

const QStringList& GeneralSettingsView::resetKeys()
{
    static const QStringList keys{
        QStringLiteral("appLanguage"),      kShowNotification,
        QStringLiteral("soundEnabled"),     QStringLiteral("soundVolume"),
        QStringLiteral("indicatorEnabled"), QStringLiteral("indicatorPosition"),
        QStringLiteral("indicatorDuration"), QStringLiteral("menuBarShowFlag"),
        QStringLiteral("pauseHotkeyEnabled"), QStringLiteral("rememberPerApplication"),
    };
    return keys;
}

GeneralSettingsView::GeneralSettingsView(const Services& services, QWidget* parent)
    : QWidget(parent)
    , m_services(services)
    , m_language(new QComboBox(this))
    , m_launch(new QCheckBox(this))
    , m_launchError(new QLabel(this))
    , m_defaultSource(new QComboBox(this))
    , m_notification(new QCheckBox(this))
    , m_checkForUpdates(new QPushButton(this))
    , m_reset(new QPushButton(this))
{
    const SettingsForm body(*this, QMargins(20, 20, 20, 20), 4);
    QWidget* form = body.widget();
    QVBoxLayout* column = body.column();

    const qreal ratio = devicePixelRatioF();
    const QColor text = palette().color(QPalette::WindowText);
    // One grouped section: its title, a rounded box holding the rows, its description.
    const auto section = [&](const QList<QWidget*>& rows) {
        auto* title = new QLabel(form);
        TextStyles::apply(*title, TextStyles::headline(*this));
        column->addWidget(title);
        m_sectionTitles << title;
        auto* box = new SectionBox(form);
        for (QWidget* row : rows)
            box->rows()->addWidget(row);
        column->addWidget(box);
        auto* description = new QLabel(form);
        TextStyles::apply(*description, TextStyles::caption(*this), true);
        description->setWordWrap(true);
        description->setContentsMargins(4, 0, 4, 0);
        column->addWidget(description);
        m_descriptions << description;
        column->addSpacing(14);
    };
    // A row of a titled picker: the title on the left, the picker on the right.
    const auto pickerRow = [&](QComboBox* picker) {
        auto* row = new QWidget(form);
        auto* line = new QHBoxLayout(row);
        line->setContentsMargins(0, 0, 0, 0);
        auto* title = new QLabel(row);
        title->setBuddy(picker);
        m_rowLabels << title;
        line->addWidget(title);
        line->addStretch(1);
        picker->setMinimumWidth(200);
        line->addWidget(picker);
        return row;
    };

    section({pickerRow(m_language)});
    m_launch->setIcon(QIcon(SymbolIcons::pixmap(SymbolIcons::power, 16, text, ratio)));
    TextStyles::apply(*m_launchError, TextStyles::caption(*this));
    QPalette errorPalette = m_launchError->palette();
    errorPalette.setColor(QPalette::WindowText, kRed);
    m_launchError->setPalette(errorPalette);
    m_launchError->setWordWrap(true);
    m_launchError->setTextFormat(Qt::PlainText);
    section({m_launch, m_launchError});
    section({pickerRow(m_defaultSource)});
    m_notification->setIcon(QIcon(SymbolIcons::pixmap(SymbolIcons::bell, 16, text, ratio)));
    section({m_notification});
    m_checkForUpdates->setIcon(QIcon(SymbolIcons::pixmap(SymbolIcons::arrowClockwise, 16, text, ratio)));
    section({m_checkForUpdates});
    m_reset->setIcon(QIcon(SymbolIcons::pixmap(SymbolIcons::arrowCounterclockwise, 16, kRed, ratio)));
    m_reset->setStyleSheet(QStringLiteral("QPushButton { color: %1; }").arg(kRed.name()));
    section({m_reset});
    column->addStretch(1);
    for (QPushButton* button : {m_checkForUpdates, m_reset})
        button->setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);

    for (const LanguageOption& language : LocalizationManager::supportedLanguages())
        m_language->addItem(QString(), language.code);
    m_language->setCurrentIndex(m_language->findData(LocalizationManager::shared().currentLanguage()));
    connect(m_language, &QComboBox::currentIndexChanged, this, &GeneralSettingsView::chooseLanguage);

    LaunchAtLoginManager& launch = services.launchManager;
    connect(m_launch, &QCheckBox::clicked, &launch, &LaunchAtLoginManager::setEnabled);
    connect(&launch, &LaunchAtLoginManager::isEnabledChanged, this, &GeneralSettingsView::renderLaunchAtLogin);
    connect(&launch, &LaunchAtLoginManager::lastErrorChanged, this, &GeneralSettingsView::renderLaunchAtLogin);

    connect(m_defaultSource, &QComboBox::currentIndexChanged, this, &GeneralSettingsView::chooseDefaultInputSource);
    connect(&services.ruleEngine, &RuleEngine::defaultInputSourceIDChanged, this,
            &GeneralSettingsView::renderDefaultInputSource);
    connect(&services.inputSourceManager, &InputSourceManager::installedInputSourcesChanged, this,
            &GeneralSettingsView::renderDefaultInputSource);

    connect(m_notification, &QCheckBox::clicked, this, [this](bool checked) {
        UserDefaults::setValue(m_services.settings, kShowNotification, checked);
    });
    connect(&UserDefaults::notifier(), &UserDefaults::Notifier::changed, this, [this](const QString& key) {
        if (key == kShowNotification)
            renderNotification();
    });

    connect(m_checkForUpdates, &QPushButton::clicked, this, [] { UpdateManager::shared().checkForUpdates(); });
    connect(m_reset, &QPushButton::clicked, this, &GeneralSettingsView::confirmReset);

    followLanguage(this, [this] { retranslate(); });
    renderLaunchAtLogin();
    renderNotification();
}

void GeneralSettingsView::retranslate()
{
    for (int index = 0; index < m_sectionTitles.size(); ++index) {
        m_sectionTitles[index]->setText(localized(QString::fromLatin1(kSections[index].title)));
        m_descriptions[index]->setText(localized(QString::fromLatin1(kSections[index].description)));
    }
    m_rowLabels[0]->setText(localized(QStringLiteral("App Language")));
    m_rowLabels[1]->setText(localized(QStringLiteral("Default Input Source")));
    m_launch->setText(localized(QStringLiteral("Launch at Login")));
    m_notification->setText(localized(QStringLiteral("Show System Notification")));
    m_checkForUpdates->setText(localized(QStringLiteral("Check for Updates")));
    m_reset->setText(localized(QStringLiteral("Reset All Settings")));
    const LocalizationManager& localization = LocalizationManager::shared();
    const QList<LanguageOption>& languages = LocalizationManager::supportedLanguages();
    for (int row = 0; row < languages.size(); ++row)
        m_language->setItemText(row, localization.displayName(languages[row]));
    renderDefaultInputSource();
}

void GeneralSettingsView::renderLaunchAtLogin()
{
    const LaunchAtLoginManager& launch = m_services.launchManager;
    m_launch->setChecked(launch.isEnabled());
    m_launchError->setText(launch.lastErrorText());
    m_launchError->setVisible(launch.lastError().has_value());
}

void GeneralSettingsView::renderDefaultInputSource()
{
    const QSignalBlocker quiet(m_defaultSource);
    m_defaultSource->clear();
    m_defaultSource->addItem(localized(QStringLiteral("None (Do nothing)")));
    for (const InputSource& source : m_services.inputSourceManager.installedInputSources())
        m_defaultSource->addItem(source.name, source.id);
    const std::optional<QString> chosen = m_services.ruleEngine.defaultInputSourceID();
    // An identifier no longer installed matches no row; it stays stored.
    m_defaultSource->setCurrentIndex(chosen ? m_defaultSource->findData(*chosen) : 0);
}

void GeneralSettingsView::renderNotification()
{
    m_notification->setChecked(UserDefaults::boolValue(m_services.settings, kShowNotification, false));
}

void GeneralSettingsView::chooseLanguage(int row)
{
    if (row >= 0)
        LocalizationManager::shared().setLanguage(m_language->itemData(row).toString(), true);
}

void GeneralSettingsView::chooseDefaultInputSource(int row)
{
    if (row < 0)
        return;
    const QVariant identifier = m_defaultSource->itemData(row);
    m_services.ruleEngine.setDefaultInputSourceID(identifier.isValid() ? std::optional(identifier.toString())
                                                                       : std::nullopt);
}

void GeneralSettingsView::confirmReset()
{
    if (m_confirmation)
        return;
    m_confirmation = new QMessageBox(QMessageBox::Warning, localized(QStringLiteral("Reset Settings")),
                                     localized(QStringLiteral(
                                         "Are you sure you want to reset all settings to default values?")),
                                     QMessageBox::NoButton, this);
    m_confirmation->setAttribute(Qt::WA_DeleteOnClose);
    m_confirmation->setWindowModality(Qt::WindowModal);
    m_confirmation->addButton(localized(QStringLiteral("Cancel")), QMessageBox::RejectRole);
    QPushButton* reset = m_confirmation->addButton(localized(QStringLiteral("Reset")), QMessageBox::DestructiveRole);
    connect(reset, &QPushButton::clicked, this, &GeneralSettingsView::resetAllSettings);
    connect(m_confirmation, &QObject::destroyed, this, [this] { m_confirmation = nullptr; });
    m_confirmation->open();
}

void GeneralSettingsView::resetAllSettings()
{
    for (const QString& key : resetKeys())
        UserDefaults::remove(m_services.settings, key);
    m_services.ruleEngine.setDefaultInputSourceID(std::nullopt);
    LocalizationManager::shared().setLanguage(kSystemLanguage, true);
    // Through the picker's own handler, as a choice of "System Default" is.
    m_language->setCurrentIndex(m_language->findData(kSystemLanguage));
    Logger::shared().info(QStringLiteral("All settings have been reset to defaults"));
}
