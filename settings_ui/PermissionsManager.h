#pragma once

#include <QObject>
#include <QTimer>

#include <chrono>

namespace platform {
class AccessibilityTrust;
}

// Follows whether the desktop trusts Kelvaro with accessibility: asked at
// creation and every 2 seconds, and published after each answer (also when
// it did not change). Where the desktop's answer is constant (X11) it is
// asked once, and again only on request. Main thread only.
class PermissionsManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isAccessibilityTrusted READ isAccessibilityTrusted NOTIFY isAccessibilityTrustedChanged)
public:
    static constexpr std::chrono::milliseconds kPollInterval{2000};

    static PermissionsManager& shared();

    explicit PermissionsManager(platform::AccessibilityTrust& trust, QObject* parent = nullptr);

    bool isAccessibilityTrusted() const { return m_isAccessibilityTrusted; }

    void checkAccessibility();
    void startMonitoring();
    // Asks with the desktop's own prompt, then opens its accessibility settings.
    void requestAccessibility();

signals:
    void isAccessibilityTrustedChanged(bool trusted);

private:
    platform::AccessibilityTrust& m_trust;
    bool m_isAccessibilityTrusted = false;
    QTimer m_timer;
};
