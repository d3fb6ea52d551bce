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

const QString kSuffix = QStringLiteral(".desktop");
// Subfolders nested deeper are not read.
constexpr int kMaxDepth = 8;

struct DirClose {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

using FolderKey = std::pair<quint64, quint64>;   // device, inode

qint64 nanoseconds(const timespec& time)
{
    return qint64(time.tv_sec) * 1'000'000'000 + time.tv_nsec;
}

std::optional<struct stat> statusOf(const QString& path)
{
    struct stat status {};
    if (::stat(QFile::encodeName(path).constData(), &status) != 0)
        return std::nullopt;
    return status;
}

// Several entries may claim a window (an application and its NoDisplay
// helpers often share StartupWMClass): prefer a shown entry, then the
// smallest ID so the answer doesn't depend on directory order.
bool isPreferred(const DesktopEntryRecord& candidate, const DesktopEntryRecord& current)
{
    return std::tuple(candidate.noDisplay, candidate.entry.id) < std::tuple(current.noDisplay, current.entry.id);
}

} // namespace

bool DesktopEntryCatalog::FileState::sameFileAs(const FileState& other) const
{
    return std::tie(device, inode, size, modifiedNs, changedNs)
        == std::tie(other.device, other.inode, other.size, other.modifiedNs, other.changedNs);
}

struct DesktopEntryCatalog::Walk {
    DesktopEntryCatalog& catalog;
    const DesktopEntryCatalog* previous;
    QSet<QString> claimedIds;

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
        catalog.m_folders.append(path);

        QStringList names;
        while (const dirent* entry = ::readdir(dir.get())) {
            const QString name = QFile::decodeName(entry->d_name);
            if (name != QLatin1String(".") && name != QLatin1String(".."))
                names.append(name);
        }
        // The first file for an ID wins within a folder too: the same one at every scan.
        names.sort();
        for (const QString& name : names) {
            if (QThread::currentThread()->isInterruptionRequested())
                return;
            const QString child = path + QLatin1Char('/') + name;
            const auto childStatus = statusOf(child);
            if (!childStatus)
                continue;
            if (name.endsWith(kSuffix))
                file(child, idPrefix + name.chopped(kSuffix.size()), *childStatus);
            else if (S_ISDIR(childStatus->st_mode))
                folder(child, idPrefix + name + QLatin1Char('-'), ancestors);
        }
    }

    void file(const QString& path, const QString& id, const struct stat& status)
    {
        if (claimedIds.contains(id))
            return;
        claimedIds.insert(id);
        FileState state{quint64(status.st_dev), quint64(status.st_ino), qint64(status.st_size),
                        nanoseconds(status.st_mtim), nanoseconds(status.st_ctim), std::nullopt};
        if (const FileState* known = previous ? previous->fileAt(path) : nullptr; known && known->sameFileAs(state)) {
            state.record = known->record;
        } else if (S_ISREG(status.st_mode) && status.st_size <= DesktopEntryFile::kMaxSize) {
            if (const auto contents = DesktopEntryFile::read(path))
                state.record = DesktopEntryRecord::fromContents(*contents, id);
        }
        if (state.record)
            catalog.m_byId.insert(id, *state.record);
        catalog.m_files.insert(path, std::move(state));
    }
};

const DesktopEntryCatalog::FileState* DesktopEntryCatalog::fileAt(const QString& path) const
{
    const auto found = m_files.constFind(path);
    return found == m_files.cend() ? nullptr : &*found;
}

DesktopEntryCatalog DesktopEntryCatalog::scan(const QStringList& folders, const DesktopEntryCatalog* previous)
{
    DesktopEntryCatalog catalog;
    Walk walk{catalog, previous, {}};
    for (const QString& folder : folders)
        walk.folder(folder, QString(), {});
    for (const DesktopEntryRecord& record : std::as_const(catalog.m_byId))
        catalog.addLookups(record);
    catalog.m_differsFromPrevious = !previous || catalog.m_byId != previous->m_byId;
    return catalog;
}

std::optional<DesktopEntry> DesktopEntryCatalog::probe(const QStringList& folders, const QString& id)
{
    const QString bare = DesktopEntryId::withoutSuffix(id);
    if (bare.isEmpty() || bare.contains(QLatin1Char('/')) || bare.contains(QChar(0)))
        return std::nullopt;
    for (const QString& folder : folders) {
        const QString path = folder + QLatin1Char('/') + bare + kSuffix;
        if (!statusOf(path))
            continue;
        const auto contents = DesktopEntryFile::read(path);
        const auto record = contents ? DesktopEntryRecord::fromContents(*contents, bare) : std::nullopt;
        return record ? std::optional(record->entry) : std::nullopt;
    }
    return std::nullopt;
}

void DesktopEntryCatalog::addLookups(const DesktopEntryRecord& record)
{
    const auto offer = [&](QHash<QString, QString>& table, const QString& key) {
        const auto current = table.find(key);
        if (current == table.end())
            table.insert(key, record.entry.id);
        else if (isPreferred(record, m_byId.constFind(*current).value()))
            *current = record.entry.id;
    };
    if (!record.startupWmClass.isEmpty())
        offer(m_idByStartupWmClass, record.startupWmClass);
    offer(m_idByFoldedId, record.entry.id.toCaseFolded());
}

std::optional<DesktopEntry> DesktopEntryCatalog::entryForId(const QString& id) const
{
    const auto found = m_byId.constFind(DesktopEntryId::withoutSuffix(id));
    if (found == m_byId.cend())
        return std::nullopt;
    return found->entry;
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
