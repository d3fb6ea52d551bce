#pragma once

#include "platform/RunningApplication.h"

#include <QObject>

#include <functional>
#include <optional>

namespace platform {
class Workspace;
}

// Publishes the application that came to the front last. Every delivered
// application is assigned and published, repeats included; filtering is the
// subscriber's business. Main thread only.
class WindowWatcher : public QObject {
    Q_OBJECT
    Q_PROPERTY(std::optional<platform::RunningApplication> activeApp READ activeApp NOTIFY activeAppChanged)
public:
    using Application = std::optional<platform::RunningApplication>;

    static WindowWatcher& shared();

    explicit WindowWatcher(platform::Workspace& workspace, QObject* parent = nullptr);

    Application activeApp() const { return m_activeApp; }

    // Calls handler with the current value at once, then with every later
    // assignment, for as long as context lives.
    QMetaObject::Connection subscribe(QObject* context, std::function<void(const Application&)> handler);

signals:
    void activeAppChanged(const WindowWatcher::Application& application);

private:
    void startWatching();
    void setActiveApp(const Application& application);

    platform::Workspace& m_workspace;
    Application m_activeApp;
};
