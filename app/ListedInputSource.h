#pragma once

#include <QList>
#include <QMetaType>
#include <QString>

class QDBusArgument;

// One input source as `kelvaro sources` prints it and the control interface's
// InputSources() sends it (D-Bus signature "(ssb)").
struct ListedInputSource {
    QString id;
    QString name;
    bool current = false;

    friend bool operator==(const ListedInputSource&, const ListedInputSource&) = default;

    // Makes the list type known to Qt D-Bus; before the first call or export.
    static void registerDBusType();

    // One line each, "* " before the current one and two spaces before the
    // others, then the id, a tab and the name; or with json, an indented
    // array of {"current", "id", "name"} objects.
    static QByteArray format(const QList<ListedInputSource>& sources, bool json);
};

QDBusArgument& operator<<(QDBusArgument& argument, const ListedInputSource& source);
const QDBusArgument& operator>>(const QDBusArgument& argument, ListedInputSource& source);

Q_DECLARE_METATYPE(ListedInputSource)
