#include "ui/FitBitmapRect.h"

#include <gtest/gtest.h>

#include <climits>

namespace orvane {
namespace {

struct Case {
    int W, H, w, h;
    DrawMode mode;
    int x, y, width, height;
};

TEST(FitBitmapRect, PlacementTable) {
    const DrawMode copy = DrawMode::kCopy, stretch = DrawMode::kStretch;
    const Case cases[] = {
        {300, 200, 100, 50, copy, 100, 75, 100, 50},
        {300, 200, 101, 50, copy, 99, 75, 101, 50},
        {300, 200, 300, 50, stretch, 0, 75, 300, 50},
        {301, 201, 300, 200, copy, 0, 0, 300, 200},
        {300, 200, 300, 200, stretch, 0, 0, 300, 200},
        {300, 200, 600, 100, stretch, 0, 75, 300, 50},
        {300, 200, 600, 400, stretch, 0, 0, 300, 200},
        {300, 200, 100, 400, stretch, 125, 0, 50, 200},
        {10, 10, 11, 3, stretch, 0, 4, 10, 2},
        {406, 278, 470, 328, stretch, 4, 0, 398, 278},
        {0, 0, 470, 328, stretch, 0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        const BitmapPlacement p = FitBitmapRect(c.W, c.H, c.w, c.h);
        EXPECT_EQ(p.mode, c.mode) << c.W << "x" << c.H << " " << c.w << "x" << c.h;
        EXPECT_EQ(p.x, c.x) << c.W << "x" << c.H << " " << c.w << "x" << c.h;
        EXPECT_EQ(p.y, c.y) << c.W << "x" << c.H << " " << c.w << "x" << c.h;
        EXPECT_EQ(p.width, c.width) << c.W << "x" << c.H << " " << c.w << "x" << c.h;
        EXPECT_EQ(p.height, c.height) << c.W << "x" << c.H << " " << c.w << "x" << c.h;
    }
}

TEST(FitBitmapRect, NoBitmapSizeMeansNothingToDraw) {
    EXPECT_EQ(FitBitmapRect(300, 200, 0, 50).mode, DrawMode::kNothing);
    EXPECT_EQ(FitBitmapRect(300, 200, 50, 0).mode, DrawMode::kNothing);
    EXPECT_EQ(FitBitmapRect(300, 200, -5, 50).mode, DrawMode::kNothing);
    EXPECT_EQ(FitBitmapRect(-1, 200, 5, 5).mode, DrawMode::kNothing);
}

TEST(FitBitmapRect, HugeSizesDoNotOverflow) {
    const BitmapPlacement p = FitBitmapRect(INT_MAX, INT_MAX, INT_MAX, 1);
    EXPECT_EQ(p.mode, DrawMode::kStretch);
    EXPECT_EQ(p.width, INT_MAX);
    EXPECT_EQ(p.height, 1);
    EXPECT_EQ(p.y, (INT_MAX - 1) / 2);
    const BitmapPlacement q = FitBitmapRect(100000, 100000, 70000, 100001);
    EXPECT_EQ(q.mode, DrawMode::kStretch);
    EXPECT_EQ(q.width, 69999);
    EXPECT_EQ(q.x, 15000);
}

TEST(CentreIcon, OddDifferencesTakeTheLargerHalf) {
    int x = 0, y = 0;
    CentreIcon(36, 36, 32, 32, &x, &y);
    EXPECT_EQ(x, 2);
    EXPECT_EQ(y, 2);
    CentreIcon(37, 37, 32, 32, &x, &y);
    EXPECT_EQ(x, 3);
    EXPECT_EQ(y, 3);
}

}  // namespace
}  // namespace orvane
