#pragma once

#include "app/WindowGroup.h"

#include <QObject>
#include <QString>

#include <memory>

class InputSourceManager;
class MenuBarIndicatorController;
class PermissionsManager;
class RuleEngine;
class TrayIcon;

// The application: binds the long-lived services, puts the tray item up and
// opens the settings window on request. run() is the process entry.
// Main thread only.
class KelvaroApp : public QObject {
    Q_OBJECT
public:
    static inline const QString settingsWindowIdentifier = QStringLiteral("settings");

    // Creates the shared services in their start-up order (the engine may
    // switch before this returns), then shows the tray item and offers the
    // control interface on the session bus.
    explicit KelvaroApp(QObject* parent = nullptr);
    ~KelvaroApp() override;

    RuleEngine& ruleEngine() const { return m_ruleEngine; }
    InputSourceManager& inputSourceManager() const { return m_inputSourceManager; }
    PermissionsManager& permissionsManager() const { return m_permissionsManager; }
    MenuBarIndicatorController& menuBarIndicator() const { return m_menuBarIndicator; }
    TrayIcon& trayIcon() const { return *m_trayIcon; }
    // The settings window while it is open; null otherwise.
    QWidget* settingsWindow() const { return m_settingsWindow.window(); }

    // Brings Kelvaro to the front and opens the window with this identifier;
    // an unknown identifier is logged and ignored.
    void openWindow(const QString& identifier);

    // The process's work, by its arguments (CommandLine): a command (`sources`,
    // `pause`, `rules add`, ...) asks the running Kelvaro over D-Bus and ends
    // (ControlCommand); without a command, one instance per display: a
    // later start there asks the running one to open its settings window and
    // returns 0. Otherwise runs the event loop until Quit; closing windows
    // never ends it.
    static int run(int argc, char** argv);

private:
    RuleEngine& m_ruleEngine;
    InputSourceManager& m_inputSourceManager;
    PermissionsManager& m_permissionsManager;
    MenuBarIndicatorController& m_menuBarIndicator;
    WindowGroup m_settingsWindow;
    std::unique_ptr<TrayIcon> m_trayIcon;
};
