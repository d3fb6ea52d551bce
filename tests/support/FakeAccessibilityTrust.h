#pragma once

#include "platform/AccessibilityTrust.h"

#include <QList>

namespace platform {

class FakeAccessibilityTrust : public AccessibilityTrust {
public:
    bool trusted = false;
    QList<bool> queries;            // the prompt option of every query
    int settingsOpened = 0;
    bool hasSettings = true;
    bool constant = false;

    bool isProcessTrusted(bool prompt) override
    {
        queries.append(prompt);
        return trusted;
    }
    bool openAccessibilitySettings() override
    {
        if (hasSettings)
            ++settingsOpened;
        return hasSettings;
    }
    bool isConstant() const override { return constant; }
};

} // namespace platform
