#pragma once

#include "app/ListedInputSource.h"

#include <QDBusConnection>
#include <QDBusContext>
#include <QObject>
#include <QString>

class InputSourceManager;
class PauseToggle;
class RuleEngine;

namespace platform {
class Workspace;
}

// The running Kelvaro's control over D-Bus, for `kelvaro pause`, key bindings
// and scripts. Every change goes through the same engine, toggle and manager
// calls as the menu and the settings window, so the rules file, the notices
// and the feedback are the same. Malformed or unknown input is answered with
// a D-Bus error and changes nothing. Main thread only.
class ControlInterface : public QObject, protected QDBusContext {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "com.kelvaro.Kelvaro")
public:
    static inline const QString serviceName = QStringLiteral("com.kelvaro.Kelvaro");
    static inline const QString objectPath = QStringLiteral("/com/kelvaro/Kelvaro");
    static inline const QString interfaceName = QStringLiteral("com.kelvaro.Kelvaro");
    static inline const QString unknownInputSourceError =
        QStringLiteral("com.kelvaro.Kelvaro.Error.UnknownInputSource");
    static inline const QString unknownRuleError = QStringLiteral("com.kelvaro.Kelvaro.Error.UnknownRule");
    static inline const QString failedError = QStringLiteral("com.kelvaro.Kelvaro.Error.Failed");

    struct Dependencies {
        RuleEngine& engine;
        InputSourceManager& inputSourceManager;
        PauseToggle& pauseToggle;
        platform::Workspace& workspace;   // the installed applications' names
    };

    explicit ControlInterface(const Dependencies& dependencies, QObject* parent = nullptr);

    // Exports the object and takes the service name on the connection. False,
    // with the reason logged, without a bus or when another program holds
    // the name (another Kelvaro on the same bus, say): then nothing is exported.
    bool publish(QDBusConnection connection);

public slots:
    Q_SCRIPTABLE void Pause();
    Q_SCRIPTABLE void Resume();
    Q_SCRIPTABLE void TogglePause();
    Q_SCRIPTABLE bool IsPaused() const;
    // The rules as a backup file holds them.
    Q_SCRIPTABLE QString ListRules() const;
    // The new rule's id, upper case; it replaces the application's rule.
    Q_SCRIPTABLE QString AddRule(const QString& bundleID, const QString& inputSourceID);
    Q_SCRIPTABLE void DeleteRule(const QString& id);
    Q_SCRIPTABLE QList<ListedInputSource> InputSources() const;
    Q_SCRIPTABLE void SelectInputSource(const QString& id);

signals:
    // reason: "rule", "remembered" or "default".
    Q_SCRIPTABLE void Switched(const QString& bundleID, const QString& inputSourceID, const QString& reason);

private:
    bool isInstalled(const QString& inputSourceID) const;
    // Answers the call being handled with an error instead of its result.
    void refuse(const QString& errorName, const QString& message) const;

    Dependencies m_services;
};
