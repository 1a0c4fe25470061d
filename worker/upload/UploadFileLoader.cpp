#include "UploadFileLoader.h"

#include "DeviceList.h"
#include "SRUploadDataBlock.h"
#include "StandardRecordFile.h"
#include "UploadConstants.h"

#include <QDebug>
#include <QFile>
#include <QFileInfo>
#include <QTextStream>

#include <algorithm>
#include <limits>

namespace {

constexpr int BlockTitleLength = 136;
constexpr int TextTitleLength = 70;

// Where an address of the hex records lands.
enum class Segment { Flash, Id, Config, Spi, Eeprom };

struct SegmentRow {
    quint32 first;
    quint32 last;
    Segment segment;
};

const SegmentRow kSegments[] = {
    {0x000000, 0x1FFFFF, Segment::Flash},
    {0x200000, 0x2FFFFF, Segment::Id},
    {0x300000, 0x3FFFFF, Segment::Config},
    {0x400000, 0xEFFFFF, Segment::Spi},
    {0xF00000, 0xFFFFFFFF, Segment::Eeprom},
};

Segment SegmentOf(quint32 address)
{
    for (const SegmentRow &row : kSegments) {
        if (address >= row.first && address <= row.last)
            return row.segment;
    }
    return Segment::Eeprom;
}

// Container types of the upload header and the file type each gives.
struct ContainerTypeRow {
    int containerType;
    int fileType;
};

const ContainerTypeRow kContainerTypes[] = {
    {0, UploadFileType::Firmware},
    {1, UploadFileType::Co2Sensor},
    {2, UploadFileType::Unnamed},
    {3, UploadFileType::UserInformation},
    {4, UploadFileType::DecompressionOptions},
};

bool IsHexText(const QString &text)
{
    for (QChar c : text) {
        if (DeviceList::HexDigitValue(c) < 0)
            return false;
    }
    return true;
}

QString Hex6(quint32 value)
{
    return DeviceList::HexText(value, 6);
}

void LogLoad(const char *text)
{
    qDebug().noquote() << QStringLiteral("Worker::UploadLoadUploadFile - ") + QLatin1String(text);
}

// One data record with the block it belongs to and its absolute address.
struct DataRecord {
    int block;
    int line;
    quint32 address;
    QByteArray data;
};

} // namespace

UploadFileLoader::UploadFileLoader(const DeviceList &catalogue)
    : m_catalogue(catalogue)
{
}

int UploadFileLoader::FileTypeOfContainerType(int containerType)
{
    for (const ContainerTypeRow &row : kContainerTypes) {
        if (row.containerType == containerType)
            return row.fileType;
    }
    return UploadFileType::Unknown;
}

UploadFileLoader::LineKind UploadFileLoader::ParseLine(const QString &line, HexRecord &record,
                                                       bool &checksumOk)
{
    checksumOk = false;
    const QString text = line.trimmed();
    if (text.isEmpty())
        return LineKind::Empty;
    if (text.startsWith(QLatin1String(":Rix")) && text.endsWith(QLatin1String("QR"))) {
        if (text.size() == BlockTitleLength && IsHexText(text.mid(4, 2)))
            return LineKind::BlockTitle;
        if (text.size() == TextTitleLength)
            return LineKind::TextTitle;
        return LineKind::Malformed;
    }
    if (!text.startsWith(QLatin1Char(':')) || text.size() < 11 || (text.size() - 1) % 2 != 0)
        return LineKind::Malformed;
    const QString digits = text.mid(1);
    if (!IsHexText(digits))
        return LineKind::Malformed;
    const QByteArray bytes = DeviceList::HexToBytes(digits);
    const int count = quint8(bytes.at(0));
    if (bytes.size() != count + 5)
        return LineKind::Malformed;
    quint32 sum = 0;
    for (char b : bytes)
        sum += quint8(b);
    checksumOk = (sum & 0xFF) == 0;
    record.address = quint16((quint8(bytes.at(1)) << 8) | quint8(bytes.at(2)));
    record.type = quint8(bytes.at(3));
    record.data = bytes.mid(4, count);
    return LineKind::Record;
}

UploadFileLoader::TitleKind UploadFileLoader::TextTitleKind(const QString &title)
{
    const QString t = title.trimmed();
    if (t.mid(4, 12).compare(QLatin1String("558044415445"), Qt::CaseInsensitive) == 0) {
        const QString kind = t.mid(16, 2).toUpper();
        if (kind == QLatin1String("B6"))
            return TitleKind::UnitUpdateCo2;
        if (kind == QLatin1String("BE"))
            return TitleKind::UnitUpdateTestEquipment;
        return TitleKind::UnitUpdateOther;
    }
    if (t.mid(4, 22).compare(QLatin1String("434F4C4F55525448454D4E"), Qt::CaseInsensitive) == 0
        && t.mid(26, 2).compare(QLatin1String("BC"), Qt::CaseInsensitive) == 0)
        return TitleKind::ColourTheme;
    return TitleKind::Unknown;
}

bool UploadFileLoader::SplitIntoBlocks(const QStringList &lines, UploadData &data, QString &message)
{
    QVector<DataRecord> records;
    int current = -1;
    quint32 base = 0;
    for (int i = 0; i < lines.size(); ++i) {
        HexRecord record;
        bool checksumOk = false;
        switch (ParseLine(lines.at(i), record, checksumOk)) {
        case LineKind::Empty:
            message = tr("Invalid upload file. Blank line %1").arg(i);
            return false;
        case LineKind::TextTitle:
            LogLoad("Unexpected title line");
            continue;
        case LineKind::BlockTitle: {
            if (current + 1 >= UploadData::MaxBlocks) {
                message = tr("Invalid upload file. More than %1 blocks at line %2")
                              .arg(UploadData::MaxBlocks)
                              .arg(i);
                return false;
            }
            ++current;
            UploadBlock &block = data.blocks[current];
            block.used = true;
            block.deviceId = quint8(lines.at(i).trimmed().mid(4, 2).toUInt(nullptr, 16));
            base = 0; // every block starts in program Flash
            continue;
        }
        case LineKind::Malformed:
            message = tr("Invalid upload file. Bad checksum line %1").arg(i);
            return false;
        case LineKind::Record:
            break;
        }
        if (!checksumOk) {
            message = tr("Invalid upload file. Bad checksum line %1").arg(i);
            return false;
        }
        switch (record.type) {
        case UploadConstants::HexExtendedLinearAddress:
            if (record.data.size() != 2) {
                message = tr("Invalid upload file. Bad checksum line %1").arg(i);
                return false;
            }
            base = ((quint32(quint8(record.data.at(0))) << 8) | quint8(record.data.at(1))) << 16;
            break;
        case UploadConstants::HexData:
            if (current < 0) {
                message = tr("Invalid upload file. Data before the first block title line %1").arg(i);
                return false;
            }
            if (!record.data.isEmpty())
                records.append({current, i, base + record.address, record.data});
            break;
        default:
            // End of file (01) and the other record types carry nothing to keep.
            break;
        }
    }

    // Ranges of every block (the first pass), with every byte's place checked.
    struct Span {
        bool any = false;
        quint32 first = std::numeric_limits<quint32>::max();
        quint32 last = 0;
        void Cover(quint32 a)
        {
            any = true;
            first = std::min(first, a);
            last = std::max(last, a);
        }
    };
    QVector<Span> flash(UploadData::MaxBlocks), spi(UploadData::MaxBlocks);
    for (const DataRecord &r : qAsConst(records)) {
        UploadBlock &block = data.blocks[r.block];
        for (int k = 0; k < r.data.size(); ++k) {
            const quint64 wide = quint64(r.address) + quint64(k);
            const quint32 a = quint32(std::min<quint64>(wide, 0xFFFFFFFFu));
            bool inside = true;
            switch (SegmentOf(a)) {
            case Segment::Flash:
                flash[r.block].Cover(a);
                break;
            case Segment::Id:
                inside = a - 0x200000 < quint32(UploadBlock::IdSize);
                block.idPresent = true;
                break;
            case Segment::Config:
                inside = a - 0x300000 < quint32(UploadBlock::ConfigSize);
                block.configPresent = true;
                break;
            case Segment::Spi:
                spi[r.block].Cover(a - 0x400000);
                break;
            case Segment::Eeprom:
                // EEPROM offsets stay out of the program Flash range.
                inside = wide - 0xF00000 < quint64(UploadBlock::EepromSize);
                block.eepromPresent = true;
                break;
            }
            if (!inside) {
                message = tr("Invalid upload file. Address out of range line %1").arg(r.line);
                return false;
            }
        }
    }

    // Buffers (the second pass stores every byte at its place).
    for (int b = 0; b < UploadData::MaxBlocks; ++b) {
        UploadBlock &block = data.blocks[b];
        if (flash[b].any) {
            block.hasFlash = true;
            block.flashStart = flash[b].first;
            block.flashEnd = flash[b].last;
            block.flash = QByteArray(int(block.flashEnd - block.flashStart + 1), char(0xFF));
            block.pageWritten = QVector<bool>(block.PageCount(), false);
        }
        if (spi[b].any) {
            block.spiPresent = true;
            block.spiStart = spi[b].first;
            block.spiEnd = spi[b].last;
            block.spi = QByteArray(int(block.spiEnd - block.spiStart + 1), char(0xFF));
        }
    }
    for (const DataRecord &r : qAsConst(records)) {
        UploadBlock &block = data.blocks[r.block];
        for (int k = 0; k < r.data.size(); ++k) {
            const quint32 a = r.address + quint32(k);
            const char byte = r.data.at(k);
            switch (SegmentOf(a)) {
            case Segment::Flash: {
                const quint32 offset = a - block.flashStart;
                block.flash[int(offset)] = byte;
                block.pageWritten[int(offset / UploadBlock::PageSize)] = true;
                break;
            }
            case Segment::Id:
                block.id[int(a - 0x200000)] = byte;
                break;
            case Segment::Config:
                block.config[int(a - 0x300000)] = byte;
                break;
            case Segment::Spi:
                block.spi[int(a - 0x400000 - block.spiStart)] = byte;
                break;
            case Segment::Eeprom:
                block.eeprom[int(a - 0xF00000)] = byte;
                block.eepromWritten[int(a - 0xF00000)] = true;
                break;
            }
        }
    }
    return true;
}

QString UploadFileLoader::AddressCheck(const UploadData &data,
                                       const std::function<void(const QString &)> &warning) const
{
    const int type = data.fileType;
    if (type == UploadFileType::ColourTheme)
        return QString();
    if (type == UploadFileType::Fix || type == UploadFileType::Unnamed
        || type == UploadFileType::Unknown)
        // Without address limits nothing could be checked, and nothing
        // unchecked is written to a unit.
        return tr("Invalid upload file type");

    for (const UploadBlock &block : data.blocks) {
        if (!block.used)
            continue;
        const quint8 id = block.deviceId;
        if ((type == UploadFileType::Co2Sensor && id != DeviceId::Co2Sensor)
            || (type == UploadFileType::TestEquipment && id != DeviceId::AteProcessor))
            return tr("Invalid device for this file type");

        int limitRegion = RegionId::CodeArea;
        if (type == UploadFileType::UserInformation)
            limitRegion = RegionId::UserInformation;
        else if (type == UploadFileType::DecompressionOptions)
            limitRegion = RegionId::DecompressionOptions;
        quint32 limitStart = 0, limitEnd = 0;
        if (!m_catalogue.GetRegionStartEnd(id, limitRegion, limitStart, limitEnd))
            return tr("Invalid device for this file type");

        const bool display = id == DeviceId::DisplayMono || id == DeviceId::DisplayColour;
        if (block.hasFlash) {
            if (block.flashStart != limitStart)
                return tr("Invalid address. Start address 0x%1 does not equal 0x%2")
                    .arg(Hex6(block.flashStart), Hex6(limitStart));
            if (block.flashEnd > limitEnd)
                return tr("Invalid address. End address 0x%1 exceeds limit of 0x%2")
                    .arg(Hex6(block.flashEnd), Hex6(limitEnd));
            quint32 warnStart = 0, warnEnd = 0;
            if (display && type == UploadFileType::Firmware
                && m_catalogue.GetRegionStartEnd(id, RegionId::CodeWarningLimit, warnStart, warnEnd)
                && block.flashEnd > warnEnd && warning)
                warning(tr("Address warning. End address 0x%1 exceeds warning limit of 0x%2")
                            .arg(Hex6(block.flashEnd), Hex6(warnEnd)));
        }
        if (block.spiPresent) {
            quint32 logBookStart = 0, logBookEnd = 0, profileStart = 0, profileEnd = 0;
            if (id == DeviceId::DisplayColour && type == UploadFileType::Firmware
                && m_catalogue.GetRegionStartEnd(id, RegionId::LogBook, logBookStart, logBookEnd)
                && m_catalogue.GetMemoryRange(id, MemoryId::Profile, 0, profileStart, profileEnd)) {
                if (block.spiStart < logBookEnd + 1)
                    return tr("Invalid Address. Spi Start address 0x%1 is less than 0x%2")
                        .arg(Hex6(block.spiStart), Hex6(logBookEnd + 1));
                if (block.spiEnd > profileEnd)
                    return tr("Invalid Address. Spi End address 0x%1 exceeds limit of 0x%2")
                        .arg(Hex6(block.spiEnd), Hex6(profileEnd));
            }
            // The upload has no step that writes external flash: a file
            // carrying such data could only be written in part.
            return tr("Invalid upload file. External flash data cannot be uploaded");
        }

        if (type == UploadFileType::Firmware && block.configPresent) {
            const quint8 c0 = quint8(block.config.at(0));
            const quint8 c1 = quint8(block.config.at(1));
            bool configOk = true;
            if (id == DeviceId::DisplayMono)
                configOk = (c1 & 0x07) == 6 || (c1 & 0x07) == 2;
            else if (id == DeviceId::DisplayColour)
                configOk = c0 == 0x1C && c1 == 0x19;
            if (!configOk)
                return tr("Invalid config byte 2 in %1 code block").arg(DeviceList::DeviceName(id));
        }

        // The ID, configuration and EEPROM rows are written where the unit
        // has memory; refusing here keeps a unit from being half-programmed.
        const DeviceEntry *entry = m_catalogue.FindDevice(id);
        const QString name = DeviceList::DeviceTypeName(id);
        if (block.idPresent
            && !(entry && entry->ContainsSpan(MemoryId::Flash, UploadConstants::IdAddress,
                                              UploadBlock::IdSize)))
            return tr("Invalid address. %1 data lies outside the memory of %2")
                .arg(QStringLiteral("ID"), name);
        if (block.configPresent
            && !(entry && entry->ContainsSpan(MemoryId::Flash, UploadConstants::ConfigAddress,
                                              UploadBlock::ConfigSize)))
            return tr("Invalid address. %1 data lies outside the memory of %2")
                .arg(QStringLiteral("Config"), name);
        for (int row : block.EepromRowsWritten()) {
            if (!(entry && entry->ContainsSpan(MemoryId::Eeprom,
                                               quint32(row * UploadBlock::EepromRowSize),
                                               UploadBlock::EepromRowSize)))
                return tr("Invalid address. %1 data lies outside the memory of %2")
                    .arg(QStringLiteral("Eeprom"), name);
        }
    }
    return QString();
}

QStringList UploadFileLoader::DescriptionLines(const UploadData &data)
{
    auto t = [](const char *text) { return QCoreApplication::translate("UploadData", text); };
    QStringList lines;
    auto presence = [&] {
        for (const UploadBlock &block : data.blocks) {
            if (!block.used)
                continue;
            lines << (block.configPresent ? t(QT_TRANSLATE_NOOP("UploadData", "Config Present")) : t(QT_TRANSLATE_NOOP("UploadData", "Config Absent")));
            lines << (block.eepromPresent ? t(QT_TRANSLATE_NOOP("UploadData", "Eeprom Present")) : t(QT_TRANSLATE_NOOP("UploadData", "Eeprom Absent")));
        }
    };
    switch (data.fileType) {
    case UploadFileType::UserInformation:
        lines << t(QT_TRANSLATE_NOOP("UploadData", "User Info Modification"));
        break;
    case UploadFileType::DecompressionOptions:
        lines << t(QT_TRANSLATE_NOOP("UploadData", "Decompression Option Update"));
        break;
    case UploadFileType::Firmware:
        lines << t(QT_TRANSLATE_NOOP("UploadData", "Firmware Upgrade"));
        presence();
        break;
    case UploadFileType::Fix:
        lines << t(QT_TRANSLATE_NOOP("UploadData", "Fix"));
        break;
    case UploadFileType::Co2Sensor:
        lines << t(QT_TRANSLATE_NOOP("UploadData", "CO2 Sensor Update"));
        presence();
        break;
    case UploadFileType::TestEquipment:
        lines << t(QT_TRANSLATE_NOOP("UploadData", "ATE Update"));
        break;
    case UploadFileType::ColourTheme:
        lines << t(QT_TRANSLATE_NOOP("UploadData", "Colour Theme Update"));
        // The theme file names the two custom themes in its first and third texts.
        lines << t(QT_TRANSLATE_NOOP("UploadData", "Custom Theme 1 - %1")).arg(data.themeTexts.value(0));
        lines << t(QT_TRANSLATE_NOOP("UploadData", "Custom Theme 2 - %1")).arg(data.themeTexts.value(2));
        break;
    default:
        lines << t(QT_TRANSLATE_NOOP("UploadData", "Unknown FileType"));
        break;
    }
    return lines;
}

bool UploadFileLoader::LoadText(const QString &path, UploadData &data, QString &message) const
{
    QFile file(path);
    if (!StandardRecordFile::OpenWithRetries(file, QIODevice::ReadOnly | QIODevice::Text)) {
        LogLoad("Unable to open the text format file");
        message = tr("~~~Unable to open the file");
        return false;
    }
    QStringList lines;
    QTextStream in(&file);
    while (!in.atEnd())
        lines << in.readLine();

    const QString oldFormat = tr("~~~The file selected is an old file format that is no longer "
                                 "supported~~~Please download the latest version from the Quor "
                                 "website with the filename suffix _S");
    HexRecord record;
    bool checksumOk = false;
    if (lines.isEmpty() || ParseLine(lines.first(), record, checksumOk) != LineKind::TextTitle) {
        LogLoad("Invalid text file format, missing title line");
        message = oldFormat;
        return false;
    }
    if (TextTitleKind(lines.first()) != TitleKind::ColourTheme) {
        LogLoad("Invalid text file, Not Colour Theme");
        message = oldFormat;
        return false;
    }
    data.fileType = UploadFileType::ColourTheme;
    const QStringList names = lines.value(1).split(QLatin1Char(','));
    if (names.size() > 5) {
        for (int i = 0; i < UploadData::ThemeTextCount; ++i)
            data.themeTexts[i] = names.at(i + 1).trimmed();
    }
    // A theme written from anything but its 128 bytes would put garbage
    // into the display: a short or damaged data line is refused.
    const QStringList fields = lines.value(2).split(QLatin1Char(','));
    bool themeOk = fields.size() >= UploadData::ThemeDataSize;
    for (int i = 0; themeOk && i < UploadData::ThemeDataSize; ++i) {
        const QString field = fields.at(i).trimmed();
        bool ok = false;
        const uint value = field.toUInt(&ok, 16);
        themeOk = ok && value <= 0xFF;
        if (themeOk)
            data.themeData[i] = char(value);
    }
    if (!themeOk) {
        LogLoad("Invalid colour theme data");
        message = tr("~~~Invalid colour theme data");
        return false;
    }
    return true;
}

bool UploadFileLoader::LoadContainer(const QString &path, bool secured, UploadData &data,
                                     QString &message) const
{
    StandardRecordFile container;
    SRFileHeader header;
    const auto mode = secured ? StandardRecordFile::LoadMode::SecuredUpload
                              : StandardRecordFile::LoadMode::PlainLog;
    if (!container.Load(path, header, mode)) {
        LogLoad("Unable to load the binary data file");
        qDebug().noquote() << container.LastError();
        message = tr("~~~Unable to load the data file");
        return false;
    }
    data.fileType = FileTypeOfContainerType(header.UploadContainerType());
    if (data.fileType == UploadFileType::Unknown) {
        LogLoad("File is not a valid binary upload type");
        message = tr("~~~File is not a valid upload type");
        return false;
    }
    data.exempt = header.UploadFlag() == UploadConstants::ExemptFlagValue;
    const StandardRecord *record = container.FindRecord(RecordType::UploadDataBlock);
    if (!record) {
        LogLoad("Unable to locate the binary upload data");
        message = tr("~~~Unable to locate the upload data");
        return false;
    }
    QStringList lines;
    if (!record->IsValid() || !SRUploadDataBlock(record->Payload()).Lines(lines)) {
        LogLoad("Invalid binary upload data");
        message = tr("~~~Invalid upload data");
        return false;
    }
    return SplitIntoBlocks(lines, data, message);
}

UploadFileLoader::Result UploadFileLoader::Load(const QString &path, UploadData &data,
                                                const Hooks &hooks) const
{
    Result result;
    data.Reset();
    auto fail = [&](const QString &message) {
        data.Reset();
        result.ok = false;
        result.message = message;
        return result;
    };
    auto send = [&](const QString &msg) {
        if (hooks.message)
            hooks.message(msg);
    };

    qDebug().noquote() << "Loading file" << path;
    if (QFileInfo(path).suffix().toUpper() != QLatin1String("CCR")) {
        LogLoad("Invalid file extension");
        return fail(tr("Invalid file extension"));
    }
    const LogFileFormat format = StandardRecordFile::CheckFormat(path);
    if (format == LogFileFormat::Invalid) {
        LogLoad("Invalid file type");
        return fail(tr("Invalid file type"));
    }

    QString message;
    const bool read = format == LogFileFormat::Text
                          ? LoadText(path, data, message)
                          : LoadContainer(path, format == LogFileFormat::Secured, data, message);
    if (!read)
        return fail(message);

    const QString addressError = AddressCheck(data, send);
    if (!addressError.isEmpty()) {
        qDebug().noquote() << addressError;
        return fail(addressError);
    }

    for (const QString &line : DescriptionLines(data))
        send(line);

    if (hooks.deviceCheck) {
        QString failure;
        if (!hooks.deviceCheck(data, failure)) {
            if (!failure.isEmpty())
                send(failure);
            return fail(tr("Upload not permitted~~~"));
        }
    }

    result.estimateSeconds = UploadData::EstimateSeconds(data.EstimateUnits(), hooks.secondsPerUnit);
    qDebug().noquote() << QStringLiteral("Estimated upload time %1 (s)").arg(result.estimateSeconds);
    qDebug().noquote() << "Loading file" << path << "completed ok";
    data.fileName = path;
    data.estimateSeconds = result.estimateSeconds;
    data.loaded = true;
    result.ok = true;
    return result;
}
