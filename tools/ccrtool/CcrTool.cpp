#include "CcrTool.h"

#include "CcrBuilder.h"
#include "DeviceList.h"
#include "UploadConstants.h"
#include "UploadData.h"
#include "UploadFileLoader.h"

#include <QFile>
#include <QFileInfo>

namespace {

struct TypeRow {
    const char *name;
    int containerType;
};

const TypeRow kTypes[] = {
    {"firmware", CcrBuilder::ContainerType::Firmware},
    {"co2-sensor", CcrBuilder::ContainerType::Co2Sensor},
    {"user-information", CcrBuilder::ContainerType::UserInformation},
    {"decompression-options", CcrBuilder::ContainerType::DecompressionOptions},
};

bool ContainerTypeOf(const QString &name, int &type)
{
    for (const TypeRow &row : kTypes) {
        if (name == QLatin1String(row.name)) {
            type = row.containerType;
            return true;
        }
    }
    return false;
}

} // namespace

CcrTool::CcrTool(QTextStream &out, QTextStream &err) : m_out(out), m_err(err) {}

QString CcrTool::UsageText()
{
    return QStringLiteral(
        "Usage: tessaro-ccrtool make --type TYPE --out FILE.ccr [--exempt] [--plain]\n"
        "                            --block ID:FILE.hex [--block ID:FILE.hex ...]\n"
        "       tessaro-ccrtool check FILE.ccr\n"
        "TYPE is firmware, co2-sensor, user-information or decompression-options; ID is the\n"
        "unit's device id in hex (B0 mono display, BC colour display, B2 C1, B4 C2, B6 CO2 sensor).\n"
        "--exempt marks a firmware file as exempt from the version and date checks; --plain\n"
        "writes the plain binary container instead of the secured one (for tests).\n"
        "The file made is loaded as the program loads it; a file it would refuse is not kept.\n"
        "Exit codes: 0 done, 1 usage, 2 a HEX file could not be read, 3 the update file is refused.\n");
}

int CcrTool::Run(const QStringList &arguments)
{
    const QString command = arguments.value(0);
    int code = Usage;
    if (command == QLatin1String("make"))
        code = Make(arguments.mid(1));
    else if (command == QLatin1String("check") && arguments.size() == 2)
        code = Check(arguments.at(1));
    else
        m_err << UsageText();
    m_out.flush();
    m_err.flush();
    return code;
}

bool CcrTool::ReadHexFile(const QString &path, QStringList &lines)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        m_err << path << ": " << file.errorString() << "\n";
        return false;
    }
    int number = 0;
    bool endSeen = false;
    while (!file.atEnd()) {
        const QString line = QString::fromLatin1(file.readLine()).trimmed();
        ++number;
        if (line.isEmpty())
            continue;
        UploadFileLoader::HexRecord record;
        bool checksumOk = false;
        if (UploadFileLoader::ParseLine(line, record, checksumOk) != UploadFileLoader::LineKind::Record
            || !checksumOk) {
            m_err << path << ":" << number << ": not an Intel HEX record with a good checksum\n";
            return false;
        }
        if (endSeen)
            continue; // nothing after the end-of-file record counts
        lines << line.toUpper();
        endSeen = record.type == UploadConstants::HexEndOfFile;
    }
    if (!endSeen)
        lines << CcrBuilder::EndOfFileRecord();
    return true;
}

int CcrTool::Make(const QStringList &arguments)
{
    QString out;
    int containerType = -1;
    bool exempt = false;
    bool secured = true;
    QVector<CcrBuilder::Block> blocks;
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &a = arguments.at(i);
        auto next = [&](QString &value) {
            if (i + 1 >= arguments.size())
                return false;
            value = arguments.at(++i);
            return true;
        };
        QString value;
        if (a == QLatin1String("--out") && next(value)) {
            out = value;
        } else if (a == QLatin1String("--type") && next(value)) {
            if (!ContainerTypeOf(value, containerType)) {
                m_err << "Unknown type " << value << "\n" << UsageText();
                return Usage;
            }
        } else if (a == QLatin1String("--exempt")) {
            exempt = true;
        } else if (a == QLatin1String("--plain")) {
            secured = false;
        } else if (a == QLatin1String("--block") && next(value)) {
            const int colon = value.indexOf(QLatin1Char(':'));
            bool ok = false;
            const uint id = value.left(colon).toUInt(&ok, 16);
            if (colon <= 0 || !ok || id > 0xFF) {
                m_err << "A block is ID:FILE.hex, not " << value << "\n" << UsageText();
                return Usage;
            }
            CcrBuilder::Block block;
            block.deviceId = quint8(id);
            if (!ReadHexFile(value.mid(colon + 1), block.hexLines))
                return BadInput;
            blocks << block;
        } else {
            m_err << "Unexpected argument " << a << "\n" << UsageText();
            return Usage;
        }
    }
    if (out.isEmpty() || containerType < 0 || blocks.isEmpty()) {
        m_err << UsageText();
        return Usage;
    }
    if (blocks.size() > UploadData::MaxBlocks) {
        m_err << "At most " << UploadData::MaxBlocks << " blocks\n";
        return Usage;
    }
    if (QFileInfo(out).suffix().toUpper() != QLatin1String("CCR")) {
        m_err << out << ": an update file ends in .ccr\n";
        return Usage;
    }
    QString error;
    if (!CcrBuilder::WriteContainer(out, containerType, exempt, CcrBuilder::UploadLines(blocks),
                                    secured, &error)) {
        m_err << out << ": " << error << "\n";
        return BadInput;
    }
    const int checked = Check(out);
    if (checked != Ok)
        QFile::remove(out);
    return checked;
}

int CcrTool::Check(const QString &path)
{
    static const DeviceList catalogue;
    UploadData data;
    UploadFileLoader::Hooks hooks;
    QStringList lines;
    hooks.message = [&lines](const QString &msg) { lines << msg; };
    const UploadFileLoader::Result result = UploadFileLoader(catalogue).Load(path, data, hooks);
    auto print = [this](const QString &text) {
        for (const QString &piece : text.split(QStringLiteral("~~~"), Qt::SkipEmptyParts))
            m_out << piece << "\n";
    };
    for (const QString &line : qAsConst(lines))
        print(line);
    if (!result.ok) {
        m_err << path << ": refused: " << result.message.split(QStringLiteral("~~~"), Qt::SkipEmptyParts).join(QLatin1Char(' ')) << "\n";
        return Refused;
    }
    for (const UploadBlock &block : data.blocks) {
        if (!block.used)
            continue;
        m_out << "Block " << DeviceList::HexText(block.deviceId, 2) << ": ";
        if (block.hasFlash)
            m_out << "Flash 0x" << DeviceList::HexText(block.flashStart, 6) << "-0x"
                  << DeviceList::HexText(block.flashEnd, 6) << ", " << block.WrittenPageCount() << " pages";
        else
            m_out << "no Flash data";
        if (block.idPresent)
            m_out << ", ID";
        if (block.configPresent)
            m_out << ", Config";
        if (block.eepromPresent)
            m_out << ", Eeprom " << block.EepromWrittenCount() << " bytes";
        m_out << "\n";
    }
    m_out << "Estimated upload time " << result.estimateSeconds << " (s)\n";
    return Ok;
}
