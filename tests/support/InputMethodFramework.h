#pragma once

#include "platform/TextInputSources.h"
#include "platform/Workspace.h"

#include <QList>
#include <QProcessEnvironment>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

class X11Desktop;

// A keyboard input framework that a test starts on its own X server and
// session bus, or a desktop session with its own (sway, KWin), set up with two
// input sources (US English first, then German, the first one current), and
// the backends that talk to it. One per framework (XKB, IBus, fcitx5) and
// session, so that one contract test checks each backend the same way.
class InputMethodFramework {
public:
    InputMethodFramework();
    virtual ~InputMethodFramework();

    // Starts the framework; false, with *error set, when it cannot.
    virtual bool start(QString* error) = 0;
    // A new backend connected to the framework.
    virtual std::unique_ptr<platform::TextInputSources> createBackend() = 0;
    // The identifier and name of each source, as the backend should list them.
    virtual QList<std::pair<QString, QString>> expectedSources() const = 0;
    // Another client of the framework selects the source with this identifier.
    virtual bool selectFromAnotherClient(const QString& id) = 0;
    // What a newly focused window does: a new input context takes the
    // keyboard focus, as a toolkit's input module makes one. False when the
    // framework has no input contexts (XKB).
    virtual bool focusNewInputContext() = 0;
    // Ends the framework's daemon at once, as a crash would; false when it
    // cannot be ended alone (XKB lives in the X server).
    virtual bool kill() = 0;

    // The session the program is to use here, as KELVARO_BACKEND names it.
    virtual QString session() const { return QStringLiteral("x11"); }
    // The environment a program started by the test needs to reach the
    // framework and its session (KELVARO_BACKEND is added to it).
    virtual QProcessEnvironment programEnvironment() const { return QProcessEnvironment::systemEnvironment(); }
    // A workspace backend on the framework's session. By default the EWMH
    // one on the test's X server.
    virtual std::unique_ptr<platform::Workspace> createWorkspace();
    // Brings a window of the application with this ID (its desktop file
    // name, and the window's class) to the front as a user would, opening it
    // the first time. By default a window on the test's X server, made
    // active as a window manager does.
    virtual bool activateApplication(const QString& appId);

    // Frameworks by name ("xkb", "ibus", "fcitx5"), each file adding its own.
    using Factory = std::function<std::unique_ptr<InputMethodFramework>()>;
    static bool add(const QString& name, Factory factory);
    static QList<std::pair<QString, Factory>>& all();

private:
    std::unique_ptr<X11Desktop> m_x11;
};
