// Reducing decoded tiles to thumbnails.
#pragma once

#include <QImage>

namespace platform {

// The image reduced to the size: by averaging 2 x 2 blocks, again and again,
// when the size is the image's halved one or more times (a tile's
// thumbnails at zoom 1/2 to 1/16: several times cheaper than a general
// smooth scaling, and the same box filter), else by Qt's smooth scaling.
// The image is RGB32 or premultiplied ARGB32.
QImage ReducedImage(const QImage& image, const QSize& size);

} // namespace platform
