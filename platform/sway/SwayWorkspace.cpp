#include "platform/sway/SwayWorkspace.h"

#include "platform/linux/WindowApplication.h"
#include "platform/sway/SwayIpc.h"

#include <QJsonArray>

#include <algorithm>
#include <functional>

namespace platform {

namespace {

// Calls `visit` for each node of the tree, tiled and floating, until it
// returns true.
bool walkTree(const QJsonObject& node, const std::function<bool(const QJsonObject&)>& visit)
{
    if (visit(node))
        return true;
    for (const char* children : {"nodes", "floating_nodes"}) {
        for (const QJsonValue child : node.value(QLatin1String(children)).toArray()) {
            if (child.isObject() && walkTree(child.toObject(), visit))
                return true;
        }
    }
    return false;
}

bool isView(const QJsonObject& node)
{
    const QString type = node.value(QLatin1String("type")).toString();
    return (type == QLatin1String("con") || type == QLatin1String("floating_con"))
        && node.contains(QLatin1String("pid"));
}

} // namespace

SwayWorkspace::SwayWorkspace(std::shared_ptr<SwayIpc> ipc, QObject* parent)
    : DesktopEntryWorkspace(parent)
    , m_ipc(std::move(ipc))
{
    connect(m_ipc.get(), &SwayIpc::windowEvent, this, [this](const QJsonObject& event) {
        if (event.value(QLatin1String("change")).toString() == QLatin1String("focus"))
            emit applicationActivated(applicationForView(event.value(QLatin1String("container")).toObject()));
    });
}

SwayWorkspace::~SwayWorkspace() = default;

std::optional<RunningApplication> SwayWorkspace::applicationForView(const QJsonObject& node) const
{
    if (!isView(node))
        return std::nullopt;
    WindowIdentity identity;
    if (const QString appId = node.value(QLatin1String("app_id")).toString().trimmed(); !appId.isEmpty()) {
        // A Wayland app_id names the desktop entry when the client follows
        // the protocol; many name their class instead.
        if (m_desktopEntries.entryForId(appId))
            identity.declaredId = appId;
        else
            identity.instanceName = identity.className = appId;
    } else {
        const QJsonObject properties = node.value(QLatin1String("window_properties")).toObject();
        identity.instanceName = properties.value(QLatin1String("instance")).toString();
        identity.className = properties.value(QLatin1String("class")).toString();
    }
    const qint64 pid = node.value(QLatin1String("pid")).toInteger();
    if (pid <= 0 && identity.isEmpty())
        return std::nullopt;
    RunningApplication application = pid > 0
        ? RunningApplication::forProcess(pid)
        : RunningApplication::forWindow(quint32(node.value(QLatin1String("id")).toInteger()));
    describeApplication(m_desktopEntries, identity, application);
    return application;
}

std::optional<RunningApplication> SwayWorkspace::frontmostApplication()
{
    const auto tree = m_ipc->request(I3IpcSocket::GetTree);
    if (!tree)
        return std::nullopt;
    std::optional<RunningApplication> front;
    walkTree(tree->object(), [&](const QJsonObject& node) {
        if (!node.value(QLatin1String("focused")).toBool())
            return false;
        front = applicationForView(node);
        return true;
    });
    return front;
}

QList<RunningApplication> SwayWorkspace::runningApplications()
{
    QList<RunningApplication> applications;
    const auto tree = m_ipc->request(I3IpcSocket::GetTree);
    if (!tree)
        return applications;
    walkTree(tree->object(), [&](const QJsonObject& node) {
        if (const auto application = applicationForView(node))
            RunningApplication::addUnlisted(applications, *application);
        return false;
    });
    return applications;
}

} // namespace platform
