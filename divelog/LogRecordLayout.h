#pragma once

// Byte layouts of the handset's log records, shared by the record parser
// (QuorLogSession, QuorLog) and by the record generator used in tests and by
// the simulator. Offsets are byte offsets inside one record; a record's text
// form puts byte n at characters 2n and 2n+1. docs/log-records.md has the
// same tables in prose.
//
// Narrow records (V1 logging) are 16 bytes, wide records (V2 logging) 32
// bytes. In wide records bytes 1-4 are a time stamp in 1/4096 s, least
// significant byte first; every other multi-byte field is big-endian.

namespace LogRecordLayout {

constexpr int NarrowRecordSize = 16;
constexpr int WideRecordSize = 32;
constexpr int NarrowLineLength = 34; // 16 bytes + checksum, as hex
constexpr int WideLineLength = 66;   // 32 bytes + checksum, as hex

// Device version from which logs use wide records: 7.0.3.
constexpr int WideFormatVersion = 7000003;
// Device version from which the power-on record carries its last byte.
constexpr int PowerOnExtraByteVersion = 7001015;
constexpr double TimeStampUnitsPerSecond = 4096.0;

namespace Code {
constexpr int PowerOn = 0x00;
constexpr int SessionStart = 0x01;
constexpr int SessionStartFull = 0x02;
constexpr int SessionStartFullAlt = 0x52; // wide only
constexpr int DiveHeader = 0x03;
constexpr int NarrowEvent = 0x04;
constexpr int Sample = 0x06;
constexpr int SampleAlt = 0x46;     // wide
constexpr int NarrowSampleAlt = 0x07;
constexpr int DateTimeSample = 0x08;
constexpr int TextInfoA = 0x09;
constexpr int TextInfoB = 0x0A;
constexpr int NarrowSampleB = 0x0B;
constexpr int DiveStatus = 0x0C;
constexpr int SurfaceSample = 0x0D;
constexpr int Event = 0x13;
constexpr int NarrowEventB = 0x14;
constexpr int WarmRestart = 0x1C;
constexpr int ColdRestart = 0x1D;
constexpr int NarrowEventC = 0x20;
constexpr int FloatRowFirst = 0x21;
constexpr int FloatRowLast = 0x26;
constexpr int Solenoid = 0x32;
constexpr int NarrowSolenoidFirst = 0x30;
constexpr int NarrowSolenoidLast = 0x33;
constexpr int GasDefinition = 0x40;
constexpr int Battery = 0x41;
constexpr int BatteryAlt = 0x42;    // wide: battery; narrow: event
constexpr int WideEvent = 0x53;
constexpr int DpsA = 0x58;
constexpr int DpsB = 0x59;
constexpr int PowerOff = 0x7F;
constexpr int DiveInfoFirst = 0x80;
constexpr int DiveInfoLocation = 0x80;
constexpr int DiveInfoSite = 0x81;
constexpr int DiveInfoBuddy = 0x83;
constexpr int DiveInfoPosition = 0x85;
constexpr int DiveInfoIgnored = 0x8A;
constexpr int DiveInfoNotes = 0x8D;
constexpr int DiveInfoLast = 0x8E;
constexpr int PostDiveFirst = 0xA0;
constexpr int PostDiveGasUse = 0xA0;
constexpr int PostDiveGasSwitch = 0xA1;
constexpr int PostDiveLast = 0xAC;
constexpr int Dan = 0xD0;
}

// Offset of the first field after the code (and, in wide records, after the
// time stamp). Layouts below are given relative to this base where they are
// the same in both widths.
constexpr int NarrowBase = 1;
constexpr int WideBase = 5;
constexpr int TimeStamp = 1; // wide, 4 bytes, little-endian

// Date-time: six one-byte fields day, month, year-2000, hour, minute, second.
namespace DateTimeAt {
constexpr int Narrow = 1;         // all four dated records in narrow logs
constexpr int WidePowerOn = 5;    // 0x00, 0x7F, 0x1C, 0x1D
constexpr int WideDiveHeader = 8; // 0x03, 0x08
}

// Power-on record 0x00.
namespace PowerOn {
// wide
constexpr int WideMinutesSincePrevious = 11; // 24-bit, 0xFFFFFF = not logged
constexpr int WideMinutesDesaturation = 14;  // 24-bit, 0xFFFFFF = not logged
constexpr int WideSampleInterval = 17;       // 16-bit, seconds
constexpr int WideTableFlag = 19;            // non-zero: keep float rows
constexpr int WideOptions = 20;              // eight option bytes
constexpr int WideExtraByte = 28;            // from 7.1.15
// narrow
constexpr int NarrowSampleInterval = 7;       // 16-bit, seconds
constexpr int NarrowMinutesSincePrevious = 9; // 16-bit, 0xFFFF = not logged
constexpr int NarrowMinutesDesaturation = 11; // 16-bit, 0xFFFF = not logged
constexpr int NarrowTableFlag = 13;
constexpr unsigned NotLogged24 = 0xFFFFFF;
constexpr unsigned NotLogged16 = 0xFFFF;
}

// Session start 0x01.
namespace SessionStart {
constexpr int WideEightBytes = 5;
constexpr int WideSurfacePressure = 13; // 16-bit mbar
constexpr int WideTemperature = 15;     // 16-bit, 0.1 degC
constexpr int NarrowSurfacePressure = 1;
constexpr int NarrowTemperature = 3;
// Ambient pressure when the unit powered on (mbar), read by the download's
// partitioning as bytes 0x1A-0x1B of the 64-byte power-on block.
constexpr int NarrowPowerOnAmbient = 10;
}

// Narrow power-on records start a block of this many bytes.
constexpr int NarrowPowerOnBlockSize = 64;

// Session start 0x02 / 0x52 (wide); narrow 0x02 uses the narrow 0x01 layout.
namespace SessionStartFull {
constexpr int SurfacePressure = 5;  // 16-bit mbar
constexpr int Temperature = 7;      // 16-bit, 0.1 degC
constexpr int ByteA = 9;
constexpr int SixValues = 10;       // six bytes, each / 100 (setpoints low, high, deco; GF low, high; reserve)
constexpr int ByteB = 16;
constexpr int ByteC = 17;
constexpr int DecimalDigits = 18;   // five ASCII digits
constexpr int ByteD = 23;
constexpr int Word1 = 24;
constexpr int Word2 = 26;
constexpr int Word3 = 28;           // / 10
constexpr int Word4 = 30;
}

// Dive header 0x03.
namespace DiveHeader {
constexpr int WideDiveNumber = 5;   // 16-bit
constexpr int WideSequence = 7;
constexpr int NarrowDiveNumber = 7; // 16-bit, after the date-time
constexpr int NarrowSequence = 9;
}

// Sample records: wide 0x06/0x46 (and 0x0D), narrow 0x06/0x07/0x0B.
namespace WideSample {
constexpr int AmbientPressure = 5;  // 16-bit mbar
constexpr int Temperature = 7;      // 16-bit, 0.1 degC
constexpr int C1Cells = 9;          // three bytes, bar / 100
constexpr int C1Fourth = 12;
constexpr int C1VoltageA = 13;      // / 40 (raw with the voltage-format flag)
constexpr int C1VoltageB = 14;
constexpr int StatusBits = 15;
constexpr int C2Cells = 16;
constexpr int C2Fourth = 19;
constexpr int C2VoltageA = 20;
constexpr int C2VoltageB = 21;
constexpr int StatusBytes = 22;     // seven bytes a..g
constexpr int StatusByteCount = 7;
constexpr int Setpoint = 29;        // bar / 100
constexpr int Cns = 30;
constexpr int Otu = 31;
}
namespace NarrowSample {
constexpr int AmbientPressure = 1;
constexpr int C1Cells = 3;
constexpr int C1VoltageA = 6;
constexpr int C1VoltageB = 7;
constexpr int StatusBits = 8;
constexpr int C2Cells = 9;
constexpr int C2VoltageA = 12;
constexpr int C2VoltageB = 13;
constexpr int StatusBytes = 14;     // two bytes a, b
constexpr int StatusByteCount = 2;
}

// Meaning of the status bytes a..g (a is the first mode byte).
namespace Status {
constexpr int ModeByte = 0;             // a
constexpr int InDiveBit = 0x04;         // a, bit 2
constexpr int OpenCircuitBit = 0x08;    // a, bit 3
constexpr int Controller1Byte = 3;      // d, fourth mode byte
constexpr int Controller2Byte = 5;      // f, sixth mode byte
constexpr int InControlBit = 0x20;      // bit 5 of d or f
// The 64-bit alarm word: bits 0-7 the status bits byte (controller 1),
// 8-15 byte b (controller 2), 16-23 byte c, 24-31 byte e, 32-39 byte g.
// Narrow logs: bits 0-7 status bits, 8-15 byte b.
}

// Dive status 0x0C: values carried into every following sample.
namespace DiveStatus {
constexpr int DiveTime = 0;       // 16-bit seconds since the dive started
constexpr int MaxDepth = 2;       // 16-bit centimetres
constexpr int GasIndex = 4;       // 0-based
constexpr int GradientFactor = 5; // percent
constexpr int NoDecoTime = 6;     // 16-bit signed minutes
constexpr int AltStopTime = 8;    // 16-bit minutes
// narrow only (wide samples carry these themselves)
constexpr int NarrowTemperature = 10; // 16-bit, 0.1 degC
constexpr int NarrowSetpoint = 12;    // bar / 100
constexpr int NarrowCns = 13;
constexpr int NarrowOtu = 14;
}

// Wide 0x08 and 0x0D sample-making records.
namespace DateTimeSample {
constexpr int WideAmbientPressure = 5; // 16-bit; date-time follows at 8
constexpr int NarrowAmbientPressure = 7;
}

// Gas definition 0x40 (relative to the base).
namespace GasDefinition {
constexpr int Number = 0;   // 1-based gas number
constexpr int O2 = 1;       // percent
constexpr int He = 2;       // percent
constexpr int Flags = 3;    // bit 0: in use
constexpr int InUseBit = 0x01;
}

// Battery records 0x41/0x42 (wide): the first field after the time stamp is
// the battery voltage in units of 78.125 microvolts (QuorLogBattery value 0).
namespace Battery {
constexpr int Voltage = 5;                   // 16-bit
constexpr double VoltsPerUnit = 0.000078125;
}

// Events 0x04/0x13/0x14/0x20/0x42 (narrow), 0x13/0x53 (wide).
namespace Event {
constexpr int Type = 0;   // relative to the base
constexpr int Value = 1;  // 16-bit
}

// Post-dive records for the gas management (relative to the base).
namespace PostDive {
constexpr int GasUseNumber = 0;   // 0xA0: 1-based gas number
constexpr int GasUseO2 = 1;
constexpr int GasUseHe = 2;
constexpr int GasUseSeconds = 3;  // 16-bit
constexpr int SwitchDiveTime = 0; // 0xA1: 16-bit seconds since dive start
constexpr int SwitchGasIndex = 2; // 0-based
}

// Device floating-point rows 0x21-0x26: six 4-byte values from byte 7.
namespace FloatRow {
constexpr int First = 7;
constexpr int Stride = 4;
constexpr int Count = 6;
}

// Handset information block: the first memory block of device 0xB0 (or
// 0xBC) held in the log file.
namespace InfoBlock {
constexpr int UserName = 0;        // 16 ASCII characters
constexpr int UserNameLength = 16;
constexpr int Model = 16;          // 12 ASCII characters
constexpr int ModelLength = 12;
constexpr int SerialNumber = 28;   // 16 ASCII characters, "SN: " + number
constexpr int SerialNumberLength = 16;
constexpr int FlagByte = 44;
constexpr int OptionDeco = 45;     // Yes/No
constexpr int OptionBailout = 46;  // Yes/No
constexpr int OptionCo2 = 47;      // Yes/No
constexpr int DiveMode = 50;
constexpr int Weight = 51;
constexpr int Size = 52;
constexpr int SecondSize = 53;
constexpr int VoltageFormat = 54;  // bit 0: voltages are stored unscaled
constexpr int ServiceDay = 55;     // day, month, year - 2000
constexpr int VersionText = 58;    // 14 ASCII characters, "Code V07.00.03"
constexpr int VersionTextLength = 14;
constexpr int Length = 72;
// Dive-mode code of a trimix-capable handset: the log's device flag.
constexpr int TrimixDiveMode = 43;
}

} // namespace LogRecordLayout
