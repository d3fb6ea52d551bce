#include "settings/IniSettingsFormat.h"

#include "logging/Logger.h"
#include "platform/UserFile.h"

#include <QDataStream>
#include <QDateTime>
#include <QFile>
#include <QSet>
#include <QStringList>

namespace IniSettingsFormat {

namespace {

// Files whose last read failed: writing them would drop every key they hold.
QSet<QString>& unreadableFiles()
{
    static QSet<QString> files;
    return files;
}

// Letters, digits, "_-." as they are, "/" as "\", other characters as %XX or
// %UXXXX.
QByteArray escapedKey(const QString& key)
{
    QByteArray result;
    for (const QChar character : key) {
        const char16_t c = character.unicode();
        if (c == '/')
            result += '\\';
        else if ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' || c == '-'
                 || c == '.')
            result += char(c);
        else if (c <= 0xFF)
            result += '%' + QByteArray::number(c, 16).toUpper().rightJustified(2, '0');
        else
            result += "%U" + QByteArray::number(c, 16).toUpper().rightJustified(4, '0');
    }
    return result;
}

// C escapes for control characters, quotes around text with ";,=" or with a
// space at either end. Serialized data (@ByteArray and the like) holds one
// byte per character and writes those above 0x7E as \x escapes; other text
// is UTF-8.
QByteArray escapedString(const QString& text)
{
    const bool isBytes = text.startsWith(QLatin1String("@ByteArray(")) || text.startsWith(QLatin1String("@Variant("))
                         || text.startsWith(QLatin1String("@DateTime("));
    QByteArray result;
    bool needsQuotes = false;
    bool escapeNextIfHexDigit = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        needsQuotes = needsQuotes || c == ';' || c == ',' || c == '=';
        // Else a hex digit would continue the \x escape before it.
        if (escapeNextIfHexDigit && std::isxdigit(c < 0x80 ? int(c) : 0)) {
            result += "\\x" + QByteArray::number(c, 16);
            continue;
        }
        escapeNextIfHexDigit = false;
        static const QByteArray kEscaped("\a\b\f\n\r\t\v", 7);
        static const QByteArray kEscapes("abfnrtv");
        if (c == 0) {
            result += "\\0";
            escapeNextIfHexDigit = true;
        } else if (const qsizetype escape = c < 0x80 ? kEscaped.indexOf(char(c)) : -1; escape >= 0) {
            result += '\\';
            result += kEscapes[escape];
        } else if (c == '"' || c == '\\') {
            result += '\\';
            result += char(c);
        } else if (c <= 0x1F || (c >= 0x7F && isBytes)) {
            result += "\\x" + QByteArray::number(c, 16);
            escapeNextIfHexDigit = true;
        } else if (isBytes || c < 0x80) {
            result += char(c);
        } else {
            // A surrogate pair is one character in UTF-8.
            const qsizetype length = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
            result += text.mid(i, length).toUtf8();
            i += length - 1;
        }
    }
    if (needsQuotes || result.startsWith(' ') || result.endsWith(' '))
        result = '"' + result + '"';
    return result;
}

QString serialized(const char* prefix, const QVariant& value, QDataStream::Version version)
{
    QByteArray data;
    QDataStream stream(&data, QIODevice::WriteOnly);
    stream.setVersion(version);
    stream << value;
    return QLatin1String(prefix) + QLatin1String(data) + QLatin1Char(')');
}

// Strings and numbers as text ("@" doubled at the start), other types in the
// "@Type(...)" forms Qt reads back as those types.
QString variantText(const QVariant& value)
{
    switch (value.typeId()) {
    case QMetaType::UnknownType:
        return QStringLiteral("@Invalid()");
    case QMetaType::QByteArray:
        return QLatin1String("@ByteArray(") + QLatin1String(value.toByteArray()) + QLatin1Char(')');
    case QMetaType::QString:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
    case QMetaType::Float:
    case QMetaType::Double: {
        const QString text = value.toString();
        if (text.contains(QChar::Null))
            return QLatin1String("@String(") + text + QLatin1Char(')');
        return text.startsWith(QLatin1Char('@')) ? QLatin1Char('@') + text : text;
    }
    case QMetaType::QDateTime:
        return serialized("@DateTime(", value, QDataStream::Qt_5_6);
    default:
        return serialized("@Variant(", value, QDataStream::Qt_4_0);
    }
}

// Keys without a section go to [General], the others to their first path
// component's section, all in key order.
QByteArray iniText(const QSettings::SettingsMap& map)
{
    QMap<QString, QByteArray> sections;
    for (auto entry = map.cbegin(); entry != map.cend(); ++entry) {
        const qsizetype slash = entry.key().indexOf(QLatin1Char('/'));
        sections[slash < 0 ? QString() : entry.key().left(slash)] +=
            escapedKey(entry.key().mid(slash + 1)) + '=' + valueText(entry.value()) + '\n';
    }
    QByteArray text;
    for (auto section = sections.cbegin(); section != sections.cend(); ++section) {
        QByteArray name = escapedKey(section.key());
        if (name.isEmpty())
            name = "General";
        else if (name.compare("general", Qt::CaseInsensitive) == 0)
            name = "%General";
        text += (text.isEmpty() ? "[" : "\n[") + name + "]\n" + section.value();
    }
    return text;
}

bool readFile(QIODevice& device, QSettings::SettingsMap& map)
{
    // Qt's parser, through another name of the file Qt has open: a QSettings
    // on the file's own name would share, and wait for, the lock that Qt
    // holds while it calls this.
    auto& file = static_cast<QFile&>(device);
    const QSettings parsed(QStringLiteral("/proc/self/fd/%1").arg(file.handle()), QSettings::IniFormat);
    if (parsed.status() == QSettings::AccessError) {
        Logger::shared().error(QStringLiteral("Failed to read settings from \"%1\"; it is kept as it is")
                                   .arg(file.fileName()));
        unreadableFiles().insert(file.fileName());
        return false;
    }
    unreadableFiles().remove(file.fileName());
    for (const QString& key : parsed.allKeys())
        map.insert(key, parsed.value(key));
    return true;
}

bool writeFile(QIODevice& device, const QSettings::SettingsMap& map)
{
    auto& file = static_cast<QFileDevice&>(device);
    QString error = QStringLiteral("it could not be read");
    if (unreadableFiles().contains(file.fileName()) || !platform::writeDurably(file, iniText(map), &error)) {
        Logger::shared().error(QStringLiteral("Failed to save settings to \"%1\": %2").arg(file.fileName(), error));
        return false;
    }
    return true;
}

} // namespace

QSettings::Format format()
{
    static const QSettings::Format registered = QSettings::registerFormat(QStringLiteral("conf"), readFile, writeFile);
    return registered;
}

QByteArray valueText(const QVariant& value)
{
    // As Qt writes lists: a one-element list reads back as its element.
    if (value.typeId() == QMetaType::QStringList
        || (value.typeId() == QMetaType::QVariantList && value.toList().size() != 1)) {
        const QVariantList list = value.toList();
        if (list.isEmpty())
            return "@Invalid()";
        QByteArrayList texts;
        for (const QVariant& element : list)
            texts += escapedString(variantText(element));
        return texts.join(", ");
    }
    return escapedString(variantText(value));
}

} // namespace IniSettingsFormat
