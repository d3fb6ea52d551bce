#include "platform/kde/KWinScript.h"

#include <QDBusMessage>

namespace platform {

namespace {

constexpr int kCallTimeoutMilliseconds = 3000;

QDBusMessage scriptingCall(const QDBusConnection& bus, const QString& method, const QVariantList& arguments = {})
{
    QDBusMessage message = QDBusMessage::createMethodCall(QStringLiteral("org.kde.KWin"), QStringLiteral("/Scripting"),
                                                          QStringLiteral("org.kde.kwin.Scripting"), method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    return bus.call(message, QDBus::Block, kCallTimeoutMilliseconds);
}

} // namespace

KWinScript::KWinScript(const QDBusConnection& bus, const QString& filePath, const QString& pluginName)
    : m_bus(bus)
    , m_pluginName(pluginName)
{
    const QDBusMessage loaded = scriptingCall(m_bus, QStringLiteral("isScriptLoaded"), {pluginName});
    if (loaded.type() == QDBusMessage::ReplyMessage && loaded.arguments().value(0).toBool())
        scriptingCall(m_bus, QStringLiteral("unloadScript"), {pluginName});
    const QDBusMessage reply = scriptingCall(m_bus, QStringLiteral("loadScript"), {filePath, pluginName});
    if (reply.type() != QDBusMessage::ReplyMessage) {
        m_error = QStringLiteral("KWin did not load %1: %2").arg(filePath, reply.errorMessage());
        return;
    }
    if (reply.signature() != QLatin1String("i") || reply.arguments().value(0).toInt() < 0) {
        m_error = QStringLiteral("KWin refused the script %1").arg(filePath);
        return;
    }
    m_loaded = true;
    // Runs every script loaded and not yet running: the same call on Plasma 5 and 6.
    const QDBusMessage started = scriptingCall(m_bus, QStringLiteral("start"));
    if (started.type() != QDBusMessage::ReplyMessage) {
        m_error = QStringLiteral("KWin did not run %1: %2").arg(filePath, started.errorMessage());
        unload();
    }
}

KWinScript::~KWinScript()
{
    unload();
}

void KWinScript::unload()
{
    if (std::exchange(m_loaded, false))
        scriptingCall(m_bus, QStringLiteral("unloadScript"), {m_pluginName});
}

} // namespace platform
