#include "platform/Platform.h"

#include "core/Logger.h"
#include "platform/UnavailableTextInputSources.h"
#include "platform/UnavailableWindowEffects.h"
#include "platform/UnavailableWorkspace.h"
#include "platform/linux/CanberraSoundPlayer.h"
#include "platform/linux/DesktopNotifications.h"
#include "platform/linux/EwmhWorkspace.h"
#include "platform/linux/JournalLogBackend.h"
#include "platform/linux/X11WindowEffects.h"
#include "platform/linux/XConnection.h"
#include "platform/linux/XkbInputSources.h"

namespace platform {

namespace {

// The X connection shared by the X11 backends; null when there is no display.
// Like the backends it is never destroyed: they live as long as the process.
XConnection* sharedXConnection()
{
    static XConnection* const connection = [] {
        QString error;
        std::unique_ptr<XConnection> opened = XConnection::open(QString(), &error);
        if (!opened)
            Logger::shared().error(error);
        return opened.release();
    }();
    return connection;
}

} // namespace

TextInputSources& sharedTextInputSources()
{
    static TextInputSources* const backend = []() -> TextInputSources* {
        if (XConnection* connection = sharedXConnection())
            return new XkbInputSources(*connection);
        return new UnavailableTextInputSources;
    }();
    return *backend;
}

Workspace& sharedWorkspace()
{
    static Workspace* const backend = []() -> Workspace* {
        if (XConnection* connection = sharedXConnection())
            return new EwmhWorkspace(*connection);
        return new UnavailableWorkspace;
    }();
    return *backend;
}

SoundPlayer& sharedSoundPlayer()
{
    static SoundPlayer* const player = new CanberraSoundPlayer;
    return *player;
}

WindowEffects& sharedWindowEffects()
{
    static WindowEffects* const backend = []() -> WindowEffects* {
        if (XConnection* connection = sharedXConnection())
            return new X11WindowEffects(*connection);
        return new UnavailableWindowEffects;
    }();
    return *backend;
}

UserNotifications& sharedUserNotifications()
{
    static UserNotifications* const backend = new DesktopNotifications(QDBusConnection::sessionBus());
    return *backend;
}

std::unique_ptr<LogBackend> createLogBackend()
{
    return std::make_unique<JournalLogBackend>();
}

} // namespace platform
