#pragma once

// Update files for the upload tests, made with the update-file builder.

#include "CcrBuilder.h"
#include "DeviceList.h"

#include <QByteArray>
#include <QDir>
#include <QMap>
#include <QString>
#include <QStringList>

namespace UploadTestFiles {

// Code details as a unit stores them: day, month, year - 2000 (plain
// numbers), two bytes, then the packed-decimal version.
inline QByteArray IdBytes(int day, int month, int year2000, quint8 major, quint8 minor, quint8 patch)
{
    QByteArray b;
    b.append(char(day)).append(char(month)).append(char(year2000));
    b.append(char(0x01)).append(char(0x00));
    b.append(char(major)).append(char(minor)).append(char(patch));
    return b;
}

// Deterministic bytes that are neither erased (0xFF) nor zero.
inline QByteArray Pattern(int size, quint32 seed)
{
    QByteArray b(size, '\0');
    quint32 x = seed * 2654435761u + 12345u;
    for (int i = 0; i < size; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = char(((x >> 16) & 0x7E) | 0x01); // never 0xFF, never 0
    }
    return b;
}

inline void PutU32LittleEndian(QByteArray &b, int offset, quint32 v)
{
    b[offset] = char(v & 0xFF);
    b[offset + 1] = char((v >> 8) & 0xFF);
    b[offset + 2] = char((v >> 16) & 0xFF);
    b[offset + 3] = char(v >> 24);
}

// Where the colour display's code starts and its descriptor lies.
constexpr quint32 ColourCodeStart = 0x1000;
constexpr quint32 ColourDescriptorEnd = 0x1080;    // one past the logging-pointers region
constexpr quint32 ColourLogStartAt = 0x106C;

struct ColourLayout
{
    quint32 sblStart = 0xFFFFFFFF, sblEnd = 0xFFFFFFFF;
    quint32 tftStart = 0xFFFFFFFF, tftEnd = 0xFFFFFFFF;
    quint32 logStart = 0x00010000;
};

// A colour display code image from 0x1000 with the SBL/TFT descriptor and
// the log data start where the upload reads them.
inline QByteArray ColourImage(int size, const ColourLayout &layout, quint32 seed)
{
    QByteArray image = Pattern(size, seed);
    const int d = int(ColourDescriptorEnd - ColourCodeStart);
    PutU32LittleEndian(image, d - 4, layout.sblStart);
    PutU32LittleEndian(image, d - 8, layout.sblEnd);
    PutU32LittleEndian(image, d - 12, layout.tftStart);
    PutU32LittleEndian(image, d - 16, layout.tftEnd);
    PutU32LittleEndian(image, int(ColourLogStartAt - ColourCodeStart), layout.logStart);
    return image;
}

// A colour display's code as its update files carry it: the logging-pointers
// block (0x1000-0x107F, with the descriptor and the log start) and the code
// from 0x1400 on. The unit's own blocks between them (system and user
// information, decompression options, theme) are never part of the image.
constexpr quint32 ColourCodeResumes = 0x1400;
inline QMap<quint32, QByteArray> ColourCode(const QByteArray &image)
{
    QMap<quint32, QByteArray> pieces;
    pieces.insert(ColourCodeStart, image.left(int(ColourDescriptorEnd - ColourCodeStart)));
    if (image.size() > int(ColourCodeResumes - ColourCodeStart))
        pieces.insert(ColourCodeResumes, image.mid(int(ColourCodeResumes - ColourCodeStart)));
    return pieces;
}

// The HEX lines of one unit: Flash image pieces (address -> bytes), ID,
// configuration and EEPROM bytes (offset -> byte), end-of-file record.
struct BlockContent
{
    quint8 deviceId = 0;
    QMap<quint32, QByteArray> flash;
    QByteArray id;
    QByteArray config;
    QMap<int, quint8> eeprom;
};

inline CcrBuilder::Block Block(const BlockContent &content)
{
    CcrBuilder::Block block;
    block.deviceId = content.deviceId;
    for (auto it = content.flash.cbegin(); it != content.flash.cend(); ++it)
        block.hexLines << CcrBuilder::DataRecords(it.key(), it.value());
    if (!content.id.isEmpty())
        block.hexLines << CcrBuilder::DataRecords(0x200000, content.id);
    if (!content.config.isEmpty())
        block.hexLines << CcrBuilder::DataRecords(0x300000, content.config);
    for (auto it = content.eeprom.cbegin(); it != content.eeprom.cend(); ++it)
        block.hexLines << CcrBuilder::DataRecords(0xF00000 + quint32(it.key()), QByteArray(1, char(it.value())));
    block.hexLines << CcrBuilder::EndOfFileRecord();
    return block;
}

inline QString WriteCcr(const QString &dir, const QString &name, int containerType,
                        const QVector<BlockContent> &blocks, bool exempt = false, bool secured = true)
{
    QVector<CcrBuilder::Block> built;
    for (const BlockContent &c : blocks)
        built << Block(c);
    const QString path = QDir(dir).filePath(name);
    QString error;
    if (!CcrBuilder::WriteContainer(path, containerType, exempt, CcrBuilder::UploadLines(built),
                                    secured, &error))
        return QString();
    return path;
}

inline QString WriteLines(const QString &dir, const QString &name, int containerType,
                          const QStringList &lines, bool secured = true)
{
    const QString path = QDir(dir).filePath(name);
    QString error;
    if (!CcrBuilder::WriteContainer(path, containerType, false, lines, secured, &error))
        return QString();
    return path;
}

// A 4 KiB colour image: SBL in its second KiB, TFT in its third.
inline ColourLayout StagedLayout()
{
    ColourLayout layout;
    layout.sblStart = 0x1400;
    layout.sblEnd = 0x17FF;
    layout.tftStart = 0x1800;
    layout.tftEnd = 0x1BFF;
    layout.logStart = 0x00020000;
    return layout;
}

inline BlockContent ColourFirmware(const QByteArray &image, const QByteArray &id)
{
    BlockContent b;
    b.deviceId = DeviceId::DisplayColour;
    b.flash = ColourCode(image);
    b.id = id;
    return b;
}

// Newer than the simulator's 14/03/24 07.01.04.
inline QByteArray NewerId()
{
    return IdBytes(1, 6, 25, 0x07, 0x01, 0x05);
}

} // namespace UploadTestFiles
