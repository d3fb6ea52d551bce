#pragma once

#include "core/Logger.h"
#include "platform/fake/CapturingLogBackend.h"

#include <memory>

// Sends Logger::shared() lines to a capturing backend for the lifetime of the
// object, then restores the previous backend.
class LogCapture {
public:
    LogCapture()
        : m_backend(std::make_shared<platform::CapturingLogBackend>())
        , m_previous(Logger::shared().setBackend(m_backend))
    {
    }
    ~LogCapture() { Logger::shared().setBackend(m_previous); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    QStringList messages() const { return m_backend->messages(); }
    QStringList infos() const { return m_backend->messages(platform::LogLevel::Info); }
    QStringList errors() const { return m_backend->messages(platform::LogLevel::Error); }
    QList<platform::CapturingLogBackend::Line> lines() const { return m_backend->lines(); }
    void clear() { m_backend->clear(); }

private:
    std::shared_ptr<platform::CapturingLogBackend> m_backend;
    std::shared_ptr<platform::LogBackend> m_previous;
};
