#pragma once

// The safety warning before a store, as every front end shows it: the window's dialog and the
// page's alike.

#include <string_view>

namespace vn340::safety_warning {

inline constexpr std::string_view kTitle = "Tarvel RC Safety Warning";
inline constexpr std::string_view kDanger =
    "Updating the parameters in fight can result in loss of tail control if incorrect "
    "parameters are loaded to your gyro.";
inline constexpr std::string_view kLanded =
    "If you are using a Orvo-Jack ensure the helicopter has landed, the engine is idling and "
    "the rotor has stopped before making any configuration changes to your gyro.";
inline constexpr std::string_view kAgreement =
    "When changes are made always check that everything operates correctly before taking "
    "off.\n\nYou must agree to follow the above guidance before your gyro is updated.";
inline constexpr std::string_view kDontShowAgain = "Don't show this message again";
inline constexpr std::string_view kAgree = "I agree";
inline constexpr std::string_view kCancel = "Cancel";

}  // namespace vn340::safety_warning
