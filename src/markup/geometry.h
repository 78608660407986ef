#pragma once

// The plain geometry the markup lays out with. Names and behaviour follow Qt's QPoint, QSize
// and QRect, which the desktop converts them to and from (ui/qt_geometry.h), so that the same
// arithmetic gives the same pixels there and on a page without Qt: a rectangle's right and
// bottom are its last column and row, one less than x + width and y + height.

namespace vn340 {

class Point {
  public:
    constexpr Point() = default;
    constexpr Point(int x, int y) : x_(x), y_(y) {}
    constexpr int x() const { return x_; }
    constexpr int y() const { return y_; }
    friend constexpr bool operator==(Point, Point) = default;

  private:
    int x_ = 0;
    int y_ = 0;
};

class Size {
  public:
    // As QSize, a size made without values is invalid: -1 by -1.
    constexpr Size() = default;
    constexpr Size(int width, int height) : width_(width), height_(height) {}
    constexpr int width() const { return width_; }
    constexpr int height() const { return height_; }
    constexpr bool isEmpty() const { return width_ < 1 || height_ < 1; }
    friend constexpr bool operator==(Size, Size) = default;

  private:
    int width_ = -1;
    int height_ = -1;
};

class Rect {
  public:
    constexpr Rect() = default;
    constexpr Rect(int x, int y, int width, int height)
        : x_(x), y_(y), width_(width), height_(height) {}
    constexpr int x() const { return x_; }
    constexpr int y() const { return y_; }
    constexpr int width() const { return width_; }
    constexpr int height() const { return height_; }
    constexpr int left() const { return x_; }
    constexpr int top() const { return y_; }
    constexpr int right() const { return x_ + width_ - 1; }
    constexpr int bottom() const { return y_ + height_ - 1; }
    constexpr Point topLeft() const { return Point(x_, y_); }
    constexpr Size size() const { return Size(width_, height_); }
    constexpr bool isEmpty() const { return width_ < 1 || height_ < 1; }
    constexpr Rect translated(int dx, int dy) const {
        return Rect(x_ + dx, y_ + dy, width_, height_);
    }
    // Moves the left and top edges by dx1 and dy1, the right and bottom edges by dx2 and dy2.
    constexpr Rect adjusted(int dx1, int dy1, int dx2, int dy2) const {
        return Rect(x_ + dx1, y_ + dy1, width_ + dx2 - dx1, height_ + dy2 - dy1);
    }
    friend constexpr bool operator==(Rect, Rect) = default;

  private:
    int x_ = 0;
    int y_ = 0;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace vn340
