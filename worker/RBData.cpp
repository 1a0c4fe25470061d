#include "RBData.h"

#include "DeviceList.h"

#include <algorithm>

namespace {

const char *const DateTimeDumpFormat = "hh:mm:ss dd.MM.yyyy";

QString TwoDigits(int value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString HexByte(quint8 value)
{
    return QStringLiteral("%1").arg(value, 2, 16, QLatin1Char('0')).toUpper();
}

QString BoolText(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QString DateText(const QDate &date)
{
    return date.startOfDay().toString(QLatin1String(DateTimeDumpFormat));
}

QString DateTimeText(const QDateTime &dt)
{
    return dt.toString(QLatin1String(DateTimeDumpFormat));
}

// Date text "dd/mm/yy" and the date itself from day, month, year-2000 bytes.
void DecodeDate(quint8 day, quint8 month, quint8 year, RBData::CodeDetails &out)
{
    out.dateText = TwoDigits(day) + QLatin1Char('/') + TwoDigits(month) + QLatin1Char('/')
                   + TwoDigits(year);
    out.date = QDate(2000 + year, month, day);
}

// Version text "b3.b4.b5.b6.b7" in hex and the packed-decimal number of b5-b7.
void DecodeVersion(const QByteArray &bytes, RBData::CodeDetails &out)
{
    QStringList parts;
    for (int i = 3; i <= 7; ++i)
        parts << HexByte(quint8(bytes.at(i)));
    out.versionText = parts.join(QLatin1Char('.'));
    out.versionNumber = int(DeviceList::VersionNumber(quint8(bytes.at(5)), quint8(bytes.at(6)),
                                                      quint8(bytes.at(7))));
}

} // namespace

RBData::RBData()
{
    Clear();
}

QString RBData::FilterText(const QByteArray &bytes)
{
    QString text;
    text.reserve(bytes.size());
    for (char c : bytes) {
        const quint8 b = quint8(c);
        text.append((b < 0x21 || b > 0x7C) ? QLatin1Char(' ') : QLatin1Char(char(b)));
    }
    return text.trimmed();
}

RBData::CodeDetails RBData::DecodeCodeDetails(const QByteArray &bytes)
{
    if (bytes.size() < 8)
        return FailedCodeDetails();
    CodeDetails d;
    DecodeDate(quint8(bytes.at(0)), quint8(bytes.at(1)), quint8(bytes.at(2)), d);
    DecodeVersion(bytes, d);
    d.majorByte = quint8(bytes.at(5));
    d.valid = true;
    return d;
}

RBData::CodeDetails RBData::DecodeBootloaderDetails(const QByteArray &bytes)
{
    if (bytes.size() < 8)
        return FailedBootloaderDetails();
    CodeDetails d;
    d.valid = true;
    const quint8 day = quint8(bytes.at(0));
    const quint8 month = quint8(bytes.at(1));
    const quint8 year = quint8(bytes.at(2));
    if (day >= 1 && day <= 31 && month >= 1 && month <= 12 && year <= 99) {
        DecodeDate(day, month, year, d);
    } else {
        d.dateText = QStringLiteral("Unknown");
        d.date = QDate();
        d.valid = false;
    }
    const quint8 b3 = quint8(bytes.at(3));
    if ((b3 & 0x0B) == 0x0B && quint8(bytes.at(5)) == 3) {
        DecodeVersion(bytes, d);
    } else {
        d.versionText.clear();
        d.versionNumber = -1;
        d.valid = false;
    }
    return d;
}

RBData::CodeDetails RBData::FailedCodeDetails()
{
    return CodeDetails();
}

RBData::CodeDetails RBData::FailedBootloaderDetails()
{
    CodeDetails d;
    d.dateText = QStringLiteral("Invalid");
    d.versionText = QStringLiteral("Invalid");
    return d;
}

QVector<int> RBData::CompareThree(const QString &d, const QString &p, const QString &q)
{
    const QString texts[3] = {d, p, q};
    QVector<int> result(3);
    int nonEmpty = 0;
    for (int i = 0; i < 3; ++i) {
        result[i] = texts[i].isEmpty() ? StatusError : StatusGood;
        if (!texts[i].isEmpty())
            ++nonEmpty;
    }
    if (nonEmpty == 2) {
        for (int i = 0; i < 3; ++i)
            for (int j = i + 1; j < 3; ++j)
                if (!texts[i].isEmpty() && !texts[j].isEmpty() && texts[i] != texts[j])
                    result[i] = result[j] = StatusError;
    } else if (nonEmpty == 3) {
        const int equalToDisplay = (d == p ? 1 : 0) + (d == q ? 1 : 0);
        result[0] = equalToDisplay == 2 ? StatusGood
                    : equalToDisplay == 0 ? StatusError
                                          : StatusWarning;
        if (p != q)
            result[1] = result[2] = StatusError;
    }
    return result;
}

RBData::Unit RBData::ClearedUnit()
{
    Unit u;
    u.code = CodeDetails();
    u.code.versionNumber = 0;
    u.bootloader = CodeDetails();
    u.bootloader.versionNumber = 0;
    return u;
}

void RBData::Clear()
{
    m_valid = false;
    m_rtcDateTime = QDateTime();
    m_displayDeviceId = 0;
    m_displayDeviceIdValid = false;
    m_loggingFormat = LoggingFormatUndefined;
    m_bridgePresent = false;
    m_co2Present = false;
    m_atePresent = false;
    m_rtcPresent = false;
    for (Unit &u : m_units)
        u = ClearedUnit();
    m_overallStatus = StatusGood;
}

void RBData::SetDisplayDeviceId(quint8 deviceId)
{
    m_displayDeviceIdValid =
        deviceId == DeviceId::DisplayMono || deviceId == DeviceId::DisplayColour;
    m_displayDeviceId = m_displayDeviceIdValid ? deviceId : 0;
}

int RBData::UnitIndexFor(quint8 deviceId)
{
    switch (deviceId) {
    case DeviceId::DisplayMono:
    case DeviceId::DisplayColour:
        return UnitDisplay;
    case DeviceId::C1:
        return UnitC1;
    case DeviceId::C2:
        return UnitC2;
    default:
        return -1;
    }
}

const RBData::Unit *RBData::UnitFor(quint8 deviceId) const
{
    const int index = UnitIndexFor(deviceId);
    return index < 0 ? nullptr : &m_units[index];
}

RBData::Unit *RBData::UnitFor(quint8 deviceId)
{
    const int index = UnitIndexFor(deviceId);
    return index < 0 ? nullptr : &m_units[index];
}

bool RBData::IsPresent(quint8 deviceId) const
{
    switch (deviceId) {
    case DeviceId::Bridge:
        return m_bridgePresent;
    case DeviceId::Co2Sensor:
        return m_co2Present;
    case DeviceId::AteProcessor:
        return m_atePresent;
    case DeviceId::Rtc:
        return m_rtcPresent;
    default:
        break;
    }
    const Unit *u = UnitFor(deviceId);
    return u && u->present;
}

void RBData::SetPresent(quint8 deviceId, bool present)
{
    switch (deviceId) {
    case DeviceId::Bridge:
        m_bridgePresent = present;
        return;
    case DeviceId::Co2Sensor:
        m_co2Present = present;
        return;
    case DeviceId::AteProcessor:
        m_atePresent = present;
        return;
    case DeviceId::Rtc:
        m_rtcPresent = present;
        return;
    default:
        break;
    }
    if (Unit *u = UnitFor(deviceId))
        u->present = present;
}

bool RBData::IsHandsetPresent() const
{
    return m_units[UnitDisplay].present;
}

QString RBData::SerialNumber(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->serialNumber : QString();
}

void RBData::SetSerialNumber(quint8 deviceId, const QString &serial)
{
    if (Unit *u = UnitFor(deviceId))
        u->serialNumber = serial;
}

bool RBData::IsSerialNumberValid(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u && DeviceList::IsSerialNumberForm(u->serialNumber);
}

quint8 RBData::HardwareConfig(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->hardwareConfig : 0;
}

void RBData::SetHardwareConfig(quint8 deviceId, quint8 config)
{
    if (Unit *u = UnitFor(deviceId))
        u->hardwareConfig = config;
}

void RBData::SetCodeDetails(quint8 deviceId, const CodeDetails &details)
{
    if (Unit *u = UnitFor(deviceId))
        u->code = details;
}

QString RBData::CodeVersionText(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->code.versionText : QString();
}

int RBData::CodeVersionNumber(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->code.versionNumber : -1;
}

int RBData::CodeMajorByte(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->code.majorByte : 0;
}

QString RBData::CodeDateText(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->code.dateText : QString();
}

QDate RBData::CodeDate(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->code.date : QDate();
}

bool RBData::CodeDetailsValid(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u && u->code.valid;
}

void RBData::SetBootloaderDetails(quint8 deviceId, const CodeDetails &details)
{
    if (Unit *u = UnitFor(deviceId))
        u->bootloader = details;
}

QString RBData::BootloaderVersionText(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->bootloader.versionText : QString();
}

int RBData::BootloaderVersionNumber(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->bootloader.versionNumber : -1;
}

QString RBData::BootloaderDateText(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->bootloader.dateText : QString();
}

QDate RBData::BootloaderDate(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->bootloader.date : QDate();
}

bool RBData::BootloaderDetailsValid(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u && u->bootloader.valid;
}

bool RBData::CodeValidity(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u && u->codeValidity;
}

void RBData::SetCodeValidity(quint8 deviceId, bool valid)
{
    if (Unit *u = UnitFor(deviceId))
        u->codeValidity = valid;
}

QString RBData::UserName(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->userName : QString();
}

QString RBData::TelephoneNumber(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->telephoneNumber : QString();
}

QString RBData::PostCode(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->postCode : QString();
}

void RBData::SetUserInformation(quint8 deviceId, const QString &name, const QString &telephone,
                                const QString &postCode)
{
    if (Unit *u = UnitFor(deviceId)) {
        u->userName = name;
        u->telephoneNumber = telephone;
        u->postCode = postCode;
    }
}

QDateTime RBData::EepromDateTime(quint8 deviceId) const
{
    const Unit *u = UnitFor(deviceId);
    return u ? u->eepromDateTime : QDateTime();
}

void RBData::SetEepromDateTime(quint8 deviceId, const QDateTime &dt)
{
    if (Unit *u = UnitFor(deviceId))
        u->eepromDateTime = dt;
}

int RBData::EvaluateDeviceStatus()
{
    for (Unit &u : m_units)
        std::fill(std::begin(u.status), std::end(u.status), int(StatusGood));
    m_overallStatus = StatusGood;

    bool anyPresent = false;
    for (const Unit &u : m_units)
        anyPresent = anyPresent || u.present;
    if (!anyPresent)
        return m_overallStatus;

    for (Unit &u : m_units)
        if (u.present && !u.codeValidity)
            u.status[FieldCodeValidity] = StatusError;

    // Serial numbers: any unit that does not agree is an error.
    QString serials[UnitCount];
    for (int i = 0; i < UnitCount; ++i) {
        const Unit &u = m_units[i];
        if (u.present && DeviceList::IsSerialNumberForm(u.serialNumber))
            serials[i] = u.serialNumber;
    }
    const QVector<int> serialResult = CompareThree(serials[0], serials[1], serials[2]);
    // An absent unit has nothing to disagree with: only present units get marked.
    for (int i = 0; i < UnitCount; ++i)
        if (m_units[i].present && serialResult[i] != StatusGood)
            m_units[i].status[FieldSerialNumber] = StatusError;

    // Code dates and versions: a display that disagrees is a warning, a
    // controller that disagrees an error.
    auto applyCodeCompare = [this](StatusField field, auto textOf) {
        QString texts[UnitCount];
        for (int i = 0; i < UnitCount; ++i) {
            const Unit &u = m_units[i];
            if (u.present && u.code.valid)
                texts[i] = textOf(u);
        }
        const QVector<int> result = CompareThree(texts[0], texts[1], texts[2]);
        for (int i = 0; i < UnitCount; ++i)
            if (m_units[i].present && result[i] != StatusGood)
                m_units[i].status[field] = i == UnitDisplay ? StatusWarning : StatusError;
    };
    applyCodeCompare(FieldCodeDate, [](const Unit &u) { return u.code.dateText; });
    // Only the last three version bytes count.
    applyCodeCompare(FieldCodeVersion, [](const Unit &u) { return u.code.versionText.mid(6); });

    for (const Unit &u : m_units)
        for (int s : u.status)
            m_overallStatus = std::max(m_overallStatus, s);
    return m_overallStatus;
}

int RBData::FieldStatus(quint8 deviceId, StatusField field) const
{
    const Unit *u = UnitFor(deviceId);
    if (!u || field < 0 || field >= FieldCount)
        return StatusGood;
    return u->status[field];
}

QStringList RBData::UnitDumpLines(const QString &prefix, const Unit &unit, bool withEeprom) const
{
    const QString p = prefix + QLatin1Char(' ');
    QStringList lines;
    lines << p + QStringLiteral("Present ") + BoolText(unit.present)
          << p + QStringLiteral("Code Version ") + unit.code.versionText
          << p + QStringLiteral("Code Date ") + DateText(unit.code.date)
          << p + QStringLiteral("Code Details Valid ") + BoolText(unit.code.valid)
          << p + QStringLiteral("Code Validity ") + BoolText(unit.codeValidity)
          << p + QStringLiteral("Bootloader Version ") + unit.bootloader.versionText
          << p + QStringLiteral("Bootloader Date ") + DateText(unit.bootloader.date)
          << p + QStringLiteral("Bootloader Details Valid ") + BoolText(unit.bootloader.valid)
          << p + QStringLiteral("Serial Number ") + unit.serialNumber;
    if (withEeprom)
        lines << p + QStringLiteral("EEPROM Date Time ") + DateTimeText(unit.eepromDateTime);
    lines << p + QStringLiteral("Hardware Config ") + QString::number(unit.hardwareConfig);
    return lines;
}

QStringList RBData::DumpLines() const
{
    QStringList lines;
    lines << QStringLiteral("RBData Dump")
          << QStringLiteral("RTCDateTime ") + DateTimeText(m_rtcDateTime)
          << QStringLiteral("Display Device ID Valid ") + BoolText(m_displayDeviceIdValid)
          << QStringLiteral("Display Logging Format ") + QString::number(m_loggingFormat)
          << QStringLiteral("Bridge Present ") + BoolText(m_bridgePresent)
          << QStringLiteral("CO2 Sensor Present ") + BoolText(m_co2Present)
          << QStringLiteral("ATE Present ") + BoolText(m_atePresent);
    lines << UnitDumpLines(QStringLiteral("Display"), m_units[UnitDisplay], true);
    lines << UnitDumpLines(QStringLiteral("C1"), m_units[UnitC1], false);
    lines << UnitDumpLines(QStringLiteral("C2"), m_units[UnitC2], false);
    lines << QStringLiteral("RBData Dump Complete");
    return lines;
}

QStringList RBData::UserInfoLines() const
{
    static const char *const prefixes[UnitCount] = {"Display", "C1", "C2"};
    QStringList lines;
    lines << QStringLiteral("RBData User Info");
    for (int i = 0; i < UnitCount; ++i) {
        const Unit &u = m_units[i];
        lines << QLatin1String(prefixes[i]) + QStringLiteral(" Serial Number - ") + u.serialNumber
                     + QStringLiteral(", User Name - ") + u.userName
                     + QStringLiteral(", Telephone Number - ") + u.telephoneNumber
                     + QStringLiteral(", Post Code - ") + u.postCode;
    }
    return lines;
}
