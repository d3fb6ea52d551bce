#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <chrono>

class InputSourceManager;
class QSettings;

// The flag and name of the input source in use right now, whoever chose it:
// refreshed on the desktop's notice that the selected input source changed.
// A burst of notices (windows brought to the front in quick succession) is
// shown at most once per refresh interval: the first at once, the last when
// the interval ends, so the tray item is not redrawn for states already gone
// while the next switch waits. Main thread only.
class MenuBarIndicatorController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString currentInputSourceIcon READ currentInputSourceIcon NOTIFY currentInputSourceIconChanged)
    Q_PROPERTY(QString currentInputSourceName READ currentInputSourceName NOTIFY currentInputSourceNameChanged)
    Q_PROPERTY(bool showFlag READ showFlag WRITE setShowFlag NOTIFY showFlagChanged)
public:
    static MenuBarIndicatorController& shared();

    // Reads the current input source before returning.
    MenuBarIndicatorController(InputSourceManager& inputSourceManager, QSettings& settings,
                               QObject* parent = nullptr);

    QString currentInputSourceIcon() const { return m_currentInputSourceIcon; }
    QString currentInputSourceName() const { return m_currentInputSourceName; }

    // "menuBarShowFlag" (true when absent) and "menuBarShowName" (false when absent).
    bool showFlag() const;
    void setShowFlag(bool show);
    bool showName() const;
    void setShowName(bool show);

    void updateCurrentInputSource();

    static constexpr std::chrono::milliseconds kRefreshInterval{100};

signals:
    // Each is sent on every assignment, also when the value is unchanged;
    // the name is assigned and announced first, the icon last.
    void currentInputSourceIconChanged(const QString& icon);
    void currentInputSourceNameChanged(const QString& name);
    // "menuBarShowFlag" was written, by anyone.
    void showFlagChanged();

private:
    void setupObserver();
    void refresh();

    InputSourceManager& m_inputSourceManager;
    QSettings& m_settings;
    QString m_currentInputSourceIcon;
    QString m_currentInputSourceName;
    QMetaObject::Connection m_observer;
    QTimer m_refreshTimer;
    bool m_refreshPending = false;
};
