#include "ui/FitBitmapRect.h"

#include <cstdint>

namespace orvane {

BitmapPlacement FitBitmapRect(int clientWidth, int clientHeight, int bitmapWidth,
                              int bitmapHeight) {
    BitmapPlacement placement;
    if (bitmapWidth <= 0 || bitmapHeight <= 0 || clientWidth < 0 || clientHeight < 0) {
        return placement;
    }
    const std::int64_t W = clientWidth;
    const std::int64_t H = clientHeight;
    const std::int64_t w = bitmapWidth;
    const std::int64_t h = bitmapHeight;
    if (w < W && h < H) {
        placement.mode = DrawMode::kCopy;
        placement.x = static_cast<int>((W - w) / 2);
        placement.y = static_cast<int>((H - h) / 2);
        placement.width = bitmapWidth;
        placement.height = bitmapHeight;
        return placement;
    }
    placement.mode = DrawMode::kStretch;
    if (H * w > W * h) {
        // Relatively wider than the area: fill its width.
        const std::int64_t fitted = (W * h) / w;
        placement.y = static_cast<int>((H - fitted) / 2);
        placement.width = clientWidth;
        placement.height = static_cast<int>(fitted);
    } else {
        // Relatively taller, or of the same proportions: fill its height.
        const std::int64_t fitted = (H * w) / h;
        placement.x = static_cast<int>((W - fitted) / 2);
        placement.width = static_cast<int>(fitted);
        placement.height = clientHeight;
    }
    return placement;
}

void CentreIcon(int clientWidth, int clientHeight, int iconWidth, int iconHeight, int* x, int* y) {
    *x = static_cast<int>((std::int64_t{clientWidth} - iconWidth + 1) / 2);
    *y = static_cast<int>((std::int64_t{clientHeight} - iconHeight + 1) / 2);
}

}  // namespace orvane
