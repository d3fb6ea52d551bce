#include "localization/LocalizationManager.h"

#include "logging/LogText.h"
#include "logging/Logger.h"
#include "platform/ApplicationResources.h"
#include "settings/UserDefaults.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QSettings>
#include <QTranslator>

namespace {

const QString systemCode = QStringLiteral("system");
const QString appLanguageKey = QStringLiteral("appLanguage");
const QString appleLanguagesKey = QStringLiteral("AppleLanguages");

// The stored "AppleLanguages" list; QSettings reads a one-element list back
// as a plain string, which toStringList() turns into a list again.
QStringList storedAppleLanguages(const QSettings& settings)
{
    QStringList languages = settings.value(appleLanguagesKey).toStringList();
    languages.removeAll(QString());
    return languages;
}

// The folder names that may serve a BCP 47 tag, best first: the tag itself,
// language-Script ("zh-CN" and "zh-Hans-SG" both give "zh-Hans") and the bare
// language ("de-AT" gives "de").
QStringList folderCandidates(const QString& tag)
{
    const QString normalized = QString(tag).replace(u'_', u'-');
    QStringList candidates{normalized};
    const QLocale locale(normalized);
    if (locale.language() != QLocale::C && locale.language() != QLocale::AnyLanguage) {
        const QString language = QLocale::languageToCode(locale.language());
        if (locale.script() != QLocale::AnyScript)
            candidates << language + u'-' + QLocale::scriptToCode(locale.script());
        candidates << language;
    } else {
        candidates << normalized.section(u'-', 0, 0);
    }
    candidates.removeDuplicates();
    candidates.removeAll(QString());
    return candidates;
}

} // namespace

LocalizationManager& LocalizationManager::shared()
{
    static LocalizationManager* const manager = new LocalizationManager(
        ApplicationResources::directory(), UserDefaults::standard(), QLocale::system().uiLanguages());
    return *manager;
}

LocalizationManager::LocalizationManager(const QString& resourcesDirectory, QSettings& settings,
                                         const QStringList& systemLanguages, QObject* parent)
    : QObject(parent)
    , m_resourcesDirectory(resourcesDirectory)
    , m_settings(settings)
    , m_preferredLanguages(storedAppleLanguages(settings))
{
    // The previous run's choice stands for the languages the desktop would
    // have given this process at launch.
    if (m_preferredLanguages.isEmpty())
        m_preferredLanguages = systemLanguages;

    m_currentLanguage = systemCode;
    m_localizedBundle = mainBundle();
    m_updateTrigger = QUuid::createUuid();

    const QVariant stored = m_settings.value(appLanguageKey);
    const QString code = stored.typeId() == QMetaType::QString ? stored.toString() : systemCode;
    setLanguage(code, false);
}

const QList<LanguageOption>& LocalizationManager::supportedLanguages()
{
    static const QList<LanguageOption> languages{
        // Localized when shown (displayName); marked so that it is a translation key.
        {systemCode, QStringLiteral(QT_TR_NOOP("System Default"))},
        {QStringLiteral("en"), QStringLiteral("English")},
        {QStringLiteral("zh-Hans"), QStringLiteral("简体中文")},
        {QStringLiteral("ja"), QStringLiteral("日本語")},
        {QStringLiteral("ko"), QStringLiteral("한국어")},
        {QStringLiteral("de"), QStringLiteral("Deutsch")},
        {QStringLiteral("fr"), QStringLiteral("Français")},
        {QStringLiteral("es"), QStringLiteral("Español")},
        {QStringLiteral("pt"), QStringLiteral("Português")},
    };
    return languages;
}

QString LocalizationManager::displayName(const LanguageOption& language) const
{
    return language.code == systemCode ? localizedString(language.name) : language.name;
}

void LocalizationManager::setLanguage(const QString& code, bool persist)
{
    m_currentLanguage = code;
    emit currentLanguageChanged(m_currentLanguage);

    if (code == systemCode) {
        m_localizedBundle = mainBundle();
        emit localizedBundleChanged();
        if (persist) {
            UserDefaults::remove(m_settings, appLanguageKey);
            UserDefaults::remove(m_settings, appleLanguagesKey);
            m_settings.sync();
        }
    } else {
        if (auto bundle = bundleForCode(code)) {
            m_localizedBundle = std::move(*bundle);
        } else {
            m_localizedBundle = mainBundle();
            Logger::shared().info(QStringLiteral("Language bundle not found for: ") + logging::logText(code));
        }
        emit localizedBundleChanged();
        if (persist) {
            UserDefaults::setValue(m_settings, appLanguageKey, code);
            UserDefaults::setValue(m_settings, appleLanguagesKey, QStringList{code});
            m_settings.sync();
        }
    }

    m_updateTrigger = QUuid::createUuid();
    emit updateTriggerChanged(m_updateTrigger);
    emit languageDidChange();
}

QString LocalizationManager::localizedString(const QString& key) const
{
    return m_localizedBundle.localizedString(key);
}

void LocalizationManager::installQtTranslations(QSettings& settings)
{
    const QStringList languages = storedAppleLanguages(settings);
    if (languages.isEmpty())
        return;
    // Kept for the whole run: the application only refers to installed translators.
    static QTranslator* translator = nullptr;
    if (translator) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
        translator = nullptr;
    }
    const QString code = languages.first();
    auto* candidate = new QTranslator;
    // Loading by locale also finds files named after a region, such as
    // qtbase_zh_CN for "zh-Hans" and qtbase_pt_BR for "pt".
    if (candidate->load(QLocale(code), QStringLiteral("qtbase"), QStringLiteral("_"),
                        QLibraryInfo::path(QLibraryInfo::TranslationsPath))
        && QCoreApplication::installTranslator(candidate)) {
        translator = candidate;
    } else {
        delete candidate;
        Logger::shared().info(QStringLiteral("Qt translations not found for: ") + logging::logText(code));
    }
}

LocalizedBundle LocalizationManager::mainBundle() const
{
    for (const QString& tag : m_preferredLanguages) {
        for (const QString& candidate : folderCandidates(tag)) {
            if (auto bundle = bundleForCode(candidate))
                return std::move(*bundle);
        }
    }
    return {};
}

std::optional<LocalizedBundle> LocalizationManager::bundleForCode(const QString& code) const
{
    const QString folder = ApplicationResources::pathForResource(m_resourcesDirectory, code, QStringLiteral("lproj"));
    if (folder.isEmpty())
        return std::nullopt;
    return LocalizedBundle::open(folder);
}

QString localized(const QString& englishText)
{
    return LocalizationManager::shared().localizedString(englishText);
}
