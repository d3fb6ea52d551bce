#pragma once

#include "settings_ui/Appcast.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QObject>
#include <QPointer>
#include <QUrl>

#include <chrono>
#include <memory>

class UpdateDialog;

// Kelvaro's updater: on request it reads the appcast at feedURL, tells the
// outcome through its signals and shows it in its own dialog. Installing is
// left to the user's package manager. A request while a check runs only
// brings the dialog forward. Main thread only.
class UpdateChecker : public QObject {
    Q_OBJECT
public:
    static constexpr qint64 kMaximumAppcastSize = 1024 * 1024;
    static constexpr std::chrono::seconds kTimeout{30};

    UpdateChecker(QUrl feedURL, QString currentVersion, QObject* parent = nullptr);
    ~UpdateChecker() override;

    void checkForUpdates();
    bool isChecking() const { return m_reply != nullptr; }
    UpdateDialog* dialog() const { return m_dialog.get(); }

signals:
    // Exactly one of the last three ends each check.
    void didFinishLoadingAppcast(const Appcast& appcast);
    void didNotFindUpdate();
    void didFindValidUpdate(const AppcastItem& item);
    void didAbortWithError(const QString& description);

private:
    void receive();
    void finish();
    void fail(const QString& description);

    QUrl m_feedURL;
    QString m_currentVersion;
    QNetworkAccessManager m_network;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_received;
    QString m_abortReason;
    std::unique_ptr<UpdateDialog> m_dialog;
};
