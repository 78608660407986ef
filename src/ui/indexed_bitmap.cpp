#include <QPainter>

#include "ui/draw_effects.h"

namespace vn340 {

namespace {

// Far beyond any help tip; keeps the block size well inside an int.
constexpr long long kMaxBlockBytes = 1LL << 26;

void PutLe32(std::uint8_t* at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        at[i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}

int EntriesFor(int bitsPerPixel) {
    switch (bitsPerPixel) {
        case 1:
            return 2;
        case 4:
            return 16;
        case 8:
            return 256;
        default:
            return 0;
    }
}

}  // namespace

void IndexedBitmap::Clear() {
    block_.clear();
    width_ = height_ = bitsPerPixel_ = entryCount_ = stride_ = 0;
    section_ = QImage();
    sectionMade_ = false;
}

bool IndexedBitmap::Create(int width, int height, int bitsPerPixel) {
    Clear();
    if (width <= 0 || height <= 0 || bitsPerPixel <= 0 || bitsPerPixel > 32) {
        return false;
    }
    const long long stride = ((static_cast<long long>(width) * bitsPerPixel + 31) / 32) * 4;
    const int entries = EntriesFor(bitsPerPixel);
    const long long size = kHeaderSize + 4LL * entries + stride * height;
    if (size > kMaxBlockBytes) {
        return false;
    }
    block_.assign(static_cast<std::size_t>(size), 0);
    width_ = width;
    height_ = height;
    bitsPerPixel_ = bitsPerPixel;
    entryCount_ = entries;
    stride_ = static_cast<int>(stride);
    std::uint8_t* h = block_.data();
    PutLe32(h + 0, kHeaderSize);
    PutLe32(h + 4, static_cast<std::uint32_t>(width));
    PutLe32(h + 8, static_cast<std::uint32_t>(height));
    h[12] = 1;  // planes
    h[14] = static_cast<std::uint8_t>(bitsPerPixel);
    PutLe32(h + 20, static_cast<std::uint32_t>(stride * height));
    return true;
}

void IndexedBitmap::SetEntry(int index, Colour c) {
    if (index < 0 || index >= entryCount_) {
        return;
    }
    std::uint8_t* e = block_.data() + kHeaderSize + 4 * index;
    e[0] = static_cast<std::uint8_t>(c.blue());
    e[1] = static_cast<std::uint8_t>(c.green());
    e[2] = static_cast<std::uint8_t>(c.red());
    e[3] = 0;
}

Colour IndexedBitmap::Entry(int index) const {
    if (index < 0 || index >= entryCount_) {
        return Colour{};
    }
    const std::uint8_t* e = block_.data() + kHeaderSize + 4 * index;
    return Colour::fromRgb(e[2], e[1], e[0]);
}

std::uint8_t* IndexedBitmap::Row(int b) {
    if (b < 0 || b >= height_) {
        return nullptr;
    }
    return block_.data() + kHeaderSize + 4 * entryCount_ + static_cast<std::size_t>(b) * stride_;
}

void IndexedBitmap::SetIndex(int x, int b, std::uint8_t value) {
    if (x < 0 || x >= width_ || entryCount_ == 0) {
        return;
    }
    std::uint8_t* row = Row(b);
    if (row == nullptr) {
        return;
    }
    const int bit = x * bitsPerPixel_;
    const int shift = 8 - bitsPerPixel_ - bit % 8;  // leftmost pixel in the high bits
    const auto mask = static_cast<std::uint8_t>(((1 << bitsPerPixel_) - 1) << shift);
    std::uint8_t& byte = row[bit / 8];
    byte = static_cast<std::uint8_t>((byte & ~mask) | ((value << shift) & mask));
}

std::uint8_t IndexedBitmap::Index(int x, int b) const {
    if (x < 0 || x >= width_ || b < 0 || b >= height_ || entryCount_ == 0) {
        return 0;
    }
    const std::uint8_t* row =
        block_.data() + kHeaderSize + 4 * entryCount_ + static_cast<std::size_t>(b) * stride_;
    const int bit = x * bitsPerPixel_;
    const int shift = 8 - bitsPerPixel_ - bit % 8;
    return static_cast<std::uint8_t>((row[bit / 8] >> shift) & ((1 << bitsPerPixel_) - 1));
}

void IndexedBitmap::FillImage(QImage& image) const {
    std::uint32_t table[256] = {};
    for (int i = 0; i < entryCount_; ++i) {
        table[i] = 0xFF000000u | ToPixel(Entry(i));
    }
    for (int b = 0; b < height_; ++b) {
        auto* line = reinterpret_cast<std::uint32_t*>(image.scanLine(height_ - 1 - b));
        if (bitsPerPixel_ == 8) {
            const std::uint8_t* row = block_.data() + kHeaderSize + 4 * entryCount_ +
                                      static_cast<std::size_t>(b) * stride_;
            for (int x = 0; x < width_; ++x) {
                line[x] = table[row[x]];
            }
        } else {
            for (int x = 0; x < width_; ++x) {
                line[x] = table[Index(x, b)];
            }
        }
    }
}

QImage IndexedBitmap::ToImage() const {
    if (isNull() || entryCount_ == 0) {
        return {};
    }
    QImage image(width_, height_, QImage::Format_ARGB32);
    if (image.isNull()) {
        return {};
    }
    FillImage(image);
    return image;
}

void IndexedBitmap::Draw(QPainter& dc, int x, int y) {
    if (isNull() || entryCount_ == 0) {
        return;
    }
    if (!sectionMade_) {
        section_ = QImage(width_, height_, QImage::Format_ARGB32);
        sectionMade_ = !section_.isNull();
        if (!sectionMade_) {
            return;
        }
    }
    FillImage(section_);
    dc.save();
    dc.setCompositionMode(QPainter::CompositionMode_Source);
    dc.drawImage(QPoint(x, y), section_);
    dc.restore();
}

}  // namespace vn340
