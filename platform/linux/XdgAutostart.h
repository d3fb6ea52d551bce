#pragma once

#include "platform/LoginItems.h"

namespace platform {

// Login registration through XDG autostart: the application starts at login
// while "kelvaro.desktop" in the user's autostart folder exists and is not
// hidden (nor switched off the way GNOME does). Registering writes that entry
// with the program's absolute path; unregistering removes it.
class XdgAutostart : public LoginItems {
public:
    // folder: the user's autostart folder, $XDG_CONFIG_HOME/autostart.
    // program: the absolute path of the executable to start.
    XdgAutostart(QString folder, QString program);

    bool isRegistered() const override;
    std::optional<LoginItemError> registerApplication() override;
    std::optional<LoginItemError> unregisterApplication() override;

    QString entryPath() const;

private:
    QString m_folder;
    QString m_program;
};

// The Exec value that runs program with no arguments: quoted and escaped as
// desktop entries require when the path holds reserved characters.
QString desktopExecValue(const QString& program);

} // namespace platform
