#pragma once

#include <QString>

// What to select for an application that came to the front, and why.
struct SwitchDecision {
    enum class Reason { Match, Fallback };
    Reason reason;
    QString inputSourceID;
};
