#pragma once

#include <map>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "markup/colour.h"

namespace vn340 {

// Everything a styled run of markup text carries. Pushing copies the whole state, popping
// restores it, so a closing tag undoes exactly what its opening tag changed.
struct StyleState {
    std::string name;
    int fontSize = 16;
    std::string fontFace = "Verdana";
    int fontWeight = 400;
    bool italic = false;
    bool underline = false;
    bool strikeout = false;
    bool overline = false;
    Colour textColor = Colour::fromRgb(0, 0, 0);
    Colour backColor = Colour::fromRgb(255, 255, 255);
    Colour borderLightColor = Colour::fromRgb(0, 0, 0);
    Colour borderDarkColor = Colour::fromRgb(0, 0, 0);
    Colour midColor = Colour::fromRgb(255, 255, 255);
    Colour endColor = Colour::fromRgb(255, 255, 255);
    int backMode = 1;  // 1 transparent, 2 opaque
    int effect = -1;
    std::string backgroundImage;
    int hAlign = 0;  // 0 left, 1 center, 2 right, 3 justify
    int vAlign = 3;  // 0 top, 1 middle, 2 bottom, 3 baseline
    int borderStyle = 0;
    int borderWidth = 0;
    int width = 0;
    int height = 0;
    int textTransform = 0;  // 0 none, 1 upper, 2 lower, 3 capitalize
    int cellPadding = 2;
    int cellSpacing = 0;
    int linkKind = 0;  // 0 none, 1 href, 2 msg
    std::string linkTarget;
};

class StyleStack {
  public:
    void push(const StyleState& current, std::string name);
    // Pops only when the top entry carries `name`, so a stray closing tag changes nothing.
    bool popIfTop(std::string_view name, StyleState& current);
    // Drops entries above `depth`, restoring the state saved at that depth.
    void unwindTo(std::size_t depth, StyleState& current);
    std::size_t depth() const { return entries_.size(); }
    void clear() { entries_.clear(); }

  private:
    std::vector<StyleState> entries_;
};

// The 140 web colour names plus 28 names of the desktop's own colours.
class ColourNames {
  public:
    // `system` maps the desktop colour names (e.g. "buttonface") to their current values.
    explicit ColourNames(const std::map<std::string, Colour, std::less<>>& system = {});
    std::optional<Colour> find(std::string_view name) const;
    std::size_t size() const { return names_.size(); }
    static const std::vector<std::string_view>& systemColourNames();

  private:
    std::map<std::string, Colour, std::less<>> names_;
};

class StyleSheet {
  public:
    StyleSheet();
    // Replaces every rule; empty text brings back the built-in sheet.
    void set(std::string_view text);
    const std::string* rule(std::string_view selector) const;
    std::size_t size() const { return rules_.size(); }
    static std::string_view defaultText();

  private:
    std::map<std::string, std::string, std::less<>> rules_;
};

// What reading a value needs besides the state itself.
struct StyleContext {
    const ColourNames* names = nullptr;
    int xHeight = 0;  // height of "x" in the current font
    int dpi = 96;
    bool coloursEnabled = true;
    Colour disabledColour = Colour::fromRgb(128, 128, 128);
};

enum class LengthKind { plain, fontSize };

int mulDiv(long long a, long long b, long long c);
long long readAutoBaseInteger(std::string_view text, bool* ok = nullptr);

// Reads a length relative to `current`; unreadable text keeps `current`.
int readLength(std::string_view value, int current, int fontHeight, const StyleContext& ctx,
               LengthKind kind = LengthKind::plain);
std::optional<Colour> readColour(std::string_view value, const ColourNames& names);

// One word a property or attribute takes, and the code it stands for.
struct Keyword {
    std::string_view word;
    int code;
};
// The code of `word` (compared as it is) in `words`; `current` for a word not there.
int keywordCode(std::string_view word, std::span<const Keyword> words, int current);

int effectCode(std::string_view keyword, int current);
int borderStyleCode(std::string_view keyword, int current);

void setTextColour(StyleState& s, std::string_view value, const StyleContext& ctx);
// Both border colours, or only the light one (top and left) or the dark one.
void setBorderColour(StyleState& s, std::string_view value, const StyleContext& ctx);
void setLightBorderColour(StyleState& s, std::string_view value, const StyleContext& ctx);
void setDarkBorderColour(StyleState& s, std::string_view value, const StyleContext& ctx);
void setTextBackground(StyleState& s, std::string_view value, const StyleContext& ctx);
void setBorderWidth(StyleState& s, std::string_view value, const StyleContext& ctx);
void setBorderStyle(StyleState& s, std::string_view value);
// The space inside a table cell and the space between cells.
void setCellPadding(StyleState& s, std::string_view value, const StyleContext& ctx);
void setCellSpacing(StyleState& s, std::string_view value, const StyleContext& ctx);

// One shape for every setter, so that a table of names can hold them.
using StyleSetter = void (*)(StyleState&, std::string_view, const StyleContext&);
template <int StyleState::*Field, const auto& Words>
void setKeyword(StyleState& s, std::string_view value, const StyleContext&) {
    s.*Field = keywordCode(value, Words, s.*Field);
}
template <void (*Set)(StyleState&, std::string_view)>
void withoutContext(StyleState& s, std::string_view value, const StyleContext&) {
    Set(s, value);
}

void applyFontAttribute(StyleState& s, std::string_view name, std::string_view value,
                        const StyleContext& ctx);
void applyStyleProperty(StyleState& s, std::string_view name, std::string_view value,
                        const StyleContext& ctx);
// Reads "name: value; ..." declarations in order.
void applyDeclarations(StyleState& s, std::string_view declarations, const StyleContext& ctx);

std::string transformText(std::string_view text, int textTransform);

}  // namespace vn340
