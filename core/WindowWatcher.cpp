#include "core/WindowWatcher.h"

#include "platform/Platform.h"
#include "platform/Workspace.h"

WindowWatcher& WindowWatcher::shared()
{
    static WindowWatcher* const instance = new WindowWatcher(platform::sharedWorkspace());
    return *instance;
}

WindowWatcher::WindowWatcher(platform::Workspace& workspace, QObject* parent)
    : QObject(parent)
    , m_workspace(workspace)
{
    startWatching();
}

void WindowWatcher::startWatching()
{
    connect(&m_workspace, &platform::Workspace::applicationActivated, this, [this](const Application& application) {
        if (!application)
            return;
        // Never assign inside the platform's notice: hand the application to
        // the event loop and publish it from there.
        QMetaObject::invokeMethod(
            this, [this, application] { setActiveApp(application); }, Qt::QueuedConnection);
    });
    setActiveApp(m_workspace.frontmostApplication());
}

QMetaObject::Connection WindowWatcher::subscribe(QObject* context, std::function<void(const Application&)> handler)
{
    handler(m_activeApp);
    return connect(this, &WindowWatcher::activeAppChanged, context, std::move(handler));
}

void WindowWatcher::setActiveApp(const Application& application)
{
    m_activeApp = application;
    emit activeAppChanged(m_activeApp);
}
