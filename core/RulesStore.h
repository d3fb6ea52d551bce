#pragma once

#include "core/AppRule.h"

#include <QList>
#include <QObject>
#include <QString>

#include <optional>

class FileChangeNotifier;
class QSaveFile;

// The rules file. Writes replace the file atomically (a temporary file in the
// same folder, written out and synced, then renamed over it), so a crash or a
// full disk never leaves half a file. Only a regular file of at most 64 MiB is
// read (a symbolic link to one is followed, and stays a link when written).
// A file that exists but cannot be read is kept: before the first write after
// such a load it is moved aside to "rules.json.damaged".
class RulesStore : public QObject {
    Q_OBJECT
public:
    // <XDG data home>/Kelvaro/rules.json
    static QString defaultPath();

    explicit RulesStore(const QString& path, QObject* parent = nullptr);
    ~RulesStore() override;

    // The folder is created (with its parents) each time the path is asked for.
    QString rulesFileURL() const;
    QString damagedFilePath() const;

    struct LoadResult {
        std::optional<QList<AppRule>> rules;   // nothing when the file is missing or unreadable
        QString error;
    };
    LoadResult load();

    // False with *error set when the rules could not be written.
    bool save(const QList<AppRule>& rules, QString* error);

    // From now on changedOnDisk() tells when another program (an editor, a
    // dotfile sync) has changed the file.
    void startWatching();

signals:
    // The file no longer holds what was last read or written here; sent once a
    // burst of changes is over, never for this store's own writes.
    void changedOnDisk();

protected:
    // The last step of a write: renames the finished temporary file over the
    // rules file.
    virtual bool commit(QSaveFile& file);

private:
    bool moveDamagedFileAside(QString* error);
    void remember(const std::optional<QByteArray>& content);
    void checkDisk();

    QString m_path;
    bool m_keepDamagedFile = false;
    std::optional<size_t> m_knownContent;   // a digest of what the file held at the last read or write
    FileChangeNotifier* m_notifier = nullptr;
};
