#pragma once

#include <QString>

// What a generated handset information block says about the unit.
struct GeneratedHandset
{
    QString userName = QStringLiteral("Alex Diver");
    QString model = QStringLiteral("Seavane");
    QString serialNumber = QStringLiteral("SN: 12A3456");
    QString versionText;        // empty: "Code V07.00.03" for wide logs, "Code V06.05.02" for narrow
    int diveMode = 43;          // trimix
    int flagByte = 0;
    bool voltageFormatRaw = false;
};
