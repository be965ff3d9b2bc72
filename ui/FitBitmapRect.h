#pragma once

// Where the picture box puts its bitmap: at its own size and centred when
// it is smaller than the area both ways, otherwise scaled to the largest
// size that fits with its proportions kept, centred along the spare axis.

namespace orvane {

enum class DrawMode { kNothing, kCopy, kStretch };

struct BitmapPlacement {
    DrawMode mode = DrawMode::kNothing;
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};

// Client and bitmap sizes in pixels. A bitmap without width or height, or
// an area of negative size, gives kNothing. The products are formed in 64
// bits, so no size overflows; every quotient fits back into an int.
BitmapPlacement FitBitmapRect(int clientWidth, int clientHeight, int bitmapWidth, int bitmapHeight);

// The top-left corner at which an icon is drawn centred in a client area;
// an odd difference gives the larger half.
void CentreIcon(int clientWidth, int clientHeight, int iconWidth, int iconHeight, int* x, int* y);

}  // namespace orvane
