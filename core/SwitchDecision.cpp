#include "core/SwitchDecision.h"

#include <algorithm>

std::optional<SwitchDecision> SwitchDecision::decide(const QList<AppRule>& rules, const QString& bundleID,
                                                     const std::optional<QString>& defaultInputSourceID)
{
    const auto rule = std::find_if(rules.cbegin(), rules.cend(), [&](const AppRule& candidate) {
        return candidate.isEnabled && candidate.appBundleID == bundleID;
    });
    if (rule != rules.cend())
        return SwitchDecision{Reason::Match, rule->targetInputSourceID};
    if (defaultInputSourceID && !defaultInputSourceID->isEmpty())
        return SwitchDecision{Reason::Fallback, *defaultInputSourceID};
    return std::nullopt;
}
