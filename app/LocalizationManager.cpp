// Placeholder until localization lands.
#include "app/LocalizationManager.h"
#include "app/UserDefaults.h"
#include <QLocale>
LocalizationManager& LocalizationManager::shared() { static auto* m = new LocalizationManager(QString(), UserDefaults::standard(), QLocale::system().uiLanguages()); return *m; }
LocalizationManager::LocalizationManager(const QString& r, QSettings& s, const QStringList& l, QObject* p) : QObject(p), m_resourcesDirectory(r), m_settings(s), m_preferredLanguages(l) {}
const QList<LanguageOption>& LocalizationManager::supportedLanguages() { static QList<LanguageOption> l; return l; }
QString LocalizationManager::displayName(const LanguageOption& l) const { return l.name; }
void LocalizationManager::setLanguage(const QString&, bool) {}
QString LocalizationManager::localizedString(const QString& key) const { return key; }
void LocalizationManager::installQtTranslations(QSettings&) {}
LocalizedBundle LocalizationManager::mainBundle() const { return {}; }
std::optional<LocalizedBundle> LocalizationManager::bundleForCode(const QString&) const { return std::nullopt; }
QString localized(const QString& t) { return LocalizationManager::shared().localizedString(t); }
