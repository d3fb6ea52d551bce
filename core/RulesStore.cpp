#include "core/RulesStore.h"

#include "core/AppRuleJson.h"
#include "logging/Logger.h"
#include "platform/FileChangeNotifier.h"
#include "platform/UserFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

// Far above any list of rules a person keeps; what is larger is not read.
constexpr qint64 kMaximumFileSize = qint64(64) * 1024 * 1024;

// What is compared to tell the file's content apart; nothing for no file.
std::optional<size_t> digestOf(const std::optional<QByteArray>& content)
{
    return content ? std::optional(qHash(*content)) : std::nullopt;
}

} // namespace

QString RulesStore::defaultPath()
{
    return QDir(QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation))
        .filePath(QStringLiteral("Kelvaro/rules.json"));
}

RulesStore::RulesStore(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
{
}

RulesStore::~RulesStore() = default;

QString RulesStore::rulesFileURL() const
{
    // A failure surfaces as the failure of the read or write that follows.
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    return m_path;
}

QString RulesStore::damagedFilePath() const
{
    return m_path + QStringLiteral(".damaged");
}

RulesStore::LoadResult RulesStore::load()
{
    QString error;
    bool missing = false;
    const auto content = platform::readRegularFile(rulesFileURL(), kMaximumFileSize, &error, &missing);
    remember(content);
    if (missing)
        return {std::nullopt, QStringLiteral("The file \"%1\" doesn't exist.").arg(m_path)};
    if (!content) {
        m_keepDamagedFile = true;
        return {std::nullopt, error};
    }
    auto rules = AppRuleJson::decode(*content, &error);
    if (!rules) {
        m_keepDamagedFile = true;
        return {std::nullopt, QStringLiteral("The data in \"%1\" isn't in the correct format: %2").arg(m_path, error)};
    }
    m_keepDamagedFile = false;
    return {std::move(rules), QString()};
}

bool RulesStore::save(const QList<AppRule>& rules, QString* error)
{
    const QByteArray json = AppRuleJson::encode(rules);
    QSaveFile file(rulesFileURL());
    if (m_keepDamagedFile && !moveDamagedFileAside(error))
        return false;
    if (!file.open(QIODevice::WriteOnly) || !platform::writeDurably(file, json, error) || !commit(file)) {
        if (file.error() != QFileDevice::NoError)
            *error = file.errorString();
        return false;
    }
    remember(json);
    return true;
}

void RulesStore::startWatching()
{
    if (m_notifier)
        return;
    m_notifier = new FileChangeNotifier(rulesFileURL(), this);
    connect(m_notifier, &FileChangeNotifier::changed, this, &RulesStore::checkDisk);
}

void RulesStore::remember(const std::optional<QByteArray>& content)
{
    m_knownContent = digestOf(content);
}

void RulesStore::checkDisk()
{
    QString error;
    if (digestOf(platform::readRegularFile(m_path, kMaximumFileSize, &error)) != m_knownContent)
        emit changedOnDisk();
}

bool RulesStore::commit(QSaveFile& file)
{
    return file.commit();
}

bool RulesStore::moveDamagedFileAside(QString* error)
{
    const bool existed = QFile::exists(m_path);
    // The damaged file is the user's data: without a copy of it, nothing is written over it.
    if (!platform::moveAside(m_path, damagedFilePath(), error)) {
        *error = QStringLiteral("the unreadable rules file could not be moved aside: ") + *error;
        Logger::shared().error(QStringLiteral("Kept the unreadable rules file \"%1\": %2").arg(m_path, *error));
        return false;
    }
    if (existed)
        Logger::shared().error(QStringLiteral("Moved the unreadable rules file to \"%1\"").arg(damagedFilePath()));
    m_keepDamagedFile = false;
    return true;
}
