#include "app/ControlInterface.h"

#include "app/StatusMenu.h"
#include "core/AppRuleJson.h"
#include "core/InputSourceManager.h"
#include "core/RuleEngine.h"
#include "core/RulesDocument.h"
#include "feedback/PauseToggle.h"
#include "logging/LogText.h"
#include "logging/Logger.h"
#include "platform/Workspace.h"

#include <QDBusConnectionInterface>
#include <QDBusError>

namespace {

QString reasonName(SwitchDecision::Reason reason)
{
    switch (reason) {
    case SwitchDecision::Reason::Match:
        return QStringLiteral("rule");
    case SwitchDecision::Reason::Remembered:
        return QStringLiteral("remembered");
    case SwitchDecision::Reason::Fallback:
        break;
    }
    return QStringLiteral("default");
}

// Text of the caller's echoed back in an error: one line, of bounded length.
QString quoted(const QString& text)
{
    return QLatin1Char('"') + logging::logText(text) + QLatin1Char('"');
}

const PauseToggle::Icons kPauseIcons{StatusMenu::pausedIcon, StatusMenu::resumedIcon};

} // namespace

ControlInterface::ControlInterface(const Dependencies& dependencies, QObject* parent)
    : QObject(parent)
    , m_services(dependencies)
{
    ListedInputSource::registerDBusType();
    connect(&m_services.engine, &RuleEngine::switched, this,
            [this](const QString& bundleID, const QString& inputSourceID, SwitchDecision::Reason reason) {
                emit Switched(bundleID, inputSourceID, reasonName(reason));
            });
}

bool ControlInterface::publish(QDBusConnection connection)
{
    if (!connection.isConnected()) {
        Logger::shared().info(QStringLiteral("No session bus: Kelvaro runs without its control interface (%1)")
                                  .arg(logging::logText(connection.lastError().message())));
        return false;
    }
    if (!connection.registerObject(objectPath, this,
                                   QDBusConnection::ExportScriptableSlots | QDBusConnection::ExportScriptableSignals)) {
        Logger::shared().error(QStringLiteral("Kelvaro runs without its control interface: cannot export ")
                               + objectPath);
        return false;
    }
    if (!connection.registerService(serviceName)) {
        connection.unregisterObject(objectPath);
        Logger::shared().error(QStringLiteral("Kelvaro runs without its control interface: %1 is taken on the "
                                              "session bus, by another Kelvaro perhaps (%2)")
                                   .arg(serviceName, logging::logText(connection.lastError().message())));
        return false;
    }
    return true;
}

void ControlInterface::Pause()
{
    if (!m_services.engine.isPaused())
        m_services.pauseToggle.toggle(kPauseIcons);
}

void ControlInterface::Resume()
{
    if (m_services.engine.isPaused())
        m_services.pauseToggle.toggle(kPauseIcons);
}

void ControlInterface::TogglePause()
{
    m_services.pauseToggle.toggle(kPauseIcons);
}

bool ControlInterface::IsPaused() const
{
    return m_services.engine.isPaused();
}

QString ControlInterface::ListRules() const
{
    return QString::fromUtf8(RulesDocument{m_services.engine.rules()}.encode());
}

QString ControlInterface::AddRule(const QString& bundleID, const QString& inputSourceID)
{
    if (bundleID.trimmed().isEmpty()) {
        refuse(QDBusError::errorString(QDBusError::InvalidArgs),
               QStringLiteral("The application's bundle ID is empty"));
        return {};
    }
    if (!isInstalled(inputSourceID)) {
        refuse(unknownInputSourceError, QStringLiteral("No input source %1 is enabled").arg(quoted(inputSourceID)));
        return {};
    }
    const auto installed = m_services.workspace.installedApplication(bundleID);
    const QString name = installed && installed->localizedName ? *installed->localizedName : bundleID;
    const AppRule rule = AppRule::create(bundleID, name, inputSourceID);
    m_services.engine.addRule(rule);
    return rule.id.toString(QUuid::WithoutBraces).toUpper();
}

void ControlInterface::DeleteRule(const QString& id)
{
    const std::optional<QUuid> uuid = AppRuleJson::parseUuid(id);
    if (!uuid) {
        refuse(QDBusError::errorString(QDBusError::InvalidArgs), QStringLiteral("%1 is not a rule ID").arg(quoted(id)));
        return;
    }
    const QList<AppRule> rules = m_services.engine.rules();
    const auto rule = std::find_if(rules.cbegin(), rules.cend(), [&](const AppRule& r) { return r.id == *uuid; });
    if (rule == rules.cend()) {
        refuse(unknownRuleError, QStringLiteral("No rule has the ID %1").arg(quoted(id)));
        return;
    }
    m_services.engine.deleteRule(*rule);
}

QList<ListedInputSource> ControlInterface::InputSources() const
{
    const auto current = m_services.inputSourceManager.getCurrentInputSource();
    QList<ListedInputSource> listed;
    for (const InputSource& source : m_services.inputSourceManager.installedInputSources())
        listed.append({source.id, source.name, current && current->id == source.id});
    return listed;
}

void ControlInterface::SelectInputSource(const QString& id)
{
    if (!isInstalled(id))
        refuse(unknownInputSourceError, QStringLiteral("No input source %1 is enabled").arg(quoted(id)));
    else if (!m_services.inputSourceManager.selectInputSource(id))
        refuse(failedError, QStringLiteral("The desktop did not select the input source %1").arg(quoted(id)));
}

bool ControlInterface::isInstalled(const QString& inputSourceID) const
{
    const QList<InputSource> sources = m_services.inputSourceManager.installedInputSources();
    return std::any_of(sources.cbegin(), sources.cend(),
                       [&](const InputSource& source) { return source.id == inputSourceID; });
}

void ControlInterface::refuse(const QString& errorName, const QString& message) const
{
    if (calledFromDBus())
        sendErrorReply(errorName, message);
}
