#include "platform/gnome/GnomeShellExtension.h"

#include "platform/PlatformLog.h"
#include "platform/UserFile.h"
#include "platform/linux/DBusServiceCall.h"

#include <QDBusArgument>
#include <QDBusConnectionInterface>
#include <QDBusServiceWatcher>
#include <QDBusVariant>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace platform {

namespace {

const QString kPath = QStringLiteral("/com/kelvaro/Kelvaro/GnomeShell");
const QString kInterface = QStringLiteral("com.kelvaro.Kelvaro.GnomeShell");
const QString kShell = QStringLiteral("org.gnome.Shell");
const QString kShellPath = QStringLiteral("/org/gnome/Shell");
const QString kShellExtensions = QStringLiteral("org.gnome.Shell.Extensions");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
constexpr int kRecheckMilliseconds = 3000;

// The Shell's extension states (ExtensionState in its extensionUtils.js).
enum ShellExtensionState { Enabled = 1, Disabled = 2, Initialized = 6 };

// A metadata.json, or an empty object when there is none or it is damaged.
QJsonObject readMetadata(const QString& folder)
{
    QFile file(folder + QStringLiteral("/metadata.json"));
    if (!file.open(QIODevice::ReadOnly) || file.size() > 64 * 1024)
        return {};
    return QJsonDocument::fromJson(file.readAll()).object();
}

bool supports(const QJsonObject& metadata, int shellMajor)
{
    return metadata.value(QLatin1String("shell-version")).toArray().contains(QString::number(shellMajor));
}

} // namespace

GnomeShellExtension::GnomeShellExtension(const QDBusConnection& bus, const QString& sourceFolder,
                                         const QString& extensionsFolder, QObject* parent)
    : ShellExtension(parent)
    , m_bus(bus)
    , m_sourceFolder(sourceFolder)
    , m_extensionsFolder(extensionsFolder)
{
    if (!m_bus.isConnected()) {
        setState(State::Failed, QStringLiteral("there is no session bus to reach GNOME Shell on"));
        return;
    }
    m_recheck.setInterval(kRecheckMilliseconds);
    connect(&m_recheck, &QTimer::timeout, this, &GnomeShellExtension::refresh);
    auto* watcher = new QDBusServiceWatcher(this);
    watcher->setConnection(m_bus);
    watcher->setWatchMode(QDBusServiceWatcher::WatchForOwnerChange);
    watcher->setWatchedServices({service, kShell});
    connect(watcher, &QDBusServiceWatcher::serviceOwnerChanged, this, &GnomeShellExtension::refresh);
    m_bus.connect(service, kPath, kInterface, QStringLiteral("InputSourcesChanged"), this, SLOT(onInputSourcesChanged()));
    m_bus.connect(service, kPath, kInterface, QStringLiteral("CurrentInputSourceChanged"), this,
                  SLOT(onCurrentInputSourceChanged(int)));
    m_bus.connect(service, kPath, kInterface, QStringLiteral("FocusedApplicationChanged"), this,
                  SLOT(onFocusedApplicationChanged(QDBusMessage)));
    m_bus.connect(service, kPath, kInterface, QStringLiteral("ShortcutActivated"), this, SLOT(onShortcutActivated()));
    m_bus.connect(kShell, kShellPath, kShellExtensions, QStringLiteral("ExtensionStateChanged"), this, SLOT(refresh()));
    m_bus.connect(kShell, kShellPath, kProperties, QStringLiteral("PropertiesChanged"), {kShellExtensions}, QString(),
                  this, SLOT(refresh()));
    refresh();
}

bool GnomeShellExtension::install(const QString& sourceFolder, const QString& extensionsFolder, int shellMajor,
                                  bool* installed, QString* error)
{
    *installed = false;
    const QDir source(sourceFolder + (shellMajor >= 45 ? QStringLiteral("/modules/") : QStringLiteral("/legacy/")) + uuid);
    const QJsonObject shipped = readMetadata(source.path());
    if (shipped.isEmpty()) {
        *error = QStringLiteral("Kelvaro's GNOME Shell extension is missing from %1").arg(source.path());
        return false;
    }
    const QString target = extensionsFolder + QLatin1Char('/') + uuid;
    const QJsonObject present = readMetadata(target);
    if (supports(present, shellMajor)
        && present.value(QLatin1String("version")).toInt() >= shipped.value(QLatin1String("version")).toInt())
        return true;
    if (!QDir().mkpath(target)) {
        *error = QStringLiteral("Cannot create the folder %1").arg(target);
        return false;
    }
    // metadata.json last: a copy cut short is not taken for a complete one.
    QStringList files = source.entryList(QDir::Files, QDir::Name);
    files.removeOne(QStringLiteral("metadata.json"));
    files.append(QStringLiteral("metadata.json"));
    for (const QString& name : std::as_const(files)) {
        QFile file(source.filePath(name));
        if (!file.open(QIODevice::ReadOnly)) {
            *error = QStringLiteral("Cannot read %1: %2").arg(file.fileName(), file.errorString());
            return false;
        }
        if (!saveAtomically(target + QLatin1Char('/') + name, file.readAll(), error))
            return false;
    }
    *installed = true;
    return true;
}

void GnomeShellExtension::installForRunningShell()
{
    if (m_installed)
        return;
    const auto reply = callShell(kProperties, QStringLiteral("Get"), {kShell, QStringLiteral("ShellVersion")},
                                 QStringLiteral("v"));
    if (!reply)
        return;
    const int major = reply->arguments().value(0).value<QDBusVariant>().variant().toString().section(u'.', 0, 0).toInt();
    bool installed = false;
    QString error;
    m_installed = true;   // tried once per run: a failure is not retried each time the Shell comes back
    if (!install(m_sourceFolder, m_extensionsFolder, major, &installed, &error))
        logError(QStringLiteral("Cannot install Kelvaro's GNOME Shell extension: %1").arg(error));
    else if (installed)
        qCInfo(lcPlatform, "Installed Kelvaro's GNOME Shell extension for GNOME Shell %d into %s", major,
               qUtf8Printable(m_extensionsFolder));
}

std::optional<QDBusMessage> GnomeShellExtension::callShell(const QString& interface, const QString& method,
                                                           const QVariantList& arguments, const QString& signature)
{
    // What the Shell cannot answer is told by the state, not by a log line per call.
    QString failure;
    return callService(m_bus, {kShell, kShellPath, interface, method}, arguments, signature, &failure);
}

void GnomeShellExtension::refresh()
{
    QDBusConnectionInterface* bus = m_bus.interface();
    if (bus->isServiceRegistered(service).value()) {
        setState(State::Ready, QString());
        return;
    }
    if (!bus->isServiceRegistered(kShell).value()) {
        setState(State::Failed, QStringLiteral("GNOME Shell is not on the session bus"));
        return;
    }
    installForRunningShell();
    const auto reply = callShell(kShellExtensions, QStringLiteral("GetExtensionInfo"), {uuid}, QStringLiteral("a{sv}"));
    if (!reply) {
        setState(State::Failed, QStringLiteral("GNOME Shell does not tell the extension's state"));
        return;
    }
    const QVariantMap info = qdbus_cast<QVariantMap>(reply->arguments().value(0));
    if (info.isEmpty()) {
        setState(State::NeedsLogin, QStringLiteral("it is installed, and GNOME Shell loads it at the next login"));
        return;
    }
    const int shellState = int(info.value(QStringLiteral("state")).toDouble());
    if (shellState == Disabled || shellState == Initialized || userExtensionsOff()) {
        setState(State::NeedsEnabling, QStringLiteral("it is turned off"));
        return;
    }
    // Enabled: its object is on its way to the bus.
    if (shellState == Enabled)
        return;
    const QString error = info.value(QStringLiteral("error")).toString();
    setState(State::Failed, QStringLiteral("GNOME Shell cannot run it (state %1%2)")
                                .arg(QString::number(shellState), error.isEmpty() ? QString() : QStringLiteral(": ") + error.left(300)));
}

void GnomeShellExtension::setState(State state, const QString& reason)
{
    if (m_stateKnown && state == m_state)
        return;
    m_stateKnown = true;
    m_state = state;
    // The other states change with a notice of the Shell's.
    if (state == State::Failed && m_bus.isConnected())
        m_recheck.start();
    else
        m_recheck.stop();
    if (state == State::Ready) {
        m_callFailureReported = false;
        qCInfo(lcPlatform, "Kelvaro's GNOME Shell extension answers");
    } else {
        logError(QStringLiteral("Kelvaro's GNOME Shell extension is not running: %1; no input source is switched until "
                                "it runs")
                     .arg(reason));
    }
    emit stateChanged(state);
}

bool GnomeShellExtension::userExtensionsOff()
{
    const auto reply = callShell(kProperties, QStringLiteral("Get"),
                                 {kShellExtensions, QStringLiteral("UserExtensionsEnabled")}, QStringLiteral("v"));
    return reply && !reply->arguments().value(0).value<QDBusVariant>().variant().toBool();
}

bool GnomeShellExtension::enable()
{
    if (userExtensionsOff())
        callShell(kProperties, QStringLiteral("Set"),
                  {kShellExtensions, QStringLiteral("UserExtensionsEnabled"), QVariant::fromValue(QDBusVariant(true))},
                  QString());
    const auto reply = callShell(kShellExtensions, QStringLiteral("EnableExtension"), {uuid}, QStringLiteral("b"));
    return reply && reply->arguments().value(0).toBool();
}

std::optional<QDBusMessage> GnomeShellExtension::call(const QString& method, const QVariantList& arguments,
                                                      const QString& signature)
{
    if (m_state != State::Ready)
        return std::nullopt;
    QString failure;
    const auto reply = callService(m_bus, {service, kPath, kInterface, method}, arguments, signature, &failure);
    if (!reply && !std::exchange(m_callFailureReported, true))
        logError(QStringLiteral("Kelvaro's GNOME Shell extension ") + failure);
    return reply;
}

void GnomeShellExtension::onInputSourcesChanged()
{
    emit inputSourcesChanged();
}

void GnomeShellExtension::onCurrentInputSourceChanged(int)
{
    emit currentInputSourceChanged();
}

void GnomeShellExtension::onFocusedApplicationChanged(const QDBusMessage& notice)
{
    emit focusedApplicationChanged(notice);
}

void GnomeShellExtension::onShortcutActivated()
{
    emit shortcutActivated();
}

} // namespace platform
