#pragma once

// The main window's controls by their dialog identifiers: the numbers each control has always
// had, which also name its widget ("idc" + the number) for tests and assistive technology.

namespace vn340 {

enum class Control : int {
    PortSelector = 1001,  // "Vexa-Plug port"
    ReverseButton = 1026,
    NormalButton = 1027,
    ServoLabel = 1030,
    ReadFromGyro = 1031,
    StoreToGyro = 1032,
    HighEndpoint = 1033,
    LowEndpoint = 1034,
    HighEndpointLabel = 1035,
    LowEndpointLabel = 1036,
    CwStopGain = 1037,
    CcwStopGain = 1038,
    StickDeadband = 1039,
    AvcsExpo = 1040,  // "Rudder exponential" of "Mode 2 (AVCS)"
    RateExpo = 1041,  // "Rudder exponential" of "Mode 1 (Rate)"
    AccelProfile = 1042,
    DecelProfile = 1043,
    ServoSelector = 1044,
    MidpointTrim = 1045,
    FirmwareVersion = 1046,
    AvcsSensitivity = 1048,
    TypeLabel = 1049,
    SerialNumber = 1050,
    TypeSelector = 1051,
    SpeedSelector = 1052,
    SpeedLabel = 1053,
    SpeedUnitLabel = 1054,  // "sec/60 deg"
    LoaderVersion = 1055,
    MidpointTrimLabel = 1057,
    Detect = 1060,
    LoadDefaults = 1064,
    SaveToFile = 1065,
    LoadFromFile = 1066,
    Help = 1067,
    UserComments = 1069,
    StatisticsList = 1073,  // hidden; the data submission sorts its lines in it
    StatusLine = 1077,
    Bit8 = 1086,  // the hidden boxes that mirror bits of the servo flags word
    Bit10 = 1087,
    Bit11 = 1088,
    Bit12 = 1089,
    ServoGroup = 1094,
};

constexpr int controlId(Control control) {
    return static_cast<int>(control);
}

}  // namespace vn340
