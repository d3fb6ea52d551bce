#include "settings_ui/PermissionsManager.h"

#include "platform/AccessibilityTrust.h"
#include "platform/Platform.h"

PermissionsManager& PermissionsManager::shared()
{
    static PermissionsManager* const manager = new PermissionsManager(platform::sharedAccessibilityTrust());
    return *manager;
}

PermissionsManager::PermissionsManager(platform::AccessibilityTrust& trust, QObject* parent)
    : QObject(parent)
    , m_trust(trust)
{
    checkAccessibility();
    // Where the answer cannot change, polling would only wake the process.
    if (!m_trust.isConstant())
        startMonitoring();
}

void PermissionsManager::checkAccessibility()
{
    const bool trusted = m_trust.isProcessTrusted(false);
    // Published one turn of the event loop later, and every time.
    QMetaObject::invokeMethod(
        this,
        [this, trusted] {
            m_isAccessibilityTrusted = trusted;
            emit isAccessibilityTrustedChanged(m_isAccessibilityTrusted);
        },
        Qt::QueuedConnection);
}

void PermissionsManager::startMonitoring()
{
    m_timer.setInterval(kPollInterval);
    connect(&m_timer, &QTimer::timeout, this, &PermissionsManager::checkAccessibility, Qt::UniqueConnection);
    m_timer.start();
}

void PermissionsManager::requestAccessibility()
{
    m_trust.isProcessTrusted(true);
    // Where the desktop has no such settings (X11) the answer is simply asked again.
    if (!m_trust.openAccessibilitySettings())
        checkAccessibility();
}
