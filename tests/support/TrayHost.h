#pragma once

#include <QProcess>
#include <QString>

// A desktop with a system tray on the test's X server: the openbox window
// manager and the trayer panel, stopped on destruction.
class TrayHost {
public:
    ~TrayHost();

    // Starts both and waits until the tray has claimed the system tray
    // selection. False, with *error set, when either does not come up.
    bool start(const QString& readyMarkerFolder, QString* error);

private:
    QProcess m_windowManager;
    QProcess m_tray;
};
