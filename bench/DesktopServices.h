#pragma once

#include <QProcess>
#include <QString>

#include <xcb/xcb.h>

// Parts of a desktop the switch benchmarks run next to, each stopped when its
// object goes: a system tray (trayer) and a window manager (openbox).
class SystemTray {
public:
    ~SystemTray();
    // Starts trayer and waits until it has claimed the system tray selection.
    bool start(QString* error);

private:
    QProcess m_process;
};

class WindowManager {
public:
    ~WindowManager();
    // Starts openbox and waits until it has finished starting; it takes over
    // the windows already mapped.
    bool start(const QString& readyMarkerFolder, QString* error);

private:
    QProcess m_process;
};

// Whether a window of the process (by _NET_WM_PID) is on screen, anywhere in
// the window tree below `parent` (a tray item lives inside the tray's window).
bool hasViewableWindow(xcb_connection_t* connection, xcb_window_t parent, xcb_atom_t pidAtom, quint32 pid);
