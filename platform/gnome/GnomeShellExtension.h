#pragma once

#include "platform/ShellExtension.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QTimer>

#include <optional>

class QDBusServiceWatcher;

namespace platform {

// Kelvaro's GNOME Shell extension (resources/gnome-shell), seen from Kelvaro:
// its installation into the user's extensions folder, its state in the Shell,
// and the calls and notices of the D-Bus object it exports
// (com.kelvaro.Kelvaro.GnomeShell). The input sources, the workspace and the
// pause shortcut of a GNOME session all go through it.
//
// Only the Shell can run the extension, and it loads new extensions at login:
// until the object answers, every call fails and state() says what the user
// has to do; one log line says it too. It is followed on the bus, so that an
// extension turned on later is used at once; while the Shell gives no answer
// it is asked again every few seconds (a Shell that has just come to the bus
// tells nothing of its extensions yet, and sends no notice once it can).
// Main thread only.
class GnomeShellExtension : public ShellExtension {
    Q_OBJECT
public:
    static inline const QString uuid = QStringLiteral("kelvaro@kelvaro.app");
    static inline const QString service = QStringLiteral("com.kelvaro.Kelvaro.GnomeShell");

    // sourceFolder holds the extension as built for each kind of Shell
    // ("legacy" for GNOME 43-44, "modules" for 45 and later); extensionsFolder
    // is the user's ($XDG_DATA_HOME/gnome-shell/extensions). The extension is
    // installed there at once when the Shell answers, else when it comes.
    GnomeShellExtension(const QDBusConnection& bus, const QString& sourceFolder, const QString& extensionsFolder,
                        QObject* parent = nullptr);

    // Copies the extension built for GNOME Shell shellMajor into
    // extensionsFolder unless the copy there is as new and made for that
    // Shell. *installed says whether files were written.
    static bool install(const QString& sourceFolder, const QString& extensionsFolder, int shellMajor, bool* installed,
                        QString* error);

    State state() const override { return m_state; }
    bool enable() override;

    // A call to the extension's object with the reply's signature expected;
    // none while it does not answer, or when the reply is not of that
    // signature (logged once until the extension answers well again).
    std::optional<QDBusMessage> call(const QString& method, const QVariantList& arguments, const QString& signature);

signals:
    // The extension's own notices.
    void inputSourcesChanged();
    void currentInputSourceChanged();
    void focusedApplicationChanged(const QDBusMessage& notice);
    void shortcutActivated();

private slots:
    void onInputSourcesChanged();
    void onCurrentInputSourceChanged(int index);
    void onFocusedApplicationChanged(const QDBusMessage& notice);
    void onShortcutActivated();
    void refresh();

private:
    std::optional<QDBusMessage> callShell(const QString& interface, const QString& method, const QVariantList& arguments,
                                          const QString& signature);
    void installForRunningShell();
    // Whether the Shell runs no user extensions at all (its UserExtensionsEnabled).
    bool userExtensionsOff();
    void setState(State state, const QString& reason);

    QDBusConnection m_bus;
    QString m_sourceFolder;
    QString m_extensionsFolder;
    State m_state = State::Failed;
    bool m_stateKnown = false;
    bool m_installed = false;
    bool m_callFailureReported = false;
    QTimer m_recheck;
};

} // namespace platform
