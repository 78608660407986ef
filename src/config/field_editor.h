#pragma once

// The window's boxes as texts: what each box shows for the model, and the rule by which the
// pilot's texts are taken back. The window only copies the texts, moves the focus and selects.

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <variant>

#include "config/field_table.h"
#include "config/gyro_config.h"

namespace vn340 {

// The texts the pilot sees in boxes besides the nine numbers.
enum class TextField { FirmwareVersion, LoaderVersion, SerialNumber, UserComments };

using BoxField = std::variant<NumericField, TextField>;

inline constexpr int kBoxFieldCount = kNumericFieldCount + 4;

// The boxes in the order their texts are taken. A box without a whole number stops the taking,
// so the order decides what is taken.
const std::array<BoxField, kBoxFieldCount>& exchangeOrder();

// What the field's box shows for the model.
std::string boxText(const GyroConfig& config, BoxField field);

// Takes the texts of the boxes, as `textOf` gives them, into the model in exchange order. At
// the first number box whose text is no whole number it stops and returns that field, which
// keeps its value like every field after it.
std::optional<NumericField> takeBoxTexts(GyroConfig& config,
                                         const std::function<std::string(BoxField)>& textOf);

// Told when a box taken as a number holds none.
inline constexpr std::string_view kEnterIntegerText = "Please enter an integer.";

// A number box's text: blanks before and after, an optional sign, decimal digits; beyond 32
// bits it gives the nearest 32-bit limit. Anything else (empty, letters, text after the number)
// is no whole number.
std::optional<int> parseEditInteger(std::string_view text);

}  // namespace vn340
