#pragma once

#include "core/AppRule.h"

#include <QWidget>

class InputSourceManager;
namespace platform {
class Workspace;
}

// One line of the rule list: the application's icon, name and bundle
// identifier, an arrow and the input source's name on a grey capsule. Read
// only; a rule whose input source is not enabled now carries a warning mark.
class RuleRow : public QWidget {
    Q_OBJECT
public:
    RuleRow(const AppRule& rule, const InputSourceManager& inputSources, platform::Workspace& workspace,
            QWidget* parent = nullptr);

    const AppRule& rule() const { return m_rule; }

private:
    AppRule m_rule;
};
