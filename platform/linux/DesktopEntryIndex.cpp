#include "platform/linux/DesktopEntryIndex.h"

#include "platform/linux/DesktopEntryId.h"
#include "platform/linux/DesktopEntryRecord.h"
#include "platform/linux/GLibPtr.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <tuple>

namespace platform {

namespace {

struct GAppInfoListFree {
    void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};
using GAppInfoList = std::unique_ptr<GList, GAppInfoListFree>;

} // namespace

struct DesktopEntryIndex::Entries {
    QList<DesktopEntryRecord> list;
    QHash<QString, qsizetype> positionById;
    bool loaded = false;
    GObjectPtr<GAppInfoMonitor> monitor;
    gulong changedHandlerId = 0;
    std::function<void()> changeHandler;

    void ensureLoaded();
    std::optional<DesktopEntry> bestMatch(const std::function<bool(const DesktopEntryRecord&)>& matches) const;
    static void installedApplicationsChanged(GAppInfoMonitor*, gpointer entries);
};

void DesktopEntryIndex::Entries::ensureLoaded()
{
    if (loaded)
        return;
    loaded = true;
    list.clear();
    positionById.clear();

    // NoDisplay entries are kept: they describe real programs (helpers,
    // settings panels, applications launched only by others) whose windows
    // still deserve their own identity. Hidden entries are kept out: Hidden
    // means the user deleted the entry.
    const GAppInfoList all(g_app_info_get_all());
    for (GList* node = all.get(); node; node = node->next) {
        if (!G_IS_DESKTOP_APP_INFO(node->data))
            continue;
        const char* id = g_app_info_get_id(G_APP_INFO(node->data));
        if (!id)
            continue;
        auto indexed = DesktopEntryRecord::fromAppInfo(G_DESKTOP_APP_INFO(node->data), QString::fromUtf8(id));
        if (!indexed || positionById.contains(indexed->entry.id))
            continue;
        positionById.insert(indexed->entry.id, list.size());
        list.append(std::move(*indexed));
    }
}

std::optional<DesktopEntry>
DesktopEntryIndex::Entries::bestMatch(const std::function<bool(const DesktopEntryRecord&)>& matches) const
{
    // Several entries may claim a window (an application and its NoDisplay
    // helpers often share StartupWMClass): prefer a shown entry, then the
    // smallest ID so the answer doesn't depend on directory order.
    const DesktopEntryRecord* best = nullptr;
    for (const DesktopEntryRecord& candidate : list) {
        if (!matches(candidate))
            continue;
        if (!best || std::tuple(candidate.noDisplay, candidate.entry.id) < std::tuple(best->noDisplay, best->entry.id))
            best = &candidate;
    }
    if (!best)
        return std::nullopt;
    return best->entry;
}

void DesktopEntryIndex::Entries::installedApplicationsChanged(GAppInfoMonitor*, gpointer data)
{
    auto* entries = static_cast<Entries*>(data);
    entries->loaded = false;
    if (entries->changeHandler)
        entries->changeHandler();
}

DesktopEntryIndex::DesktopEntryIndex()
    : m_entries(std::make_unique<Entries>())
{
    // The monitor reports on the thread-default main context, which Qt's
    // event loop drives on the main thread.
    m_entries->monitor.reset(g_app_info_monitor_get());
    m_entries->changedHandlerId = g_signal_connect(m_entries->monitor.get(), "changed",
                                                   G_CALLBACK(&Entries::installedApplicationsChanged),
                                                   m_entries.get());
}

DesktopEntryIndex::~DesktopEntryIndex()
{
    g_signal_handler_disconnect(m_entries->monitor.get(), m_entries->changedHandlerId);
}

void DesktopEntryIndex::setChangeHandler(std::function<void()> handler)
{
    m_entries->changeHandler = std::move(handler);
}

std::optional<DesktopEntry> DesktopEntryIndex::entryForId(const QString& id) const
{
    m_entries->ensureLoaded();
    const auto found = m_entries->positionById.constFind(DesktopEntryId::withoutSuffix(id));
    if (found == m_entries->positionById.cend())
        return std::nullopt;
    return m_entries->list.at(*found).entry;
}

std::optional<DesktopEntry> DesktopEntryIndex::entryForWindowClass(const QString& instanceName,
                                                                   const QString& className) const
{
    m_entries->ensureLoaded();
    QStringList names;
    for (const QString& name : {instanceName, className}) {
        if (!name.isEmpty())
            names.append(name);
    }
    if (names.isEmpty())
        return std::nullopt;

    for (const QString& name : names) {
        if (auto entry = m_entries->bestMatch([&](const DesktopEntryRecord& e) { return e.startupWmClass == name; }))
            return entry;
    }
    for (const QString& name : names) {
        if (auto entry = entryForId(name))
            return entry;
    }
    // Many programs capitalise their class ("Gimp") but not their file name.
    for (const QString& name : names) {
        if (auto entry = m_entries->bestMatch(
                [&](const DesktopEntryRecord& e) { return e.entry.id.compare(name, Qt::CaseInsensitive) == 0; }))
            return entry;
    }
    return std::nullopt;
}

} // namespace platform
