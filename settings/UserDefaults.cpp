#include "settings/UserDefaults.h"

#include "logging/LogText.h"
#include "logging/Logger.h"
#include "platform/FileChangeNotifier.h"
#include "platform/UserFile.h"
#include "settings/IniSettingsFormat.h"

#include <QCoreApplication>
#include <QLockFile>
#include <QSet>
#include <QSettings>

#include <cmath>

namespace UserDefaults {

namespace {

constexpr qint64 kMaximumFileSize = 1024 * 1024;

// A value of the wrong type (the file is edited by hand, or damaged) reads as
// absent; say so once per key and value, not at every read.
std::nullopt_t ignored(const QString& key, const QVariant& value, const char* expected)
{
    static QSet<QString> reported;
    const QString text = value.typeId() == QMetaType::QStringList ? value.toStringList().join(QLatin1Char(','))
                                                                  : value.toString();
    if (!reported.contains(key + QLatin1Char('\0') + text)) {
        reported.insert(key + QLatin1Char('\0') + text);
        Logger::shared().error(QStringLiteral("Ignored the setting \"%1\": \"%2\" is not %3; its default applies")
                                   .arg(logging::logText(key), logging::logText(text), QLatin1String(expected)));
    }
    return std::nullopt;
}

// Reads the store again when its file has changed on disk (QSettings would
// keep what it read until it writes itself), then announces every key whose
// value is not what was last announced or written here.
class FileFollower : public QObject {
public:
    explicit FileFollower(QSettings& settings)
        : m_settings(settings)
        , m_notifier(settings.fileName())
        , m_values(values())
    {
        connect(&m_notifier, &FileChangeNotifier::changed, this, &FileFollower::reread);
        // What the program writes itself is announced when written.
        connect(&notifier(), &Notifier::changed, this, [this](const QString& key) {
            if (m_settings.contains(key))
                m_values.insert(key, m_settings.value(key));
            else
                m_values.remove(key);
        });
    }

private:
    QVariantHash values() const
    {
        QVariantHash values;
        for (const QString& key : m_settings.allKeys())
            values.insert(key, m_settings.value(key));
        return values;
    }

    // What the file holds; a failed write leaves it as it was.
    size_t fileDigest() const
    {
        QString error;
        return qHash(platform::readRegularFile(m_settings.fileName(), kMaximumFileSize, &error).value_or("\0"));
    }

    void reread()
    {
        // Any file created or removed in the folder is noticed, among them the
        // lock and the temporary file of a write that failed: syncing then
        // would only try that write again, and again.
        if (const size_t digest = fileDigest(); std::exchange(m_fileDigest, digest) == digest)
            return;
        // QSettings may have read the file already, when it last wrote to it:
        // compare with what was announced, not with what it holds now.
        m_settings.sync();
        const QVariantHash before = std::exchange(m_values, values());
        QStringList keys = before.keys() + m_values.keys();
        keys.removeDuplicates();
        for (const QString& key : std::as_const(keys)) {
            if (before.value(key) != m_values.value(key))
                emit notifier().changed(key);
        }
    }

    QSettings& m_settings;
    FileChangeNotifier m_notifier;
    QVariantHash m_values;
    size_t m_fileDigest = fileDigest();
};

// QSettings holds "<file>.lock" (a QLockFile) while it writes. One left by a
// writer that died mid-write (empty) or written under another host name would
// hold up every write until it is 30 s old; a live writer keeps the kernel's
// lock on it, which removeStaleLockFile() respects.
void removeAbandonedWriteLock(const QString& fileName)
{
    QLockFile lock(fileName + QStringLiteral(".lock"));
    if (!lock.tryLock(0) && lock.error() == QLockFile::LockFailedError && lock.removeStaleLockFile())
        Logger::shared().info(QStringLiteral("Removed the lock a writer of %1 left behind").arg(fileName));
}

} // namespace

QSettings& standard()
{
    static QSettings* const settings = [] {
        auto* settings = new QSettings(IniSettingsFormat::format(), QSettings::UserScope, QStringLiteral("Kelvaro"),
                                       QStringLiteral("Kelvaro"));
        removeAbandonedWriteLock(settings->fileName());
        return settings;
    }();
    // Needs the event loop: set up at the first use once there is an application.
    static FileFollower* follower = nullptr;
    if (!follower && QCoreApplication::instance())
        follower = new FileFollower(*settings);
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
        return ignored(key, value, "true or false");
    }
    default:
        return value.isValid() ? ignored(key, value, "true or false") : std::nullopt;
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
        return value.isValid() ? ignored(key, value, "a number") : std::nullopt;
    return number;
}

std::optional<QString> stringValue(const QSettings& settings, const QString& key)
{
    const QVariant value = settings.value(key);
    if (value.typeId() != QMetaType::QString)
        return value.isValid() ? ignored(key, value, "a text") : std::nullopt;
    return value.toString();
}

} // namespace UserDefaults

namespace UserDefaults {

Notifier& notifier()
{
    static Notifier* const instance = new Notifier;
    return *instance;
}

// Any write rewrites the whole file: only a change is written. Listeners are
// told in either case, as they always were.
void setValue(QSettings& settings, const QString& key, const QVariant& value)
{
    if (!settings.contains(key)
        || IniSettingsFormat::valueText(settings.value(key)) != IniSettingsFormat::valueText(value))
        settings.setValue(key, value);
    emit notifier().changed(key);
}

void remove(QSettings& settings, const QString& key)
{
    if (settings.contains(key))
        settings.remove(key);
    emit notifier().changed(key);
}

} // namespace UserDefaults
