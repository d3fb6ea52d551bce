#pragma once

#include "platform/TextInputSources.h"

#include <QDBusConnection>

class QDBusMessage;
class QDBusServiceWatcher;

namespace platform {

class KeyboardLayoutRegistry;

// Input sources on KDE Plasma's keyboard service (org.kde.keyboard /Layouts,
// org.kde.KeyboardLayouts), on Wayland and X11 alike: the layouts of
// getLayoutsList in order, identified as XKB layouts are
// ("xkb:<layout>:<variant>:<language>"), selected by their index. Plasma's
// layoutChanged and layoutListChanged signals are the change notices, so its
// own indicator and per-window policy see every switch made here.
//
// When the service leaves the bus (the compositor ended) every call fails
// and one error line says so, until it comes back. Main thread only.
class KdeKeyboardLayouts : public TextInputSources {
    Q_OBJECT
public:
    explicit KdeKeyboardLayouts(const QDBusConnection& bus, QObject* parent = nullptr);
    KdeKeyboardLayouts(const QDBusConnection& bus, KeyboardLayoutRegistry& registry, QObject* parent = nullptr);

    // False when the keyboard service is not on the bus.
    bool isAvailable() const { return m_present; }

    std::optional<QList<PlatformInputSource>> enabledInputSources() override;
    std::optional<PlatformInputSource> currentKeyboardInputSource() override;
    int selectInputSource(const PlatformInputSource& source) override;

private slots:
    void layoutChanged();
    void layoutListChanged();

private:
    std::optional<QDBusMessage> call(const QString& method, const QVariantList& arguments, const QString& signature);
    std::optional<QList<PlatformInputSource>> readList(const QDBusMessage& reply);
    void reportFailure(const QString& message);
    void serviceOwnerChanged(const QString& newOwner);

    QDBusConnection m_bus;
    KeyboardLayoutRegistry& m_registry;
    QDBusServiceWatcher* m_watcher = nullptr;
    bool m_present = false;
    bool m_failureReported = false;
    std::optional<QList<PlatformInputSource>> m_sources;   // none: read it at the next use
};

} // namespace platform
