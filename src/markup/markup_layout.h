#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "markup/draw_codes.h"
#include "markup/geometry.h"
#include "markup/markup_image.h"
#include "markup/markup_resources.h"
#include "markup/markup_style.h"
#include "markup/markup_tokenizer.h"
#include "markup/text_device.h"

namespace vn340 {

// Layout coordinates saturate here, so that no text, however long or deeply nested, can
// overflow the sums of positions and sizes.
inline constexpr long long kMaxCoordinate = 1LL << 28;
inline int saturated(long long v) {
    return static_cast<int>(v < -kMaxCoordinate ? -kMaxCoordinate
                                                : (v > kMaxCoordinate ? kMaxCoordinate : v));
}

struct LineRecord {
    int width = 0;
    int height = 0;
    int maxDescent = 0;
    int rulePercent = 0;  // summed percentages of percent-wide rules
    int hAlign = 0;
    int spaces = 0;
    bool wrapped = false;
};

struct TableSlot {
    int colSpan = 1;  // -1 for a slot covered by another cell's span
    int rowSpan = 1;
    int width = 0;   // full measured width (content, borders and padding)
    int height = 0;  // full measured height
    int contentHeight = 0;
    bool fixedWidth = false;
    int contentWidth = 0;  // the larger of the cell's "width" and its content's width
    int wrap = 0;          // the width its content was wrapped at, 0 for none
};

struct TableLayout {
    int rows = 0;
    int cols = 0;
    std::vector<TableSlot> cells;  // rows x cols, row by row
    std::vector<int> colWidths;
    std::vector<int> rowHeights;
    std::vector<bool> fixedCols;
    int width = 0;
    int height = 0;
    TableSlot& at(int r, int c) { return cells[static_cast<std::size_t>(r * cols + c)]; }
};

struct AnimationRecord {
    int frame = 0;
    int frameCount = 0;
    int tick = 0;
    int speed = 0;
};

struct LinkArea {
    Rect rect;
    std::string target;
    int kind = 0;
    int index = 0;
};

struct LayoutRecords {
    std::vector<LineRecord> lines;
    std::vector<TableLayout> tables;
    std::vector<AnimationRecord> animations;
};

struct RendererSettings {
    int maxWidth = 0;
    int tabSize = 32;
    bool newlineConversion = true;
    bool coloursEnabled = true;
    Colour disabledColour = Colour::fromRgb(128, 128, 128);
    int shadowDx = 4;
    int shadowDy = 4;
    int shadowDarkness = 50;
    bool softShadow = true;
    int blurX = 7;
    int blurY = 7;
    std::vector<MarkupImage> imageList;
    Size imageListIconSize;
};

// What one pass reads from its renderer.
struct LayoutEnvironment {
    const RendererSettings* settings = nullptr;
    const StyleSheet* sheet = nullptr;
    const ColourNames* names = nullptr;
    MarkupResources* resources = nullptr;
    int hotLink = -2;
};

// One measuring or drawing pass over a preprocessed document. The drawing pass reads back the
// records the measuring pass wrote, in the same order.
class LayoutPass {
  public:
    LayoutPass(TextDevice& device, const LayoutEnvironment& env, LayoutRecords& records,
               std::vector<LinkArea>* links);
    Size run(std::string_view document, const Rect& rect);

  private:
    // The cursor of one run of flow text.
    struct Flow {
        Rect rect;
        int wrapWidth = 0;
        int y = 0;
        int width = 0;  // widest line so far
        // The line being laid out.
        LineRecord rec;
        std::size_t recordIndex = 0;
        int lineX = 0;  // width taken so far, the same in both passes
        int maxAscent = 0;
        bool measured = false;
        bool anyContent = false;
        int trailingSpaces = 0;
        int trailingWidth = 0;
        // Drawing only.
        int startX = 0;
        bool justify = false;
        int extra = 0;
        int extraSoFar = 0;
        int spaceIndex = 0;
    };
    struct TableDoc;
    struct RuleItem;

    bool drawing() const { return links_ != nullptr; }
    StyleContext context();
    void applyDevice();
    void pushStyle(std::string_view name);
    void applyRule(std::string_view selector);
    FontSpec fontSpec() const;

    Size layoutBlock(std::string_view text, const Rect& rect, int wrapWidth);
    Size layoutFlow(std::string_view text, const Rect& rect, int wrapWidth);
    void handleTag(Flow& f, const MarkupToken& token);
    void openStyleTag(const TagInfo& tag, std::string_view attributes);
    void applyFontAttributes(std::string_view attributes);
    void applyClassRules(std::string_view attributes);
    void openLink(std::string_view attributes);

    void startLine(Flow& f);
    void endLine(Flow& f, int count, bool wrapped);
    int pieceTop(const Flow& f, int height, int ascent) const;
    void placeRun(Flow& f, std::string_view run);
    void placePiece(Flow& f, std::string_view piece);
    void drawJustified(Flow& f, int x, int top, std::string_view piece);
    void placeTab(Flow& f, int count);
    // Measured content on the line; its first fixes the line's alignment.
    void noteContent(Flow& f) const;
    // Content that ends in no blanks: a rule or an image.
    void noteSolidContent(Flow& f) const;
    void placeRule(Flow& f, std::string_view attributes);
    RuleItem readRule(std::string_view attributes, const StyleContext& ctx);
    void measureRule(Flow& f, const RuleItem& rule, const StyleContext& ctx);
    void drawRule(Flow& f, const RuleItem& rule, const StyleContext& ctx);
    void placeImage(Flow& f, TagCode code, std::string_view attributes);
    void placeString(Flow& f, std::string_view attributes);
    void addLinkArea(const Rect& rect);

    Size layoutTable(std::string_view text, const Rect& rect, int wrapWidth);
    void unwindStyle(std::size_t depth);
    void applyTableAttributes(std::string_view attributes, bool isTable, int* colSpan,
                              int* rowSpan);
    void openRowState(std::string_view attributes);
    void openCellState(std::string_view attributes, int* colSpan, int* rowSpan);
    int tableBorderWidth() const;
    int cellBorderWidth() const;
    int tableOutline() const;
    using CellVisit = std::function<void(int row, int column, int colSpan, int rowSpan,
                                         std::string_view content)>;
    void walkCells(const TableDoc& doc, int cols, const CellVisit& visit);
    void measureTable(const TableDoc& doc, TableLayout& t, int wrapWidth);
    // Measures every cell, wrapping a cell without a "width" at `wrapOf(column, span, inset)`.
    void measureCells(const TableDoc& doc, TableLayout& t,
                      const std::function<int(int, int, int)>& wrapOf);
    TableSlot measureCell(std::string_view content, int wrap, int inset, int colSpan, int rowSpan);
    void drawTable(const TableDoc& doc, TableLayout t, const Rect& rect);
    // Fills the rectangle with the background effect in force; false when there is none.
    bool fillBackground(const Rect& rect);
    void paintTableBackground(const Rect& outline);
    void drawCell(const Rect& cellRect, const TableSlot& slot, std::string_view content);

    TextDevice& dev_;
    LayoutEnvironment env_;
    LayoutRecords& records_;
    std::vector<LinkArea>* links_;
    StyleState state_;
    StyleStack stack_;
    TextMetrics metrics_;
    int linkIndex_ = -1;
    std::size_t lineIndex_ = 0;
    std::size_t tableIndex_ = 0;
    std::size_t animationIndex_ = 0;
    int availableWidth_ = 0;
};

}  // namespace vn340
