// Tables: rows and cells with spans, the column and row sizing, and their painting.
#include <algorithm>
#include <functional>
#include <numeric>

#include "markup/markup_layout.h"

namespace vn340 {

namespace {

constexpr int kMaxSpan = 64;
constexpr int kMaxColumns = 256;

struct CellDoc {
    std::string_view attributes;
    std::string_view content;
};

struct RowDoc {
    std::string_view attributes;
    std::vector<CellDoc> cells;
};

int spanOf(std::string_view attributes, std::string_view name) {
    for (const auto& a : parseAttributes(attributes)) {
        if (a.name == name) {
            return static_cast<int>(
                std::clamp<long long>(readAutoBaseInteger(a.value), 1, kMaxSpan));
        }
    }
    return 1;
}

}  // namespace

struct LayoutPass::TableDoc {
    std::string_view attributes;
    std::vector<RowDoc> rows;
};

namespace {

// Collects the rows and cells of one table from its tokens, with nested tables left whole
// inside the content of their cell.
class TableCells {
  public:
    TableCells(std::string_view text, std::vector<RowDoc>& rows) : text_(text), rows_(rows) {}

    // The token from `start` to `end`; false at the table's own end tag.
    bool take(const MarkupToken& t, std::size_t start, std::size_t end) {
        if (t.kind != MarkupToken::Kind::tag) {
            return true;
        }
        if (t.name == "table") {
            return nest(t, start);
        }
        if (depth_ == 0 && (t.name == "tr" || t.name == "td")) {
            open(t, start, end);
        }
        return true;
    }

    // A cell's content runs up to the next row, cell or end tag of either, or the table's end.
    void closeCell(std::size_t at) {
        if (cellOpen_) {
            rows_.back().cells.back().content = text_.substr(contentStart_, at - contentStart_);
            cellOpen_ = false;
        }
    }

  private:
    bool nest(const MarkupToken& t, std::size_t start) {
        if (!t.closing) {
            ++depth_;
        } else if (depth_ > 0) {
            --depth_;
        } else {
            closeCell(start);
            return false;
        }
        return true;
    }

    // A cell before the first row is dropped.
    void open(const MarkupToken& t, std::size_t start, std::size_t end) {
        closeCell(start);
        if (t.closing) {
            return;
        }
        if (t.name == "tr") {
            rows_.push_back(RowDoc{t.attributes, {}});
        } else if (!rows_.empty()) {
            rows_.back().cells.push_back(CellDoc{t.attributes, {}});
            cellOpen_ = true;
            contentStart_ = end;
        }
    }

    std::string_view text_;
    std::vector<RowDoc>& rows_;
    int depth_ = 0;
    bool cellOpen_ = false;
    std::size_t contentStart_ = 0;
};

// Splits "<table ...> ... </table>" into its rows and cells.
void parseTableDoc(std::string_view text, std::string_view& attributes, std::vector<RowDoc>& rows) {
    MarkupTokenizer tok(text);
    MarkupToken t;
    if (!tok.next(t)) {
        return;
    }
    attributes = t.attributes;
    TableCells cells(text, rows);
    std::size_t start = tok.position();
    while (tok.next(t)) {
        if (!cells.take(t, start, tok.position())) {
            return;
        }
        start = tok.position();
    }
    cells.closeCell(text.size());
}

}  // namespace

int LayoutPass::tableBorderWidth() const {
    if (state_.borderStyle == 0 || state_.borderWidth == 0) {
        return 0;
    }
    return state_.borderStyle == border::kSolid ? state_.borderWidth : 1;
}

int LayoutPass::cellBorderWidth() const {
    return (state_.borderStyle == 0 || state_.borderWidth == 0) ? 0 : 1;
}

namespace {

void setBackColour(StyleState& s, std::string_view value, const StyleContext& ctx) {
    if (auto c = readColour(value, *ctx.names)) {
        s.backColor = *c;
        if (s.effect == effect::kTransparent) {
            s.effect = effect::kSolid;
        }
    }
}

void setMidColour(StyleState& s, std::string_view value, const StyleContext& ctx) {
    s.midColor = readColour(value, *ctx.names).value_or(s.midColor);
}

void setEndColour(StyleState& s, std::string_view value, const StyleContext& ctx) {
    s.endColor = readColour(value, *ctx.names).value_or(s.endColor);
}

void setEffect(StyleState& s, std::string_view value, const StyleContext&) {
    s.effect = effectCode(value, s.effect);
}

void setWidth(StyleState& s, std::string_view value, const StyleContext& ctx) {
    s.width = std::clamp(readLength(value, s.width, s.fontSize, ctx), 0, 100000);
}

void setHeight(StyleState& s, std::string_view value, const StyleContext& ctx) {
    s.height = std::clamp(readLength(value, s.height, s.fontSize, ctx), 0, 100000);
}

void setBackgroundImage(StyleState& s, std::string_view value, const StyleContext&) {
    s.backgroundImage = std::string(value);
}

constexpr Keyword kAligns[] = {{"left", 0}, {"center", 1}, {"right", 2}, {"justify", 3}};
constexpr Keyword kVerticalAligns[] = {{"top", 0},    {"middle", 1}, {"vcenter", 1},
                                       {"center", 1}, {"bottom", 2}, {"baseline", 3}};

struct TableAttribute {
    std::string_view name;
    bool tableOnly;  // not read on rows and cells
    bool colour;     // ignored while colours are off
    StyleSetter set;
};

const TableAttribute kTableAttributes[] = {
    {"border", false, false, setBorderWidth},
    {"borderstyle", false, false, withoutContext<setBorderStyle>},
    {"bordercolor", false, false, setBorderColour},
    {"bordercolorlight", false, false, setLightBorderColour},
    {"bordercolordark", false, false, setDarkBorderColour},
    {"bgcolor", false, true, setBackColour},
    {"bgmidcolor", false, true, setMidColour},
    {"bgendcolor", false, true, setEndColour},
    {"bgeffect", false, true, setEffect},
    {"align", false, false, setKeyword<&StyleState::hAlign, kAligns>},
    {"valign", false, false, setKeyword<&StyleState::vAlign, kVerticalAligns>},
    {"width", false, false, setWidth},
    {"height", false, false, setHeight},
    {"cellpadding", true, false, setCellPadding},
    {"cellspacing", true, false, setCellSpacing},
    {"background", true, true, setBackgroundImage},
};

const TableAttribute* findTableAttribute(std::string_view name) {
    for (const TableAttribute& attribute : kTableAttributes) {
        if (attribute.name == name) {
            return &attribute;
        }
    }
    return nullptr;
}

}  // namespace

void LayoutPass::applyTableAttributes(std::string_view attributes, bool isTable, int* colSpan,
                                      int* rowSpan) {
    const StyleContext ctx = context();
    for (const auto& a : parseAttributes(attributes)) {
        if (a.name == "colspan" && colSpan != nullptr) {
            *colSpan = spanOf(attributes, "colspan");
        } else if (a.name == "rowspan" && rowSpan != nullptr) {
            *rowSpan = spanOf(attributes, "rowspan");
        } else if (const TableAttribute* known = findTableAttribute(a.name)) {
            if ((isTable || !known->tableOnly) && (ctx.coloursEnabled || !known->colour)) {
                known->set(state_, a.value, ctx);
            }
        }
    }
}

Size LayoutPass::layoutTable(std::string_view text, const Rect& rect, int wrapWidth) {
    TableDoc doc;
    parseTableDoc(text, doc.attributes, doc.rows);
    std::size_t index = 0;
    if (!drawing()) {
        index = records_.tables.size();
        records_.tables.emplace_back();
    } else {
        index = tableIndex_++;
    }
    const std::size_t depth = stack_.depth();
    pushStyle("table");
    applyRule("table");
    applyTableAttributes(doc.attributes, true, nullptr, nullptr);
    applyDevice();
    Size size;
    if (!drawing()) {
        TableLayout t;
        measureTable(doc, t, wrapWidth);
        size = Size(t.width, t.height);
        records_.tables[index] = std::move(t);
    } else {
        TableLayout t = index < records_.tables.size() ? records_.tables[index] : TableLayout{};
        size = Size(t.width, t.height);
        drawTable(doc, std::move(t), rect);
    }
    unwindStyle(depth);
    return size;
}

void LayoutPass::unwindStyle(std::size_t depth) {
    stack_.unwindTo(depth, state_);
    applyDevice();
}

namespace {

// What the spacing between `count` columns (or rows) and the outline add to their sizes.
long long tableOverhead(int count, int spacing, int outline) {
    return (count + 1LL) * spacing + std::max(0, count - 1) + outline;
}

// The table's outline from its column widths and row heights.
void sizeTable(TableLayout& t, int spacing, int outline) {
    t.width = saturated(std::accumulate(t.colWidths.begin(), t.colWidths.end(), 0LL) +
                        tableOverhead(t.cols, spacing, outline));
    t.height = saturated(std::accumulate(t.rowHeights.begin(), t.rowHeights.end(), 0LL) +
                         tableOverhead(t.rows, spacing, outline));
}

// Columns as wide as their widest single cell, rows as high as their highest; a column is
// fixed when any cell over it has a "width".
void sizeFromSingleCells(TableLayout& t) {
    t.colWidths.assign(static_cast<std::size_t>(t.cols), 0);
    t.fixedCols.assign(static_cast<std::size_t>(t.cols), false);
    t.rowHeights.assign(static_cast<std::size_t>(t.rows), 0);
    for (int r = 0; r < t.rows; ++r) {
        for (int c = 0; c < t.cols; ++c) {
            const TableSlot& s = t.at(r, c);
            if (s.colSpan <= 0) {
                continue;
            }
            for (int k = c; k < c + s.colSpan; ++k) {
                t.fixedCols[static_cast<std::size_t>(k)] =
                    t.fixedCols[static_cast<std::size_t>(k)] || s.fixedWidth;
            }
            if (s.colSpan == 1) {
                auto& w = t.colWidths[static_cast<std::size_t>(c)];
                w = std::max(w, s.width);
            }
            if (s.rowSpan == 1) {
                auto& h = t.rowHeights[static_cast<std::size_t>(r)];
                h = std::max(h, s.height);
            }
        }
    }
}

// Adds `shortfall` to the `span` sizes from `first` in equal parts, the odd pixels to the last
// of them or to the first.
void spread(std::vector<int>::iterator first, int span, int shortfall, bool oddToLast) {
    const int add = shortfall / span;
    std::for_each(first, first + span,
                  [add](int& size) { size = saturated(static_cast<long long>(size) + add); });
    int& odd = oddToLast ? *(first + span - 1) : *first;
    odd = saturated(static_cast<long long>(odd) + shortfall % span);
}

// Wider spans in turn: a spanning cell whose content does not fit widens its columns up to its
// full width, the odd pixels going to the last.
void widenForSpanningCells(TableLayout& t) {
    for (int span = 2; span <= t.cols; ++span) {
        for (int r = 0; r < t.rows; ++r) {
            for (int c = 0; c + span <= t.cols; ++c) {
                const TableSlot& s = t.at(r, c);
                if (s.colSpan != span) {
                    continue;
                }
                auto first = t.colWidths.begin() + c;
                const int sum = saturated(std::accumulate(first, first + span, 0LL));
                if (sum < s.contentWidth) {
                    spread(first, span, s.width - sum, true);
                }
            }
        }
    }
}

// Rows likewise, against the cell's full height, the odd pixels going to the first.
void heightenForSpanningCells(TableLayout& t) {
    for (int span = 2; span <= t.rows; ++span) {
        for (int r = 0; r + span <= t.rows; ++r) {
            for (int c = 0; c < t.cols; ++c) {
                const TableSlot& s = t.at(r, c);
                if (s.colSpan <= 0 || s.rowSpan != span) {
                    continue;
                }
                auto first = t.rowHeights.begin() + r;
                const int sum = saturated(std::accumulate(first, first + span, 0LL));
                if (sum < s.height) {
                    spread(first, span, s.height - sum, false);
                }
            }
        }
    }
}

void sizeColumnsAndRows(TableLayout& t) {
    sizeFromSingleCells(t);
    widenForSpanningCells(t);
    heightenForSpanningCells(t);
}

// Claims the first free slot of row `r` for a cell, cutting its spans to the table; returns
// the slot's column, or -1 when the row has none free.
int claimSlot(std::vector<char>& occupied, int r, int rows, int cols, int& colSpan, int& rowSpan) {
    int c = 0;
    while (c < cols && occupied[static_cast<std::size_t>(r * cols + c)] != 0) {
        ++c;
    }
    if (c == cols) {
        return -1;
    }
    colSpan = std::min(colSpan, cols - c);
    rowSpan = std::min(rowSpan, rows - r);
    for (int k = c; k < c + colSpan; ++k) {
        occupied[static_cast<std::size_t>(r * cols + k)] = 1;
    }
    for (int rr = r + 1; rr < r + rowSpan; ++rr) {
        occupied[static_cast<std::size_t>(rr * cols + c)] = 1;
    }
    return c;
}

}  // namespace

// Walks the cells in document order with the row's and the cell's state in force, placing
// each into the first free slot of its row. Both passes walk alike, so they agree on slots.
void LayoutPass::walkCells(const TableDoc& doc, int cols, const CellVisit& visit) {
    const int rowCount = static_cast<int>(doc.rows.size());
    std::vector<char> occupied(static_cast<std::size_t>(rowCount * cols), 0);
    for (int r = 0; r < rowCount; ++r) {
        const RowDoc& row = doc.rows[static_cast<std::size_t>(r)];
        const std::size_t rowDepth = stack_.depth();
        openRowState(row.attributes);
        for (const CellDoc& cell : row.cells) {
            const std::size_t cellDepth = stack_.depth();
            int colSpan = 1;
            int rowSpan = 1;
            openCellState(cell.attributes, &colSpan, &rowSpan);
            const int c = claimSlot(occupied, r, rowCount, cols, colSpan, rowSpan);
            if (c >= 0) {
                visit(r, c, colSpan, rowSpan, cell.content);
            }
            unwindStyle(cellDepth);
        }
        unwindStyle(rowDepth);
    }
}

namespace {

// Column widths that fit `budget`: fixed columns and columns narrower than an equal share keep
// their natural width, the others share what is left equally, the odd pixels to the last.
std::vector<int> shrinkColumns(const TableLayout& t, int budget) {
    std::vector<int> widths = t.colWidths;
    std::vector<std::size_t> open;
    for (std::size_t c = 0; c < widths.size(); ++c) {
        if (t.fixedCols[c]) {
            budget -= widths[c];
        } else {
            open.push_back(c);
        }
    }
    bool settled = false;
    while (!open.empty() && !settled) {
        settled = true;
        const int share = budget / static_cast<int>(open.size());
        for (auto it = open.begin(); it != open.end();) {
            if (widths[*it] <= share) {
                budget -= widths[*it];
                it = open.erase(it);
                settled = false;
            } else {
                ++it;
            }
        }
    }
    if (!open.empty()) {
        const int count = static_cast<int>(open.size());
        for (std::size_t c : open) {
            widths[c] = std::max(1, budget / count);
        }
        widths[open.back()] = std::max(1, widths[open.back()] + budget % count);
    }
    return widths;
}

// Marks the slots a spanning cell at (r, c) covers; a slot a cell of its own already took in
// an earlier row keeps it.
void coverSpannedSlots(TableLayout& t, int r, int c, int colSpan, int rowSpan) {
    for (int k = c + 1; k < c + colSpan; ++k) {
        t.at(r, k).colSpan = -1;
    }
    for (int rr = r + 1; rr < r + rowSpan; ++rr) {
        if (t.at(rr, c).colSpan == 0) {
            t.at(rr, c).colSpan = -1;
        }
    }
}

int columnCount(const std::vector<RowDoc>& rows) {
    int cols = 0;
    for (const RowDoc& row : rows) {
        int sum = 0;
        for (const CellDoc& cell : row.cells) {
            sum += spanOf(cell.attributes, "colspan");
        }
        cols = std::min(kMaxColumns, std::max(cols, sum));
    }
    return cols;
}

}  // namespace

TableSlot LayoutPass::measureCell(std::string_view content, int wrap, int inset, int colSpan,
                                  int rowSpan) {
    const Size inner = layoutBlock(content, Rect(0, 0, wrap, 0), wrap);
    const int contentWidth = std::max(state_.width, inner.width());
    return TableSlot{colSpan,
                     rowSpan,
                     contentWidth + inset,
                     std::max(state_.height, inner.height()) + inset,
                     inner.height(),
                     state_.width > 0,
                     contentWidth,
                     wrap};
}

void LayoutPass::measureCells(const TableDoc& doc, TableLayout& t,
                              const std::function<int(int, int, int)>& wrapOf) {
    t.cells.assign(static_cast<std::size_t>(t.rows * t.cols), TableSlot{0, 0});
    walkCells(doc, t.cols, [&](int r, int c, int colSpan, int rowSpan, std::string_view content) {
        const int inset = 2 * cellBorderWidth() + 2 * state_.cellPadding;
        const int wrap = state_.width > 0 ? state_.width : wrapOf(c, colSpan, inset);
        t.at(r, c) = measureCell(content, wrap, inset, colSpan, rowSpan);
        coverSpannedSlots(t, r, c, colSpan, rowSpan);
    });
    // Free slots hold nothing; only cells take part in the sizing.
    for (TableSlot& s : t.cells) {
        if (s.colSpan == 0) {
            s = TableSlot{-1, 0};
        }
    }
    sizeColumnsAndRows(t);
}

int LayoutPass::tableOutline() const {
    return state_.borderStyle == border::kDouble && tableBorderWidth() > 0 ? 6
                                                                           : 2 * tableBorderWidth();
}

void LayoutPass::measureTable(const TableDoc& doc, TableLayout& t, int wrapWidth) {
    t.rows = static_cast<int>(doc.rows.size());
    t.cols = columnCount(doc.rows);
    const int spacing = state_.cellSpacing;
    const int outline = tableOutline();
    // First every cell at its natural width. When the table then passes the wrapping width,
    // the columns are narrowed to fit it and the cells measured again wrapped at their
    // columns, so that no column takes the whole width the others need too. What the first
    // measure recorded is taken back before the second.
    const auto takeBack = [this, lines = records_.lines.size(), tables = records_.tables.size(),
                           animations = records_.animations.size(), links = linkIndex_] {
        records_.lines.resize(lines);
        records_.tables.resize(tables);
        records_.animations.resize(animations);
        linkIndex_ = links;
    };
    measureCells(doc, t, [](int, int, int) { return 0; });
    sizeTable(t, spacing, outline);
    if (wrapWidth <= 0 || t.width <= wrapWidth) {
        return;
    }
    const std::vector<int> widths =
        shrinkColumns(t, saturated(wrapWidth - tableOverhead(t.cols, spacing, outline)));
    takeBack();
    measureCells(doc, t, [&](int c, int span, int inset) {
        auto first = widths.begin() + c;
        const long long spanned =
            std::accumulate(first, first + span, 0LL) + (span - 1LL) * (spacing + 1);
        return std::max(1, saturated(spanned - inset));
    });
    sizeTable(t, spacing, outline);
}

void LayoutPass::openRowState(std::string_view attributes) {
    pushStyle("tr");
    applyRule("tr");
    applyTableAttributes(attributes, false, nullptr, nullptr);
    applyDevice();
}

void LayoutPass::openCellState(std::string_view attributes, int* colSpan, int* rowSpan) {
    pushStyle("td");
    state_.width = 0;
    state_.height = 0;
    applyRule("td");
    applyTableAttributes(attributes, false, colSpan, rowSpan);
    applyDevice();
}

namespace {

bool layoutFits(const TableLayout& t, std::size_t rows) {
    return t.rows == static_cast<int>(rows) &&
           t.cells.size() == static_cast<std::size_t>(t.rows * t.cols) &&
           t.colWidths.size() == static_cast<std::size_t>(t.cols) &&
           t.rowHeights.size() == static_cast<std::size_t>(t.rows);
}

// Hands `surplus` pixels to the columns without a "width", in equal parts with the odd ones to
// the last; returns what none took.
int widenLooseColumns(TableLayout& t, int surplus) {
    if (surplus <= 0) {
        return surplus;
    }
    int loose = static_cast<int>(std::count(t.fixedCols.begin(), t.fixedCols.end(), false));
    for (int c = 0; c < t.cols && loose > 0; ++c) {
        if (!t.fixedCols[static_cast<std::size_t>(c)]) {
            const int add = surplus / loose;
            t.colWidths[static_cast<std::size_t>(c)] += add;
            surplus -= add;
            --loose;
        }
    }
    return surplus;
}

// Where each column (or row) starts, and one past the last.
std::vector<int> cellStarts(int first, const std::vector<int>& sizes, int spacing) {
    std::vector<int> starts(sizes.size() + 1);
    starts[0] = first;
    for (std::size_t i = 0; i < sizes.size(); ++i) {
        starts[i + 1] = saturated(static_cast<long long>(starts[i]) + sizes[i] + spacing + 1);
    }
    return starts;
}

// A background picture named "idres:<id>", "iddll:<id>" or "file:<path>".
MarkupImage backgroundTile(const MarkupResources& resources, const std::string& ref) {
    const std::size_t colon = ref.find(':');
    const std::string kind = ref.substr(0, colon);
    const std::string value = colon == std::string::npos ? "" : ref.substr(colon + 1);
    const int id = static_cast<int>(std::clamp<long long>(readAutoBaseInteger(value), 0, 1 << 30));
    if (kind == "idres") {
        return resources.fromProgram(MarkupResources::Kind::bitmap, id);
    }
    if (kind == "iddll") {
        return resources.fromModule(MarkupResources::Kind::bitmap, id, {});
    }
    if (kind == "file") {
        return resources.fromFile(value);
    }
    return {};
}

}  // namespace

bool LayoutPass::fillBackground(const Rect& rect) {
    if (state_.effect == effect::kTransparent || !env_.settings->coloursEnabled) {
        return false;
    }
    dev_.fillEffect(rect, state_.effect, state_.backColor, state_.midColor, state_.endColor, 5, 0);
    return true;
}

void LayoutPass::paintTableBackground(const Rect& outline) {
    if (fillBackground(outline) || !env_.settings->coloursEnabled ||
        state_.backgroundImage.size() <= 5) {
        return;
    }
    const MarkupImage tile = backgroundTile(*env_.resources, state_.backgroundImage);
    if (!tile.isNull()) {
        dev_.tileImage(outline, tile);
    }
}

void LayoutPass::drawCell(const Rect& cellRect, const TableSlot& slot, std::string_view content) {
    fillBackground(cellRect);
    const int cb = cellBorderWidth();
    if (cb > 0) {
        dev_.drawFrame(cellRect, state_.borderDarkColor, state_.borderLightColor,
                       state_.borderStyle, 1);
    }
    const int in = cb + state_.cellPadding;
    const Rect inner = cellRect.adjusted(in, in, -in, -in);
    int top = inner.y();
    if (state_.vAlign == 1) {
        top += (inner.height() - slot.contentHeight) / 2;
    } else if (state_.vAlign == 2) {
        top += inner.height() - slot.contentHeight;
    }
    layoutBlock(content, Rect(inner.x(), top, inner.width(), slot.contentHeight), slot.wrap);
}

void LayoutPass::drawTable(const TableDoc& doc, TableLayout t, const Rect& rect) {
    if (!layoutFits(t, doc.rows.size())) {
        return;  // drawn without a matching measure: nothing sound to paint
    }
    const int surplus = rect.width() - t.width;
    const int left = widenLooseColumns(t, surplus);
    int x = rect.x();
    if (left > 0 && state_.hAlign == 1) {
        x += left / 2;
    } else if (left > 0 && state_.hAlign == 2) {
        x += left;
    }
    const Rect outline(x, rect.y(), t.width + (surplus - left), t.height);
    paintTableBackground(outline);
    const int bw = tableBorderWidth();
    if (bw > 0) {
        dev_.drawFrame(outline, state_.borderLightColor, state_.borderDarkColor, state_.borderStyle,
                       bw);
    }
    const int inset = state_.borderStyle == border::kDouble && bw > 0 ? 3 : bw;
    const int spacing = state_.cellSpacing;
    const std::vector<int> colX = cellStarts(x + inset + spacing, t.colWidths, spacing);
    const std::vector<int> rowY = cellStarts(rect.y() + inset + spacing, t.rowHeights, spacing);
    walkCells(doc, t.cols, [&](int r, int c, int colSpan, int rowSpan, std::string_view content) {
        const auto ci = static_cast<std::size_t>(c);
        const auto ri = static_cast<std::size_t>(r);
        const Rect cellRect(colX[ci], rowY[ri],
                            colX[ci + static_cast<std::size_t>(colSpan)] - colX[ci] - spacing - 1,
                            rowY[ri + static_cast<std::size_t>(rowSpan)] - rowY[ri] - spacing - 1);
        drawCell(cellRect, t.at(r, c), content);
    });
}

}  // namespace vn340
