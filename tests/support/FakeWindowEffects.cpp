#include "FakeWindowEffects.h"

namespace platform {

bool FakeWindowEffects::enableBlurBehind(WId window, const QRegion& region)
{
    blurRequests.append({window, region});
    return blurSupported;
}

} // namespace platform
