#pragma once

#include "platform/linux/DesktopEntryRecord.h"

#include <QHash>
#include <QSet>
#include <QStringList>

#include <optional>

namespace platform {

// The desktop entries of the application folders at one moment, with the
// tables lookups need. Built by a scan, off the main thread if need be, and
// never changed after: readers on any thread may share one.
class DesktopEntryCatalog {
public:
    // Reads the folders, most important first: the first folder with a file
    // for an ID decides it (a Hidden or broken file there hides the others),
    // as GIO does; files in subfolders get IDs joined with "-". Files that did
    // not change since `previous` was scanned are not read again. Stops early,
    // with an incomplete catalog, when the thread is asked to end.
    static DesktopEntryCatalog scan(const QStringList& folders, const DesktopEntryCatalog* previous = nullptr);

    // The entry of a file found at `id`.desktop in one of the folders (not in
    // their subfolders), read alone: before a whole scan is done. Its file
    // goes to *path, when asked for.
    static std::optional<DesktopEntry> probe(const QStringList& folders, const QString& id, QString* path = nullptr);

    std::optional<DesktopEntry> entryForId(const QString& id, QString* path = nullptr) const;
    // See DesktopEntryIndex::entryForWindowClass.
    std::optional<DesktopEntry> entryForWindowClass(const QString& instanceName, const QString& className) const;

    // Every folder the scan read, subfolders included.
    const QStringList& folders() const { return m_folders; }
    // Whether the entries differ from those of the catalog the scan started from.
    bool differsFromPrevious() const { return m_differsFromPrevious; }

private:
    // The file that decides an ID, as the scan saw it: whether it changed is
    // told by these.
    struct Entry {
        quint64 device = 0;
        quint64 inode = 0;
        qint64 size = 0;
        qint64 modifiedNs = 0;
        qint64 changedNs = 0;
        std::optional<DesktopEntryRecord> record;   // nothing: Hidden, not an application, unreadable
        QString foldedId;   // the ID case-folded
        // Where the file lies, without a string of its own: the index of its
        // folder in m_folders, and where its name starts in the ID.
        qint32 folder = -1;
        qint32 nameStart = 0;

        bool sameFileAs(const Entry& other) const;
    };
    struct Walk;

    const Entry* entryAt(const QString& id) const;
    // Builds the lookup tables, or takes those of `previous` and updates them
    // for the IDs whose records changed since.
    void updateLookups(const DesktopEntryCatalog* previous, const QSet<QString>& changed);
    void offer(QHash<QString, QString>& table, const QString& key, const DesktopEntryRecord& record);

    QHash<QString, Entry> m_entries;   // by ID
    // The preferred entry for each StartupWMClass and each case-folded ID.
    QHash<QString, QString> m_idByStartupWmClass;
    QHash<QString, QString> m_idByFoldedId;
    QStringList m_folders;
    bool m_differsFromPrevious = true;
};

} // namespace platform
