#include "platform/linux/DesktopEntryIndex.h"

#include "platform/linux/DesktopEntryCatalog.h"
#include "platform/linux/GLibPtr.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QObject>
#include <QStandardPaths>
#include <QThread>
#include <QThreadPool>
#include <QTimer>

#include <future>

#include <malloc.h>

namespace platform {

namespace {

using CatalogPtr = std::shared_ptr<const DesktopEntryCatalog>;

// The first lookup waits this long for the first scan, which a usual set of
// entries (a few hundred) needs far less for; after that, lookups made before
// the scan is done read the one file the ID names.
constexpr std::chrono::milliseconds kFirstScanWait{200};
// Notices of changes are gathered this long before the folders are scanned
// again: a package installs many files at once.
constexpr std::chrono::milliseconds kSettleTime{500};
// glibc keeps the memory of retired catalogs for the thread that built them;
// it is given back to the system once the folders have been quiet this long.
// A trim takes tens of milliseconds and stalls allocations meanwhile: trimming
// after each of a series of refreshes would delay switches, while the memory
// kept, reused by each new catalog, stays bounded.
constexpr std::chrono::seconds kQuietBeforeTrim{10};

// A watch on one folder, ended when it goes: on all its files, or only on
// the one named `child` (a folder that does not exist yet). GIO would poll
// for a missing folder itself, every few seconds.
class FolderMonitor {
public:
    FolderMonitor(const QString& path, QString child, std::function<void()> changed)
        : m_child(std::move(child))
        , m_changed(std::move(changed))
    {
        const GObjectPtr<GFile> folder(g_file_new_for_path(QFile::encodeName(path).constData()));
        m_monitor.reset(g_file_monitor_directory(folder.get(), G_FILE_MONITOR_NONE, nullptr, nullptr));
        if (m_monitor)
            m_handler = g_signal_connect(m_monitor.get(), "changed", G_CALLBACK(&FolderMonitor::report), this);
    }
    ~FolderMonitor()
    {
        if (!m_monitor)
            return;
        g_signal_handler_disconnect(m_monitor.get(), m_handler);
        g_file_monitor_cancel(m_monitor.get());
    }
    FolderMonitor(const FolderMonitor&) = delete;
    FolderMonitor& operator=(const FolderMonitor&) = delete;

private:
    // GIO reports on the thread-default main context, which Qt's event loop
    // drives on the main thread.
    static void report(GFileMonitor*, GFile* file, GFile*, GFileMonitorEvent, gpointer data)
    {
        auto* monitor = static_cast<FolderMonitor*>(data);
        if (!monitor->m_child.isEmpty()) {
            const GCharPtr name(g_file_get_basename(file));
            if (!name || QFile::decodeName(name.get()) != monitor->m_child)
                return;
        }
        monitor->m_changed();
    }

    QString m_child;
    std::function<void()> m_changed;
    GObjectPtr<GFileMonitor> m_monitor;
    gulong m_handler = 0;
};

} // namespace

struct DesktopEntryIndex::Entries {
    const QStringList folders = QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation);
    QObject context;   // receives what the scan thread and the monitors send
    CatalogPtr catalog;
    std::unique_ptr<QThread> scanThread;
    std::future<CatalogPtr> scanResult;
    bool rescanWanted = false;
    bool waitedForFirstScan = false;
    bool answeredWithoutCatalog = false;
    QTimer settle;
    QTimer trim;
    QHash<QString, std::shared_ptr<FolderMonitor>> monitors;
    std::function<void()> changeHandler;

    Entries();
    ~Entries();
    void startScan();
    void finishScan();
    void adopt(CatalogPtr scanned);
    void watch(const QStringList& watched);
    const DesktopEntryCatalog* current();
};

DesktopEntryIndex::Entries::Entries()
{
    settle.setSingleShot(true);
    settle.setInterval(kSettleTime);
    QObject::connect(&settle, &QTimer::timeout, &context, [this] { startScan(); });
    trim.setSingleShot(true);
    trim.setInterval(kQuietBeforeTrim);
    QObject::connect(&trim, &QTimer::timeout, &context, [] {
        QThreadPool::globalInstance()->start([] { malloc_trim(0); });
    });
    watch(folders);
    startScan();
}

DesktopEntryIndex::Entries::~Entries()
{
    if (scanThread) {
        scanThread->requestInterruption();
        scanThread->wait();
    }
}

void DesktopEntryIndex::Entries::startScan()
{
    if (scanThread) {
        rescanWanted = true;
        return;
    }
    // The scan only reads files and hands back a catalog nobody changes; the
    // catalog in use is read meanwhile and only shared with it.
    auto result = std::make_shared<std::promise<CatalogPtr>>();
    scanResult = result->get_future();
    scanThread.reset(QThread::create([result, folders = folders, previous = catalog] {
        result->set_value(std::make_shared<const DesktopEntryCatalog>(DesktopEntryCatalog::scan(folders, previous.get())));
    }));
    scanThread->setObjectName(QStringLiteral("desktop entries"));
    QObject::connect(scanThread.get(), &QThread::finished, &context, [this] { finishScan(); }, Qt::QueuedConnection);
    // A refresh gives way to everything else, switches included; the first
    // scan is awaited.
    scanThread->start(catalog ? QThread::IdlePriority : QThread::InheritPriority);
}

void DesktopEntryIndex::Entries::finishScan()
{
    scanThread->wait();
    scanThread.reset();
    if (scanResult.valid())
        adopt(scanResult.get());
    if (rescanWanted) {
        rescanWanted = false;
        startScan();
    }
}

void DesktopEntryIndex::Entries::adopt(CatalogPtr scanned)
{
    // Answers given before the first catalog may differ from its own.
    const bool changed = catalog ? scanned->differsFromPrevious() : answeredWithoutCatalog;
    // Freeing tens of thousands of entries takes milliseconds: not here.
    if (catalog) {
        QThreadPool::globalInstance()->start([retired = std::exchange(catalog, nullptr)]() mutable { retired.reset(); });
        trim.start();
    }
    catalog = std::move(scanned);
    answeredWithoutCatalog = false;
    watch(folders + catalog->folders());
    // Queued: a lookup may be adopting the catalog, inside its caller's work.
    if (changed)
        QMetaObject::invokeMethod(&context, [this] { if (changeHandler) changeHandler(); }, Qt::QueuedConnection);
}

void DesktopEntryIndex::Entries::watch(const QStringList& watched)
{
    const auto changed = [this] {
        if (!settle.isActive())
            settle.start();
    };
    // A missing folder is watched for in its parent, when that exists.
    QHash<QString, std::shared_ptr<FolderMonitor>> kept;
    for (const QString& folder : watched) {
        const QFileInfo info(folder);
        const bool exists = info.isDir();
        if (!exists && !info.dir().exists())
            continue;
        const QString key = exists ? folder : folder + QStringLiteral(" (missing)");
        auto monitor = monitors.value(key);
        if (!monitor)
            monitor = exists ? std::make_shared<FolderMonitor>(folder, QString(), changed)
                             : std::make_shared<FolderMonitor>(info.path(), info.fileName(), changed);
        kept.insert(key, std::move(monitor));
    }
    monitors = std::move(kept);
}

const DesktopEntryCatalog* DesktopEntryIndex::Entries::current()
{
    if (!catalog && !waitedForFirstScan && scanResult.valid()) {
        waitedForFirstScan = true;
        if (scanResult.wait_for(kFirstScanWait) == std::future_status::ready)
            adopt(scanResult.get());
    }
    if (!catalog)
        answeredWithoutCatalog = true;
    return catalog.get();
}

DesktopEntryIndex::DesktopEntryIndex()
    : m_entries(std::make_unique<Entries>())
{
}

DesktopEntryIndex::~DesktopEntryIndex() = default;

void DesktopEntryIndex::setChangeHandler(std::function<void()> handler)
{
    m_entries->changeHandler = std::move(handler);
}

std::optional<DesktopEntry> DesktopEntryIndex::entryForId(const QString& id, QString* path) const
{
    if (const DesktopEntryCatalog* catalog = m_entries->current())
        return catalog->entryForId(id, path);
    return DesktopEntryCatalog::probe(m_entries->folders, id, path);
}

std::optional<DesktopEntry> DesktopEntryIndex::entryForWindowClass(const QString& instanceName,
                                                                   const QString& className) const
{
    if (const DesktopEntryCatalog* catalog = m_entries->current())
        return catalog->entryForWindowClass(instanceName, className);
    // Only an entry named after the window can be found without the scan.
    for (const QString& name : {instanceName, className}) {
        if (auto entry = name.isEmpty() ? std::nullopt : DesktopEntryCatalog::probe(m_entries->folders, name))
            return entry;
    }
    return std::nullopt;
}

} // namespace platform
