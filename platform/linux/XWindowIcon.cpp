#include "platform/linux/XWindowIcon.h"

#include <cstring>

namespace platform::XWindowIcon {

QImage nearest(const QByteArray& value, int size)
{
    const auto* data = reinterpret_cast<const quint32*>(value.constData());
    const quint64 count = quint64(value.size()) / sizeof(quint32);   // a partial last value is ignored
    const quint32* best = nullptr;
    const auto side = [](const quint32* image) { return qMax(image[0], image[1]); };
    const auto better = [&](const quint32* candidate) {
        if (!best)
            return true;
        const bool candidateBigEnough = side(candidate) >= quint32(size);
        if (candidateBigEnough != (side(best) >= quint32(size)))
            return candidateBigEnough;
        return candidateBigEnough ? side(candidate) < side(best) : side(candidate) > side(best);
    };
    for (quint64 at = 0; count - at >= 2;) {
        const quint32* image = data + at;
        // 64-bit: two 32-bit sizes cannot overflow their product here.
        const quint64 pixels = quint64(image[0]) * image[1];
        if (pixels > count - at - 2)
            break;
        if (pixels != 0 && image[0] <= kMaxSide && image[1] <= kMaxSide && better(image))
            best = image;
        at += 2 + pixels;
    }
    if (!best)
        return {};
    // Format_ARGB32 is what the property holds: one 0xAARRGGBB value per
    // pixel, not premultiplied.
    QImage image(static_cast<int>(best[0]), static_cast<int>(best[1]), QImage::Format_ARGB32);
    if (image.isNull())
        return {};
    for (int row = 0; row < image.height(); ++row)
        std::memcpy(image.scanLine(row), best + 2 + quint64(row) * best[0], best[0] * sizeof(quint32));
    return image;
}

} // namespace platform::XWindowIcon
