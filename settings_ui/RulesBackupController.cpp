#include "settings_ui/RulesBackupController.h"

#include "core/RuleEngine.h"
#include "core/RulesExportManager.h"
#include "localization/LocalizationManager.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QWidget>

namespace {

QFileDialog* jsonFileDialog(QWidget* page, const QString& title)
{
    auto* dialog = new QFileDialog(page, title);
    dialog->setAttribute(Qt::WA_DeleteOnClose);
    dialog->setWindowModality(Qt::WindowModal);
    dialog->setNameFilter(QStringLiteral("JSON (*.json)"));
    return dialog;
}

} // namespace

RulesBackupController::RulesBackupController(RuleEngine& engine, RulesExportManager& exportManager, QWidget* page)
    : QObject(page)
    , m_engine(engine)
    , m_exportManager(exportManager)
    , m_page(page)
{
}

void RulesBackupController::presentExporter()
{
    QFileDialog* dialog = jsonFileDialog(m_page, localized(QStringLiteral("Export Rules")));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setDefaultSuffix(QStringLiteral("json"));
    dialog->selectFile(QStringLiteral("Kelvaro_Rules.json"));
    // A cancelled dialog is no failure: nothing is written or logged.
    connect(dialog, &QFileDialog::fileSelected, this,
            [this, rules = m_engine.rules()](const QString& path) { m_exportManager.exportRules(rules, path); });
    dialog->open();
}

void RulesBackupController::presentImporter()
{
    QFileDialog* dialog = jsonFileDialog(m_page, localized(QStringLiteral("Import Rules")));
    dialog->setFileMode(QFileDialog::ExistingFile);
    connect(dialog, &QFileDialog::filesSelected, this,
            [this](const QStringList& paths) { importFiles(std::nullopt, paths); });
    dialog->open();
}

void RulesBackupController::importFiles(const std::optional<QString>& error, const QStringList& paths)
{
    if (error) {
        reportImport(localized(QStringLiteral("Import failed: ") + *error));
        return;
    }
    if (paths.isEmpty())
        return;
    // Files the user chose may always be read here: no access to ask for or end.
    QString reason;
    const auto rules = m_exportManager.importRules(paths.first(), &reason);
    if (!rules) {
        reportImport(localized(QStringLiteral("Import failed: ") + reason));
        return;
    }
    // One assignment, so one write of the rules file however many rules come.
    m_engine.addRules(*rules);
    reportImport(localized(QStringLiteral("Successfully imported %1 rules").arg(rules->size())));
}

void RulesBackupController::setShowImportResult(bool show)
{
    m_showImportResult = show;
    emit showImportResultChanged(m_showImportResult);
    if (!show) {
        if (m_alert)
            m_alert->close();
        return;
    }
    if (!m_alert) {
        m_alert = new QMessageBox(QMessageBox::NoIcon, localized(QStringLiteral("Import Result")), QString(),
                                  QMessageBox::NoButton, m_page);
        m_alert->setAttribute(Qt::WA_DeleteOnClose);
        m_alert->setObjectName(QStringLiteral("importResultAlert"));
        // The reason may quote the file: never taken for markup.
        m_alert->setTextFormat(Qt::PlainText);
        m_alert->addButton(localized(QStringLiteral("OK")), QMessageBox::RejectRole);
        connect(m_alert, &QMessageBox::finished, this, [this] {
            if (m_showImportResult)
                setShowImportResult(false);
        });
    }
    m_alert->setText(m_importResult);
    m_alert->open();
}

void RulesBackupController::reportImport(const QString& text)
{
    m_importResult = text;
    emit importResultChanged(m_importResult);
    setShowImportResult(true);
}
