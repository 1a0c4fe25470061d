#include "DeviceList.h"

#include <QtTest>

class TestDeviceList : public QObject
{
    Q_OBJECT

private slots:
    void catalogueOrderAndIds();
    void regions_data();
    void regions();
    void regionInsertionOrder();
    void memoryRanges_data();
    void memoryRanges();
    void entryRefusesOverflow();
    void names();

    void gasText_data();
    void gasText();
    void hexAndVersion();
    void fixedPointFromHex_data();
    void fixedPointFromHex();
    void realFromHex_data();
    void realFromHex();
    void deviceRealValue();
    void signedAndUnsigned();
    void degrees();
    void lineCheck_data();
    void lineCheck();
    void serialNumberForm_data();
    void serialNumberForm();
    void durationText_data();
    void durationText();
    void utcOffsetText_data();
    void utcOffsetText();
    void banner();
};

void TestDeviceList::catalogueOrderAndIds()
{
    const DeviceList list;
    const QList<QPair<QString, int>> expected = {
        {"Display", 0xB0}, {"Display - Colour", 0xBC}, {"C1", 0xB2}, {"C2", 0xB4},
        {"RTC", 0xA2}, {"T0", 0x90}, {"T1", 0x80}, {"T2", 0x92}, {"T3", 0x94},
        {"T4", 0x96}, {"T5", 0x98}, {"T6", 0x9A}, {"T7", 0x9C}, {"T8", 0x9E},
        {"ATE Processor", 0xBE}, {"ATE Sensor Pots", 0x58}, {"ATE Battery Pots", 0x5A},
        {"ATE Dig I/O 1", 0x40}, {"ATE Dig I/O 2", 0x42}, {"ATE Dig I/O 3", 0x44},
        {"CO2 Sensor", 0xB6}, {"Compass", 0x3A}, {"User Defined", 0x00},
    };
    QCOMPARE(list.DeviceCount(), expected.size());
    for (int i = 0; i < expected.size(); ++i) {
        QCOMPARE(list.DeviceAt(i).Name(), expected.at(i).first);
        QCOMPARE(int(list.DeviceAt(i).Id()), expected.at(i).second);
    }
    QVERIFY(list.FindDevice(0xB8) == nullptr); // the bridge is not a catalogued unit
}

void TestDeviceList::regions_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("region");
    QTest::addColumn<bool>("found");
    QTest::addColumn<int>("memory");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("size");

    QTest::newRow("C1 log data") << 0xB2 << 13 << true << 1 << 0x4800u << 0x3800u;
    QTest::newRow("C2 like C1") << 0xB4 << 13 << true << 1 << 0x4800u << 0x3800u;
    QTest::newRow("colour log book") << 0xBC << 11 << true << 6 << 0x0u << 0x10000u;
    QTest::newRow("colour log data") << 0xBC << 13 << true << 6 << 0x10000u << 0x1FF0000u;
    QTest::newRow("colour pointers") << 0xBC << 15 << true << 1 << 0x1000u << 0x80u;
    QTest::newRow("mono system info") << 0xB0 << 0 << true << 1 << 0x4000u << 0x40u;
    QTest::newRow("mono bootloader") << 0xB0 << 18 << true << 1 << 0x20u << 0x10u;
    QTest::newRow("mono eeprom") << 0xB0 << 8 << true << 2 << 0x0u << 0x400u;
    QTest::newRow("mono region 5 absent") << 0xB0 << 5 << false << 0 << 0u << 0u;
    QTest::newRow("region 17 nowhere") << 0xBC << 17 << false << 0 << 0u << 0u;
    QTest::newRow("ATE code area") << 0xBE << 4 << true << 1 << 0x2100u << 0xDF00u;
    QTest::newRow("ATE only region 4") << 0xBE << 7 << false << 0 << 0u << 0u;
    QTest::newRow("CO2 code area") << 0xB6 << 4 << true << 1 << 0x800u << 0x3800u;
    QTest::newRow("CO2 last word") << 0xB6 << 16 << true << 1 << 0x3FFFFEu << 0x2u;
    QTest::newRow("RTC has none") << 0xA2 << 0 << false << 0 << 0u << 0u;
    QTest::newRow("unknown device") << 0x12 << 0 << false << 0 << 0u << 0u;
}

void TestDeviceList::regions()
{
    QFETCH(int, device);
    QFETCH(int, region);
    QFETCH(bool, found);
    QFETCH(int, memory);
    QFETCH(quint32, start);
    QFETCH(quint32, size);

    const DeviceList list;
    quint8 mem = 0xEE;
    quint32 s = 0xDEAD, sz = 0xBEEF;
    QCOMPARE(list.GetRegion(quint8(device), region, mem, s, sz), found);
    quint32 s2 = 0, e2 = 0, s3 = 0;
    quint8 m2 = 0;
    QCOMPARE(list.GetRegionStartEnd(quint8(device), region, s2, e2), found);
    QCOMPARE(list.GetRegionMemory(quint8(device), region, m2), found);
    QCOMPARE(list.GetRegionStart(quint8(device), region, s3), found);
    if (!found)
        return;
    QCOMPARE(int(mem), memory);
    QCOMPARE(s, start);
    QCOMPARE(sz, size);
    QCOMPARE(s2, start);
    QCOMPARE(e2, start + size - 1);
    QCOMPARE(int(m2), memory);
    QCOMPARE(s3, start);
}

void TestDeviceList::regionInsertionOrder()
{
    const DeviceList list;
    auto order = [&](quint8 id) {
        QList<int> ids;
        const DeviceEntry *e = list.FindDevice(id);
        for (int i = 0; e && i < e->RegionCount(); ++i)
            ids << e->RegionAt(i).regionId;
        return ids;
    };
    QCOMPARE(order(0xB0), (QList<int>{0, 1, 2, 3, 4, 6, 7, 18, 8, 13, 16}));
    QCOMPARE(order(0xBC), (QList<int>{15, 0, 1, 2, 3, 5, 4, 6, 14, 7, 18, 8, 9, 10, 12, 11, 13, 16}));
    QCOMPARE(order(0xB2), (QList<int>{0, 1, 2, 3, 4, 7, 18, 8, 13, 16}));
    QCOMPARE(order(0xB6), (QList<int>{4, 7, 16}));
}

void TestDeviceList::memoryRanges_data()
{
    QTest::addColumn<int>("device");
    QTest::addColumn<int>("memory");
    QTest::addColumn<int>("index");
    QTest::addColumn<bool>("found");
    QTest::addColumn<quint32>("start");
    QTest::addColumn<quint32>("end");

    QTest::newRow("mono flash 0") << 0xB0 << 1 << 0 << true << 0x0u << 0x1FFFFu;
    QTest::newRow("mono flash 2") << 0xB0 << 1 << 2 << true << 0x300000u << 0x3FFFFFu;
    QTest::newRow("mono flash 3 empty") << 0xB0 << 1 << 3 << true << 0u << 0u;
    QTest::newRow("mono no profile") << 0xB0 << 6 << 0 << true << 0u << 0u;
    QTest::newRow("colour profile") << 0xBC << 6 << 0 << true << 0x0u << 0x1FFFFFFu;
    QTest::newRow("colour config") << 0xBC << 4 << 0 << true << 0x300000u << 0x30000Du;
    QTest::newRow("C1 buffer ends 100") << 0xB2 << 5 << 0 << true << 0x0u << 0x100u;
    QTest::newRow("C2 flash last word") << 0xB4 << 1 << 2 << true << 0x3FFFFEu << 0x3FFFFFu;
    QTest::newRow("T1 is 0x80") << 0x80 << 5 << 0 << true << 0x0u << 0xFFu;
    QTest::newRow("CO2 flash") << 0xB6 << 1 << 0 << true << 0x0u << 0x3FFFu;
    QTest::newRow("user defined") << 0x00 << 5 << 0 << true << 0x0u << 0xFFu;
    QTest::newRow("memory 7 refused") << 0xB0 << 7 << 0 << false << 0u << 0u;
    QTest::newRow("index 5 refused") << 0xB0 << 1 << 5 << false << 0u << 0u;
    QTest::newRow("unknown device") << 0xB8 << 5 << 0 << false << 0u << 0u;
}

void TestDeviceList::memoryRanges()
{
    QFETCH(int, device);
    QFETCH(int, memory);
    QFETCH(int, index);
    QFETCH(bool, found);
    QFETCH(quint32, start);
    QFETCH(quint32, end);

    const DeviceList list;
    quint32 s = 0xAAAA, e = 0xBBBB;
    QCOMPARE(list.GetMemoryRange(quint8(device), quint8(memory), index, s, e), found);
    if (found) {
        QCOMPARE(s, start);
        QCOMPARE(e, end);
    }
}

void TestDeviceList::entryRefusesOverflow()
{
    DeviceEntry entry(QStringLiteral("X"), 0x11);
    for (int i = 0; i < DeviceEntry::MaxRangesPerMemory; ++i)
        QVERIFY(entry.AddMemoryRange(MemoryId::Ram, quint32(i * 16), quint32(i * 16 + 15)));
    QVERIFY(!entry.AddMemoryRange(MemoryId::Ram, 0x1000, 0x1FFF));
    QVERIFY(!entry.AddMemoryRange(7, 0, 1));
    QCOMPARE(entry.Range(MemoryId::Ram, 4).start, 64u);

    for (int i = 0; i < DeviceEntry::MaxRegions; ++i)
        QVERIFY(entry.AddRegion(i, MemoryId::Ram, 0, 1));
    QVERIFY(!entry.AddRegion(99, MemoryId::Ram, 0, 1));
    QCOMPARE(entry.RegionCount(), DeviceEntry::MaxRegions);
    QVERIFY(entry.FindRegion(99) == nullptr);

    QVERIFY(entry.ContainsSpan(MemoryId::Ram, 16, 16));
    QVERIFY(!entry.ContainsSpan(MemoryId::Ram, 72, 16)); // runs past the last range
    QVERIFY(!entry.ContainsSpan(MemoryId::Flash, 0, 1));
}

void TestDeviceList::names()
{
    const QList<std::tuple<int, QString, QString>> rows = {
        {0xB0, "Display", "Display Mono"},
        {0xB2, "Controller 1", "C1"},
        {0xB4, "Controller 2", "C2"},
        {0xB6, "Unknown Device ID", "CO2 Sensor"},
        {0xB8, "Unknown Device ID", "Bridge"},
        {0xBC, "Display Colour", "Display Colour"},
        {0xBE, "Unknown Device ID", "ATE"},
        {0xA2, "Unknown Device ID", "Unknown Device"},
    };
    for (const auto &r : rows) {
        QCOMPARE(DeviceList::DeviceName(quint8(std::get<0>(r))), std::get<1>(r));
        QCOMPARE(DeviceList::DeviceTypeName(quint8(std::get<0>(r))), std::get<2>(r));
    }
    const QStringList memories = {"Unknown Memory", "Flash", "Eeprom", "Ram", "Config",
                                  "Buffer", "Profile", "Unknown Memory"};
    for (int i = 0; i < memories.size(); ++i)
        QCOMPARE(DeviceList::MemoryName(quint8(i)), memories.at(i));
    QCOMPARE(DeviceList::MemoryName(255), QStringLiteral("Unknown Memory"));
}

void TestDeviceList::gasText_data()
{
    QTest::addColumn<double>("oxygen");
    QTest::addColumn<double>("helium");
    QTest::addColumn<QString>("text");
    QTest::newRow("nitrox 32") << 32.0 << 0.0 << "32% Nx";
    QTest::newRow("trimix") << 18.0 << 45.0 << "18/45";
    QTest::newRow("air") << 21.0 << 0.0 << "AIR";
    QTest::newRow("oxygen") << 100.0 << 0.0 << "OXYGEN";
    QTest::newRow("helium") << 0.0 << 100.0 << "HELIUM";
    QTest::newRow("reals truncate") << 21.9 << 0.4 << "AIR";
    QTest::newRow("reals trimix") << 10.7 << 70.2 << "10/70";
}

void TestDeviceList::gasText()
{
    QFETCH(double, oxygen);
    QFETCH(double, helium);
    QFETCH(QString, text);
    QCOMPARE(DeviceList::GasTextFromReals(oxygen, helium), text);
    if (oxygen == int(oxygen) && helium == int(helium))
        QCOMPARE(DeviceList::GasText(int(oxygen), int(helium)), text);
}

void TestDeviceList::hexAndVersion()
{
    QCOMPARE(DeviceList::HexText(0xAB, 4), QStringLiteral("00AB"));
    QCOMPARE(DeviceList::HexText(0x1FFFFFF, 2), QStringLiteral("1FFFFFF"));
    QCOMPARE(DeviceList::HexText(0, 2), QStringLiteral("00"));
    QCOMPARE(DeviceList::VersionNumber(0x01, 0x23, 0x45), 1023045u);
    QCOMPARE(DeviceList::VersionNumber(0x07, 0x00, 0x03), 7000003u);
    QCOMPARE(DeviceList::VersionNumber(0x99, 0x99, 0x99), 99099099u);
    QCOMPARE(DeviceList::HexToBytes(QStringLiteral("00FFa1")), QByteArray("\x00\xFF\xA1", 3));
    QCOMPARE(DeviceList::HexToBytes(QStringLiteral("4142Z")), QByteArray("AB"));
    QCOMPARE(DeviceList::HexToBytes(QString()), QByteArray());
}

void TestDeviceList::fixedPointFromHex_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<double>("value");
    QTest::newRow("one") << "00100000" << 1.0;
    QTest::newRow("half") << "00080000" << 0.5;
    QTest::newRow("lsb first") << "01000000" << 1.0 / 4096.0;
    QTest::newRow("msb") << "00000080" << double(0x80000000u) / 4096.0;
    QTest::newRow("too short") << "0010000" << -1.0;
    QTest::newRow("too long") << "001000000" << -1.0;
    QTest::newRow("not hex") << "0010000G" << -1.0;
}

void TestDeviceList::fixedPointFromHex()
{
    QFETCH(QString, hex);
    QFETCH(double, value);
    QCOMPARE(DeviceList::FixedPointFromHex(hex), value);
}

void TestDeviceList::realFromHex_data()
{
    QTest::addColumn<QString>("hex");
    QTest::addColumn<float>("value");
    QTest::newRow("one") << "3F800000" << 1.0f;
    QTest::newRow("minus two") << "C0000000" << -2.0f;
    QTest::newRow("lower case refused") << "3f800000" << 0.0f;
    QTest::newRow("short") << "3F8000" << 0.0f;
    QTest::newRow("garbage") << "3F80 000" << 0.0f;
}

void TestDeviceList::realFromHex()
{
    QFETCH(QString, hex);
    QFETCH(float, value);
    QCOMPARE(DeviceList::RealFromHex(hex), value);
}

void TestDeviceList::deviceRealValue()
{
    // 1.0f is 3F 80 00 00; device layout: b3 = 0x7F (exponent), b2 = 0x00 (sign clear).
    QCOMPARE(DeviceList::DeviceRealValue(0x00, 0x00, 0x00, 0x7F), 1.0f);
    // -1.0f: sign moves into bit 7 of b2.
    QCOMPARE(DeviceList::DeviceRealValue(0x00, 0x00, 0x80, 0x7F), -1.0f);
    // 3.0f is 40 40 00 00: exponent 0x80, mantissa top bits 0x40.
    QCOMPARE(DeviceList::DeviceRealValue(0x00, 0x00, 0x40, 0x80), 3.0f);
    QCOMPARE(DeviceList::DeviceRealValue(0, 0, 0, 0), 0.0f);
}

void TestDeviceList::signedAndUnsigned()
{
    QCOMPARE(DeviceList::Signed32(0xFF, 0xFF, 0xFF, 0xFE), -2);
    QCOMPARE(DeviceList::Signed32(0x00, 0x01, 0x02, 0x03), 0x010203);
    QCOMPARE(DeviceList::Signed32(0x80, 0, 0, 0), std::numeric_limits<qint32>::min());
    QCOMPARE(DeviceList::UnsignedFromHex(QStringLiteral("FFFFFFFF")), 0xFFFFFFFFu);
    QCOMPARE(DeviceList::UnsignedFromHex(QStringLiteral("1a")), 26u);
    QCOMPARE(DeviceList::UnsignedFromHex(QStringLiteral("xyz")), 0u);
    QVERIFY(DeviceList::EqualWithinTolerance(1.0, 1.0005, 0.001));
    QVERIFY(!DeviceList::EqualWithinTolerance(1.0, 1.5, 0.5));
    QVERIFY(!DeviceList::EqualWithinTolerance(1.0, 0.998, 0.001));
}

void TestDeviceList::degrees()
{
    QCOMPARE(DeviceList::DecimalDegrees(10, 30, 36, QStringLiteral("N")), 10.51);
    QCOMPARE(DeviceList::DecimalDegrees(10, 30, 36, QStringLiteral(" S ")), -10.51);
    QCOMPARE(DeviceList::DecimalDegrees(2, 15, 0, QStringLiteral("W")), -2.25);
    QCOMPARE(DeviceList::DecimalDegrees(2, 15, 0, QStringLiteral("E")), 2.25);
}

void TestDeviceList::lineCheck_data()
{
    QTest::addColumn<QString>("line");
    QTest::addColumn<bool>("valid");
    QTest::addColumn<QString>("checksum");
    QTest::newRow("two bytes ok") << "5A5A" << true << "00";
    QTest::newRow("three bytes ok") << "0102" "03" << true << "00";
    QTest::newRow("mismatch") << "010204" << false << "07";
    QTest::newRow("too short") << "5A" << false << "5A";
    QTest::newRow("not hex") << "ZZ00" << false << "00";
    QTest::newRow("lower case") << "0a0b01" << true << "00";
    QTest::newRow("odd trailing digit ignored") << "0102031" << true << "00";
    QTest::newRow("not hex in the last pair") << "01020G" << false << "03";
}

void TestDeviceList::lineCheck()
{
    QFETCH(QString, line);
    QFETCH(bool, valid);
    QFETCH(QString, checksum);
    QCOMPARE(DeviceList::LineCheck(line), valid);
    QCOMPARE(DeviceList::LineChecksum(line), checksum);
}

void TestDeviceList::serialNumberForm_data()
{
    QTest::addColumn<QString>("serial");
    QTest::addColumn<bool>("valid");
    QTest::newRow("ok A") << "12A345678" << true;
    QTest::newRow("ok L long") << "99L0000001" << true;
    QTest::newRow("letter M") << "12M345678" << false;
    QTest::newRow("lower case") << "12a345678" << false;
    QTest::newRow("eight chars") << "12A34567" << false;
    QTest::newRow("letter first") << "A12345678" << false;
    QTest::newRow("empty") << "" << false;
}

void TestDeviceList::serialNumberForm()
{
    QFETCH(QString, serial);
    QFETCH(bool, valid);
    QCOMPARE(DeviceList::IsSerialNumberForm(serial), valid);
}

void TestDeviceList::durationText_data()
{
    QTest::addColumn<double>("seconds");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0.0 << 0 << "00:00:00";
    QTest::newRow("hour minute second") << 3723.0 << 0 << "01:02:03";
    QTest::newRow("negative") << -61.0 << 0 << "-00:01:01";
    QTest::newRow("long") << 360000.0 << 0 << "100:00:00";
    QTest::newRow("decimals") << 5.25 << 2 << "00:00:05.25";
    QTest::newRow("rounding carries") << 59.999 << 2 << "00:01:00.00";
    QTest::newRow("fraction without decimals truncates") << 59.9 << 0 << "00:00:59";
}

void TestDeviceList::durationText()
{
    QFETCH(double, seconds);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(DeviceList::DurationText(seconds, decimals), text);
}

void TestDeviceList::utcOffsetText_data()
{
    QTest::addColumn<int>("offset");
    QTest::addColumn<QString>("text");
    QTest::newRow("zero") << 0 << "00:00";
    QTest::newRow("minus 3:30") << -(3 * 3600 + 30 * 60) << "-03:30 UTC";
    QTest::newRow("plus 1") << 3600 << "+01:00 UTC";
    QTest::newRow("plus 5:45") << 5 * 3600 + 45 * 60 << "+05:45 UTC";
    QTest::newRow("plus 14") << 14 * 3600 << "+14:00 UTC";
}

void TestDeviceList::utcOffsetText()
{
    QFETCH(int, offset);
    QFETCH(QString, text);
    QCOMPARE(DeviceList::UtcOffsetText(offset), text);
}

void TestDeviceList::banner()
{
    QCOMPARE(DeviceList::BannerLine(QStringLiteral("Start")), QStringLiteral("********** Start *********"));
    QCOMPARE(DeviceList::AsteriskLine().size(), 86);
    QCOMPARE(DeviceList::AsteriskLine().count(QLatin1Char('*')), 86);
    QTest::ignoreMessage(QtInfoMsg, "********** Start *********");
    DeviceList::LogBanner(QStringLiteral("Start"));
}

QTEST_GUILESS_MAIN(TestDeviceList)
#include "tst_DeviceList.moc"
