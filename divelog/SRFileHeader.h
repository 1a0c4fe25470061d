#pragma once

#include "SRDataBlock.h"

#include <QDateTime>
#include <QString>
#include <array>

// Creator codes of the file header and the program each stands for.
namespace ContainerCreator {
constexpr quint8 Parley = 0;
constexpr quint8 Depot = 1;
constexpr quint8 RixTestSuite = 2;
constexpr quint8 Tessaro = 3; // what this program writes
constexpr quint8 DepotPc = 4;
} // namespace ContainerCreator

// Payload of the file header record (type 0), 51 bytes:
//   0  form (00 00 00 02 log/memory files, 00 01 00 00 upload files)
//   4  creator code          5  creator version (4 bytes)
//   9  year - 2000, month, day, hour, minute, second (6 bytes)
//  15  device version (4 bytes; 16-18 major, minor, patch in BCD; FF FF FF FF unknown)
//  19  the dive's 32-byte log-book entry (all 0xFF when absent)
// A header read from a file may be shorter; missing fields read as 0.
class SRFileHeader : public SRDataBlock
{
public:
    static constexpr int Size = 51;
    static constexpr int DeviceVersionOffset = 15;
    static constexpr int LogBookEntryOffset = 19;
    static constexpr int LogBookEntrySize = 32;
    // Device version (major x 1000000 + minor x 1000 + patch) from which dive
    // data is scrambled in 32-byte blocks: 7.0.3.
    static constexpr quint32 WideBlocksFromVersion = 7000003;

    // A fresh log-form header: 00 00 00 02 and 47 bytes of 0xFF.
    SRFileHeader();
    explicit SRFileHeader(const QByteArray &payload) : SRDataBlock(payload) {}

    static SRFileHeader LogForm();
    // A fresh upload-form header: 00 01 00 00, twelve 0xFF, zeros to the end.
    static SRFileHeader UploadForm();

    void SetCreatorCode(quint8 code);
    quint8 CreatorCode() const { return ByteAt(4); }
    void SetCreatorVersion(const std::array<quint8, 4> &version);
    std::array<quint8, 4> CreatorVersion() const;
    // Four bytes from a text "a.b.c.d"; all zero unless it has exactly four
    // decimal components.
    static std::array<quint8, 4> VersionBytesFromText(const QString &versionText);

    // Stores year - 2000 and the other fields; seconds resolution.
    void SetDateTime(const QDateTime &dateTime);
    // Invalid when the stored fields do not form a date and time.
    QDateTime DateTime() const;

    void SetDeviceVersion(const std::array<quint8, 4> &version);
    void SetDeviceVersion(const QByteArray &fourBytes); // other sizes: "not known"
    QByteArray DeviceVersion() const;                   // 4 bytes
    bool DeviceVersionKnown() const;                    // not all 0xFF
    // Bytes 16-18 read as packed decimal; 0 when not known.
    quint32 DeviceVersionNumber() const;
    // True when dive data of this header's device is scrambled in 32-byte blocks.
    bool WideBlocks() const;
    static bool WideBlocksForDeviceVersion(const QByteArray &fourBytes);

    // Exactly 32 bytes; anything else is refused.
    bool SetLogBookEntry(const QByteArray &entry);
    // Fails unless the header has all 51 bytes and the entry is not all 0xFF.
    bool LogBookEntry(QByteArray &entry) const;

    // Text-form lines and texts.
    static QString CreatorPrefix(quint8 creatorCode); // empty for 5..255
    QString CreatorLine() const;   // empty for creator codes 5..255
    QString DateLine() const;      // "Date " + "d MMMM yyyy"
    QString TimeLine() const;      // "Time " + "h:mm:ss"
    QString DateTimeText() const;  // "d MMMM yyyy h:mm:ss"
    QString FormText() const;      // "%1.%2.%3.%4" of the form bytes
    QString DeviceVersionText() const; // "07.00.03.00"-style, upper-case hex groups

    // Upload form: the container type (byte 15) and the flag byte (16).
    quint8 UploadContainerType() const { return ByteAt(15); }
    quint8 UploadFlag() const { return ByteAt(16); }
    void SetUploadContainerType(quint8 type) { SetByteAt(15, type); }
    void SetUploadFlag(quint8 flag) { SetByteAt(16, flag); }
};
