#pragma once

#include "logging/RepeatedErrorLog.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QTimer>

#include <optional>

// The input source last used in each application, kept in a file across
// runs. At most kCapacity applications are kept: the one used least recently
// goes first. Changes reach the file at most once per kSaveDelayMs, written
// atomically, and at once at flush(), which the end of the application and
// the destructor call. A file that cannot be read is moved aside to
// "<file>.damaged" before the first write, and memory starts empty.
// Main thread only.
class RememberedInputSources : public QObject {
    Q_OBJECT
    Q_PROPERTY(int count READ count NOTIFY countChanged)
public:
    static constexpr int kCapacity = 1000;
    static constexpr int kSaveDelayMs = 1000;

    // <XDG data home>/Kelvaro/remembered.json
    static QString defaultPath();
    static RememberedInputSources& shared();

    explicit RememberedInputSources(const QString& path, QObject* parent = nullptr);
    ~RememberedInputSources() override;

    // The source remembered for the application, which counts as a use of it.
    std::optional<QString> recall(const QString& bundleID);
    void remember(const QString& bundleID, const QString& inputSourceID);
    void forgetAll();
    int count() const { return int(m_entries.size()); }

    // Writes a pending change now; false when it could not be written (logged).
    bool flush();

signals:
    void countChanged(int count);

private:
    struct Entry {
        QString inputSourceID;
        quint64 lastUse;
    };

    void load();
    void touch(Entry& entry) { entry.lastUse = ++m_uses; }
    void changed(int countBefore);
    QByteArray encode() const;

    QString m_path;
    QHash<QString, Entry> m_entries;
    quint64 m_uses = 0;
    bool m_keepDamagedFile = false;
    bool m_unsaved = false;
    RepeatedErrorLog m_saveErrors;
    QTimer m_saveTimer;
};
