#include "logging/Logger.h"

#include "logging/ApplicationIdentity.h"
#include "logging/LogBackend.h"

#include <atomic>

Q_LOGGING_CATEGORY(lcCore, "Core", QtInfoMsg)

namespace {

std::atomic<std::shared_ptr<logging::LogBackend>> g_backend;

void handleMessage(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    const auto backend = g_backend.load();
    if (!backend)
        return;
    const auto level = type == QtDebugMsg || type == QtInfoMsg ? logging::LogLevel::Info : logging::LogLevel::Error;
    backend->write(level, ApplicationIdentity::bundleIdentifier(),
                   QString::fromLatin1(context.category ? context.category : "default"), message);
}

} // namespace

Logger& Logger::shared()
{
    static Logger instance;
    return instance;
}

void Logger::info(const QString& message) const
{
    qCInfo(lcCore, "%s", qUtf8Printable(message));
}

void Logger::error(const QString& message) const
{
    qCCritical(lcCore, "%s", qUtf8Printable(message));
}

QtMessageHandler Logger::installMessageHandler(std::shared_ptr<logging::LogBackend> backend)
{
    g_backend.store(std::move(backend));
    return qInstallMessageHandler(&handleMessage);
}
