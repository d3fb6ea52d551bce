#include "platform/kde/KGlobalAccelKeyMonitor.h"

#include "platform/PlatformLog.h"

#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>

namespace platform {

namespace {

const QString kService = QStringLiteral("org.kde.kglobalaccel");
const QString kComponentInterface = QStringLiteral("org.kde.kglobalaccel.Component");
const QString kComponent = QStringLiteral("kelvaro");
const QString kAction = QStringLiteral("toggle-pause");
// kglobalaccel's setShortcut flags.
constexpr uint kIsDefault = 1;
constexpr uint kSetPresent = 2;
constexpr int kCallTimeoutMilliseconds = 3000;

// componentUnique, actionUnique, componentFriendly, actionFriendly.
const QStringList kActionId{kComponent, kAction, QStringLiteral("Kelvaro"), QStringLiteral("Pause Switching")};

QDBusMessage call(const QDBusConnection& bus, const QString& method, const QVariantList& arguments)
{
    QDBusMessage message = QDBusMessage::createMethodCall(kService, QStringLiteral("/kglobalaccel"),
                                                          QStringLiteral("org.kde.KGlobalAccel"), method);
    message.setArguments(arguments);
    return bus.call(message, QDBus::Block, kCallTimeoutMilliseconds);
}

} // namespace

KGlobalAccelKeyMonitor::KGlobalAccelKeyMonitor(const QDBusConnection& bus, QObject* parent)
    : KeyMonitor(parent)
    , m_bus(bus)
{
    qDBusRegisterMetaType<QList<int>>();
}

KGlobalAccelKeyMonitor::~KGlobalAccelKeyMonitor()
{
    stop();
}

bool KGlobalAccelKeyMonitor::start()
{
    if (m_monitoring)
        return true;
    const QList<int> keys{(Qt::CTRL | Qt::ALT | Qt::Key_P).toCombined()};
    QDBusMessage reply = call(m_bus, QStringLiteral("doRegister"), {kActionId});
    if (reply.type() == QDBusMessage::ReplyMessage)
        reply = call(m_bus, QStringLiteral("setShortcut"), {kActionId, QVariant::fromValue(keys), kIsDefault});
    // Without "no autoloading" the keys the user chose before win over these.
    if (reply.type() == QDBusMessage::ReplyMessage)
        reply = call(m_bus, QStringLiteral("setShortcut"), {kActionId, QVariant::fromValue(keys), kSetPresent});
    if (reply.type() == QDBusMessage::ReplyMessage)
        reply = call(m_bus, QStringLiteral("getComponent"), {kComponent});
    const auto path = reply.arguments().value(0).value<QDBusObjectPath>().path();
    if (reply.type() != QDBusMessage::ReplyMessage || path.isEmpty()) {
        logError(QStringLiteral("KDE's global shortcut service did not take the pause shortcut: %1")
                     .arg(reply.errorMessage()));
        return false;
    }
    m_componentPath = path;
    m_monitoring = m_bus.connect(kService, m_componentPath, kComponentInterface, QStringLiteral("globalShortcutPressed"),
                                 this, SLOT(shortcutPressed(QString, QString, qlonglong)));
    if (!m_monitoring)
        logError(QStringLiteral("Cannot hear KDE's global shortcuts: %1").arg(m_bus.lastError().message()));
    return m_monitoring;
}

void KGlobalAccelKeyMonitor::stop()
{
    if (!std::exchange(m_monitoring, false))
        return;
    m_bus.disconnect(kService, m_componentPath, kComponentInterface, QStringLiteral("globalShortcutPressed"), this,
                     SLOT(shortcutPressed(QString, QString, qlonglong)));
    // The action stays listed in Plasma's settings, but the keys are free for others.
    call(m_bus, QStringLiteral("setInactive"), {kActionId});
}

void KGlobalAccelKeyMonitor::shortcutPressed(const QString& component, const QString& action, qlonglong timestamp)
{
    if (component != kComponent || action != kAction)
        return;
    emit keyPressed(KeyPress{PhysicalKey::P, Qt::ControlModifier | Qt::AltModifier, quint32(timestamp)});
}

} // namespace platform
