#include "LoggingPointers.h"

#include "DeviceList.h"
#include "RixComms.h"

#include <QDebug>

namespace {

constexpr int PointerBytes = 7;

QString Hex2(int v)
{
    return DeviceList::HexText(quint64(v), 2);
}

bool ReadVariables(RixComms &link, const DeviceList &catalogue, quint8 deviceId, QByteArray &bytes)
{
    quint8 memory = 0;
    quint32 start = 0, size = 0;
    if (!catalogue.GetRegion(deviceId, 8, memory, start, size))
        return false;
    bytes = QByteArray(PointerBytes, '\0');
    return link.Read(deviceId, memory, start, PointerBytes, reinterpret_cast<uchar *>(bytes.data()));
}

} // namespace

bool LoggingPointers::ReadColour(RixComms &link, const DeviceList &catalogue)
{
    QByteArray b;
    if (!ReadVariables(link, catalogue, DeviceId::DisplayColour, b)) {
        qDebug().noquote() << "GetLoggingPointersColour Failed -" << link.GetLastError();
        return false;
    }
    const auto u = [&](int k) { return quint32(quint8(b.at(k))); };
    logging = (u(1) << 24) | (u(2) << 16) | (u(3) << 8) | u(4);
    logBook = quint16((u(5) << 8) | u(6));
    qDebug().noquote() << QStringLiteral("Logging Pointer 0x%1 0x%2 0x%3 0x%4 = 0x%5")
                              .arg(Hex2(int(u(1))), Hex2(int(u(2))), Hex2(int(u(3))), Hex2(int(u(4))),
                                   DeviceList::HexText(logging, 8));
    qDebug().noquote() << QStringLiteral("Log Book Pointer 0x%1 0x%2 = 0x%3")
                              .arg(Hex2(int(u(5))), Hex2(int(u(6))), DeviceList::HexText(logBook, 4));
    return true;
}

bool LoggingPointers::ReadMono(RixComms &link, const DeviceList &catalogue)
{
    QByteArray b;
    quint32 logStart = 0;
    if (!catalogue.GetRegionStart(DeviceId::DisplayMono, 13, logStart)
        || !ReadVariables(link, catalogue, DeviceId::DisplayMono, b)) {
        qDebug().noquote() << "GetLoggingPointersMono Failed -" << link.GetLastError();
        return false;
    }
    const auto u = [&](int k) { return quint32(quint8(b.at(k))); };
    const quint32 absolute = (u(1) << 16) | (u(2) << 8) | u(3);
    logging = absolute - logStart;
    qDebug().noquote() << QStringLiteral("Logging Pointer 0x%1 0x%2 0x%3 = 0x%4")
                              .arg(Hex2(int(u(1))), Hex2(int(u(2))), Hex2(int(u(3))),
                                   DeviceList::HexText(logging, 8));
    return true;
}
