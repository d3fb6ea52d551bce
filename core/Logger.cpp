#include "core/Logger.h"

#include "platform/Platform.h"

#include <QCoreApplication>
#include <QVariant>

namespace {

// The application id is the desktop file name a QGuiApplication declares; a
// process without one (or without a GUI application object) logs as "com.kelvaro".
QString applicationSubsystem()
{
    if (const QCoreApplication* application = QCoreApplication::instance()) {
        const QString id = application->property("desktopFileName").toString();
        if (!id.isEmpty())
            return id;
    }
    return QStringLiteral("com.kelvaro");
}

} // namespace

Logger& Logger::shared()
{
    static Logger instance(platform::createLogBackend());
    return instance;
}

Logger::Logger(std::shared_ptr<platform::LogBackend> backend)
    : m_subsystem(applicationSubsystem())
    , m_backend(std::move(backend))
{
}

void Logger::info(const QString& message) const
{
    write(platform::LogLevel::Info, message);
}

void Logger::error(const QString& message) const
{
    write(platform::LogLevel::Error, message);
}

std::shared_ptr<platform::LogBackend> Logger::setBackend(std::shared_ptr<platform::LogBackend> backend)
{
    return m_backend.exchange(std::move(backend));
}

void Logger::write(platform::LogLevel level, const QString& message) const
{
    if (const auto backend = m_backend.load())
        backend->write(level, m_subsystem, category(), message);
}
