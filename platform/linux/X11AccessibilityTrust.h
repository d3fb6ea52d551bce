#pragma once

#include "platform/AccessibilityTrust.h"

namespace platform {

// X11 has no trust model: every client may watch the active window and lock
// keyboard groups, so the process is always trusted and there is no settings
// page to open.
class X11AccessibilityTrust : public AccessibilityTrust {
public:
    bool isProcessTrusted(bool) override { return true; }
    bool openAccessibilitySettings() override { return false; }
    bool isConstant() const override { return true; }
};

} // namespace platform
