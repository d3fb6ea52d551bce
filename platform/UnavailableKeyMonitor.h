#pragma once

#include "platform/KeyMonitor.h"
#include "platform/PlatformLog.h"

namespace platform {

// Stands in when there is no display, or the session lets no client watch
// the keyboard: no key press is ever reported, and start() logs why.
class UnavailableKeyMonitor : public KeyMonitor {
public:
    explicit UnavailableKeyMonitor(QString reason = QStringLiteral("There is no X display to watch the keyboard on; "
                                                                   "global hotkeys are unavailable"))
        : m_reason(std::move(reason))
    {
    }
    bool start() override
    {
        logError(m_reason);
        return false;
    }
    void stop() override {}
    bool isMonitoring() const override { return false; }

private:
    QString m_reason;
};

} // namespace platform
