#pragma once

#include "platform/KeyMonitor.h"
#include "platform/PlatformLog.h"

namespace platform {

// Stands in when there is no display: no key press is ever reported.
class UnavailableKeyMonitor : public KeyMonitor {
public:
    using KeyMonitor::KeyMonitor;
    bool start() override
    {
        logError(QStringLiteral("There is no X display to watch the keyboard on; "
                                              "global hotkeys are unavailable"));
        return false;
    }
    void stop() override {}
    bool isMonitoring() const override { return false; }
};

} // namespace platform
