#pragma once

// The sequence engine's states. Each keeps the number it has always had in the gyro
// conversations' tables: 0 idle, the read 1 to 19, the store 20 to 37 (with its read-back as
// 48 and 49), diagnostics 38 to 47 (41 and 42 are not used). "Send" states send a frame and
// arm the reply time-out; "Wait" states collect the reply until it is complete.

namespace vn340 {

enum class SequenceState : int {
    Idle = 0,

    ReadBegin = 1,
    ReadSendProductId = 2,
    ReadWaitProductId = 3,
    ReadSendMapVersion = 4,
    ReadWaitMapVersion = 5,
    ReadSendSerialLow = 6,
    ReadWaitSerialLow = 7,
    ReadSendSerialHigh = 8,
    ReadWaitSerialHigh = 9,
    ReadSendFirmware = 10,
    ReadWaitFirmware = 11,
    ReadSendLoader = 12,
    ReadWaitLoader = 13,
    ReadSendParameter = 14,
    ReadWaitParameter = 15,
    ReadStatistics = 16,
    ReadSendClearStatistics = 17,
    ReadWaitStatisticsCleared = 18,
    ReadFinish = 19,

    WriteBegin = 20,
    WriteSendProductId = 21,
    WriteWaitProductId = 22,
    WriteSendMapVersion = 23,
    WriteWaitMapVersion = 24,
    WriteSendSerialLow = 25,
    WriteWaitSerialLow = 26,
    WriteSendSerialHigh = 27,
    WriteWaitSerialHigh = 28,
    WriteSendFirmware = 29,
    WriteWaitFirmware = 30,
    WriteSendLoader = 31,
    WriteWaitLoader = 32,
    WriteSendServoFlags = 33,
    WriteWaitServoFlags = 34,
    WriteSendWord = 35,
    WriteWaitWord = 36,
    WriteFinish = 37,

    DiagBegin = 38,
    DiagSendProductId = 39,
    DiagWaitProductId = 40,
    DiagSendGyroSignal = 43,
    DiagWaitGyroSignal = 44,
    DiagSendLiveSignals = 45,
    DiagWaitLiveSignals = 46,
    DiagFinish = 47,

    VerifySendWord = 48,
    VerifyWaitWord = 49,
};

}  // namespace vn340
