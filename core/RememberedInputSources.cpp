#include "core/RememberedInputSources.h"

#include "logging/LogText.h"
#include "logging/Logger.h"
#include "platform/UserFile.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStandardPaths>

#include <algorithm>
#include <vector>

namespace {

// A thousand entries take some 100 KiB; what is far larger is not this file.
constexpr qint64 kMaximumFileSize = qint64(4) * 1024 * 1024;
const QString kBundleIDMember = QStringLiteral("appBundleID");
const QString kSourceMember = QStringLiteral("inputSourceID");

} // namespace

QString RememberedInputSources::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Kelvaro/remembered.json"));
}

RememberedInputSources::RememberedInputSources(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
{
    m_saveTimer.setSingleShot(true);
    m_saveTimer.setInterval(kSaveDelayMs);
    connect(&m_saveTimer, &QTimer::timeout, this, &RememberedInputSources::flush);
    // Quit, and the SIGTERM of a logout, end the event loop through quit().
    if (QCoreApplication::instance())
        connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &RememberedInputSources::flush);
    load();
}

RememberedInputSources::~RememberedInputSources()
{
    flush();
}

std::optional<QString> RememberedInputSources::recall(const QString& bundleID)
{
    const auto entry = m_entries.find(bundleID);
    if (entry == m_entries.end())
        return std::nullopt;
    if (entry->lastUse != m_uses) {
        touch(*entry);
        changed(count());
    }
    return entry->inputSourceID;
}

void RememberedInputSources::remember(const QString& bundleID, const QString& inputSourceID)
{
    const int before = count();
    const auto entry = m_entries.find(bundleID);
    if (entry != m_entries.end()) {
        if (entry->inputSourceID == inputSourceID && entry->lastUse == m_uses)
            return;
        entry->inputSourceID = inputSourceID;
        touch(*entry);
    } else {
        if (m_entries.size() >= kCapacity) {
            const auto oldest = std::min_element(m_entries.begin(), m_entries.end(), [](const Entry& a, const Entry& b) {
                return a.lastUse < b.lastUse;
            });
            m_entries.erase(oldest);
        }
        touch(m_entries.insert(bundleID, Entry{inputSourceID, 0}).value());
    }
    changed(before);
}

void RememberedInputSources::forgetAll()
{
    const int before = count();
    m_entries.clear();
    changed(before);
    Logger::shared().info(QStringLiteral("Forgot the input sources remembered for %1 applications").arg(before));
}

void RememberedInputSources::changed(int countBefore)
{
    m_unsaved = true;
    if (!m_saveTimer.isActive())
        m_saveTimer.start();
    if (count() != countBefore)
        emit countChanged(count());
}

bool RememberedInputSources::flush()
{
    if (!m_unsaved)
        return true;
    m_saveTimer.stop();
    QString error;
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    if (m_keepDamagedFile) {
        // Without a copy of the damaged file, nothing is written over it.
        if (!platform::moveAside(m_path, m_path + QStringLiteral(".damaged"), &error)) {
            m_saveErrors.failed(
                QStringLiteral("Kept the unreadable file \"%1\" and the remembered input sources in memory: %2")
                    .arg(m_path, error));
            return false;
        }
        m_keepDamagedFile = false;
    }
    if (!platform::saveAtomically(m_path, encode(), &error)) {
        m_saveErrors.failed(QStringLiteral("Failed to save the remembered input sources: ") + error);
        return false;
    }
    m_saveErrors.succeeded();
    m_unsaved = false;
    return true;
}

QByteArray RememberedInputSources::encode() const
{
    // Least recently used first, the order the file is read back in.
    std::vector<std::pair<quint64, QString>> order;
    order.reserve(m_entries.size());
    for (auto entry = m_entries.cbegin(); entry != m_entries.cend(); ++entry)
        order.emplace_back(entry->lastUse, entry.key());
    std::sort(order.begin(), order.end());
    QJsonArray array;
    for (const auto& [use, bundleID] : order)
        array.append(QJsonObject{{kBundleIDMember, bundleID}, {kSourceMember, m_entries[bundleID].inputSourceID}});
    return QJsonDocument(array).toJson(QJsonDocument::Compact);
}

void RememberedInputSources::load()
{
    QString error;
    bool missing = false;
    const auto content = platform::readRegularFile(m_path, kMaximumFileSize, &error, &missing);
    if (missing)
        return;
    const auto fail = [&](const QString& why) {
        m_keepDamagedFile = true;
        Logger::shared().error(QStringLiteral("Remembering starts empty: the file \"%1\" cannot be read: %2")
                                   .arg(m_path, logging::logText(why)));
    };
    if (!content)
        return fail(error);
    QJsonParseError parseError{};
    const QJsonDocument document = QJsonDocument::fromJson(*content, &parseError);
    if (!document.isArray())
        return fail(parseError.error != QJsonParseError::NoError ? parseError.errorString()
                                                                 : QStringLiteral("it does not hold a JSON array"));
    const QJsonArray entries = document.array();
    for (const QJsonValue& value : entries) {
        const QJsonValue bundleID = value[kBundleIDMember];
        const QJsonValue source = value[kSourceMember];
        if (!bundleID.isString() || !source.isString() || bundleID.toString().isEmpty()) {
            m_entries.clear();
            return fail(QStringLiteral("an entry lacks \"%1\" or \"%2\"").arg(kBundleIDMember, kSourceMember));
        }
        // Read oldest first: the last entries are the ones kept when the file holds too many.
        remember(bundleID.toString(), source.toString());
    }
    // What was read is what the file holds.
    m_saveTimer.stop();
    m_unsaved = false;
}
