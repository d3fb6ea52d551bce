#pragma once

#include "core/AppRule.h"

#include <QDialog>

class InputSourceManager;
class QCheckBox;
class QComboBox;
class QPushButton;
class RuleEngine;
namespace platform {
class Workspace;
}

// The sheet that changes one rule's input source and enabled state, or
// deletes the rule. Works on a copy of the rule taken when it opened.
class EditRuleView : public QDialog {
    Q_OBJECT
public:
    EditRuleView(const AppRule& rule, RuleEngine& engine, const InputSourceManager& inputSources,
                 platform::Workspace& workspace, QWidget* parent = nullptr);

    QComboBox* inputSourcePicker() const { return m_picker; }
    QCheckBox* enabledSwitch() const { return m_enabled; }
    QPushButton* saveButton() const { return m_save; }
    QPushButton* deleteButton() const { return m_delete; }

private:
    QString selectedInputSourceID() const;
    void save();
    void remove();

    AppRule m_rule;
    RuleEngine& m_engine;
    QComboBox* m_picker;
    QCheckBox* m_enabled;
    QPushButton* m_save;
    QPushButton* m_delete;
};
