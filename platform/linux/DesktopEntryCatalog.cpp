#include "platform/linux/DesktopEntryCatalog.h"

#include "platform/linux/DesktopEntryFile.h"
#include "platform/linux/DesktopEntryId.h"

#include <QFile>
#include <QSet>
#include <QThread>

#include <dirent.h>
#include <sys/stat.h>

#include <memory>
#include <tuple>

namespace platform {

namespace {

const QByteArray kSuffix = QByteArrayLiteral(".desktop");
// Subfolders nested deeper are not read.
constexpr int kMaxDepth = 8;
// Up to this many changed entries, a scan updates the lookup tables of the
// previous one instead of building them anew.
constexpr qsizetype kMostChangesUpdated = 64;

struct DirClose {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

using FolderKey = std::pair<quint64, quint64>;   // device, inode

qint64 nanoseconds(const timespec& time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

// Several entries may claim a window (an application and its NoDisplay
// helpers often share StartupWMClass): prefer a shown entry, then the
// smallest ID so the answer doesn't depend on directory order.
bool isPreferred(const DesktopEntryRecord& candidate, const DesktopEntryRecord& current)
{
    return std::tuple(candidate.noDisplay, candidate.entry.id) < std::tuple(current.noDisplay, current.entry.id);
}

std::optional<DesktopEntryRecord> recordOf(const auto* entry)
{
    return entry ? entry->record : std::nullopt;
}

} // namespace

bool DesktopEntryCatalog::Entry::sameFileAs(const Entry& other) const
{
    return std::tie(device, inode, size, modifiedNs, changedNs)
        == std::tie(other.device, other.inode, other.size, other.modifiedNs, other.changedNs);
}

struct DesktopEntryCatalog::Walk {
    DesktopEntryCatalog& catalog;
    const DesktopEntryCatalog* previous;
    QStringList reread;   // IDs whose file was read anew

    // `ancestors` are the folders above, so that a link back up is not followed.
    void folder(const QString& path, const QString& idPrefix, QList<FolderKey> ancestors)
    {
        const std::unique_ptr<DIR, DirClose> dir(::opendir(QFile::encodeName(path).constData()));
        struct stat status {};
        if (!dir || ::fstat(::dirfd(dir.get()), &status) != 0)
            return;
        const FolderKey key{status.st_dev, status.st_ino};
        if (ancestors.contains(key) || ancestors.size() > kMaxDepth)
            return;
        ancestors.append(key);
        const qint32 folderIndex = qint32(catalog.m_folders.size());
        catalog.m_folders.append(path);

        QByteArrayList names;
        while (const dirent* entry = ::readdir(dir.get())) {
            if (qstrcmp(entry->d_name, ".") != 0 && qstrcmp(entry->d_name, "..") != 0)
                names.append(QByteArray(entry->d_name));
        }
        // The first file for an ID wins within a folder too: the same one at every scan.
        std::sort(names.begin(), names.end());
        for (const QByteArray& name : std::as_const(names)) {
            if (QThread::currentThread()->isInterruptionRequested())
                return;
            struct stat child {};
            if (::fstatat(::dirfd(dir.get()), name.constData(), &child, 0) != 0)
                continue;
            if (name.endsWith(kSuffix))
                file(folderIndex, qint32(idPrefix.size()), name, idPrefix + QFile::decodeName(name.chopped(kSuffix.size())), child);
            else if (S_ISDIR(child.st_mode))
                folder(path + QLatin1Char('/') + QFile::decodeName(name), idPrefix + QFile::decodeName(name) + QLatin1Char('-'), ancestors);
        }
    }

    void file(qint32 folder, qint32 nameStart, const QByteArray& name, const QString& id, const struct stat& status)
    {
        if (catalog.m_entries.contains(id))
            return;
        Entry entry{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                    nanoseconds(status.st_mtim), nanoseconds(status.st_ctim), std::nullopt, QString(), folder, nameStart};
        if (const Entry* known = previous ? previous->entryAt(id) : nullptr; known && known->sameFileAs(entry)) {
            entry.record = known->record;
            entry.foldedId = known->foldedId;
        } else {
            reread.append(id);
            if (S_ISREG(status.st_mode) && status.st_size <= DesktopEntryFile::kMaxSize) {
                const QString path = catalog.m_folders.at(folder) + QLatin1Char('/') + QFile::decodeName(name);
                if (const auto contents = DesktopEntryFile::read(path))
                    entry.record = DesktopEntryRecord::fromContents(*contents, id);
            }
            entry.foldedId = id.toCaseFolded();
        }
        catalog.m_entries.insert(id, std::move(entry));
    }
};

DesktopEntryCatalog DesktopEntryCatalog::scan(const QStringList& folders, const DesktopEntryCatalog* previous)
{
    DesktopEntryCatalog catalog;
    if (previous)
        catalog.m_entries.reserve(previous->m_entries.size());
    Walk walk{catalog, previous, {}};
    for (const QString& folder : folders)
        walk.folder(folder, QString(), {});
    if (!previous) {
        catalog.updateLookups(nullptr, {});
        return catalog;
    }
    QSet<QString> changed;
    for (const QString& id : std::as_const(walk.reread)) {
        if (recordOf(previous->entryAt(id)) != recordOf(catalog.entryAt(id)))
            changed.insert(id);
    }
    for (auto entry = previous->m_entries.cbegin(); entry != previous->m_entries.cend(); ++entry) {
        if (entry->record && !catalog.m_entries.contains(entry.key()))
            changed.insert(entry.key());
    }
    catalog.m_differsFromPrevious = !changed.isEmpty();
    catalog.updateLookups(previous, changed);
    return catalog;
}

void DesktopEntryCatalog::updateLookups(const DesktopEntryCatalog* previous, const QSet<QString>& changed)
{
    // A change of a few entries keeps the previous tables but for the keys
    // those entries had or have; those are offered every entry again.
    const bool incremental = previous && changed.size() <= kMostChangesUpdated;
    QSet<QString> classes;
    QSet<QString> foldedIds;
    if (incremental) {
        m_idByStartupWmClass = previous->m_idByStartupWmClass;
        m_idByFoldedId = previous->m_idByFoldedId;
        for (const QString& id : changed) {
            for (const Entry* entry : {previous->entryAt(id), entryAt(id)}) {
                if (entry && entry->record) {
                    classes.insert(entry->record->startupWmClass);
                    foldedIds.insert(entry->foldedId);
                }
            }
        }
        for (const QString& key : std::as_const(classes))
            m_idByStartupWmClass.remove(key);
        for (const QString& key : std::as_const(foldedIds))
            m_idByFoldedId.remove(key);
    }
    for (const Entry& entry : std::as_const(m_entries)) {
        if (!entry.record)
            continue;
        const QString& startupWmClass = entry.record->startupWmClass;
        if (!startupWmClass.isEmpty() && (!incremental || classes.contains(startupWmClass)))
            offer(m_idByStartupWmClass, startupWmClass, *entry.record);
        if (!incremental || foldedIds.contains(entry.foldedId))
            offer(m_idByFoldedId, entry.foldedId, *entry.record);
    }
}

void DesktopEntryCatalog::offer(QHash<QString, QString>& table, const QString& key, const DesktopEntryRecord& record)
{
    const auto current = table.find(key);
    if (current == table.end())
        table.insert(key, record.entry.id);
    else if (isPreferred(record, *entryAt(*current)->record))
        *current = record.entry.id;
}

const DesktopEntryCatalog::Entry* DesktopEntryCatalog::entryAt(const QString& id) const
{
    const auto found = m_entries.constFind(id);
    return found == m_entries.cend() ? nullptr : &*found;
}

std::optional<DesktopEntry> DesktopEntryCatalog::probe(const QStringList& folders, const QString& id, QString* path)
{
    const QString bare = DesktopEntryId::withoutSuffix(id);
    if (bare.isEmpty() || bare.contains(QLatin1Char('/')) || bare.contains(QChar(0)))
        return std::nullopt;
    for (const QString& folder : folders) {
        const QString file = folder + QLatin1Char('/') + bare + QLatin1String(kSuffix);
        struct stat status {};
        if (::stat(QFile::encodeName(file).constData(), &status) != 0)
            continue;
        const auto contents = DesktopEntryFile::read(file);
        const auto record = contents ? DesktopEntryRecord::fromContents(*contents, bare) : std::nullopt;
        if (record && path)
            *path = file;
        return record ? std::optional(record->entry) : std::nullopt;
    }
    return std::nullopt;
}

std::optional<DesktopEntry> DesktopEntryCatalog::entryForId(const QString& id, QString* path) const
{
    const QString bare = DesktopEntryId::withoutSuffix(id);
    const Entry* found = entryAt(bare);
    if (!found || !found->record)
        return std::nullopt;
    if (path)
        *path = m_folders.at(found->folder) + QLatin1Char('/') + bare.mid(found->nameStart) + QLatin1String(kSuffix);
    return found->record->entry;
}

std::optional<DesktopEntry> DesktopEntryCatalog::entryForWindowClass(const QString& instanceName,
                                                                     const QString& className) const
{
    QStringList names;
    for (const QString& name : {instanceName, className}) {
        if (!name.isEmpty())
            names.append(name);
    }
    const auto fromTable = [&](const QHash<QString, QString>& table, const QString& key) {
        const auto found = table.constFind(key);
        return found == table.cend() ? std::nullopt : entryForId(*found);
    };
    for (const QString& name : names) {
        if (auto entry = fromTable(m_idByStartupWmClass, name))
            return entry;
    }
    for (const QString& name : names) {
        if (auto entry = entryForId(name))
            return entry;
    }
    // Many programs capitalise their class ("Gimp") but not their file name.
    for (const QString& name : names) {
        if (auto entry = fromTable(m_idByFoldedId, name.toCaseFolded()))
            return entry;
    }
    return std::nullopt;
}

} // namespace platform
