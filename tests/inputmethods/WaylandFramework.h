#pragma once

#include "DBusSession.h"
#include "InputMethodFramework.h"

#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

// A framework that is a Wayland compositor the test starts (KWin, GNOME
// Shell): its own session bus, runtime folder and socket, and the test's
// windows as its clients.
class WaylandFramework : public InputMethodFramework {
public:
    explicit WaylandFramework(const QString& name);
    ~WaylandFramework() override;

    QProcessEnvironment programEnvironment() const override;

protected:
    // Opens a window of the application with this ID the first time; true
    // once it is up.
    bool openWindow(const QString& appId);
    // Ends the windows, before their compositor goes.
    void closeWindows();

    QTemporaryDir m_home;
    DBusSession m_bus;
    const QString m_socket;

private:
    QHash<QString, QProcess*> m_windows;
};
