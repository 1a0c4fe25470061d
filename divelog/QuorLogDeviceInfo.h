#pragma once

#include <QByteArray>
#include <QString>

// Display texts decoded from the handset's information block held in a log
// file (see docs/log-records.md for the block layout).
class QuorLogDeviceInfo
{
public:
    static QuorLogDeviceInfo Decode(const QByteArray &block);

    QString userName;
    QString model;
    QString serialNumber;  // as stored, e.g. "SN: 12A3456"
    QString versionText;   // e.g. "Code V07.00.03"
    QString flag;          // "Yes" / "No"
    QString decoOption;    // Yes/No options; empty when the flag is set
    QString bailoutOption;
    QString co2Option;
    QString weight;
    QString size;
    QString secondSize;
    QString diveMode;
    QString serviceDate;   // "dd/MM/yyyy" or "Invalid Date"
    int diveModeCode = -1;
    bool voltageFormatRaw = false;

    // Enumerations; "Unknown value" for any other code.
    static QString WeightText(int code);
    static QString SizeText(int code);
    static QString SecondSizeText(int code);
    static QString DiveModeText(int code);
    static QString YesNo(bool yes);
    // Device version number (major x 1000000 + minor x 1000 + patch) from
    // a version text holding two-digit fields at characters 6, 9 and 12;
    // 0 when the text has no such fields.
    static int VersionNumberFromText(const QString &versionText);
};
