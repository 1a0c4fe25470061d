#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringList>
#include <QVector>
#include <QtGlobal>

// The worker's record of the connected rebreather: which units answered and
// what was read from them. Filled and changed on the worker thread only; the
// windows get copies (WorkerC::RBDataSnapshot), never the worker's own object.
// Getters and setters take a device id; an id that selects no unit block
// gives empty/invalid/-1/false/0 and setters ignore it.
class RBData
{
public:
    // Display logging formats.
    enum LoggingFormat {
        LoggingFormatMono = 0,
        LoggingFormatColourV1 = 1,
        LoggingFormatColourV2 = 2,
        LoggingFormatUndefined = 0xFF,
    };

    // Device status levels.
    enum StatusLevel { StatusGood = 1, StatusWarning = 2, StatusError = 3 };

    // The four status cells of one unit, in this order.
    enum StatusField {
        FieldSerialNumber = 0,
        FieldCodeVersion = 1,
        FieldCodeDate = 2,
        FieldCodeValidity = 3,
        FieldCount = 4,
    };

    // Decoded code or bootloader details (the first eight bytes of the region).
    struct CodeDetails
    {
        QString dateText;
        QDate date;
        QString versionText;
        int versionNumber = -1;
        int majorByte = 0;
        bool valid = false;
    };

    RBData();

    // --- Pure decoders (no record state) ---
    // Characters below 0x21 or above 0x7C become spaces, then the text is trimmed.
    static QString FilterText(const QByteArray &bytes);
    // Code details from a successful read of the code-details region.
    static CodeDetails DecodeCodeDetails(const QByteArray &bytes);
    // Bootloader details from a successful read of the bootloader region;
    // valid only when date and version look plausible.
    static CodeDetails DecodeBootloaderDetails(const QByteArray &bytes);
    // Details after a failed read.
    static CodeDetails FailedCodeDetails();
    static CodeDetails FailedBootloaderDetails();
    // Three-way comparison of display (d), C1 (p) and C2 (q) texts: one
    // status level per unit, in that order.
    static QVector<int> CompareThree(const QString &d, const QString &p, const QString &q);

    // --- Header ---
    void Clear();
    bool IsValid() const { return m_valid; }
    void SetValid(bool valid) { m_valid = valid; }

    QDateTime RtcDateTime() const { return m_rtcDateTime; }
    void SetRtcDateTime(const QDateTime &dt) { m_rtcDateTime = dt; }

    quint8 DisplayDeviceId() const { return m_displayDeviceId; }
    bool IsDisplayDeviceIdValid() const { return m_displayDeviceIdValid; }
    // Accepts only 0xB0 or 0xBC; anything else clears the id and its valid flag.
    void SetDisplayDeviceId(quint8 deviceId);

    int DisplayLoggingFormat() const { return m_loggingFormat; }
    void SetDisplayLoggingFormat(int format) { m_loggingFormat = format; }

    // Presence: units by id, plus bridge 0xB8, CO2 0xB6, ATE 0xBE and RTC 0xA2.
    bool IsPresent(quint8 deviceId) const;
    void SetPresent(quint8 deviceId, bool present);
    // A display (0xB0 or 0xBC, whichever is recorded) is present.
    bool IsHandsetPresent() const;

    // --- Per-unit fields ---
    QString SerialNumber(quint8 deviceId) const;
    void SetSerialNumber(quint8 deviceId, const QString &serial);
    // The unit's serial number has the serial-number form.
    bool IsSerialNumberValid(quint8 deviceId) const;

    quint8 HardwareConfig(quint8 deviceId) const;
    void SetHardwareConfig(quint8 deviceId, quint8 config);

    void SetCodeDetails(quint8 deviceId, const CodeDetails &details);
    QString CodeVersionText(quint8 deviceId) const;
    int CodeVersionNumber(quint8 deviceId) const;
    int CodeMajorByte(quint8 deviceId) const;
    QString CodeDateText(quint8 deviceId) const;
    QDate CodeDate(quint8 deviceId) const;
    bool CodeDetailsValid(quint8 deviceId) const;

    void SetBootloaderDetails(quint8 deviceId, const CodeDetails &details);
    QString BootloaderVersionText(quint8 deviceId) const;
    int BootloaderVersionNumber(quint8 deviceId) const;
    QString BootloaderDateText(quint8 deviceId) const;
    QDate BootloaderDate(quint8 deviceId) const;
    bool BootloaderDetailsValid(quint8 deviceId) const;

    bool CodeValidity(quint8 deviceId) const;
    void SetCodeValidity(quint8 deviceId, bool valid);

    QString UserName(quint8 deviceId) const;
    QString TelephoneNumber(quint8 deviceId) const;
    QString PostCode(quint8 deviceId) const;
    void SetUserInformation(quint8 deviceId, const QString &name, const QString &telephone,
                            const QString &postCode);

    QDateTime EepromDateTime(quint8 deviceId) const;
    void SetEepromDateTime(quint8 deviceId, const QDateTime &dt);

    // --- Device status ---
    // Computes the twelve cells and the overall level from the current
    // fields, stores them, and returns the overall level.
    int EvaluateDeviceStatus();
    int FieldStatus(quint8 deviceId, StatusField field) const;
    int OverallStatus() const { return m_overallStatus; }

    // --- Status-log texts ---
    QStringList DumpLines() const;     // "RBData Dump" ... "RBData Dump Complete"
    QStringList UserInfoLines() const; // "RBData User Info" and one line per unit

private:
    struct Unit
    {
        bool present = false;
        QString serialNumber;
        quint8 hardwareConfig = 0;
        CodeDetails code;
        CodeDetails bootloader;
        bool codeValidity = false;
        QString userName;
        QString telephoneNumber;
        QString postCode;
        QDateTime eepromDateTime;
        int status[FieldCount] = {StatusGood, StatusGood, StatusGood, StatusGood};
    };
    enum UnitIndex { UnitDisplay = 0, UnitC1 = 1, UnitC2 = 2, UnitCount = 3 };

    static int UnitIndexFor(quint8 deviceId);
    const Unit *UnitFor(quint8 deviceId) const;
    Unit *UnitFor(quint8 deviceId);
    static Unit ClearedUnit();
    QStringList UnitDumpLines(const QString &prefix, const Unit &unit, bool withEeprom) const;

    bool m_valid = false;
    QDateTime m_rtcDateTime;
    quint8 m_displayDeviceId = 0;
    bool m_displayDeviceIdValid = false;
    int m_loggingFormat = LoggingFormatUndefined;
    bool m_bridgePresent = false;
    bool m_co2Present = false;
    bool m_atePresent = false;
    bool m_rtcPresent = false;
    Unit m_units[UnitCount];
    int m_overallStatus = StatusGood;
};
