#pragma once

// Painting routines behind the help tips: background effects, image drawing with style
// changes and drop shadows, alpha blending, and frame and line painters.
//
// The "device" of every routine is a QPainter. Routines that only fill (effects, gradients,
// frames, lines, tiles) work on any paint device; routines that read back what is already
// painted (shadows, blending, images) need the painter to be active on a QImage
// (Format_ARGB32) and do nothing otherwise. The painter's translation is honoured, and
// write-backs respect its clip.
//
// Pixel values in the colour functions are 24-bit in QImage order (0x00RRGGBB, blue in the
// low byte); the alpha byte of an input is not carried. Colours handed in by callers are
// `Colour` (GDI order) and converted where they meet pixels.

#include <cstdint>
#include <functional>
#include <vector>

#include <QImage>
#include <QPoint>
#include <QRect>
#include <QSize>

#include "markup/colour.h"
#include "markup/draw_codes.h"

class QPainter;

namespace vn340 {

// ---- colour functions -------------------------------------------------------------------

std::uint32_t ToGray(std::uint32_t pixel);
std::uint32_t Darken(std::uint32_t pixel, double factor);   // 0 <= f < 1, else unchanged
std::uint32_t Lighten(std::uint32_t pixel, double factor);  // 0 < f <= 1, else unchanged
std::uint32_t Invert(std::uint32_t pixel);
std::uint32_t Mix(std::uint32_t a, double alpha, std::uint32_t b, double beta);

// The same on GDI-ordered colours.
Colour ToGray(Colour c);
Colour Darken(Colour c, double factor);
Colour Lighten(Colour c, double factor);
Colour Invert(Colour c);
Colour Mix(Colour a, double alpha, Colour b, double beta);

// 0x00RRGGBB pixel value of a colour and back.
std::uint32_t ToPixel(Colour c);
Colour FromPixel(std::uint32_t pixel);

// ---- images -------------------------------------------------------------------------------

// An icon as Windows keeps one: a colour image (black where transparent, unless it carries
// its own alpha) and an AND mask (white where transparent, black where opaque), plus the
// hot spot, which for an icon is its centre.
struct Icon {
    QImage colour;
    QImage mask;
    QPoint hotspot;

    bool isNull() const { return colour.isNull() || mask.isNull(); }
    // An icon from an image with alpha (a resource or file): pixels with alpha 0 become
    // transparent; the hot spot is the centre.
    static Icon fromImage(const QImage& image);
};

// An 8-bit-or-less device-independent bitmap in one block: the 40-byte header, the colour
// table (blue, green, red, 0 per entry), then the rows bottom-up.
class IndexedBitmap {
  public:
    static constexpr int kHeaderSize = 40;

    // Frees whatever was there first. Returns false (and holds nothing) for a size that
    // cannot be held.
    bool Create(int width, int height, int bitsPerPixel);
    void Clear();

    int width() const { return width_; }
    int height() const { return height_; }
    int bitsPerPixel() const { return bitsPerPixel_; }
    int entryCount() const { return entryCount_; }
    int stride() const { return stride_; }
    bool isNull() const { return block_.empty(); }
    const std::vector<std::uint8_t>& block() const { return block_; }

    // Colour table entry; out-of-range indices are ignored (read as black).
    void SetEntry(int index, Colour c);
    Colour Entry(int index) const;

    // 8-bit pixel access by column x and row b counted from the bottom; out-of-range is
    // ignored (reads 0).
    void SetIndex(int x, int b, std::uint8_t value);
    std::uint8_t Index(int x, int b) const;
    std::uint8_t* Row(int b);  // nullptr when out of range

    // Puts the bitmap unchanged at (x, y).
    void Draw(QPainter& dc, int x, int y);
    // The bitmap as an ARGB32 image (opaque), as Draw would put it.
    QImage ToImage() const;

  private:
    void FillImage(QImage& image) const;

    std::vector<std::uint8_t> block_;
    int width_ = 0;
    int height_ = 0;
    int bitsPerPixel_ = 0;
    int entryCount_ = 0;
    int stride_ = 0;
    QImage section_;  // made on the first Draw after Create, reused after
    bool sectionMade_ = false;
};

// The part of a pattern that is built: its columns from x0 and rows (counted from the top)
// from y0, and the pattern row b, counted from the bottom, of the part's bottom row.
struct PatternWindow {
    int x0 = 0;
    int y0 = 0;
    int bOffset = 0;
};

// A uniform random integer 0..32767 per call.
using RandomSource = std::function<int()>;

QSize BitmapSize(const QImage& bitmap);
QSize IconSize(const Icon& icon);
Icon ScaleIcon(const Icon& icon, int w, int h);

// Covers (x, y, w, h) with copies of the tileW x tileH block of src at (sx, sy).
void TileBlit(QPainter& dst, int x, int y, int w, int h, const QImage& src, int sx, int sy,
              int tileW, int tileH);

class DrawEffects {
  public:
    DrawEffects();

    // Replaces the random source used by the pattern effects (tests make patterns exact).
    void SetRandomSource(RandomSource source);

    // ---- fills
    void FillEffect(QPainter& dc, int code, const QRect& rect, Colour begin, Colour mid, Colour end,
                    int granularity, int tint);
    static void DrawGradient(QPainter& dc, const QRect& rect, Colour from, Colour to,
                             bool horizontal);
    // Codes 7..15 into the indexed bitmap; returns false when nothing was made.
    bool DrawPattern(QSize size, int code, int granularity, int tint, Colour begin, Colour mid,
                     Colour end);
    // The same for only the `part` of a pattern of `size` (both from its top left corner):
    // the indexed bitmap then holds just that part.
    bool DrawPatternPart(QSize size, const QRect& part, int code, int granularity, int tint,
                         Colour begin, Colour mid, Colour end);
    IndexedBitmap& indexedBitmap() { return indexedBitmap_; }
    const IndexedBitmap& indexedBitmap() const { return indexedBitmap_; }

    // ---- images
    // A w x h ARGB32 copy of the bitmap's top left corner with the style applied pixel by
    // pixel; sets hasAlpha when the source has any nonzero alpha byte. A source without an
    // alpha channel counts as alpha 0 throughout, as a device bitmap does.
    QImage ConvertImage(const QImage& bitmap, int w, int h, unsigned style, bool useKey,
                        Colour keyColour, Colour solidColour);
    bool hasAlpha() const { return hasAlpha_; }

    void DrawBitmap(QPainter& dc, int x, int y, int w, int h, const QImage& bitmap, bool useKey,
                    Colour keyColour, unsigned style, const ShadowSettings& shadow);
    void DrawIcon(QPainter& dc, int x, int y, int w, int h, const Icon& icon, unsigned style,
                  const ShadowSettings& shadow);
    void DrawImageCell(QPainter& dc, int x, int y, int w, int h, const QImage& strip, int index,
                       int cellW, int cellH, bool useKey, Colour keyColour, unsigned style,
                       const ShadowSettings& shadow);

    // Darkens the device under (x, y, w, h) through the mask (white leaves, black darkens
    // fully); soft blurs the mask over blurX x blurY first (even sizes are made odd).
    static void DrawShadow(QPainter& dc, int x, int y, int w, int h, const QImage& shadowMask,
                           bool soft, int blurX, int blurY);

    // ---- blending
    static void BlendRect(QPainter& dst, int x, int y, int w, int h, const QImage& src, int sx,
                          int sy, int percent);
    static void BlendBySourceAlpha(QPainter& dst, int x, int y, int w, int h, const QImage& src,
                                   int sx, int sy);

    // ---- lines (rect edges inclusive, as QRect::right() and bottom())
    static void DrawFrame(QPainter& dc, const QRect& rect, Colour light, Colour dark,
                          int borderStyle, int width);
    static void DrawLine(QPainter& dc, int x1, int y1, int x2, int y2, Colour colour,
                         int borderStyle, int width);

  private:
    int Random();
    // Fills the pattern bitmap, already sized to the window and given its palette.
    void PaintPattern(QSize size, const PatternWindow& win, int code, int granularity);
    void PaintHardBump(QSize size, const PatternWindow& win, int granularity,
                       const std::function<long long()>& noise);
    void PaintMetal(QSize size, const PatternWindow& win, int granularity,
                    const std::function<long long()>& grain);
    QImage ShadowMaskOf(const QImage& source, bool useKey, Colour keyColour, Colour shadowColour);
    void DrawConverted(QPainter& dc, int x, int y, const QImage& image, const QImage& mask,
                       const QImage& shadowMask, unsigned style, const ShadowSettings& shadow);

    IndexedBitmap indexedBitmap_;
    bool hasAlpha_ = false;
    RandomSource random_;
};

}  // namespace vn340
