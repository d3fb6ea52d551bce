#pragma once

#include "platform/linux/GLibPtr.h"

#include "InputMethodFramework.h"

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

#include <sys/types.h>

class PerWindowPanel;

// IBus's daemon on the test's X display and home, with the XKB engines of
// US English and German in its preload list, US English its global engine.
// GSettings is the keyfile backend under the test's XDG_CONFIG_HOME, for the
// backend in this process as for IBus.
//
// A panel in this process keeps an engine per window, as IBus's own panel
// does when "use global engine" is off: whenever an input context it has not
// seen takes the focus, it sets the first engine of the preload list. That
// is what makes a switch fail to hold, so the contract's check bites.
class IBusFramework : public InputMethodFramework {
public:
    IBusFramework();
    ~IBusFramework() override;

    // Also starts a new daemon after kill().
    bool start(QString* error) override;
    std::unique_ptr<platform::TextInputSources> createBackend() override;
    QList<std::pair<QString, QString>> expectedSources() const override;
    bool selectFromAnotherClient(const QString& id) override;
    bool focusNewInputContext() override;
    bool kill() override;

private:
    // Writes the preload list, as IBus's preferences do.
    static bool setPreloadEngines(const QStringList& engines);
    bool startDaemon(QString* error);
    void stop();

    QProcess m_daemon;
    pid_t m_pid = 0;   // also its process group
    QString m_address;
    platform::GObjectPtr<GDBusConnection> m_client;
    std::unique_ptr<PerWindowPanel> m_panel;
};
