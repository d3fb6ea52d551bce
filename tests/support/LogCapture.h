#pragma once

#include "CapturingLogBackend.h"
#include "logging/Logger.h"

#include <memory>

// Sends every log line of the process through the program's own message
// handler into a capturing backend while it lives, then gives the previous
// handler (QtTest's) back.
class LogCapture {
public:
    LogCapture()
        : m_backend(std::make_shared<CapturingLogBackend>())
        , m_previous(Logger::installMessageHandler(m_backend))
    {
    }
    ~LogCapture() { qInstallMessageHandler(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList messages() const { return m_backend->messages(); }
    QStringList infos() const { return m_backend->messages(logging::LogLevel::Info); }
    QStringList errors() const { return m_backend->messages(logging::LogLevel::Error); }
    QList<CapturingLogBackend::Line> lines() const { return m_backend->lines(); }
    void clear() { m_backend->clear(); }

private:
    std::shared_ptr<CapturingLogBackend> m_backend;
    QtMessageHandler m_previous;
};
