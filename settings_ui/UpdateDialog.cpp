#include "settings_ui/UpdateDialog.h"

#include "localization/LocalizationManager.h"
#include "settings_ui/TextStyles.h"

#include <QDesktopServices>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

UpdateDialog::UpdateDialog(QWidget* parent)
    : QDialog(parent)
    , m_title(new QLabel(this))
    , m_detail(new QLabel(this))
    , m_progress(new QProgressBar(this))
    , m_download(new QPushButton(this))
    , m_close(new QPushButton(this))
{
    setObjectName(QStringLiteral("updateDialog"));
    setModal(false);
    setMinimumWidth(360);
    m_title->setFont(TextStyles::headline(*this));
    m_detail->setWordWrap(true);
    m_detail->setTextFormat(Qt::PlainText);
    m_title->setTextFormat(Qt::PlainText);
    m_progress->setRange(0, 0);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_close);
    buttons->addWidget(m_download);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_title);
    layout->addWidget(m_detail);
    layout->addWidget(m_progress);
    layout->addLayout(buttons);

    connect(m_download, &QPushButton::clicked, this, [this] {
        QDesktopServices::openUrl(m_downloadPage);
        accept();
    });
    connect(m_close, &QPushButton::clicked, this, &QDialog::reject);
    connect(&LocalizationManager::shared(), &LocalizationManager::languageDidChange, this, [this] {
        if (m_render)
            m_render();
    });
    connect(this, &QDialog::rejected, this, [this] {
        if (m_checking)
            emit cancelRequested();
    });
}

void UpdateDialog::present(std::function<void()> render)
{
    m_render = std::move(render);
    m_render();
    show();
    raise();
    activateWindow();
}

void UpdateDialog::setTexts(const QString& title, const QString& detail, bool checking)
{
    m_checking = checking;
    setWindowTitle(localized(QStringLiteral("Software Update")));
    m_title->setText(title);
    m_detail->setText(detail);
    m_detail->setVisible(!detail.isEmpty());
    m_progress->setVisible(checking);
    m_close->setText(localized(checking ? QStringLiteral("Cancel") : QStringLiteral("OK")));
    m_download->setText(localized(QStringLiteral("Open Download Page")));
    m_download->setVisible(!checking && !m_downloadPage.isEmpty());
    (m_download->isVisible() ? m_download : m_close)->setDefault(true);
}

void UpdateDialog::showChecking()
{
    m_downloadPage.clear();
    present([this] { setTexts(localized(QStringLiteral("Checking for Updates…")), QString(), true); });
}

void UpdateDialog::showUpToDate(const QString& currentVersion)
{
    m_downloadPage.clear();
    present([this, currentVersion] {
        setTexts(localized(QStringLiteral("You're up to date!")),
                 localized(QStringLiteral("Kelvaro %1 is currently the newest version available.")).arg(currentVersion),
                 false);
    });
}

void UpdateDialog::showUpdateAvailable(const QString& version, const QString& currentVersion, const QUrl& downloadPage)
{
    m_downloadPage = downloadPage;
    present([this, version, currentVersion] {
        setTexts(localized(QStringLiteral("Update available: ")) + version,
                 localized(QStringLiteral("You have Kelvaro %1. Install the new version with your package manager "
                                          "or from the download page."))
                     .arg(currentVersion),
                 false);
    });
}

void UpdateDialog::showFailed(const QString& reason)
{
    m_downloadPage.clear();
    present([this, reason] { setTexts(localized(QStringLiteral("Update check failed")), reason, false); });
}
