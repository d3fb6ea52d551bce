#pragma once

#include "platform/KeyMonitor.h"

namespace platform {

// Key presses as the test makes them; heard only while monitoring, like the
// real ones. With available false, start() fails.
class FakeKeyMonitor : public KeyMonitor {
public:
    bool available = true;

    bool start() override
    {
        m_monitoring = available;
        return available;
    }
    void stop() override { m_monitoring = false; }
    bool isMonitoring() const override { return m_monitoring; }

    void press(quint32 key, Qt::KeyboardModifiers modifiers, quint32 time = 0)
    {
        if (m_monitoring)
            emit keyPressed(KeyPress{key, modifiers, time});
    }

private:
    bool m_monitoring = false;
};

} // namespace platform
