#pragma once

#include <QObject>
#include <QString>
#include <QUrl>

class UpdateChecker;
struct Appcast;
struct AppcastItem;

// The user's update checks: starts them on the checker it creates with
// itself, and records and logs each outcome. Main thread only.
class UpdateManager : public QObject {
    Q_OBJECT
    Q_PROPERTY(bool isCheckingForUpdates READ isCheckingForUpdates NOTIFY isCheckingForUpdatesChanged)
    Q_PROPERTY(QString lastCheckMessage READ lastCheckMessage NOTIFY lastCheckMessageChanged)
public:
    // Created at the first check the user asks for: the checker reads the
    // feed the build names (KELVARO_UPDATE_FEED_URL).
    static UpdateManager& shared();

    UpdateManager(const QUrl& feedURL, const QString& currentVersion, QObject* parent = nullptr);

    UpdateChecker* updaterController() const { return m_updaterController; }
    bool isCheckingForUpdates() const { return m_isCheckingForUpdates; }
    QString lastCheckMessage() const { return m_lastCheckMessage; }

    void checkForUpdates();

signals:
    // Each is sent on every assignment, also when the value is unchanged.
    void isCheckingForUpdatesChanged(bool checking);
    void lastCheckMessageChanged(const QString& message);

private:
    void didFinishLoadingAppcast(const Appcast& appcast);
    void didNotFindUpdate();
    void didFindValidUpdate(const AppcastItem& item);
    void didAbortWithError(const QString& description);
    void assignChecking(bool checking);
    void assignMessage(const QString& message);

    bool m_isCheckingForUpdates = false;
    QString m_lastCheckMessage;
    UpdateChecker* m_updaterController = nullptr;
};
