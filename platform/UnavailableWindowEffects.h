#pragma once

#include "platform/WindowEffects.h"

namespace platform {

// Stands in when there is no display to ask: no compositing, no blur.
class UnavailableWindowEffects : public WindowEffects {
public:
    bool isCompositing() override { return false; }
    bool isBlurSupported() override { return false; }
    bool enableBlurBehind(WId, const QRegion&) override { return false; }
};

} // namespace platform
