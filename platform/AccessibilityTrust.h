#pragma once

namespace platform {

// Whether the desktop trusts this process with accessibility (observing and
// driving other applications), and the way to grant that trust.
class AccessibilityTrust {
public:
    virtual ~AccessibilityTrust() = default;

    // With prompt, the desktop may ask the user to grant the trust.
    virtual bool isProcessTrusted(bool prompt) = 0;
    // Opens the desktop's settings where the trust is granted; false when
    // there is no such place.
    virtual bool openAccessibilitySettings() = 0;
    // True where the answer can never change while the process runs, so
    // asking again is pointless.
    virtual bool isConstant() const { return false; }
};

} // namespace platform
