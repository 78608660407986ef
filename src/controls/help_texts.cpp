// The help text of every control of the main window that explains itself, in the order the
// help tips are registered. Controls sharing a text follow one another.
#include "controls/help_texts.h"

namespace vn340 {

namespace {

// clang-format off
constexpr const char* kText1033 =
    "The vn340 is a sophisticated microcomputer system in charge of controlling the helicopter's tail. Unlike traditional rate gyros the rudder channel from the transmitter no longer controls the tail servo position directly. Instead the rudder stick is a command for the vn340 indicating how fast the pilot wishes the helicopter to yaw. The vn340 then decides on required amount of tail pitch to achieve the commanded yaw rate. As such adjusting the transmitter's rudder endpoints will not affect the tail servo limits, it will only affect the magnitude of the command to the vn340 thus resulting to slower or faster yaw rates when full rudder is applied.\n\nSince the vn340 is in full control of the tail pitch it needs to be aware of how far it can drive the tail servo before mechanical binding occurs. For this purpose it has its own set of endpoints, one for each direction of travel, and they are referred to as high and low endpoints. You should select the endpoint value that gives the maximum possible tail rotor pitch without mechanical binding. Also pay attention to the recommendation made in the Linkage Setup section of the vn340 user guide.\n\nThis parameter can be adjusted between 30% and 145%.";
constexpr const char* kText1045 =
    "The Midpoint Trim adjustment provides a small amount of correction at the middle of servo travel to achieve a precise 90 degree angle between the servo arm and pushrod as described on the Linkage Setup section of the vn340 user guide. While experimenting with this setting set your vn340 to Rate Mode.\n\nThis parameter can be adjusted between -100% and 100%.";
constexpr const char* kText1039 =
    "The Stick Deadband adjustment creates a small range around the rudder stick neutral where the gyro is not affected by rudder stick movement. Some pilots prefer a moderate mount of deadband as this allows fast collective pitch changes without accidentally affecting the rudder. By default the vn340 has a negligible amount of deadband which acts as a filter for minute variations when re-centring the rudder stick.\n\nYou may adjust this parameter from in the range 5% and 100%. Larger values will produce a larger deadband.";
constexpr const char* kText1044 =
    "A list of popular tail servos is provided for your convenience. When you select one of the listed servos, the Type and Speed will be automatically set for you. This list is not an exhaustive representation of servos that are compatible with your gyro. If your servo is not listed simply select the \"Generic\" option and adjust the Type and Speed manually. There are no performance limitations when using the \"Generic\" servo type.";
constexpr const char* kText1040 =
    "This adjustment operates in a very similar way as adjusting the rudder exponential of your radio. However being set on the gyro it allows different settings for Rate and AVCS modes. The factory default settings are chosen for comfortable flying with smooth and precise control around stick neutral without compromising the high yaw rates capability of the vn340 full stick deflection. You may adjust this parameter in the range -100% to 100%. Negative values make the rudder control more precise in around mid stick. As this adjustment is set higher the gyro will respond more aggressively to rudder stick changes movements.";
constexpr const char* kText1027 =
    "This parameter allows setting the direction of gyro correction. You should choose the setting that makes the vn340 move the tail blades in such direction that opposes any yaw movement. Further details are available in the vn340 user guide.";
constexpr const char* kText1001 =
    "If you have the new type Vexa-Plug interface cable (with the red label) use the USB option. For the Orvo-Jack and old Vexa-Plug use the COM port that Windows has assigned. If in doubt click on the Detect button and follow the steps to identify the correct COM port.";
constexpr const char* kText1051 =
    "This setting allows the vn340 to match the parameters of your servo's control signal. If your servo is already included in the servo selection list this parameter will be automatically set for you. For all other servos you should set this parameter according to your servo's specifications or servo manufacturer's advice. Some general notes are also available on the Tarvel RC website. See the Frequently Asked Questions on the Support page.";
constexpr const char* kText1052 =
    "This setting allows the vn340 to match your servo's operating speed. If your servo is already included in the servo selection list this parameter will automatically be adjusted for you based on the servo manufacture's specified speed at 4.8V. If you run your servo at a higher voltage you may wish to adjust this parameter accordingly. Tarvel RC recommends the use of dedicated fast tail servos. Servos with speed \n0.11sec/60sec or slower are generally not suited for pilots that seek the optimal performance of this gyro.";
constexpr const char* kText1037 =
    "The stop gain parameters allow a different amount of gain to be used for stops and can be separately adjusted for clockwise and counter-clockwise rotations. If your helicopter does not wag in flight but is showing wag at the stops lower the stop gain of the corresponding direction that causes the wag. Similarly if stop appear too soft, increase the stop gain of that direction.\n\nIncreasing the stop gain will make the stops more aggressive which may help in eliminating stop bounce. You should however also consider adjusting the deceleration profile for this purpose. See the deceleration profile help for further information.\n\nYou may adjust this parameter from in the range 50% and 200%.";
constexpr const char* kText1048 =
    "The Rudder Sensitivity adjustment sets the relationship between rudder stick and the desired yaw speed. Adjusting this parameter has the same effect as adjusting the transmitter's rudder endpoints, however performing this adjustment on the vn340 allows different sensitivity for Rate and AVCS modes. Additionally, it is possible to increase the rudder sensitivity further than the transmitter endpoints allow.\n\nYou can adjust this parameter in the range 50% and 150%.";
constexpr const char* kText1042 =
    "Let's imagine a car driving at high speed when suddenly the driver needs to do an emergency stop. From the moment such decision is made until the car has come to a stop, the car has continued to travel due to the reaction time required to hit the break and the time required for the car to decelerate.\n\nA similar effect happens to a helicopter that yaws fast when suddenly the pilot returns the rudder stick to neutral, thus command the gyro to stop the helicopter. Time is required for the servo to respond as well as to decelerate the tail. Depending on the servo speed and the mechanical capabilities of the heli the combined deceleration distance may vary from a few centimetres which is hardly perceivable by the human eye to several centimetres.  However, unlike the car example, the gyro remembers where the tail was the moment that the stick was returned to neutral. Thus as soon as the helicopter stops the gyro will continue driving back to that point. This appears as a bouncy stop.\n\nBouncy stops can very easily be fixed using the Deceleration Profile adjustment. Effectively, this adjustment tells the vn340 how rapidly to decelerate the tail with the aim of keeping this task within the mechanical capabilities of your heli. By keeping the vn340 in sync with the helicopter the stop can be dramatically improved. If stops appear bouncy move the slider towards the slow setting. If you go too far the stops may appear too soft. The default setting is Fast which is suitable for most 90 size helis and 50 size helis ruining at high rotor RPM and in both cases equipped with fast digital servos. On small electric helis the deceleration slider will need to be set at a much lower setting to achieve the optimum stops. You may also use this adjustment to reduce the mechanical stressed on your machine on sudden stops by choosing a slower setting.\n\nThe Acceleration Profile works in a similar way to Deceleration profile and can be used to soften the start of fast piros.";
constexpr const char* kText1066 =
    "Loads a gyro configuration from a file on your computer. Once loaded the configuration will appear on the screen. You will also need to click on \"Store to Gyro\" if you wish to update your gyro.";
constexpr const char* kText1065 =
    "Save the on screen gyro configuration to a file on your computer. The User Comments will also be saved in the file.";
constexpr const char* kText1032 =
    "Program your vn340 with the on screen configuration.";
constexpr const char* kText1031 =
    "Read the configuration parameters from your vn340 and display them on the screen.";
constexpr const char* kText1064 =
    "Loads the factory default configuration which will appear on the screen. You will also need to click on \"Store to Gyro\" if you wish to update your gyro.";
constexpr const char* kText1069 =
    "Use this area to store any notes related to this configuration. These will be saved together with the configuration parameters when you save them to a file. User comments will not be saved when storing the configuration to the vn340.";
constexpr const char* kText1060 =
    "The Detect function will help identify the COM port that Windows has assigned to your Vexa-Plug interface. Once you start the detect process further instructions will be displayed to guide you through the required steps.";
// clang-format on

}  // namespace

const std::vector<HelpText>& helpTexts() {
    static const std::vector<HelpText> texts{
        {Control::HighEndpoint, kText1033},    {Control::LowEndpoint, kText1033},
        {Control::MidpointTrim, kText1045},    {Control::StickDeadband, kText1039},
        {Control::ServoSelector, kText1044},   {Control::AvcsExpo, kText1040},
        {Control::RateExpo, kText1040},        {Control::NormalButton, kText1027},
        {Control::ReverseButton, kText1027},   {Control::PortSelector, kText1001},
        {Control::TypeSelector, kText1051},    {Control::SpeedSelector, kText1052},
        {Control::CwStopGain, kText1037},      {Control::CcwStopGain, kText1037},
        {Control::AvcsSensitivity, kText1048}, {Control::AccelProfile, kText1042},
        {Control::DecelProfile, kText1042},    {Control::LoadFromFile, kText1066},
        {Control::SaveToFile, kText1065},      {Control::StoreToGyro, kText1032},
        {Control::ReadFromGyro, kText1031},    {Control::LoadDefaults, kText1064},
        {Control::UserComments, kText1069},    {Control::Detect, kText1060},
    };
    return texts;
}

const char* helpTextFor(Control control) {
    for (const HelpText& h : helpTexts()) {
        if (h.control == control) {
            return h.text;
        }
    }
    return nullptr;
}

}  // namespace vn340
