#include "settings_ui/UpdateManager.h"

#include "localization/LocalizationManager.h"
#include "logging/LogText.h"
#include "logging/Logger.h"
#include "settings/ApplicationVersion.h"
#include "settings_ui/UpdateChecker.h"

UpdateManager& UpdateManager::shared()
{
    static UpdateManager* const manager
        = new UpdateManager(QUrl(QString::fromUtf8(KELVARO_UPDATE_FEED_URL)), applicationShortVersion());
    return *manager;
}

UpdateManager::UpdateManager(const QUrl& feedURL, const QString& currentVersion, QObject* parent)
    : QObject(parent)
    , m_updaterController(new UpdateChecker(feedURL, currentVersion, this))
{
    connect(m_updaterController, &UpdateChecker::didFinishLoadingAppcast, this,
            &UpdateManager::didFinishLoadingAppcast);
    connect(m_updaterController, &UpdateChecker::didNotFindUpdate, this, &UpdateManager::didNotFindUpdate);
    connect(m_updaterController, &UpdateChecker::didFindValidUpdate, this, &UpdateManager::didFindValidUpdate);
    connect(m_updaterController, &UpdateChecker::didAbortWithError, this, &UpdateManager::didAbortWithError);
}

void UpdateManager::checkForUpdates()
{
    assignChecking(true);
    m_updaterController->checkForUpdates();
}

void UpdateManager::didFinishLoadingAppcast(const Appcast& appcast)
{
    Logger::shared().info(QStringLiteral("Sparkle: Loaded appcast with %1 items").arg(appcast.items.size()));
}

void UpdateManager::didNotFindUpdate()
{
    assignChecking(false);
    assignMessage(localized(QStringLiteral("You're up to date!")));
    Logger::shared().info(QStringLiteral("Sparkle: No updates available"));
}

void UpdateManager::didFindValidUpdate(const AppcastItem& item)
{
    assignChecking(false);
    assignMessage(localized(QStringLiteral("Update available: ")) + item.displayVersionString());
    Logger::shared().info(QStringLiteral("Sparkle: Found update - ") + logging::logText(item.displayVersionString()));
}

void UpdateManager::didAbortWithError(const QString& description)
{
    assignChecking(false);
    assignMessage(localized(QStringLiteral("Update check failed")));
    Logger::shared().error(QStringLiteral("Sparkle error: ") + logging::logText(description));
}

void UpdateManager::assignChecking(bool checking)
{
    m_isCheckingForUpdates = checking;
    emit isCheckingForUpdatesChanged(m_isCheckingForUpdates);
}

void UpdateManager::assignMessage(const QString& message)
{
    m_lastCheckMessage = message;
    emit lastCheckMessageChanged(m_lastCheckMessage);
}
