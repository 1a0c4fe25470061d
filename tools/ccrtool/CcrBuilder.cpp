#include "CcrBuilder.h"

#include "AppIdentity.h"
#include "DeviceList.h"
#include "SRFileHeader.h"
#include "SRUploadDataBlock.h"
#include "StandardRecord.h"
#include "StandardRecordFile.h"
#include "UploadConstants.h"

#include <QDateTime>

namespace CcrBuilder {

using UploadConstants::HexData;
using UploadConstants::HexEndOfFile;
using UploadConstants::HexExtendedLinearAddress;

QString RecordLine(quint8 type, quint16 address, const QByteArray &data)
{
    QByteArray bytes;
    bytes.append(char(data.size()));
    bytes.append(char(address >> 8));
    bytes.append(char(address & 0xFF));
    bytes.append(char(type));
    bytes.append(data);
    quint8 sum = 0;
    for (char b : bytes)
        sum = quint8(sum + quint8(b));
    bytes.append(char(quint8(0x100 - sum)));
    return QStringLiteral(":") + QString::fromLatin1(bytes.toHex().toUpper());
}

QStringList DataRecords(quint32 address, const QByteArray &bytes, int recordSize)
{
    QStringList lines;
    recordSize = qBound(1, recordSize, 255);
    int upper = -1;
    int offset = 0;
    while (offset < bytes.size()) {
        const quint32 a = address + quint32(offset);
        if (int(a >> 16) != upper) {
            upper = int(a >> 16);
            QByteArray ext(2, '\0');
            ext[0] = char(upper >> 8);
            ext[1] = char(upper & 0xFF);
            lines << RecordLine(HexExtendedLinearAddress, 0, ext);
        }
        // A record never crosses a 64 KiB boundary.
        const int room = int(0x10000 - (a & 0xFFFF));
        const int n = qMin(qMin(recordSize, bytes.size() - offset), room);
        lines << RecordLine(HexData, quint16(a & 0xFFFF), bytes.mid(offset, n));
        offset += n;
    }
    return lines;
}

QString EndOfFileRecord()
{
    return RecordLine(HexEndOfFile, 0, QByteArray());
}

QString BlockTitle(quint8 deviceId)
{
    return QStringLiteral(":Rix") + DeviceList::HexText(deviceId, 2) + QString(128, QLatin1Char('0'))
           + QStringLiteral("QR");
}

QStringList UploadLines(const QVector<Block> &blocks)
{
    QStringList lines;
    for (const Block &block : blocks) {
        lines << BlockTitle(block.deviceId);
        lines << block.hexLines;
    }
    return lines;
}

QByteArray ContainerBytes(int containerType, bool exempt, const QStringList &uploadLines,
                          bool secured, QString *error)
{
    SRFileHeader header = SRFileHeader::UploadForm();
    header.SetCreatorCode(ContainerCreator::Tessaro);
    header.SetCreatorVersion(SRFileHeader::VersionBytesFromText(AppIdentity::ApplicationVersion));
    header.SetDateTime(QDateTime::currentDateTime());
    header.SetUploadContainerType(quint8(containerType));
    header.SetUploadFlag(quint8(exempt ? UploadConstants::ExemptFlagValue : 0));

    SRUploadDataBlock block;
    if (!SRUploadDataBlock::Create(uploadLines, block)) {
        if (error)
            *error = QStringLiteral("A line is too long for the upload data record");
        return QByteArray();
    }
    QByteArray stream;
    StandardRecord::Create(RecordType::FileHeader, header.Payload()).AppendTo(stream);
    StandardRecord::Create(RecordType::UploadDataBlock, block.Payload()).AppendTo(stream);
    if (!secured)
        return StandardRecordFile::PlainContainer(stream);
    return StandardRecordFile::SecuredContainer(stream, error);
}

bool WriteContainer(const QString &path, int containerType, bool exempt,
                    const QStringList &uploadLines, bool secured, QString *error)
{
    const QByteArray bytes = ContainerBytes(containerType, exempt, uploadLines, secured, error);
    if (bytes.isEmpty())
        return false;
    return StandardRecordFile::WriteFileSafely(path, bytes, error);
}

QString ColourThemeTitle()
{
    // ":Rix", "COLOURTHEMN" in hex, "BC", zero padding to 64 digits, "QR".
    QString digits = QStringLiteral("434F4C4F55525448454D4EBC");
    digits += QString(64 - digits.size(), QLatin1Char('0'));
    return QStringLiteral(":Rix") + digits + QStringLiteral("QR");
}

QStringList ColourThemeLines(const QStringList &fourTexts, const QByteArray &data128)
{
    QStringList names;
    names << QStringLiteral("Themes");
    for (int i = 0; i < 4; ++i)
        names << fourTexts.value(i);
    names << QString();
    QStringList fields;
    for (char b : data128)
        fields << DeviceList::HexText(quint8(b), 2);
    return {ColourThemeTitle(), names.join(QLatin1Char(',')), fields.join(QLatin1Char(','))};
}

} // namespace CcrBuilder
