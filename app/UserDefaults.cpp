#include "app/UserDefaults.h"

#include <QSettings>

#include <cmath>

namespace UserDefaults {

QSettings& standard()
{
    static QSettings* const settings = new QSettings(QStringLiteral("Kelvaro"), QStringLiteral("Kelvaro"));
    return *settings;
}

std::optional<bool> boolValue(const QSettings& settings, const QString& key)
{
    const QVariant value = settings.value(key);
    switch (value.typeId()) {
    case QMetaType::Bool:
        return value.toBool();
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
        return value.toDouble() != 0;
    case QMetaType::QString: {
        // Values read back from the file are strings.
        const QString text = value.toString().trimmed().toLower();
        if (text == QLatin1String("true") || text == QLatin1String("yes"))
            return true;
        if (text == QLatin1String("false") || text == QLatin1String("no"))
            return false;
        bool isNumber = false;
        const double number = text.toDouble(&isNumber);
        if (isNumber)
            return number != 0;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

bool boolValue(const QSettings& settings, const QString& key, bool fallback)
{
    return boolValue(settings, key).value_or(fallback);
}

std::optional<double> doubleValue(const QSettings& settings, const QString& key)
{
    const QVariant value = settings.value(key);
    bool isNumber = false;
    double number = 0;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
        number = value.toDouble(&isNumber);
        break;
    case QMetaType::QString:
        number = value.toString().trimmed().toDouble(&isNumber);
        break;
    default:
        break;
    }
    if (!isNumber || !std::isfinite(number))
        return std::nullopt;
    return number;
}

std::optional<QString> stringValue(const QSettings& settings, const QString& key)
{
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString)
        return std::nullopt;
    return value.toString();
}

} // namespace UserDefaults

namespace UserDefaults {

Notifier& notifier()
{
    static Notifier* const instance = new Notifier;
    return *instance;
}

void setValue(QSettings& settings, const QString& key, const QVariant& value)
{
    settings.setValue(key, value);
    emit notifier().changed(key);
}

void remove(QSettings& settings, const QString& key)
{
    settings.remove(key);
    emit notifier().changed(key);
}

} // namespace UserDefaults
