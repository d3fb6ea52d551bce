#include "platform/kde/KWinScriptWorkspace.h"

#include "platform/PlatformLog.h"
#include "platform/kde/KWinScript.h"
#include "platform/linux/DesktopEntryId.h"
#include "platform/linux/WindowApplication.h"

#include <QCoreApplication>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusServiceWatcher>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

namespace platform {

namespace {

const QString kKWinService = QStringLiteral("org.kde.KWin");
const QString kPluginName = QStringLiteral("kelvaro");

} // namespace

// The object the script calls; it takes any call and hands it on.
class KWinScriptWorkspace::Callback : public QDBusVirtualObject {
public:
    explicit Callback(KWinScriptWorkspace& workspace)
        : m_workspace(workspace)
    {
    }
    QString introspect(const QString&) const override { return {}; }
    bool handleMessage(const QDBusMessage& message, const QDBusConnection& connection) override
    {
        const bool handled = m_workspace.handleCallback(message);
        if (!message.isReplyRequired())
            return true;
        connection.send(handled ? message.createReply()
                                : message.createErrorReply(QDBusError::InvalidArgs, QStringLiteral("Not understood")));
        return true;
    }

private:
    KWinScriptWorkspace& m_workspace;
};

KWinScriptWorkspace::KWinScriptWorkspace(const QDBusConnection& bus, const QString& scriptPath, QObject* parent)
    : DesktopEntryWorkspace(parent)
    , m_bus(bus)
    , m_callback(std::make_unique<Callback>(*this))
    , m_scriptPath(scriptPath)
{
    if (!m_bus.isConnected()) {
        logError(QStringLiteral("There is no session bus to reach KWin on; the application in front is unknown"));
        return;
    }
    if (!m_bus.registerVirtualObject(callbackPath, m_callback.get())) {
        logError(QStringLiteral("Cannot receive KWin's window notices at %1: %2")
                     .arg(callbackPath, m_bus.lastError().message()));
        return;
    }
    m_watcher = new QDBusServiceWatcher(kKWinService, m_bus, QDBusServiceWatcher::WatchForOwnerChange, this);
    connect(m_watcher, &QDBusServiceWatcher::serviceOwnerChanged, this,
            [this](const QString&, const QString&, const QString& newOwner) { kwinOwnerChanged(newOwner); });
    m_kwinOwner = m_bus.interface()->serviceOwner(kKWinService).value();
    // The script's calls reach this process only once it owns the bus name:
    // the script is loaded then, so that its first notice is not lost.
    auto* nameWatcher = new QDBusServiceWatcher(callbackService, m_bus, QDBusServiceWatcher::WatchForRegistration, this);
    connect(nameWatcher, &QDBusServiceWatcher::serviceRegistered, this, &KWinScriptWorkspace::loadScript);
    if (m_bus.interface()->serviceOwner(callbackService).value() == m_bus.baseService())
        loadScript();
    // The backends outlive the event loop: the script goes with the loop.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { m_script.reset(); });
}

void KWinScriptWorkspace::loadScript()
{
    if (m_script || m_bus.interface()->serviceOwner(callbackService).value() != m_bus.baseService())
        return;
    m_script = std::make_unique<KWinScript>(m_bus, m_scriptPath, kPluginName);
    if (!m_script->isLoaded())
        logError(m_script->error() + QStringLiteral("; the application in front is unknown"));
}

KWinScriptWorkspace::~KWinScriptWorkspace()
{
    m_script.reset();
    m_bus.unregisterObject(callbackPath);
}

void KWinScriptWorkspace::kwinOwnerChanged(const QString& newOwner)
{
    m_kwinOwner = newOwner;
    // A KWin that comes to the bus after Kelvaro, or back after a restart,
    // has no script of Kelvaro's yet.
    if (!newOwner.isEmpty()) {
        m_script.reset();
        loadScript();
        return;
    }
    logError(QStringLiteral("KWin left the session bus; the application in front is unknown"));
    m_frontmost.reset();
    m_running.clear();
    emit applicationActivated(std::nullopt);
}

std::optional<RunningApplication> KWinScriptWorkspace::applicationOf(const QJsonValue& value) const
{
    const QJsonObject window = value.toObject();
    const qint64 pid = window.value(QLatin1String("pid")).toInteger();
    if (pid <= 0)
        return std::nullopt;
    RunningApplication application = RunningApplication::forProcess(pid);
    const QString desktopFile = window.value(QLatin1String("desktopFileName")).toString();
    const auto declaredId = desktopFile.isEmpty() ? std::nullopt : DesktopEntryId::fromFileProperty(desktopFile);
    describeApplication(m_desktopEntries,
                        WindowIdentity{window.value(QLatin1String("resourceName")).toString(),
                                       window.value(QLatin1String("resourceClass")).toString(), declaredId},
                        application);
    const bool regular = window.value(QLatin1String("normal")).toBool()
        && !window.value(QLatin1String("skipTaskbar")).toBool();
    application.activationPolicy = regular ? ActivationPolicy::Regular : ActivationPolicy::Accessory;
    return application;
}

bool KWinScriptWorkspace::handleCallback(const QDBusMessage& message)
{
    // Only KWin's script speaks here.
    if (message.service() != m_kwinOwner || message.interface() != callbackInterface
        || message.signature() != QLatin1String("s"))
        return false;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(message.arguments().value(0).toString().toUtf8(), &error);
    if (error.error != QJsonParseError::NoError)
        return false;
    if (message.member() == QLatin1String("Activated")) {
        m_frontmost = document.isObject() ? applicationOf(document.object()) : std::nullopt;
        emit applicationActivated(m_frontmost);
        return true;
    }
    if (message.member() == QLatin1String("Windows") && document.isArray()) {
        m_running.clear();
        for (const QJsonValue& window : document.array()) {
            if (const auto application = applicationOf(window))
                RunningApplication::addUnlisted(m_running, *application);
        }
        return true;
    }
    return false;
}

std::optional<RunningApplication> KWinScriptWorkspace::frontmostApplication()
{
    return m_frontmost;
}

QList<RunningApplication> KWinScriptWorkspace::runningApplications()
{
    return m_running;
}

} // namespace platform
