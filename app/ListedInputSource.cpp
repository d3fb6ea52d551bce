#include "app/ListedInputSource.h"

#include "logging/LogText.h"

#include <QDBusArgument>
#include <QDBusMetaType>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

void ListedInputSource::registerDBusType()
{
    qDBusRegisterMetaType<ListedInputSource>();
    qDBusRegisterMetaType<QList<ListedInputSource>>();
}

QByteArray ListedInputSource::format(const QList<ListedInputSource>& sources, bool json)
{
    if (json) {
        QJsonArray array;
        for (const ListedInputSource& source : sources)
            array.append(QJsonObject{{"id", source.id}, {"name", source.name}, {"current", source.current}});
        return QJsonDocument(array).toJson(QJsonDocument::Indented);
    }
    QByteArray text;
    for (const ListedInputSource& source : sources) {
        // Names come from the X server or an input method: escaped, so that each source stays one line.
        text += (source.current ? "* " : "  ") + logging::logText(source.id).toUtf8() + '\t'
            + logging::logText(source.name).toUtf8() + '\n';
    }
    return text;
}

QDBusArgument& operator<<(QDBusArgument& argument, const ListedInputSource& source)
{
    argument.beginStructure();
    argument << source.id << source.name << source.current;
    argument.endStructure();
    return argument;
}

const QDBusArgument& operator>>(const QDBusArgument& argument, ListedInputSource& source)
{
    argument.beginStructure();
    argument >> source.id >> source.name >> source.current;
    argument.endStructure();
    return argument;
}
