#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>

#include <optional>

class IndicatorPanel;
class QSettings;
class QWidget;

namespace platform {
class WindowEffects;
}

// The floating panel that announces a switch (flag and name) or a message
// (glyph and text): at most one at a time, replaced by each new request,
// hidden after the configured duration with a short fade. Settings
// "indicatorEnabled", "indicatorPosition" and "indicatorDuration" are read
// afresh on every request.
class InputSourceIndicatorController : public QObject {
    Q_OBJECT
public:
    static InputSourceIndicatorController& shared();

    explicit InputSourceIndicatorController(QSettings& settings, QObject* parent = nullptr);
    ~InputSourceIndicatorController() override;

    // Both may be called from any thread; the panel appears once the event
    // loop has run the posted request.
    void show(const QString& name, const QString& inputSourceID);
    void showMessage(const QString& text, const QString& icon);
    // showMessage() on the shared controller, for callers that take a function.
    static void showSharedMessage(const QString& text, const QString& icon) { shared().showMessage(text, icon); }

    // The panel on screen (or fading out); null when none.
    QWidget* window() const;

signals:
    void panelShown(QWidget* panel);
    void panelRemoved(QWidget* panel);

private:
    void present(const QString& text, const QString& identifier, const std::optional<QString>& glyph);
    void place(QWidget& panel) const;
    void hide();
    void removePanel(IndicatorPanel* panel);
    platform::WindowEffects& windowEffects();

    QSettings& m_settings;
    platform::WindowEffects* m_windowEffects = nullptr;
    QPointer<IndicatorPanel> m_window;
    QTimer m_hideTimer;
};
