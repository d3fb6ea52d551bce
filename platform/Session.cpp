#include "platform/Session.h"

#include "platform/PlatformLog.h"

#include <array>

namespace platform {

namespace {

constexpr std::array kNames{std::pair{Session::X11, "x11"}, std::pair{Session::Sway, "sway"},
                            std::pair{Session::Kde, "kde"}, std::pair{Session::Gnome, "gnome"}};

bool desktopNames(const QProcessEnvironment& environment, const QString& desktop)
{
    const QStringList desktops = environment.value(QStringLiteral("XDG_CURRENT_DESKTOP")).split(u':');
    return std::any_of(desktops.begin(), desktops.end(),
                       [&](const QString& name) { return name.compare(desktop, Qt::CaseInsensitive) == 0; });
}

} // namespace

QString sessionName(Session session)
{
    for (const auto& [value, name] : kNames) {
        if (value == session)
            return QString::fromLatin1(name);
    }
    return QStringLiteral("none");
}

Session chooseSession(const QProcessEnvironment& environment, QString* note)
{
    const QString forced = environment.value(QStringLiteral("KELVARO_BACKEND"));
    if (!forced.isEmpty()) {
        for (const auto& [value, name] : kNames) {
            if (forced == QLatin1String(name)) {
                *note = QStringLiteral("KELVARO_BACKEND");
                return value;
            }
        }
        *note = QStringLiteral("KELVARO_BACKEND=\"%1\" is none of x11, sway, kde, gnome; ignored, ").arg(forced.left(40));
    } else {
        note->clear();
    }
    if (!environment.value(QStringLiteral("SWAYSOCK")).isEmpty() || desktopNames(environment, QStringLiteral("sway"))) {
        *note += QStringLiteral("sway session");
        return Session::Sway;
    }
    if (desktopNames(environment, QStringLiteral("KDE"))) {
        *note += QStringLiteral("XDG_CURRENT_DESKTOP");
        return Session::Kde;
    }
    // GNOME Flashback and Budgie name GNOME too, but run no GNOME Shell.
    if (desktopNames(environment, QStringLiteral("GNOME")) && !desktopNames(environment, QStringLiteral("GNOME-Flashback"))
        && !desktopNames(environment, QStringLiteral("Budgie"))) {
        *note += QStringLiteral("XDG_CURRENT_DESKTOP");
        return Session::Gnome;
    }
    if (!environment.value(QStringLiteral("DISPLAY")).isEmpty()) {
        *note += QStringLiteral("X display");
        return Session::X11;
    }
    *note += QStringLiteral("no X display and no session Kelvaro knows");
    return Session::None;
}

Session session()
{
    static const Session chosen = [] {
        QString note;
        const Session session = chooseSession(QProcessEnvironment::systemEnvironment(), &note);
        qCInfo(lcPlatform, "Session: %s (%s)", qUtf8Printable(sessionName(session)), qUtf8Printable(note));
        return session;
    }();
    return chosen;
}

} // namespace platform
