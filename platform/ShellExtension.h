#pragma once

#include <QObject>
#include <QString>

namespace platform {

// The part of Kelvaro that has to run inside the desktop's shell, where the
// shell alone knows the application in front and switches input sources
// (GNOME Shell's extension), and what the user has to do for it to run.
// Main thread only.
class ShellExtension : public QObject {
    Q_OBJECT
public:
    enum class State {
        NotNeeded,       // the session needs no extension
        Ready,           // running and answering
        NeedsLogin,      // installed or updated: the shell loads it at the next login
        NeedsEnabling,   // the shell knows it, but it is turned off
        Failed,          // the shell cannot run it, or the shell does not answer
    };
    Q_ENUM(State)

    using QObject::QObject;

    virtual State state() const = 0;
    // Asks the shell to turn the extension on; false when it refuses or
    // cannot be asked. The state follows when the shell has done it.
    virtual bool enable() = 0;

signals:
    void stateChanged(platform::ShellExtension::State state);
};

// Stands in where the session needs no extension.
class NoShellExtension : public ShellExtension {
public:
    using ShellExtension::ShellExtension;
    State state() const override { return State::NotNeeded; }
    bool enable() override { return false; }
};

} // namespace platform
