#pragma once

// The statistics offer's own words, the same in the window's dialog and on the page.

#include <string_view>

namespace vn340::statistics_dialog {

// With its trailing blank, as the window has always had it.
inline constexpr std::string_view kTitle = "Tarvel RC - Send statistical in-flight gyro data ";
inline constexpr std::string_view kIntro =
    "Your gyro has collected statistical in-flight data that could be of value to Tarvel RC to "
    "improve your gyro via future firmware updates. If you would like to send this data to "
    "Tarvel RC please complete the boxes below and press Send.";
inline constexpr std::string_view kEmailNote =
    "Leave the email box empty if you wish to submit the data anonymously.";
// "Anonymously" means without the email address: the line always names the gyro.
inline constexpr std::string_view kSerialNote =
    "The gyro's serial number is always sent with the data.";
inline constexpr std::string_view kHelicopterLabel = "Helicopter make and model";
inline constexpr std::string_view kServoLabel = "Tail servo make and model";
inline constexpr std::string_view kEmailLabel = "Email Address";
inline constexpr std::string_view kDoNotAsk = "Do not ask next time";
inline constexpr std::string_view kSend = "Send";
inline constexpr std::string_view kSkip = "Skip";
// The upload as it runs, and its one button.
inline constexpr std::string_view kSendingTitle =
    "Tarvel RC - Sending statistical in-flight gyro data";
inline constexpr std::string_view kCancel = "Cancel";
// Room for any make and model, and for an address; not for pages of text in one line.
inline constexpr int kAnswerLimit = 100;

}  // namespace vn340::statistics_dialog
