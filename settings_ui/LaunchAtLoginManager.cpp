#include "settings_ui/LaunchAtLoginManager.h"

#include "logging/Logger.h"
#include "platform/LoginItems.h"
#include "platform/Platform.h"

LaunchAtLoginManager& LaunchAtLoginManager::shared()
{
    static LaunchAtLoginManager* const manager = new LaunchAtLoginManager(platform::sharedLoginItems());
    return *manager;
}

LaunchAtLoginManager::LaunchAtLoginManager(platform::LoginItems& loginItems, QObject* parent)
    : QObject(parent)
    , m_loginItems(loginItems)
    , m_isEnabled(loginItems.isRegistered())
{
}

void LaunchAtLoginManager::setEnabled(bool enabled)
{
    assignEnabled(enabled);
    apply(enabled);
}

void LaunchAtLoginManager::apply(bool enabled)
{
    const std::optional<platform::LoginItemError> error
        = enabled ? m_loginItems.registerApplication() : m_loginItems.unregisterApplication();
    if (!error) {
        Logger::shared().info(enabled ? QStringLiteral("Launch at Login enabled")
                                      : QStringLiteral("Launch at Login disabled"));
        assignLastError(std::nullopt);
        return;
    }
    Logger::shared().error(QStringLiteral("Failed to update Launch at Login: ") + error->fullText);
    assignLastError(error->description);
    // The toggle goes back to what the desktop kept, without trying again;
    // queued, so that it does not change under the write that failed.
    QMetaObject::invokeMethod(this, [this, enabled] { assignEnabled(!enabled); }, Qt::QueuedConnection);
}

void LaunchAtLoginManager::assignEnabled(bool enabled)
{
    m_isEnabled = enabled;
    emit isEnabledChanged(m_isEnabled);
}

void LaunchAtLoginManager::assignLastError(std::optional<QString> error)
{
    m_lastError = std::move(error);
    emit lastErrorChanged(lastErrorText());
}
