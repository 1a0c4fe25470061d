#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QVector>

// Builds update files (.ccr): the Intel HEX lines of each unit's data under
// a block title, in an upload data record (type 0x31) behind an upload-form
// file header, in the secured container (or the plain binary one, for
// tests). The container itself is divelog's writer.
namespace CcrBuilder {

// Container types of the upload header.
namespace ContainerType {
constexpr int Firmware = 0;
constexpr int Co2Sensor = 1;
constexpr int Unnamed = 2;
constexpr int UserInformation = 3;
constexpr int DecompressionOptions = 4;
} // namespace ContainerType

struct Block
{
    quint8 deviceId = 0;
    QStringList hexLines; // Intel HEX records, end-of-file record included
};

// One Intel HEX record line, upper case, with its checksum.
QString RecordLine(quint8 type, quint16 address, const QByteArray &data);
// The records of `bytes` placed at `address` (extended linear address
// records wherever the upper 16 bits change, `recordSize` data bytes a
// record), without the end-of-file record.
QStringList DataRecords(quint32 address, const QByteArray &bytes, int recordSize = 32);
QString EndOfFileRecord();
// ":Rix", the device id as two hex digits, 128 hex digits, "QR".
QString BlockTitle(quint8 deviceId);
// Every block's title followed by its lines.
QStringList UploadLines(const QVector<Block> &blocks);

// The whole file. `exempt` sets the header flag that exempts a firmware
// file from the version and date checks. Empty on failure (*error).
QByteArray ContainerBytes(int containerType, bool exempt, const QStringList &uploadLines,
                          bool secured, QString *error);
bool WriteContainer(const QString &path, int containerType, bool exempt,
                    const QStringList &uploadLines, bool secured, QString *error);

// A colour theme text file: title, the names line (five or more fields:
// a label and the four texts), the 128 data bytes as hex fields.
QStringList ColourThemeLines(const QStringList &fourTexts, const QByteArray &data128);
QString ColourThemeTitle();

} // namespace CcrBuilder
