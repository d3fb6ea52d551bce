#pragma once

#include <QObject>

#include <functional>

class PauseToggle;
class QSettings;

namespace platform {
class KeyMonitor;
struct KeyPress;
}

// Ctrl+Alt+P from any other application pauses or resumes automatic switching
// and says so on the floating indicator. The key is the physical key
// labelled P on a US keyboard, whatever the layout makes it type; other
// modifiers held with it do not matter. Presses made while one of Kelvaro's
// own windows has focus are left to that window (the menu has the same
// shortcut). Main thread only.
class GlobalHotkeyManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool hotkeyEnabled READ hotkeyEnabled WRITE setHotkeyEnabled)
public:
    struct Dependencies {
        platform::KeyMonitor& monitor;
        QSettings& settings;
        PauseToggle& pauseToggle;
        std::function<bool()> ownWindowHasFocus;
    };

    // Assembled by the application (app/SharedServices.cpp).
    static GlobalHotkeyManager& shared();

    explicit GlobalHotkeyManager(Dependencies dependencies, QObject* parent = nullptr);
    ~GlobalHotkeyManager() override;

    // "pauseHotkeyEnabled", false when absent. Writing it does not start or
    // stop the monitor: call startMonitoring() or stopMonitoring() after.
    bool hotkeyEnabled() const;
    void setHotkeyEnabled(bool enabled);

    // With the hotkey enabled, installs the key monitor, removing one already
    // installed first, so that a press always toggles once; with it disabled,
    // does what stopMonitoring() does. Run at launch as well, so a stored
    // true takes effect without touching the switch again.
    void startMonitoring();
    void stopMonitoring();
    bool isMonitoring() const { return bool(m_eventMonitor); }

    // Inverts the engine's pause flag and announces it with "⚡️".
    void togglePause();

    // The production answer to "one of our windows has focus": a focused
    // window of this process, or an open popup such as the tray menu.
    static bool kelvaroWindowHasFocus();

private:
    void handleKeyPress(const platform::KeyPress& press);

    platform::KeyMonitor& m_monitor;
    QSettings& m_settings;
    PauseToggle& m_pauseToggle;
    std::function<bool()> m_ownWindowHasFocus;
    QMetaObject::Connection m_eventMonitor;
};
