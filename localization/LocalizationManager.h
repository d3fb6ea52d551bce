#pragma once

#include "localization/LocalizedBundle.h"

#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <QUuid>

#include <functional>

class QSettings;

struct LanguageOption {
    QString code;   // "system", "en", "zh-Hans", ...
    QString name;   // shown as it stands, except "System Default", which is localized
};

// The interface language: the supported languages, the chosen one, its
// translations and the stored choice ("appLanguage", and "AppleLanguages",
// which chooses Qt's own translations at the next start). Main thread only.
class LocalizationManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString currentLanguage READ currentLanguage NOTIFY currentLanguageChanged)
    Q_PROPERTY(QUuid updateTrigger READ updateTrigger NOTIFY updateTriggerChanged)
public:
    static LocalizationManager& shared();

    // resourcesDirectory holds the "<code>.lproj" folders. systemLanguages are
    // the desktop's preferred UI languages (BCP 47 tags, best first), used
    // for "system" when "AppleLanguages" is not stored.
    LocalizationManager(const QString& resourcesDirectory, QSettings& settings, const QStringList& systemLanguages,
                        QObject* parent = nullptr);

    static const QList<LanguageOption>& supportedLanguages();
    QString displayName(const LanguageOption& language) const;

    QString currentLanguage() const { return m_currentLanguage; }
    const LocalizedBundle& localizedBundle() const { return m_localizedBundle; }
    QUuid updateTrigger() const { return m_updateTrigger; }

    void setLanguage(const QString& code, bool persist);
    QString localizedString(const QString& key) const;

    // Run once at start, before any window: installs Qt's own translations for
    // the first language stored under "AppleLanguages" (the choice made in the
    // previous run), so standard dialogs and buttons follow it.
    static void installQtTranslations(QSettings& settings);

signals:
    // Each is sent on every assignment, also when the value is unchanged.
    void currentLanguageChanged(const QString& code);
    void localizedBundleChanged();
    void updateTriggerChanged(const QUuid& trigger);
    // After every change of language.
    void languageDidChange();

private:
    LocalizedBundle mainBundle() const;
    std::optional<LocalizedBundle> bundleForCode(const QString& code) const;

    QString m_resourcesDirectory;
    QSettings& m_settings;
    QStringList m_preferredLanguages;
    QString m_currentLanguage;
    LocalizedBundle m_localizedBundle;
    QUuid m_updateTrigger;
};

// The text of englishText in the chosen interface language.
QString localized(const QString& englishText);

// Runs `render` now and after every change of language, for as long as
// `owner` lives: how a view keeps its texts in the chosen language.
void followLanguage(QObject* owner, std::function<void()> render);
