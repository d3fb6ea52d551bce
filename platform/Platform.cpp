#include "platform/Platform.h"

#include "platform/ApplicationResources.h"
#include "platform/PlatformLog.h"
#include "platform/Session.h"
#include "platform/UnavailableKeyMonitor.h"
#include "platform/UnavailableTextInputSources.h"
#include "platform/UnavailableWindowEffects.h"
#include "platform/UnavailableWorkspace.h"
#include "platform/gnome/GnomeInputSources.h"
#include "platform/gnome/GnomeShellExtension.h"
#include "platform/gnome/GnomeShellKeyMonitor.h"
#include "platform/gnome/GnomeShellWorkspace.h"
#include "platform/kde/KGlobalAccelKeyMonitor.h"
#include "platform/kde/KWinScriptWorkspace.h"
#include "platform/kde/KdeKeyboardLayouts.h"
#include "platform/linux/CanberraSoundPlayer.h"
#include "platform/linux/DesktopNotifications.h"
#include "platform/linux/EwmhWorkspace.h"
#include "platform/linux/Fcitx5InputSources.h"
#include "platform/linux/IBusInputSources.h"
#include "platform/linux/X11AccessibilityTrust.h"
#include "platform/linux/XdgAutostart.h"
#include "platform/linux/X11WindowEffects.h"
#include "platform/linux/XConnection.h"
#include "platform/linux/XInputKeyMonitor.h"
#include "platform/linux/XkbInputSources.h"
#include "platform/sway/SwayInputSources.h"
#include "platform/sway/SwayIpc.h"
#include "platform/sway/SwayWorkspace.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QFileInfo>
#include <QDir>
#include <QStandardPaths>

Q_LOGGING_CATEGORY(lcPlatform, "Platform", QtInfoMsg)

namespace platform {

namespace {

// The X connection shared by the X11 backends; null when there is no display.
// Like the backends it is never destroyed: they live as long as the process.
XConnection* sharedXConnection()
{
    static XConnection* const connection = [] {
        QString error;
        std::unique_ptr<XConnection> opened = XConnection::open(QString(), &error);
        if (!opened) {
            logError(error);
            return opened.release();
        }
        // Without its display the program has nothing left to do.
        QObject::connect(opened.get(), &XConnection::connectionLost, [] { QCoreApplication::exit(1); });
        return opened.release();
    }();
    return connection;
}

// The X11 backend of an interface on the shared connection, or its stand-in
// when there is no display; created on first use, one per interface.
template <typename Interface, typename X11Backend, typename StandIn>
Interface& sharedX11Backend()
{
    static Interface* const backend = []() -> Interface* {
        if (XConnection* connection = sharedXConnection())
            return new X11Backend(*connection);
        return new StandIn;
    }();
    return *backend;
}

// sway's IPC, shared by its backends; null when it cannot be reached.
std::shared_ptr<SwayIpc> sharedSwayIpc()
{
    static const std::shared_ptr<SwayIpc> ipc = [] {
        QString error;
        std::shared_ptr<SwayIpc> connected = SwayIpc::connect(qEnvironmentVariable("SWAYSOCK"), &error);
        if (!connected) {
            logError(error);
            return connected;
        }
        // Without its compositor the program has nothing left to do, as without its X display.
        QObject::connect(connected.get(), &SwayIpc::lost, [] { QCoreApplication::exit(1); });
        return connected;
    }();
    return ipc;
}

// Kelvaro's GNOME Shell extension, installed for the running Shell when
// first used; null outside a GNOME session.
GnomeShellExtension* sharedGnomeShellExtension()
{
    if (session() != Session::Gnome)
        return nullptr;
    static GnomeShellExtension* const extension = new GnomeShellExtension(
        sessionBus(), QDir(ApplicationResources::directory()).filePath(QStringLiteral("gnome-shell")),
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
            .filePath(QStringLiteral("gnome-shell/extensions")));
    return extension;
}

// KDE and GNOME on X11 keep the EWMH workspace and the XInput key monitor.
bool onWayland()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace

bool probeDisplay(QString* error)
{
    xcb_connection_t* connection = xcb_connect(nullptr, nullptr);
    const int code = xcb_connection_has_error(connection);
    xcb_disconnect(connection);
    if (code == 0)
        return true;
    const QString display = qEnvironmentVariable("DISPLAY");
    *error = display.isEmpty() ? QStringLiteral("Kelvaro needs an X11 session: DISPLAY is not set")
                               : QStringLiteral("Kelvaro cannot reach the X display \"%1\"").arg(display);
    return false;
}

QDBusConnection sessionBus()
{
    const QString runtimeFolder = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS")
        && (runtimeFolder.isEmpty() || !QFileInfo::exists(runtimeFolder + QStringLiteral("/bus"))))
        return QDBusConnection(QStringLiteral("no session bus"));
    return QDBusConnection::sessionBus();
}

TextInputSources& sharedTextInputSources()
{
    // Chosen once: an input method framework that starts later is used from
    // the next start on.
    static TextInputSources* const sources = []() -> TextInputSources* {
        QString fcitxError;
        if (std::unique_ptr<Fcitx5InputSources> fcitx = Fcitx5InputSources::connect(sessionBus(),
                                                                                     &fcitxError)) {
            qCInfo(lcPlatform, "Input sources: fcitx5");
            return fcitx.release();
        }
        // GNOME Shell drives IBus itself, from its own list.
        if (GnomeShellExtension* gnome = sharedGnomeShellExtension()) {
            qCInfo(lcPlatform, "Input sources: GNOME Shell's (fcitx5: %s)", qUtf8Printable(fcitxError));
            return new GnomeInputSources(*gnome);
        }
        QString ibusError;
        if (std::unique_ptr<IBusInputSources> ibus = IBusInputSources::connect(&ibusError)) {
            qCInfo(lcPlatform, "Input sources: IBus");
            return ibus.release();
        }
        if (session() == Session::Sway) {
            qCInfo(lcPlatform, "Input sources: sway's keyboard layouts (fcitx5: %s; IBus: %s)",
                   qUtf8Printable(fcitxError), qUtf8Printable(ibusError));
            if (std::shared_ptr<SwayIpc> ipc = sharedSwayIpc())
                return new SwayInputSources(std::move(ipc));
            return new UnavailableTextInputSources;
        }
        if (session() == Session::Kde) {
            auto plasma = std::make_unique<KdeKeyboardLayouts>(sessionBus());
            if (plasma->isAvailable()) {
                qCInfo(lcPlatform, "Input sources: KDE keyboard layouts (fcitx5: %s; IBus: %s)",
                       qUtf8Printable(fcitxError), qUtf8Printable(ibusError));
                return plasma.release();
            }
            ibusError += QStringLiteral("; KDE's keyboard layouts: org.kde.keyboard is not on the session bus");
        }
        qCInfo(lcPlatform, "Input sources: XKB layouts (fcitx5: %s; IBus: %s)", qUtf8Printable(fcitxError),
               qUtf8Printable(ibusError));
        return &sharedX11Backend<TextInputSources, XkbInputSources, UnavailableTextInputSources>();
    }();
    return *sources;
}

Workspace& sharedWorkspace()
{
    if (session() == Session::Sway) {
        static Workspace* const workspace = sharedSwayIpc() ? static_cast<Workspace*>(new SwayWorkspace(sharedSwayIpc()))
                                                            : new UnavailableWorkspace;
        return *workspace;
    }
    if (session() == Session::Gnome && onWayland()) {
        static Workspace* const shell = new GnomeShellWorkspace(*sharedGnomeShellExtension());
        return *shell;
    }
    if (session() == Session::Kde && onWayland()) {
        static Workspace* const kwin = new KWinScriptWorkspace(
            sessionBus(), ApplicationResources::pathForResource(ApplicationResources::directory(),
                                                                QStringLiteral("kelvaro-kwin"), QStringLiteral("js")));
        return *kwin;
    }
    return sharedX11Backend<Workspace, EwmhWorkspace, UnavailableWorkspace>();
}

SoundPlayer& sharedSoundPlayer()
{
    static SoundPlayer* const player = new CanberraSoundPlayer;
    return *player;
}

WindowEffects& sharedWindowEffects()
{
    return sharedX11Backend<WindowEffects, X11WindowEffects, UnavailableWindowEffects>();
}

UserNotifications& sharedUserNotifications()
{
    static UserNotifications* const backend = new DesktopNotifications(sessionBus());
    return *backend;
}

AccessibilityTrust& sharedAccessibilityTrust()
{
    static AccessibilityTrust* const trust = new X11AccessibilityTrust;
    return *trust;
}

KeyMonitor& sharedKeyMonitor()
{
    if (session() == Session::Sway) {
        // sway lets no client watch the keyboard or register a shortcut.
        static KeyMonitor* const monitor = new UnavailableKeyMonitor(QStringLiteral(
            "sway gives no client a global hotkey; bind one in sway's config instead: "
            "bindsym Ctrl+Mod1+p exec kelvaro toggle"));
        return *monitor;
    }
    if (session() == Session::Gnome && onWayland()) {
        static KeyMonitor* const shell = new GnomeShellKeyMonitor(*sharedGnomeShellExtension());
        return *shell;
    }
    if (session() == Session::Kde) {
        static KeyMonitor* const kglobalaccel = new KGlobalAccelKeyMonitor(sessionBus());
        return *kglobalaccel;
    }
    return sharedX11Backend<KeyMonitor, XInputKeyMonitor, UnavailableKeyMonitor>();
}

LoginItems& sharedLoginItems()
{
    static LoginItems* const items = new XdgAutostart(
        QDir(QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)).filePath(QStringLiteral("autostart")),
        QCoreApplication::applicationFilePath());
    return *items;
}

ShellExtension& sharedShellExtension()
{
    if (GnomeShellExtension* gnome = sharedGnomeShellExtension())
        return *gnome;
    static ShellExtension* const none = new NoShellExtension;
    return *none;
}

} // namespace platform
