#include "feedback/GlobalHotkeyManager.h"

#include "feedback/PauseToggle.h"
#include "platform/KeyMonitor.h"
#include "settings/UserDefaults.h"

#include <QApplication>
#include <QGuiApplication>
#include <QSettings>

namespace {

const QString kEnabledKey = QStringLiteral("pauseHotkeyEnabled");
const QString kMessageIcon = QStringLiteral("\u26A1\uFE0F");
constexpr Qt::KeyboardModifiers kRequiredModifiers = Qt::ControlModifier | Qt::AltModifier;

} // namespace

GlobalHotkeyManager::GlobalHotkeyManager(Dependencies dependencies, QObject* parent)
    : QObject(parent)
    , m_monitor(dependencies.monitor)
    , m_settings(dependencies.settings)
    , m_pauseToggle(dependencies.pauseToggle)
    , m_ownWindowHasFocus(std::move(dependencies.ownWindowHasFocus))
{
}

GlobalHotkeyManager::~GlobalHotkeyManager()
{
    stopMonitoring();
}

bool GlobalHotkeyManager::hotkeyEnabled() const
{
    return UserDefaults::boolValue(m_settings, kEnabledKey, false);
}

void GlobalHotkeyManager::setHotkeyEnabled(bool enabled)
{
    UserDefaults::setValue(m_settings, kEnabledKey, enabled);
}

void GlobalHotkeyManager::startMonitoring()
{
    // A reset of the settings can switch the hotkey off without stopping the
    // monitor; a second one on top would see every press twice.
    stopMonitoring();
    if (!hotkeyEnabled() || !m_monitor.start())
        return;
    m_eventMonitor = connect(&m_monitor, &platform::KeyMonitor::keyPressed, this, &GlobalHotkeyManager::handleKeyPress);
}

void GlobalHotkeyManager::stopMonitoring()
{
    if (!m_eventMonitor)
        return;
    disconnect(m_eventMonitor);
    m_eventMonitor = {};
    m_monitor.stop();
}

void GlobalHotkeyManager::handleKeyPress(const platform::KeyPress& press)
{
    if ((press.modifiers & kRequiredModifiers) != kRequiredModifiers)
        return;
    if (press.key != platform::PhysicalKey::P)
        return;
    if (m_ownWindowHasFocus && m_ownWindowHasFocus())
        return;
    QMetaObject::invokeMethod(
        this, [this, time = press.time] { m_pauseToggle.toggleForKeyPress(time, {kMessageIcon, kMessageIcon}); },
        Qt::QueuedConnection);
}

void GlobalHotkeyManager::togglePause()
{
    m_pauseToggle.toggle({kMessageIcon, kMessageIcon});
}

bool GlobalHotkeyManager::kelvaroWindowHasFocus()
{
    return QGuiApplication::focusWindow() != nullptr || QApplication::activePopupWidget() != nullptr;
}
