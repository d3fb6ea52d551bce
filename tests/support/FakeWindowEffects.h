#pragma once

#include "platform/WindowEffects.h"

#include <QList>

namespace platform {

// Window effects as the test says: whether a compositor runs and offers blur,
// and a record of every blur request.
class FakeWindowEffects : public WindowEffects {
public:
    struct BlurRequest {
        WId window = 0;
        QRegion region;
    };

    bool compositing = false;
    bool blurSupported = false;
    QList<BlurRequest> blurRequests;

    bool isCompositing() override { return compositing; }
    bool isBlurSupported() override { return blurSupported; }
    bool enableBlurBehind(WId window, const QRegion& region) override;
};

} // namespace platform
