#pragma once

#include <QIcon>
#include <QImage>
#include <QList>
#include <QMetaType>
#include <QString>

#include <optional>

namespace platform {

// The icon an entry's Icon names: a file by absolute path, else the icon
// theme's; null when neither has it.
QIcon namedIcon(const QString& iconName);

enum class ActivationPolicy {
    Regular,     // an ordinary application with windows in the task bar
    Accessory,   // windows outside the task bar: tool windows, skip-taskbar windows
    Prohibited,  // no user-facing window: docks, desktops
};

// A running application as the desktop shows it. Two values are equal exactly
// when they stand for the same running process; the descriptive fields are
// not compared.
class RunningApplication {
public:
    RunningApplication() = default;

    // An application known by its process (host name as in WM_CLIENT_MACHINE,
    // empty for the local host). Process and window IDs are reused (a
    // sandboxed application's process is often 2, and a new X client gets the
    // IDs of one that left): `instance` tells apart what once held the same ID.
    static RunningApplication forProcess(qint64 processIdentifier, const QString& host = {}, quint64 instance = 0);
    // An application whose process is unknown; identified by one of its
    // windows instead.
    static RunningApplication forWindow(quint32 windowId, quint64 instance = 0);

    qint64 processIdentifier() const { return m_processIdentifier; }

    std::optional<QString> bundleIdentifier;
    std::optional<QString> localizedName;
    // Icon theme name or absolute file path; empty when there is none.
    QString iconName;
    // The image the application's window carries itself (_NET_WM_ICON on
    // X11); read only for the list of running applications, null otherwise.
    QImage windowIcon;
    ActivationPolicy activationPolicy = ActivationPolicy::Regular;

    // The icon named by iconName when it can be found, else windowIcon; null
    // without either.
    QIcon icon() const;

    friend bool operator==(const RunningApplication& a, const RunningApplication& b)
    {
        return a.m_identity == b.m_identity;
    }

    // The same process showing the same application: one process may show
    // several (LibreOffice's Writer and Calc), and sandboxed processes of
    // different applications may declare the same small pid.
    bool isSameApplication(const RunningApplication& other) const
    {
        return *this == other && bundleIdentifier == other.bundleIdentifier;
    }

    // Adds the application to a list of running applications unless the
    // list has it already (one entry per application, however many windows).
    static void addUnlisted(QList<RunningApplication>& list, const RunningApplication& application);

private:
    qint64 m_processIdentifier = -1;
    QString m_identity;
};

} // namespace platform

Q_DECLARE_METATYPE(platform::RunningApplication)
Q_DECLARE_METATYPE(std::optional<platform::RunningApplication>)
