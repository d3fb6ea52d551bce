#pragma once

#include "platform/RunningApplication.h"

#include <QDialog>

#include <optional>

class InputSourceManager;
class QComboBox;
class QLabel;
class QMessageBox;
class QPushButton;
class QWidget;
class RuleEngine;
namespace platform {
class Workspace;
}

// The sheet that adds a rule: an application, from those running when it
// opened or from a desktop entry file, and the input source to select.
class AddRuleView : public QDialog {
    Q_OBJECT
public:
    AddRuleView(RuleEngine& engine, const InputSourceManager& inputSources, platform::Workspace& workspace,
                QWidget* parent = nullptr);

    // What the file dialog gave: an error's description, or the chosen files
    // (none when it was cancelled).
    void importApplicationFile(const std::optional<QString>& error, const QStringList& locations);

    QComboBox* runningAppPicker() const { return m_appPicker; }
    QComboBox* inputSourcePicker() const { return m_sourcePicker; }
    QPushButton* addButton() const { return m_add; }
    QPushButton* chooseButton() const { return m_choose; }
    // The "Selected:" row, shown for an application read from a file.
    QWidget* selectedRow() const { return m_selectedRow; }
    std::optional<QString> errorMessage() const { return m_errorMessage; }

private:
    void chooseRunningApp(int index);
    void showError(const QString& message);
    void presentImporter();
    void render();
    bool canAdd() const;
    void add();

    RuleEngine& m_engine;
    platform::Workspace& m_workspace;
    QList<platform::RunningApplication> m_runningApps;
    std::optional<platform::RunningApplication> m_selectedApp;
    std::optional<QString> m_manualAppName;
    std::optional<QString> m_manualBundleID;
    std::optional<QString> m_errorMessage;
    QComboBox* m_appPicker;
    QComboBox* m_sourcePicker;
    QWidget* m_selectedRow;
    QLabel* m_selectedName;
    QLabel* m_selectedBundleID;
    QPushButton* m_choose;
    QPushButton* m_add;
};
