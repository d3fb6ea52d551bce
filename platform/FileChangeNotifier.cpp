#include "platform/FileChangeNotifier.h"

#include "platform/PlatformLog.h"

#include <QDir>
#include <QFileInfo>
#include <QFileSystemWatcher>

namespace {

constexpr std::chrono::milliseconds kSettleTime{200};

} // namespace

FileChangeNotifier::FileChangeNotifier(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(QFileInfo(path).absoluteFilePath())
    , m_watcher(new QFileSystemWatcher(this))
{
    m_settle.setSingleShot(true);
    m_settle.setInterval(kSettleTime);
    connect(&m_settle, &QTimer::timeout, this, [this] {
        watchFile();
        emit changed();
    });

    // The folder tells of files created, deleted or renamed over the file;
    // the file itself of writes in place.
    const QString folder = QFileInfo(m_path).absolutePath();
    QDir().mkpath(folder);
    if (!m_watcher->addPath(folder))
        platform::logError(QStringLiteral("Cannot watch \"%1\" for changes made by other programs").arg(folder));
    watchFile();
    connect(m_watcher, &QFileSystemWatcher::directoryChanged, &m_settle, qOverload<>(&QTimer::start));
    connect(m_watcher, &QFileSystemWatcher::fileChanged, &m_settle, qOverload<>(&QTimer::start));
}

void FileChangeNotifier::watchFile()
{
    // A file replaced by a rename is a new file: the watch ended with the old one.
    if (QFileInfo::exists(m_path) && !m_watcher->files().contains(m_path))
        m_watcher->addPath(m_path);
}
