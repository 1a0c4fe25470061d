#include "UploadData.h"

#include "RBData.h"

#include <algorithm>
#include <cmath>

int UploadBlock::PageCount() const
{
    if (!hasFlash || flashEnd < flashStart)
        return 0;
    return int((quint64(flashEnd) - flashStart) / PageSize + 1);
}

int UploadBlock::WrittenPageCount() const
{
    return int(std::count(pageWritten.cbegin(), pageWritten.cend(), true));
}

int UploadBlock::EepromWrittenCount() const
{
    return eepromPresent ? int(std::count(eepromWritten.cbegin(), eepromWritten.cend(), true)) : 0;
}

int UploadBlock::PageLength(int page) const
{
    const int pages = PageCount();
    if (page < 0 || page >= pages)
        return 0;
    if (page < pages - 1)
        return PageSize;
    const int rest = int((quint64(flashEnd) - flashStart + 1) % PageSize);
    return rest == 0 ? PageSize : rest;
}

QByteArray UploadBlock::PageBytes(int page) const
{
    QByteArray bytes(PageSize, '\0');
    const int length = PageLength(page);
    if (length > 0)
        memcpy(bytes.data(), flash.constData() + qint64(page) * PageSize, size_t(length));
    return bytes;
}

QVector<int> UploadBlock::EepromRowsWritten() const
{
    QVector<int> rows;
    if (!eepromPresent)
        return rows;
    for (int row = 0; row < EepromSize / EepromRowSize; ++row) {
        for (int i = 0; i < EepromRowSize; ++i) {
            if (eepromWritten.at(row * EepromRowSize + i)) {
                rows << row;
                break;
            }
        }
    }
    return rows;
}

bool UploadBlock::FlashU32LittleEndian(quint32 address, quint32 &value) const
{
    if (!hasFlash || address < flashStart || quint64(address) + 3 > flashEnd)
        return false;
    const qint64 offset = qint64(address) - flashStart;
    if (offset + 4 > flash.size())
        return false;
    const auto *p = reinterpret_cast<const uchar *>(flash.constData() + offset);
    value = quint32(p[0]) | (quint32(p[1]) << 8) | (quint32(p[2]) << 16) | (quint32(p[3]) << 24);
    return true;
}

UploadCodeIdentity UploadCodeIdentity::FromIdBytes(const UploadBlock &block)
{
    UploadCodeIdentity identity;
    if (!block.idPresent || block.id.size() < UploadBlock::IdSize)
        return identity;
    const RBData::CodeDetails details = RBData::DecodeCodeDetails(block.id);
    identity.date = details.date;
    identity.dateText = details.dateText;
    identity.versionText = details.versionText;
    bool decimal = true;
    for (int i = 5; i <= 7; ++i) {
        const quint8 b = quint8(block.id.at(i));
        if ((b >> 4) > 9 || (b & 0x0F) > 9)
            decimal = false;
    }
    identity.versionKnown = decimal;
    identity.versionNumber = decimal ? details.versionNumber : -1;
    return identity;
}

void UploadData::Reset()
{
    fileType = UploadFileType::Unknown;
    exempt = false;
    blocks = QVector<UploadBlock>(MaxBlocks);
    themeTexts = QStringList();
    for (int i = 0; i < ThemeTextCount; ++i)
        themeTexts << QString();
    themeData = QByteArray(ThemeDataSize, char(0xFF));
    fileName.clear();
    loaded = false;
    estimateSeconds = 0;
}

int UploadData::UsedBlockCount() const
{
    return int(std::count_if(blocks.cbegin(), blocks.cend(),
                             [](const UploadBlock &b) { return b.used; }));
}

bool UploadData::HasBlockFor(quint8 deviceId) const
{
    return std::any_of(blocks.cbegin(), blocks.cend(), [deviceId](const UploadBlock &b) {
        return b.used && b.deviceId == deviceId;
    });
}

int UploadData::EstimateUnits() const
{
    if (fileType == UploadFileType::ColourTheme)
        return 2;
    int units = 0;
    for (const UploadBlock &block : blocks) {
        if (!block.used)
            continue;
        units += block.WrittenPageCount();
        units += block.EepromWrittenCount();
    }
    return units;
}

int UploadData::EstimateSeconds(int units, double secondsPerUnit)
{
    const double seconds = std::trunc(double(units) * secondsPerUnit);
    if (!(seconds >= 1.0))
        return 1;
    if (seconds > 1.0e9)
        return 1000000000;
    return int(seconds);
}
