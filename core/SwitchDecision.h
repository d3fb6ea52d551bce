#pragma once

#include <QString>

// What to select for an application that came to the front, and why.
struct SwitchDecision {
    // Match: a rule; Remembered: the source last used in the application;
    // Fallback: the default input source.
    enum class Reason { Match, Remembered, Fallback };
    Reason reason;
    QString inputSourceID;
};
