#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

class QSettings;
class QWidget;

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

    // The panel on screen (or fading out); null when none.
    QWidget* window() const;

signals:
    void panelShown(QWidget* panel);
    void panelRemoved(QWidget* panel);

private:
    // Implementation-specific members are the implementer's to add.
};
