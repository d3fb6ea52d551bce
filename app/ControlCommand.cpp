#include "app/ControlCommand.h"

#include "app/CommandLine.h"
#include "app/ControlInterface.h"
#include "app/ListedInputSource.h"
#include "app/SourcesCommand.h"
#include "core/AppRuleJson.h"
#include "logging/LogText.h"
#include "platform/Platform.h"

#include <QCoreApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdio>
#include <optional>

namespace ControlCommand {

namespace {

using Command = CommandLine::Command;

constexpr int kCallTimeoutMs = 10000;

int fail(const QString& message)
{
    std::fprintf(stderr, "%s\n", qUtf8Printable(logging::logText(message)));
    return 1;
}

int print(const QByteArray& text)
{
    if (std::fputs(text.constData(), stdout) < 0 || std::fflush(stdout) != 0)
        return fail(QStringLiteral("Kelvaro cannot write to standard output"));
    return 0;
}

// A call to the running Kelvaro: its reply, or why there is none.
struct Reply {
    QDBusMessage message;
    bool notRunning = false;   // no session bus, or nobody holds the name
    QString error;

    bool ok() const { return error.isEmpty(); }
};

Reply call(const QString& method, const QVariantList& arguments = {})
{
    const QDBusConnection bus = platform::sessionBus();
    if (!bus.isConnected())
        return {{}, true, QStringLiteral("Kelvaro is not running: there is no session bus")};
    QDBusMessage message = QDBusMessage::createMethodCall(ControlInterface::serviceName, ControlInterface::objectPath,
                                                          ControlInterface::interfaceName, method);
    message.setArguments(arguments);
    message.setAutoStartService(false);
    const QDBusMessage reply = bus.call(message, QDBus::Block, kCallTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage)
        return {reply, false, {}};
    // NameHasNoOwner: the bus's answer when it is not to start the service.
    if (reply.errorName() == QDBusError::errorString(QDBusError::ServiceUnknown)
        || reply.errorName() == QLatin1String("org.freedesktop.DBus.Error.NameHasNoOwner"))
        return {reply, true, QStringLiteral("Kelvaro is not running")};
    return {reply, false, reply.errorMessage().isEmpty() ? reply.errorName() : reply.errorMessage()};
}

// The reply's first argument as T, or nothing when Kelvaro answered with something else.
template<typename T>
std::optional<T> first(const Reply& reply)
{
    const QVariantList arguments = reply.message.arguments();
    if (arguments.isEmpty())
        return std::nullopt;
    if (arguments.first().canConvert<QDBusArgument>()) {
        const auto argument = arguments.first().value<QDBusArgument>();
        if (argument.currentSignature() != QLatin1String(QDBusMetaType::typeToSignature(QMetaType::fromType<T>())))
            return std::nullopt;
        return qdbus_cast<T>(argument);
    }
    if (arguments.first().metaType() != QMetaType::fromType<T>())
        return std::nullopt;
    return arguments.first().value<T>();
}

int unexpectedAnswer()
{
    return fail(QStringLiteral("Kelvaro gave an answer this command does not understand"));
}

int listSources(bool json)
{
    const Reply reply = call(QStringLiteral("InputSources"));
    if (reply.notRunning) {
        QString error;
        const auto sources = SourcesCommand::readDisplay(&error);
        return sources ? print(ListedInputSource::format(*sources, json)) : fail(error);
    }
    if (!reply.ok())
        return fail(reply.error);
    const auto sources = first<QList<ListedInputSource>>(reply);
    return sources ? print(ListedInputSource::format(*sources, json)) : unexpectedAnswer();
}

int showStatus(bool json)
{
    const Reply reply = call(QStringLiteral("IsPaused"));
    if (!reply.ok())
        return fail(reply.error);
    const auto paused = first<bool>(reply);
    if (!paused)
        return unexpectedAnswer();
    if (json)
        return print(QJsonDocument(QJsonObject{{"paused", *paused}}).toJson(QJsonDocument::Indented));
    return print(*paused ? "Switching is paused\n" : "Switching is on\n");
}

int listRules(bool json)
{
    const Reply reply = call(QStringLiteral("ListRules"));
    if (!reply.ok())
        return fail(reply.error);
    const auto document = first<QString>(reply);
    if (!document)
        return unexpectedAnswer();
    if (json)
        return print(document->toUtf8() + '\n');
    const auto rules = AppRuleJson::decode(document->toUtf8());
    if (!rules)
        return unexpectedAnswer();
    QByteArray text;
    for (const AppRule& rule : *rules) {
        const QStringList fields{rule.id.toString(QUuid::WithoutBraces).toUpper(),
                                 rule.isEnabled ? QStringLiteral("enabled") : QStringLiteral("disabled"),
                                 logging::logText(rule.appBundleID), logging::logText(rule.targetInputSourceID),
                                 logging::logText(rule.appName)};
        text += fields.join(QLatin1Char('\t')).toUtf8() + '\n';
    }
    return print(text);
}

// A call whose reply is printed as it is (a string) or not at all.
int simpleCall(const QString& method, const QVariantList& arguments = {})
{
    const Reply reply = call(method, arguments);
    if (!reply.ok())
        return fail(reply.error);
    if (reply.message.arguments().isEmpty())
        return 0;
    const auto text = first<QString>(reply);
    return text ? print(text->toUtf8() + '\n') : unexpectedAnswer();
}

} // namespace

int run(const CommandLine& commandLine, int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    ListedInputSource::registerDBusType();
    const QStringList& operands = commandLine.operands;
    switch (commandLine.command) {
    case Command::ListSources:
        return listSources(commandLine.json);
    case Command::ShowStatus:
        return showStatus(commandLine.json);
    case Command::ListRules:
        return listRules(commandLine.json);
    case Command::Pause:
        return simpleCall(QStringLiteral("Pause"));
    case Command::Resume:
        return simpleCall(QStringLiteral("Resume"));
    case Command::TogglePause:
        return simpleCall(QStringLiteral("TogglePause"));
    case Command::AddRule:
        return simpleCall(QStringLiteral("AddRule"), {operands.value(0), operands.value(1)});
    case Command::DeleteRule:
        return simpleCall(QStringLiteral("DeleteRule"), {operands.value(0)});
    case Command::RunTray:
    case Command::ShowHelp:
    case Command::ShowVersion:
    case Command::Invalid:
        break;
    }
    return fail(QStringLiteral("Not a command for the running Kelvaro"));
}

} // namespace ControlCommand
