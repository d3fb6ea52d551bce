#pragma once

#include "platform/TextInputSources.h"
#include "platform/linux/GLibPtr.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QHash>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>

typedef struct _IBusBus IBusBus;

namespace platform {

// Input sources on IBus: the engines of the user's preload list.
//
// - The list is the GSettings key org.freedesktop.ibus.general
//   preload-engines, as IBus's own panel keeps it, in its order; each engine
//   is described by the daemon (GetEnginesByNames): its name as identifier
//   ("xkb:us::eng", "pinyin"), its long name as localized name, its icon when
//   that is a file. Engines the daemon does not know are left out.
// - The current source is the daemon's global engine; selecting sets it.
// - Change notices: the daemon's GlobalEngineChanged and RegistryChanged
//   signals, a change of the preload list, the daemon going or coming back.
//
// Switches that hold: with "use global engine" off, IBus's panel gives each
// input context an engine of its own and sets it whenever a context takes
// the focus, so a switch made just before a window's context takes the focus
// is undone. The daemon tells the panel of each focus change with a Panel
// FocusIn call; the daemon's bus also hands a copy of any message to a
// client whose match rule asks for it, so this backend watches those calls.
// For a short while after a select (kHoldMs), when a context has taken the
// focus and the global engine then moves elsewhere, the selected engine is
// set again, once per focus change. A window's context taking the focus
// shortly before the select counts too: the panel's switch for that context
// may reach the daemon only after the select. A move with no focus change before it is
// another client's choice and is left alone.
//
// The connection is libibus's (one per process): it finds the daemon's
// address as every IBus client does ($IBUS_ADDRESS, or the file the daemon
// writes under $XDG_CONFIG_HOME/ibus/bus/) and reconnects by itself when a
// new daemon writes that file. While no daemon answers every call fails: no
// list, no current source, kStatusFailed, and one error log line.
//
// Main thread only. Calls to the daemon are synchronous, with a timeout.
class IBusInputSources : public TextInputSources {
    Q_OBJECT
public:
    // How long after a select a focus change may undo it (milliseconds).
    static constexpr int kHoldMs = 1000;

    // Connects to the session's IBus daemon; nothing, with *error set, when
    // no daemon answers, IBus's settings schema is missing or Qt's event
    // loop is not GLib's, so that the caller can fall back to XKB.
    static std::unique_ptr<IBusInputSources> connect(QString* error);
    ~IBusInputSources() override;

    std::optional<QList<PlatformInputSource>> enabledInputSources() override;
    std::optional<PlatformInputSource> currentKeyboardInputSource() override;
    int selectInputSource(const PlatformInputSource& source) override;

private:
    struct Engine {
        QString name;
        QString longName;
        QString icon;
    };
    // A select that a focus change must not undo.
    struct Hold {
        QString engine;
        QDeadlineTimer until;
        bool focusMoved = false;
    };

    IBusInputSources(IBusBus* bus, GSettings* settings);

    bool isConnected() const;
    // Watches the daemon's signals and the panel's focus calls on the bus's
    // current connection.
    bool watchConnection(QString* error);
    void unwatchConnection();
    void handleConnected();
    void handleDisconnected();
    void handleFocusIn(const QString& inputContext);
    void handleGlobalEngineChanged(const QString& engine);
    void handleRegistryChanged();
    void handlePreloadChanged();

    std::optional<QList<Engine>> describe(const QStringList& names);
    std::optional<Engine> globalEngine();
    // The engine a boxed description (a variant holding a serialized IBusEngineDesc) describes.
    static std::optional<Engine> engineOf(GVariant* boxed);
    bool setGlobalEngine(const QString& name);
    PlatformInputSource entry(const Engine& engine, int index) const;
    static QString goneMessage();
    // Reports a failed call (taking the error), as the daemon's going when
    // the connection is closed.
    void callFailed(const QString& what, GError* error);
    // Logs the first failure after a success, and no other.
    void reportFailure(const QString& message);
    void reportSuccess() { m_failureReported = false; }
    void notifyChange();

    IBusBus* m_bus;
    GObjectPtr<GSettings> m_settings;
    GObjectPtr<GDBusConnection> m_watchedConnection;   // the connection the filter is on
    unsigned m_filterId = 0;
    quintptr m_filterToken = 0;
    bool m_failureReported = false;
    // The engines described for the last preload list, until a registry
    // change or a new connection.
    std::optional<std::pair<QStringList, QList<Engine>>> m_described;
    std::optional<Hold> m_hold;
    // Since a window's context last took the focus, once one has.
    QElapsedTimer m_sinceFocusIn;
    // The global engine last announced, so that an engine put back at once
    // makes no notice.
    std::optional<QString> m_announcedEngine;

    friend struct IBusFocusFilter;
};

} // namespace platform
