#pragma once

#include "platform/TextInputSources.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <utility>

// A keyboard input framework that a test starts on its own X server and
// session bus, set up with two input sources (US English first, then German,
// the first one current), and the backend that talks to it. One per
// framework (XKB, IBus, fcitx5), so that one contract test checks each
// backend the same way.
class InputMethodFramework {
public:
    virtual ~InputMethodFramework() = default;

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

    // Frameworks by name ("xkb", "ibus", "fcitx5"), each file adding its own.
    using Factory = std::function<std::unique_ptr<InputMethodFramework>()>;
    static bool add(const QString& name, Factory factory);
    static QList<std::pair<QString, Factory>>& all();
};
