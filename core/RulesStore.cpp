#include "core/RulesStore.h"

#include "core/AppRuleJson.h"
#include "logging/Logger.h"
#include "platform/FileChangeNotifier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace {

std::optional<QByteArray> readFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    return file.readAll();
}

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
    QFile file(rulesFileURL());
    if (!file.exists()) {
        remember(std::nullopt);
        return {std::nullopt, QStringLiteral("The file \"%1\" doesn't exist.").arg(m_path)};
    }
    if (!file.open(QIODevice::ReadOnly)) {
        m_keepDamagedFile = true;
        return {std::nullopt, QStringLiteral("The file \"%1\" couldn't be read: %2").arg(m_path, file.errorString())};
    }
    const QByteArray content = file.readAll();
    remember(content);
    QString error;
    auto rules = AppRuleJson::decode(content, &error);
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
    if (!file.open(QIODevice::WriteOnly) || file.write(json) != json.size() || !commit(file)) {
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
    if (digestOf(readFile(m_path)) != m_knownContent)
        emit changedOnDisk();
}

bool RulesStore::commit(QSaveFile& file)
{
    return file.commit();
}

bool RulesStore::moveDamagedFileAside(QString* error)
{
    const QString aside = damagedFilePath();
    if (QFile::exists(m_path)) {
        QFile::remove(aside);
        QFile damaged(m_path);
        // The damaged file is the user's data: without a copy of it, nothing is written over it.
        if (!damaged.rename(aside)) {
            *error = QStringLiteral("the unreadable rules file could not be moved to \"%1\": %2")
                         .arg(aside, damaged.errorString());
            Logger::shared().error(QStringLiteral("Kept the unreadable rules file \"%1\": %2").arg(m_path, *error));
            return false;
        }
        Logger::shared().error(QStringLiteral("Moved the unreadable rules file to \"%1\"").arg(aside));
    }
    m_keepDamagedFile = false;
    return true;
}
