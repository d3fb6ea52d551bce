#pragma once

#include "core/AppRule.h"
#include "core/SwitchDecision.h"

#include <QHash>
#include <QList>
#include <QString>

#include <functional>
#include <optional>

// The target of the first enabled rule of each application, looked up in
// constant time however long the list: built once per change of the list,
// asked at every application switch.
class RuleIndex {
public:
    RuleIndex() = default;
    explicit RuleIndex(const QList<AppRule>& rules);

    // The source last used in an application, when there is one to select.
    using Recall = std::function<std::optional<QString>(const QString& bundleID)>;

    // The first enabled rule's target for the bundle identifier, else what
    // recall gives, else a non-empty default, else nothing.
    std::optional<SwitchDecision> decide(const QString& bundleID, const std::optional<QString>& defaultInputSourceID,
                                         const Recall& recall = {}) const;
    bool hasRule(const QString& bundleID) const { return m_targets.contains(bundleID); }

private:
    QHash<QString, QString> m_targets;
};
