#pragma once

#include "core/AppRule.h"

#include <QList>
#include <QString>

#include <optional>

// What to select for an application that came to the front: the target of
// the first enabled rule for its bundle identifier, else a non-empty default.
struct SwitchDecision {
    enum class Reason { Match, Fallback };
    Reason reason;
    QString inputSourceID;

    static std::optional<SwitchDecision> decide(const QList<AppRule>& rules, const QString& bundleID,
                                                const std::optional<QString>& defaultInputSourceID);
};
