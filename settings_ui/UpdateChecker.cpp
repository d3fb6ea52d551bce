#include "settings_ui/UpdateChecker.h"

#include "localization/LocalizationManager.h"
#include "settings_ui/UpdateDialog.h"

#include <QLocale>
#include <QNetworkReply>
#include <QNetworkRequest>

namespace {

QString tooLargeReason()
{
    return localized(QStringLiteral("The update feed is larger than %1."))
        .arg(QLocale().formattedDataSize(UpdateChecker::kMaximumAppcastSize, 0, QLocale::DataSizeIecFormat));
}

} // namespace

UpdateChecker::UpdateChecker(QUrl feedURL, QString currentVersion, QObject* parent)
    : QObject(parent)
    , m_feedURL(std::move(feedURL))
    , m_currentVersion(std::move(currentVersion))
    , m_dialog(std::make_unique<UpdateDialog>())
{
    connect(m_dialog.get(), &UpdateDialog::cancelRequested, this, [this] {
        if (m_reply) {
            m_abortReason = localized(QStringLiteral("The update check was cancelled."));
            m_reply->abort();
        }
    });
}

UpdateChecker::~UpdateChecker()
{
    if (m_reply) {
        m_reply->disconnect(this);
        m_reply->abort();
    }
}

void UpdateChecker::checkForUpdates()
{
    if (m_reply) {
        m_dialog->show();
        m_dialog->raise();
        return;
    }
    m_received.clear();
    m_abortReason.clear();
    QNetworkRequest request(m_feedURL);
    // A redirection from https to http would let anyone on the way answer.
    request.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::NoLessSafeRedirectPolicy);
    request.setTransferTimeout(int(std::chrono::milliseconds(kTimeout).count()));
    request.setHeader(QNetworkRequest::UserAgentHeader, QStringLiteral("Kelvaro/%1").arg(m_currentVersion));
    m_reply = m_network.get(request);
    connect(m_reply, &QNetworkReply::readyRead, this, &UpdateChecker::receive);
    connect(m_reply, &QNetworkReply::finished, this, &UpdateChecker::finish);
    m_dialog->showChecking();
}

void UpdateChecker::receive()
{
    m_received += m_reply->read(kMaximumAppcastSize + 1 - m_received.size());
    if (m_received.size() > kMaximumAppcastSize && m_abortReason.isEmpty()) {
        m_abortReason = tooLargeReason();
        m_reply->abort();
    }
}

void UpdateChecker::finish()
{
    QNetworkReply* reply = m_reply;
    m_reply = nullptr;
    reply->deleteLater();
    if (!m_abortReason.isEmpty())
        return fail(m_abortReason);
    if (reply->error() != QNetworkReply::NoError)
        return fail(reply->errorString());
    m_received += reply->read(kMaximumAppcastSize + 1 - m_received.size());
    if (m_received.size() > kMaximumAppcastSize)
        return fail(tooLargeReason());
    QString error;
    const std::optional<Appcast> appcast = Appcast::parse(m_received, &error);
    m_received.clear();
    if (!appcast)
        return fail(error);
    emit didFinishLoadingAppcast(*appcast);
    if (const std::optional<AppcastItem> update = appcast->bestUpdate(m_currentVersion)) {
        m_dialog->showUpdateAvailable(update->displayVersionString(), m_currentVersion, update->downloadPageURL());
        emit didFindValidUpdate(*update);
    } else {
        m_dialog->showUpToDate(m_currentVersion);
        emit didNotFindUpdate();
    }
}

void UpdateChecker::fail(const QString& description)
{
    m_received.clear();
    m_dialog->showFailed(description);
    emit didAbortWithError(description);
}
