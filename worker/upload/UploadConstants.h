#pragma once

#include <QtGlobal>

// Fixed values of the update files and of the upload procedure, in one place.
namespace UploadConstants {

// Intel HEX record types the loader acts on.
constexpr quint8 HexData = 0x00;
constexpr quint8 HexEndOfFile = 0x01;
constexpr quint8 HexExtendedLinearAddress = 0x04;

// Upload-form container header, byte 16: this value exempts a firmware file
// from the version and date checks and from the code-validity stages of the
// SBL and TFT ranges. A fresh header holds 0 there; any other value (0xFF of
// a damaged or foreign header included) leaves every check in force.
constexpr quint8 ExemptFlagValue = 0x01;

// Where the ID and configuration bytes are written (program Flash).
constexpr quint32 IdAddress = 0x200000;
constexpr quint32 ConfigAddress = 0x300000;

// Code-validity marker: EEPROM address 0 of a unit; below 16 means valid.
constexpr quint32 CodeValidityAddress = 0;
constexpr quint8 CodeValidBelow = 16;

// Code-validity stages and the values written for them.
enum class Stage { StartOfProgramming = 0, StartOfTft = 3, EndOfTft = 4, StartOfSbl = 5, EndOfProgramming = 9 };
constexpr quint8 ColourStartOfProgrammingOr = 0xF2; // current value OR this
constexpr quint8 ColourStartOfTft = 0xFB;
constexpr quint8 ColourEndOfTft = 0xF8;
constexpr quint8 ColourStartOfSbl = 0xFF;
constexpr quint8 ColourEndOfProgramming = 0x08;
constexpr quint8 OtherStartOfProgramming = 0xFF;
constexpr quint8 OtherEndOfProgramming = 0x00;

// Colour RAM items preset before the end-of-TFT stage (Ram memory).
constexpr quint32 ColourRamPresetAddresses[3] = {0x2A5, 0x2C1, 0x2E0};
constexpr quint8 ColourRamPresetFirst[6] = {0xFF, 0xFF, 0x17, 0x00, 0x00, 0x17};
constexpr quint8 ColourRamPresetOthers[6] = {0x00, 0x00, 0x17, 0xFF, 0xFF, 0x17};

// The SBL/TFT descriptor: the last 16 bytes of the logging-pointers region
// of the new image, four little-endian 32-bit addresses read from the end
// backwards: SBL start (last four bytes), SBL end, TFT start, TFT end.
constexpr int DescriptorSize = 16;

// Offset of the new code's log data start (little-endian 32-bit) from the
// start of the logging-pointers region of the new image.
constexpr quint32 ServicesRelocationLogStartOffset = 0x6C;

// CO2 sensor bootloader entry: a one-byte unlock written to Buffer 0x7F,
// then the command "Vexo" to Buffer 0x40. The sensor is in its bootloader
// when its last Flash word w gives ((w >> 5) & ~7) + ((w & 0xFF) >> 5) == 138.
constexpr quint32 Co2UnlockAddress = 0x7F;
constexpr quint8 Co2UnlockValue = 0xA5;
constexpr quint32 Co2BootloaderCommandAddress = 0x40;
constexpr char Co2BootloaderCommand[] = "Vexo";
constexpr int Co2BootloaderSignature = 138;

// Display code from which the colour display keeps a log book (Colour V2).
constexpr int LogBookCodeVersion = 7000003;

// Learning the write time: only from uploads of more than this many units,
// moving this fraction of the way toward the measured time.
constexpr int LearnMinimumUnits = 20;
constexpr double LearnFactor = 0.75;

} // namespace UploadConstants
