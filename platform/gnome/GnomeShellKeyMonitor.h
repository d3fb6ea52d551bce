#pragma once

#include "platform/KeyMonitor.h"

namespace platform {

class GnomeShellExtension;

// The pause shortcut of a GNOME session, where no client may watch other
// clients' keys: Kelvaro's Shell extension grabs Ctrl+Alt+P with the Shell's
// keybinding API and tells this process alone of each press, reported as a
// press of P with Ctrl and Alt, the key the hotkey manager looks for. The
// Shell lets the shortcut go when this process leaves the bus. Started while
// the extension does not answer, or when it comes back, the monitor grabs
// the shortcut as soon as it answers.
class GnomeShellKeyMonitor : public KeyMonitor {
    Q_OBJECT
public:
    explicit GnomeShellKeyMonitor(GnomeShellExtension& extension, QObject* parent = nullptr);
    ~GnomeShellKeyMonitor() override;

    bool start() override;
    void stop() override;
    bool isMonitoring() const override { return m_monitoring; }

private:
    bool grab();

    GnomeShellExtension& m_extension;
    bool m_wanted = false;
    bool m_monitoring = false;
};

} // namespace platform
