#pragma once

#include "core/AppRule.h"
#include "core/SwitchDecision.h"

#include <QHash>
#include <QList>
#include <QString>

#include <optional>

// The target of the first enabled rule of each application, looked up in
// constant time however long the list: built once per change of the list,
// asked at every application switch.
class RuleIndex {
public:
    RuleIndex() = default;
    explicit RuleIndex(const QList<AppRule>& rules);

    // The first enabled rule's target for the bundle identifier, else a
    // non-empty default, else nothing.
    std::optional<SwitchDecision> decide(const QString& bundleID,
                                         const std::optional<QString>& defaultInputSourceID) const;

private:
    QHash<QString, QString> m_targets;
};
