// The picture box's placement over the whole 32-bit range: the rectangle
// lies in the client area and keeps the bitmap's proportions within one
// pixel.

#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "ui/FitBitmapRect.h"

namespace {

void Require(bool property) {
    if (!property) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::int32_t v[4] = {};
    std::memcpy(v, data, size < sizeof v ? size : sizeof v);
    const std::int64_t W = v[0], H = v[1], w = v[2], h = v[3];
    const orvane::BitmapPlacement p = orvane::FitBitmapRect(v[0], v[1], v[2], v[3]);
    if (w <= 0 || h <= 0 || W < 0 || H < 0) {
        Require(p.mode == orvane::DrawMode::kNothing);
        return 0;
    }
    const std::int64_t x = p.x, y = p.y, pw = p.width, ph = p.height;
    Require(x >= 0 && y >= 0 && pw >= 0 && ph >= 0 && x + pw <= W && y + ph <= H);
    if (p.mode == orvane::DrawMode::kCopy) {
        Require(w < W && h < H && pw == w && ph == h);
        Require(x == (W - w) / 2 && y == (H - h) / 2);
        return 0;
    }
    Require(p.mode == orvane::DrawMode::kStretch);
    Require(w >= W || h >= H);
    // One side fills the area; the other is the exact proportion, truncated.
    const __int128 wideW = pw, wideH = ph;
    if (pw == W && x == 0) {
        Require(wideH * w <= static_cast<__int128>(W) * h &&
                static_cast<__int128>(W) * h < (wideH + 1) * w);
        Require(y == (H - ph) / 2);
    } else {
        Require(ph == H && y == 0);
        Require(wideW * h <= static_cast<__int128>(H) * w &&
                static_cast<__int128>(H) * w < (wideW + 1) * h);
        Require(x == (W - pw) / 2);
    }
    return 0;
}
