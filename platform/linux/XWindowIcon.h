#pragma once

#include <QByteArray>
#include <QImage>

namespace platform {

// The images of a window's _NET_WM_ICON as another X client set them.
namespace XWindowIcon {

// The property's value is read no further than this: enough for the usual
// sizes up to 256 px before a 32 px image, and no more memory than that
// whatever a client stores.
inline constexpr quint32 kMaxBytes = 1024 * 1024;
// Images wider or taller than this are skipped.
inline constexpr quint32 kMaxSide = 1024;

// The image nearest to `size` px among those in `value` (CARDINAL/32 values
// in host order: width, height, then width * height ARGB pixels, repeated):
// the smallest not smaller than `size`, else the largest. Images whose sizes
// are zero or absurd are skipped; the first whose pixels go past the end of
// the data ends the reading. Null when no image is usable.
QImage nearest(const QByteArray& value, int size);

} // namespace XWindowIcon

} // namespace platform
