#include "SRFileHeader.h"

#include "DeviceList.h"

#include <QDate>
#include <QLocale>
#include <QTime>

namespace {

// Creator codes and the prefix of the creator line each yields.
struct CreatorEntry {
    quint8 code;
    const char *prefix;
};
constexpr CreatorEntry CreatorTable[] = {
    {ContainerCreator::Parley, "Quor Parley Version "},
    {ContainerCreator::Depot, "Quor Depot Version "},
    {ContainerCreator::RixTestSuite, "Rix Test Suite Version "},
    {ContainerCreator::Tessaro, "Tessaro Version "},
    {ContainerCreator::DepotPc, "Quor Depot PC Version "},
};

// Month names are always English so that texts and files read the same on
// every machine, whatever its language.
const QLocale &TextLocale()
{
    static const QLocale locale = QLocale::c();
    return locale;
}

} // namespace

SRFileHeader::SRFileHeader()
{
    *this = LogForm();
}

SRFileHeader SRFileHeader::LogForm()
{
    QByteArray payload(Size, char(0xFF));
    payload[0] = 0;
    payload[1] = 0;
    payload[2] = 0;
    payload[3] = 2;
    return SRFileHeader(payload);
}

SRFileHeader SRFileHeader::UploadForm()
{
    QByteArray payload(Size, char(0));
    payload[1] = 1;
    for (int i = 4; i < 16; ++i)
        payload[i] = char(0xFF);
    return SRFileHeader(payload);
}

void SRFileHeader::SetCreatorCode(quint8 code)
{
    SetByteAt(4, code);
}

void SRFileHeader::SetCreatorVersion(const std::array<quint8, 4> &version)
{
    for (int i = 0; i < 4; ++i)
        SetByteAt(5 + i, version[i]);
}

std::array<quint8, 4> SRFileHeader::CreatorVersion() const
{
    return {ByteAt(5), ByteAt(6), ByteAt(7), ByteAt(8)};
}

std::array<quint8, 4> SRFileHeader::VersionBytesFromText(const QString &versionText)
{
    std::array<quint8, 4> bytes{};
    const QStringList parts = versionText.split(QLatin1Char('.'));
    if (parts.size() != 4)
        return bytes;
    for (int i = 0; i < 4; ++i)
        bytes[i] = quint8(parts.at(i).toUInt());
    return bytes;
}

void SRFileHeader::SetDateTime(const QDateTime &dateTime)
{
    const QDate date = dateTime.date();
    const QTime time = dateTime.time();
    // A date-time the six bytes cannot carry is stored as "not known" (0xFF),
    // never as a wrapped year that would read back as a real date.
    if (!dateTime.isValid() || date.year() < 2000 || date.year() > 2000 + 0xFE) {
        for (int i = 9; i < 15; ++i)
            SetByteAt(i, 0xFF);
        return;
    }
    SetByteAt(9, quint8(date.year() - 2000));
    SetByteAt(10, quint8(date.month()));
    SetByteAt(11, quint8(date.day()));
    SetByteAt(12, quint8(time.hour()));
    SetByteAt(13, quint8(time.minute()));
    SetByteAt(14, quint8(time.second()));
}

QDateTime SRFileHeader::DateTime() const
{
    const QDate date(2000 + ByteAt(9), ByteAt(10), ByteAt(11));
    const QTime time(ByteAt(12), ByteAt(13), ByteAt(14));
    if (!date.isValid() || !time.isValid())
        return QDateTime();
    return QDateTime(date, time);
}

void SRFileHeader::SetDeviceVersion(const std::array<quint8, 4> &version)
{
    for (int i = 0; i < 4; ++i)
        SetByteAt(DeviceVersionOffset + i, version[i]);
}

void SRFileHeader::SetDeviceVersion(const QByteArray &fourBytes)
{
    std::array<quint8, 4> version = {0xFF, 0xFF, 0xFF, 0xFF};
    if (fourBytes.size() == 4) {
        for (int i = 0; i < 4; ++i)
            version[i] = quint8(fourBytes.at(i));
    }
    SetDeviceVersion(version);
}

QByteArray SRFileHeader::DeviceVersion() const
{
    QByteArray bytes(4, 0);
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(ByteAt(DeviceVersionOffset + i));
    return bytes;
}

bool SRFileHeader::DeviceVersionKnown() const
{
    return DeviceVersion() != QByteArray(4, char(0xFF));
}

quint32 SRFileHeader::DeviceVersionNumber() const
{
    if (!DeviceVersionKnown())
        return 0;
    return DeviceList::VersionNumber(ByteAt(16), ByteAt(17), ByteAt(18));
}

bool SRFileHeader::WideBlocks() const
{
    return DeviceVersionKnown() && DeviceVersionNumber() >= WideBlocksFromVersion;
}

bool SRFileHeader::WideBlocksForDeviceVersion(const QByteArray &fourBytes)
{
    SRFileHeader header;
    header.SetDeviceVersion(fourBytes);
    return header.WideBlocks();
}

bool SRFileHeader::SetLogBookEntry(const QByteArray &entry)
{
    if (entry.size() != LogBookEntrySize)
        return false;
    for (int i = 0; i < LogBookEntrySize; ++i)
        SetByteAt(LogBookEntryOffset + i, quint8(entry.at(i)));
    return true;
}

bool SRFileHeader::LogBookEntry(QByteArray &entry) const
{
    if (m_payload.size() < Size)
        return false;
    const QByteArray bytes = m_payload.mid(LogBookEntryOffset, LogBookEntrySize);
    if (bytes == QByteArray(LogBookEntrySize, char(0xFF)))
        return false;
    entry = bytes;
    return true;
}

QString SRFileHeader::CreatorPrefix(quint8 creatorCode)
{
    for (const auto &entry : CreatorTable) {
        if (entry.code == creatorCode)
            return QString::fromLatin1(entry.prefix);
    }
    return QString();
}

QString SRFileHeader::CreatorLine() const
{
    const QString prefix = CreatorPrefix(CreatorCode());
    if (prefix.isEmpty())
        return QString();
    const auto v = CreatorVersion();
    return prefix + QStringLiteral("%1.%2.%3.%4").arg(v[0]).arg(v[1]).arg(v[2]).arg(v[3]);
}

QString SRFileHeader::DateLine() const
{
    const QDate date(2000 + ByteAt(9), ByteAt(10), ByteAt(11));
    return QStringLiteral("Date ") + TextLocale().toString(date, QStringLiteral("d MMMM yyyy"));
}

QString SRFileHeader::TimeLine() const
{
    const QTime time(ByteAt(12), ByteAt(13), ByteAt(14));
    return QStringLiteral("Time ") + TextLocale().toString(time, QStringLiteral("h:mm:ss"));
}

QString SRFileHeader::DateTimeText() const
{
    const QDate date(2000 + ByteAt(9), ByteAt(10), ByteAt(11));
    const QTime time(ByteAt(12), ByteAt(13), ByteAt(14));
    return TextLocale().toString(date, QStringLiteral("d MMMM yyyy")) + QLatin1Char(' ')
        + TextLocale().toString(time, QStringLiteral("h:mm:ss"));
}

QString SRFileHeader::FormText() const
{
    return QStringLiteral("%1.%2.%3.%4").arg(ByteAt(0)).arg(ByteAt(1)).arg(ByteAt(2)).arg(ByteAt(3));
}

QString SRFileHeader::DeviceVersionText() const
{
    QStringList groups;
    for (int i = 0; i < 4; ++i)
        groups << DeviceList::HexText(ByteAt(DeviceVersionOffset + i), 2);
    return groups.join(QLatin1Char('.'));
}
