// Tables: rows and cells with spans, the column and row sizing, and their painting.
#include <algorithm>
#include <functional>
#include <numeric>

#include "ui/markup_layout.h"

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

// Splits "<table ...> ... </table>" into its rows and cells; nested tables stay inside the
// content of their cell.
void parseTableDoc(std::string_view text, std::string_view& attributes, std::vector<RowDoc>& rows) {
    MarkupTokenizer tok(text);
    MarkupToken t;
    if (!tok.next(t)) {
        return;
    }
    attributes = t.attributes;
    int depth = 0;
    bool cellOpen = false;
    std::size_t contentStart = 0;
    auto closeCell = [&](std::size_t at) {
        if (cellOpen) {
            rows.back().cells.back().content = text.substr(contentStart, at - contentStart);
            cellOpen = false;
        }
    };
    std::size_t start = tok.position();
    while (tok.next(t)) {
        if (t.kind == MarkupToken::Kind::tag && t.name == "table") {
            if (!t.closing) {
                ++depth;
            } else if (depth > 0) {
                --depth;
            } else {
                closeCell(start);
                return;
            }
        } else if (depth == 0 && t.kind == MarkupToken::Kind::tag &&
                   (t.name == "tr" || t.name == "td")) {
            closeCell(start);
            if (!t.closing && t.name == "tr") {
                rows.push_back(RowDoc{t.attributes, {}});
            } else if (!t.closing && !rows.empty()) {
                rows.back().cells.push_back(CellDoc{t.attributes, {}});
                cellOpen = true;
                contentStart = tok.position();
            }
        }
        start = tok.position();
    }
    closeCell(text.size());
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

void LayoutPass::applyTableAttributes(std::string_view attributes, bool isTable, int* colSpan,
                                      int* rowSpan) {
    const StyleContext ctx = context();
    const bool colours = ctx.coloursEnabled;
    for (const auto& a : parseAttributes(attributes)) {
        const std::string_view n = a.name;
        const std::string_view v = a.value;
        if (n == "colspan" && colSpan != nullptr) {
            *colSpan = spanOf(attributes, "colspan");
        } else if (n == "rowspan" && rowSpan != nullptr) {
            *rowSpan = spanOf(attributes, "rowspan");
        } else if (n == "border") {
            setBorderWidth(state_, v, ctx);
        } else if (n == "borderstyle") {
            setBorderStyle(state_, v);
        } else if (n == "bordercolor") {
            setBorderColours(state_, v, true, true, ctx);
        } else if (n == "bordercolorlight") {
            setBorderColours(state_, v, true, false, ctx);
        } else if (n == "bordercolordark") {
            setBorderColours(state_, v, false, true, ctx);
        } else if (n == "bgcolor" && colours) {
            if (auto c = readColour(v, *env_.names)) {
                state_.backColor = *c;
                if (state_.effect == effect::kTransparent) {
                    state_.effect = effect::kSolid;
                }
            }
        } else if (n == "bgmidcolor" && colours) {
            state_.midColor = readColour(v, *env_.names).value_or(state_.midColor);
        } else if (n == "bgendcolor" && colours) {
            state_.endColor = readColour(v, *env_.names).value_or(state_.endColor);
        } else if (n == "bgeffect" && colours) {
            state_.effect = effectCode(v, state_.effect);
        } else if (n == "align") {
            if (v == "left")
                state_.hAlign = 0;
            else if (v == "center")
                state_.hAlign = 1;
            else if (v == "right")
                state_.hAlign = 2;
            else if (v == "justify")
                state_.hAlign = 3;
        } else if (n == "valign") {
            if (v == "top")
                state_.vAlign = 0;
            else if (v == "middle" || v == "vcenter" || v == "center")
                state_.vAlign = 1;
            else if (v == "bottom")
                state_.vAlign = 2;
            else if (v == "baseline")
                state_.vAlign = 3;
        } else if (n == "width") {
            state_.width = std::clamp(readLength(v, state_.width, state_.fontSize, ctx), 0, 100000);
        } else if (n == "height") {
            state_.height =
                std::clamp(readLength(v, state_.height, state_.fontSize, ctx), 0, 100000);
        } else if (isTable && n == "cellpadding") {
            state_.cellPadding =
                std::clamp(readLength(v, state_.cellPadding, state_.fontSize, ctx), 0, 1000);
        } else if (isTable && n == "cellspacing") {
            state_.cellSpacing =
                std::clamp(readLength(v, state_.cellSpacing, state_.fontSize, ctx), 0, 1000);
        } else if (isTable && n == "background" && colours) {
            state_.backgroundImage = std::string(v);
        }
    }
}

QSize LayoutPass::layoutTable(std::string_view text, const QRect& rect, int wrapWidth) {
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
    QSize size;
    if (!drawing()) {
        TableLayout t;
        measureTable(doc, t, wrapWidth);
        size = QSize(t.width, t.height);
        records_.tables[index] = std::move(t);
    } else {
        TableLayout t = index < records_.tables.size() ? records_.tables[index] : TableLayout{};
        size = QSize(t.width, t.height);
        drawTable(doc, std::move(t), rect);
    }
    stack_.unwindTo(depth, state_);
    applyDevice();
    return size;
}

namespace {

// The table's outline from its column widths and row heights.
void sizeTable(TableLayout& t, int spacing, int outline) {
    const int cols = t.cols;
    const int rows = t.rows;
    t.width = saturated(std::accumulate(t.colWidths.begin(), t.colWidths.end(), 0LL) +
                        (cols + 1LL) * spacing + std::max(0, cols - 1) + outline);
    t.height = saturated(std::accumulate(t.rowHeights.begin(), t.rowHeights.end(), 0LL) +
                         (rows + 1LL) * spacing + std::max(0, rows - 1) + outline);
}

void sizeColumnsAndRows(TableLayout& t) {
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
    // Wider spans in turn: a spanning cell whose content does not fit widens its columns
    // equally up to its full width, the odd pixels going to the last; rows likewise (against
    // the full height), the odd pixels going to the first.
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
                    const int add = (s.width - sum) / span;
                    std::for_each(first, first + span, [add](int& w) {
                        w = saturated(static_cast<long long>(w) + add);
                    });
                    *(first + span - 1) = saturated(static_cast<long long>(*(first + span - 1)) +
                                                    (s.width - sum) % span);
                }
            }
        }
    }
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
                    const int add = (s.height - sum) / span;
                    std::for_each(first, first + span, [add](int& h) {
                        h = saturated(static_cast<long long>(h) + add);
                    });
                    *first = saturated(static_cast<long long>(*first) + (s.height - sum) % span);
                }
            }
        }
    }
}

}  // namespace

// Walks the cells in document order with the row's and the cell's state in force, placing
// each into the first free slot of its row. Both passes walk alike, so they agree on slots.
template <typename CellFn>
static void forEachCell(const std::vector<RowDoc>& rows, int cols, StyleStack& stack,
                        CellFn&& visit, std::function<void(std::string_view)> openRow,
                        std::function<void(std::string_view, int*, int*)> openCell,
                        std::function<void(std::size_t)> unwind) {
    const int rowCount = static_cast<int>(rows.size());
    std::vector<char> occupied(static_cast<std::size_t>(rowCount * cols), 0);
    for (int r = 0; r < rowCount; ++r) {
        const std::size_t rowDepth = stack.depth();
        openRow(rows[static_cast<std::size_t>(r)].attributes);
        for (const CellDoc& cell : rows[static_cast<std::size_t>(r)].cells) {
            const std::size_t cellDepth = stack.depth();
            int colSpan = 1;
            int rowSpan = 1;
            openCell(cell.attributes, &colSpan, &rowSpan);
            int c = 0;
            while (c < cols && occupied[static_cast<std::size_t>(r * cols + c)] != 0) {
                ++c;
            }
            if (c < cols) {
                colSpan = std::min(colSpan, cols - c);
                rowSpan = std::min(rowSpan, rowCount - r);
                for (int k = c; k < c + colSpan; ++k) {
                    occupied[static_cast<std::size_t>(r * cols + k)] = 1;
                }
                for (int rr = r + 1; rr < r + rowSpan; ++rr) {
                    occupied[static_cast<std::size_t>(rr * cols + c)] = 1;
                }
                visit(r, c, colSpan, rowSpan, cell.content);
            }
            unwind(cellDepth);
        }
        unwind(rowDepth);
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

}  // namespace

void LayoutPass::measureCells(const TableDoc& doc, TableLayout& t,
                              const std::function<int(int, int, int)>& wrapOf) {
    t.cells.assign(static_cast<std::size_t>(t.rows * t.cols), TableSlot{0, 0});
    forEachCell(
        doc.rows, t.cols, stack_,
        [&](int r, int c, int colSpan, int rowSpan, std::string_view content) {
            const int inset = 2 * cellBorderWidth() + 2 * state_.cellPadding;
            const int wrap = state_.width > 0 ? state_.width : wrapOf(c, colSpan, inset);
            const QSize inner = layoutBlock(content, QRect(0, 0, wrap, 0), wrap);
            const int contentWidth = std::max(state_.width, inner.width());
            TableSlot& s = t.at(r, c);
            s = TableSlot{colSpan,
                          rowSpan,
                          contentWidth + inset,
                          std::max(state_.height, inner.height()) + inset,
                          inner.height(),
                          state_.width > 0,
                          contentWidth,
                          wrap};
            for (int k = c + 1; k < c + colSpan; ++k) {
                t.at(r, k).colSpan = -1;
            }
            for (int rr = r + 1; rr < r + rowSpan; ++rr) {
                if (t.at(rr, c).colSpan == 0) {
                    t.at(rr, c).colSpan = -1;
                }
            }
        },
        [&](std::string_view a) { openRowState(a); },
        [&](std::string_view a, int* cs, int* rs) { openCellState(a, cs, rs); },
        [&](std::size_t d) {
            stack_.unwindTo(d, state_);
            applyDevice();
        });
    // Free slots hold nothing; only cells take part in the sizing.
    for (TableSlot& s : t.cells) {
        if (s.colSpan == 0) {
            s = TableSlot{-1, 0};
        }
    }
    sizeColumnsAndRows(t);
}

void LayoutPass::measureTable(const TableDoc& doc, TableLayout& t, int wrapWidth) {
    t.rows = static_cast<int>(doc.rows.size());
    t.cols = 0;
    for (const RowDoc& row : doc.rows) {
        int sum = 0;
        for (const CellDoc& cell : row.cells) {
            sum += spanOf(cell.attributes, "colspan");
        }
        t.cols = std::min(kMaxColumns, std::max(t.cols, sum));
    }
    const int spacing = state_.cellSpacing;
    const int outline = state_.borderStyle == border::kDouble && tableBorderWidth() > 0
                            ? 6
                            : 2 * tableBorderWidth();
    // First every cell at its natural width. When the table then passes the wrapping width,
    // the columns are narrowed to fit it and the cells measured again wrapped at their
    // columns, so that no column takes the whole width the others need too.
    const std::size_t lines = records_.lines.size();
    const std::size_t tables = records_.tables.size();
    const std::size_t animations = records_.animations.size();
    const int links = linkIndex_;
    measureCells(doc, t, [](int, int, int) { return 0; });
    sizeTable(t, spacing, outline);
    if (wrapWidth > 0 && t.width > wrapWidth) {
        const long long overhead = (t.cols + 1LL) * spacing + std::max(0, t.cols - 1) + outline;
        const std::vector<int> widths =
            shrinkColumns(t, saturated(static_cast<long long>(wrapWidth) - overhead));
        records_.lines.resize(lines);
        records_.tables.resize(tables);
        records_.animations.resize(animations);
        linkIndex_ = links;
        measureCells(doc, t, [&](int c, int span, int inset) {
            auto first = widths.begin() + c;
            const long long spanned =
                std::accumulate(first, first + span, 0LL) + (span - 1LL) * (spacing + 1);
            return std::max(1, saturated(spanned - inset));
        });
        sizeTable(t, spacing, outline);
    }
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

void LayoutPass::drawTable(const TableDoc& doc, TableLayout t, const QRect& rect) {
    const bool matches = t.rows == static_cast<int>(doc.rows.size()) &&
                         t.cells.size() == static_cast<std::size_t>(t.rows * t.cols) &&
                         t.colWidths.size() == static_cast<std::size_t>(t.cols) &&
                         t.rowHeights.size() == static_cast<std::size_t>(t.rows);
    if (!matches) {
        return;  // drawn without a matching measure: nothing sound to paint
    }
    int diff = rect.width() - t.width;
    int width = t.width;
    if (diff > 0) {
        int loose = static_cast<int>(std::count(t.fixedCols.begin(), t.fixedCols.end(), false));
        for (int c = 0; c < t.cols && loose > 0; ++c) {
            if (!t.fixedCols[static_cast<std::size_t>(c)]) {
                const int add = diff / loose;
                t.colWidths[static_cast<std::size_t>(c)] += add;
                diff -= add;
                width += add;
                --loose;
            }
        }
    }
    int x = rect.x();
    if (diff > 0 && state_.hAlign == 1) {
        x += diff / 2;
    } else if (diff > 0 && state_.hAlign == 2) {
        x += diff;
    }
    const QRect outline(x, rect.y(), width, t.height);
    const bool colours = env_.settings->coloursEnabled;
    if (state_.effect != effect::kTransparent && colours) {
        dev_.fillEffect(outline, state_.effect, state_.backColor, state_.midColor, state_.endColor,
                        5, 0);
    } else if (colours && state_.backgroundImage.size() > 5) {
        const std::string& ref = state_.backgroundImage;
        const std::size_t colon = ref.find(':');
        const std::string kind = ref.substr(0, colon);
        const std::string value = colon == std::string::npos ? "" : ref.substr(colon + 1);
        QImage tile;
        const int id =
            static_cast<int>(std::clamp<long long>(readAutoBaseInteger(value), 0, 1 << 30));
        if (kind == "idres") {
            tile = env_.resources->fromProgram(MarkupResources::Kind::bitmap, id);
        } else if (kind == "iddll") {
            tile = env_.resources->fromModule(MarkupResources::Kind::bitmap, id, {});
        } else if (kind == "file") {
            tile = env_.resources->fromFile(value);
        }
        if (!tile.isNull()) {
            dev_.tileImage(outline, tile);
        }
    }
    const int bw = tableBorderWidth();
    if (bw > 0) {
        dev_.drawFrame(outline, state_.borderLightColor, state_.borderDarkColor, state_.borderStyle,
                       bw);
    }
    const int inset = state_.borderStyle == border::kDouble && bw > 0 ? 3 : bw;
    const int spacing = state_.cellSpacing;
    std::vector<int> colX(static_cast<std::size_t>(t.cols) + 1);
    std::vector<int> rowY(static_cast<std::size_t>(t.rows) + 1);
    colX[0] = x + inset + spacing;
    for (std::size_t c = 0; c < static_cast<std::size_t>(t.cols); ++c) {
        colX[c + 1] = saturated(static_cast<long long>(colX[c]) + t.colWidths[c] + spacing + 1);
    }
    rowY[0] = rect.y() + inset + spacing;
    for (std::size_t r = 0; r < static_cast<std::size_t>(t.rows); ++r) {
        rowY[r + 1] = saturated(static_cast<long long>(rowY[r]) + t.rowHeights[r] + spacing + 1);
    }
    forEachCell(
        doc.rows, t.cols, stack_,
        [&](int r, int c, int colSpan, int rowSpan, std::string_view content) {
            const auto ci = static_cast<std::size_t>(c);
            const auto ri = static_cast<std::size_t>(r);
            const QRect cellRect(
                colX[ci], rowY[ri],
                colX[ci + static_cast<std::size_t>(colSpan)] - colX[ci] - spacing - 1,
                rowY[ri + static_cast<std::size_t>(rowSpan)] - rowY[ri] - spacing - 1);
            if (state_.effect != effect::kTransparent && colours) {
                dev_.fillEffect(cellRect, state_.effect, state_.backColor, state_.midColor,
                                state_.endColor, 5, 0);
            }
            const int cb = cellBorderWidth();
            if (cb > 0) {
                dev_.drawFrame(cellRect, state_.borderDarkColor, state_.borderLightColor,
                               state_.borderStyle, 1);
            }
            const int in = cb + state_.cellPadding;
            const QRect inner = cellRect.adjusted(in, in, -in, -in);
            const int contentHeight = t.at(r, c).contentHeight;
            int top = inner.y();
            if (state_.vAlign == 1) {
                top += (inner.height() - contentHeight) / 2;
            } else if (state_.vAlign == 2) {
                top += inner.height() - contentHeight;
            }
            layoutBlock(content, QRect(inner.x(), top, inner.width(), contentHeight),
                        t.at(r, c).wrap);
        },
        [&](std::string_view a) { openRowState(a); },
        [&](std::string_view a, int* cs, int* rs) { openCellState(a, cs, rs); },
        [&](std::size_t d) {
            stack_.unwindTo(d, state_);
            applyDevice();
        });
}

}  // namespace vn340
