#include "feedback/MenuBarIndicatorController.h"

#include "core/InputSourceManager.h"
#include "feedback/FlagEmoji.h"
#include "platform/TextInputSources.h"
#include "settings/UserDefaults.h"

#include <QSettings>

namespace {

const QString kShowFlagKey = QStringLiteral("menuBarShowFlag");
const QString kShowNameKey = QStringLiteral("menuBarShowName");

} // namespace

MenuBarIndicatorController& MenuBarIndicatorController::shared()
{
    static MenuBarIndicatorController* const controller =
        new MenuBarIndicatorController(InputSourceManager::shared(), UserDefaults::standard());
    return *controller;
}

MenuBarIndicatorController::MenuBarIndicatorController(InputSourceManager& inputSourceManager, QSettings& settings,
                                                       QObject* parent)
    : QObject(parent)
    , m_inputSourceManager(inputSourceManager)
    , m_settings(settings)
    , m_currentInputSourceIcon(QString::fromUtf16(kKeyboardEmoji))
{
    setupObserver();
    connect(&UserDefaults::notifier(), &UserDefaults::Notifier::changed, this, [this](const QString& key) {
        if (key == kShowFlagKey)
            emit showFlagChanged();
    });
    updateCurrentInputSource();
}

bool MenuBarIndicatorController::showFlag() const
{
    return UserDefaults::boolValue(m_settings, kShowFlagKey, true);
}

void MenuBarIndicatorController::setShowFlag(bool show)
{
    UserDefaults::setValue(m_settings, kShowFlagKey, show);
}

bool MenuBarIndicatorController::showName() const
{
    return UserDefaults::boolValue(m_settings, kShowNameKey, false);
}

void MenuBarIndicatorController::setShowName(bool show)
{
    UserDefaults::setValue(m_settings, kShowNameKey, show);
}

void MenuBarIndicatorController::setupObserver()
{
    m_refreshTimer.setSingleShot(true);
    m_refreshTimer.setInterval(kRefreshInterval);
    connect(&m_refreshTimer, &QTimer::timeout, this, &MenuBarIndicatorController::refresh);
    // The notice's contents are not read: the current source is asked afresh.
    m_observer = connect(
        &m_inputSourceManager.platform(), &platform::TextInputSources::selectedInputSourceChanged, this,
        [this] {
            m_refreshPending = true;
            if (!m_refreshTimer.isActive())
                refresh();
        },
        Qt::QueuedConnection);
}

// Shows what a notice announced, then holds further ones back for an interval.
void MenuBarIndicatorController::refresh()
{
    if (!m_refreshPending)
        return;
    m_refreshPending = false;
    updateCurrentInputSource();
    m_refreshTimer.start();
}

void MenuBarIndicatorController::updateCurrentInputSource()
{
    const auto current = m_inputSourceManager.getCurrentInputSource();
    if (!current)
        return;
    m_currentInputSourceName = current->name;
    emit currentInputSourceNameChanged(m_currentInputSourceName);
    m_currentInputSourceIcon = flagEmoji(current->id);
    emit currentInputSourceIconChanged(m_currentInputSourceIcon);
}
