#include "config/field_editor.h"

#include "base/integer_text.h"
#include "config/field_rules.h"

namespace vn340 {
namespace {

// The model's text of a field, for a model that may be changed or not.
template <typename Config>
auto& textOfModel(Config& config, TextField field) {
    switch (field) {
        case TextField::FirmwareVersion:
            return config.firmwareVersion;
        case TextField::LoaderVersion:
            return config.loaderVersion;
        case TextField::SerialNumber:
            return config.serialNumber;
        case TextField::UserComments:
            break;
    }
    return config.userComments;
}

}  // namespace

const std::array<BoxField, kBoxFieldCount>& exchangeOrder() {
    using N = NumericField;
    using T = TextField;
    static const std::array<BoxField, kBoxFieldCount> order{
        N::HighEndpoint, N::CwStopGain,   N::CcwStopGain,     N::StickDeadband,   N::RateExpo,
        N::AvcsExpo,     N::LowEndpoint,  N::AvcsSensitivity, T::FirmwareVersion, T::LoaderVersion,
        T::SerialNumber, N::MidpointTrim, T::UserComments,
    };
    return order;
}

std::string boxText(const GyroConfig& config, BoxField field) {
    if (const auto* number = std::get_if<NumericField>(&field)) {
        return std::to_string(fieldValue(config, *number));
    }
    return textOfModel(config, std::get<TextField>(field));
}

std::optional<NumericField> takeBoxTexts(GyroConfig& config,
                                         const std::function<std::string(BoxField)>& textOf) {
    for (const BoxField& field : exchangeOrder()) {
        if (const auto* number = std::get_if<NumericField>(&field)) {
            const std::optional<int> value = parseEditInteger(textOf(field));
            if (!value) {
                return *number;
            }
            fieldValue(config, *number) = *value;
        } else {
            textOfModel(config, std::get<TextField>(field)) = textOf(field);
        }
    }
    return std::nullopt;
}

std::optional<int> parseEditInteger(std::string_view text) {
    return parseInteger(text, {.wholeText = true});
}

}  // namespace vn340
