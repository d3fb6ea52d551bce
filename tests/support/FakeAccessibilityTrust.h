#pragma once

#include "platform/AccessibilityTrust.h"

#include <QList>

namespace platform {

class FakeAccessibilityTrust : public AccessibilityTrust {
public:
    bool trusted = false;
    QList<bool> queries;            // the prompt option of every query
    bool hasSettings = true;
    bool constant = false;

    bool isProcessTrusted(bool prompt) override
    {
        queries.append(prompt);
        return trusted;
    }
    bool openAccessibilitySettings() override { return hasSettings; }
    bool isConstant() const override { return constant; }
};

} // namespace platform
