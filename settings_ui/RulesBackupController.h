#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <optional>

class QMessageBox;
class QWidget;
class RuleEngine;
class RulesExportManager;

// Backup and restore of the rules for the page that offers them: the save and
// open dialogs (window-modal over the page, not blocking) and the
// "Import Result" alert. An import merges the file's rules into the engine's
// list as addRule would, one rule after the other, and saves the list once.
class RulesBackupController : public QObject {
    Q_OBJECT
    Q_PROPERTY(QString importResult READ importResult NOTIFY importResultChanged)
    Q_PROPERTY(bool showImportResult READ showImportResult WRITE setShowImportResult NOTIFY showImportResultChanged)
public:
    RulesBackupController(RuleEngine& engine, RulesExportManager& exportManager, QWidget* page);

    // "Export Rules": a save dialog proposing "Kelvaro_Rules.json"; the rules
    // written are those of this moment.
    void presentExporter();
    // "Import Rules": an open dialog for one JSON file.
    void presentImporter();

    // What the open dialog gave: an error's description, or the chosen files
    // (none when it was cancelled).
    void importFiles(const std::optional<QString>& error, const QStringList& paths);

    QString importResult() const { return m_importResult; }
    bool showImportResult() const { return m_showImportResult; }
    void setShowImportResult(bool show);

signals:
    void importResultChanged(const QString& text);
    void showImportResultChanged(bool show);

private:
    void reportImport(const QString& text);

    RuleEngine& m_engine;
    RulesExportManager& m_exportManager;
    QWidget* m_page;
    QString m_importResult;
    bool m_showImportResult = false;
    QPointer<QMessageBox> m_alert;
};
