#include <algorithm>
#include <utility>
#include <vector>

#include <QPainter>

#include "ui/draw_device.h"
#include "ui/draw_effects.h"

namespace vn340 {

namespace {

constexpr std::uint32_t kRgbMask = 0x00FFFFFF;

int BlueOf(std::uint32_t pixel) {
    return static_cast<int>(pixel & 0xFF);
}

// The mask stretched into the area inset by half the blur; null when that area is empty or
// there is no mask.
QImage StretchedMask(const QImage& shadowMask, int innerW, int innerH) {
    if (innerW <= 0 || innerH <= 0 || shadowMask.isNull()) {
        return QImage();
    }
    return shadowMask.convertToFormat(QImage::Format_ARGB32)
        .scaled(innerW, innerH, Qt::IgnoreAspectRatio, Qt::FastTransformation);
}

// The sums of a row over blurX pixels around each column: the stretched mask's blue bytes, and
// white around it.
class RowSums {
  public:
    RowSums(QImage inner, int w, int blurX, int blurY)
        : inner_(std::move(inner)),
          w_(w),
          rx_(blurX / 2),
          ry_(blurY / 2),
          whiteRow_(255.0 * blurX),
          values_(static_cast<std::size_t>(w)) {}

    double WhiteRow() const { return whiteRow_; }

    // Rows outside the stretched mask are white throughout.
    void Sum(int y, double* out) {
        const int w = w_;
        const int rx = rx_;
        const int my = y - ry_;
        const int innerW = inner_.width();
        if (inner_.isNull() || my < 0 || my >= inner_.height()) {
            std::fill(out, out + w, whiteRow_);
            return;
        }
        double* values = values_.data();
        std::fill(values, values + w, 255.0);
        const std::uint32_t* m = device::Line(std::as_const(inner_), my);
        for (int x = 0; x < innerW; ++x) {
            values[x + rx] = BlueOf(m[x]);
        }
        auto value = [&](int x) { return x < 0 || x >= w ? 255.0 : values[x]; };
        double sum = 0;
        for (int k = -rx; k <= rx; ++k) {
            sum += value(k);
        }
        for (int x = 0; x < w; ++x) {
            out[x] = sum;
            sum += value(x + rx + 1) - value(x - rx);
        }
    }

  private:
    QImage inner_;
    int w_;
    int rx_;
    int ry_;
    double whiteRow_;
    std::vector<double> values_;
};

// The sums of each column over the blurY rows around the current row. Only the row sums inside
// that window are kept, in a ring: a row entering the window replaces the one that left it one
// step before.
class ColumnSums {
  public:
    ColumnSums(RowSums& rows, int w, int h, int blurY)
        : rows_(rows),
          w_(w),
          h_(h),
          ry_(blurY / 2),
          ringRows_(2 * ry_ + 2),
          ring_(static_cast<std::size_t>(ringRows_) * w),
          column_(static_cast<std::size_t>(w), 0.0) {
        const double white = rows_.WhiteRow();
        double* column = column_.data();
        for (int k = -ry_; k <= ry_; ++k) {
            const double* r = k >= 0 && k < h ? Enter(k) : nullptr;
            for (int x = 0; x < w; ++x) {
                column[x] += r ? r[x] : white;
            }
        }
    }

    const double* Sums() const { return column_.data(); }

    // Moves the window on from row y to row y + 1.
    void Advance(int y) {
        const int enter = y + ry_ + 1;
        const int leave = y - ry_;
        const double* in = enter < h_ ? Enter(enter) : nullptr;
        const double* out = leave >= 0 ? Slot(leave) : nullptr;
        const double white = rows_.WhiteRow();
        const int w = w_;
        double* column = column_.data();
        for (int x = 0; x < w; ++x) {
            column[x] += (in ? in[x] : white) - (out ? out[x] : white);
        }
    }

  private:
    double* Slot(int y) { return ring_.data() + static_cast<std::size_t>(y % ringRows_) * w_; }

    const double* Enter(int y) {
        double* slot = Slot(y);
        rows_.Sum(y, slot);
        return slot;
    }

    RowSums& rows_;
    int w_;
    int h_;
    int ry_;
    int ringRows_;
    std::vector<double> ring_;
    std::vector<double> column_;
};

// Darkens the pixels through the mask's blue bytes, stretched into the area inset by half the
// blur and box-filtered over blurX x blurY, as a fraction of white. The window sums are sums
// of whole numbers, exact in doubles however they are formed, so running sums give the very
// factors of a sum per window. The rows are walked in memory order with one running sum per
// column, so a large shadow needs no buffer of its own size.
void DarkenSoft(QImage& pixels, const QImage& shadowMask, int blurX, int blurY) {
    const int w = pixels.width();
    const int h = pixels.height();
    RowSums rows(StretchedMask(shadowMask, w - blurX, h - blurY), w, blurX, blurY);
    ColumnSums columns(rows, w, h, blurY);
    const double full = 255.0 * blurX * blurY;
    for (int y = 0; y < h; ++y) {
        std::uint32_t* p = device::Line(pixels, y);
        const double* column = columns.Sums();
        for (int x = 0; x < w; ++x) {
            p[x] = (p[x] & ~kRgbMask) | Darken(p[x], column[x] / full);
        }
        columns.Advance(y);
    }
}

int MadeOdd(int blur) {
    blur = std::max(blur, 1);
    return blur % 2 == 0 ? blur + 1 : blur;
}

}  // namespace

void DrawEffects::DrawShadow(QPainter& dc, int x, int y, int w, int h, const QImage& shadowMask,
                             bool soft, int blurX, int blurY) {
    if (w <= 0 || h <= 0) {
        return;
    }
    QImage pixels = device::Read(dc, QRect(x, y, w, h));
    if (pixels.isNull()) {
        return;
    }
    if (soft) {
        DarkenSoft(pixels, shadowMask, MadeOdd(blurX), MadeOdd(blurY));
        device::Write(dc, QPoint(x, y), pixels);
        return;
    }
    std::vector<double> factors(static_cast<std::size_t>(w) * h, 1.0);
    const QImage mask = shadowMask.convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < std::min(h, mask.height()); ++row) {
        const std::uint32_t* m = device::Line(mask, row);
        for (int col = 0; col < std::min(w, mask.width()); ++col) {
            factors[static_cast<std::size_t>(row) * w + col] = BlueOf(m[col]) / 255.0;
        }
    }
    for (int row = 0; row < h; ++row) {
        std::uint32_t* p = device::Line(pixels, row);
        const double* f = factors.data() + static_cast<std::size_t>(row) * w;
        for (int col = 0; col < w; ++col) {
            p[col] = (p[col] & ~kRgbMask) | Darken(p[col], f[col]);
        }
    }
    device::Write(dc, QPoint(x, y), pixels);
}

void DrawEffects::BlendRect(QPainter& dst, int x, int y, int w, int h, const QImage& src, int sx,
                            int sy, int percent) {
    if (w <= 0 || h <= 0 || src.isNull()) {
        return;
    }
    const QImage source = src.copy(sx, sy, w, h).convertToFormat(QImage::Format_ARGB32);
    if (percent >= 100) {
        device::Write(dst, QPoint(x, y), source);
        return;
    }
    QImage pixels = device::Read(dst, QRect(x, y, w, h));
    if (pixels.isNull()) {
        return;
    }
    const double p = std::max(percent, 0) * 0.01;
    for (int row = 0; row < h; ++row) {
        std::uint32_t* d = device::Line(pixels, row);
        const std::uint32_t* s = device::Line(source, row);
        for (int col = 0; col < w; ++col) {
            d[col] = (d[col] & ~kRgbMask) | Mix(s[col], p, d[col], 1.0 - p);
        }
    }
    device::Write(dst, QPoint(x, y), pixels);
}

void DrawEffects::BlendBySourceAlpha(QPainter& dst, int x, int y, int w, int h, const QImage& src,
                                     int sx, int sy) {
    if (w <= 0 || h <= 0 || src.isNull()) {
        return;
    }
    QImage pixels = device::Read(dst, QRect(x, y, w, h));
    if (pixels.isNull()) {
        return;
    }
    const QImage source = src.copy(sx, sy, w, h).convertToFormat(QImage::Format_ARGB32);
    for (int row = 0; row < h; ++row) {
        std::uint32_t* d = device::Line(pixels, row);
        const std::uint32_t* s = device::Line(source, row);
        for (int col = 0; col < w; ++col) {
            const double a = static_cast<double>(s[col] >> 24) / 255.0;
            d[col] = (d[col] & ~kRgbMask) | Mix(s[col], a, d[col], 1.0 - a);
        }
    }
    device::Write(dst, QPoint(x, y), pixels);
}

}  // namespace vn340
