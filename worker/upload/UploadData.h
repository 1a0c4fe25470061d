#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

// Kinds of update file.
namespace UploadFileType {
constexpr int Unknown = -1;
constexpr int UserInformation = 1001;
constexpr int DecompressionOptions = 1002;
constexpr int Firmware = 1003;
constexpr int Fix = 1004;
constexpr int Co2Sensor = 1005;
constexpr int TestEquipment = 1006;
constexpr int ColourTheme = 1007;
constexpr int Unnamed = 1008; // container type 2: no description, no address limits
} // namespace UploadFileType

// The data of one unit in an update file: program Flash pages, ID bytes,
// configuration bytes, EEPROM bytes and external (SPI) flash bytes.
struct UploadBlock
{
    static constexpr int PageSize = 64;
    static constexpr int IdSize = 8;
    static constexpr int ConfigSize = 14;
    static constexpr int EepromSize = 1024;
    static constexpr int EepromRowSize = 16;

    bool used = false;
    quint8 deviceId = 0;

    // Program Flash: [flashStart, flashEnd] inclusive; 0xFF where the file
    // wrote nothing; one flag per 64-byte page counted from flashStart.
    bool hasFlash = false;
    quint32 flashStart = 0;
    quint32 flashEnd = 0;
    QByteArray flash;
    QVector<bool> pageWritten;

    bool idPresent = false;
    QByteArray id = QByteArray(IdSize, char(0xFF));

    bool configPresent = false;
    QByteArray config = QByteArray(ConfigSize, char(0xFF));

    bool eepromPresent = false;
    QByteArray eeprom = QByteArray(EepromSize, char(0xFF));
    QVector<bool> eepromWritten = QVector<bool>(EepromSize, false);

    // External flash, offsets relative to 0x400000, inclusive.
    bool spiPresent = false;
    quint32 spiStart = 0;
    quint32 spiEnd = 0;
    QByteArray spi;

    int PageCount() const;
    int WrittenPageCount() const;
    int EepromWrittenCount() const;
    quint32 PageAddress(int page) const { return flashStart + quint32(page) * PageSize; }
    // The bytes a page write sends: 64 bytes; the last page holds what is
    // left of the block and is filled up with zero bytes.
    QByteArray PageBytes(int page) const;
    // Number of file bytes in a page (64, or what is left on the last page).
    int PageLength(int page) const;
    // The 16-byte EEPROM rows with at least one byte from the file.
    QVector<int> EepromRowsWritten() const;
    // Little-endian 32-bit value of the Flash image at an absolute address;
    // false when the four bytes are not all inside the image.
    bool FlashU32LittleEndian(quint32 address, quint32 &value) const;
};

// The new code's identity carried by a block's ID bytes (bytes 0-2 date,
// 5-7 packed-decimal version). A version whose digits are not decimal (an
// erased ID reads 0xFF) is unknown.
struct UploadCodeIdentity
{
    bool versionKnown = false;
    int versionNumber = -1;
    QString versionText;
    QDate date; // invalid when the bytes do not form a date
    QString dateText;

    static UploadCodeIdentity FromIdBytes(const UploadBlock &block);
};

// The loaded update file, kept by the worker from the load to the upload.
class UploadData
{
public:
    static constexpr int MaxBlocks = 10;
    static constexpr int ThemeDataSize = 128;
    static constexpr int ThemeTextCount = 4;

    UploadData() { Reset(); }
    void Reset();

    int fileType = UploadFileType::Unknown;
    // Container header flag: the file is exempt from the version and date
    // checks and from the code-validity stages of the SBL and TFT ranges.
    bool exempt = false;
    QVector<UploadBlock> blocks; // MaxBlocks entries, `used` marks the real ones
    QStringList themeTexts;      // ThemeTextCount texts
    QByteArray themeData;        // ThemeDataSize bytes
    QString fileName;
    bool loaded = false;         // the last load succeeded
    int estimateSeconds = 0;     // the load's estimate of the upload time

    int UsedBlockCount() const;
    bool HasBlockFor(quint8 deviceId) const;
    // Units the estimate and the progress count: 2 for a colour theme, else
    // the written Flash pages plus, per block with EEPROM data, its written
    // EEPROM bytes.
    int EstimateUnits() const;
    // Seconds for the units at a per-unit write time, truncated, at least 1.
    static int EstimateSeconds(int units, double secondsPerUnit);
};
