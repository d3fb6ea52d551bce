#pragma once

#include "ServerProcess.h"

#include <QString>
#include <QStringList>

// A private Xvfb on a display number it picks itself, stopped on destruction.
// It runs with -noreset: without it the server reloads its default keymap each
// time its last client disconnects, undoing setxkbmap.
class XvfbServer {
public:
    bool start(const QStringList& layouts, const QStringList& variants, QString* error);
    QString displayName() const { return m_displayName; }
    // Ends the server, as a crash of the X session would.
    void stop() { m_server.stop(); }

    // Loads a new keymap with setxkbmap, as a user changing layouts would.
    bool setLayouts(const QStringList& layouts, const QStringList& variants, QString* error);

private:
    ServerProcess m_server;
    QString m_displayName;
};
