#include "core/RuleIndex.h"

RuleIndex::RuleIndex(const QList<AppRule>& rules)
{
    m_targets.reserve(rules.size());
    for (const AppRule& rule : rules) {
        // Earlier rules win: a later enabled rule for the same application is shadowed.
        if (rule.isEnabled && !m_targets.contains(rule.appBundleID))
            m_targets.insert(rule.appBundleID, rule.targetInputSourceID);
    }
}

std::optional<SwitchDecision> RuleIndex::decide(const QString& bundleID,
                                                const std::optional<QString>& defaultInputSourceID,
                                                const Recall& recall) const
{
    if (const auto target = m_targets.constFind(bundleID); target != m_targets.cend())
        return SwitchDecision{SwitchDecision::Reason::Match, *target};
    if (const auto remembered = recall ? recall(bundleID) : std::nullopt)
        return SwitchDecision{SwitchDecision::Reason::Remembered, *remembered};
    if (defaultInputSourceID && !defaultInputSourceID->isEmpty())
        return SwitchDecision{SwitchDecision::Reason::Fallback, *defaultInputSourceID};
    return std::nullopt;
}
