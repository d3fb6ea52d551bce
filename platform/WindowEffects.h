#pragma once

#include <QRegion>
#include <QtGui/qwindowdefs.h>

namespace platform {

// What the desktop's compositor offers our own windows. Main thread only.
class WindowEffects {
public:
    virtual ~WindowEffects() = default;

    // A compositing manager runs, so translucent windows show what lies behind
    // them; without one a translucent window shows black where it is clear.
    virtual bool isCompositing() = 0;
    // The compositor blurs what lies behind a window when asked to.
    virtual bool isBlurSupported() = 0;
    // Asks for a blurred background behind the native window within region
    // (window coordinates in device pixels; empty: the whole window). False
    // when the request could not be made.
    virtual bool enableBlurBehind(WId window, const QRegion& region) = 0;
};

} // namespace platform
