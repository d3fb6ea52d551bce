#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

class QFileSystemWatcher;

// Tells when a file may have been changed, by this program or another one:
// written in place, replaced by a rename, created or deleted. A burst of
// changes (an editor writes a backup, the new file, then renames) gives one
// notice, once it is over. The file's folder is created when missing, so
// that it can be watched. Main thread only.
class FileChangeNotifier : public QObject {
    Q_OBJECT
public:
    explicit FileChangeNotifier(const QString& path, QObject* parent = nullptr);

signals:
    void changed();

private:
    void watchFile();

    QString m_path;
    QFileSystemWatcher* m_watcher = nullptr;
    QTimer m_settle;
};
