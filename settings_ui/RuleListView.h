#pragma once

#include "core/AppRule.h"

#include <QDialog>
#include <QPointer>
#include <QWidget>

class EmptyStateView;
class InputSourceManager;
class QLabel;
class QListWidget;
class QPushButton;
class QStackedWidget;
class QToolButton;
class RuleEngine;
namespace platform {
class Workspace;
}

// The page of the settings window that lists the rules: one row per rule, or
// an empty state, and a footer with the count. A click on a row opens the
// edit sheet; the add buttons open the add sheet; Delete removes the selected
// rows.
class RuleListView : public QWidget {
    Q_OBJECT
public:
    RuleListView(RuleEngine& engine, InputSourceManager& inputSources, platform::Workspace& workspace,
                 QWidget* parent = nullptr);

    // The sheet shown over the page, if any.
    QDialog* sheet() const { return m_sheet; }
    QListWidget* list() const { return m_list; }

    void showAddSheet();
    void showEditSheet(const AppRule& rule);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void render();
    void retranslate();
    void deleteRows(QList<int> positions);
    void showSheet(QDialog* sheet);

    RuleEngine& m_engine;
    InputSourceManager& m_inputSources;
    platform::Workspace& m_workspace;
    QList<AppRule> m_shownRules;
    QPointer<QDialog> m_sheet;
    QLabel* m_title;
    QToolButton* m_addToolbarButton;
    QStackedWidget* m_content;
    EmptyStateView* m_emptyState;
    QListWidget* m_list;
    QPushButton* m_minus;
    QLabel* m_count;
    QPushButton* m_plus;
};
