// The markup's rectangles keep QRect's edges: right and bottom are the last column and row, so
// a tip's frames and cells land on the same pixels with or without Qt.
#include <gtest/gtest.h>

#include <array>

#include "geometry_print.h"
#include "markup/geometry.h"

namespace vn340 {
namespace {

TEST(MarkupGeometry, EdgesAndEmptinessAtTheirLimits) {
    struct Row {
        const char* name;
        Rect rect;
        std::array<int, 4> edges;  // left, top, right, bottom
        bool empty;
    };
    const Row rows[] = {
        {"one pixel", Rect(3, 4, 1, 1), {3, 4, 3, 4}, false},
        {"one wide, two high", Rect(3, 4, 1, 2), {3, 4, 3, 5}, false},
        {"no width", Rect(3, 4, 0, 5), {3, 4, 2, 8}, true},
        {"no height", Rect(3, 4, 5, 0), {3, 4, 7, 3}, true},
        {"made without values", Rect(), {0, 0, -1, -1}, true},
        {"edges moved in", Rect(0, 0, 10, 10).adjusted(1, 2, -3, -4), {1, 2, 6, 5}, false},
        {"moved in until nothing is left",
         Rect(0, 0, 2, 2).adjusted(1, 1, -1, -1),
         {1, 1, 0, 0},
         true},
        {"moved back to the origin", Rect(1, 2, 3, 4).translated(-1, -2), {0, 0, 2, 3}, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const Rect& r = row.rect;
        EXPECT_EQ((std::array{r.left(), r.top(), r.right(), r.bottom()}), row.edges);
        EXPECT_EQ(r.isEmpty(), row.empty);
        EXPECT_EQ(r.topLeft(), Point(r.x(), r.y()));
        EXPECT_EQ(r.size(), Size(r.right() - r.left() + 1, r.bottom() - r.top() + 1));
    }
}

TEST(MarkupGeometry, ASizeIsEmptyBelowOnePixelEachWay) {
    struct Row {
        const char* name;
        Size size;
        bool empty;
    };
    const Row rows[] = {
        {"one by one", Size(1, 1), false},
        {"no width", Size(0, 1), true},
        {"no height", Size(1, 0), true},
        {"made without values, as QSize: invalid", Size(), true},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(row.size.isEmpty(), row.empty);
    }
}

}  // namespace
}  // namespace vn340
