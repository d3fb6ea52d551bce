#pragma once

#include <QDialog>
#include <QUrl>

#include <functional>

class QLabel;
class QProgressBar;
class QPushButton;

// The update checker's small window: checking, then its outcome. Never
// modal: the rest of Kelvaro stays usable while a check runs.
class UpdateDialog : public QDialog {
    Q_OBJECT
public:
    explicit UpdateDialog(QWidget* parent = nullptr);

    void showChecking();
    void showUpToDate(const QString& currentVersion);
    // downloadPage may be empty: the dialog then offers no button for it.
    void showUpdateAvailable(const QString& version, const QString& currentVersion, const QUrl& downloadPage);
    void showFailed(const QString& reason);

    QLabel* titleLabel() const { return m_title; }
    QLabel* detailLabel() const { return m_detail; }
    QPushButton* downloadButton() const { return m_download; }
    QPushButton* closeButton() const { return m_close; }

signals:
    // The user closed the dialog while the check was running.
    void cancelRequested();

private:
    // Shows the dialog with the texts `render` sets, again after each change of language.
    void present(std::function<void()> render);
    void setTexts(const QString& title, const QString& detail, bool checking);

    QLabel* m_title;
    QLabel* m_detail;
    QProgressBar* m_progress;
    QPushButton* m_download;
    QPushButton* m_close;
    QUrl m_downloadPage;
    std::function<void()> m_render;
    bool m_checking = false;
};
